#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# When the display goes away under it, the demo ends within a second or so,
# with status 1 and one line on standard error that says it lost its display
# and why, as Xlib tells it; it never hangs. Three ways, five times each, at
# moments apart, paced and with Tab held:
#
#   close    another client destroys the demo's window (xdotool windowclose):
#            the line names the X error its drawing met
#   kill     another client kills the demo's connection (xdotool windowkill)
#   server   the X server ends: politely (SIGTERM) or not (SIGKILL)
#
# For the last two the line says what Xlib's own handler would say: that the
# connection was broken by a kill or the server's end.
#
# usage: lost_display.sh BLOBS BLOBS_FRAMES
BLOBS=$1
BLOBS_FRAMES=$2
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

END_LIMIT=3       # whole seconds within which the demo must have ended
BROKEN="X connection broken (explicit kill or server shutdown)"
# Seconds after a frame was seen, each with Tab held or not.
MOMENTS="paced:0 tab:0.05 paced:0.21 tab:0.4 paced:0.73"

# Takes the display away from the demo by way $1 at moment $2, and checks
# how the demo ended.
try_losing()
{
   local way=$1 when=${2%%:*} delay=${2#*:} lines display=$DISPLAY
   start_demo
   [ "$when" = tab ] && xdotool keydown Tab
   sleep "$delay"
   case "$way" in
      close) xdotool windowclose "$WINDOW" ;;
      kill) xdotool windowkill "$WINDOW" ;;
      server-TERM | server-KILL) kill -s "${way#server-}" "$XVFB_PID" ;;
   esac
   wait_for_end "$END_LIMIT"
   case "$way" in
      server-*) wait "$XVFB_PID" 2>/dev/null; start_x ;;
      *) [ "$when" = tab ] && xdotool keyup Tab ;;
   esac

   echo "$way at $2: status $DEMO_STATUS after $(seconds "$END_US") s: $(cat "$WORK/demo.log")"
   [ "$DEMO_STATUS" -eq 1 ] || fail "$way at $2: status $DEMO_STATUS, not 1"
   lines=$(wc -l <"$WORK/demo.log")
   [ "$lines" -eq 1 ] || fail "$way at $2: $lines lines on standard error, not one"
   grep -q "^blobs: lost the display $display: ." "$WORK/demo.log" ||
      fail "$way at $2: the line does not say the display was lost, and why"
   if [ "$way" != close ] && ! grep -qF ": $BROKEN" "$WORK/demo.log"; then
      fail "$way at $2: the line does not say the connection was broken"
   fi
}

start_x
for way in close kill; do
   for moment in $MOMENTS; do
      try_losing "$way" "$moment"
   done
done
for moment in $MOMENTS; do
   try_losing server-TERM "$moment"
   try_losing server-KILL "$moment"
done
