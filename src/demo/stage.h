/*
 * A stage: everything a frame of the demo is composed from, made and owned
 * in one place: the 64 blobs, the blend table, the glow and the two frame
 * bitmaps. The frame tool, the benchmarks and the tests compose the demo's
 * frames on one; the demo itself keeps these in its own globals, made in its
 * own start-up order.
 *
 * Also here: starting the library without any hardware, which is all that
 * memory bitmaps, the palette and the fixed-point functions need.
 */
#ifndef DEMO_STAGE_H
#define DEMO_STAGE_H

#include <allegro.h>

#include "blob/blob.h"
#include "demo/sizes.h"

/* Starts the library with no display, keyboard or timer, at the demo's
 * colour depth. Returns false when the library cannot start.
 */
bool start_headless();

class Stage {
public:
   /* Builds the scene as the demo's start-up does; throws std::bad_alloc
    * when memory for it cannot be had.
    */
   Stage();
   ~Stage();
   Stage(const Stage &) = delete;
   Stage &operator=(const Stage &) = delete;

   /* Composes frame t into buffer, as the demo's frame loop does. */
   void compose(int t);

   Blob *blobs[BLOB_COUNT] = {};
   BITMAP *buffer = nullptr;       /* the frame last composed */
   BITMAP *background = nullptr;   /* the glow */

private:
   void release();
};

#endif
