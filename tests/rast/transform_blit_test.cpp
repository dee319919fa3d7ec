// Rotated, step and mesh blits: identity, quarter turn, source-rectangle limits, nothing cases,
// bottom-up bitmaps and random rotations that must stay inside both bitmaps.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "rast/rast_blend_simd.h"
#include "rast/rast_blit.h"
#include "rast/rast_fill.h"
#include "rast/rast_mask.h"
#include "rast/rast_scaled_blit.h"
#include "rast/rast_transform_blit.h"
#include "tests/rast/blit_reference.h"

using namespace rast_test;

namespace {
void FillDistinct(CanvasBitmap& bm, RAST_pixel base) {
  for (int y = 0; y < bm.getHeight(); ++y)
    for (int x = 0; x < bm.getWidth(); ++x)
      bm.at(x, y) = base + static_cast<RAST_pixel>(y * 256 + x) * 0x100u + 0xFF;
}
}  // namespace

TEST(RotatedBlit, AngleZeroReproducesTheSource) {
  CanvasBitmap src(9, 7, true), dest(20, 20);
  FillDistinct(src, 0x01000000u);
  RAST_RotatedBlit(&dest, &src, 3, 4, 9, 7, 0, 0, 9, 7, 0.0f, false, 1.0f, RAST_BLIT_MODE_COPY);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(dest.at(x + 3, y + 4), src.at(x, y)) << x << "," << y;
  EXPECT_EQ(dest.at(2, 4), 0u);
  EXPECT_EQ(dest.at(12, 4), 0u);
  EXPECT_TRUE(dest.CanariesIntact());
}

TEST(RotatedBlit, QuarterTurn) {
  const int n = 8;
  CanvasBitmap src(n, n), dest(n, n);
  FillDistinct(src, 0);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) dest.at(x, y) = 0x77u;
  RAST_RotatedBlit(&dest, &src, 0, 0, n, n, 0, 0, n, n, static_cast<float>(std::numbers::pi / 2),
                   false, 1.0f, RAST_BLIT_MODE_COPY);
  // Turned by a quarter: destination (i, j) shows source (j, n - i); column 0 would sample row n,
  // outside the source, and keeps its pixels.
  for (int j = 0; j < n; ++j) {
    EXPECT_EQ(dest.at(0, j), 0x77u);
    for (int i = 1; i < n; ++i) ASSERT_EQ(dest.at(i, j), src.at(j, n - i)) << i << "," << j;
  }
}

TEST(RotatedBlit, CornersOutsideTheSourceKeepTheirPixels) {
  const int n = 16;
  CanvasBitmap src(n, n), dest(n, n);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      src.at(x, y) = 0xFFFFFFFFu;
      dest.at(x, y) = 0x12u;
    }
  RAST_RotatedBlit(&dest, &src, 0, 0, n, n, 0, 0, n, n, static_cast<float>(std::numbers::pi / 4),
                   false, 1.0f, RAST_BLIT_FILTER_BILINEAR | RAST_BLIT_USE_ALPHA);
  EXPECT_EQ(dest.at(0, 0), 0x12u);
  EXPECT_EQ(dest.at(n - 1, 0), 0x12u);
  EXPECT_EQ(dest.at(0, n - 1), 0x12u);
  EXPECT_EQ(dest.at(n - 1, n - 1), 0x12u);
  EXPECT_EQ(dest.at(n / 2, n / 2), 0xFFFFFFFFu);
}

