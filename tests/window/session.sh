# shellcheck shell=bash disable=SC2034
# Helpers for the window tests, sourced by each of them: a private X server
# (start_x, from scripts/xvfb.sh), the demo running in it, keys held down on
# its window, and shots of the window told apart by the frame count they
# show.
#
# The sourcing script sets BLOBS (the demo, or a build of it) and BLOBS_FRAMES
# (the frame tool), and reads what the helpers set (FIRST_T, POINT_T,
# DEMO_STATUS ...), which shellcheck cannot see used here. Everything started
# here is stopped when the script exits, and the scratch folder is kept only
# when the test fails.

set -u
export LC_ALL=C        # a '.' in EPOCHREALTIME, whatever the locale

LAST_COUNT=2147483647  # the largest frame count the demo reaches
SHOTS_PER_POINT=3      # shots taken at once; a torn one is passed over
WINDOW_WAIT=60         # seconds allowed for the window and its first frame

WORK=$(mktemp -d "${TMPDIR:-/tmp}/blobs-window.XXXXXX")
# start_x, which starts Xvfb and sets XVFB_PID and DISPLAY
# shellcheck source-path=SCRIPTDIR source=../../scripts/xvfb.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"
DEMO_PID=""
WAITER_PID=""          # the process that waits for the demo, under WAITED
WM_PID=""              # the window manager start_wm started
WINDOW=""
FIRST_T=""             # the frame count of the first frame seen

fail()
{
   echo "FAIL: $*" >&2
   exit 1
}

# Ends a process started here: politely, then for good after two seconds.
stop()
{
   kill "$1" 2>/dev/null || return 0
   for _ in $(seq 20); do
      kill -0 "$1" 2>/dev/null || break
      sleep 0.1
   done
   kill -KILL "$1" 2>/dev/null
   wait "$1" 2>/dev/null
}

