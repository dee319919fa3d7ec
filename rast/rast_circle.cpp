// The circle core (anti-aliased by exact column offsets, or the midpoint circle), whole circles
// and filled circles, and the ring masks of small circle outlines.
#include "rast/rast_circle.h"

#include "rast/rast_mask.h"
#include "rast/rast_shape_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <type_traits>

using namespace rast_shape;

namespace {

using i64 = std::int64_t;

// Ring masks of the small radii, 8-bit coverage row by row: anti-aliased and plain.
constexpr unsigned char kRing15AA[] = {79,  255, 255, 79,  255, 15,  15,  255,
                                       255, 15,  15,  255, 79,  255, 255, 79};
constexpr unsigned char kRing15[] = {0,   255, 255, 0,   255, 0,   0,   255,
                                     255, 0,   0,   255, 0,   255, 255, 0};
constexpr unsigned char kRing2AA[] = {15, 191, 255, 191, 15, 191, 209, 79, 209, 191, 255, 79, 0,
                                      79, 255, 191, 209, 79, 209, 191, 15, 191, 255, 191, 15};
constexpr unsigned char kRing2[] = {0, 0,   255, 0,   0, 0,   255, 0, 255, 0,   255, 0, 0,
                                    0, 255, 0,   255, 0, 255, 0,   0, 0,   255, 0,   0};
constexpr unsigned char kRing25AA[] = {15,  191, 255, 255, 191, 15,  191, 209, 79,  79,  209, 191,
                                       255, 79,  0,   0,   79,  255, 255, 79,  0,   0,   79,  255,
                                       191, 209, 79,  79,  209, 191, 15,  191, 255, 255, 191, 15};
constexpr unsigned char kRing25[] = {0,   0,   255, 255, 0,   0,   0,   255, 0,   0,   255, 0,
                                     255, 0,   0,   0,   0,   255, 255, 0,   0,   0,   0,   255,
                                     0,   255, 0,   0,   255, 0,   0,   0,   255, 255, 0,   0};
constexpr unsigned char kRing3AA[] = {
    0,   143, 255, 255, 255, 143, 0,   143, 255, 97,  64,  97,  255, 143, 255, 112, 0,
    0,   0,   112, 255, 255, 48,  0,   0,   0,   48,  255, 255, 112, 0,   0,   0,   112,
    255, 143, 255, 97,  64,  97,  255, 143, 0,   143, 255, 255, 255, 143, 0};
constexpr unsigned char kRing3[] = {0, 0,   255, 255, 255, 0,   0,   0,   255, 0, 0,   0, 255,
                                    0, 255, 0,   0,   0,   0,   0,   255, 255, 0, 0,   0, 0,
                                    0, 255, 255, 0,   0,   0,   0,   0,   255, 0, 255, 0, 0,
                                    0, 255, 0,   0,   0,   255, 255, 255, 0,   0};
constexpr unsigned char kRing35AA[] = {
    0,   79,  222, 255, 255, 222, 79,  0,   79,  255, 176, 64,  64,  176, 255, 79,
    222, 176, 0,   0,   0,   0,   176, 222, 255, 64,  0,   0,   0,   0,   64,  255,
    255, 64,  0,   0,   0,   0,   64,  255, 222, 176, 0,   0,   0,   0,   176, 222,
    79,  255, 176, 64,  64,  176, 255, 79,  0,   79,  222, 255, 255, 222, 79,  0};
constexpr unsigned char kRing35[] = {0,   0,   255, 255, 255, 255, 0,   0,   0,   255, 255, 0,   0,
                                     255, 255, 0,   255, 255, 0,   0,   0,   0,   255, 255, 255, 0,
                                     0,   0,   0,   0,   0,   255, 255, 0,   0,   0,   0,   0,   0,
                                     255, 255, 255, 0,   0,   0,   0,   255, 255, 0,   255, 255, 0,
                                     0,   255, 255, 0,   0,   0,   255, 255, 255, 255, 0,   0};
constexpr unsigned char kRing4AA[] = {
    0,  31,  176, 255, 255, 255, 176, 31,  0,   31,  240, 209, 79, 64,  79,  209, 240,
    31, 176, 209, 15,  0,   0,   0,   15,  209, 176, 255, 79,  0,  0,   0,   0,   0,
    79, 255, 255, 48,  0,   0,   0,   0,   0,   48,  255, 255, 79, 0,   0,   0,   0,
    0,  79,  255, 176, 209, 15,  0,   0,   0,   15,  209, 176, 31, 240, 209, 79,  64,
    79, 209, 240, 31,  0,   31,  176, 255, 255, 255, 176, 31,  0};
constexpr unsigned char kRing4[] = {
    0, 0,   255, 255, 255, 255, 255, 0,   0, 0, 255, 255, 0,   0,   0,   255, 255, 0, 255, 255, 0,
    0, 0,   0,   0,   255, 255, 255, 0,   0, 0, 0,   0,   0,   0,   255, 255, 0,   0, 0,   0,   0,
    0, 0,   255, 255, 0,   0,   0,   0,   0, 0, 0,   255, 255, 255, 0,   0,   0,   0, 0,   255, 255,
    0, 255, 255, 0,   0,   0,   255, 255, 0, 0, 0,   255, 255, 255, 255, 255, 0,   0};

struct RingMask {
  float radius;
  int side;
  const unsigned char* aa;
  const unsigned char* plain;
};
constexpr RingMask kRingMasks[] = {
    {1.5f, 4, kRing15AA, kRing15}, {2.0f, 5, kRing2AA, kRing2},   {2.5f, 6, kRing25AA, kRing25},
    {3.0f, 7, kRing3AA, kRing3},   {3.5f, 8, kRing35AA, kRing35}, {4.0f, 9, kRing4AA, kRing4},
};
static_assert(sizeof(kRing15AA) == 16 && sizeof(kRing2AA) == 25 && sizeof(kRing25AA) == 36 &&
              sizeof(kRing3AA) == 49 && sizeof(kRing35AA) == 64 && sizeof(kRing4AA) == 81);
static_assert(sizeof(kRing15) == 16 && sizeof(kRing2) == 25 && sizeof(kRing25) == 36 &&
              sizeof(kRing3) == 49 && sizeof(kRing35) == 64 && sizeof(kRing4) == 81);

// Pixel and span writers of one routine. With Clip false no bounds are tested: the caller has
// made sure the whole circle lies inside the bitmap.
template <class Op, bool Clip>
struct Plotter {
  RAST_pixel* bits;
  std::ptrdiff_t span;
  RAST_ClipRect c;
  RAST_pixel colour;

