// Circles, filled circles, arcs and rounded rectangles.
#include "rast/rast_circle.h"
#include "rast/rast_line.h"
#include "rast/rast_shapes.h"
#include "shape_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

using shapetest::Canvas;
using shapetest::kCopy;
using shapetest::PixelSet;
using shapetest::Rng;

constexpr RAST_pixel kWhite = 0xffffffffu;
constexpr float kPi = 3.14159265358979f;

TEST(Circle, RadiusFivePixelSet) {
  Canvas c(21, 21);
  RAST_Circle(&c, 10, 10, 5, kWhite, 1.0f, kCopy, false);
  PixelSet expected;
  for (int x = 8; x <= 12; ++x) expected.insert({x, 5}), expected.insert({x, 15});
  for (int y : {6, 14}) expected.insert({7, y}), expected.insert({13, y});
  for (int y : {7, 13}) expected.insert({6, y}), expected.insert({14, y});
  for (int y = 8; y <= 12; ++y) expected.insert({5, y}), expected.insert({15, y});
  EXPECT_EQ(expected.size(), 28u);
  EXPECT_EQ(c.changed(), expected) << c.ascii();
  for (auto [x, y] : expected) EXPECT_EQ(c.at(x, y), kWhite);
}

// The ring masks, row by row, at the exact radii; drawn with white on black at alpha 1 each
// pixel is the copy at weight m (the mask value).
struct RingCase {
  float r;
  int side;
  std::vector<int> aa, plain;
};

std::vector<RingCase> RingCases() {
  return {
      {1.5f,
       4,
       {79, 255, 255, 79, 255, 15, 15, 255, 255, 15, 15, 255, 79, 255, 255, 79},
       {0, 255, 255, 0, 255, 0, 0, 255, 255, 0, 0, 255, 0, 255, 255, 0}},
      {2.0f,
       5,
       {15, 191, 255, 191, 15, 191, 209, 79, 209, 191, 255, 79, 0,
        79, 255, 191, 209, 79, 209, 191, 15, 191, 255, 191, 15},
       {0, 0, 255, 0, 0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0}},
      {2.5f,
       6,
       {15,  191, 255, 255, 191, 15,  191, 209, 79, 79, 209, 191, 255, 79,  0,   0,   79,  255,
        255, 79,  0,   0,   79,  255, 191, 209, 79, 79, 209, 191, 15,  191, 255, 255, 191, 15},
       {0,   0, 255, 255, 0, 0,   0, 255, 0, 0, 255, 0, 255, 0, 0,   0,   0, 255,
        255, 0, 0,   0,   0, 255, 0, 255, 0, 0, 255, 0, 0,   0, 255, 255, 0, 0}},
      {3.0f,
       7,
       {0,   143, 255, 255, 255, 143, 0,   143, 255, 97,  64,  97,  255, 143, 255, 112, 0,
        0,   0,   112, 255, 255, 48,  0,   0,   0,   48,  255, 255, 112, 0,   0,   0,   112,
        255, 143, 255, 97,  64,  97,  255, 143, 0,   143, 255, 255, 255, 143, 0},
       {0,   0, 255, 255, 255, 0, 0,   0, 255, 0, 0,   0,   255, 0, 255, 0, 0,
        0,   0, 0,   255, 255, 0, 0,   0, 0,   0, 255, 255, 0,   0, 0,   0, 0,
        255, 0, 255, 0,   0,   0, 255, 0, 0,   0, 255, 255, 255, 0, 0}},
      {3.5f,
       8,
       {0,   79,  222, 255, 255, 222, 79,  0,   79,  255, 176, 64,  64,  176, 255, 79,
        222, 176, 0,   0,   0,   0,   176, 222, 255, 64,  0,   0,   0,   0,   64,  255,
        255, 64,  0,   0,   0,   0,   64,  255, 222, 176, 0,   0,   0,   0,   176, 222,
        79,  255, 176, 64,  64,  176, 255, 79,  0,   79,  222, 255, 255, 222, 79,  0},
       {0,   0,   255, 255, 255, 255, 0,   0,   0,   255, 255, 0,   0,   255, 255, 0,
        255, 255, 0,   0,   0,   0,   255, 255, 255, 0,   0,   0,   0,   0,   0,   255,
        255, 0,   0,   0,   0,   0,   0,   255, 255, 255, 0,   0,   0,   0,   255, 255,
        0,   255, 255, 0,   0,   255, 255, 0,   0,   0,   255, 255, 255, 255, 0,   0}},
      {4.0f,
       9,
       {0,  31,  176, 255, 255, 255, 176, 31,  0,   31,  240, 209, 79, 64,  79,  209, 240,
        31, 176, 209, 15,  0,   0,   0,   15,  209, 176, 255, 79,  0,  0,   0,   0,   0,
        79, 255, 255, 48,  0,   0,   0,   0,   0,   48,  255, 255, 79, 0,   0,   0,   0,
        0,  79,  255, 176, 209, 15,  0,   0,   0,   15,  209, 176, 31, 240, 209, 79,  64,
        79, 209, 240, 31,  0,   31,  176, 255, 255, 255, 176, 31,  0},
       {0, 0,   255, 255, 255, 255, 255, 0,   0,   0,   255, 255, 0, 0,   0,   255, 255,
        0, 255, 255, 0,   0,   0,   0,   0,   255, 255, 255, 0,   0, 0,   0,   0,   0,
        0, 255, 255, 0,   0,   0,   0,   0,   0,   0,   255, 255, 0, 0,   0,   0,   0,
        0, 0,   255, 255, 255, 0,   0,   0,   0,   0,   255, 255, 0, 255, 255, 0,   0,
        0, 255, 255, 0,   0,   0,   255, 255, 255, 255, 255, 0,   0}},
  };
}

