#!/bin/bash
# A timer that cannot start: the demo says so in one line and exits with
# status 1 before its frame loop, instead of spinning for ever in the wait
# for a tick that never comes. It is made to fail for real, as a user's
# process limit does: the library's timer runs in a thread of its own, and
# the demo runs as an unprivileged user whose limit on processes and threads
# (ulimit -u) leaves room for the library's first thread only.
#
# Root alone may run a program as another user, and a limit on processes
# does not bind root itself; elsewhere the test counts as skipped.
#
# usage: no_timer.sh BLOBS BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
SKIP_STATUS=77
USER_ID=65534     # nobody
GROUP_ID=65534    # nogroup
END_LIMIT=10      # whole seconds within which the demo must have ended

if [ "$(id -u)" -ne 0 ]; then
   echo "skipped: only root can run the demo as another user"
   exit "$SKIP_STATUS"
fi
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

# The user may not read the build folder; a copy in a folder of its own.
mkdir -m 755 "$WORK/bin"
cp "$BLOBS" "$WORK/bin/blobs"
chmod 755 "$WORK" "$WORK/bin/blobs"

# The demo's own process and the library's first thread fit, on top of
# whatever runs as that user already; the timer's thread does not.
running=$(ps -L -u "$USER_ID" --no-headers | wc -l)
limit=$((running + 2))

start_x
ulimit -u "$limit"
setpriv --reuid="$USER_ID" --regid="$GROUP_ID" --clear-groups \
   "$WORK/bin/blobs" </dev/null >"$WORK/demo.log" 2>&1 &
DEMO_PID=$!
wait_for_end "$END_LIMIT"

echo "with room for $limit processes and threads: status $DEMO_STATUS after" \
     "$(seconds "$END_US") s: $(cat "$WORK/demo.log")"
[ "$DEMO_STATUS" -eq 1 ] || fail "status $DEMO_STATUS, not 1"
[ "$(cat "$WORK/demo.log")" = "blobs: could not start the 10 ms timer" ] ||
   fail "not the one line about the timer"
