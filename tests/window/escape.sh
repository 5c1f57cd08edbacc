#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# Escape held ends the demo promptly, with status 0 and without a word: a
# paced frame lasts at most two ticks, so the key is seen within a few
# hundredths of a second, and shutdown only frees the blobs.
#
# usage: escape.sh BLOBS BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

RUN=0.5           # seconds the demo runs before Escape
PROMPT=2          # seconds within which it must have ended

start_x
start_demo
sleep "$RUN"
end_with_escape "$PROMPT"

echo "ended $(seconds "$ESCAPE_US") s after Escape went down, status $DEMO_STATUS"
[ "$DEMO_STATUS" -eq 0 ] || fail "exit status $DEMO_STATUS, not 0"
[ ! -s "$WORK/demo.log" ] || fail "the demo printed: $(cat "$WORK/demo.log")"
