#include "wemu/gdi_shapes.h"

#include <cmath>
#include <vector>

namespace {

using vq::platform::Point;

struct Pen {
  bool usable = false;
  double width = 1;
  vq::platform::Color color;
};

Pen PenOf(HDC context) {
  Pen pen;
  WEMU_LockGdiPools();
  if (WEMU_IsLiveGDIObject(context->pen, WEMU_OBJ_PEN) && context->pen->width >= 0) {
    pen.usable = true;
    pen.width = context->pen->width > 0 ? context->pen->width : 1;
    pen.color = context->pen->color;
  }
  WEMU_UnlockGdiPools();
  return pen;
}

bool BrushOf(HDC context, vq::platform::Color& color) {
  WEMU_LockGdiPools();
  const bool usable =
      WEMU_IsLiveGDIObject(context->brush, WEMU_OBJ_BRUSH) && context->brush->width >= 0;
  if (usable) color = context->brush->color;
  WEMU_UnlockGdiPools();
  return usable;
}

// Strokes a polyline with the pen, every point offset by half the pen width.
void Stroke(HDC context, std::vector<Point> points, double minWidth = 0) {
  Pen pen = PenOf(context);
  if (!pen.usable || !context->draw || points.size() < 2) return;
  const double width = std::max(pen.width, minWidth);
  for (Point& p : points) {
    p.x += width / 2;
    p.y += width / 2;
  }
  context->draw->strokePolyline(points, width, pen.color);
}

void FillAndStroke(HDC context, const std::vector<Point>& outline, double minWidth = 0) {
  if (!context->draw) return;
  vq::platform::Color fill;
  if (BrushOf(context, fill)) context->draw->fillPolygon(outline, fill);
  std::vector<Point> closed = outline;
  closed.push_back(outline.front());
  Stroke(context, std::move(closed), minWidth);
}

}  // namespace

BOOL MoveToEx(HDC context, int x, int y, POINT* previous) {
  if (!WEMU_IsLiveContext(context)) return FALSE;
  if (previous)
    *previous = POINT{static_cast<int>(context->currentX), static_cast<int>(context->currentY)};
  context->currentX = static_cast<float>(x);
  context->currentY = static_cast<float>(y);
  return TRUE;
}

BOOL LineTo(HDC context, int x, int y) {
  if (!WEMU_IsLiveContext(context)) return FALSE;
  Stroke(context, {{context->currentX, context->currentY}, {double(x), double(y)}});
  context->currentX = static_cast<float>(x);
  context->currentY = static_cast<float>(y);
  return TRUE;
}

BOOL PolyPolyline(HDC context, const POINT* points, const DWORD* counts, DWORD polylines) {
  if (!WEMU_IsLiveContext(context) || !points || !counts) return FALSE;
  std::size_t at = 0;
  for (DWORD i = 0; i < polylines; ++i) {
    std::vector<Point> line;
    for (DWORD k = 0; k < counts[i]; ++k, ++at)
      line.push_back({double(points[at].x), double(points[at].y)});
    Stroke(context, std::move(line));
  }
  return TRUE;
}

BOOL PolyBezierTo(HDC context, const POINT* points, DWORD count) {
  if (!WEMU_IsLiveContext(context) || !points || count < 3) return FALSE;
  std::vector<Point> line{{context->currentX, context->currentY}};
  for (DWORD i = 0; i + 2 < count; i += 3) {
    const Point p0 = line.back();
    const Point p1{double(points[i].x), double(points[i].y)},
        p2{double(points[i + 1].x), double(points[i + 1].y)};
    const Point p3{double(points[i + 2].x), double(points[i + 2].y)};
    constexpr int kSteps = 24;
    for (int s = 1; s <= kSteps; ++s) {
      const double t = double(s) / kSteps, u = 1 - t;
      line.push_back(
          {u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
           u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
    }
  }
  Stroke(context, line);
  context->currentX = static_cast<float>(line.back().x);
  context->currentY = static_cast<float>(line.back().y);
  return TRUE;
}

BOOL WEMU_Polygon(HDC context, const POINT* points, int count) {
  if (!WEMU_IsLiveContext(context) || !points || count < 2) return FALSE;
  std::vector<Point> outline;
  for (int i = 0; i < count; ++i) outline.push_back({double(points[i].x), double(points[i].y)});
  FillAndStroke(context, outline);
  return TRUE;
}

BOOL RoundRect(HDC context, int left, int top, int right, int bottom, int width, int height) {
  if (!WEMU_IsLiveContext(context)) return FALSE;
  const double l = left, t = top, r = right, b = bottom, cw = width / 3.0, ch = height / 3.0;
  FillAndStroke(context, {{l + cw, t},
                          {r - cw, t},
                          {r, t + ch},
                          {r, b - ch},
                          {r - cw, b},
                          {l + cw, b},
                          {l, b - ch},
                          {l, t + ch},
                          {l + cw, t},
                          {l + cw, t}});
  return TRUE;
}

BOOL Rectangle(HDC context, int left, int top, int right, int bottom) {
  if (!WEMU_IsLiveContext(context)) return FALSE;
  const double l = left, t = top, r = right, b = bottom;
  FillAndStroke(context, {{l, t}, {r, t}, {r, b}, {l, b}}, 1);
  return TRUE;
}

BOOL Ellipse(HDC context, int left, int top, int right, int bottom) {
  if (!WEMU_IsLiveContext(context)) return FALSE;
  const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0, rx = (right - left) / 2.0,
               ry = (bottom - top) / 2.0;
  std::vector<Point> outline;
  constexpr int kPoints = 64;
  for (int i = 0; i < kPoints; ++i) {
    const double a = 2 * M_PI * i / kPoints;
    outline.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  FillAndStroke(context, outline);
  return TRUE;
}

COLORREF SetPixel(HDC context, int x, int y, COLORREF color) {
  if (!WEMU_IsLiveContext(context)) return 0xFFFFFFFFu;
  if (context->draw)
    context->draw->fillRect({double(x), double(y), 1, 1}, vq::platform::Color::FromWord(color));
  return color & 0xFFFFFFu;
}

DWORD GetSysColor(int index) {
  static constexpr DWORD kColors[10] = {0x606060, 0xE0E0E0, 0xC0C0C0, 0x000000, 0xC0C0C0,
                                        0x202020, 0x303030, 0xC0C0C0, 0xFFF0C8, 0x000000};
  return index >= 0 && index < 10 ? kColors[index] : 0;
}
