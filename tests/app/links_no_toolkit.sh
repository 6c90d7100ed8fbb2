#!/bin/sh
# links_no_toolkit.sh PROGRAM
# Fails when PROGRAM needs a Qt, X11, Wayland or OpenGL library at run time, so that it can be
# installed on a machine without any of them. Prints what it needs.
set -u
program="$1"
needed=$(ldd "$program") || { echo "ldd failed on $program"; exit 1; }
echo "$needed"
if echo "$needed" | grep -Ei 'libQt|libX11|libxcb|libwayland|libGL|libEGL|libicu'; then
    echo "FAIL: $program needs a toolkit library (above)"
    exit 1
fi
echo "$program needs $(echo "$needed" | grep -c '=>\|ld-linux') shared objects, none of a toolkit"
