#!/bin/sh
# Makes docs/blobs.gif, the moving picture in the README, from real frames:
# blobs-frames composes them with the demo's own code and palette, and
# ImageMagick strings them into a looping GIF that stores only what changes
# from one picture to the next.
#
# usage: scripts/make-gif.sh [OUT.gif]
set -eu
cd "$(dirname "$0")/.."

FIRST=1           # the demo's first frame
LAST=280          # four seconds of the paced demo, at 70 frames a second
STEP=2            # every second frame ...
DELAY=3           # ... shown for 3/100 s, near the demo's own pace
out="${1:-docs/blobs.gif}"

scripts/install-deps.sh --test
cmake -S . -B build
cmake --build build --target blobs-frames -j"$(nproc)"

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
build/blobs-frames write "$frames" "$FIRST" "$LAST" "$STEP"
convert -delay "$DELAY" -loop 0 "$frames"/frame-*.bmp -layers Optimize "$out"
echo "$out: $(wc -c <"$out") bytes"
