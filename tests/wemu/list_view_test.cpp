// The list view and list box model: rows, sorting, selection, notifications, owner data,
// geometry and mouse tracking.
#include <cstring>

#include "wemu/list_view.h"
#include "window_test_support.h"

namespace {

using vq::platform::Point;

class ListViewTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    procAnswer() = [this](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
      if (m == WM_NOTIFY) codes.push_back(reinterpret_cast<NMHDR*>(lp)->code);
      return 0;
    };
  }
  WEMU_ListView* make(int style, bool listBox = false) {
    return WEMU_ListView::create(dlg, 9, style | (listBox ? 0 : LVS_REPORT), listBox,
                                 {10, 10, 300, 17 + 10 * 19});
  }
  static int add(HWND__* l, const char* text, LPARAM param = 0, int at = 1000) {
    LVITEM it{};
    it.mask = LVIF_TEXT | LVIF_PARAM;
    it.iItem = at;
    it.pszText = const_cast<char*>(text);
    it.lParam = param;
    return ListView_InsertItem(l, &it);
  }
  static std::string text(HWND__* l, int row, int sub = 0) {
    char buf[64] = "x";
    ListView_GetItemText(l, row, sub, buf, sizeof buf);
    return buf;
  }
  std::vector<int32_t> notifyCodes() const { return codes; }
  std::vector<int32_t> codes;  // of the notifications the dialog heard
  HWND__* dlg = nullptr;
};

TEST_F(ListViewTest, SortedInsertPlacesEqualTextsAtTheEqualRow) {
  struct Case {
    int style;
    std::vector<const char*> texts;
    std::vector<int> positions;
  } cases[] = {
      {LVS_SORTASCENDING, {"b", "d", "c", "b"}, {0, 1, 1, 0}},
      {LVS_SORTDESCENDING, {"b", "d", "c", "b"}, {0, 0, 1, 2}},
      {0, {"b", "a"}, {0, 1}},
  };
  for (const Case& c : cases) {
    WEMU_ListView* l = make(c.style);
    for (size_t i = 0; i < c.texts.size(); ++i)
      EXPECT_EQ(add(l, c.texts[i]), c.positions[i]) << c.style << i;
  }
}

TEST_F(ListViewTest, SelectionFollowsInsertDeleteAndSort) {
  WEMU_ListView* l = make(0);
  for (LPARAM p : {31, 20, 32, 21}) add(l, "r", p);
  ListView_SetItemState(l, 0, LVIS_SELECTED, LVIS_SELECTED);
  ListView_SetItemState(l, 2, LVIS_SELECTED, LVIS_SELECTED);
  add(l, "new", 90, 1);  // selection moves down: rows 0 and 3
  EXPECT_EQ(ListView_GetNextItem(l, -1, LVNI_SELECTED_AFTER), 0);
  EXPECT_EQ(ListView_GetNextItem(l, 0, LVNI_SELECTED_AFTER), 3);
  ListView_DeleteItem(l, 4);  // the last row: the others keep theirs
  EXPECT_EQ(ListView_GetSelectedCount(l), 2);
  ListView_SortItems(
      l, [](LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(a / 10 - b / 10); }, 0);
  std::vector<LPARAM> params;
  for (int i = 0; i < 4; ++i) {
    LVITEM it{LVIF_PARAM | LVIF_STATE, i, 0, 0, LVIS_SELECTED};
    ListView_GetItem(l, &it);
    params.push_back(it.lParam * 10 + (it.state & LVIS_SELECTED));
  }
  // Stable (31 and 32 compare equal) and the selected rows stay selected.
  EXPECT_EQ(params, (std::vector<LPARAM>{200, 311, 321, 900}));
}

