#include "platform/gtk/desktop_run_loop.h"

#include <algorithm>
#include <vector>

#include "platform/graphics_view.h"

// Last: X11's macros clash with the names of the headers above.
#include <gdk/gdkx.h>

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

// The loop whose poll function is installed (the poll function gets no data of its own).
DesktopRunLoop* gPollingLoop = nullptr;

// A frame held back longer than this (a frozen clock) no longer keeps input out of the wait.
constexpr int64_t kLongestHold = 40000;  // us
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
  mPlainPoll = g_main_context_get_poll_func(nullptr);
  gPollingLoop = this;
  g_main_context_set_poll_func(nullptr, &DesktopRunLoop::pollWithQuietTicks);
}

DesktopRunLoop::~DesktopRunLoop() {
  if (gPollingLoop == this) {
    g_main_context_set_poll_func(nullptr, mPlainPoll);
    gPollingLoop = nullptr;
  }
  for (GdkFrameClock* clock : mWatchedClocks) {
    g_signal_handlers_disconnect_by_data(clock, this);
    g_object_weak_unref(G_OBJECT(clock), &DesktopRunLoop::onClockGone, this);
  }
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
  mQuiet.erase(id);
  if (mTimers.erase(id)) rearm();
}

void DesktopRunLoop::setQuietCheck(TimerId id, std::function<bool()> quiet) {
  auto it = mTimers.find(id);
  if (it == mTimers.end() || !it->second.repeats) return;
  if (quiet)
    mQuiet[id] = Quiet{std::move(quiet), false};
  else
    mQuiet.erase(id);
  rearm();
}

void DesktopRunLoop::rearm() {
  int64_t earliest = -1, quiet = -1, early = -1;
  // Without our poll function (another loop installed its own) every timer is the source's.
  const bool quietTicks = gPollingLoop == this;
  for (const auto& [id, t] : mTimers) {
    if (!eligible(t)) continue;
    auto q = mQuiet.find(id);
    // Quiet ticks are the poll function's; the source waits only for those that need firing.
    const bool isQuiet = quietTicks && q != mQuiet.end() && !q->second.needsFire;
    int64_t& at = isQuiet ? quiet : earliest;
    if (at < 0 || t.fireAt < at) at = t.fireAt;
    if (isQuiet && (early < 0 || t.fireAt - t.interval / 4 < early))
      early = t.fireAt - t.interval / 4;
  }
  mEarliest = earliest;
  mQuietEarliest = quiet;
  mQuietEarly = early;
}

bool DesktopRunLoop::runQuietTicks(int64_t now) {
  // Kept between calls: a tick allocates nothing.
  std::vector<TimerId>& due = mDueQuiet;
  due.clear();
  for (const auto& [id, q] : mQuiet) {
    auto t = mTimers.find(id);
    // A quiet check due within a quarter of its interval is made in this wake-up already, so
    // slower timers share the wake-ups of the fastest one.
    if (t != mTimers.end() && !q.needsFire && eligible(t->second) &&
        t->second.fireAt - t->second.interval / 4 <= now)
      due.push_back(id);
  }
  bool allQuiet = true;
  for (TimerId id : due) {
    auto q = mQuiet.find(id);
    auto t = mTimers.find(id);
    if (q == mQuiet.end() || t == mTimers.end()) continue;
    if (q->second.check()) {
      takeDue(t, std::max(now, t->second.fireAt));  // rescheduled from its planned time
    } else {
      // Fired in this pass, a little early if it was checked early: no wake-up of its own.
      q->second.needsFire = true;
      t->second.fireAt = std::min(t->second.fireAt, now);
      allQuiet = false;
    }
  }
  rearm();
  return allQuiet;
}

void DesktopRunLoop::watchFrameClock(GdkFrameClock* clock) {
  if (!clock ||
      std::find(mWatchedClocks.begin(), mWatchedClocks.end(), clock) != mWatchedClocks.end())
    return;
  mWatchedClocks.push_back(clock);
  g_signal_connect(clock, "flush-events", G_CALLBACK(&onFlushEvents), this);
  g_signal_connect(clock, "resume-events", G_CALLBACK(&onResumeEvents), this);
  g_object_weak_ref(G_OBJECT(clock), &DesktopRunLoop::onClockGone, this);
}

