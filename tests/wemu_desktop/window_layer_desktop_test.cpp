// Top-level windows of the layer on a real display: a dialog box runs modally over its owner
// while timers and posted messages go on, and ends by its close box or Return; moves, resizes,
// focus and minimising pass between the layer and the desktop.
#include <thread>

#include "platform_gtk/desktop_fixture.h"
#include "wemu/window_test_support.h"
#include "x_window_manager.h"

namespace {

using namespace vq::test;

std::unique_ptr<View> gOk;

// The template's one control: an OK button that Return presses.
void buildOkButton(HWND__* view, int) {
  gOk = std::make_unique<View>(ViewKind::Button);
  gOk->setTag(IDOK);
  view->addSubview(gOk.get());
  view->window()->setDefaultButton(gOk.get());
}

int countOf(HWND__* w, UINT message) {
  int n = 0;
  for (const Logged& l : procLog()) n += l.window == w && l.message == message;
  return n;
}

class WindowLayerOnDesktop : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    WEMU_Internal_PostMessage_Init();
    WEMU_InstallApplication();
    procLog().clear();
    procAnswer() = [](HWND__* w, UINT m, WPARAM wp, LPARAM) -> LRESULT {
      if (m == WM_INITDIALOG) SetTimer(w, 2, 10, nullptr);
      if (m == WM_COMMAND && (wp == IDOK || wp == IDCANCEL)) EndDialog(w, static_cast<int>(wp));
      return m == WM_INITDIALOG;  // the focus goes to the OK button
    };
    // Steps run from a common-mode timer, so also inside the modal run; a watchdog ends a run
    // left open, so a fault fails the test instead of hanging it.
    stepper = b->loop.addTimer(
        0.02, true,
        [this] {
          while (next < steps.size() && steps[next]()) ++next;
        },
        true);
    watchdog = b->loop.addTimer(
        20, false,
        [] {
          ADD_FAILURE() << "watchdog: the modal run was still open";
          if (Window* m = Window::modalWindow())
            EndDialog(WEMU_HandleForView(m->contentView()), -2);
        },
        true);
  }
  void TearDown() override {
    if (b) {
      for (TimerId t : {stepper, watchdog}) b->loop.invalidateTimer(t);
      resetServicesLayer();
      procAnswer() = nullptr;
      gOk.reset();
    }
    DesktopTest::TearDown();
  }
  HWND__* showWindow() {
    HWND__* w = WEMU_CreateDialog(&mainTmpl, 40001, nullptr, recordingProc, 0);
    ShowWindow(w, SW_SHOW);
    return w;
  }
  GtkWidget* gtkOf(HWND__* h) { return b->windows.gtkWindowFor(*WEMU_WindowOfHandle(h)); }
  unsigned long xid(HWND__* h) { return xidOf(gtkOf(h)); }

  WEMU_DialogResourceIndex prefsTmpl{40002, "Preferences", 12, &buildOkButton, 420, 160, nullptr};
  WEMU_DialogResourceIndex mainTmpl{40001, "VQEditor", 12, nullptr, 640, 400, &prefsTmpl};
  TimerId watchdog = 0, stepper = 0;
  std::vector<std::function<bool()>> steps;
  size_t next = 0;
};

TEST_F(WindowLayerOnDesktop, ADialogBoxEndsByItsCloseBoxOrReturnWhileTimersAndPostsGoOn) {
  struct Case {
    bool closeBox;
    int expected;
    std::vector<UINT> seen;  // WM_CLOSE and WM_COMMAND, in order
  } cases[] = {{true, IDCANCEL, {WM_CLOSE, WM_COMMAND}}, {false, IDOK, {WM_COMMAND}}};
  for (const Case& c : cases) {
    procLog().clear();
    HWND__* owner = showWindow();
    SetTimer(owner, 1, 10, nullptr);
    HWND__* dialog = nullptr;
    bool modalOverOwner = false;
    int ownerTicks = 0, dialogTicks = 0, posts = 0;
    double shownAt = 0;
    next = 0;
    steps = {
        [&] {  // the dialog is on the screen; keys go where the pointer is without a window manager
          Window* m = Window::modalWindow();
          if (!m || !gtk_widget_get_mapped(b->windows.gtkWindowFor(*m))) return false;
          dialog = WEMU_HandleForView(m->contentView());
          GtkWindow* g = GTK_WINDOW(gtkOf(dialog));
          modalOverOwner = gtk_window_get_modal(g) &&
                           gtk_window_get_transient_for(g) == GTK_WINDOW(gtkOf(owner));
          int x, y;
          gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(g)), &x, &y);
          input.move(x + 20, y + 20);
          focusWindow(xid(dialog));
          ownerTicks = -countOf(owner, WM_TIMER);
          std::thread([owner] { PostMessage(owner, WM_USER, 0, 0); }).join();
          shownAt = b->loop.now();
          return true;
        },
        [&] {  // a while of timers, then the user acts
          if (b->loop.now() - shownAt < 0.4) return false;
          ownerTicks += countOf(owner, WM_TIMER);
          dialogTicks = countOf(dialog, WM_TIMER);
          posts = countOf(owner, WM_USER);
          if (c.closeBox) {
            pressCloseBox(xid(dialog));
          } else {
            input.tap(XK_Return);
          }
          return true;
        },
    };
    EXPECT_EQ(WEMU_DialogBox(&mainTmpl, 40002, owner, recordingProc, 0), c.expected);
    EXPECT_TRUE(modalOverOwner) << "the owner takes no input during the run";
    EXPECT_GE(ownerTicks, 10);
    EXPECT_GE(dialogTicks, 10);
    EXPECT_EQ(posts, 1) << "posted from a thread during the run, delivered in it";
    std::vector<UINT> seen;
    for (const Logged& l : procLog())
      if (l.window == dialog && (l.message == WM_CLOSE || l.message == WM_COMMAND))
        seen.push_back(l.message);
    EXPECT_EQ(seen, c.seen);
    EXPECT_TRUE(WEMU_WindowOfHandle(owner)->isKeyWindow()) << "the owner is key again";
    ASSERT_TRUE(pumpUntil([] { return WEMU_Internal_PendingDeleteCount() == 0; }));
    DestroyWindow(owner);
  }
}

