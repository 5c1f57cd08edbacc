#!/bin/sh
# Started without a display, the demo must say in one line that it cannot
# open its window, and why, and exit with status 1 instead of crashing: with
# no DISPLAY set, and with one that names a display that cannot be opened
# (display 99999 has neither a socket nor a TCP port). A demo built for
# another processor runs under the emulator BLOBS_LAUNCHER names.
blobs="$1"
UNREACHABLE=:99999

# Runs the demo with DISPLAY as given (unset when empty) and fails unless
# it ends with status 1 and the one line expected.
check()
{
   # shellcheck disable=SC2086 # the emulator and its options, one word each
   out=$(env -u DISPLAY -u WAYLAND_DISPLAY ${1:+DISPLAY="$1"} timeout 20 ${BLOBS_LAUNCHER:-} "$blobs" \
         2>&1 </dev/null)
   status=$?
   echo "$out"
   [ "$status" -eq 1 ] || { echo "expected exit status 1, got $status"; exit 1; }
   [ "$out" = "blobs: could not open a 640x480 8-bit window: $2" ] ||
      { echo "expected: blobs: could not open a 640x480 8-bit window: $2"; exit 1; }
}

check "" "no DISPLAY set"
check "$UNREACHABLE" "could not open the display $UNREACHABLE"
