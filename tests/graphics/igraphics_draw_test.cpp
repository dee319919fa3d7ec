// Drawing primitives, text and the blend table of IGraphics.
#include <cmath>
#include <set>

#include "gui_fixture.h"
#include "rast/rast_blit.h"

using guitest::GuiFixture;
using guitest::MakeBitmap;

namespace {

using GraphicsDrawing = GuiFixture;

const IColor kRed(255, 255, 0, 0);

}  // namespace

// Every primitive, asked to draw far beyond the area being redrawn, changes only pixels in it.
TEST_F(GraphicsDrawing, EveryPrimitiveStaysInsideTheDrawRectangle) {
  RAST_MemBitmap* big = MakeBitmap(100, 80, [](int, int) { return 0xffffffffu; });
  IFrameBitmap image(big, 100, 80, 1);
  IText text(40, kRed, "Monaco", IText::kStyleNormal, IText::kAlignNear);
  static int xs[] = {-50, 150, 50}, ys[] = {-50, -50, 200};
  const std::vector<std::pair<const char*, std::function<void(IGraphics*)>>> cases = {
      {"bitmap",
       [&](IGraphics* g) {
         IRECT r(0, 0, 100, 80);
         g->DrawBitmap(&image, &r);
       }},
      {"frame",
       [&](IGraphics* g) {
         IRECT r(0, 0, 100, 80);
         g->DrawBitmapFrame(&image, &r, 3);
       }},
      {"rotated", [&](IGraphics* g) { g->DrawRotatedBitmap(&image, 40, 35, 0.3); }},
      {"mask", [&](IGraphics* g) { g->DrawRotatedMask(&image, &image, &image, 0, 0, 30.0); }},
      {"line", [](IGraphics* g) { g->DrawLine(&kRed, -10, -5, 120, 90, nullptr, true); }},
      {"arc", [](IGraphics* g) { g->DrawArc(&kRed, 40, 35, 15, 0, 6, nullptr, true); }},
      {"circle", [](IGraphics* g) { g->DrawCircle(&kRed, 40, 35, 25); }},
      {"round rect",
       [](IGraphics* g) {
         IRECT r(30, 25, 80, 70);
         g->DrawRoundRect(&kRed, &r, nullptr, 6, true);
       }},
      {"fill round rect",
       [](IGraphics* g) {
         IRECT r(5, 5, 95, 75);
         g->FillRoundRect(&kRed, &r, nullptr, 6, true);
       }},
      {"fill rect",
       [](IGraphics* g) {
         IRECT r(-5, -5, 120, 90);
         g->FillIRect(&kRed, &r);
       }},
      {"fill circle", [](IGraphics* g) { g->FillCircle(&kRed, 40, 35, 60.0f); }},
      {"triangle", [](IGraphics* g) { g->FillTriangle(&kRed, -50, -50, 150, -50, 50, 200); }},
      {"polygon", [](IGraphics* g) { g->FillIConvexPolygon(&kRed, xs, ys, 3); }},
      {"bezier", [](IGraphics* g) { g->FillCBezier(&kRed, 0, 10, 30, 0, 60, 70, 99, 20, 79); }},
      {"outline",
       [](IGraphics* g) {
         IRECT r(25, 25, 70, 60);
         g->DrawIRect(&kRed, &r);
       }},
      {"vertical", [](IGraphics* g) { g->DrawVerticalLine(&kRed, 30, -10, 100); }},
      {"horizontal", [](IGraphics* g) { g->DrawHorizontalLine(&kRed, 30, -10, 200); }},
      {"radial",
       [](IGraphics* g) { g->DrawRadialLine(&kRed, 40, 35, 1.0f, 0, 90, nullptr, true); }},
      {"blur",
       [&](IGraphics* g) {
         IRECT s(0, 0, 100, 80);
         g->DrawBlurredBitmap(&image, 0, 0, &s);
       }},
      {"text",
       [&](IGraphics* g) {
         IRECT r(-20, 10, 100, 60);
         g->DrawText(&text, "WWWWWWWWWWWW", &r);
       }},
  };
  const IRECT area(20, 20, 60, 50);
  for (const auto& [name, draw] : cases) {
    Clear();
    DrawIn(area, draw);
    int inside = 0, outside = 0;
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) (area.Contains(x, y) ? inside : outside) += Pixel(x, y) != 0;
    EXPECT_EQ(outside, 0) << name;
    EXPECT_GT(inside, 0) << name;
  }
  g->ReleaseBitmap(&image);
  delete big;
}