  void px(i64 x, i64 y, int w) const {
    if (Clip && (x < c.left || x >= c.right || y < c.top || y >= c.bottom)) return;
    Op::put(bits + y * span + x, colour, w);
  }
  void vspan(i64 x, i64 y0, i64 y1, int w) const {
    if (Clip) {
      if (x < c.left || x >= c.right) return;
      y0 = std::max<i64>(y0, c.top);
      y1 = std::min<i64>(y1, c.bottom - 1);
    }
    if (y0 > y1) return;
    RAST_pixel* p = bits + y0 * span + x;
    for (i64 y = y0; y <= y1; ++y, p += span) Op::put(p, colour, w);
  }
  void hspan(i64 y, i64 x0, i64 x1, int w) const {
    if (Clip) {
      if (y < c.top || y >= c.bottom) return;
      x0 = std::max<i64>(x0, c.left);
      x1 = std::min<i64>(x1, c.right - 1);
    }
    if (x0 > x1) return;
    RAST_pixel* p = bits + y * span + x0;
    if constexpr (std::is_same_v<Op, OpStore>) {
      std::fill_n(p, x1 - x0 + 1, colour);
    } else {
      for (i64 x = x0; x <= x1; ++x, ++p) Op::put(p, colour, w);
    }
  }
};

// The steps d of a core that can write inside the clip rectangle: every position of step d lies
// on column xc +- d or on row yc +- d, so only the d whose columns or rows meet the rectangle
// matter. At most two ranges, ascending and disjoint; a circle far larger than the bitmap then
// costs only as many steps as the bitmap is wide and high.
struct StepRanges {
  i64 first[2];
  i64 last[2];
  int count = 0;
};

// Step d of a filled circle whose edge there lies `reach` from the centre: the columns xc +- d
// from the edge to the diagonal and the rows yc +- d from the diagonal out to the edge.
template <class P>
void filledSpans(const P& p, i64 xc, i64 yc, i64 d, i64 reach, int ia) {
  p.vspan(xc - d, yc - reach, yc - d - 1, ia);
  p.vspan(xc - d, yc + d + 1, yc + reach, ia);
  p.vspan(xc + d, yc - reach, yc - d - 1, ia);
  p.vspan(xc + d, yc + d + 1, yc + reach, ia);
  p.hspan(yc - d, xc - reach, xc - d, ia);
  p.hspan(yc - d, xc + d, xc + reach, ia);
  p.hspan(yc + d, xc - reach, xc - d, ia);
  p.hspan(yc + d, xc + d, xc + reach, ia);
}

template <class P>
void antialiasedCore(const P& p, i64 xc, i64 yc, float r, int ia, bool filled,
                     const StepRanges& steps) {
  const i64 ri = i64(r);
  const int E = int((double(r) - double(std::floor(r))) * ia);
  p.px(xc, yc - ri - 1, E);
  p.px(xc, yc + ri + 1, E);
  p.px(xc - ri - 1, yc, E);
  p.px(xc + ri + 1, yc, E);
  if (filled) {
    p.vspan(xc, yc - ri, yc - 1, ia);
    p.vspan(xc, yc + 1, yc + ri, ia);
    p.hspan(yc, xc - ri, xc + ri, ia);
  } else {
    p.px(xc, yc - ri, ia - E);
    p.px(xc + ri, yc, ia - E);
    p.px(xc, yc + ri, ia - E);
    p.px(xc - ri, yc, ia - E);
  }
  const float rr = r * r;
  for (int k = 0; k < steps.count; ++k) {
    for (i64 d = steps.first[k]; d <= steps.last[k]; ++d) {
      // Past the radius the square root has no value: the circle is complete. (r * r is
      // rounded to float, so it can fall below d * d for a d just under r.)
      const double h2 = double(rr) - double(d) * double(d);
      if (double(d) > double(r) || !(h2 >= 0)) return;
      const double h = std::sqrt(h2);
      const i64 n = i64(h + 0.5);
      if (d > n) return;
      const i64 hi = i64(h);
      const int Ed = int((h - std::floor(h)) * ia);
      p.px(xc - d, yc - hi - 1, Ed);
      p.px(xc - d, yc + hi + 1, Ed);
      p.px(xc + d, yc - hi - 1, Ed);
      p.px(xc + d, yc + hi + 1, Ed);
      if (d != n) {
        p.px(xc - hi - 1, yc - d, Ed);
        p.px(xc + hi + 1, yc - d, Ed);
        p.px(xc - hi - 1, yc + d, Ed);
        p.px(xc + hi + 1, yc + d, Ed);
      }
      if (filled) {
        filledSpans(p, xc, yc, d, hi, ia);
      } else {
        const int wi = ia - Ed;
        p.px(xc - hi, yc - d, wi);
        p.px(xc + hi, yc - d, wi);
        p.px(xc - d, yc + hi, wi);
        p.px(xc + d, yc + hi, wi);
        if (d != n) {
          p.px(xc - d, yc - hi, wi);
          p.px(xc + d, yc - hi, wi);
          p.px(xc - hi, yc + d, wi);
          p.px(xc + hi, yc + d, wi);
        }
      }
    }
  }
}

// R of the midpoint walk from R0 after steps 1..d: the walk keeps err = d^2 + R^2 - R - (R0^2 + 1)
// and lowers R by one whenever err >= 0, which (while d < R) always leaves the largest R <= R0
// with R (R - 1) < R0^2 + 1 - d^2. So the walk can start at any step.
i64 midpointRadiusAfter(i64 R0, i64 d) {
  using i128 = __int128;
  const i128 K = i128(R0) * R0 + 1 - i128(d) * d;
  if (K <= 0) return 0;
  i64 R = i64((1.0L + std::sqrt(1.0L + 4.0L * static_cast<long double>(K))) / 2.0L);
  R = std::min(R, R0);
  while (R > 0 && i128(R) * (R - 1) >= K) --R;
  while (R < R0 && i128(R + 1) * R < K) ++R;
  return R;
}

template <class P>
void midpointCore(const P& p, i64 xc, i64 yc, float r, int ia, bool filled,
                  const StepRanges& steps) {
  const i64 R0 = i64(r + 0.5);
  if (filled) {
    p.vspan(xc, yc - R0, yc - 1, ia);
    p.vspan(xc, yc + 1, yc + R0, ia);
    p.hspan(yc, xc - R0, xc + R0, ia);
  } else {
    p.px(xc, yc - R0, ia);
    p.px(xc + R0, yc, ia);
    p.px(xc, yc + R0, ia);
    p.px(xc - R0, yc, ia);
  }
  if (R0 < 2) return;
  for (int k = 0; k < steps.count; ++k) {
    i64 d = steps.first[k];
    i64 R = d == 1 ? R0 : midpointRadiusAfter(R0, d - 1);
    // Step d runs only while d < R held after the step before it.
    if (d >= R) return;
    i64 err = d * d + R * R - R - (R0 * R0 + 1);
    i64 step = 2 * d + 1;
    do {
      if (err >= 0) {
        --R;
        err -= 2 * R;
      }
      if (filled) {
        filledSpans(p, xc, yc, d, R, ia);
      } else {
        p.px(xc - d, yc - R, ia);
        p.px(xc - d, yc + R, ia);
        p.px(xc + d, yc - R, ia);
        p.px(xc + d, yc + R, ia);
        if (d != R) {
          p.px(xc - R, yc - d, ia);
          p.px(xc - R, yc + d, ia);
          p.px(xc + R, yc - d, ia);
          p.px(xc + R, yc + d, ia);
        }
      }
      err += step;
      step += 2;
      ++d;
    } while (d < R && d <= steps.last[k]);
    if (d >= R) return;
  }
}

template <class Op>
void runCore(const Surface& s, RAST_pixel colour, int ia, bool aa, bool filled,
             const RAST_ClipRect& clip, bool clipped, i64 xc, i64 yc, float r,
             const StepRanges& steps) {
  if (clipped) {
    const Plotter<Op, true> p{s.row0, s.stride, clip, colour};
    aa ? antialiasedCore(p, xc, yc, r, ia, filled, steps)
       : midpointCore(p, xc, yc, r, ia, filled, steps);
  } else {
    const Plotter<Op, false> p{s.row0, s.stride, clip, colour};
    aa ? antialiasedCore(p, xc, yc, r, ia, filled, steps)
       : midpointCore(p, xc, yc, r, ia, filled, steps);
  }
}

// Distance from v to the inclusive interval lo..hi (0 inside), and to its farther end.
i64 nearDistance(i64 v, i64 lo, i64 hi) {
  return v < lo ? lo - v : (v > hi ? v - hi : 0);
}
i64 farDistance(i64 v, i64 lo, i64 hi) {
  return std::max(v > lo ? v - lo : lo - v, v > hi ? v - hi : hi - v);
}

// The whole-circle checks: something of it can touch the bitmap, and whether it lies at least
// two pixels inside every edge (then no bounds tests are needed).
bool wholeCircleVisible(const Surface& s, float cx, float cy, float r) {
  const i64 X = i64(cx), Y = i64(cy), R = i64(r);
  return X + R >= -2 && Y + R >= -2 && X - R <= s.width + 2 && Y - R <= s.height + 2;
}
bool wellInside(const Surface& s, float cx, float cy, float r) {
  return cx - r - 2 >= 0 && cy - r - 2 >= 0 && float(s.width) > cx + r + 2 &&
         float(s.height) > cy + r + 2;
}
bool usable(float cx, float cy, float r) {
  return CoordOK(cx) && CoordOK(cy) && CoordOK(r) && r >= 0;
}

}  // namespace

