#!/usr/bin/env bash
# Tests the release in dist/ (tools/package.sh writes it) the three ways it installs, under Wine,
# in prefixes of its own under build/package-test/:
# - reproducible: the same sources packaged again, in another folder and later, give the same
#   bytes in every file (that packaging runs while the tests below do);
# - the folder holds what its RELEASE.txt lists, the checksums hold, each module is stripped and
#   names the debug file that the symbols archive holds for it;
# - registration-free: in a fresh prefix, the test host of each bitness, beside the application
#   manifest and the assembly folder, works the control; no key of the control is left;
# - the installers: in another fresh prefix both install, CreateObject works from both cscripts,
#   the rows they wrote are all that the modules register, removing the 32-bit one keeps the
#   64-bit one working, and removing both leaves the registry as it was and no file;
# - regsvr32 by hand, in that prefix once both packages are gone: the released modules pass the
#   Wine suite's C++ host (tools/wine-test.sh tests the modules in build/, which package.sh
#   builds apart), and unregistering them leaves nothing.
# Expects the test hosts in build/win32 and build/win64 (tools/test.sh builds them).
# Prints "N passed, N failed"; fails on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export PYTHONDONTWRITEBYTECODE=1
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export OANOCACHE=1 # as in tools/wine-test.sh: freed strings are really freed
unset DISPLAY
declare -A loader=([x86]=wine [x64]=$(dpkg -L wine64 | grep '/wine/wine64$' | head -n1))
declare -A build=([x86]=build/win32 [x64]=build/win64)
declare -A triplet=([x86]=i686-w64-mingw32 [x64]=x86_64-w64-mingw32)
declare -A installed=([x86]='Program Files (x86)' [x64]='Program Files')
trap 'wineserver -k 2>/dev/null || true' EXIT

