/*
 * The swarm: the 64 blobs with the backdrop they are drawn over, and the
 * composition of one frame from them.
 */
#ifndef DEMO_SWARM_H
#define DEMO_SWARM_H

#include <allegro.h>

#include "blob/blob.h"

const int BLOB_COUNT = 64;
const int BLOB_LOW = 0;     /* base value of every blob */
const int BLOB_HIGH = 127;  /* ceiling value, and so the blend table's cap */

/* Frames are composed at this size and shown stretched by two. */
const int FRAME_W = 320;
const int FRAME_H = 240;

int blob_size(int index);
void make_blobs(Blob *blobs[]);
void free_blobs(Blob *blobs[]);
void build_scene(Blob *blobs[], BITMAP *background);
void compose_frame(BITMAP *buffer, BITMAP *background, Blob *blobs[], int t);
int next_frame_count(int t);

#endif
