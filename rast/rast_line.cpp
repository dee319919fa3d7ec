// Integer lines: clipped once on the end points, then drawn by one of four shape classes
// (horizontal, vertical, exact diagonal, general), each instantiated per blend operation.
#include "rast/rast_line.h"

#include "rast/rast_clip.h"
#include "rast/rast_shape_ops.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

using namespace rast_shape;

namespace {

// Clipping on doubles so that mirrored or far-away 32-bit coordinates cannot overflow. The
// crossings with the bottom and right edges are computed at height and width, one beyond the
// last row or column, and the point is then placed on the last row or column.
bool clipSegment(double& x1, double& y1, double& x2, double& y2, int width, int height) {
  auto outcode = [width, height](double x, double y) {
    return RAST_Outcode<double>(x, y, width, height);
  };
  int o1 = outcode(x1, y1);
  int o2 = outcode(x2, y2);
  // Each move puts one point on an edge; a handful always settles it.
  for (int guard = 0; guard < 16 && (o1 | o2); ++guard) {
    if (o1 & o2) {
      return false;
    }
    const bool first = o1 != 0;
    const int o = first ? o1 : o2;
    double x, y;
    if (o & 8) {
      x = x1 + std::trunc((x2 - x1) * (height - y1) / (y2 - y1));
      y = height - 1;
    } else if (o & 4) {
      x = x1 + std::trunc((x2 - x1) * (0 - y1) / (y2 - y1));
      y = 0;
    } else if (o & 2) {
      y = y1 + std::trunc((y2 - y1) * (width - x1) / (x2 - x1));
      x = width - 1;
    } else {
      y = y1 + std::trunc((y2 - y1) * (0 - x1) / (x2 - x1));
      x = 0;
    }
    if (first) {
      x1 = x;
      y1 = y;
      o1 = outcode(x1, y1);
    } else {
      x2 = x;
      y2 = y;
      o2 = outcode(x2, y2);
    }
  }
  return (o1 | o2) == 0;
}

// A run of n pixels from p, `step` pixels apart (1 for a row, the row span for a column).
template <class Op>
void drawRun(RAST_pixel* p, std::ptrdiff_t step, int n, RAST_pixel c, int w) {
  for (int i = 0; i < n; ++i, p += step) {
    Op::put(p, c, w);
  }
}

void runDispatch(RAST_pixel* p, std::ptrdiff_t step, int n, RAST_pixel c, float alpha,
                 RAST_BlendMode mode) {
  const int low = mode.op();
  if (low == 0) {
    if (alpha == 1.0f) return drawRun<OpStore>(p, step, n, c, 256);
    if (alpha == 0.5f) return drawRun<OpHalfMix>(p, step, n, c, 128);
    if (alpha == 0.25f) return drawRun<OpQuarterMix>(p, step, n, c, 64);
    if (alpha == 0.75f) return drawRun<OpThreeQuarterMix>(p, step, n, c, 192);
  }
  const int ia = AlphaWeight(alpha);
  if (ia == 0 || low > 5) {
    return;
  }
  if (low == 0) {
    if (ia == 128) return drawRun<OpAverage>(p, step, n, c, ia);
    if (ia == 256) return drawRun<OpStore>(p, step, n, c, ia);
  }
  DispatchBlend(low, [&](auto op) { drawRun<decltype(op)>(p, step, n, c, ia); });
}

// Exact diagonal of n + 1 pixels from p; `sx` and `sy` are the signed pixel steps along x and y.
template <class Op>
void drawDiagonal(RAST_pixel* p, std::ptrdiff_t sx, std::ptrdiff_t sy, int n, RAST_pixel c, int w) {
  for (int k = 0; k <= n; ++k, p += sx + sy) {
    Op::put(p, c, w);
  }
}

// The anti-aliased diagonal: the line pixels at weight `lineW`, and per step the two side pixels
// ahead of it (plus sx, plus sy) at weight `sideW`.
template <class LineOp, class SideOp>
void drawDiagonalAA(RAST_pixel* p, std::ptrdiff_t sx, std::ptrdiff_t sy, int n, RAST_pixel c,
                    int lineW, int sideW) {
  LineOp::put(p, c, lineW);
  for (int k = 0; k < n; ++k) {
    SideOp::put(p + sx, c, sideW);
    SideOp::put(p + sy, c, sideW);
    p += sx + sy;
    LineOp::put(p, c, lineW);
  }
}

void diagonalDispatch(RAST_pixel* p, std::ptrdiff_t sx, std::ptrdiff_t sy, int n, RAST_pixel c,
                      float alpha, RAST_BlendMode mode, bool aa) {
  const int low = mode.op();
  if (low == 0 && alpha == 1.0f) {
    if (aa) return drawDiagonalAA<OpThreeQuarterMix, OpQuarterMix>(p, sx, sy, n, c, 192, 64);
    return drawDiagonal<OpStore>(p, sx, sy, n, c, 256);
  }
  const int ia = AlphaWeight(alpha);
  if (ia == 0 || low > 5) {
    return;
  }
  if (aa) {
    const int lineW = 3 * ia / 4, sideW = ia / 4;
    DispatchBlend(low, [&](auto op) {
      using Op = decltype(op);
      drawDiagonalAA<Op, Op>(p, sx, sy, n, c, lineW, sideW);
    });
    return;
  }
  if (low == 0) {
    if (ia == 128) return drawDiagonal<OpAverage>(p, sx, sy, n, c, ia);
    if (ia == 256) return drawDiagonal<OpStore>(p, sx, sy, n, c, ia);
  }
  DispatchBlend(low, [&](auto op) { drawDiagonal<decltype(op)>(p, sx, sy, n, c, ia); });
}

// One step of both ends towards each other along the major axis, and along the minor axis when
// the accumulator reaches `carry`.
[[gnu::always_inline]] inline void stepEnds(RAST_pixel*& s, RAST_pixel*& e, std::ptrdiff_t major,
                                            std::ptrdiff_t minor, int& acc, int slope, int carry) {
  acc += slope;
  if (acc >= carry) {
    acc -= 65536;
    s += minor;
    e -= minor;
  }
  s += major;
  e -= major;
}

// General lines, walked from both ends at once with a 16.16 accumulator, so the pixels do not
// depend on which end the caller names first. `major` and `minor` are signed pixel steps.
template <class Op>
void drawGeneral(RAST_pixel* s, RAST_pixel* e, std::ptrdiff_t major, std::ptrdiff_t minor, int D,
                 int slope, RAST_pixel c, int ia) {
  const int half = (D + 1) / 2;
  int acc = 0;
  for (int i = 0; i < half; ++i) {
    Op::put(s, c, ia);
    Op::put(e, c, ia);
    stepEnds(s, e, major, minor, acc, slope, 32768);
  }
  if ((D & 1) == 0) {
    Op::put(s, c, ia);
  }
}

template <class Op>
void drawGeneralAA(RAST_pixel* s, RAST_pixel* e, std::ptrdiff_t major, std::ptrdiff_t minor, int D,
                   int slope, RAST_pixel c, int ia) {
  auto primary = [ia](int f) { return ia == 256 ? 255 - f : (255 - f) * ia / 256; };
  auto secondary = [ia](int f) { return ia == 256 ? f : f * ia / 256; };
  Op::put(s, c, ia);
  Op::put(e, c, ia);
  s += major;
  e -= major;
  int acc = slope;
  if (D >= 3) {
    const int half = (D + 1) / 2;
    for (int i = 0; i < half - 1; ++i) {
      const int f = acc >> 8;
      const int pw = primary(f), sw = secondary(f);
      Op::put(s, c, pw);
      Op::put(s + minor, c, sw);
      Op::put(e, c, pw);
      Op::put(e - minor, c, sw);
      stepEnds(s, e, major, minor, acc, slope, 65536);
    }
  }
  if ((D & 1) == 0) {
    const int f = acc >> 8;
    Op::put(s, c, primary(f));
    Op::put(s + minor, c, secondary(f));
  }
}

}  // namespace

