/*
 * The demo on Windows, a GUI program: END_OF_MAIN in main.cpp makes its
 * entry WinMain, which hands main to the library's _WinMain. It has no
 * console, so a failure is told in the library's message box.
 *
 * The window needs no naming here: the library's window class loads the
 * icon resource named allegro_icon, which the program carries
 * (packaging/windows/blobs.rc), and the caption is the program's name, as
 * under X11. No request to end comes from outside the window: there are no
 * signals to a GUI program, and the close button is the library's, which
 * leaves it alone. So Escape is the one way to end it.
 */
#include "platform/platform.h"

#include <allegro.h>
#include <winalleg.h>

#include <cstdlib>

static const char CAPTION[] = "blobs";   /* the library's, from the program's name */

void hold_quit_requests()
{
}

void name_window()
{
}

void watch_session()
{
}

/* The library's DirectDraw driver waits for the display's retrace itself. */
void follow_display_retrace()
{
}

/* The library's timer, with the tick as its one callback. */
bool start_timer(void (*tick)(), int period_ms)
{
   return install_timer() == 0 && install_int(tick, period_ms) == 0;
}

int quit_request()
{
   return 0;
}

/* The frame is the window's as soon as it is drawn. */
void send_frame()
{
}

/* The tick comes from the library's timer thread while the wait spins. */
void tick_wait_step()
{
}

/* The window's events come on the library's own threads. */
void give_turn()
{
}

/* Not reached, as no request ever comes; ends the process all the same,
 * through the library's exit handler.
 */
void end_by_request(int request)
{
   std::exit(request);
}

/* The library's message box. It must not be shown in a graphics mode, whose
 * window would be drawn over it (under Wine it stays blank), so the window
 * leaves its mode first when it has one. Before the library has started
 * the box would be written to standard output instead, which a GUI program
 * does not have, so Windows' own box stands in.
 */
void report_failure(const char *text)
{
   if (!system_driver) {
      MessageBoxA(nullptr, text, CAPTION, MB_OK | MB_ICONERROR);
      return;
   }
   if (screen)
      set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
   allegro_message("%s", text);
}