folders=(dist/*/)
if [ ${#folders[@]} -ne 1 ]; then
    echo "dist/ should hold one release folder (tools/package.sh writes it)" >&2
    exit 1
fi
folder=$root/${folders[0]%/}
release=$(basename "$folder")
name=$(python3 packaging/identities.py idl server/automation/quorvane.idl library_name)
clsid=$(python3 packaging/identities.py idl server/automation/quorvane.idl clsid)
module=Quorvane.ocx
work=$root/build/package-test
rm -rf "$work"
mkdir -p "$work"

# The sources that dist/ was packaged from (the checkout's files, committed or not), packaged
# again elsewhere, in the background. It keeps to a prefix of its own.
elsewhere=$work/elsewhere/$name
mkdir -p "$elsewhere"
git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -C "$elsewhere" -xf -
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
(cd "$elsewhere" && tools/package.sh) >"$work/elsewhere.log" 2>&1 &
packaging_elsewhere=$!

source "$root/tools/lib/tally.sh"
check() { # name command...: the command runs in a subshell that stops at its first failure
    set +e
    (set -e; "${@:2}")
    local status=$?
    set -e
    record "$1" "$status"
}

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
fresh_prefix() {
    wineserver -k 2>/dev/null || true
    export WINEPREFIX=$work/$1
    wineboot -i >/dev/null 2>&1
}
# Copies of the prefix's registry files, written as its wineserver ends.
snapshot() {
    wineserver -k 2>/dev/null || true
    wineserver -w
    cp "$WINEPREFIX/system.reg" "$work/$1.system.reg"
    cp "$WINEPREFIX/user.reg" "$work/$1.user.reg"
}

# The release folder and what lies beside it.
listed_files() {
    diff -u <(awk 'listing && /^$/ && seen { exit } /^What is in here/ { listing = 1 }
                   listing && /^    / { seen = 1; print $1 }' "$folder/RELEASE.txt" | sort) \
        <(cd "$folder" && find . -type f | sed 's|^\./||' | sort)
}
checksums_and_zip() {
    (cd dist && sha256sum --quiet -c SHA256SUMS)
    diff <(python3 -m zipfile -l "dist/$release.zip" | awk 'NR > 1 { print $1 }' | sort) \
        <(cd dist && find "$release" -type f | sort)
}
stripped_and_linked() { # bits
    local released=$folder/$1/$name/$module debug=$work/symbols/$release/$1/$name/$module.debug
    if "${triplet[$1]}-objdump" -h "$released" | grep -q ' \.debug_'; then return 1; fi
    "${triplet[$1]}-objdump" -h "$debug" | grep -q ' \.debug_info'
    "${triplet[$1]}-objcopy" --dump-section .gnu_debuglink="$work/link-$1" "$released" \
        "$work/scratch-$1"
    # The link: the debug file's name, NUL-padded to 4 bytes, then the CRC-32 of its content.
    python3 - "$work/link-$1" "$debug" <<'EOF'
import os, struct, sys, zlib
link, debug = (open(p, "rb").read() for p in sys.argv[1:])
assert link[: link.index(b"\0")] == os.path.basename(sys.argv[2]).encode(), link
assert struct.unpack("<I", link[-4:])[0] == zlib.crc32(debug), "the checksum does not match"
EOF
}
python3 -m zipfile -e "dist/$release-symbols.zip" "$work/symbols"
check "the release folder holds what RELEASE.txt lists" listed_files
check "SHA256SUMS holds; the zip holds the release folder" checksums_and_zip
for bits in x86 x64; do
    check "$bits module stripped, linked to its debug file in the symbols archive" \
        stripped_and_linked $bits
done

# Registration-free, in a prefix where the control was never registered.
registration_free() { # bits
    local app=$work/app-$1
    mkdir -p "$app"
    cp "${build[$1]}/regfree_host.exe" "$app/"
    cp "$folder/app.exe.manifest" "$app/regfree_host.exe.manifest"
    cp -r "$folder/$1/$name" "$app/"
    "${loader[$1]}" "$app/regfree_host.exe" --gtest_brief=1
}
no_key_of_the_control() {
    snapshot regfree
    ! grep -qiF -e "${clsid//[\{\}]/}" -e "$name.Schedule" "$work/regfree.system.reg" \
        "$work/regfree.user.reg"
}
fresh_prefix regfree
for bits in x86 x64; do
    check "registration-free, $bits: CLSID, ProgID, vtable, by name, RunTime, another thread" \
        registration_free $bits
done
check "registration-free: no CLSID or ProgID key of the control in the registry" \
    no_key_of_the_control

# The installers, in another fresh prefix. A script creates the control and prints whether it
# could; cscript registers its own type library when it first runs, before the snapshot.
script() { # bits expected-first-line
    local output
    output=$("${loader[$1]}" cscript //nologo "$(windows_path "$root/tests/package/create.vbs")" \
        2>&1)
    [ "$(tr -d '\r' <<<"$output")" = "$2"$'\ndone' ]
}
creates() { script "$1" "created; Launch on 2030-1-15 at 12"; }
cannot_create() { script "$1" "cannot create: 429"; }
# One msiexec for both packages, as Windows has one installer service. (Wine's 64-bit msiexec
# would write the shared keys, which are a 32-bit component's, to the 32-bit view alone.)
msi() { # bits /i|/x
    wine msiexec "$2" "$(windows_path "$folder/$name-$1.msi")" /qn
}
program_files() { printf '%s' "$WINEPREFIX/drive_c/${installed[$1]}/$name"; }
installs() {
    cannot_create x86
    cannot_create x64
    snapshot before
    msi x86 /i
    msi x64 /i
    cmp "$(program_files x86)/$module" "$folder/x86/$name/$module"
    cmp "$(program_files x64)/$module" "$folder/x64/$name/$module"
}
# The modules' own registration over the installers' changes nothing.
registered_as_the_modules_register() {
    snapshot installed
    for bits in x86 x64; do
        "${loader[$bits]}" regsvr32 /s "C:\\${installed[$bits]}\\$name\\$module"
    done
    snapshot reregistered
    python3 packaging/wine_registry.py diff "$work/installed.system.reg" \
        "$work/reregistered.system.reg" --under 'Software\Classes'
}
removed_one() {
    msi x86 /x
    creates x64
    cannot_create x86
    [ ! -e "$(program_files x86)" ]
}
# Wine's installer leaves a few empty keys of its own bookkeeping; Wine rewrites its device keys
# (System\..., NetworkCards) as it starts.
removed_both() {
    msi x64 /x
    cannot_create x64
    snapshot after
    python3 packaging/wine_registry.py diff "$work/before.user.reg" "$work/after.user.reg"
    python3 packaging/wine_registry.py diff "$work/before.system.reg" "$work/after.system.reg" \
        --under Software --except 'Software\Microsoft\Windows NT\CurrentVersion\NetworkCards' \
        --allow-empty 'Software\Classes\Installer' \
        --allow-empty 'Software\Microsoft\Windows\CurrentVersion\Installer'
    [ ! -e "$(program_files x64)" ]
}
fresh_prefix msi
check "installers: both install per machine, their modules the released ones" installs
for bits in x86 x64; do
    check "installed: CreateObject from the $bits cscript" creates $bits
done
check "installed: the rows written are all that the modules' own registration writes" \
    registered_as_the_modules_register
check "x86 removed: the x64 control still created, the x86 one gone" removed_one
check "both removed: the registry as before, the files gone" removed_both

# regsvr32 by hand, and the Wine suite's host beside each released module.
by_hand() { # bits [/u]
    local dir=$work/by-hand-$1
    mkdir -p "$dir"
    cp "$folder/$1/$name/$module" "${build[$1]}/quorvane_wine_tests.exe" "$dir/"
    "${loader[$1]}" regsvr32 /s "${@:2}" "$(windows_path "$dir/$module")"
}
suite() { # bits filter
    "${loader[$1]}" "$work/by-hand-$1/quorvane_wine_tests.exe" --gtest_brief=1 --gtest_filter="$2"
}
register_both() {
    by_hand x86
    by_hand x64
}
nothing_left() {
    by_hand x86 /u
    by_hand x64 /u
    QUORVANE_UNREGISTERED=32,64 suite x64 'Unregistered.*'
}
check "regsvr32 by hand: both released modules register" register_both
for bits in x86 x64; do
    check "regsvr32 by hand, $bits: the released module passes the Wine suite's C++ host" \
        suite $bits '-Hosting.*:Container.*' # the containers' tests need a display
done
check "regsvr32 /u by hand: nothing left of either bitness" nothing_left

# Reproducible: every file the same, byte for byte.
reproduced() {
    local file differ=()
    [ "$elsewhere_status" -eq 0 ] || { tail -n 20 "$work/elsewhere.log" >&2; return 1; }
    diff <(cd dist && find . -type f | LC_ALL=C sort) \
        <(cd "$elsewhere/dist" && find . -type f | LC_ALL=C sort)
    while read -r file; do
        cmp -s "dist/$file" "$elsewhere/dist/$file" || differ+=("$file")
    done < <(cd dist && find . -type f)
    [ ${#differ[@]} -eq 0 ] || { printf 'differs: %s\n' "${differ[@]}" >&2; return 1; }
}
elsewhere_status=0
wait "$packaging_elsewhere" || elsewhere_status=$?
check "reproducible: packaged again elsewhere and later, every file the same" reproduced

echo "$passed passed, $failed failed"
if [ "$failed" -eq 0 ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$work" # the prefixes take a few GB
fi
[ "$failed" -eq 0 ]
