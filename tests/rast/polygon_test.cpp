// Trapezoids, convex polygons, triangles, rectangle outlines and Bezier curves.
#include "rast/rast_line.h"
#include "rast/rast_shapes.h"
#include "shape_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

namespace {

using shapetest::Canvas;
using shapetest::kCopy;
using shapetest::PixelSet;
using shapetest::Rng;

constexpr RAST_pixel kWhite = 0xffffffffu;

PixelSet Rows(std::initializer_list<std::array<int, 3>> rows) {
  PixelSet s;
  for (auto& r : rows)
    for (int x = r[1]; x <= r[2]; ++x) s.insert({x, r[0]});
  return s;
}

TEST(Trapezoid, EdgesStepByMagnitudeAndSign) {
  Canvas c(16, 12);
  // Left edge 0 -> 0, right edge 0 -> 10 over rows 0..5: x = 2 y.
  RAST_FillTrapezoid(&c, 0, 0, 0, 0, 10, 5, kWhite, 1.0f, kCopy);
  EXPECT_EQ(c.changed(), Rows({{0, 0, 0}, {1, 0, 2}, {2, 0, 4}, {3, 0, 6}, {4, 0, 8}, {5, 0, 10}}));
  // Edges step by magnitude and sign, so a trapezoid and its mirror image fill mirrored pixels.
  Rng rng(2);
  for (int i = 0; i < 200; ++i) {
    const int a = rng.range(0, 15), b = rng.range(0, 15), y1 = rng.range(0, 11),
              y2 = rng.range(0, 11);
    Canvas l(16, 12), r(16, 12);
    RAST_FillTrapezoid(&l, a, 15, y1, b, 15, y2, kWhite, 1.0f, kCopy);
    RAST_FillTrapezoid(&r, 0, 15 - a, y1, 0, 15 - b, y2, kWhite, 1.0f, kCopy);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x)
        ASSERT_EQ(l.at(x, y), r.at(15 - x, y)) << a << " " << b << " " << y1 << " " << y2;
  }
}

// The trapezoid transcribed row by row: pinned edges, 16.16 steps applied as magnitude and sign,
// rows above the bitmap stepped over one at a time, each row cut to the bitmap.
void ReferenceTrapezoid(Canvas& c, int x1a, int x1b, int y1, int x2a, int x2b, int y2,
                        RAST_pixel col, int a) {
  const long W = c.getWidth(), H = c.getHeight();
  if (y2 < y1) std::swap(y1, y2), std::swap(x1a, x2a), std::swap(x1b, x2b);
  if (x1b < x1a) std::swap(x1a, x1b);
  if (x2b < x2a) std::swap(x2a, x2b);
  if ((x1b < 0 && x2b < 0) || (x1a >= W && x2a >= W) || y2 < 0 || y1 >= H) return;
  struct E {
    long x, frac = 0, mag = 0, dir = 0;
    void next() { frac += mag, x += dir * (frac >> 16), frac &= 0xffff; }
  };
  auto edge = [&](long from, long to, bool pinned, long pin) {
    if (pinned) return E{pin};
    long step = y2 == y1 ? 0 : 65536 * (to - from) / (long(y2) - y1);
    step = std::clamp(step, -(1L << 29), 1L << 29);
    return E{from, 0, std::labs(step), step < 0 ? -1 : (step > 0 ? 1 : 0)};
  };
  E l = edge(x1a, x2a, x1a <= 0 && x2a <= 0, 0),
    r = edge(x1b, x2b, x1b >= W - 1 && x2b >= W - 1, W - 1);
  for (long y = y1; y <= std::min<long>(y2, H - 1); ++y, l.next(), r.next()) {
    if (y < 0) continue;
    for (long x = std::max(l.x, 0L); x <= std::min(r.x, W - 1); ++x)
      c.at(int(x), int(y)) = RAST_BlendCopy(c.at(int(x), int(y)), col, RAST_Weight(a));
  }
}

