/*
 * What differs between the systems the demo runs on, behind one interface,
 * one file for each: src/platform/linux.cpp (X11 on a POSIX system),
 * src/platform/windows.cpp and src/platform/web.cpp (a page in a browser).
 * The demo calls these at the same points on all three, and the rest of its
 * code knows of none of them.
 */
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

/* Before the library starts: holds back the requests to end from outside
 * the window (signals, on Linux) until the demo can take them.
 */
void hold_quit_requests();

/* Before the library starts: gives the window it creates the class and
 * icon the desktop knows the demo by.
 */
void name_window();

/* Once the library has started, before the window opens: takes over the
 * requests to end from the library, watches for the display to be lost, and
 * tells the desktop whose window it is.
 */
void watch_session();

/* Once the window is open: makes vsync() wait for the display's own
 * vertical retrace where the library's driver cannot see it (X11).
 */
void follow_display_retrace();

/* Once the keyboard is in: starts the library's timer with TICK as its one
 * callback, every PERIOD_MS, on a thread of its own that takes no request
 * to end. False when the system refuses that thread.
 */
bool start_timer(void (*tick)(), int period_ms);

/* What quit_request() gives when the library's timer stopped and could not
 * be started again (on Linux): no tick will come, and the demo must end.
 */
const int TIMER_LOST = -1;

/* The request to end that has come: from outside the window (on Linux the
 * signal's number), TIMER_LOST, or 0 when none has.
 */
int quit_request();

/* Once a frame is stretched onto the screen: sends it to the display whole,
 * at once. Under X11 the library's drawing requests wait in Xlib's buffer
 * until something sends them, and a frame half sent shows torn.
 */
void send_frame();

/* One step of the frame loop's tick wait, taken over and over until the
 * tick has come. On the desktop it returns at once: the tick comes from the
 * library's timer thread while the wait spins (on Linux it restarts that
 * thread when it has stood still far too long). In a browser the page has
 * one thread, which the demo shares with the page's events, the tick among
 * them: there it hands the thread to the page until its clock has called
 * the timer.
 */
void tick_wait_step();

/* Once a pass of the frame loop: in a browser, hands the thread to the page
 * for one turn, in which its keys arrive and the picture is shown; with Tab
 * held it is the page's only turn. On the desktop it does nothing.
 */
void give_turn();

/* Once the blobs are freed: shuts the library down and ends the process the
 * way a request from outside the window asked.
 */
[[noreturn]] void end_by_request(int request);

/* Tells the user why the demo cannot run, in one line. */
void report_failure(const char *text);

#endif
