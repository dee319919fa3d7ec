// Top-level windows and dialog boxes: styles, owners, closing, activation and modal runs with
// actions scripted inside them.
#include <thread>

#include "wemu/message_queue.h"
#include "window_test_support.h"

namespace {

WEMU_TopLevelWindow* windowOf_(HWND__* content) {
  return WEMU_TopLevelOf(content->window());
}

using vq::platform::kWindowClosable;
using vq::platform::kWindowMiniaturizable;
using vq::platform::kWindowResizable;
using vq::platform::kWindowTitled;

TEST_F(WindowTest, CreateDialogKindsAndStyles) {
  HWND__* parent = WEMU_CreateDialog(list, 40001, nullptr, nullptr, 0);
  static WEMU_DialogResourceIndex childTmpl{9,  nullptr, WEMU_WF_CHILD | 12, nullptr, 50,
                                            50, nullptr};
  struct Case {
    WEMU_DialogResourceIndex* list;
    int id;
    HWND__* parent;
    bool child;
    uint32_t style;
  } cases[] = {
      {list, 40001, nullptr, false, kWindowTitled | kWindowClosable | kWindowMiniaturizable},
      {list, WEMU_NORESOURCE_ID, parent, true, 0},
      {list, WEMU_NORESOURCE_ID | 1, parent, false,
       kWindowTitled | kWindowClosable | kWindowMiniaturizable | kWindowResizable},
      {list, WEMU_NORESOURCE_ID | 6, nullptr, false, kWindowTitled},
      {&childTmpl, 9, parent, true, 0},
  };
  for (const Case& c : cases) {
    HWND__* h = WEMU_CreateDialog(c.list, c.id, c.parent, nullptr, 0);
    ASSERT_NE(h, nullptr) << c.id;
    if (c.child) {
      EXPECT_EQ(h->superview(), parent) << c.id;
      EXPECT_EQ(WEMU_WindowViewOf(h)->createFlags, 15u);
    } else {
      ASSERT_NE(windowOf(h), nullptr) << c.id;
      EXPECT_EQ(windowOf(h)->styleMask(), c.style) << c.id;
      EXPECT_FALSE(windowOf(h)->isVisible());  // until ShowWindow
    }
  }
  EXPECT_EQ(WEMU_CreateDialog(list, 12345, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(WEMU_DialogBox(&childTmpl, 9, parent, recordingProc, 0), -1);
  EXPECT_EQ(WEMU_DialogBox(nullptr, 40002, parent, recordingProc, 0), -1);
  EXPECT_EQ(WEMU_DialogBox(list, 555, parent, recordingProc, 0), -1);
  EXPECT_EQ(WEMU_DialogBox(list, WEMU_NORESOURCE_ID, parent, recordingProc, 0), -1);
}

TEST_F(WindowTest, OwnedWindowsAreDestroyedNewestFirst) {
  HWND__* owner = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  HWND__* older = WEMU_CreateDialog(list, 40002, owner, recordingProc, 0);
  HWND__* newer = WEMU_CreateDialog(list, 40002, owner, recordingProc, 0);
  EXPECT_EQ(windowOf(older)->ownerWindow(), windowOf(owner));
  EXPECT_EQ(GetParent(newer), owner);
  procLog().clear();
  DestroyWindow(owner);
  std::vector<HWND__*> order;
  for (const Logged& l : procLog())
    if (l.message == WM_DESTROY) order.push_back(l.window);
  EXPECT_EQ(order, (std::vector<HWND__*>{owner, newer, older}));
}

TEST_F(WindowTest, CloseBoxAsksAndNeverClosesByItself) {
  struct Case {
    LRESULT closeAnswer;
    std::vector<UINT> expected;
  } cases[] = {{0, {WM_CLOSE, WM_COMMAND}}, {1, {WM_CLOSE}}};
  for (const Case& c : cases) {
    procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM) {
      return m == WM_CLOSE ? c.closeAnswer : 0;
    };
    HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    procLog().clear();
    windowOf(dlg)->performClose();
    EXPECT_EQ(loggedMessages(), c.expected);
    if (c.expected.size() == 2) {
      EXPECT_EQ(procLog()[1].wParam, WPARAM{IDCANCEL});
    }
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_FALSE(windowOf(dlg)->isClosed());
  }
}

TEST_F(WindowTest, ActivationNamesThePreviousWindowAndPicksTheMenuBar) {
  HMENU modalMenu = CreatePopupMenu();
  WEMU_SetDefaultModalWindowMenu(modalMenu);
  HWND__* a = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  HWND__* b = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  ShowWindow(a, SW_SHOW);
  procLog().clear();
  ShowWindow(b, SW_SHOW);
  ASSERT_GE(procLog().size(), 3u);
  EXPECT_EQ(procLog()[1].window, a);  // a resigns first
  EXPECT_EQ(procLog()[1].wParam, 0u);
  EXPECT_EQ(procLog()[2].window, b);
  EXPECT_EQ(procLog()[2].message, UINT{WM_ACTIVATE});
  EXPECT_EQ(procLog()[2].lParam, reinterpret_cast<LPARAM>(a));
  // While a dialog box is key the menu bar is the modal windows' menu.
  HMENU shown = nullptr;
  backend->app.modalScript.push_back([&] {
    shown = backend->app.mainMenu();
    EndDialog(GetFocus() ? GetFocus()
                         : WEMU_HandleForView(vq::platform::Window::modalWindow()->contentView()),
              1);
  });
  EXPECT_EQ(WEMU_DialogBox(list, 40002, b, recordingProc, 0), 1);
  EXPECT_EQ(shown, modalMenu);
  EXPECT_TRUE(windowOf(b)->isKeyWindow());  // the owner is key again
  EXPECT_EQ(procLog().back().message, UINT{WM_MOUSEACTIVATE});
  DestroyMenu(modalMenu);
}

TEST_F(WindowTest, TheShellsTwoWindows) {
  HWND__* mainWin = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  EXPECT_EQ(windowOf(mainWin)->styleMask(),
            kWindowTitled | kWindowClosable | kWindowMiniaturizable);
  EXPECT_EQ(frameOf(mainWin).width, 1140);
  uint32_t style = 0;
  WEMU_TopLevelWindow* owner = nullptr;
  backend->app.modalScript.push_back([&] {
    auto* w = WEMU_TopLevelOf(vq::platform::Window::modalWindow());
    style = w->styleMask();
    owner = w->ownerWindow();
    EndDialog(w, 4);
  });
  EXPECT_EQ(WEMU_DialogBox(list, 40002, mainWin, recordingProc, 0), 4);
  EXPECT_EQ(style, kWindowTitled | kWindowClosable);
  EXPECT_EQ(owner, windowOf(mainWin));
}

TEST_F(WindowTest, EndDialogDuringInitDialogSkipsTheRun) {
  procAnswer() = [](HWND__* w, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_INITDIALOG) EndDialog(w, 5);
    return 0;
  };
  EXPECT_EQ(WEMU_DialogBox(list, 40002, nullptr, recordingProc, 0), 5);
  EXPECT_TRUE(backend->app.modalRunsStarted.empty());
  EXPECT_EQ(loggedMessages(), (std::vector<UINT>{WM_INITDIALOG, WM_SHOWWINDOW, WM_DESTROY}));
}

TEST_F(WindowTest, TimersAndPostedMessagesGoOnDuringTheRun) {
  procAnswer() = [](HWND__* w, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_INITDIALOG) {
      SetTimer(w, 1, 10, nullptr);
      PostMessage(w, WM_USER, 0, 0);
    }
    return 0;
  };
  for (int i = 0; i < 10; ++i) backend->app.modalScript.push_back([] {});
  backend->app.modalScript.push_back(
      [] { EndDialog(WEMU_HandleForView(vq::platform::Window::modalWindow()->contentView()), 7); });
  EXPECT_EQ(WEMU_DialogBox(list, 40002, nullptr, recordingProc, 0), 7);
  std::vector<UINT> got = loggedMessages();
  EXPECT_GE(std::count(got.begin(), got.end(), UINT{WM_TIMER}), 5);
  EXPECT_EQ(std::count(got.begin(), got.end(), UINT{WM_USER}), 1);
  EXPECT_EQ(got.back(), UINT{WM_DESTROY});
}

