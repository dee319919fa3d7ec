#include "rast/rast_line.h"
#include "shape_canvas.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

using shapetest::Canvas;
using shapetest::kCopy;
using shapetest::PixelSet;
using shapetest::Rng;

constexpr RAST_pixel kWhite = 0xffffffffu;

TEST(Line, PointsAndShortRuns) {
  Canvas c(8, 8);
  RAST_Line(&c, 5, 5, 5, 5, kWhite, 1.0f, kCopy, false);
  EXPECT_EQ(c.changed(), (PixelSet{{5, 5}}));
  Canvas d(8, 8);
  RAST_Line(&d, 0, 0, 3, 0, kWhite, 1.0f, kCopy, true);
  EXPECT_EQ(d.changed(), (PixelSet{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
}

TEST(Line, GeneralLinePixelSetBothDirections) {
  PixelSet expected;
  const int rows[][3] = {{3, 2, 3},   {4, 4, 6},   {5, 7, 9},  {6, 10, 12},
                         {7, 13, 15}, {8, 16, 18}, {9, 19, 20}};
  for (auto& r : rows)
    for (int x = r[1]; x <= r[2]; ++x) expected.insert({x, r[0]});
  for (bool reversed : {false, true}) {
    Canvas c(24, 12);
    if (reversed)
      RAST_Line(&c, 20, 9, 2, 3, kWhite, 1.0f, kCopy, false);
    else
      RAST_Line(&c, 2, 3, 20, 9, kWhite, 1.0f, kCopy, false);
    EXPECT_EQ(c.changed(), expected) << c.ascii();
  }
}

// Plain and anti-aliased general lines give the same pixels whichever end comes first, in every
// octant, steep and shallow, odd and even lengths.
TEST(Line, DirectionIndependence) {
  Rng rng(7);
  for (int i = 0; i < 400; ++i) {
    const int x1 = rng.range(0, 39), y1 = rng.range(0, 39), x2 = rng.range(0, 39),
              y2 = rng.range(0, 39);
    if (std::abs(x2 - x1) == std::abs(y2 - y1) && x1 != x2) continue;  // diagonals differ by design
    for (bool aa : {false, true}) {
      for (float alpha : {1.0f, 0.7f}) {
        Canvas a(40, 40, false, 0x10203040u), b(40, 40, false, 0x10203040u);
        RAST_Line(&a, x1, y1, x2, y2, 0xa0b0c0d0u, alpha, kCopy, aa);
        RAST_Line(&b, x2, y2, x1, y1, 0xa0b0c0d0u, alpha, kCopy, aa);
        ASSERT_EQ(a.picture(), b.picture())
            << x1 << "," << y1 << " " << x2 << "," << y2 << " aa " << aa;
      }
    }
  }
}

// Each pixel of a plain line is within half a pixel (plus the fixed-point error) of the exact line,
// and there is exactly one pixel per step along the major axis.
TEST(Line, PlainLineFollowsTheExactLine) {
  Rng rng(11);
  for (int i = 0; i < 300; ++i) {
    const int x1 = rng.range(0, 59), y1 = rng.range(0, 59), x2 = rng.range(0, 59),
              y2 = rng.range(0, 59);
    Canvas c(60, 60);
    RAST_Line(&c, x1, y1, x2, y2, kWhite, 1.0f, kCopy, false);
    const int dx = x2 - x1, dy = y2 - y1;
    const bool xMajor = std::abs(dy) < std::abs(dx);
    const int n = std::max(std::abs(dx), std::abs(dy));
    PixelSet got = c.changed();
    ASSERT_EQ(int(got.size()), n + 1) << x1 << "," << y1 << " " << x2 << "," << y2;
    for (auto [x, y] : got) {
      if (n == 0) break;
      const double t = xMajor ? double(x - x1) / dx : double(y - y1) / dy;
      const double exact = xMajor ? y1 + t * dy : x1 + t * dx;
      EXPECT_LE(std::fabs((xMajor ? y : x) - exact), 0.5 + 1e-3 * n) << x << "," << y;
    }
  }
}

// General lines transcribed step by step on pixel positions: both cursors, the 16.16 accumulator,
// the middle pixel or pair, the anti-aliased weights. Copy mode, so each write is RAST_BlendCopy
// (or the store at 256, the same word).
void ReferenceGeneralLine(Canvas& c, int x1, int y1, int x2, int y2, RAST_pixel col, int ia,
                          bool aa) {
  const bool xMajor = std::abs(y2 - y1) < std::abs(x2 - x1);
  int D = xMajor ? x2 - x1 : y2 - y1, m = xMajor ? y2 - y1 : x2 - x1;
  int sx = x1, sy = y1, ex = x2, ey = y2;
  if (D < 0) std::swap(sx, ex), std::swap(sy, ey), D = -D, m = -m;
  const int slope = int(double(std::abs(m)) / double(D) * 65536.0);
  const int mj[2] = {xMajor ? 1 : 0, xMajor ? 0 : 1},
            mn[2] = {xMajor ? 0 : (m >= 0 ? 1 : -1), xMajor ? (m >= 0 ? 1 : -1) : 0};
  auto put = [&](int x, int y, int w) {
    c.at(x, y) = RAST_BlendCopy(c.at(x, y), col, RAST_Weight(w));
  };
  auto major = [&] { sx += mj[0], sy += mj[1], ex -= mj[0], ey -= mj[1]; };
  auto minor = [&] { sx += mn[0], sy += mn[1], ex -= mn[0], ey -= mn[1]; };
  const int half = (D + 1) / 2;
  if (!aa) {
    int acc = 0;
    for (int i = 0; i < half; ++i) {
      put(sx, sy, ia), put(ex, ey, ia);
      acc += slope;
      if (acc >= 32768) acc -= 65536, minor();
      major();
    }
    if (D % 2 == 0) put(sx, sy, ia);
    return;
  }
  auto pw = [&](int f) { return ia == 256 ? 255 - f : ((255 - f) * ia) >> 8; };
  auto sw = [&](int f) { return ia == 256 ? f : (f * ia) >> 8; };
  put(sx, sy, ia), put(ex, ey, ia);
  major();
  int acc = slope;
  if (D >= 3) {
    for (int i = 0; i < half - 1; ++i) {
      const int f = acc >> 8;
      put(sx, sy, pw(f)), put(sx + mn[0], sy + mn[1], sw(f));
      put(ex, ey, pw(f)), put(ex - mn[0], ey - mn[1], sw(f));
      acc += slope;
      if (acc >= 65536) acc -= 65536, minor();
      major();
    }
  }
  if (D % 2 == 0) {
    const int f = acc >> 8;
    put(sx, sy, pw(f)), put(sx + mn[0], sy + mn[1], sw(f));
  }
}

TEST(Line, GeneralLinesMatchTheReferenceWalk) {
  Rng rng(19);
  const RAST_pixel bg = 0x2468ace0u, col = 0xf1d3b597u;
  for (int i = 0; i < 2000; ++i) {
    const int x1 = rng.range(1, 30), y1 = rng.range(1, 24), x2 = rng.range(1, 30),
              y2 = rng.range(1, 24);
    const int dx = x2 - x1, dy = y2 - y1;
    if (dx == 0 || dy == 0 || std::abs(dx) == std::abs(dy)) continue;
    const bool aa = i % 2;
    const float alpha = i % 3 ? rng.frange(0.01f, 1.0f) : 1.0f;
    const int ia = int(alpha * 256);
    if (ia == 0 || (!aa && ia == 128)) continue;  // the plain 128 average has its own test
    Canvas got(32, 26, false, bg), want(32, 26, false, bg);
    RAST_Line(&got, x1, y1, x2, y2, col, alpha, kCopy, aa);
    ReferenceGeneralLine(want, x1, y1, x2, y2, col, ia, aa);
    ASSERT_EQ(got.picture(), want.picture())
        << x1 << "," << y1 << " " << x2 << "," << y2 << " aa " << aa << " ia " << ia;
  }
}

TEST(Line, ClipperKeepsEdgeCrossings) {
  int x1 = 50, y1 = 0, x2 = 150, y2 = 100;
  ASSERT_TRUE(RAST_ClipLine(&x1, &y1, &x2, &y2, 100, 200));
  EXPECT_EQ(x2, 99);
  EXPECT_EQ(y2, 50);
  EXPECT_EQ(x1, 50);
  EXPECT_EQ(y1, 0);
  int a = -10, b = 5, cc = 5, d = 5;
  EXPECT_FALSE(RAST_ClipLine(&a, &b, &cc, &d, 4, 4));
}

TEST(Line, SegmentsBesideOrAcrossASmallBitmap) {
  Canvas c(4, 4);
  RAST_Line(&c, -10, 5, 5, 5, kWhite, 1.0f, kCopy, false);
  EXPECT_TRUE(c.changed().empty());
  RAST_Line(&c, -10, 2, 5, 2, kWhite, 1.0f, kCopy, false);
  EXPECT_EQ(c.changed(), (PixelSet{{0, 2}, {1, 2}, {2, 2}, {3, 2}}));
  EXPECT_TRUE(c.guardIntact());
}

// Clipped lines stay inside the bitmap and near the unclipped line drawn on a larger bitmap: each
// pixel of the clipped drawing lies within one pixel of one of the unclipped line.
TEST(Line, ClippingAtEveryEdgeStaysNearTheUnclippedLine) {
  Rng rng(3);
  const int ox = 30, oy = 30;
  for (int i = 0; i < 400; ++i) {
    const int x1 = rng.range(-30, 50), y1 = rng.range(-30, 50), x2 = rng.range(-30, 50),
              y2 = rng.range(-30, 50);
    const bool aa = i % 2;
    Canvas big(80, 80), small(20, 20);
    RAST_Line(&big, x1 + ox, y1 + oy, x2 + ox, y2 + oy, kWhite, 1.0f, kCopy, aa);
    RAST_Line(&small, x1, y1, x2, y2, kWhite, 1.0f, kCopy, aa);
    ASSERT_TRUE(small.guardIntact());
    PixelSet ref = big.changed();
    for (auto [x, y] : small.changed()) {
      bool near = false;
      for (int ddx = -1; ddx <= 1 && !near; ++ddx)
        for (int ddy = -1; ddy <= 1 && !near; ++ddy)
          near = ref.count({x + ox + ddx, y + oy + ddy}) > 0;
      ASSERT_TRUE(near) << x1 << "," << y1 << " " << x2 << "," << y2 << " at " << x << "," << y;
    }
    // Horizontal and vertical lines clip exactly.
    if (x1 == x2 || y1 == y2) {
      ASSERT_TRUE(shapetest::SameWindow(big, ox, oy, small));
    }
  }
}

TEST(Line, ExtremeCoordinatesStayInside) {
  Rng rng(5);
  const int extremes[] = {INT_MIN, INT_MIN + 1, -1000000000, -5,          0,
                          7,       15,          1000000000,  INT_MAX - 1, INT_MAX};
  for (int i = 0; i < 2000; ++i) {
    Canvas c(16, 12, i % 3 == 0);
    auto pick = [&] { return rng.next() % 2 ? extremes[rng.next() % 10] : rng.range(-20, 30); };
    RAST_Line(&c, pick(), pick(), pick(), pick(), kWhite, 1.0f, RAST_BlendMode(int(rng.next() % 7)),
              i % 2);
    ASSERT_TRUE(c.guardIntact()) << i;
  }
}

TEST(Line, ExactAlphaShortcutsOfRuns) {
  const RAST_pixel d = 0x13579bdfu, col = 0xfdb97531u;
  Canvas c(4, 1, false, d);
  RAST_Line(&c, 0, 0, 3, 0, col, 0.5f, kCopy, false);
  EXPECT_EQ(c.at(0, 0), RAST_MixHalf(d, col));
  Canvas q(1, 4, false, d);
  RAST_Line(&q, 0, 0, 0, 3, col, 0.25f, kCopy, false);
  EXPECT_EQ(q.at(0, 3), RAST_MixQuarter(d, col));
  RAST_Line(&q, 0, 0, 0, 3, col, 0.75f, kCopy, false);
  EXPECT_EQ(q.at(0, 2), RAST_MixThreeQuarter(RAST_MixQuarter(d, col), col));
  // Just above 0.5 the weight is 129: the per-byte copy.
  Canvas w(4, 1, false, d);
  RAST_Line(&w, 0, 0, 3, 0, col, 0.50390625f, kCopy, false);
  EXPECT_EQ(w.at(2, 0), RAST_BlendCopy(d, col, RAST_Weight(129)));
  // 0.5001 truncates to 128 but is not exactly 0.5: (d + c) >> 1 per byte.
  Canvas v(4, 1, false, d);
  RAST_Line(&v, 0, 0, 3, 0, col, 0.5001f, kCopy, false);
  RAST_pixel avg = 0;
  for (int sh = 0; sh < 32; sh += 8) avg |= (((d >> sh) & 0xff) + ((col >> sh) & 0xff)) >> 1 << sh;
  EXPECT_EQ(v.at(1, 0), avg);
}

// Diagonals and general lines have no exact-alpha word mixes: at alpha 0.5 (weight 128) the plain
// copy is (d + c) >> 1 per byte, which differs from the half mix where both bytes are odd.
TEST(Line, DiagonalAndGeneralLinesAtHalfAlphaAverageEachByte) {
  const RAST_pixel d = 0x13579bdfu, col = 0xfdb97531u;
  RAST_pixel avg = 0;
  for (int sh = 0; sh < 32; sh += 8) avg |= (((d >> sh) & 0xff) + ((col >> sh) & 0xff)) >> 1 << sh;
  ASSERT_NE(avg, RAST_MixHalf(d, col));
  Canvas diag(6, 6, false, d), general(10, 6, false, d);
  RAST_Line(&diag, 0, 0, 5, 5, col, 0.5f, kCopy, false);
  RAST_Line(&general, 0, 0, 9, 3, col, 0.5f, kCopy, false);
  EXPECT_EQ(diag.at(3, 3), avg);
  EXPECT_EQ(general.at(0, 0), avg);
  EXPECT_EQ(general.at(9, 3), avg);
  // At alpha 1.0 both store the colour word.
  RAST_Line(&diag, 5, 0, 0, 5, col, 1.0f, kCopy, false);
  EXPECT_EQ(diag.at(4, 1), col);
}

TEST(Line, ModeWordAndWeightGates) {
  Canvas c(8, 1);
  RAST_Line(&c, 0, 0, 7, 0, 0x11223344u, 1.0f, RAST_BlendMode(0x10000), false);
  EXPECT_EQ(c.at(3, 0), 0x11223344u);
  for (int m : {6, 7, 0x20006, 255}) {
    Canvas n(8, 8);
    RAST_Line(&n, 0, 0, 7, 3, kWhite, 1.0f, RAST_BlendMode(m), true);
    RAST_Line(&n, 0, 0, 7, 0, kWhite, 1.0f, RAST_BlendMode(m), false);
    EXPECT_TRUE(n.changed().empty()) << m;
  }
  Canvas z(8, 8);
  for (bool aa : {false, true}) {
    RAST_Line(&z, 0, 0, 7, 3, kWhite, 0.003f, kCopy, aa);
    RAST_Line(&z, 0, 0, 7, 7, kWhite, 0.003f, kCopy, aa);
    RAST_Line(&z, 0, 0, 7, 0, kWhite, 0.003f, kCopy, aa);
    RAST_Line(&z, 0, 0, 7, 3, kWhite, -1.0f, kCopy, aa);
  }
  EXPECT_TRUE(z.changed().empty());
  RAST_Line(nullptr, 0, 0, 5, 5, kWhite, 1.0f, kCopy, true);
}

TEST(Line, AntiAliasedDiagonalAtFullAlpha) {
  const RAST_pixel bg = 0x20406080u, col = 0xf0e0d0c0u;
  Canvas c(6, 6, false, bg);
  RAST_Line(&c, 1, 1, 4, 4, col, 1.0f, kCopy, true);
  const RAST_pixel line = RAST_MixThreeQuarter(bg, col), side = RAST_MixQuarter(bg, col);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(c.at(k, k), line) << k;
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(c.at(k + 1, k), side) << k;
    EXPECT_EQ(c.at(k, k + 1), side) << k;
  }
  EXPECT_EQ(c.at(5, 4), bg);  // nothing beside the last pixel
  EXPECT_EQ(c.at(4, 5), bg);
  EXPECT_EQ(c.changed(bg).size(), 4u + 6u);
  // At other weights: 3/4 and 1/4 of the integer weight, through the mode's write.
  Canvas d(6, 6, false, bg);
  RAST_Line(&d, 4, 1, 1, 4, col, 0.5f, RAST_BlendMode(1), true);
  EXPECT_EQ(d.at(4, 1), RAST_BlendAdd(bg, col, RAST_Weight(96)));
  EXPECT_EQ(d.at(3, 1), RAST_BlendAdd(bg, col, RAST_Weight(32)));
}

TEST(Line, AntiAliasedGeneralLineWeights) {
  Canvas c(12, 6);
  RAST_Line(&c, 0, 0, 10, 5, 0xffffffffu, 1.0f, kCopy, true);
  // End pixels at full weight: the copy of white at 256.
  EXPECT_EQ(c.at(0, 0), 0xffffffffu);
  EXPECT_EQ(c.at(10, 5), 0xffffffffu);
  // Each inner column holds a pair whose weights add up to 255 (copy on black: the byte is the
  // weight less a rounding step at most).
  for (int x = 1; x < 10; ++x) {
    int sum = 0;
    for (int y = 0; y < 6; ++y) sum += int(c.at(x, y) & 0xff);
    EXPECT_GE(sum, 253) << x;
    EXPECT_LE(sum, 255) << x;
  }
}

TEST(Line, BottomUpBitmapDrawsTheSamePicture) {
  Rng rng(9);
  for (int i = 0; i < 200; ++i) {
    const int x1 = rng.range(-5, 25), y1 = rng.range(-5, 25), x2 = rng.range(-5, 25),
              y2 = rng.range(-5, 25);
    Canvas top(20, 20), bottom(20, 20, true);
    RAST_Line(&top, x1, y1, x2, y2, 0x80ff40c0u, 0.8f, RAST_BlendMode(i % 6), i % 2);
    RAST_Line(&bottom, x1, y1, x2, y2, 0x80ff40c0u, 0.8f, RAST_BlendMode(i % 6), i % 2);
    // The picture is the same except where the mirrored clip truncates differently. The middle
    // pair of an anti-aliased line of even length leans towards the walk's far end, which the
    // mirroring swaps: there only the pixel set must agree.
    if (y1 >= 0 && y1 < 20 && y2 >= 0 && y2 < 20 && x1 >= 0 && x1 < 20 && x2 >= 0 && x2 < 20) {
      if (i % 2) {
        ASSERT_EQ(top.changed(), bottom.changed()) << i;
      } else {
        ASSERT_EQ(top.picture(), bottom.picture()) << i;
      }
    }
    ASSERT_TRUE(bottom.guardIntact());
  }
}

TEST(Line, BlendModesUseTheSolidWrite) {
  const RAST_pixel bg = 0x40808080u, col = 0xc0204060u;
  for (int m = 0; m <= 5; ++m) {
    Canvas c(8, 1, false, bg);
    RAST_Line(&c, 0, 0, 7, 0, col, 0.6f, RAST_BlendMode(m), false);
    RAST_pixel expect = bg;
    RAST_SolidWrite(&expect, col, RAST_Weight::FromAlpha(0.6f), RAST_BlendMode(m));
    EXPECT_EQ(c.at(4, 0), expect) << m;
  }
}

}  // namespace
