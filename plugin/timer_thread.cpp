#include "plugin/timer_thread.h"

#include <sys/select.h>

#include <cerrno>
#include <chrono>

namespace {
// The timer whose loop runs on this thread, so that a callback's own Join or
// Start is recognised before it could wait for itself.
thread_local const TimerThread* t_currentTimer = nullptr;
}  // namespace

TimerThread::~TimerThread() {
  Stop();
  Join();
}

int TimerThread::Start(CTimerCallbackInterface* callback, int intervalMs, int id, bool repeat) {
  if (!callback) return EINVAL;
  if (t_currentTimer == this) return EBUSY;
  std::lock_guard<std::mutex> joinLock(mJoinMutex);
  if (mThreadValid) {
    if (mState.load() != kStopped) return EBUSY;
    // The previous loop has ended or is ending: collect its thread first.
    pthread_join(mThread, nullptr);
    mThreadValid = false;
  }

  mCallback = callback;
  mIntervalMs = intervalMs < 0 ? 0 : intervalMs;
  mId = id;
  mRepeat = repeat;
  // Paused while the thread is being created, so that it calls nothing
  // before Start has returned its result.
  SetState(kPaused);
  const int rc = pthread_create(&mThread, nullptr, &TimerThread::ThreadMain, this);
  if (rc != 0) {
    SetState(kStopped);
    return rc;
  }
  mThreadValid = true;
  SetState(kRunning);
  return 0;
}

void TimerThread::Stop() {
  SetState(kStopped);
}

void TimerThread::Pause() {
  {
    std::lock_guard<std::mutex> lock(mWaitMutex);
    if (mState.load() != kRunning) return;  // a stopped timer stays stopped
    mState.store(kPaused);
  }
  mWake.notify_all();
}

void TimerThread::Resume() {
  {
    std::lock_guard<std::mutex> lock(mWaitMutex);
    if (mState.load() != kPaused) return;
    mState.store(kRunning);
  }
  mWake.notify_all();
}

void TimerThread::Join() {
  if (t_currentTimer == this) return;  // from our own callback
  std::lock_guard<std::mutex> joinLock(mJoinMutex);
  if (!mThreadValid) return;
  pthread_join(mThread, nullptr);
  mThreadValid = false;
}

void TimerThread::Sleep(int ms) {
  if (ms <= 0) return;
  struct timeval tv;
  tv.tv_sec = ms / 1000;
  tv.tv_usec = (ms % 1000) * 1000;
  select(0, nullptr, nullptr, nullptr, &tv);
}

void* TimerThread::ThreadMain(void* arg) {
  auto* timer = static_cast<TimerThread*>(arg);
  t_currentTimer = timer;
  timer->Loop();
  t_currentTimer = nullptr;
  return nullptr;
}

void TimerThread::SetState(int state) {
  {
    std::lock_guard<std::mutex> lock(mWaitMutex);
    mState.store(state);
  }
  mWake.notify_all();
}

void TimerThread::WaitFor(int ms, int stateSeen) {
  std::unique_lock<std::mutex> lock(mWaitMutex);
  mWake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return mState.load() != stateSeen; });
}

void TimerThread::Loop() {
  for (;;) {
    const int state = mState.load();
    if (state == kStopped) break;
    if (state == kRunning) {
      mCallback->OnTimer(this);
      if (!mRepeat) {
        mState.store(kStopped);
        break;
      }
      // The period is the callback's running time plus the interval. A Stop or
      // Pause during the wait ends it early.
      WaitFor(mIntervalMs, kRunning);
    } else {
      WaitFor(50, kPaused);
    }
  }
}
