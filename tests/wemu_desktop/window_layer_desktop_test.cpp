// The window layer on a real display: a dialog box runs modally over its owner while both
// windows' timers and posted messages go on, its close box and Return end it as a dialog's
// should, and moves, focus changes and the program's own placing pass between the layer and
// the desktop.
#include <thread>

#include "platform_gtk/desktop_fixture.h"
#include "wemu/window_functions.h"
#include "wemu/window_geometry.h"
#include "wemu/wemu_fixture.h"
#include "x_window_manager.h"

namespace {

using namespace vq::test;

struct Logged {
  HWND__* window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool duringRun;
};
std::vector<Logged> gLog;
std::unique_ptr<View> gOk;

LRESULT loggingProc(HWND__* w, UINT m, WPARAM wp, LPARAM lp) {
  gLog.push_back({w, m, wp, lp, Window::modalWindow() != nullptr});
  if (m == WM_INITDIALOG) {
    SetTimer(w, 2, 10, nullptr);
    return 1;  // the focus goes to the OK button
  }
  if (m == WM_COMMAND && (wp == IDOK || wp == IDCANCEL)) EndDialog(w, static_cast<int>(wp));
  return 0;
}

// The template's controls: an OK button that Return presses.
void buildOkButton(HWND__* view, int) {
  gOk = std::make_unique<View>(ViewKind::Button);
  gOk->setTag(IDOK);
  gOk->setFrame({300, 20, 80, 24});
  view->addSubview(gOk.get());
  view->window()->setDefaultButton(gOk.get());
}

int countOf(HWND__* w, UINT message, bool onlyDuringRun = false) {
  int n = 0;
  for (const Logged& l : gLog) n += l.window == w && l.message == message && (l.duringRun || !onlyDuringRun);
  return n;
}

class WindowLayerOnDesktop : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    WEMU_Internal_PostMessage_Init();
    WEMU_InstallApplication();
    gLog.clear();
    // A watchdog ends any run left open, so a fault fails the test instead of hanging it.
    watchdog = b->loop.addTimer(20, false, [] {
      ADD_FAILURE() << "watchdog: the modal run was still open";
      if (Window* m = Window::modalWindow()) EndDialog(WEMU_HandleForView(m->contentView()), -2);
      vq::platform::services().application().abortModal();
    }, true);
  }
  void TearDown() override {
    if (b) {
      b->loop.invalidateTimer(watchdog);
      b->loop.invalidateTimer(stepper);
      resetServicesLayer();
      gOk.reset();
    }
    DesktopTest::TearDown();
  }
  // Runs the steps from a common-mode timer, so also inside the modal run; each returns true
  // when done.
  void script(std::vector<std::function<bool()>> steps) {
    b->loop.invalidateTimer(stepper);
    auto next = std::make_shared<size_t>(0);
    stepper = b->loop.addTimer(0.02, true, [steps, next] {
      while (*next < steps.size() && steps[*next]()) ++*next;
    }, true);
  }
  HWND__* showOwner() {
    HWND__* owner = WEMU_CreateDialog(&mainTmpl, 40001, nullptr, loggingProc, 0);
    ShowWindow(owner, SW_SHOW);
    return owner;
  }
  GtkWidget* gtkOf(HWND__* h) { return b->windows.gtkWindowFor(*WEMU_WindowOfHandle(h)); }
  // Where the desktop shows the window's content (top-left, y down).
  void screenTopLeft(HWND__* h, int& x, int& y) { gdk_window_get_origin(gtk_widget_get_window(gtkOf(h)), &x, &y); }

  WEMU_DialogResourceIndex prefsTmpl{40002, "Preferences", 12, &buildOkButton, 420, 160, nullptr};
  WEMU_DialogResourceIndex mainTmpl{40001, "VQEditor", 12, nullptr, 640, 400, &prefsTmpl};
  TimerId watchdog = 0, stepper = 0;
};