TEST(Trapezoid, MatchesTheReferenceRows) {
  Rng rng(12);
  const RAST_pixel bg = 0x80402010u, col = 0x10204080u;
  for (int i = 0; i < 3000; ++i) {
    int v[6];
    for (int& k : v) k = rng.range(-30, 50);
    if (i % 5 == 0) v[rng.range(0, 5)] = rng.range(-3000, 3000);
    // Steps beyond the limit of 2^29 (8192 pixels a row): computed in 64 bits, then limited.
    if (i % 50 == 1) v[1] = rng.range(0, 5), v[4] = 2000000000, v[2] = 2, v[5] = rng.range(2, 4);
    if (i % 50 == 2)
      v[0] = -2000000000, v[3] = rng.range(-5, 20), v[2] = -20000, v[5] = rng.range(0, 18);
    const float alpha = rng.frange(0.01f, 1.0f);
    const int a = int(alpha * 256);
    if (a == 0 || a == 64 || a == 128 || a == 192 || a == 256) continue;  // word mixes: own test
    Canvas got(23, 19, false, bg), want(23, 19, false, bg);
    RAST_FillTrapezoid(&got, v[0], v[1], v[2], v[3], v[4], v[5], col, alpha, kCopy);
    ReferenceTrapezoid(want, v[0], v[1], v[2], v[3], v[4], v[5], col, a);
    ASSERT_EQ(got.picture(), want.picture()) << i << ": " << v[0] << " " << v[1] << " " << v[2]
                                             << " " << v[3] << " " << v[4] << " " << v[5] << "\n"
                                             << got.ascii(bg) << "\n"
                                             << want.ascii(bg);
  }
}

TEST(Trapezoid, RowAndPairOrderDoNotMatter) {
  Canvas a(20, 20), b(20, 20), d(20, 20);
  RAST_FillTrapezoid(&a, 2, 9, 3, 5, 17, 15, kWhite, 1.0f, kCopy);
  RAST_FillTrapezoid(&b, 5, 17, 15, 2, 9, 3, kWhite, 1.0f, kCopy);
  RAST_FillTrapezoid(&d, 9, 2, 3, 17, 5, 15, kWhite, 1.0f, kCopy);
  EXPECT_EQ(a.picture(), b.picture());
  EXPECT_EQ(a.picture(), d.picture());
}

TEST(Trapezoid, ExactAlphaMixesAndModes) {
  const RAST_pixel bg = 0x13579bdfu, col = 0xfdb97531u;
  struct Case {
    float alpha;
    RAST_pixel expect;
  } cases[] = {{1.0f, col},
               {0.5f, RAST_MixHalf(bg, col)},
               {0.25f, RAST_MixQuarter(bg, col)},
               {0.75f, RAST_MixThreeQuarter(bg, col)},
               {0.6f, RAST_BlendCopy(bg, col, RAST_Weight::FromAlpha(0.6f))}};
  for (auto& k : cases) {
    Canvas c(4, 4, false, bg);
    RAST_FillTrapezoid(&c, 0, 3, 0, 0, 3, 3, col, k.alpha, kCopy);
    EXPECT_EQ(c.at(2, 2), k.expect) << k.alpha;
  }
  for (int m = 1; m <= 5; ++m) {
    Canvas c(4, 4, false, bg);
    RAST_FillTrapezoid(&c, 0, 3, 0, 0, 3, 3, col, 0.4f, RAST_BlendMode(m));
    RAST_pixel e = bg;
    RAST_SolidWrite(&e, col, RAST_Weight::FromAlpha(0.4f), RAST_BlendMode(m));
    EXPECT_EQ(c.at(1, 3), e) << m;
  }
  Canvas n(4, 4, false, bg);
  RAST_FillTrapezoid(&n, 0, 3, 0, 0, 3, 3, col, 1.0f, RAST_BlendMode(6));
  RAST_FillTrapezoid(&n, 0, 3, 0, 0, 3, 3, col, 0.003f, kCopy);
  EXPECT_TRUE(n.changed(bg).empty());
}

// Drawing on a small bitmap gives exactly the window of the same drawing on a large one: the
// clipped rows are skipped arithmetically and each row is cut, nothing else changes.
TEST(Trapezoid, ClippingAtEveryEdgeMatchesUnclipped) {
  Rng rng(5);
  const int ox = 40, oy = 40;
  for (int i = 0; i < 500; ++i) {
    int v[6];
    for (int& k : v) k = rng.range(-40, 60);
    Canvas big(100, 100), small(20, 20);
    RAST_FillTrapezoid(&big, v[0] + ox, v[1] + ox, v[2] + oy, v[3] + ox, v[4] + ox, v[5] + oy,
                       kWhite, 1.0f, kCopy);
    RAST_FillTrapezoid(&small, v[0], v[1], v[2], v[3], v[4], v[5], kWhite, 1.0f, kCopy);
    ASSERT_TRUE(small.guardIntact());
    ASSERT_TRUE(shapetest::SameWindow(big, ox, oy, small)) << i;
  }
}

