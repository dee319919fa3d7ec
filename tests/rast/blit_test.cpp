// Rectangle blits, copy, blur and gradient: random operations against a slow reference, with
// canary borders around every bitmap and bottom-up storage mixed in.
#include <gtest/gtest.h>

#include <memory>

#include "rast/rast_blend_simd.h"
#include "rast/rast_blit.h"
#include "tests/rast/blit_reference.h"

using namespace rast_test;

namespace {

// The blit as a per-pixel walk of the source rectangle.
void ReferenceBlit(CanvasBitmap& dest, CanvasBitmap& src, int dstx, int dsty, const RECT* rc,
                   float alpha, int mode) {
  if (alpha == 0.0f) return;
  long long l = 0, t = 0, r = src.getWidth(), b = src.getHeight(), dx = dstx, dy = dsty;
  if (rc) {
    l = rc->left;
    t = rc->top;
    r = std::min<long long>(rc->right, src.getWidth());
    b = std::min<long long>(rc->bottom, src.getHeight());
    if (l < 0) {
      dx -= l;
      l = 0;
    }
    if (t < 0) {
      dy -= t;
      t = 0;
    }
  }
  const int a = WeightOf(alpha);
  for (long long sy = t; sy < b; ++sy)
    for (long long sx = l; sx < r; ++sx) {
      const long long X = dx + sx - l, Y = dy + sy - t;
      if (X < 0 || Y < 0 || X >= dest.getWidth() || Y >= dest.getHeight()) continue;
      RAST_pixel& d = dest.at(static_cast<int>(X), static_cast<int>(Y));
      const RAST_pixel s = src.at(static_cast<int>(sx), static_cast<int>(sy));
      if ((mode & 0xF0) == 0xF0) {
        const int ds = 8 * ((mode >> 2) & 3), ss = 8 * (mode & 3);
        d = (d & ~(0xFFu << ds)) | (((s >> ss) & 0xFFu) << ds);
      } else if ((mode & 0x100FF) == 0 && alpha == 1.0f) {
        d = s;
      } else if ((mode & 0x100FF) == 0 && alpha == 0.5f) {
        d = ((s >> 1) & 0x7F7F7F7Fu) + ((d >> 1) & 0x7F7F7F7Fu);
      } else {
        d = RefBlit(mode, d, s, a);
      }
    }
}

int RandomMode(std::mt19937& rng) {
  static const int kModes[] = {0,       1,       2,       3,       4,       5,       6,
                               0x10000, 0x10001, 0x10002, 0x10003, 0x10004, 0x10005, 0x10100,
                               0x20001, 0xF1,    0xF4,    0xFB,    0x10006, 0x100};
  return kModes[rng() % (sizeof(kModes) / sizeof(kModes[0]))];
}

float RandomAlpha(std::mt19937& rng) {
  static const float kAlphas[] = {1.0f,  0.5f,  1.001f, 0.0f,    2.0f,
                                  -0.3f, 0.25f, 0.75f,  0.9961f, 0.004f};
  if (rng() % 3 == 0) return static_cast<float>(rng() % 1000) / 999.0f;
  return kAlphas[rng() % (sizeof(kAlphas) / sizeof(kAlphas[0]))];
}

}  // namespace

