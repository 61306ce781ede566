#!/usr/bin/env bash
# Tests the release in dist/ (tools/package.sh writes it) the three ways it installs, under Wine,
# in prefixes of its own under build/package-test/:
# - reproducible: the same sources packaged again later, in a clone whose path has a space and
#   non-ASCII letters, with a builder's flags (LDFLAGS, CXXFLAGS, RCFLAGS) in the environment,
#   a builder's git configuration that converts line ends and attributes that leave docs/ out
#   and files that git ignores in docs/ and examples/, give the same bytes in every file (that
#   packaging runs while the tests below do);
# - signed: this release, packaged without a certificate, says it is unsigned and carries no
#   signature; a later version, packaged on the same trees with a certificate from a throwaway
#   authority (its signer's name not ASCII) named as the authority, with its revocation list,
#   is a whole release that says it was built so; its modules and installers verify against
#   that authority, and a copy changed after signing does not; the password never reaches the
#   packaging's tools;
# - refused, before any build and leaving the last dist/ as it was: tools/release-refusal-test.sh;
# - the installers follow the validation rules that apply to them (tests/package/msi_rules.py,
#   which is shown to catch a row of the other registry view) and list the module with its
#   version and language;
# - the folder holds what its RELEASE.txt lists (LICENSE and CHANGELOG.md too) and RELEASE.txt
#   no placeholder, RELEASE.txt names the commit, the checksums hold, the folder's own ones in
#   the zip too, each module is stripped and names the debug file that the symbols archive
#   holds for it;
# - registration-free: in a fresh prefix, the test host of each bitness, beside the application
#   manifest and the assembly folder, works the control; no key of the control is left;
# - the installers: in another fresh prefix both install, CreateObject works from both cscripts,
#   the rows they wrote are all that the modules register, removing the 32-bit one keeps the
#   64-bit one working, and removing both leaves the registry as it was and no file;
# - every installer runs with no script engine (JScript and VBScript disabled for msiexec),
#   the folder check too;
# - upgrade: in a third fresh prefix, the release of an earlier commit (build/previous/, packaged
#   once from a worktree of it) is replaced by this one, and refused over it with its message;
#   the later version's installers replace this one's, and this one's are refused over them;
#   removing the later leaves nothing of any; a development release's installer and a
#   release's of the same version each refuse to install over the other;
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
source "$root/tools/lib/wine.sh"
declare -A loader=([x86]=$(wine_loader 32) [x64]=$(wine_loader 64))
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

