// SendMessage on the controls, and the progress, tab and tree classes.
#include "wemu/control_messages.h"

#include "wemu/control_functions.h"
#include "wemu/cursors.h"
#include "wemu/dialog_generation.h"
#include "wemu/progress_bar.h"
#include "wemu/tab_view.h"
#include "wemu/tree_view.h"
#include "window_test_support.h"

namespace {

class ControlMessages : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    WEMU_MakeSetCurParms(1, 1, 0, 0, dlg, false, false);
  }
  HWND__* dlg = nullptr;
};

TEST_F(ControlMessages, ButtonsSlidersAndCombos) {
  HWND__* box = WEMU_MakeCheckBox("b", 1, 0, 0, 40, 18, 0);
  struct Step {
    UINT message;
    WPARAM wParam;
    LRESULT want;
  } steps[] = {{BM_SETCHECK, 2, 0}, {BM_GETCHECK, 0, 2}, {BM_SETCHECK, 1, 0}, {BM_GETCHECK, 0, 1},
               {BM_SETCHECK, 0, 0}, {BM_GETCHECK, 0, 0}, {0x1234, 0, 0}};
  for (const Step& s : steps)
    EXPECT_EQ(SendMessage(box, s.message, s.wParam, 0), s.want) << s.message;

  HGDIOBJ bitmap = WEMU_AllocGDIObject(WEMU_OBJ_BITMAP);
  HGDIOBJ brush = CreateSolidBrush(0);
  EXPECT_EQ(SendMessage(box, BM_SETIMAGE, 0, reinterpret_cast<LPARAM>(bitmap)), 0);
  EXPECT_EQ(SendMessage(box, BM_GETIMAGE, 0, 0), reinterpret_cast<LRESULT>(bitmap));
  EXPECT_EQ(SendMessage(box, BM_SETIMAGE, 2, 0), 0);  // wParam above 1 changes nothing
  EXPECT_EQ(SendMessage(box, BM_SETIMAGE, 0, reinterpret_cast<LPARAM>(brush)),
            reinterpret_cast<LRESULT>(bitmap));
  EXPECT_EQ(SendMessage(box, BM_GETIMAGE, 0, 0), 0);  // not a bitmap: removed

  HWND__* slider = WEMU_MakeControl("", 2, "TORVEXhfader", 0, 0, 30, 100, 20, 0);
  EXPECT_EQ(SendMessage(slider, TBM_SETRANGE, 1, 100 << 16), 1);
  EXPECT_EQ(SendMessage(slider, TBM_SETPOS, 1, 42), 1);
  EXPECT_EQ(SendMessage(slider, TBM_GETPOS, 0, 0), 42);
  EXPECT_EQ(SendMessage(slider, TBM_SETTIC, 0, 5), 1);
  EXPECT_EQ(dynamic_cast<WEMU_Slider*>(slider)->maxValue, 100);

  HWND__* combo = WEMU_MakeCombo(3, 0, 60, 100, 20, 3);
  for (const char* t : {"one", "two", "three"})
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
  EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(combo, CB_FINDSTRING, WPARAM(-1), 0), -1);
  EXPECT_EQ(SendMessage(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>("TWO")), 1);
  SendMessage(combo, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  SendMessage(combo, CB_SETITEMDATA, 1, 77);
  EXPECT_EQ(SendMessage(combo, CB_GETITEMDATA, 1, 0), 77);
  // The copy takes what the announced length promised, no more.
  LRESULT need = SendMessage(combo, CB_GETLBTEXTLEN, 2, 0);
  EXPECT_EQ(need, 5 + 64);
  std::vector<char> buf(static_cast<size_t>(need), '#');
  EXPECT_EQ(SendMessage(combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(buf.data())), 1);
  EXPECT_STREQ(buf.data(), "three");
  EXPECT_EQ(buf[6], '#');
  EXPECT_EQ(SendMessage(combo, 0x160, 0, 0), 0);
  EXPECT_EQ(SendMessage(combo, CB_DELETESTRING, 0, 0), 1);
  EXPECT_EQ(SendMessage(combo, CB_RESETCONTENT, 0, 0), 0);
  EXPECT_EQ(SendMessage(combo, CB_GETCOUNT, 0, 0), 0);
}

