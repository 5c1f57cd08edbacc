#!/bin/bash
# The signals that ask a program to end (Ctrl+C's SIGINT, Ctrl+\'s SIGQUIT,
# SIGTERM and SIGHUP) end the demo the way Escape does, and the process then
# ends by that same signal: a shell sees 130, 131, 143 or 129, and nothing
# is printed. Each signal is sent at several moments: while the library is
# still starting, while frames are paced, and with Tab held. A signal that
# was ignored when the demo started stays ignored.
#
# usage: signals.sh BLOBS BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

END_LIMIT=5       # whole seconds within which the demo must have ended
DEFAULTS=(env "--default-signal=INT,QUIT")
# When the signal is sent: seconds after launch, before the window shows;
# seconds after a frame was seen; or seconds into holding Tab.
MOMENTS="launch:0 launch:0.04 launch:0.15 paced:0 paced:0.33 tab:0.2"

declare -A STATUS_OF=([INT]=130 [QUIT]=131 [TERM]=143 [HUP]=129)

# Sends signal $1 at moment $2 and checks how the demo ended.
try_signal()
{
   local sig=$1 when=${2%%:*} delay=${2#*:}
   case "$when" in
      launch) launch_demo; sleep "$delay" ;;
      paced) start_demo "${DEFAULTS[@]}"; sleep "$delay" ;;
      tab) start_demo "${DEFAULTS[@]}"; xdotool keydown Tab; sleep "$delay" ;;
   esac
   kill -s "$sig" "$DEMO_PID"
   wait_for_end "$END_LIMIT"
   [ "$when" = tab ] && xdotool keyup Tab
   echo "SIG$sig at $2: status $DEMO_STATUS after $(seconds "$END_US") s"
   [ "$DEMO_STATUS" -eq "${STATUS_OF[$sig]}" ] ||
      fail "SIG$sig at $2: status $DEMO_STATUS, not ${STATUS_OF[$sig]}: $(cat "$WORK/demo.log")"
   [ ! -s "$WORK/demo.log" ] || fail "SIG$sig at $2: the demo printed: $(cat "$WORK/demo.log")"
}

start_x
# A first run lets the new server settle: one that has only just come up
# has been seen to refuse a client now and then.
start_demo
end_with_escape 10

for sig in INT TERM QUIT HUP; do
   for moment in $MOMENTS; do
      try_signal "$sig" "$moment"
   done
done

# Started from a script, without job control, the demo inherits SIGINT and
# SIGQUIT ignored, as its shell meant: Ctrl+C in the terminal is for the
# script. They stay ignored, and Escape still ends it.
start_demo
kill -s INT "$DEMO_PID"
kill -s QUIT "$DEMO_PID"
sleep 0.5
kill -0 "$DEMO_PID" 2>/dev/null || fail "an ignored signal ended the demo: $(cat "$WORK/demo.log")"
end_with_escape 10
[ "$DEMO_STATUS" -eq 0 ] || fail "after ignored signals, Escape gave status $DEMO_STATUS"
echo "SIGINT and SIGQUIT inherited ignored: still running; Escape then gave status 0"
