#include "wemu/window_paint.h"

#include <cstring>

#include "wemu/mem_context.h"

using vq::platform::View;
using vq::platform::Window;

namespace {

bool needsPaint(const View* v) {
  auto* w = dynamic_cast<const WEMU_WindowView*>(v);
  return v->needsDisplay() || (w && (w->isDirty & 1));
}

bool anyNeedsDisplay(const View* v) {
  if (!v) return false;
  if (needsPaint(v)) return true;
  for (const View* c : v->subviews())
    if (anyNeedsDisplay(c)) return true;
  return false;
}

// The first drawing surface of a window view that needs painting in the tree (desktop).
vq::platform::ViewSurface* surfaceToDisplay(View* v) {
  if (!v || v->isHidden()) return nullptr;
  auto* wv = dynamic_cast<WEMU_WindowView*>(v);
  if (wv && wv->surface() && needsPaint(v)) return wv->surface();
  for (View* c : v->subviews())
    if (vq::platform::ViewSurface* s = surfaceToDisplay(c)) return s;
  return nullptr;
}

// Paints every visible window view that needs it into a context of its own size (the
// headless stand-in for the window system's drawing pass).
void displayTree(View* v) {
  if (!v || v->isHidden()) return;
  auto* wv = dynamic_cast<WEMU_WindowView*>(v);
  if (wv && needsPaint(v)) {
    vq::platform::Rect b = v->bounds();
    int w = static_cast<int>(b.width), h = static_cast<int>(b.height);
    if (HDC ctx = WEMU_CreateMemContext(nullptr, w > 0 ? w : 1, h > 0 ? h : 1)) {
      HWND__::Hold hold(wv);
      wv->paint(ctx, b);
      WEMU_DeleteGfxContext(ctx);
    }
  }
  v->setNeedsDisplay(false);
  std::vector<View*> children = v->subviews();
  for (View* c : children) displayTree(c);
}

}  // namespace

BOOL InvalidateRect(HWND__* window, const RECT* rect, BOOL) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return FALSE;
  HWND__* view = WEMU_ViewOfHandle(window);
  if (!view) return TRUE;
  auto* wv = dynamic_cast<WEMU_WindowView*>(view);
  if (!wv || !(wv->isDirty & 1)) {
    if (wv) wv->isDirty |= 1;
    for (View* up = view->superview(); up; up = up->superview()) {
      auto* w = dynamic_cast<WEMU_WindowView*>(up);
      if (!w) continue;
      if (w->isDirty & 2) break;
      w->isDirty |= 2;
    }
  }
  vq::platform::Rect area = view->bounds();
  if (rect) {
    double top = rect->top < rect->bottom ? rect->top : rect->bottom;
    area = {double(rect->left), top, double(rect->right - rect->left),
            double(rect->bottom > rect->top ? rect->bottom - rect->top : rect->top - rect->bottom)};
    view->setNeedsDisplayInRect(area);
  } else {
    view->setNeedsDisplay(true);
  }
  // On the desktop the view's drawing pass is scheduled (y down from the top edge).
  if (vq::platform::ViewSurface* s = wv ? wv->surface() : nullptr) {
    if (!view->isFlipped()) area.y = view->frame().height - area.y - area.height;
    s->invalidate(area);
  }
  return TRUE;
}

void UpdateWindow(HWND__* window) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return;
  HWND__* view = WEMU_ViewOfHandle(window);
  Window* w = WEMU_WindowOfHandle(window);
  if (!view || !w || !anyNeedsDisplay(view)) return;
  if (vq::platform::viewSurfaces()) {
    // The desktop draws the window's pending damage now.
    if (vq::platform::ViewSurface* s = surfaceToDisplay(w->contentView())) s->displayNow();
    return;
  }
  displayTree(w->contentView());
}

void WEMU_FlushWindow(HWND__*) {
  // Our backends show what was drawn at the end of each drawing pass; nothing waits here.
}

HDC BeginPaint(HWND__* window, PAINTSTRUCT* ps) {
  if (ps) std::memset(ps, 0, sizeof *ps);
  if (!window || !ps || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return nullptr;
  WEMU_WindowView* view = WEMU_WindowViewOf(window);
  return view && view->paintInfo(ps) ? ps->hdc : nullptr;
}

BOOL EndPaint(HWND__*, const PAINTSTRUCT*) {
  return TRUE;
}
