#include "wemu/message_queue.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "plugin/utl_mutex.h"
#include "wemu/window_handle.h"
#include "wemu/window_timers.h"

namespace {

// One queued message or timer request. For a timer request `message` holds the interval in
// milliseconds (0xFFFFFFFF: kill) and wParam the timer id.
struct PostedMessageRec {
  HWND__* window = nullptr;  // none once cleared while its batch is being delivered
  uint64_t serial = 0;       // the window's serial when posted
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  TIMERPROC callback = nullptr;
  PostedMessageRec* next = nullptr;
  bool timerRequest = false;
};

constexpr DWORD kKillInterval = 0xFFFFFFFFu;

struct QueueState {
  UTL_Mutex mutex;
  std::atomic<bool> initialized{false};
  std::thread::id mainThread;
  PostedMessageRec* head = nullptr;
  PostedMessageRec* tail = nullptr;
  int count = 0;  // records queued or being delivered
  PostedMessageRec* freeList = nullptr;
  int freeCount = 0;
  // Heads of the batches being delivered (a delivery can run a nested loop that flushes).
  std::vector<PostedMessageRec*> inFlight;
  std::vector<std::unique_ptr<PostedMessageRec>> owned;  // records are recycled, never freed
  vq::platform::TimerId tick = 0;
  vq::platform::RunLoop* tickLoop = nullptr;
};

QueueState& Q() {
  static QueueState q;
  return q;
}

// Queue mutex held.
PostedMessageRec* takeRecord(QueueState& q) {
  if (q.freeList) {
    PostedMessageRec* r = q.freeList;
    q.freeList = r->next;
    --q.freeCount;
    *r = PostedMessageRec{};
    return r;
  }
  q.owned.push_back(std::make_unique<PostedMessageRec>());
  return q.owned.back().get();
}

void recycle(QueueState& q, PostedMessageRec* r) {
  r->window = nullptr;
  r->next = q.freeList;
  q.freeList = r;
  ++q.freeCount;
}

void append(QueueState& q, PostedMessageRec* r) {
  r->next = nullptr;
  if (!q.head) {
    q.head = q.tail = r;
  } else {
    if (!q.tail) {
      q.tail = q.head;
      while (q.tail->next) q.tail = q.tail->next;
    }
    q.tail->next = r;
    q.tail = r;
  }
  ++q.count;
}

}  // namespace

void WEMU_Internal_PostMessage_Init() {
  QueueState& q = Q();
  if (q.initialized.load()) return;
  auto& loop = vq::platform::services().runLoop();
  {
    UTL_MutexLock lock(q.mutex);
    q.mainThread = std::this_thread::get_id();
    q.owned.reserve(64);
    q.inFlight.reserve(8);
  }
  q.tick = loop.addTimer(
      0.05, true, [] { WEMU_MessageQueue_Flush(); }, true);
  loop.setQuietCheck(q.tick, [] {
    QueueState& q = Q();
    UTL_MutexLock lock(q.mutex);
    return q.head == nullptr;  // nothing to deliver
  });
  q.tickLoop = &loop;
  q.initialized.store(true);
}

void WEMU_Internal_PostMessage_Shutdown() {
  QueueState& q = Q();
  if (!q.initialized.exchange(false)) return;
  if (q.tick && vq::platform::hasBackend() && &vq::platform::services().runLoop() == q.tickLoop)
    q.tickLoop->invalidateTimer(q.tick);
  q.tick = 0;
  q.tickLoop = nullptr;
  PostedMessageQueue_ClearForWindow(nullptr);
}

bool WEMU_Internal_PostMessage_IsInitialized() {
  return Q().initialized.load();
}

bool WEMU_Internal_IsMainThread() {
  QueueState& q = Q();
  if (!q.initialized.load()) return false;
  UTL_MutexLock lock(q.mutex);
  return std::this_thread::get_id() == q.mainThread;
}

BOOL PostMessage(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostedMessageQueue_Post(window, message, wParam, lParam);
}

