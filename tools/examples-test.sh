#!/usr/bin/env bash
# Tests the samples that the docs show, against the release in dist/ (tools/package.sh writes
# it): the docs quote every sample as it stands under examples/ (tests/docs/check_docs.py);
# the release ships examples/ and docs/ as they are here; in the release folder,
# examples/build-mingw.sh (the documented command lines) builds the C and C++ samples against
# the release's sdk/, and each runs under Wine with the release's modules registered in a fresh
# prefix of its own (build/examplesprefix), its whole output compared with its .expected file;
# every script sample with an .expected file runs with the 32-bit and the 64-bit cscript, its
# whole output compared (cscript exits 0 even on a runtime error). A sample passes on what it
# printed on its standard output and fails if it crashed; what Wine prints on standard error
# goes to build/examples-wine.log.
# The samples that hear the alarm (each with a .windows.expected file: first_alarm.vbs with each
# cscript, the PowerShell alarm with each PowerShell) need Windows: there the runner runs them
# too, with the modules registered by regsvr32, and here it names them as not run.
# Prints "N passed, N failed, N not run here"; fails on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/lib/tally.sh

status=0
python3 tests/docs/check_docs.py . || status=$?
record "docs quote the samples as they stand" "$status"

folders=(dist/*/)
if [ ${#folders[@]} -ne 1 ]; then
    echo "dist/ should hold one release folder (tools/package.sh writes it)" >&2
    exit 1
fi
release=$root/${folders[0]%/}
name=$(python3 packaging/identities.py idl server/automation/quorvane.idl library_name)
for shipped in docs examples; do
    status=0
    diff -r "$shipped" "$release/$shipped" || status=$?
    record "the release ships $shipped/" "$status"
done

source tools/lib/wine.sh
case "$(uname -s)" in
MINGW* | MSYS* | CYGWIN*) windows=1 ;;
*) windows= ;;
esac
log=$root/build/examples-wine.log
: >"$log"
if [ -n "$windows" ]; then
    # The programs run as they are; each bitness's script hosts live in its system folder.
    windows_path() { cygpath -w "$1"; }
    declare -A loader=([x86]=env [x64]=env) system=([x86]=SysWOW64 [x64]=System32)
    host() { # bits program arguments...
        "$(cygpath -u "$SYSTEMROOT")/${system[$1]}/$2" "${@:3}"
    }
else
    export WINEPREFIX=$root/build/examplesprefix WINEARCH=win64 WINEDEBUG=-all OANOCACHE=1
    export WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY
    declare -A loader=([x86]=$(wine_loader 32) [x64]=$(wine_loader 64))
    host() { "${loader[$1]}" "${2%.exe}" "${@:3}"; }
    trap 'wineserver -k 2>/dev/null || true' EXIT
    fresh_prefix_at "$WINEPREFIX"
    start_services "$log"
fi
for bits in x86 x64; do
    host "$bits" regsvr32.exe /s "$(windows_path "$release/$bits/$name/Quorvane.ocx")"
done

# The C and C++ samples, built in a copy of the release folder exactly as the docs say.
work=$root/build/examples
rm -rf "$work"
cp -r "$release" "$work"
status=0
(cd "$work" && bash -e examples/build-mingw.sh) || status=$?
record "examples/build-mingw.sh builds the C and C++ samples" "$status"
compare() { # name expected command...
    local status=0
    prints_expected "$2" "$log" "${@:3}" || status=$?
    record "$1" "$status"
}
for sample in examples/c/schedule.c examples/cpp/*.cpp; do
    stem=$(basename "$sample" | sed 's/\.[^.]*$//')
    for bits in x86 x64; do
        compare "$sample, $bits" "${sample%.*}.expected" \
            "${loader[$bits]}" "$work/$stem-$bits.exe"
    done
done

while read -r script; do
    for bits in x86 x64; do
        compare "$script, $bits cscript" "$script.expected" \
            host "$bits" cscript.exe //nologo "$(windows_path "$root/$script")"
    done
done < <(find examples -name '*.vbs.expected' -o -name '*.js.expected' | sed 's/\.expected$//' |
    LC_ALL=C sort)

# The samples that hear the alarm, with each bitness's host of their kind.
not_run=0
while read -r script; do
    for bits in x86 x64; do
        case "$script" in
        *.ps1) kind=PowerShell run=(WindowsPowerShell/v1.0/powershell.exe -NoProfile -NonInteractive
                   -ExecutionPolicy Bypass -File) ;;
        *) kind=cscript run=(cscript.exe //nologo) ;;
        esac
        if [ -n "$windows" ]; then
            compare "$script, $bits $kind" "$script.windows.expected" \
                host "$bits" "${run[@]}" "$(windows_path "$root/$script")"
        else
            not_run=$((not_run + 1))
            echo "NOT RUN here (needs Windows) $script, $bits $kind"
        fi
    done
done < <(find examples -name '*.windows.expected' | sed 's/\.windows\.expected$//' | LC_ALL=C sort)

echo "$passed passed, $failed failed, $not_run not run here"
[ "$failed" -eq 0 ]
