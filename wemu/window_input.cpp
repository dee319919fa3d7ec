#include "wemu/window_input.h"

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "wemu/cursors.h"
#include "wemu/drag_source.h"
#include "wemu/keys.h"
#include "wemu/top_level_windows.h"
#include "wemu/utilities.h"
#include "wemu/window_focus.h"

using vq::platform::DragInfo;
using vq::platform::Event;
using vq::platform::EventType;
using vq::platform::Point;
using vq::platform::View;
using vq::platform::Window;

namespace {

bool gForwarding = false;  // a moved event being re-sent is never forwarded again
WEMU_DropHooks gHooks;

LPARAM pack(int x, int y) {
  return static_cast<LPARAM>(
      static_cast<int32_t>((static_cast<uint32_t>(y) << 16) | (static_cast<uint32_t>(x) & 0xFFFF)));
}

bool isWheel(UINT m) {
  return m == WM_MOUSEWHEEL || m == WM_MOUSEHWHEEL;
}

View* hitTest(View* v, Point inWindow) {
  if (!v || v->isHidden()) return nullptr;
  Point p = v->convertFromWindow(inWindow);
  if (!(p.x >= 0 && p.x < v->bounds().width && p.y >= 0 && p.y < v->bounds().height))
    return nullptr;
  const auto& subs = v->subviews();
  for (auto it = subs.rbegin(); it != subs.rend(); ++it)
    if (View* hit = hitTest(*it, inWindow)) return hit;
  return v;
}

bool inside(const View* v, const View* root) {
  for (; v; v = v->superview())
    if (v == root) return true;
  return false;
}

void setArrowIfNeeded() {
  HCURSOR arrow = WEMU_LoadCursor(32512);
  if (WEMU_GetCursor() != arrow) WEMU_SetCursor(arrow);
}

// A press in a window that is not key focuses that window first.
void focusWindowOf(WEMU_WindowView* view) {
  Window* w = view->window();
  if (!w || Window::keyWindow() == w) return;
  if (WEMU_TopLevelWindow* t = WEMU_TopLevelOf(w)) {
    SetFocus(t);
  } else if (HWND__* content = WEMU_HandleForView(w->contentView())) {
    SetFocus(content);
  }
}

void rightDown(WEMU_WindowView* view, const Event& e) {
  view->isFakeRightMouse = false;
  focusWindowOf(view);
  WEMU_SendMouseMessage(view, e.clickCount >= 2 ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN, &e);
}

void rightUp(WEMU_WindowView* view, const Event& e) {
  view->isFakeRightMouse = false;
  WEMU_SendMouseMessage(view, WM_RBUTTONUP, &e);
}

void mouseMoved(WEMU_WindowView* view, const Event& e) {
  if (!gForwarding && e.window) {
    Point screen{e.window->frame().x + e.locationInWindow.x,
                 e.window->frame().y + e.locationInWindow.y};
    if (!GetCapture()) {
      std::vector<Window*> order = Window::orderedWindows();
      if (Window* key = Window::keyWindow())
        if (std::find(order.begin(), order.end(), key) == order.end())
          order.insert(order.begin(), key);
      for (Window* w : order) {
        if (!w->isVisible() || !w->frame().contains(screen)) continue;
        if (w == e.window || Window::modalWindow()) break;
        auto* content = dynamic_cast<WEMU_WindowView*>(w->contentView());
        Point inW{screen.x - w->frame().x, screen.y - w->frame().y};
        View* hit = content ? hitTest(content, inW) : nullptr;
        if (hit) {
          Event moved = e;
          moved.window = w;
          moved.windowNumber = w->windowNumber();
          moved.locationInWindow = inW;
          gForwarding = true;
          hit->handleEvent(moved);
          gForwarding = false;
        } else {
          setArrowIfNeeded();
        }
        return;
      }
    }
    View* hit = hitTest(e.window->contentView(), e.locationInWindow);
    if (hit && hit != view) {
      gForwarding = true;
      hit->handleEvent(e);
      gForwarding = false;
      return;
    }
  }
  HWND__* capture = GetCapture();
  if ((view->isEnabled() && capture == view) || !capture)
    WEMU_SendMouseMessage(view, WM_MOUSEMOVE, &e);
}

void dragged(WEMU_WindowView* view, const Event& e) {
  WEMU_SendMouseMessage(view, WM_MOUSEMOVE, &e);
  HCURSOR last = WEMU_GetLastSetCursor();
  if (last && last != WEMU_GetCursor()) WEMU_SetCursor(last);
}

void sendGesture(WEMU_WindowView* view, uint32_t id, POINT at, uint64_t beginArg, uint64_t endArg,
                 POINT endAt) {
  GESTUREINFO g{};
  g.cbSize = sizeof g;
  g.dwID = id;
  g.hwndTarget = view;
  g.dwFlags = GF_BEGIN;
  g.x = static_cast<int16_t>(at.x);
  g.y = static_cast<int16_t>(at.y);
  g.ullArguments = beginArg;
  HWND__::Hold hold(view);
  SendMessage(view, WM_GESTURE, 0, reinterpret_cast<LPARAM>(&g));
  g.dwFlags = GF_END;
  g.x = static_cast<int16_t>(endAt.x);
  g.y = static_cast<int16_t>(endAt.y);
  g.ullArguments = endArg;
  SendMessage(view, WM_GESTURE, static_cast<WPARAM>(endArg), reinterpret_cast<LPARAM>(&g));
}

void gesture(WEMU_WindowView* view, const Event& e) {
  POINT at{0, 0};
  if (e.window) {
    at.x = static_cast<int>(e.window->frame().x + e.locationInWindow.x);
    at.y = static_cast<int>(e.window->frame().y + e.locationInWindow.y);
  }
  if (e.type == EventType::Magnify) {
    long long d = static_cast<long long>(std::trunc(e.deltaZ * 1024 + 0.5));
    if (d == 0) d = e.deltaZ < 0 ? -1 : 1;
    sendGesture(view, GID_ZOOM, at, 1024,
                static_cast<uint64_t>(std::clamp(1024 + d, 512LL, 2048LL)), at);
  } else if (e.type == EventType::Swipe) {
    POINT end = at;
    auto add = [](int v, double by) {
      return static_cast<int16_t>(static_cast<int16_t>(v) + static_cast<int16_t>(by));
    };
    double w = view->bounds().width, h = view->bounds().height;
    if (e.deltaX < 0) {
      end.x = add(at.x, -w);
    } else if (e.deltaX > 0) {
      end.x = add(at.x, w);
    } else if (e.deltaY < 0) {
      end.y = add(at.y, h);
    } else if (e.deltaY > 0) {
      end.y = add(at.y, -h);
    }
    sendGesture(view, GID_PAN, at, 0, 0, end);
  } else {
    long long d = static_cast<long long>(std::trunc(e.rotation * 32767 / 60));
    if (d == 0) d = e.rotation < 0 ? -1 : 1;
    long long arg = d < -0x7FFF ? 0 : std::min(d + 0x7FFF, 0xFFFFLL);
    sendGesture(view, GID_ROTATE, at, 0, static_cast<uint64_t>(arg), at);
  }
}

}  // namespace

