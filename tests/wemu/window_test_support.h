// Shared set-up of the window-layer tests: a procedure that records every message it gets
// (with the window) and answers through a hook, and templates to build dialogs from.
#pragma once

#include <functional>
#include <set>
#include <vector>

#include "wemu/menus.h"
#include "wemu/top_level_windows.h"
#include "wemu/window_functions.h"
#include "wemu/window_geometry.h"
#include "wemu/window_messages.h"
#include "wemu/window_tree.h"
#include "wemu_fixture.h"

struct Logged {
  HWND__* window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

inline std::vector<Logged>& procLog() {
  static std::vector<Logged> log;
  return log;
}
inline std::function<LRESULT(HWND__*, UINT, WPARAM, LPARAM)>& procAnswer() {
  static std::function<LRESULT(HWND__*, UINT, WPARAM, LPARAM)> answer;
  return answer;
}
inline LRESULT recordingProc(HWND__* w, UINT m, WPARAM wp, LPARAM lp) {
  procLog().push_back({w, m, wp, lp});
  return procAnswer() ? procAnswer()(w, m, wp, lp) : 0;
}

// The messages logged (for one window, when given), leaving out the noise of sizing and
// painting questions unless asked for.
inline std::vector<UINT> loggedMessages(HWND__* only = nullptr,
                                        std::set<UINT> ignore = {WM_SIZE, WM_NCCALCSIZE,
                                                                 WM_ERASEBKGND, WM_GETMINMAXINFO}) {
  std::vector<UINT> out;
  for (const Logged& l : procLog())
    if ((!only || l.window == only) && !ignore.count(l.message)) out.push_back(l.message);
  return out;
}

class WindowTest : public WemuTest {
 protected:
  void SetUp() override {
    WemuTest::SetUp();
    procLog().clear();
    procAnswer() = nullptr;
  }
  void TearDown() override {
    procAnswer() = nullptr;
    WemuTest::TearDown();
  }
  // The main window and Preferences templates of the shell (flags 12).
  WEMU_DialogResourceIndex prefs{40002, "Preferences", 12, nullptr, 420, 160, nullptr};
  WEMU_DialogResourceIndex main{40001, "VQEditor", 12, nullptr, 1140, 800, &prefs};
  WEMU_DialogResourceIndex* list = &main;
  WEMU_TopLevelWindow* windowOf(HWND__* content) { return WEMU_TopLevelOf(content->window()); }
  vq::platform::Rect frameOf(HWND__* content) { return content->window()->frame(); }
};
