/*
 * measure_window's arguments, medians and goals.
 */
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "measuring.h"

namespace {

/* Parses the arguments after the program's name. */
bool parse(std::vector<const char *> args, Options &options)
{
   args.insert(args.begin(), "measure_window");
   return parse_options(static_cast<int>(args.size()), args.data(), options);
}

TEST(Options, NoneMeansAFullRunTimedFromMain)
{
   Options options;
   ASSERT_TRUE(parse({}, options));
   EXPECT_FALSE(options.smoke);
   EXPECT_EQ(options.launched, 0);
}

TEST(Options, SmokeAndTheLaunchInEitherOrder)
{
   Options options;
   ASSERT_TRUE(parse({"--launched", "1733685000.123456", "--smoke"}, options));
   EXPECT_TRUE(options.smoke);
   EXPECT_DOUBLE_EQ(options.launched, 1733685000.123456);

   Options reversed;
   ASSERT_TRUE(parse({"--smoke", "--launched", "1733685000.5"}, reversed));
   EXPECT_TRUE(reversed.smoke);
   EXPECT_DOUBLE_EQ(reversed.launched, 1733685000.5);
}

/* A launch time that is missing, not a number, or not a time since the
 * epoch; an unknown argument. Each would make every figure from the launch
 * wrong, so none is taken.
 */
TEST(Options, RefusesWhatItCannotUse)
{
   const std::vector<std::vector<const char *>> refused = {
      {"--launched"},
      {"--smoke", "--launched"},
      {"--launched", ""},
      {"--launched", "soon"},
      {"--launched", "1733685000,5"},
      {"--launched", "0"},
      {"--launched", "-1733685000"},
      {"--launched", "nan"},
      {"--fast"},
      {"smoke"},
   };
   for (const auto &args : refused) {
      Options options;
      EXPECT_FALSE(parse(args, options)) << args.back();
   }
}

TEST(Median, MiddleOfAnOddCountInAnyOrder)
{
   EXPECT_EQ(median({7}), 7);
   EXPECT_EQ(median({130, 2000, 127}), 130);
   EXPECT_EQ(median({5, 1, 4, 2, 3}), 3);
}

TEST(Median, MeanOfTheTwoMiddleOfAnEvenCount)
{
   EXPECT_EQ(median({4, 1}), 2.5);
   EXPECT_EQ(median({9000, 120, 126, 1}), 123);
   EXPECT_EQ(median({3, 3, 3, 3}), 3);
}

TEST(Goal, AtLeastIsMetFromTheGoalUp)
{
   const Goal goal = {AT_LEAST, 97};
   EXPECT_TRUE(meets(goal, 99.9));
   EXPECT_TRUE(meets(goal, 97));
   EXPECT_FALSE(meets(goal, 96.99));
}

TEST(Goal, AtMostIsMetFromTheGoalDown)
{
   const Goal goal = {AT_MOST, 2};
   EXPECT_TRUE(meets(goal, 1.27));
   EXPECT_TRUE(meets(goal, 2));
   EXPECT_FALSE(meets(goal, 2.01));
}

TEST(Goal, NotANumberMeetsNoGoal)
{
   const double nothing = std::numeric_limits<double>::quiet_NaN();
   EXPECT_FALSE(meets({AT_LEAST, 97}, nothing));
   EXPECT_FALSE(meets({AT_MOST, 2}, nothing));
}

}  // namespace
