/*
 * The demo on Linux: a desktop under X11, on a POSIX system.
 *
 * Ending on a signal. The library installs handlers of its own for SIGINT,
 * SIGQUIT and SIGTERM when it starts; they shut the library down inside the
 * signal while the frame loop may still be drawing, and the process then
 * crashes. Ours only note which signal came: the frame loop sees it at its
 * next pass and ends as it does on Escape, the blobs are freed, and only
 * then is the library shut down and the signal's own action taken, so a
 * shell sees the status it expects (130 for Ctrl+C). SIGHUP, when the
 * terminal goes away, ends it the same way.
 *
 * The window's identity. The library creates its X11 window as it starts,
 * under its own class and logo unless told otherwise first: the demo gives
 * it the class a desktop matches to its menu entry, and its own icon. The
 * caption stays the one the library takes from the program's name. A
 * window manager asks _NET_WM_PID and WM_CLIENT_MACHINE to learn whose
 * window it is, to end the process when the window hangs, say; the library
 * sets neither. They go on its managed top-level window, not on the inner
 * window it draws into, under its X lock, since its own thread talks to the
 * display too.
 *
 * Losing the display: the library leaves Xlib's error handling as it finds
 * it, and that goes wrong here. When the window is destroyed by another
 * client, or the connection to the X server is killed or the server ends,
 * Xlib calls its error handlers. Their defaults print and call exit(), and
 * exit() runs the library's exit handler, which waits for a lock that the
 * thread inside Xlib holds: the process hangs for ever with no window. Ours
 * say in one line that the display is lost, with Xlib's reason, and end the
 * process at once with status 1, running no exit handler. There is nothing
 * left to shut down: the window is gone with the display.
 *
 * No display at start: the library cannot start, and says nothing of why.
 * The line then says it: no DISPLAY set, or the display it names, which
 * could not be opened.
 *
 * This is the one file where the demo talks to Xlib itself rather than
 * through the library; x11_retrace.cpp, beside it, waits for the display's
 * retrace through XCB, and timer_watch.cpp keeps the library's timer going
 * after the process has stood still.
 */
#include "platform/platform.h"
#include "platform/timer_watch.h"

#include <allegro.h>
#include <xalleg.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <limits.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "48x48/blobs.xpm"

/* ---- Signals */

static const int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};
static const int QUIT_SIGNAL_COUNT = sizeof QUIT_SIGNALS / sizeof QUIT_SIGNALS[0];

/* Set by the handler, read by the frame loop: the signal that came, or 0. */
static volatile std::sig_atomic_t caught_signal = 0;

/* Which of them the process was started with ignored. */
static bool ignored_at_start[QUIT_SIGNAL_COUNT];

static void note_quit_signal(int sig)
{
   caught_signal = sig;
}

static sigset_t quit_signal_set()
{
   sigset_t set;
   sigemptyset(&set);
   for (int sig : QUIT_SIGNALS)
      sigaddset(&set, sig);
   return set;
}

/* Holds the signals back while the library starts, so that none meets the
 * library's handlers, and notes which of them the process was started with
 * ignored, as under nohup or in a script's background job: those stay
 * ignored.
 */
void hold_quit_requests()
{
   const sigset_t set = quit_signal_set();
   sigprocmask(SIG_BLOCK, &set, nullptr);
   for (int i = 0; i < QUIT_SIGNAL_COUNT; i++) {
      struct sigaction current;
      sigaction(QUIT_SIGNALS[i], nullptr, &current);
      ignored_at_start[i] = current.sa_handler == SIG_IGN;
   }
}

/* Once the library has started, puts our handler in place of its own and
 * lets the signals through; one that came meanwhile is noted now. The
 * library's threads block every signal, and its timer's is started with
 * them held back (timer_watch.cpp), so the handler runs on the frame
 * loop's thread.
 */
