#include "wemu/window_properties.h"

namespace {

WEMU_WindowView* keeper(HWND__* window) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return nullptr;
  return WEMU_WindowViewOf(window);
}

}  // namespace

void* GetProp(HWND__* window, const char* name) {
  WEMU_WindowView* v = keeper(window);
  return v ? v->getProp(name, false) : nullptr;
}

BOOL SetProp(HWND__* window, const char* name, void* value) {
  WEMU_WindowView* v = keeper(window);
  return v && v->setProp(name, value) ? TRUE : FALSE;
}

void* RemoveProp(HWND__* window, const char* name) {
  WEMU_WindowView* v = keeper(window);
  return v ? v->getProp(name, true) : nullptr;
}

int EnumPropsEx(HWND__* window, PROPENUMPROCEX callback, LPARAM lParam) {
  WEMU_WindowView* v = keeper(window);
  return v ? v->enumProps(callback, lParam) : -1;
}
