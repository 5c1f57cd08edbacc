/*
 * The palette ramp: brightness levels 0 ... 127 shown as black through blue
 * and cyan to near white.
 */
#ifndef SCENE_PALETTE_H
#define SCENE_PALETTE_H

/* Number of brightness levels; every pixel the demo makes is one of them. */
const int LEVEL_COUNT = 128;

void set_palette_ramp();

#endif
