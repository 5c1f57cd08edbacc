#!/bin/bash
# shellcheck disable=SC2119  # start_demo takes an optional wrapper command
# When the display goes away under it, the demo ends within a second or so,
# with status 1 and one line on standard error that says it lost its display
# and why, as Xlib tells it; it never hangs. Four ways, five times each, at
# moments apart, paced and with Tab held:
#
#   close    another client destroys the demo's window (xdotool windowclose):
#            the line names the X error its drawing met
#   kill     another client kills the demo's connection (xdotool windowkill)
#   server   the X server ends: politely (SIGTERM) or not (SIGKILL)
#   writing  the X server killed while strace holds the frame loop at a
#            write to it, which Xlib found whole: the write meets a closed
#            connection, whose SIGPIPE would end the demo without a word
#
# For the last three the line says what Xlib's own handler would say: that
# the connection was broken by a kill or the server's end.
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
      writing) hold_write; kill -KILL "$XVFB_PID"; wait "$XVFB_PID" 2>/dev/null; stop "$HOLDER_PID" ;;
   esac
   wait_for_end "$END_LIMIT"
   case "$way" in
      server-* | writing) wait "$XVFB_PID" 2>/dev/null; start_x ;;
      *) [ "$when" = tab ] && xdotool keyup Tab ;;
   esac

   echo "$way at $2: status $DEMO_STATUS after $(seconds "$END_US") s: $(cat "$WORK/demo.log")"
   [ "$DEMO_STATUS" -eq 1 ] ||
      fail "$way at $2: status $DEMO_STATUS$( ((DEMO_STATUS > 128)) && echo " (SIG$(kill -l "$DEMO_STATUS"))"), not 1"
   lines=$(wc -l <"$WORK/demo.log")
   [ "$lines" -eq 1 ] || fail "$way at $2: $lines lines on standard error, not one"
   grep -q "^blobs: lost the display $display: ." "$WORK/demo.log" ||
      fail "$way at $2: the line does not say the display was lost, and why"
   if [ "$way" != close ] && ! grep -qF ": $BROKEN" "$WORK/demo.log"; then
      fail "$way at $2: the line does not say the connection was broken"
   fi
}

# Holds the frame loop, the demo's first thread, at its next write (writev)
# until strace, HOLDER_PID, ends; returns once it is held: stopped for strace
# in the same call, seen twice.
hold_write()
{
   local seen="" call
   strace -qq -o /dev/null -e trace=writev -e inject=writev:delay_enter=600000000:when=1 \
      -p "$DEMO_PID" 2>>"$WORK/strace.log" &
   HOLDER_PID=$!
   for _ in $(seq 100); do
      call=$(cut -d ' ' -f 3 "/proc/$DEMO_PID/stat")$(cat "/proc/$DEMO_PID/syscall")
      [[ $call = t* && $call = "$seen" ]] && return 0
      seen=$call; sleep 0.1
   done
   fail "strace held no write of the demo's (scripts/install-deps.sh --test): $(cat "$WORK/strace.log")"
}

start_x
for way in close kill writing; do
   for moment in $MOMENTS; do
      try_losing "$way" "$moment"
   done
done
for moment in $MOMENTS; do
   try_losing server-TERM "$moment"
   try_losing server-KILL "$moment"
done
