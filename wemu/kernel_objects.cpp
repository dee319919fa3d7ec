#include "wemu/kernel_objects.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>
#include <vector>

#include "platform/process.h"
#include "wemu/utilities.h"

namespace {

struct KernelObject {
  explicit KernelObject(uint32_t t, int refs = 1, int pinCount = 1)
      : type(t), refCount(refs), pins(pinCount) {}
  virtual ~KernelObject() = default;
  const uint32_t type;
  // Handle references (CloseHandle drops one); changed under the registry lock, so a handle
  // closed once too often is refused instead of dropping a reference it does not own.
  std::atomic<int32_t> refCount;
  // Memory references: one for the handle references together, one per call in progress on
  // the object (and one for a running thread). The object is freed when the last goes, so a
  // wait in progress on another thread never touches freed memory when the handle is closed.
  std::atomic<int32_t> pins;
};

struct ThreadObject : KernelObject {
  // The thread holds one handle reference and, while it runs, one pin of its own.
  ThreadObject() : KernelObject(WEMU_KOBJ_THREAD, 2, 2) {}
  LPTHREAD_START_ROUTINE function = nullptr;
  void* argument = nullptr;
  pthread_t thread{};
  std::atomic<DWORD> result{0};
  std::atomic<bool> done{false};
  std::mutex joinMutex;
  bool joined = false;  // joined or detached: never both, never twice
};

struct EventObject : KernelObject {
  EventObject() : KernelObject(WEMU_KOBJ_EVENT) {}
  std::mutex mutex;
  std::condition_variable cond;
  bool signalled = false;
  bool manualReset = false;
};

struct FileObject : KernelObject {
  FileObject() : KernelObject(WEMU_KOBJ_FILE) {}
  FILE* stream = nullptr;
  bool error = false;
};

struct SocketEventObject : KernelObject {
  SocketEventObject() : KernelObject(WEMU_KOBJ_SOCKET_EVENT) {}
  int readEnd = -1;
  int writeEnd = -1;
  bool autoReset = false;
};

struct ProcessObject : KernelObject {
  ProcessObject() : KernelObject(WEMU_KOBJ_PROCESS) {}
  std::unique_ptr<vq::platform::Process> process;
  std::mutex mutex;
};

// Never destroyed: a detached thread that ends after main returned, or an exit handler, may
// still close its handle while the process's static objects are being destroyed.
std::mutex& gRegistryMutex = *new std::mutex;
std::unordered_set<KernelObject*>& registry() {
  static auto* s = new std::unordered_set<KernelObject*>;
  return *s;
}

HANDLE registerObject(KernelObject* o) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  registry().insert(o);
  return o;
}

void destroy(KernelObject* o);

void unpin(KernelObject* o) {
  if (o->pins.fetch_sub(1) == 1) destroy(o);
}

// A live handle, pinned for the length of one call.
class Ref {
 public:
  Ref() = default;
  explicit Ref(KernelObject* o) : mObject(o) {}
  ~Ref() {
    if (mObject) unpin(mObject);
  }
  Ref(Ref&& other) noexcept : mObject(other.mObject) { other.mObject = nullptr; }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref& operator=(Ref&&) = delete;
  KernelObject* get() const { return mObject; }
  explicit operator bool() const { return mObject != nullptr; }

 private:
  KernelObject* mObject = nullptr;
};

Ref lookup(HANDLE h) {
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  auto* o = static_cast<KernelObject*>(h);
  if (!h || !registry().count(o)) return Ref();
  o->pins.fetch_add(1);
  return Ref(o);
}

template <class T>
T* as(const Ref& r, uint32_t type) {
  return r && r.get()->type == type ? static_cast<T*>(r.get()) : nullptr;
}

// Joins the thread unless that already happened; from the thread itself it detaches.
void joinOnce(ThreadObject* t) {
  std::lock_guard<std::mutex> lock(t->joinMutex);
  if (t->joined) return;
  t->joined = true;
  if (pthread_equal(pthread_self(), t->thread))
    pthread_detach(t->thread);
  else
    pthread_join(t->thread, nullptr);
}

void destroy(KernelObject* o) {
  switch (o->type) {
    case WEMU_KOBJ_THREAD:
      joinOnce(static_cast<ThreadObject*>(o));
      break;
    case WEMU_KOBJ_FILE:
      if (auto* f = static_cast<FileObject*>(o); f->stream) std::fclose(f->stream);
      break;
    case WEMU_KOBJ_SOCKET_EVENT: {
      auto* s = static_cast<SocketEventObject*>(o);
      if (s->readEnd >= 0) ::close(s->readEnd);
      if (s->writeEnd >= 0) ::close(s->writeEnd);
      break;
    }
    default:
      break;
  }
  delete o;
}

