/*
 * Test entry point: starts the graphics library without any hardware, which
 * is enough for memory bitmaps, the palette and the fixed-point functions.
 */
#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

int main(int argc, char **argv)
{
   testing::InitGoogleTest(&argc, argv);
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return EXIT_FAILURE;
   set_color_depth(8);
   return RUN_ALL_TESTS();
}
