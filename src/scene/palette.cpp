/*
 * The palette ramp. Blue rises across all levels, green joins from level 64
 * and red from level 96, twice as steeply, so the top levels turn white.
 */
#include "scene/palette.h"

#include <allegro.h>

static const int GREEN_START = 64;
static const int RED_START = 96;

/* Sets palette entries 0 ... 127; the entries above are left alone. */
void set_palette_ramp()
{
   for (int i = 0; i < LEVEL_COUNT; i++) {
      const int r = i >= RED_START ? 2 * (i - RED_START) : 0;
      const int g = i >= GREEN_START ? i - GREEN_START : 0;
      const int b = (63 * i) / LEVEL_COUNT;   /* 63 is the top of a 6-bit component */
      RGB rgb;
      rgb.r = static_cast<unsigned char>(r);
      rgb.g = static_cast<unsigned char>(g);
      rgb.b = static_cast<unsigned char>(b);
      rgb.filler = 0;
      set_color(i, &rgb);
   }
}