// Drops one handle reference; the last one unregisters the handle and gives up the pin the
// handle references hold. FALSE when the handle is no longer registered (closed already).
BOOL release(KernelObject* o) {
  {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    if (!registry().count(o)) return FALSE;
    if (o->refCount.fetch_sub(1) > 1) return TRUE;
    registry().erase(o);
  }
  unpin(o);
  return TRUE;
}

void* threadMain(void* p) {
  auto* t = static_cast<ThreadObject*>(p);
  void* pool = WEMU_InitAutoRelease();
  DWORD r = t->function ? t->function(t->argument) : 0;
  t->result.store(r);
  t->done.store(true);
  WEMU_QuitAutoRelease(pool);
  release(t);
  unpin(t);  // the last pin, when it is this one, detaches the thread and frees the record
  return nullptr;
}

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline, for poll (-1: for ever).
int remainingMs(DWORD ms, Clock::time_point deadline) {
  if (ms == INFINITE) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(std::min<long long>(left.count(), INT32_MAX)) : 0;
}

// Reads up to 128 waiting bytes; answers how many.
ssize_t drain(int fd) {
  char buf[128];
  ssize_t n;
  do {
    n = ::read(fd, buf, sizeof(buf));
  } while (n < 0 && errno == EINTR);
  return n > 0 ? n : 0;
}

DWORD waitSocket(SocketEventObject* s, DWORD ms) {
  auto deadline = Clock::now() + std::chrono::milliseconds(ms == INFINITE ? 0 : ms);
  if (s->readEnd < 0) {
    Sleep(ms == INFINITE ? 1 : ms);
    return WAIT_FAILED;
  }
  for (;;) {
    pollfd p{s->readEnd, POLLIN, 0};
    int r = ::poll(&p, 1, remainingMs(ms, deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return WAIT_FAILED;
    if (r == 0) return WAIT_TIMEOUT;
    if (!s->autoReset) return WAIT_OBJECT_0;
    if (drain(s->readEnd) > 0) return WAIT_OBJECT_0;
    // Another waiter took the byte: wait again for what is left of the time.
    if (ms != INFINITE && remainingMs(ms, deadline) == 0) return WAIT_TIMEOUT;
  }
}

}  // namespace

uint32_t WEMU_KernelObjectType(HANDLE h) {
  // Read under the registry lock: the answer holds even while another thread closes it.
  std::lock_guard<std::mutex> lock(gRegistryMutex);
  auto* o = static_cast<KernelObject*>(h);
  return h && registry().count(o) ? o->type : 0;
}

BOOL CloseHandle(HANDLE h) {
  Ref ref = lookup(h);
  if (!ref) return FALSE;
  if (ref.get()->type == WEMU_KOBJ_SOCKET) return FALSE;  // wait-only; never freed here
  return release(ref.get());
}

HANDLE CreateEvent(void*, BOOL manualReset, BOOL initialState, const char*) {
  auto* e = new EventObject();
  e->manualReset = manualReset != 0;
  e->signalled = initialState != 0;
  return registerObject(e);
}

HANDLE CreateEventAsSocket(void*, BOOL manualReset, BOOL initialState) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return nullptr;
  int fl = ::fcntl(fds[0], F_GETFL);
  ::fcntl(fds[0], F_SETFL, fl | O_NONBLOCK);
  auto* s = new SocketEventObject();
  s->readEnd = fds[0];
  s->writeEnd = fds[1];
  s->autoReset = manualReset == 0;
  if (initialState) {
    char b = 1;
    (void)!::write(s->writeEnd, &b, 1);
  }
  return registerObject(s);
}

int WEMU_GetEventSocket(HANDLE h) {
  Ref ref = lookup(h);
  auto* s = as<SocketEventObject>(ref, WEMU_KOBJ_SOCKET_EVENT);
  return s ? s->readEnd : -1;
}

