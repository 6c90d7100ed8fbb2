#!/usr/bin/env bash
# corvantis.exe's window under wine on a virtual X display, COM1 on a terminal device: the CPU
# the program's own process uses over SECONDS (default 60) with its window shown, after a 15 s
# settling time (the wine server's own share is not counted). Prints the figure.
# Usage: bench/win32_window_cost.sh WINDOWS_BUILD_DIR [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
exe="$1/src/app/win32/corvantis.exe"
seconds=${2:-60}
settings=$(mktemp -d)
trap 'kill $runner 2>/dev/null; sleep 1; rm -rf "$settings"' EXIT

# CPU ticks (user + system) of process $1.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

CORVANTIS_WINE_DISPLAY=1 CORVANTIS_TEST_PRESENT_COM=1 xvfb-run -a -s "-screen 0 1366x768x24" \
    "$root/cmake/wine-run.sh" "$exe" --settings-dir "Z:${settings//\//\\}" >/dev/null 2>&1 &
runner=$!
sleep 15
program=$(pgrep -x corvantis.exe | head -n 1)
hz=$(getconf CLK_TCK)
measure() {
    local p0 p1
    p0=$(ticks "$program")
    sleep "$seconds"
    p1=$(ticks "$program")
    awk -v p=$((p1 - p0)) -v hz="$hz" -v t="$seconds" -v what="$1" \
        'BEGIN { printf "%-10s corvantis.exe %.3f %% of a core\n", what, 100 * p / hz / t }'
}
measure shown
