#!/usr/bin/env bash
# Runs the COM benchmark (bench/com): the control beside Wine's Scripting.Dictionary in one
# process, 32-bit and then 64-bit. Builds only the bench target in build/win32 and build/win64
# (configured by tools/test.sh), registers both modules in a private prefix of its own
# (build/benchprefix) and prints each bitness's table. `--quick` runs the small smoke sizes;
# `--snapshot` only GetSchedules beside Items(), its goals and its memory; `--threads` only the
# threads' starts and ends while controls tick, at full size.
# Fails when a call it times fails; never on a time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
mode=()
case "${1:-}" in
--quick | --snapshot | --threads) mode=("$1") ;;
esac

export WINEPREFIX=$root/build/benchprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wine32=wine
wine64=$(dpkg -L wine64 | grep '/wine/wine64$' | head -n1)
trap 'wineserver -k 2>/dev/null || true' EXIT

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

for bits in 32 64; do
    cmake --build "build/win$bits" -j2 --target combench >/dev/null
done
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
for bits in 32 64; do
    loader=wine$bits
    "${!loader}" regsvr32 /s "$(windows_path "$root/build/win$bits/Quorvane.ocx")"
done
for bits in 32 64; do
    loader=wine$bits
    "${!loader}" "build/win$bits/combench.exe" "${mode[@]}" | tr -d '\r'
    echo
done