TEST(Blit, RandomOperationsMatchReferenceAndStayInside) {
  std::mt19937 rng(11);
  int changed = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    const int dw = 1 + static_cast<int>(rng() % 24), dh = 1 + static_cast<int>(rng() % 24);
    const int sw = 1 + static_cast<int>(rng() % 24), sh = 1 + static_cast<int>(rng() % 24);
    const bool dflip = rng() & 1, sflip = rng() & 1;
    CanvasBitmap dest(dw, dh, dflip), want(dw, dh, false), src(sw, sh, sflip);
    dest.Fill(rng);
    src.FillWithAlphaMix(rng);
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) want.at(x, y) = dest.at(x, y);
    const int dstx = static_cast<int>(rng() % (dw + sw + 4)) - sw - 2;
    const int dsty = static_cast<int>(rng() % (dh + sh + 4)) - sh - 2;
    const int mode = RandomMode(rng);
    const float alpha = RandomAlpha(rng);
    RECT rc{static_cast<int>(rng() % (sw + 6)) - 3, static_cast<int>(rng() % (sh + 6)) - 3, 0, 0};
    rc.right = rc.left + static_cast<int>(rng() % (sw + 6)) - 1;
    rc.bottom = rc.top + static_cast<int>(rng() % (sh + 6)) - 1;
    const bool whole = rng() % 4 == 0;
    const std::vector<RAST_pixel> before = dest.Pixels();
    RAST_Blit(&dest, &src, dstx, dsty, whole ? nullptr : &rc, alpha, RAST_BlendMode(mode));
    ReferenceBlit(want, src, dstx, dsty, whole ? nullptr : &rc, alpha, mode);
    changed += dest.Pixels() != before;
    ASSERT_EQ(dest.Pixels(), want.Pixels())
        << "iteration " << iter << " mode " << std::hex << mode << std::dec << " alpha " << alpha;
    ASSERT_TRUE(dest.CanariesIntact()) << iter;
    ASSERT_TRUE(src.CanariesIntact()) << iter;
  }
  EXPECT_GT(changed, 400);  // the random cases do draw
}

TEST(Blit, LongRowsTakeTheVectorPathsExactly) {
  std::mt19937 rng(5);
  for (bool baseline : {false, true})
    for (int mode : {0, 1, 0x10000, 0x10001}) {
      RAST_LimitToBaselineVectors(baseline);
      for (float alpha : {1.0f, 0.5f, 0.7f}) {
        CanvasBitmap dest(67, 5, true), want(67, 5), src(67, 5);
        dest.Fill(rng);
        src.FillWithAlphaMix(rng);
        for (int y = 0; y < 5; ++y)
          for (int x = 0; x < 67; ++x) want.at(x, y) = dest.at(x, y);
        RAST_Blit(&dest, &src, 0, 0, nullptr, alpha, RAST_BlendMode(mode));
        ReferenceBlit(want, src, 0, 0, nullptr, alpha, mode);
        EXPECT_EQ(dest.Pixels(), want.Pixels())
            << mode << " " << alpha << (baseline ? " baseline" : "");
      }
    }
  RAST_LimitToBaselineVectors(false);
}

// Controls are narrow and land anywhere: every width up to five vector groups at every offset
// within one, with sources mixing opaque, clear and partial alpha (row 0), opaque or clear only
// (row 1) and partial only (row 2); the canaries catch a store past either end.
TEST(Blit, NarrowRowsAtEveryWidthAndOffsetExactly) {
  std::mt19937 rng(8);
  for (bool baseline : {false, true}) {
    RAST_LimitToBaselineVectors(baseline);
    for (int mode : {0, 1, 0x10000})
      for (int w = 1; w <= 40; ++w)
        for (int x = 0; x < 8; ++x) {
          CanvasBitmap src(w, 3), dest(w + 8, 3), want(w + 8, 3);
          src.FillWithAlphaMix(rng);
          for (int i = 0; i < w; ++i) {
            src.at(i, 1) = (src.at(i, 1) & 0xFFFFFF00u) | (rng() % 2 ? 0xFFu : 0u);
            src.at(i, 2) = (src.at(i, 2) & 0xFFFFFF00u) | (1 + rng() % 254);
          }
          dest.Fill(rng);
          for (int y = 0; y < 3; ++y)
            for (int i = 0; i < w + 8; ++i) want.at(i, y) = dest.at(i, y);
          RAST_Blit(&dest, &src, x, 0, nullptr, 1.0f, RAST_BlendMode(mode));
          ReferenceBlit(want, src, x, 0, nullptr, 1.0f, mode);
          ASSERT_EQ(dest.Pixels(), want.Pixels())
              << mode << " width " << w << " at " << x << (baseline ? " baseline" : "");
          ASSERT_TRUE(dest.CanariesIntact()) << mode << " width " << w << " at " << x;
        }
  }
  RAST_LimitToBaselineVectors(false);
}