TEST_F(GraphicsDrawing, FramesAreChosenByNumberAndLimitedToTheStrip) {
  // Four frames in 42 pixels: frame f starts at (f - 1) * 42 / 4 rounded. Row (or column) k of
  // each strip has red k + 1.
  RAST_MemBitmap* vertical =
      MakeBitmap(10, 42, [](int, int y) { return RAST_MakePixel(y + 1, 0, 0, 255); });
  RAST_MemBitmap* horizontal =
      MakeBitmap(42, 10, [](int x, int) { return RAST_MakePixel(x + 1, 0, 0, 255); });
  IFrameBitmap strips[] = {IFrameBitmap(vertical, 10, 42, 4, false),
                           IFrameBitmap(horizontal, 42, 10, 4, true)};
  const std::pair<int, unsigned> frames[] = {{-3, 0}, {0, 0},  {1, 0},  {2, 11},
                                             {3, 21}, {4, 32}, {5, 32}, {1000000, 32}};
  for (IFrameBitmap& strip : strips) {
    for (auto [frame, start] : frames) {
      DrawIn(IRECT(0, 0, 100, 80), [&](IGraphics* g) {
        IRECT dest(5, 5, 14, 14);
        g->DrawBitmapFrame(&strip, &dest, frame);
      });
      EXPECT_EQ(RAST_PixelRed(Pixel(5, 5)), start + 1) << frame;
      EXPECT_EQ(RAST_PixelRed(Pixel(13, 13)), start + 9) << frame;
    }
  }
  delete vertical;
  delete horizontal;
}

TEST_F(GraphicsDrawing, PixelsLinesAndShapesFollowTheirRules) {
  const IColor half(128, 0, 0, 255);
  DrawIn(IRECT(0, 0, 100, 80), [&](IGraphics* g) {
    g->ForcePixel(&half, 3, 3);  // stored as is, alpha included
    for (auto [x, y] : {std::pair{-1, 0}, {100, 0}, {0, -1}, {0, 80}, {INT32_MAX, INT32_MIN}})
      g->ForcePixel(&kRed, x, y);
    IRECT box(10, 10, 20, 20);
    g->DrawIRect(&kRed, &box);  // right and bottom edges are drawn on R and B
    IRECT in(30, 10, 40, 20);
    g->DrawVerticalLineInRect(&kRed, &in, 2.0f);    // clamped to 1: column L + width
    g->DrawHorizontalLineInRect(&kRed, &in, 0.5f);  // counted from the bottom
    g->DrawRadialLine(&kRed, 60, 40, 0.0f, 5, 10);  // angle 0 points up
    IRECT rr(70, 50, 90, 70);
    g->FillRoundRect(&kRed, &rr, nullptr, 5, false);
  });
  EXPECT_EQ(g->GetPoint(3, 3), half);
  EXPECT_EQ(g->GetPoint(20, 20), kRed);
  EXPECT_EQ(g->GetPoint(20, 15), kRed);
  EXPECT_EQ(g->GetPoint(21, 15), IColor(0, 0, 0, 0));
  EXPECT_EQ(g->GetPoint(40, 12), kRed);
  EXPECT_EQ(g->GetPoint(35, 15), kRed);
  EXPECT_EQ(g->GetPoint(60, 33), kRed);
  EXPECT_EQ(g->GetPoint(60, 41), IColor(0, 0, 0, 0));
  EXPECT_EQ(g->GetPoint(80, 60), kRed);
  EXPECT_EQ(g->GetPoint(70, 50), IColor(0, 0, 0, 0));  // the corner is round

  // A bitmap cut by the draw rectangle keeps its pixels where they were; points round.
  RAST_MemBitmap* ramp =
      MakeBitmap(20, 20, [](int x, int y) { return RAST_MakePixel(x, y, 9, 255); });
  IFrameBitmap image(ramp, 20, 20);
  DrawIn(IRECT(10, 10, 20, 20), [&](IGraphics* g) {
    IRECT dest(5, 5, 25, 25);
    g->DrawBitmap(&image, &dest, 1, 2);
    g->DrawPoint(&kRed, 14.6f, 15.4f);
  });
  EXPECT_EQ(Pixel(10, 10), RAST_MakePixel(6, 7, 9, 255));
  EXPECT_EQ(Pixel(19, 12), RAST_MakePixel(15, 9, 9, 255));
  EXPECT_EQ(g->GetPoint(15, 15), kRed);
  delete ramp;
}

