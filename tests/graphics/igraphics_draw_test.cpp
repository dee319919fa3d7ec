// Drawing primitives, text and the blend table of IGraphics.
#include <cmath>

#include "gui_fixture.h"

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
  // Frame k (0-based) of each strip has red k + 1.
  RAST_MemBitmap* vertical =
      MakeBitmap(10, 40, [](int, int y) { return RAST_MakePixel(y / 10 + 1, 0, 0, 255); });
  RAST_MemBitmap* horizontal =
      MakeBitmap(40, 10, [](int x, int) { return RAST_MakePixel(x / 10 + 1, 0, 0, 255); });
  IFrameBitmap strips[] = {IFrameBitmap(vertical, 10, 40, 4, false),
                           IFrameBitmap(horizontal, 40, 10, 4, true)};
  const std::pair<int, unsigned> frames[] = {{-3, 1}, {0, 1}, {1, 1},      {2, 2},
                                             {4, 4},  {5, 4}, {1000000, 4}};
  for (IFrameBitmap& strip : strips) {
    for (auto [frame, red] : frames) {
      DrawIn(IRECT(0, 0, 100, 80), [&](IGraphics* g) {
        IRECT dest(5, 5, 15, 15);
        g->DrawBitmapFrame(&strip, &dest, frame);
      });
      EXPECT_EQ(RAST_PixelRed(Pixel(5, 5)), red) << frame;
      EXPECT_EQ(RAST_PixelRed(Pixel(14, 14)), red) << frame;
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
  // A size the font layer refuses: the height correction stays in range.
  IText huge(100000, kRed);
  EXPECT_TRUE(g->MeasureText(&huge, "x", &r));
}