TEST(Circle, RingMasksAtTheExactRadii) {
  for (const RingCase& k : RingCases()) {
    ASSERT_EQ(int(k.aa.size()), k.side * k.side);
    ASSERT_EQ(int(k.plain.size()), k.side * k.side);
    for (bool aa : {false, true}) {
      for (bool flipped : {false, true}) {
        Canvas c(16, 16, flipped);
        const float cx = 7.3f, cy = 6.8f;
        RAST_Circle(&c, cx, cy, k.r, kWhite, 1.0f, kCopy, aa);
        const int x0 = int(cx - k.r), y0 = int(cy - k.r);
        const std::vector<int>& mask = aa ? k.aa : k.plain;
        for (int y = 0; y < 16; ++y)
          for (int x = 0; x < 16; ++x) {
            const bool in = x >= x0 && x < x0 + k.side && y >= y0 && y < y0 + k.side;
            const int m = in ? mask[size_t((y - y0) * k.side + (x - x0))] : 0;
            const RAST_pixel expect = m ? RAST_BlendCopy(0, kWhite, RAST_Weight(m * 256 / 256)) : 0;
            ASSERT_EQ(c.at(x, y), expect) << "r " << k.r << " aa " << aa << " at " << x << "," << y;
          }
      }
    }
  }
}

TEST(Circle, JustOffAMaskRadiusTakesTheGeneralPath) {
  Canvas mask(16, 16), general(16, 16);
  RAST_Circle(&mask, 8, 8, 2.0f, kWhite, 1.0f, kCopy, false);
  RAST_Circle(&general, 8, 8, 2.01f, kWhite, 1.0f, kCopy, false);
  EXPECT_NE(mask.picture(), general.picture());
  // The general path centres on trunc(c + 0.5); the mask sits at trunc(c - r).
  EXPECT_NE(general.at(8, 6), 0u);
}

TEST(Circle, FarOutsideDrawsNothingPartlyInsideIsClipped) {
  Canvas c(30, 30);
  RAST_Circle(&c, -20, 10, 5, kWhite, 1.0f, kCopy, false);
  RAST_FillCircle(&c, -20, 10, 5, kWhite, 1.0f, kCopy, true);
  RAST_Circle(&c, 10, 60, 5, kWhite, 1.0f, kCopy, true);
  EXPECT_TRUE(c.changed().empty());
  // Partly inside: exactly the window of the same circle on a larger bitmap.
  Rng rng(4);
  const int ox = 40, oy = 40;
  for (int i = 0; i < 400; ++i) {
    const float cx = rng.frange(-20, 50), cy = rng.frange(-20, 50), r = rng.frange(0, 30);
    const bool aa = i % 2, filled = (i / 2) % 2;
    const RAST_BlendMode mode(i % 6);
    Canvas big(110, 110, false, 0x40404040u), small(30, 30, false, 0x40404040u);
    if (filled) {
      RAST_FillCircle(&big, cx + ox, cy + oy, r, 0xc0a08060u, 0.9f, mode, aa);
      RAST_FillCircle(&small, cx, cy, r, 0xc0a08060u, 0.9f, mode, aa);
    } else {
      RAST_Circle(&big, cx + ox, cy + oy, r, 0xc0a08060u, 0.9f, mode, aa);
      RAST_Circle(&small, cx, cy, r, 0xc0a08060u, 0.9f, mode, aa);
    }
    ASSERT_TRUE(small.guardIntact()) << cx << "," << cy << " r " << r;
    // Centres left or above the bitmap truncate differently from the shifted ones; compare only
    // where the centre pixel is the same.
    if (cx >= 0 && cy >= 0) {
      ASSERT_TRUE(shapetest::SameWindow(big, ox, oy, small))
          << cx << "," << cy << " r " << r << " i " << i;
    }
  }
}

