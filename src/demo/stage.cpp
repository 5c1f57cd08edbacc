/*
 * A stage that owns the scene, and the headless start of the library.
 */
#include "demo/stage.h"

#include <cerrno>
#include <cstdlib>
#include <new>

#include "demo/swarm.h"

bool start_headless()
{
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return false;
   set_color_depth(COLOR_DEPTH);
   return true;
}

Stage::Stage()
   : buffer(create_bitmap(FRAME_W, FRAME_H)), background(create_bitmap(FRAME_W, FRAME_H))
{
   if (!buffer || !background || !build_scene(blobs, background)) {
      release();
      throw std::bad_alloc();
   }
}

Stage::~Stage()
{
   release();
}

/* Frees the blobs and destroys the bitmaps; destroy_bitmap passes over null. */
void Stage::release()
{
   free_blobs(blobs);
   destroy_bitmap(buffer);
   destroy_bitmap(background);
}

void Stage::compose(int t)
{
   compose_frame(buffer, background, blobs, t);
}