TEST_F(ControlMessages, TextFieldSelectionOnlyWhileEdited) {
  HWND__* field = WEMU_MakeEditField(4, 0, 0, 100, 18, 0);
  SetDlgItemText(dlg, 4, "hello");
  int start = -9, end = -9;
  SendMessage(field, EM_SETSEL, 0, -1);
  SendMessage(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(std::make_pair(start, end), std::make_pair(0, 0));  // not being edited
  field->window()->makeFirstResponder(field);
  struct Sel {
    int64_t from, to;
    int wantStart, wantEnd;
  } sels[] = {{0, -1, 0, 5},
              {1, 3, 1, 3},
              {4, 2, 4, 4} /* reversed: empty at the start */,
              {-1, 3, 0, 0},
              {2, 99, 2, 5}};
  for (const Sel& s : sels) {
    SendMessage(field, EM_SETSEL, static_cast<WPARAM>(s.from), s.to);
    SendMessage(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(s.wantStart, s.wantEnd))
        << s.from << " " << s.to;
  }
  EXPECT_EQ(SendMessage(field, EM_SETPASSWORDCHAR, '*', 0), 0);

  auto* view =
      dynamic_cast<WEMU_TextView*>(WEMU_MakeEditField(5, 0, 30, 100, 60, int(WEMU_WS_HSCROLL)));
  ASSERT_TRUE(view);
  view->setControlText("abcdef");
  SendMessage(view, EM_SETSEL, 5, 2);
  EXPECT_EQ(view->selection(), std::make_pair(5, 0));
  SendMessage(view, 0xF0B5, 7, 0);
  EXPECT_EQ(view->lastScroll, WEMU_TextView::Scroll::End);
}

TEST_F(ControlMessages, FallbackBetweenWindowAndContentViewTakesOneStep) {
  HWND__* window = windowOf(dlg);
  procAnswer() = [](HWND__*, UINT m, WPARAM, LPARAM) -> LRESULT { return m == WM_USER ? 5 : 0; };
  EXPECT_EQ(SendMessage(window, WM_USER, 0, 0), 5);
  // A control class that takes no such message answers 0 and changes nothing.
  HWND__* box = WEMU_MakeGroupBox("g", 9, 0, 0, 50, 50, 0);
  EXPECT_EQ(SendMessage(box, WM_USER, 0, 0), 0);
  // A content view that takes no messages and a window that takes none: 0, no loop.
  WEMU_GroupBox* lone = WEMU_NewControl<WEMU_GroupBox>();
  vq::platform::Window plain;
  plain.setContentView(lone);
  EXPECT_EQ(SendMessage(lone, WM_USER, 0, 0), 0);
  plain.setContentView(nullptr);
}

TEST_F(ControlMessages, ProgressRangesAndTabNotifications) {
  HWND__* bar = WEMU_MakeControl("", 1, "msctls_progress32", 0, 0, 0, 100, 10, 0);
  auto* p = dynamic_cast<WEMU_ProgressBar*>(bar);
  struct Step {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    double want;
  } steps[] = {{PBM_SETRANGE, 0, (200 << 16) | 10, 10},
               {PBM_SETPOS, 50, 0, 50},
               {PBM_DELTAPOS, 30, 0, 80},
               {PBM_DELTAPOS, 500, 0, 200},
               {PBM_SETPOS, 3, 0, 10},
               {0x404, 7, 0, 10}};
  for (const Step& s : steps) {
    EXPECT_EQ(SendMessage(bar, s.message, s.wParam, s.lParam), 0);
    EXPECT_EQ(p->value(), s.want) << s.message;
  }

  auto* tab = dynamic_cast<WEMU_TabView*>(
      WEMU_MakeControl("", 40, "SysTabControl32", 0, 0, 20, 200, 100, 0));
  ASSERT_TRUE(tab);
  tab->insertTab(0, "MIDI");
  tab->insertTab(1, "GUI");
  EXPECT_EQ(tab->selectedTab(), 0);
  int32_t code = 0;
  procLog().clear();
  procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m == WM_NOTIFY) code = reinterpret_cast<NMHDR*>(lp)->code;
    return 0;
  };
  tab->userSelected(1);
  tab->userSelected(1);  // no change, no message
  EXPECT_EQ(loggedMessages(dlg), std::vector<UINT>{WM_NOTIFY});
  EXPECT_EQ(procLog()[0].wParam, 40u);
  EXPECT_EQ(code, TCN_SELCHANGE);
}

