// Arcs (the circle core once per quarter, limited to the quarter's box) and rounded rectangles.
#include "rast/rast_circle.h"
#include "rast/rast_line.h"
#include "rast/rast_shape_ops.h"
#include "rast/rast_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

using namespace rast_shape;

namespace {

// Single-precision pi, 2 pi and pi / 2 as the arc code has always used them, widened to double
// where the arithmetic is double.
constexpr float kPiF = 3.14159265358979f;
constexpr float kTwoPiF = 6.28318530717959f;
constexpr double kTwoPi = double(kTwoPiF);
constexpr double kHalfPi = double(kPiF / 2);

}  // namespace

void RAST_Arc(RAST_IBitmap* bitmap, float cx, float cy, float r, float angle1, float angle2,
              RAST_pixel colour, float alpha, RAST_BlendMode mode, bool antialias) {
  const Surface s = Surface::Stored(bitmap);
  if (!s || !CoordOK(cx) || !CoordOK(cy) || !CoordOK(r) || r < 0 || !std::isfinite(angle1) ||
      !std::isfinite(angle2)) {
    return;
  }
  const float callerCy = cy;
  if (s.flipped) {
    cy = float(s.height - 1) - cy;
    angle1 = kPiF - angle1;
    angle2 = kPiF - angle2;
  }
  float lo = std::min(angle1, angle2), hi = std::max(angle1, angle2);
  if (hi - lo >= kTwoPiF) {
    RAST_Circle(bitmap, cx, callerCy, r, colour, alpha, mode, antialias);
    return;
  }
  if (hi >= kTwoPiF) {
    const float h2 = float(std::fmod(double(hi), kTwoPi));
    lo -= hi - h2;
    hi = h2;
  } else if (lo <= -kTwoPiF) {
    const float l2 = float(std::fmod(double(lo), kTwoPi));
    hi -= lo - l2;
    lo = l2;
  }
  const int ia = AlphaWeight(alpha);
  if (ia == 0) {
    return;
  }
  const double L = lo + kTwoPi, H = hi + kTwoPi;
  if (!(H > L)) {
    return;
  }
  auto point = [&](double a, std::int64_t& px, std::int64_t& py) {
    px = std::int64_t(cx + std::sin(a) * r + 0.5);
    py = std::int64_t(cy - std::cos(a) * r + 0.5);
  };
  std::int64_t x0, y0;
  point(L, x0, y0);
  double q = L - std::fmod(L, kHalfPi);
  double a;
  // At most five quarters: the span is below 2 pi here.
  do {
    q += kHalfPi;
    a = std::min(H, q);
    std::int64_t x1, y1;
    point(a, x1, y1);
    const std::int64_t minx = std::min(x0, x1), maxx = std::max(x0, x1);
    const std::int64_t miny = std::min(y0, y1), maxy = std::max(y0, y1);
    const int e = float(maxx) != cx ? 1 : 0;
    const int f = float(maxy) != cy ? 1 : 0;
    // Limited to the bitmap on both sides before narrowing to int.
    auto lim = [](std::int64_t v, int top) { return int(std::clamp<std::int64_t>(v, 0, top)); };
    const RAST_ClipRect clip{lim(minx, s.width), lim(miny, s.height), lim(maxx + 1 + e, s.width),
                             lim(maxy + 1 + f, s.height)};
    if (clip.left < clip.right && clip.top < clip.bottom) {
      RAST_CircleCore(bitmap, colour, ia, antialias, false, mode, clip, true, cx, cy, r);
    }
    x0 = x1;
    y0 = y1;
  } while (H > a);
}

void RAST_RoundRect(RAST_IBitmap* bitmap, float x, float y, float w, float h, int cornerRadius,
                    RAST_pixel colour, float alpha, RAST_BlendMode mode, bool antialias) {
  if (!bitmap) {
    return;
  }
  // Every corner and edge position must fit an int after truncation.
  for (float v : {x, y, w, h, x + w, y + h}) {
    if (!CoordOK(v)) return;
  }
  if (cornerRadius <= 0) {
    RAST_DrawRect(bitmap, int(x), int(y), int(w), int(h), colour, alpha, mode);
    return;
  }
  float cr = float(cornerRadius);
  if (double(cr) > double(w) * 0.5) cr = w * 0.5f;
  if (double(cr) > double(h) * 0.5) cr = h * 0.5f;
  cr = std::floor(cr);
  if (!(cr >= 2.0f)) {
    RAST_DrawRect(bitmap, int(x), int(y), int(w), int(h), colour, alpha, mode);
    return;
  }
  RAST_Line(bitmap, int(x + cr), int(y), int(x + w - cr), int(y), colour, alpha, mode, antialias);
  RAST_Line(bitmap, int(x + cr - 1), int(y + h), int(x + w - cr), int(y + h), colour, alpha, mode,
            antialias);
  RAST_Line(bitmap, int(x + w), int(y + cr), int(x + w), int(y + h - cr), colour, alpha, mode,
            antialias);
  RAST_Line(bitmap, int(x), int(y + cr - 1), int(x), int(y + h - cr), colour, alpha, mode,
            antialias);
  RAST_Arc(bitmap, x + cr, y + cr, cr, -kPiF / 2, 0, colour, alpha, mode, antialias);
  RAST_Arc(bitmap, x + w - cr, y + cr, cr, 0, kPiF / 2, colour, alpha, mode, antialias);
  RAST_Arc(bitmap, x + w - cr, y + h - cr, cr, kPiF / 2, kPiF, colour, alpha, mode, antialias);
  RAST_Arc(bitmap, x + cr, y + h - cr, cr, kPiF, 3 * kPiF / 2, colour, alpha, mode, antialias);
}
