#!/usr/bin/env bash
# What tools/package.sh refuses: given each input that it must not package, it stops before it
# builds anything, says why (each case checks the reason printed), and leaves the last dist/ as
# it was; where a rule has a limit, the value at the limit is accepted. Runs in a clone of this
# checkout whose commit holds the working copy (committed there), so that the scripts tested are
# the ones being changed, in a tree that is its commit. Certificates from a throwaway authority
# (tests/package/test_authority.sh). Takes about a minute; needs no build.
# Prints "N passed, N failed"; fails on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build/release-refusal-test
rm -rf "$work"
mkdir -p "$work"
source tests/package/test_authority.sh
source tools/lib/working-copy.sh
source tools/lib/tally.sh
ca=$work/ca
make_test_authority "$ca" "$(python3 packaging/identities.py idl server/automation/quorvane.idl \
    library_name)"

tree=$work/tree
git clone -q "$root" "$tree"
git -C "$tree" checkout -q --detach "$(git rev-parse HEAD)"
copy_changes "$tree"
commit() { git -C "$tree" -c user.name=test -c user.email=test@example.invalid commit -qm "$1"; }
git -C "$tree" add -A
git -C "$tree" diff --cached --quiet || commit "the working copy"
# A packaging that goes on where it should have refused stops at its first build step (and fails
# its case) rather than building for minutes.
stubs=$work/stubs
mkdir -p "$stubs"
printf '%s\n' '#!/bin/sh' 'exit 1' >"$stubs/cmake"
chmod +x "$stubs/cmake"
export PATH=$stubs:$PATH
mkdir -p "$tree/dist/last-release"
echo "the last release" >"$tree/dist/last-release/RELEASE.txt"
(cd "$tree" && find dist -type f | xargs sha256sum) >"$work/last-dist"

# package.sh with the settings given and no other; its output in $work/package.log.
package_with() { # [setting=value...]
    local unset=() setting
    for setting in $(compgen -A export QUORVANE_); do unset+=(-u "$setting"); done
    (cd "$tree" && env "${unset[@]}" "$@" tools/package.sh) >"$work/package.log" 2>&1
}
# It fails, saying the reason, before it builds.
refused_because() { # reason [setting=value...]
    if package_with "${@:2}"; then echo "packaged with ${*:2}" >&2; return 1; fi
    grep -qF -- "$1" "$work/package.log" ||
        { echo "refused without saying \"$1\":" >&2; cat "$work/package.log" >&2; return 1; }
    (cd "$tree" && sha256sum --quiet -c "$work/last-dist") && [ ! -e "$tree/build/package" ]
}
# It passes every check and stops at the stand-in cmake.
accepted() { # [setting=value...]
    if package_with "$@"; then return 1; fi
    grep -qF 'package.sh: stopped: "cmake -S' "$work/package.log" ||
        { echo "not accepted:" >&2; cat "$work/package.log" >&2; return 1; }
    rm -rf "$tree/build/package"
}
signed_with() { # reason certificate [setting=value...]
    refused_because "$1" QUORVANE_SIGN_PFX="$ca/$2.pfx" QUORVANE_SIGN_PASSWORD_FILE="$ca/password" \
        QUORVANE_SIGN_AUTHORITY="$ca/ca.pem" "${@:3}"
}

