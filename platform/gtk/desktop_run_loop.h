// The run loop on GLib's default main context. Timers share one source whose poll time-out is
// the earliest due timer of the current mode (asked at each poll, so arming wakes nothing),
// re-armed from the planned time so a 1/120 s timer
// keeps its rate; work posted from any thread waits in one queue behind one idle source.
#pragma once

#include <glib.h>

#include <cstdint>

#include "platform/run_loop_base.h"

namespace vq::platform {

// Times in microseconds of GLib's monotonic clock.
class DesktopRunLoop final : public RunLoopBase<int64_t> {
 public:
  DesktopRunLoop();  // on the thread that runs GTK
  ~DesktopRunLoop() override;

  double now() const override;
  TimerId addTimer(double interval, bool repeats, std::function<void()> fire,
                   bool commonModes) override;
  void invalidateTimer(TimerId id) override;
  void postToMain(std::function<void()> work) override;
  void wake() override;
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
  void rearm();
  void fireDue();
  static gboolean prepareTimers(GSource* source, gint* timeout);
  static gboolean checkTimers(GSource* source);
  static gboolean dispatchTimers(GSource* source, GSourceFunc, gpointer);
  static gboolean drainPosted(gpointer self);

  GSource* mTimerSource = nullptr;
  int64_t mEarliest = -1;  // when the next eligible timer is due, -1 when none
  guint mPostIdle = 0;     // the pending idle source, 0 when none
};

}  // namespace vq::platform
