// Anti-aliased float lines and dashed lines.
#include "rast/rast_line.h"
#include "shape_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

namespace {

using shapetest::Canvas;
using shapetest::kCopy;
using shapetest::PixelSet;
using shapetest::Rng;

constexpr RAST_pixel kWhite = 0xffffffffu;

RAST_pixel CopyOnBlack(int w) {
  return RAST_BlendCopy(0, kWhite, RAST_Weight(w));
}

TEST(FLine, HorizontalLineOnARowAndBetweenRows) {
  Canvas c(20, 20);
  RAST_FLine(&c, 2.0f, 10.0f, 12.0f, 10.0f, kWhite, 1.0f, kCopy, true);
  for (int x = 2; x <= 12; ++x) {
    EXPECT_EQ(c.at(x, 10), CopyOnBlack(255)) << x;
    EXPECT_EQ(c.at(x, 11), 0u) << x;  // weight 0 leaves it alone
  }
  Canvas h(20, 20);
  RAST_FLine(&h, 2.0f, 10.5f, 12.0f, 10.5f, kWhite, 1.0f, kCopy, true);
  EXPECT_EQ(h.at(5, 10), CopyOnBlack(127));
  EXPECT_EQ(h.at(5, 11), CopyOnBlack(128));
  // At a lower alpha both weights scale: ((255 - f) * a) >> 8.
  Canvas q(20, 20);
  RAST_FLine(&q, 2.0f, 10.5f, 12.0f, 10.5f, kWhite, 0.5f, kCopy, true);
  EXPECT_EQ(q.at(5, 10), CopyOnBlack((127 * 128) >> 8));
  EXPECT_EQ(q.at(5, 11), CopyOnBlack((128 * 128) >> 8));
}

TEST(FLine, LastRowAndColumnAreOutsideTheAcceptedRegion) {
  Canvas c(10, 10);
  RAST_FLine(&c, 0.0f, 9.0f, 9.0f, 9.0f, kWhite, 1.0f, kCopy, true);
  RAST_FLine(&c, 9.0f, 0.0f, 9.0f, 9.0f, kWhite, 1.0f, kCopy, true);
  EXPECT_TRUE(c.changed().empty()) << c.ascii();
  Canvas f(10, 10, true);
  RAST_FLine(&f, 0.0f, 0.0f, 9.0f, 0.0f, kWhite, 1.0f, kCopy, true);
  EXPECT_TRUE(f.changed().empty()) << f.ascii();
}

TEST(FLine, NothingForEqualPointsOutsideOrUnusableValues) {
  const float nan = std::numeric_limits<float>::quiet_NaN(),
              inf = std::numeric_limits<float>::infinity();
  Canvas c(10, 10);
  RAST_FLine(&c, 3.5f, 3.5f, 3.5f, 3.5f, kWhite, 1.0f, kCopy, true);
  RAST_FLine(&c, -5.0f, -5.0f, -1.0f, -9.0f, kWhite, 1.0f, kCopy, true);
  RAST_FLine(&c, 20.0f, 1.0f, 30.0f, 8.0f, kWhite, 1.0f, kCopy, true);
  for (bool aa : {false, true}) {
    RAST_FLine(&c, nan, 1.0f, 5.0f, 5.0f, kWhite, 1.0f, kCopy, aa);
    RAST_FLine(&c, 1.0f, 1.0f, inf, 5.0f, kWhite, 1.0f, kCopy, aa);
    RAST_FLine(&c, 1.0f, -inf, 5.0f, 5.0f, kWhite, 1.0f, kCopy, aa);
    RAST_FLine(&c, 1.0f, 1.0f, 3e9f, 5.0f, kWhite, 1.0f, kCopy, aa);
    RAST_FLine(&c, 1.0f, 1.0f, 5.0f, 5.0f, kWhite, nan, kCopy, aa);
  }
  RAST_FLine(nullptr, 1.0f, 1.0f, 5.0f, 5.0f, kWhite, 1.0f, kCopy, true);
  EXPECT_TRUE(c.changed().empty()) << c.ascii();
}

TEST(FLine, WithoutAntiAliasingIsTheIntegerLineOfTheTruncatedPoints) {
  Canvas a(30, 30), b(30, 30);
  RAST_FLine(&a, 2.9f, 3.7f, 25.2f, 17.9f, 0x8040c0ffu, 0.9f, RAST_BlendMode(1), false);
  RAST_Line(&b, 2, 3, 25, 17, 0x8040c0ffu, 0.9f, RAST_BlendMode(1), false);
  EXPECT_EQ(a.picture(), b.picture());
}

TEST(FLine, SlopedLinePairsSumToFullWeight) {
  Canvas c(40, 40);
  RAST_FLine(&c, 3.25f, 5.5f, 33.0f, 20.75f, kWhite, 1.0f, kCopy, true);
  // x-major: each drawn column holds one pair, whose copy weights add up to 255.
  for (int x = 4; x <= 33; ++x) {
    int sum = 0;
    for (int y = 0; y < 40; ++y) sum += int(c.at(x, y) & 0xff);
    EXPECT_GE(sum, 254) << x;
    EXPECT_LE(sum, 256) << x;
  }
  EXPECT_EQ(c.at(3, 5) | c.at(34, 20), 0u);  // before ceil(start) and after floor(end)
}

TEST(FLine, ClipperAcceptsAndRejects) {
  float x1 = -10, y1 = 5, x2 = 20, y2 = 5;
  ASSERT_TRUE(RAST_ClipFLine(&x1, &y1, &x2, &y2, 10, 10));
  EXPECT_EQ(x1, 0.0f);
  EXPECT_EQ(x2, 8.0f);
  float a = -10, b = -1, cc = 20, d = -5;
  EXPECT_FALSE(RAST_ClipFLine(&a, &b, &cc, &d, 10, 10));
  // A one-pixel-wide bitmap has no accepted region: the attempts run out.
  float e = 0, f = 0, g = 0, h = 5;
  EXPECT_FALSE(RAST_ClipFLine(&e, &f, &g, &h, 1, 10));
}

// Random float lines at every angle, partly or wholly outside, on both row orders: every
// anti-aliased pair stays inside the bitmap.
TEST(FLine, RandomLinesStayInside) {
  Rng rng(21);
  for (int i = 0; i < 3000; ++i) {
    Canvas c(17, 13, i % 2);
    const float x1 = rng.frange(-30, 50), y1 = rng.frange(-30, 50), x2 = rng.frange(-30, 50),
                y2 = rng.frange(-30, 50);
    RAST_FLine(&c, x1, y1, x2, y2, kWhite, 1.0f, RAST_BlendMode(i % 6), true);
    ASSERT_TRUE(c.guardIntact()) << x1 << "," << y1 << " " << x2 << "," << y2;
  }
}

// The anti-aliased walk transcribed step by step (after the clipper, which has its own tests):
// the pixel pairs and their weights must match exactly, on both row orders.
void ReferenceFLine(Canvas& c, float x1, float y1, float x2, float y2, RAST_pixel col, int a) {
  const int W = c.getWidth(), H = c.getHeight();
  if (!RAST_ClipFLine(&x1, &y1, &x2, &y2, W, H) || (x1 == x2 && y1 == y2)) return;
  const bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);
  float ms = xMajor ? x1 : y1, me = xMajor ? x2 : y2, ns = xMajor ? y1 : x1, ne = xMajor ? y2 : x2;
  if (me - ms < 0) std::swap(ms, me), std::swap(ns, ne);
  const float slope = (ne - ns) / (me - ms);
  const float m = (std::ceil(ms) - ms) * slope + ns;
  const int n = int(std::floor(me) - std::ceil(ms));
  int f16 = int((m - std::floor(m)) * 65536);
  const int step = int(std::fabs(slope) * 65536);
  int major = int(std::ceil(ms)), minor = int(m);
  const int dir = ne - ns < 0 ? -1 : 1;
  if (dir < 0) minor += 1, f16 = 65535 - f16;
  auto put = [&](int mj, int mn, int w) {
    RAST_pixel& p = xMajor ? c.stored(mj, mn) : c.stored(mn, mj);
    p = RAST_BlendCopy(p, col, RAST_Weight(w));
  };
  for (int i = 0; i <= n; ++i) {
    const int f = f16 >> 8;
    put(major, minor, ((255 - f) * a) >> 8);
    put(major, minor + dir, (f * a) >> 8);
    f16 += step;
    if (f16 >= 65536) f16 -= 65536, minor += dir;
    ++major;
  }
}

