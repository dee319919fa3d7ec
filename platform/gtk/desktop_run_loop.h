// The run loop on GLib's default main context. Timers share one source that wakes at the
// earliest due timer of the current mode, re-armed from the planned time so a 1/120 s timer
// keeps its rate; work posted from any thread waits in one queue behind one idle source.
#pragma once

#include <glib.h>

#include <deque>
#include <map>
#include <mutex>

#include "platform/run_loop.h"

namespace vq::platform {

class DesktopRunLoop final : public RunLoop {
 public:
  DesktopRunLoop();  // on the thread that runs GTK
  ~DesktopRunLoop() override;

  double now() const override;
  TimerId addTimer(double interval, bool repeats, std::function<void()> fire,
                   bool commonModes) override;
  void invalidateTimer(TimerId id) override;
  bool isTimerValid(TimerId id) const override { return mTimers.count(id) != 0; }
  void postToMain(std::function<void()> work) override;
  void wake() override;
  bool isMainThread() const override;
  std::thread::id mainThreadId() const override { return mMainThread; }
  RunLoopMode currentMode() const override { return mMode; }
  void runNested(RunLoopMode mode, double seconds) override;

  // Runs the scope's code in a nested mode (alerts, panels, menus): default-mode timers wait,
  // and open graphics views hear that a modal loop begins.
  class ModeScope {
   public:
    ModeScope(DesktopRunLoop& loop, RunLoopMode mode);
    ~ModeScope();
    ModeScope(const ModeScope&) = delete;
    ModeScope& operator=(const ModeScope&) = delete;

   private:
    DesktopRunLoop& mLoop;
    RunLoopMode mSaved;
  };

 private:
  struct Timer {
    int64_t interval;  // microseconds
    int64_t fireAt;
    bool repeats;
    bool common;
    std::function<void()> fire;
  };
  bool eligible(const Timer& t) const { return mMode == RunLoopMode::Default || t.common; }
  void rearm();
  void fireDue();
  static gboolean dispatchTimers(GSource* source, GSourceFunc, gpointer);
  static gboolean drainPosted(gpointer self);

  std::thread::id mMainThread;
  RunLoopMode mMode = RunLoopMode::Default;
  TimerId mNextId = 1;
  std::map<TimerId, Timer> mTimers;
  GSource* mTimerSource = nullptr;
  std::mutex mPostMutex;
  std::deque<std::function<void()>> mPosted;
  guint mPostIdle = 0;  // the pending idle source, 0 when none
};

}  // namespace vq::platform
