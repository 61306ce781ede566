#!/usr/bin/env bash
# The main job: builds Quorvane.ocx for 32-bit and 64-bit Windows, registers both in a private
# Wine prefix (build/demoprefix) and runs the example alarm clock. Arguments go to the alarm
# clock (--help prints its usage, from demo/alarm_clock.cpp); with none it sets three alarms a
# few seconds ahead. DEMO_BITS=64 runs the 64-bit host instead of the 32-bit one.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
for arg in "$@"; do
    if [ "$arg" = --help ] || [ "$arg" = -h ]; then
        echo "usage: tools/demo.sh [--count N] [--seconds S] [--interval MS] [ENTRY...]"
        echo "Builds the control, registers it in build/demoprefix and runs the example alarm"
        echo "clock; DEMO_BITS=64 runs the 64-bit one. The alarm clock's usage:"
        sed -n '/^\/\/ usage:/,/^[^\/]/{/^\/\//s|^// \{0,1\}||p}' demo/alarm_clock.cpp | tail -n +2
        exit 0
    fi
done
tools/install-deps.sh
bits=${DEMO_BITS:-32}

for target in win32:mingw-i686 win64:mingw-x86_64; do
    cmake -S . -B "build/${target%%:*}" --no-warn-unused-cli \
        -DCMAKE_TOOLCHAIN_FILE="cmake/${target##*:}.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "build/${target%%:*}" -j"$(nproc)" --target Quorvane alarm_clock >/dev/null
done

export WINEPREFIX=$root/build/demoprefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wine64=$(dpkg -L wine64 | grep "/wine/wine64$" | head -n1)
trap 'wineserver -k 2>/dev/null || true' EXIT
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wine regsvr32 /s "Z:${root//\//\\}\\build\\win32\\Quorvane.ocx"
"$wine64" regsvr32 /s "Z:${root//\//\\}\\build\\win64\\Quorvane.ocx"

if [ "$bits" = 64 ]; then
    "$wine64" "build/win64/alarm_clock.exe" "$@"
else
    wine "build/win32/alarm_clock.exe" "$@"
fi
