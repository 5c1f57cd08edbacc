#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# The running demo's window is 640x480, and what it shows is, pixel for pixel,
# a frame that the demo's own code composes for some frame count, stretched
# by two: every 2x2 block of a shot is one colour. The frame tool checks both
# the pixels and the blocks. The window carries the class of the menu entry,
# the demo's process id and the 48 pixel menu icon.
#
# The first frame it shows is frame 1. With its clocks slowed a thousandfold
# by libfaketime, preloaded, its 10 ms tick lasts ten seconds, and the first
# frame stays long enough for a shot.
#
# usage: frame.sh BLOBS BLOBS_FRAMES FAKETIME_LIBRARY
BLOBS=$1
BLOBS_FRAMES=$2
FAKETIME_LIBRARY=$3
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

POINTS=3          # shots checked, at moments apart
POINT_GAP=0.3     # seconds between them
SLOWED="+0 x0.001"   # libfaketime's clocks: as they are, at a thousandth of the speed

start_x
start_demo

check_window_size
packaging="$(dirname "$0")/../../packaging"
check_identity "$packaging/blobs.desktop" "$packaging/icons/48x48/blobs.png"

check_frames "$POINTS" "$POINT_GAP"

end_with_escape 10

[ -f "$FAKETIME_LIBRARY" ] || fail "libfaketime is not installed (scripts/install-deps.sh --test)"
start_demo env LD_PRELOAD="$FAKETIME_LIBRARY" FAKETIME="$SLOWED"
echo "with its clocks slowed, the window shows frame $FIRST_T first"
[ "$FIRST_T" -eq 1 ] || fail "the first frame shown is $FIRST_T, not 1"
kill -KILL "$DEMO_PID"
wait "$DEMO_PID" 2>/dev/null
DEMO_PID=""
