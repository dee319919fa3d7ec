#include "wemu/window_handle.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <new>
#include <unordered_map>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define WEMU_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define WEMU_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define WEMU_POISON(p, n) ((void)(p), (void)(n))
#define WEMU_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

#include "platform/platform.h"
#include "wemu/control_messages.h"
#include "wemu/menus.h"
#include "wemu/message_queue.h"
#include "wemu/window_paint.h"
#include "wemu/window_timers.h"

using vq::platform::View;
using vq::platform::Window;

namespace {

// Live handles and their serials.
std::unordered_map<const HWND__*, uint64_t>& registry() {
  static std::unordered_map<const HWND__*, uint64_t> live;
  return live;
}
uint64_t gNextSerial = 1;

HMENU gModalMenu = nullptr;

}  // namespace

std::mutex& WEMU_WindowRegistryMutex() {
  static std::mutex m;
  return m;
}

bool WEMU_IsLiveWindowLocked(const HWND__* window) {
  return window && registry().count(window) != 0;
}

bool WEMU_IsLiveWindow(const HWND__* window) {
  std::lock_guard<std::mutex> lock(WEMU_WindowRegistryMutex());
  return WEMU_IsLiveWindowLocked(window);
}

bool WEMU_IsLiveWindowSerialLocked(const HWND__* window, uint64_t serial) {
  if (!window) return false;
  auto it = registry().find(window);
  return it != registry().end() && it->second == serial;
}

bool WEMU_IsLiveWindowSerial(const HWND__* window, uint64_t serial) {
  std::lock_guard<std::mutex> lock(WEMU_WindowRegistryMutex());
  return WEMU_IsLiveWindowSerialLocked(window, serial);
}

HWND__::HWND__(vq::platform::ViewKind kind) : View(kind) {}

namespace {
struct Quarantine {
  std::mutex mutex;
  std::deque<std::pair<void*, size_t>> blocks;  // oldest first
};
Quarantine& quarantine() {
  static auto* q = new Quarantine;  // outlives static destructors that may still delete
  return *q;
}
}  // namespace

void* HWND__::operator new(size_t size) {
  return ::operator new(size);
}

void HWND__::operator delete(void* p, size_t size) {
  if (!p) return;
  std::pair<void*, size_t> oldest{nullptr, 0};
  {
    Quarantine& q = quarantine();
    std::lock_guard<std::mutex> lock(q.mutex);
    WEMU_POISON(p, size);  // a use after deletion still shows under the address checker
    q.blocks.emplace_back(p, size);
    if (q.blocks.size() <= WEMU_HANDLE_QUARANTINE) return;
    oldest = q.blocks.front();
    q.blocks.pop_front();
  }
  WEMU_UNPOISON(oldest.first, oldest.second);
  ::operator delete(oldest.first, oldest.second);
}

void HWND__::publish() {
  std::lock_guard<std::mutex> lock(WEMU_WindowRegistryMutex());
  if (mRegistered || mRetired) return;
  mSerial = gNextSerial++;
  registry()[this] = mSerial;
  mRegistered = true;
}

HWND__::~HWND__() {
  retire();
  if (mMenu) mMenu->release();
}

void HWND__::retire() {
  {
    std::lock_guard<std::mutex> lock(WEMU_WindowRegistryMutex());
    bool was = mRegistered;
    mRetired = true;
    if (!was) return;
    registry().erase(this);
    mRegistered = false;
  }
  WEMU_MessageQueue_Clear(this);
  KillTimer(this, WEMU_ALL_TIMERS);
  WEMU_Internal_ForgetMenuTarget(this);
}

bool HWND__::wemuCanPostMessage() const {
  return mDestroyState.load() == 0;
}

LRESULT HWND__::onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure ? procedure(this, message, wParam, lParam) : 0;
}

void HWND__::onWemuCommand(int64_t tag) {
  onWemuMessage(WM_COMMAND, static_cast<WPARAM>(tag), 0);
}

void HWND__::wemuTimer(UINT_PTR id) {
  onWemuMessage(WM_TIMER, id, 0);
}

void WEMU_HoldMenu(HMENU& slot, HMENU menu) {
  if (menu == slot) return;
  if (menu) menu->retain();
  if (slot) slot->release();
  slot = menu;
}

void HWND__::wemuSetMenu(HMENU menu) {
  WEMU_HoldMenu(mMenu, menu);
}

void HWND__::performMenuAction(int action, vq::platform::MenuItem& sender) {
  if (action == WEMU_ACTION_COMMAND) onWemuCommand(sender.tag());
}

