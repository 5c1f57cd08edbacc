/*
 * The vertical retrace under X11, from the display itself.
 *
 * What it mends: the library's X11 driver cannot see a retrace, so its
 * vsync() waits for a retrace it simulates with its own 70 Hz timer, which
 * follows no display. Its timer thread wakes every 10 ms, so that wait
 * returns 10 or 20 ms after the last one: on a 60 Hz screen ten frames a
 * second are never seen and the others are shown unevenly, and the soft
 * motion stutters.
 *
 * The X Present extension tells a client when its window's display has
 * begun a vertical blank. Once the window is open, the X11 driver's retrace
 * method, which the library's vsync() calls, is replaced by a wait for the
 * next one: a NotifyMSC request for the library's drawing window and the
 * CompleteNotify event that answers it. The wait has an X connection of its
 * own, talking only XCB: the library's thread talks on the library's
 * connection, under the library's lock, and takes any event that comes.
 *
 * Never worse than before. Where the server has no Present, or refuses the
 * request, the library's own wait paces the frames: its X11 driver's, done
 * here so that nothing can hang it. It waits until the retrace counter
 * that the library's timer moves 70 times a second has moved, and that
 * timer can stand still (see timer_watch.cpp): this wait keeps it going, as
 * the tick wait does. A display can stop answering for a while (a
 * compositor sends no frames to a hidden window, Xwayland none to one on
 * another workspace), so a wait gives up after NO_ANSWER_MS and the
 * library's wait paces that frame; later frames use the library's wait
 * until the late answer comes, then Present again. An answer can also be
 * lost for good (a server that drops a request, a compositor that never
 * shows the window again): a request unanswered for ASK_AGAIN_MS is given
 * up and a new one sent, so that one lost answer does not end Present for
 * the run. Escape or a request to end cuts either wait short. When this
 * connection breaks, the library's wait takes over for good; if the display
 * is gone, that wait's round trip on the library's connection meets Xlib's
 * error handlers in linux.cpp, which end the demo as they always have.
 */
#include "platform/platform.h"
#include "platform/timer_watch.h"

#include <allegro.h>
#include <xalleg.h>
#include <poll.h>
#include <xcb/present.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>

using Clock = std::chrono::steady_clock;

/* How long a wait waits for its answer before the library's wait paces the
 * frame: six refreshes at 60 Hz, and two and a half at 24 Hz, the slowest
 * rate displays are driven at, so a working display always answers within
 * it, even on a busy machine. It is also the longest a silent display holds
 * up a frame, once, and it keeps a window destroyed during the wait well
 * within a second of the end its next drawing brings.
 */
static const int NO_ANSWER_MS = 100;

/* How long a request may stay unanswered before it is taken as lost and a
 * new one is sent: ten times the bound, so that a display that answers
 * late, as a busy one can, is not asked over and over.
 */
static const int ASK_AGAIN_MS = 1000;

static xcb_connection_t *connection;      /* ours, not the library's */
static xcb_special_event_t *answers;      /* CompleteNotify events for our window */
static xcb_window_t window;               /* the library's drawing window */

/* What the wait has asked of Present, and what Present has answered. */
struct PresentState {
   bool broken = true;            /* no connection, or it failed, or Present refused us */
   std::uint32_t serial = 0;      /* of the latest request */
   bool waiting = false;          /* the latest request is not answered yet */
   Clock::time_point asked_at;    /* when it was sent */
   std::uint64_t msc = 0;         /* the blank that answered the last answered one */
   std::uint64_t target = 0;      /* the blank the latest request asked for */
   bool early = false;            /* the last answer came a blank before the one asked for */
};
static PresentState present;

/* Notes an error among the events XCB hands out, one after another, as
 * next gives them: Present refusing a request, or the window gone.
 */
static void note_errors(xcb_generic_event_t *(*next)(xcb_connection_t *))
{
   while (xcb_generic_event_t *event = next(connection)) {
      if (event->response_type == 0)
         present.broken = true;
      std::free(event);
   }
}

/* Reads the events our connection has received into the state: an error or
 * a broken connection, and the answer to the latest request; answers to
 * earlier ones are dropped. The connection is read first and Present's
 * queue last: an answer that arrives while the connection is read lands in
 * that queue and is seen there, rather than left behind while the wait
 * sleeps on a connection with nothing more to read. Whatever else came in
 * meanwhile waits in XCB's own queue, and is taken from there.
 */
static void read_answers()
{
   note_errors(xcb_poll_for_event);
   while (xcb_generic_event_t *event = xcb_poll_for_special_event(connection, answers)) {
      const auto *notify = reinterpret_cast<xcb_present_complete_notify_event_t *>(event);
      if (notify->serial == present.serial) {
         present.waiting = false;
         present.msc = notify->msc;
         present.early = notify->msc < present.target;
      }
      std::free(event);
   }
   note_errors(xcb_poll_for_queued_event);
   if (xcb_connection_has_error(connection))
      present.broken = true;
}

