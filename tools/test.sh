#!/usr/bin/env bash
# Runs every test: the artwork check, the native suite, the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows module's tests under Wine, a smoke run of the COM
# benchmark, the release's tests, the alarm on the real clock (the released modules with the
# system time moved) and the tests of the samples that the docs show.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)

# The pictures and the identifier resources are generated from committed sources.
tools/artwork/check.sh

cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$jobs"
ctest --test-dir build/native --output-on-failure -j"$jobs"

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON -DQUORVANE_BENCH=OFF >/dev/null
cmake --build build/asan -j"$jobs"
ctest --test-dir build/asan --output-on-failure -j"$jobs"

# Quorvane.ocx for 32-bit and 64-bit Windows, each with its test host; then everything that
# runs under Wine.
for target in win32:mingw-i686 win64:mingw-x86_64; do
    cmake -S . -B "build/${target%%:*}" --no-warn-unused-cli \
        -DCMAKE_TOOLCHAIN_FILE="cmake/${target##*:}.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "build/${target%%:*}" -j"$jobs"
done
tools/wine-test.sh

# The COM benchmark at its small sizes, both bitnesses: every call it times must succeed.
tools/com-bench.sh --quick

# The release: built from scratch into dist/, then tested the three ways it installs. A tree with
# changes not committed gives a development release (package.sh refuses it otherwise).
if [ -n "$(git status --porcelain)" ]; then export QUORVANE_DEVELOPMENT_RELEASE=1; fi
tools/package.sh
tools/wine-package-test.sh
tools/real-clock-test.sh
tools/examples-test.sh
