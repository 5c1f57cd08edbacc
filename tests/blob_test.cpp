/*
 * The blob sprite, its margin, the blend table and drawing through it.
 */
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "blob/blob.h"

namespace {

int value(const Blob &blob, int col, int row)
{
   return blob.sprite->line[row][col];
}

/* Smallest and largest row and column holding a non-zero value. */
struct Extent { int first = 1 << 30, last = -1; };
Extent nonzero_extent(const Blob &blob)
{
   Extent e;
   for (int r = 0; r < blob.sprite->h; r++)
      for (int c = 0; c < blob.sprite->w; c++)
         if (value(blob, c, r)) {
            e.first = std::min({e.first, r, c});
            e.last = std::max({e.last, r, c});
         }
   return e;
}

struct Bitmap {
   explicit Bitmap(int w, int h) : bmp(create_bitmap(w, h)) { clear_to_color(bmp, 0); }
   ~Bitmap() { destroy_bitmap(bmp); }
   BITMAP *bmp;
};

}  // namespace

TEST(BlobSprite, LargestSpriteValues)
{
   Blob blob(64, 0, 127);
   ASSERT_NE(blob.sprite, nullptr);
   EXPECT_EQ(blob.sprite->w, 64);
   EXPECT_EQ(value(blob, 32, 32), 127);   // centre: lower right of the middle four
   EXPECT_EQ(value(blob, 32, 33), 119);   // distance 1
   EXPECT_EQ(value(blob, 33, 32), 119);
   EXPECT_EQ(value(blob, 16, 32), 31);    // distance 16
   for (int i = 0; i < 64; i++) {
      EXPECT_EQ(value(blob, i, 0), 0);
      EXPECT_EQ(value(blob, 0, i), 0);
   }
   const Extent e = nonzero_extent(blob);
   EXPECT_EQ(e.first, 3);
   EXPECT_EQ(e.last, 61);
   EXPECT_EQ(blob.margin, 4);
}

TEST(BlobSprite, SmallestSpriteIsSymmetricAboutItsCentre)
{
   Blob blob(33, 0, 127);
   ASSERT_NE(blob.sprite, nullptr);
   EXPECT_EQ(value(blob, 16, 16), 127);
   EXPECT_EQ(value(blob, 8, 16), 33);     // distance 8
   for (int r = 0; r < 33; r++)
      for (int c = 0; c < 33; c++) {
         EXPECT_EQ(value(blob, c, r), value(blob, 32 - c, r));
         EXPECT_EQ(value(blob, c, r), value(blob, r, c));
      }
   const Extent e = nonzero_extent(blob);
   EXPECT_EQ(e.first, 1);
   EXPECT_EQ(e.last, 31);
   EXPECT_EQ(blob.margin, 2);
}

TEST(BlobSprite, ValuesSpanTheRangeAboveTheBase)
{
   Blob blob(40, 10, 50);
   ASSERT_NE(blob.sprite, nullptr);
   EXPECT_EQ(value(blob, 20, 20), 40);
   EXPECT_EQ(blob.low, 10);
   EXPECT_EQ(blob.high, 50);
}

TEST(BlobSprite, MarginsForEverySizeTheSwarmUses)
{
   for (int size = 33; size <= 64; size++) {
      Blob blob(size, 0, 127);
      const int expected = size >= 58 ? 4 : size >= 43 ? 3 : 2;
      EXPECT_EQ(blob.margin, expected) << "size " << size;
      // The ring that drawing skips holds only faint values.
      for (int r = 0; r < size; r++)
         for (int c = 0; c < size; c++) {
            const bool in_ring = r < blob.margin || c < blob.margin ||
                                 r >= size - blob.margin || c >= size - blob.margin;
            if (in_ring) {
               EXPECT_LE(value(blob, c, r), 2) << "size " << size;
            }
         }
   }
}

TEST(BlendTable, SumsSaturateAtTheCeiling)
{
   Blob blob(64, 0, 127);
   build_blend_table(blob);
   EXPECT_EQ(blend_table[0], 0);
   EXPECT_EQ(blend_table[100 * 256 + 26], 126);
   EXPECT_EQ(blend_table[100 * 256 + 27], 127);
   EXPECT_EQ(blend_table[255 * 256 + 255], 127);
   EXPECT_EQ(blend_table[0 * 256 + 127], 127);
   for (int dst = 0; dst < 256; dst++)
      for (int src = 0; src < 256; src++) {
         ASSERT_EQ(blend_table[dst * 256 + src], blend_table[src * 256 + dst]);
         ASSERT_EQ(blend_table[dst * 256 + src], std::min(dst + src, 127));
      }
}

TEST(BlendTable, CeilingComesFromTheGivenBlob)
{
   Blob low_ceiling(8, 0, 40);
   build_blend_table(low_ceiling);
   EXPECT_EQ(blend_table[30 * 256 + 30], 40);
   EXPECT_EQ(blend_table[10 * 256 + 29], 39);
   Blob usual(8, 0, 127);
   build_blend_table(usual);
   EXPECT_EQ(blend_table[30 * 256 + 30], 60);
}

