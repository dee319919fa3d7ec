// The sampling core shared by the scaled and transform blits (internal to the rasteriser): walks
// a destination rectangle while stepping a 16.16 source position, samples the source (nearest or
// bilinear, inside a limit rectangle) and blends each sample with one operation chosen per call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rast/rast_blend.h"

struct RAST_CoreJob {
  RAST_pixel* dest = nullptr;          // destination pixel of the rectangle's top-left
  std::ptrdiff_t destStride = 0;       // pixels from one destination row to the next (may be < 0)
  const RAST_pixel* source = nullptr;  // the limit rectangle's top-left source pixel
  std::ptrdiff_t sourceStride = 0;
  int width = 0, height = 0;
  // Source position of the top-left destination pixel relative to the limit rectangle, its
  // increments per pixel and per row, and the per-row change of the per-pixel increment (16.16).
  std::int64_t s = 0, t = 0, dsdx = 0, dtdx = 0, dsdy = 0, dtdy = 0, dsdxdy = 0, dtdxdy = 0;
  std::uint64_t limX = 0, limY = 0;  // size of the limit rectangle
};

// Largest position magnitude the core accepts; RAST_CoreWalkFits checks a job against it.
constexpr std::int64_t RAST_CORE_POSITION_LIMIT = std::int64_t{1} << 60;

// Whether every position the walk reaches stays within RAST_CORE_POSITION_LIMIT (so the
// stepping can never overflow); a job that does not fit draws nothing.
bool RAST_CoreWalkFits(const RAST_CoreJob& job);

// Runs the job with the operation op at weight w. Samples outside the limits leave the
// destination pixel unchanged.
void RAST_RunCore(const RAST_CoreJob& job, RAST_BlitOp op, bool bilinear, RAST_Weight w);

// Fetches n bilinear samples at (s + i * ds, t + i * dt) that all lie in the interior of the
// source (column + 1 and row + 1 inside the limits) into out. `readable`: pixels of each row that
// may be read from `source` on (the limit width).
void RAST_FetchBilinearInterior(RAST_pixel* out, const RAST_pixel* source, std::ptrdiff_t stride,
                                std::int64_t s, std::int64_t t, std::int64_t ds, std::int64_t dt,
                                int n, std::int64_t readable);
