#!/usr/bin/env bash
# Every option a program's --help offers is written in the README and in the program's man
# page, so they cannot drift apart. Arguments: README PROGRAM[=MANPAGE]...
set -uo pipefail
readme="$1"
shift
failures=0

# mentions FILE PATTERN WHAT: whether FILE holds PATTERN (an extended regular expression).
mentions() {
    if grep -qE -- "$2" "$1"; then
        echo "ok: $3"
    else
        echo "FAIL: $3"
        failures=$((failures + 1))
    fi
}

for entry in "$@"; do
    program=${entry%%=*}
    manpage=""
    [ "$entry" = "$program" ] || manpage=${entry#*=}
    name=$(basename "$program")
    help=$("$program" --help 2>&1) || true
    [ -n "$help" ] || { echo "FAIL: $name --help printed nothing"; failures=$((failures + 1)); }
    for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        mentions "$readme" "${option}([^a-z-]|\$)" "the README names $name's $option"
        if [ -n "$manpage" ]; then
            escaped=${option//-/\\\\-}
            mentions "$manpage" "${escaped}([^a-z\\\\-]|\$)" "$(basename "$manpage") names $option"
        fi
    done
done
[ "$failures" -eq 0 ]
