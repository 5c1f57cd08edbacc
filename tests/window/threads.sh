#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# The demo's two threads, checked in a real run: a build of the demo under
# ThreadSanitizer runs paced, then with Tab held, then ends with Escape. The
# frame loop clears and polls the tick counter while the library's timer
# thread adds to it; any unsynchronised access to data of the program's own
# is reported. The library itself is not instrumented, so its keyboard state,
# written by its own thread, is not reported.
#
# Run in the build made with BLOBS_SANITIZE=thread. GCC 12's ThreadSanitizer
# cannot start on kernels that randomise more of the address space than it
# expects (vm.mmap_rnd_bits above 28); there the test says so and exits with
# CTest's skip code.
#
# usage: threads.sh BLOBS BLOBS_FRAMES   (both built under ThreadSanitizer)
BLOBS=$1
BLOBS_FRAMES=$2

# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

skip_where_tsan_cannot_start

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