static void catch_quit_signals()
{
   for (int i = 0; i < QUIT_SIGNAL_COUNT; i++) {
      struct sigaction action = {};
      action.sa_handler = ignored_at_start[i] ? SIG_IGN : note_quit_signal;
      sigemptyset(&action.sa_mask);
      action.sa_flags = SA_RESTART;
      sigaction(QUIT_SIGNALS[i], &action, nullptr);
   }
   const sigset_t set = quit_signal_set();
   sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

/* The signal that asked the demo to end; TIMER_LOST when the timer stopped
 * and could not be started again; or 0.
 */
int quit_request()
{
   if (caught_signal)
      return caught_signal;
   return timer_lost() ? TIMER_LOST : 0;
}

/* The library's timer, watched: it is started again the same way when it
 * has stood still far too long.
 */
bool start_timer(void (*tick)(), int period_ms)
{
   return start_watched_timer(tick, period_ms);
}

/* The tick comes from the library's timer thread while the wait spins;
 * after the process has stood still for half an hour that thread can wait
 * that long again, and is then started afresh.
 */
void tick_wait_step()
{
   keep_timer_running();
}

/* The window's events come on the library's own threads. */
void give_turn()
{
}

/* Shuts the library down, as its exit handler would after Escape, then ends
 * the process by the signal's default action. A clean end leaves no core
 * file, which SIGQUIT's default action would otherwise write.
 */
void end_by_request(int sig)
{
   allegro_exit();
   const struct rlimit no_core = {0, 0};
   setrlimit(RLIMIT_CORE, &no_core);
   std::signal(sig, SIG_DFL);
   std::raise(sig);
   _exit(128 + sig);   /* not reached: the default action ends the process */
}

/* ---- The window and its display */

/* The library's X11 icon, XPM data read when it creates its window. */
extern "C" void *allegro_icon;

static const char WINDOW_INSTANCE[] = "blobs";   /* WM_CLASS, as in the menu entry's */
static const char WINDOW_CLASS[] = "Blobs";      /* StartupWMClass */

void name_window()
{
   xwin_set_window_name(WINDOW_INSTANCE, WINDOW_CLASS);
   allegro_icon = const_cast<char **>(BLOBS_ICON_XPM);
}

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
static void mark_window_owner()
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

/* Sends the frame just stretched onto the screen to the X server at once.
 * The library sends it a line at a time, one request each; Xlib holds them
 * in its buffer and sends them as it fills, so without this the last 71
 * lines of a frame would wait for whatever flushes next, on the library's
 * background thread up to 10 ms later, and the window would show the new
 * frame's top over the old one's bottom meanwhile.
 */
void send_frame()
{
   XLOCK();
   if (_xwin.display)
      XFlush(_xwin.display);
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

/* Whether the server has closed its end of the connection. */
static bool closed_by_server(Display *display)
{
   pollfd end = {ConnectionNumber(display), POLLRDHUP, 0};
   return poll(&end, 1, 0) == 1 && (end.revents & (POLLRDHUP | POLLHUP));
}

/* The connection broke: killed by another client, or the server ended.
 * The reason is put as Xlib's own handler puts it. A connection the server
 * closed most often shows as EAGAIN, from the last read, which found
 * nothing, so the connection itself is asked whether the server closed it;
 * Xlib looks whether anything is left to read, and is misled when the
 * server's last words are still unread.
 */
static int on_connection_error(Display *display)
{
   const int cause = errno;
   if (cause == EPIPE || cause == ECONNRESET || closed_by_server(display))
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
static void watch_display()
{
   std::signal(SIGPIPE, SIG_IGN);
   XSetErrorHandler(on_protocol_error);
   XSetIOErrorHandler(on_connection_error);
}

/* Our signal handlers and Xlib error handlers in place of the library's and
 * Xlib's, and the window marked as this process's own.
 */
void watch_session()
{
   catch_quit_signals();
   watch_display();
   mark_window_owner();
}

/* ---- Messages */

/* Why the library could not start, when the display is the reason: no
 * DISPLAY to connect to, or one that cannot be reached. Null when the
 * display opens, and the reason lies elsewhere.
 */
static const char *display_trouble(char *text, std::size_t size)
{
   const char *name = std::getenv("DISPLAY");
   if (!name || !name[0])
      return "no DISPLAY set";
   Display *display = XOpenDisplay(name);
   if (display) {
      XCloseDisplay(display);
      return nullptr;
   }
   std::snprintf(text, size, "could not open the display %s", name);
   return text;
}

/* A terminal program's way: one line on standard error. Before the library
 * has started, the window cannot have opened, and under X11 that is most
 * often the display: the line then says what was wrong with it.
 */
void report_failure(const char *text)
{
   char trouble[256];
   const char *why = system_driver ? nullptr : display_trouble(trouble, sizeof trouble);
   if (why)
      std::fprintf(stderr, "blobs: %s: %s\n", text, why);
   else
      std::fprintf(stderr, "blobs: %s\n", text);
}
