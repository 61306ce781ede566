#!/bin/bash -p
# Builds the release from scratch and writes dist/: the modules of both bitnesses stripped, with
# their debug information in a symbols archive of its own; an installer (MSI) of each bitness
# whose registry rows are harvested from the module's own DllRegisterServer in a scratch Wine
# prefix; the manifests for registration-free use; the IDL, widl's header and identifiers and
# the type libraries; the release text, a zip of the release folder and SHA256SUMS.
# What is built and shipped is what the commit holds, exported to build/package/source (never
# the working folders: ignored files stay out). Scratch work goes to build/package/, where the
# new release is put together and checked; it replaces dist/ only once it is whole, its
# checksums hold and each signature verifies, so a failed attempt leaves the last release as it
# was. Every input is checked before the build: the tree must be its commit
# (QUORVANE_DEVELOPMENT_RELEASE=1 packages one that is not as a development release,
# "-development" in its name, a product of its own for the installer, and said so in its
# RELEASE.txt), the signing settings, the certificate and the version override
# (tools/lib/release-inputs.sh). It runs in a clean environment of its own, one at a time per
# checkout; RELEASE.txt names the commit.
#
# The release is reproducible: the same commit packaged anywhere, at any time, gives the same
# bytes. Every date in it is the commit's (SOURCE_DATE_EPOCH, by default the commit's time), the
# debug information names the sources relative to the exported tree, and the installers' codes
# are derived from what they hold.
#
# Signing: given a code-signing certificate, as a PKCS#12 file in QUORVANE_SIGN_PFX and its
# password in QUORVANE_SIGN_PASSWORD or in the file QUORVANE_SIGN_PASSWORD_FILE, both modules and
# both installers are signed (Authenticode, SHA-256), the modules before the installers take
# them, and each signature is verified against the authority that QUORVANE_SIGN_AUTHORITY names
# (and the revocation list QUORVANE_SIGN_CRL, if given). Without a certificate the release is
# unsigned, and its RELEASE.txt says so.
#
# The version: major and minor from server/resources/resources.rc, then 0, then the commit's
# number in history (git rev-list --count), so that every commit's release is a later version
# than its parent's, which its installers upgrade. A shallow clone, which does not hold the
# history, is refused.
# For the release's upgrade test alone: QUORVANE_VERSION_OVERRIDE=a.b.c.d builds the modules as
# that version on the build trees that the last packaging left (only the version resource and
# the link are done again); its RELEASE.txt says that it was built so.
set -euo pipefail
case $0 in */*) cd "${0%/*}/.." ;; *) cd .. ;; esac
source tools/lib/release-inputs.sh
start_clean tools/package.sh "$@"
root=$PWD
# Every failure says where it happened: a tool whose output goes to a log may say nothing.
set -E
trap 'echo "package.sh: stopped: \"$BASH_COMMAND\" failed (status $?) at line $LINENO of" \
    "${BASH_SOURCE[0]}; the output of the tools is in build/package/tools.log" >&2' ERR
take_lock
secret=$root/build/package-signing
trap 'rm -rf "$secret"' EXIT
tools/install-deps.sh
export PYTHONDONTWRITEBYTECODE=1 # no __pycache__ in packaging/
override=${QUORVANE_VERSION_OVERRIDE:-}
check_version_override "$override"
check_tree
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || :)}
if ! [[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]]; then
    refuse "SOURCE_DATE_EPOCH: set it to the release's time (seconds since 1970), or package a" \
        "git checkout, whose last commit gives it"
fi
check_signing "$secret"

work=$root/build/package
source=$work/source
if [ -n "$override" ]; then
    find "$work" -mindepth 1 -maxdepth 1 ! -name source -exec rm -rf {} + 2>/dev/null || :
else
    rm -rf "$work"
fi
export_tree "$source"
version=${override:-$(python3 packaging/identities.py source_version \
    "$source/server/resources/resources.rc").0.$revision}
stage=$work/dist
mkdir -p "$stage"
log=$work/tools.log
# From here on, everything comes from the exported tree.
cd "$source"

# Clean builds of the module: the test builds' configuration, with debug information that names
# the sources relative to this folder. (The linker dates the module by SOURCE_DATE_EPOCH.)
declare -A triplet=([x86]=i686-w64-mingw32 [x64]=x86_64-w64-mingw32)
declare -A toolchain=([x86]=mingw-i686 [x64]=mingw-x86_64)
declare -A built=([x86]=$source/build/x86 [x64]=$source/build/x64)
for bits in x86 x64; do
    cmake -S . -B "${built[$bits]}" --no-warn-unused-cli \
        -DCMAKE_TOOLCHAIN_FILE="cmake/${toolchain[$bits]}.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DQUORVANE_WINE_TESTS=OFF -DQUORVANE_RELEASE_DEBUG_INFO=ON \
        -DQUORVANE_VERSION_OVERRIDE="$version" >>"$log"
    cmake --build "${built[$bits]}" -j"$(nproc)" --target Quorvane >>"$log"
done

idl=server/automation/quorvane.idl
module=Quorvane.ocx
identity() { python3 packaging/identities.py "$@"; }
name=$(identity idl "$idl" library_name)
for bits in x86 x64; do
    [ "$(identity version "${built[$bits]}/$module")" = "$version" ] ||
        refuse "the $bits module is not version $version"
done
release=$name-$version${development:+-development}
folder=$stage/$release
symbols=$work/symbols/$release

# Authenticode signing with osslsigncode, when a certificate is given, each signature verified
# as it is made against the authority alone (the PKCS#12's certificates prove nothing). The
# password reaches it through a file, never on a command line. No timestamp server can be
# reached from where the release is built, so the signatures carry no timestamp (and the
# certificate must outlive the build by a margin, tools/lib/release-inputs.sh). The release is a
# company's, the signatures are of the commercial kind (-comm), not an individual's.
sign() { # file
    [ -n "$signer" ] || return 0
    osslsigncode sign -pkcs12 "$QUORVANE_SIGN_PFX" -readpass "$password" -h sha256 -comm \
        -n "$name" -in "$1" -out "$1.signed" >/dev/null
    mv "$1.signed" "$1"
    osslsigncode verify "${verify_options[@]}" -in "$1" >"$work/verify.log" 2>&1 ||
        { cat "$work/verify.log" >&2; refuse "the signature of $1 does not verify"; }
}

# The modules, stripped; the debug information goes to a file that each module names (GNU
# debug link, with the file's checksum) and that lands beside it when the symbols are unzipped.
for bits in x86 x64; do
    mkdir -p "$folder/$bits/$name" "$symbols/$bits/$name" "$folder/sdk/$bits"
    debug=$symbols/$bits/$name/$module.debug
    "${triplet[$bits]}-objcopy" --only-keep-debug "${built[$bits]}/$module" "$debug"
    "${triplet[$bits]}-objcopy" --strip-all --add-gnu-debuglink="$debug" "${built[$bits]}/$module" \
        "$folder/$bits/$name/$module"
    sign "$folder/$bits/$name/$module"
    cp "${built[$bits]}/server/Quorvane.tlb" "$folder/sdk/$bits/$name.tlb"
done

# What C and C++ clients compile against. widl writes the same declarations for both bitnesses.
stem=$(basename "$idl" .idl)
for generated in "${stem}_idl.h" "${stem}_idl_i.c"; do
    cmp -s "${built[x86]}/server/$generated" "${built[x64]}/server/$generated" ||
        { echo "widl's $generated differs between the bitnesses" >&2; exit 1; }
    cp "${built[x86]}/server/$generated" "$folder/sdk/"
done
# The IDL, and the headers of its own that it includes.
cp "$idl" "$folder/sdk/"
sed -n 's/^#include "\(.*\)"$/\1/p' "$idl" | while read -r included; do
    cp "$(dirname "$idl")/$included" "$folder/sdk/"
done

# The documentation, and the samples it quotes (examples/build-mingw.sh builds the C and C++
# ones against sdk/ from the release folder), as the exported tree holds them; the licence and
# the changes of each version.
cp -r docs examples LICENSE CHANGELOG.md "$folder/"

# The release text, which names the commit and says whether the release is signed.
if [ -n "$development" ]; then
    origin="A development release, built from ${commit:-sources outside git}${commit:+ with changes
that were not committed}: it cannot be made again from a commit. Not for users. Its
installers are another product than the release's: neither installs over the other."
else
    origin="Built from commit $commit."
fi
if [ -n "$override" ]; then
    origin="$origin
Built as version $override (QUORVANE_VERSION_OVERRIDE), which is not the version that these
sources give: for testing an upgrade, not for users."
fi
if [ -n "$signer" ]; then
    signature="Both modules and both installers are signed with Authenticode (SHA-256) by
$signer, whose certificate expires on $signer_expires.
It chains to the authority $signer_authority.
The signatures are of the commercial kind: this is the release of the Quorvane authors, not
a person's.
The signatures carry no timestamp, so they verify only until the certificate expires."
else
    signature="This release is not signed: neither the modules nor the installers carry a
signature. Check the files against SHA256SUMS, or rebuild the release as below."
fi
sed -e "s/@NAME@/$name/g" -e "s/@VERSION@/$version/g" -e "s/@MODULE@/$module/g" \
    -e "s/@CLASS@/$(identity idl "$idl" class_name)/g" -e "s/@IDL@/$stem.idl/g" \
    -e "s/@IDL_STEM@/$stem/g" packaging/RELEASE.txt.in |
    awk -v signature="$signature" -v origin="$origin" '$0 == "@SIGNATURE@" { print signature; next }
        $0 == "@ORIGIN@" { print origin; next } { print }' >"$folder/RELEASE.txt"
! grep -n '@[A-Z_]*@' "$folder/RELEASE.txt" >&2 ||
    refuse "RELEASE.txt keeps the placeholders above: packaging/RELEASE.txt.in is not as the" \
        "packaging writes it"

# The registration, harvested: each bitness's released module registers itself in a scratch
# prefix, and the registry files are kept before and after (the wineserver writes them as it
# ends).
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
declare -A loader=([x86]=wine [x64]=$(dpkg -L wine64 | grep '/wine/wine64$' | head -n1))
trap 'wineserver -k 2>/dev/null || true; rm -rf "$secret"' EXIT
wineboot -i >>"$log" 2>&1
snapshot() {
    wineserver -k 2>/dev/null || true
    wineserver -w
    cp "$WINEPREFIX/system.reg" "$work/$1.reg"
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
released() { windows_path "$folder/$1/$name/$module"; } # bits
regsvr() { "${loader[$1]}" regsvr32 /s "${@:2}" "$(released "$1")" >>"$log" 2>&1; } # bits [/u]
snapshot clean
regsvr x86
snapshot x86
regsvr x86 /u
snapshot unregistered
regsvr x64
snapshot x64
wineserver -k 2>/dev/null || true
python3 packaging/harvest.py "$work/harvest.json" \
    --x86 "$work/clean.reg" "$work/x86.reg" "$(released x86)" \
    --x64 "$work/unregistered.reg" "$work/x64.reg" "$(released x64)"
rm -rf "$WINEPREFIX"

# Registration-free use, and the installers.
for bits in x86 x64; do
    # The installer's check of the install folder, a native custom action (no script engine).
    # A fixed image base: ld's automatic one hashes the output's path, which differs by checkout.
    "${triplet[$bits]}-gcc" -std=c11 -Wall -Wextra -Werror -O2 -shared -s -static-libgcc \
        -Wl,--kill-at,--disable-auto-image-base -o "$work/folder_check-$bits.dll" \
        packaging/folder_check.c -lmsi >>"$log"
    sign "$work/folder_check-$bits.dll"
    python3 packaging/make_manifests.py assembly "$folder/$bits/$name/$name.manifest" \
        --bits "$bits" --idl "$idl" --harvest "$work/harvest.json" \
        --module "$folder/$bits/$name/$module"
    python3 packaging/make_wxs.py "$work/$name-$bits.wxs" --bits "$bits" --idl "$idl" \
        --harvest "$work/harvest.json" --module "$folder/$bits/$name/$module" \
        --file "$folder/LICENSE" --file "$folder/CHANGELOG.md" ${development:+--development}
    # The cabinet in the package keeps the files' dates: the commit's.
    touch -d "@$SOURCE_DATE_EPOCH" "$folder/$bits/$name/$module" "$folder/LICENSE" \
        "$folder/CHANGELOG.md"
    # wixl looks for the module's relative path in the current folder before the WiX source's,
    # where the last release's dist/ could answer: it runs in the WiX source's.
    (cd "$work" && wixl -a "$bits" -o "$folder/$name-$bits.msi" "$name-$bits.wxs")
    python3 packaging/msi_versioned_file.py "$folder/$name-$bits.msi" \
        "$folder/$bits/$name/$module"
    python3 packaging/msi_folder_check.py "$folder/$name-$bits.msi" "$folder/$bits/$name/$module" \
        "$work/folder_check-$bits.dll"
    python3 packaging/msi_summary.py "$folder/$name-$bits.msi" "$work/$name-$bits.wxs"
    sign "$folder/$name-$bits.msi"
    # The installer holds the module released beside it.
    rm -rf "$work/extracted"
    msiextract -C "$work/extracted" "$folder/$name-$bits.msi" >/dev/null
    cmp -s "$(find "$work/extracted" -name "$module")" "$folder/$bits/$name/$module" ||
        refuse "the $bits installer holds another $module than the release's"
done
python3 packaging/make_manifests.py application "$folder/app.exe.manifest" --idl "$idl" \
    --module "$folder/x86/$name/$module"
# The folder's own checksums, which travel in the zip with it.
(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum) \
    >"$work/SHA256SUMS"
mv "$work/SHA256SUMS" "$folder/"
python3 packaging/zip_tree.py "$stage/$release.zip" "$folder"
python3 packaging/zip_tree.py "$stage/$release-symbols.zip" "$symbols"
(cd "$stage" && sha256sum "$release.zip" "$release-symbols.zip" &&
    find "$release" -type f | LC_ALL=C sort | xargs -d '\n' sha256sum) >"$stage/SHA256SUMS"
(cd "$stage" && sha256sum --quiet -c SHA256SUMS)

# The new release is whole: it takes the place of the last one.
cd "$root"
rm -rf "$work/replaced"
if [ -e dist ]; then mv dist "$work/replaced"; fi
mv "$stage" dist
rm -rf "$work/replaced"
echo "dist/: $release, its zip, its symbols and SHA256SUMS"
