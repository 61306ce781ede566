#!/usr/bin/env bash
# The alarm on the real clock: the released modules in dist/ (tools/package.sh writes it), each
# registered in fresh prefixes of its bitness, worked by the example host under Wine while
# libfaketime moves the system time: daylight saving starting and ending in New York and Berlin,
# the clock set back and forward by hand, a sleep and a hibernation
# (tests/realclock/real_clock_test.py holds the cases). The cases at the control's own interval
# of a minute take two minutes, so they run in a lane of their own beside the others, and both
# bitnesses run at once. Expects the hosts in build/win32 and build/win64 (tools/test.sh builds
# them). Fails on any failed case.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/lib/wine.sh
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" PYTHONDONTWRITEBYTECODE=1
unset DISPLAY

folders=(dist/*/)
[ ${#folders[@]} -eq 1 ] || { echo "dist/ should hold one release folder" >&2; exit 1; }
name=$(python3 packaging/identities.py idl server/automation/quorvane.idl library_name)
work=$root/build/real-clock
mkdir -p "$work"

# Debian's 32-bit Wine reads the time through entry points that its 32-bit libfaketime does not
# wrap; a small library of ours, preloaded first, hands them on (tests/realclock/).
gcc -m32 -fPIC -O2 -Wall -Wextra -Werror -c tests/realclock/time64_preload.c -o "$work/time64.o"
ld -m elf_i386 -shared "$work/time64.o" -o "$work/time64_preload.so"
# Each loader takes the libraries of its own class and passes over the others with a warning.
preload="$work/time64_preload.so /usr/lib/i386-linux-gnu/faketime/libfaketime.so.1"
preload+=" /usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"

declare -A loader=([x86]=${QUORVANE_WINE32:-/usr/lib/wine/wine} [x64]=${QUORVANE_WINE64:-/usr/lib/wine/wine64})
declare -A host=([x86]=build/win32/alarm_clock.exe [x64]=build/win64/alarm_clock.exe)
lane() { # bitness lane
    local prefix=$work/$1-$2
    fresh_prefix_at "$prefix"
    WINEPREFIX=$prefix "${loader[$1]}" regsvr32 /s \
        "$(windows_path "$root/${folders[0]%/}/$1/$name/Quorvane.ocx")"
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    python3 tests/realclock/real_clock_test.py "$2" "${loader[$1]}" "${host[$1]}" "$prefix" \
        "$preload" | sed "s/^/$1 /"
}

pids=()
for bits in x86 x64; do
    for kind in short long; do
        lane "$bits" "$kind" >"$work/$bits-$kind.log" 2>&1 &
        pids+=($!)
    done
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
cat "$work"/*.log
passed=$(cat "$work"/*.log | grep -c '^x[0-9]* ok ' || true)
failed=$(cat "$work"/*.log | grep -c '^x[0-9]* FAIL ' || true)
echo "real clock: $passed passed, $failed failed"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
