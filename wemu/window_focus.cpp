#include "wemu/window_focus.h"

#include "wemu/controls.h"
#include "wemu/window_view.h"

using vq::platform::View;
using vq::platform::Window;

namespace {

WEMU_WindowRef gCapture;  // the window that took the capture
bool gCaptureNotify = false;

}  // namespace

HWND__* SetForegroundWindow(HWND__* window) {
  if (!WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return nullptr;
  return SetFocus(window);
}

HWND__* GetForegroundWindow() {
  if (!WEMU_OnWindowThread()) return nullptr;
  Window* key = Window::keyWindow();
  if (!key) return nullptr;
  if (HWND__* first = WEMU_HandleForView(key->firstResponder())) return first;
  return WEMU_HandleForView(key->contentView());
}

BOOL EnableWindow(HWND__* window, BOOL enable) {
  if (!WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return FALSE;
  HWND__* view = WEMU_ViewOfHandle(window);
  if (!view) return FALSE;
  bool was = view->isEnabled();
  view->setEnabled(enable != 0);
  if (auto* label = dynamic_cast<WEMU_TextField*>(view); label && label->isLabel()) {
    label->textAlpha = enable ? 1.0 : 0.5;
    label->markNeedsDisplay(true);
  }
  return was ? FALSE : TRUE;
}

HWND__* GetCapture() {
  return WEMU_OnWindowThread() ? gCapture.get() : nullptr;
}

HWND__* SetCapture(HWND__* window) {
  if (!WEMU_OnWindowThread()) return nullptr;
  if (window && !WEMU_IsLiveWindow(window)) return nullptr;
  HWND__* previous = gCapture.get();
  bool notify = gCaptureNotify;
  gCapture = WEMU_WindowRef(window);
  gCaptureNotify = dynamic_cast<WEMU_WindowView*>(window) != nullptr;
  if (previous && previous != window && notify)
    SendMessage(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
  return previous;
}

BOOL ReleaseCapture() {
  if (!WEMU_OnWindowThread()) return FALSE;
  HWND__* previous = gCapture.get();
  bool notify = gCaptureNotify;
  gCapture = WEMU_WindowRef();
  gCaptureNotify = false;
  if (previous && notify) SendMessage(previous, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

void WEMU_Internal_ForgetCapture(HWND__* window) {
  if (window && gCapture.refersTo(window)) {
    gCapture = WEMU_WindowRef();
    gCaptureNotify = false;
  }
}