TEST(Circle, FilledCircleIsSymmetricAndSolidInside) {
  for (bool aa : {false, true}) {
    for (float r : {0.3f, 0.8f, 3.0f, 6.4f, 11.5f, 17.9f}) {
      Canvas c(41, 41);
      RAST_FillCircle(&c, 20, 20, r, kWhite, 1.0f, kCopy, aa);
      for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
          const RAST_pixel p = c.at(x, y);
          ASSERT_EQ(p, c.at(40 - x, y)) << r << " " << x << "," << y;
          ASSERT_EQ(p, c.at(x, 40 - y)) << r << " " << x << "," << y;
          // The anti-aliased edge is not symmetric about the diagonal (outer pixels at d = n).
          if (!aa) {
            ASSERT_EQ(p, c.at(y, x)) << r << " " << x << "," << y;
          }
          const double d = std::hypot(x - 20, y - 20);
          if (d < r - 1.5) {
            ASSERT_EQ(p, kWhite) << r << " " << x << "," << y;
          }
          if (d > r + 1.5) {
            ASSERT_EQ(p, 0u) << r << " " << x << "," << y;
          }
        }
    }
  }
}

TEST(Circle, TinyFilledCircles) {
  // Anti-aliased r < 1: the centre pixel at full weight and the four outer pixels at E.
  Canvas a(9, 9);
  RAST_FillCircle(&a, 4, 4, 0.75f, kWhite, 1.0f, kCopy, true);
  const RAST_pixel outer = RAST_BlendCopy(0, kWhite, RAST_Weight(192));
  EXPECT_EQ(a.at(4, 4), kWhite);
  EXPECT_EQ(a.at(4, 3), outer);
  EXPECT_EQ(a.at(4, 5), outer);
  EXPECT_EQ(a.at(3, 4), outer);
  EXPECT_EQ(a.at(5, 4), outer);
  EXPECT_EQ(a.changed().size(), 5u);
  // Plain r < 0.5: only the centre pixel.
  Canvas p(9, 9);
  RAST_FillCircle(&p, 4, 4, 0.4f, kWhite, 1.0f, kCopy, false);
  EXPECT_EQ(p.changed(), (PixelSet{{4, 4}}));
}

TEST(Circle, GatesAndUnusableValues) {
  const float nan = std::numeric_limits<float>::quiet_NaN(),
              inf = std::numeric_limits<float>::infinity();
  Canvas c(20, 20);
  for (bool aa : {false, true}) {
    RAST_Circle(&c, 10, 10, 5, kWhite, 0.003f, kCopy, aa);
    RAST_FillCircle(&c, 10, 10, 5, kWhite, 0.003f, kCopy, aa);
    RAST_Circle(&c, 10, 10, 5, kWhite, 1.0f, RAST_BlendMode(6), aa);
    RAST_FillCircle(&c, 10, 10, 5, kWhite, 1.0f, RAST_BlendMode(0x10006), aa);
    RAST_Circle(&c, 10, 10, -1, kWhite, 1.0f, kCopy, aa);
    RAST_Arc(&c, 10, 10, 5, 1.0f, 1.0f, kWhite, 1.0f, kCopy, aa);
    for (float v : {nan, inf, -inf, 3e9f, -3e9f}) {
      RAST_Circle(&c, v, 10, 5, kWhite, 1.0f, kCopy, aa);
      RAST_FillCircle(&c, 10, v, 5, kWhite, 1.0f, kCopy, aa);
      RAST_FillCircle(&c, 10, 10, v, kWhite, 1.0f, kCopy, aa);
      if (!std::isfinite(v)) {
        RAST_Arc(&c, 10, 10, 5, v, 1.0f, kWhite, 1.0f, kCopy,
                 aa);  // (huge finite spans: whole circle)
      }
      RAST_Arc(&c, 10, 10, v, 0.0f, 1.0f, kWhite, 1.0f, kCopy, aa);
      RAST_RoundRect(&c, 1, 1, v, 10, 3, kWhite, 1.0f, kCopy, aa);
    }
    RAST_FillCircle(&c, 10, 10, 5, kWhite, nan, kCopy, aa);
  }
  RAST_Circle(nullptr, 10, 10, 5, kWhite, 1.0f, kCopy, true);
  EXPECT_TRUE(c.changed().empty()) << c.ascii();
  Canvas m(20, 20);
  RAST_Circle(&m, 10, 10, 5, kWhite, 1.0f, RAST_BlendMode(0x10000), false);
  EXPECT_EQ(m.at(10, 5), kWhite);
}