certificate_use() {
    signed_with "has expired" expired
    signed_with "the certificate expires within 30 days" short
    signed_with "not for code signing" tls
    signed_with "not for code signing" individual
    signed_with "key usage does not allow digital signatures" encipher
}
certificate_strength() {
    signed_with "key is weak: 1024 bits" weak-key
    signed_with "signed with a weak hash: sha1WithRSAEncryption" sha1
}
certificate_authority() {
    signed_with "is self-signed" self-signed QUORVANE_SIGN_AUTHORITY="$ca/self-signed.pem"
    signed_with "does not chain to QUORVANE_SIGN_AUTHORITY" signer \
        QUORVANE_SIGN_AUTHORITY="$ca/other-ca.pem"
    signed_with "does not chain to QUORVANE_SIGN_AUTHORITY" orphan
    # An authority that the machine trusts (OpenSSL's default folder of roots, here through
    # SSL_CERT_DIR) is no authority of the release's.
    local machine=$work/machine
    mkdir -p "$machine/roots"
    cp "$ca/ca.pem" "$machine/roots/" && openssl rehash "$machine/roots"
    printf '%s\n' '#!/bin/sh' "SSL_CERT_DIR='$machine/roots' exec $(command -v openssl) \"\$@\"" \
        >"$machine/openssl"
    chmod +x "$machine/openssl"
    signed_with "issued by CN = Quorvane test authority, does not chain to" signer \
        QUORVANE_SIGN_AUTHORITY="$ca/other-ca.pem" PATH="$machine:$PATH"
    signed_with "is revoked" revoked QUORVANE_SIGN_CRL="$ca/crl.pem"
    accepted QUORVANE_SIGN_PFX="$ca/chained.pfx" QUORVANE_SIGN_PASSWORD_FILE="$ca/password" \
        QUORVANE_SIGN_AUTHORITY="$ca/ca.pem"
}
signing_settings() {
    refused_because "needs QUORVANE_SIGN_AUTHORITY" QUORVANE_SIGN_PFX="$ca/signer.pfx" \
        QUORVANE_SIGN_PASSWORD_FILE="$ca/password"
    refused_because "QUORVANE_SIGN_PFX needs its password" QUORVANE_SIGN_PFX="$ca/signer.pfx" \
        QUORVANE_SIGN_AUTHORITY="$ca/ca.pem"
    echo wrong >"$work/wrong-password"
    signed_with "the password does not open" signer QUORVANE_SIGN_PASSWORD_FILE="$work/wrong-password"
    refused_because "QUORVANE_SIGN_PFX is not" QUORVANE_SIGN_PASSWORD_FILE="$ca/password"
    refused_because "QUORVANE_SIGN_PFX is not" QUORVANE_SIGN_PASSWORD=secret
    local misspelled
    for misspelled in QUORVANE_SIGN_PXF QUORVANE_SIGNING_PFX QUORVANE_PFX quorvane_sign_pfx \
        QUARVANE_SIGN_PFX Quorvane_Sign_Authority QUORVANESIGN_PFX; do
        refused_because "$misspelled: no such setting" "$misspelled=$ca/signer.pfx" \
            QUORVANE_SIGN_PASSWORD_FILE="$ca/password" QUORVANE_SIGN_AUTHORITY="$ca/ca.pem"
    done
    refused_because "warning: QUORVANE_FUZZ_SEED is no setting" QUORVANE_FUZZ_SEED=1 \
        QUORVANE_SIGN_PASSWORD=secret
}
versions() {
    refused_because "without leading zeros" QUORVANE_VERSION_OVERRIDE=1.1.0.010
    refused_because "without leading zeros" QUORVANE_VERSION_OVERRIDE=1.1.0.+5
    refused_because "256 is above 255" QUORVANE_VERSION_OVERRIDE=256.0.0.0
    refused_because "100 is above 99" QUORVANE_VERSION_OVERRIDE=1.100.0.0
    refused_because "1 is above 0" QUORVANE_VERSION_OVERRIDE=1.1.1.0
    refused_because "10000 is above 9999" QUORVANE_VERSION_OVERRIDE=1.1.0.10000
    refused_because "65535 is above 9999" QUORVANE_VERSION_OVERRIDE=1.1.0.65535
    accepted QUORVANE_VERSION_OVERRIDE=255.99.0.9999
}
# A file not committed; a change that git is told to skip; a committed link.
not_the_commit() {
    touch "$tree/not-committed"
    refused_because "QUORVANE_DEVELOPMENT_RELEASE=1"
    rm "$tree/not-committed"
    echo changed >>"$tree/docs/README.md"
    git -C "$tree" update-index --skip-worktree docs/README.md
    refused_because "hidden from git status: docs/README.md"
    git -C "$tree" update-index --no-skip-worktree docs/README.md
    git -C "$tree" checkout -q docs/README.md
    ln -s /etc/hostname "$tree/docs/hostname"
    git -C "$tree" add docs/hostname
    commit "a link"
    refused_because "docs/hostname is a symbolic link"
    git -C "$tree" reset -q --hard HEAD~1
    # The same link where git writes links as files (core.symlinks=false): git status is clean.
    git -C "$tree" config core.symlinks false
    printf /etc/hostname >"$tree/docs/hostname"
    git -C "$tree" update-index --add --cacheinfo \
        "120000,$(git -C "$tree" hash-object -w docs/hostname),docs/hostname"
    commit "a link written as a file"
    [ -z "$(git -C "$tree" status --porcelain)" ]
    refused_because "docs/hostname is a symbolic link in commit"
    git -C "$tree" reset -q --hard HEAD~1
    git -C "$tree" config --unset core.symlinks
}
# A shallow clone holds too little of the history to count it.
shallow_clone() {
    git clone -q --depth 1 "file://$tree" "$work/shallow"
    ! (cd "$work/shallow" && tools/package.sh) >"$work/package.log" 2>&1 &&
        grep -qF "a shallow clone: the release's version counts the commits" "$work/package.log" &&
        [ ! -e "$work/shallow/build/package" ]
}
one_at_a_time() {
    mkdir -p "$tree/build/package-signing"
    echo "a killed run's" >"$tree/build/package-signing/password"
    refused_because "above 9999" QUORVANE_VERSION_OVERRIDE=1.1.0.10000
    [ ! -e "$tree/build/package-signing" ]
    local lock
    exec {lock}>"$tree/build/package.lock"
    flock -n "$lock"
    refused_because "another packaging of this checkout is running"
}
# Tools that write down their environment, in front of the real ones on PATH.
spy=$work/spy
mkdir -p "$spy"
for tool in git dpkg-query; do
    printf '%s\n' '#!/bin/sh' "env >>\"$work/tools.env\"" \
        "exec \"$(command -v $tool)\" \"\$@\"" >"$spy/$tool"
    chmod +x "$spy/$tool"
