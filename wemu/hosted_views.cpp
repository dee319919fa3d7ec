#include "wemu/hosted_views.h"

vq::platform::View* WEMU_CreatePluginView(HWND__*, void*, const WEMU_PluginViewDescription*,
                                          RECT*) {
  return nullptr;
}

HWND__* WEMU_CreateHostedWindowView(HWND__* parent, const RECT* rect, void** hostedWindow) {
  if (hostedWindow) *hostedWindow = nullptr;
  if (!parent || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(parent)) return nullptr;
  HWND__* inside = WEMU_ViewOfHandle(parent);
  WEMU_WindowView* v = WEMU_WindowView::create(nullptr, nullptr, inside, nullptr, 0);
  if (v) v->isOpaque = false;
  if (v && rect)
    v->setFrame({double(rect->left), double(rect->top), double(rect->right - rect->left),
                 double(rect->bottom - rect->top)});
  return v;
}

void* WEMU_GetHostedWindow(HWND__*) {
  return nullptr;
}
