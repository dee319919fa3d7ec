// Trapezoid, convex polygon and triangle fills, and rectangle outlines.
#include "rast/rast_line.h"
#include "rast/rast_shape_ops.h"
#include "rast/rast_shapes.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

using namespace rast_shape;

namespace {

using i64 = std::int64_t;

// One edge of a trapezoid: a whole-pixel position and a 16-bit fraction, stepped by a magnitude
// and a sign, so an edge moves the same whichever way it slopes.
struct Edge {
  i64 x = 0;
  unsigned frac = 0;
  i64 mag = 0;  // |step|, 16.16, at most 2^29
  int dir = 0;  // -1, 0 or +1

  void setStep(i64 dx, i64 dy) {
    i64 step = dy == 0 ? 0 : (dx * 65536) / dy;
    step = std::clamp<i64>(step, -(i64(1) << 29), i64(1) << 29);
    mag = step < 0 ? -step : step;
    dir = step < 0 ? -1 : (step > 0 ? 1 : 0);
  }
  // Advances by `rows` rows at once: arithmetic, not a loop over the rows.
  void advance(i64 rows) {
    const i64 total = i64(frac) + mag * rows;  // mag <= 2^29, rows < 2^33: no overflow
    x += dir * (total >> 16);
    frac = unsigned(total & 0xffff);
  }
  void next() {
    frac += unsigned(mag);
    x += dir * i64(frac >> 16);
    frac &= 0xffff;
  }
};

template <class Op>
void fillRows(const Surface& s, Edge l, Edge r, int yFirst, int yLast, RAST_pixel c, int w) {
  for (int y = yFirst; y <= yLast; ++y) {
    const i64 a = std::max<i64>(l.x, 0), b = std::min<i64>(r.x, s.width - 1);
    if (a <= b) {
      RAST_pixel* p = s.at(int(a), y);
      if constexpr (std::is_same_v<Op, OpStore>) {
        std::fill_n(p, b - a + 1, c);
      } else {
        for (i64 x = a; x <= b; ++x, ++p) {
          Op::put(p, c, w);
        }
      }
    }
    l.next();
    r.next();
  }
}

// The trapezoid fill on 64-bit coordinates, so that polygon edges far outside the bitmap and the
// mirroring of bottom-up bitmaps cannot overflow. Rows are stored rows (already mirrored).
void fillTrapezoid(const Surface& s, i64 x1a, i64 x1b, i64 y1, i64 x2a, i64 x2b, i64 y2,
                   RAST_pixel c, float alpha, int low) {
  if (y2 < y1) {
    std::swap(y1, y2);
    std::swap(x1a, x2a);
    std::swap(x1b, x2b);
  }
  if (x1b < x1a) std::swap(x1a, x1b);
  if (x2b < x2a) std::swap(x2a, x2b);
  const i64 W = s.width, H = s.height;
  if ((x1b < 0 && x2b < 0) || (x1a >= W && x2a >= W) || y2 < 0 || y1 >= H) {
    return;
  }
  const int a = AlphaWeight(alpha);
  if (a == 0 || low > 5) {
    return;
  }
  Edge l, r;
  if (x1a <= 0 && x2a <= 0) {
    l.x = 0;
  } else {
    l.x = x1a;
    l.setStep(x2a - x1a, y2 - y1);
  }
  if (x1b >= W - 1 && x2b >= W - 1) {
    r.x = W - 1;
  } else {
    r.x = x1b;
    r.setStep(x2b - x1b, y2 - y1);
  }
  if (y1 < 0) {
    l.advance(-y1);
    r.advance(-y1);
    y1 = 0;
  }
  const int yFirst = int(y1), yLast = int(std::min(y2, H - 1));
  auto run = [&](auto op) { fillRows<decltype(op)>(s, l, r, yFirst, yLast, c, a); };
  if (low == 0) {
    // The word-wise mixes are exact for these weights and cheaper than the per-byte copy.
    if (a == 256) return run(OpStore{});
    if (a == 128) return run(OpHalfMix{});
    if (a == 64) return run(OpQuarterMix{});
    if (a == 192) return run(OpThreeQuarterMix{});
  }
  DispatchBlend(low, run);
}

struct Pt {
  i64 x, y;
};

// x of the edge from `u` (upper) to `v` (lower) at row y, with the slope in single precision.
i64 edgeX(const Pt& u, const Pt& v, i64 y) {
  if (y <= u.y) return u.x;
  if (y >= v.y) return v.x;
  const float slope = float(v.x - u.x) / float(v.y - u.y);
  return u.x + i64(float(y - u.y) * slope);
}

// Next vertex of a chain from i: among the later points on another row, the smallest slope
// dx/dy (left chain) or the largest (right chain); equal slopes take the later point.
int nextVertex(const Pt* p, int n, int i, bool left) {
  int best = i;
  for (int j = i + 1; j < n; ++j) {
    if (p[j].y == p[i].y) continue;
    if (best == i) {
      best = j;
      continue;
    }
    // Compare dxj / dyj with dxb / dyb exactly; both dy are positive. The differences reach
    // 2^33 (mirrored rows), so the products need 128 bits.
    using i128 = __int128;
    const i128 dxj = p[j].x - p[i].x, dyj = p[j].y - p[i].y;
    const i128 dxb = p[best].x - p[i].x, dyb = p[best].y - p[i].y;
    const i128 lhs = dxj * dyb, rhs = dxb * dyj;
    if (left ? lhs <= rhs : lhs >= rhs) best = j;
  }
  return best;
}

void fillPolygon(const Surface& s, Pt* p, int n, RAST_pixel c, RAST_BlendMode mode, float alpha) {
  // The true extent of the points: a one-row polygon wholly left or right of the bitmap must not
  // reach into column 0 or the last column.
  i64 minX = INT64_MAX, maxX = INT64_MIN;
  for (int i = 0; i < n; ++i) {
    if (s.flipped) p[i].y = i64(s.height) - 1 - p[i].y;
    minX = std::min(minX, p[i].x);
    maxX = std::max(maxX, p[i].x);
  }
  std::sort(p, p + n, [](const Pt& a, const Pt& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  const int low = mode.op();
  if (p[0].y == p[n - 1].y) {
    const i64 y = p[0].y;
    if (y >= 0 && y < s.height && minX <= maxX) {
      fillTrapezoid(s, minX, maxX, y, minX, maxX, y, c, alpha, low);
    }
    return;
  }
  int top = 0;
  while (top + 1 < n && p[top + 1].y == p[0].y) ++top;  // last point of the top row
  int left = 0;
  while (left + 1 <= top && p[left + 1].x == p[0].x) ++left;
  int right = top;
  int nl = nextVertex(p, n, left, true), nr = nextVertex(p, n, right, false);
  i64 ya = p[0].y;
  // Each pass moves at least one chain to a later point, so this ends within 2n passes.
  while (nl != left || nr != right) {
    // A chain with no next vertex no longer limits the band (only a non-convex input has one).
    const i64 yl = nl != left ? p[nl].y : INT64_MAX;
    const i64 yr = nr != right ? p[nr].y : INT64_MAX;
    const i64 yb = std::min(yl, yr);
    fillTrapezoid(s, edgeX(p[left], p[nl], ya), edgeX(p[right], p[nr], ya), ya,
                  edgeX(p[left], p[nl], yb), edgeX(p[right], p[nr], yb), yb, c, alpha, low);
    if (yl <= yr) {
      left = nl;
      nl = nextVertex(p, n, left, true);
    }
    if (yr <= yl) {
      right = nr;
      nr = nextVertex(p, n, right, false);
    }
    ya = yb + 1;
  }
}

int clampInt(i64 v) {
  return int(std::clamp<i64>(v, INT_MIN, INT_MAX));
}

}  // namespace

void RAST_FillTrapezoid(RAST_IBitmap* bitmap, int x1a, int x1b, int y1, int x2a, int x2b, int y2,
                        RAST_pixel colour, float alpha, RAST_BlendMode mode) {
  const Surface s = Surface::Stored(bitmap);
  if (!s) {
    return;
  }
  i64 r1 = y1, r2 = y2;
  if (s.flipped) {
    r1 = i64(s.height) - 1 - y1;
    r2 = i64(s.height) - 1 - y2;
  }
  fillTrapezoid(s, x1a, x1b, r1, x2a, x2b, r2, colour, alpha, mode.op());
}

void RAST_FillConvexPolygon(RAST_IBitmap* bitmap, const int* x, const int* y, int count,
                            RAST_pixel colour, RAST_BlendMode mode, float alpha) {
  const Surface s = Surface::Stored(bitmap);
  if (!s || !x || !y || count < 3) {
    return;
  }
  Pt local[512];
  std::unique_ptr<Pt[]> heap;
  Pt* p = local;
  if (count > 512) {
    heap.reset(new (std::nothrow) Pt[size_t(count)]);
    if (!heap) return;
    p = heap.get();
  }
  for (int i = 0; i < count; ++i) p[i] = Pt{x[i], y[i]};
  fillPolygon(s, p, count, colour, mode, alpha);
}

void RAST_FillTriangle(RAST_IBitmap* bitmap, int x1, int y1, int x2, int y2, int x3, int y3,
                       RAST_pixel colour, RAST_BlendMode mode, float alpha) {
  const int xs[3] = {x1, x2, x3}, ys[3] = {y1, y2, y3};
  RAST_FillConvexPolygon(bitmap, xs, ys, 3, colour, mode, alpha);
}

void RAST_DrawRect(RAST_IBitmap* bitmap, int x, int y, int w, int h, RAST_pixel colour, float alpha,
                   RAST_BlendMode mode) {
  if (!bitmap) {
    return;
  }
  // The far sides limited to the int range: the lines are axis-parallel, so the clipped result
  // is the same as with the exact (overflowing) values.
  const int r = clampInt(i64(x) + w), b = clampInt(i64(y) + h);
  RAST_Line(bitmap, x, y, r, y, colour, alpha, mode, false);
  RAST_Line(bitmap, r, y, r, b, colour, alpha, mode, false);
  RAST_Line(bitmap, r, b, x, b, colour, alpha, mode, false);
  RAST_Line(bitmap, x, b, x, y, colour, alpha, mode, false);
}
