// Contexts of window views (GetDC, ReleaseDC, GetWindowDC), clipping, fills and shapes.
#include <gtest/gtest.h>

#include <vector>

#include "wemu/gdi_paint.h"
#include "wemu/gdi_shapes.h"
#include "wemu_fixture.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF00u;

// A view with a 16 x 16 backing that can paint or lock focus.
class PaintView : public HWND__, public WEMU_PaintSource {
 public:
  PaintView() : pixels(256, 0), surface(pixels.data(), 16, 16, 16) { publish(); }
  ~PaintView() override {
    if (paint) WEMU_DeleteGfxContext(paint);
    retire();
  }
  HDC__* wemuPaintContext() override { return paint; }
  vq::platform::DrawContext* wemuLockFocus() override {
    if (!canDraw) return nullptr;
    ++locks;
    return &surface;
  }
  void wemuUnlockFocus() override { --locks; }
  vq::platform::Point wemuBoundsOrigin() const override { return origin; }
  double wemuBackingScale() const override { return scale; }

  std::vector<std::uint32_t> pixels;
  vq::platform::DrawContext surface;
  HDC__* paint = nullptr;
  bool canDraw = true;
  int locks = 0;
  vq::platform::Point origin;
  double scale = 1;
};

class GdiPaint : public WemuTest {};

TEST_F(GdiPaint, FocusContextIsMadeAndReleased) {
  PaintView view;
  HDC dc = GetDC(&view);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(view.locks, 1);
  HBRUSH white = CreateSolidBrush(0xFFFFFF);
  RECT r{0, 0, 2, 2};
  WEMU_SetClipRegion(dc, &r);
  RECT all{0, 0, 16, 16};
  WEMU_FillRect(dc, &all, white);
  EXPECT_EQ(ReleaseDC(&view, dc), 1);
  EXPECT_EQ(view.locks, 0);
  EXPECT_FALSE(WEMU_IsLiveContext(dc));
  int n = 0;
  for (auto p : view.pixels) n += p == kWhite;
  EXPECT_EQ(n, 4);
  // The clip went with the state GetDC saved.
  int x0, y0, x1, y1;
  view.surface.clipBounds(x0, y0, x1, y1);
  EXPECT_EQ(x1 - x0, 16);
  DeleteObject(white);
  view.canDraw = false;
  EXPECT_EQ(GetDC(&view), nullptr);
}

TEST_F(GdiPaint, PaintContextIsLentNotReleased) {
  PaintView view;
  view.paint = WEMU_CreateGfxContext(&view.surface);
  HDC dc = GetDC(&view);
  EXPECT_EQ(dc, view.paint);
  EXPECT_EQ(view.locks, 0);
  RECT r{0, 0, 1, 1};
  WEMU_SetClipRegion(dc, &r);
  ReleaseDC(&view, dc);
  EXPECT_TRUE(WEMU_IsLiveContext(view.paint));
  int x0, y0, x1, y1;
  view.surface.clipBounds(x0, y0, x1, y1);
  EXPECT_EQ(x1, 16);                          // restored
  EXPECT_EQ(GetWindowDC(&view), view.paint);  // bounds origin (0, 0): the same context
  ReleaseDC(&view, view.paint);
}

TEST_F(GdiPaint, WindowContextFollowsTheBoundsOrigin) {
  PaintView view;
  view.origin = {5, 3};
  HDC dc = GetWindowDC(&view);
  ASSERT_NE(dc, nullptr);
  SetPixel(dc, 0, 0, 0xFFFFFF);
  ReleaseDC(&view, dc);
  EXPECT_EQ(view.pixels[3 * 16 + 5], kWhite);
  HDC again = GetDC(&view);
  SetPixel(again, 0, 0, 0xFFFFFF);
  ReleaseDC(&view, again);
  EXPECT_EQ(view.pixels[0], kWhite);  // the translation ended with the release
}