void RAST_CircleCore(RAST_IBitmap* bitmap, RAST_pixel colour, int ia, bool antialias, bool filled,
                     RAST_BlendMode mode, const RAST_ClipRect& clipIn, bool clipped, float cx,
                     float cy, float r) {
  const Surface s = Surface::Stored(bitmap);
  const int low = mode.op();
  if (!s || ia == 0 || low > 5 || !usable(cx, cy, r)) {
    return;
  }
  ia = std::min(ia, 256);
  const i64 xc = i64(cx + 0.5f), yc = i64(cy + 0.5f);
  // Never trust a clip rectangle beyond the bitmap, nor an unclipped circle that is not inside.
  RAST_ClipRect clip{std::max(clipIn.left, 0), std::max(clipIn.top, 0),
                     std::min(clipIn.right, s.width), std::min(clipIn.bottom, s.height)};
  if (clip.left >= clip.right || clip.top >= clip.bottom) {
    return;
  }
  const i64 reach = i64(r) + 2;
  if (!clipped &&
      !(xc - reach >= 0 && yc - reach >= 0 && xc + reach < s.width && yc + reach < s.height)) {
    clipped = true;
    clip = RAST_ClipRect{0, 0, s.width, s.height};
  }
  StepRanges steps;
  if (clipped) {
    const i64 l = clip.left, t = clip.top, rr = clip.right - 1, b = clip.bottom - 1;
    i64 f0 = std::max<i64>(1, nearDistance(xc, l, rr)), l0 = farDistance(xc, l, rr);
    i64 f1 = std::max<i64>(1, nearDistance(yc, t, b)), l1 = farDistance(yc, t, b);
    if (f1 < f0) {
      std::swap(f0, f1);
      std::swap(l0, l1);
    }
    if (f0 <= l0) steps.first[steps.count] = f0, steps.last[steps.count++] = l0;
    if (f1 <= l1) {
      if (steps.count && f1 <= steps.last[0] + 1) {
        steps.last[0] = std::max(steps.last[0], l1);
      } else {
        steps.first[steps.count] = f1, steps.last[steps.count++] = l1;
      }
    }
  } else {
    steps.first[0] = 1;
    steps.last[0] = INT64_MAX;
    steps.count = 1;
  }
  if (antialias) {
    DispatchBlend(low, [&](auto op) {
      runCore<decltype(op)>(s, colour, ia, true, filled, clip, clipped, xc, yc, r, steps);
    });
    return;
  }
  if (low == 0 && ia == 256)
    return runCore<OpStore>(s, colour, ia, false, filled, clip, clipped, xc, yc, r, steps);
  if (low == 0 && ia == 128)
    return runCore<OpAverage>(s, colour, ia, false, filled, clip, clipped, xc, yc, r, steps);
  DispatchBlend(low, [&](auto op) {
    runCore<decltype(op)>(s, colour, ia, false, filled, clip, clipped, xc, yc, r, steps);
  });
}

