// Buttons, combo boxes and trackbars through the dialog functions.
#include "wemu/control_functions.h"

#include "wemu/dialog_generation.h"
#include "window_test_support.h"

namespace {

class ControlFunctions : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    WEMU_MakeSetCurParms(1, 1, 0, 0, dlg, false, false);
  }
  std::vector<std::string> texts(int id) {
    std::vector<std::string> out;
    char buf[64];
    for (int i = 0; i < WEMU_CB_GetNumItems(dlg, id); ++i) {
      WEMU_CB_GetItemText(dlg, id, i, buf, sizeof buf);
      out.push_back(buf);
    }
    return out;
  }
  HWND__* dlg = nullptr;
};

TEST_F(ControlFunctions, InsertionPositionsSortedAndUnsorted) {
  WEMU_MakeCombo(1, 0, 0, 100, 20, 3 | WEMU_CBS_SORT);  // sorted pop-up
  WEMU_MakeCombo(2, 0, 30, 100, 20, 0);                 // unsorted combo box
  std::vector<int> sorted, plain;
  for (const char* t : {"b", "a", "c"}) {
    sorted.push_back(WEMU_CB_AddString(dlg, 1, t));
    plain.push_back(WEMU_CB_AddString(dlg, 2, t));
  }
  EXPECT_EQ(sorted, (std::vector<int>{0, 0, 2}));
  EXPECT_EQ(texts(1), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(plain, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(WEMU_CB_InsertString(dlg, 2, 99, "end"), 3);
  EXPECT_EQ(WEMU_CB_InsertString(dlg, 2, -5, "first"), 0);
  EXPECT_EQ(WEMU_CB_AddString(dlg, 77, "x"), 0);  // no control

  // Many sorted appends keep the list in order.
  WEMU_MakeCombo(3, 0, 60, 100, 20, 3 | WEMU_CBS_SORT);
  uint32_t seed = 7;
  for (int i = 0; i < 200; ++i) {
    seed = seed * 1103515245 + 12345;
    WEMU_CB_AddString(dlg, 3, std::to_string((seed >> 8) % 50).c_str());
  }
  std::vector<std::string> all = texts(3);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
}

TEST_F(ControlFunctions, TextsDataSelectionAndSearch) {
  WEMU_MakeCombo(1, 0, 0, 100, 20, 0);
  for (const char* t : {"Alpha", "beta", "Alphabet", "gr\xC3\xBC\xC3\x9F"})
    WEMU_CB_AddString(dlg, 1, t);
  for (int i = 0; i < 4; ++i) WEMU_CB_SetItemData(dlg, 1, i, 100 + i);
  WEMU_CB_DeleteString(dlg, 1, 1);
  EXPECT_EQ(WEMU_CB_GetItemData(dlg, 1, 1), 102);  // values move with their items
  EXPECT_EQ(WEMU_CB_GetItemData(dlg, 1, 9), 0);

  char buf[8] = "zz";
  EXPECT_EQ(WEMU_CB_GetItemText(dlg, 1, 7, buf, sizeof buf), -1);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(WEMU_CB_GetItemText(dlg, 1, 2, nullptr, 0), 6 + 64);
  // A small buffer gets whole characters only: "gr" and the first two-byte letter.
  char small[5];
  EXPECT_EQ(WEMU_CB_GetItemText(dlg, 1, 2, small, sizeof small), 1);
  EXPECT_STREQ(small, "gr\xC3\xBC");

  struct Find {
    int start;
    const char* text;
    bool exact;
    int want;
  } finds[] = {{-1, "alpha", false, 0},
               {0, "alpha", false, 1},
               {-1, "ALPHABET", true, 1},
               {-1, "alp", true, -1},
               {1, "alpha", false, -1}};
  for (const Find& f : finds)
    EXPECT_EQ(WEMU_CB_FindString(dlg, 1, f.start, f.text, f.exact), f.want) << f.text;

  WEMU_CB_SetCurSel(dlg, 1, 2);
  EXPECT_EQ(WEMU_CB_GetCurSel(dlg, 1), 2);
  WEMU_CB_SetCurSel(dlg, 1, -1);
  EXPECT_EQ(WEMU_CB_GetCurSel(dlg, 1), -1);
  WEMU_CB_Empty(dlg, 1);
  EXPECT_EQ(WEMU_CB_GetNumItems(dlg, 1), 0);
  EXPECT_EQ(WEMU_CB_GetCurSel(dlg, 99), -1);
}

TEST_F(ControlFunctions, ButtonStatesAndTrackbars) {
  WEMU_MakeCheckBox("Box", 5, 0, 0, 50, 18, 0);
  struct Check {
    int set, want;
  } checks[] = {{1, 1}, {0, 0}, {2, 2}, {3, 2}};
  for (const Check& c : checks) {
    CheckDlgButton(dlg, 5, c.set);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 5), c.want) << c.set;
  }
  EXPECT_EQ(IsDlgButtonChecked(dlg, 99), 0);
  // The window longs of controls: a check box's kind, a list's own style, a button's user value.
  HWND__* box = GetDlgItem(dlg, 5);
  EXPECT_EQ(GetWindowLong(box, GWL_STYLE), 3 | 0x40000000);
  EXPECT_EQ(SetWindowLong(box, GWL_STYLE, 9 | 0x20000), 3 | 0x40000000);
  EXPECT_EQ(GetWindowLong(box, GWL_STYLE), 9 | 0x20000 | 0x40000000);
  EXPECT_EQ(SetWindowLong(box, GWL_USERDATA, 77), 0);
  EXPECT_EQ(GetWindowLong(box, GWL_USERDATA), 77);
  HWND__* list = WEMU_MakeCombo(8, 0, 60, 100, 20, 3);
  EXPECT_EQ(SetWindowLong(list, GWL_STYLE, 3 | WEMU_CBS_SORT), 3);
  EXPECT_EQ(GetWindowLong(list, GWL_STYLE), 3 | WEMU_CBS_SORT);

  WEMU_MakeControl("", 6, "msctls_trackbar32", 0, 0, 30, 100, 20, 0);
  WEMU_TB_SetRange(dlg, 6, 10, 20);
  WEMU_TB_SetPos(dlg, 6, 50);
  EXPECT_EQ(WEMU_TB_GetPos(dlg, 6), 20);  // kept in range
  WEMU_TB_SetPos(dlg, 6, 12);
  EXPECT_EQ(WEMU_TB_GetPos(dlg, 6), 12);

  // A custom trackbar view gets the trackbar messages.
  RecordingWindow custom;
  custom.setTag(7);
  dlg->addSubview(&custom);
  custom.result = 33;
  WEMU_TB_SetRange(dlg, 7, 5, 300);
  WEMU_TB_SetPos(dlg, 7, 9);
  WEMU_TB_SetTic(dlg, 7, 4);
  EXPECT_EQ(WEMU_TB_GetPos(dlg, 7), 33);
  EXPECT_EQ(custom.messages(),
            (std::vector<RecordedMessage>{
                {0x406, 1, 5 | (300 << 16)}, {0x405, 1, 9}, {0x404, 0, 4}, {0x400, 0, 0}}));
  custom.removeFromSuperview();
}

}  // namespace