TEST(Polygon, SquareInEveryVertexOrder) {
  std::vector<std::pair<int, int>> pts = {{2, 3}, {9, 3}, {9, 8}, {2, 8}};
  std::sort(pts.begin(), pts.end());
  std::vector<RAST_pixel> first;
  do {
    Canvas c(12, 12);
    int xs[4], ys[4];
    for (int i = 0; i < 4; ++i) xs[i] = pts[size_t(i)].first, ys[i] = pts[size_t(i)].second;
    RAST_FillConvexPolygon(&c, xs, ys, 4, kWhite, kCopy, 1.0f);
    if (first.empty()) {
      first = c.picture();
      EXPECT_EQ(c.changed(),
                Rows({{3, 2, 9}, {4, 2, 9}, {5, 2, 9}, {6, 2, 9}, {7, 2, 9}, {8, 2, 9}}));
    }
    EXPECT_EQ(c.picture(), first);
  } while (std::next_permutation(pts.begin(), pts.end()));
}

TEST(Polygon, TrianglePixelSetInAnyOrder) {
  const PixelSet expected = Rows({{0, 0, 0},
                                  {1, 0, 2},
                                  {2, 0, 4},
                                  {3, 0, 6},
                                  {4, 0, 8},
                                  {5, 0, 10},
                                  {6, 0, 8},
                                  {7, 0, 6},
                                  {8, 0, 4},
                                  {9, 0, 2},
                                  {10, 0, 0}});
  const int p[3][2] = {{0, 0}, {10, 5}, {0, 10}};
  const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (auto& o : orders) {
    Canvas c(12, 12);
    RAST_FillTriangle(&c, p[o[0]][0], p[o[0]][1], p[o[1]][0], p[o[1]][1], p[o[2]][0], p[o[2]][1],
                      kWhite, kCopy, 1.0f);
    EXPECT_EQ(c.changed(), expected) << c.ascii();
  }
}

TEST(Polygon, DegenerateInputs) {
  Canvas c(12, 12);
  const int xs[3] = {1, 5, 9}, ys[3] = {4, 4, 4};
  RAST_FillConvexPolygon(&c, xs, ys, 2, kWhite, kCopy, 1.0f);
  RAST_FillConvexPolygon(&c, nullptr, ys, 3, kWhite, kCopy, 1.0f);
  RAST_FillConvexPolygon(nullptr, xs, ys, 3, kWhite, kCopy, 1.0f);
  EXPECT_TRUE(c.changed().empty());
  // A one-row polygon wholly left or right of the bitmap reaches into no column.
  RAST_FillTriangle(&c, -9, 4, -5, 4, -1, 4, kWhite, kCopy, 1.0f);
  RAST_FillTriangle(&c, 12, 4, 15, 4, 20, 4, kWhite, kCopy, 1.0f);
  EXPECT_TRUE(c.changed().empty()) << c.ascii();
  // All points on one row: that row from the smallest to the largest x.
  RAST_FillTriangle(&c, 5, 4, 9, 4, 1, 4, kWhite, kCopy, 1.0f);
  EXPECT_EQ(c.changed(), Rows({{4, 1, 9}}));
}

// Beyond 512 points the polygon fill works on a heap copy; the result is the same.
TEST(Polygon, ManyPointsUseTheHeapCopyWithTheSameResult) {
  std::vector<int> xs, ys;
  for (int i = 0; i < 512; ++i) {
    const double a = 2 * std::numbers::pi * i / 512;
    xs.push_back(int(std::lround(50 + 40 * std::cos(a))));
    ys.push_back(int(std::lround(50 + 40 * std::sin(a))));
  }
  Canvas a(100, 100), b(100, 100);
  RAST_FillConvexPolygon(&a, xs.data(), ys.data(), 512, kWhite, kCopy, 1.0f);
  xs.push_back(xs[100]);
  ys.push_back(ys[100]);
  RAST_FillConvexPolygon(&b, xs.data(), ys.data(), 513, kWhite, kCopy, 1.0f);
  EXPECT_EQ(a.picture(), b.picture());
  EXPECT_GT(a.changed().size(), 4800u);  // about pi 40^2
}

