#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# Pacing in a real window. Paced, the demo waits for its window's next
# vertical blank, which the X server's Present extension reports: Xvfb's
# display refreshes 60 times a second, and each refresh gets one frame,
# evenly. Holding Tab drops the waits and the motion runs at several times
# that; on release the pacing comes back.
#
# Where Present fails the demo, it falls back to the library's own wait, a
# retrace simulated 70 times a second on the 10 ms tick, and goes on: with a
# server without Present, with one that never answers, with one that
# reports errors on the demo's connection, and with one that answers late,
# which costs a frame at most the demo's bound of 100 ms; answered on time
# again, Present paces it again. Xvfb always has Present, so a module
# preloaded into the demo plays all four (refuse_present.cpp). Their intervals, 10 and 20 ms, show what the
# display's own wait mends.
#
# The frames are watched from outside (check_frame_times in session.sh): the
# X server's time of each, the rate from them, the longest interval, how
# soon each frame's bottom line follows its top, and the demo's CPU. The
# rate with Tab held comes from shots, each matched to the frame count it
# shows (check_tab_outruns_tick); one hold in three may go unproved.
#
# usage: pacing.sh BLOBS BLOBS_FRAMES REFUSE_PRESENT_LIBRARY FRAME_TIMES
BLOBS=$1
BLOBS_FRAMES=$2
REFUSE_PRESENT_LIBRARY=$3
FRAME_TIMES=$4
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

REFRESH_HZ=60     # Xvfb's display, as Present reports it
LIBRARY_HZ=70     # the library's simulated retrace
WATCH=2           # seconds the frames are watched
EVEN=95           # per cent of the intervals within 4 ms of a refresh
LONGEST=80        # ms: the longest interval, short of a wait for an answer
                  # that does not come
NO_ANSWER=100     # ms the demo waits for an answer before the library's wait
LATE_HZ=20        # frames a second at least, answered late: about 40 come,
                  # and a wait for each late answer would make 4
LATE_DUE=0.5      # seconds within which the last late answer has come
HOLDS=3           # times Tab is held ...
TAB_HOLD=0.2      # ... for this many seconds each
HOLDS_PROVED=2    # holds that must show the pacing off
# The rate Tab held must outrun: three refreshes' worth natively; under an
# emulator, whose code runs several times slower, TAB_FLOOR from the
# environment, above the refresh and the tick, which shows both waits gone.
TAB_FLOOR=${TAB_FLOOR:-$((3 * REFRESH_HZ))}

# Present refused to the demo by the preloaded module, as $1 says.
start_refused()
{
   rm -f "$WORK/asked"
   start_demo env LD_PRELOAD="$REFUSE_PRESENT_LIBRARY" REFUSE_PRESENT="$1" \
      REFUSE_PRESENT_REPORT="$WORK/asked" REFUSE_PRESENT_LATE="$WORK/late"
}

start_x
# The library's wait: no faster than the tick allows, and not hung. The
# module's count shows which way the demo went: without Present it never
# asks; unanswered, it asks once, gives up after its bound, and waits for
# that answer while the library's wait paces it; at the first error it
# gives up on Present for good. A build for another processor, run under an
# emulator, has no module to preload (none is given) and goes straight to
# Present.
for refused in ${REFUSE_PRESENT_LIBRARY:+extension:0 answers:1 errors:1}; do
   start_refused "${refused%:*}"
   check_frame_times "no Present (${refused%:*})" "$WATCH" $((LIBRARY_HZ / 2)) $((TICK_HZ + 2)) "$LONGEST"
   end_with_escape 10
   [ "$(cat "$WORK/asked" 2>/dev/null)" = "asked ${refused#*:}" ] ||
      fail "no Present (${refused%:*}): $(cat "$WORK/asked" 2>/dev/null || echo "no report"), not asked ${refused#*:}"
done

# Answered late, each frame that waits for an answer waits no longer than
# the bound, and the library's wait paces those in between; answered on
# time again, Present paces every frame again, within a refresh.
if [ -n "$REFUSE_PRESENT_LIBRARY" ]; then
   touch "$WORK/late"
   start_refused late
   check_frame_times "answered late" "$WATCH" "$LATE_HZ" $((TICK_HZ + 2)) $((NO_ANSWER + LONGEST))
   rm "$WORK/late"
   sleep "$LATE_DUE"
   check_frame_times "on time again" "$WATCH" $((REFRESH_HZ - 2)).5 $((REFRESH_HZ + 1)).5 "$LONGEST" "$EVEN"
   end_with_escape 10
fi

# Present: within 1.5 of Xvfb's 60 Hz, evenly.
start_demo
check_frame_times paced "$WATCH" $((REFRESH_HZ - 2)).5 $((REFRESH_HZ + 1)).5 "$LONGEST" "$EVEN"
check_tab_outruns_tick "$HOLDS" "$TAB_HOLD" "$HOLDS_PROVED" "$TAB_FLOOR"
check_frame_times released "$WATCH" $((REFRESH_HZ - 2)).5 $((REFRESH_HZ + 1)).5 "$LONGEST" "$EVEN"
end_with_escape 10
