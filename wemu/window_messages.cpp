#include "wemu/window_messages.h"

#include <cstring>

#include "platform/platform.h"
#include "wemu/utilities.h"
#include "wemu/window_geometry.h"
#include "wemu/window_tree.h"
#include "wemu/window_view.h"

using vq::platform::View;
using vq::platform::Window;

namespace {

int lo16(LPARAM v) {
  return static_cast<int16_t>(v & 0xFFFF);
}
int hi16(LPARAM v) {
  return static_cast<int16_t>((v >> 16) & 0xFFFF);
}
LPARAM packPoint(int x, int y) {
  return static_cast<LPARAM>(static_cast<int32_t>((y << 16) | (x & 0xFFFF)));
}

LRESULT passUp(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam) {
  for (View* v = window; v;) {
    if (v->window() && v->window()->contentView() == v) return 0;
    v = v->superview();
    HWND__* h = WEMU_HandleForView(v);
    if (h && h->answersWemuMessage()) return SendMessage(h, message, wParam, lParam);
  }
  return 0;
}

}  // namespace

LRESULT DefWindowProc(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return 0;
  HWND__* view = WEMU_ViewOfHandle(window);
  switch (message) {
    case WM_CONTEXTMENU:
    case WM_GESTURE:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      return view ? passUp(view, message, wParam, lParam) : 0;
    case WM_NCHITTEST: {
      RECT r{};
      GetWindowRect(window, &r);
      int y = hi16(lParam);
      if (r.top > r.bottom) {
        y = r.top - y + r.bottom;
        std::swap(r.top, r.bottom);
      }
      NCCALCSIZE_PARAMS calc{};
      calc.rgrc[0] = r;
      SendMessage(window, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&calc));
      return WEMU_PtInRect(&calc.rgrc[0], POINT{lo16(lParam), y}) ? 1 : 0;
    }
    case WM_NCRBUTTONUP:
    case WM_RBUTTONUP: {
      POINT pt{lo16(lParam), hi16(lParam)};
      HWND__* target = window;
      if (message == WM_RBUTTONUP) {
        ClientToScreen(window, &pt);
        HWND__* under = WindowFromPoint(pt);
        if (under && (under == view || IsChild(window, under) || (view && IsChild(view, under))))
          target = under;
      }
      SendMessage(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), packPoint(pt.x, pt.y));
      return 1;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
      return WEMU_KEY_NOT_HANDLED;
    case WM_DISPLAYCHANGE: {
      if (!view || window->windowObject()) return 0;
      std::vector<View*> children = view->subviews();
      for (View* c : children) {
        HWND__* h = WEMU_HandleForView(c);
        if (h && WEMU_IsLiveWindow(h) && h->answersWemuMessage())
          SendMessage(h, message, wParam, lParam);
      }
      auto* wv = dynamic_cast<WEMU_WindowView*>(view);
      if (!children.empty() && wv && WEMU_IsLiveWindow(wv))
        wv->updateControlColors(wv->dialogProc, true);
      return 0;
    }
    default:
      return 0;
  }
}

WEMU_ModalSession WEMU_ModalWindowStart(HWND__* window) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return nullptr;
  Window* w = WEMU_WindowOfHandle(window);
  if (!w) return nullptr;
  return vq::platform::services().application().beginModalSession(*w);
}

bool WEMU_ModalWindowRun(WEMU_ModalSession session, int* result) {
  if (!session || !WEMU_OnWindowThread()) return false;
  int r = vq::platform::services().application().runModalSession(
      static_cast<vq::platform::ModalSession*>(session));
  if (r == vq::platform::kModalResponseContinue) return true;
  if (result) *result = r;
  return false;
}

void WEMU_ModalWindowEnd(WEMU_ModalSession session) {
  if (!session || !WEMU_OnWindowThread()) return;
  auto& app = vq::platform::services().application();
  auto* s = static_cast<vq::platform::ModalSession*>(session);
  if (app.runModalSession(s) == vq::platform::kModalResponseContinue) {
    app.stopModal();
    // Bounded: a session that will not stop is ended anyway after half a second.
    for (int tries = 0;
         tries < 50 && app.runModalSession(s) == vq::platform::kModalResponseContinue; ++tries)
      Sleep(10);
  }
  app.endModalSession(s);
}

void WEMU_CloseWindow(HWND__* window) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return;
  if (Window* w = WEMU_WindowOfHandle(window)) w->close();
}

void WEMU_HideApp() {
  if (WEMU_OnWindowThread()) vq::platform::services().application().hide();
}

BOOL WEMU_GetGestureInfo(LPARAM lParam, void* out) {
  if (!lParam || !out) return FALSE;
  std::memcpy(out, reinterpret_cast<const void*>(lParam), 56);
  return TRUE;
}

int DragQueryFile(HDROP drop, int index, char* buffer, int size) {
  auto* block = static_cast<const char*>(GlobalLock(drop));
  if (!block) return 0;
  size_t total = GlobalSize(drop);
  int answer = 0;
  DROPFILES rec{};
  if (total >= sizeof rec) {
    std::memcpy(&rec, block, sizeof rec);
    size_t at = rec.pFiles;
    int count = 0;
    // Only whole, terminated paths inside the block count.
    while (at < total) {
      const void* nul = std::memchr(block + at, 0, total - at);
      if (!nul) break;
      size_t len = static_cast<const char*>(nul) - (block + at);
      if (len == 0) break;
      if (count == index) {
        if (buffer && size > 0) {
          size_t n = len < static_cast<size_t>(size - 1) ? len : static_cast<size_t>(size - 1);
          std::memcpy(buffer, block + at, n);
          buffer[n] = 0;
        }
        answer = static_cast<int>(len);
        break;
      }
      ++count;
      at += len + 1;
    }
    if (index == -1) answer = count;
  }
  GlobalUnlock(drop);
  return answer;
}

BOOL DragQueryPoint(HDROP drop, POINT* point) {
  auto* block = static_cast<const char*>(GlobalLock(drop));
  if (!block) return FALSE;
  BOOL answer = FALSE;
  DROPFILES rec{};
  if (GlobalSize(drop) >= sizeof rec) {
    std::memcpy(&rec, block, sizeof rec);
    if (point) *point = rec.pt;
    answer = rec.fNC == 0 ? TRUE : FALSE;
  }
  GlobalUnlock(drop);
  return answer;
}

void DragFinish(HDROP) {}