TEST_F(WindowLayerOnDesktop, PlacesMovesFocusAndMinimisingPassBetweenTheLayerAndTheDesktop) {
  HWND__* a = showWindow();
  HWND__* w = showWindow();
  Window* aw = WEMU_WindowOfHandle(a);
  Window* ww = WEMU_WindowOfHandle(w);
  double screenHeight = b->mainDisplayHeight();
  // The program's placing right after showing is not undone by the desktop's late answer.
  SetWindowPos(w, nullptr, 200, static_cast<int>(screenHeight) - 300 - 400, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  int x = 0, y = 0;
  EXPECT_TRUE(pumpUntil(
      [&] {
        gdk_window_get_origin(gtk_widget_get_window(gtkOf(w)), &x, &y);
        return x == 200 && y == 300;
      },
      3))
      << x << "," << y;
  pumpXEvents();  // every answer the desktop had for the showing
  // The desktop's moves count as the user's half a second after the program's own placing.
  pumpFor(0.6);
  EXPECT_EQ(ww->frame().x, 200);

  // The user moves it: the procedure hears WM_MOVE, child windows come along.
  Window child;
  child.setFrame({250, 100, 50, 50});
  ww->addChildWindow(&child);
  procLog().clear();
  moveWindowTo(xid(w), 260, 320);
  ASSERT_TRUE(pumpUntil([&] { return countOf(w, WM_MOVE) > 0; }, 3));
  vq::platform::Rect f = ww->frame();
  EXPECT_EQ(f.x, 260);
  EXPECT_EQ(screenHeight - f.y - f.height, 320);
  for (const Logged& l : procLog()) {
    if (l.message == WM_MOVE) {
      EXPECT_EQ(l.lParam, (static_cast<int>(f.y) << 16) | 260);
    }
  }
  EXPECT_EQ(child.frame().x, 310);
  EXPECT_EQ(child.frame().y, 80);
  ww->removeChildWindow(&child);

  // The desktop focuses the other window: it becomes key and hears who lost key status.
  procLog().clear();
  input.move(5, 5);
  focusWindow(xid(a));
  ASSERT_TRUE(pumpUntil([&] { return aw->isKeyWindow(); }, 3));
  bool activated = false;
  for (const Logged& l : procLog())
    activated = activated || (l.window == a && l.message == WM_ACTIVATE && l.wParam == 1 &&
                              l.lParam == reinterpret_cast<LPARAM>(w));
  EXPECT_TRUE(activated);

  // Minimised and brought back on the desktop: ordered out, then key again.
  minimiseWindow(xid(a));
  EXPECT_TRUE(
      pumpUntil([&] { return aw->isMiniaturized() && !aw->isVisible() && !aw->isKeyWindow(); }, 3));
  restoreWindow(xid(a));
  EXPECT_TRUE(
      pumpUntil([&] { return !aw->isMiniaturized() && aw->isVisible() && aw->isKeyWindow(); }, 3));
}

TEST_F(WindowLayerOnDesktop, AUserResizeReachesTheProcedureWithinTheSizeLimits) {
  HWND__* w = WEMU_CreateDialog(nullptr, WEMU_NORESOURCE_ID | 1, nullptr, recordingProc, 0);
  Window* win = WEMU_WindowOfHandle(w);
  win->setMinSize({200, 100});
  win->setMaxSize({600, 400});
  SetWindowPos(w, nullptr, 100, 400, 300, 200, SWP_NOZORDER);
  ShowWindow(w, SW_SHOW);
  ASSERT_TRUE(pumpUntil([&] { return gtk_widget_get_mapped(gtkOf(w)); }));
  pumpFor(0.6);  // as above: then the desktop's sizes count as the user's
  struct Case {
    int width, height, heldWidth, heldHeight;
  } cases[] = {{500, 260, 500, 260}, {50, 900, 200, 400}};
  for (const Case& c : cases) {
    procLog().clear();
    resizeWindowTo(xid(w), c.width, c.height);
    ASSERT_TRUE(pumpUntil([&] { return countOf(w, WM_SIZE) > 0; }, 3)) << c.width;
    EXPECT_EQ(win->frame().width, c.heldWidth);
    EXPECT_EQ(win->frame().height, c.heldHeight);
    EXPECT_TRUE(pumpUntil(
        [&] {
          return gtk_widget_get_allocated_width(gtkOf(w)) == c.heldWidth &&
                 gtk_widget_get_allocated_height(gtkOf(w)) == c.heldHeight;
        },
        3))
        << "the window shows the held size";
  }
}

}  // namespace
