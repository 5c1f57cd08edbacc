/*
 * measure_window's arguments, medians and goals.
 */
#include "measuring.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

/* Reads --smoke and --launched SECONDS into options. Returns false on an
 * argument it does not know, or a launch time that is not a positive
 * number, so that a mistyped call measures nothing rather than something
 * else.
 */
bool parse_options(int argc, const char *const argv[], Options &options)
{
   for (int i = 1; i < argc; i++) {
      if (std::strcmp(argv[i], "--smoke") == 0) {
         options.smoke = true;
      }
      else if (std::strcmp(argv[i], "--launched") == 0 && i + 1 < argc) {
         char *end;
         options.launched = std::strtod(argv[++i], &end);
         if (end == argv[i] || *end != '\0' || !(options.launched > 0))
            return false;
      }
      else {
         return false;
      }
   }
   return true;
}

/* The middle of the samples, or the mean of the two middle ones; timings of
 * single frames have outliers (a frame the machine stopped in the middle
 * of) that a mean would follow. There must be at least one sample.
 */
double median(std::vector<double> samples)
{
   const auto middle = samples.begin() + static_cast<long>(samples.size() / 2);
   std::nth_element(samples.begin(), middle, samples.end());
   if (samples.size() % 2 != 0)
      return *middle;
   return (*std::max_element(samples.begin(), middle) + *middle) / 2;
}

/* Whether a ratio in per cent meets its goal; the goal itself counts as met. */
bool meets(const Goal &goal, double percent)
{
   return goal.bound == AT_LEAST ? percent >= goal.percent : percent <= goal.percent;
}