TEST_F(GdiPaint, ViewsThatCannotPaintAndRetinaQuestions) {
  RecordingWindow plain;
  EXPECT_EQ(GetDC(&plain), nullptr);
  EXPECT_EQ(GetDC(nullptr), nullptr);
  PaintView view;
  EXPECT_FALSE(WEMU_IsRetinaHWND(&view));
  view.scale = 2;
  EXPECT_TRUE(WEMU_IsRetinaHWND(&view));
  EXPECT_FALSE(WEMU_IsRetinaHWND(&plain));
  std::vector<std::uint32_t> px(16);
  vq::platform::DrawContext dense(px.data(), 4, 4, 4, 2.0);
  HDC dc = WEMU_CreateGfxContext(&dense);
  EXPECT_TRUE(WEMU_IsRetinaDC(dc));
  WEMU_DeleteGfxContext(dc);
  HDC mem = WEMU_CreateMemContext(nullptr, 2, 2);
  EXPECT_FALSE(WEMU_IsRetinaDC(mem));
  WEMU_DeleteGfxContext(mem);
}

class GdiShapes : public ::testing::Test {
 protected:
  void SetUp() override { dc = WEMU_CreateMemContext(nullptr, 16, 16); }
  void TearDown() override {
    SelectObject(dc, WEMU_DEFAULT_PEN);
    SelectObject(dc, WEMU_DEFAULT_BRUSH);
    WEMU_DeleteGfxContext(dc);
    for (HGDIOBJ o : made) DeleteObject(o);
  }
  std::uint32_t px(int x, int y) const { return WEMU_GetCtxFrameBuffer(dc)[y * 16 + x]; }
  int count(std::uint32_t v) const {
    int n = 0;
    for (int i = 0; i < 256; ++i) n += WEMU_GetCtxFrameBuffer(dc)[i] == v;
    return n;
  }
  void usePen(int width, COLORREF c) {
    SelectObject(dc, made.emplace_back(CreatePen(0, width, c)));
  }
  void useBrush(COLORREF c) { SelectObject(dc, made.emplace_back(CreateSolidBrush(c))); }
  HDC dc = nullptr;
  std::vector<HGDIOBJ> made;
};

TEST_F(GdiShapes, ClipPushAndPop) {
  HBRUSH b = made.emplace_back(CreateSolidBrush(0xFFFFFF));
  RECT all{0, 0, 16, 16}, small{2, 2, 4, 4};
  WEMU_PushClipRegion(dc);
  WEMU_SetClipRegion(dc, &small);
  WEMU_FillRect(dc, &all, b);
  EXPECT_EQ(count(kWhite), 4);
  WEMU_PopClipRegion(dc);
  WEMU_FillRect(dc, &all, b);
  EXPECT_EQ(count(kWhite), 256);
  WEMU_FillRect(dc, &all, made.emplace_back(CreatePen(0, 1, 0)));  // not a brush
  WEMU_FillRect(dc, &all, GetStockObject(2));                      // paints nothing
  EXPECT_EQ(count(kWhite), 256);
  WEMU_FillDialogBackground(dc, &small);
  EXPECT_EQ(px(2, 2), 0xECECEC00u);
}

TEST_F(GdiShapes, LinesNeedAUsablePen) {
  MoveToEx(dc, 0, 4, nullptr);
  LineTo(dc, 15, 4);  // default pen: nothing
  EXPECT_EQ(count(kWhite), 0);
  usePen(0, 0xFFFFFF);
  POINT previous;
  MoveToEx(dc, 0, 4, &previous);
  EXPECT_EQ(previous.x, 15);
  EXPECT_EQ(previous.y, 4);
  LineTo(dc, 10, 4);
  for (int x = 0; x <= 10; ++x) EXPECT_EQ(px(x, 4), kWhite) << x;
  EXPECT_EQ(count(kWhite), 11);  // one pixel wide, ends included by half the width
  SelectObject(dc, GetStockObject(1));
  LineTo(dc, 10, 12);
  EXPECT_EQ(count(kWhite), 11);
}