TEST(FLine, MatchesTheReferenceWalk) {
  Rng rng(33);
  const RAST_pixel bg = 0x3060a0c0u, col = 0xf0d01080u;
  for (int i = 0; i < 3000; ++i) {
    const bool flipped = i % 2;
    const float x1 = rng.frange(-8, 40), y1 = rng.frange(-8, 30), x2 = rng.frange(-8, 40),
                y2 = rng.frange(-8, 30);
    const float alpha = i % 3 ? rng.frange(0.01f, 1.0f) : 1.0f;
    Canvas got(33, 23, flipped, bg), want(33, 23, false, bg);
    RAST_FLine(&got, x1, y1, x2, y2, col, alpha, kCopy, true);
    const float m1 = flipped ? 22 - y1 : y1, m2 = flipped ? 22 - y2 : y2;
    ReferenceFLine(want, x1, m1, x2, m2, col, int(alpha * 256));
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 33; ++x)
        ASSERT_EQ(got.stored(x, y), want.stored(x, y))
            << i << ": " << x1 << "," << y1 << " " << x2 << "," << y2 << " at " << x << "," << y;
  }
}

TEST(DashedLine, FastPathEveryOtherRow) {
  Canvas c(3, 6);
  RAST_DashedLine(&c, 0, 0, 0, 4, 1, 1, kWhite, kCopy, 1.0f);
  EXPECT_EQ(c.changed(), (PixelSet{{0, 0}, {0, 2}}));
  Canvas one(3, 6);
  RAST_DashedLine(&one, 1, 3, 1, 3, 1, 1, kWhite, kCopy, 1.0f);
  EXPECT_TRUE(one.changed().empty());
}

