#!/bin/sh
# Makes the icons from a real frame of the demo: the frame tool composes it
# with the demo's own code and palette, and ImageMagick cuts the middle
# square out of it and scales it to each size of the hicolor theme, as
# OUT_DIR/SIZExSIZE/blobs.png. The window's own icon is the 48 pixel one
# again, as XPM data that the demo compiles in: OUT_DIR/48x48/blobs.xpm.
# The Windows program carries the same picture at the sizes Windows asks
# for, in one icon file: OUT_DIR/windows/blobs.ico. The web page, installed
# as an app, has it at 192 and 512 pixels: OUT_DIR/web/blobs-SIZE.png.
#
# usage: packaging/make-icon.sh [BLOBS_FRAMES [OUT_DIR]]
#        (default: build/blobs-frames and packaging/icons, the committed ones)
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"

FRAME=2020        # the lights closed into a ring, in the middle of the frame
SQUARE=240        # the frame's height: the middle square of a 320x240 frame
SIZES="48 128"    # the icon sizes installed
WINDOW_SIZE=48    # the size of the window's icon, the one window managers ask for
ICO_SIZES="16 32 48 256"   # title bar, taskbar, Explorer's views
WEB_SIZE=192      # the web app's icon on a home screen
WEB_LARGE=512     # the web app's splash screen: the square doubled, on black

frames_tool="${1:-$root/build/blobs-frames}"
out="${2:-$root/packaging/icons}"
[ -x "$frames_tool" ] ||
   { echo "make-icon.sh: no frame tool at $frames_tool; build blobs-frames first" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$frames_tool" write "$work" "$FRAME" "$FRAME"
frame="$work/$(printf 'frame-%05d.bmp' "$FRAME")"

# Writes the frame's middle square scaled to SIZE as a PNG at PATH, with no
# time stamps or other metadata, so that the same pixels make the same file.
scaled()
{
   convert "$frame" -gravity center -crop "${SQUARE}x$SQUARE+0+0" +repage \
      -resize "$1x$1" -strip -define png:exclude-chunks=date,time "png:$2"
}

for size in $SIZES; do
   mkdir -p "$out/${size}x$size"
   scaled "$size" "$out/${size}x$size/blobs.png"
done

# The icon file holds one picture for each size, smallest first, the
# largest compressed as PNG as Windows Vista and later read it.
ico_parts=""
for size in $ICO_SIZES; do
   scaled "$size" "$work/ico-$size.png"
   ico_parts="$ico_parts $work/ico-$size.png"
done
mkdir -p "$out/windows"
# shellcheck disable=SC2086 # one word for each picture
convert $ico_parts -define png:exclude-chunks=date,time "ico:$out/windows/blobs.ico"

# The web app's icons. The large one is not scaled smoothly but doubled,
# each pixel a 2x2 square, on a black border: sharp, and a quarter of the
# bytes, which a visit to the page downloads.
mkdir -p "$out/web"
scaled "$WEB_SIZE" "$out/web/blobs-$WEB_SIZE.png"
border=$(((WEB_LARGE - 2 * SQUARE) / 2))
convert "$frame" -gravity center -crop "${SQUARE}x$SQUARE+0+0" +repage \
   -sample "$((2 * SQUARE))x$((2 * SQUARE))" -bordercolor black -border "$border" \
   -strip -define png:exclude-chunks=date,time "png:$out/web/blobs-$WEB_LARGE.png"

# The XPM is written here rather than by ImageMagick, whose XPM writer cuts
# the scaled picture's few hundred colours down to fewer than half. Every
# colour gets a code of two characters, in the order the colours first
# appear, and the data is a C++ array of constant strings.
icon="$out/${WINDOW_SIZE}x$WINDOW_SIZE"
convert "$icon/blobs.png" -compress none ppm:- | awk '
   BEGIN { CODES = ".#abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+@" }
   { for (i = 1; i <= NF; i++) token[++n] = $i }
   END {
      w = token[2]; h = token[3]; colours = 0
      for (p = 0; p < w * h; p++) {
         rgb = sprintf("#%02X%02X%02X", token[5 + 3 * p], token[6 + 3 * p], token[7 + 3 * p])
         if (!(rgb in code)) {
            code[rgb] = substr(CODES, int(colours / 64) + 1, 1) substr(CODES, colours % 64 + 1, 1)
            order[colours++] = rgb
         }
         pixel[p] = code[rgb]
      }
      print "/* XPM */"
      print "/* The window'"'"'s icon, made by packaging/make-icon.sh from a frame of the demo. */"
      print "static const char *const BLOBS_ICON_XPM[] = {"
      printf "\"%d %d %d 2\",\n", w, h, colours
      for (c = 0; c < colours; c++) printf "\"%s c %s\",\n", code[order[c]], order[c]
      for (y = 0; y < h; y++) {
         row = ""
         for (x = 0; x < w; x++) row = row pixel[y * w + x]
         printf "\"%s\"%s\n", row, y < h - 1 ? "," : ""
      }
      print "};"
   }' >"$icon/blobs.xpm"
