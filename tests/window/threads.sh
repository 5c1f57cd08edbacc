#!/bin/bash
# The demo's two threads, checked in a real run: a build of the demo under
# ThreadSanitizer runs paced, then with Tab held, then ends with Escape. The
# frame loop clears and polls the tick counter while the library's timer
# thread adds to it; any unsynchronised access to data of the program's own
# is reported. The library itself is not instrumented, so its keyboard state,
# written by its own thread, is not reported.
#
# usage: threads.sh BLOBS_TSAN BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
. "$(dirname "$0")/session.sh"

RUN=1             # seconds paced, before and after Tab
TAB_HOLD=0.5      # seconds Tab is held
REPORT_STATUS=66  # what the demo exits with when a race was reported

start_x
export TSAN_OPTIONS="exitcode=$REPORT_STATUS"
start_demo
sleep "$RUN"
hold_key Tab "$TAB_HOLD"
sleep "$RUN"
end_with_escape 10

echo "ended with status $DEMO_STATUS"
if grep -q "ThreadSanitizer" "$WORK/demo.log"; then
   cat "$WORK/demo.log"
   fail "ThreadSanitizer reported the run"
fi
[ "$DEMO_STATUS" -eq 0 ] || fail "exit status $DEMO_STATUS, not 0: $(cat "$WORK/demo.log")"
