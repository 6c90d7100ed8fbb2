#!/usr/bin/env bash
# The per-user MSI under wine, in a throwaway prefix: what the package declares, a silent
# install (files, shortcut, uninstall entry), the installed program run, then a silent
# uninstall (program, shortcut, entry and the program's auto-start entries gone; the settings
# files and other programs' auto-start entries kept).
# Older builds of the same installer (made here with wixl from the same source): one is
# refused over this version; this version replaces the other in a major upgrade.
# Usage: msi_test.sh MSI VERSION WIXL WXS PROGRAM
#   WIXL, WXS, PROGRAM: the wixl command, the installer's source and the program it packs
#
# Environment: WINE64 overrides the wine loader (default /usr/lib/wine/wine64, then wine64
# or wine on PATH).
set -uo pipefail
msi=$1
version=$2
wixl=$3
wxs=$4
program=$5
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

# Older versions of the same installer: one to upgrade from, one to try over the newer. Each
# build has a product code of its own, as two releases have.
older_dir=$(mktemp -d "${TMPDIR:-/tmp}/corvantis-msi-older.XXXXXX") || exit 1
cp "$program" "$older_dir/corvantis.exe"
for older in 0.9.1 0.9.2; do
    (cd "$older_dir" && "$wixl" -a x64 -D Version=$older -D ProgramFile=corvantis.exe \
        -D IconFile=corvantis.exe \
        -o "$older.msi" "$wxs" 2>/dev/null) || fail "wixl could not build the $older installer"
done

source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-prefix.sh"
wine_throwaway_prefix corvantis-msi "$older_dir" || { echo "FAIL: no wine prefix"; exit 1; }
wine_boot

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
# uninstall_entries: the versions of the uninstall entries named Corvantis, one a line.
uninstall_entries() {
    local root key
    for root in "${uninstall_keys[@]}"; do
        for key in $(wine_quiet reg query "$root" | grep -i '^HKEY.*\\Uninstall\\'); do
            if [ "$(value "$key" DisplayName)" = Corvantis ]; then
                value "$key" DisplayVersion
            fi
        done
    done
}

# Another program's auto-start entry, which must outlive the uninstall.
wine_quiet reg add "$run_key" /v Other /d 'C:\Other\other.exe' /f >/dev/null

# install_steps ROW...: installs each row's package silently. Row: installer | what msiexec
# must return (0 or "fail") | the versions the uninstall entries show afterwards.
install_steps() {
    local step package expect entries status name found
    for step in "$@"; do
        IFS='|' read -r package expect entries <<<"$step"
        "$WINE" msiexec /i "$(winepath_of "$package")" /qn
        status=$?
        name=$(basename "$package")
        if [ "$expect" = 0 ] && [ $status -ne 0 ]; then
            fail "msiexec /i $name exited with $status"
        elif [ "$expect" = fail ] && [ $status -eq 0 ]; then
            fail "msiexec /i $name went over a newer version"
        fi
        found=$(uninstall_entries | tr '\n' ' ' | sed 's/ $//')
        [ "$found" = "$entries" ] ||
            fail "after $name the uninstall entries show '$found', not '$entries'"
        [ -f "$install_dir/corvantis.exe" ] ||
            fail "after $name corvantis.exe is not in LocalAppData\\Programs\\Corvantis"
        [ -f "$shortcut" ] || fail "after $name there is no Start-menu shortcut"
    done
}

# --- Install, silently, without administrator rights; an older version is then refused.
install_steps "$msi|0|$version" "$older_dir/0.9.2.msi|fail|$version"

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
[ -z "$(uninstall_entries)" ] || fail "the uninstall entry is still there after uninstall"
[ -z "$(value "$run_key" Corvantis)" ] || fail "the Run entry Corvantis is still there"
[ -z "$(value "$run_once_key" Corvantis)" ] || fail "the RunOnce entry Corvantis is still there"
[ "$(value "$run_key" Other)" = 'C:\Other\other.exe' ] || fail "another program's Run entry went too"
[ -z "$(value 'HKCU\Software\Corvantis\Installer' Program)" ] ||
    fail "the installer's own registry values are still there"
for file in "$install_dir/Corvantis.ini" "$install_dir/data.ini" \
            "$roaming_settings/Corvantis.ini" "$roaming_settings/data.ini"; do
    [ -f "$file" ] || fail "the settings file ${file#"$user_dir"/} went with the program"
done
[ "$(head -c 5 "$install_dir/Corvantis.ini")" = "[GPS]" ] || fail "Corvantis.ini was changed"

# --- A major upgrade: this version over an older one leaves one program and one entry.
install_steps "$older_dir/0.9.1.msi|0|0.9.1" "$msi|0|$version"

if [ "$failures" -eq 0 ]; then
    echo "msi: all checks passed"
fi
[ "$failures" -eq 0 ]