// Against geometry: for the convex hull of random points, every pixel well inside the polygon is
// filled and every pixel well outside is not. Edges are sampled at the band rows and stepped
// between them, each truncated, so an edge may lie up to two pixels off the exact line.
TEST(Polygon, ConvexHullsFillTheirInside) {
  Rng rng(29);
  for (int i = 0; i < 150; ++i) {
    std::vector<std::pair<long, long>> pts;
    const int n = rng.range(3, 12);
    for (int k = 0; k < n; ++k) pts.push_back({rng.range(0, 39), rng.range(0, 39)});
    std::sort(pts.begin(), pts.end());
    pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
    auto cross = [](auto o, auto a, auto b) {
      return (a.first - o.first) * (b.second - o.second) -
             (a.second - o.second) * (b.first - o.first);
    };
    std::vector<std::pair<long, long>> hull;  // monotone chain, counter-clockwise
    for (int pass = 0; pass < 2; ++pass) {
      const size_t base = hull.size();
      for (auto& q : pts) {
        while (hull.size() >= base + 2 && cross(hull[hull.size() - 2], hull.back(), q) <= 0)
          hull.pop_back();
        hull.push_back(q);
      }
      hull.pop_back();
      std::reverse(pts.begin(), pts.end());
    }
    if (hull.size() < 3) continue;
    std::vector<int> xs, ys;
    for (auto& q : hull) xs.push_back(int(q.first)), ys.push_back(int(q.second));
    Canvas c(40, 40);
    RAST_FillConvexPolygon(&c, xs.data(), ys.data(), int(xs.size()), kWhite, kCopy, 1.0f);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) {
        // Signed distance of the pixel from each edge (positive inside).
        double inside = 1e9;
        for (size_t k = 0; k < hull.size(); ++k) {
          auto a = hull[k], b = hull[(k + 1) % hull.size()];
          const double len = std::hypot(double(b.first - a.first), double(b.second - a.second));
          const double d = double(cross(a, b, std::pair<long, long>{x, y})) / len;
          inside = std::min(inside, d);
        }
        if (inside >= 2.0) {
          ASSERT_EQ(c.at(x, y), kWhite) << i << " at " << x << "," << y << "\n" << c.ascii();
        }
        if (inside <= -2.0) {
          std::string hs;
          for (auto& q : hull) hs += std::to_string(q.first) + "," + std::to_string(q.second) + " ";
          ASSERT_EQ(c.at(x, y), 0u) << i << " at " << x << "," << y << " hull " << hs;
        }
      }
  }
}

TEST(Polygon, ClippingAtEveryEdgeMatchesUnclipped) {
  Rng rng(17);
  const int ox = 50, oy = 50;
  for (int i = 0; i < 300; ++i) {
    // A convex shape: points on an ellipse around a random centre, in random order.
    const int n = rng.range(3, 9);
    const double cx = rng.range(-15, 35), cy = rng.range(-15, 35), rx = rng.range(1, 30),
                 ry = rng.range(1, 30);
    std::vector<int> xs, ys;
    for (int k = 0; k < n; ++k) {
      const double a = 2 * std::numbers::pi * (k + rng.frange(0, 0.5f)) / n;
      xs.push_back(int(std::lround(cx + rx * std::cos(a))));
      ys.push_back(int(std::lround(cy + ry * std::sin(a))));
    }
    Canvas big(130, 130), small(20, 20);
    std::vector<int> bx = xs, by = ys;
    for (auto& v : bx) v += ox;
    for (auto& v : by) v += oy;
    RAST_FillConvexPolygon(&big, bx.data(), by.data(), n, kWhite, kCopy, 1.0f);
    RAST_FillConvexPolygon(&small, xs.data(), ys.data(), n, kWhite, kCopy, 1.0f);
    ASSERT_TRUE(small.guardIntact());
    ASSERT_TRUE(shapetest::SameWindow(big, ox, oy, small)) << i;
  }
}