namespace {

// Runs `onEvent` (under the event's lock) on an event or `onSocket` on a socket event; FALSE for
// any other handle.
template <class OnEvent, class OnSocket>
BOOL changeEvent(HANDLE h, OnEvent onEvent, OnSocket onSocket) {
  Ref ref = lookup(h);
  KernelObject* o = ref.get();
  if (!o) return FALSE;
  if (o->type == WEMU_KOBJ_EVENT) {
    auto* e = static_cast<EventObject*>(o);
    std::lock_guard<std::mutex> lock(e->mutex);
    onEvent(*e);
    return TRUE;
  }
  if (o->type == WEMU_KOBJ_SOCKET_EVENT) {
    onSocket(*static_cast<SocketEventObject*>(o));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

BOOL SetEvent(HANDLE h) {
  return changeEvent(
      h,
      [](EventObject& e) {
        e.signalled = true;
        if (e.manualReset)
          e.cond.notify_all();
        else
          e.cond.notify_one();
      },
      [](SocketEventObject& s) {
        int waiting = 0;
        if (s.readEnd >= 0 && ::ioctl(s.readEnd, FIONREAD, &waiting) == 0 && waiting > 0) return;
        char b = 1;
        if (s.writeEnd >= 0) (void)!::write(s.writeEnd, &b, 1);
      });
}

BOOL ResetEvent(HANDLE h) {
  return changeEvent(
      h, [](EventObject& e) { e.signalled = false; },
      [](SocketEventObject& s) {
        if (s.readEnd >= 0) drain(s.readEnd);
      });
}

HANDLE CreateThread(void*, size_t stackSize, LPTHREAD_START_ROUTINE function, void* argument, DWORD,
                    DWORD* threadIdOut) {
  WEMU_EnsureMultithreadedCocoa();
  auto* t = new ThreadObject();
  t->function = function;
  t->argument = argument;
  registerObject(t);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  if (stackSize >= static_cast<size_t>(PTHREAD_STACK_MIN))
    pthread_attr_setstacksize(&attr, stackSize);
  int rc = pthread_create(&t->thread, &attr, threadMain, t);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    {
      std::lock_guard<std::mutex> lock(gRegistryMutex);
      registry().erase(t);
    }
    delete t;
    return nullptr;
  }
  if (threadIdOut) *threadIdOut = static_cast<DWORD>(t->thread);
  return t;
}

BOOL SetThreadPriority(HANDLE h, int priority) {
  Ref ref = lookup(h);
  auto* t = as<ThreadObject>(ref, WEMU_KOBJ_THREAD);
  if (!t || t->done.load()) return FALSE;
  int policy;
  sched_param param;
  if (pthread_getschedparam(t->thread, &policy, &param) != 0) return FALSE;
  int p = std::clamp(priority + 31, sched_get_priority_min(policy), sched_get_priority_max(policy));
  param.sched_priority = p;
  return pthread_setschedparam(t->thread, policy, &param) == 0 ? TRUE : FALSE;
}

uint64_t GetCurrentThreadId() {
  return static_cast<uint64_t>(pthread_self());
}

BOOL GetExitCodeThread(HANDLE h, DWORD* result) {
  Ref ref = lookup(h);
  auto* t = as<ThreadObject>(ref, WEMU_KOBJ_THREAD);
  if (!t || !t->done.load()) return FALSE;
  if (result) *result = t->result.load();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE h, DWORD ms) {
  Ref ref = lookup(h);
  KernelObject* o = ref.get();
  if (!o) return WAIT_FAILED;
  switch (o->type) {
    case WEMU_KOBJ_THREAD: {
      auto* t = static_cast<ThreadObject*>(o);
      if (ms != INFINITE) {
        if (!t->done.load()) {
          if (ms == 0) return WAIT_TIMEOUT;
          auto deadline = Clock::now() + std::chrono::milliseconds(ms);
          while (!t->done.load()) {
            if (Clock::now() >= deadline) return WAIT_TIMEOUT;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
        }
      }
      joinOnce(t);
      return WAIT_OBJECT_0;
    }
    case WEMU_KOBJ_EVENT: {
      auto* e = static_cast<EventObject*>(o);
      std::unique_lock<std::mutex> lock(e->mutex);
      if (ms == INFINITE) {
        e->cond.wait(lock, [e] { return e->signalled; });
      } else if (!e->cond.wait_for(lock, std::chrono::milliseconds(ms),
                                   [e] { return e->signalled; })) {
        return WAIT_TIMEOUT;
      }
      if (!e->manualReset) e->signalled = false;
      return WAIT_OBJECT_0;
    }
    case WEMU_KOBJ_SOCKET_EVENT:
      return waitSocket(static_cast<SocketEventObject*>(o), ms);
    case WEMU_KOBJ_PROCESS: {
      auto* p = static_cast<ProcessObject*>(o);
      auto deadline = Clock::now() + std::chrono::milliseconds(ms == INFINITE ? 0 : ms);
      for (;;) {
        {
          std::lock_guard<std::mutex> lock(p->mutex);
          if (!p->process->isRunning()) return WAIT_OBJECT_0;
        }
        if (ms != INFINITE && Clock::now() >= deadline) return WAIT_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    default:
      return WAIT_FAILED;
  }
}

DWORD WaitForAnySocketObject(int count, const HANDLE* handles, DWORD ms) {
  if (count <= 0 || !handles) return WAIT_TIMEOUT;
  auto deadline = Clock::now() + std::chrono::milliseconds(ms == INFINITE ? 0 : ms);
  std::vector<pollfd> fds;
  std::vector<int> index;
  std::vector<SocketEventObject*> objects;
  std::vector<Ref> held;  // pinned for the whole wait
  for (int i = 0; i < count; ++i) {
    Ref ref = lookup(handles[i]);
    auto* s = as<SocketEventObject>(ref, WEMU_KOBJ_SOCKET_EVENT);
    if (s && s->readEnd >= 0) {
      fds.push_back(pollfd{s->readEnd, POLLIN, 0});
      index.push_back(i);
      objects.push_back(s);
      held.push_back(std::move(ref));
    }
  }
  if (fds.empty()) return WAIT_TIMEOUT;
  for (;;) {
    for (auto& p : fds) p.revents = 0;
    int r = ::poll(fds.data(), fds.size(), remainingMs(ms, deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return WAIT_TIMEOUT;
    for (size_t k = 0; k < fds.size(); ++k) {
      if (!(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      if (!objects[k]->autoReset || drain(fds[k].fd) > 0) return static_cast<DWORD>(index[k]);
    }
    if (ms != INFINITE && remainingMs(ms, deadline) == 0) return WAIT_TIMEOUT;
  }
}

HANDLE WEMU_CreateFileHandle(const char* path, const char* mode) {
  if (!path || !mode) return nullptr;
  FILE* f = std::fopen(path, mode);
  if (!f) return nullptr;
  auto* o = new FileObject();
  o->stream = f;
  return registerObject(o);
}

DWORD SetFilePointer(HANDLE h, long offset, long* high, DWORD origin) {
  Ref ref = lookup(h);
  auto* f = as<FileObject>(ref, WEMU_KOBJ_FILE);
  if (!f) return 0xFFFFFFFFu;
  int64_t off = offset;
  if (high) off = (static_cast<int64_t>(*high) << 32) | static_cast<uint32_t>(offset);
  int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  if (fseeko(f->stream, static_cast<off_t>(off), whence) != 0) {
    f->error = true;
    return 0xFFFFFFFFu;
  }
  off_t pos = ftello(f->stream);
  if (pos < 0) {
    f->error = true;
    return 0xFFFFFFFFu;
  }
  if (high) *high = static_cast<long>(static_cast<uint64_t>(pos) >> 32);
  return static_cast<DWORD>(pos);
}

DWORD GetFileSize(HANDLE h, DWORD* high) {
  Ref ref = lookup(h);
  auto* f = as<FileObject>(ref, WEMU_KOBJ_FILE);
  if (!f) return 0xFFFFFFFFu;
  off_t here = ftello(f->stream);
  if (here < 0 || fseeko(f->stream, 0, SEEK_END) != 0) return 0xFFFFFFFFu;
  off_t end = ftello(f->stream);
  fseeko(f->stream, here, SEEK_SET);
  if (end < 0) return 0xFFFFFFFFu;
  if (high) *high = static_cast<DWORD>(static_cast<uint64_t>(end) >> 32);
  return static_cast<DWORD>(end);
}

BOOL ReadFile(HANDLE h, void* buf, DWORD count, DWORD* done, void*) {
  Ref ref = lookup(h);
  auto* f = as<FileObject>(ref, WEMU_KOBJ_FILE);
  size_t n = f && buf ? std::fread(buf, 1, count, f->stream) : 0;
  if (done) *done = static_cast<DWORD>(n);
  return n > 0 ? TRUE : FALSE;
}

BOOL WriteFile(HANDLE h, const void* buf, DWORD count, DWORD* done, void*) {
  Ref ref = lookup(h);
  auto* f = as<FileObject>(ref, WEMU_KOBJ_FILE);
  size_t n = f && buf ? std::fwrite(buf, 1, count, f->stream) : 0;
  if (done) *done = static_cast<DWORD>(n);
  return n > 0 ? TRUE : FALSE;
}

HANDLE WEMU_CreateProcess(const char* program, int argc, const char* const* argv) {
  if (!program || !*program) return nullptr;
  std::vector<std::string> args{program};
  for (int i = 0; i < argc && argv; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  auto proc = vq::platform::Process::spawn(args);
  if (!proc) return nullptr;
  auto* o = new ProcessObject();
  o->process = std::move(proc);
  return registerObject(o);
}
