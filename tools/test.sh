#!/usr/bin/env bash
# Runs every test, each suite a ctest test of its build's preset (CMakePresets.json):
# - native: the native suite, the artwork check and the CI workflows' check (actionlint);
# - asan: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer;
# - win32, win64: the Windows module's tests under Wine, each bitness in a fresh prefix, and a
#   smoke run of the COM benchmark; then, in the 64-bit build, what needs both bitnesses: what
#   removing one registration does to the other, the release (tools/package.sh) and its tests,
#   the alarm on the real clock, and the samples that the docs show.
# `ctest --preset win64 -L release` (labels: native, wine, release, realclock, samples) runs a
# part once the builds are there.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
jobs=$(nproc)

# A tree with changes not committed gives a development release (package.sh refuses it
# otherwise).
if [ -n "$(git status --porcelain)" ]; then export QUORVANE_DEVELOPMENT_RELEASE=1; fi

for preset in native asan win32 win64; do
    cmake --preset "$preset" --no-warn-unused-cli >/dev/null
    cmake --build --preset "$preset" -j"$jobs"
done
for preset in native asan win32 win64; do
    ctest --preset "$preset" -j"$jobs"
done