// Huge circles crossing the bitmap are drawn in time proportional to the bitmap, not the radius.
TEST(Circle, HugeRadiiCrossingTheBitmapFinish) {
  for (bool aa : {false, true}) {
    for (bool filled : {false, true}) {
      Canvas c(40, 30);
      const float r = 1e8f;  // float steps of 8 here: the offsets below are exact
      if (filled)
        RAST_FillCircle(&c, -r + 16, 15, r, kWhite, 1.0f, kCopy, aa);
      else
        RAST_Circle(&c, 20, r + 8, r, kWhite, 1.0f, kCopy, aa);
      EXPECT_TRUE(c.guardIntact());
      EXPECT_FALSE(c.changed().empty()) << aa << filled;
      RAST_Arc(&c, 20, -r + 8, r, 2.0f, 4.0f, kWhite, 1.0f, kCopy, aa);
      EXPECT_TRUE(c.guardIntact());
    }
  }
}

// At d = r for a radius whose square float cannot hold, r * r rounds below d * d: the walk must
// end there, not take the square root of a negative number.
TEST(Circle, RadiusWhoseSquareRoundsDown) {
  for (bool filled : {false, true}) {
    Canvas c(40, 80);
    const float r = 1e9f;  // exact in float; 1e18 is not
    if (filled) {
      RAST_FillCircle(&c, 20, r + 64, r, kWhite, 1.0f, kCopy, true);
    } else {
      RAST_Circle(&c, 20, r + 64, r, kWhite, 1.0f, kCopy, true);
    }
    EXPECT_TRUE(c.guardIntact());
    EXPECT_NE(c.at(20, 64), 0u) << filled;
  }
}

// The midpoint walk started part-way (outside the clip rectangle's steps) gives the same pixels
// as the walk from the start: a circle far larger than the bitmap, checked against one drawn on
// a bitmap wide enough to see the whole walk.
TEST(Circle, MidpointWalkResumesExactly) {
  for (float r : {37.0f, 150.3f, 499.6f}) {
    const int R = int(r + 0.5f);
    Canvas big(2 * R + 9, 2 * R + 9);
    RAST_Circle(&big, float(R + 4), float(R + 4), r, kWhite, 1.0f, kCopy, false);
    // Windows around the circle, each on its own small bitmap.
    // Windows left of the centre (a centre left of a window would truncate towards zero).
    for (int wx = 0; wx <= R + 4; wx += 23) {
      Canvas small(25, 25);
      const int wy = R / 3;
      RAST_Circle(&small, float(R + 4 - wx), float(R + 4 - wy), r, kWhite, 1.0f, kCopy, false);
      ASSERT_TRUE(shapetest::SameWindow(big, wx, wy, small)) << r << " window " << wx;
    }
  }
}

TEST(Arc, QuarterFullAndWrappedSpans) {
  Canvas full(30, 30), quarter(30, 30), whole(30, 30);
  RAST_Circle(&full, 15, 15, 8.3f, kWhite, 1.0f, kCopy, false);
  RAST_Arc(&quarter, 15, 15, 8.3f, 0.0f, kPi / 2, kWhite, 1.0f, kCopy, false);
  const PixelSet all = full.changed(), q = quarter.changed();
  EXPECT_FALSE(q.empty());
  for (auto [x, y] : q) {
    EXPECT_TRUE(all.count({x, y})) << x << "," << y;
    EXPECT_GE(x, 15);
    EXPECT_LE(y, 15);
  }
  EXPECT_TRUE(q.count({15, 7}));   // top, on the centre column
  EXPECT_TRUE(q.count({23, 15}));  // right, on the centre row
  for (auto [x, y] : all)
    if (x >= 15 && y <= 15) {
      EXPECT_TRUE(q.count({x, y})) << x << "," << y;
    }
  RAST_Arc(&whole, 15, 15, 8.3f, 0.0f, 2 * kPi, kWhite, 1.0f, kCopy, false);
  EXPECT_EQ(whole.picture(), full.picture());
  // Angles beyond a turn are moved down by whole turns.
  Canvas a(30, 30), b(30, 30);
  RAST_Arc(&a, 15, 15, 8.3f, 7.0f, 8.0f, kWhite, 1.0f, kCopy, true);
  RAST_Arc(&b, 15, 15, 8.3f, 7.0f - 2 * kPi, 8.0f - 2 * kPi, kWhite, 1.0f, kCopy, true);
  EXPECT_EQ(a.picture(), b.picture());
  EXPECT_FALSE(a.changed().empty());
  // Order of the angles does not matter.
  Canvas c(30, 30);
  RAST_Arc(&c, 15, 15, 8.3f, 8.0f, 7.0f, kWhite, 1.0f, kCopy, true);
  EXPECT_EQ(a.picture(), c.picture());
}

