#!/bin/bash
# A short real run under valgrind's memcheck, ended with Escape: no invalid
# read or write, no use of uninitialised memory, and no bytes definitely lost.
# The run must get as far as showing frames; a shot of one proves it.
#
# usage: memcheck.sh BLOBS BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

RUN=2             # seconds the demo runs under valgrind before Escape
ESCAPE_LIMIT=60   # seconds allowed for it to end and for valgrind's report
ERROR_STATUS=99   # what valgrind exits with when it found an error

command -v valgrind >/dev/null || fail "valgrind is not installed (scripts/install-deps.sh --test)"

start_x
start_demo valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite \
   --track-origins=yes --num-callers=30 \
   --error-exitcode="$ERROR_STATUS" --log-file="$WORK/memcheck.log"
echo "under valgrind the window showed frame $FIRST_T"
sleep "$RUN"
end_with_escape "$ESCAPE_LIMIT"

# valgrind's own summary: the leaks by kind, and the errors.
sed -n '/LEAK SUMMARY\|All heap blocks were freed/,$p' "$WORK/memcheck.log" | sed 's/^==[0-9]*== //'

[ "$DEMO_STATUS" -ne "$ERROR_STATUS" ] || fail "memcheck found errors: $(cat "$WORK/memcheck.log")"
[ "$DEMO_STATUS" -eq 0 ] || fail "exit status $DEMO_STATUS under valgrind, not 0"
grep -q "ERROR SUMMARY: 0 errors" "$WORK/memcheck.log" || fail "no clean error summary"
grep -qE "definitely lost: 0 bytes|All heap blocks were freed" "$WORK/memcheck.log" ||
   fail "bytes definitely lost"