TEST(BlobDraw, AddsTheTrimmedSpriteAtTheTruncatedPosition)
{
   Blob blob(64, 0, 127);
   build_blend_table(blob);
   Bitmap dest(320, 240);
   clear_to_color(dest.bmp, 5);
   blob.x = 100.99;
   blob.y = 50.5;
   blob.draw(dest.bmp);
   EXPECT_EQ(blob.draw_x, 100);
   EXPECT_EQ(blob.draw_y, 50);
   for (int r = 0; r < 64; r++)
      for (int c = 0; c < 64; c++) {
         const bool drawn = r >= 4 && r < 60 && c >= 4 && c < 60;
         const int expected = drawn ? std::min(5 + value(blob, c, r), 127) : 5;
         ASSERT_EQ(dest.bmp->line[50 + r][100 + c], expected) << c << "," << r;
      }
   // Nothing outside the square was touched.
   EXPECT_EQ(getpixel(dest.bmp, 99, 82), 5);
   EXPECT_EQ(getpixel(dest.bmp, 164, 82), 5);
}

TEST(BlobDraw, EveryTrimmedWidthAtEveryColumnAddsLikeThePlainSum)
{
   // Sizes 33 ... 36 trim to widths 29 ... 32, so rows end on every remainder
   // of four, and they start on every remainder too.
   Bitmap dest(96, 64);
   for (int size = 33; size <= 36; size++) {
      Blob blob(size, 0, 127);
      build_blend_table(blob);
      for (int left = 8; left < 12; left++) {
         for (int r = 0; r < 64; r++)
            for (int c = 0; c < 96; c++)
               dest.bmp->line[r][c] = static_cast<unsigned char>((r * 7 + c * 3) % 100);   // below and above 127 - src
         blob.x = left;
         blob.y = 5;
         blob.draw(dest.bmp);
         for (int r = 0; r < 64; r++)
            for (int c = 0; c < 96; c++) {
               const int before = (r * 7 + c * 3) % 100;
               const int sr = r - 5, sc = c - left;
               const bool drawn = sr >= blob.margin && sr < size - blob.margin &&
                                  sc >= blob.margin && sc < size - blob.margin;
               const int expected = drawn ? std::min(before + value(blob, sc, sr), 127) : before;
               ASSERT_EQ(dest.bmp->line[r][c], expected)
                  << "size " << size << ", left " << left << ", at " << c << "," << r;
            }
      }
   }
}

TEST(BlobDraw, DrawingTwiceAddsTwiceAndSaturates)
{
   Blob blob(64, 0, 127);
   build_blend_table(blob);
   Bitmap dest(128, 128);
   blob.x = 10;
   blob.y = 20;
   blob.draw(dest.bmp);
   blob.draw(dest.bmp);
   EXPECT_EQ(getpixel(dest.bmp, 10 + 32, 20 + 32), 127);
   EXPECT_EQ(getpixel(dest.bmp, 10 + 16, 20 + 32), 62);   // 31 twice
   EXPECT_EQ(getpixel(dest.bmp, 10 + 32, 20 + 33), 127);  // 119 twice, capped
}

TEST(BlobDraw, PlacedPartlyOutsideIsCutAtTheEdges)
{
   // Over every edge and corner, one pixel in and one pixel out, and wholly
   // outside: every pixel of dest is the plain sum of what lies inside it.
   Blob blob(33, 0, 127);
   build_blend_table(blob);
   const int w = 40, h = 30;
   Bitmap dest(w, h);
   const double places[][2] = {
      {-20.5, -10},  {25, 20},      {-100, 5},    {500, -500},   {-2, 0},
      {-3, 0},       {0, -2},       {0, -3},      {w - 31, 0},   {w - 30, 0},
      {0, h - 31},   {0, h - 30},   {-30, -30},   {w - 3, h - 3}, {-33, 0},
      {w, 0},        {-29.9, 4},    {3, -29.9},
   };
   for (const auto &place : places) {
      clear_to_color(dest.bmp, 7);
      blob.x = place[0];
      blob.y = place[1];
      blob.draw(dest.bmp);
      const int left = static_cast<int>(blob.x), top = static_cast<int>(blob.y);
      for (int r = 0; r < h; r++)
         for (int c = 0; c < w; c++) {
            const int sr = r - top, sc = c - left;
            const bool drawn = sr >= blob.margin && sr < 33 - blob.margin &&
                               sc >= blob.margin && sc < 33 - blob.margin;
            const int expected = drawn ? std::min(7 + value(blob, sc, sr), 127) : 7;
            ASSERT_EQ(dest.bmp->line[r][c], expected)
               << "placed at " << place[0] << "," << place[1] << "; pixel " << c << "," << r;
         }
   }
}

TEST(BlobDraw, BlobWithoutSpriteDrawsNothing)
{
   auto blob = std::make_unique<Blob>(16, 0, 127);
   destroy_bitmap(blob->sprite);
   blob->sprite = nullptr;   // as when the sprite could not be created
   Bitmap dest(32, 32);
   blob->x = 4;
   blob->y = 4;
   blob->draw(dest.bmp);
   for (int r = 0; r < 32; r++)
      for (int c = 0; c < 32; c++)
         ASSERT_EQ(dest.bmp->line[r][c], 0);
   blob.reset();   // the destructor must not touch the missing sprite
}

static_assert(!std::is_copy_constructible_v<Blob>, "a blob owns its sprite");
static_assert(!std::is_copy_assignable_v<Blob>, "a blob owns its sprite");
