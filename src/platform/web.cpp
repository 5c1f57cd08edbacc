/*
 * The demo in a page of a web browser, compiled to WebAssembly, on the
 * library's web port (allegro/web): the window is the page's canvas, the
 * keys are the page's, the tick is the page's clock, and the retrace that
 * vsync() waits for is the browser's next animation frame.
 *
 * What the browser forces on the frame loop. The page has one thread, and
 * the demo runs on it: the page's events (the keys, the tick, the display's
 * frames, showing the picture) run only while the demo hands the thread
 * back, which the library's rest() does. A paced frame hands it back in
 * vsync(), but two places would otherwise never do so and the page would
 * freeze: the tick wait, which spins until the tick comes, and the frames
 * run while Tab is held, which wait for nothing. So the tick wait hands the
 * page the thread until its clock has called the timer, in one wait, not
 * turn after turn, and every pass of the frame loop ends with a turn for
 * the page. A turn is rest(0): it ends as soon as the page has handled
 * what was waiting, so Tab still lets frames follow each other as fast as
 * the page allows.
 *
 * Nothing else differs. No request to end comes from outside the page:
 * closing it ends the program with it, and Escape is the way to end the
 * demo, after which the page says so. There is no window to name, no
 * display to lose, and a failure is told in the page by the library's
 * message.
 */
#include "platform/platform.h"

#include <allegro.h>
#include <weballeg.h>

#include <cstdlib>

/* The page downloads the program: only the library's 8-bit drawing code,
 * the one depth the demo draws in, is built into it.
 */
BEGIN_COLOR_DEPTH_LIST
   COLOR_DEPTH_8
END_COLOR_DEPTH_LIST

void hold_quit_requests()
{
}

void name_window()
{
}

void watch_session()
{
}

/* The port's vsync() already waits for the browser's next animation frame,
 * which follows the display.
 */
void follow_display_retrace()
{
}

/* The library's timer, with the tick as its one callback. */
bool start_timer(void (*tick)(), int period_ms)
{
   return install_timer() == 0 && install_int(tick, period_ms) == 0;
}

/* No request comes from outside the page. */
int quit_request()
{
   return 0;
}

/* The canvas takes the screen at the page's next animation frame. */
void send_frame()
{
}

/* The page has the thread until its clock has next called the timer. */
void tick_wait_step()
{
   web_wait_for_timer();
}

/* One turn of the page's events. */
void give_turn()
{
   rest(0);
}

/* Not reached, as no request ever comes. */
void end_by_request(int request)
{
   std::exit(request);
}

/* The library's message, which the page shows as one line. */
void report_failure(const char *text)
{
   allegro_message("%s", text);
}