TEST_F(WindowLayerOnDesktop, ADialogBoxEndsByItsCloseBoxOrReturnWhileTimersAndPostsGoOn) {
  struct Case {
    const char* what;
    int expected;
    std::vector<UINT> commandsSeen;  // WM_CLOSE and WM_COMMAND, in order
  } cases[] = {
      {"close box", IDCANCEL, {WM_CLOSE, WM_COMMAND}},
      {"Return", IDOK, {WM_COMMAND}},
  };
  for (const Case& c : cases) {
    gLog.clear();
    HWND__* owner = showOwner();
    SetTimer(owner, 1, 10, nullptr);
    HWND__* dialog = nullptr;
    bool modal = false, transientForOwner = false;
    int ownerTicksBefore = 0;
    script({
        [&] {  // the dialog is on the screen
          Window* m = Window::modalWindow();
          if (!m || !gtk_widget_get_mapped(b->windows.gtkWindowFor(*m))) return false;
          dialog = WEMU_HandleForView(m->contentView());
          GtkWindow* g = GTK_WINDOW(gtkOf(dialog));
          modal = gtk_window_get_modal(g);
          transientForOwner = gtk_window_get_transient_for(g) == GTK_WINDOW(gtkOf(owner));
          int x, y;
          screenTopLeft(dialog, x, y);
          input.move(x + 20, y + 20);  // keys go where the pointer is when no window manager runs
          focusWindow(xidOf(gtkOf(dialog)));
          ownerTicksBefore = countOf(owner, WM_TIMER);
          std::thread([owner] { PostMessage(owner, WM_USER, 0, 0); }).join();
          return true;
        },
        [&, start = std::make_shared<double>(-1)] {  // a while of timers, then the user acts
          if (*start < 0) *start = b->loop.now();
          if (b->loop.now() - *start < 0.4) return false;
          if (std::string(c.what) == "Return")
            input.tap(XK_Return);
          else
            pressCloseBox(xidOf(gtkOf(dialog)));
          return true;
        },
    });
    int result = WEMU_DialogBox(&mainTmpl, 40002, owner, loggingProc, 0);
    EXPECT_EQ(result, c.expected) << c.what;
    EXPECT_TRUE(modal) << c.what << ": the owner takes no input during the run";
    EXPECT_TRUE(transientForOwner) << c.what;
    EXPECT_GE(countOf(owner, WM_TIMER, true) - ownerTicksBefore, 10) << c.what << ": the owner's timer";
    EXPECT_GE(countOf(dialog, WM_TIMER, true), 10) << c.what << ": the dialog's own timer";
    EXPECT_EQ(countOf(owner, WM_USER, true), 1) << c.what << ": posted during the run, delivered in it";
    std::vector<UINT> seen;
    for (const Logged& l : gLog)
      if (l.window == dialog && (l.message == WM_CLOSE || l.message == WM_COMMAND)) seen.push_back(l.message);
    EXPECT_EQ(seen, c.commandsSeen) << c.what;
    EXPECT_TRUE(WEMU_WindowOfHandle(owner)->isKeyWindow()) << c.what << ": the owner is key again";
    ASSERT_TRUE(pumpUntil([] { return WEMU_Internal_PendingDeleteCount() == 0; })) << c.what;
    DestroyWindow(owner);
  }
}

