/*
 * Test entry point: starts the graphics library without any hardware, which
 * is enough for memory bitmaps, the palette and the fixed-point functions.
 */
#include <gtest/gtest.h>

#include <cstdlib>

#include "demo/stage.h"

int main(int argc, char **argv)
{
   testing::InitGoogleTest(&argc, argv);
   if (!start_headless())
      return EXIT_FAILURE;
   return RUN_ALL_TESTS();
}
