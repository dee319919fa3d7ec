// Bezier curves: the quadratic curve as float-line segments, and the area under a cubic curve
// as strips of polygons.
#include "rast/rast_line.h"
#include "rast/rast_shape_ops.h"
#include "rast/rast_shapes.h"

#include <algorithm>
#include <cmath>
#include <utility>

using namespace rast_shape;

namespace {

// Segments of one curve, at most: enough for any curve of GUI size, and a bound on the work a
// curve with far-away control points can cause.
constexpr double kMaxSegments = 65536.0;

int segmentCount(double length, double t0, double t1, float segmentLength) {
  const double s = segmentLength > 0 ? double(segmentLength) : 1.0;
  const double n = std::min(std::trunc(length * (t1 - t0) / s), kMaxSegments);
  return n >= 1 ? int(n) : 1;
}

double dist(double ax, double ay, double bx, double by) {
  return std::hypot(bx - ax, by - ay);
}

struct Quad {
  double x0, y0, xc, yc, x2, y2;

  double bx(double t) const { return (1 - t) * (1 - t) * x0 + 2 * t * (1 - t) * xc + t * t * x2; }
  double by(double t) const { return (1 - t) * (1 - t) * y0 + 2 * t * (1 - t) * yc + t * t * y2; }

  // t and y where the curve (x0 <= x2) reaches x = X.
  void solve(double X, double& t, double& y) const {
    if (X <= x0) {
      t = 0;
      y = y0;
      return;
    }
    if (X >= x2) {
      t = 1;
      y = y2;
      return;
    }
    const double A = x2 - 2 * xc + x0;
    if (A != 0) {
      const double B = 2 * (xc - x0);
      // A curve that turns back in x has no root for some X; take the nearest instead of NaN.
      const double disc = std::max(0.0, B * B - 4 * A * (x0 - X));
      t = std::clamp((std::sqrt(disc) - B) / (2 * A), 0.0, 1.0);
      y = y2 * t * t + yc * 2 * (1 - t) * t + y0 * (1 - t) * (1 - t);
    } else if (x0 != x2) {
      t = (X - x0) / (x2 - x0);
      y = y0 + (y2 - y0) * t;
    } else {
      t = 0;
      y = y0;
    }
  }
};

struct Cubic {
  double x[4], y[4];
  double ax, bx, cx, ay, by, cy;

