// What the run loops of both backends keep alike: the main thread, the current mode, the
// timer table and the queue of work posted from other threads. `Time` is the backend's clock
// unit; how the loop waits and when it fires is the backend's own.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/run_loop.h"

namespace vq::platform {

template <class Time>
class RunLoopBase : public RunLoop {
 public:
  bool isTimerValid(TimerId id) const override { return mTimers.count(id) != 0; }
  bool isMainThread() const override { return std::this_thread::get_id() == mMainThread; }
  std::thread::id mainThreadId() const override { return mMainThread; }
  RunLoopMode currentMode() const override { return mMode; }

 protected:
  struct Timer {
    Time interval;
    Time fireAt;
    bool repeats;
    bool common;
    std::function<void()> fire;
  };
  using Timers = std::map<TimerId, Timer>;

  RunLoopBase() : mMainThread(std::this_thread::get_id()) {}  // on the main thread

  TimerId insertTimer(Time interval, Time now, bool repeats, std::function<void()> fire,
                      bool common) {
    TimerId id = mNextId++;
    mTimers[id] = Timer{interval, now + interval, repeats, common, std::move(fire)};
    return id;
  }
  // Default-mode timers wait while a nested loop runs.
  bool eligible(const Timer& t) const { return mMode == RunLoopMode::Default || t.common; }
  // The callback of a due timer, which is rescheduled (one that fell behind fires once and
  // catches up) or removed. A copy: the callback may invalidate its own timer.
  std::function<void()> takeDue(typename Timers::iterator it, Time now) {
    Timer& t = it->second;
    std::function<void()> fire = t.fire;
    if (t.repeats) {
      Time next = t.fireAt + t.interval;
      t.fireAt = next > now ? next : now + t.interval;
    } else {
      mTimers.erase(it);
    }
    return fire;
  }

  std::thread::id mMainThread;
  RunLoopMode mMode = RunLoopMode::Default;
  TimerId mNextId = 1;
  Timers mTimers;
  mutable std::mutex mPostMutex;  // guards mPosted
  std::deque<std::function<void()>> mPosted;
};

}  // namespace vq::platform
