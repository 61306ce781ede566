#!/usr/bin/env bash
# Starts one suite for ctest: `suite.sh [--wine32 LOADER] [--wine64 LOADER] -- COMMAND...`.
# Each loader given (the build's emulator, or the other bitness's loader that it found) must be
# a program that runs, or the suite fails naming it; the scripts take them from QUORVANE_WINE32
# and QUORVANE_WINE64. On Windows no loader is given and the programs run as they are.
set -euo pipefail
while [ "$1" != -- ]; do
    case "$1" in
    --wine32 | --wine64)
        if [ ! -x "$2" ] || [ -d "$2" ]; then
            echo "cannot find the Wine loader for ${1#--wine}-bit programs: '$2'" >&2
            exit 1
        fi
        export "QUORVANE_WINE${1#--wine}=$2"
        ;;
    *)
        echo "suite.sh: unknown option $1" >&2
        exit 2
        ;;
    esac
    shift 2
done
shift
exec bash "$@"
