/*
 * Motion paths in the library's 16.16 fixed point, with angles of 256 units
 * to the turn. x is a centre offset plus two cosine waves, y the same with
 * sines; a fast angle shared by both coordinates and two slower ones give
 * each blob a loose weave that repeats every 2,304 frames.
 */
#include "demo/motion.h"

#include "demo/sizes.h"

static const int FRAME_CENTRE_X = 160;
static const int FRAME_CENTRE_Y = 120;

/* Per-blob phase steps of the three angles, in angle units. */
static const int PHASE_A = 3;
static const int PHASE_B = -7;
static const int PHASE_C = -5;

/* The angle n as a fix. fix(n) points the same way as fix(n mod 256), and
 * reducing first keeps the library's shifts and table index arithmetic
 * inside the int range for every n, so an angle that passes 32,767 carries
 * on without a jump. (When the frame count itself wraps, after 2^31 - 1
 * frames, t / 3 and t / 9 change sign and the two slow waves jump once.)
 */
static fix angle(unsigned int n)
{
   return fix(static_cast<int>(n & 0xFF));
}

/* Writes x and y of every blob for frame count t. */
void place_blobs(Blob *blobs[], int t, int amplitude_x, int amplitude_y)
{
   for (int b = 0; b < BLOB_COUNT; b++) {
      Blob *blob = blobs[b];
      if (!blob->sprite)
         continue;

      /* A in unsigned arithmetic: 3b + t may pass INT_MAX, and only its
       * value modulo 256 matters.
       */
      const unsigned int a = static_cast<unsigned int>(t) + static_cast<unsigned int>(PHASE_A * b);
      const unsigned int slow_b = static_cast<unsigned int>(t / 3 + PHASE_B * b);
      const unsigned int slow_c = static_cast<unsigned int>(t / 9 + PHASE_C * b);

      const fix x = (FRAME_CENTRE_X - blob->sprite->w / 2)
                    + amplitude_x * cos(angle(a))
                    + amplitude_x * cos(angle(slow_b));
      const fix y = (FRAME_CENTRE_Y - blob->sprite->h / 2)
                    + amplitude_y * sin(angle(slow_c))
                    + amplitude_y * sin(angle(a));

      blob->x = static_cast<double>(x);
      blob->y = static_cast<double>(y);
   }
}
