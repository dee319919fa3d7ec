// A disk slow to answer, for the test binary that includes this once: while held, each fsync of
// the process waits until it is let go, as a flush on a stalled disk does; otherwise it passes.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include <sys/syscall.h>
#include <unistd.h>

namespace vq::test {

class SlowDisk {
 public:
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
  // Only the next fsync waits until Hold(false); later ones pass.
  void HoldTheNext() {
    std::lock_guard<std::mutex> lock(mMutex);
    mHoldNext = mOneHeld = true;
  }
  bool WaitUntilAWriteIsStuck() {
    std::unique_lock<std::mutex> lock(mMutex);
    return mChanged.wait_for(lock, std::chrono::seconds(60), [this] { return mWaiting > 0; });
  }
  int Fsync(int fd) {
    {
      std::unique_lock<std::mutex> lock(mMutex);
      const bool one = std::exchange(mHoldNext, false);
      ++mWaiting;
      mChanged.notify_all();
      mChanged.wait(lock, [this, one] { return one ? !mOneHeld : !mHeld; });
      --mWaiting;
    }
    return static_cast<int>(syscall(SYS_fsync, fd));
  }

 private:
  std::mutex mMutex;
  std::condition_variable mChanged;
  bool mHeld = false;
  bool mHoldNext = false, mOneHeld = false;
  int mWaiting = 0;
};

}  // namespace vq::test

extern "C" int fsync(int fd) {
  return vq::test::SlowDisk::Get().Fsync(fd);
}
