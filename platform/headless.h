// The headless backend: the default, and what every test uses. A virtual clock drives the
// run loop; events are injected; menus, alerts and panels take scripted answers; every
// request is recorded for assertions. Nothing is drawn and no device is touched.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/application_base.h"
#include "platform/headless_graphics_view.h"
#include "platform/platform.h"
#include "platform/run_loop_base.h"
#include "platform/self_serving_backend.h"

namespace vq::platform {

// Times in seconds of the virtual clock; the constructing thread is the main thread.
class HeadlessRunLoop final : public RunLoopBase<double> {
 public:
  double now() const override { return mNow; }
  TimerId addTimer(double interval, bool repeats, std::function<void()> fire,
                   bool commonModes) override;
  void invalidateTimer(TimerId id) override;
  void postToMain(std::function<void()> work) override;
  void wake() override;
  void runNested(RunLoopMode mode, double seconds) override;

  // Main thread: runs posted work, then moves the clock forward by `seconds`, firing due
  // timers of the current mode in time order (and running work they post).
  void advance(double seconds);
  // Main thread: runs the work posted so far (and what it posts in turn).
  void runPending();
  size_t timerCount() const { return mTimers.size(); }
  int wakeCount() const;

 private:
  bool fireNextDue(double until);

  double mNow = 0;
  int mWakes = 0;
};

class HeadlessBackend;

class HeadlessApplication final : public ApplicationBase {
 public:
  explicit HeadlessApplication(HeadlessBackend& backend);
  RunLoop& runLoop() override;
  int run() override;
  void dispatchEvent(const Event& e) override;
  std::optional<Event> peekEvent(uint64_t mask, double seconds) override;
  const Event* currentEvent() const override { return mCurrent ? &*mCurrent : nullptr; }

  // Lifecycle as the desktop would drive it.
  void launch();  // will finish launching, then did finish launching
  void activate() { setActive(true); }
  void deactivate() { setActive(false); }
  bool openFile(const std::string& path);

  // Injected events wait in a queue, stamped with the clock when not stamped already.
  void postEvent(Event e);
  // Sends every queued event through the event hook (or dispatches it when there is none).
  void processEvents();
  size_t queuedEventCount() const { return mQueue.size(); }
  // Events that reached dispatchEvent (the ordinary route), in order.
  std::vector<Event> dispatched;

  // Modal runs: each pass runs the next scripted action (if any), the queued events, and
  // then `modalPassSeconds` of the clock. A run that nothing ends within `modalTimeLimit`
  // virtual seconds is aborted and counted, so a test never hangs.
  std::deque<std::function<void()>> modalScript;
  double modalPassSeconds = 0.01;
  double modalTimeLimit = 120;
  int modalRunsTimedOut = 0;
  // Windows whose modal run started, in order.
  std::vector<Window*> modalRunsStarted;
  int runModalForWindow(Window& w) override;
  void hide() override { ++hideCount; }
  int hideCount = 0;

 protected:
  void modalPass(Window& w, double elapsed) override;

 private:
  HeadlessBackend& mBackend;
  std::deque<Event> mQueue;
  std::optional<Event> mCurrent;
};

// Scripted answer of a modal alert, panel or menu: what to answer, and how long the user
// "takes" (the clock advances that much inside the nested loop first).
struct AlertAnswer {
  int button = 0;  // an index that names no button (-1) closes the alert without one
  double delay = 0;
};
struct PanelAnswer {
  std::optional<std::vector<std::string>> paths;  // none: cancelled
  double delay = 0;
};
struct MenuAnswer {
  // Chooses an item of the menu shown (searching submenus); none dismisses the menu.
  std::function<MenuItem*(Menu&)> choose;
  double delay = 0;
};
// Chooses the first enabled item with that tag, searching submenus depth-first.
MenuAnswer chooseTag(int32_t tag, double delay = 0);

class HeadlessBackend final : public SelfServingBackend {
 public:
  HeadlessBackend();
  ~HeadlessBackend() override;

  RunLoop& runLoop() override { return loop; }
  Application& application() override { return app; }
  using SelfServingBackend::screens;  // the service, beside the screen list below

  HeadlessRunLoop loop;
  HeadlessApplication app;

  // Scripts, consumed in order; with none left an alert answers its first button, a panel
  // cancels and a menu is dismissed.
  std::deque<AlertAnswer> alertAnswers;
  std::deque<PanelAnswer> panelAnswers;
  std::deque<MenuAnswer> menuAnswers;

  // Records.
  std::vector<AlertRequest> alerts;
  std::vector<PanelRequest> panels;
  struct ShownMenu {
    Menu* menu;  // valid only while the caller keeps the menu alive
    std::string title;
    Point location;
    View* view;
    std::vector<std::string> itemTitles;
  };
  std::vector<ShownMenu> menusShown;
  std::vector<std::string> opened;  // workspace requests
  // Programs and applications asked to start: {program or application, document}; the files
  // asked to be shown selected.
  std::vector<std::pair<std::string, std::string>> launched;
  std::vector<std::string> revealed;
  bool fileManagerAnswers = false;  // no file manager by default: reveals fall back
  std::vector<CursorRef> cursorsSet;
  std::vector<Point> warps;

  // State the tests set.
  uint32_t modifiers = 0;
  uint32_t mouseButtons = 0;
  Point mouse{100, 100};
  bool warpFails = false;
  std::vector<Screen> screenList;
  // Characters of the layout by key code; by default a US layout of the letter, digit and
  // punctuation keys.
  std::map<uint16_t, char32_t> layout;

  // DialogService
  int runAlert(const AlertRequest& request) override;
  std::optional<std::vector<std::string>> runPanel(const PanelRequest& request) override;
  // MenuTracking
  MenuItem* popUpContextMenu(Menu& menu, Point location, View* view) override;
  // Pasteboard: the text is kept in memory.
  // Workspace
  bool open(const std::string& urlOrPath) override;
  // Starting answers whether the program would be found (an absolute path or a name on PATH);
  // nothing runs.
  bool openWith(const std::string& program, const std::string& document) override;
  bool launchApplication(const std::string& app, const std::string& document) override;
  // Recorded in `launched` as ("text/plain", document).
  bool openAsText(const std::string& document) override;
  bool revealSelected(const std::string& path) override;
  // CursorService
  void setCurrent(CursorRef c) override;
  void setHidden(bool hidden) override { mHidden = hidden; }
  Point mouseLocation() const override { return mouse; }
  bool warpMouse(Point p) override;
  // ScreenService
  std::vector<Screen> screens() const override { return screenList; }
  // InputState
  uint32_t modifierFlags() const override { return modifiers; }
  uint32_t pressedMouseButtons() const override { return mouseButtons; }
  char32_t layoutCharacter(uint16_t keyCode) const override;
  // GraphicsViewService
  std::unique_ptr<GraphicsView> createGraphicsView(View* parent, int width, int height,
                                                   GraphicsViewClient& client) override;
  // Graphics views alive now, oldest first; the last one created, or none.
  std::vector<HeadlessGraphicsView*> graphicsViewList;
  HeadlessGraphicsView* lastGraphicsView() const {
    return graphicsViewList.empty() ? nullptr : graphicsViewList.back();
  }
  void forgetGraphicsView(HeadlessGraphicsView* v);
};

// Installs a fresh headless backend and returns it (tests call this in their set-up).
HeadlessBackend& installHeadless();
// The installed backend when it is the headless one, else none.
HeadlessBackend* headless();

}  // namespace vq::platform
