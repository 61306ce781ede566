# Counts the checks of a test script and prints each as PASS or FAIL; sourced.
passed=0
failed=0
record() { # name status
    if [ "$2" -eq 0 ]; then
        passed=$((passed + 1))
        echo "PASS $1"
    else
        failed=$((failed + 1))
        echo "FAIL $1"
    fi
}
check() { # name command...: the command runs in a subshell that stops at its first failure
    set +e
    (set -e; "${@:2}")
    local status=$?
    set -e
    record "$1" "$status"
}
