#include "wemu/window_tree.h"

#include <algorithm>
#include <string>

#include "wemu/controls.h"
#include "wemu/top_level_windows.h"
#include "wemu/window_functions.h"
#include "wemu/window_view.h"

using vq::platform::View;
using vq::platform::Window;

namespace {

bool isContentView(const View* v) {
  return v && v->window() && v->window()->contentView() == v;
}

}  // namespace

HWND__* GetParent(HWND__* window) {
  HWND__* h = WEMU_UsableWindow(window);
  if (!h) return nullptr;
  // A document view answers for its scroll view, which stands in the dialog for it.
  View* self = WEMU_ScrollViewOf(h);
  if (!h->windowObject() && !isContentView(self)) return WEMU_HandleForView(self->superview());
  Window* w = h->windowObject() ? h->windowObject() : h->window();
  if (!w) return nullptr;
  if (Window* parent = w->parentWindow()) return WEMU_HandleForView(parent->contentView());
  if (WEMU_TopLevelWindow* t = WEMU_TopLevelOf(w))
    if (WEMU_TopLevelWindow* owner = t->ownerWindow())
      return WEMU_HandleForView(owner->contentView());
  return nullptr;
}

BOOL IsChild(HWND__* parent, HWND__* child) {
  if (!WEMU_UsableWindow(parent) || !WEMU_UsableWindow(child) || parent == child ||
      child->windowObject())
    return FALSE;
  if (Window* w = parent->windowObject()) return child->window() == w ? TRUE : FALSE;
  for (View* v = child->superview(); v; v = v->superview())
    if (v == parent) return TRUE;
  return FALSE;
}

HWND__* GetWindow(HWND__* window, int command) {
  HWND__* h = WEMU_ViewOfHandle(WEMU_UsableWindow(window));
  if (!h) return nullptr;
  if (command == GW_OWNER) {
    if (!isContentView(h)) return WEMU_HandleForView(h->superview());
    WEMU_TopLevelWindow* t = WEMU_TopLevelOf(h->window());
    return t && t->ownerWindow() ? WEMU_HandleForView(t->ownerWindow()->contentView()) : nullptr;
  }
  if (command == GW_CHILD)
    return h->subviews().empty() ? nullptr : WEMU_HandleForView(h->subviews().front());
  if (command < GW_HWNDFIRST || command > GW_HWNDPREV) return nullptr;
  if (isContentView(h) || !h->superview()) return command <= GW_HWNDLAST ? h : nullptr;
  const auto& sibs = h->superview()->subviews();
  size_t i = std::find(sibs.begin(), sibs.end(), static_cast<View*>(h)) - sibs.begin();
  switch (command) {
    case GW_HWNDFIRST:
      return WEMU_HandleForView(sibs.front());
    case GW_HWNDLAST:
      return WEMU_HandleForView(sibs.back());
    case GW_HWNDNEXT:
      return i + 1 < sibs.size() ? WEMU_HandleForView(sibs[i + 1]) : nullptr;
    default:
      return i > 0 ? WEMU_HandleForView(sibs[i - 1]) : nullptr;
  }
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM lParam) {
  if (!WEMU_OnWindowThread() || !callback) return FALSE;
  // A snapshot with serials: the callback may destroy windows.
  std::vector<std::pair<HWND__*, uint64_t>> snapshot;
  for (Window* w : Window::allWindows())
    if (HWND__* content = WEMU_HandleForView(w->contentView()))
      snapshot.emplace_back(content, content->serial());
  for (auto& [h, serial] : snapshot) {
    if (!WEMU_IsLiveWindowSerial(h, serial)) continue;
    if (!callback(h, lParam)) return FALSE;
  }
  return TRUE;
}

HWND__* SetParent(HWND__* window, HWND__* newParent) {
  HWND__* h = WEMU_UsableWindow(window);
  if (!h || h->windowObject()) return nullptr;
  if (newParent && !WEMU_UsableWindow(newParent)) return nullptr;
  HWND__* parentView = newParent ? WEMU_ViewOfHandle(newParent) : nullptr;
  auto* view = dynamic_cast<WEMU_WindowView*>(h);
  if (isContentView(h)) {
    if (!parentView) return nullptr;
    Window* old = h->window();
    WEMU_TopLevelWindow* oldT = WEMU_TopLevelOf(old);
    char title[1024];
    GetDlgItemText(h, 0, title, sizeof title);
    HWND__* lastOwner = oldT && oldT->ownerWindow() ? oldT->ownerWindow() : nullptr;
    HWND__::Hold hold(h);
    old->setContentView(WEMU_WindowView::create(nullptr, nullptr, nullptr, nullptr, 0));
    parentView->addSubview(h);
    if (oldT) DestroyWindow(oldT);
    if (title[0]) SetDlgItemText(h, 0, title);
    if (view) view->lastTopLevelOwner = lastOwner;
    return parentView;
  }
  if (!parentView) {
    HWND__* owner = view && view->lastTopLevelOwner && WEMU_IsLiveWindow(view->lastTopLevelOwner)
                        ? view->lastTopLevelOwner
                        : nullptr;
    uint32_t flags = view && view->createFlags ? view->createFlags : 15;
    WEMU_TopLevelWindow* t = WEMU_Internal_MakeTopLevelForChild(h, owner, flags);
    if (t && view && view->text()[0]) t->setTitle(view->text());
    return nullptr;
  }
  HWND__* old = WEMU_HandleForView(h->superview());
  parentView->addSubview(h);
  return old;
}