WPARAM WEMU_WheelWParam(double delta) {
  double units = std::trunc(delta * 60.0);
  // A fast flick must not wrap into the other direction.
  int v = static_cast<int>(std::clamp(units, -32768.0, 32767.0));
  return static_cast<WPARAM>(
      static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v) << 16)));
}

LRESULT WEMU_SendMouseMessage(WEMU_WindowView* view, UINT message, const Event* event) {
  if (!view || !WEMU_IsLiveWindow(view)) return -1;
  HWND__::Hold hold(view);
  HWND__* capture = GetCapture();
  if (capture && capture != view && view->window() && capture->window() == view->window())
    if (auto* holder = dynamic_cast<WEMU_WindowView*>(capture))
      return WEMU_SendMouseMessage(holder, message, event);
  if (!view->procedure || view->destroyState() != 0) return -1;
  POINT pos = WEMU_EventPositionInView(message, view, event);
  int code = 1;
  if (!isWheel(message) && !capture) {
    code =
        static_cast<int>(SendMessage(view, WM_NCHITTEST, 0, static_cast<LPARAM>(GetMessagePos())));
    if (view->destroyState() != 0) return -1;
  }
  if (code != 1 && message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK)
    return SendMessage(view, message - 0x160, static_cast<WPARAM>(code),
                       static_cast<LPARAM>(GetMessagePos()));
  if (isWheel(message)) {
    double delta = event ? (message == WM_MOUSEWHEEL ? event->deltaY : event->deltaX) : 0;
    POINT screen{0, 0};
    GetCursorPos(&screen);
    return SendMessage(view, message, WEMU_WheelWParam(delta), pack(screen.x, screen.y));
  }
  LRESULT r = SendMessage(view, message, 0, pack(pos.x, pos.y));
  bool endsMove = message == WM_MOUSEMOVE || message == WM_LBUTTONUP || message == WM_RBUTTONUP ||
                  message == WM_MBUTTONUP;
  if (endsMove && !GetCapture()) {
    LRESULT set = 0;
    if (view->destroyState() == 0)
      set = SendMessage(view, WM_SETCURSOR, reinterpret_cast<WPARAM>(static_cast<HWND__*>(view)),
                        static_cast<LPARAM>(code | (static_cast<int64_t>(message) << 16)));
    if (view->destroyState() != 0 || set == 0) setArrowIfNeeded();
  }
  return r;
}

