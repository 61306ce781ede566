#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, and nothing when it is all there.
set -euo pipefail

native=(cmake g++ make python3 libgtest-dev libgmock-dev googletest libbenchmark-dev)
windows=(wine wine64 wine32:i386 libwine:i386 libwine:amd64 libwine-dev g++-mingw-w64-i686
         g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64 wine64-tools xvfb xauth
         imagemagick wixl msitools osslsigncode openssl
         faketime libfaketime libfaketime:i386 tzdata)

wanted=("${native[@]}")
[ "${1:-}" = "--native-only" ] || wanted+=("${windows[@]}")

missing=()
for package in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
