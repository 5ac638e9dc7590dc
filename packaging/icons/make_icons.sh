#!/bin/sh
# Renders the hicolor PNG sizes and the window's own icon from the scalable icon.
# Needs rsvg-convert (Debian package librsvg2-bin); run again after editing the SVG.
set -eu
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" org.lumenpage.Lumenpage.svg -o "org.lumenpage.Lumenpage-$size.png"
done
cp org.lumenpage.Lumenpage-64.png ../../ui/icons/lumenpage.png
