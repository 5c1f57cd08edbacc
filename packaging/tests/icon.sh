#!/bin/sh
# The committed icons, the menu's PNGs and the window's XPM, still show what
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
for icon in "$work"/*/blobs.*; do
   name="$(basename "$(dirname "$icon")")/$(basename "$icon")"
   made=$((made + 1))
   if [ ! -f "$committed/$name" ]; then
      echo "FAIL: no committed icon $name"
      status=1
      continue
   fi
   # compare prints the number of pixels that differ on standard error.
   if differ="$(compare -metric AE "$committed/$name" "$icon" null: 2>&1)"; then
      echo "$name: equal"
   else
      echo "FAIL: $name: $differ pixels differ; run packaging/make-icon.sh"
      status=1
   fi
done
[ "$made" -gt 0 ] || { echo "FAIL: make-icon.sh made no icon"; exit 1; }
[ "$(find "$committed" -name 'blobs.*' | wc -l)" -eq "$made" ] ||
   { echo "FAIL: icons committed that make-icon.sh no longer makes"; status=1; }
exit "$status"
