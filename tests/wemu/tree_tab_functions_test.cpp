// Tab and tree functions over the tab and tree classes; list views made by the dialog
// builder; owner-drawn list-box rows; a press in a window view ends a pending promise.
#include "wemu/dialog_generation.h"
#include "wemu/drag_source.h"
#include "wemu/list_view.h"
#include "wemu/tree_tab_functions.h"
#include "window_test_support.h"

namespace {

class TreeTabTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    WEMU_MakeSetCurParms(1, 1, 0, 0, dlg, false, false);
    tree = dynamic_cast<WEMU_TreeView*>(
        WEMU_MakeControl("", 7, "SysTreeView32", 0, 0, 0, 200, 190, 0));
    tab = dynamic_cast<WEMU_TabView*>(
        WEMU_MakeControl("", 8, "SysTabControl32", 0, 0, 0, 200, 100, 0));
    procAnswer() = [this](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
      if (m == WM_NOTIFY) codes.push_back(reinterpret_cast<NMHDR*>(lp)->code);
      return 0;
    };
  }
  HTREEITEM insert(HTREEITEM parent, HTREEITEM after, const char* text, LPARAM param = 0) {
    TVINSERTSTRUCT ins{
        parent,
        after,
        {TVIF_TEXT | TVIF_PARAM, nullptr, 0, 0, const_cast<char*>(text), 0, 0, 0, 0, param}};
    return TreeView_InsertItem(tree, &ins);
  }
  std::vector<std::string> texts(HTREEITEM first) {
    std::vector<std::string> out;
    for (HTREEITEM i = first; i; i = TreeView_GetNextSibling(tree, i))
      out.push_back(i->text ? i->text : "");
    return out;
  }
  HWND__* dlg = nullptr;
  WEMU_TreeView* tree = nullptr;
  WEMU_TabView* tab = nullptr;
  std::vector<int32_t> codes;
};

TEST_F(TreeTabTest, TabsInsertQuietlyAndSelectWithinRange) {
  ASSERT_NE(tab, nullptr);
  TCITEM item{TCIF_TEXT, 0, 0, const_cast<char*>("one")};
  TCITEM noText{0};
  struct Case {
    int index;
    const TCITEM* item;
    int result;
  } inserts[] = {{5, &item, 0}, {-3, &item, 0}, {1, &item, 1}, {0, &noText, -1}};
  for (const Case& c : inserts) EXPECT_EQ(TabCtrl_InsertItem(tab, c.index, c.item), c.result);
  EXPECT_TRUE(codes.empty());
  EXPECT_EQ(TabCtrl_GetItemCount(tab), 3);
  EXPECT_EQ(TabCtrl_SetCurSel(tab, 9), TabCtrl_GetCurSel(tab));  // past the end: nothing changes
  EXPECT_EQ(TabCtrl_GetCurSel(tab), 2);  // the first tab, moved along by the inserts before it
  EXPECT_EQ(TabCtrl_SetCurSel(tab, 0), 2);
  EXPECT_EQ(TabCtrl_GetCurSel(tab), 0);
  EXPECT_EQ(codes, std::vector<int32_t>{TCN_SELCHANGE});
  EXPECT_TRUE(TabCtrl_DeleteItem(tab, 0));
  EXPECT_FALSE(TabCtrl_DeleteItem(tab, 5));
  RECT r{0, 0, 100, 100};
  TabCtrl_AdjustRect(tab, FALSE, &r);
  EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}),
            (std::vector<int>{7, 26, 93, 97}));
  TabCtrl_AdjustRect(tab, TRUE, &r);
  EXPECT_EQ((std::vector<int>{r.left, r.top, r.right, r.bottom}),
            (std::vector<int>{0, 0, 100, 100}));
  EXPECT_EQ(TabCtrl_GetItemCount(tree), 0);
}

