# shellcheck shell=bash disable=SC2034
# Helpers for the window tests, sourced by each of them: a private X server
# (start_x, from scripts/xvfb.sh), the demo running in it, natively or under
# Wine (use_wine), or its page in a browser (start_browser), keys held down
# on its window, shots of the window told apart by the frame count they
# show, and the pacing measured from them.
#
# The sourcing script sets BLOBS (the demo, or a build of it) and BLOBS_FRAMES
# (the frame tool), and reads what the helpers set (FIRST_T, POINT_T,
# DEMO_STATUS ...), which shellcheck cannot see used here. Everything started
# here is stopped when the script exits, and the scratch folder is kept only
# when the test fails.
#
# A demo built for another processor is started through the emulator that
# BLOBS_LAUNCHER names in the environment, with any options after it (for
# the arm64 build, qemu-aarch64); the helpers then see the emulator's
# process, which runs the demo's code.

set -u
export LC_ALL=C        # a '.' in EPOCHREALTIME, whatever the locale

LAST_COUNT=2147483647  # the largest frame count the demo reaches
SHOTS_PER_POINT=3      # shots taken at once; a torn one is passed over
WINDOW_WAIT=60         # seconds allowed for the window and its first frame
QUIT_SIGNAL=3          # SIGQUIT, whose default action dumps a core

WORK=$(mktemp -d "${TMPDIR:-/tmp}/blobs-window.XXXXXX")
# start_x, which starts Xvfb (or Xwayland) and sets XVFB_PID and DISPLAY
# shellcheck source-path=SCRIPTDIR source=../../scripts/xvfb.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"
DEMO_PID=""
WAITER_PID=""          # the process that waits for the demo, under WAITED
WM_PID=""              # the window manager start_wm started
WINDOW=""              # the demo's top-level window
CLIENT=""              # the part of it the demo draws in, which shots are taken of
WINE_USED=""           # set once use_wine has pointed Wine at a prefix
OTHER_PID=""           # the window focus_elsewhere made
BROWSER_PID=""         # browser.py, driving the page in a browser
SHOT=xwd               # the format of the shots: xwd, or png from the browser
FIRST_T=""             # the frame count of the first frame seen
read -r -a LAUNCHER <<<"${BLOBS_LAUNCHER:-}"   # the emulator, or nothing

fail()
{
   echo "FAIL: $*" >&2
   exit 1
}

