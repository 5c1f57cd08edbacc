#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# The Windows program under Wine, with no window manager or, with --wm,
# under openbox: its window's client area is 640x480 and shows, pixel for
# pixel, frames that the demo's own code composes; paced, it shows no more
# than the tick's 100 frames a second, and goes on so with its window in the
# background (where the library would pause its timer, leaving the tick
# wait to spin); Tab held runs it faster than the tick allows; and Escape
# held ends it within two seconds, with status 0 and without a word.
#
# Under Wine the library's vsync() returns at once, so the 10 ms tick alone
# paces the demo: a rate above the tick's means the tick wait, or the
# tick's reset at the start of each frame, is missing.
#
# With --clock, the run has libfaketime preloaded into Wine, the demo and
# Wine's server alike, and before the end the clocks jump on by 31 minutes
# while the demo is paced and by 45 while Tab is held, as though the machine
# had slept that long: the library's timer hands its timers the time since
# it last woke as an int of 1.19 MHz units, which overflows after 30
# minutes, and unbounded would leave the tick half an hour away. Paced
# frames must come again at once. Wine's server must read the same clocks
# as the program, whose waits it times, so it is started with them.
#
# usage: wine.sh BLOBS_EXE BLOBS_FRAMES WINE_PREFIX [--wm | --clock FAKETIME_LIBRARY]
BLOBS=$1
BLOBS_FRAMES=$2
FAKETIME_LIBRARY=${5:-}
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

POINTS=3          # shots matched to frames, at moments apart
POINT_GAP=0.3     # seconds between them
GAP=1.5           # seconds between the shots of a paced measure
PACED_MIN=50      # half the tick's rate: slower is not pacing but trouble
PACED_MAX=104     # the tick's, and room for the shots' own timing
HOLDS=2           # times Tab is held ...
TAB_HOLD=1        # ... for this many seconds each
HOLDS_PROVED=2    # holds that must show the pacing off
PROMPT=2          # seconds within which Escape must have ended it
PACED_TRIES=5     # measures of a paced rate, where the machine was too busy
RESUMED_HZ=40     # frames a second at least, over the two seconds after a jump

start_x
[ "${4:-}" = --wm ] && start_wm
use_wine "$3"
if [ "${4:-}" = --clock ]; then
   wineserver -w    # the server use_wine started, with the real clocks
   fake_clocks
fi
start_demo "${FAKED[@]}" wine
check_window_size

check_frames "$POINTS" "$POINT_GAP"

check_paced paced "$GAP" "$PACED_MIN" "$PACED_MAX"
check_tab_outruns_tick "$HOLDS" "$TAB_HOLD" "$HOLDS_PROVED"
check_paced released "$GAP" "$PACED_MIN" "$PACED_MAX"
focus_elsewhere
check_paced background "$GAP" "$PACED_MIN" "$PACED_MAX"
focus_back

if [ "${4:-}" = --clock ]; then
   check_clock_jump 31 paced "$RESUMED_HZ"
   check_clock_jump 45 tab "$RESUMED_HZ"
fi

end_with_escape "$PROMPT"
echo "ended $(seconds "$ESCAPE_US") s after Escape went down, status $DEMO_STATUS"
[ "$DEMO_STATUS" -eq 0 ] || fail "exit status $DEMO_STATUS, not 0"
[ ! -s "$WORK/demo.log" ] || fail "the demo printed: $(cat "$WORK/demo.log")"
