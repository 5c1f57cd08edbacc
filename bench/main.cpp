/*
 * blobs_bench: the demo's per-frame and start-up work timed with Google
 * Benchmark. The library runs without any hardware, which is all that memory
 * bitmaps and the fixed-point functions need.
 */
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdlib>

int main(int argc, char **argv)
{
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return EXIT_FAILURE;
   set_color_depth(8);

   benchmark::Initialize(&argc, argv);
   if (benchmark::ReportUnrecognizedArguments(argc, argv))
      return EXIT_FAILURE;
   benchmark::RunSpecifiedBenchmarks();
   benchmark::Shutdown();
   return EXIT_SUCCESS;
}
END_OF_MAIN()