void RAST_Circle(RAST_IBitmap* bitmap, float cx, float cy, float r, RAST_pixel colour, float alpha,
                 RAST_BlendMode mode, bool antialias) {
  const Surface s = Surface::Stored(bitmap);
  if (!s || !usable(cx, cy, r) || !wholeCircleVisible(s, cx, cy, r)) {
    return;
  }
  for (const RingMask& m : kRingMasks) {
    if (r == m.radius) {
      // The mask drawer mirrors bottom-up bitmaps itself.
      RAST_DrawPackedGlyph(bitmap, int(cx - m.radius), int(cy - m.radius), colour,
                           antialias ? m.aa : m.plain, m.side, m.side, alpha, mode);
      return;
    }
  }
  if (s.flipped) cy = float(s.height - 1) - cy;
  const int ia = AlphaWeight(alpha);
  if (ia == 0) {
    return;
  }
  RAST_CircleCore(bitmap, colour, ia, antialias, false, mode,
                  RAST_ClipRect{0, 0, s.width, s.height}, !wellInside(s, cx, cy, r), cx, cy, r);
}

void RAST_FillCircle(RAST_IBitmap* bitmap, float cx, float cy, float r, RAST_pixel colour,
                     float alpha, RAST_BlendMode mode, bool antialias) {
  const Surface s = Surface::Stored(bitmap);
  if (!s || !usable(cx, cy, r)) {
    return;
  }
  if (s.flipped) cy = float(s.height - 1) - cy;
  const int ia = AlphaWeight(alpha);
  if (ia == 0 || !wholeCircleVisible(s, cx, cy, r)) {
    return;
  }
  RAST_CircleCore(bitmap, colour, ia, antialias, true, mode, RAST_ClipRect{0, 0, s.width, s.height},
                  !wellInside(s, cx, cy, r), cx, cy, r);
}
