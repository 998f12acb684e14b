#!/bin/sh
# Renders the PNG icons from their SVG sources (needs rsvg-convert, Debian package librsvg2-bin).
# The PNGs are kept in the tree, so a build never needs the renderer; run this after changing an
# SVG. The application icon has a pixel-grid drawing for 16 and 32 pixels and the full drawing
# from 48 up; each toolbar icon is drawn on a 16-pixel grid and rendered at 16 and 32.
set -eu
cd "$(dirname "$0")"
for size in 16 32; do
    rsvg-convert -w $size -h $size brunovelt-small.svg -o brunovelt-$size.png
done
for size in 48 64 128 256; do
    rsvg-convert -w $size -h $size brunovelt.svg -o brunovelt-$size.png
done
for name in new open save cut copy paste about; do
    for size in 16 32; do
        rsvg-convert -w $size -h $size $name.svg -o $name-$size.png
    done
done