bool RAST_ClipLine(int* x1, int* y1, int* x2, int* y2, int width, int height) {
  double a = *x1, b = *y1, c = *x2, d = *y2;
  const bool inside = clipSegment(a, b, c, d, width, height);
  // The moved points lie between the original ones, so they fit back into an int.
  *x1 = int(a);
  *y1 = int(b);
  *x2 = int(c);
  *y2 = int(d);
  return inside;
}

void RAST_Line(RAST_IBitmap* bitmap, int x1, int y1, int x2, int y2, RAST_pixel colour, float alpha,
               RAST_BlendMode mode, bool antialias) {
  const Surface surf = Surface::Stored(bitmap);
  if (!surf) {
    return;
  }
  // Mirrored in 64 bits: height - 1 - INT_MIN does not fit an int.
  std::int64_t my1 = y1, my2 = y2;
  if (surf.flipped) {
    my1 = std::int64_t(surf.height) - 1 - y1;
    my2 = std::int64_t(surf.height) - 1 - y2;
  }
  double fx1 = x1, fy1 = double(my1), fx2 = x2, fy2 = double(my2);
  if (!clipSegment(fx1, fy1, fx2, fy2, surf.width, surf.height)) {
    return;
  }
  x1 = int(fx1);
  y1 = int(fy1);
  x2 = int(fx2);
  y2 = int(fy2);

  const int dx = x2 - x1, dy = y2 - y1;
  if (dy == 0) {
    const int x = dx < 0 ? x2 : x1;
    runDispatch(surf.at(x, y1), 1, std::abs(dx) + 1, colour, alpha, mode);
    return;
  }
  if (dx == 0) {
    const int y = dy < 0 ? y2 : y1;
    runDispatch(surf.at(x1, y), surf.stride, std::abs(dy) + 1, colour, alpha, mode);
    return;
  }
  if (std::abs(dx) == std::abs(dy)) {
    const std::ptrdiff_t sx = dx > 0 ? 1 : -1;
    const std::ptrdiff_t sy = dy > 0 ? surf.stride : -surf.stride;
    diagonalDispatch(surf.at(x1, y1), sx, sy, std::abs(dx), colour, alpha, mode, antialias);
    return;
  }

  const bool xMajor = std::abs(dy) < std::abs(dx);
  int D = xMajor ? dx : dy;
  int m = xMajor ? dy : dx;
  int sxp = x1, syp = y1, exp = x2, eyp = y2;
  if (D < 0) {
    std::swap(sxp, exp);
    std::swap(syp, eyp);
    D = -D;
    m = -m;
  }
  const std::ptrdiff_t majorStep = xMajor ? 1 : surf.stride;
  const std::ptrdiff_t minorUnit = xMajor ? surf.stride : 1;
  const std::ptrdiff_t minorStep = m >= 0 ? minorUnit : -minorUnit;
  const int slope = int(double(std::abs(m)) / double(D) * 65536.0);

  const int low = mode.op();
  const int ia = AlphaWeight(alpha);
  if (ia == 0 || low > 5) {
    return;
  }
  RAST_pixel* s = surf.at(sxp, syp);
  RAST_pixel* e = surf.at(exp, eyp);
  if (antialias) {
    DispatchBlend(low, [&](auto op) {
      drawGeneralAA<decltype(op)>(s, e, majorStep, minorStep, D, slope, colour, ia);
    });
    return;
  }
  if (low == 0 && ia == 256) {
    return drawGeneral<OpStore>(s, e, majorStep, minorStep, D, slope, colour, ia);
  }
  if (low == 0 && ia == 128) {
    return drawGeneral<OpAverage>(s, e, majorStep, minorStep, D, slope, colour, ia);
  }
  DispatchBlend(low, [&](auto op) {
    drawGeneral<decltype(op)>(s, e, majorStep, minorStep, D, slope, colour, ia);
  });
}
