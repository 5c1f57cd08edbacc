#!/bin/bash
# The signals that ask a program to end (Ctrl+C's SIGINT, Ctrl+\'s SIGQUIT,
# SIGTERM and SIGHUP) end the demo the way Escape does, and the process then
# ends by that same signal, not by an exit with the status a shell shows for
# it: a script or loop that runs the demo stops on Ctrl+C only when the demo
# ended by SIGINT. Nothing is printed, and no core is dumped, with the core
# limit raised as far as it goes. Each signal is sent at several moments:
# while the library is still starting, while frames are paced, and with Tab
# held. A signal that was ignored when the demo started stays ignored.
#
# usage: signals.sh BLOBS BLOBS_FRAMES
BLOBS=$(readlink -f "$1")          # the demo runs in a scratch folder
BLOBS_FRAMES=$(readlink -f "$2")
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

END_LIMIT=5       # whole seconds within which the demo must have ended
DEFAULTS=(env "--default-signal=INT,QUIT")
# When the signal is sent: seconds after launch, before the window shows;
# seconds after a frame was seen; or seconds into holding Tab.
MOMENTS="launch:0 launch:0.04 launch:0.15 paced:0 paced:0.33 tab:0.2"
# Under an emulator (BLOBS_LAUNCHER) the process's signal state is the
# emulator's, which catches every signal from its own start: when the demo's
# code holds them back cannot be seen from outside, and a signal sent before
# that meets its default action, as before main() natively. Only the
# moments after the window has shown are tried there.
[ ${#LAUNCHER[@]} -gt 0 ] && MOMENTS="paced:0 paced:0.33 tab:0.2"
CORES=$WORK/cores   # where the demo runs, so that a core it dumps lands there
CORE_PATTERN=$(cat /proc/sys/kernel/core_pattern)

# Sends signal $1 at moment $2 and checks how the demo ended. Where cores go
# to a program (a core_pattern of |...), the kernel hands it one whatever
# the limit, so a core dumped says nothing of the demo there.
try_signal()
{
   local sig=$1 when=${2%%:*} delay=${2#*:} end log by
   rm -f "$WORK/demo.end"   # so that a waiter that wrote nothing is not read as the last one
   case "$when" in
      launch) launch_demo; sleep "$delay" ;;
      paced) start_demo "${WAITED[@]}" "${DEFAULTS[@]}"; follow_waited; sleep "$delay" ;;
      tab) start_demo "${WAITED[@]}" "${DEFAULTS[@]}"; follow_waited
           xdotool keydown Tab; sleep "$delay" ;;
   esac
   kill -s "$sig" "$DEMO_PID"
   wait_for_end "$END_LIMIT"
   [ "$when" = tab ] && xdotool keyup Tab
   end=$(cat "$WORK/demo.end")
   log=$(cat "$WORK/demo.log")
   if [ ${#LAUNCHER[@]} -gt 0 ]; then
      # qemu reports the end by a signal whose default action dumps a core,
      # even when the demo's core limit of 0 let it write none; the core it
      # writes for the program, qemu_*.core, is looked for instead.
      log=$(grep -v '^qemu: uncaught target signal ' "$WORK/demo.log")
      ! compgen -G "$CORES/qemu_*.core" >/dev/null ||
         fail "SIG$sig at $2: the emulator dumped a core: $(ls "$CORES")"
   fi
   by="by signal $(kill -l "$sig")"
   echo "SIG$sig at $2: ended $end after $(seconds "$END_US") s"
   [ "$end" = "$by" ] || { [ "$end" = "$by, core dumped" ] && [ "${CORE_PATTERN:0:1}" = "|" ]; } ||
      fail "SIG$sig at $2: ended $end; it must end $by, with no core${log:+: $log}"
   [ -z "$log" ] || fail "SIG$sig at $2: the demo printed: $log"
}

start_x
mkdir "$CORES"
cd "$CORES" || fail "no scratch folder $CORES"
ulimit -S -c "$(ulimit -H -c)"
echo "core limit $(ulimit -c), core_pattern $CORE_PATTERN"

for sig in INT TERM QUIT HUP; do
   for moment in $MOMENTS; do
      try_signal "$sig" "$moment"
   done
done

# Started from a script, without job control, the demo inherits SIGINT and
# SIGQUIT ignored, as its shell meant: Ctrl+C in the terminal is for the
# script. They stay ignored, and Escape still ends it.
start_demo
kill -s INT "$DEMO_PID"
kill -s QUIT "$DEMO_PID"
sleep 0.5
kill -0 "$DEMO_PID" 2>/dev/null || fail "an ignored signal ended the demo: $(cat "$WORK/demo.log")"
end_with_escape 10
[ "$DEMO_STATUS" -eq 0 ] || fail "after ignored signals, Escape gave status $DEMO_STATUS"
echo "SIGINT and SIGQUIT inherited ignored: still running; Escape then gave status 0"
