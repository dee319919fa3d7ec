#include "wemu/window_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/platform.h"
#include "wemu/window_focus.h"
#include "wemu/window_view.h"

using vq::platform::Point;
using vq::platform::Rect;
using vq::platform::View;
using vq::platform::Window;

namespace {

int roundHalf(double v) {
  return static_cast<int>(std::trunc(v + 0.5));
}

RECT roundedBounds(const View* v) {
  Rect b = v->bounds();
  return {static_cast<int>(std::trunc(b.x)), static_cast<int>(std::trunc(b.y)),
          roundHalf(b.x + b.width), roundHalf(b.y + b.height)};
}

bool inside(const View* v, const View* root) {
  for (; v; v = v->superview())
    if (v == root) return true;
  return false;
}

// The deepest visible view under a point of the window's coordinates.
View* hitTest(View* v, Point inWindow) {
  if (!v || v->isHidden()) return nullptr;
  Point p = v->convertFromWindow(inWindow);
  Rect b = v->bounds();
  if (!(p.x >= 0 && p.x < b.width && p.y >= 0 && p.y < b.height)) return nullptr;
  const auto& subs = v->subviews();
  for (auto it = subs.rbegin(); it != subs.rend(); ++it)
    if (View* hit = hitTest(*it, inWindow)) return hit;
  return v;
}

}  // namespace

View* WEMU_HitTestView(View* root, Point inWindow) {
  return hitTest(root, inWindow);
}

BOOL ClientToScreen(HWND__* window, POINT* point) {
  HWND__* view = WEMU_ViewOfHandle(WEMU_UsableWindow(window));
  if (!view || !point) return FALSE;
  Point p = view->convertToWindow({double(point->x), double(point->y)});
  if (Window* w = view->window()) {
    p.x += w->frame().x;
    p.y += w->frame().y;
  }
  point->x = roundHalf(p.x);
  point->y = roundHalf(p.y);
  return TRUE;
}

namespace {

// The platform window a handle stands for: its own, or the one whose content view it is.
Window* frameWindow(HWND__* h) {
  Window* w = h->windowObject();
  if (!w && h->window() && h->window()->contentView() == h) w = h->window();
  return w;
}

// The view's bounds in screen coordinates.
RECT screenBounds(HWND__* view) {
  RECT b = roundedBounds(view);
  POINT a{b.left, b.top}, c{b.right, b.bottom};
  ClientToScreen(view, &a);
  ClientToScreen(view, &c);
  return {a.x, a.y, c.x, c.y};
}

}  // namespace

BOOL GetWindowRect(HWND__* window, RECT* rect) {
  if (rect) *rect = {};
  HWND__* h = WEMU_UsableWindow(window);
  if (!h || !rect) return FALSE;
  if (Window* w = frameWindow(h)) {
    Rect f = w->frame();
    *rect = {static_cast<int>(std::trunc(f.x)), static_cast<int>(std::trunc(f.y)),
             roundHalf(f.x + f.width), roundHalf(f.y + f.height)};
    return TRUE;
  }
  *rect = screenBounds(h);
  return TRUE;
}

BOOL GetWindowContentViewRect(HWND__* window, RECT* rect) {
  HWND__* h = WEMU_UsableWindow(window);
  if (!h || !rect) return FALSE;
  Window* w = frameWindow(h);
  HWND__* content = w ? WEMU_HandleForView(w->contentView()) : nullptr;
  if (!content) return GetWindowRect(h, rect);
  *rect = screenBounds(content);
  return TRUE;
}

BOOL GetClientRect(HWND__* window, RECT* rect) {
  if (rect) *rect = {};
  HWND__* view = WEMU_ViewOfHandle(WEMU_UsableWindow(window));
  if (!view || !rect) return FALSE;
  RECT r = roundedBounds(view);
  NCCALCSIZE_PARAMS calc{};
  calc.rgrc[0] = r;
  SendMessage(view, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&calc));
  const RECT& got = calc.rgrc[0];
  *rect = {r.left, r.top, got.right + r.left - got.left, got.bottom + r.top - got.top};
  return TRUE;
}

