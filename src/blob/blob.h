/*
 * A blob is one soft circular light: a square 8-bit sprite whose values fall
 * from a peak at the centre to zero at the inscribed circle. It is painted
 * once, then added into the frame through the blend table, so overlapping
 * lights brighten each other up to a ceiling and no further.
 */
#ifndef BLOB_BLOB_H
#define BLOB_BLOB_H

#include <allegro.h>

/* Saturating sums: blend_table[dst * 256 + src] == min(dst + src, ceiling). */
const int BLEND_SIDE = 256;
extern unsigned char blend_table[BLEND_SIDE * BLEND_SIDE];

class Blob {
public:
   Blob(int size, int low, int high);
   ~Blob();

   /* A blob owns its sprite, so it is handled through a pointer, never copied. */
   Blob(const Blob &) = delete;
   Blob &operator=(const Blob &) = delete;

   void draw(BITMAP *dest);

   BITMAP *sprite;   /* size x size falloff, or null if it could not be made */
   int high;         /* ceiling value */
   int low;          /* base value */
   double x = 0;     /* left edge in frame pixels, set by the motion paths */
   double y = 0;     /* top edge in frame pixels */
   int draw_x = 0;   /* x truncated at the start of each draw */
   int draw_y = 0;
   int margin;       /* border rows and columns that drawing skips */
};

void build_blend_table(const Blob &b);

#endif