void WEMU_WindowViewInputEvent(WEMU_WindowView* view, const Event& e) {
  if (!view || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(view)) return;
  HWND__::Hold hold(view);
  bool enabled = view->isEnabled();
  switch (e.type) {
    case EventType::LeftMouseDown:
      WEMU_FinishDragDrop();  // a press ends any promise of an earlier drag
      if (!enabled) return;
      // A click focuses a view that takes the focus, as the window does before the press.
      if (Window* w = view->window())
        if (w->firstResponder() != view && WEMU_WindowViewAcceptsFirstResponder(view) &&
            WEMU_IsLiveWindow(view))
          w->makeFirstResponder(view);
      view->isFakeRightMouse = false;
      if ((e.modifierFlags & vq::platform::kControlFlag) && WEMU_IsRightClickEmulateEnabled()) {
        rightDown(view, e);
        if (e.clickCount <= 1) view->isFakeRightMouse = true;
      } else {
        WEMU_SendMouseMessage(view, e.clickCount > 1 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, &e);
      }
      return;
    case EventType::LeftMouseUp:
      if (!enabled) return;
      if (view->isFakeRightMouse) {
        rightUp(view, e);
      } else {
        WEMU_SendMouseMessage(view, WM_LBUTTONUP, &e);
      }
      return;
    case EventType::LeftMouseDragged:
    case EventType::RightMouseDragged:
    case EventType::OtherMouseDragged:
      if (enabled) dragged(view, e);
      return;
    case EventType::RightMouseDown:
      rightDown(view, e);
      return;
    case EventType::RightMouseUp:
      if (enabled) rightUp(view, e);
      return;
    case EventType::OtherMouseDown:
      focusWindowOf(view);
      WEMU_SendMouseMessage(view, e.clickCount >= 2 ? WM_MBUTTONDBLCLK : WM_MBUTTONDOWN, &e);
      return;
    case EventType::OtherMouseUp:
      if (enabled) WEMU_SendMouseMessage(view, WM_MBUTTONUP, &e);
      return;
    case EventType::ScrollWheel:
      if (!enabled) return;
      if (e.deltaY != 0) {
        WEMU_SendMouseMessage(view, WM_MOUSEWHEEL, &e);
      } else if (e.deltaX != 0) {
        WEMU_SendMouseMessage(view, WM_MOUSEHWHEEL, &e);
      }
      return;
    case EventType::MouseMoved:
      mouseMoved(view, e);
      return;
    case EventType::Magnify:
    case EventType::Swipe:
    case EventType::Rotate:
      gesture(view, e);
      return;
    default:
      return;
  }
}

bool WEMU_WindowViewAcceptsFirstMouse(WEMU_WindowView* view) {
  if (!view || !WEMU_IsLiveWindow(view) || !view->isEnabled()) return false;
  HWND__::Hold hold(view);
  SendMessage(view, WM_MOUSEACTIVATE, 0, 0);
  if (HWND__* up = WEMU_HandleForView(view->superview())) SendMessage(up, WM_MOUSEACTIVATE, 0, 0);
  return true;
}

bool WEMU_WindowViewAcceptsFirstResponder(WEMU_WindowView* view) {
  if (!view || !WEMU_IsLiveWindow(view) || !view->isEnabled()) return false;
  if (GetFocus() == view) return true;
  SendMessage(view, WM_MOUSEACTIVATE, 0, 0);
  return true;
}

// ---- file drops ------------------------------------------------------------------------------

void WEMU_SetDropHooks(WEMU_DropHooks hooks) {
  gHooks = std::move(hooks);
}

