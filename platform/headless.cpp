#include "platform/headless.h"

#include <algorithm>

#include "platform/menu.h"
#include "platform/view.h"
#include "platform/xdg_workspace.h"

namespace vq::platform {

// ---- Run loop ---------------------------------------------------------------------------

TimerId HeadlessRunLoop::addTimer(double interval, bool repeats, std::function<void()> fire,
                                  bool commonModes) {
  return insertTimer(std::max(interval, 0.0001), mNow, repeats, std::move(fire), commonModes);
}

void HeadlessRunLoop::invalidateTimer(TimerId id) {
  mTimers.erase(id);
}

void HeadlessRunLoop::postToMain(std::function<void()> work) {
  std::lock_guard<std::mutex> lock(mPostMutex);
  mPosted.push_back(std::move(work));
  ++mWakes;
}

void HeadlessRunLoop::wake() {
  std::lock_guard<std::mutex> lock(mPostMutex);
  ++mWakes;
}

int HeadlessRunLoop::wakeCount() const {
  std::lock_guard<std::mutex> lock(mPostMutex);
  return mWakes;
}

void HeadlessRunLoop::runPending() {
  // Bounded, so work that keeps posting itself cannot hang a test.
  for (int round = 0; round < 1000; ++round) {
    std::deque<std::function<void()>> batch;
    {
      std::lock_guard<std::mutex> lock(mPostMutex);
      batch.swap(mPosted);
    }
    if (batch.empty()) return;
    for (auto& work : batch) work();
  }
}

bool HeadlessRunLoop::fireNextDue(double until) {
  auto best = mTimers.end();
  for (auto it = mTimers.begin(); it != mTimers.end(); ++it) {
    const Timer& t = it->second;
    if (!eligible(t) || t.fireAt > until) continue;
    if (best == mTimers.end() || t.fireAt < best->second.fireAt) best = it;
  }
  if (best == mTimers.end()) return false;
  mNow = std::max(mNow, best->second.fireAt);
  std::function<void()> fire = takeDue(best, mNow);
  fire();
  runPending();
  return true;
}

void HeadlessRunLoop::advance(double seconds) {
  double target = mNow + std::max(seconds, 0.0);
  runPending();
  while (fireNextDue(target)) {
  }
  mNow = std::max(mNow, target);
}

void HeadlessRunLoop::runNested(RunLoopMode mode, double seconds) {
  if (mode != RunLoopMode::Default) GraphicsView::notifyModalLoop();
  RunLoopMode saved = mMode;
  mMode = mode;
  advance(seconds);
  mMode = saved;
}

// ---- Application ------------------------------------------------------------------------

HeadlessApplication::HeadlessApplication(HeadlessBackend& backend) : mBackend(backend) {}

RunLoop& HeadlessApplication::runLoop() {
  return mBackend.loop;
}

int HeadlessApplication::run() {
  launch();
  processEvents();
  mBackend.loop.runPending();
  return 0;
}

void HeadlessApplication::dispatchEvent(const Event& e) {
  dispatched.push_back(e);
  Window* w = e.window;
  if (!w) return;
  View* target = e.isKey() ? w->firstResponder() : w->contentView();
  if (target) target->handleEvent(e);
}

std::optional<Event> HeadlessApplication::peekEvent(uint64_t mask, double seconds) {
  double limit = mBackend.loop.now() + seconds;
  for (const Event& e : mQueue) {
    if ((eventMask(e.type) & mask) && e.timestamp <= limit) return e;
  }
  return std::nullopt;
}

void HeadlessApplication::launch() {
  if (mDelegate) mDelegate->applicationWillFinishLaunching();
  if (mDelegate) mDelegate->applicationDidFinishLaunching();
  activate();
}

bool HeadlessApplication::openFile(const std::string& path) {
  return mDelegate && mDelegate->openFile(path);
}

int HeadlessApplication::runModalForWindow(Window& w) {
  modalRunsStarted.push_back(&w);
  return Application::runModalForWindow(w);
}

void HeadlessApplication::modalPass(Window&, double elapsed) {
  if (elapsed >= modalTimeLimit) {
    ++modalRunsTimedOut;
    abortModal();
    return;
  }
  if (!modalScript.empty()) {
    std::function<void()> action = std::move(modalScript.front());
    modalScript.pop_front();
    action();
  }
  processEvents();
  mBackend.loop.runNested(RunLoopMode::ModalPanel, modalPassSeconds);
}

void HeadlessApplication::postEvent(Event e) {
  if (e.timestamp == 0) e.timestamp = mBackend.loop.now();
  if (e.window && e.windowNumber == 0) e.windowNumber = e.window->windowNumber();
  mQueue.push_back(std::move(e));
}

void HeadlessApplication::processEvents() {
  while (!mQueue.empty()) {
    Event e = mQueue.front();
    mQueue.pop_front();
    mCurrent = e;
    if (mHook) {
      mHook->sendEvent(e);
    } else {
      dispatchEvent(e);
    }
    mCurrent.reset();
  }
}

// ---- Backend ----------------------------------------------------------------------------

namespace {

MenuItem* findEnabledTag(Menu& menu, int32_t tag) {
  for (int i = 0; i < menu.itemCount(); ++i) {
    MenuItem* item = menu.itemAt(i);
    if (item->tag() == tag && item->isEnabled() && !item->isSeparator()) return item;
    if (item->submenu()) {
      if (MenuItem* found = findEnabledTag(*item->submenu(), tag)) return found;
    }
  }
  return nullptr;
}

std::map<uint16_t, char32_t> usLayout() {
  static const char kKeys[] = "asdfhgzxcv\0bqweryt123465=97-80]ou[ip\0lj'k;\\,/nm.";
  std::map<uint16_t, char32_t> m;
  for (uint16_t code = 0; code < sizeof(kKeys) - 1; ++code) {
    if (kKeys[code]) m[code] = static_cast<char32_t>(kKeys[code]);
  }
  m[49] = U' ';
  m[50] = U'`';
  return m;
}

}  // namespace

MenuAnswer chooseTag(int32_t tag, double delay) {
  return MenuAnswer{[tag](Menu& m) { return findEnabledTag(m, tag); }, delay};
}

HeadlessBackend::HeadlessBackend() : app(*this) {
  Screen main;
  main.frame = {0, 0, 1280, 1024};
  main.visibleFrame = {0, 0, 1280, 1000};
  screenList.push_back(main);
  layout = usLayout();
}

HeadlessBackend::~HeadlessBackend() = default;

namespace {

// The next scripted answer, or the default one when the script is empty, once the clock has
// run for the time the user takes in the nested loop.
template <class Answer>
Answer nextAnswer(std::deque<Answer>& script, HeadlessRunLoop& loop, RunLoopMode mode) {
  Answer answer;
  if (!script.empty()) {
    answer = script.front();
    script.pop_front();
  }
  if (answer.delay > 0) loop.runNested(mode, answer.delay);
  return answer;
}

}  // namespace

int HeadlessBackend::runAlert(const AlertRequest& request) {
  GraphicsView::notifyModalLoop();
  alerts.push_back(request);
  BoxOrPanelShown shown;
  const AlertAnswer answer = nextAnswer(alertAnswers, loop, RunLoopMode::ModalPanel);
  if (answer.button < 0 || answer.button >= static_cast<int>(request.buttons.size()))
    return kAlertDismissed;
  return answer.button;
}

std::optional<std::vector<std::string>> HeadlessBackend::runPanel(const PanelRequest& request) {
  GraphicsView::notifyModalLoop();
  panels.push_back(request);
  BoxOrPanelShown shown;
  return nextAnswer(panelAnswers, loop, RunLoopMode::ModalPanel).paths;
}

MenuItem* HeadlessBackend::popUpContextMenu(Menu& menu, Point location, View* view) {
  GraphicsView::notifyModalLoop();
  Retained<Menu> shownMenu(&menu);  // alive while shown, whatever its delegate does
  updateMenuTree(menu);
  ShownMenu shown{&menu, menu.title(), location, view, {}};
  for (int i = 0; i < menu.itemCount(); ++i) shown.itemTitles.push_back(menu.itemAt(i)->title());
  menusShown.push_back(std::move(shown));
  std::optional<BoxOrPanelShown> up(std::in_place);
  const MenuAnswer answer = nextAnswer(menuAnswers, loop, RunLoopMode::EventTracking);
  MenuItem* chosen = answer.choose ? answer.choose(menu) : nullptr;
  up.reset();  // closed: what the item opens is the one up
  if (chosen && (!chosen->isEnabled() || chosen->isSeparator())) chosen = nullptr;
  if (chosen) chosen->perform();
  return chosen;
}

bool HeadlessBackend::open(const std::string& urlOrPath) {
  opened.push_back(urlOrPath);
  return !urlOrPath.empty();
}

bool HeadlessBackend::openWith(const std::string& program, const std::string& document) {
  launched.emplace_back(program, document);
  return programCommand(program, document).has_value();
}

bool HeadlessBackend::launchApplication(const std::string& app, const std::string& document) {
  launched.emplace_back(app, document);
  std::optional<std::string> name = applicationName(app);
  return name && programCommand(*name, document).has_value();
}

bool HeadlessBackend::openAsText(const std::string& document) {
  launched.emplace_back("text/plain", document);
  return true;
}

bool HeadlessBackend::revealSelected(const std::string& path) {
  revealed.push_back(path);
  return fileManagerAnswers;
}

void HeadlessBackend::setCurrent(CursorRef c) {
  cursorsSet.push_back(c);
  mCurrent = std::move(c);
}

bool HeadlessBackend::warpMouse(Point p) {
  warps.push_back(p);
  if (warpFails) return false;
  mouse = {p.x, mainDisplayHeight() - p.y};
  return true;
}

std::unique_ptr<GraphicsView> HeadlessBackend::createGraphicsView(View* parent, int width,
                                                                  int height,
                                                                  GraphicsViewClient& client) {
  auto v = std::make_unique<HeadlessGraphicsView>(parent, width, height, client);
  graphicsViewList.push_back(v.get());
  return v;
}

void HeadlessBackend::forgetGraphicsView(HeadlessGraphicsView* v) {
  graphicsViewList.erase(std::remove(graphicsViewList.begin(), graphicsViewList.end(), v),
                         graphicsViewList.end());
}

char32_t HeadlessBackend::layoutCharacter(uint16_t keyCode) const {
  auto it = layout.find(keyCode);
  return it == layout.end() ? 0 : it->second;
}

}  // namespace vq::platform
