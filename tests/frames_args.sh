#!/bin/bash
# blobs-frames checks its numbers: anything but whole numbers with
# 1 <= FIRST <= LAST and STEP >= 1 gets the usage line and status 2 and
# writes nothing, while a range the user asked for, up to the largest int,
# is carried out and ends.
#
# usage: frames_args.sh BLOBS_FRAMES
set -u
frames=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/blobs-frames-args.XXXXXX")
trap 'rm -rf "$work"' EXIT
LIMIT=60          # seconds any one command may take
failures=0

fail()
{
   echo "FAIL: $*"
   failures=$((failures + 1))
}

# Runs the tool; sets STATUS and ERR (its standard error).
run()
{
   timeout "$LIMIT" "$frames" "$@" >"$work/out" 2>"$work/err"
   STATUS=$?
   ERR=$(cat "$work/err")
}

mkdir "$work/frames"
for args in "1 abc" "1 3000000000" "2147483648 2147483648" "0 4" "-1 4" "5 4" \
            "1 2 0" "1 2 -3" "1 2 +1" "1 2 1.5" "1 2x" "1 2 3 4" ""; do
   # shellcheck disable=SC2086  # the words of args are the arguments
   run write "$work/frames" $args
   [ "$STATUS" -eq 2 ] || fail "write $args: status $STATUS, not 2"
   [[ "$ERR" == usage:* ]] || fail "write $args: no usage line: $ERR"
done
for args in "abc 5" "5 4" "0 10" "1"; do
   # shellcheck disable=SC2086
   run match "$work/none.ppm" $args
   [ "$STATUS" -eq 2 ] || fail "match $args: status $STATUS, not 2"
done
[ -z "$(ls -A "$work/frames")" ] || fail "frames were written: $(ls "$work/frames")"

# The end of the int range: no overflow, no endless loop, just what was asked.
run write "$work/frames" 2147483640 2147483647 4
[ "$STATUS" -eq 0 ] || fail "write near the largest int: status $STATUS: $ERR"
written=$(cd "$work/frames" && echo frame-*.bmp)
[ "$written" = "frame-2147483640.bmp frame-2147483644.bmp" ] || fail "wrote $written"

# A shot of one of those frames is found in a range that ends there.
convert "$work/frames/frame-2147483644.bmp" -scale 200% "$work/shot.ppm"
run match "$work/shot.ppm" 2147483600 2147483647
if [ "$STATUS" -ne 0 ] || [ "$(cat "$work/out")" != 2147483644 ]; then
   fail "match near the largest int: status $STATUS, printed $(cat "$work/out"): $ERR"
fi

[ "$failures" -eq 0 ] || exit 1
echo "all cases as expected"
