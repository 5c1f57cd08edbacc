#!/bin/bash
# Pacing in a real window. Paced, the frame count advances at the rate of the
# library's simulated retrace: under X11 vsync() waits for its counter, which
# moves 70 times a second, while the 10 ms tick alone would allow 100. Holding
# Tab drops both waits and the motion runs well past that; on release the
# pacing comes back.
#
# Rates come from shots about half a second apart, each matched to the frame
# count it shows. Shots are taken only while the demo is paced: one taken
# while Tab is held may be torn between two frames.
#
# usage: pacing.sh BLOBS BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
. "$(dirname "$0")/session.sh"

RETRACE_HZ=70     # the library's simulated retrace under X11
TICK_HZ=100       # the demo's 10 ms tick
GAP=0.5           # seconds between the shots of a paced measure
TAB_HOLD=0.5      # seconds Tab is held
SETTLE=0.1        # seconds after release before the next shot

# The paced rate must sit near the retrace: at least half of it, and nearer
# to it than to the tick's cap.
PACED_MIN=$((RETRACE_HZ / 2))
PACED_MAX=$(((RETRACE_HZ + TICK_HZ) / 2))
# With Tab held the frames must outrun the tick's cap, which no paced run
# can pass, over the whole interval around the hold (on a quiet machine they
# outrun it about five times). The period of the picture limits what can be
# told: an unpaced rate above about PATH_PERIOD / (TAB_HOLD + SETTLE) frames
# a second would wrap around.

# Frames a second between two matched points, times ten for one decimal.
rate_x10()
{
   echo $(($1 * 10000000 / $2))
}

# Checks that the frames advanced over an interval give a paced rate.
check_paced()
{
   local what=$1 frames=$2 us=$3 r
   r=$(rate_x10 "$frames" "$us")
   echo "$what: $frames frames in $(seconds "$us") s, $((r / 10)).$((r % 10)) a second"
   [ "$r" -ge $((PACED_MIN * 10)) ] && [ "$r" -le $((PACED_MAX * 10)) ] ||
      fail "$what: the paced rate is not within $PACED_MIN ... $PACED_MAX a second"
}

start_x
start_demo

take_point before
sleep "$GAP"
take_point paced
hold_key Tab "$TAB_HOLD"
sleep "$SETTLE"
take_point released
sleep "$GAP"
take_point after

match_point before;   t0=$POINT_T; u0=$POINT_US
match_point paced;    t1=$POINT_T; u1=$POINT_US
match_point released; t2=$POINT_T; u2=$POINT_US
match_point after;    t3=$POINT_T; u3=$POINT_US

check_paced "paced" "$(frames_between "$t0" "$t1")" $((u1 - u0))

tab_frames=$(frames_between "$t1" "$t2")
tab_us=$((u2 - u1))
tab_min=$((TICK_HZ * tab_us / 1000000 + 1))
r=$(rate_x10 "$tab_frames" "$tab_us")
echo "Tab held for $TAB_HOLD s: $tab_frames frames in $(seconds "$tab_us") s, $((r / 10)).$((r % 10)) a second"
[ "$tab_frames" -gt "$tab_min" ] ||
   fail "with Tab held the demo showed $tab_frames frames, not more than $tab_min"

check_paced "after release" "$(frames_between "$t2" "$t3")" $((u3 - u2))

end_with_escape 10