void DesktopRunLoop::onFlushEvents(GdkFrameClock* clock, gpointer p) {
  static_cast<DesktopRunLoop*>(p)->mHeldSince.emplace(clock, g_get_monotonic_time());
}

void DesktopRunLoop::onResumeEvents(GdkFrameClock* clock, gpointer p) {
  static_cast<DesktopRunLoop*>(p)->mHeldSince.erase(clock);
}

void DesktopRunLoop::onClockGone(gpointer p, GObject* clock) {
  auto* self = static_cast<DesktopRunLoop*>(p);
  auto* gone = reinterpret_cast<GdkFrameClock*>(clock);
  auto& w = self->mWatchedClocks;
  w.erase(std::remove(w.begin(), w.end(), gone), w.end());
  self->mHeldSince.erase(gone);
}

int DesktopRunLoop::heldInputFd() const {
  if (mHeldSince.empty()) return -1;
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return -1;
  return ConnectionNumber(gdk_x11_display_get_xdisplay(display));
}

gint DesktopRunLoop::pollWithQuietTicks(GPollFD* fds, guint count, gint timeout) {
  DesktopRunLoop* self = gPollingLoop;
  if (!self || !self->isMainThread())
    return (self ? self->mPlainPoll : &g_poll)(fds, count, timeout);
  const GPollFunc plain = self->mPlainPoll;
  int64_t now = g_get_monotonic_time();
  const int64_t deadline = timeout < 0 ? -1 : now + int64_t{timeout} * 1000;
  // Input held back for a frame: GDK reads none of it until the frame is painted.
  GPollFD* held = nullptr;
  gushort heldEvents = 0;
  int64_t heldUntil = -1;
  if (const int fd = self->heldInputFd(); fd >= 0) {
    for (guint i = 0; i < count && !held; ++i) {
      if (fds[i].fd != fd) continue;
      held = &fds[i];
      heldEvents = held->events;
      held->events = 0;
      for (const auto& [clock, since] : self->mHeldSince)
        heldUntil = std::max(heldUntil, since + kLongestHold);
    }
  }
  // Awake anyway (input, a frame) with a quiet tick due soon: it is checked now, after what was
  // just dispatched, rather than in a wake-up of its own. One that needs firing is left to the
  // source in this pass.
  bool fireNow = false;
  if (self->mQuietEarly >= 0 && now >= self->mQuietEarly) fireNow = !self->runQuietTicks(now);
  gint result = 0;
  for (;;) {
    const int64_t tick = self->mQuietEarliest;
    const bool tickFirst = tick >= 0 && (deadline < 0 || tick < deadline);
    int64_t wakeAt = fireNow ? now : tickFirst ? tick : deadline;
    if (held && (wakeAt < 0 || heldUntil < wakeAt)) wakeAt = heldUntil;
    // Rounded up: waking early would only wait again.
    const gint ms = wakeAt < 0 ? -1
                               : static_cast<gint>(std::min<int64_t>(
                                     (std::max<int64_t>(wakeAt - now, 0) + 999) / 1000, G_MAXINT));
    result = plain(fds, count, ms);
    if (result != 0 || fireNow) break;
    // Read once a wake-up: the next wait is worked out from the same time.
    const int64_t after = now = g_get_monotonic_time();
    if (held && after >= heldUntil) {
      held->events = heldEvents;  // held too long: input is waited for again
      held = nullptr;
      continue;
    }
    if (tickFirst && after >= tick) {
      if (!self->runQuietTicks(after)) break;  // the source fires it in this pass
      continue;
    }
    if (deadline >= 0 && after >= deadline) break;
  }
  if (held) held->events = heldEvents;
  return result;
}

gboolean DesktopRunLoop::prepareTimers(GSource* source, gint* timeout) {
  DesktopRunLoop* loop = reinterpret_cast<TimerSource*>(source)->loop;
  if (loop->mQuietEarliest >= 0 && gPollingLoop != loop) loop->rearm();
  const int64_t at = loop->mEarliest;
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
    if (auto q = mQuiet.find(id); q != mQuiet.end()) q->second.needsFire = false;
    std::function<void()> fire = takeDue(it, now);
    if (!isTimerValid(id)) mQuiet.erase(id);
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