TEST_F(GdiShapes, RectangleFillsThenStrokes) {
  useBrush(0x0000FF);
  usePen(1, 0xFFFFFF);
  Rectangle(dc, 2, 2, 8, 8);
  EXPECT_EQ(px(2, 2), kWhite);
  EXPECT_EQ(px(8, 5), kWhite);  // the stroke is centred half a pixel inside-out
  EXPECT_EQ(px(4, 4), 0xFF000000u);
  EXPECT_EQ(px(10, 10), 0u);
}

TEST_F(GdiShapes, EllipseRoundRectPolygonAndPixels) {
  useBrush(0xFFFFFF);
  Ellipse(dc, 0, 0, 16, 16);
  EXPECT_EQ(px(8, 8), kWhite);
  EXPECT_EQ(px(0, 0), 0u);
  EXPECT_EQ(px(15, 15), 0u);
  const int ellipse = count(kWhite);
  EXPECT_GT(ellipse, 180);
  EXPECT_LT(ellipse, 215);  // about pi * 64

  HDC other = WEMU_CreateMemContext(nullptr, 16, 16);
  SelectObject(other, made.back());
  RoundRect(other, 0, 0, 12, 12, 6, 6);
  EXPECT_EQ(WEMU_GetCtxFrameBuffer(other)[0], 0u);  // corner cut
  EXPECT_EQ(WEMU_GetCtxFrameBuffer(other)[6 * 16 + 6], kWhite);
  SelectObject(other, WEMU_DEFAULT_BRUSH);
  WEMU_DeleteGfxContext(other);

  const POINT tri[3] = {{0, 0}, {8, 0}, {0, 8}};
  RECT all{0, 0, 16, 16};
  WEMU_FillRect(dc, &all, made.emplace_back(CreateSolidBrush(0)));
  WEMU_Polygon(dc, tri, 3);
  EXPECT_EQ(px(1, 1), kWhite);
  EXPECT_EQ(px(7, 7), 0u);
  EXPECT_FALSE(WEMU_Polygon(dc, tri, 1));
  EXPECT_EQ(SetPixel(dc, 15, 15, 0x010203), 0x010203u);
  EXPECT_EQ(px(15, 15), 0x03020100u);
  EXPECT_EQ(SetPixel(nullptr, 0, 0, 1), 0xFFFFFFFFu);
}

TEST_F(GdiShapes, BezierEndsAtItsLastPoint) {
  usePen(1, 0xFFFFFF);
  MoveToEx(dc, 0, 0, nullptr);
  const POINT pts[3] = {{5, 0}, {10, 5}, {10, 10}};
  EXPECT_TRUE(PolyBezierTo(dc, pts, 3));
  EXPECT_FLOAT_EQ(dc->currentX, 10);
  EXPECT_FLOAT_EQ(dc->currentY, 10);
  EXPECT_EQ(px(10, 10), kWhite);
  EXPECT_FALSE(PolyBezierTo(dc, pts, 2));
  const POINT poly[4] = {{0, 14}, {4, 14}, {12, 14}, {12, 10}};
  const DWORD counts[2] = {2, 2};
  PolyPolyline(dc, poly, counts, 2);
  EXPECT_EQ(px(2, 14), kWhite);
  EXPECT_EQ(px(12, 12), kWhite);
  EXPECT_EQ(px(8, 14), 0u);  // the two polylines are not joined
}

TEST(GdiSysColor, Table) {
  const DWORD want[10] = {0x606060, 0xE0E0E0, 0xC0C0C0, 0,        0xC0C0C0,
                          0x202020, 0x303030, 0xC0C0C0, 0xFFF0C8, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(GetSysColor(i), want[i]) << i;
  EXPECT_EQ(GetSysColor(-1), 0u);
  EXPECT_EQ(GetSysColor(10), 0u);
}

}  // namespace
