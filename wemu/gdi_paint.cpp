#include "wemu/gdi_paint.h"

namespace {

vq::platform::Rect ToRect(const RECT& r) {
  return {double(r.left), double(r.top), double(r.right - r.left), double(r.bottom - r.top)};
}

WEMU_PaintSource* SourceOf(HWND__* window) {
  if (!window || !WEMU_IsLiveWindow(window)) return nullptr;
  if (auto* own = dynamic_cast<WEMU_PaintSource*>(window)) return own;
  return dynamic_cast<WEMU_PaintSource*>(WEMU_ViewOfHandle(window));
}

}  // namespace

HDC GetDC(HWND__* window) {
  WEMU_PaintSource* source = SourceOf(window);
  if (!source) return nullptr;
  HDC__* paint = source->wemuPaintContext();
  if (paint && WEMU_IsLiveContext(paint) && paint->draw) {
    paint->draw->saveState();
    return paint;
  }
  vq::platform::DrawContext* draw = source->wemuLockFocus();
  if (!draw) return nullptr;
  HDC__* context = WEMU_CreateGfxContext(draw);
  if (!context) {
    source->wemuUnlockFocus();
    return nullptr;
  }
  context->focusView = window;
  draw->saveState();
  return context;
}

HDC GetWindowDC(HWND__* window) {
  HDC__* context = GetDC(window);
  if (!context) return nullptr;
  WEMU_PaintSource* source = SourceOf(window);
  const vq::platform::Point origin = source ? source->wemuBoundsOrigin() : vq::platform::Point{};
  const float ox = static_cast<float>(origin.x), oy = static_cast<float>(origin.y);
  if (ox != 0.0f || oy != 0.0f) context->draw->translate(ox, oy);
  return context;
}

int ReleaseDC(HWND__* window, HDC context) {
  if (!WEMU_IsLiveContext(context)) return 0;
  if (context->draw) context->draw->restoreState();
  if (!context->focusView) return 1;  // a paint context belongs to its paint
  HWND__* view = context->focusView;
  WEMU_DeleteGfxContext(context);
  if (WEMU_PaintSource* source = SourceOf(view)) source->wemuUnlockFocus();
  return 1;
}

void WEMU_PushClipRegion(HDC context) {
  if (vq::platform::DrawContext* draw = WEMU_GetCtxGC(context)) draw->saveState();
}

void WEMU_PopClipRegion(HDC context) {
  if (vq::platform::DrawContext* draw = WEMU_GetCtxGC(context)) draw->restoreState();
}

void WEMU_SetClipRegion(HDC context, const RECT* rect) {
  vq::platform::DrawContext* draw = WEMU_GetCtxGC(context);
  if (draw && rect) draw->clipToRect(ToRect(*rect));
}

void WEMU_FillRect(HDC context, const RECT* rect, HBRUSH brush) {
  vq::platform::DrawContext* draw = WEMU_GetCtxGC(context);
  if (!draw || !rect) return;
  vq::platform::Color color;
  WEMU_LockGdiPools();
  const bool usable = WEMU_IsLiveGDIObject(brush, WEMU_OBJ_BRUSH) && brush->width >= 0;
  if (usable) color = brush->color;
  WEMU_UnlockGdiPools();
  if (usable) draw->fillRect(ToRect(*rect), color);
}

void WEMU_FillDialogBackground(HDC context, const RECT* rect, int kind) {
  vq::platform::DrawContext* draw = WEMU_GetCtxGC(context);
  if (draw && rect)
    draw->fillRect(ToRect(*rect), vq::platform::Color::FromWord(WEMU_DIALOG_BACKGROUND));
}

BOOL WEMU_IsRetinaDC(HDC context) {
  vq::platform::DrawContext* draw = WEMU_GetCtxGC(context);
  return draw && draw->sizeToDevice({1, 1}).width > 1.9;
}

BOOL WEMU_IsRetinaHWND(HWND__* window) {
  WEMU_PaintSource* source = SourceOf(window);
  return source && source->wemuBackingScale() > 1.9;
}
