/*
 * The plain-copy floor under composing a frame.
 */
#include "floor.h"

#include <cstring>

#include "demo/sizes.h"

/* Copies the background over the buffer, then every blob's trimmed sprite
 * row by row to where composing would add it, at the blobs' current places:
 * each byte composing reads from the background and the sprites is read and
 * written once, with nothing looked up.
 */
void copy_floor(BITMAP *buffer, BITMAP *background, Blob *const blobs[])
{
   blit(background, buffer, 0, 0, 0, 0, FRAME_W, FRAME_H);
   for (int b = 0; b < BLOB_COUNT; b++) {
      const Blob *blob = blobs[b];
      const int m = blob->margin, side = blob->sprite->w - 2 * m;
      const int left = static_cast<int>(blob->x), top = static_cast<int>(blob->y);
      for (int r = m; r < m + side; r++)
         std::memcpy(buffer->line[top + r] + left + m, blob->sprite->line[r] + m,
                     static_cast<size_t>(side));
   }
}
