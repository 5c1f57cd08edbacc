/*
 * The demo's start-up work: painting the 64 sprites, filling the blend
 * table and painting the background glow, each alone and all three together.
 */
#include <benchmark/benchmark.h>

#include "blob/blob.h"
#include "demo/swarm.h"
#include "scene/glow.h"

/* The 64 sprites, painted as the blobs are made. */
static void startup_sprites(benchmark::State &state)
{
   Blob *blobs[BLOB_COUNT];
   for (auto _ : state) {
      make_blobs(blobs);
      benchmark::ClobberMemory();
      state.PauseTiming();
      free_blobs(blobs);
      state.ResumeTiming();
   }
}
BENCHMARK(startup_sprites)->Unit(benchmark::kMicrosecond);

/* The 256x256 table, filled from the largest blob as the driver does. */
static void startup_blend_table(benchmark::State &state)
{
   Blob largest(blob_size(0), BLOB_LOW, BLOB_HIGH);
   for (auto _ : state) {
      build_blend_table(largest);
      benchmark::ClobberMemory();
   }
}
BENCHMARK(startup_blend_table)->Unit(benchmark::kMicrosecond);

/* The background, cleared and painted. */
static void startup_glow(benchmark::State &state)
{
   BITMAP *background = create_bitmap(FRAME_W, FRAME_H);
   for (auto _ : state) {
      clear_bitmap(background);
      paint_background_glow(background);
      benchmark::ClobberMemory();
   }
   destroy_bitmap(background);
}
BENCHMARK(startup_glow)->Unit(benchmark::kMicrosecond);

/* All three, in the driver's order: what start-up spends beyond the library. */
static void startup_work(benchmark::State &state)
{
   Blob *blobs[BLOB_COUNT];
   BITMAP *background = create_bitmap(FRAME_W, FRAME_H);
   for (auto _ : state) {
      build_scene(blobs, background);
      benchmark::ClobberMemory();
      state.PauseTiming();
      free_blobs(blobs);
      state.ResumeTiming();
   }
   destroy_bitmap(background);
}
BENCHMARK(startup_work)->Unit(benchmark::kMicrosecond);
