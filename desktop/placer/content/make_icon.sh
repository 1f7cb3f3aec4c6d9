#!/bin/sh
# Packs product.ico from the images drawn in icon/ with icoutils' icotool.
# Each image keeps its own colour depth (icotool picks the smallest that
# holds its colours), and the order below is the icon's directory order:
# 32x32 16-colour first for the oldest shells.
#
#     sh make_icon.sh           writes product.ico next to this script
#     sh make_icon.sh --check   fails when product.ico is not what the images make
#
# The PNG files carry no time or text chunks, and icotool adds none, so the
# icon is rebuilt byte for byte.
set -e
cd "$(dirname "$0")"
images="icon/product_1_32x32x4.png icon/product_2_48x48x8.png icon/product_3_32x32x8.png icon/product_4_16x16x4.png"
if [ "$1" = --check ]; then
    made=$(mktemp)
    trap 'rm -f "$made"' EXIT
    icotool -c -o "$made" $images
    cmp -s "$made" product.ico || { echo "product.ico is stale; run sh make_icon.sh" >&2; exit 1; }
    echo "product.ico matches icon/"
else
    icotool -c -o product.ico $images
fi
