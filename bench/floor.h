/*
 * The floor under composing a frame: the same bytes moved by plain copies,
 * as fast as memory goes. blobs_bench and measure_window both time it beside
 * composing.
 */
#ifndef BENCH_FLOOR_H
#define BENCH_FLOOR_H

#include <allegro.h>

#include "blob/blob.h"

void copy_floor(BITMAP *buffer, BITMAP *background, Blob *const blobs[]);

#endif
