/*
 * The swarm: the 64 blobs with the backdrop they are drawn over, and the
 * composition of one frame from them.
 */
#ifndef DEMO_SWARM_H
#define DEMO_SWARM_H

#include <allegro.h>

#include "blob/blob.h"
#include "demo/sizes.h"

int blob_size(int index);
bool make_blobs(Blob *blobs[]);
void free_blobs(Blob *blobs[]);
bool build_scene(Blob *blobs[], BITMAP *background);
void compose_frame(BITMAP *buffer, BITMAP *background, Blob *blobs[], int t);
int next_frame_count(int t);

#endif
