// The software drawing context: clip stack, transform, fills, image draws and text placement.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/draw_context.h"

namespace {

using vq::platform::Color;
using vq::platform::DrawContext;

constexpr std::uint32_t kWhite = 0xFFFFFF00u;  // red, green, blue 255; first byte left alone
constexpr std::uint32_t kRed = 0x0000FF00u;

struct Canvas {
  explicit Canvas(int w, int h, double scale = 1)
      : px(static_cast<size_t>(w * h), 0), dc(px.data(), w, h, w, scale), w(w) {}
  std::uint32_t at(int x, int y) const { return px[static_cast<size_t>(y * w + x)]; }
  int count(std::uint32_t v) const {
    int n = 0;
    for (auto p : px) n += p == v;
    return n;
  }
  std::vector<std::uint32_t> px;
  DrawContext dc;
  int w;
};

TEST(DrawContext, FillCoversPixelCentresInsideAndKeepsFirstByte) {
  Canvas c(8, 8);
  c.px[9] = 0x77;  // ignored byte of (1, 1)
  c.dc.fillRect({1, 1, 3, 2}, Color::FromWord(0xFFFFFF));
  EXPECT_EQ(c.count(kWhite) + 1, 6);
  EXPECT_EQ(c.at(1, 1), kWhite | 0x77);
  EXPECT_EQ(c.at(3, 2), kWhite);
  EXPECT_EQ(c.at(4, 2), 0u);
  EXPECT_EQ(c.at(1, 3), 0u);
}

TEST(DrawContext, ClipStackAndTranslation) {
  Canvas c(10, 10);
  c.dc.saveState();
  c.dc.translate(2, 3);
  c.dc.clipToRect({0, 0, 2, 2});  // device 2..4, 3..5
  c.dc.fillRect({-5, -5, 50, 50}, Color::FromWord(0xFF0000));
  EXPECT_EQ(c.count(kRed), 4);
  EXPECT_EQ(c.at(2, 3), kRed);
  EXPECT_EQ(c.at(3, 4), kRed);
  EXPECT_TRUE(c.dc.restoreState());
  EXPECT_FALSE(c.dc.restoreState());
  c.dc.fillRect({0, 0, 1, 1}, Color::FromWord(0xFF0000));
  EXPECT_EQ(c.at(0, 0), kRed);  // clip and translation are gone
}

TEST(DrawContext, HalfAlphaMixesChannels) {
  Canvas c(1, 1);
  c.dc.fillRect({0, 0, 1, 1}, Color::FromWord(0xFFFFFF, 0.5));
  EXPECT_EQ(c.at(0, 0), 0x80808000u);
}

TEST(DrawContext, ImageScaledNearestAndAlphaImages) {
  Canvas c(4, 2);
  const std::uint32_t src[2] = {0x0000FF00u, 0xFF000000u};  // red, blue
  c.dc.drawImage({0, 0, 4, 2}, {src, 2, 1, 2, false});
  EXPECT_EQ(c.at(0, 0), 0x0000FF00u);
  EXPECT_EQ(c.at(1, 1), 0x0000FF00u);
  EXPECT_EQ(c.at(2, 0), 0xFF000000u);
  const std::uint32_t clear[1] = {0xFFFFFF00u};  // alpha byte 0
  c.dc.drawImage({0, 0, 4, 2}, {clear, 1, 1, 1, true});
  EXPECT_EQ(c.at(0, 0), 0x0000FF00u);
}

TEST(DrawContext, DoubleScaleMapsOneUnitToTwoPixels) {
  Canvas c(4, 4, 2.0);
  EXPECT_EQ(c.dc.sizeToDevice({1, 1}).width, 2);
  c.dc.fillRect({1, 1, 1, 1}, Color::FromWord(0xFFFFFF));
  EXPECT_EQ(c.count(kWhite), 4);
  EXPECT_EQ(c.at(2, 2), kWhite);
  EXPECT_EQ(c.at(3, 3), kWhite);
}

TEST(DrawContext, PolygonAndStroke) {
  Canvas c(10, 10);
  c.dc.fillPolygon({{2, 2}, {6, 2}, {6, 5}, {2, 5}}, Color::FromWord(0xFFFFFF));
  EXPECT_EQ(c.count(kWhite), 12);
  Canvas s(10, 10);
  s.dc.strokePolyline({{0.5, 4.5}, {9.5, 4.5}}, 1, Color::FromWord(0xFFFFFF));
  for (int x = 0; x < 10; ++x) EXPECT_EQ(s.at(x, 4), kWhite) << x;
  EXPECT_EQ(s.count(kWhite), 10);
}

TEST(DrawContext, TextSumsAdvancesAndSitsOnBaseline) {
  vq::platform::FixedFontService fonts;
  auto face = fonts.createFont("f", 12);  // advance 6, block 5 x 9 above the baseline
  Canvas c(20, 12);
  const double advance = c.dc.drawText(*face, U"A B", {1, 10}, Color::FromWord(0xFFFFFF));
  EXPECT_EQ(advance, 18);
  EXPECT_EQ(c.at(1, 1), kWhite);
  EXPECT_EQ(c.at(5, 9), kWhite);
  EXPECT_EQ(c.at(1, 10), 0u);  // the baseline row stays empty
  EXPECT_EQ(c.at(1, 0), 0u);
  EXPECT_EQ(c.at(6, 5), 0u);  // gap of one pixel, then the space
  EXPECT_EQ(c.at(13, 5), kWhite);
  EXPECT_EQ(c.count(kWhite), 2 * 5 * 9);
}

}  // namespace