TEST(Blit, ClippingEdgeCases) {
  CanvasBitmap dest(30, 4), src(10, 4);
  for (int x = 0; x < 10; ++x)
    for (int y = 0; y < 4; ++y) src.at(x, y) = static_cast<RAST_pixel>(100 + x);
  // A source rectangle with left -5 drawn at x 10 lands at 15 and starts at source column 0.
  RECT rc{-5, 0, 10, 4};
  RAST_Blit(&dest, &src, 10, 0, &rc, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(dest.at(14, 0), 0u);
  EXPECT_EQ(dest.at(15, 0), 100u);
  EXPECT_EQ(dest.at(24, 0), 109u);
  EXPECT_EQ(dest.at(25, 0), 0u);
  // At x -3 the source columns 3..9 land on 0..6.
  CanvasBitmap d2(30, 4);
  RAST_Blit(&d2, &src, -3, 0, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(d2.at(0, 0), 103u);
  EXPECT_EQ(d2.at(6, 0), 109u);
  EXPECT_EQ(d2.at(7, 0), 0u);
  // The x/y/w/h form with huge sizes clips instead of wrapping.
  CanvasBitmap d3(5, 5);
  RAST_Blit(&d3, &src, 0, 0, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(d3.at(4, 3), 104u);
  EXPECT_TRUE(d3.CanariesIntact());
  RAST_Blit(&d3, &src, 0x7FFFFFF0, 0, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_Blit(&d3, &src, -0x7FFFFFF0, 0, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_TRUE(d3.CanariesIntact());
}

TEST(Blit, ExactValuesOfTheCopyShortcuts) {
  CanvasBitmap dest(1, 1), src(1, 1);
  src.at(0, 0) = 0xFFFFFFFFu;
  dest.at(0, 0) = 0xFFFFFFFFu;
  RAST_Blit(&dest, &src, 0, 0, nullptr, 0.5f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(dest.at(0, 0), 0xFEFEFEFEu);
  src.at(0, 0) = 0x12345678u;
  RAST_Blit(&dest, &src, 0, 0, nullptr, 1.001f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(dest.at(0, 0), 0x12345678u);
  // Channel copy: red (byte 1) into alpha (byte 0); alpha does not matter.
  dest.at(0, 0) = 0xAABBCCDDu;
  RAST_Blit(&dest, &src, 0, 0, nullptr, 0.3f, RAST_BLIT_MODE_CHANNEL_COPY(0, 1));
  EXPECT_EQ(dest.at(0, 0), 0xAABBCC56u);
  RAST_Blit(&dest, &src, 0, 0, nullptr, 0.3f, RAST_BlendMode(0xF0));
  EXPECT_EQ(dest.at(0, 0), 0xAABBCC78u);
}

TEST(Blit, NothingForNullBitmapsEmptySourcesAndUnknownModes) {
  CanvasBitmap dest(4, 4), src(4, 4);
  src.at(0, 0) = 5;
  RAST_Blit(nullptr, &src, 0, 0, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_Blit(&dest, nullptr, 0, 0, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_Blit(&dest, &src, 0, 0, nullptr, 1.0f, RAST_BlendMode(6));
  RAST_Blit(&dest, &src, 0, 0, nullptr, 0.002f, RAST_BLIT_MODE_ADD);
  RAST_MemBitmap empty(0, 0);
  RAST_Blit(&dest, &empty, 0, 0, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_Blit(&empty, &src, 0, 0, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(dest.at(0, 0), 0u);
}

TEST(Copy, MakesTheDestinationTheSourceSizeAndPixels) {
  RAST_MemBitmap src(7, 3), dest(20, 20);
  for (int i = 0; i < 3 * src.getRowSpan(); ++i)
    src.getBits()[i] = static_cast<RAST_pixel>(i * 2654435761u);
  RAST_Copy(&dest, &src);
  ASSERT_EQ(dest.getWidth(), 7);
  ASSERT_EQ(dest.getHeight(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(dest.getBits()[y * dest.getRowSpan() + x], src.getBits()[y * src.getRowSpan() + x]);
  RAST_Copy(nullptr, &src);
  RAST_Copy(&dest, nullptr);
}

// ---- Blur ----------------------------------------------------------------------------------

namespace {

RAST_pixel H(RAST_pixel p, int k) {
  return (p >> k) & (k == 1 ? 0x7F7F7F7Fu : k == 2 ? 0x3F3F3F3Fu : 0x1F1F1F1Fu);
}

// The blur of a w x h block read from `get`, straight from the table.
std::vector<RAST_pixel> ReferenceBlur(const std::vector<RAST_pixel>& in, int w, int h) {
  std::vector<RAST_pixel> out(in.size());
  auto at = [&](int x, int y) { return in[static_cast<std::size_t>(y) * w + x]; };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool first = x == 0, last = x == w - 1;
      RAST_pixel v = H(at(x, y), 1);
      if (first)
        v += H(at(x + 1, y), 2);
      else if (last)
        v += H(at(x - 1, y), 2);
      else
        v += H(at(x - 1, y), 3) + H(at(x + 1, y), 3);
      if (y == 0)
        v += H(at(x, y + 1), 2);
      else if (y == h - 1)
        v += H(at(x, y - 1), 2);
      else
        v += H(at(x, y - 1), 3) + H(at(x, y + 1), 3);
      out[static_cast<std::size_t>(y) * w + x] = v;
    }
  return out;
}

}  // namespace

TEST(Blur, MatchesTheTableInAndOutOfPlace) {
  std::mt19937 rng(21);
  for (int iter = 0; iter < 200; ++iter) {
    const int w = 2 + static_cast<int>(rng() % 30), h = 2 + static_cast<int>(rng() % 30);
    CanvasBitmap src(w, h, rng() & 1), dest(w, h, rng() & 1);
    src.Fill(rng);
    const std::vector<RAST_pixel> want = ReferenceBlur(src.Pixels(), w, h);
    RAST_Blur(&dest, &src, 0, 0, 0, 0, w, h);
    ASSERT_EQ(dest.Pixels(), want);
    RAST_Blur(&src, &src, 0, 0, 0, 0, w, h);  // in place: every row reads unblurred neighbours
    ASSERT_EQ(src.Pixels(), want);
    ASSERT_TRUE(src.CanariesIntact() && dest.CanariesIntact());
  }
}

TEST(Blur, WideRowsInPlaceUseTheHeapBuffers) {
  std::mt19937 rng(2);
  CanvasBitmap bm(1500, 3);
  bm.Fill(rng);
  const std::vector<RAST_pixel> want = ReferenceBlur(bm.Pixels(), 1500, 3);
  RAST_Blur(&bm, &bm, 0, 0, 0, 0, 1500, 3);
  EXPECT_EQ(bm.Pixels(), want);
}

TEST(Blur, UniformAreaAndDegenerateRectangles) {
  CanvasBitmap bm(5, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) bm.at(x, y) = 0xFFFFFFFFu;
  RAST_Blur(&bm, &bm, 0, 0, 0, 0, 1, 5);  // one pixel wide: nothing
  EXPECT_EQ(bm.at(0, 2), 0xFFFFFFFFu);
  RAST_Blur(&bm, &bm, 0, 0, 0, 0, 5, 5);
  EXPECT_EQ(bm.at(2, 2), 0xFBFBFBFBu);  // 31 + 127 + 31 + 31 + 31
  EXPECT_TRUE(bm.CanariesIntact());
}

TEST(Blur, ClipsAtTheDestinationAndShiftsInTheSameBitmap) {
  std::mt19937 rng(8);
  CanvasBitmap bm(12, 12), copy(12, 12);
  bm.Fill(rng);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) copy.at(x, y) = bm.at(x, y);
  RAST_Blur(&bm, &bm, 4, 3, 0, 0, 12, 12);  // overlapping shift: blurred from a snapshot
  CanvasBitmap want(8, 9);
  RAST_Blur(&want, &copy, 0, 0, 0, 0, 8, 9);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(bm.at(x + 4, y + 3), want.at(x, y));
  EXPECT_TRUE(bm.CanariesIntact());
  RAST_Blur(&bm, &copy, -5, -5, 0, 0, 12, 12);
  EXPECT_TRUE(bm.CanariesIntact());
}

// ---- Gradient ------------------------------------------------------------------------------

TEST(Gradient, ConstantOpaqueColourIsStored) {
  CanvasBitmap bm(6, 4);
  RAST_GradientRect(&bm, 0, 0, 6, 4, 1.0f, 0.0f, 0.5f, 1.0f, 0, 0, 0, 0, 0, 0, 0, 0,
                    RAST_BLIT_MODE_COPY);
  EXPECT_EQ(bm.at(5, 3), RAST_MakePixel(255, 0, 127, 255));
}

TEST(Gradient, RampAcrossAndClippedStartAdvances) {
  CanvasBitmap bm(4, 2), clipped(4, 2);
  const float step = 1.0f / 255.0f * 10.0f;  // 10 steps of red per pixel
  RAST_GradientRect(&bm, 0, 0, 4, 2, 0.0f, 0, 0, 1.0f, step, 0, 0, 0, 0, 0, 0, 0,
                    RAST_BLIT_MODE_COPY);
  RAST_GradientRect(&clipped, -2, 0, 6, 2, 0.0f, 0, 0, 1.0f, step, 0, 0, 0, 0, 0, 0, 0,
                    RAST_BLIT_MODE_COPY);
  for (int x = 0; x < 4; ++x) {
    EXPECT_NEAR(static_cast<int>(RAST_PixelRed(bm.at(x, 1))), 10 * x, 1);
    EXPECT_NEAR(static_cast<int>(RAST_PixelRed(clipped.at(x, 1))), 10 * (x + 2), 1);
  }
  EXPECT_TRUE(clipped.CanariesIntact());
}

TEST(Gradient, HalfWeightBlendsAndAlphaMovesTowardsTheWeight) {
  CanvasBitmap bm(2, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) bm.at(x, y) = 0;
  RAST_GradientRect(&bm, 0, 0, 2, 2, 1.0f, 1.0f, 1.0f, 0.5f, 0, 0, 0, 0, 0, 0, 0, 0,
                    RAST_BLIT_MODE_COPY);
  EXPECT_EQ(bm.at(1, 1), RAST_MakePixel(128, 128, 128, 64));
  RAST_GradientRect(&bm, 0, 0, 2, 2, 1.0f, 1.0f, 1.0f, 0.5f, 0, 0, 0, 0, 0, 0, 0, 0,
                    RAST_BlendMode(6));
  EXPECT_EQ(bm.at(1, 1), RAST_MakePixel(128, 128, 128, 64));
}

TEST(Gradient, OvershootingValuesClampInsteadOfWrapping) {
  CanvasBitmap bm(50, 50);
  RAST_GradientRect(&bm, -10, -10, 80, 80, 0.5f, 0.5f, 0.5f, 1.0f, 0.2f, -0.2f, 0.1f, 0.05f, 0.3f,
                    0.1f, -0.4f, 0.02f, RAST_BLIT_MODE_ADD);
  RAST_GradientRect(&bm, 0, 0, 50, 50, 1e9f, -1e9f, 0, 1e9f, 1e9f, 0, 0, 1e9f, 0, 0, 0, 0,
                    RAST_BLIT_MODE_OVERLAY);
  RAST_GradientRect(&bm, 0, 0, 50, 50, 0.5f, 0.5f, 0.5f, 1.0f, 0.9f, 0, 0, 0, 0, 0, 0, 0,
                    RAST_BLIT_MODE_HSVADJ);
  EXPECT_TRUE(bm.CanariesIntact());
}

// A start far left of the bitmap with a steep ramp: skipping to the first visible pixel must not
// overflow the fixed-point walk (the sanitizer stops on that).
TEST(Gradient, FarClippedStartWithSteepRampNeverOverflows) {
  CanvasBitmap bm(50, 4);
  for (int x = 0; x < 50; ++x) bm.at(x, 0) = 0x11223344u;
  RAST_GradientRect(&bm, -2000000000, 0, 2000000050, 1, 0.0f, 0, 0, 1.0f, 1e6f, 0, 0, 0, 0, 0, 0, 0,
                    RAST_BLIT_MODE_COPY);
  RAST_GradientRect(&bm, 0, -2000000000, 50, 2000000004, 0.0f, 0, 0, 1.0f, 0, 0, 0, 0, 1e6f, 0, 0,
                    0, RAST_BLIT_MODE_COPY);
  EXPECT_TRUE(bm.CanariesIntact());
}

// Every (destination, source) byte pair through the blit itself, so the word-wise and vector
// paths (store, half mix, saturating add, source-alpha store) are held to the formula too; each
// channel sees a different byte, so a spill from one channel into the next shows.
TEST(Blit, EveryBytePairThroughTheBlitAtTheSwitchingWeights) {
  CanvasBitmap src(256, 256), start(256, 256);
  auto spread = [](int v) {
    return RAST_MakePixel(static_cast<unsigned>(255 - v), static_cast<unsigned>(v ^ 0xA5),
                          static_cast<unsigned>((v * 37) & 0xFF), static_cast<unsigned>(v));
  };
  for (int d = 0; d < 256; ++d)
    for (int s = 0; s < 256; ++s) {
      src.at(s, d) = spread(s);
      start.at(s, d) = spread(d);
    }
  for (bool baseline : {false, true}) {
    RAST_LimitToBaselineVectors(baseline);
    for (int mode : {0, 1, 2, 3, 4, 0x10000, 0x10001, 0x10003})
      for (float alpha : {1.0f, 0.5f, 0.25f, 0.75f, 255.0f / 256.0f, 1.0f / 256.0f}) {
        CanvasBitmap dest(256, 256), want(256, 256);
        for (int y = 0; y < 256; ++y)
          for (int x = 0; x < 256; ++x) dest.at(x, y) = want.at(x, y) = start.at(x, y);
        RAST_Blit(&dest, &src, 0, 0, nullptr, alpha, RAST_BlendMode(mode));
        ReferenceBlit(want, src, 0, 0, nullptr, alpha, mode);
        ASSERT_EQ(dest.Pixels(), want.Pixels())
            << std::hex << mode << std::dec << " " << alpha << (baseline ? " baseline" : "");
      }
  }
  RAST_LimitToBaselineVectors(false);
}

// Whole bitmaps whose rows have no padding are copied, added and source-alpha stored as one long
// row; a narrower rectangle of the same bitmaps must still keep to its own columns.
TEST(Blit, GaplessRowsAsOneRunAndNarrowRectanglesApart) {
  std::mt19937 rng(21);
  for (bool baseline : {false, true}) {
    RAST_LimitToBaselineVectors(baseline);
    for (int mode : {0, 1, 0x10000}) {
      RAST_MemBitmap src(12, 7, 4), dest(12, 7, 4);
      ASSERT_EQ(src.getRowSpan(), 12);
      for (int i = 0; i < 12 * 7; ++i) {
        src.getBits()[i] = static_cast<RAST_pixel>(rng());
        if (i % 3 == 0)
          src.getBits()[i] |= 0xFFu;  // opaque and clear runs for the source-alpha store
        if (i % 5 == 0) src.getBits()[i] &= 0xFFFFFF00u;
        dest.getBits()[i] = static_cast<RAST_pixel>(rng());
      }
      std::vector<RAST_pixel> want(dest.getBits(), dest.getBits() + 12 * 7);
      for (int i = 0; i < 12 * 7; ++i) want[i] = RefBlit(mode, want[i], src.getBits()[i], 256);
      RAST_Blit(&dest, &src, 0, 0, nullptr, 1.0f, RAST_BlendMode(mode));
      EXPECT_EQ(std::vector<RAST_pixel>(dest.getBits(), dest.getBits() + 12 * 7), want) << mode;
      // Columns 2..9 of rows 1..5 only.
      const std::vector<RAST_pixel> before(dest.getBits(), dest.getBits() + 12 * 7);
      RAST_Blit(&dest, &src, 2, 1, 2, 1, 8, 5, 1.0f, RAST_BlendMode(mode));
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 12; ++x) {
          const int i = y * 12 + x;
          const bool inside = x >= 2 && x < 10 && y >= 1 && y < 6;
          ASSERT_EQ(dest.getBits()[i],
                    inside ? RefBlit(mode, before[i], src.getBits()[i], 256) : before[i])
              << mode << " " << x << "," << y << (baseline ? " baseline" : "");
        }
    }
  }
  RAST_LimitToBaselineVectors(false);
}
