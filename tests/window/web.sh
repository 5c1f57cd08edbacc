#!/bin/bash
# The demo's page in a browser: the site served from the loopback and
# opened in headless Chromium. Its canvas is 640x480 and shows frames of the
# demo, pixel for pixel. Paced, the demo follows the browser's animation
# frames (60 a second here) and never runs past the 10 ms tick; Tab held
# runs it at least twice as fast, and the pacing comes back on release.
# Escape ends it: the picture stops and the page says so. Nothing reaches
# the console as an error. Then the page in a browser without WebAssembly,
# in one whose canvas cannot draw, and from a site without its blobs.wasm,
# says in one line why the demo cannot run. Last, with animation frames at
# 120 and then 144 a second, as on faster displays, the paced demo keeps to
# the tick's 100 frames a second without spinning through it, and its frames
# go on when the page's clock is moved on by 31 minutes.
#
# usage: web.sh SITE BLOBS_FRAMES
SITE=$1
BLOBS_FRAMES=$2
# shellcheck source-path=SCRIPTDIR source=session.sh
. "$(dirname "$0")/session.sh"

GAP=1.5           # seconds between the shots of a paced measure
HOLDS=3           # times Tab is held ...
TAB_HOLD=1        # ... for this many seconds each
HOLDS_PROVED=2    # holds that must show the pacing off

ENDED="The demo has ended. Reload the page to start it again."
NO_WASM="This browser cannot run the demo: it has no WebAssembly."
NO_CANVAS="could not open a 640x480 8-bit window: The page has no canvas to draw in"
NO_PROGRAM="The demo could not start: blobs.wasm: 404 File not found"

start_browser "$SITE"
start_page
browser eval '(c => [c.width, c.height, c.clientWidth, c.clientHeight])(document.querySelector("canvas"))'
[ "$BROWSER_SAYS" = "[640,480,640,480]" ] ||
   fail "the canvas's size and the size shown are $BROWSER_SAYS, not 640x480"
echo "canvas: 640x480, shown at 640x480"
check_frames 3 0.3

# The rate the browser shows animation frames at, which paced frames follow.
browser eval 'shown.frames'; frames0=$BROWSER_SAYS; u0=$(now_us)
sleep "$GAP"
browser eval 'shown.frames'; frames1=$BROWSER_SAYS; u1=$(now_us)
animation_hz=$(((frames1 - frames0) * 1000000 / (u1 - u0)))
echo "animation frames: $animation_hz a second"
paced_max=$((animation_hz + 2 < TICK_HZ ? animation_hz + 2 : TICK_HZ))
check_paced paced "$GAP" $((animation_hz * 9 / 10)) "$paced_max"
check_tab_outruns_tick "$HOLDS" "$TAB_HOLD" "$HOLDS_PROVED" $((PACED_X10 * 2 / 10))
check_paced released "$GAP" $((animation_hz * 9 / 10)) "$paced_max"

browser key down Escape
wait_for_message 10 "$ENDED"
browser key up Escape
take_point ended-1
sleep 0.5
take_point ended-2
match_point ended-1; t_end=$POINT_T
match_point ended-2
[ "$POINT_T" -eq "$t_end" ] || fail "the picture still moves after the end: frame $t_end, then $POINT_T"
echo "the picture stays at frame $t_end"
browser errors
[ "$BROWSER_SAYS" = none ] || fail "errors in the console: $BROWSER_SAYS"
echo "console: no errors"
stop_browser

start_browser "$SITE" --js-flags=--jitless   # V8 without its compilers: no WebAssembly
browser open
wait_for_message 10 "$NO_WASM"
stop_browser

start_browser "$SITE"
browser open no-canvas
wait_for_message 10 "$NO_CANVAS"
stop_browser

mkdir "$WORK/site"
cp "$SITE"/index.html "$SITE"/blobs.js "$WORK/site"
start_browser "$WORK/site"
browser open
wait_for_message 10 "$NO_PROGRAM"
stop_browser

# ---- Displays faster than the tick: the page's animation frames driven at
# 120 and 144 a second. Paced, each frame still waits for a tick, so at most
# 100 come a second (and a little more, for the timing of the shots), and at
# least half that on a machine busy with other work. The
# tick wait hands the page the thread until the tick has come, not turn
# after turn: counted around the port's queue of turns, the page gets one
# for each frame, that of the pass's end (spinning, it got dozens). In the
# last page the clock is moved on by 31 minutes, more than the library's
# timer counts at once: the frames go on.
FAST_HZ="120 144"
TICK_SLACK=4          # frames a second beyond the tick's, for the shots' timing
TURNS_MOST=2          # turns the page may give the program for each frame
JUMP_MS=$((31 * 60 * 1000))
COUNT_TURNS='(a => { const turn = a.turn; window.turns = { n: 0, since: performance.now() };
   a.turn = f => { turns.n++; turn(f); }; return true; })(Module.alweb)'
for hz in $FAST_HZ; do
   start_browser "$SITE"
   start_page animation "$hz"
   browser eval "${COUNT_TURNS//$'\n'/ }"
   check_paced "paced-$hz" "$GAP" $((TICK_HZ / 2)) $((TICK_HZ + TICK_SLACK))
   browser eval 'turns.n * 1000 / (performance.now() - turns.since)'
   awk -v hz="$hz" -v turns="$BROWSER_SAYS" -v frames="$PACED_X10" -v most="$TURNS_MOST" \
      'BEGIN { n = turns * 10 / frames; printf "at %d Hz: %.2f turns of the page a frame\n", hz, n; exit n > most }' ||
      fail "paced at $hz Hz, the page gave the program more than $TURNS_MOST turns a frame"
   [ "$hz" = "${FAST_HZ##* }" ] || stop_browser
done
browser eval "clock.skip($JUMP_MS)"
check_paced clock-moved-on "$GAP" $((TICK_HZ / 2)) $((TICK_HZ + TICK_SLACK))
stop_browser