/* Asks for the blank after the one that answered the last request; when
 * that has passed already, the next one to come (divisor 1, remainder 0).
 * Asking only for "the next" would be answered twice by one blank where
 * the server's count moves on a little late, as Xvfb's, timed by its
 * clock, can.
 *
 * A server that answered a blank early is asked for one blank more.
 * Xwayland's own Present (Debian 13's, and any with glamor) answers a
 * request at the blank before the one asked for, and counts blanks only
 * while a request waits: asked for the next, it answers at once with the
 * count it has, which then never moves, and the demo would run as fast as
 * its tick allows. Asked for the one after, it answers at the next blank.
 */
static void ask_for_blank()
{
   present.serial++;
   present.waiting = true;
   present.asked_at = Clock::now();
   present.target = present.msc + (present.early ? 2 : 1);
   xcb_present_notify_msc(connection, window, present.serial, present.target, 1, 0);
   xcb_flush(connection);
}

/* Waits for the answer to the latest request until the deadline, a request
 * to end or a failure; true when it came.
 */
static bool wait_for_answer(Clock::time_point deadline)
{
   pollfd readable = {xcb_get_file_descriptor(connection), POLLIN, 0};
   read_answers();
   while (present.waiting && !present.broken && !quit_request()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0)
         return false;
      /* A signal's handler cuts the poll short (EINTR), and the loop sees
       * the request to end.
       */
      poll(&readable, 1, static_cast<int>(left.count()));
      read_answers();
   }
   return !present.waiting;
}

/* The library's X11 driver keeps its X lock's count in a volatile, which
 * C++20 deprecates and clang warns of where the lock is taken; the library
 * is C and means it.
 */
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wdeprecated-volatile"
#endif

/* The library's wait, as its X11 driver's retrace method does it: a round
 * trip on the library's connection, then until the library's timer has
 * moved the retrace counter. It also ends on Escape or a request to end,
 * and keeps the timer going when that has stood still.
 */
static void wait_for_simulated_retrace()
{
   const int last = retrace_count;
   XLOCK();
   XSync(_xwin.display, False);
   XUNLOCK();
   while (retrace_count == last && !key[KEY_ESC] && !quit_request()) {
      keep_timer_running();
      rest(1);
   }
}

#if defined(__clang__)
#pragma clang diagnostic pop
#endif

/* The driver's retrace method: returns at the window's next vertical blank.
 * While an earlier request is unanswered, or for good once this connection
 * has failed, the library's own wait stands in; a request unanswered for
 * ASK_AGAIN_MS is asked again, and that answer is looked for at the next
 * frame, as a late one is.
 */
static void wait_for_display_retrace()
{
   if (!present.broken && present.waiting) {
      read_answers();
      if (present.waiting && !present.broken &&
          Clock::now() - present.asked_at > std::chrono::milliseconds(ASK_AGAIN_MS))
         ask_for_blank();
   }
   if (present.broken || present.waiting) {
      wait_for_simulated_retrace();
      return;
   }
   ask_for_blank();
   if (!wait_for_answer(present.asked_at + std::chrono::milliseconds(NO_ANSWER_MS)) &&
       !quit_request())
      wait_for_simulated_retrace();
}

/* Opens our connection to the library's display and asks for Present's
 * events on the drawing window. Where any of it fails the library's wait
 * stays, as this file does it.
 */
static void open_connection()
{
   xcb_connection_t *ours = xcb_connect(DisplayString(_xwin.display), nullptr);
   if (xcb_connection_has_error(ours)) {
      xcb_disconnect(ours);
      return;
   }
   const xcb_query_extension_reply_t *extension = xcb_get_extension_data(ours, &xcb_present_id);
   xcb_present_query_version_reply_t *version = nullptr;
   if (extension && extension->present)
      version = xcb_present_query_version_reply(
         ours,
         xcb_present_query_version(ours, XCB_PRESENT_MAJOR_VERSION, XCB_PRESENT_MINOR_VERSION),
         nullptr);
   if (!version) {
      xcb_disconnect(ours);
      return;
   }
   std::free(version);

   connection = ours;
   window = static_cast<xcb_window_t>(_xwin.window);
   const std::uint32_t eid = xcb_generate_id(connection);
   answers = xcb_register_for_special_xge(connection, &xcb_present_id, eid, nullptr);
   xcb_present_select_input(connection, eid, window, XCB_PRESENT_EVENT_MASK_COMPLETE_NOTIFY);
   present.broken = false;
}

/* Puts our wait in place of the driver's retrace method, with Present
 * where the server has it.
 */
void follow_display_retrace()
{
   if (!gfx_driver || !gfx_driver->vsync || !_xwin.display || !_xwin.window)
      return;
   present.broken = true;
   open_connection();
   gfx_driver->vsync = wait_for_display_retrace;
}
