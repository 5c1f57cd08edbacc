/*
 * The palette ramp and the background glow.
 */
#include <gtest/gtest.h>

#include "demo/swarm.h"
#include "scene/glow.h"
#include "scene/palette.h"

namespace {

struct Colour { int r, g, b; };

Colour entry(int i)
{
   RGB rgb;
   get_color(i, &rgb);
   return {rgb.r, rgb.g, rgb.b};
}

int glow_at(int x, int y)
{
   BITMAP *bmp = create_bitmap(FRAME_W, FRAME_H);
   clear_bitmap(bmp);
   paint_background_glow(bmp);
   const int v = bmp->line[y][x];
   destroy_bitmap(bmp);
   return v;
}

}  // namespace

TEST(PaletteRamp, TellingRows)
{
   set_palette_ramp();
   const struct { int i; Colour c; } rows[] = {
      {0, {0, 0, 0}},     {1, {0, 0, 0}},     {2, {0, 0, 0}},   {3, {0, 0, 1}},
      {63, {0, 0, 31}},   {64, {0, 0, 31}},   {65, {0, 1, 31}}, {95, {0, 31, 46}},
      {96, {0, 32, 47}},  {97, {2, 33, 47}},  {127, {62, 63, 62}},
   };
   for (const auto &row : rows) {
      const Colour c = entry(row.i);
      EXPECT_EQ(c.r, row.c.r) << "entry " << row.i;
      EXPECT_EQ(c.g, row.c.g) << "entry " << row.i;
      EXPECT_EQ(c.b, row.c.b) << "entry " << row.i;
   }
}

TEST(PaletteRamp, BrightensSteadilyAndLeavesTheUpperEntriesAlone)
{
   RGB marker = {9, 8, 7, 0};
   for (int i = 128; i < 256; i++)
      set_color(i, &marker);
   set_palette_ramp();
   for (int i = 1; i < 128; i++) {
      const Colour lo = entry(i - 1), hi = entry(i);
      EXPECT_GE(hi.r, lo.r);
      EXPECT_GE(hi.g, lo.g);
      EXPECT_GE(hi.b, lo.b);
      EXPECT_LE(hi.r + hi.g + hi.b - (lo.r + lo.g + lo.b), 4) << "entry " << i;
   }
   for (int i = 128; i < 256; i++) {
      const Colour c = entry(i);
      EXPECT_EQ(c.r + c.g * 100 + c.b * 10000, 9 + 800 + 70000) << "entry " << i;
   }
}

TEST(BackgroundGlow, ValuesAtTellingPoints)
{
   EXPECT_EQ(glow_at(60, 40), 48);    // the peak
   EXPECT_EQ(glow_at(0, 0), 40);      // d2 = 5,200
   EXPECT_EQ(glow_at(319, 239), 0);
   EXPECT_EQ(glow_at(243, 40), 0);    // d2 = 33,489, v just above 0
   EXPECT_EQ(glow_at(60, 40 + 26), 47);   // d2 = 676
   EXPECT_EQ(glow_at(60 + 26, 40 + 5), 46);   // d2 = 701
}

TEST(BackgroundGlow, LitExactlyWithinItsRadius)
{
   BITMAP *bmp = create_bitmap(FRAME_W, FRAME_H);
   clear_bitmap(bmp);
   paint_background_glow(bmp);
   for (int y = 0; y < FRAME_H; y++)
      for (int x = 0; x < FRAME_W; x++) {
         const int d2 = (60 - x) * (60 - x) + (40 - y) * (40 - y);
         const int v = bmp->line[y][x];
         ASSERT_LE(v, 48);
         ASSERT_EQ(v > 0, d2 <= 32900) << x << "," << y;
         // Each level is lost over 700 units of squared distance.
         if (d2 <= 32900) {
            ASSERT_EQ(v, 48 - (d2 + 699) / 700) << x << "," << y;
         }
      }
   destroy_bitmap(bmp);
}
