#!/bin/sh
# The README's pictures: sh scripts/pictures.sh
#
# Runs the demo on a virtual display (its driver saves a picture of every
# dialog a person meets into demo-output/) and keeps a compressed copy of
# each in docs/pictures/, so that a change to a dialog shows up there.
set -eu
cd "$(dirname "$0")/.."
sh scripts/demo.sh --headless
mkdir -p docs/pictures
for picture in demo-output/*.png; do
    # /usr/bin's own convert: a stand-in of that name may come first on PATH.
    /usr/bin/convert "$picture" -strip -define png:compression-level=9 "docs/pictures/$(basename "$picture")"
done
ls -l docs/pictures
