// Coverage-mask drawing, half-size downsampling and bitmap comparison.
#include <gtest/gtest.h>

#include "rast/rast_bitmap_util.h"
#include "rast/rast_mask.h"
#include "tests/rast/blit_reference.h"

using namespace rast_test;

TEST(DrawGlyph, RandomMasksMatchTheSolidWriteAtTheCoverageWeight) {
  std::mt19937 rng(9);
  for (int iter = 0; iter < 1500; ++iter) {
    const int w = 1 + static_cast<int>(rng() % 16), h = 1 + static_cast<int>(rng() % 16);
    const int gw = 1 + static_cast<int>(rng() % 12), gh = 1 + static_cast<int>(rng() % 12);
    const int span = gw + static_cast<int>(rng() % 3);
    std::vector<unsigned char> mask(static_cast<std::size_t>(span) * gh);
    for (auto& m : mask)
      m = rng() % 3 == 0 ? 0 : (rng() % 2 ? 255 : static_cast<unsigned char>(rng()));
    CanvasBitmap bm(w, h, rng() & 1), want(w, h);
    bm.Fill(rng);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) want.at(x, y) = bm.at(x, y);
    const int x = static_cast<int>(rng() % (w + gw + 2)) - gw - 1,
              y = static_cast<int>(rng() % (h + gh + 2)) - gh - 1;
    const RAST_pixel color = static_cast<RAST_pixel>(rng());
    const int op = static_cast<int>(rng() % 7);
    const float alpha = rng() % 2 ? 1.0f : static_cast<float>(rng() % 300) / 256.0f;
    RAST_DrawGlyph(&bm, x, y, color, mask.data(), gw, span, gh, alpha,
                   RAST_BlendMode(op | 0x10000));
    const int a = WeightOf(alpha);
    if (a > 0 && op <= 5)
      for (int j = 0; j < gh; ++j)
        for (int i = 0; i < gw; ++i) {
          const int X = x + i, Y = y + j;
          const int m = mask[static_cast<std::size_t>(j) * span + i];
          if (X < 0 || Y < 0 || X >= w || Y >= h || m == 0) continue;
          RAST_pixel& p = want.at(X, Y);
          if (op == 5 && m * a / 256 == 0)
            p = RefHSV(p, Chan(color, 1), Chan(color, 2), Chan(color, 3), Chan(color, 0), 0);
          else
            p = RefBlit(op, p, color, m * a / 256);
        }
    ASSERT_EQ(bm.Pixels(), want.Pixels()) << iter;
    ASSERT_TRUE(bm.CanariesIntact());
  }
}