  Cubic(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
    if (x3 < x0) {
      std::swap(x0, x3);
      std::swap(y0, y3);
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    x[0] = x0, x[1] = x1, x[2] = x2, x[3] = x3;
    y[0] = y0, y[1] = y1, y[2] = y2, y[3] = y3;
    cx = 3 * (x1 - x0);
    bx = 3 * (x2 - x1) - cx;
    ax = x3 - x0 - cx - bx;
    cy = 3 * (y1 - y0);
    by = 3 * (y2 - y1) - cy;
    ay = y3 - y0 - cy - by;
  }
  double xt(double t) const { return ((ax * t + bx) * t + cx) * t + x[0]; }
  double yt(double t) const { return ((ay * t + by) * t + cy) * t + y[0]; }

  // y at x = X by eight bisections (x taken as increasing in t); lo and hi bracket the answer.
  double solve(double X, double& lo, double& hi) const {
    if (X <= x[0]) {
      lo = hi = 0;
      return y[0];
    }
    if (X >= x[3]) {
      lo = hi = 1;
      return y[3];
    }
    lo = 0;
    hi = 1;
    for (int i = 0; i < 8; ++i) {
      const double mid = (lo + hi) / 2;
      const double xm = xt(mid);
      if (xm == X) {
        lo = mid;
        hi = std::min(mid + 1.0 / 256, 1.0);
        break;
      }
      if (xm < X) {
        lo = mid;
      } else {
        hi = mid;
      }
    }
    const double xl = xt(lo), xh = xt(hi);
    if (xl == xh) return yt(lo);
    return yt(lo) + (X - xl) * (yt(hi) - yt(lo)) / (xh - xl);
  }
};

// Fills between (xa, ya) .. (xb, yb) and the base row b with polygons, split where the segment
// crosses the base row.
void fillStrip(RAST_IBitmap* bm, int xa, int ya, int xb, int yb, int b, RAST_pixel c, float alpha,
               RAST_BlendMode mode) {
  if (xb < xa) {
    return;
  }
  if (xa == xb) {
    RAST_Line(bm, xa, std::min(ya, b), xa, yb > b ? yb - 1 : b, c, alpha, mode, false);
    return;
  }
  const int b1 = ya < b ? b + 1 : b;
  if ((ya < b) == (yb < b)) {
    const int xs[4] = {xa, xa, xb, xb}, ys[4] = {ya, b1, yb, b1};
    RAST_FillConvexPolygon(bm, xs, ys, 4, c, mode, alpha);
    return;
  }
  // Row differences in double: rows far apart on either side of the base overflow an int.
  const int xm =
      xa + int(std::trunc(double(xb - xa) * (double(b) - double(ya)) / (double(yb) - double(ya))));
  const int b2 = yb < b ? b + 1 : b;
  RAST_FillTriangle(bm, xa, ya, xa, b1, xm, b1, c, mode, alpha);
  RAST_FillTriangle(bm, xm, b2, xb, b2, xb, yb, c, mode, alpha);
}

}  // namespace

void RAST_DrawCBezier(RAST_IBitmap* bitmap, float x0, float y0, float xc, float yc, float x2,
                      float y2, RAST_pixel colour, float alpha, RAST_BlendMode mode, bool antialias,
                      float segmentLength) {
  if (!bitmap) {
    return;
  }
  for (float v : {x0, y0, xc, yc, x2, y2}) {
    if (!CoordOK(v)) return;
  }
  const int W = bitmap->getWidth();
  Quad q{x0, y0, xc, yc, x2, y2};
  if (q.x2 < q.x0) {
    std::swap(q.x0, q.x2);
    std::swap(q.y0, q.y2);
  }
  double t0 = 0, t1 = 1;
  double lx = q.x0, ly = q.y0, rx = q.x2, ry = q.y2;
  if (lx < 0) {
    q.solve(0, t0, ly);
    lx = 0;
  }
  if (rx >= W) {
    q.solve(W - 1, t1, ry);
    rx = W - 1;
  }
  if (lx > rx) {
    return;
  }
  const double length = dist(q.x0, q.y0, q.xc, q.yc) + dist(q.xc, q.yc, q.x2, q.y2);
  const int n = segmentCount(length, t0, t1, segmentLength);
  const double dt = (t1 - t0) / n;
  double px = lx, py = ly;
  for (int j = 1; j < n; ++j) {
    const double t = t0 + j * dt;
    const double nx = q.bx(t), ny = q.by(t);
    RAST_FLine(bitmap, float(px), float(py), float(nx), float(ny), colour, alpha, mode, antialias);
    px = nx;
    py = ny;
  }
  RAST_FLine(bitmap, float(px), float(py), float(rx), float(ry), colour, alpha, mode, antialias);
}

void RAST_FillCBezier(RAST_IBitmap* bitmap, float x0, float y0, float x1, float y1, float x2,
                      float y2, float x3, float y3, int baseY, RAST_pixel colour, float alpha,
                      RAST_BlendMode mode, float segmentLength) {
  if (!bitmap) {
    return;
  }
  for (float v : {x0, y0, x1, y1, x2, y2, x3, y3}) {
    if (!CoordOK(v)) return;
  }
  const int W = bitmap->getWidth();
  // Far beyond any bitmap either way; keeps base + 1 and the strip corners inside int.
  baseY = std::clamp(baseY, -(1 << 30), 1 << 30);
  const Cubic cb(x0, y0, x1, y1, x2, y2, x3, y3);
  double t0 = 0, t1 = 1;
  double sx = cb.x[0], sy = cb.y[0], ex = cb.x[3], ey = cb.y[3];
  if (sx < 0) {
    double lo, hi;
    sy = cb.solve(0, lo, hi);
    sx = 0;
    t0 = lo;
  }
  if (ex > W) {
    double lo, hi;
    ey = cb.solve(W, lo, hi);
    ex = W;
    t1 = hi;
  }
  if (sx > ex) {
    return;
  }
  const double length = dist(cb.x[3], cb.y[3], cb.x[2], cb.y[2]) +
                        dist(cb.x[2], cb.y[2], cb.x[1], cb.y[1]) +
                        dist(cb.x[1], cb.y[1], cb.x[0], cb.y[0]);
  const int k = segmentCount(length, t0, t1, segmentLength);
  const double dt = (t1 - t0) / k;
  int px = int(sx), py = int(sy + 0.5);
  for (int j = 1; j <= k - 2; ++j) {
    const double t = t0 + j * dt;
    const int X = int(cb.xt(t));
    if (X >= px) {
      const int Y = int(cb.yt(t) + 0.5);
      fillStrip(bitmap, px, py, X, Y, baseY, colour, alpha, mode);
      px = X + 1;
      py = Y;
    }
  }
  const int lastX = int(ex - 1);
  if (px <= lastX) {
    fillStrip(bitmap, px, py, lastX, int(ey + 0.5), baseY, colour, alpha, mode);
  }
}
