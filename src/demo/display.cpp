/*
 * Losing the display. This is the one place where the demo talks to Xlib
 * itself rather than through the graphics library, because the library
 * leaves Xlib's error handling as it finds it, and that goes wrong here.
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

#include <X11/Xlib.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

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
