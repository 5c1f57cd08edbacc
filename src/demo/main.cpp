/*
 * Blobs: 64 soft circular lights weave over a dim radial glow in a 640x480
 * window in 8-bit palette mode. Where lights overlap their brightness adds
 * up, to a ceiling, and a palette ramp turns brightness into colour, from
 * black through blue and cyan to near white.
 *
 * Each frame is composed at 320x240 and shown stretched by two, paced by the
 * vertical retrace and a 10 ms tick. Escape ends the demo, as does a request
 * to end from outside, such as Ctrl+C in a terminal; holding Tab lets it run
 * as fast as the machine allows. What differs between Linux and Windows
 * lives behind src/platform/platform.h; on Windows, END_OF_MAIN below makes
 * the program's entry WinMain, which hands main to the library.
 */
#include <allegro.h>

#include <cstdio>
#include <cstdlib>

#include "blob/blob.h"
#include "demo/swarm.h"
#include "demo/timer.h"
#include "demo/window.h"
#include "platform/platform.h"
#include "scene/palette.h"

BITMAP *buffer;       /* the frame being composed */
BITMAP *background;   /* the glow, copied under every frame */

/* Says in one line why the demo cannot run, with the library's reason when
 * it has one, and gives the status to exit with. The line is put together
 * without allocating: memory may be what ran out.
 */
static int fail(const char *what)
{
   char text[ALLEGRO_ERROR_SIZE * 2];   /* room for ours and the library's */
   if (allegro_error[0])
      std::snprintf(text, sizeof text, "%s: %s", what, allegro_error);
   else
      std::snprintf(text, sizeof text, "%s", what);
   report_failure(text);
   return EXIT_FAILURE;
}

int main()
{
   /* Initialization */
   hold_quit_requests();
   if (!start_library())
      return fail("could not open a 640x480 8-bit window");
   watch_session();
   if (!set_window_mode())
      return fail("could not open a 640x480 8-bit window");
   follow_display_retrace();
   if (install_keyboard() != 0)
      return fail("could not install the keyboard");
   if (!install_timers())
      return fail("could not start the 10 ms timer");

   buffer = create_bitmap(FRAME_W, FRAME_H);
   background = create_bitmap(FRAME_W, FRAME_H);
   if (!buffer || !background)
      return fail("could not create the 320x240 frame bitmaps");
   clear_bitmap(screen);
   set_palette_ramp();

   Blob *blobs[BLOB_COUNT];
   if (!build_scene(blobs, background))
      return fail("out of memory for the 64 blobs");

   /* Frame loop, until Escape or a request to end: a signal, or the timer lost */
   int frame_count = 0;
   while (!key[KEY_ESC] && !quit_request()) {
      tick_count.store(0, std::memory_order_relaxed);
      frame_count = next_frame_count(frame_count);
      compose_frame(buffer, background, blobs, frame_count);

      if (!key[KEY_TAB])
         vsync();
      stretch_blit(buffer, screen, 0, 0, FRAME_W, FRAME_H, 0, 0, WINDOW_W, WINDOW_H);
      send_frame();
      if (!key[KEY_TAB])
         wait_for_tick();
      give_turn();
   }

   /* Shutdown: the frame bitmaps are left to the end of the process */
   free_blobs(blobs);
   if (quit_request() == TIMER_LOST)
      return fail("the 10 ms timer stopped and could not be started again");
   if (quit_request())
      end_by_request(quit_request());
   return 0;
}
END_OF_MAIN()
