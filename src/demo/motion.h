/*
 * Motion paths: every frame each blob is placed on a closed path that depends
 * only on the frame count and the blob's index.
 */
#ifndef DEMO_MOTION_H
#define DEMO_MOTION_H

#include "blob/blob.h"

const int AMPLITUDE_X = 48;
const int AMPLITUDE_Y = 32;

/* Every path comes back to where it was after this many frames. */
const int PATH_PERIOD = 9 * 256;

/* The part of the 320x240 frame that sprites ever cover: for the sizes 33
 * ... 64 every path keeps its sprite within these columns and rows, so the
 * margin outside them always shows the bare background.
 */
const int REACH_LEFT = 32;
const int REACH_RIGHT = 287;
const int REACH_TOP = 24;
const int REACH_BOTTOM = 215;

void place_blobs(Blob *blobs[], int t, int amplitude_x, int amplitude_y);

#endif