BOOL PostedMessageQueue_Post(HWND__* window, UINT message, WPARAM wParam, LPARAM lParam) {
  QueueState& q = Q();
  if (!window || !q.initialized.load()) return FALSE;
  // The registry lock keeps the window from being retired while we ask it and queue.
  std::lock_guard<std::mutex> live(WEMU_WindowRegistryMutex());
  if (!WEMU_IsLiveWindowLocked(window) || !window->wemuCanPostMessage()) return FALSE;
  UTL_MutexLock lock(q.mutex);
  if (!q.freeList && q.count >= WEMU_POSTED_MESSAGE_LIMIT) return FALSE;
  PostedMessageRec* r = takeRecord(q);
  r->window = window;
  r->serial = window->serial();
  r->message = message;
  r->wParam = wParam;
  r->lParam = lParam;
  append(q, r);
  return TRUE;
}

bool WEMU_Internal_QueueTimerRequest(HWND__* window, UINT_PTR id, DWORD interval,
                                     TIMERPROC callback) {
  QueueState& q = Q();
  if (!window || !q.initialized.load()) return false;
  std::lock_guard<std::mutex> live(WEMU_WindowRegistryMutex());
  if (!WEMU_IsLiveWindowLocked(window)) return false;
  UTL_MutexLock lock(q.mutex);
  for (PostedMessageRec* r = q.head; r; r = r->next) {
    if (r->timerRequest && r->window == window && r->wParam == id) {
      r->message = interval;
      r->callback = callback;
      return true;
    }
  }
  PostedMessageRec* r = takeRecord(q);  // timer requests are not held to the limit
  r->window = window;
  r->serial = window->serial();
  r->timerRequest = true;
  r->message = interval;
  r->wParam = id;
  r->callback = callback;
  append(q, r);
  return true;
}

void WEMU_MessageQueue_Clear(HWND__* window) {
  PostedMessageQueue_ClearForWindow(window);
}

void PostedMessageQueue_ClearForWindow(HWND__* window) {
  QueueState& q = Q();
  UTL_MutexLock lock(q.mutex);
  PostedMessageRec** link = &q.head;
  PostedMessageRec* last = nullptr;
  while (PostedMessageRec* r = *link) {
    if (!window || r->window == window) {
      *link = r->next;
      recycle(q, r);
      --q.count;
    } else {
      last = r;
      link = &r->next;
    }
  }
  q.tail = last;
  // Records of batches being delivered stay linked until their delivery ends; they are only
  // marked, so the delivery skips them.
  for (PostedMessageRec* batch : q.inFlight) {
    for (PostedMessageRec* r = batch; r; r = r->next) {
      if (!window || r->window == window) r->window = nullptr;
    }
  }
}

void WEMU_MessageQueue_Flush() {
  QueueState& q = Q();
  if (!q.initialized.load()) return;
  PostedMessageRec* batch;
  {
    UTL_MutexLock lock(q.mutex);
    batch = q.head;
    if (!batch) return;
    q.head = q.tail = nullptr;
    q.inFlight.push_back(batch);
  }
  int delivered = 0;
  PostedMessageRec* last = nullptr;
  for (PostedMessageRec* r = batch; r; r = r->next) {
    PostedMessageRec copy;
    {
      UTL_MutexLock lock(q.mutex);
      copy = *r;
    }
    ++delivered;
    last = r;
    // A window destroyed since the post was cleared above; one deleted without being
    // destroyed is caught by the registry, and a new window at its address by the serial.
    // Deletion happens on this thread, so the answer holds while we deliver.
    if (!copy.window || !WEMU_IsLiveWindowSerial(copy.window, copy.serial)) continue;
    if (copy.timerRequest) {
      if (copy.message == kKillInterval)
        KillTimer(copy.window, copy.wParam);
      else
        SetTimer(copy.window, copy.wParam, copy.message, copy.callback);
    } else {
      SendMessage(copy.window, copy.message, copy.wParam, copy.lParam);
    }
  }
  UTL_MutexLock lock(q.mutex);
  for (size_t i = q.inFlight.size(); i-- > 0;) {
    if (q.inFlight[i] == batch) {
      q.inFlight.erase(q.inFlight.begin() + static_cast<long>(i));
      break;
    }
  }
  q.count -= delivered;
  last->next = q.freeList;
  for (PostedMessageRec* r = batch; r != last->next; r = r->next) r->window = nullptr;
  q.freeList = batch;
  q.freeCount += delivered;
}

int WEMU_Internal_PostedMessageCount() {
  UTL_MutexLock lock(Q().mutex);
  return Q().count;
}

int WEMU_Internal_FreeRecordCount() {
  UTL_MutexLock lock(Q().mutex);
  return Q().freeCount;
}
