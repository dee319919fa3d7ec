// The main thread's run loop: timers and work posted from other threads. Timers added in
// the common modes also fire while a nested modal loop or menu tracking runs; default-mode
// timers wait until the outermost loop runs again.
#pragma once

#include <cstdint>
#include <functional>
#include <thread>

namespace vq::platform {

enum class RunLoopMode { Default, ModalPanel, EventTracking };

using TimerId = uint64_t;  // 0 is never a valid timer

class RunLoop {
 public:
  virtual ~RunLoop() = default;

  // Seconds on a monotonic clock (virtual in the headless backend).
  virtual double now() const = 0;

  // Main thread only. Calls `fire` after `interval` seconds (at least 0.0001), then every
  // `interval` while `repeats`. A repeating timer that fell behind fires once and catches up.
  virtual TimerId addTimer(double interval, bool repeats, std::function<void()> fire,
                           bool commonModes) = 0;
  // Main thread only. Unknown and already finished ids are ignored; safe inside `fire`.
  virtual void invalidateTimer(TimerId id) = 0;
  // Main thread only. For a repeating timer whose ticks mostly find nothing to do: where a whole
  // pass of the loop costs more, the loop may call `quiet` instead of `fire` when the timer is
  // due; a tick it answers true for is done, otherwise `fire` follows. `quiet` must not run
  // nested loops or change timers. Loops that gain nothing ignore it.
  virtual void setQuietCheck(TimerId id, std::function<bool()> quiet) {}
  virtual bool isTimerValid(TimerId id) const = 0;

  // Any thread: runs `work` on the main thread on the loop's next pass.
  virtual void postToMain(std::function<void()> work) = 0;
  // Any thread: makes a waiting loop look at its sources again.
  virtual void wake() = 0;

  virtual bool isMainThread() const = 0;
  virtual std::thread::id mainThreadId() const = 0;
  virtual RunLoopMode currentMode() const = 0;

  // Runs a nested loop in `mode` for `seconds` (modal panels and menu tracking use it).
  virtual void runNested(RunLoopMode mode, double seconds) = 0;
};

}  // namespace vq::platform
