// Fills, clears and pixel access: exact values, clipping with canary borders, bottom-up bitmaps,
// and random fills against a per-channel reference.
#include <gtest/gtest.h>

#include "rast/rast_fill.h"
#include "tests/rast/blit_reference.h"

using namespace rast_test;

namespace {

RAST_pixel ReferenceFillPixel(RAST_pixel d, RAST_pixel color, int a, int op) {
  if (op == 0) {
    if (a < 1) return d;
    if (a == 256) return color;
    if (a == 128) return ((d >> 1) & 0x7F7F7F7Fu) + ((color >> 1) & 0x7F7F7F7Fu);
    if (a == 64)
      return ((d >> 2) & 0x3F3F3F3Fu) + ((d >> 1) & 0x7F7F7F7Fu) + ((color >> 2) & 0x3F3F3F3Fu);
    if (a == 192)
      return ((d >> 2) & 0x3F3F3F3Fu) + ((color >> 2) & 0x3F3F3F3Fu) + ((color >> 1) & 0x7F7F7F7Fu);
  }
  if (op == 5) return RefHSV(d, Chan(color, 1), Chan(color, 2), Chan(color, 3), Clamp(a), a);
  int v[4];
  v[0] = Clamp(RefChannel(op, Chan(d, 0), a, a));  // the weight is the source alpha
  for (int c = 1; c < 4; ++c) v[c] = RefChannel(op, Chan(d, c), Chan(color, c), a);
  return Join(v);
}

}  // namespace

TEST(FillRect, RandomFillsMatchReference) {
  std::mt19937 rng(4);
  for (int iter = 0; iter < 2000; ++iter) {
    const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 20);
    CanvasBitmap bm(w, h, rng() & 1), want(w, h);
    bm.Fill(rng);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) want.at(x, y) = bm.at(x, y);
    const int x = static_cast<int>(rng() % (w + 10)) - 5,
              y = static_cast<int>(rng() % (h + 10)) - 5;
    const int fw = static_cast<int>(rng() % (w + 8)) - 2,
              fh = static_cast<int>(rng() % (h + 8)) - 2;
    const RAST_pixel color = static_cast<RAST_pixel>(rng());
    const int op = static_cast<int>(rng() % 7);
    const bool useAlpha = rng() % 4 == 0;
    static const float kAlphas[] = {1.0f, 0.5f, 0.25f, 0.75f, 0.3f, 0.999f, 1.7f, -0.5f, 0.001f};
    float alpha = kAlphas[rng() % 9];
    RAST_FillRect(&bm, x, y, fw, fh, color, alpha, RAST_BlendMode(op | (useAlpha ? 0x10000 : 0)));
    if (useAlpha) alpha *= static_cast<float>(RAST_PixelAlpha(color)) / 255.0f;
    const int a = WeightOf(alpha);
    if (a != 0 && op <= 5)
      for (int yy = std::max(y, 0); yy < std::min(y + fh, h); ++yy)
        for (int xx = std::max(x, 0); xx < std::min(x + fw, w); ++xx)
          want.at(xx, yy) = ReferenceFillPixel(want.at(xx, yy), color, a, op);
    ASSERT_EQ(bm.Pixels(), want.Pixels())
        << "iteration " << iter << " op " << op << " alpha " << alpha;
    ASSERT_TRUE(bm.CanariesIntact());
  }
}