void WEMU_GetViewPort(RECT* out, const RECT* reference, bool workArea) {
  if (!out) return;
  std::vector<vq::platform::Screen> screens;
  if (WEMU_OnWindowThread()) screens = vq::platform::services().screens().screens();
  if (screens.empty()) {
    *out = {0, 0, 1600, 1200};
    return;
  }
  int cx = reference ? (reference->left + reference->right) / 2 : 0;
  int cy = reference ? (reference->top + reference->bottom) / 2 : 0;
  const vq::platform::Screen* chosen = &screens.front();
  for (size_t i = 1; i < screens.size(); ++i) {
    const Rect& f = screens[i].frame;
    if (cx >= f.x && cx < f.x + f.width && cy >= f.y && cy < f.y + f.height) chosen = &screens[i];
  }
  Rect r = workArea ? chosen->visibleFrame : chosen->frame;
  *out = {static_cast<int>(std::trunc(r.x)), static_cast<int>(std::trunc(r.y)),
          roundHalf(r.x + r.width), roundHalf(r.y + r.height)};
}

BOOL SetWindowPos(HWND__* window, HWND__* insertAfter, int x, int y, int cx, int cy, int flags) {
  HWND__* h = WEMU_UsableWindow(window);
  if (!h) return FALSE;
  HWND__::Hold hold(h);
  Window* w = h->windowObject();
  if (!w && h->window() && h->window()->contentView() == h) w = h->window();

  if (!w && !(flags & SWP_NOZORDER) && h->superview() && insertAfter != h &&
      insertAfter != HWND_TOPMOST && insertAfter != HWND_NOTOPMOST) {
    View* super = h->superview();
    std::vector<View*> subs = super->subviews();
    size_t n = subs.size();
    size_t i = std::find(subs.begin(), subs.end(), static_cast<View*>(h)) - subs.begin();
    HWND__* capture = GetCapture();
    bool holdsCapture = capture && inside(capture, h);
    View* relative = nullptr;
    auto where = vq::platform::SubviewPosition::Above;
    if (n > 1 && !holdsCapture) {
      if (insertAfter == HWND_BOTTOM) {
        if (i > 0) {
          relative = subs.front();
          where = vq::platform::SubviewPosition::Below;
        }
      } else if (insertAfter == HWND_TOP) {
        if (i + 1 < n) relative = subs.back();
      } else {
        auto it = std::find(subs.begin(), subs.end(), static_cast<View*>(insertAfter));
        if (it != subs.end() && !(i > 0 && subs[i - 1] == *it)) relative = *it;
      }
    }
    if (relative) {
      Window* win = h->window();
      View* focus = win && inside(win->firstResponder(), h) ? win->firstResponder() : nullptr;
      super->addSubview(h, where, relative);
      if (focus && win) win->makeFirstResponder(focus);
    }
  }

  bool keepPos = flags & SWP_NOMOVE, keepSize = flags & SWP_NOSIZE;
  if (keepPos && keepSize) return TRUE;
  Rect f = w ? w->frame() : h->frame();
  if (!keepPos) {
    f.x = x;
    f.y = y;
  }
  if (!keepSize) {
    f.width = std::max(cx, 0);  // a negative width would be no rectangle at all
    f.height = static_cast<double>(std::llabs(static_cast<long long>(cy)));
  }
  if (!w) {
    h->setFrame(f);
    return TRUE;
  }
  vq::platform::Size lo = w->minSize(), hi = w->maxSize();
  f.width = std::clamp(f.width, lo.width, std::max(lo.width, hi.width));
  f.height = std::clamp(f.height, lo.height, std::max(lo.height, hi.height));
  w->setFrame(f);
  return TRUE;
}

HWND__* WindowFromPoint(POINT point) {
  if (!WEMU_OnWindowThread()) return nullptr;
  std::vector<Window*> candidates = Window::orderedWindows();
  if (Window* key = Window::keyWindow())
    if (std::find(candidates.begin(), candidates.end(), key) == candidates.end())
      candidates.insert(candidates.begin(), key);
  Point p{double(point.x), double(point.y)};
  for (Window* w : candidates) {
    if (!w->isVisible() || !w->frame().contains(p)) continue;
    Point inWindow{p.x - w->frame().x, p.y - w->frame().y};
    View* content = w->contentView();
    View* hit = hitTest(content, inWindow);
    // The nearest window view at or above the hit.
    for (View* v = hit ? hit : content; v; v = v->superview())
      if (HWND__* handle = WEMU_HandleForView(v)) return handle;
    return nullptr;
  }
  return nullptr;
}
