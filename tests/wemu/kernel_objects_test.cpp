// Kernel objects: auto- and manual-reset events, waits with time-outs, threads waited on and
// closed in any order, socket events, files and processes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "wemu/kernel_objects.h"
#include "wemu/utilities.h"

namespace {

// Starts `n` threads that each wait on the event for `ms` and count the successes.
struct Waiters {
  Waiters(HANDLE event, int n, DWORD ms) {
    for (int i = 0; i < n; ++i) {
      threads.emplace_back([this, event, ms] {
        ++started;
        if (WaitForSingleObject(event, ms) == WAIT_OBJECT_0) ++released;
      });
    }
    while (started.load() < n) std::this_thread::yield();
  }
  void join() {
    for (auto& t : threads) t.join();
  }
  std::vector<std::thread> threads;
  std::atomic<int> started{0};
  std::atomic<int> released{0};
};

TEST(KernelObjects, AutoResetEventReleasesExactlyOneWaiterPerSet) {
  HANDLE e = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  ASSERT_EQ(WEMU_KernelObjectType(e), WEMU_KOBJ_EVENT);
  Waiters w(e, 3, 300);
  EXPECT_TRUE(SetEvent(e));
  w.join();  // two of them time out
  EXPECT_EQ(w.released.load(), 1);
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT) << "the waiter cleared it";
  EXPECT_TRUE(CloseHandle(e));
}

TEST(KernelObjects, ManualResetEventReleasesEveryWaiterUntilReset) {
  HANDLE e = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  Waiters w(e, 4, 5000);
  SetEvent(e);
  w.join();
  EXPECT_EQ(w.released.load(), 4);
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(ResetEvent(e));
  EXPECT_EQ(WaitForSingleObject(e, 10), WAIT_TIMEOUT);
  CloseHandle(e);
}