TEST(Arc, BottomUpBitmapDrawsTheSameQuarter) {
  Canvas top(30, 30), bottom(30, 30, true);
  RAST_Arc(&top, 15, 15, 8.0f, 0.0f, kPi / 2, kWhite, 1.0f, kCopy, false);
  RAST_Arc(&bottom, 15, 15, 8.0f, 0.0f, kPi / 2, kWhite, 1.0f, kCopy, false);
  EXPECT_EQ(top.picture(), bottom.picture()) << top.ascii() << "\n" << bottom.ascii();
}

TEST(RoundRect, SmallRadiiGiveTheSquareOutline) {
  for (int radius : {0, 1, -4, 10}) {
    Canvas a(20, 20), b(20, 20);
    // A 3-pixel-high box limits any radius to 1: square.
    RAST_RoundRect(&a, 2.7f, 3.2f, 12.0f, 3.0f, radius, kWhite, 1.0f, kCopy, true);
    RAST_DrawRect(&b, 2, 3, 12, 3, kWhite, 1.0f, kCopy);
    EXPECT_EQ(a.picture(), b.picture()) << radius;
  }
}

TEST(RoundRect, RadiusIsLimitedToHalfTheSmallerSide) {
  Canvas a(40, 40), b(40, 40);
  RAST_RoundRect(&a, 4, 3, 12, 30, 10, kWhite, 1.0f, kCopy, false);
  const float cr = 6;
  RAST_Line(&b, int(4 + cr), 3, int(4 + 12 - cr), 3, kWhite, 1.0f, kCopy, false);
  RAST_Line(&b, int(4 + cr - 1), 33, int(4 + 12 - cr), 33, kWhite, 1.0f, kCopy, false);
  RAST_Line(&b, 16, int(3 + cr), 16, int(33 - cr), kWhite, 1.0f, kCopy, false);
  RAST_Line(&b, 4, int(3 + cr - 1), 4, int(33 - cr), kWhite, 1.0f, kCopy, false);
  RAST_Arc(&b, 4 + cr, 3 + cr, cr, -kPi / 2, 0, kWhite, 1.0f, kCopy, false);
  RAST_Arc(&b, 16 - cr, 3 + cr, cr, 0, kPi / 2, kWhite, 1.0f, kCopy, false);
  RAST_Arc(&b, 16 - cr, 33 - cr, cr, kPi / 2, kPi, kWhite, 1.0f, kCopy, false);
  RAST_Arc(&b, 4 + cr, 33 - cr, cr, kPi, 3 * kPi / 2, kWhite, 1.0f, kCopy, false);
  EXPECT_EQ(a.picture(), b.picture());
  // The outline reaches x + w and y + h.
  EXPECT_NE(a.at(16, 18), 0u);
  EXPECT_NE(a.at(10, 33), 0u);
  EXPECT_EQ(a.at(17, 18), 0u);
}

// A slow transcription of the two circle cores, one bounds-tested write at a time, in the order
// the fast routines write (the order matters for the non-commutative modes).
class CoreReference {
 public:
  CoreReference(Canvas& c, RAST_pixel colour, int ia, int mode)
      : mCanvas(c), mCol(colour), mIa(ia), mMode(mode) {}

