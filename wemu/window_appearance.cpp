#include "wemu/window_appearance.h"

#include <cmath>

#include "platform/platform.h"
#include "wemu/top_level_windows.h"
#include "wemu/utilities.h"
#include "wemu/window_focus.h"
#include "wemu/window_geometry.h"
#include "wemu/window_properties.h"
#include "wemu/window_view.h"

using vq::platform::Rect;
using vq::platform::View;
using vq::platform::Window;

namespace {

// The modeless window of the layer that is or holds the handle.
WEMU_TopLevelWindow* modelessOf(HWND__* window) {
  WEMU_TopLevelWindow* t = WEMU_TopLevelOf(WEMU_WindowOfHandle(WEMU_UsableWindow(window)));
  return t && t->kind() == WEMU_TopLevelWindow::Kind::Modeless ? t : nullptr;
}

// The overlay's content: filled with a middle grey.
class FocusRectView : public View {
 public:
  FocusRectView() { setFlipped(true); }
  double gray = 0.5;
};

class FocusRectWindow : public Window {
 public:
  FocusRectWindow() {
    setStyleMask(0);
    opaque = true;
    alphaValue = 0.5;
    excludedFromWindowsMenu = true;
    ignoresMouseEvents = true;
    setContentView(&mView);
  }
  ~FocusRectWindow() override { setContentView(nullptr); }

 private:
  FocusRectView mView;
};

void closeOverlay(void** slot) {
  auto* w = static_cast<FocusRectWindow*>(*slot);
  *slot = nullptr;
  if (!w) return;
  if (Window* parent = w->parentWindow()) parent->removeChildWindow(w);
  w->close();
  delete w;
}

}  // namespace

int WEMU_GetWindowWantRaiseAmt(HWND__* window) {
  WEMU_TopLevelWindow* t = modelessOf(window);
  return t ? t->wantRaiseAmount : 0;
}

void WEMU_SetWindowWantRaiseAmt(HWND__* window, int amount) {
  WEMU_TopLevelWindow* t = modelessOf(window);
  if (!t) return;
  int diff = amount - t->wantRaiseAmount;
  t->wantRaiseAmount = amount;
  if (diff != 0 && vq::platform::services().application().isActive())
    t->setLevel(t->level() + diff);
}

int WEMU_SetWindowLevel(HWND__* window, int level) {
  Window* w = WEMU_WindowOfHandle(WEMU_UsableWindow(window));
  if (!w) return 0;
  int previous = w->level();
  w->setLevel(level);
  return previous;
}

void SetOpaque(HWND__* window, bool opaque) {
  if (auto* v = dynamic_cast<WEMU_WindowView*>(WEMU_UsableWindow(window))) {
    v->isOpaque = opaque;
    v->setNeedsDisplay(true);
  }
}

void WEMU_SetWindowRepre(HWND__* window, const char* fileName, bool edited) {
  Window* w = WEMU_WindowOfHandle(WEMU_UsableWindow(window));
  if (!w) return;
  if (HWND__* content = WEMU_HandleForView(w->contentView()))
    if (GetProp(content, "WEMU_DisableWindowRepre")) return;
  w->documentEdited = edited;
  w->representedFilename = fileName ? fileName : "";
}

void WEMU_DrawFocusRect(HWND__* window, const RECT* rect, void** slot) {
  if (!slot || !WEMU_OnWindowThread()) return;
  if (!rect) {
    closeOverlay(slot);
    return;
  }
  RECT r = *rect;
  Window* parent = nullptr;
  if (window) {
    HWND__* h = WEMU_UsableWindow(window);
    if (!h) return;
    parent = WEMU_WindowOfHandle(h);
    if (!parent) return;
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ClientToScreen(h, &a);
    ClientToScreen(h, &b);
    r = RECT{a.x, a.y, b.x, b.y};
  }
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  auto* overlay = static_cast<FocusRectWindow*>(*slot);
  if (overlay && overlay->parentWindow() != parent) {
    closeOverlay(slot);
    overlay = nullptr;
  }
  if (!overlay) {
    overlay = new FocusRectWindow();
    *slot = overlay;
    if (parent) {
      parent->addChildWindow(overlay);
      overlay->orderFront();
    } else {
      overlay->setLevel(101);
      overlay->orderFront();
    }
  }
  overlay->setFrame(
      Rect{double(r.left), double(r.top), double(r.right - r.left), double(r.bottom - r.top)});
  overlay->contentView()->setNeedsDisplay(true);
}

vq::platform::Window* WEMU_Internal_FocusRectWindow(void* slot) {
  return static_cast<FocusRectWindow*>(slot);
}

void WEMU_MakeWindowTransparent(HWND__* window) {
  if (Window* w = WEMU_WindowOfHandle(WEMU_UsableWindow(window))) {
    w->opaque = false;
    w->alphaValue = 1;
    if (View* c = w->contentView()) c->setNeedsDisplay(true);
  }
}

void WEMU_SetWindowShadow(HWND__* window, bool on) {
  if (Window* w = WEMU_WindowOfHandle(WEMU_UsableWindow(window))) w->hasShadow = on;
}

bool WEMU_SetPresentationMode(int n) {
  static int supported = -1;
  static bool saved = false;
  static uint32_t savedOptions = 0;
  if (supported < 0) supported = WEMU_GetOSXVersion() >= 0x1060 ? 1 : 0;
  if (!supported || !WEMU_OnWindowThread()) return false;
  auto& app = vq::platform::services().application();
  if (!saved) {
    savedOptions = app.presentationOptions();
    saved = true;
  }
  app.setPresentationOptions(n > 0 ? (n == 1 ? 5u : 6u) : savedOptions);
  return true;
}

bool WEMU_HandMouseEventToView(const vq::platform::Event& e) {
  int type = static_cast<int>(e.type);
  if (!WEMU_OnWindowThread() || GetCapture() || type < 1 || type > 7 || !e.window) return false;
  View* content = e.window->contentView();
  View* hit = WEMU_HitTestView(content, e.locationInWindow);
  Rect frame = e.window->frame();
  int x = static_cast<int>(std::floor(frame.x + e.locationInWindow.x));
  int y = static_cast<int>(std::floor(frame.y + e.locationInWindow.y));
  LPARAM packed = (static_cast<LPARAM>(y) << 16) | (x & 0xffff);
  HWND__* claimer = nullptr;
  for (View* v = hit; v; v = v->superview()) {
    if (HWND__* h = WEMU_HandleForView(v))
      if (SendMessage(h, WM_NCHITTEST, 0, packed) > 1) claimer = h;
    if (v == content) break;
  }
  if (!claimer || !WEMU_IsLiveWindow(claimer)) return false;
  HWND__::Hold hold(claimer);
  claimer->handleEvent(e);
  return true;
}
