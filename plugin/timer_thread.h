// A periodic (or one-shot) timer on its own thread. The editor's 100 ms
// status poll runs on it. The owner starts it, stops it, joins it and deletes
// it: the thread never deletes its object, so Stop and Join may be called any
// number of times, also after a one-shot timer has ended.
#pragma once

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

class TimerThread;

// Called on the timer thread, concurrently with the main and MIDI threads;
// the callback takes whatever locks it needs.
class CTimerCallbackInterface {
 public:
  virtual ~CTimerCallbackInterface() = default;
  virtual void OnTimer(TimerThread* timer) = 0;
};

class TimerThread {
 public:
  enum State { kStopped = 0, kRunning = 1, kPaused = 2 };

  TimerThread() = default;
  // Stops and joins, so no OnTimer call runs once the object is gone.
  // Must not be destroyed from its own callback.
  ~TimerThread();
  TimerThread(const TimerThread&) = delete;
  TimerThread& operator=(const TimerThread&) = delete;

  // Starts calling callback->OnTimer every intervalMs milliseconds (measured
  // from the end of one call to the start of the next), or once when not
  // repeating. Returns 0, or the thread-creation error (EBUSY while a
  // previous start is still running or paused, or from the timer's own
  // callback; EINVAL for a null callback).
  int Start(CTimerCallbackInterface* callback, int intervalMs, int id, bool repeat);

  void Stop();   // ends the loop; a running OnTimer call finishes first
  void Pause();  // no calls until Resume
  void Resume();
  // Waits for the thread to end. Does nothing when no thread runs, when
  // already joined, or when called from the timer's own callback.
  void Join();

  int GetState() const { return mState.load(); }
  int GetId() const { return mId; }
  int GetInterval() const { return mIntervalMs; }
  bool IsRepeating() const { return mRepeat; }

  // Blocks the calling thread for ms milliseconds.
  static void Sleep(int ms);

 private:
  static void* ThreadMain(void* arg);
  void Loop();
  void SetState(int state);
  // Waits up to ms, returning early when the state changes.
  void WaitFor(int ms, int stateSeen);

  CTimerCallbackInterface* mCallback = nullptr;
  int mId = 0;
  bool mRepeat = false;
  int mIntervalMs = 0;
  pthread_t mThread{};
  bool mThreadValid = false;  // a thread was created and not yet joined
  std::atomic<int> mState{kStopped};
  std::mutex mWaitMutex;
  std::condition_variable mWake;
  std::mutex mJoinMutex;  // serialises Start/Join from owner threads
};
