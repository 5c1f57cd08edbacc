#!/bin/sh
# The committed icons, the menu's PNGs, the window's XPM, the Windows
# program's icon file and the web app's PNGs, still show what
# packaging/make-icon.sh makes from the demo's frame today, pixel for pixel:
# a change to the picture that the icons were not made again for fails here.
# Pixels, not bytes, are compared, since another ImageMagick may write the
# same picture differently.
#
# usage: icon.sh BLOBS_FRAMES
set -u
BLOBS_FRAMES=$1
here="$(cd "$(dirname "$0")" && pwd)"
committed="$here/../icons"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$here/../make-icon.sh" "$BLOBS_FRAMES" "$work" || { echo "FAIL: make-icon.sh failed"; exit 1; }

status=0
made=0
for icon in "$work"/*/blobs*.*; do
   name="$(basename "$(dirname "$icon")")/$(basename "$icon")"
   made=$((made + 1))
   if [ ! -f "$committed/$name" ]; then
      echo "FAIL: no committed icon $name"
      status=1
      continue
   fi
   # compare prints the number of pixels that differ on standard error; an
   # icon file is compared picture by picture.
   pictures=$(identify "$icon" | wc -l)
   if [ "$(identify "$committed/$name" | wc -l)" -ne "$pictures" ]; then
      echo "FAIL: $name: not the $pictures pictures that make-icon.sh makes"
      status=1
      continue
   fi
   for i in $(seq 0 $((pictures - 1))); do
      [ "$pictures" -gt 1 ] && picture="[$i]" || picture=""
      if differ="$(compare -metric AE "$committed/$name$picture" "$icon$picture" null: 2>&1)"; then
         echo "$name$picture: equal"
      else
         echo "FAIL: $name$picture: $differ pixels differ; run packaging/make-icon.sh"
         status=1
      fi
   done
done
[ "$made" -gt 0 ] || { echo "FAIL: make-icon.sh made no icon"; exit 1; }
[ "$(find "$committed" -name 'blobs*.*' | wc -l)" -eq "$made" ] ||
   { echo "FAIL: icons committed that make-icon.sh no longer makes"; status=1; }
exit "$status"
