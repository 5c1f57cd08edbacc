/*
 * The present without a window: one 2x stretch of a composed 320x240 frame
 * into a 640x480 memory bitmap, the library's share of showing a frame.
 */
#include <benchmark/benchmark.h>

#include "swarm_scene.h"

static void present_stretch_to_memory(benchmark::State &state)
{
   SwarmScene scene;
   compose_frame(scene.buffer, scene.background, scene.blobs, 1);
   BITMAP *window = create_bitmap(WINDOW_W, WINDOW_H);
   for (auto _ : state) {
      stretch_blit(scene.buffer, window, 0, 0, FRAME_W, FRAME_H, 0, 0, WINDOW_W, WINDOW_H);
      benchmark::ClobberMemory();
   }
   state.SetBytesProcessed(state.iterations() * long(WINDOW_W) * WINDOW_H);
   destroy_bitmap(window);
}
BENCHMARK(present_stretch_to_memory)->Unit(benchmark::kMicrosecond);