  void antialiased(float cx, float cy, float r, bool filled) {
    const long xc = long(cx + 0.5f), yc = long(cy + 0.5f), ri = long(r);
    const int E = int(double(r - std::floor(r)) * mIa);
    px(xc, yc - ri - 1, E), px(xc, yc + ri + 1, E), px(xc - ri - 1, yc, E), px(xc + ri + 1, yc, E);
    if (filled) {
      vspan(xc, yc - ri, yc - 1, mIa), vspan(xc, yc + 1, yc + ri, mIa),
          hspan(yc, xc - ri, xc + ri, mIa);
    } else {
      px(xc, yc - ri, mIa - E), px(xc + ri, yc, mIa - E), px(xc, yc + ri, mIa - E),
          px(xc - ri, yc, mIa - E);
    }
    const float rr = r * r;
    for (long d = 1;; ++d) {
      const double h2 = double(rr) - double(d) * double(d);
      if (h2 < 0) break;
      const double h = std::sqrt(h2);
      const long hi = long(h), n = long(h + 0.5);
      if (d > n) break;
      const int Ed = int((h - std::floor(h)) * mIa);
      px(xc - d, yc - hi - 1, Ed), px(xc - d, yc + hi + 1, Ed), px(xc + d, yc - hi - 1, Ed),
          px(xc + d, yc + hi + 1, Ed);
      if (d != n) {
        px(xc - hi - 1, yc - d, Ed), px(xc + hi + 1, yc - d, Ed), px(xc - hi - 1, yc + d, Ed),
            px(xc + hi + 1, yc + d, Ed);
      }
      if (filled) {
        vspan(xc - d, yc - hi, yc - d - 1, mIa), vspan(xc - d, yc + d + 1, yc + hi, mIa);
        vspan(xc + d, yc - hi, yc - d - 1, mIa), vspan(xc + d, yc + d + 1, yc + hi, mIa);
        hspan(yc - d, xc - hi, xc - d, mIa), hspan(yc - d, xc + d, xc + hi, mIa);
        hspan(yc + d, xc - hi, xc - d, mIa), hspan(yc + d, xc + d, xc + hi, mIa);
      } else {
        const int w = mIa - Ed;
        px(xc - hi, yc - d, w), px(xc + hi, yc - d, w), px(xc - d, yc + hi, w),
            px(xc + d, yc + hi, w);
        if (d != n)
          px(xc - d, yc - hi, w), px(xc + d, yc - hi, w), px(xc - hi, yc + d, w),
              px(xc + hi, yc + d, w);
      }
    }
  }

  void midpoint(float cx, float cy, float r, bool filled) {
    const long xc = long(cx + 0.5f), yc = long(cy + 0.5f);
    long R = long(r + 0.5f);
    if (filled) {
      vspan(xc, yc - R, yc - 1, mIa), vspan(xc, yc + 1, yc + R, mIa),
          hspan(yc, xc - R, xc + R, mIa);
    } else {
      px(xc, yc - R, mIa), px(xc + R, yc, mIa), px(xc, yc + R, mIa), px(xc - R, yc, mIa);
    }
    if (R < 2) return;
    long err = -R, step = 3, d = 1;
    do {
      if (err >= 0) --R, err -= 2 * R;
      if (filled) {
        vspan(xc - d, yc - R, yc - d - 1, mIa), vspan(xc - d, yc + d + 1, yc + R, mIa);
        vspan(xc + d, yc - R, yc - d - 1, mIa), vspan(xc + d, yc + d + 1, yc + R, mIa);
        hspan(yc - d, xc - R, xc - d, mIa), hspan(yc - d, xc + d, xc + R, mIa);
        hspan(yc + d, xc - R, xc - d, mIa), hspan(yc + d, xc + d, xc + R, mIa);
      } else {
        px(xc - d, yc - R, mIa), px(xc - d, yc + R, mIa), px(xc + d, yc - R, mIa),
            px(xc + d, yc + R, mIa);
        if (d != R)
          px(xc - R, yc - d, mIa), px(xc - R, yc + d, mIa), px(xc + R, yc - d, mIa),
              px(xc + R, yc + d, mIa);
      }
      err += step, step += 2, ++d;
    } while (d < R);
  }

