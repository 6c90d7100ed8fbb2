#!/usr/bin/env bash
# The lean service's log volume: corvantis-headless on a pseudo-terminal whose other end the
# clock emulator plays, once as installed and once with --log-messages (a line per message,
# as every message was logged before), side by side for SECONDS (default 600). Prints the
# lines each wrote, those of the steady state (between the first message and the stop), and
# both as lines per hour.
# Usage: bench/log_volume.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$1
seconds=${2:-600}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

# run NAME OPTIONS...: one service and its clocks; the log in $work/NAME/out.
run() {
    local name=$1 dir=$work/$1
    shift
    mkdir -p "$dir/settings"
    "$build/src/app/clock/corvantis-clock" --lines --pty "$dir/device" \
        --seconds $((seconds + 5)) >/dev/null 2>&1 &
    for _ in $(seq 50); do [ -s "$dir/device" ] && break; sleep 0.1; done
    printf '[Ports]\r\nCOM1=%s\r\n[SerialSync]\r\nCOMPORT=COM1\r\n' "$(cat "$dir/device")" \
        >"$dir/settings/Corvantis.ini"
    timeout -s TERM "$seconds" "$build/src/app/headless/corvantis-headless" \
        --settings-dir "$dir/settings" "$@" >"$dir/out" 2>"$dir/err" </dev/null || true
}

run default &
run every --log-messages &
wait

for name in default every; do
    out=$work/$name/out
    total=$(wc -l <"$out")
    # Steady state: after the first message sent, before the port closes at the stop.
    steady=$(awk '/ sent \[/ && !seen {seen=1; next} / port-closed /{exit} seen' "$out" | wc -l)
    printf '%-8s %5d lines in %d s (%d per hour); steady state %d (%d per hour)\n' "$name" \
        "$total" "$seconds" $((total * 3600 / seconds)) "$steady" $((steady * 3600 / seconds))
done
