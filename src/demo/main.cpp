/*
 * Blobs: 64 soft circular lights weave over a dim radial glow in a 640x480
 * window in 8-bit palette mode. Where lights overlap their brightness adds
 * up, to a ceiling, and a palette ramp turns brightness into colour, from
 * black through blue and cyan to near white.
 *
 * Each frame is composed at 320x240 and shown stretched by two, paced by the
 * vertical retrace and a 10 ms tick. Escape ends the demo; holding Tab lets
 * it run as fast as the machine allows.
 */
#include <allegro.h>

#include <cstdio>
#include <cstdlib>

#include "blob/blob.h"
#include "demo/swarm.h"
#include "demo/timer.h"
#include "demo/window.h"
#include "scene/palette.h"

BITMAP *buffer;       /* the frame being composed */
BITMAP *background;   /* the glow, copied under every frame */

/* Reports why the demo cannot run, with the library's reason when it has
 * one, as one line on standard error.
 */
static void report_failure(const char *what)
{
   if (allegro_error[0])
      std::fprintf(stderr, "blobs: %s: %s\n", what, allegro_error);
   else
      std::fprintf(stderr, "blobs: %s\n", what);
}

int main()
{
   /* Initialization */
   if (!open_window()) {
      report_failure("could not open a 640x480 8-bit window");
      return EXIT_FAILURE;
   }
   install_keyboard();
   install_timers();

   buffer = create_bitmap(FRAME_W, FRAME_H);
   background = create_bitmap(FRAME_W, FRAME_H);
   if (!buffer || !background) {
      report_failure("could not create the 320x240 frame bitmaps");
      return EXIT_FAILURE;
   }
   clear_bitmap(screen);
   set_palette_ramp();

   Blob *blobs[BLOB_COUNT];
   build_scene(blobs, background);

   /* Frame loop */
   int frame_count = 0;
   while (!key[KEY_ESC]) {
      tick_count.store(0, std::memory_order_relaxed);
      frame_count = next_frame_count(frame_count);
      compose_frame(buffer, background, blobs, frame_count);

      if (!key[KEY_TAB])
         vsync();
      stretch_blit(buffer, screen, 0, 0, FRAME_W, FRAME_H, 0, 0, WINDOW_W, WINDOW_H);
      if (!key[KEY_TAB])
         wait_for_tick();
   }

   /* Shutdown: the frame bitmaps are left to the end of the process */
   free_blobs(blobs);
   return 0;
}
END_OF_MAIN()