TEST_F(WindowTest, EveryWayARunEndsAnswersAndFreesTheWindow) {
  // Quit from the menu bar while the dialog runs destroys the main window, and with it the
  // dialog it owns: the run ends, nothing is touched after being freed, the answer is -1.
  struct Case {
    const char* what;
    std::function<void(HWND__* mainWin, HWND__* dlg)> act;
    int expected;
  } cases[] = {
      {"EndDialog", [](HWND__*, HWND__* d) { EndDialog(d, 3); }, 3},
      {"EndDialog twice",
       [](HWND__*, HWND__* d) {
         EndDialog(d, 3);
         EndDialog(d, 4);
       },
       3},
      {"cancel from the close box", [](HWND__*, HWND__* d) { windowOf_(d)->performClose(); }, 2},
      {"dialog destroyed", [](HWND__*, HWND__* d) { DestroyWindow(d); }, -1},
      {"owner destroyed", [](HWND__* m, HWND__*) { DestroyWindow(m); }, -1},
      {"window closed", [](HWND__*, HWND__* d) { WEMU_CloseWindow(d); }, -1},
      {"application quits", [](HWND__*, HWND__*) { WEMU_PostQuitMessage(nullptr); }, -1},
      {"nothing ends it", [](HWND__*, HWND__*) {}, -1},
  };
  for (const Case& c : cases) {
    resetServicesLayer();
    backend = &vq::platform::installHeadless();
    WEMU_Internal_PostMessage_Init();
    int before = WEMU_Internal_AdoptedCount();
    HWND__* mainWin = WEMU_CreateDialog(list, 40001, nullptr, nullptr, 0);
    procAnswer() = [](HWND__* w, UINT m, WPARAM wp, LPARAM) -> LRESULT {
      if (m == WM_COMMAND && wp == IDCANCEL) EndDialog(w, 2);
      return 0;
    };
    backend->app.modalTimeLimit = 1;
    backend->app.modalScript.push_back([&] {
      c.act(mainWin, WEMU_HandleForView(vq::platform::Window::modalWindow()->contentView()));
    });
    EXPECT_EQ(WEMU_DialogBox(list, 40002, mainWin, recordingProc, 0), c.expected) << c.what;
    EXPECT_EQ(backend->app.modalRunsTimedOut, std::string(c.what) == "nothing ends it" ? 1 : 0)
        << c.what;
    EXPECT_EQ(vq::platform::Window::modalWindow(), nullptr);
    if (IsWindow(mainWin)) DestroyWindow(mainWin);
    backend->loop.runPending();
    EXPECT_EQ(WEMU_Internal_AdoptedCount(), before) << c.what;
  }
}

