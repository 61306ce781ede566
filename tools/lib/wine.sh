# What the scripts that test under Wine share: Windows paths, fresh prefixes, and GoogleTest
# programs judged by their own report; sourced, after `root` is set.

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A fresh prefix at $1, as wineboot leaves a new one: a copy of a pristine prefix that is made
# once (under build/, again when Wine changes) and never run in, so that nothing a run leaves
# behind, such as a value of a faulty registration, reaches a later run. Its system binaries
# are hard links to the pristine ones (a copy of them all takes some 20 s): Wine writes those
# only when it updates a prefix to another version of itself. Everything else is copied.
fresh_prefix_at() { # folder
    local pristine=$root/build/wineprefix-pristine made_by
    made_by=$(wine --version)
    if [ "$(cat "$pristine/.made-by" 2>/dev/null)" != "$made_by" ]; then
        rm -rf "$pristine" "$pristine.new"
        WINEPREFIX=$pristine.new wineboot -i >/dev/null 2>&1
        WINEPREFIX=$pristine.new wineserver -w
        printf '%s\n' "$made_by" >"$pristine.new/.made-by"
        mv "$pristine.new" "$pristine"
    fi
    [ ! -e "$1" ] || { WINEPREFIX=$1 wineserver -k 2>/dev/null || true; }
    rm -rf "$1"
    mkdir -p "$(dirname "$1")"
    cp -al "$pristine" "$1"
    local file
    find "$1" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.ocx' -o -iname '*.drv' \
        -o -iname '*.sys' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.vxd' -o -iname '*.ds' \
        -o -iname '*.tlb' -o -iname '*.nls' \) -print0 |
        while IFS= read -r -d '' file; do cp -p "$file" "$file.copy" && mv -f "$file.copy" "$file"; done
}

# Starts the services of the prefix in WINEPREFIX, what they print going to a log, and keeps its
# server (and so them) up until `wineserver -k`. Wine's own processes then print into that log,
# never into what a test's program prints: in a new prefix winedevice.exe sometimes faults as it
# starts (in Wine itself, with no control loaded), and its crash must neither fail a test nor
# pass for the test's own. Call it again after ending the server.
start_services() { # log
    wineserver -p
    wineboot >>"$1" 2>&1
}

# Runs a program under Wine as a test's: its standard output to a file, its standard error to
# the end of a log. It fails when the program exits with a status other than 0 or crashed, which
# Wine says on the program's standard error ("wine: Unhandled page fault ...", even where the
# status is 0); once start_services has run, no other process of the prefix prints there.
runs_cleanly() { # output log command...
    local errors status=0
    errors=$(mktemp)
    "${@:3}" >"$1" 2>"$errors" || status=$?
    cat "$errors" >>"$2"
    if grep -qE '^wine: (Unhandled|Call from .* to unimplemented function)' "$errors"; then
        echo "crashed: ${*:3}" >&2
        status=1
    elif [ "$status" -ne 0 ]; then
        echo "exit status $status: ${*:3}" >&2
    fi
    rm -f "$errors"
    return "$status"
}

# Runs a program under Wine as runs_cleanly does and compares what it printed on its standard
# output, whole, with a file (script hosts exit 0 even on a runtime error, so a script's last
# line says it got there).
prints_expected() { # expected log command...
    local file status=0
    file=$(mktemp)
    runs_cleanly "$file" "$2" "${@:3}" || status=$?
    [ "$status" -ne 0 ] || diff -u "$1" - <<<"$(tr -d '\r' <"$file")" || status=1
    rm -f "$file"
    return "$status"
}

# Runs a GoogleTest program under Wine and says whether it passed by its own report: it must
# have written one that holds every test that its listing for the same filter names, none
# failed; and it must exit 0. The exit status alone says nothing: a program that crashes after
# printing its results can still exit 0. Each run of the program has QUORVANE_WINE_TEST_SECONDS
# to end (default 1200: the slowest takes under a minute, the rest is for a busy machine); one
# that hangs fails, and the prefix's wineserver is ended with it, so that no process of the
# prefix keeps the pipe open.
gtest_passes() { # loader program filter [option...]
    local reports=$root/build/gtest-reports status=0
    mkdir -p "$reports"
    local listing report
    listing=$(mktemp "$reports/listing.XXXXXX")
    report=${listing/listing./report.}.xml
    within_time "$1" "$2" --gtest_list_tests --gtest_filter="$3" "${@:4}" | tr -d '\r' >"$listing" ||
        status=$?
    if [ "$status" -eq 0 ]; then
        within_time "$1" "$2" --gtest_brief=1 --gtest_filter="$3" "${@:4}" \
            --gtest_output="xml:$(windows_path "$report")" || status=$?
        python3 "$root/tools/lib/gtest_report.py" "$listing" "$report" || status=1
    fi
    rm -f "$listing" "$report"
    return "$status"
}

# Runs a Wine program for at most QUORVANE_WINE_TEST_SECONDS; past that, it is killed with every
# process of the prefix, and its status is 124.
within_time() { # loader program [argument...]
    local status=0
    timeout --kill-after=10 "${QUORVANE_WINE_TEST_SECONDS:-1200}" "$@" || status=$?
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        echo "timed out after ${QUORVANE_WINE_TEST_SECONDS:-1200} s: $*" >&2
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        status=124
    fi
    return "$status"
}

# The Wine loader of a bitness: the one that ctest hands over (the build's emulator, or the
# other bitness's loader that the 64-bit build found), else Debian's own.
wine_loader() { # 32|64
    local given=QUORVANE_WINE$1
    if [ -n "${!given:-}" ]; then
        printf '%s\n' "${!given}"
    elif [ "$1" = 32 ]; then
        echo wine
    else
        dpkg -L wine64 | grep '/wine/wine64$' | head -n1
    fi
}
