// Recursive mutex: one per plug-in object guards its parameters and every
// editor operation; an operation holding it may call others that take it again.
#pragma once

#include <mutex>

class UTL_Mutex {
 public:
  UTL_Mutex() = default;
  UTL_Mutex(const UTL_Mutex&) = delete;
  UTL_Mutex& operator=(const UTL_Mutex&) = delete;

  void Enter() { m_mutex.lock(); }
  void Leave() { m_mutex.unlock(); }
  bool TryEnter() { return m_mutex.try_lock(); }

  // Lockable, so std::lock_guard / std::unique_lock work too.
  void lock() { Enter(); }
  void unlock() { Leave(); }
  bool try_lock() { return TryEnter(); }

 private:
  std::recursive_mutex m_mutex;
};

// Holds a UTL_Mutex for the scope (null does nothing).
class UTL_MutexLock {
 public:
  explicit UTL_MutexLock(UTL_Mutex* mutex) : m_mutex(mutex) {
    if (m_mutex) m_mutex->Enter();
  }
  explicit UTL_MutexLock(UTL_Mutex& mutex) : UTL_MutexLock(&mutex) {}
  ~UTL_MutexLock() {
    if (m_mutex) m_mutex->Leave();
  }
  UTL_MutexLock(const UTL_MutexLock&) = delete;
  UTL_MutexLock& operator=(const UTL_MutexLock&) = delete;

 private:
  UTL_Mutex* m_mutex;
};