# Stops whatever is still running; keeps the shots and logs of a failed test.
cleanup()
{
   status=$?
   [ -n "$DEMO_PID" ] && stop "$DEMO_PID"
   [ -n "$WM_PID" ] && stop "$WM_PID"
   [ -n "$XVFB_PID" ] && stop "$XVFB_PID"
   if [ "$status" -eq 0 ]; then
      rm -rf "$WORK"
   else
      echo "shots and logs kept in $WORK" >&2
   fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Microseconds since the epoch.
now_us()
{
   local t=$EPOCHREALTIME
   echo "${t/./}"
}

# Converts shot NAME.xwd to NAME.ppm and prints the frame count it shows,
# the first from FROM on when that is given; fails when it shows none. The
# picture repeats, so a shot tells its frame count only up to a period:
# matched from an earlier count, it tells the least advance since then.
frame_of()
{
   convert "xwd:$WORK/$1.xwd" "$WORK/$1.ppm" || fail "convert could not read $1.xwd"
   "$BLOBS_FRAMES" match "$WORK/$1.ppm" ${2:+"$2" "$LAST_COUNT"} 2>>"$WORK/match.log"
}

# Sets WINDOW to the demo's window once it is shown; fails the test when
# none comes within WINDOW_WAIT seconds, and returns 1 if the demo ends first.
# The library names the window after the program: blobs, or a build of it
# such as blobs-tsan.
find_window()
{
   local deadline=$(($(now_us) + WINDOW_WAIT * 1000000))
   WINDOW=""
   until WINDOW=$(xdotool search --onlyvisible --name '^blobs' 2>/dev/null | head -n 1) &&
         [ -n "$WINDOW" ]; do
      kill -0 "$DEMO_PID" 2>/dev/null || return 1
      [ "$(now_us)" -lt "$deadline" ] ||
         fail "no demo window within $WINDOW_WAIT s: $(cat "$WORK/demo.log")"
      sleep 0.1
   done
}

# Starts the demo, after an optional wrapper command (e.g. valgrind ...),
# waits for its window and puts the pointer over it so that keys reach it.
# Returns once the window shows frames: it opens before the demo has built
# its blobs and background, and stays black until then.
start_demo()
{
   "$@" "$BLOBS" </dev/null >"$WORK/demo.log" 2>&1 &
   DEMO_PID=$!
   find_window || fail "the demo ended before its window showed: $(cat "$WORK/demo.log")"
   xdotool mousemove --window "$WINDOW" 320 240

   local deadline=$(($(now_us) + WINDOW_WAIT * 1000000))
   until xwd -silent -id "$WINDOW" >"$WORK/first.xwd" && FIRST_T=$(frame_of first); do
      [ "$(now_us)" -lt "$deadline" ] || fail "no frame of the demo within $WINDOW_WAIT s"
      kill -0 "$DEMO_PID" 2>/dev/null || fail "the demo ended: $(cat "$WORK/demo.log")"
      sleep 0.1
   done
}

# Starts openbox on the private X server, as a desktop would have a window
# manager, and returns once it manages windows.
start_wm()
{
   local deadline=$(($(now_us) + WINDOW_WAIT * 1000000))
   command -v openbox >/dev/null || fail "openbox is not installed (scripts/install-deps.sh --test)"
   openbox >"$WORK/wm.log" 2>&1 &
   WM_PID=$!
   until wmctrl -m >/dev/null 2>&1; do
      kill -0 "$WM_PID" 2>/dev/null || fail "openbox ended: $(cat "$WORK/wm.log")"
      [ "$(now_us)" -lt "$deadline" ] || fail "openbox manages no window within $WINDOW_WAIT s"
      sleep 0.1
   done
}

# Checks that the demo's window presents itself to the desktop as Blobs: the
# class named by StartupWMClass in the menu entry DESKTOP, under the
# instance name blobs; the caption the library takes from the program's
# name; the demo's process id and host; and an icon equal, pixel for pixel,
# to the picture ICON.
check_identity()
{
   local class expected shown
   class=$(sed -n 's/^StartupWMClass=//p' "$1")
   [ -n "$class" ] || fail "$1 names no StartupWMClass"
   convert "$2" "$WORK/icon.ppm" || fail "convert could not read $2"
   expected="class: blobs $class
name: blobs
pid: $DEMO_PID
machine: $(uname -n)
icon: 48x48, 2304 opaque pixels, 0 differ"
   shown=$("$(dirname "${BASH_SOURCE[0]}")/identity.py" "$WINDOW" "$WORK/icon.ppm") ||
      fail "could not read the window's properties: $shown"
   [ "$shown" = "$expected" ] ||
      fail "the window presents itself as"$'\n'"$shown"$'\n'"not as"$'\n'"$expected"
   echo "$shown"
}

# Holds a key down for the given seconds; it goes to the demo's window, which
# lies under the pointer. The demo reads the key state, not key presses, so a
# mere tap could fall between two of its reads.
hold_key()
{
   xdotool keydown "$1"
   sleep "$2"
   xdotool keyup "$1"
}

# Holds Escape until the demo has ended, at most the given seconds, and sets
# DEMO_STATUS and ESCAPE_US (the time from key down to exit).
end_with_escape()
{
   local limit_us=$(($1 * 1000000)) start
   start=$(now_us)
   xdotool keydown Escape
   while kill -0 "$DEMO_PID" 2>/dev/null && [ $(($(now_us) - start)) -lt "$limit_us" ]; do
      sleep 0.01
   done
   ESCAPE_US=$(($(now_us) - start))
   xdotool keyup Escape
   kill -0 "$DEMO_PID" 2>/dev/null && fail "the demo still runs $1 s after Escape went down"
   wait "$DEMO_PID"
   DEMO_STATUS=$?
   DEMO_PID=""
}

# Takes a burst of shots of the window as NAME-1.xwd ..., each with the time
# at which it was taken. Matching them waits for match_point, so that the
# time between two points is not spent searching.
take_point()
{
   local i before after
   for i in $(seq "$SHOTS_PER_POINT"); do
      before=$(now_us)
      xwd -silent -id "$WINDOW" >"$WORK/$1-$i.xwd" || fail "xwd could not read the window"
      after=$(now_us)
      echo $(((before + after) / 2)) >"$WORK/$1-$i.time"
   done
}

# Sets POINT_T and POINT_US from the first shot of point NAME that shows a
# whole frame, its count the first from FROM on when that is given; a torn
# shot, caught between two frames, matches none.
match_point()
{
   local i
   for i in $(seq "$SHOTS_PER_POINT"); do
      if POINT_T=$(frame_of "$1-$i" "${2:-}"); then
         POINT_US=$(cat "$WORK/$1-$i.time")
         return 0
      fi
   done
   fail "no shot of point $1 shows a frame of the demo: $(tail -n "$SHOTS_PER_POINT" "$WORK/match.log")"
}

# Microseconds as seconds with three decimals.
seconds()
{
   printf '%d.%03d' $(($1 / 1000000)) $((($1 % 1000000) / 1000))
}

# Put before a command that runs the demo: runs it as a child and tells how
# it ended, which a shell's status cannot (an end by signal N and an exit
# with 128 + N both show as 128 + N). Once the demo has ended it writes
# "by signal N", with ", core dumped" when the kernel says so, or "with
# status N" to demo.end, and exits with the status a shell would show.
# shellcheck disable=SC2016  # the $ are perl's
WAITED=(perl -e '
   my $end = shift;
   defined(my $pid = fork) or die "fork: $!\n";
   $pid or exec { $ARGV[0] } @ARGV or die "$ARGV[0]: $!\n";
   waitpid $pid, 0;
   my ($signal, $core, $code) = ($? & 127, $? & 128, $? >> 8);
   open my $out, ">", $end or die "$end: $!\n";
   print $out $signal ? "by signal $signal" . ($core ? ", core dumped" : "") : "with status $code";
   close $out;
   exit($signal ? 128 + $signal : $code);' "$WORK/demo.end")

# Once the demo has been started under WAITED in the background, sets
# WAITER_PID to the waiter and DEMO_PID to the demo's own process, and
# returns as soon as the demo's own program runs in it. Until then the
# process is the waiter's copy or env, and a signal sent to it would not
# reach the demo.
follow_waited()
{
   local program
   program=$(readlink -f "$BLOBS")
   WAITER_PID=$DEMO_PID
   until DEMO_PID=$(pgrep -P "$WAITER_PID") &&
         [ "$(readlink "/proc/$DEMO_PID/exe" 2>/dev/null)" = "$program" ]; do
      kill -0 "$WAITER_PID" 2>/dev/null || return 0
      sleep 0.001
   done
}

# Starts the demo under WAITED and returns as soon as the demo's own program
# runs, without waiting for its window, with SIGINT and SIGQUIT at their
# defaults as in a terminal: a script's background job would otherwise
# start with them ignored.
launch_demo()
{
   "${WAITED[@]}" env "--default-signal=INT,QUIT" "$BLOBS" </dev/null >"$WORK/demo.log" 2>&1 &
   DEMO_PID=$!
   follow_waited
}

# Waits at most the given whole seconds for the demo to end, and sets
# DEMO_STATUS and END_US (the time it took); fails the test when the demo
# still runs by then.
wait_for_end()
{
   local limit_us=$(($1 * 1000000)) start
   start=$(now_us)
   while kill -0 "$DEMO_PID" 2>/dev/null && [ $(($(now_us) - start)) -lt "$limit_us" ]; do
      sleep 0.01
   done
   END_US=$(($(now_us) - start))
   kill -0 "$DEMO_PID" 2>/dev/null && fail "the demo still runs $1 s on: $(cat "$WORK/demo.log")"
   wait "${WAITER_PID:-$DEMO_PID}" 2>/dev/null   # not the shell's word on how it ended
   DEMO_STATUS=$?
   DEMO_PID=""
   WAITER_PID=""
}
