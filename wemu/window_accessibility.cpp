#include "wemu/window_accessibility.h"

#include <map>
#include <utility>

namespace {

struct Cache {
  std::vector<WEMU_AccessibilityElement*> result, inherited;
  WEMU_AccessibilityElement* object = nullptr;
  bool valid = false;
};
// Per view (its serial keeps a new view at the same address apart) and per list.
std::map<std::pair<uint64_t, int>, Cache> gCaches;
int gRebuilds = 0;

}  // namespace

WEMU_AccessibilityElement* WEMU_AccessibilityObject(WEMU_WindowView* view) {
  if (!view || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(view) || view->destroyState() != 0)
    return nullptr;
  WEMU_AccessibilityElement* slot = nullptr;
  SendMessage(view, WM_GETOBJECT, WEMU_OBJID_ACCESSIBLE, reinterpret_cast<LPARAM>(&slot));
  return slot;
}

WEMU_AccessibilityElement* WEMU_AccessibilityHitTest(WEMU_WindowView* view, vq::platform::Point p,
                                                     WEMU_AccessibilityElement* inherited) {
  if (WEMU_AccessibilityElement* obj = WEMU_AccessibilityObject(view)) {
    WEMU_AccessibilityElement* hit = obj->hitTest(p);
    if (hit && !(hit == obj && obj->isIgnored())) return hit;
  }
  return inherited;
}

WEMU_AccessibilityElement* WEMU_AccessibilityFocused(WEMU_WindowView* view,
                                                     WEMU_AccessibilityElement* inherited) {
  if (WEMU_AccessibilityElement* obj = WEMU_AccessibilityObject(view)) {
    WEMU_AccessibilityElement* f = obj->focusedElement();
    if (f && f != obj) return f;
  }
  return inherited;
}

bool WEMU_AccessibilityIsIgnored(WEMU_WindowView* view, bool inherited) {
  if (view && view->subviews().empty() && WEMU_AccessibilityObject(view)) return true;
  return inherited;
}

const std::vector<WEMU_AccessibilityElement*>& WEMU_AccessibilityChildren(
    WEMU_WindowView* view, WEMU_AccessibilityList which,
    const std::vector<WEMU_AccessibilityElement*>& inherited) {
  static std::vector<WEMU_AccessibilityElement*> plain;
  WEMU_AccessibilityElement* obj = WEMU_AccessibilityObject(view);
  auto key = std::make_pair(view ? view->serial() : 0, static_cast<int>(which));
  if (!obj) {
    // Without an element the caches go.
    if (view) WEMU_Internal_ForgetAccessibility(view->serial());
    plain = inherited;
    return plain;
  }
  Cache& c = gCaches[key];
  if (c.valid && c.object == obj && c.inherited == inherited) return c.result;
  ++gRebuilds;
  c.object = obj;
  c.inherited = inherited;
  c.result.clear();
  for (WEMU_AccessibilityElement* e : inherited)
    if (e && !e->isIgnored()) c.result.push_back(e);
  if (!obj->isIgnored()) c.result.push_back(obj);
  c.valid = true;
  return c.result;
}

void WEMU_Internal_ForgetAccessibility(uint64_t viewSerial) {
  gCaches.erase({viewSerial, 0});
  gCaches.erase({viewSerial, 1});
}

int WEMU_Internal_AccessibilityRebuilds() {
  return gRebuilds;
}

vq::platform::AccessibilityElement* WEMU_WindowView::accessibilityElement() {
  return WEMU_AccessibilityObject(this);
}

bool WEMU_WindowView::accessibilityIsIgnored() {
  return WEMU_AccessibilityIsIgnored(this, false);
}

vq::platform::AccessibilityElement* WEMU_WindowView::accessibilityHitTest(
    vq::platform::Point p, vq::platform::AccessibilityElement* inherited) {
  return WEMU_AccessibilityHitTest(this, p, inherited);
}

vq::platform::AccessibilityElement* WEMU_WindowView::accessibilityFocused(
    vq::platform::AccessibilityElement* inherited) {
  return WEMU_AccessibilityFocused(this, inherited);
}

std::vector<vq::platform::AccessibilityElement*> WEMU_WindowView::accessibilityChildren(
    const std::vector<vq::platform::AccessibilityElement*>& inherited, bool visibleOnly) {
  return WEMU_AccessibilityChildren(
      this,
      visibleOnly ? WEMU_AccessibilityList::VisibleChildren : WEMU_AccessibilityList::Children,
      inherited);
}
