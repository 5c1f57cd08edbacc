#!/bin/bash
# The Windows program, unable to start, says why in the library's message
# box and, once the box is closed, ends with status 1. Under Wine a machine
# without DirectInput is played by switching Wine's off: the keyboard then
# cannot be installed. Wine's trace of message boxes shows the box's text.
# The window has left its graphics mode by then: drawn over, the box would
# stay blank.
#
# usage: wine_failure.sh BLOBS_EXE BLOBS_FRAMES WINE_PREFIX
BLOBS=$1
BLOBS_FRAMES=$2
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

MESSAGE="could not install the keyboard"
BOX_WAIT=30       # seconds allowed for the box to show
END_LIMIT=5       # seconds within which the demo must end once the box is closed

start_x
use_wine "$3"
WINEDEBUG=trace+msgbox WINEDLLOVERRIDES=dinput=d wine "$BLOBS" </dev/null >"$WORK/demo.log" 2>&1 &
DEMO_PID=$!

deadline=$(($(now_us) + BOX_WAIT * 1000000))
until shown=$(sed -n 's/.*MSGBOX_OnInit L"\(.*\)"$/\1/p' "$WORK/demo.log") && [ -n "$shown" ]; do
   kill -0 "$DEMO_PID" 2>/dev/null || fail "the demo ended without a message box: $(cat "$WORK/demo.log")"
   [ "$(now_us)" -lt "$deadline" ] || fail "no message box within $BOX_WAIT s"
   sleep 0.1
done
echo "message box: $shown"
[ "$shown" = "$MESSAGE" ] || fail "the box says '$shown', not '$MESSAGE'"
# A picture of the screen with the box on it, once drawn, kept if the test
# fails; then Return presses the box's one button, OK.
sleep 0.5
xwd -silent -root | convert xwd:- "$WORK/message.png"
for window in $(xdotool search --onlyvisible --name '^blobs'); do
   eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(WIDTH|HEIGHT)=')"
   [ "$WIDTH" -lt 640 ] || fail "a ${WIDTH}x$HEIGHT window still shows beside the box"
done
hold_key Return 0.2
wait_for_end "$END_LIMIT"
echo "ended with status $DEMO_STATUS once the box was closed"
[ "$DEMO_STATUS" -eq 1 ] || fail "exit status $DEMO_STATUS, not 1"