TEST_F(ListViewTest, ItemStateNotifiesOnlyForOneRow) {
  WEMU_ListView* l = make(0);
  for (int i = 0; i < 3; ++i) add(l, "r");
  ListView_SetItemState(l, -1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(ListView_GetSelectedCount(l), 3);
  EXPECT_TRUE(notifyCodes().empty());
  ListView_SetItemState(l, 1, 0, LVIS_SELECTED);
  ListView_SetItemState(l, 1, 0, LVIS_SELECTED);  // no change, no message
  EXPECT_EQ(notifyCodes(), (std::vector<int32_t>{LVN_ITEMCHANGED}));
  ListView_SetItemState(l, 2, 0x30000, LVIS_STATEIMAGEMASK);
  EXPECT_EQ(ListView_GetItemState(l, 2, LVIS_STATEIMAGEMASK | LVIS_SELECTED), 0x30001u);
}

TEST_F(ListViewTest, TextsAreBoundedAndSubItemsChecked) {
  WEMU_ListView* l = make(0);
  add(l, "h\xC3\xA9llo");
  struct Case {
    int sub;
    const char* set;
    const char* want;
  } cases[] = {{1, "one", "one"}, {31, "last", "last"}, {32, "no", ""}, {-1, "no", ""}};
  for (const Case& c : cases) {
    ListView_SetItemText(l, 0, c.sub, c.set);
    EXPECT_EQ(text(l, 0, c.sub), c.want) << c.sub;
  }
  EXPECT_EQ(text(l, 0, 5), "");  // filled with empty texts up to 31
  struct Cap {
    int size;
    const char* want;
  } caps[] = {{0, "?"}, {1, ""}, {3, "h"}, {4, "h\xC3\xA9"}};
  for (const Cap& c : caps) {
    char buf[8] = "?";
    ListView_GetItemText(l, 0, 0, buf, c.size);
    EXPECT_STREQ(buf, c.want) << c.size;
  }
  ListView_GetItemText(l, 0, 0, nullptr, 10);  // no buffer: nothing copied, no crash
}

TEST_F(ListViewTest, OwnerDataAsksPerCellWithTheImageListMask) {
  WEMU_ListView* l = make(LVS_OWNERDATA);
  LVCOLUMN col{LVCF_WIDTH, 0, 80};
  ListView_InsertColumn(l, 0, &col);
  ListView_SetItemCount(l, 5);
  EXPECT_EQ(add(l, "refused"), -1);
  HIMAGELIST images = ImageList_CreateEx(16, 16, 0, 0, 0);
  struct Case {
    int type;
    UINT mask;
  } cases[] = {{-1, 0x1}, {LVSIL_SMALL, 0x3}, {LVSIL_STATE, 0x9}};
  for (const Case& c : cases) {
    ListView_SetImageList(l, c.type < 0 ? nullptr : images, c.type);
    UINT seen = 0;
    procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
      if (m != WM_NOTIFY) return 0;
      auto* info = reinterpret_cast<NMLVDISPINFO*>(lp);
      seen = info->item.mask;
      EXPECT_EQ(info->hdr.code, LVN_GETDISPINFO);
      EXPECT_EQ(info->item.cchTextMax, 1023);
      info->item.pszText = c.type == LVSIL_STATE ? nullptr : const_cast<char*>("own");
      return 0;
    };
    EXPECT_EQ(l->cellValue(4, 0).text, c.type == LVSIL_STATE ? "" : "own");
    EXPECT_EQ(seen, c.mask);
  }
  procAnswer() = nullptr;
  ListView_SetImageList(l, nullptr, -1);
  ImageList_Destroy(images);
}

TEST_F(ListViewTest, GeometryNeverDividesByZeroAndHitTestFlagsOutside) {
  WEMU_ListView* l = make(0);
  LVCOLUMN col{LVCF_WIDTH, 0, 100};
  ListView_InsertColumn(l, 0, &col);
  ListView_InsertColumn(l, 1, &col);
  for (int i = 0; i < 30; ++i) add(l, "r");
  EXPECT_EQ(ListView_GetCountPerPage(l), 190 / 17);
  ListView_Scroll(l, 0, 17 * 5);  // row 5 is in view already
  EXPECT_EQ(ListView_GetTopIndex(l), 0);
  ListView_Scroll(l, 0, 17 * 20);  // row 20 comes in at the bottom
  EXPECT_EQ(ListView_GetTopIndex(l), (20 * 19 + 19 - 190) / 19);
  struct Hit {
    POINT pt;
    UINT flags;
    int item;
  } hits[] = {{{-5, 10}, LVHT_TOLEFT, -1},
              {{10, -500}, LVHT_ABOVE, -1},
              {{900, 10000}, LVHT_TORIGHT | LVHT_BELOW, -1},
              {{10, 100}, LVHT_ONITEMLABEL, 5}};
  l->scrollTo({0, 0});
  for (const Hit& h : hits) {
    LVHITTESTINFO info{h.pt};
    EXPECT_EQ(ListView_HitTest(l, &info), h.item);
    EXPECT_EQ(info.flags, h.flags);
  }
  l->rowHeight = 0.5;
  ListView_SetColumnWidth(l, 0, 0);  // hidden
  EXPECT_EQ(ListView_GetCountPerPage(l), 0);
  EXPECT_TRUE(ListView_Scroll(l, 50, 50));
  EXPECT_EQ(ListView_GetColumnWidth(l, 0), 0);
}

