#!/usr/bin/env bash
# Runs one Windows program under wine in a throwaway prefix: the test emulator of the
# cross build (CMAKE_CROSSCOMPILING_EMULATOR). Usage: wine-run.sh program.exe [args...]
#
# Every run gets its own prefix, home folder and wineserver, removed afterwards, so nothing
# touches the user's own wine setup, registry, menus or home. The exit status is the
# program's.
#
# Serial ports for the port probe tests (space-separated port numbers):
#   CORVANTIS_TEST_PRESENT_COM  each COMn is linked to a terminal device (/dev/ptmx: every
#                               open yields a fresh pseudo-terminal, so the device is always
#                               there and nothing has to hold it open)
#   CORVANTIS_TEST_ABSENT_COM   each COMn must have no device behind it; the run fails when
#                               wine gave that number to a serial port of the host
#   CORVANTIS_TEST_DANGLING_COM each COMn is a link to nothing (an adapter pulled while its
#                               name stays): the device opens, then refuses every comm call
# The links are made once the prefix is up, inside a wineserver that stays up until the
# program ends, so wine's own port detection (which maps the host's serial ports to COM1,
# COM2, ... when a session starts) cannot redo them.
#
# A program that dies of an unhandled exception exits with the exception code (a page fault
# gives status 5). Wine's crash debugger is kept off for that: while it attaches, the status
# the script sees is sometimes 0, which would pass a crashed test.
#
# Environment: WINE64 overrides the wine loader (default /usr/lib/wine/wine64, then wine64
# or wine on PATH). CORVANTIS_WINE_DEBUGGER=1 lets the crash debugger print its backtrace,
# at the price of that unreliable status; use it to look into a crash, not in CI.
set -u

if [ $# -lt 1 ]; then
    echo "usage: $0 program.exe [args...]" >&2
    exit 2
fi

find_wine() {
    local candidate
    for candidate in "${WINE64:-}" /usr/lib/wine/wine64 "$(command -v wine64 || true)" \
                     "$(command -v wine || true)"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

WINE=$(find_wine) || { echo "wine-run: no wine64 found" >&2; exit 2; }
WINESERVER="$(dirname "$WINE")/wineserver"
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver) ||
    { echo "wine-run: no wineserver found" >&2; exit 2; }

ROOT=$(mktemp -d "${TMPDIR:-/tmp}/corvantis-wine.XXXXXX") || exit 2
export WINEPREFIX="$ROOT/prefix"
export HOME="$ROOT/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export WINEDEBUG=-all
# No Mono or Gecko install prompts, no desktop menu entries, no crash debugger (see above).
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ "${CORVANTIS_WINE_DEBUGGER:-0}" != 1 ]; then
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
fi
export WINEDLLOVERRIDES
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX" "$HOME"

cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    # Debian's wine keeps the server socket in a folder of its own under the temporary
    # folder and writes that folder's name into the prefix; remove it too.
    local socket_dir=""
    if [ -f "$WINEPREFIX/wineserver" ]; then
        socket_dir=$(head -c 256 "$WINEPREFIX/wineserver" 2>/dev/null)
    fi
    case "$socket_dir" in
        wine-*[!A-Za-z0-9]*) ;;
        wine-?*)
            rm -rf -- "/tmp/$socket_dir"
            [ -n "${TMPDIR:-}" ] && rm -rf -- "$TMPDIR/$socket_dir"
            ;;
    esac
    rm -rf -- "$ROOT"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# One server for the whole run: it stays up between the prefix set-up and the program, and
# ends by itself half a minute after its last program should this script be killed.
"$WINESERVER" -p30 || { echo "wine-run: wineserver did not start" >&2; exit 2; }
"$WINE" wineboot --init >/dev/null 2>&1

for port in ${CORVANTIS_TEST_PRESENT_COM:-}; do
    ln -sfn /dev/ptmx "$WINEPREFIX/dosdevices/com$port"
done
for port in ${CORVANTIS_TEST_DANGLING_COM:-}; do
    ln -sfn "$ROOT/no-such-device" "$WINEPREFIX/dosdevices/com$port"
done
for port in ${CORVANTIS_TEST_ABSENT_COM:-}; do
    # Wine gave this number to one of the host's serial ports; removing the link would not
    # help, as wine keeps a device object for it.
    if [ -e "$WINEPREFIX/dosdevices/com$port" ] || [ -L "$WINEPREFIX/dosdevices/com$port" ]; then
        echo "wine-run: COM$port is a serial port of this host ($(readlink \
            "$WINEPREFIX/dosdevices/com$port")); pick another number for an absent port" >&2
        exit 2
    fi
done

"$WINE" "$@"
