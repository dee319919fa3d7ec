// The software drawing context: clip stack, transform, fills, image draws and text placement.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
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

// A face whose every character is one image holding each coverage value once, 13 wide so its
// rows end in every position of a group of four pixels.
class CoverageRampFace : public vq::platform::FontFace {
 public:
  CoverageRampFace() {
    mImage.width = 13;
    mImage.height = 20;
    mImage.top = 20;
    for (int i = 0; i < 13 * 20; ++i) mImage.coverage.push_back(static_cast<std::uint8_t>(i % 256));
  }
  double size() const override { return 20; }
  vq::platform::FontMetrics metrics() const override { return {20, 0, 0}; }
  std::string postScriptName() const override { return "Ramp"; }
  std::string displayName() const override { return "Ramp"; }
  double advance(char32_t) const override { return 15.5; }
  const vq::platform::GlyphImage* glyph(char32_t, bool) const override { return &mImage; }

 private:
  vq::platform::GlyphImage mImage;
};

// Every coverage over random pixels, in inks of several alphas: each colour byte is
// d + (s - d) * w / 255 rounded as the divisions round it, w = alpha * coverage / 255 rounded;
// the first byte is kept.
TEST(DrawContext, GlyphCoverageBlendsByThePixelFormula) {
  CoverageRampFace face;
  std::uint32_t seed = 7;
  for (double alpha : {1.0, 0.5, 0.2}) {
    for (std::uint32_t rgb : {0xFFFFFFu, 0x000000u, 0xC81E64u}) {
      Canvas c(40, 22);
      for (auto& p : c.px) p = seed = seed * 1664525u + 1013904223u;
      const std::vector<std::uint32_t> before = c.px;
      c.dc.drawText(face, U"ab", {1, 21}, Color::FromWord(rgb, alpha));
      const int a = static_cast<int>(alpha * 255 + 0.5);
      for (int y = 0; y < 22; ++y)
        for (int x = 0; x < 40; ++x) {
          const int gx = x < 17 ? x - 1 : x - 17, gy = y - 1;  // pens at 1 and 16.5 -> 17
          const int cover = gx >= 0 && gx < 13 && gy >= 0 && gy < 20 ? (gy * 13 + gx) % 256 : 0;
          const int w = (a * cover + 127) / 255;
          const std::uint32_t d = before[static_cast<size_t>(y * 40 + x)];
          std::uint32_t want = d & 0xFFu;
          for (int k = 1; k < 4; ++k) {
            const int dc = (d >> (8 * k)) & 0xFF, sc = (rgb >> (8 * (3 - k))) & 0xFF;
            want |= static_cast<std::uint32_t>(dc + ((sc - dc) * w + (sc >= dc ? 127 : -127)) / 255)
                    << (8 * k);
          }
          ASSERT_EQ(c.at(x, y), w > 0 ? want : d) << alpha << " " << rgb << " " << x << "," << y;
        }
    }
  }
}

}  // namespace