TEST_F(TreeTabTest, TreeInsertionNavigationAndStaleItems) {
  ASSERT_NE(tree, nullptr);
  HTREEITEM a = insert(TVI_ROOT, TVI_LAST, "a");
  HTREEITEM c = insert(nullptr, TVI_LAST, "c");
  insert(TVI_ROOT, a, "b");
  insert(TVI_ROOT, TVI_FIRST, "0");
  EXPECT_EQ(texts(TreeView_GetRoot(tree)), (std::vector<std::string>{"0", "a", "b", "c"}));
  HTREEITEM a1 = insert(a, TVI_LAST, "a1");
  insert(a, c, "a0");  // after another parent's item: first
  EXPECT_EQ(texts(TreeView_GetChild(tree, a)), (std::vector<std::string>{"a0", "a1"}));
  EXPECT_EQ(TreeView_GetChild(tree, nullptr), TreeView_GetRoot(tree));

  struct Expand {
    int code, result;
    bool expanded;
  } expands[] = {{TVE_EXPAND, 1, true},
                 {TVE_EXPAND, 0, true},
                 {TVE_TOGGLE, 1, false},
                 {TVE_COLLAPSE, 0, false},
                 {9, 0, false}};
  for (const Expand& e : expands) {
    EXPECT_EQ(TreeView_Expand(tree, a, e.code), e.result) << e.code;
    EXPECT_EQ(a->expanded, e.expanded);
  }
  TreeView_Expand(tree, a, TVE_EXPAND);
  TVHITTESTINFO hit{{5, 2 * 19 + 3}};  // rows 0, a, a0, a1, b, c
  EXPECT_EQ(TreeView_HitTest(tree, &hit), TreeView_GetChild(tree, a));
  hit.pt = {5, 10 * 19};
  EXPECT_EQ(TreeView_HitTest(tree, &hit), nullptr);

  char buf[4] = "?";
  TVITEM get{TVIF_HANDLE | TVIF_TEXT, a1, 0, 0, buf, 0};
  EXPECT_TRUE(TreeView_GetItem(tree, &get));
  EXPECT_STREQ(buf, "?");  // no room: nothing copied
  TreeView_DeleteItem(tree, a);
  get.cchTextMax = sizeof buf;
  EXPECT_FALSE(TreeView_GetItem(tree, &get));  // deleted with its parent: refused, never read
  TVITEM set{TVIF_HANDLE | TVIF_TEXT, a1, 0, 0, const_cast<char*>("x")};
  EXPECT_FALSE(TreeView_SetItem(tree, &set));
  EXPECT_EQ(TreeView_Expand(tree, a1, TVE_EXPAND), 0);
  EXPECT_FALSE(TreeView_DeleteItem(tree, a1));
  EXPECT_EQ(TreeView_GetNextSibling(tree, a1), nullptr);
  EXPECT_EQ(insert(a1, TVI_LAST, "orphan"), nullptr);
}

TEST_F(TreeTabTest, TreeSelectionNotifiesTheDialog) {
  HTREEITEM a = insert(TVI_ROOT, TVI_LAST, "a", 41);
  HTREEITEM b = insert(TVI_ROOT, TVI_LAST, "b", 42);
  EXPECT_TRUE(TreeView_SelectItem(tree, a));
  TVITEM set{TVIF_HANDLE | TVIF_PARAM | TVIF_STATE, b, TVIS_SELECTED, TVIS_SELECTED};
  set.lParam = 43;
  EXPECT_TRUE(TreeView_SetItem(tree, &set));
  EXPECT_EQ(TreeView_GetSelection(tree), b);
  EXPECT_EQ(b->param, 43);
  EXPECT_EQ(codes, (std::vector<int32_t>{TVN_SELCHANGED, TVN_SELCHANGED}));
  TreeView_SetTextColor(tree, 0x10203040);
  EXPECT_EQ(tree->fgColor, COLORREF{0x203040});
  COLORREF sel[] = {1, 2};
  ListView_SetSelColors(tree, sel, 2);
  EXPECT_EQ(tree->selColors, (std::vector<COLORREF>{1, 2}));
  TreeView_DeleteAllItems(tree);
  EXPECT_EQ(TreeView_GetSelection(tree), nullptr);
}

TEST_F(TreeTabTest, DialogBuilderMakesListsAndOwnerDrawnRowsAskTheDialog) {
  auto* lb = dynamic_cast<WEMU_ListView*>(
      WEMU_MakeControl("", 9, "SysListView32_LB", LBS_OWNERDRAW, 0, 0, 120, 80, 0));
  ASSERT_NE(lb, nullptr);
  EXPECT_EQ(GetDlgItem(dlg, 9), lb);
  EXPECT_EQ(Header_GetItemCount(lb), 1);  // one wide column
  EXPECT_EQ(ListView_GetColumnWidth(lb, 0), 300);
  SendMessage(lb, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("row"));
  SendMessage(lb, LB_SETITEMDATA, 0, 77);
  HDC ctx = WEMU_CreateMemContext(nullptr, 10, 10);
  UINT_PTR data = 0;
  procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m == WM_DRAWITEM) data = reinterpret_cast<DRAWITEMSTRUCT*>(lp)->itemData;
    return 0;
  };
  EXPECT_TRUE(lb->drawOwnerDrawnRow(0, {0, 0, 120, 19}, ctx));
  EXPECT_EQ(data, 77u);
  EXPECT_FALSE(lb->drawOwnerDrawnRow(1, {0, 0, 120, 19}, ctx));
  WEMU_DeleteGfxContext(ctx);
  EXPECT_EQ(GetParent(tree), dlg);  // through its scroll view
}

TEST_F(TreeTabTest, APressInAWindowViewEndsAPromise) {
  WEMU_InitiateDragDrop(dlg, nullptr, "/src/a.pr4", [](const char*) {});
  ASSERT_TRUE(WEMU_Internal_HasPendingPromise());
  vq::platform::Event e;
  e.type = vq::platform::EventType::LeftMouseDown;
  e.window = dlg->window();
  dlg->handleEvent(e);
  EXPECT_FALSE(WEMU_Internal_HasPendingPromise());
}

}  // namespace
