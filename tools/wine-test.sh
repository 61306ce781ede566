#!/usr/bin/env bash
# Runs the Windows modules' tests under Wine: builds nothing, expects build/win32 and
# build/win64 (tools/test.sh builds them). In a fresh prefix under build/ (a copy of a pristine
# one: nothing an earlier run left there counts) it registers both modules, runs the C++ test
# host of each bitness (judged by its own report, not its exit status) and every script of
# tests/wine/scripts with the 32-bit and the 64-bit cscript, compares each script's whole standard
# output with the file of the same name plus .expected (cscript exits 0 even on a runtime error;
# the prefix's services are started first, and what Wine prints goes to build/wine-test*.log), hosts
# the control in containers (Wine's ATL one, a site of the tests' own) and on a design-time form
# on an X display of its own (Xvfb), taking the form's picture into build/screenshots/, then
# unregisters each bitness and both to check what is left, registers both again, and ends the
# prefix's wineserver and its Xvfb. Prints "N passed, N failed"; fails on any failure.
# `--bits 32` or `--bits 64` runs one bitness alone (registered alone, and ending with its own
# removal leaving nothing); `--registration` only what removing one bitness does to the other.
# ctest runs those three, each in a prefix of its own; without an option, all of it in one.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bitnesses=(32 64)
across=1
run=
case "${1:-}" in
--bits) bitnesses=("$2") across= run=-$2 ;;
--registration) bitnesses=() run=-registration ;;
esac

export WINEPREFIX=$root/build/wineprefix$run WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Strings are really freed, not cached: a string the control frees or uses after its caller
# freed it shows up instead of hiding in the runtime's cache.
export OANOCACHE=1
unset DISPLAY
source "$root/tools/lib/wine.sh"
wine32=$(wine_loader 32)
wine64=$(wine_loader 64)
xvfb=
finish() {
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}
trap finish EXIT

source "$root/tools/lib/tally.sh"

fresh_prefix_at "$WINEPREFIX"
log=$root/build/wine-test$run.log
: >"$log"
start_services "$log"
regsvr() { # bits [/u]
    local loader=wine$1
    "${!loader}" regsvr32 /s "${@:2}" "$(windows_path "$root/build/win$1/Quorvane.ocx")"
}
for bits in "${bitnesses[@]}"; do regsvr "$bits"; done

# Runs the C++ test host of one bitness on the tests that match a filter, and records whether
# its report says that they all passed.
host_tests() { # bits filter name
    local loader=wine$1 status=0
    gtest_passes "${!loader}" "build/win$1/quorvane_wine_tests.exe" "$2" || status=$?
    record "$3" "$status"
}

# The judge of those runs: it fails a report that lacks a test or holds a failure or an error,
# and a host that failed a test and then crashed (whose exit status may still say 0). Shown
# with the 64-bit host.
if [[ " ${bitnesses[*]} " == *" 64 "* ]]; then
status=0
python3 tests/tools/gtest_report_test.py >/dev/null 2>&1 || status=$?
record "the report check fails a report lacking a test, or with a failure, or cut short" "$status"
for end in 'Crashes:crashed' 'ExitsWithZero:exited with status 0'; do
    status=0
    gtest_passes "$wine64" build/win64/quorvane_wine_tests.exe \
        "ReportCheck.DISABLED_FailsThen${end%%:*}" --gtest_also_run_disabled_tests >/dev/null 2>&1 ||
        status=$?
    record "the report check fails a host that failed a test and then ${end#*:}" $((status == 0))
done
# A host that hangs fails once its time is up, the prefix's processes ended with it.
status=0
started=$SECONDS
QUORVANE_WINE_TEST_SECONDS=15 gtest_passes "$wine64" build/win64/quorvane_wine_tests.exe \
    ReportCheck.DISABLED_Hangs --gtest_also_run_disabled_tests >/dev/null \
    2>"$root/build/hang$run.log" || status=$?
grep -q '^timed out after 15 s' "$root/build/hang$run.log" || status=0
record "the report check fails a host that hangs, in its time" \
    $((status == 0 || SECONDS - started > 60))
