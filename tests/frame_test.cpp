/*
 * Whole composed frames: the swarm's sizes, and frames checked against plain
 * saturating sums of the background and every sprite.
 */
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "demo/motion.h"
#include "demo/stage.h"
#include "demo/swarm.h"

namespace {

class Frame : public testing::Test {
protected:
   std::vector<int> pixels(BITMAP *bmp) const
   {
      std::vector<int> out;
      for (int y = 0; y < FRAME_H; y++)
         out.insert(out.end(), bmp->line[y], bmp->line[y] + FRAME_W);
      return out;
   }

   /* Frame t as the background plus every trimmed sprite, summed in ints
    * and capped once at the end.
    */
   std::vector<int> summed_frame(int t)
   {
      place_blobs(blobs, t, AMPLITUDE_X, AMPLITUDE_Y);
      std::vector<int> sum = pixels(background);
      for (const Blob *blob : blobs) {
         const int left = static_cast<int>(blob->x), top = static_cast<int>(blob->y);
         const int size = blob->sprite->w, m = blob->margin;
         for (int r = m; r < size - m; r++)
            for (int c = m; c < size - m; c++)
               sum[static_cast<size_t>((top + r) * FRAME_W + left + c)] += blob->sprite->line[r][c];
      }
      for (int &v : sum)
         v = std::min(v, 127);
      return sum;
   }

   Stage stage;
   Blob *(&blobs)[BLOB_COUNT] = stage.blobs;
   BITMAP *background = stage.background;
   BITMAP *buffer = stage.buffer;
};

}  // namespace

TEST_F(Frame, SwarmRunsInPairsFrom64DownTo33)
{
   for (int i = 0; i < BLOB_COUNT; i++) {
      EXPECT_EQ(blob_size(i), 64 - i / 2);
      EXPECT_EQ(blobs[i]->sprite->w, 64 - i / 2);
      EXPECT_EQ(blobs[i]->sprite->h, 64 - i / 2);
      EXPECT_EQ(blobs[i]->low, 0);
      EXPECT_EQ(blobs[i]->high, 127);
   }
}

TEST_F(Frame, ComposedFramesAreCappedSumsOfEveryLight)
{
   for (int t : {1, 2, 3, 100, 255, 777, 1500, 2304}) {
      compose_frame(buffer, background, blobs, t);
      const std::vector<int> composed = pixels(buffer);
      ASSERT_EQ(composed, summed_frame(t)) << "t " << t;
      EXPECT_EQ(*std::max_element(composed.begin(), composed.end()), 127) << "t " << t;
   }
}

TEST_F(Frame, DrawingOrderDoesNotMatter)
{
   compose_frame(buffer, background, blobs, 42);
   const std::vector<int> forward = pixels(buffer);

   blit(background, buffer, 0, 0, 0, 0, FRAME_W, FRAME_H);
   for (int b = BLOB_COUNT - 1; b >= 0; b--)
      blobs[b]->draw(buffer);
   EXPECT_EQ(pixels(buffer), forward);
}

TEST_F(Frame, FrameOneComesBackAfterAPeriod)
{
   compose_frame(buffer, background, blobs, 1);
   const std::vector<int> first = pixels(buffer);
   compose_frame(buffer, background, blobs, 2);
   EXPECT_NE(pixels(buffer), first);
   compose_frame(buffer, background, blobs, 1 + PATH_PERIOD);
   EXPECT_EQ(pixels(buffer), first);
}

TEST_F(Frame, BlobWithoutSpriteIsLeftOut)
{
   destroy_bitmap(blobs[5]->sprite);
   blobs[5]->sprite = nullptr;
   compose_frame(buffer, background, blobs, 10);
   const std::vector<int> composed = pixels(buffer);

   // The same frame without blob 5, from the plain sums.
   Blob *missing = blobs[5];
   std::vector<Blob *> rest(blobs, blobs + BLOB_COUNT);
   rest.erase(rest.begin() + 5);
   place_blobs(blobs, 10, AMPLITUDE_X, AMPLITUDE_Y);
   blit(background, buffer, 0, 0, 0, 0, FRAME_W, FRAME_H);
   for (Blob *blob : rest)
      blob->draw(buffer);
   EXPECT_EQ(pixels(buffer), composed);
   EXPECT_EQ(missing->sprite, nullptr);
}
