#!/bin/sh
# Builds the Debian package into the folder given and checks it as Debian does: lintian finds no error and no
# warning, and the package holds the program, its menu entry, its icon, its metadata and its manual page.
set -eu
top=$1
deb=$(BREVIMO_PACKAGE_DIR=$2 "$top/scripts/package")
lintian --fail-on error,warning "$deb"
listing=$(dpkg-deb -c "$deb")
for path in ./usr/bin/brevimo ./usr/share/applications/org.example.Brevimo.desktop \
    ./usr/share/icons/hicolor/scalable/apps/org.example.Brevimo.svg \
    ./usr/share/metainfo/org.example.Brevimo.metainfo.xml ./usr/share/man/man1/brevimo.1.gz \
    ./usr/share/doc/brevimo/copyright; do
    printf '%s\n' "$listing" | grep -q " $path\$" || { echo "the package lacks $path" >&2; exit 1; }
done
