// Recursive mutex: one per plug-in object guards its parameters and every
// editor operation; an operation holding it may call others that take it again.
#pragma once

#include <mutex>

class UTL_Mutex {
 public:
  UTL_Mutex() = default;
  UTL_Mutex(const UTL_Mutex&) = delete;
  UTL_Mutex& operator=(const UTL_Mutex&) = delete;

  void Enter() {
    mMutex.lock();
    ++mDepth;
  }
  void Leave() {
    --mDepth;
    mMutex.unlock();
  }
  bool TryEnter() {
    if (!mMutex.try_lock()) return false;
    ++mDepth;
    return true;
  }
  // How many times the calling thread holds the mutex; only meaningful while it holds it.
  int HeldDepth() const { return mDepth; }

  // Lockable, so std::lock_guard / std::unique_lock work too.
  void lock() { Enter(); }
  void unlock() { Leave(); }
  bool try_lock() { return TryEnter(); }

 private:
  std::recursive_mutex mMutex;
  int mDepth = 0;  // changed only by the holder
};

// Holds a UTL_Mutex for the scope (null does nothing).
class UTL_MutexLock {
 public:
  explicit UTL_MutexLock(UTL_Mutex* mutex) : mMutex(mutex) {
    if (mMutex) mMutex->Enter();
  }
  explicit UTL_MutexLock(UTL_Mutex& mutex) : UTL_MutexLock(&mutex) {}
  ~UTL_MutexLock() {
    if (mMutex) mMutex->Leave();
  }
  UTL_MutexLock(const UTL_MutexLock&) = delete;
  UTL_MutexLock& operator=(const UTL_MutexLock&) = delete;

 private:
  UTL_Mutex* mMutex;
};

// Lets go of a UTL_Mutex the calling thread holds (however deeply) for the scope, for slow work
// that must not hold up other threads, and takes it back as deeply at the end. Whatever the
// mutex guards may have changed in between.
class UTL_MutexRelease {
 public:
  explicit UTL_MutexRelease(UTL_Mutex& mutex) : mMutex(mutex), mDepth(mutex.HeldDepth()) {
    for (int i = 0; i < mDepth; ++i) mMutex.Leave();
  }
  ~UTL_MutexRelease() {
    for (int i = 0; i < mDepth; ++i) mMutex.Enter();
  }
  UTL_MutexRelease(const UTL_MutexRelease&) = delete;
  UTL_MutexRelease& operator=(const UTL_MutexRelease&) = delete;

 private:
  UTL_Mutex& mMutex;
  int mDepth;
};
