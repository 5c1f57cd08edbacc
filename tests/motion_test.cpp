/*
 * The motion paths, checked against a reference written straight from the
 * cosine table in 64-bit integers: fixcos(fix(n)) reads table entry
 * 2n mod 512 and fixsin(fix(n)) entry (2n - 128) mod 512.
 */
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>

#include "demo/motion.h"
#include "demo/stage.h"
#include "demo/swarm.h"

namespace {

int64_t table_cos(int64_t n) { return _cos_tbl[((2 * n) % 512 + 512) % 512]; }
int64_t table_sin(int64_t n) { return _cos_tbl[((2 * n - 128) % 512 + 512) % 512]; }

struct Position { double x, y; };

Position reference(int b, int t)
{
   const int size = 64 - b / 2;
   const int64_t a = 3 * int64_t(b) + t;
   const int64_t slow_b = t / 3 - 7 * int64_t(b);
   const int64_t slow_c = t / 9 - 5 * int64_t(b);
   const int64_t x = (160 - size / 2) * 65536 + 48 * table_cos(a) + 48 * table_cos(slow_b);
   const int64_t y = (120 - size / 2) * 65536 + 32 * table_sin(slow_c) + 32 * table_sin(a);
   return {static_cast<double>(x) / 65536.0, static_cast<double>(y) / 65536.0};
}

class Swarm : public testing::Test {
protected:
   void place(int t) { place_blobs(blobs, t, AMPLITUDE_X, AMPLITUDE_Y); }

   void expect_reference(int t)
   {
      place(t);
      for (int b = 0; b < BLOB_COUNT; b++) {
         const Position p = reference(b, t);
         ASSERT_EQ(blobs[b]->x, p.x) << "blob " << b << ", t " << t;
         ASSERT_EQ(blobs[b]->y, p.y) << "blob " << b << ", t " << t;
      }
   }

   Stage stage;
   Blob *(&blobs)[BLOB_COUNT] = stage.blobs;
};

}  // namespace

TEST_F(Swarm, FirstFrameOfTheLargestBlob)
{
   place(1);
   // A = 1, B = C = 0: x = 128 + 48 cos(1 unit) + 48, y = 88 + 0 + 32 sin(1 unit).
   const double unit = 2 * M_PI / 256;
   EXPECT_NEAR(blobs[0]->x, 128 + 48 * std::cos(unit) + 48, 48 * 2e-5);
   EXPECT_NEAR(blobs[0]->y, 88 + 32 * std::sin(unit), 32 * 2e-5);
   EXPECT_EQ(blobs[0]->x, 128 + (48 * _cos_tbl[2] + 48 * 65536) / 65536.0);
   EXPECT_EQ(blobs[0]->y, 88 + (32 * _cos_tbl[512 - 128 + 2]) / 65536.0);
}

TEST_F(Swarm, EveryBlobFollowsItsPathOverAWholePeriod)
{
   for (int t = 1; t <= PATH_PERIOD; t++)
      expect_reference(t);
}

TEST_F(Swarm, PathsRepeatEvery2304Frames)
{
   Position first[BLOB_COUNT];
   for (int t = 1; t <= PATH_PERIOD; t += 7) {
      place(t);
      for (int b = 0; b < BLOB_COUNT; b++)
         first[b] = {blobs[b]->x, blobs[b]->y};
      place(t + PATH_PERIOD);
      for (int b = 0; b < BLOB_COUNT; b++) {
         ASSERT_EQ(blobs[b]->x, first[b].x);
         ASSERT_EQ(blobs[b]->y, first[b].y);
      }
   }
}

TEST_F(Swarm, PairsOfOneSizeFollowDifferentPaths)
{
   place(1);
   for (int k = 0; k < BLOB_COUNT / 2; k++) {
      EXPECT_EQ(blobs[2 * k]->sprite->w, blobs[2 * k + 1]->sprite->w);
      EXPECT_NE(blobs[2 * k]->x, blobs[2 * k + 1]->x);
   }
}

TEST_F(Swarm, TrimmedSpritesStayInsideTheFrameOverAWholePeriod)
{
   for (int t = 1; t <= PATH_PERIOD; t++) {
      place(t);
      for (int b = 0; b < BLOB_COUNT; b++) {
         const Blob &blob = *blobs[b];
         const int left = static_cast<int>(blob.x), top = static_cast<int>(blob.y);
         ASSERT_GE(left, REACH_LEFT);
         ASSERT_LE(left + blob.sprite->w - 1, REACH_RIGHT);
         ASSERT_GE(top, REACH_TOP);
         ASSERT_LE(top + blob.sprite->h - 1, REACH_BOTTOM);
      }
   }
}

TEST_F(Swarm, AnglesPast32767CarryOnWithoutAJump)
{
   // Blob 63's fast angle passes 32,767 at t = 32,579; frame counts near
   // INT_MAX push it past INT_MAX itself.
   for (int t : {32570, 65400, INT_MAX - 300}) {
      Position before[BLOB_COUNT];
      place(t);
      for (int b = 0; b < BLOB_COUNT; b++)
         before[b] = {blobs[b]->x, blobs[b]->y};
      for (int step = 1; step <= 300; step++) {
         expect_reference(t + step);
         for (int b = 0; b < BLOB_COUNT; b++) {
            // One angle unit moves a wave by at most 48 * 2pi / 256, about 1.2 pixels.
            ASSERT_LE(std::fabs(blobs[b]->x - before[b].x), 2.5) << "t " << t + step;
            ASSERT_LE(std::fabs(blobs[b]->y - before[b].y), 2.5) << "t " << t + step;
            before[b] = {blobs[b]->x, blobs[b]->y};
         }
      }
   }
}

TEST_F(Swarm, FrameCountWrapsLikeA32BitCounter)
{
   EXPECT_EQ(next_frame_count(0), 1);
   EXPECT_EQ(next_frame_count(INT_MAX), INT_MIN);
   EXPECT_EQ(next_frame_count(-1), 0);
   // Past the wrap the paths still follow the same formula, negative t and all.
   expect_reference(INT_MAX);
   expect_reference(INT_MIN);
   expect_reference(INT_MIN + 1000);
}
