/*
 * compose_measure: the demo's start-up work and per-frame work timed by one
 * small loop, the same source built natively and for WebAssembly, so that
 * scripts/measure-web.sh can set the browser's figures beside the native
 * ones. It starts the library without any hardware (memory bitmaps are all
 * it needs), times painting the sprites, the blend table and the glow once,
 * cold, as the demo's start-up meets them, then composes frames 1 to
 * BLOCKS * BLOCK_FRAMES in blocks and stretches the frame onto a 640x480
 * memory bitmap in blocks, as the present does. A block is timed whole, as
 * the browser's clock is coarse (0.1 ms in Chromium), and its mean per frame
 * is one sample. Every figure is printed as a `name value' line: natively on
 * standard output, in the page (index.html beside it) for WebAssembly.
 */
#include <allegro.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "../measuring.h"
#include "blob/blob.h"
#include "demo/motion.h"
#include "demo/stage.h"
#include "demo/swarm.h"
#include "scene/glow.h"

const int BLOCKS = 50;         /* samples of each per-frame figure */
const int BLOCK_FRAMES = 100;  /* frames timed together in one sample */
const int WARM_FRAMES = 200;   /* composed before the timing starts */

/* Milliseconds on a steady clock: the page's performance.now() in a
 * browser, the steady clock natively.
 */
static double now_ms()
{
#ifdef __EMSCRIPTEN__
   return emscripten_get_now();
#else
   using namespace std::chrono;
   return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
#endif
}

/* Prints one figure. */
static void report(const char *name, double value)
{
   std::printf("%s %.3f\n", name, value);
}

/* Prints the median, the fastest and the slowest of per-frame samples in
 * microseconds, under NAME_us, NAME_min_us and NAME_max_us.
 */
static void report_samples(const char *name, const std::vector<double> &samples_us)
{
   double least = samples_us[0], most = samples_us[0];
   for (double s : samples_us) {
      least = s < least ? s : least;
      most = s > most ? s : most;
   }
   char label[64];
   std::snprintf(label, sizeof label, "%s_us", name);
   report(label, median(samples_us));
   std::snprintf(label, sizeof label, "%s_min_us", name);
   report(label, least);
   std::snprintf(label, sizeof label, "%s_max_us", name);
   report(label, most);
}

/* The demo's start-up work, once and cold, step by step as build_scene()
 * does it: the 64 sprites, the blend table, the glow.
 */
static bool time_startup_work()
{
   Blob *blobs[BLOB_COUNT] = {};
   BITMAP *background = create_bitmap(FRAME_W, FRAME_H);
   const double t0 = now_ms();
   const bool made = background && make_blobs(blobs);
   const double t1 = now_ms();
   if (made)
      build_blend_table(*blobs[0]);
   const double t2 = now_ms();
   if (made) {
      clear_bitmap(background);
      paint_background_glow(background);
   }
   const double t3 = now_ms();
   free_blobs(blobs);
   destroy_bitmap(background);
   if (!made)
      return false;
   report("startup_sprites_ms", t1 - t0);
   report("startup_blend_table_ms", t2 - t1);
   report("startup_glow_ms", t3 - t2);
   report("startup_work_ms", t3 - t0);
   return true;
}

/* Frames 1, 2 ... composed in blocks; one sample per block. The same frame
 * counts on every platform, round one period of the paths.
 */
static std::vector<double> time_compose(Stage &stage)
{
   int t = 0;
   for (int i = 0; i < WARM_FRAMES; i++) {
      t = t % PATH_PERIOD + 1;
      stage.compose(t);
   }
   t = 0;
   std::vector<double> samples;
   for (int b = 0; b < BLOCKS; b++) {
      const double start = now_ms();
      for (int i = 0; i < BLOCK_FRAMES; i++) {
         t = t % PATH_PERIOD + 1;
         stage.compose(t);
      }
      samples.push_back((now_ms() - start) * 1000.0 / BLOCK_FRAMES);
   }
   return samples;
}

/* The present's stretch by two into a 640x480 memory bitmap, in blocks. */
static std::vector<double> time_stretch(const Stage &stage, BITMAP *window)
{
   std::vector<double> samples;
   for (int b = 0; b < BLOCKS; b++) {
      const double start = now_ms();
      for (int i = 0; i < BLOCK_FRAMES; i++)
         stretch_blit(stage.buffer, window, 0, 0, FRAME_W, FRAME_H, 0, 0, WINDOW_W, WINDOW_H);
      samples.push_back((now_ms() - start) * 1000.0 / BLOCK_FRAMES);
   }
   return samples;
}

int main()
{
   if (!start_headless()) {
      std::puts("error could not start the library");
      return EXIT_FAILURE;
   }
   if (!time_startup_work()) {
      std::puts("error out of memory for the scene");
      return EXIT_FAILURE;
   }
   Stage stage;
   BITMAP *window = create_bitmap(WINDOW_W, WINDOW_H);
   if (!window) {
      std::puts("error out of memory for the window bitmap");
      return EXIT_FAILURE;
   }
   std::printf("frames %d\n", BLOCKS * BLOCK_FRAMES);
   report_samples("compose", time_compose(stage));
   report_samples("stretch", time_stretch(stage, window));
   destroy_bitmap(window);
   std::puts("done");
   return EXIT_SUCCESS;
}
END_OF_MAIN()
