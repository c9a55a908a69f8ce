#!/bin/sh
# Renders the icon artwork (varadadid.svg) into the bitmaps the build uses:
#   varadadid-32.png          32 x 32, 256-colour palette, on/off transparency (the window icon)
#   varadadid-256.png         256 x 256, full colour and alpha (desktops, large views)
#   ../windows/varadadid.ico  the 32 x 32 256-colour image first, then the 256 x 256 one
# The outputs are committed; run this after editing the SVG (needs ImageMagick 6).
set -eu
cd "$(dirname "$0")"
im=/usr/bin/convert
[ -x "$im" ] || im=convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Render large and scale down: finer edges than rendering at 32 directly.
"$im" -background none -density 768 varadadid.svg -resize 256x256 -depth 8 \
    -define png:color-type=6 -strip "PNG32:varadadid-256.png"
"$im" -background none -density 768 varadadid.svg -filter box -resize 32x32 -depth 8 \
    -channel A -threshold 50% +channel -strip "$tmp/32.png"
"$im" "$tmp/32.png" -colors 255 -strip "PNG8:varadadid-32.png"
# PaletteMatte keeps the 32 x 32 entry at 8 bits a pixel, its transparency in the AND mask.
"$im" \( varadadid-32.png -type PaletteMatte \) varadadid-256.png "ICO:../windows/varadadid.ico"
