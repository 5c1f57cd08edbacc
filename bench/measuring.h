/*
 * What measure_window works out apart from the window: its arguments, the
 * median of many timings, and whether a ratio meets its goal.
 */
#ifndef BENCH_MEASURING_H
#define BENCH_MEASURING_H

#include <vector>

struct Options {
   bool smoke = false;    /* every loop shortened, to check the path */
   double launched = 0;   /* wall-clock seconds since the epoch; 0: not given */
};

/* A ratio's goal: at least or at most so many per cent. */
enum Bound { AT_LEAST, AT_MOST };
struct Goal {
   Bound bound;
   double percent;
};

bool parse_options(int argc, const char *const argv[], Options &options);
double median(std::vector<double> samples);
bool meets(const Goal &goal, double percent);

#endif
