#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# The running demo's window is 640x480, and what it shows is, pixel for pixel,
# a frame that the demo's own code composes for some frame count, stretched
# by two: every 2x2 block of a shot is one colour. The frame tool checks both
# the pixels and the blocks. The window carries the class of the menu entry,
# the demo's process id and the 48 pixel menu icon.
#
# usage: frame.sh BLOBS BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

POINTS=3          # shots checked, at moments apart
POINT_GAP=0.3     # seconds between them

start_x
start_demo

check_window_size
packaging="$(dirname "$0")/../../packaging"
check_identity "$packaging/blobs.desktop" "$packaging/icons/48x48/blobs.png"

check_frames "$POINTS" "$POINT_GAP"

end_with_escape 10