// Wild input, convex or not, with coordinates across the whole int range: no write outside, no
// hang.
TEST(Polygon, WildInputStaysInsideAndEnds) {
  Rng rng(23);
  const int extremes[] = {INT_MIN, -1000000000, -3, 0, 5, 11, 1000000000, INT_MAX};
  for (int i = 0; i < 3000; ++i) {
    Canvas c(12, 10, i % 2);
    const int n = rng.range(3, 8);
    std::vector<int> xs, ys;
    for (int k = 0; k < n; ++k) {
      xs.push_back(rng.next() % 3 ? rng.range(-8, 20) : extremes[rng.next() % 8]);
      ys.push_back(rng.next() % 3 ? rng.range(-8, 20) : extremes[rng.next() % 8]);
    }
    RAST_FillConvexPolygon(&c, xs.data(), ys.data(), n, kWhite, RAST_BlendMode(int(rng.next() % 6)),
                           0.7f);
    RAST_FillTrapezoid(&c, xs[0], xs[1], ys[0], xs[2], ys[1], ys[2], kWhite, 1.0f, kCopy);
    ASSERT_TRUE(c.guardIntact()) << i;
  }
}

TEST(DrawRect, OutlineIsOneLargerThanTheFill) {
  Canvas c(20, 12);
  RAST_DrawRect(&c, 3, 2, 10, 5, kWhite, 1.0f, kCopy);
  PixelSet expected;
  for (int x = 3; x <= 13; ++x) expected.insert({x, 2}), expected.insert({x, 7});
  for (int y = 2; y <= 7; ++y) expected.insert({3, y}), expected.insert({13, y});
  EXPECT_EQ(c.changed(), expected);
  Canvas h(8, 8);
  RAST_DrawRect(&h, INT_MAX - 2, 1, 10, 4, kWhite, 1.0f, kCopy);
  RAST_DrawRect(&h, -5, INT_MIN, 8, INT_MAX, kWhite, 1.0f, kCopy);
  EXPECT_TRUE(h.guardIntact());
}

TEST(QuadraticBezier, StraightCurveMatchesTheFloatLine) {
  Canvas a(40, 40), b(40, 40);
  RAST_DrawCBezier(&a, 2.0f, 5.0f, 20.0f, 5.0f, 38.0f, 5.0f, kWhite, 1.0f, kCopy, true, 4.0f);
  RAST_FLine(&b, 2.0f, 5.0f, 38.0f, 5.0f, kWhite, 1.0f, kCopy, true);
  EXPECT_EQ(a.changed(), b.changed());
}

TEST(QuadraticBezier, LeftClippedCurveStartsAtColumnZero) {
  Canvas c(30, 30);
  RAST_DrawCBezier(&c, -10.0f, 20.0f, 10.0f, 0.0f, 28.0f, 20.0f, kWhite, 1.0f, kCopy, false, 1.0f);
  // The solved start: the curve's y at x = 0 (t where x(t) = 0).
  const double A = 28 - 20 + (-10), B = 2 * (10 - (-10));
  const double t = (std::sqrt(B * B - 4 * A * (-10 - 0)) - B) / (2 * A);
  const double y = 20 * t * t + 0 * 2 * (1 - t) * t + 20 * (1 - t) * (1 - t);
  EXPECT_NE(c.at(0, int(y)), 0u) << c.ascii();
  for (int yy = 0; yy < 30; ++yy)
    if (std::abs(yy - int(y)) > 1) {
      EXPECT_EQ(c.at(0, yy), 0u) << yy;
    }
  // Both ends right of the bitmap: nothing.
  Canvas r(30, 30);
  RAST_DrawCBezier(&r, 40.0f, 2.0f, 10.0f, 20.0f, 35.0f, 25.0f, kWhite, 1.0f, kCopy, true, 1.0f);
  EXPECT_TRUE(r.changed().empty());
}

TEST(QuadraticBezier, SegmentLengthZeroMeansOnePixelAndEndsMayBeSwapped) {
  Canvas a(50, 50), b(50, 50), d(50, 50);
  RAST_DrawCBezier(&a, 3.0f, 40.0f, 25.0f, -10.0f, 47.0f, 40.0f, kWhite, 1.0f, kCopy, true, 0.0f);
  RAST_DrawCBezier(&b, 3.0f, 40.0f, 25.0f, -10.0f, 47.0f, 40.0f, kWhite, 1.0f, kCopy, true, 1.0f);
  RAST_DrawCBezier(&d, 47.0f, 40.0f, 25.0f, -10.0f, 3.0f, 40.0f, kWhite, 1.0f, kCopy, true, 1.0f);
  EXPECT_EQ(a.picture(), b.picture());
  EXPECT_EQ(a.picture(), d.picture());
  EXPECT_GT(a.changed().size(), 60u);
}

