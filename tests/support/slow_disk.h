// A disk slow to answer, for the test binary that includes this once: each fsync and rename of
// the process goes through it. While held, each fsync waits until it is let go, as a flush on a
// stalled disk does; the next fsync or rename alone may be held instead, and may then fail as a
// disk that gave up does. Otherwise they pass.
#pragma once

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vq::test {

class SlowDisk {
 public:
  enum class Call { kFsync, kRename };
  // Lets a held disk go when a test ends, passed or not.
  struct LetGoAtTheEnd {
    ~LetGoAtTheEnd() { Get().Hold(false); }
  };
  static SlowDisk& Get() {
    static SlowDisk disk;
    return disk;
  }
  void Hold(bool held) {
    std::lock_guard<std::mutex> lock(mMutex);
    mHeld = held;
    if (!held) mOneHeld = false;
    mChanged.notify_all();
  }
  // Only the next `call` waits until Hold(false), then fails with `error` (0: it is done); later
  // ones pass.
  void HoldTheNext(Call call = Call::kFsync, int error = 0) {
    std::lock_guard<std::mutex> lock(mMutex);
    mHoldNext = mOneHeld = true;
    mNextCall = call;
    mNextError = error;
  }
  bool WaitUntilAWriteIsStuck() {
    std::unique_lock<std::mutex> lock(mMutex);
    return mChanged.wait_for(lock, std::chrono::seconds(60), [this] { return mWaiting > 0; });
  }
  int Fsync(int fd) { return Pass(Call::kFsync) ? static_cast<int>(syscall(SYS_fsync, fd)) : -1; }
  int Rename(const char* from, const char* to) {
    return Pass(Call::kRename) ? renameat(AT_FDCWD, from, AT_FDCWD, to) : -1;
  }

 private:
  // Waits while the call is held; false (errno set) when it is to fail.
  bool Pass(Call call) {
    std::unique_lock<std::mutex> lock(mMutex);
    const bool one = mHoldNext && mNextCall == call;
    if (!one && !(call == Call::kFsync && mHeld)) return true;
    if (one) mHoldNext = false;
    const int error = one ? std::exchange(mNextError, 0) : 0;
    ++mWaiting;
    mChanged.notify_all();
    mChanged.wait(lock, [this, one] { return one ? !mOneHeld : !mHeld; });
    --mWaiting;
    if (error == 0) return true;
    errno = error;
    return false;
  }

  std::mutex mMutex;
  std::condition_variable mChanged;
  bool mHeld = false;
  bool mHoldNext = false, mOneHeld = false;
  Call mNextCall = Call::kFsync;
  int mNextError = 0;
  int mWaiting = 0;
};

}  // namespace vq::test

extern "C" int fsync(int fd) {
  return vq::test::SlowDisk::Get().Fsync(fd);
}
extern "C" int rename(const char* from, const char* to) noexcept {
  return vq::test::SlowDisk::Get().Rename(from, to);
}
