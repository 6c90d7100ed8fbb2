#!/usr/bin/env bash
# `cmake --install` into temporary roots: every file in its standard place, each file valid
# by its own validator, and the systemd unit naming the program where it was installed.
# Usage: install_test.sh BUILD_DIR VERSION [clock]
#   clock: the build has the clock emulator, installed with its man page
set -uo pipefail
build=$1
version=$2
with_clock=${3:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/corvantis-install.XXXXXX")
trap 'rm -rf -- "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Two ways in: a Debian-style /usr prefix staged with DESTDIR, and a private prefix. Each row:
# name, DESTDIR, prefix, where the unit must land (inside the root).
cases=(
    "usr|$work/usr-root|/usr|/lib/systemd/system"
    "opt|$work/opt-root|$work/opt-root/opt/corvantis|$work/opt-root/opt/corvantis/lib/systemd/system"
)

for row in "${cases[@]}"; do
    IFS='|' read -r name destdir prefix unit_dir <<<"$row"
    if [ "$name" = usr ]; then
        DESTDIR=$destdir cmake --install "$build" --prefix "$prefix" >"$work/$name.log" 2>&1 ||
            { fail "$name: cmake --install failed"; cat "$work/$name.log"; continue; }
        root=$destdir
        unit_file=$root$unit_dir/corvantis@.service
    else
        cmake --install "$build" --prefix "$prefix" >"$work/$name.log" 2>&1 ||
            { fail "$name: cmake --install failed"; cat "$work/$name.log"; continue; }
        root=""
        unit_file=$unit_dir/corvantis@.service
    fi
    usr=$root$prefix

    # Every file in its standard place.
    expected=(
        bin/corvantis
        bin/corvantis-headless
        share/applications/org.corvantis.corvantis.desktop
        share/metainfo/org.corvantis.corvantis.metainfo.xml
        share/icons/hicolor/scalable/apps/corvantis.svg
        share/man/man1/corvantis.1.gz
        share/doc/corvantis/copyright
        share/doc/corvantis/changelog.gz
        share/man/man1/corvantis-headless.1.gz
        share/doc/corvantis-headless/copyright
        share/doc/corvantis-headless/changelog.gz
    )
    for size in 16 22 24 32 48 64 128 256; do
        expected+=("share/icons/hicolor/${size}x${size}/apps/corvantis.png")
    done
    if [ "$with_clock" = clock ]; then
        expected+=(bin/corvantis-clock share/man/man1/corvantis-clock.1.gz)
    fi
    for file in "${expected[@]}"; do
        [ -f "$usr/$file" ] || fail "$name: $file not installed"
    done
    [ -f "$unit_file" ] || fail "$name: the unit is not in $unit_dir"

    # The PNG icons have the size their folder names (width and height from the PNG header).
    for size in 16 22 24 32 48 64 128 256; do
        png=$usr/share/icons/hicolor/${size}x${size}/apps/corvantis.png
        [ -f "$png" ] || continue
        dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
        [ "$dims" = "${size}x${size}" ] || fail "$name: ${size}x${size} icon is $dims"
    done

    # The validators, each with no complaint at all.
    out=$(desktop-file-validate "$usr/share/applications/org.corvantis.corvantis.desktop" 2>&1)
    [ $? -eq 0 ] && [ -z "$out" ] || fail "$name: desktop-file-validate: $out"
    out=$(appstreamcli validate --no-net --pedantic \
        "$usr/share/metainfo/org.corvantis.corvantis.metainfo.xml" 2>&1)
    [ $? -eq 0 ] || fail "$name: appstreamcli validate: $out"
    grep -q "<release version=\"$version\"" "$usr/share/metainfo/org.corvantis.corvantis.metainfo.xml" ||
        fail "$name: the metainfo does not name release $version"

    # The desktop entry starts an installed program and names an installed icon; the metainfo
    # launches that entry.
    desktop=$usr/share/applications/org.corvantis.corvantis.desktop
    exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$usr/bin/$exec_program" ] || fail "$name: the desktop entry runs '$exec_program', not installed"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    [ -f "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
        fail "$name: the desktop entry's icon '$icon' is not installed"
    grep -q '<launchable type="desktop-id">org.corvantis.corvantis.desktop</launchable>' \
        "$usr/share/metainfo/org.corvantis.corvantis.metainfo.xml" ||
        fail "$name: the metainfo does not launch org.corvantis.corvantis.desktop"

    # Man pages render without a warning and carry the version.
    for page in "$usr"/share/man/man1/*.1.gz; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$name: $(basename "$page"): $warnings"
        zcat "$page" | head -n 1 | grep -q "Corvantis $version" ||
            fail "$name: $(basename "$page") does not carry version $version"
    done

    # The unit runs the installed program from where it was installed.
    exec_line=$(grep '^ExecStart=' "$unit_file")
    program=$(echo "$exec_line" | sed 's/^ExecStart=//; s/ .*//')
    wanted=$prefix/bin/corvantis-headless
    [ "$program" = "$wanted" ] || fail "$name: ExecStart runs $program, not $wanted"
    [ -x "$root$program" ] || fail "$name: $program is not installed"
    echo "$exec_line" | grep -q -- '--settings-dir %S/corvantis/%i' ||
        fail "$name: ExecStart does not pass the instance's settings folder: $exec_line"
    echo "$exec_line" | grep -q -- '--metrics-file %t/corvantis/%i/corvantis.prom' ||
        fail "$name: ExecStart does not pass the metrics file the README names: $exec_line"
    [ -f "$usr/share/doc/corvantis-headless/examples/corvantis-alerts.yml" ] ||
        fail "$name: the example alert rules are not installed"
done

# systemd's own checks on the unit installed with the /usr prefix, its program and man page
# found inside the staged root.
verify_dir=$work/verify
mkdir -p "$verify_dir"
sed "s|=/usr/bin/|=$work/usr-root/usr/bin/|" "$work/usr-root/lib/systemd/system/corvantis@.service" \
    >"$verify_dir/corvantis@.service"
out=$(MANPATH=$work/usr-root/usr/share/man systemd-analyze verify "$verify_dir/corvantis@.service" 2>&1)
[ $? -eq 0 ] && [ -z "$out" ] || fail "systemd-analyze verify: $out"

# The security score of one instance; a sandbox weaker than "OK" (exposure above 2.0) fails.
cp "$verify_dir/corvantis@.service" "$verify_dir/corvantis@hallway.service"
security=$(systemd-analyze security --offline=yes --threshold=20 \
    "$verify_dir/corvantis@hallway.service" 2>&1)
status=$?
score=$(echo "$security" | grep -o 'Overall exposure level for .*' | head -n 1)
echo "systemd-analyze security: ${score:-no score printed}"
[ $status -eq 0 ] || { fail "systemd-analyze security above 2.0"; echo "$security"; }
# What the unit must keep, whatever else changes.
for setting in "After=time-sync.target" "Wants=time-sync.target" "Restart=on-failure" \
               "SupplementaryGroups=dialout" "StateDirectory=corvantis/%i" \
               "DevicePolicy=closed" "DeviceAllow=char-ttyS rw" "DeviceAllow=char-ttyUSB rw" \
               "DeviceAllow=char-ttyACM rw" "ProtectSystem=strict" "NoNewPrivileges=yes" \
               "RuntimeDirectory=corvantis/%i" "RuntimeDirectoryMode=0755" \
               "SyslogLevelPrefix=yes"; do
    grep -qxF "$setting" "$verify_dir/corvantis@.service" || fail "the unit lacks $setting"
done

if [ "$failures" -eq 0 ]; then
    echo "install: all checks passed"
fi
[ "$failures" -eq 0 ]