void HWND__::menuNeedsUpdate(vq::platform::Menu& menu) {
  if (destroyState() == 0) SendMessage(this, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(&menu), 0);
}

void HWND__::destroy() {
  int expected = 0;
  if (!mDestroyState.compare_exchange_strong(expected, 1)) return;
  onWemuMessage(WM_DESTROY, 0, 0);
  mDestroyState.store(2);
  retire();  // drops its queued messages and timers
}

HWND__* WEMU_HandleForView(View* view) {
  return dynamic_cast<HWND__*>(view);
}

HWND__* WEMU_ViewOfHandle(HWND__* window) {
  if (!window) return nullptr;
  if (Window* w = window->windowObject()) return WEMU_HandleForView(w->contentView());
  return window;
}

Window* WEMU_WindowOfHandle(HWND__* window) {
  if (!window) return nullptr;
  if (Window* w = window->windowObject()) return w;
  return window->window();
}

namespace {
// Handles of this layer may be used here: the main thread, and a live handle. A stale or
// foreign pointer is refused before anything reads it.
bool usableHandle(HWND__* window) {
  return window && vq::platform::services().runLoop().isMainThread() && WEMU_IsLiveWindow(window);
}
}  // namespace

LRESULT SendMessage(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!usableHandle(window)) return 0;
  if (window->answersWemuMessage())
    return window->destroyState() == 2 ? 0 : window->onWemuMessage(message, wParam, lParam);
  bool handled = false;
  LRESULT r = WEMU_Internal_ControlMessage(window, message, wParam, lParam, &handled);
  if (handled) return r;
  // One step to the other side of a window and its content view, never back.
  HWND__* other = nullptr;
  if (Window* w = window->windowObject()) {
    other = WEMU_HandleForView(w->contentView());
  } else if (window->window() && window->window()->contentView() == window) {
    other = dynamic_cast<HWND__*>(window->window());
  }
  if (!other || other == window || !WEMU_IsLiveWindow(other) || !other->answersWemuMessage() ||
      other->destroyState() == 2)
    return 0;
  return other->onWemuMessage(message, wParam, lParam);
}

HWND__* SetFocus(HWND__* window) {
  if (!usableHandle(window)) return nullptr;
  View* view = window->windowObject() ? window->windowObject()->contentView() : window;
  Window* w = WEMU_WindowOfHandle(window);
  if (!view || !w) return nullptr;
  HWND__* previous = WEMU_HandleForView(w->firstResponder());
  w->makeFirstResponder(view);
  if (w->isVisible()) w->makeKeyAndOrderFront();
  return previous;
}

int WEMU_GetDefaultButtonID(HWND__* dialog, int onlyIfEnabled) {
  if (!usableHandle(dialog)) return 0;
  Window* w = WEMU_WindowOfHandle(dialog);
  if (!w) return 0;
  View* button = w->defaultButton();
  if (!button || button->tag() == 0) return 0;
  if (onlyIfEnabled == 1 && !button->isEnabled()) return 0;
  return static_cast<int>(button->tag());
}

void WEMU_BroadcastMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!vq::platform::services().runLoop().isMainThread()) return;
  // A window may close in reaction; work on a copy of the order and skip the ones gone.
  std::vector<Window*> windows = Window::orderedWindows();
  for (Window* w : windows) {
    const auto& now = Window::orderedWindows();
    if (std::find(now.begin(), now.end(), w) == now.end()) continue;
    HWND__* content = WEMU_HandleForView(w->contentView());
    if (content && content->answersWemuMessage() && content->destroyState() != 2) {
      content->onWemuMessage(message, wParam, lParam);
      // A display change redraws every window whole.
      if (message == WM_DISPLAYCHANGE && WEMU_IsLiveWindow(content))
        InvalidateRect(content, nullptr, FALSE);
    }
  }
}

BOOL ScreenToClient(HWND__* window, POINT* point) {
  if (!usableHandle(window)) return FALSE;
  HWND__* view = WEMU_ViewOfHandle(window);
  Window* w = WEMU_WindowOfHandle(window);
  if (!view || !w || !point) return FALSE;
  vq::platform::Rect frame = w->frame();
  vq::platform::Point inWindow{point->x - frame.x, point->y - frame.y};
  vq::platform::Point p = view->convertFromWindow(inWindow);
  point->x = static_cast<int>(std::trunc(p.x + 0.5));
  point->y = static_cast<int>(std::trunc(p.y + 0.5));
  return TRUE;
}

void WEMU_SetDefaultModalWindowMenu(HMENU menu) {
  WEMU_HoldMenu(gModalMenu, menu);
}

HMENU WEMU_GetDefaultModalWindowMenu() {
  return gModalMenu;
}
