#!/usr/bin/env bash
# Every option a program's --help offers is written in the README, so the two cannot drift
# apart. Arguments: README PROGRAM...
set -uo pipefail
readme="$1"
shift
failures=0
for program in "$@"; do
    help=$("$program" --help 2>&1) || true
    [ -n "$help" ] || { echo "FAIL: $program --help printed nothing"; failures=$((failures + 1)); }
    for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        if grep -qE -- "${option}([^a-z-]|\$)" "$readme"; then
            echo "ok: $(basename "$program") $option"
        else
            echo "FAIL: $(basename "$program") offers $option, which the README never mentions"
            failures=$((failures + 1))
        fi
    done
done
[ "$failures" -eq 0 ]
