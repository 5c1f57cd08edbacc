#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# Pacing in a real window. Paced, the frame count advances at the rate of the
# library's simulated retrace: under X11 vsync() waits for its counter, which
# moves 70 times a second, while the 10 ms tick alone would allow 100. Holding
# Tab drops both waits and the motion runs well past that; on release the
# pacing comes back.
#
# Rates come from shots, each matched to the frame count it shows
# (check_paced and check_tab_outruns_tick in session.sh). The picture
# repeats every 2,304 frames, so a shot tells the advance since an earlier
# one only up to whole periods: the least advance that fits. One hold of Tab
# in three may go unproved.
#
# usage: pacing.sh BLOBS BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

RETRACE_HZ=70     # the library's simulated retrace under X11
GAP=0.5           # seconds between the shots of a paced measure
HOLDS=3           # times Tab is held ...
TAB_HOLD=0.2      # ... for this many seconds each
HOLDS_PROVED=2    # holds that must show the pacing off

# The paced rate must sit near the retrace: at least half of it, and nearer
# to it than to the tick's cap.
PACED_MIN=$((RETRACE_HZ / 2))
PACED_MAX=$(((RETRACE_HZ + TICK_HZ) / 2))

start_x
start_demo
check_paced paced "$GAP" "$PACED_MIN" "$PACED_MAX"
check_tab_outruns_tick "$HOLDS" "$TAB_HOLD" "$HOLDS_PROVED"
check_paced released "$GAP" "$PACED_MIN" "$PACED_MAX"
end_with_escape 10