TEST(DrawGlyph, ExactValuesAndClipping) {
  CanvasBitmap bm(4, 1);
  const unsigned char half[1] = {128};
  RAST_DrawPackedGlyph(&bm, 0, 0, 0xFFFFFFFFu, half, 1, 1, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(bm.at(0, 0), 0x80808080u);  // halfway to the colour
  const unsigned char full[1] = {255};
  bm.at(1, 0) = 0;
  RAST_DrawPackedGlyph(&bm, 1, 0, 0x80808080u, full, 1, 1, 1.0f, RAST_BLIT_MODE_ADD);
  EXPECT_EQ(bm.at(1, 0), 0x7F7F7F7Fu);  // full coverage at alpha 1.0 is weight 255
  // A glyph at x -3 draws from its fourth column on.
  const unsigned char cols[5] = {255, 255, 255, 10, 20};
  CanvasBitmap b2(4, 1);
  RAST_DrawPackedGlyph(&b2, -3, 0, 0xFFFFFFFFu, cols, 5, 1, 1.0f, RAST_BLIT_MODE_ADD);
  EXPECT_EQ(b2.at(0, 0), 0x09090909u);
  EXPECT_EQ(b2.at(1, 0), 0x13131313u);
  EXPECT_EQ(b2.at(2, 0), 0u);
  RAST_DrawPackedGlyph(&b2, 0, 0, 0xFFFFFFFFu, cols, 5, 1, 1.0f, RAST_BlendMode(6));
  RAST_DrawPackedGlyph(&b2, 0, 0, 0xFFFFFFFFu, cols, 5, 1, 0.002f, RAST_BLIT_MODE_ADD);
  RAST_DrawPackedGlyph(&b2, 0, 0, 0xFFFFFFFFu, nullptr, 5, 1, 1.0f, RAST_BLIT_MODE_ADD);
  EXPECT_EQ(b2.at(2, 0), 0u);
  EXPECT_TRUE(b2.CanariesIntact());
}

TEST(HalveBlitAA, AveragesBlocksWithLowBitsDropped) {
  CanvasBitmap src(5, 4), dest(10, 10);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      src.at(x, y) = x == 0 ? 0xFFFFFFFFu : 0x04040404u * static_cast<RAST_pixel>(x);
  RAST_HalveBlitAA(&dest, &src);
  EXPECT_EQ(dest.at(0, 0), 0x3F3F3F3Fu * 2 + 0x01010101u * 2);  // two 255s and two 4s
  EXPECT_EQ(dest.at(1, 1), 0x0A0A0A0Au);                        // 8 / 4 + 12 / 4, twice each
  EXPECT_EQ(dest.at(2, 0), 0u);                                 // only 2 columns written
  EXPECT_TRUE(dest.CanariesIntact());
  RAST_HalveBlitAA(nullptr, &src);
}

TEST(DrawGlyph, CoveredPixelsGetTheSolidWriteEvenAtWeightZero) {
  // Mask byte 1 at alpha 0.5 is weight 0: no change in modes 0-4, but the HSV write stores the
  // colour's alpha byte, the same as the per-pixel write of the other primitives.
  const unsigned char faint[1] = {1};
  const RAST_pixel grey = RAST_MakePixel(90, 90, 90, 7),
                   colour = RAST_MakePixel(128, 128, 128, 200);
  for (int op = 0; op <= 4; ++op) {
    CanvasBitmap bm(1, 1);
    bm.at(0, 0) = grey;
    RAST_DrawPackedGlyph(&bm, 0, 0, colour, faint, 1, 1, 0.5f, RAST_BlendMode(op));
    EXPECT_EQ(bm.at(0, 0), grey) << op;
  }
  CanvasBitmap bm(1, 1);
  bm.at(0, 0) = grey;
  RAST_DrawPackedGlyph(&bm, 0, 0, colour, faint, 1, 1, 0.5f, RAST_BLIT_MODE_HSVADJ);
  RAST_pixel want = grey;
  RAST_SolidWrite(&want, colour, RAST_Weight(0), RAST_BLIT_MODE_HSVADJ);
  EXPECT_EQ(bm.at(0, 0), want);
  EXPECT_EQ(RAST_PixelAlpha(bm.at(0, 0)), 200u);
  EXPECT_TRUE(bm.CanariesIntact());
}

TEST(BitmapCmp, SizesNullsAndDifferenceBox) {
  RAST_MemBitmap a(10, 10), b(12, 10), c(10, 10);
  EXPECT_EQ(RAST_BitmapCmp(&a, &b, nullptr), 2);
  EXPECT_EQ(RAST_BitmapCmp(nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(RAST_BitmapCmp(&a, nullptr, nullptr), 1);
  EXPECT_EQ(RAST_BitmapCmp(nullptr, &a, nullptr), -1);
  for (int i = 0; i < 10 * a.getRowSpan(); ++i) a.getBits()[i] = c.getBits()[i] = 0;
  int coords[4] = {9, 9, 9, 9};
  EXPECT_EQ(RAST_BitmapCmp(&a, &c, coords), 0);
  EXPECT_EQ(coords[0], 0);
  EXPECT_EQ(coords[1], 0);
  EXPECT_EQ(coords[2], 0);  // all four values are filled on equal bitmaps
  EXPECT_EQ(coords[3], 0);
  c.getBits()[4 * c.getRowSpan() + 3] = 1;
  c.getBits()[2 * c.getRowSpan() + 7] = 0x100;
  EXPECT_NE(RAST_BitmapCmp(&a, &c, nullptr), 0);
  EXPECT_EQ(RAST_BitmapCmp(&a, &c, coords), 1);
  EXPECT_EQ(coords[0], 3);
  EXPECT_EQ(coords[1], 2);
  EXPECT_EQ(coords[2], 5);
  EXPECT_EQ(coords[3], 3);
  EXPECT_EQ(RAST_BitmapCmpMasked(&a, &c, 0xFFFF0000u, nullptr), 0);
  EXPECT_EQ(RAST_BitmapCmpMasked(&a, &c, 0x0000FF00u, nullptr), 1);
  EXPECT_EQ(RAST_BitmapCmpMasked(&a, &c, 0x0000FF00u, coords), 1);
  EXPECT_EQ(coords[0], 7);
  EXPECT_EQ(coords[2], 1);
}

TEST(BitmapCmp, FlippedBitmapsCompareFromTheTop) {
  CanvasBitmap a(3, 3, true), b(3, 3, false);
  a.at(1, 0) = 5;
  b.at(1, 0) = 5;
  EXPECT_EQ(RAST_BitmapCmp(&a, &b, nullptr), 0);
  b.at(2, 2) = 1;
  int coords[4];
  EXPECT_EQ(RAST_BitmapCmp(&a, &b, coords), 1);
  EXPECT_EQ(coords[0], 2);
  EXPECT_EQ(coords[1], 2);
}
