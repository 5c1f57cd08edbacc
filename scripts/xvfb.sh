# shellcheck shell=bash
# A private X server, for the scripts that need a display: the window tests
# (through tests/window/session.sh) and scripts/measure-window.sh. Sourced by
# them; the sourcing script provides WORK, a scratch folder, and fail, which
# reports and exits, and stops the server by XVFB_PID when it is done.

XVFB_SCREEN=800x600x24   # room for the demo's 640x480 window, in true colour
XVFB_WAIT=100            # tenths of a second allowed for Xvfb to start
XVFB_PID=""              # the Xvfb start_x started

# Starts Xvfb on a display number it picks itself as free, and points
# DISPLAY at it once it accepts connections. Like a desktop's X server, which
# always has clients, it does not reset when its last client leaves: one
# that connects during a reset has been seen refused.
#
# The number file is emptied here, before the fork: the redirection below
# happens in the child, after it, and until then the file would still name
# the server started before, which may be gone or not yet listening again.
start_x()
{
   local display
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

# Fails unless the Xvfb that start_x started still runs.
check_x()
{
   kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb (pid $XVFB_PID) has died: $(cat "$WORK/xvfb.log")"
}
