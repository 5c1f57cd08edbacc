/*
 * The demo's own dealings with the X display. This is the one place where
 * the demo talks to Xlib itself rather than through the graphics library,
 * for two things the library leaves undone: telling the desktop which
 * process owns the window, and surviving the loss of the display.
 *
 * A window manager asks _NET_WM_PID and WM_CLIENT_MACHINE to learn whose
 * window it is, to end the process when the window hangs, say; the library
 * sets neither. They go on its managed top-level window, not on the inner
 * window it draws into, under its X lock, since its own thread talks to the
 * display too.
 *
 * Losing the display: the library leaves Xlib's error handling as it finds
 * it, and that goes wrong here.
 *
 * When the window is destroyed by another client, or the connection to the
 * X server is killed or the server ends, Xlib calls its error handlers.
 * Their defaults print and call exit(), and exit() runs the library's exit
 * handler, which waits for a lock that the thread inside Xlib holds: the
 * process hangs for ever with no window. Ours say in one line that the
 * display is lost, with Xlib's reason, and end the process at once with
 * status 1, running no exit handler. There is nothing left to shut down:
 * the window is gone with the display.
 */
#include "demo/display.h"

#include <allegro.h>
#include <xalleg.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

/* The library's X lock steps a volatile counter, which C++20 deprecates
 * and clang warns of where the lock is taken; the library is C and means it.
 */
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wdeprecated-volatile"
#endif

/* Puts the process id and the host's name on the window, as the desktop's
 * conventions ask, so that the window manager knows whose it is.
 */
void mark_window_owner()
{
   char host[HOST_NAME_MAX + 1] = {};
   gethostname(host, sizeof host - 1);
   char *host_name = host;
   /* Xlib takes the items of a 32-bit property as longs. */
   const unsigned long pid = static_cast<unsigned long>(getpid());

   XLOCK();
   if (_xwin.display && _xwin.wm_window) {
      XTextProperty machine;
      if (XStringListToTextProperty(&host_name, 1, &machine)) {
         XSetWMClientMachine(_xwin.display, _xwin.wm_window, &machine);
         XFree(machine.value);
      }
      const Atom net_wm_pid = XInternAtom(_xwin.display, "_NET_WM_PID", False);
      XChangeProperty(_xwin.display, _xwin.wm_window, net_wm_pid, XA_CARDINAL, 32,
                      PropModeReplace, reinterpret_cast<const unsigned char *>(&pid), 1);
      XFlush(_xwin.display);
   }
   XUNLOCK();
}

#if defined(__clang__)
#pragma clang diagnostic pop
#endif

static const int LOST_DISPLAY_STATUS = 1;

/* Says that the display is lost, and why, and ends the process. */
[[noreturn]] static void lost_display(Display *display, const char *reason)
{
   std::fprintf(stderr, "blobs: lost the display %s: %s\n", DisplayString(display), reason);
   _exit(LOST_DISPLAY_STATUS);
}

/* A request failed, as drawing into a window that another client destroyed
 * does. Xlib's default would end the process here as well.
 */
static int on_protocol_error(Display *display, XErrorEvent *error)
{
   char text[256];
   XGetErrorText(display, error->error_code, text, sizeof text);
   lost_display(display, text);
}

/* The connection broke: killed by another client, or the server ended.
 * The reason is put as Xlib's own handler puts it.
 */
static int on_connection_error(Display *display)
{
   const int cause = errno;
   if (cause == EPIPE || cause == ECONNRESET)
      lost_display(display, "X connection broken (explicit kill or server shutdown)");
   char reason[256];
   std::snprintf(reason, sizeof reason, "fatal IO error %d (%s) on the X connection",
                 cause, std::strerror(cause));
   lost_display(display, reason);
}

/* Puts our handlers in place of Xlib's defaults. A write to a connection
 * the server has closed would also raise SIGPIPE, which would end the
 * process without a word; ignored, it comes back as an error instead.
 */
void watch_display()
{
   std::signal(SIGPIPE, SIG_IGN);
   XSetErrorHandler(on_protocol_error);
   XSetIOErrorHandler(on_connection_error);
}
