#!/bin/bash
# A timer that cannot start: the demo says so in one line and exits with
# status 1 before its frame loop, instead of spinning for ever in the wait
# for a tick that never comes. It is made to fail for real, as a user's
# process limit does: the library's timer runs in a thread of its own, and
# the demo runs as an unprivileged user whose limit on processes and threads
# (ulimit -u) leaves room for the library's first thread only.
#
# A timer lost while the demo runs: once frames show, the running demo's
# limit is lowered in the same way (prlimit), and its clocks are moved on
# by 31 minutes (libfaketime, as in clock_jump.sh), so that the timer
# stands still and cannot be started again. Escape still ends the demo at
# once, with status 0, whether it waits for its tick (Present paces it) or
# in the library's retrace wait (no Present, played by refuse_present.cpp);
# left alone, it ends within LOST_LIMIT seconds of the jump with one line
# and status 1.
#
# Root alone may run a program as another user, and a limit on processes
# does not bind root itself; elsewhere the test counts as skipped.
#
# usage: no_timer.sh BLOBS BLOBS_FRAMES FAKETIME_LIBRARY REFUSE_PRESENT_LIBRARY
BLOBS=$1
BLOBS_FRAMES=$2
FAKETIME_LIBRARY=$3
REFUSE_PRESENT_LIBRARY=$4
SKIP_STATUS=77
USER_ID=65534     # nobody
GROUP_ID=65534    # nogroup
END_LIMIT=10      # whole seconds within which the demo must have ended
ESCAPE_AFTER=0.5  # seconds after the jump at which Escape goes down ...
ESCAPE_LIMIT=1    # ... and whole seconds within which it must end the demo
LOST_LIMIT=3      # whole seconds after the jump within which the demo ends
                  # by itself: it tries the timer for 2
LOST_LINE="blobs: the 10 ms timer stopped and could not be started again"

if [ "$(id -u)" -ne 0 ]; then
   echo "skipped: only root can run the demo as another user"
   exit "$SKIP_STATUS"
fi
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

# The user may not read the build folder; a copy in a folder of its own.
mkdir -m 755 "$WORK/bin"
cp "$BLOBS" "$WORK/bin/blobs"
cp "$REFUSE_PRESENT_LIBRARY" "$WORK/bin/refuse_present.so"
chmod 755 "$WORK" "$WORK/bin/blobs" "$WORK/bin/refuse_present.so"
AS_USER=(setpriv --reuid="$USER_ID" --regid="$GROUP_ID" --clear-groups)

# The demo's own process and the library's first thread fit, on top of
# whatever runs as that user already; the timer's thread does not.
running=$(ps -L -u "$USER_ID" --no-headers | wc -l)
limit=$((running + 2))

start_x
(ulimit -u "$limit" && exec "${AS_USER[@]}" "$WORK/bin/blobs") </dev/null >"$WORK/demo.log" 2>&1 &
DEMO_PID=$!
wait_for_end "$END_LIMIT"

echo "with room for $limit processes and threads: status $DEMO_STATUS after" \
     "$(seconds "$END_US") s: $(cat "$WORK/demo.log")"
[ "$DEMO_STATUS" -eq 1 ] || fail "status $DEMO_STATUS, not 1"
[ "$(cat "$WORK/demo.log")" = "blobs: could not start the 10 ms timer" ] ||
   fail "not the one line about the timer"

# Starts the demo as the user with its clocks faked, with any further
# module given preloaded and any variables set; once it shows frames,
# leaves it no room for another thread and moves its clocks on. Only the
# demo, not what starts it as root, has libfaketime: its shared memory would
# otherwise be root's, which the user may not open; and the limit is
# lowered by the user, as a process may lower its own.
#
# usage: lose_timer WHAT [MODULE] [VARIABLE=VALUE ...]
BLOBS=$WORK/bin/blobs
lose_timer()
{
   WHAT=$1
   shift
   fake_clocks ${1:+"$1"}
   [ $# -gt 0 ] && shift
   start_demo "${WAITED[@]}" "${AS_USER[@]}" "${FAKED[@]}" "$@"
   follow_waited
   "${AS_USER[@]}" prlimit --pid "$DEMO_PID" --nproc="$limit" ||
      fail "$WHAT: prlimit could not lower the limit"
   jump_clock 31
   echo "$WHAT: no room for another thread, and the clocks moved on 31 minutes"
}

# Checks that the demo ended as $1 says, with the output $2.
check_end()
{
   echo "$WHAT: ended $(cat "$WORK/demo.end") $(seconds "$END_US") s on: $(cat "$WORK/demo.log")"
   [ "$(cat "$WORK/demo.end")" = "$1" ] || fail "$WHAT: ended $(cat "$WORK/demo.end"), not $1"
   [ "$(cat "$WORK/demo.log")" = "$2" ] || fail "$WHAT: the demo printed: $(cat "$WORK/demo.log")"
}

# Holds Escape once the timer is lost, and checks that it ends the demo.
check_escape()
{
   sleep "$ESCAPE_AFTER"
   xdotool keydown Escape
   wait_for_end "$ESCAPE_LIMIT"
   xdotool keyup Escape
   check_end "with status 0" ""
}

lose_timer "Escape in the tick wait"
check_escape
lose_timer "Escape in the library's retrace wait" "$WORK/bin/refuse_present.so" REFUSE_PRESENT=extension
check_escape

lose_timer "left alone"
wait_for_end "$LOST_LIMIT"
check_end "with status 1" "$LOST_LINE"