start_services "$log" # the hang ended the prefix's server
# A program judged by what it printed still fails when it crashed, whatever its exit status.
status=0
runs_cleanly /dev/null "$log" "$wine64" build/win64/quorvane_wine_tests.exe \
    --gtest_filter=ReportCheck.DISABLED_FailsThenCrashes --gtest_also_run_disabled_tests \
    2>"$root/build/crash$run.log" || status=$?
grep -q '^crashed: ' "$root/build/crash$run.log" || status=0
record "the output check fails a program that crashed" $((status == 0))
fi

for bits in "${bitnesses[@]}"; do
    host_tests "$bits" '-Hosting.*:Container.*:OwnWindow.*' "C++ host, $bits-bit"
done

for script in tests/wine/scripts/*.vbs tests/wine/scripts/*.js; do
    expected=$script.expected
    for bits in "${bitnesses[@]}"; do
        loader=wine$bits
        status=0
        prints_expected "$expected" "$log" "${!loader}" cscript //nologo \
            "$(windows_path "$root/$script")" || status=$?
        record "$script, $bits-bit cscript" "$status"
    done
done

# Windows on a display of their own (in a site that cannot take it windowless, the control
# makes a window): a new wineserver for it, and Xvfb on the first free display. The
# design-time form prints "shown" and its client rectangle on the screen, and stays until the
# file it was given exists; its picture must show the icon's yellow frame.
magick() { "$(dpkg -L imagemagick-6.q16 | grep "bin/$1-im6" | head -n1)" "${@:2}"; }
shots=$root/build/screenshots
mkdir -p "$shots"
design_picture() { # bits
    local loader=wine$1 out=$shots/form-$1.txt done=$shots/done-$1 word x y w h
    rm -f "$out" "$done"
    "${!loader}" "build/win$1/design_form.exe" "$(windows_path "$done")" >"$out" 2>>"$log" &
    local form=$!
    for _ in $(seq 100); do grep -q '^shown' "$out" && break; sleep 0.1; done
    read -r word x y w h < <(tr -d '\r' <"$out") || true
    if [ "${word:-}" = shown ]; then
        sleep 0.3
        magick import -window root "$shots/screen-$1.png"
    fi
    touch "$done"
    wait "$form" || return 1
    [ "${word:-}" = shown ] || return 1
    magick convert "$shots/screen-$1.png" -crop "${w}x${h}+${x}+${y}" +repage -filter point \
        -resize 300% -strip "$shots/design-time-$1.png"
    magick convert "$shots/design-time-$1.png" -format %c histogram:info:- | grep -q '#FFFF00'
}
if [ ${#bitnesses[@]} -gt 0 ]; then
wineserver -k 2>/dev/null || true
wineserver -w
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$shots/display$run" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$shots/display$run" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$shots/display$run")
start_services "$log"
for bits in "${bitnesses[@]}"; do
    host_tests "$bits" 'Hosting.*:Container.*:OwnWindow.*' "containers, $bits-bit"
    status=0
    design_picture "$bits" || status=$?
    record "design-time picture, $bits-bit" "$status"
done
wineserver -k 2>/dev/null || true
wineserver -w
kill "$xvfb" 2>/dev/null || true
xvfb=
unset DISPLAY
start_services "$log"
fi

# Last, as it unregisters. One bitness alone, removed, leaves nothing. Of both: removing one
# leaves the other creating by ProgID, removing both leaves nothing; then both are registered
# again for the next run.
if [ -z "$across" ]; then
    regsvr "${bitnesses[0]}" /u
    QUORVANE_UNREGISTERED=32,64 host_tests "${bitnesses[0]}" 'Unregistered.*' \
        "${bitnesses[0]}-bit unregistered, nothing left"
else
    [ ${#bitnesses[@]} -eq 2 ] || { regsvr 32 && regsvr 64; }
    for gone in 32 64; do
        other=$((96 - gone))
        regsvr "$gone" /u
        QUORVANE_UNREGISTERED=$gone host_tests "$other" \
            'Unregistered.*:Registration.CreatesByProgId' "$gone-bit unregistered, $other-bit still works"
        regsvr "$gone"
    done
    regsvr 32 /u
    regsvr 64 /u
    QUORVANE_UNREGISTERED=32,64 host_tests 64 'Unregistered.*' "both unregistered, nothing left"
    regsvr 32
    regsvr 64
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