 private:
  void px(long x, long y, int w) {
    if (x < 0 || y < 0 || x >= mCanvas.getWidth() || y >= mCanvas.getHeight()) return;
    if (x < mClip.left || y < mClip.top || x >= mClip.right || y >= mClip.bottom) return;
    RAST_pixel& p = mCanvas.stored(int(x), int(y));
    if (mMode == 0 && w == 128 && !mAa) {
      RAST_pixel avg = 0;  // the plain copy at 128: (d + c) >> 1 per byte
      for (int sh = 0; sh < 32; sh += 8)
        avg |= (((p >> sh) & 0xff) + ((mCol >> sh) & 0xff)) >> 1 << sh;
      p = avg;
      return;
    }
    // Every listed position is written, at weight 0 too (HSV then still stores the colour's
    // alpha byte and the round trip of the conversion).
    const RAST_Weight wt(w);
    switch (mMode) {
      case 0:
        p = RAST_BlendCopy(p, mCol, wt);
        break;
      case 1:
        p = RAST_BlendAdd(p, mCol, wt);
        break;
      case 2:
        p = RAST_BlendDodge(p, mCol, wt);
        break;
      case 3:
        p = RAST_BlendMul(p, mCol, wt);
        break;
      case 4:
        p = RAST_BlendOverlay(p, mCol, wt);
        break;
      default:
        p = RAST_BlendHSV(p, mCol, wt);
        break;
    }
  }
  void vspan(long x, long y0, long y1, int w) {
    for (long y = y0; y <= y1; ++y) px(x, y, w);
  }
  void hspan(long y, long x0, long x1, int w) {
    for (long x = x0; x <= x1; ++x) px(x, y, w);
  }

  Canvas& mCanvas;
  RAST_pixel mCol;
  int mIa, mMode;

 public:
  bool mAa = false;
  RAST_ClipRect mClip{-1000000, -1000000, 1000000, 1000000};
};

// Both cores against the reference: random centres (inside, across an edge, beyond it), radii,
// weights and modes, outline and filled, on both row orders (the reference works on stored rows,
// so the bottom-up bitmap is given the mirrored centre).
TEST(CircleCore, MatchesTheReferenceExactly) {
  Rng rng(77);
  const RAST_pixel bg = 0x50a0306cu, col = 0xd0389ce1u;
  for (int i = 0; i < 3000; ++i) {
    const bool aa = i % 2, filled = (i / 2) % 2, flipped = (i / 4) % 2 == 1;
    const float cx = rng.frange(-12, 48), cy = rng.frange(-12, 40),
                r = rng.frange(0, i % 5 ? 14 : 40);
    if (r == 1.5f || r == 2 || r == 2.5f || r == 3 || r == 3.5f || r == 4) continue;
    const int mode = rng.range(0, 5);
    const float alpha = i % 7 == 0 ? 1.0f : (i % 7 == 1 ? 0.5f : rng.frange(0.01f, 1.0f));
    const int ia = int(alpha * 256);
    if (ia == 0) continue;
    Canvas got(37, 29, flipped, bg), want(37, 29, false, bg);
    if (filled)
      RAST_FillCircle(&got, cx, cy, r, col, alpha, RAST_BlendMode(mode), aa);
    else
      RAST_Circle(&got, cx, cy, r, col, alpha, RAST_BlendMode(mode), aa);
    CoreReference ref(want, col, ia, mode);
    ref.mAa = aa;
    const float sy = flipped ? float(29 - 1) - cy : cy;
    if (aa)
      ref.antialiased(cx, sy, r, filled);
    else
      ref.midpoint(cx, sy, r, filled);
    for (int y = 0; y < 29; ++y)
      for (int x = 0; x < 37; ++x)
        ASSERT_EQ(got.stored(x, y), want.stored(x, y))
            << std::hex << got.stored(x, y) << " " << want.stored(x, y) << std::dec << "i " << i
            << " c " << cx << "," << cy << " r " << r << " ia " << ia << " mode " << mode << " aa "
            << aa << " filled " << filled << " flipped " << flipped << " at " << x << "," << y;
    ASSERT_TRUE(got.guardIntact());
  }
}

// Arcs transcribed step by step: angles brought into range by whole turns in single precision,
// the quarter boxes from the rounded end points (one pixel more right and below unless on the
// centre), each box drawing the whole circle through the reference core.
void ReferenceArc(Canvas& c, float cx, float cy, float r, float a1, float a2, RAST_pixel col,
                  int ia, bool aa) {
  const float twoPiF = 6.2831854820251465f;
  const double twoPi = 6.2831854820251465, halfPi = 1.5707963705062866;
  float lo = std::min(a1, a2), hi = std::max(a1, a2);
  if (hi >= twoPiF) {
    const float h2 = float(std::fmod(double(hi), twoPi));
    lo -= hi - h2, hi = h2;
  } else if (lo <= -twoPiF) {
    const float l2 = float(std::fmod(double(lo), twoPi));
    hi -= lo - l2, lo = l2;
  }
  const double L = lo + twoPi, H = hi + twoPi;
  if (!(H > L)) return;
  long x0 = long(cx + std::sin(L) * r + 0.5), y0 = long(cy - std::cos(L) * r + 0.5);
  double q = L - std::fmod(L, halfPi), a;
  do {
    q += halfPi;
    a = std::min(H, q);
    const long x1 = long(cx + std::sin(a) * r + 0.5), y1 = long(cy - std::cos(a) * r + 0.5);
    const long maxx = std::max(x0, x1), maxy = std::max(y0, y1);
    CoreReference ref(c, col, ia, 0);
    ref.mAa = aa;
    ref.mClip =
        RAST_ClipRect{int(std::max(std::min(x0, x1), 0L)), int(std::max(std::min(y0, y1), 0L)),
                      int(std::min<long>(maxx + 1 + (float(maxx) != cx), c.getWidth())),
                      int(std::min<long>(maxy + 1 + (float(maxy) != cy), c.getHeight()))};
    aa ? ref.antialiased(cx, cy, r, false) : ref.midpoint(cx, cy, r, false);
    x0 = x1, y0 = y1;
  } while (H > a);
}

