#!/bin/sh
# Started without a display, the demo must say it cannot open its window and
# exit with status 1 instead of crashing.
blobs="$1"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$blobs" 2>&1 </dev/null)
status=$?
echo "$out"
[ "$status" -eq 1 ] || { echo "expected exit status 1, got $status"; exit 1; }
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || { echo "expected one line"; exit 1; }
case "$out" in
   *"could not open a 640x480 8-bit window"*) ;;
   *) echo "the message does not name the window"; exit 1 ;;
esac
