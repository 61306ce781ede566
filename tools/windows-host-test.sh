#!/usr/bin/env bash
# On Windows (an MSYS2 shell, run by ctest from the win32 or win64 build): registers that
# bitness's build/winN/Quorvane.ocx with regsvr32 (which needs an elevated shell), runs the C++
# test host on all its tests, judged by its report as under Wine,
# and unregisters the module, checking that nothing is left. `windows-host-test.sh 32|64`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/lib/wine.sh
source tools/lib/tally.sh
windows_path() { cygpath -w "$1"; }
build=build/win$1
system=$(cygpath -u "$SYSTEMROOT")/$([ "$1" = 32 ] && echo SysWOW64 || echo System32)
regsvr() { "$system/regsvr32.exe" /s "$@" "$(windows_path "$root/$build/Quorvane.ocx")"; }

regsvr
status=0
gtest_passes env "$build/quorvane_wine_tests.exe" '*' || status=$?
record "C++ host, $1-bit" "$status"
regsvr /u
status=0
QUORVANE_UNREGISTERED=32,64 gtest_passes env "$build/quorvane_wine_tests.exe" 'Unregistered.*' ||
    status=$?
record "$1-bit unregistered, nothing left" "$status"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