TEST(RotatedBlit, ClipToSourceRectangleLimitsReads) {
  CanvasBitmap src(20, 20), dest(20, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) src.at(x, y) = 0xAAu;
  // A 6 x 6 rectangle at (5, 5) drawn twice as large: samples that leave it are not drawn.
  RAST_RotatedBlit(&dest, &src, 0, 0, 12, 12, 5, 5, 6, 6, 0.3f, true, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(dest.at(0, 0), 0u);
  EXPECT_EQ(dest.at(6, 6), 0xAAu);
  CanvasBitmap whole(20, 20);
  RAST_RotatedBlit(&whole, &src, 0, 0, 12, 12, 5, 5, 6, 6, 0.3f, false, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(whole.at(0, 0), 0xAAu);  // without the limit the bitmap's own pixels are read
}

TEST(RotatedBlit, NothingCases) {
  CanvasBitmap src(4, 4), dest(4, 4);
  FillDistinct(src, 5);
  RAST_RotatedBlit(&dest, &src, 0, 0, 4, 4, 0, 0, 4, 4, 0.0f, false, 0.002f, RAST_BLIT_MODE_COPY);
  RAST_RotatedBlit(&dest, &src, 0, 0, 4, 4, 0, 0, 4, 4, 0.0f, false, 1.0f, RAST_BlendMode(6));
  RAST_RotatedBlit(&dest, &src, 0, 0, 0, 4, 0, 0, 4, 4, 0.0f, false, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_RotatedBlit(&dest, nullptr, 0, 0, 4, 4, 0, 0, 4, 4, 0.0f, false, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_RotatedBlit(&dest, &src, 0, 0, 4, 4, 3, 3, -2, 4, 0.0f, true, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_RotatedBlit(&dest, &src, 0, 0, 4, 4, 0, 0, 4, 4, std::nanf(""), false, 1.0f,
                   RAST_BLIT_MODE_COPY);
  for (RAST_pixel p : dest.Pixels()) EXPECT_EQ(p, 0u);
}

TEST(RotatedBlit, FlippedBitmapsGiveTheSameImage) {
  std::mt19937 rng(6);
  CanvasBitmap srcA(13, 11, false), srcB(13, 11, true), a(17, 15, false), b(17, 15, true);
  srcA.Fill(rng);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 13; ++x) srcB.at(x, y) = srcA.at(x, y);
  for (float angle : {0.0f, 0.4f, 2.0f, -1.2f}) {
    RAST_RotatedBlit(&a, &srcA, -2, 1, 16, 14, 0, 0, 13, 11, angle, false, 0.8f,
                     RAST_BlendMode(0x10100), 1.5f, -2.0f);
    RAST_RotatedBlit(&b, &srcB, -2, 1, 16, 14, 0, 0, 13, 11, angle, false, 0.8f,
                     RAST_BlendMode(0x10100), 1.5f, -2.0f);
    EXPECT_EQ(a.Pixels(), b.Pixels());
  }
}

TEST(RotatedBlit, RandomRotationsStayInsideBothBitmaps) {
  std::mt19937 rng(13);
  static const int kModes[] = {0, 0x100, 0x10100, 0x10101, 1, 2, 3, 4, 5, 0x10105, 0x10000};
  for (int iter = 0; iter < 1500; ++iter) {
    const int sw = 1 + static_cast<int>(rng() % 20), sh = 1 + static_cast<int>(rng() % 20);
    CanvasBitmap src(sw, sh, rng() & 1),
        dest(1 + static_cast<int>(rng() % 20), 1 + static_cast<int>(rng() % 20), rng() & 1);
    src.FillWithAlphaMix(rng);
    const float angle = static_cast<float>(rng() % 10000) / 10000.0f * 7.0f - 0.5f;
    const int dw = static_cast<int>(rng() % 50) - 10, dh = static_cast<int>(rng() % 50) - 10;
    RAST_RotatedBlit(
        &dest, &src, static_cast<int>(rng() % 30) - 10, static_cast<int>(rng() % 30) - 10, dw, dh,
        static_cast<float>(rng() % 10) - 3.0f, static_cast<float>(rng() % 10) - 3.0f,
        static_cast<float>(rng() % 30), static_cast<float>(rng() % 30), angle, rng() & 1,
        static_cast<float>(rng() % 300) / 256.0f, RAST_BlendMode(kModes[rng() % 11]),
        static_cast<float>(rng() % 9) - 4.0f, static_cast<float>(rng() % 9) - 4.0f);
    ASSERT_TRUE(dest.CanariesIntact()) << iter;
    ASSERT_TRUE(src.CanariesIntact()) << iter;
  }
}

TEST(StepBlit, IdentityStepsCopyAndMirroringMovesTheStart) {
  CanvasBitmap src(6, 5), dest(6, 5), mirrored(6, 5);
  FillDistinct(src, 0);
  RAST_StepBlit(&dest, &src, 0, 0, 6, 5, 0, 0, 6, 5, 1, 0, 0, 1, 0, 0, false, 1.0f,
                RAST_BLIT_MODE_COPY);
  EXPECT_EQ(dest.Pixels(), src.Pixels());
  // Negative width: the start moves by the source width, the increments stay.
  RAST_StepBlit(&mirrored, &src, 6, 0, -6, 5, 0, 0, 6, 5, -1, 0, 0, 1, 0, 0, false, 1.0f,
                RAST_BLIT_MODE_COPY);
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(mirrored.at(0, y), 0u);  // samples column 6: outside
    for (int x = 1; x < 6; ++x) EXPECT_EQ(mirrored.at(x, y), src.at(6 - x, y));
  }
}

TEST(StepBlitAlpha, ConstantAlphaIsTheStepBlitAndARampBlends) {
  CanvasBitmap src(8, 2), a(8, 2), b(8, 2);
  for (int x = 0; x < 8; ++x) src.at(x, 0) = src.at(x, 1) = 0xFFFFFFFFu;
  RAST_StepBlitAlpha(&a, &src, 0, 0, 8, 2, 0, 0, 8, 2, 1, 0, 0, 1, 0, 0, false, 0.5, 0, 0, 0,
                     RAST_BLIT_MODE_COPY);
  RAST_StepBlit(&b, &src, 0, 0, 8, 2, 0, 0, 8, 2, 1, 0, 0, 1, 0, 0, false, 0.5f,
                RAST_BLIT_MODE_COPY);
  EXPECT_EQ(a.Pixels(), b.Pixels());
  CanvasBitmap ramp(8, 2);
  RAST_StepBlitAlpha(&ramp, &src, 0, 0, 8, 2, 0, 0, 8, 2, 1, 0, 0, 1, 0, 0, false, 0.0, 0.125, 0, 0,
                     RAST_BLIT_MODE_ADD);
  EXPECT_EQ(ramp.at(0, 0), 0u);           // weight 0: untouched
  EXPECT_EQ(ramp.at(4, 1), 0x7F7F7F7Fu);  // weight 128 of 255
  CanvasBitmap clipped(8, 2);
  RAST_StepBlitAlpha(&clipped, &src, -4, 0, 12, 2, -4, 0, 12, 2, 1, 0, 0, 1, 0, 0, false, -0.5,
                     0.125, 0, 0, RAST_BLIT_MODE_ADD);
  EXPECT_EQ(clipped.Pixels(), ramp.Pixels());  // the alpha walk moves with the clipping
  EXPECT_TRUE(clipped.CanariesIntact());
}

TEST(MeshBlit, IdentityMeshCopies) {
  CanvasBitmap src(10, 8), dest(10, 8), alphaDest(10, 8);
  FillDistinct(src, 0x03000000u);
  const float pts[] = {0, 0, 5, 0, 10, 0, 0, 8, 5, 8, 10, 8};
  RAST_MeshBlit(&dest, &src, 0, 0, 10, 8, pts, 3, 2, RAST_BLIT_MODE_COPY, 1.0f);
  EXPECT_EQ(dest.Pixels(), src.Pixels());
  const double dpts[] = {0, 0, 1, 10, 0, 1, 0, 8, 1, 10, 8, 1};
  RAST_MeshBlitAlpha(&alphaDest, &src, 0, 0, 10, 8, dpts, 2, 2, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(alphaDest.Pixels(), src.Pixels());
  RAST_MeshBlit(&dest, &src, 0, 0, 10, 8, pts, 1, 2, RAST_BLIT_MODE_COPY,
                1.0f);  // too few divisions: nothing
  RAST_MeshBlit(&dest, &src, 0, 0, 10, 8, static_cast<const float*>(nullptr), 3, 2,
                RAST_BLIT_MODE_COPY, 1.0f);
}

TEST(MeshBlit, WarpedCellsStayInside) {
  std::mt19937 rng(5);
  CanvasBitmap src(16, 16), dest(20, 20);
  src.Fill(rng);
  std::vector<double> pts;
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) {
      pts.push_back(i * 5.0 + static_cast<double>(rng() % 100) / 25.0 - 2.0);
      pts.push_back(j * 5.0 + static_cast<double>(rng() % 100) / 25.0 - 2.0);
    }
  RAST_MeshBlit(&dest, &src, -3, -3, 26, 26, pts.data(), 4, 4, RAST_BLIT_FILTER_BILINEAR, 1.0f);
  EXPECT_TRUE(dest.CanariesIntact());
}

TEST(RotatedBlit, VectorAndBaselinePathsAgree) {
  std::mt19937 rng(23);
  for (int iter = 0; iter < 300; ++iter) {
    const int sw = 2 + static_cast<int>(rng() % 40), sh = 2 + static_cast<int>(rng() % 40);
    CanvasBitmap src(sw, sh, rng() & 1), a(40, 40), b(40, 40);
    src.FillWithAlphaMix(rng);
    a.Fill(rng);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) b.at(x, y) = a.at(x, y);
    const float angle = static_cast<float>(rng() % 6283) / 1000.0f;
    const int mode = static_cast<int>(rng() % 2 ? 0x10100 : 0x100) | static_cast<int>(rng() % 6);
    const int dw = 1 + static_cast<int>(rng() % 50), dh = 1 + static_cast<int>(rng() % 50);
    const int x = static_cast<int>(rng() % 30) - 10, y = static_cast<int>(rng() % 30) - 10;
    RAST_RotatedBlit(&a, &src, x, y, dw, dh, 0, 0, static_cast<float>(sw), static_cast<float>(sh),
                     angle, false, 0.9f, RAST_BlendMode(mode));
    RAST_LimitToBaselineVectors(true);
    RAST_RotatedBlit(&b, &src, x, y, dw, dh, 0, 0, static_cast<float>(sw), static_cast<float>(sh),
                     angle, false, 0.9f, RAST_BlendMode(mode));
    RAST_LimitToBaselineVectors(false);
    ASSERT_EQ(a.Pixels(), b.Pixels()) << iter;
  }
}

// Every entry limits its weight to -256..256: an exaggerated alpha draws as alpha 1.0; a negative
// one draws nothing in copy mode and works against the source in the others, never spilling
// out of the bitmap.
TEST(WeightLimit, ExaggeratedAndNegativeAlphasAtEveryEntry) {
  std::mt19937 rng(12);
  CanvasBitmap src(6, 6);
  src.Fill(rng);
  auto run = [&](auto draw) {
    std::mt19937 fill(5);
    CanvasBitmap over(6, 6), full(6, 6), copied(6, 6), negative(6, 6), before(6, 6);
    over.Fill(fill);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x)
        full.at(x, y) = copied.at(x, y) = negative.at(x, y) = before.at(x, y) = over.at(x, y);
    for (int op = 0; op <= 5; ++op) {
      draw(over, 4.0f, op);
      draw(full, 1.0f, op);
      draw(op == 0 ? copied : negative, -1.0f, op);
    }
    EXPECT_EQ(over.Pixels(), full.Pixels());
    EXPECT_EQ(copied.Pixels(), before.Pixels());
    EXPECT_NE(negative.Pixels(), before.Pixels());
    EXPECT_TRUE(over.CanariesIntact() && negative.CanariesIntact());
  };
  run([&](CanvasBitmap& d, float a, int op) {
    RAST_ScaledBlit(&d, &src, 0, 0, 6, 6, 0.5f, 0.5f, 4.0f, 4.0f, a, RAST_BlendMode(0x100 | op));
  });
  run([&](CanvasBitmap& d, float a, int op) {
    RAST_RotatedBlit(&d, &src, 0, 0, 6, 6, 0, 0, 6, 6, 0.3f, false, a,
                     RAST_BlendMode(0x10100 | op));
  });
  run([&](CanvasBitmap& d, float a, int op) {
    RAST_StepBlitAlpha(&d, &src, 0, 0, 6, 6, 0, 0, 6, 6, 0.9, 0.1, -0.1, 0.9, 0, 0, false, a,
                       0.01 * a, 0.02 * a, 0, RAST_BlendMode(op));
  });
  const unsigned char mask[4] = {255, 128, 1, 60};
  run([&](CanvasBitmap& d, float a, int op) {
    RAST_DrawGlyph(&d, 1, 1, 0x80C0FF40u, mask, 2, 2, 2, a, RAST_BlendMode(op));
  });
  run([&](CanvasBitmap& d, float a, int op) {
    RAST_FillRect(&d, 1, 1, 3, 3, 0x80C0FF40u, a, RAST_BlendMode(op));
    RAST_PutPixel(&d, 5, 5, 0x80C0FF40u, a, RAST_BlendMode(op));
  });
}