TEST_F(GraphicsDrawing, TextMeasuresAtItsAlignedSideAndSharesFontsByStyle) {
  IText text(14, kRed, "Arial", IText::kStyleNormal, IText::kAlignNear);
  IRECT r(10, 5, 110, 25);
  ASSERT_TRUE(g->MeasureText(&text, "Cutoff", &r));
  const int w = r.W(), h = r.H();
  EXPECT_GT(w, 10);
  EXPECT_GT(h, 8);
  EXPECT_EQ(r.L, 10);
  text.mAlign = IText::kAlignCenter;
  r = IRECT(10, 5, 110, 25);
  g->MeasureText(&text, "Cutoff", &r);
  EXPECT_EQ(r, IRECT(60 - w / 2, 5, 60 - w / 2 + w, 5 + h));
  text.mAlign = IText::kAlignFar;
  r = IRECT(10, 5, 110, 25);
  g->MeasureText(&text, "Cutoff", &r);
  EXPECT_EQ(r, IRECT(110 - w, 5, 110, 5 + h));
  r = IRECT(1, 2, 3, 4);
  EXPECT_TRUE(g->DrawText(&text, "", &r, true));
  EXPECT_EQ(r, IRECT(1, 2, 3, 4));

  IText other = text, smooth = text;
  other.mCached = smooth.mCached = nullptr;
  other.mColor = COLOR_BLUE;
  smooth.mQuality = IText::kQualityAntiAliased;
  g->MeasureText(&other, "x", &r);
  g->MeasureText(&smooth, "x", &r);
  EXPECT_EQ(other.mCached, text.mCached);
  EXPECT_NE(smooth.mCached, text.mCached);
  // The font is made again at the height that brings its line height to the size asked for.
  for (int size : {10, 15, 20, 30, 40}) {
    IText sized(size, kRed, "Arial");
    r = IRECT(0, 0, 0, 0);
    g->MeasureText(&sized, "Ag", &r);
    EXPECT_TRUE(r.H() >= size && r.H() <= size + 3)
        << size << ": " << r.H();  // uncorrected: + 4 to 8
  }
  // A size the font layer refuses: the height correction stays in range.
  IText huge(100000, kRed);
  EXPECT_TRUE(g->MeasureText(&huge, "x", &r));
}

// Each blend method draws as the raster mode it stands for.
TEST_F(GraphicsDrawing, BlendMethodsDrawWithTheirRasterModes) {
  const RAST_pixel src = RAST_MakePixel(200, 100, 40, 128), dst = RAST_MakePixel(90, 60, 90, 255);
  RAST_MemBitmap* one = MakeBitmap(1, 1, [&](int, int) { return src; });
  IFrameBitmap image(one, 1, 1);
  const std::pair<int, int> cases[] = {{IChannelBlend::kBlendNone, 0x10000},
                                       {IChannelBlend::kBlendClobber, 0x0},
                                       {IChannelBlend::kBlendAdd, 0x10001},
                                       {IChannelBlend::kBlendColorDodge, 0x10002},
                                       {9, 0x10000}};
  std::set<RAST_pixel> seen;
  for (auto [method, mode] : cases) {
    RAST_Clear(g->GetDrawBitmap(), dst);
    const IChannelBlend blend(method, 0.5f);
    DrawIn(IRECT(0, 0, 100, 80), [&](IGraphics* g) {
      IRECT r(4, 4, 5, 5);
      g->DrawBitmap(&image, &r, 0, 0, &blend);
    });
    RAST_MemBitmap* want = MakeBitmap(1, 1, [&](int, int) { return dst; });
    RAST_Blit(want, one, 0, 0, 0, 0, 1, 1, 0.5f, RAST_BlendMode(mode));
    EXPECT_EQ(Pixel(4, 4), RAST_GetPixel(want, 0, 0)) << method;
    seen.insert(Pixel(4, 4));
    delete want;
  }
  EXPECT_EQ(seen.size(), 4u);  // the four modes tell apart
  delete one;
}