done
password_first_of_all() {
    refused_because "needs QUORVANE_SIGN_AUTHORITY" PATH="$spy:$PATH" \
        QUORVANE_SIGN_PFX="$ca/signer.pfx" QUORVANE_SIGN_PASSWORD=the-password-Zq7
    [ -s "$work/tools.env" ] && ! grep -q -e the-password-Zq7 -e QUORVANE_SIGN_PASSWORD \
        "$work/tools.env"
}
clean_environment() {
    git() { touch "$work/function-ran"; command git "$@"; }
    export -f git
    refused_because "needs QUORVANE_SIGN_AUTHORITY" SHELLOPTS=xtrace \
        QUORVANE_SIGN_PFX="$ca/signer.pfx" QUORVANE_SIGN_PASSWORD=the-password-Zq7
    [ ! -e "$work/function-ran" ] && ! grep -q the-password-Zq7 "$work/package.log"
}
# A tool that fails without a word.
says_where_it_stopped() {
    mkdir -p "$work/silent"
    printf '%s\n' '#!/bin/sh' 'exit 3' >"$work/silent/date"
    chmod +x "$work/silent/date"
    signed_with "package.sh: stopped: " signer PATH="$work/silent:$PATH"
}

check "refused: an expired certificate, one expiring within the margin, one not for code signing (TLS, individual), one whose key usage is not signing" \
    certificate_use
check "refused: a certificate with an RSA-1024 key, one signed with SHA-1" certificate_strength
check "refused: a self-signed certificate as its own authority, one of another authority (also one the machine trusts), a PKCS#12 without its issuer, a revoked one; accepted: one with its intermediate" \
    certificate_authority
check "refused: no authority, no password, a wrong one, a password alone, misspelled settings and prefixes in any case; unknown ones named" \
    signing_settings
check "refused: versions with a leading zero, a sign, a field above its limit; 255.99.0.9999 accepted" \
    versions
check "refused: a file not committed, a change hidden by skip-worktree, a committed link (also written as a file)" \
    not_the_commit
check "refused: a shallow clone, whose history does not give the version" shallow_clone
check "one at a time: refused while another packaging runs; a killed run's password file removed" \
    one_at_a_time
check "the password is out of the environment before git or dpkg-query runs" password_first_of_all
check "a clean environment: an exported function and SHELLOPTS=xtrace do not reach it" \
    clean_environment
check "a tool failing without a word: package.sh says where it stopped" says_where_it_stopped

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && rm -rf "$work"
[ "$failed" -eq 0 ]
