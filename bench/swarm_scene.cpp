/*
 * The swarm as the demo builds it at start-up, for the benchmarks.
 */
#include "swarm_scene.h"

#include "blob/blob.h"
#include "demo/motion.h"

SwarmScene::SwarmScene()
{
   places.reserve(PATH_PERIOD * BLOB_COUNT);
   for (int t = 1; t <= PATH_PERIOD; t++) {
      place_blobs(blobs, t, AMPLITUDE_X, AMPLITUDE_Y);
      for (Blob *blob : blobs)
         places.push_back({blob->x, blob->y});
   }
}

void SwarmScene::set_places(int t)
{
   const Place *p = &places[static_cast<size_t>((t - 1) * BLOB_COUNT)];
   for (int b = 0; b < BLOB_COUNT; b++) {
      blobs[b]->x = p[b].x;
      blobs[b]->y = p[b].y;
   }
}

long SwarmScene::frame_bytes() const
{
   long pixels = long(FRAME_W) * FRAME_H;
   for (const Blob *blob : blobs) {
      const long side = blob->sprite->w - 2 * blob->margin;
      pixels += side * side;
   }
   return 2 * pixels;   /* each read once and written once */
}
