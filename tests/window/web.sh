#!/bin/bash
# The demo's page in a browser: the site served from the loopback and
# opened in headless Chromium. Its canvas is 640x480 and shows frames of the
# demo, pixel for pixel. Paced, the demo follows the browser's animation
# frames (60 a second here) and never runs past the 10 ms tick; Tab held
# runs it at least twice as fast, and the pacing comes back on release.
# Escape ends it: the picture stops and the page says so. Nothing reaches
# the console as an error. Then the page in a browser without WebAssembly,
# in one whose canvas cannot draw, and from a site without its blobs.wasm,
# says in one line why the demo cannot run.
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
