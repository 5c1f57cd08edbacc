#!/bin/bash
# After the process has stood still for half an hour or more (stopped with
# Ctrl+Z and continued, held in a debugger, its machine paused), the demo
# shows paced frames again within a second, and a signal ends it as ever.
# The library's timer thread hands its timers the time since it last woke
# as an int of 1.19 MHz units, which overflows after 30 minutes: a longer
# gap turns negative and the timer stands still for up to half an hour.
#
# libfaketime, preloaded into the demo, moves all its clocks on at once, as
# such a gap does, by 31 minutes and by 45 (both overflow): once while the
# demo is paced and once while Tab is held, in one run with the display's
# retrace (Present) and in one with the library's own wait, where Present is
# missing (played by refuse_present.cpp). Frames must come at least 40 a
# second over the two seconds that follow, and SIGTERM then ends the demo
# by that signal within a second.
#
# usage: clock_jump.sh BLOBS BLOBS_FRAMES REFUSE_PRESENT_LIBRARY FAKETIME_LIBRARY
BLOBS=$(readlink -f "$1")
BLOBS_FRAMES=$2
REFUSE_PRESENT_LIBRARY=$3
FAKETIME_LIBRARY=$4
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

WATCH=2           # seconds over which the frames are counted
RESUMED_HZ=40     # frames a second at least, over them
TAB_HOLD=0.3      # seconds Tab is held before the jump, and after it
END_LIMIT=1       # whole seconds within which SIGTERM must end the demo

# Jumps the clocks by $1 minutes while the demo is paced, or with Tab held
# when $2 says tab, and checks that paced frames come again.
try_jump()
{
   if [ "$2" = tab ]; then
      xdotool keydown Tab
      sleep "$TAB_HOLD"
      jump_clock "$1"
      sleep "$TAB_HOLD"
      xdotool keyup Tab
   else
      jump_clock "$1"
   fi
   check_paced "$1 minutes on ($2)" "$WATCH" "$RESUMED_HZ" $((TICK_HZ + 2))
}

# Ends the demo with SIGTERM and checks that it ended by that signal, soon.
try_ending()
{
   kill -s TERM "$DEMO_PID"
   wait_for_end "$END_LIMIT"
   echo "SIGTERM: ended $(cat "$WORK/demo.end") after $(seconds "$END_US") s"
   [ "$(cat "$WORK/demo.end")" = "by signal $(kill -l TERM)" ] ||
      fail "SIGTERM: the demo ended $(cat "$WORK/demo.end"): $(cat "$WORK/demo.log")"
}

start_x
start_faked_demo
try_jump 31 paced
try_jump 45 tab
try_ending

start_faked_demo "$REFUSE_PRESENT_LIBRARY" -- REFUSE_PRESENT=extension
try_jump 45 paced
try_jump 31 tab
try_ending
