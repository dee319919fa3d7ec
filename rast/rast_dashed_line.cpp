// Dashed horizontal and vertical lines (the live layout editor's outlines).
#include "rast/rast_line.h"

#include "rast/rast_shape_ops.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

using namespace rast_shape;

namespace {

// The dash walk over a run starting at p: N drawn, F skipped, up to but not including e.
template <class Op>
void drawDashes(RAST_pixel* p0, std::ptrdiff_t step, int start, int end, int N, int F, RAST_pixel c,
                int a) {
  // 64-bit positions: start + N + F must not wrap for huge counts.
  std::int64_t pos = start;
  const std::int64_t e = end;
  while (pos < e - N) {
    RAST_pixel* p = p0 + (pos - start) * step;
    for (int i = 0; i < N; ++i, p += step) {
      Op::put(p, c, a);
    }
    pos += std::int64_t(N) + F;
  }
  const std::int64_t rest = std::min<std::int64_t>(e - pos, N);
  if (rest < 1) {
    return;
  }
  RAST_pixel* p = p0 + (pos - start) * step;
  for (std::int64_t i = 0; i < rest; ++i, p += step) {
    Op::put(p, c, a);
  }
}

}  // namespace

void RAST_DashedLine(RAST_IBitmap* bitmap, int x1, int y1, int x2, int y2, int pixelsOn,
                     int pixelsOff, RAST_pixel colour, RAST_BlendMode mode, float alpha) {
  const Surface surf = Surface::Stored(bitmap);
  if (!surf) {
    return;
  }
  // No "on" pixels draws nothing; a period that does not move forward would never end.
  if (pixelsOn < 1 || std::int64_t(pixelsOn) + pixelsOff < 1) {
    return;
  }
  if (surf.flipped) {
    // Mirrored in 64 bits and limited to int: the line is axis-parallel (or draws nothing), so
    // the clipped result is the same.
    auto mirror = [&](int y) {
      return int(std::clamp<std::int64_t>(std::int64_t(surf.height) - 1 - y, INT32_MIN, INT32_MAX));
    };
    y1 = mirror(y1);
    y2 = mirror(y2);
  }
  if (!RAST_ClipLine(&x1, &y1, &x2, &y2, surf.width, surf.height)) {
    return;
  }
  if (y2 < y1) {
    std::swap(y1, y2);
  }
  const int low = mode.op();
  if (pixelsOn == 1 && pixelsOff == 1 && x1 == x2 && alpha == 1.0f && low == 0) {
    const int n = y2 - y1 + 1;
    if (n < 2) {
      return;
    }
    RAST_pixel* p = surf.at(x1, y1);
    for (int i = 0; i < n / 2; ++i, p += 2 * surf.stride) {
      *p = colour;
    }
    return;
  }
  const int a = AlphaWeight(alpha);
  if (x2 < x1) {
    std::swap(x1, x2);
  }
  if (a == 0 || low > 5) {
    return;
  }
  std::ptrdiff_t step;
  int start, end;
  if (x1 == x2) {
    step = surf.stride;
    start = y1;
    end = y2;
  } else if (y1 == y2) {
    step = 1;
    start = x1;
    end = x2;
  } else {
    return;
  }
  RAST_pixel* p0 = surf.at(x1, y1);
  auto walk = [&](auto op) {
    drawDashes<decltype(op)>(p0, step, start, end, pixelsOn, pixelsOff, colour, a);
  };
  if (low == 0 && a == 256) return walk(OpStore{});
  if (low == 0 && a == 128) return walk(OpAverage{});
  DispatchBlend(low, walk);
}
