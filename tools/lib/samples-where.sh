#!/usr/bin/env bash
# Runs tools/examples-test.sh and then checks that it took the branch of where it runs, as the
# build says (cross-compiled: under Wine; else on Windows): each sample that hears the alarm
# (a .windows.expected file beside it) is reported for both bitnesses as not run here under
# Wine, never as passed, and as passed on Windows. `samples-where.sh wine|windows`.
set -uo pipefail
cd "$(dirname "$0")/../.."
log=$(mktemp)
trap 'rm -f "$log"' EXIT
tools/examples-test.sh | tee "$log"
status=${PIPESTATUS[0]}
while read -r script; do
    for bits in x86 x64; do
        if [ "$1" = wine ]; then
            grep -q "^NOT RUN here (needs Windows) $script, $bits " "$log" &&
                ! grep -q "^PASS $script" "$log" && continue
        else
            grep -q "^PASS $script, $bits " "$log" && continue
        fi
        echo "FAIL $script, $bits: not reported as it should be when run on $1" >&2
        status=1
    done
done < <(find examples -name '*.windows.expected' | sed 's/\.windows\.expected$//')
exit "$status"
