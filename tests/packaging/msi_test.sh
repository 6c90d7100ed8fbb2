#!/usr/bin/env bash
# The per-user MSI under wine, in a throwaway prefix: what the package declares, a silent
# install (files, shortcut, uninstall entry), the installed program run, then a silent
# uninstall (program, shortcut, entry and the program's auto-start entries gone; the settings
# files and other programs' auto-start entries kept).
# Usage: msi_test.sh MSI VERSION
#
# Environment: WINE64 overrides the wine loader (default /usr/lib/wine/wine64, then wine64
# or wine on PATH).
set -uo pipefail
msi=$1
version=$2
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

[ -f "$msi" ] || { echo "FAIL: no installer at $msi"; exit 1; }

# --- What the package declares (read with msiinfo, no wine needed).
property() {
    msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' -v name="$1" '$1 == name {print $2}'
}
[ "$(property ProductName)" = Corvantis ] || fail "ProductName is '$(property ProductName)'"
[ "$(property ProductVersion)" = "$version" ] ||
    fail "ProductVersion is '$(property ProductVersion)', not $version"
[ -z "$(property ALLUSERS)" ] || fail "ALLUSERS is set ('$(property ALLUSERS)'): not a per-user install"
# The summary's word count: bit 3 says the install needs no elevation.
source_flags=$(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
[ -n "$source_flags" ] && [ $((source_flags & 8)) -eq 8 ] ||
    fail "the package asks for elevated rights (word count ${source_flags:-missing})"

# --- A prefix of its own, as cmake/wine-run.sh makes them.
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

work=$(mktemp -d "${TMPDIR:-/tmp}/corvantis-msi.XXXXXX") || exit 1
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
    rm -rf -- "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$WINESERVER" -p30 || { echo "FAIL: wineserver did not start"; exit 1; }
"$WINE" wineboot --init >/dev/null 2>&1

wine_quiet() { "$WINE" "$@" 2>/dev/null | tr -d '\r'; }
# winepath_of FILE: the Windows name of a file on this side.
winepath_of() { wine_quiet winepath -w "$1"; }

# The user's folders as wine names them, and where they are on this side.
user=$(wine_quiet cmd /c echo %USERNAME%)
user_dir="$WINEPREFIX/drive_c/users/$user"
local_programs="$user_dir/AppData/Local/Programs"
install_dir="$local_programs/Corvantis"
roaming_settings="$user_dir/AppData/Roaming/Corvantis"
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Corvantis.lnk"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_once_key='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'
uninstall_keys=('HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'
                'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall')

# value KEY NAME: the data of a registry value, empty when it is not there.
value() {
    wine_quiet reg query "$1" /v "$2" | awk -v name="$2" '$1 == name {sub(/^ *[^ ]+ +[^ ]+ +/, ""); print}'
}
# uninstall_entry: the uninstall entry whose DisplayName is Corvantis, as "key|version".
uninstall_entry() {
    local root key
    for root in "${uninstall_keys[@]}"; do
        for key in $(wine_quiet reg query "$root" | grep -i '^HKEY.*\\Uninstall\\'); do
            if [ "$(value "$key" DisplayName)" = Corvantis ]; then
                echo "$key|$(value "$key" DisplayVersion)"
                return
            fi
        done
    done
}

# Another program's auto-start entry, which must outlive the uninstall.
wine_quiet reg add "$run_key" /v Other /d 'C:\Other\other.exe' /f >/dev/null

# --- Install, silently, without administrator rights.
"$WINE" msiexec /i "$(winepath_of "$msi")" /qn
status=$?
[ $status -eq 0 ] || fail "msiexec /i exited with $status"
[ -f "$install_dir/corvantis.exe" ] || fail "corvantis.exe is not in LocalAppData\\Programs\\Corvantis"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
entry=$(uninstall_entry)
[ -n "$entry" ] || fail "no uninstall entry named Corvantis"
[ "${entry#*|}" = "$version" ] || fail "the uninstall entry shows version '${entry#*|}'"

# --- The installed program runs.
out=$(wine_quiet "C:\\users\\$user\\AppData\\Local\\Programs\\Corvantis\\corvantis.exe" --version)
[ "$out" = "Corvantis $version" ] || fail "the installed program's --version printed '$out'"

# What the program leaves behind as it is used: its auto-start entries (its "Auto-run at
# Windows Startup" box writes the executable's path) and its settings files, beside the
# program (its folder is writable) or in the roaming profile.
command_path="C:\\users\\$user\\AppData\\Local\\Programs\\Corvantis\\corvantis.Exe"
wine_quiet reg add "$run_key" /v Corvantis /d "$command_path" /f >/dev/null
wine_quiet reg add "$run_once_key" /v Corvantis /d "$command_path" /f >/dev/null
mkdir -p "$roaming_settings"
for folder in "$install_dir" "$roaming_settings"; do
    printf '[GPS]\r\nCOMPORT=COM3\r\n' >"$folder/Corvantis.ini"
    printf '[CommMethod]\r\nTZhouroffset=24\r\n' >"$folder/data.ini"
done

# --- Uninstall, silently.
"$WINE" msiexec /x "$(winepath_of "$msi")" /qn
status=$?
[ $status -eq 0 ] || fail "msiexec /x exited with $status"
[ ! -e "$install_dir/corvantis.exe" ] || fail "corvantis.exe is still there after uninstall"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there after uninstall"
[ -z "$(uninstall_entry)" ] || fail "the uninstall entry is still there after uninstall"
[ -z "$(value "$run_key" Corvantis)" ] || fail "the Run entry Corvantis is still there"
[ -z "$(value "$run_once_key" Corvantis)" ] || fail "the RunOnce entry Corvantis is still there"
[ "$(value "$run_key" Other)" = 'C:\Other\other.exe' ] || fail "another program's Run entry went too"
for file in "$install_dir/Corvantis.ini" "$install_dir/data.ini" \
            "$roaming_settings/Corvantis.ini" "$roaming_settings/data.ini"; do
    [ -f "$file" ] || fail "the settings file ${file#"$user_dir"/} went with the program"
done
[ "$(head -c 5 "$install_dir/Corvantis.ini")" = "[GPS]" ] || fail "Corvantis.ini was changed"

if [ "$failures" -eq 0 ]; then
    echo "msi: all checks passed"
fi
[ "$failures" -eq 0 ]
