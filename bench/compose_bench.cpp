/*
 * Composing one frame, whole and in its three steps (the paths of the 64
 * blobs, the background copy, the 64 sprite additions), beside its floor:
 * the same bytes moved by plain copies, as fast as memory goes.
 */
#include <benchmark/benchmark.h>

#include "demo/motion.h"
#include "floor.h"
#include "swarm_scene.h"

/* The next frame count, running round one period of the paths. */
static int next_t(int t)
{
   return t % PATH_PERIOD + 1;
}

/* compose_frame as the frame loop calls it, frame after frame. */
static void compose_frame_whole(benchmark::State &state)
{
   SwarmScene scene;
   int t = 0;
   for (auto _ : state) {
      t = next_t(t);
      compose_frame(scene.buffer, scene.background, scene.blobs, t);
      benchmark::ClobberMemory();
   }
   state.SetBytesProcessed(state.iterations() * scene.frame_bytes());
}
BENCHMARK(compose_frame_whole)->Unit(benchmark::kMicrosecond);

/* The 64 positions, in fixed point. */
static void compose_paths(benchmark::State &state)
{
   SwarmScene scene;
   int t = 0;
   for (auto _ : state) {
      t = next_t(t);
      place_blobs(scene.blobs, t, AMPLITUDE_X, AMPLITUDE_Y);
      benchmark::ClobberMemory();
   }
}
BENCHMARK(compose_paths)->Unit(benchmark::kMicrosecond);

/* The library's blit of the whole background over the buffer. */
static void compose_background_copy(benchmark::State &state)
{
   SwarmScene scene;
   for (auto _ : state) {
      blit(scene.background, scene.buffer, 0, 0, 0, 0, FRAME_W, FRAME_H);
      benchmark::ClobberMemory();
   }
   state.SetBytesProcessed(state.iterations() * 2L * FRAME_W * FRAME_H);
}
BENCHMARK(compose_background_copy)->Unit(benchmark::kMicrosecond);

/* The 64 additions through the blend table, at each frame's places. */
static void compose_sprite_additions(benchmark::State &state)
{
   SwarmScene scene;
   int t = 0;
   for (auto _ : state) {
      t = next_t(t);
      scene.set_places(t);
      for (Blob *blob : scene.blobs)
         blob->draw(scene.buffer);
      benchmark::ClobberMemory();
   }
}
BENCHMARK(compose_sprite_additions)->Unit(benchmark::kMicrosecond);

/* The floor: the background copied over the buffer, then every blob's
 * trimmed sprite copied row by row to where it would be added.
 */
static void compose_floor_plain_copies(benchmark::State &state)
{
   SwarmScene scene;
   int t = 0;
   for (auto _ : state) {
      t = next_t(t);
      scene.set_places(t);
      copy_floor(scene.buffer, scene.background, scene.blobs);
      benchmark::ClobberMemory();
   }
   state.SetBytesProcessed(state.iterations() * scene.frame_bytes());
}
BENCHMARK(compose_floor_plain_copies)->Unit(benchmark::kMicrosecond);
