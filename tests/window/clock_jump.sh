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
# missing (played by refuse_present.cpp). Frames must come at least half as
# often over the two seconds that follow as over two seconds of the same
# run before any jump, on a timer's thread started again, which takes no
# quit signal: the frame loop's thread alone takes them, where its waits are
# cut short by them. SIGTERM then ends the demo by that signal within a
# second.
#
# In the ThreadSanitizer build too, where the restart must make no report;
# where ThreadSanitizer cannot start on the kernel the test is skipped.
#
# usage: clock_jump.sh BLOBS BLOBS_FRAMES REFUSE_PRESENT_LIBRARY FAKETIME_LIBRARY
BLOBS=$(readlink -f "$1")
BLOBS_FRAMES=$2
REFUSE_PRESENT_LIBRARY=$3
FAKETIME_LIBRARY=$4
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

# The share of the rate before the jumps that must come after each; before
# the restart there were none. The rate before is the build's and the
# machine's of the moment: a build under ThreadSanitizer composes several
# times slower, and a busy machine slows the demo and the X server alike.
RESUMED_SHARE=2   # at least 1 in RESUMED_SHARE
END_LIMIT=1       # whole seconds within which SIGTERM must end the demo

skip_where_tsan_cannot_start

# Jumps the demo's clocks (check_clock_jump) and checks that the timer was
# started again, on a thread that takes no quit signal.
check_restart()
{
   local before
   before=$(demo_threads)
   check_clock_jump "$@"
   [ "$(demo_threads)" != "$before" ] ||
      fail "$1 minutes on ($2): the timer's thread is the one from before: $before"
   check_quit_takers "$1 minutes on ($2)"
}

# Measures the paced rate before any jump, and sets RESUMED_HZ to the
# floor of the rate after each: a frame a second at the least, which a timer
# that stands still does not give.
take_reference()
{
   check_paced "before the jumps" "$CLOCK_WATCH" 1 $((TICK_HZ + 2))
   RESUMED_HZ=$((PACED_X10 / 10 / RESUMED_SHARE))
   [ "$RESUMED_HZ" -ge 1 ] || RESUMED_HZ=1
}

# Ends the demo with SIGTERM and checks that it ended by that signal, soon.
try_ending()
{
   kill -s TERM "$DEMO_PID"
   wait_for_end "$END_LIMIT"
   echo "SIGTERM: ended $(cat "$WORK/demo.end") after $(seconds "$END_US") s"
   [ "$(cat "$WORK/demo.end")" = "by signal $(kill -l TERM)" ] ||
      fail "SIGTERM: the demo ended $(cat "$WORK/demo.end"): $(cat "$WORK/demo.log")"
   ! grep -q "Sanitizer" "$WORK/demo.log" || fail "a sanitizer reported the run: $(cat "$WORK/demo.log")"
}

start_x
start_faked_demo
take_reference
check_restart 31 paced "$RESUMED_HZ"
check_restart 45 tab "$RESUMED_HZ"
try_ending

start_faked_demo "$REFUSE_PRESENT_LIBRARY" -- REFUSE_PRESENT=extension
take_reference
check_restart 45 paced "$RESUMED_HZ"
check_restart 31 tab "$RESUMED_HZ"
try_ending
