#!/bin/sh
# Makes the menu icon from a real frame of the demo: the frame tool composes
# it with the demo's own code and palette, and ImageMagick cuts the middle
# square out of it and scales it to each size of the hicolor theme, as
# OUT_DIR/SIZExSIZE/blobs.png.
#
# usage: packaging/make-icon.sh [BLOBS_FRAMES [OUT_DIR]]
#        (default: build/blobs-frames and packaging/icons, the committed ones)
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"

FRAME=2020        # the lights closed into a ring, in the middle of the frame
SQUARE=240        # the frame's height: the middle square of a 320x240 frame
SIZES="48 128"    # the icon sizes installed

frames_tool="${1:-$root/build/blobs-frames}"
out="${2:-$root/packaging/icons}"
[ -x "$frames_tool" ] ||
   { echo "make-icon.sh: no frame tool at $frames_tool; build blobs-frames first" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$frames_tool" write "$work" "$FRAME" "$FRAME"
frame="$work/$(printf 'frame-%05d.bmp' "$FRAME")"

for size in $SIZES; do
   mkdir -p "$out/${size}x$size"
   # No time stamps or other metadata, so that the same pixels make the
   # same file.
   convert "$frame" -gravity center -crop "${SQUARE}x$SQUARE+0+0" +repage \
      -resize "${size}x$size" -strip -define png:exclude-chunks=date,time \
      "png:$out/${size}x$size/blobs.png"
done
