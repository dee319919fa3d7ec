#include "wemu/window_timers.h"

#include <memory>
#include <vector>

#include "platform/platform.h"
#include "plugin/utl_mutex.h"
#include "wemu/message_queue.h"
#include "wemu/utilities.h"
#include "wemu/window_handle.h"

namespace {

struct WindowTimerRec {
  UINT_PTR id = 0;
  HWND__* window = nullptr;
  TIMERPROC callback = nullptr;
  vq::platform::TimerId timer = 0;
  vq::platform::RunLoop* loop = nullptr;
};

struct TimerState {
  UTL_Mutex mutex;
  std::vector<std::unique_ptr<WindowTimerRec>> list;  // newest first
};

TimerState& T() {
  static TimerState t;
  return t;
}

bool onMainThread() {
  if (WEMU_Internal_PostMessage_IsInitialized()) return WEMU_Internal_IsMainThread();
  return vq::platform::services().runLoop().isMainThread();
}

void stopTimer(WindowTimerRec& rec) {
  // The loop may belong to a backend that has been replaced since; only touch the live one.
  if (rec.timer && vq::platform::hasBackend() && &vq::platform::services().runLoop() == rec.loop)
    rec.loop->invalidateTimer(rec.timer);
  rec.timer = 0;
}

void fire(HWND__* window, uint64_t serial, UINT_PTR id, TIMERPROC callback) {
  if (callback) {
    callback(window, WM_TIMER, id, GetTickCount());
  } else if (WEMU_IsLiveWindowSerial(window, serial) && window->destroyState() != 2) {
    window->wemuTimer(id);
  }
}

// A top-level window that takes no timers stands for its content view when that one does.
HWND__* timerWindow(HWND__* window) {
  if (!window || window->answersWemuTimer()) return window;
  HWND__* content = window->windowObject() ? WEMU_ViewOfHandle(window) : nullptr;
  return content && content->answersWemuTimer() ? content : nullptr;
}

}  // namespace

UINT_PTR SetTimer(HWND__* window, UINT_PTR id, UINT elapseMs, TIMERPROC callback) {
  if (!window && !callback) return 0;
  if (window && id == 0) return 0;
  if (id == WEMU_ALL_TIMERS) return 0;  // names every timer, never one
  if (!onMainThread()) {
    // Timers live on the main thread's loop: ask for one there. Without a window there is
    // nothing to queue for, so say so instead of claiming an id.
    if (!window) return 0;
    DWORD interval = elapseMs > 0xFFFFFFFEu ? 0xFFFFFFFEu : elapseMs;
    return WEMU_Internal_QueueTimerRequest(window, id, interval, callback) ? id : 0;
  }
  if (window) {
    // A window gone or going takes no new timer: its ticks would reach nobody, and the
    // record would outlive the window.
    if (!WEMU_IsLiveWindow(window) || window->destroyState() != 0) return 0;
    window = timerWindow(window);
    if (!window) return 0;
  }
  TimerState& t = T();
  UTL_MutexLock lock(t.mutex);
  WindowTimerRec* rec = nullptr;
  if (window) {
    for (auto& r : t.list) {
      if (r->window == window && r->id == id) {
        rec = r.get();
        stopTimer(*rec);
        break;
      }
    }
  }
  if (!rec) {
    t.list.insert(t.list.begin(), std::make_unique<WindowTimerRec>());
    rec = t.list.front().get();
    rec->window = window;
    // Without a window the record's address is an id no other running timer has.
    rec->id = window ? id : reinterpret_cast<UINT_PTR>(rec);
  }
  rec->callback = callback;
  double interval = elapseMs == 0 ? 0.001 : elapseMs * 0.001;
  auto& loop = vq::platform::services().runLoop();
  HWND__* w = rec->window;
  uint64_t serial = w ? w->serial() : 0;
  UINT_PTR timerId = rec->id;
  rec->timer = loop.addTimer(
      interval, true, [w, serial, timerId, callback] { fire(w, serial, timerId, callback); }, true);
  rec->loop = &loop;
  return rec->id;
}

BOOL KillTimer(HWND__* window, UINT_PTR id) {
  if (!window && id == 0) return FALSE;
  if (!onMainThread()) {
    if (!window) return FALSE;
    return WEMU_Internal_QueueTimerRequest(window, id, 0xFFFFFFFFu, nullptr) ? TRUE : FALSE;
  }
  // A retired window is only matched by its address (its records are still removed).
  if (window && WEMU_IsLiveWindow(window) && !window->answersWemuTimer()) {
    HWND__* content = timerWindow(window);
    if (content) window = content;
  }
  TimerState& t = T();
  UTL_MutexLock lock(t.mutex);
  if (!window && id == WEMU_ALL_TIMERS) return FALSE;
  bool any = false;
  for (size_t i = 0; i < t.list.size();) {
    WindowTimerRec& r = *t.list[i];
    if (r.window == window && (id == WEMU_ALL_TIMERS || r.id == id)) {
      stopTimer(r);
      t.list.erase(t.list.begin() + static_cast<long>(i));
      any = true;
      if (id != WEMU_ALL_TIMERS) break;
    } else {
      ++i;
    }
  }
  return any ? TRUE : FALSE;
}

void WEMU_Internal_KillAllTimers() {
  TimerState& t = T();
  UTL_MutexLock lock(t.mutex);
  for (auto& r : t.list) stopTimer(*r);
  t.list.clear();
}

int WEMU_Internal_TimerCount() {
  UTL_MutexLock lock(T().mutex);
  return static_cast<int>(T().list.size());
}
