#!/usr/bin/env bash
# The layer check passes on the project, and each kind of upward include planted in a copy of
# a clean tree is caught.
set -uo pipefail
check="$1"
project="$2"
failures=0

expect() {  # expect STATUS DESCRIPTION ROOT
    local want=$1 what=$2 root=$3 got=0 out
    out=$("$check" "$root" 2>&1) || got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: $what: exit $got, want $want"
        echo "$out"
        failures=$((failures + 1))
    else
        echo "ok: $what"
    fi
}

expect 0 "the project itself" "$project"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# plant NAME FILE LINE: a tree of clean files with one offending line added to FILE.
plant() {
    local root="$tmp/$1" file=$2 line=$3
    mkdir -p "$root"/src/{platform/posix,platform/win32,protocol,form,clock,program,ui/qt,ui/win32,app/linux}
    echo '#include <vector>' >"$root/src/protocol/messages.cpp"
    echo '#include "platform/wall_clock.h"' >"$root/src/form/window.cpp"
    echo '#include "form/window.h"' >"$root/src/program/program.cpp"
    echo '#include "protocol/messages.h"' >"$root/src/clock/clock_model.cpp"
    echo '#include <unistd.h>' >"$root/src/platform/posix/clock.cpp"
    echo '#include <windows.h>' >"$root/src/platform/win32/clock.cpp"
    echo '#include <QWidget>' >"$root/src/ui/qt/view.cpp"
    echo '#include "app/options.h"' >"$root/src/app/linux/main.cpp"
    echo "$line" >>"$root/src/$file"
    echo "$root"
}

expect 0 "a clean tree" "$(plant clean protocol/messages.cpp '#include <string>')"
expect 1 "the model includes a toolkit" "$(plant qt form/window.cpp '#include <QString>')"
expect 1 "the model includes an OS header" "$(plant os protocol/messages.cpp '#include <unistd.h>')"
expect 1 "the model includes an OS layer" \
    "$(plant osl form/window.cpp '#include "platform/posix/posix_wall_clock.h"')"
expect 1 "the model includes a view" "$(plant view form/window.cpp '#include "ui/qt/window_view.h"')"
expect 1 "a model folder includes one above it" \
    "$(plant up form/window.cpp '#include "program/program.h"')"
expect 1 "a model folder includes one beside it" \
    "$(plant side clock/clock_model.cpp '#include "form/window.h"')"
expect 1 "a model folder includes one above it two steps up" \
    "$(plant up2 protocol/messages.cpp '#include "transmit/transmission_tick.h"')"
expect 1 "POSIX includes Win32" \
    "$(plant pw platform/posix/clock.cpp '#include "platform/win32/win32_error.h"')"
expect 1 "Win32 includes a POSIX header" "$(plant wp platform/win32/clock.cpp '#include <termios.h>')"
expect 1 "the Qt view includes the Win32 view" \
    "$(plant qw ui/qt/view.cpp '#include "ui/win32/win32_view.h"')"
expect 1 "a view includes the wiring" "$(plant va ui/qt/view.cpp '#include "app/options.h"')"
expect 1 "the model asks for the OS" "$(plant ifdef form/window.cpp '#ifdef _WIN32')"
expect 0 "an OS folder may ask for the OS" "$(plant osok platform/win32/clock.cpp '#ifdef _WIN64')"

[ "$failures" -eq 0 ]
