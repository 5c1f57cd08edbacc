/*
 * Composing a frame and the present, with the hardening flags and without,
 * side by side in one run. blobs_bench compiles this file twice: as it
 * stands, with the build's flags, and with BENCH_UNHARDENED defined and the
 * hardening flags taken out (bench/CMakeLists.txt). That second time it
 * also compiles the demo's composing code again, into a namespace of its
 * own, so that the two copies live in one executable:
 *
 *   flags_compose_frame/hardened     flags_compose_frame/unhardened
 *   flags_present_stretch/hardened   flags_present_stretch/unhardened
 *
 * The present is the library's stretch_blit, the same either way; only the
 * loop around it is compiled twice. Link flags (-z now) are the
 * executable's, shared by both.
 */
#include <allegro.h>
#include <benchmark/benchmark.h>

/* Every header the demo's files below include, so that none of them lands
 * in the namespace.
 */
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <new>

#ifdef BENCH_UNHARDENED
#define FLAGS "unhardened"
namespace unhardened {
#include "blob/blob.cpp"
#include "scene/glow.cpp"
#include "demo/motion.cpp"
#include "demo/swarm.cpp"
#include "demo/stage.cpp"
#else
#define FLAGS "hardened"
#include "demo/motion.h"
#include "demo/stage.h"
namespace hardened {
#endif

/* compose_frame as the frame loop calls it, frame after frame. */
static void flags_compose_frame(benchmark::State &state)
{
   Stage stage;
   int t = 0;
   for (auto _ : state) {
      t = t % PATH_PERIOD + 1;
      stage.compose(t);
      benchmark::ClobberMemory();
   }
}
BENCHMARK(flags_compose_frame)
   ->Name("flags_compose_frame/" FLAGS)
   ->Unit(benchmark::kMicrosecond);

/* One 2x stretch of a composed frame into a 640x480 memory bitmap. */
static void flags_present_stretch(benchmark::State &state)
{
   Stage stage;
   stage.compose(1);
   BITMAP *window = create_bitmap(WINDOW_W, WINDOW_H);
   for (auto _ : state) {
      stretch_blit(stage.buffer, window, 0, 0, FRAME_W, FRAME_H, 0, 0, WINDOW_W, WINDOW_H);
      benchmark::ClobberMemory();
   }
   destroy_bitmap(window);
}
BENCHMARK(flags_present_stretch)
   ->Name("flags_present_stretch/" FLAGS)
   ->Unit(benchmark::kMicrosecond);

}  /* namespace */
