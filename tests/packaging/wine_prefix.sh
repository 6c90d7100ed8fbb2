# Sourced by the installer tests: a wine prefix of their own, as cmake/wine-run.sh makes
# them, with its own home folder and wineserver, all removed at exit. Usage:
#     source wine_prefix.sh NAME [PATH...]
# NAME names the scratch folder; each PATH is removed at exit too. Sets WINE, WINESERVER, work
# (the scratch folder), WINEPREFIX and HOME, and starts the wineserver.
wine_prefix_name=$1
shift
wine_prefix_also_remove=("$@")

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
WINE=$(find_wine) || { echo "FAIL: no wine64 found"; exit 1; }
WINESERVER="$(dirname "$WINE")/wineserver"
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver) || { echo "FAIL: no wineserver"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/$wine_prefix_name.XXXXXX") || exit 1
export WINEPREFIX="$work/prefix"
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX" "$HOME"

cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
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
    rm -rf -- "$work" "${wine_prefix_also_remove[@]}"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$WINESERVER" -p30 || { echo "FAIL: wineserver did not start"; exit 1; }