# Counts the test as skipped (CTest's SKIP_RETURN_CODE) when the demo is a
# build under ThreadSanitizer that cannot start on this kernel: GCC 12's
# cannot where the kernel randomises more of the address space than it
# expects (vm.mmap_rnd_bits above 28). Without a display the demo only says
# so and ends; under such a ThreadSanitizer it never gets that far.
SKIP_STATUS=77
skip_where_tsan_cannot_start()
{
   if env -u DISPLAY "$BLOBS" </dev/null 2>&1 | grep -q "ThreadSanitizer"; then
      echo "skipped: ThreadSanitizer cannot start on this kernel" \
           "(vm.mmap_rnd_bits = $(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo unknown))"
      exit "$SKIP_STATUS"
   fi
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
   [ -n "$OTHER_PID" ] && stop "$OTHER_PID"
   [ -n "$BROWSER_PID" ] && stop_browser
   rm -rf "$WORK/tmp"   # the browser's temporary folders, not kept with the logs
   # Every process of the Wine prefix: the test's own.
   [ -n "$WINE_USED" ] && { wineserver -k 2>/dev/null; wineserver -w 2>/dev/null; }
   [ -n "$WM_PID" ] && stop "$WM_PID"
   # Xwayland before weston, which reaps it: once weston has gone,
   # nothing may.
   [ -n "$XWAYLAND_PID" ] && stop "$XWAYLAND_PID"
   [ -n "$XVFB_PID" ] && stop "$XVFB_PID"
   if [ "$status" -eq 0 ] || [ "$status" -eq "$SKIP_STATUS" ]; then
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

# Takes a shot of the demo's window, or of its page's canvas, as NAME.xwd or
# NAME.png.
take_shot()
{
   if [ -n "$BROWSER_PID" ]; then
      browser shot "$WORK/$1.png"
   else
      xwd -silent -id "$CLIENT" >"$WORK/$1.xwd" || fail "xwd could not read the window"
   fi
}

# Converts shot NAME.xwd (or .png) to NAME.ppm and prints the frame count it shows,
# the first from FROM on when that is given; fails when it shows none. The
# picture repeats, so a shot tells its frame count only up to a period:
# matched from an earlier count, it tells the least advance since then.
frame_of()
{
   convert "$SHOT:$WORK/$1.$SHOT" "$WORK/$1.ppm" || fail "convert could not read $1.$SHOT"
   [ "$SHOT" = png ] && { to_window_size "$1" || return 1; }
   "$BLOBS_FRAMES" match "$WORK/$1.ppm" ${2:+"$2" "$LAST_COUNT"} 2>>"$WORK/match.log"
}

# A page's canvas shown at another size than 640x480, as on a phone or full
# screen, makes a shot of another size: shot NAME.ppm is made 640x480, the
# window's size, when each of the frame's pixels shows as a square of whole
# device pixels of one colour, and otherwise returns 1.
to_window_size()
{
   local magic width height size
   { read -r magic; read -r width height; } <"$WORK/$1.ppm"   # P6, then the size
   size=${width}x$height
   [ "$size" = 640x480 ] && return 0
   convert "$WORK/$1.ppm" -sample 320x240 "$WORK/$1-frame.ppm" || fail "convert could not scale $1.ppm"
   convert "$WORK/$1-frame.ppm" -sample "$size!" "$WORK/$1-again.ppm" || fail "convert could not scale $1.ppm"
   if ! compare -metric AE "$WORK/$1.ppm" "$WORK/$1-again.ppm" null: 2>>"$WORK/match.log"; then
      echo " pixels of $1 ($size) differ from its frame's pixels as squares of whole device pixels" \
         >>"$WORK/match.log"
      return 1
   fi
   convert "$WORK/$1-frame.ppm" -sample 640x480 "$WORK/$1.ppm"
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
      # Which side it waits on: the library waits for its window to be shown,
      # which a window manager does once asked.
      [ "$(now_us)" -lt "$deadline" ] ||
         fail "no demo window within $WINDOW_WAIT s (windows named blobs, shown or not:" \
              "$(xdotool search --name '^blobs' 2>/dev/null | wc -l); the demo's kernel wait:" \
              "$(cat "/proc/$DEMO_PID/wchan" 2>/dev/null)): $(cat "$WORK/demo.log")"
      sleep 0.1
   done
}

# Starts the demo, after an optional wrapper command (e.g. valgrind ...,
# or wine for the Windows program), waits for its window and puts the
# pointer over it (under Xwayland, checks that it lies there) so that keys
# reach it. Returns once the window shows
# frames: it opens before the demo has built its blobs and background, and
# stays black until then.
start_demo()
{
   "$@" "${LAUNCHER[@]}" "$BLOBS" </dev/null >"$WORK/demo.log" 2>&1 &
   DEMO_PID=$!
   find_window || fail "the demo ended before its window showed: $(cat "$WORK/demo.log")"
   find_client
   if [ -n "$XWAYLAND_PID" ]; then
      check_pointer_over_client
   else
      xdotool mousemove --window "$WINDOW" 320 240
   fi

   local deadline=$(($(now_us) + WINDOW_WAIT * 1000000))
   until xwd -silent -id "$CLIENT" >"$WORK/first.xwd" && FIRST_T=$(frame_of first); do
      [ "$(now_us)" -lt "$deadline" ] || fail "no frame of the demo within $WINDOW_WAIT s"
      kill -0 "$DEMO_PID" 2>/dev/null || fail "the demo ended: $(cat "$WORK/demo.log")"
      sleep 0.1
   done
}

# Under Xwayland, fails unless the pointer lies over the client area. The
# pointer there moves only as the compositor's does, and weston's headless
# seat has none: Xwayland 22 dies of a request to move it, and weston's
# window manager takes the focus back from any window it has not activated
# itself. So the keys go, the focus following the pointer, to the window
# under it, at the screen's centre: a window more than half the screen's
# size, which weston places wholly on it, covers that.
check_pointer_over_client()
{
   local x y left top
   read -r x y < <(xdotool getmouselocation | sed 's/^x:\([0-9]*\) y:\([0-9]*\) .*/\1 \2/')
   read -r left top < <(xwininfo -id "$CLIENT" |
                        awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { print x, $4 }')
   if [ "$x" -lt "$left" ] || [ "$x" -ge $((left + 640)) ] ||
      [ "$y" -lt "$top" ] || [ "$y" -ge $((top + 480)) ]; then
      fail "the pointer, at $x,$y, lies outside the window at $left,$top: keys would miss it"
   fi
}

# Sets CLIENT to the window's client area, its one child window: the
# library's drawing window under X11, Wine's client window for the Windows
# program, whose top-level window also holds the frame Wine draws itself
# where no window manager does.
find_client()
{
   CLIENT=$(xwininfo -id "$WINDOW" -children | awk '$1 ~ /^0x/ { print $1; exit }')
   [ -n "$CLIENT" ] || CLIENT=$WINDOW
}

# Fails unless the client area is 640x480.
check_window_size()
{
   local WIDTH HEIGHT
   eval "$(xdotool getwindowgeometry --shell "$CLIENT" | grep -E '^(WIDTH|HEIGHT)=')"
   if [ "$WIDTH" -ne 640 ] || [ "$HEIGHT" -ne 480 ]; then
      fail "the window is ${WIDTH}x$HEIGHT, not 640x480"
   fi
   echo "window: ${WIDTH}x$HEIGHT"
}

# Takes the keyboard focus from the demo's window to a tiny window of
# another client, in the corner where it hides nothing of the demo; then
# gives it back, and ends that client.
focus_elsewhere()
{
   /usr/bin/python3 -c '
from Xlib import X, display
import time
d = display.Display()
s = d.screen()
w = s.root.create_window(0, 0, 8, 8, 0, s.root_depth, override_redirect=True)
w.set_wm_name("elsewhere")
w.map()
d.flush()
time.sleep(600)  # until focus_back ends it' &
   OTHER_PID=$!
   local other=""
   for _ in $(seq 50); do
      other=$(xdotool search --name '^elsewhere$' 2>/dev/null | head -n 1) && [ -n "$other" ] && break
      sleep 0.1
   done
   [ -n "$other" ] || fail "the window to take the focus did not show"
   xdotool windowfocus --sync "$other"
}
focus_back()
{
   if [ -n "$WM_PID" ]; then
      # xdotool finds no active window while the other one, which no
      # window manager sees, has the focus, and says so.
      xdotool windowactivate --sync "$WINDOW" 2>/dev/null
   else
      xdotool windowfocus --sync "$WINDOW"
   fi
   stop "$OTHER_PID"
   OTHER_PID=""
}

# Starts openbox on the private X server, as a desktop would have a window
# manager, and returns once it manages windows: once it has named its theme
# on the root window, as it does after loading the theme and its fonts. It
# claims the screen before that (wmctrl -m answers then), and a window
# opened meanwhile waits for the load to end before it is shown, however
# long the fonts take to be found on a freshly set up machine.
start_wm()
{
   local deadline=$(($(now_us) + WINDOW_WAIT * 1000000))
   command -v openbox >/dev/null || fail "openbox is not installed (scripts/install-deps.sh --test)"
   openbox >"$WORK/wm.log" 2>&1 &
   WM_PID=$!
   until wmctrl -m >/dev/null 2>&1 && [[ $(xprop -root _OB_THEME 2>/dev/null) = *=* ]]; do
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
# mere tap could fall between two of its reads. In a browser, touch holds a
# finger on the page's picture.
hold_key()
{
   if [ -n "$BROWSER_PID" ] && [ "$1" = touch ]; then
      browser touch start
      sleep "$2"
      browser touch end
   elif [ -n "$BROWSER_PID" ]; then
      browser key down "$1"
      sleep "$2"
      browser key up "$1"
   else
      xdotool keydown "$1"
      sleep "$2"
      xdotool keyup "$1"
   fi
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
      take_shot "$1-$i"
      after=$(now_us)
      echo $(((before + after) / 2)) >"$WORK/$1-$i.time"
   done
}

# Sets POINT_T and POINT_US from the first shot of point NAME that shows a
# whole frame, its count the first from FROM on when that is given; a torn
# shot, caught between two frames, matches none. try_point returns 1 when
# none of the point's shots does, match_point fails the test.
try_point()
{
   local i
   for i in $(seq "$SHOTS_PER_POINT"); do
      if POINT_T=$(frame_of "$1-$i" "${2:-}"); then
         POINT_US=$(cat "$WORK/$1-$i.time")
         return 0
      fi
   done
   return 1
}
match_point()
{
   try_point "$@" ||
      fail "no shot of point $1 shows a frame of the demo: $(tail -n "$SHOTS_PER_POINT" "$WORK/match.log")"
}

# Takes shots at COUNT moments GAP seconds apart and fails unless each
# shows a frame of the demo.
check_frames()
{
   local p
   for p in $(seq "$1"); do
      take_point "shot$p"
      sleep "$2"
   done
   for p in $(seq "$1"); do
      match_point "shot$p"
      echo "shot $p shows frame $POINT_T"
   done
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
   program=$(readlink -f "$(command -v "${LAUNCHER[0]:-$BLOBS}")")
   WAITER_PID=$DEMO_PID
   until DEMO_PID=$(pgrep -P "$WAITER_PID") &&
         [ "$(readlink "/proc/$DEMO_PID/exe" 2>/dev/null)" = "$program" ]; do
      kill -0 "$WAITER_PID" 2>/dev/null || return 0
      sleep 0.001
   done
}

# Starts the demo under WAITED and returns as soon as the demo's own program
# has taken charge of the signals that end it (holds SIGQUIT back, or
# catches it), without waiting for its window, with SIGINT and SIGQUIT at
# their defaults as in a terminal: a script's background job would
# otherwise start with them ignored. Before main() runs, while the dynamic
# loader and a sanitizer's runtime start, a signal meets its default
# action, which no program can change: SIGQUIT's dumps a core.
launch_demo()
{
   "${WAITED[@]}" env "--default-signal=INT,QUIT" "${LAUNCHER[@]}" "$BLOBS" </dev/null \
      >"$WORK/demo.log" 2>&1 &
   DEMO_PID=$!
   follow_waited
   until holds_quit || ! kill -0 "$DEMO_PID" 2>/dev/null; do
      sleep 0.001
   done
}

# Whether the demo holds SIGQUIT back or catches it, by its process's status.
holds_quit()
{
   local blocked caught
   read -r blocked caught < <(awk '/^SigBlk:/ { b = $2 } /^SigCgt:/ { c = $2 } END { print b, c }' \
                                  "/proc/$DEMO_PID/status" 2>/dev/null) && [ -n "$caught" ] || return 1
   (( (0x$blocked | 0x$caught) & (1 << (QUIT_SIGNAL - 1)) ))
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

# ---- The demo's clocks moved on, as though it had stood still

CLOCK_MINUTES=0        # how far jump_clock has moved the demo's clocks
FAKED=()               # the command that fakes them (fake_clocks)

# Sets FAKED to the command that runs what follows it with libfaketime
# (FAKETIME_LIBRARY, its build for threaded programs) and any further
# modules given preloaded, reading the clocks' offset from a file that
# jump_clock rewrites, at first none. libfaketime reads that file at every
# reading of a clock, allocating as it reads: under AddressSanitizer, whose
# allocator reads the clock while it holds its own lock to see whether to
# give memory back to the system, that would deadlock, so the allocator
# keeps it.
#
# usage: fake_clocks [MODULE ...]
fake_clocks()
{
   local preload=$FAKETIME_LIBRARY
   [ -f "$FAKETIME_LIBRARY" ] ||
      fail "libfaketime is not installed (scripts/install-deps.sh --test)"
   for module in "$@"; do
      preload=$preload:$module
   done
   CLOCK_MINUTES=0
   echo "+0" >"$WORK/clock"
   FAKED=(env LD_PRELOAD="$preload" FAKETIME_TIMESTAMP_FILE="$WORK/clock" FAKETIME_NO_CACHE=1
          ASAN_OPTIONS=allocator_release_to_os_interval_ms=-1)
}

# Starts the demo under WAITED with its clocks faked (fake_clocks), with any
# further modules given preloaded, so that jump_clock can move its clocks
# while it runs; returns once it shows frames.
#
# usage: start_faked_demo [MODULE ...] [-- VARIABLE=VALUE ...]
start_faked_demo()
{
   local modules=()
   while [ $# -gt 0 ] && [ "$1" != -- ]; do
      modules+=("$1")
      shift
   done
   [ $# -gt 0 ] && shift
   fake_clocks "${modules[@]}"
   start_demo "${WAITED[@]}" "${FAKED[@]}" "$@"
   follow_waited
}

# Moves every clock of the demo started with its clocks faked on by MINUTES
# more, all at once, as though the whole process had stood still that long.
# The new offset replaces the old file whole, so that no reading finds it
# half written.
jump_clock()
{
   CLOCK_MINUTES=$((CLOCK_MINUTES + $1))
   echo "+${CLOCK_MINUTES}m" >"$WORK/clock.new"
   mv "$WORK/clock.new" "$WORK/clock"
}

# Jumps the demo's clocks by MINUTES while it is paced, or with Tab held
# when HOW says tab, and fails unless paced frames come again, at least MIN
# a second over the WATCH seconds that follow.
#
# usage: check_clock_jump MINUTES paced|tab MIN
CLOCK_TAB_HOLD=0.3     # seconds Tab is held before the jump, and after it
CLOCK_WATCH=2
check_clock_jump()
{
   if [ "$2" = tab ]; then
      xdotool keydown Tab
      sleep "$CLOCK_TAB_HOLD"
      jump_clock "$1"
      sleep "$CLOCK_TAB_HOLD"
      xdotool keyup Tab
   else
      jump_clock "$1"
   fi
   check_paced "$1 minutes on ($2)" "$CLOCK_WATCH" "$3" $((TICK_HZ + 2))
}

# ---- The demo's threads, as /proc shows them

# The quit signals (SIGHUP, SIGINT, SIGQUIT, SIGTERM: 1, 2, 3, 15) as bits
# of a mask in /proc/PID/task/TID/status.
QUIT_MASK=$(((1 << 0) | (1 << 1) | (1 << 2) | (1 << 14)))

# Prints how long the demo's threads have waited for a core, ready to run,
# in nanoseconds in all: 0 in a browser, where no process is the demo's.
run_delay()
{
   cat "/proc/$DEMO_PID/task/"*/schedstat 2>/dev/null | awk '{ sum += $2 } END { printf "%.0f\n", sum }'
}

# Prints the ids of the demo's threads on one line, in order. A thread the
# timer's restart ends, and the one it starts, change them.
demo_threads()
{
   local task
   for task in "/proc/$DEMO_PID/task/"*; do
      echo "${task##*/}"
   done | sort -n | paste -s -d ' '
}

# Fails unless the frame loop's thread, the process's first, is the only
# one of the demo's threads that takes a quit signal: every other holds
# them all back (SigBlk), so that the handler runs where the frame loop's
# wait is cut short by it. The frame loop's thread itself holds every
# signal back for moments: while the timer's thread starts, and, with its
# clocks faked, while libfaketime reads them. A signal sent then waits, and
# is taken once it lets them through again, so the threads are read again,
# up to QUIT_READS times, until they show that.
QUIT_READS=10
check_quit_takers()
{
   local task blocked takers read
   for read in $(seq "$QUIT_READS"); do
      takers=""
      for task in "/proc/$DEMO_PID/task/"*; do
         blocked=$(awk '/^SigBlk:/ { print $2 }' "$task/status" 2>/dev/null) || continue
         [ -n "$blocked" ] || continue
         (( (0x$blocked & QUIT_MASK) == QUIT_MASK )) || takers="$takers ${task##*/}"
      done
      [ "$takers" = " $DEMO_PID" ] && break
      sleep 0.01
   done
   echo "$1: threads $(demo_threads); taking a quit signal:${takers:- none} (read $read times)"
   [ "$takers" = " $DEMO_PID" ] ||
      fail "$1: the threads taking a quit signal are${takers:- none}, not the frame loop's $DEMO_PID alone"
}

# ---- Pacing, measured from shots matched to the frame counts they show

TICK_HZ=100            # the demo's 10 ms tick

# Frames a second between two matched points, times ten for one decimal.
rate_x10()
{
   echo $(($1 * 10000000 / $2))
}

# Measures the paced rate over GAP seconds, from a point taken before to one
# taken after, and fails unless it lies within MIN ... MAX frames a second;
# sets PACED_X10 to the rate, times ten.
# Paced, the demo cannot advance a whole period between the two, so the
# least advance that fits is the advance.
#
# A rate out of bounds is measured again, where a caller allows it
# (PACED_TRIES), when the machine was too busy to judge by, and the test is
# skipped when it was so in every measure: when the demo's threads
# together waited for a core, ready to run, for more than PACED_BUSY of
# the time (the kernel's run delay of each, /proc/PID/task/TID/schedstat).
# Where no retrace paces it, as under Wine, its waits then end late, and a
# key let go is seen late. In a browser, where no process is the demo's to
# ask, a rate short of MIN is measured again, as a busy machine's may be.
#
# usage: check_paced WHAT GAP MIN MAX
PACED_TRIES=1
PACED_BUSY=10   # per cent
check_paced()
{
   local what=$1 t0 u0 r try delay
   for try in $(seq "$PACED_TRIES"); do
      delay=$(run_delay)
      take_point "$what-from"
      sleep "$2"
      take_point "$what-to"
      delay=$(($(run_delay) - delay))
      match_point "$what-from";           t0=$POINT_T; u0=$POINT_US
      match_point "$what-to" "$t0"
      r=$(rate_x10 $((POINT_T - t0)) $((POINT_US - u0)))
      PACED_X10=$r
      delay=$((delay / 10 / (POINT_US - u0)))
      echo "$what: $((POINT_T - t0)) frames in $(seconds $((POINT_US - u0))) s, $((r / 10)).$((r % 10)) a second" \
           "${DEMO_PID:+(waited for a core $delay % of the time)}"
      [ "$r" -ge $(($3 * 10)) ] && [ "$r" -le $(($4 * 10)) ] && return 0
      if [ -z "$DEMO_PID" ]; then
         [ "$r" -lt $(($3 * 10)) ] || break
         [ "$try" -lt "$PACED_TRIES" ] && echo "$what: short of $3 a second: measured again"
         continue
      fi
      [ "$delay" -gt "$PACED_BUSY" ] || break
      [ "$try" -lt "$PACED_TRIES" ] && echo "$what: the machine was too busy to judge by: measured again"
   done
   [ "$delay" -le "$PACED_BUSY" ] || too_busy_to_judge "$what: $PACED_TRIES measures"
   fail "$what: the paced rate is not within $3 ... $4 a second"
}

# Skips the test, as one the machine was too busy to judge by in WHAT.
too_busy_to_judge()
{
   echo "skipped: the machine was too busy to judge by in $1"
   exit "$SKIP_STATUS"
}

# Watches the paced demo's frames from outside for SECONDS (FRAME_TIMES,
# the program frame_times: the X server's times of the top and the bottom
# line of each, to the millisecond) and fails unless they come MIN ... MAX
# a second, none more than LONGEST ms after the one before, and, when EVEN
# is given, at least EVEN % of the intervals between them lie within 4 ms
# of a 60 Hz refresh; unless at least WHOLE % of the frames have their
# bottom line within BOTTOM_LAG ms of their top, as a frame sent whole
# does (one whose tail waits is shown torn meanwhile); and unless the demo
# used at most SPIN_CORES of a core meanwhile, which a wait that spins
# would not. Prints the rate, the CPU used, how the intervals fall and how
# late the bottoms come (frame_summary.awk sums them up).
#
# MIN, EVEN and WHOLE are a quiet machine's. A busy one delays the demo and
# the X server alike, which no wait can mend, so a bare client in a window
# right of the demo's (frame_times --bare; PACING_SCREEN makes room for it)
# is watched at the same time: the demo is held to each of the three at the
# share of it the bare client reached, and where that is less than BUSY the
# machine is too busy to judge by: the watch is tried again, up to
# BUSY_WATCHES in all. So it is too when the demo missed a bound while its
# threads waited for a core more than PACED_BUSY of the time, as the
# emulated one does beside other work: the bare client needs next to no
# time of its own. Where every watch was too busy, the test is skipped
# and says so. It can also stop the demo alone for a tenth of a second or
# more: a watch that fails is tried again, up to WATCHES times.
#
# usage: check_frame_times WHAT SECONDS MIN MAX LONGEST [EVEN]
PACING_SCREEN=1296x600x24
SPIN_CORES=0.5
WATCHES=3
BOTTOM_LAG=3
WHOLE=60
BUSY=0.6
BUSY_WATCHES=10
check_frame_times()
{
   local watch failed=0 summary
   for watch in $(seq "$BUSY_WATCHES"); do
      watch_frame_times "$@" && return 0
      echo "$summary"
      [[ $summary = *"too busy"* ]] && continue
      failed=$((failed + 1))
      [ "$failed" -lt "$WATCHES" ] || fail "$1: $WATCHES watches failed"
   done
   [ "$failed" -gt 0 ] || too_busy_to_judge "$1: $BUSY_WATCHES watches"
   fail "$1: $failed watches failed, and the machine was too busy to judge by in the other $((BUSY_WATCHES - failed))"
}
watch_frame_times()
{
   local what=$1 cpu0 cpu1 bare delay t0
   delay=$(run_delay); t0=$(now_us)
   cpu0=$(awk '{ print $14 + $15 }' "/proc/$DEMO_PID/stat")
   "$FRAME_TIMES" --bare "$2" >"$WORK/$what.bare" &
   bare=$!
   "$FRAME_TIMES" "$CLIENT" "$2" >"$WORK/$what.times" ||
      fail "$what: could not watch the window's frames"
   cpu1=$(awk '{ print $14 + $15 }' "/proc/$DEMO_PID/stat")
   wait "$bare" || fail "$what: could not watch a bare client's frames"
   delay=$((($(run_delay) - delay) / 10 / ($(now_us) - t0)))
   summary=$(awk -v what="$what" -v min="$3" -v max="$4" -v longest="$5" -v even="${6:-0}" \
                 -v cpu=$((cpu1 - cpu0)) -v hz="$(getconf CLK_TCK)" -v seconds="$2" \
                 -v spin="$SPIN_CORES" -v lag="$BOTTOM_LAG" -v whole="$WHOLE" -v busy="$BUSY" \
                 -f "$(dirname "${BASH_SOURCE[0]}")/frame_summary.awk" "$WORK/$what.bare" "$WORK/$what.times") &&
      { echo "$summary"; return 0; }
   [ "$delay" -le "$PACED_BUSY" ] || [[ $summary = *"used more than"* ]] ||
      summary+=$'\n'"$what: the machine is too busy to judge by: the demo waited for a core $delay % of the time"
   return 1
}

# Holds Tab HOLDS times for SECONDS each and fails unless at least PROVED of
# the holds show the demo outrunning the tick. Shots are taken only while
# the demo is paced, before and after each hold: one taken while Tab is held
# may be torn between two frames. Over a hold the least advance is only a
# lower bound, and the check rests on that alone: a least advance beyond
# what the tick allows over the whole interval proves the pacing was off,
# at any speed. Only on a machine so fast that the count came round to
# within that allowance could a hold go unproved.
#
# A hold left unproved while the machine was too busy to judge by (as
# check_paced judges it; in a browser, any) is held once more, up to
# PACED_TRIES - 1 times; where every hold left unproved was so, the test
# is skipped.
#
# With FLOOR, the demo must outrun FLOOR frames a second rather than the tick.
# With HOLD, that is held in place of Tab: touch, for a finger held on the
# page's picture.
#
# usage: check_tab_outruns_tick HOLDS SECONDS PROVED [FLOOR [HOLD]]
check_tab_outruns_tick()
{
   local hold=0 holds=$1 proved=0 busy=0 ta ua allowed r floor=${4:-$TICK_HZ} held=${5:-Tab} delay
   while [ "$hold" -lt "$holds" ]; do
      hold=$((hold + 1))
      delay=$(run_delay)
      take_point "hold$hold-before"
      hold_key "$held" "$2"
      take_point "hold$hold-after"
      delay=$(($(run_delay) - delay))
      match_point "hold$hold-before";            ta=$POINT_T; ua=$POINT_US
      match_point "hold$hold-after" "$ta"
      allowed=$((floor * (POINT_US - ua) / 1000000 + 1))
      r=$(rate_x10 $((POINT_T - ta)) $((POINT_US - ua)))
      delay=$((delay / 10 / (POINT_US - ua)))
      echo "$held held $2 s: at least $((POINT_T - ta)) frames in $(seconds $((POINT_US - ua))) s," \
           "at least $((r / 10)).$((r % 10)) a second; $floor a second make $allowed" \
           "${DEMO_PID:+(waited for a core $delay % of the time)}"
      if [ $((POINT_T - ta)) -gt "$allowed" ]; then
         proved=$((proved + 1))
         continue
      fi
      [ -n "$DEMO_PID" ] && [ "$delay" -gt "$PACED_BUSY" ] && busy=$((busy + 1))
      if { [ -z "$DEMO_PID" ] || [ "$delay" -gt "$PACED_BUSY" ]; } &&
         [ "$holds" -lt $(($1 + PACED_TRIES - 1)) ]; then
         echo "$held held: ${DEMO_PID:+the machine was too busy to judge by: }held once more"
         holds=$((holds + 1))
      fi
   done
   [ "$proved" -ge "$3" ] && return 0
   [ "$busy" -gt 0 ] && [ "$busy" -eq $((holds - proved)) ] && too_busy_to_judge "$held held: $holds holds"
   fail "with $held held the demo outran $floor a second in $proved holds of $holds, not $3"
}

# ---- The Windows program under Wine

# Runs the Wine commands that follow in PREFIX, one made beforehand with
# wineboot, quietly, with every window of it managed by the window
# manager that start_wm started, if it did. With none, Wine is told so:
# otherwise it waits two seconds, each time a window of the demo is hidden,
# for a window manager to answer, and the demo's end, which hides its
# window, would take that long. Wine then draws the windows' frames itself.
# Everything of the prefix is stopped when the test ends.
#
# usage: use_wine PREFIX
use_wine()
{
   local managed=N
   command -v wine >/dev/null || fail "Wine is not installed (scripts/install-deps.sh --windows)"
   [ -d "$1/drive_c" ] || fail "no Wine prefix in $1: wineboot makes it (the test windows_prefix)"
   export WINEPREFIX=$1 WINEDEBUG=-all
   WINE_USED=yes
   [ -n "$WM_PID" ] && managed=Y
   wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >"$WORK/wine.log" 2>&1 ||
      fail "could not set Wine's Managed to $managed: $(cat "$WORK/wine.log")"
}

# ---- The demo's page in a browser

# Starts a browser of the engine that BLOBS_ENGINE names (chromium when it
# is unset; browser.py), with any further flags of the engine's given, on
# the site in folder SITE, served from a loopback server of its own.
# WebKit shows its window on a private X server, of BROWSER_SCREEN, under a
# window manager, which gives it the focus and full screen; both are started
# for the first browser and kept for the others. Its temporary files
# (Firefox's profile) go in $WORK/tmp, removed however it ended.
#
# usage: start_browser SITE [FLAG ...]
BROWSER_SCREEN=1600x1200x24   # room for full screen at more than twice the window's picture
BROWSER_WAIT=60               # seconds allowed for an answer (Firefox's start within it)
start_browser()
{
   case ${BLOBS_ENGINE:-chromium} in
      chromium)
         if [ ! -x /usr/bin/chromium ] || [ ! -x /usr/bin/chromedriver ]; then
            fail "Chromium is not installed (scripts/install-deps.sh --test --web)"
         fi ;;
      webkit)
         [ -x /usr/bin/WebKitWebDriver ] ||
            fail "WebKitWebDriver is not installed (scripts/install-deps.sh --test --web)"
         if [ -z "$XVFB_PID" ]; then
            XVFB_SCREEN=$BROWSER_SCREEN
            start_x
            start_wm
         fi
         # Xvfb has no GPU: WebKit's compositing would run its OpenGL on the
         # CPU (llvmpipe), and on two cores take the time of the page's own
         # frames. It paints on the CPU directly instead, as it does where
         # no OpenGL is to be had.
         export WEBKIT_DISABLE_COMPOSITING_MODE=1 ;;
   esac
   rm -f "$WORK/to-browser" "$WORK/from-browser"
   mkfifo "$WORK/to-browser" "$WORK/from-browser"
   mkdir -p "$WORK/tmp"
   TMPDIR=$WORK/tmp "$(dirname "${BASH_SOURCE[0]}")/browser.py" "$@" <"$WORK/to-browser" >"$WORK/from-browser" \
      2>>"$WORK/browser.log" &
   BROWSER_PID=$!
   exec 7>"$WORK/to-browser" 8<"$WORK/from-browser"
   SHOT=png
}

# Gives the browser one command and sets BROWSER_SAYS to its answer; fails
# the test when it cannot carry the command out, or has not answered within
# BROWSER_WAIT seconds.
browser()
{
   local command="$*"
   # In a subshell: once the browser has ended, SIGPIPE ends that alone.
   (echo "$command" >&7) 2>/dev/null || fail "the browser ended: $(tail -n 3 "$WORK/browser.log")"
   read -r -t "$BROWSER_WAIT" BROWSER_SAYS <&8 || {
      [ $? -gt 128 ] && fail "the browser did not answer \"${command:0:80}\" within $BROWSER_WAIT s"
      fail "the browser ended: $(tail -n 3 "$WORK/browser.log")"; }
   [[ $BROWSER_SAYS = error:* ]] || return 0
   # WebKit's driver tells a lost page's process in its own words, or in
   # those of whatever it was asked then; MiniBrowser logs it as a crash.
   if [ "${BLOBS_ENGINE:-}" = webkit ] && [ "${BLOBS_WEB_RUN:-}" = first ] &&
      { [[ $BROWSER_SAYS = *"page crash"* ]] || grep -q "WebProcess CRASHED" "$WORK/browser.log"; }; then
      echo "the browser could not $1: $BROWSER_SAYS" >&2
      exit "$BROWSER_LOST"
   fi
   fail "the browser could not $1: $BROWSER_SAYS"
}

# Ends the browser and its server.
stop_browser()
{
   (echo quit >&7) 2>/dev/null
   exec 7>&- 8<&-
   local pid=$BROWSER_PID
   BROWSER_PID=""
   for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
   done
   stop "$pid"
}

# Opens the page, with browser.py's words for how when given, and returns
# once its canvas shows a frame, whose count it sets FIRST_T to; fails when
# none comes within WINDOW_WAIT seconds, or at once when the console shows
# an error first (a sanitizer's report among them). wait_for_page_frame
# waits in the same way for a page already opened.
#
# usage: start_page [OPEN_WORD ...]
start_page()
{
   browser open "$@"
   wait_for_page_frame
}
wait_for_page_frame()
{
   local deadline=$(($(now_us) + WINDOW_WAIT * 1000000))
   until take_shot first && FIRST_T=$(frame_of first); do
      browser errors
      [ "$BROWSER_SAYS" = none ] || fail "before the page's first frame, its console: $BROWSER_SAYS"
      [ "$(now_us)" -lt "$deadline" ] || fail "no frame of the demo within $WINDOW_WAIT s"
      sleep 0.1
   done
}

# check_eval EXPRESSION VALUE WHAT: fails with WHAT, and what the page
# has instead, unless EXPRESSION's value in the page is VALUE, as JSON.
check_eval()
{
   browser eval "$1"
   [ "$BROWSER_SAYS" = "$2" ] || fail "$3 (the page has $BROWSER_SAYS)"
}

# Waits at most the given seconds for the page's line of text to read TEXT,
# and fails when it does not by then.
#
# usage: wait_for_message SECONDS TEXT
wait_for_message()
{
   local deadline=$(($(now_us) + $1 * 1000000))
   until browser eval 'document.getElementById("message").textContent' &&
         [ "$BROWSER_SAYS" = "\"$2\"" ]; do
      [ "$(now_us)" -lt "$deadline" ] || fail "the page says $BROWSER_SAYS, not \"$2\""
      sleep 0.1
   done
   echo "the page says: $2"
}

# Measures the page's rates over SECONDS by its own clock: its animation
# frames and the pictures put in its canvas, each counted with
# performance.now() in one evaluation, so that the time the commands take
# to reach the page, which a busy machine stretches, counts for neither.
# Sets FRAMES_X10 and PUTS_X10 to them a second, times ten.
#
# usage: page_rates SECONDS
PAGE_COUNTS='[shown.frames, shown.puts, performance.now()]'
page_rates()
{
   local f0 p0 t0 f1 p1 t1
   browser eval "$PAGE_COUNTS"
   IFS=, read -r f0 p0 t0 <<<"${BROWSER_SAYS//[][]/}"
   sleep "$1"
   browser eval "$PAGE_COUNTS"
   IFS=, read -r f1 p1 t1 <<<"${BROWSER_SAYS//[][]/}"
   read -r FRAMES_X10 PUTS_X10 < <(awk -v f="$((f1 - f0))" -v p="$((p1 - p0))" -v ms="$t0 $t1" \
      'BEGIN { split(ms, t, " "); printf "%d %d\n", f * 10000 / (t[2] - t[1]), p * 10000 / (t[2] - t[1]) }')
}

# A rate times ten, as N.N.
x10()
{
   echo "$(($1 / 10)).$(($1 % 10))"
}