TEST_F(ControlMessages, TreeItemsSearchAndClicks) {
  auto* tree =
      dynamic_cast<WEMU_TreeView*>(WEMU_MakeControl("", 50, "SysTreeView32", 0, 0, 0, 200, 200, 0));
  ASSERT_TRUE(tree);
  HTREEITEM a = tree->insertItem(nullptr, -1, "A", 1);
  HTREEITEM b = tree->insertItem(nullptr, -1, "B", 2);
  HTREEITEM a1 = tree->insertItem(a, -1, "A1", 3);
  HTREEITEM a2 = tree->insertItem(a, 0, "A2", 4);
  HTREEITEM a11 = tree->insertItem(a1, -1, nullptr, 5);
  struct Where {
    HTREEITEM item, parent;
    int index;
  } wheres[] = {{a, nullptr, 0}, {b, nullptr, 1}, {a2, a, 0}, {a1, a, 1}, {a11, a1, 0}};
  for (const Where& w : wheres) {
    HTREEITEM parent = reinterpret_cast<HTREEITEM>(1);
    int index = -1;
    ASSERT_TRUE(tree->findItem(w.item, &parent, &index));
    EXPECT_EQ(parent, w.parent);
    EXPECT_EQ(index, w.index);
  }
  EXPECT_EQ(tree->numberOfChildren(nullptr), 2);
  EXPECT_TRUE(tree->isItemExpandable(a));
  EXPECT_FALSE(tree->isItemExpandable(b));
  EXPECT_EQ(tree->child(a, 1), a1);
  EXPECT_EQ(tree->child(a, 2), nullptr);
  EXPECT_EQ(tree->objectValue(a2), "A2");
  EXPECT_EQ(tree->objectValue(a11), "");
  // A deleted item is refused everywhere, its subtree with it.
  ASSERT_TRUE(tree->selectItem(a11));
  EXPECT_TRUE(tree->deleteItem(a1));
  EXPECT_EQ(tree->selectedItem(), nullptr);
  EXPECT_FALSE(tree->deleteItem(a1));
  EXPECT_FALSE(tree->containsItem(a11));
  EXPECT_EQ(tree->insertItem(a1, -1, "x", 0), nullptr);
  EXPECT_EQ(tree->objectValue(a1), "");
  EXPECT_EQ(tree->numberOfChildren(a1), 0);

  // Selection colours: focused pair first, the other pair otherwise.
  COLORREF fill = 0;
  EXPECT_EQ(tree->selectionHighlight(&fill), WEMU_TreeView::Highlight::Inherited);
  tree->selColors = {0x111111, 0x222222, 0x333333, 0x444444};
  EXPECT_EQ(tree->selectionHighlight(&fill), WEMU_TreeView::Highlight::Nothing);
  tree->selectItem(b);
  EXPECT_EQ(tree->selectionHighlight(&fill), WEMU_TreeView::Highlight::Fill);
  EXPECT_EQ(fill, 0x333333u);
  EXPECT_FALSE(WEMU_ListViewCellHighlights(tree));

  // A right click the owner does not take becomes a context-menu request at the pointer.
  backend->mouse = {300, 200};
  std::vector<int32_t> codes;
  procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m == WM_NOTIFY) codes.push_back(reinterpret_cast<NMHDR*>(lp)->code);
    return 0;
  };
  procLog().clear();
  vq::platform::Event e;
  e.type = vq::platform::EventType::LeftMouseDown;
  tree->handleEvent(e);
  e.modifierFlags = vq::platform::kControlFlag;
  tree->handleEvent(e);  // Control+click: a right click on release
  e.type = vq::platform::EventType::LeftMouseUp;
  tree->handleEvent(e);
  // The press selects the row under it.
  EXPECT_EQ(codes, (std::vector<int32_t>{NM_CLICK, -402, NM_RCLICK}));
  EXPECT_EQ(loggedMessages(dlg),
            (std::vector<UINT>{WM_NOTIFY, WM_NOTIFY, WM_NOTIFY, WM_CONTEXTMENU}));
  EXPECT_EQ(procLog().back().wParam, reinterpret_cast<WPARAM>(static_cast<HWND__*>(tree)));
  EXPECT_EQ(procLog().back().lParam, (200 << 16) | 300);

  auto layout = WEMU_LayoutStatusCell({10, 0, 100, 16}, true);
  EXPECT_EQ(layout.image.width, 16);
  EXPECT_EQ(layout.text.x, 28);
  EXPECT_EQ(layout.text.width, 82);
}

}  // namespace
