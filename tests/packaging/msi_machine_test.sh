#!/usr/bin/env bash
# The per-machine MSI (program and Windows service) under wine, in a throwaway prefix: what
# the package declares (read with msiinfo), a silent install (the program in Program Files,
# the service "Corvantis" registered for automatic start and running, its settings folder
# made, the event source registered with the program as its message file, the restart after
# a failure), then a silent uninstall (service, program, event source gone; the settings
# folder kept).
# Usage: msi_machine_test.sh MSI VERSION
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

# --- What the package declares.
table() { msiinfo export "$msi" "$1" | tr -d '\r' | tail -n +4; }
property() { table Property | awk -F'\t' -v name="$1" '$1 == name {print $2}'; }
[ "$(property ALLUSERS)" = 1 ] || fail "ALLUSERS is '$(property ALLUSERS)', not 1"
[ "$(property ProductVersion)" = "$version" ] || fail "ProductVersion is '$(property ProductVersion)'"
source_flags=$(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
[ -n "$source_flags" ] && [ $((source_flags & 8)) -eq 0 ] ||
    fail "the package does not ask for elevated rights (word count ${source_flags:-missing})"
# The service: registered by the program itself once it is in place, then started; stopped on
# install and uninstall, removed on uninstall (2 + 32 + 128) by the installer's own table.
table CustomAction | grep -q $'^RegisterService\t.*\tCorvantisExe\t--install-service Corvantis' ||
    fail "the program does not register the service"
control_row=$(table ServiceControl | awk -F'\t' '{print $2"|"$3}')
[ "$control_row" = "Corvantis|162" ] || fail "ServiceControl row: '$control_row'"
table Registry | grep -q 'EventLog\\Application\\Corvantis' ||
    fail "the event source is not in the Registry table"
source "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-prefix.sh"
wine_throwaway_prefix corvantis-machine-msi || { echo "FAIL: no wine prefix"; exit 1; }
wine_boot

# restart_prefix: ends every program of the prefix and starts it again, as a reboot does; the
# services with automatic start start.
restart_prefix() {
    wine_restart || fail "wineserver did not start again"
}
# Right after its making a prefix may run two service managers on one pipe; after a restart
# it runs one, as Windows does.
restart_prefix

wine_quiet() { "$WINE" "$@" 2>/dev/null | tr -d '\r'; }
value() {
    wine_quiet reg query "$1" /v "$2" | awk -v name="$2" '$1 == name {sub(/^ *[^ ]+ +[^ ]+ +/, ""); print}'
}
# service_state: the state sc reports for the service (RUNNING, STOPPED...), empty when none.
service_state() {
    wine_quiet sc query Corvantis | awk '$1 == "STATE" {print $4}'
}
# wait_state STATE: waits up to 30 s for the service to reach STATE.
wait_state() {
    local i
    for i in $(seq 1 60); do
        [ "$(service_state)" = "$1" ] && return 0
        sleep 0.5
    done
    return 1
}

drive_c="$WINEPREFIX/drive_c"
program="$drive_c/Program Files/Corvantis/corvantis.exe"
service_key='HKLM\System\CurrentControlSet\Services\Corvantis'
source_key='HKLM\System\CurrentControlSet\Services\EventLog\Application\Corvantis'
settings="$drive_c/ProgramData/Corvantis/Corvantis"

# --- Install, silently.
"$WINE" msiexec /i "$(wine_quiet winepath -w "$msi")" /qn
status=$?
[ $status -eq 0 ] || fail "msiexec /i exited with $status"
[ -f "$program" ] || fail "corvantis.exe is not in Program Files\\Corvantis"
image=$(value "$service_key" ImagePath)
case "$image" in
    *'Program Files\Corvantis\corvantis.exe" --service "Corvantis" --settings-dir "C:\ProgramData\Corvantis\Corvantis"') ;;
    *) fail "the service runs '$image'" ;;
esac
[ "$(value "$service_key" Start)" = 0x2 ] || fail "the service's start is '$(value "$service_key" Start)', not automatic"
[ -n "$(value "$service_key" Description)" ] || fail "the service has no description"
case "$(value "$source_key" EventMessageFile)" in
    *'Program Files\Corvantis\corvantis.exe') ;;
    *) fail "the event source's message file is '$(value "$source_key" EventMessageFile)'" ;;
esac
wait_state RUNNING || fail "the service is '$(service_state)' after install, not RUNNING"
# It starts with the machine.
restart_prefix
wait_state RUNNING || fail "the service is '$(service_state)' after a restart, not RUNNING"
for i in $(seq 1 40); do
    [ -f "$settings/Corvantis.ini" ] && break
    sleep 0.5
done
[ -f "$settings/Corvantis.ini" ] || fail "the service made no settings in ProgramData\\Corvantis\\Corvantis"

# --- Uninstall, silently.
"$WINE" msiexec /x "$(wine_quiet winepath -w "$msi")" /qn
status=$?
[ $status -eq 0 ] || fail "msiexec /x exited with $status"
[ -z "$(service_state)" ] || fail "the service is still there ('$(service_state)') after uninstall"
[ -z "$(value "$service_key" ImagePath)" ] || fail "the service's key is still there"
[ ! -e "$program" ] || fail "corvantis.exe is still there after uninstall"
[ -z "$(value "$source_key" EventMessageFile)" ] || fail "the event source is still registered"
[ -f "$settings/Corvantis.ini" ] || fail "the service's settings went with the program"

if [ "$failures" -eq 0 ]; then
    echo "machine msi: all checks passed"
fi
[ "$failures" -eq 0 ]