TEST(QuadraticBezier, UnusableValuesDrawNothingAndHugeCurvesEnd) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  Canvas c(20, 20);
  RAST_DrawCBezier(&c, nan, 1, 5, 5, 10, 10, kWhite, 1.0f, kCopy, true, 1.0f);
  RAST_DrawCBezier(&c, 1, 1, 5, std::numeric_limits<float>::infinity(), 10, 10, kWhite, 1.0f, kCopy,
                   true, 1.0f);
  EXPECT_TRUE(c.changed().empty());
  RAST_DrawCBezier(&c, -1.9e9f, 1e9f, 5, 5, 1.9e9f, -1e9f, kWhite, 1.0f, kCopy, true, nan);
  RAST_DrawCBezier(&c, 1, 1, 5, 5, 10, 10, kWhite, 1.0f, kCopy, true, 1e-30f);
  EXPECT_TRUE(c.guardIntact());
}

TEST(CubicBezierFill, ReversedPointsFillTheSameArea) {
  Canvas a(60, 40), b(60, 40);
  RAST_FillCBezier(&a, 5, 30, 20, 2, 40, 2, 55, 20, 35, kWhite, 1.0f, kCopy, 1.0f);
  RAST_FillCBezier(&b, 55, 20, 40, 2, 20, 2, 5, 30, 35, kWhite, 1.0f, kCopy, 1.0f);
  EXPECT_EQ(a.picture(), b.picture());
  // Columns 5..54 are filled from the curve down to the base row, nothing left or right of them.
  for (int x = 0; x < 60; ++x) {
    const bool inside = x >= 5 && x <= 54;
    EXPECT_EQ(a.at(x, 34) != 0, inside) << x << "\n" << a.ascii();
  }
  // Each filled column is one run that reaches the base row.
  for (int x = 5; x <= 54; ++x) {
    int y = 35;
    while (y > 0 && a.at(x, y - 1) != 0) --y;
    for (int k = 0; k < y; ++k) EXPECT_EQ(a.at(x, k), 0u) << x << "," << k;
    EXPECT_LT(y, 31) << x;
  }
}

TEST(CubicBezierFill, CurveBelowTheBaseAndClipped) {
  Canvas c(40, 40, true);
  RAST_FillCBezier(&c, -20, 30, 0, 38, 30, 38, 70, 25, 10, kWhite, 1.0f, kCopy, 2.0f);
  EXPECT_TRUE(c.guardIntact());
  EXPECT_NE(c.at(0, 20), 0u) << c.ascii();
  EXPECT_NE(c.at(39, 15), 0u) << c.ascii();
  EXPECT_EQ(c.at(20, 5), 0u);
  Canvas w(30, 30);
  RAST_FillCBezier(&w, 1e9f, 5, 2e9f, 5, -1.9e9f, 20, -1e9f, 20, INT_MAX, kWhite, 1.0f, kCopy,
                   0.0f);
  RAST_FillCBezier(&w, 1, 5, 10, 5, 20, 20, 29, 20, INT_MIN, kWhite, 1.0f, kCopy, 0.0f);
  EXPECT_TRUE(w.guardIntact());
}

// A curve whose rows lie far apart on either side of the base row: the split column of a strip
// that crosses the base is found without overflowing the row differences.
TEST(CubicBezierFill, FarRowsAcrossTheBaseRow) {
  Canvas c(30, 30);
  RAST_FillCBezier(&c, 0, -1.9e9f, 3, -1.9e9f, 6, 1.9e9f, 29, 1.9e9f, 15, kWhite, 1.0f, kCopy,
                   1e10f);
  RAST_FillCBezier(&c, 0, 1.9e9f, 3, 1.9e9f, 6, -1.9e9f, 29, -1.9e9f, 1 << 30, kWhite, 1.0f, kCopy,
                   1e10f);
  EXPECT_TRUE(c.guardIntact());
  EXPECT_FALSE(c.changed().empty());
}

}  // namespace
