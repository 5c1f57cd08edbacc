#!/bin/bash
# No memory for a blob record: the demo says so in one line, frees the blobs
# it had made, and exits with status 1. The allocation fails for real in
# the demo's own code: a preloaded operator new refuses the allocation with
# the given number, as one does when memory runs out, and counts what is
# made and freed. A demo that gets every blob frees all 64 when it ends.
#
# The same module's malloc refuses the library the memory for the pixels of
# one of the two frame bitmaps, each alone, or of the window's screen: the
# line says which, and for the window it gives the library's own reason.
#
# usage: no_memory.sh BLOBS BLOBS_FRAMES REFUSE_NEW_LIBRARY
BLOBS=$1
BLOBS_FRAMES=$2
REFUSE_NEW_LIBRARY=$3
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

END_LIMIT=10      # whole seconds within which the demo must have ended
BLOB_COUNT=64
FRAME_PIXELS=$((320 * 240))    # bytes of a frame bitmap's pixels, 8-bit
SCREEN_PIXELS=$((640 * 480))   # and of the window's screen

# Starts the demo with allocation $1 refused, and any further settings given
# (such as REFUSE_MALLOC=...).
launch_refusing()
{
   rm -f "$WORK/report"
   env REFUSE_NEW="$1" REFUSE_NEW_REPORT="$WORK/report" LD_PRELOAD="$REFUSE_NEW_LIBRARY" \
      "${@:2}" "$BLOBS" </dev/null >"$WORK/demo.log" 2>&1 &
   DEMO_PID=$!
}

start_x
for refused in 1 2 33 "$BLOB_COUNT"; do
   launch_refusing "$refused"
   wait_for_end "$END_LIMIT"
   echo "record $refused refused: status $DEMO_STATUS, $(cat "$WORK/report"): $(cat "$WORK/demo.log")"
   [ "$DEMO_STATUS" -eq 1 ] || fail "status $DEMO_STATUS, not 1"
   [ "$(cat "$WORK/demo.log")" = "blobs: out of memory for the 64 blobs" ] ||
      fail "not the one line about memory"
   made=$((refused - 1))
   [ "$(cat "$WORK/report")" = "made $made freed $made" ] || fail "not every blob made was freed"
done

# Refused: the Nth allocation of SIZE bytes, and the line that says so. The
# buffer's pixels come first, then the background's.
while IFS=: read -r size nth line; do
   launch_refusing 0 REFUSE_MALLOC="$size:$nth"
   wait_for_end "$END_LIMIT"
   echo "allocation $nth of $size bytes refused: status $DEMO_STATUS: $(cat "$WORK/demo.log")"
   [ "$DEMO_STATUS" -eq 1 ] || fail "status $DEMO_STATUS, not 1"
   [ "$(cat "$WORK/demo.log")" = "blobs: $line" ] || fail "not the one line: blobs: $line"
done <<EOF
$FRAME_PIXELS:1:could not create the 320x240 frame bitmaps
$FRAME_PIXELS:2:could not create the 320x240 frame bitmaps
$SCREEN_PIXELS:1:could not open a 640x480 8-bit window: Not enough memory
EOF

# With nothing refused the demo runs, and frees every blob on Escape.
start_demo env REFUSE_NEW=0 REFUSE_NEW_REPORT="$WORK/report" LD_PRELOAD="$REFUSE_NEW_LIBRARY"
end_with_escape 10
echo "nothing refused: status $DEMO_STATUS after Escape, $(cat "$WORK/report")"
[ "$DEMO_STATUS" -eq 0 ] || fail "status $DEMO_STATUS after Escape, not 0"
[ "$(cat "$WORK/report")" = "made $BLOB_COUNT freed $BLOB_COUNT" ] ||
   fail "not every blob was freed on Escape"
