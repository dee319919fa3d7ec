// Finding, walking and scrolling children; window levels, raise amounts, the represented
// file, the focus-rectangle overlay and the mouse hand-over.
#include "wemu/window_appearance.h"
#include "wemu/window_properties.h"
#include "wemu/window_search.h"
#include "window_test_support.h"

namespace {

using vq::platform::Rect;

class WindowSearchTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    prefs = WEMU_CreateDialog(list, 40002, nullptr, recordingProc, 0);
    for (const char* t : {"a", "b", "a"}) {
      kids.push_back(WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, dlg, nullptr, 0));
      SetDlgItemText(kids.back(), 0, t);
    }
    grandchild = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, kids[0], nullptr, 0);
  }
  HWND__* dlg = nullptr;
  HWND__* prefs = nullptr;
  HWND__* grandchild = nullptr;
  std::vector<HWND__*> kids;
};

TEST_F(WindowSearchTest, FindWindowExByTitleAndChildText) {
  struct Case {
    HWND__* parent;
    HWND__* after;
    const char* cls;
    const char* title;
    HWND__* want;
  } cases[] = {
      {nullptr, nullptr, nullptr, "Preferences", prefs},
      {nullptr, prefs, nullptr, "Preferences", nullptr},
      {nullptr, nullptr, nullptr, nullptr, nullptr},
      {dlg, nullptr, nullptr, nullptr, kids[0]},
      {dlg, kids[0], nullptr, "a", kids[2]},
      {dlg, nullptr, nullptr, "b", kids[1]},
      {dlg, nullptr, "STATIC", nullptr, nullptr},  // labels only: no text field here
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindWindowEx(c.parent, c.after, c.cls, c.title), c.want) << c.title;
}

TEST_F(WindowSearchTest, EnumChildWindowsIsDepthFirstAndStops) {
  static std::vector<HWND__*> seen;
  static size_t stopAfter;
  for (size_t limit : {size_t{100}, size_t{2}}) {
    seen.clear();
    stopAfter = limit;
    BOOL r = EnumChildWindows(
        dlg,
        [](HWND__* h, LPARAM) -> BOOL {
          seen.push_back(h);
          return seen.size() < stopAfter;
        },
        0);
    EXPECT_EQ(r, limit == 2 ? FALSE : TRUE);
    std::vector<HWND__*> all{kids[0], grandchild, kids[1], kids[2]};
    all.resize(std::min(all.size(), limit));
    EXPECT_EQ(seen, all);
  }
  EXPECT_TRUE(EnumChildWindows(nullptr, nullptr, 0));
}

TEST_F(WindowSearchTest, ScrollWindowMovesChildren) {
  Rect before = kids[1]->frame();
  EXPECT_FALSE(ScrollWindow(dlg, 0, 0, nullptr, nullptr));
  EXPECT_TRUE(ScrollWindow(WEMU_TopLevelOf(dlg->window()), 5, -7, nullptr,
                           nullptr));  // a window: its content
  EXPECT_EQ(kids[1]->frame().x, before.x + 5);
  EXPECT_EQ(kids[1]->frame().y, before.y - 7);
  EXPECT_EQ(grandchild->frame().x, 0);  // only direct children move
}

TEST_F(WindowSearchTest, LevelsRaiseAmountsAndRepresentedFile) {
  vq::platform::Window* w = dlg->window();
  EXPECT_EQ(WEMU_SetWindowLevel(kids[0], 3), 0);
  EXPECT_EQ(WEMU_SetWindowLevel(dlg, 0), 3);
  backend->app.activate();
  WEMU_SetWindowWantRaiseAmt(kids[1], 2);  // a view inside: its modeless window
  EXPECT_EQ(WEMU_GetWindowWantRaiseAmt(dlg), 2);
  EXPECT_EQ(w->level(), 2);
  backend->app.deactivate();
  WEMU_SetWindowWantRaiseAmt(dlg, 5);
  EXPECT_EQ(w->level(), 2);  // stored only while inactive
  WEMU_SetWindowRepre(dlg, "/tmp/a.pr4", true);
  EXPECT_EQ(w->representedFilename, "/tmp/a.pr4");
  EXPECT_TRUE(w->documentEdited);
  SetProp(dlg, "WEMU_DisableWindowRepre", w);
  WEMU_SetWindowRepre(dlg, nullptr, false);
  EXPECT_TRUE(w->documentEdited);
  RemoveProp(dlg, "WEMU_DisableWindowRepre");
  WEMU_SetWindowRepre(dlg, nullptr, false);
  EXPECT_EQ(w->representedFilename, "");
}

TEST_F(WindowSearchTest, FocusRectOverlayFollowsItsParent) {
  void* slot = nullptr;
  RECT r{10, 40, 110, 20};  // bottom above top: ordered
  WEMU_DrawFocusRect(nullptr, &r, &slot);
  vq::platform::Window* o = WEMU_Internal_FocusRectWindow(slot);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->level(), 101);
  EXPECT_EQ(o->frame().height, 20);
  EXPECT_DOUBLE_EQ(o->alphaValue, 0.5);
  WEMU_DrawFocusRect(dlg, &r, &slot);  // another parent: a new overlay, a child of the window
  o = WEMU_Internal_FocusRectWindow(slot);
  EXPECT_EQ(o->parentWindow(), dlg->window());
  WEMU_DrawFocusRect(dlg, nullptr, &slot);
  EXPECT_EQ(slot, nullptr);
  EXPECT_TRUE(dlg->window()->childWindows().empty());
  WEMU_DrawFocusRect(dlg, &r, nullptr);  // no slot: nothing
}

TEST_F(WindowSearchTest, MouseEventGoesToTheOutermostClaimingView) {
  // The children answer WM_NCHITTEST through DefWindowProc (1: client); a claiming procedure
  // answers 2 for the dialog's own view.
  procAnswer() = [&](HWND__* h, UINT m, WPARAM, LPARAM) -> LRESULT {
    return m == WM_NCHITTEST && h == dlg ? 2 : 0;
  };
  vq::platform::Event e;
  e.type = vq::platform::EventType::LeftMouseDown;
  e.window = dlg->window();
  ShowWindow(dlg, SW_SHOW);
  e.locationInWindow = kids[0]->convertToWindow({1, 1});
  EXPECT_TRUE(WEMU_HandMouseEventToView(e));
  procAnswer() = nullptr;
  EXPECT_FALSE(WEMU_HandMouseEventToView(e));
  e.type = vq::platform::EventType::KeyDown;
  EXPECT_FALSE(WEMU_HandMouseEventToView(e));
}

}  // namespace
