#include "wemu/window_search.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "wemu/controls.h"
#include "wemu/window_functions.h"
#include "wemu/window_view.h"

using vq::platform::View;
using vq::platform::Window;

namespace {

bool isTextField(View* v) {
  return v && v->kind() == vq::platform::ViewKind::TextField;
}

// Whether the callback let the walk go on.
bool walk(View* v, WNDENUMPROC callback, LPARAM lParam) {
  std::vector<View*> children = v->subviews();  // a callback may change the tree
  for (View* child : children) {
    child = WEMU_DocumentViewOf(child);  // a scroll view stands for its document
    if (HWND__* h = WEMU_HandleForView(child)) {
      HWND__::Hold hold(h);
      if (!callback(h, lParam)) return false;
      if (!WEMU_IsLiveWindow(h)) continue;
    }
    if (!walk(child, callback, lParam)) return false;
  }
  return true;
}

}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
      auto screens = vq::platform::services().screens().screens();
      if (screens.empty()) return 1024;
      const auto& f = screens.front().frame;
      return static_cast<int>(index == SM_CXSCREEN ? f.width : f.height);
    }
    case 2:
    case 3:
    case 20:
    case 21:
      return 16;
    default:
      return 0;
  }
}

BOOL ScrollWindow(HWND__* window, int dx, int dy, const RECT*, const RECT*) {
  HWND__* h = WEMU_ViewOfHandle(WEMU_UsableWindow(window));
  if (!h || (dx == 0 && dy == 0)) return FALSE;
  for (View* child : h->subviews()) {
    vq::platform::Rect f = child->frame();
    f.x += dx;
    f.y += dy;
    child->setFrame(f);
  }
  h->setNeedsDisplay(true);
  return TRUE;
}

HWND__* FindWindowEx(HWND__* parent, HWND__* after, const char* className, const char* title) {
  if (!WEMU_OnWindowThread()) return nullptr;
  if (!parent) {
    if (!title) return nullptr;
    const std::vector<Window*> windows = Window::allWindows();
    size_t start = 0;
    if (HWND__* a = WEMU_UsableWindow(after)) {
      Window* aw = WEMU_WindowOfHandle(a);
      auto it = std::find(windows.begin(), windows.end(), aw);
      if (it != windows.end()) start = static_cast<size_t>(it - windows.begin()) + 1;
    }
    for (size_t i = start; i < windows.size(); ++i)
      if (windows[i]->title() == title)
        if (HWND__* h = WEMU_HandleForView(windows[i]->contentView())) return h;
    return nullptr;
  }
  HWND__* p = WEMU_ViewOfHandle(WEMU_UsableWindow(parent));
  if (!p) return nullptr;
  bool wantsStatic = className && strcasecmp(className, "Static") == 0;
  const auto& children = p->subviews();
  size_t start = 0;
  if (HWND__* a = WEMU_UsableWindow(after)) {
    auto it = std::find(children.begin(), children.end(), static_cast<View*>(a));
    if (it != children.end()) start = static_cast<size_t>(it - children.begin()) + 1;
  }
  for (size_t i = start; i < children.size(); ++i) {
    HWND__* child = WEMU_HandleForView(children[i]);
    if (!child) continue;
    if (wantsStatic && !isTextField(child)) continue;
    if (!title) return child;
    char text[512];
    if (GetDlgItemText(child, 0, text, sizeof text) && std::strcmp(text, title) == 0) return child;
  }
  return nullptr;
}

BOOL EnumChildWindows(HWND__* window, WNDENUMPROC callback, LPARAM lParam) {
  HWND__* h = WEMU_ViewOfHandle(WEMU_UsableWindow(window));
  if (!h || !callback) return TRUE;
  HWND__::Hold hold(h);
  return walk(h, callback, lParam) ? TRUE : FALSE;
}
