#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# Pacing in a real window. Paced, the frame count advances at the rate of the
# library's simulated retrace: under X11 vsync() waits for its counter, which
# moves 70 times a second, while the 10 ms tick alone would allow 100. Holding
# Tab drops both waits and the motion runs well past that; on release the
# pacing comes back.
#
# Rates come from shots, each matched to the frame count it shows. Shots are
# taken only while the demo is paced: one taken while Tab is held may be torn
# between two frames. The picture repeats every 2,304 frames, so a shot tells
# the advance since an earlier one only up to whole periods: the least
# advance that fits. Paced, the demo cannot advance a period in the time
# between two shots, so the least advance is the advance. Over a hold of Tab
# it is only a lower bound, and the test rests on that alone: a least
# advance beyond what the tick allows proves the pacing was off, at any
# speed. Only on a machine so fast that the count came round to within that
# allowance could a hold go unproved; one hold in three may.
#
# usage: pacing.sh BLOBS BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

RETRACE_HZ=70     # the library's simulated retrace under X11
TICK_HZ=100       # the demo's 10 ms tick
GAP=0.5           # seconds between the shots of a paced measure
HOLDS=3           # times Tab is held ...
TAB_HOLD=0.2      # ... for this many seconds each
HOLDS_PROVED=2    # holds that must show the pacing off

# The paced rate must sit near the retrace: at least half of it, and nearer
# to it than to the tick's cap.
PACED_MIN=$((RETRACE_HZ / 2))
PACED_MAX=$(((RETRACE_HZ + TICK_HZ) / 2))

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
   if [ "$r" -lt $((PACED_MIN * 10)) ] || [ "$r" -gt $((PACED_MAX * 10)) ]; then
      fail "$what: the paced rate is not within $PACED_MIN ... $PACED_MAX a second"
   fi
}

start_x
start_demo

take_point before
sleep "$GAP"
take_point paced
match_point before;        t0=$POINT_T; u0=$POINT_US
match_point paced "$t0";   t1=$POINT_T; u1=$POINT_US
check_paced "paced" $((t1 - t0)) $((u1 - u0))

proved=0
for hold in $(seq "$HOLDS"); do
   take_point "hold$hold-before"
   hold_key Tab "$TAB_HOLD"
   take_point "hold$hold-after"
   match_point "hold$hold-before";            ta=$POINT_T; ua=$POINT_US
   match_point "hold$hold-after" "$ta";       tb=$POINT_T; ub=$POINT_US
   # Frames the tick allows over the whole interval, Tab held or not.
   allowed=$((TICK_HZ * (ub - ua) / 1000000 + 1))
   r=$(rate_x10 $((tb - ta)) $((ub - ua)))
   echo "Tab held $TAB_HOLD s: at least $((tb - ta)) frames in $(seconds $((ub - ua))) s," \
        "at least $((r / 10)).$((r % 10)) a second; the tick allows $allowed"
   [ $((tb - ta)) -gt "$allowed" ] && proved=$((proved + 1))
done
[ "$proved" -ge "$HOLDS_PROVED" ] ||
   fail "with Tab held the demo outran the tick in $proved holds of $HOLDS, not $HOLDS_PROVED"

take_point released
sleep "$GAP"
take_point after
match_point released;        t2=$POINT_T; u2=$POINT_US
match_point after "$t2";     t3=$POINT_T; u3=$POINT_US
check_paced "after release" $((t3 - t2)) $((u3 - u2))

end_with_escape 10
