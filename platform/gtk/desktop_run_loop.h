// The run loop on GLib's default main context. Timers share one source whose poll time-out is
// the earliest due timer of the current mode (asked at each poll, so arming wakes nothing),
// re-armed from the planned time so a 1/120 s timer
// keeps its rate; work posted from any thread waits in one queue behind one idle source.
// The context's poll function runs the quiet ticks of timers that have a quiet check inside
// the wait, so an idle tick costs one wake-up rather than a whole pass of the loop, and leaves
// the X connection out of the wait while GDK holds its events back for a frame (it would only
// report the same unread input again and again until the frame is painted).
#pragma once

#include <gdk/gdk.h>
#include <glib.h>

#include <cstdint>
#include <map>
#include <vector>

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
  void setQuietCheck(TimerId id, std::function<bool()> quiet) override;

  // GDK holds input back between a frame clock's flush-events and resume-events: while a
  // watched clock is in between, the X connection is left out of the wait.
  void watchFrameClock(GdkFrameClock* clock);

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
  // Runs the due quiet ticks; false when one needs its full `fire` (left due for the source).
  bool runQuietTicks(int64_t now);
  // The X connection's poll entry is left out while input is held back (-1: not X).
  int heldInputFd() const;
  static gint pollWithQuietTicks(GPollFD* fds, guint count, gint timeout);
  static void onFlushEvents(GdkFrameClock* clock, gpointer self);
  static void onResumeEvents(GdkFrameClock* clock, gpointer self);
  static void onClockGone(gpointer self, GObject* clock);
  static gboolean prepareTimers(GSource* source, gint* timeout);
  static gboolean checkTimers(GSource* source);
  static gboolean dispatchTimers(GSource* source, GSourceFunc, gpointer);
  static gboolean drainPosted(gpointer self);

  GSource* mTimerSource = nullptr;
  int64_t mEarliest = -1;  // when the next eligible timer is due, -1 when none
  guint mPostIdle = 0;     // the pending idle source, 0 when none
  struct Quiet {
    std::function<bool()> check;
    bool needsFire = false;  // its check said no: the source fires it
  };
  std::map<TimerId, Quiet> mQuiet;
  int64_t mQuietEarliest = -1;  // the next quiet check, -1 when none
  int64_t mQuietEarly = -1;     // from when a wake-up for another reason makes that check
  std::vector<TimerId> mDueQuiet;
  GPollFunc mPlainPoll = nullptr;
  std::vector<GdkFrameClock*> mWatchedClocks;
  std::map<GdkFrameClock*, int64_t> mHeldSince;  // clocks holding input back, since when
  int mXFd = -1;
};

}  // namespace vq::platform
