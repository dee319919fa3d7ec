// The bilinear stretch stored straight into the destination (internal to the rasteriser): the
// common case of the scaled blit (bilinear filter, full weight, no source alpha, no mirroring).
#pragma once

#include <cstdint>

#include "rast/rast_blit_core.h"

// Stores the bilinear sample of every destination pixel whose sample lies inside the limits,
// exactly as the per-pixel sampling does (16-bit weights, edge columns and rows included).
// Takes only axis-aligned forward walks (s, t >= 0, dsdx, dtdy > 0, every other step 0); returns
// false, drawing nothing, when the job is not one this loop takes.
bool RAST_BilinearStretchStore(const RAST_CoreJob& job);