version=$(python3 packaging/identities.py version "$folder/x86/$name/$module")
later=${version%.*}.$((${version##*.} + 1))

# The release of an earlier commit, whose installers this release's must upgrade: packaged once
# by that commit's own tools/package.sh in a worktree of it, and kept in build/previous/.
previous_commit=cca4e2e852e43ab521c86eca65ff4fb4f8f5621b
previous_release() {
    local at=$root/build/previous/${previous_commit:0:7}
    if ! grep -qsx "Built from commit $previous_commit." "$at"/dist/*/RELEASE.txt; then
        rm -rf "$at"
        git worktree prune
        git worktree add -q --detach "$at" "$previous_commit" || return 1
        (cd "$at" && tools/package.sh) >"$work/previous.log" 2>&1 ||
            { tail -n 20 "$work/previous.log" >&2; return 1; }
    fi
    previous_folder=$(echo "$at"/dist/*/)
    previous_folder=${previous_folder%/}
}
previous_release

# A throwaway certificate authority and a code-signing certificate from it.
source tests/package/test_authority.sh
ca=$work/ca
make_test_authority "$ca" "$name"

# A development release is packaged from a tree with changes not committed, and only on request.
development=""
if [[ $release == *-development ]]; then
    development=1
    export QUORVANE_DEVELOPMENT_RELEASE=1
fi
# A clone of the checkout with the changes that dist/ was packaged with (if any), in a folder
# whose path has a space and non-ASCII letters, and files there that git ignores, which the
# release must not ship: one under an ignore rule of the repository's, one that the clone's own
# exclude file hides.
source tools/lib/working-copy.sh
elsewhere="$work/else where/Jörg Ærø/$name"
git clone -q "$root" "$elsewhere"
git -C "$elsewhere" checkout -q --detach "$(git rev-parse HEAD)"
copy_changes "$elsewhere"
mkdir -p "$elsewhere/examples/dist"
echo "built by hand" >"$elsewhere/examples/dist/ignored.txt"
echo "docs/excluded.md" >>"$elsewhere/.git/info/exclude"
echo "kept out" >"$elsewhere/docs/excluded.md"
# A builder's git settings and attributes, which must not change what ships.
builder_home=$work/builder-home
mkdir -p "$builder_home"
printf '%s\n' '[core]' 'autocrlf = true' 'symlinks = false' >"$builder_home/.gitconfig"
echo 'docs export-ignore' >>"$elsewhere/.git/info/attributes"

# The sources packaged again there, in the background, in a prefix of its own, with a builder's
# flags in the environment. Then, on the build trees that leaves, a later version, signed, the
# password given by environment (a wixl of the test's own writes down the environment that the
# packaging's tools get); and this version again as the other kind of release (development or
# not) than dist/'s: a page of docs/ not committed added, or the changes committed.
spy=$work/spy
mkdir -p "$spy"
printf '%s\n' '#!/bin/sh' "env >\"$work/wixl.env\"" 'exec /usr/bin/wixl "$@"' >"$spy/wixl"
chmod +x "$spy/wixl"
(
    set -e
    cd "$elsewhere"
    HOME=$builder_home LDFLAGS=-Wl,-s CFLAGS=-O0 CXXFLAGS=-O0 RCFLAGS=-DFROM_THE_BUILDER \
        tools/package.sh
    mv dist "$work/reproduced"
    QUORVANE_VERSION_OVERRIDE=$later QUORVANE_SIGN_PFX=$ca/signer.pfx \
        QUORVANE_SIGN_PASSWORD=$(cat "$ca/password") QUORVANE_SIGN_AUTHORITY=$ca/ca.pem \
        QUORVANE_SIGN_CRL=$ca/crl.pem PATH=$spy:$PATH tools/package.sh
    mv dist "$work/later"
    if [ -n "$development" ]; then
        git add -A
        git -c user.name=test -c user.email=test@example.invalid commit -qm "the changes"
        unset QUORVANE_DEVELOPMENT_RELEASE
    else
        echo "a page not committed" >docs/not-committed.md
        export QUORVANE_DEVELOPMENT_RELEASE=1
    fi
    QUORVANE_VERSION_OVERRIDE=$version tools/package.sh
    mv dist "$work/other-kind"
) >"$work/elsewhere.log" 2>&1 &
packaging_elsewhere=$!
later_folder=$work/later/$name-$later${development:+-development}
other_kind=$work/other-kind/$name-$version$([ -n "$development" ] || echo -development)

source "$root/tools/lib/tally.sh"

fresh_prefix() {
    wineserver -k 2>/dev/null || true
    export WINEPREFIX=$work/$1
    fresh_prefix_at "$WINEPREFIX"
    start_services "$work/wine.log"
}
# Copies of the prefix's registry files, written as its wineserver ends; then its services again.
snapshot() {
    wineserver -k 2>/dev/null || true
    wineserver -w
    cp "$WINEPREFIX/system.reg" "$work/$1.system.reg"
    cp "$WINEPREFIX/user.reg" "$work/$1.user.reg"
    start_services "$work/wine.log"
}

# The release folder and what lies beside it.
listed_files() { # [release folder]: a listed folder (docs/) stands for every file in it
    local listed at=${1:-$folder}
    ! grep -n '@[A-Z_]*@' "$at/RELEASE.txt" >&2
    listed=$(awk 'listing && /^$/ && seen { exit } /^What is in here/ { listing = 1 }
                  listing && /^    / { seen = 1; print $1 }' "$at/RELEASE.txt" | sort)
    diff -u <(echo "$listed") <(cd "$at" && find . -type f | sed 's|^\./||' |
        awk -v folders="$(grep '/$' <<<"$listed" | tr '\n' ' ')" '
            BEGIN { n = split(folders, folder, " ") }
            { for (i = 1; i <= n; i++) if (index($0, folder[i]) == 1) { $0 = folder[i]; break }
              print }' | sort -u)
}
checksums_and_zip() { # [release folder]
    local at=${1:-$folder}
    (cd "$at/.." && sha256sum --quiet -c SHA256SUMS)
    # The folder's own, for the zip's copy: every file but itself.
    (cd "$at" && sha256sum --quiet -c SHA256SUMS)
    diff <(awk '{ print $2 }' "$at/SHA256SUMS") \
        <(cd "$at" && find . -type f ! -path ./SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort)
    diff <(python3 -m zipfile -l "$at.zip" | awk 'NR > 1 { print $1 }' | sort) \
        <(cd "$at/.." && find "$(basename "$at")" -type f | sort)
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
names_the_commit() {
    local commit
    commit=$(git rev-parse HEAD)
    if [ -n "$development" ]; then
        grep -qF "A development release, built from $commit with changes" "$folder/RELEASE.txt"
    else
        grep -qx "Built from commit $commit." "$folder/RELEASE.txt"
    fi
}
follows_the_rules() { # bits
    PYTHONPATH=packaging python3 tests/package/msi_rules.py "$folder/$name-$1.msi" "$1" \
        "$folder/$1/$name/$module"
}
python3 -m zipfile -e "dist/$release-symbols.zip" "$work/symbols"
check "RELEASE.txt names the commit, in full" names_the_commit
for bits in x86 x64; do
    check "$bits installer: the validation rules hold; the module listed with version, language" \
        follows_the_rules $bits
done
check "the release folder holds what RELEASE.txt lists" listed_files
check "SHA256SUMS holds, and the folder's own; the zip holds the release folder" checksums_and_zip
for bits in x86 x64; do
    check "$bits module stripped, linked to its debug file in the symbols archive" \
        stripped_and_linked $bits
done

# Refused before any build, each for its reason.
check "refused before any build, dist/ kept: tools/release-refusal-test.sh" \
    tools/release-refusal-test.sh

# The rules see a CLSID row written as HKLM\Software\Classes\... by the 32-bit component of the
# x64 package, as they see one under HKEY_CLASSES_ROOT.
other_view_caught() {
    local copy=$work/rules.msi key="Software\\Classes\\CLSID\\$clsid"
    cp "$folder/$name-x64.msi" "$copy"
    (cd "$work" && msiinfo export "$copy" Registry >Registry.idt)
    key=$key awk -F'\t' -v OFS='\t' '{ sub(/\r$/, "") }
        NR > 3 && $6 == "SharedRegistration" && !done { $2 = 2; $3 = ENVIRON["key"]; done = 1 }
        { print }' "$work/Registry.idt" >"$work/changed.idt"
    mv "$work/changed.idt" "$work/Registry.idt"
    (cd "$work" && msibuild "$copy" -i Registry.idt)
    ! PYTHONPATH=packaging python3 tests/package/msi_rules.py "$copy" x64 \
        "$folder/x64/$name/$module" 2>"$work/rules.log"
    grep -qF "registry: $key in component SharedRegistration" "$work/rules.log"
}
check "installer rules: a CLSID row under HKLM\Software\Classes of the other bitness is caught" \
    other_view_caught

# Registration-free, in a prefix where the control was never registered.
registration_free() { # bits
    local app=$work/app-$1
    mkdir -p "$app"
    cp "${build[$1]}/regfree_host.exe" "$app/"
    cp "$folder/app.exe.manifest" "$app/regfree_host.exe.manifest"
    cp -r "$folder/$1/$name" "$app/"
    gtest_passes "${loader[$1]}" "$app/regfree_host.exe" '*'
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
    prints_expected <(printf '%s\ndone\n' "$2") "$work/wine.log" \
        "${loader[$1]}" cscript //nologo "$(windows_path "$root/tests/package/create.vbs")"
}
creates() { script "$1" "created; Launch on 2030-1-15 at 12"; }
cannot_create() { script "$1" "cannot create: 429"; }
# One msiexec for both packages, as Windows has one installer service. (Wine's 64-bit msiexec
# would write the shared keys, which are a 32-bit component's, to the 32-bit view alone.) It
# runs with no script engine, as on machines that block them.
msi() { # bits /i|/x [release folder [property=value...]]
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;jscript,vbscript=d" "${loader[x86]}" msiexec "$2" \
        "$(windows_path "${3:-$folder}/$name-$1.msi")" /qn "${@:4}" \
        /l*v "$(windows_path "$work/msiexec.log")"
}
program_files() { printf '%s' "$WINEPREFIX/drive_c/${installed[$1]}/$name"; }
installs() {
    cannot_create x86
    cannot_create x64
    snapshot before
    msi x86 /i
    msi x64 /i
    local bits file
    for bits in x86 x64; do
        cmp "$(program_files $bits)/$module" "$folder/$bits/$name/$module"
        for file in LICENSE CHANGELOG.md; do cmp "$(program_files $bits)/$file" "$folder/$file"; done
    done
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
as_before() {
    snapshot after
    python3 packaging/wine_registry.py diff "$work/before.user.reg" "$work/after.user.reg"
    python3 packaging/wine_registry.py diff "$work/before.system.reg" "$work/after.system.reg" \
        --under Software --except 'Software\Microsoft\Windows NT\CurrentVersion\NetworkCards' \
        --allow-empty 'Software\Classes\Installer' \
        --allow-empty 'Software\Microsoft\Windows\CurrentVersion\Installer'
    [ ! -e "$(program_files x86)" ] && [ ! -e "$(program_files x64)" ]
}
removed_both() {
    msi x64 /x
    cannot_create x64
    as_before
}
fresh_prefix msi
check "installers, no script engine: both install per machine, their modules the released ones, LICENSE and CHANGELOG.md beside them" \
    installs
for bits in x86 x64; do
    check "installed: CreateObject from the $bits cscript" creates $bits
done
check "installed: the rows written are all that the modules' own registration writes" \
    registered_as_the_modules_register
check "x86 removed: the x64 control still created, the x86 one gone" removed_one
check "both removed: the registry as before, the files gone" removed_both
# A folder in which the module's path would be MAX_PATH characters or more is refused; the
# longest that is not, accepted.
install_folder() { # length: "C:\", folders of x and the closing backslash, that many characters
    python3 - "$1" <<'EOF'
import sys
left, names = int(sys.argv[1]) - 3, []
while left:
    size = 99 if left == 102 else min(100, left - 1)  # never a last name of no character
    names.append("x" * size)
    left -= size + 1
print("C:\\" + "".join(name + "\\" for name in names))
EOF
}
# (Wine's msiexec /x looks for the files in the folder it is given, not where they went.)
at_the_limit() {
    local longest too_long installed
    longest=$(install_folder $((259 - ${#module})))
    too_long=$(install_folder $((260 - ${#module})))
    installed=$WINEPREFIX/drive_c/${longest:3}
    installed=${installed//\\//}$module
    if msi x86 /i "$folder" "INSTALLDIR=$too_long"; then return 1; fi
    grep -aq 'Action start .*RefuseLongFolder' "$work/msiexec.log"
    [ ! -e "$(dirname "$installed")" ]
    msi x86 /i "$folder" "INSTALLDIR=$longest"
    [ ${#longest} -eq $((259 - ${#module})) ] && [ -f "$installed" ]
    msi x86 /x "$folder" "INSTALLDIR=$longest"
    [ ! -e "$installed" ]
}
check "installer, no script engine: a folder too long for the module's path refused, the longest accepted" \
    at_the_limit

# regsvr32 by hand, and the Wine suite's host beside each released module.
by_hand() { # bits [/u]
    local dir=$work/by-hand-$1
    mkdir -p "$dir"
    cp "$folder/$1/$name/$module" "${build[$1]}/quorvane_wine_tests.exe" "$dir/"
    "${loader[$1]}" regsvr32 /s "${@:2}" "$(windows_path "$dir/$module")"
}
suite() { # bits filter
    gtest_passes "${loader[$1]}" "$work/by-hand-$1/quorvane_wine_tests.exe" "$2"
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
        suite $bits '-Hosting.*:Container.*:OwnWindow.*' # windows need a display
done
check "regsvr32 /u by hand: nothing left of either bitness" nothing_left

elsewhere_status=0
wait "$packaging_elsewhere" || elsewhere_status=$?
[ "$elsewhere_status" -eq 0 ] || tail -n 20 "$work/elsewhere.log" >&2

# Reproducible: every file the same, byte for byte.
reproduced() {
    local file differ=()
    diff <(cd dist && find . -type f | LC_ALL=C sort) \
        <(cd "$work/reproduced" && find . -type f | LC_ALL=C sort)
    while read -r file; do
        cmp -s "dist/$file" "$work/reproduced/$file" || differ+=("$file")
    done < <(cd dist && find . -type f)
    [ ${#differ[@]} -eq 0 ] || { printf 'differs: %s\n' "${differ[@]}" >&2; return 1; }
}
check "reproducible: packaged again elsewhere and later, every file the same" reproduced

# Signed and unsigned.
signed_files() { # release folder
    printf '%s\n' "$1/x86/$name/$module" "$1/x64/$name/$module" "$1/$name-x86.msi" \
        "$1/$name-x64.msi"
}
verifies() {
    osslsigncode verify -CAfile "$ca/ca.pem" -CRLfile "$ca/crl.pem" -in "$1" >"$work/verify.log" 2>&1
}
unsigned() {
    local file
    grep -q '^This release is not signed' "$folder/RELEASE.txt"
    while read -r file; do
        ! osslsigncode extract-signature -in "$file" -out "$work/signature" >/dev/null 2>&1
    done < <(signed_files "$folder")
}
signed() {
    local file
    grep -q "signed with Authenticode (SHA-256) by" "$later_folder/RELEASE.txt"
    grep -q "$name test signer Jörg, whose certificate expires on $(date -u -d "$(openssl x509 \
        -in "$ca/signer.pem" -noout -enddate | cut -d= -f2)" '+%Y-%m-%d %H:%M UTC')" \
        "$later_folder/RELEASE.txt"
    grep -q "The signatures carry no timestamp" "$later_folder/RELEASE.txt"
    grep -qx "It chains to the authority CN = $name test authority." "$later_folder/RELEASE.txt"
    grep -q "The signatures are of the commercial kind" "$later_folder/RELEASE.txt"
    while read -r file; do
        verifies "$file" || { cat "$work/verify.log" >&2; return 1; }
        # The signature's statement type: commercial, not individual.
        rm -f "$work/signature.der"
        osslsigncode extract-signature -in "$file" -out "$work/signature.der" >/dev/null
        openssl asn1parse -inform DER -in "$work/signature.der" >"$work/signature.txt"
        grep -q 'Microsoft Commercial Code Signing' "$work/signature.txt"
        ! grep -q 'Microsoft Individual Code Signing' "$work/signature.txt"
    done < <(signed_files "$later_folder")
}
# One byte of a signed module's code flipped, in a copy.
changed_after_signing() {
    local changed=$work/changed.ocx
    cp "$later_folder/x86/$name/$module" "$changed"
    python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[len(d) // 2] ^= 0xFF
open(sys.argv[1], "wb").write(d)' "$changed"
    ! verifies "$changed"
}
check "unsigned: RELEASE.txt says so; no module or installer carries a signature" unsigned
check "signed: both modules and installers verify against the test authority, as commercial signatures; RELEASE.txt names the authority" \
    signed
check "signed: a module changed after signing fails verification" changed_after_signing
override_whole() {
    grep -q "^Built as version $later (QUORVANE_VERSION_OVERRIDE)" "$later_folder/RELEASE.txt"
    listed_files "$later_folder"
    checksums_and_zip "$later_folder"
    [ -s "$work/later/$name-$later${development:+-development}-symbols.zip" ]
}
check "version override: a whole release, which says it was built as that version" override_whole
password_kept_to_its_file() {
    [ -s "$work/wixl.env" ]
    ! grep -qF -e QUORVANE_SIGN_PASSWORD= -e "$(cat "$ca/password")" "$work/wixl.env"
}
check "signed: the password is not in the environment of the packaging's tools" \
    password_kept_to_its_file

# Upgrade: this version, then the later one over it, then this one again.
product_code() { # bits version [development]
    (cd packaging && python3 -c 'import sys, installer_codes as c
print(c.product_code(sys.argv[1], sys.argv[2], bool(sys.argv[3])))' "$1" "$2" "${3:-}")
}
product_code_of() { # installer
    msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }'
}
# The versions of the bitness that the installer counts as installed, of the earlier commit's
# release, this one and the later.
installed_versions() { # bits
    local at
    snapshot products
    for at in "$previous_folder" "$folder" "$later_folder"; do
        if grep -qiF "Uninstall\\\\$(product_code_of "$at/$name-$1.msi")]" \
            "$work/products.system.reg"; then
            python3 packaging/identities.py version "$at/$1/$name/$module"
        fi
    done
}
in_place() { # bits version release-folder: one product, that one, its module installed
    [ "$(installed_versions "$1")" = "$2" ]
    cmp "$(program_files "$1")/$module" "$3/$1/$name/$module"
    creates "$1"
}
previous_version=$(python3 packaging/identities.py version "$previous_folder/x86/$name/$module")
previous_installed() {
    cannot_create x86
    cannot_create x64
    snapshot before
    msi x86 /i "$previous_folder"
    msi x64 /i "$previous_folder"
    in_place x86 "$previous_version" "$previous_folder"
    in_place x64 "$previous_version" "$previous_folder"
}
earlier_installed() {
    if [ -n "$development" ]; then
        cannot_create x86
        cannot_create x64
        snapshot before
    fi
    msi x86 /i
    msi x64 /i
}
this_in_place() { in_place "$1" "$version" "$folder"; } # bits
# Refused by the launch condition that says so (Wine's log holds the property that fails it, not
# the message).
previous_refused() {
    local bits
    for bits in x86 x64; do
        if msi $bits /i "$previous_folder"; then return 1; fi
        grep -aq "WIX_DOWNGRADE_DETECTED = $(product_code_of "$folder/$name-$bits.msi")" \
            "$work/msiexec.log"
        msiinfo export "$previous_folder/$name-$bits.msi" LaunchCondition |
            grep -qF "NOT WIX_DOWNGRADE_DETECTED"$'\t'"A newer $name is already installed."
        this_in_place $bits
    done
}
upgraded() {
    msi x86 /i "$later_folder"
    msi x64 /i "$later_folder"
}
later_in_place() { in_place "$1" "$later" "$later_folder"; } # bits
downgrade_refused() {
    if msi x86 /i; then return 1; fi
    if msi x64 /i; then return 1; fi
    later_in_place x86
    later_in_place x64
}
later_removed() {
    msi x86 /x "$later_folder"
    msi x64 /x "$later_folder"
    cannot_create x86
    cannot_create x64
    [ -z "$(installed_versions x86)$(installed_versions x64)" ]
    as_before
}
fresh_prefix upgrade
# (A development release is another product than the earlier commit's release.)
if [ -z "$development" ]; then
    check "upgrade: the release of an earlier commit (${previous_commit:0:7}, $previous_version) installs" \
        previous_installed
fi
over=" over the earlier commit's"
[ -z "$development" ] || over=""
check "upgrade: this version's installers install$over" earlier_installed
for bits in x86 x64; do
    check "upgraded, $bits: one product, this version; its module in place; CreateObject works" \
        this_in_place $bits
done
if [ -z "$development" ]; then
    check "downgrade: the earlier commit's installers refused over this one with their message" \
        previous_refused
fi
check "upgrade: the later version's installers install over them" upgraded
for bits in x86 x64; do
    check "upgraded, $bits: one product, the later; its module in place; CreateObject works" \
        later_in_place $bits
done
check "downgrade: this version's installers refused over the later; the later stays" \
    downgrade_refused
check "the later removed: nothing left of any version, registry as before" later_removed
# A development release and a release of the same version, one over the other, either order.
kind_of() { [[ $1 == *-development ]] && echo development || echo release; } # release folder
# The kinds of this version's x86 product that the installer counts as installed.
installed_kinds() {
    local kind
    snapshot products
    for kind in release development; do
        if grep -qiF "Uninstall\\\\$(product_code x86 "$version" "${kind#release}")]" \
            "$work/products.system.reg"; then
            echo "$kind"
        fi
    done
}
kinds_apart() {
    local first second
    for first in "$folder" "$other_kind"; do
        second=$other_kind
        [ "$first" = "$folder" ] || second=$folder
        msi x86 /i "$first"
        if msi x86 /i "$second"; then return 1; fi
        [ "$(installed_kinds)" = "$(kind_of "$first")" ]
        msi x86 /x "$first"
    done
    as_before
}
check "a development release and a release: neither installs over the other" kinds_apart
# (Where dist/ is the development release, the changes are those of this checkout.)
development_holds_changes() {
    [ -n "$development" ] || grep -qx "a page not committed" "$other_kind/docs/not-committed.md"
}
check "a development release holds the changes that were not committed" development_holds_changes

echo "$passed passed, $failed failed"
if [ "$failed" -eq 0 ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$work" # the prefixes take a few GB
fi
[ "$failed" -eq 0 ]
