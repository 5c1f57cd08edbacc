/*
 * blobs_bench: the demo's per-frame and start-up work timed with Google
 * Benchmark. The library runs without any hardware, which is all that memory
 * bitmaps and the fixed-point functions need.
 */
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "demo/stage.h"

int main(int argc, char **argv)
{
   if (!start_headless())
      return EXIT_FAILURE;

   benchmark::Initialize(&argc, argv);
   if (benchmark::ReportUnrecognizedArguments(argc, argv))
      return EXIT_FAILURE;
   benchmark::RunSpecifiedBenchmarks();
   benchmark::Shutdown();
   return EXIT_SUCCESS;
}
END_OF_MAIN()
