// Anti-aliased float lines: two pixels per step weighted by the exact position.
#include "rast/rast_line.h"

#include "rast/rast_clip.h"
#include "rast/rast_shape_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

using namespace rast_shape;

namespace {

// Two pixels per step: P at the primary weight, the pixel one minor step beyond at the rest.
template <class Op>
void drawFLine(RAST_pixel* p, std::ptrdiff_t majorStep, std::ptrdiff_t minorStep, int n,
               unsigned f16, unsigned step, RAST_pixel c, int a) {
  for (int i = 0; i <= n; ++i) {
    const int f = int(f16 >> 8);
    Op::put(p, c, (255 - f) * a / 256);
    Op::put(p + minorStep, c, f * a / 256);
    f16 += step;
    if (f16 >= 65536) {
      f16 -= 65536;
      p += minorStep;
    }
    p += majorStep;
  }
}

}  // namespace

bool RAST_ClipFLine(float* x1, float* y1, float* x2, float* y2, int width, int height) {
  float ax = *x1, ay = *y1, bx = *x2, by = *y2;
  if (!std::isfinite(ax) || !std::isfinite(ay) || !std::isfinite(bx) || !std::isfinite(by)) {
    return false;
  }
  const float W1 = float(width - 1), H1 = float(height - 1);
  int o1 = RAST_Outcode(ax, ay, W1, H1);
  int o2 = RAST_Outcode(bx, by, W1, H1);
  bool accepted = false;
  for (int attempt = 0; attempt < 33; ++attempt) {
    if ((o1 | o2) == 0) {
      accepted = true;
      break;
    }
    if (o1 & o2) {
      break;
    }
    const bool first = o1 != 0;
    float& px = first ? ax : bx;
    float& py = first ? ay : by;
    const int o = first ? o1 : o2;
    if (o & 8) {
      px = ax + (bx - ax) * (H1 - ay) / (by - ay);
      py = float(height - 2);
    } else if (o & 4) {
      px = ax + (bx - ax) * ay / (ay - by);
      py = 0;
    } else if (o & 2) {
      py = ay + (by - ay) * (W1 - ax) / (bx - ax);
      px = float(width - 2);
    } else {
      py = ay + (by - ay) * ax / (ax - bx);
      px = 0;
    }
    if (first) {
      o1 = RAST_Outcode(ax, ay, W1, H1);
    } else {
      o2 = RAST_Outcode(bx, by, W1, H1);
    }
  }
  *x1 = ax;
  *y1 = ay;
  *x2 = bx;
  *y2 = by;
  return accepted;
}

void RAST_FLine(RAST_IBitmap* bitmap, float x1, float y1, float x2, float y2, RAST_pixel colour,
                float alpha, RAST_BlendMode mode, bool antialias) {
  if (!bitmap) {
    return;
  }
  if (!CoordOK(x1) || !CoordOK(y1) || !CoordOK(x2) || !CoordOK(y2)) {
    return;
  }
  if (!antialias) {
    RAST_Line(bitmap, int(x1), int(y1), int(x2), int(y2), colour, alpha, mode, false);
    return;
  }
  const Surface surf = Surface::Stored(bitmap);
  if (!surf) {
    return;
  }
  if (surf.flipped) {
    y1 = float(surf.height - 1) - y1;
    y2 = float(surf.height - 1) - y2;
  }
  if (!RAST_ClipFLine(&x1, &y1, &x2, &y2, surf.width, surf.height)) {
    return;
  }
  if (x1 == x2 && y1 == y2) {
    return;
  }
  const bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);
  float ms = xMajor ? x1 : y1, me = xMajor ? x2 : y2;  // major start, end
  float ns = xMajor ? y1 : x1, ne = xMajor ? y2 : x2;  // minor start, end
  if (me < ms) {
    std::swap(ms, me);
    std::swap(ns, ne);
  }
  const float slope = (ne - ns) / (me - ms);
  const float first = std::ceil(ms);
  const float m = (first - ms) * slope + ns;
  const int n = int(std::floor(me) - first);
  if (n < 0) {
    return;
  }
  const std::ptrdiff_t majorStep = xMajor ? 1 : surf.stride;
  const std::ptrdiff_t minorUnit = xMajor ? surf.stride : 1;
  const bool negative = ne < ns;
  const std::ptrdiff_t minorStep = negative ? -minorUnit : minorUnit;
  unsigned f16 = std::min(unsigned((m - std::floor(m)) * 65536.0f), 65535u);
  const unsigned step = unsigned(std::fabs(slope) * 65536.0f);
  // m may sit a hair below 0 where the clip rounded; the pixel pair still lies inside.
  int mi = int(m);
  int ma = int(first);
  RAST_pixel* p = xMajor ? surf.at(ma, mi) : surf.at(mi, ma);
  if (negative) {
    p -= minorStep;
    f16 = 65535 - f16;
  }
  const int low = mode.op();
  const int a = AlphaWeight(alpha);
  if (a == 0 || low > 5) {
    return;
  }
  DispatchBlend(low, [&](auto op) {
    drawFLine<decltype(op)>(p, majorStep, minorStep, n, f16, step, colour, a);
  });
}