TEST_F(WindowLayerOnDesktop, PlacesMovesAndFocusPassBetweenTheLayerAndTheDesktop) {
  HWND__* a = showOwner();
  HWND__* w = showOwner();
  double screenHeight = b->mainDisplayHeight();
  // The program's placing right after showing is not undone by the desktop's late answer.
  SetWindowPos(w, nullptr, 200, static_cast<int>(screenHeight) - 300 - 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  int x = 0, y = 0;
  EXPECT_TRUE(pumpUntil([&] {
    screenTopLeft(w, x, y);
    return x == 200 && y == 300;
  }, 3)) << x << "," << y;
  pumpFor(0.6);
  EXPECT_EQ(WEMU_WindowOfHandle(w)->frame().x, 200);

  // The user moves it: the procedure hears WM_MOVE, child windows come along.
  Window child;
  child.setFrame({250, 100, 50, 50});
  WEMU_WindowOfHandle(w)->addChildWindow(&child);
  gLog.clear();
  moveWindowTo(xidOf(gtkOf(w)), 260, 320);
  ASSERT_TRUE(pumpUntil([&] { return countOf(w, WM_MOVE) > 0; }, 3));
  vq::platform::Rect f = WEMU_WindowOfHandle(w)->frame();
  EXPECT_EQ(f.x, 260);
  EXPECT_EQ(screenHeight - f.y - f.height, 320);
  LPARAM moveParam = -1;
  for (const Logged& l : gLog)
    if (l.message == WM_MOVE) moveParam = l.lParam;
  EXPECT_EQ(moveParam, (static_cast<int>(f.y) << 16) | 260);
  EXPECT_EQ(child.frame().x, 310);
  EXPECT_EQ(child.frame().y, 80);

  // The desktop focuses the other window: it becomes key and hears who lost key status.
  ASSERT_TRUE(WEMU_WindowOfHandle(w)->isKeyWindow());
  gLog.clear();
  input.move(5, 5);
  focusWindow(xidOf(gtkOf(a)));
  ASSERT_TRUE(pumpUntil([&] { return WEMU_WindowOfHandle(a)->isKeyWindow(); }, 3));
  bool activated = false;
  for (const Logged& l : gLog)
    activated = activated || (l.window == a && l.message == WM_ACTIVATE && l.wParam == 1 &&
                              l.lParam == reinterpret_cast<LPARAM>(w));
  EXPECT_TRUE(activated);
  WEMU_WindowOfHandle(w)->removeChildWindow(&child);

  // Minimised and brought back from the desktop: ordered out, then key again.
  Window* aw = WEMU_WindowOfHandle(a);
  unsigned long axid = xidOf(gtkOf(a));
  minimiseWindow(axid);
  EXPECT_TRUE(pumpUntil([&] { return aw->isMiniaturized() && !aw->isVisible() && !aw->isKeyWindow(); }, 3));
  restoreWindow(axid);
  EXPECT_TRUE(pumpUntil([&] { return !aw->isMiniaturized() && aw->isVisible() && aw->isKeyWindow(); }, 3));
}

TEST_F(WindowLayerOnDesktop, AUserResizeReachesTheProcedureWithinTheSizeLimits) {
  HWND__* w = WEMU_CreateDialog(nullptr, WEMU_NORESOURCE_ID | 1, nullptr, loggingProc, 0);
  Window* win = WEMU_WindowOfHandle(w);
  win->setMinSize({200, 100});
  win->setMaxSize({600, 400});
  SetWindowPos(w, nullptr, 100, 400, 300, 200, SWP_NOZORDER);
  ShowWindow(w, SW_SHOW);
  pumpFor(0.7);
  struct Case {
    int width, height;          // dragged to
    double frameW, frameH;      // the frame that follows
  } cases[] = {{500, 260, 500, 260}, {50, 900, 200, 400}};
  for (const Case& c : cases) {
    gLog.clear();
    resizeWindowTo(xidOf(gtkOf(w)), c.width, c.height);
    ASSERT_TRUE(pumpUntil([&] { return countOf(w, WM_SIZE) > 0; }, 3)) << c.width;
    EXPECT_EQ(win->frame().width, c.frameW);
    EXPECT_EQ(win->frame().height, c.frameH);
    EXPECT_TRUE(pumpUntil([&] {
      return gtk_widget_get_allocated_width(gtkOf(w)) == c.frameW &&
             gtk_widget_get_allocated_height(gtkOf(w)) == c.frameH;
    }, 3)) << "the window shows the held size";
  }
}

}  // namespace
