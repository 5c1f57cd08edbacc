/*
 * Making, composing and freeing the swarm of blobs and its backdrop.
 */
#include "demo/swarm.h"

#include <algorithm>
#include <new>

#include "demo/motion.h"
#include "scene/glow.h"

static const int LARGEST_BLOB = 64;
static const int SMALLEST_BLOB = 5;

/* Blobs come in pairs of one size, from 64 for blobs 0 and 1 down to 33 for
 * blobs 62 and 63.
 */
int blob_size(int index)
{
   return std::clamp(LARGEST_BLOB - index / 2, SMALLEST_BLOB, LARGEST_BLOB);
}

/* Makes the 64 blobs. When memory for a blob record cannot be had, the
 * blobs made so far are freed, every pointer is left null, and the result
 * is false.
 */
bool make_blobs(Blob *blobs[])
{
   for (int i = 0; i < BLOB_COUNT; i++)
      blobs[i] = nullptr;
   try {
      for (int i = 0; i < BLOB_COUNT; i++)
         blobs[i] = new Blob(blob_size(i), BLOB_LOW, BLOB_HIGH);
   } catch (const std::bad_alloc &) {
      free_blobs(blobs);
      return false;
   }
   return true;
}

void free_blobs(Blob *blobs[])
{
   for (int i = 0; i < BLOB_COUNT; i++) {
      delete blobs[i];
      blobs[i] = nullptr;
   }
}

/* The start-up work every frame rests on: the blobs, the blend table with
 * the first blob's ceiling, and the glow painted into a cleared background.
 * False, with no blob made, when memory for the blobs cannot be had.
 */
bool build_scene(Blob *blobs[], BITMAP *background)
{
   if (!make_blobs(blobs))
      return false;
   build_blend_table(*blobs[0]);
   clear_bitmap(background);
   paint_background_glow(background);
   return true;
}

/* Composes frame t into buffer: the blobs take their places on their paths,
 * the background replaces the whole buffer, and every blob adds its light in
 * index order.
 */
void compose_frame(BITMAP *buffer, BITMAP *background, Blob *blobs[], int t)
{
   place_blobs(blobs, t, AMPLITUDE_X, AMPLITUDE_Y);
   blit(background, buffer, 0, 0, 0, 0, FRAME_W, FRAME_H);
   for (int b = 0; b < BLOB_COUNT; b++)
      blobs[b]->draw(buffer);
}

/* The frame count after t. It wraps from INT_MAX to INT_MIN, as a 32-bit
 * counter does, without the signed overflow.
 */
int next_frame_count(int t)
{
   return static_cast<int>(static_cast<unsigned int>(t) + 1u);
}
