// The bilinear stretch stored straight into the destination (internal to the rasteriser): the
// common case of the scaled blit (bilinear filter, full weight, no source alpha, no mirroring).
#pragma once

#include <cstdint>

#include "rast/rast_blend.h"

struct RAST_BilinearStretchJob {
  RAST_pixel* dest = nullptr;          // destination pixel of the rectangle's top-left
  std::ptrdiff_t destStride = 0;       // in pixels, may be negative
  const RAST_pixel* source = nullptr;  // source row 0, column 0
  std::ptrdiff_t sourceStride = 0;
  int width = 0, height = 0;
  std::int64_t s = 0, t = 0;    // 16.16 source position of the top-left destination pixel, >= 0
  std::int64_t ds = 0, dt = 0;  // 16.16 steps per pixel and per row, > 0
  std::uint64_t limX = 0, limY = 0;
};

// Stores the bilinear sample of every destination pixel whose sample lies inside the limits,
// exactly as the per-pixel sampling does (16-bit weights, edge columns and rows included).
// Returns false, drawing nothing, when the job is not one this loop takes.
bool RAST_BilinearStretchStore(const RAST_BilinearStretchJob& job);