TEST(FillRect, ExactValues) {
  CanvasBitmap bm(1, 1);
  bm.at(0, 0) = 0xFFFFFFFFu;
  RAST_FillRect(&bm, 0, 0, 1, 1, 0, 0.5f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(bm.at(0, 0), 0x7F7F7F7Fu);
  bm.at(0, 0) = 0xFFFFFFFFu;
  RAST_FillRect(&bm, 0, 0, 1, 1, 0, 0.25f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(bm.at(0, 0), 0xBEBEBEBEu);
  // Source alpha with a transparent colour fills nothing.
  RAST_FillRect(&bm, 0, 0, 1, 1, 0x12345600u, 1.0f, RAST_BLIT_USE_ALPHA);
  EXPECT_EQ(bm.at(0, 0), 0xBEBEBEBEu);
  // A copy fill at weight 200 moves the alpha byte towards 200.
  bm.at(0, 0) = 0;
  RAST_FillRect(&bm, 0, 0, 1, 1, 0xFFFFFFFFu, 200.0f / 256.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(RAST_PixelAlpha(bm.at(0, 0)), 157u);  // 200 + (0 - 200) * 56 / 256
}

TEST(FillRect, ClipsAtEveryEdge) {
  CanvasBitmap bm(10, 6, true);
  RAST_FillRect(&bm, -5, 0, 10, 1, 0xFFFFFFFFu, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(bm.at(4, 0), 0xFFFFFFFFu);
  EXPECT_EQ(bm.at(5, 0), 0u);
  RAST_FillRect(&bm, 8, 4, 100, 100, 0x01010101u, 1.0f, RAST_BLIT_MODE_ADD);
  EXPECT_EQ(bm.at(9, 5), 0x010101FFu);  // the alpha channel adds the weight itself
  RAST_FillRect(&bm, -100, -100, 1000, 1000, 0x01010101u, 1.0f, RAST_BLIT_MODE_ADD);
  RAST_FillRect(&bm, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 7, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_FillRect(&bm, 10, 0, 5, 5, 7, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_TRUE(bm.CanariesIntact());
  RAST_FillRect(nullptr, 0, 0, 1, 1, 0, 1.0f, RAST_BLIT_MODE_COPY);
}

TEST(Clear, SetsEveryPixelButNotTheRowPadding) {
  CanvasBitmap bm(5, 3, true);
  RAST_Clear(&bm, 0x12345678u);
  for (RAST_pixel p : bm.Pixels()) EXPECT_EQ(p, 0x12345678u);
  EXPECT_TRUE(bm.CanariesIntact());
  RAST_MemBitmap mem(5, 2);  // row span 8
  mem.getBits()[5] = 0xDEADu;
  RAST_Clear(&mem, 1);
  EXPECT_EQ(mem.getBits()[4], 1u);
  EXPECT_EQ(mem.getBits()[5], 0xDEADu);
}

TEST(ClearRect, MaskedSet) {
  CanvasBitmap bm(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) bm.at(x, y) = 0xAABBCCDDu;
  RAST_ClearRect(&bm, 1, 1, 10, 10, 0xFFFFFF00u, 0x11u);
  EXPECT_EQ(bm.at(0, 0), 0xAABBCCDDu);
  EXPECT_EQ(bm.at(3, 3), 0xAABBCC11u);
  EXPECT_TRUE(bm.CanariesIntact());
}

TEST(PixelAccess, GetAndPut) {
  CanvasBitmap bm(3, 3, true);
  bm.at(2, 0) = 0x55u;
  EXPECT_EQ(RAST_GetPixel(&bm, 2, 0), 0x55u);
  EXPECT_EQ(RAST_GetPixel(&bm, 3, 0), 0u);
  EXPECT_EQ(RAST_GetPixel(&bm, -1, 0), 0u);
  EXPECT_EQ(RAST_GetPixel(nullptr, 0, 0), 0u);
  bm.at(1, 1) = 0x10101010u;
  RAST_PutPixel(&bm, 1, 1, 0x20202020u, 0.0f, RAST_BLIT_MODE_ADD);
  EXPECT_EQ(bm.at(1, 1), 0x10101010u);
  RAST_PutPixel(&bm, 1, 1, 0x20202020u, 0.5f, RAST_BLIT_MODE_COPY);
  EXPECT_EQ(bm.at(1, 1), 0x18181818u);
  RAST_PutPixel(&bm, 1, 1, 0x20202020u, 1.0f, RAST_BLIT_MODE_ADD);
  EXPECT_EQ(bm.at(1, 1), 0x38383838u);
  // The colour's own alpha byte is the source alpha of a put.
  bm.at(0, 0) = 0;
  RAST_PutPixel(&bm, 0, 0, 0x000000C8u, 0.3f, RAST_BLIT_MODE_ADD);
  EXPECT_EQ(bm.at(0, 0), static_cast<RAST_pixel>(200 * 76 / 256));
  RAST_PutPixel(&bm, 3, 0, 0xFFFFFFFFu, 1.0f, RAST_BLIT_MODE_COPY);
  RAST_PutPixel(&bm, 0, -1, 0xFFFFFFFFu, 1.0f, RAST_BLIT_MODE_COPY);
  EXPECT_TRUE(bm.CanariesIntact());
}

TEST(ScaleOffsetRect, ScalesAndOffsetsInChannelUnits) {
  CanvasBitmap bm(2, 1);
  bm.at(0, 0) = RAST_MakePixel(100, 200, 50, 255);
  RAST_ScaleOffsetRect(&bm, 0, 0, 1, 1, 0.5f, 2.0f, 1.0f, 1.0f, 10.0f, 0.0f, -60.0f, 0.0f);
  EXPECT_EQ(bm.at(0, 0), RAST_MakePixel(60, 255, 0, 255));
  EXPECT_EQ(bm.at(1, 0), 0u);
  RAST_ScaleOffsetRect(&bm, -5, -5, 100, 100, 1e30f, 1e30f, 1e30f, 1e30f, -1e30f, 0, 0, 0);
  EXPECT_TRUE(bm.CanariesIntact());
}

TEST(ForEachPixel, VisitsTheClippedRectangleRowByRow) {
  CanvasBitmap bm(4, 3, true);
  std::vector<RAST_pixel*> seen;
  RAST_ForEachPixel(
      &bm, -1, 1, 3, 5,
      [](RAST_pixel* p, void* parm) { static_cast<std::vector<RAST_pixel*>*>(parm)->push_back(p); },
      &seen);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], &bm.at(0, 1));
  EXPECT_EQ(seen[1], &bm.at(1, 1));
  EXPECT_EQ(seen[2], &bm.at(0, 2));
  RAST_ForEachPixel(&bm, 0, 0, 4, 3, nullptr, nullptr);
}

TEST(SetAlphaFromColorMask, GreenBecomesTransparent) {
  CanvasBitmap bm(3, 1);
  bm.at(0, 0) = 0x00FF0077u;
  bm.at(1, 0) = 0x00FE0000u;
  bm.at(2, 0) = 0x00FF00FFu;
  RAST_SetAlphaFromColorMask(&bm, 0x00FF0000u);
  EXPECT_EQ(bm.at(0, 0), 0x00FF0000u);
  EXPECT_EQ(bm.at(1, 0), 0x00FE00FFu);
  EXPECT_EQ(bm.at(2, 0), 0x00FF0000u);
  RAST_SetAlphaFromColorMask(&bm, 0x00FF0001u);  // a colour with alpha matches nothing
  EXPECT_EQ(bm.at(0, 0), 0x00FF00FFu);
}

TEST(SimpleFill, FillsRowsThroughTheSeedColumnOnly) {
  // A U shape of zeros in ones: two arms joined at the bottom row.
  const char* rows[] = {
      "0110",
      "0110",
      "0000",
  };
  CanvasBitmap bm(4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) bm.at(x, y) = rows[y][x] == '1' ? 1u : 0u;
  RAST_SimpleFill(&bm, 0, 0, 0x100u, 0xFFFFFFFFu, 0u);
  // Column 0 runs down all rows; each row fills left and right while it matches.
  EXPECT_EQ(bm.at(0, 0), 0x100u);
  EXPECT_EQ(bm.at(0, 2), 0x100u);
  EXPECT_EQ(bm.at(3, 2), 0x100u);
  // The other arm is reached only around the corner, and stays unfilled.
  EXPECT_EQ(bm.at(3, 0), 0u);
  EXPECT_EQ(bm.at(3, 1), 0u);
  EXPECT_EQ(bm.at(1, 0), 1u);
  // Filling with a matching colour terminates.
  RAST_SimpleFill(&bm, 1, 0, 1u, 0xFFu, 0xFFFFFFFFu);
  RAST_SimpleFill(&bm, 9, 0, 1u, 0xFFu, 0u);
  EXPECT_TRUE(bm.CanariesIntact());
}

// An opaque fill of whole gapless rows runs as one; a narrower or shorter one keeps to its
// rectangle.
TEST(FillRect, OpaqueFillOfGaplessRowsKeepsToItsRectangle) {
  for (int w : {8, 400}) {  // a short run, and runs long enough for the string store
    RAST_MemBitmap bm(w, 6, 4);
    ASSERT_EQ(bm.getRowSpan(), w);
    const int n = w * 6;
    for (int i = 0; i < n; ++i) bm.getBits()[i] = 0x11111111u;
    RAST_FillRect(&bm, 0, 2, w, 3, 0xAABBCCDDu, 1.0f, RAST_BLIT_MODE_COPY);
    for (int i = 0; i < n; ++i)
      ASSERT_EQ(bm.getBits()[i], (i >= 2 * w && i < 5 * w) ? 0xAABBCCDDu : 0x11111111u) << i;
    RAST_FillRect(&bm, 1, 0, w - 1, 6, 0x22222222u, 1.0f, RAST_BLIT_MODE_COPY);
    for (int i = 0; i < n; ++i) ASSERT_EQ(bm.getBits()[i] == 0x22222222u, i % w != 0) << i;
    RAST_FillRect(&bm, -3, -3, w + 12, 20, 0x33333333u, 1.0f, RAST_BLIT_MODE_COPY);
    for (int i = 0; i < n; ++i) ASSERT_EQ(bm.getBits()[i], 0x33333333u) << i;
  }
}
