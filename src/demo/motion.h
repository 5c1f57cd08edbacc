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

void place_blobs(Blob *blobs[], int t, int amplitude_x, int amplitude_y);

#endif
