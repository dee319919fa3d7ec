// Recursive mutex: one per plug-in object guards its parameters and every
// editor operation; an operation holding it may call others that take it again.
#pragma once

#include <mutex>

class UTL_Mutex {
 public:
  UTL_Mutex() = default;
  UTL_Mutex(const UTL_Mutex&) = delete;
  UTL_Mutex& operator=(const UTL_Mutex&) = delete;

  void Enter() { mMutex.lock(); }
  void Leave() { mMutex.unlock(); }
  bool TryEnter() { return mMutex.try_lock(); }

  // Lockable, so std::lock_guard / std::unique_lock work too.
  void lock() { Enter(); }
  void unlock() { Leave(); }
  bool try_lock() { return TryEnter(); }

 private:
  std::recursive_mutex mMutex;
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
