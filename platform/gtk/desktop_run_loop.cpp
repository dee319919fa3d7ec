#include "platform/gtk/desktop_run_loop.h"

#include <algorithm>
#include <vector>

#include "platform/graphics_view.h"

namespace vq::platform {

namespace {
struct TimerSource {
  GSource base;
  DesktopRunLoop* loop;
};

gboolean quitLoop(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}
}  // namespace

DesktopRunLoop::DesktopRunLoop() {
  static GSourceFuncs funcs = {&DesktopRunLoop::prepareTimers,
                               &DesktopRunLoop::checkTimers,
                               &DesktopRunLoop::dispatchTimers,
                               nullptr,
                               nullptr,
                               nullptr};
  mTimerSource = g_source_new(&funcs, sizeof(TimerSource));
  reinterpret_cast<TimerSource*>(mTimerSource)->loop = this;
  // A timer whose callback runs a nested loop must not hold back the other timers.
  g_source_set_can_recurse(mTimerSource, TRUE);
  g_source_set_priority(mTimerSource, G_PRIORITY_DEFAULT);
  g_source_set_name(mTimerSource, "vq-timers");
  g_source_attach(mTimerSource, nullptr);
}

DesktopRunLoop::~DesktopRunLoop() {
  g_source_destroy(mTimerSource);
  g_source_unref(mTimerSource);
  std::lock_guard<std::mutex> lock(mPostMutex);
  if (mPostIdle) g_source_remove(mPostIdle);
}

double DesktopRunLoop::now() const {
  return static_cast<double>(g_get_monotonic_time()) * 1e-6;
}

TimerId DesktopRunLoop::addTimer(double interval, bool repeats, std::function<void()> fire,
                                 bool commonModes) {
  int64_t us = static_cast<int64_t>(std::max(interval, 0.0001) * 1e6);
  TimerId id = insertTimer(us, g_get_monotonic_time(), repeats, std::move(fire), commonModes);
  rearm();
  return id;
}

void DesktopRunLoop::invalidateTimer(TimerId id) {
  if (mTimers.erase(id)) rearm();
}

void DesktopRunLoop::rearm() {
  int64_t earliest = -1;
  for (const auto& [id, t] : mTimers) {
    if (!eligible(t)) continue;
    if (earliest < 0 || t.fireAt < earliest) earliest = t.fireAt;
  }
  mEarliest = earliest;
}

gboolean DesktopRunLoop::prepareTimers(GSource* source, gint* timeout) {
  const int64_t at = reinterpret_cast<TimerSource*>(source)->loop->mEarliest;
  if (at < 0) {
    *timeout = -1;
    return FALSE;
  }
  const int64_t wait = at - g_get_monotonic_time();
  if (wait <= 0) {
    *timeout = 0;
    return TRUE;
  }
  // Rounded up: waking early would only poll again.
  *timeout = static_cast<gint>(std::min<int64_t>((wait + 999) / 1000, G_MAXINT));
  return FALSE;
}

gboolean DesktopRunLoop::checkTimers(GSource* source) {
  const int64_t at = reinterpret_cast<TimerSource*>(source)->loop->mEarliest;
  return at >= 0 && at <= g_get_monotonic_time();
}

void DesktopRunLoop::fireDue() {
  int64_t now = g_get_monotonic_time();
  std::vector<std::pair<int64_t, TimerId>> due;
  for (const auto& [id, t] : mTimers) {
    if (eligible(t) && t.fireAt <= now) due.emplace_back(t.fireAt, id);
  }
  std::sort(due.begin(), due.end());
  for (const auto& [at, id] : due) {
    // Earlier callbacks may have removed this timer, or a nested loop already fired it.
    auto it = mTimers.find(id);
    if (it == mTimers.end() || !eligible(it->second) || it->second.fireAt > now) continue;
    std::function<void()> fire = takeDue(it, now);
    rearm();
    fire();
  }
  rearm();
}

gboolean DesktopRunLoop::dispatchTimers(GSource* source, GSourceFunc, gpointer) {
  reinterpret_cast<TimerSource*>(source)->loop->fireDue();
  return G_SOURCE_CONTINUE;
}

void DesktopRunLoop::postToMain(std::function<void()> work) {
  std::lock_guard<std::mutex> lock(mPostMutex);
  mPosted.push_back(std::move(work));
  if (!mPostIdle) mPostIdle = g_idle_add_full(G_PRIORITY_DEFAULT, &drainPosted, this, nullptr);
}

gboolean DesktopRunLoop::drainPosted(gpointer p) {
  auto* self = static_cast<DesktopRunLoop*>(p);
  size_t count;
  {
    std::lock_guard<std::mutex> lock(self->mPostMutex);
    self->mPostIdle = 0;  // work posted from now on gets a new idle, also inside nested loops
    count = self->mPosted.size();
  }
  // Only what was queued on entry: work that keeps posting itself cannot starve the loop.
  for (size_t i = 0; i < count; ++i) {
    std::function<void()> work;
    {
      std::lock_guard<std::mutex> lock(self->mPostMutex);
      if (self->mPosted.empty()) break;
      work = std::move(self->mPosted.front());
      self->mPosted.pop_front();
    }
    work();
  }
  return G_SOURCE_REMOVE;
}

void DesktopRunLoop::wake() {
  g_main_context_wakeup(nullptr);
}

void DesktopRunLoop::runNested(RunLoopMode mode, double seconds) {
  ModeScope scope(*this, mode);
  if (seconds <= 0) {
    g_main_context_iteration(nullptr, FALSE);
    return;
  }
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  guint ms = static_cast<guint>(std::min(seconds, 86400.0) * 1000.0 + 0.5);
  guint quit = g_timeout_add(ms, &quitLoop, loop);
  g_main_loop_run(loop);
  if (g_main_context_find_source_by_id(nullptr, quit)) g_source_remove(quit);
  g_main_loop_unref(loop);
}

DesktopRunLoop::ModeScope::ModeScope(DesktopRunLoop& loop, RunLoopMode mode)
    : mLoop(loop), mSaved(loop.mMode) {
  // Entering a modal state from the ordinary one (a menu inside a modal run has been told).
  if (mode != RunLoopMode::Default && mSaved == RunLoopMode::Default)
    GraphicsView::notifyModalLoop();
  mLoop.mMode = mode;
  mLoop.rearm();
}

DesktopRunLoop::ModeScope::~ModeScope() {
  mLoop.mMode = mSaved;
  mLoop.rearm();
}

}  // namespace vq::platform
