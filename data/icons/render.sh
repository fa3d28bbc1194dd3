#!/bin/sh
# Renders the icons' PNG sizes from their SVG files (rsvg-convert, Debian package
# librsvg2-bin). The PNGs are committed, so a build needs no SVG renderer; run this
# after changing an SVG.
set -eu
cd "$(dirname "$0")"
for name in snaprill snaprill-paused; do
  for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$name.svg" -o "$name-$size.png"
  done
done
