#!/usr/bin/env bash
# The Debian packages CPack makes from the build.
#   deb_test.sh build BUILD_DIR OUT   builds the packages into OUT and unpacks them all into
#                                     OUT/root with dpkg -x (the installed-program test runs
#                                     what lands there)
#   deb_test.sh check OUT VERSION [clock]
#                                     (clock: the build has the clock emulator)
#                                     lintian without errors; names, versions and
#                                     dependencies; which file goes in which package
set -uo pipefail
mode=$1
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

finish() {
    [ "$failures" -eq 0 ] && echo "$mode: all checks passed"
    [ "$failures" -eq 0 ]
    exit
}

if [ "$mode" = build ]; then
    build=$2
    out=$3
    rm -rf -- "$out"
    mkdir -p "$out/root"
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
        { cat "$out/cpack.log"; fail "cpack failed"; finish; }
    for deb in "$out"/*.deb; do
        dpkg -x "$deb" "$out/root" || fail "dpkg -x $(basename "$deb") failed"
    done
    ls "$out"/*.deb
    finish
fi

out=$2
version=$3
with_clock=${4:-}
arch=$(dpkg --print-architecture)

# The packages this build must make, and what each must and must not depend on.
# Row: package | a dependency it must have ('' for none) | a dependency it must not have.
rows=("corvantis|libqt6widgets6|" "corvantis-headless|libc6|libqt6")
# The clock emulator draws its faces with Qt when a display is there.
[ "$with_clock" = clock ] && rows+=("corvantis-clock|libc6|")

for row in "${rows[@]}"; do
    IFS='|' read -r package needs refuses <<<"$row"
    deb=$out/${package}_${version}_${arch}.deb
    [ -f "$deb" ] || { fail "$package: no $(basename "$deb")"; continue; }
    [ "$(dpkg-deb -f "$deb" Package)" = "$package" ] || fail "$package: wrong Package field"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$package: version is not $version"
    depends=$(dpkg-deb -f "$deb" Depends)
    if [ -n "$needs" ] && [[ $depends != *"$needs"* ]]; then
        fail "$package: does not depend on $needs: $depends"
    fi
    if [ -n "$refuses" ] && [[ $depends == *"$refuses"* ]]; then
        fail "$package: depends on $refuses: $depends"
    fi
done

# No file in two packages, and each group of files in the package meant for it.
listing=$out/listing
: >"$listing"
for deb in "$out"/*.deb; do
    package=$(dpkg-deb -f "$deb" Package)
    dpkg-deb -c "$deb" | awk -v p="$package" '$1 !~ /^d/ {sub(/^\./, "", $6); print $6, p}' >>"$listing"
done
duplicates=$(awk '{print $1}' "$listing" | sort | uniq -d)
[ -z "$duplicates" ] || fail "files in more than one package: $duplicates"

unit_package=corvantis-headless
placements=(
    "/usr/bin/corvantis|corvantis"
    "/usr/share/applications/org.corvantis.corvantis.desktop|corvantis"
    "/usr/share/metainfo/org.corvantis.corvantis.metainfo.xml|corvantis"
    "/usr/share/icons/hicolor/scalable/apps/corvantis.svg|corvantis"
    "/usr/share/man/man1/corvantis.1.gz|corvantis"
    "/lib/systemd/system/corvantis@.service|$unit_package"
    "/usr/bin/corvantis-headless|corvantis-headless"
    "/usr/share/man/man1/corvantis-headless.1.gz|corvantis-headless"
)
if [ "$with_clock" = clock ]; then
    placements+=("/usr/bin/corvantis-clock|corvantis-clock"
                 "/usr/share/man/man1/corvantis-clock.1.gz|corvantis-clock")
fi
for row in "${placements[@]}"; do
    IFS='|' read -r file package <<<"$row"
    owner=$(awk -v f="$file" '$1 == f {print $2}' "$listing")
    [ "$owner" = "$package" ] || fail "$file is in '${owner:-no package}', not $package"
done

# The package that ships the unit reloads systemd when it comes and goes.
unit_deb=$out/${unit_package}_${version}_${arch}.deb
if [ -f "$unit_deb" ]; then
    scripts=$(dpkg-deb -I "$unit_deb")
    for script in postinst prerm postrm; do
        [[ $scripts == *" $script "* ]] || fail "$unit_package has no $script"
    done
fi

# lintian: no errors. Warnings and notes are printed for the record.
lintian --fail-on error --display-info "$out"/*.deb >"$out/lintian.log" 2>&1
status=$?
report=$(grep -v 'running with root privileges' "$out/lintian.log")
echo "lintian: ${report:-no tags}"
[ "$status" -eq 0 ] || fail "lintian reports errors"

finish