TEST(KernelObjects, InitialStateAndTimeouts) {
  HANDLE e = CreateEvent(nullptr, FALSE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(e, 30), WAIT_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
  CloseHandle(e);
}

TEST(KernelObjects, InvalidHandlesAreRefused) {
  int notAHandle = 0;
  EXPECT_EQ(WaitForSingleObject(&notAHandle, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
  EXPECT_FALSE(CloseHandle(&notAHandle));
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_FALSE(SetEvent(&notAHandle));
  HANDLE e = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  CloseHandle(e);
  EXPECT_FALSE(CloseHandle(e)) << "a closed handle is not a handle any more";
  EXPECT_FALSE(SetEvent(e));
}

std::atomic<bool> gRelease{false};
DWORD slowThread(void*) {
  while (!gRelease.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 77;
}
std::atomic<int> gQuickRuns{0};
DWORD quickThread(void* arg) {
  gQuickRuns.fetch_add(1);
  return static_cast<DWORD>(reinterpret_cast<uintptr_t>(arg));
}

TEST(KernelObjects, ThreadWaitThenCloseJoinsOnce) {
  gRelease = false;
  DWORD id = 0;
  HANDLE t = CreateThread(nullptr, 0, &slowThread, nullptr, 0, &id);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(t, 5), WAIT_TIMEOUT);
  DWORD code = 0;
  EXPECT_FALSE(GetExitCodeThread(t, &code));
  gRelease = true;
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0) << "waiting again joins nothing twice";
  EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, 77u);
  EXPECT_TRUE(CloseHandle(t));
}

TEST(KernelObjects, ClosingARunningThreadLetsItFinishAlone) {
  gRelease = false;
  HANDLE t = CreateThread(nullptr, 0, &slowThread, nullptr, 0, nullptr);
  EXPECT_TRUE(CloseHandle(t));  // the thread's own reference keeps the record
  gRelease = true;
  // The thread drops the last reference itself and detaches; give it a moment to be gone.
  for (int i = 0; i < 2000 && WEMU_KernelObjectType(t) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(WEMU_KernelObjectType(t), 0u);
}

TEST(KernelObjects, ManyQuickThreadsWaitedAndClosed) {
  gQuickRuns = 0;
  for (int i = 0; i < 50; ++i) {
    HANDLE t =
        CreateThread(nullptr, 0, &quickThread, reinterpret_cast<void*>(uintptr_t(i)), 0, nullptr);
    ASSERT_NE(t, nullptr);
    if (i % 2) {
      EXPECT_EQ(WaitForSingleObject(t, 2000), WAIT_OBJECT_0);
      DWORD code = 0;
      EXPECT_TRUE(GetExitCodeThread(t, &code));
      EXPECT_EQ(code, static_cast<DWORD>(i));
    }
    EXPECT_TRUE(CloseHandle(t));
  }
  // A thread whose handle was closed before it ran frees its own record; until it has started,
  // the leak checker at exit cannot see the record on any stack.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (gQuickRuns.load() < 50 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(gQuickRuns.load(), 50);
}

// A handle closed while another thread waits on it: the wait ends as a wait ends (time-out
// here) and only then is the object freed; the closed handle is refused from then on.
TEST(KernelObjects, ClosingAnEventWhileAnotherThreadWaitsOnIt) {
  HANDLE e = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<bool> started{false};
  std::atomic<DWORD> result{1};
  std::thread waiter([&] {
    started = true;
    result = WaitForSingleObject(e, 150);
  });
  while (!started.load()) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the wait begin
  EXPECT_TRUE(CloseHandle(e));
  EXPECT_FALSE(SetEvent(e)) << "the handle is closed even while a wait still holds the object";
  waiter.join();
  EXPECT_TRUE(result.load() == WAIT_TIMEOUT || result.load() == WAIT_FAILED) << result.load();
}

// A thread waited on (for ever) by one thread after its handle was closed by another: the
// thread's own last reference must neither free the record under the waiter nor wait for
// the waiter's join.
TEST(KernelObjects, AThreadWaitedOnAfterItsHandleWasClosed) {
  gRelease = false;
  HANDLE t = CreateThread(nullptr, 0, &slowThread, nullptr, 0, nullptr);
  ASSERT_NE(t, nullptr);
  std::atomic<bool> started{false};
  std::atomic<DWORD> result{1};
  std::thread waiter([&] {
    started = true;
    result = WaitForSingleObject(t, INFINITE);
  });
  while (!started.load()) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the wait begin
  EXPECT_TRUE(CloseHandle(t));
  gRelease = true;
  waiter.join();
  EXPECT_TRUE(result.load() == WAIT_OBJECT_0 || result.load() == WAIT_FAILED) << result.load();
  for (int i = 0; i < 2000 && WEMU_KernelObjectType(t) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(WEMU_KernelObjectType(t), 0u);
}

// Closing a running thread's handle twice drops the thread's own reference too; the close
// does not wait for the thread, which still finishes and frees its record by itself.
struct GatedRun {
  std::atomic<bool> go{false};
  std::atomic<bool> finished{false};
};
DWORD gatedThread(void* arg) {
  auto* run = static_cast<GatedRun*>(arg);
  while (!run->go.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  run->finished = true;
  return 5;
}

TEST(KernelObjects, ClosingARunningThreadTwiceNeitherBlocksNorFreesItEarly) {
  static GatedRun run;  // outlives the thread whatever happens
  run.go = false;
  run.finished = false;
  HANDLE t = CreateThread(nullptr, 0, &gatedThread, &run, 0, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(CloseHandle(t));
  CloseHandle(t);
  EXPECT_FALSE(run.finished.load()) << "the second close did not wait for the thread";
  EXPECT_FALSE(CloseHandle(t)) << "no reference is left to drop";
  EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_FAILED);
  run.go = true;
  while (!run.finished.load()) std::this_thread::yield();
}

// Exit handlers registered before the first handle run after the process's function-local statics
// are gone; a handle closed there (as a detached thread ending late does) still finds its record.
TEST(KernelObjectsDeathTest, HandlesCloseAfterStaticDestructorsRan) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: no handle made before
  static HANDLE event = nullptr;
  EXPECT_EXIT(
      {
        std::atexit([] {
          _exit(CloseHandle(event) && CloseHandle(CreateEvent(nullptr, 0, 0, nullptr)) ? 7 : 3);
        });
        event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
        std::exit(0);
      },
      testing::ExitedWithCode(7), "");
}

TEST(KernelObjects, SetThreadPriorityOnARunningThread) {
  gRelease = false;
  HANDLE t = CreateThread(nullptr, 0, &slowThread, nullptr, 0, nullptr);
  EXPECT_TRUE(SetThreadPriority(t, 0));
  gRelease = true;
  WaitForSingleObject(t, INFINITE);
  EXPECT_FALSE(SetThreadPriority(t, 0)) << "not running any more";
  CloseHandle(t);
}

TEST(KernelObjects, SocketEventsCanBeWaitedOnTogether) {
  HANDLE a = CreateEventAsSocket(nullptr, FALSE, FALSE);
  HANDLE b = CreateEventAsSocket(nullptr, TRUE, FALSE);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_GE(WEMU_GetEventSocket(a), 0);
  HANDLE both[] = {a, b};
  EXPECT_EQ(WaitForAnySocketObject(2, both, 5), WAIT_TIMEOUT);
  SetEvent(b);
  SetEvent(b);  // one byte at most
  EXPECT_EQ(WaitForAnySocketObject(2, both, 1000), 1u);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0) << "manual reset stays signalled";
  ResetEvent(b);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_TIMEOUT);
  SetEvent(a);
  EXPECT_EQ(WaitForSingleObject(a, 1000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_TIMEOUT) << "auto reset consumed it";
  HANDLE signalled = CreateEventAsSocket(nullptr, FALSE, TRUE);
  EXPECT_EQ(WaitForSingleObject(signalled, 0), WAIT_OBJECT_0);
  int plain = 0;
  HANDLE none[] = {&plain};
  EXPECT_EQ(WaitForAnySocketObject(1, none, 0), WAIT_TIMEOUT);
  CloseHandle(a);
  CloseHandle(b);
  CloseHandle(signalled);
}

TEST(KernelObjects, SocketEventWakesAWaitingThread) {
  HANDLE e = CreateEventAsSocket(nullptr, FALSE, FALSE);
  std::atomic<DWORD> result{1};
  std::thread waiter([&] { result = WaitForSingleObject(e, INFINITE); });
  SetEvent(e);
  waiter.join();
  EXPECT_EQ(result.load(), WAIT_OBJECT_0);
  CloseHandle(e);
}

TEST(KernelObjects, FileHandles) {
  std::string path =
      std::filesystem::temp_directory_path() / ("wemu_file_" + std::to_string(getpid()));
  HANDLE f = WEMU_CreateFileHandle(path.c_str(), "w+b");
  ASSERT_NE(f, nullptr);
  DWORD done = 0;
  EXPECT_TRUE(WriteFile(f, "hello world", 11, &done, nullptr));
  EXPECT_EQ(done, 11u);
  EXPECT_EQ(SetFilePointer(f, 6, nullptr, 0), 6u);
  EXPECT_EQ(GetFileSize(f, nullptr), 11u);
  EXPECT_EQ(SetFilePointer(f, 0, nullptr, 1), 6u) << "the size query keeps the position";
  char buf[16] = {};
  EXPECT_TRUE(ReadFile(f, buf, sizeof(buf), &done, nullptr));
  EXPECT_EQ(done, 5u);
  EXPECT_STREQ(buf, "world");
  EXPECT_FALSE(ReadFile(f, buf, sizeof(buf), &done, nullptr)) << "nothing moved at the end";
  EXPECT_EQ(SetFilePointer(f, -100, nullptr, 0), 0xFFFFFFFFu);
  EXPECT_EQ(WaitForSingleObject(f, 0), WAIT_FAILED) << "files are not waitable";
  EXPECT_TRUE(CloseHandle(f));
  std::filesystem::remove(path);
  EXPECT_EQ(WEMU_CreateFileHandle("/nonexistent/dir/x", "rb"), nullptr);
}

TEST(KernelObjects, ProcessesAreWaitedOn) {
  const char* args[] = {"-c", "exit 3"};
  HANDLE p = WEMU_CreateProcess("/bin/sh", 2, args);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(WaitForSingleObject(p, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(p));
  const char* sleepArgs[] = {"0.3"};
  HANDLE s = WEMU_CreateProcess("sleep", 1, sleepArgs);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(WaitForSingleObject(s, 5), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(s, 5000), WAIT_OBJECT_0) << "and then it ends";
  CloseHandle(s);
  EXPECT_EQ(WEMU_CreateProcess("/nonexistent/program", 0, nullptr), nullptr);
}

}  // namespace
