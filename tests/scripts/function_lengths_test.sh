#!/usr/bin/env bash
# No function in src/ runs over 60 lines, and the counter sees through what could fool a
# reader of braces: lambdas, raw strings, braces in strings and comments, constructors with
# initialisers, tables at namespace level.
set -uo pipefail
lengths="$1"
project="$2"
failures=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

check() {  # check DESCRIPTION WANT_STATUS WANT_TEXT FILE
    local what=$1 want=$2 text=$3 file=$4 got=0 out
    out=$(perl "$lengths" --max 60 --top 3 "$file" 2>&1) || got=$?
    if [ "$got" -ne "$want" ] || ! grep -qF -- "$text" <<<"$out"; then
        echo "FAIL: $what: exit $got (want $want), output:"
        echo "$out"
        failures=$((failures + 1))
    else
        echo "ok: $what"
    fi
}

body() {  # body N: N lines of statements
    for ((i = 0; i < $1; ++i)); do echo "    x += $i;"; done
}

out=0
perl "$lengths" --max 60 "$project/src" >"$tmp/project.txt" 2>&1 || out=$?
if [ "$out" -ne 0 ]; then
    echo "FAIL: functions in src/ over 60 lines:"
    cat "$tmp/project.txt"
    failures=$((failures + 1))
else
    echo "ok: no function in src/ over 60 lines"
fi

{
    echo 'namespace n {'
    echo 'constexpr int kTable[] = {1, 2, 3};'
    echo 'struct S { S(int a) : m(a) {'
    body 3
    echo '} int m; };'
    echo 'void Short(int x) {'
    echo '    auto f = [&] { return "}}}"; };  // }'
    echo '    const char* raw = R"({{{)";'
    echo '    /* { */'
    body 55
    echo '}'
    echo '}  // namespace n'
} >"$tmp/short.cpp"
check "60 lines with lambdas, strings, comments and raw strings pass" 0 "Short" "$tmp/short.cpp"

{
    echo 'class C {'
    echo 'public:'
    echo '    int Long(int x) const {'
    echo '        auto f = [x](int y) {'
    body 30
    echo '        };'
    body 27
    echo '    }'
    echo '};'
    echo 'C::C(int a, int b) : m_a(a), m_b(b) {'
    echo '}'
} >"$tmp/long.cpp"
check "61 lines inside a class are named" 1 "Long (" "$tmp/long.cpp"
check "a constructor is named by its class, not its initialisers" 1 "C::C  (" "$tmp/long.cpp"
check "the count includes the braces" 1 "has 61 lines" "$tmp/long.cpp"

[ "$failures" -eq 0 ]
