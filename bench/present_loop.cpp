/*
 * present_loop: opens the demo's 640x480 8-bit window, starts up in the
 * demo's order, and measures what the library and the window system leave
 * the demo, printing one "name value" line per figure:
 *
 *   window_ms           launch to the open window, keyboard and timer
 *   first_frame_ms      launch to the first frame stretched onto the screen
 *   palette_ms          of that, setting the palette ramp
 *   startup_work_ms     of that, painting the sprites, the table and the glow
 *   refresh_rate_hz     the rate the graphics driver reports (0: unknown)
 *   retrace_hz          simulated retraces per second (the library's
 *                       retrace_count, which vsync() waits on to change):
 *                       every paced frame waits for one, so this caps the
 *                       demo's paced frame rate
 *   paced_present_hz    passes per second of the paced loop with nothing to
 *                       compose: vsync, stretch, tick wait
 *   present_hz          one fixed frame stretched onto the screen PRESENTS
 *                       times, as fast as it goes: the ceiling of the demo's
 *                       unthrottled frame rate
 *   unthrottled_loop_hz the demo's pass with Tab held (compose the next
 *                       frame, stretch it onto the screen) PRESENTS times,
 *                       in turns with the presents above
 *
 *   present_loop [PRESENTS [LAUNCH_NS]]
 *
 * LAUNCH_NS is the wall-clock time of the launch in nanoseconds since the
 * epoch (as `date +%s%N` prints it); without it times count from main().
 */
#include <allegro.h>

#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "blob/blob.h"
#include "demo/swarm.h"
#include "demo/timer.h"
#include "demo/window.h"
#include "scene/palette.h"

static const int DEFAULT_PRESENTS = 2000;
static const int BLOCKS = 20;   /* turns taken by the two unthrottled loops */
static const double PACED_SECONDS = 3.0;

/* Wall-clock seconds, comparable with the launch time the caller passes. */
static double now()
{
   timespec ts;
   clock_gettime(CLOCK_REALTIME, &ts);
   return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

/* The present: a 320x240 frame stretched by two onto the window. */
static void stretch_to_screen(BITMAP *buffer)
{
   stretch_blit(buffer, screen, 0, 0, FRAME_W, FRAME_H, 0, 0, WINDOW_W, WINDOW_H);
}

int main(int argc, char **argv)
{
   const double entered = now();
   const int presents = argc > 1 ? std::atoi(argv[1]) : DEFAULT_PRESENTS;
   const double launched = argc > 2 ? std::atof(argv[2]) * 1e-9 : entered;

   /* Start-up, in the demo's order */
   if (!open_window()) {
      std::fprintf(stderr, "present_loop: could not open a 640x480 8-bit window\n");
      return EXIT_FAILURE;
   }
   install_keyboard();
   install_timers();
   const double window_opened = now();
   BITMAP *buffer = create_bitmap(FRAME_W, FRAME_H);
   BITMAP *background = create_bitmap(FRAME_W, FRAME_H);
   clear_bitmap(screen);
   const double palette_began = now();
   set_palette_ramp();
   const double palette_ended = now();

   const double work_began = now();
   Blob *blobs[BLOB_COUNT];
   build_scene(blobs, background);
   const double work_ended = now();

   /* The demo's first pass: frame 1, the retrace wait, the stretch */
   tick_count.store(0, std::memory_order_relaxed);
   compose_frame(buffer, background, blobs, 1);
   vsync();
   stretch_to_screen(buffer);
   const double first_frame = now();
   wait_for_tick();

   /* The paced loop with nothing to compose, timed from the first retrace
    * it sees to the last
    */
   int passes = 0, first_count = 0, last_count = 0;
   double first_retrace = 0, last_retrace = 0;
   while (passes < 2 || last_retrace - first_retrace < PACED_SECONDS) {
      tick_count.store(0, std::memory_order_relaxed);
      vsync();
      last_retrace = now();
      last_count = retrace_count;
      if (passes++ == 0) {
         first_retrace = last_retrace;
         first_count = last_count;
      }
      stretch_to_screen(buffer);
      wait_for_tick();
   }

   /* A fixed frame stretched onto the screen as fast as it goes, in blocks
    * that take turns with the demo's unthrottled pass (compose the next
    * frame, stretch it), so that both meet the same machine
    */
   BITMAP *still = create_bitmap(FRAME_W, FRAME_H);
   blit(buffer, still, 0, 0, 0, 0, FRAME_W, FRAME_H);
   const int block = presents / BLOCKS;
   double presenting = 0, looping = 0;
   int t = 1;
   for (int b = 0; b < BLOCKS; b++) {
      const double presents_began = now();
      for (int i = 0; i < block; i++)
         stretch_to_screen(still);
      const double loops_began = now();
      for (int i = 0; i < block; i++) {
         compose_frame(buffer, background, blobs, ++t);
         stretch_to_screen(buffer);
      }
      const double loops_ended = now();
      presenting += loops_began - presents_began;
      looping += loops_ended - loops_began;
   }

   std::printf("window_ms %.2f\n", (window_opened - launched) * 1e3);
   std::printf("first_frame_ms %.2f\n", (first_frame - launched) * 1e3);
   std::printf("palette_ms %.2f\n", (palette_ended - palette_began) * 1e3);
   std::printf("startup_work_ms %.3f\n", (work_ended - work_began) * 1e3);
   std::printf("refresh_rate_hz %d\n", get_refresh_rate());
   std::printf("retrace_hz %.3f\n", (last_count - first_count) / (last_retrace - first_retrace));
   std::printf("paced_present_hz %.3f\n", (passes - 1) / (last_retrace - first_retrace));
   std::printf("present_hz %.1f\n", BLOCKS * block / presenting);
   std::printf("unthrottled_loop_hz %.1f\n", BLOCKS * block / looping);

   free_blobs(blobs);
   return EXIT_SUCCESS;
}
END_OF_MAIN()
