# shellcheck shell=bash
# A private X server, for the scripts that need a display: the window tests
# (through tests/window/session.sh) and scripts/measure-window.sh. Sourced by
# them; the sourcing script provides WORK, a scratch folder, and fail, which
# reports and exits, and stops the server by XVFB_PID when it is done (and
# by XWAYLAND_PID, when start_x started Xwayland under weston).

XVFB_SCREEN=800x600x24   # room for the demo's 640x480 window, in true colour
XVFB_WAIT=100            # tenths of a second allowed for Xvfb to start
X_SERVER=Xvfb            # the server start_x starts: Xvfb, or Xwayland (in weston)
XVFB_PID=""              # the Xvfb start_x started, or the weston
XWAYLAND_PID=""          # the Xwayland that weston started for it

# Starts Xvfb on a display number it picks itself as free, and points
# DISPLAY at it once it accepts connections; Xwayland under weston instead
# when X_SERVER says so (start_xwayland). Like a desktop's X server, which
# always has clients, it does not reset when its last client leaves: one
# that connects during a reset has been seen refused.
#
# The number file is emptied here, before the fork: the redirection below
# happens in the child, after it, and until then the file would still name
# the server started before, which may be gone or not yet listening again.
start_x()
{
   local display
   if [ "$X_SERVER" = Xwayland ]; then
      start_xwayland
      return
   fi
   command -v Xvfb >/dev/null || fail "Xvfb is not installed (scripts/install-deps.sh --test)"
   : >"$WORK/display"
   Xvfb -displayfd 3 -screen 0 "$XVFB_SCREEN" -nolisten tcp -noreset 3>"$WORK/display" \
      >"$WORK/xvfb.log" 2>&1 &
   XVFB_PID=$!
   for _ in $(seq "$XVFB_WAIT"); do
      [ -s "$WORK/display" ] && break
      kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
      sleep 0.1
   done
   [ -s "$WORK/display" ] || fail "Xvfb named no display"
   display=$(head -n 1 "$WORK/display")
   export DISPLAY=":$display"
}

# Fails unless the Xvfb that start_x started still runs, or the weston and
# its Xwayland (which weston would start again in its place).
check_x()
{
   if [ -n "$XWAYLAND_PID" ]; then
      kill -0 "$XVFB_PID" 2>/dev/null || fail "weston (pid $XVFB_PID) has died: $(cat "$WORK/weston.log")"
      kill -0 "$XWAYLAND_PID" 2>/dev/null ||
         fail "Xwayland (pid $XWAYLAND_PID) has died: $(cat "$WORK/weston.log" "$WORK/weston.out")"
      return
   fi
   kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb (pid $XVFB_PID) has died: $(cat "$WORK/xvfb.log")"
}

# The X server of a Wayland desktop: Xwayland, under weston's headless
# backend (no screen, no input devices), on a display number weston picks
# itself as free. Weston names it to the programs it starts, in DISPLAY: the
# one it starts once it is up, as a desktop starts a session's programs,
# writes the number to the number file, as -displayfd has Xvfb do. Its log
# says it too ("xserver listening on display :N" in weston 10), but the
# wording is not weston's promise, and differs between its releases.
#
# Weston gets a runtime folder of its own, for its Wayland socket, private
# as it asks; it never blanks its screen, which would stop the frames; and
# its headless screen is Xvfb's size. It starts Xwayland at the first X
# client, here the one that waits for the display; XWAYLAND_PID is that
# one, weston's child. Like the system's X servers, weston puts its socket
# in /tmp/.X11-unix, which it does not make itself (weston 10): made here
# where it is missing, as an X server would make it, open to all and sticky.
WESTON_SCREEN=${XVFB_SCREEN%x*}   # width x height, without the depth
# Milliseconds before its next refresh that weston repaints, a whole one: its
# headless screen counts a refresh from each repaint, and with weston's
# usual 7 the window's frames came every 26 ms, not every 16.7.
WESTON_REPAINT_WINDOW=17
start_xwayland()
{
   local display
   command -v weston >/dev/null || fail "weston is not installed (scripts/install-deps.sh --test)"
   command -v Xwayland >/dev/null || fail "Xwayland is not installed (scripts/install-deps.sh --test)"
   [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix || fail "could not make /tmp/.X11-unix"
   mkdir -m 700 "$WORK/runtime"
   # shellcheck disable=SC2016 # DISPLAY is the started program's
   printf '#!/bin/sh\necho "${DISPLAY#:}" >"%s/display"\n' "$WORK" >"$WORK/tell-display"
   chmod +x "$WORK/tell-display"
   printf '[core]\nrepaint-window=%s\n[autolaunch]\npath=%s/tell-display\n' \
          "$WESTON_REPAINT_WINDOW" "$WORK" >"$WORK/weston.ini"
   : >"$WORK/display"
   env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$WORK/runtime" \
      weston --backend=headless-backend.so --xwayland --config="$WORK/weston.ini" \
             --width="${WESTON_SCREEN%x*}" --height="${WESTON_SCREEN#*x}" --idle-time=0 \
             --log="$WORK/weston.log" </dev/null >"$WORK/weston.out" 2>&1 &
   XVFB_PID=$!
   for _ in $(seq "$XVFB_WAIT"); do
      [ -s "$WORK/display" ] && break
      kill -0 "$XVFB_PID" 2>/dev/null ||
         fail "weston did not start: $(cat "$WORK/weston.log" "$WORK/weston.out")"
      sleep 0.1
   done
   [ -s "$WORK/display" ] || fail "weston named no display: $(cat "$WORK/weston.log")"
   display=$(head -n 1 "$WORK/display")
   export DISPLAY=":$display"
   timeout "$((XVFB_WAIT / 10))" xdpyinfo >/dev/null 2>&1 ||
      fail "Xwayland on $DISPLAY did not start: $(cat "$WORK/weston.log" "$WORK/weston.out")"
   XWAYLAND_PID=$(pgrep -P "$XVFB_PID" -x Xwayland) || fail "weston runs no Xwayland"
}
