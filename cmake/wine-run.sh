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
# The prefix, its environment (display, crash debugger, WINE64) and its clean-up are those of
# cmake/wine-prefix.sh.
set -u

if [ $# -lt 1 ]; then
    echo "usage: $0 program.exe [args...]" >&2
    exit 2
fi

source "$(dirname "${BASH_SOURCE[0]}")/wine-prefix.sh"
wine_throwaway_prefix corvantis-wine || exit 2
wine_boot

for port in ${CORVANTIS_TEST_PRESENT_COM:-}; do
    wine_link_com "$port" /dev/ptmx
done
for port in ${CORVANTIS_TEST_DANGLING_COM:-}; do
    wine_link_com "$port" "$WINE_ROOT/no-such-device"
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
