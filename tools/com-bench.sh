#!/usr/bin/env bash
# Runs the COM benchmark (bench/com): the control beside Wine's Scripting.Dictionary in one
# process, 32-bit and then 64-bit. Builds only the bench target in build/win32 and build/win64
# (configured by tools/test.sh), registers both modules in a private prefix of its own
# (build/benchprefix) and prints each bitness's table. `--quick` runs the small smoke sizes;
# `--snapshot` only GetSchedules beside Items(), its goals and its memory; `--threads` only the
# threads' starts and ends while controls tick, at full size.
# `--bits 32` or `--bits 64` (after the mode) runs one bitness, in a prefix of its own.
# Fails when a call it times fails; never on a time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
mode=()
case "${1:-}" in
--quick | --snapshot | --threads) mode=("$1") && shift ;;
esac
bitnesses=(32 64)
prefix=$root/build/benchprefix
if [ "${1:-}" = --bits ]; then bitnesses=("$2") prefix+=$2; fi

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
source "$root/tools/lib/wine.sh"
wine32=$(wine_loader 32)
wine64=$(wine_loader 64)
trap 'wineserver -k 2>/dev/null || true' EXIT

for bits in "${bitnesses[@]}"; do
    cmake --build "build/win$bits" -j2 --target combench >/dev/null
done
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
for bits in "${bitnesses[@]}"; do
    loader=wine$bits
    "${!loader}" regsvr32 /s "$(windows_path "$root/build/win$bits/Quorvane.ocx")"
done
for bits in "${bitnesses[@]}"; do
    loader=wine$bits
    "${!loader}" "build/win$bits/combench.exe" "${mode[@]}" | tr -d '\r'
    echo
done
