#!/usr/bin/env bash
# The one wine set-up of the tests: a throwaway prefix with a home folder and a wineserver of
# its own, its COM ports linked to devices the test chooses, and the clean-up that ends the
# server and removes every file. Nothing touches the user's own wine set-up, registry, menus
# or home.
#
# Sourced, it defines the functions below (cmake/wine-run.sh and the installer tests use
# them). Run as a program, it does one step on the prefix kept in the folder ROOT, for tests
# written in another language (the C++ end-to-end tests):
#     wine-prefix.sh boot ROOT               make the prefix in ROOT (an empty folder) and
#                                            start it, with unmanaged windows
#     wine-prefix.sh restart ROOT            end every program of it and start it again
#     wine-prefix.sh run ROOT PROGRAM [ARG...]   run PROGRAM in it (wine PROGRAM ARG...)
#     wine-prefix.sh link ROOT N DEVICE      link COMn to the Unix device DEVICE
#     wine-prefix.sh unlink ROOT N           remove the link of COMn
#     wine-prefix.sh clean ROOT              end its wineserver and remove ROOT
#
# The environment of every wine program: WINEPREFIX, HOME and the XDG folders inside ROOT,
# no debug channels, no Mono or Gecko install prompts, no desktop menu entries, and no crash
# debugger: while it attaches, the exit status of a crashed program is sometimes 0, which
# would pass a crashed test (a program that dies of an unhandled exception exits with the
# exception code; a page fault gives status 5). CORVANTIS_WINE_DEBUGGER=1 lets the debugger
# print its backtrace, at the price of that unreliable status: to look into a crash, not in CI.
#
# Windows need an X server: with CORVANTIS_WINE_DISPLAY=1 wine programs keep DISPLAY (a
# virtual X server the caller started, e.g. through xvfb-run), and a prefix booted then tells
# wine that no window manager runs there (X11 Driver "Managed"="N"), so hiding or closing a
# window does not wait for one. Without it programs see no display.
#
# WINE64 overrides the wine loader (default /usr/lib/wine/wine64, then wine64 or wine on
# PATH); the wineserver beside it is used, else the one on PATH.

# wine_find_tools: sets WINE and WINESERVER; says why and fails when either is missing.
wine_find_tools() {
    local candidate
    WINE=""
    for candidate in "${WINE64:-}" /usr/lib/wine/wine64 "$(command -v wine64 || true)" \
                     "$(command -v wine || true)"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then
            WINE=$candidate
            break
        fi
    done
    [ -n "$WINE" ] || { echo "wine-prefix: no wine64 found" >&2; return 2; }
    WINESERVER="$(dirname "$WINE")/wineserver"
    [ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver) ||
        { echo "wine-prefix: no wineserver found" >&2; return 2; }
}

# wine_use_prefix ROOT: exports the environment of the prefix in ROOT (see above) and makes
# its folders.
wine_use_prefix() {
    WINE_ROOT=$1
    export WINEPREFIX="$WINE_ROOT/prefix"
    export HOME="$WINE_ROOT/home"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
    export XDG_CACHE_HOME="$HOME/.cache"
    export WINEDEBUG=-all
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    if [ "${CORVANTIS_WINE_DEBUGGER:-0}" != 1 ]; then
        WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
    fi
    export WINEDLLOVERRIDES
    WINE_KEEPS_DISPLAY=0
    if [ "${CORVANTIS_WINE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
        WINE_KEEPS_DISPLAY=1
    else
        unset DISPLAY
    fi
    unset WAYLAND_DISPLAY
    mkdir -p "$WINEPREFIX" "$HOME"
}

# wine_start_server [SECONDS]: starts the prefix's wineserver, which outlives each program and
# ends by itself SECONDS (default 30) after its last one should the test die first.
wine_start_server() {
    "$WINESERVER" -p"${1:-30}" ||
        { echo "wine-prefix: wineserver did not start" >&2; return 2; }
}

# wine_boot [unmanaged]: makes the prefix (wineboot --init); windows are unmanaged when the
# display is kept or `unmanaged` is given.
wine_boot() {
    "$WINE" wineboot --init >/dev/null 2>&1
    if [ "$WINE_KEEPS_DISPLAY" = 1 ] || [ "${1:-}" = unmanaged ]; then
        "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    fi
    return 0
}

# wine_restart [SECONDS]: ends every program of the prefix and starts its wineserver and
# system programs again, as a reboot does (services with automatic start start). Right after
# `wineboot --init` a prefix may run two service managers on one pipe, each with a registry
# of its own making; after a restart it runs one.
wine_restart() {
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    wine_start_server "${1:-30}" || return
    "$WINE" wineboot >/dev/null 2>&1
    return 0
}

# wine_link_com N TARGET: links COMn to TARGET, replacing an earlier link; wine looks at the
# link at each open. /dev/ptmx gives a fresh pseudo-terminal at every open; a TARGET that does
# not exist is an adapter pulled while its name stays (the device opens, then refuses every
# comm call).
wine_link_com() {
    ln -sfn "$2" "$WINEPREFIX/dosdevices/com$1"
}

wine_unlink_com() {
    rm -f -- "$WINEPREFIX/dosdevices/com$1"
}

# wine_clean [PATH...]: ends the prefix's wineserver and removes WINE_ROOT and each PATH.
wine_clean() {
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
    rm -rf -- "$WINE_ROOT" "$@"
}

# wine_throwaway_prefix NAME [PATH...]: a prefix in a new temporary folder named after NAME,
# its wineserver started and, at the script's exit, everything removed (each PATH too). Sets
# WINE, WINESERVER, WINE_ROOT and the prefix's environment. The caller boots it (wine_boot).
wine_throwaway_prefix() {
    local name=$1
    shift
    WINE_ALSO_REMOVE=("$@")
    wine_find_tools || return
    local root
    root=$(mktemp -d "${TMPDIR:-/tmp}/$name.XXXXXX") || return 2
    wine_use_prefix "$root"
    trap 'wine_clean "${WINE_ALSO_REMOVE[@]}"' EXIT
    trap 'exit 130' INT TERM
    wine_start_server
}

# One step on the prefix in ROOT, when run as a program.
wine_prefix_main() {
    local step=${1:-} root=${2:-}
    if [ -z "$step" ] || [ -z "$root" ]; then
        echo "usage: $0 boot|restart|run|link|unlink|clean ROOT [...]" >&2
        return 2
    fi
    shift 2
    wine_find_tools || return
    wine_use_prefix "$root"
    case "$step" in
        boot) wine_start_server 60 && wine_boot unmanaged ;;
        restart) wine_restart 60 ;;
        run) exec "$WINE" "$@" ;;
        link) wine_link_com "$1" "$2" ;;
        unlink) wine_unlink_com "$1" ;;
        clean) wine_clean ;;
        *)
            echo "wine-prefix: unknown step $step" >&2
            return 2
            ;;
    esac
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    wine_prefix_main "$@"
fi
