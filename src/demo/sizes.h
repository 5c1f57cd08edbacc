/*
 * The demo's fixed sizes: the window, the smaller frame that is composed for
 * it, and the swarm of blobs drawn into each frame.
 */
#ifndef DEMO_SIZES_H
#define DEMO_SIZES_H

/* The window, in 8-bit palette mode. */
const int WINDOW_W = 640;
const int WINDOW_H = 480;
const int COLOR_DEPTH = 8;

/* Frames are composed at this size and shown stretched by two. */
const int FRAME_W = 320;
const int FRAME_H = 240;
const int FRAME_SCALE = WINDOW_W / FRAME_W;
static_assert(FRAME_SCALE * FRAME_H == WINDOW_H, "the stretch keeps the frame's shape");

/* The swarm: blobs 0 ... 63, every one with the same base and ceiling. */
const int BLOB_COUNT = 64;
const int BLOB_LOW = 0;     /* base value of every blob */
const int BLOB_HIGH = 127;  /* ceiling value, and so the blend table's cap */

#endif