HANDLE WEMU_BuildDropRecord(WEMU_WindowView* view, const DragInfo& info, bool recordOnly) {
  if (!view || !view->supportsDrop) return nullptr;
  if (info.fileNames.empty() && info.promisedTypes.empty()) return nullptr;
  std::vector<std::string> paths;
  if (!info.fileNames.empty()) {
    paths = info.fileNames;
  } else if (recordOnly) {
    for (const std::string& t : info.promisedTypes) paths.push_back("tmp." + t);
  } else {
    if (!gHooks.promiseFolder || !info.receivePromised) return nullptr;
    std::string folder = gHooks.promiseFolder(info.promisedTypes.front());
    if (folder.size() > 256) folder.clear();
    if (folder.empty()) {
      // A private folder, never a predictable shared one.
      char tmpl[] = "/tmp/vq-drop-XXXXXX";
      if (!mkdtemp(tmpl)) return nullptr;
      folder = tmpl;
    }
    paths = info.receivePromised(folder);
  }
  // A path that does not fit is left out whole, never cut into another file's name.
  size_t size = 16 + 1;
  std::vector<const std::string*> kept;
  for (const std::string& p : paths) {
    if (p.empty() || p.size() + 1 > WEMU_DROP_PATH_MAX || std::memchr(p.data(), 0, p.size()))
      continue;
    if (size > std::numeric_limits<long>::max() - p.size() - 1) return nullptr;
    size += p.size() + 1;
    kept.push_back(&p);
  }
  if (kept.empty()) return nullptr;
  HANDLE block = GlobalAlloc(0, static_cast<long>(std::max<size_t>(size, 20)));
  auto* bytes = static_cast<char*>(GlobalLock(block));
  if (!bytes) {
    GlobalFree(block);
    return nullptr;
  }
  std::memset(bytes, 0, std::max<size_t>(size, 20));
  Point local = view->convertFromWindow(info.locationInWindow);
  uint32_t offset = 16;
  int32_t x = static_cast<int32_t>(std::trunc(local.x + 0.5)),
          y = static_cast<int32_t>(std::trunc(local.y + 0.5));
  std::memcpy(bytes, &offset, 4);
  std::memcpy(bytes + 4, &x, 4);
  std::memcpy(bytes + 8, &y, 4);
  size_t at = 16;
  for (const std::string* p : kept) {
    std::memcpy(bytes + at, p->c_str(), p->size() + 1);
    at += p->size() + 1;
  }
  GlobalUnlock(block);
  return block;
}

namespace {

POINT windowPosition(const DragInfo& info) {
  return {static_cast<int>(std::trunc(info.locationInWindow.x + 0.5)),
          static_cast<int>(std::trunc(info.locationInWindow.y + 0.5))};
}

// Delivers the drop to the view's procedure; whether it happened.
bool deliverDrop(WEMU_WindowView* view, const DragInfo& info) {
  HANDLE record = WEMU_BuildDropRecord(view, info, false);
  if (!record) return false;
  SendMessage(view, WM_DROPFILES, reinterpret_cast<WPARAM>(record), 0);
  GlobalFree(record);
  return true;
}

}  // namespace

int WEMU_WindowView::draggingEntered(const DragInfo& info) {
  if (gHooks.enter) {
    if (HANDLE record = WEMU_BuildDropRecord(this, info, true)) {
      gHooks.enter(record, windowPosition(info));
      GlobalFree(record);
    }
  }
  return supportsDrop ? vq::platform::kDragOperationGeneric : vq::platform::kDragOperationNone;
}

int WEMU_WindowView::draggingUpdated(const DragInfo& info) {
  if (gHooks.over) gHooks.over(windowPosition(info));
  return supportsDrop ? vq::platform::kDragOperationGeneric : vq::platform::kDragOperationNone;
}

void WEMU_WindowView::draggingExited() {
  if (gHooks.leave) gHooks.leave();
}

bool WEMU_WindowView::performDragOperation(const DragInfo& info) {
  if (gHooks.leave) gHooks.leave();
  Hold hold(this);
  Window* w = window();
  auto* content = w ? dynamic_cast<WEMU_WindowView*>(w->contentView()) : nullptr;
  bool sameWindow = w && info.source && info.source->window() == w;
  uint64_t contentSerial = content ? content->serial() : 0;
  if (sameWindow && content)
    content->setProp("WEMU_DisableWindowRepre", reinterpret_cast<void*>(1));
  bool delivered = false;
  View* hit = w ? hitTest(w->contentView(), info.locationInWindow) : nullptr;
  if (hit && inside(hit, this)) {
    for (View* v = hit; v && v != this && !delivered; v = v->superview())
      if (auto* wv = dynamic_cast<WEMU_WindowView*>(v)) delivered = deliverDrop(wv, info);
  }
  if (!delivered && destroyState() == 0) delivered = deliverDrop(this, info);
  if (sameWindow && content && WEMU_IsLiveWindowSerial(content, contentSerial))
    content->getProp("WEMU_DisableWindowRepre", true);
  return delivered;
}