TEST_F(ListViewTest, MouseTrackingReportsClicksAndDrags) {
  WEMU_ListView* l = make(0);
  LVCOLUMN col{LVCF_WIDTH, 0, 100};
  ListView_InsertColumn(l, 0, &col);
  ListView_InsertColumn(l, 1, &col);
  for (int i = 0; i < 5; ++i) add(l, "r", 100 + i);
  // Plain click: selection on mouse up, then a click notification.
  l->mouseDown({10, 2 * 19 + 3}, false);
  EXPECT_EQ(ListView_GetSelectedCount(l), 0);
  l->mouseUp({10, 2 * 19 + 3}, false, {}, false);
  EXPECT_EQ(ListView_GetSelectionMark(l), 2);
  EXPECT_EQ(notifyCodes(), (std::vector<int32_t>{-101, -2}));
  procLog().clear();
  codes.clear();
  // A drag begins on the fourth move; later moves are forwarded, the release too.
  l->mouseDown({10, 3 * 19 + 3}, false);
  for (int i = 0; i < 5; ++i) l->mouseDragged({1, 2});
  l->mouseUp({10, 3 * 19 + 3}, false, {1, 2}, false);
  EXPECT_EQ(notifyCodes(), (std::vector<int32_t>{LVN_BEGINDRAG}));
  EXPECT_EQ(loggedMessages(dlg, {WM_NOTIFY}), (std::vector<UINT>{WM_MOUSEMOVE, 0x202}));
  EXPECT_EQ(ListView_GetSelectedCount(l), 1);  // the start row, taken without extending
  procLog().clear();
  codes.clear();
  // A fast-click column reports at mouse down, and not again at mouse up.
  WEMU_SetListViewFastClickMask(l, 0x2);
  l->mouseDown({150, 3}, false);
  EXPECT_EQ(notifyCodes(), (std::vector<int32_t>{-2}));
  l->mouseUp({150, 3}, false, {}, false);
  EXPECT_EQ(notifyCodes().size(), 1u);
}

TEST_F(ListViewTest, ListBoxMessages) {
  WEMU_ListView* lb = make(LBS_SORT, true);
  struct Msg {
    UINT message;
    WPARAM wParam;
    const char* text;
    LRESULT want;
  } msgs[] = {{0x180, 0, "b", 0},      {0x180, 0, "a", 0},      {0x181, ~WPARAM{0}, "z", 2},
              {0x18B, 0, nullptr, 3},  {0x186, 1, nullptr, 0},  {0x188, 0, nullptr, 1},
              {0x18A, 2, nullptr, 1},  {0x18A, 7, nullptr, -1}, {0x186, 9, nullptr, 0},
              {0x188, 0, nullptr, -1}, {0x190, 0, nullptr, 0}};
  for (const Msg& m : msgs)
    EXPECT_EQ(SendMessage(lb, m.message, m.wParam, reinterpret_cast<LPARAM>(m.text)), m.want)
        << m.message;
  char buf[8];
  EXPECT_EQ(SendMessage(lb, 0x183, 1, reinterpret_cast<LPARAM>(buf)), 1);
  EXPECT_STREQ(buf, "b");
  EXPECT_EQ(SendMessage(lb, 0x183, 5, reinterpret_cast<LPARAM>(buf)), -1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(SendMessage(lb, 0x183, 1, 0), -1);
}

}  // namespace