TEST(Arc, MatchesTheReferenceQuarters) {
  Rng rng(41);
  const RAST_pixel bg = 0x30303030u, col = 0xc0f08040u;
  for (int i = 0; i < 2000; ++i) {
    const float cx = rng.frange(-5, 40), cy = rng.frange(-5, 32), r = rng.frange(0.5f, 18);
    const float a1 = rng.frange(-14, 14), a2 = i % 4 ? a1 + rng.frange(-6, 6) : rng.frange(-14, 14);
    if (std::fabs(std::max(a1, a2) - std::min(a1, a2)) >= 6.2831854820251465f)
      continue;  // whole circle
    const bool aa = i % 2;
    const float alpha = i % 3 ? rng.frange(0.01f, 1.0f) : 1.0f;
    const int ia = int(alpha * 256);
    if (ia == 0) continue;
    // Bottom-up: the reference works on stored rows, with the mirrored centre and angles.
    const bool flipped = i % 5 == 0;
    const float piF = 3.1415927410125732f;
    Canvas got(35, 27, flipped, bg), want(35, 27, false, bg);
    RAST_Arc(&got, cx, cy, r, a1, a2, col, alpha, kCopy, aa);
    if (flipped)
      ReferenceArc(want, cx, float(27 - 1) - cy, r, piF - a1, piF - a2, col, ia, aa);
    else
      ReferenceArc(want, cx, cy, r, a1, a2, col, ia, aa);
    std::vector<RAST_pixel> stored;
    for (int y = 0; y < 27; ++y)
      for (int x = 0; x < 35; ++x) stored.push_back(got.stored(x, y));
    ASSERT_EQ(stored, want.picture()) << i << ": c " << cx << "," << cy << " r " << r << " angles "
                                      << a1 << " " << a2 << " aa " << aa << "\n"
                                      << got.ascii(bg) << "\n"
                                      << want.ascii(bg);
  }
}

// Random arcs, circles and round rectangles, partly outside, on both row orders: nothing written
// outside the bitmap.
TEST(CircleFamily, RandomShapesStayInside) {
  Rng rng(31);
  for (int i = 0; i < 1500; ++i) {
    Canvas c(23, 17, i % 2);
    const float cx = rng.frange(-40, 60), cy = rng.frange(-40, 60), r = rng.frange(0, 40);
    const RAST_BlendMode mode(i % 6);
    const bool aa = (i / 2) % 2;
    switch (i % 4) {
      case 0:
        RAST_Circle(&c, cx, cy, r, kWhite, 0.8f, mode, aa);
        break;
      case 1:
        RAST_FillCircle(&c, cx, cy, r, kWhite, 0.8f, mode, aa);
        break;
      case 2:
        RAST_Arc(&c, cx, cy, r, rng.frange(-20, 20), rng.frange(-20, 20), kWhite, 0.8f, mode, aa);
        break;
      default:
        RAST_RoundRect(&c, cx, cy, r, rng.frange(-5, 30), rng.range(-2, 20), kWhite, 0.8f, mode,
                       aa);
        break;
    }
    ASSERT_TRUE(c.guardIntact()) << i;
  }
  // The core itself never trusts a wrong clip rectangle or an unclipped circle near an edge.
  Canvas c(10, 10);
  RAST_CircleCore(&c, kWhite, 256, true, true, kCopy, RAST_ClipRect{-100, -100, 100, 100}, false, 1,
                  1, 30);
  RAST_CircleCore(&c, kWhite, 256, false, true, kCopy, RAST_ClipRect{-100, -100, 100, 100}, false,
                  9, 9, 30);
  EXPECT_TRUE(c.guardIntact());
}

}  // namespace
