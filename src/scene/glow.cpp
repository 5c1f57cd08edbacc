/*
 * The background glow, painted once at start-up.
 */
#include "scene/glow.h"

static const int GLOW_X = 60;          /* centre of the glow */
static const int GLOW_Y = 40;
static const float GLOW_PEAK = 48;     /* level at the centre */
static const float GLOW_FALLOFF = 700; /* squared distance per level lost */

/* Paints levels 0 ... 48 into a cleared 320x240 bitmap: the peak less the
 * squared distance from the centre over 700, truncated, and 0 where that
 * falls to zero or below (about 181 pixels out).
 */
void paint_background_glow(BITMAP *bmp)
{
   for (int x = 0; x < bmp->w; x++) {
      for (int y = 0; y < bmp->h; y++) {
         const int d2 = (GLOW_X - x) * (GLOW_X - x) + (GLOW_Y - y) * (GLOW_Y - y);
         const float v = GLOW_PEAK - static_cast<float>(d2) / GLOW_FALLOFF;
         putpixel(bmp, x, y, v > 0 ? static_cast<int>(v) : 0);
      }
   }
}
