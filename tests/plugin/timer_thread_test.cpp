// Timer start, pause, resume, stop and join. Waits are on a condition the
// callback signals, bounded by a generous deadline that only a broken timer
// reaches.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "plugin/timer_thread.h"

namespace {

constexpr auto kDeadline = std::chrono::seconds(20);

class CountingCallback : public CTimerCallbackInterface {
 public:
  void OnTimer(TimerThread* timer) override {
    std::lock_guard<std::mutex> lock(mMutex);
    ++mCalls;
    mLastTimer = timer;
    if (mPauseAt == mCalls) timer->Pause();
    if (mStopAt == mCalls) timer->Stop();
    if (mSelfCallsAt == mCalls) {
      // Neither may wait for the thread they run on.
      timer->Join();
      mSelfStartResult = timer->Start(this, 1, 0, true);
    }
    mCv.notify_all();
  }
  // Waits until at least n calls happened; false at the deadline.
  bool WaitForCalls(int n) {
    std::unique_lock<std::mutex> lock(mMutex);
    return mCv.wait_for(lock, kDeadline, [&] { return mCalls >= n; });
  }
  int Calls() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mCalls;
  }
  TimerThread* LastTimer() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mLastTimer;
  }
  void PauseAt(int call) { mPauseAt = call; }
  void StopAt(int call) { mStopAt = call; }
  void SelfCallsAt(int call) { mSelfCallsAt = call; }
  int SelfStartResult() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mSelfStartResult;
  }

 private:
  std::mutex mMutex;
  std::condition_variable mCv;
  int mCalls = 0;
  int mPauseAt = -1;
  int mStopAt = -1;
  int mSelfCallsAt = -1;
  int mSelfStartResult = 0;
  TimerThread* mLastTimer = nullptr;
};

TEST(TimerThread, RepeatingTimerCallsUntilStoppedAndJoined) {
  CountingCallback cb;
  TimerThread timer;
  ASSERT_EQ(timer.Start(&cb, 1, 7, true), 0);
  EXPECT_EQ(timer.GetId(), 7);
  EXPECT_EQ(timer.GetInterval(), 1);
  EXPECT_TRUE(timer.IsRepeating());
  ASSERT_TRUE(cb.WaitForCalls(3));
  EXPECT_EQ(cb.LastTimer(), &timer);
  timer.Stop();
  timer.Join();
  const int calls = cb.Calls();
  EXPECT_EQ(timer.GetState(), TimerThread::kStopped);
  // Stopping and joining again is harmless, and nothing calls any more.
  timer.Stop();
  timer.Join();
  EXPECT_EQ(cb.Calls(), calls);
}

TEST(TimerThread, OneShotCallsOnceAndOwnerMayStopAfterwards) {
  CountingCallback cb;
  TimerThread timer;
  ASSERT_EQ(timer.Start(&cb, 1000, 0, false), 0);
  ASSERT_TRUE(cb.WaitForCalls(1));
  timer.Join();  // the loop ends by itself
  EXPECT_EQ(cb.Calls(), 1);
  EXPECT_EQ(timer.GetState(), TimerThread::kStopped);
  // The object is still the owner's: stopping after the loop ended is safe.
  timer.Stop();
  timer.Join();
}

TEST(TimerThread, LongIntervalDoesNotDelayStop) {
  CountingCallback cb;
  TimerThread timer;
  ASSERT_EQ(timer.Start(&cb, 60 * 1000, 0, true), 0);
  ASSERT_TRUE(cb.WaitForCalls(1));
  const auto before = std::chrono::steady_clock::now();
  timer.Stop();
  timer.Join();
  EXPECT_LT(std::chrono::steady_clock::now() - before, kDeadline);
  EXPECT_EQ(cb.Calls(), 1);
}

TEST(TimerThread, PausedTimerCallsNothingUntilResumed) {
  CountingCallback cb;
  cb.PauseAt(1);
  TimerThread timer;
  ASSERT_EQ(timer.Start(&cb, 1, 0, true), 0);
  ASSERT_TRUE(cb.WaitForCalls(1));
  EXPECT_EQ(timer.GetState(), TimerThread::kPaused);
  TimerThread::Sleep(30);
  EXPECT_EQ(cb.Calls(), 1);
  timer.Resume();
  EXPECT_TRUE(cb.WaitForCalls(3));
  timer.Stop();
  timer.Join();
}

TEST(TimerThread, PauseAndResumeDoNotRestartAStoppedTimer) {
  TimerThread timer;
  timer.Pause();
  timer.Resume();
  EXPECT_EQ(timer.GetState(), TimerThread::kStopped);
}

TEST(TimerThread, StopFromCallbackEndsTheLoop) {
  CountingCallback cb;
  cb.StopAt(2);
  TimerThread timer;
  ASSERT_EQ(timer.Start(&cb, 1, 0, true), 0);
  ASSERT_TRUE(cb.WaitForCalls(2));
  timer.Join();
  EXPECT_EQ(cb.Calls(), 2);
}

TEST(TimerThread, JoinAndStartFromOwnCallbackReturn) {
  CountingCallback cb;
  cb.SelfCallsAt(1);
  cb.StopAt(1);
  TimerThread timer;
  ASSERT_EQ(timer.Start(&cb, 1, 0, true), 0);
  ASSERT_TRUE(cb.WaitForCalls(1));
  timer.Join();
  EXPECT_EQ(cb.SelfStartResult(), EBUSY);
  EXPECT_EQ(cb.Calls(), 1);
}

TEST(TimerThread, StartRules) {
  CountingCallback cb;
  TimerThread timer;
  EXPECT_EQ(timer.Start(nullptr, 1, 0, true), EINVAL);
  ASSERT_EQ(timer.Start(&cb, 1, 0, true), 0);
  EXPECT_EQ(timer.Start(&cb, 1, 0, true), EBUSY);  // still running
  ASSERT_TRUE(cb.WaitForCalls(1));
  timer.Stop();
  // A stopped timer starts again (the old thread is collected first).
  ASSERT_EQ(timer.Start(&cb, 1, 1, true), 0);
  EXPECT_EQ(timer.GetId(), 1);
  const int before = cb.Calls();
  EXPECT_TRUE(cb.WaitForCalls(before + 2));
  timer.Stop();
  timer.Join();
}

TEST(TimerThread, DestructorStopsAndJoins) {
  CountingCallback cb;
  {
    TimerThread timer;
    ASSERT_EQ(timer.Start(&cb, 1, 0, true), 0);
    ASSERT_TRUE(cb.WaitForCalls(1));
  }
  // Once the timer is gone no thread can call the callback any more.
  const int calls = cb.Calls();
  TimerThread::Sleep(5);
  EXPECT_EQ(cb.Calls(), calls);
}

TEST(TimerThread, JoinWithoutStartReturns) {
  TimerThread timer;
  timer.Join();
  timer.Stop();
  TimerThread::Sleep(0);
  EXPECT_EQ(timer.GetState(), TimerThread::kStopped);
}

}  // namespace