TEST(DashedLine, PatternStopsBeforeTheEndPoint) {
  Canvas c(16, 2);
  RAST_DashedLine(&c, 0, 0, 12, 0, 3, 2, kWhite, kCopy, 0.8f);
  EXPECT_EQ(c.changed(),
            (PixelSet{{0, 0}, {1, 0}, {2, 0}, {5, 0}, {6, 0}, {7, 0}, {10, 0}, {11, 0}}));
  // The same from the other end: the ends are ordered first.
  Canvas r(16, 2);
  RAST_DashedLine(&r, 12, 0, 0, 0, 3, 2, kWhite, kCopy, 0.8f);
  EXPECT_EQ(r.picture(), c.picture());
  Canvas v(2, 16);
  RAST_DashedLine(&v, 1, 12, 1, 0, 3, 2, kWhite, RAST_BlendMode(1), 1.0f);
  EXPECT_EQ(v.changed().size(), 8u);
  EXPECT_EQ(v.at(1, 11), kWhite);
  EXPECT_EQ(v.at(1, 12), 0u);
}

TEST(DashedLine, BottomUpBitmapShowsTheSameColumns) {
  Canvas top(16, 4), bottom(16, 4, true);
  RAST_DashedLine(&top, 1, 2, 14, 2, 2, 2, kWhite, kCopy, 1.0f);
  RAST_DashedLine(&bottom, 1, 2, 14, 2, 2, 2, kWhite, kCopy, 1.0f);
  EXPECT_EQ(top.picture(), bottom.picture());
  EXPECT_EQ(bottom.at(1, 2), kWhite);
  EXPECT_TRUE(bottom.guardIntact());
}

TEST(DashedLine, WeightsAndModes) {
  const RAST_pixel bg = 0x11335577u, col = 0xffeeddccu;
  Canvas c(8, 1, false, bg);
  RAST_DashedLine(&c, 0, 0, 7, 0, 2, 1, col, kCopy, 0.5f);
  RAST_pixel avg = 0;
  for (int sh = 0; sh < 32; sh += 8) avg |= (((bg >> sh) & 0xff) + ((col >> sh) & 0xff)) >> 1 << sh;
  EXPECT_EQ(c.at(0, 0), avg);
  EXPECT_EQ(c.at(2, 0), bg);
  Canvas m(8, 1, false, bg);
  RAST_DashedLine(&m, 0, 0, 7, 0, 2, 1, col, RAST_BlendMode(3), 0.3f);
  EXPECT_EQ(m.at(1, 0), RAST_BlendMul(bg, col, RAST_Weight::FromAlpha(0.3f)));
}

// A sloped line, no "on" pixels or a period that never advances draw nothing and return.
TEST(DashedLine, DegenerateCallsDrawNothing) {
  Canvas c(10, 10);
  RAST_DashedLine(&c, 0, 0, 9, 9, 2, 2, kWhite, kCopy, 1.0f);
  RAST_DashedLine(&c, 0, 0, 9, 0, 0, 0, kWhite, kCopy, 1.0f);
  RAST_DashedLine(&c, 0, 0, 9, 0, 0, 3, kWhite, kCopy, 1.0f);
  RAST_DashedLine(&c, 0, 0, 9, 0, 3, -3, kWhite, kCopy, 1.0f);
  RAST_DashedLine(&c, 0, 0, 9, 0, -1, 1, kWhite, kCopy, 1.0f);
  RAST_DashedLine(&c, 0, 0, 9, 0, 2, 2, kWhite, RAST_BlendMode(6), 1.0f);
  RAST_DashedLine(&c, 0, 0, 9, 0, 2, 2, kWhite, kCopy, 0.003f);
  RAST_DashedLine(nullptr, 0, 0, 9, 0, 2, 2, kWhite, kCopy, 1.0f);
  EXPECT_TRUE(c.changed().empty()) << c.ascii();
  // A negative "off" count with a forward period still advances: the dashes overlap.
  Canvas o(12, 1);
  RAST_DashedLine(&o, 0, 0, 9, 0, 3, -1, kWhite, kCopy, 1.0f);
  EXPECT_EQ(o.changed().size(), 9u) << o.ascii();
  // Huge counts neither overflow nor loop.
  RAST_DashedLine(&c, 0, 0, 9, 0, INT32_MAX, INT32_MAX, kWhite, kCopy, 1.0f);
  EXPECT_EQ(c.changed().size(), 9u);
  EXPECT_TRUE(c.guardIntact());
}

}  // namespace
