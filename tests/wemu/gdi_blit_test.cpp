// StretchBlt and BitBlt: source clipping, destination sizes, the alpha mode, double density.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "platform/draw_context.h"
#include "wemu/gdi_blit.h"

namespace {

// Column x of the source has red x + 1 (row y: green y + 1).
class GdiBlit : public ::testing::Test {
 protected:
  void SetUp() override {
    src = WEMU_CreateMemContext(nullptr, 100, 100);
    dst = WEMU_CreateMemContext(nullptr, 200, 20);
    std::uint32_t* p = WEMU_GetCtxFrameBuffer(src);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x)
        p[y * 100 + x] = std::uint32_t(x + 1) << 8 | std::uint32_t(y + 1) << 16;
  }
  void TearDown() override {
    WEMU_DeleteGfxContext(src);
    WEMU_DeleteGfxContext(dst);
  }
  // The source column shown at destination x on row 0 (0 when untouched).
  int column(int x, int y = 0) const {
    return ((WEMU_GetCtxFrameBuffer(dst)[y * 200 + x] >> 8) & 0xFF);
  }
  int firstDrawn() const {
    for (int x = 0; x < 200; ++x)
      if (column(x)) return x;
    return -1;
  }
  int drawnWidth() const {
    int n = 0;
    for (int x = 0; x < 200; ++x) n += column(x) != 0;
    return n;
  }
  HDC src = nullptr;
  HDC dst = nullptr;
};

TEST_F(GdiBlit, NegativeSourceXMovesTheDestinationRight) {
  StretchBlt(dst, 20, 0, 50, 1, src, -10, 0, 50, 1, 0);
  EXPECT_EQ(firstDrawn(), 30);
  EXPECT_EQ(drawnWidth(), 40);
  EXPECT_EQ(column(30), 1);
  EXPECT_EQ(column(69), 40);
}

TEST_F(GdiBlit, SourceCutAtItsRightEdgeScalesTheDestination) {
  StretchBlt(dst, 0, 0, 80, 1, src, 80, 0, 40, 1, 0);
  EXPECT_EQ(drawnWidth(), 40);  // 20 columns, each 2 wide
  EXPECT_EQ(column(0), 81);
  EXPECT_EQ(column(1), 81);
  EXPECT_EQ(column(2), 82);
  EXPECT_EQ(column(39), 100);
}

TEST_F(GdiBlit, NegativeSourceYMovesDown) {
  StretchBlt(dst, 0, 2, 3, 10, src, 0, -4, 3, 10, 0);
  EXPECT_EQ(column(0, 5), 0);
  const std::uint32_t first = WEMU_GetCtxFrameBuffer(dst)[6 * 200];
  EXPECT_EQ((first >> 16) & 0xFF, 1u);  // source row 0 lands 4 rows down
  EXPECT_EQ(column(0, 11), 1);
  EXPECT_EQ(column(0, 12), 0);
}

TEST_F(GdiBlit, AlphaModeTakesTheFirstByteAsAlpha) {
  BitBlt(dst, 0, 0, 10, 1, src, 0, 0, WEMU_BLIT_ALPHA);  // every first byte is 0
  EXPECT_EQ(drawnWidth(), 0);
  std::uint32_t* p = WEMU_GetCtxFrameBuffer(src);
  p[0] |= 0xFF;  // opaque
  BitBlt(dst, 0, 0, 10, 1, src, 0, 0, WEMU_BLIT_ALPHA);
  EXPECT_EQ(drawnWidth(), 1);
  BitBlt(dst, 0, 0, 10, 1, src, 0, 0, 0);
  EXPECT_EQ(drawnWidth(), 10);
}

TEST_F(GdiBlit, NothingForBadRequests) {
  BitBlt(dst, 0, 0, 10, 1, src, 100, 0, 0);  // wholly outside
  StretchBlt(dst, 0, 0, 10, 1, src, 0, 0, 0, 1, 0);
  StretchBlt(dst, 0, 0, 10, 1, nullptr, 0, 0, 10, 1, 0);
  StretchBlt(nullptr, 0, 0, 10, 1, src, 0, 0, 10, 1, 0);
  std::vector<std::uint32_t> px(4);
  vq::platform::DrawContext view(px.data(), 2, 2, 2);
  HDC windowLike = WEMU_CreateGfxContext(&view);  // owns no pixels: cannot be a source
  BitBlt(dst, 0, 0, 2, 2, windowLike, 0, 0, 0);
  WEMU_DeleteGfxContext(windowLike);
  EXPECT_EQ(drawnWidth(), 0);
}

TEST_F(GdiBlit, DoubleDensityCopiesEachPixelAsABlock) {
  std::vector<std::uint32_t> px(16, 0);
  vq::platform::DrawContext view(px.data(), 4, 4, 4, 2.0);
  HDC screen = WEMU_CreateGfxContext(&view);
  for (int round = 0; round < 2; ++round) {  // the second copy reuses the work buffer
    std::fill(px.begin(), px.end(), 0u);
    BitBlt(screen, 1, 0, 1, 1, src, 4, 0, 0);
    int n = 0;
    for (std::uint32_t p : px) n += p != 0;
    EXPECT_EQ(n, 4);
    EXPECT_EQ((px[2] >> 8) & 0xFF, 5u);
    EXPECT_EQ(px[2], px[3]);
    EXPECT_EQ(px[2], px[6]);
    EXPECT_EQ(px[2], px[7]);
  }
  WEMU_DeleteGfxContext(screen);
}

// Destinations at the ends of the integer range: moving right by the cut-off part stays
// defined (the sanitizer would stop the test) and nothing lands inside.
TEST_F(GdiBlit, DestinationsAtTheEndsOfTheIntegerRange) {
  StretchBlt(dst, INT_MAX - 5, 0, 50, 5, src, -10, 0, 50, 5, 0);
  StretchBlt(dst, 0, INT_MAX - 5, 50, 5, src, 0, -10, 50, 5, 0);
  StretchBlt(dst, INT_MIN, 0, INT_MAX, 5, src, -100, 0, 100, 5, 0);
  EXPECT_EQ(drawnWidth(), 0);
  StretchBlt(dst, INT_MIN + 5, 0, 10, 5, src, 0, 0, 10, 5, 0);
  EXPECT_EQ(drawnWidth(), 0);
}

}  // namespace
