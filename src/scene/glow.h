/*
 * The background glow: a dim radial light towards the upper left of the
 * frame, over which the blobs are added.
 */
#ifndef SCENE_GLOW_H
#define SCENE_GLOW_H

#include <allegro.h>

void paint_background_glow(BITMAP *bmp);

#endif
