/*
 * The swarm as the demo builds it at start-up, for the benchmarks: a stage
 * (the 64 blobs, the blend table, the glow and the two frame bitmaps), with
 * every blob's drawing position over one whole period of the paths worked
 * out in advance.
 */
#ifndef BENCH_SWARM_SCENE_H
#define BENCH_SWARM_SCENE_H

#include <allegro.h>

#include <vector>

#include "demo/stage.h"
#include "demo/swarm.h"

struct SwarmScene {
   SwarmScene();

   /* Gives every blob its place in frame t, 1 ... PATH_PERIOD, without
    * running the paths.
    */
   void set_places(int t);

   /* Bytes a frame moves: the background read and written over the buffer,
    * then every blob's trimmed sprite read and written into the buffer. (The
    * addition also reads the buffer pixels it writes; a plain copy does not.)
    */
   long frame_bytes() const;

   Stage stage;
   Blob *(&blobs)[BLOB_COUNT] = stage.blobs;
   BITMAP *buffer = stage.buffer;
   BITMAP *background = stage.background;

private:
   struct Place { double x, y; };
   std::vector<Place> places;   /* PATH_PERIOD frames x BLOB_COUNT blobs */
};

#endif