TEST_F(WindowTest, ASecondRunOfTheSameDialogAndRunsOffTheMainThreadAreRefused) {
  int nested = 0, offThread = 0;
  backend->app.modalScript.push_back([&] {
    nested = WEMU_DialogBox(list, 40002, nullptr, recordingProc, 0);
    std::thread t([&] { offThread = WEMU_DialogBox(list, 40001, nullptr, recordingProc, 0); });
    t.join();
    EndDialog(WEMU_HandleForView(vq::platform::Window::modalWindow()->contentView()), 8);
  });
  EXPECT_EQ(WEMU_DialogBox(list, 40002, nullptr, recordingProc, 0), 8);
  EXPECT_EQ(nested, -1);
  EXPECT_EQ(offThread, -1);
  EXPECT_EQ(backend->app.modalRunsStarted.size(), 1u);
}

TEST_F(WindowTest, ModalSessionsEndWithinABoundedWait) {
  HWND__* dlg = WEMU_CreateDialog(list, 40002, nullptr, recordingProc, 0);
  WEMU_ModalSession s = WEMU_ModalWindowStart(dlg);
  ASSERT_NE(s, nullptr);
  int result = 0;
  EXPECT_TRUE(WEMU_ModalWindowRun(s, &result));
  EXPECT_EQ(vq::platform::Window::modalWindow(), dlg->window());
  WEMU_ModalWindowEnd(s);
  EXPECT_EQ(vq::platform::Window::modalWindow(), nullptr);
  EXPECT_EQ(WEMU_ModalWindowStart(nullptr), nullptr);
}

TEST_F(WindowTest, SizeMoveAndSizeLimitsAskTheContentView) {
  HWND__* w = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID | 1, nullptr, recordingProc, 0);
  procAnswer() = [](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m != WM_GETMINMAXINFO) return 0;
    auto* info = reinterpret_cast<MINMAXINFO*>(lp);
    info->ptMinTrackSize = {200, 100};
    info->ptMaxTrackSize.x = 800;
    return 1;
  };
  procLog().clear();
  SetWindowPos(w, nullptr, 10, 20, 50, 5000, SWP_NOZORDER);
  vq::platform::Rect f = frameOf(w);
  EXPECT_EQ(f.width, 200);    // held to the minimum
  EXPECT_EQ(f.height, 5000);  // no maximum given
  SetWindowPos(w, nullptr, 0, 0, 5000, 300, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(frameOf(w).width, 800);
  std::vector<UINT> got = loggedMessages();
  EXPECT_EQ(std::count(got.begin(), got.end(), UINT{WM_MOVE}), 1);
  for (const Logged& l : procLog()) {
    if (l.message == WM_MOVE) {
      EXPECT_EQ(l.lParam, (20 << 16) | 10);
    }
  }
  CenterWindow(w);
  vq::platform::Rect c = frameOf(w);
  EXPECT_EQ(c.x + c.width / 2, 640);
}

}  // namespace

namespace {

TEST_F(WindowTest, EscapeTypedDuringTheRunCancelsTheDialog) {
  WEMU_InstallApplication();
  procAnswer() = [](HWND__* w, UINT m, WPARAM wp, LPARAM) -> LRESULT {
    if (m == WM_INITDIALOG) return WEMU_FOCUS_DIALOG_VIEW;
    if (m == WM_COMMAND && wp == IDCANCEL) EndDialog(w, IDCANCEL);
    return 0;
  };
  backend->app.modalScript.push_back([this] {
    vq::platform::Event e;
    e.type = vq::platform::EventType::KeyDown;
    e.window = vq::platform::Window::modalWindow();
    e.keyCode = vq::platform::kKeyEscape;
    e.characters = e.charactersIgnoringModifiers = U"\x1b";
    backend->app.postEvent(e);
  });
  EXPECT_EQ(WEMU_DialogBox(list, 40002, nullptr, recordingProc, 0), IDCANCEL);
  EXPECT_EQ(backend->app.modalRunsTimedOut, 0);
}

}  // namespace
