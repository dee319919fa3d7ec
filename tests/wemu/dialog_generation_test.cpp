// Dialogs built from control lists: placement, kinds, styles, the default button, focus order.
#include "wemu/dialog_generation.h"

#include "wemu/control_functions.h"
#include "wemu/progress_bar.h"
#include "wemu/tab_view.h"
#include "wemu/tree_view.h"
#include "window_test_support.h"

namespace {

// The shell's Preferences dialog.
const DialogControlEntry kPrefs[] = {
    {"__WEMU_GROUP", 0, "MIDI Settings", -1, 5, 5, 400, 120, 0},
    {"__WEMU_LABEL", -1, "VQ Input Device", -1, 20, 25, 100, 20, 0},
    {"__WEMU_LABEL", -1, "Keyboard Input Device", -1, 210, 25, 120, 20, 0},
    {"__WEMU_COMBO", 0, "", 40018, 20, 43, 180, 100, 3},
    {"__WEMU_COMBO", 0, "", 40035, 210, 43, 180, 100, 3},
    {"__WEMU_LABEL", -1, "VQ Output Device", -1, 20, 70, 100, 20, 0},
    {"__WEMU_COMBO", 0, "", 40019, 20, 88, 180, 100, 3},
    {"__WEMU_BUTTON", 1, "OK", 1, 192, 133, 50, 20, 0},
    {"__WEMU_BUTTON", 0, "Apply", 40024, 132, 133, 50, 20, 0},
    {"__WEMU_BUTTON", 0, "Cancel", 2, 252, 133, 50, 20, 0},
};

void buildPrefs(HWND__* view, int flags) {
  WEMU_MakeSetCurParms(1, 1, 0, 0, view, false, !(flags & 8));
  WEMU_GenerateDialogFromList(kPrefs, 10);
}

class DialogGeneration : public WindowTest {
 protected:
  HWND__* makeOwner() {
    HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    WEMU_MakeSetCurParms(1, 1, 0, 0, dlg, false, false);
    return dlg;
  }
};

TEST_F(DialogGeneration, PreferencesControlsTakeTheirRecordPlaces) {
  prefs.createfunc = buildPrefs;
  HWND__* dlg = WEMU_CreateDialog(list, 40002, nullptr, recordingProc, 0);
  ASSERT_TRUE(dlg);
  struct Want {
    int id;
    double x, y, w, h;
  } want[] = {{40018, 20, 43, 180, 18}, {40035, 210, 43, 180, 18}, {40019, 20, 88, 180, 18},
              {1, 192, 133, 50, 20},    {40024, 132, 133, 50, 20}, {2, 252, 133, 50, 20}};
  for (const Want& w : want) {
    HWND__* c = GetDlgItem(dlg, w.id);
    ASSERT_TRUE(c) << w.id;
    vq::platform::Rect f = c->frame();
    EXPECT_EQ((std::vector<double>{f.x, f.y, f.width, f.height}),
              (std::vector<double>{w.x, w.y, w.w, w.h}))
        << w.id;
  }
  EXPECT_TRUE(dynamic_cast<WEMU_PopUpButton*>(GetDlgItem(dlg, 40018)));
  // The group box lies below everything, one pixel up and three higher.
  auto* box = dynamic_cast<WEMU_GroupBox*>(dlg->subviews().front());
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, "MIDI Settings");
  EXPECT_EQ(box->frame().y, 4);
  EXPECT_EQ(box->frame().height, 123);
  EXPECT_EQ(WEMU_GetDefaultButtonID(dlg, 1), 1);
  char text[32];
  GetDlgItemText(dlg, 40024, text, sizeof text);
  EXPECT_STREQ(text, "Apply");
  // The first control that takes the focus is the first button (pop-ups do not).
  auto initDialog = std::find_if(procLog().begin(), procLog().end(),
                                 [](const Logged& l) { return l.message == WM_INITDIALOG; });
  ASSERT_NE(initDialog, procLog().end());
  EXPECT_EQ(initDialog->wParam, reinterpret_cast<WPARAM>(GetDlgItem(dlg, 1)));
  // Keyboard order follows the records, the group box first.
  std::vector<int64_t> order;
  for (auto* v : dlg->subviews()) order.push_back(v->tag());
  EXPECT_EQ(order, (std::vector<int64_t>{-1, -1, -1, 40018, 40035, -1, 40019, 1, 40024, 2}));
  // A click on Apply and a device chosen reach the dialog as their commands.
  procLog().clear();
  dynamic_cast<WEMU_Button*>(GetDlgItem(dlg, 40024))->performClick();
  WEMU_CB_AddString(dlg, 40019, "off");
  WEMU_CB_AddString(dlg, 40019, "Port 1");
  dynamic_cast<WEMU_PopUpButton*>(GetDlgItem(dlg, 40019))->userChose(1);
  ASSERT_EQ(loggedMessages(dlg), (std::vector<UINT>{WM_COMMAND, WM_COMMAND}));
  EXPECT_EQ(procLog()[0].wParam, 40024u);
  EXPECT_EQ(procLog()[1].wParam, 40019u | (1u << 16));
  EXPECT_EQ(WEMU_CB_GetCurSel(dlg, 40019), 1);
}

HWND__* customCreator(vq::platform::View* owner, const char* text, int id, const char* cls, int,
                      int x, int y, int w, int h) {
  if (std::string(cls) != "Custom") return nullptr;
  auto* box = WEMU_NewControl<WEMU_GroupBox>();
  box->title = text;
  box->setTag(id);
  box->setFrame({double(x), double(y), double(w), double(h)});
  owner->addSubview(box);
  return box;
}

TEST_F(DialogGeneration, CreatorsQueriesAndReports) {
  HWND__* dlg = makeOwner();
  WEMU_RegisterCustomControlCreator(customCreator);
  WEMU_RegisterCustomControlCreator(customCreator);
  WEMU_UnregisterCustomControlCreator(customCreator);  // still registered once
  HWND__* custom = WEMU_MakeControl("mine", 60, "Custom", 0, 1, 2, 3, 4, 0);
  WEMU_UnregisterCustomControlCreator(customCreator);
  EXPECT_FALSE(WEMU_MakeControl("mine", 61, "Custom", 0, 1, 2, 3, 4, 0));
  HWND__* button = WEMU_MakeButton(0, "Go", 62, 0, 0, 10, 10, 0);
  HWND__* field = WEMU_MakeEditField(63, 0, 0, 10, 10, 0);
  struct Query {
    HWND__* h;
    bool group, isButton, text;
  } queries[] = {{custom, true, false, false},
                 {button, false, true, false},
                 {field, false, false, true},
                 {nullptr, false, false, false}};
  for (const Query& q : queries) {
    EXPECT_EQ(WEMU_IsGroupBox(q.h), q.group);
    EXPECT_EQ(WEMU_IsButton(q.h), q.isButton);
    EXPECT_EQ(WEMU_IsStaticText(q.h), q.text);
  }
  RECT size{}, longer{};
  WEMU_GetDesiredControlSize(button, &size);
  SetDlgItemText(dlg, 62, "Go somewhere else");
  WEMU_GetDesiredControlSize(button, &longer);
  EXPECT_EQ(size.left, 0);
  EXPECT_GT(size.right, 10);
  EXPECT_GT(longer.right, size.right);
  EXPECT_EQ(button->frame().width, 10);  // asking leaves the frame alone

  // Focus gained and text set report to the dialog; a changed control marks its dialog.
  procLog().clear();
  field->window()->makeFirstResponder(field);
  SetDlgItemText(dlg, 63, "x");
  ASSERT_EQ(loggedMessages(dlg), (std::vector<UINT>{WM_COMMAND, WM_COMMAND}));
  EXPECT_EQ(procLog()[0].wParam, 63u | (0x100u << 16));
  EXPECT_EQ(procLog()[1].wParam, 63u | (0x300u << 16));
  dynamic_cast<WEMU_WindowView*>(dlg)->isDirty = 0;
  CheckDlgButton(dlg, 62, 1);
  EXPECT_EQ(dynamic_cast<WEMU_WindowView*>(dlg)->isDirty, 2);

  // An owner-drawn button asks its dialog to draw it.
  auto* od = dynamic_cast<WEMU_Button*>(WEMU_MakeControl("", 64, "Button", 11, 5, 6, 20, 10, 0));
  ASSERT_TRUE(od);
  DRAWITEMSTRUCT item{};
  procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m == WM_DRAWITEM) item = *reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    return 0;
  };
  HDC ctx = WEMU_CreateMemContext(nullptr, 40, 40);
  EXPECT_TRUE(od->drawOwnerDrawn(ctx));
  EXPECT_EQ(item.CtlType, 4u);
  EXPECT_EQ(item.CtlID, 64u);
  EXPECT_EQ(item.hwndItem, od);
  EXPECT_EQ(item.hDC, ctx);
  EXPECT_EQ(
      (std::vector<int>{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom}),
      (std::vector<int>{5, 6, 25, 16}));
  WEMU_DeleteGfxContext(ctx);
}

TEST_F(DialogGeneration, RecordKindsAndStylesMakeTheirControls) {
  HWND__* dlg = makeOwner();
  const DialogControlEntry rows[] = {
      {"__WEMU_EDIT", 0, nullptr, 10, 0, 0, 100, 18, 0x20 | 0x2},
      {"__WEMU_COMBO", 0, nullptr, 11, 0, 30, 100, 100, 0},
      {"__WEMU_CHECKBOX", 0, "&Check", 12, 0, 60, 100, 18, 0},
      {"Hidden", 13, "static", int32_t(0x80000000u | 1), 0, 90, 100, 18, 0},
      {"skip me", 99, "", 0, 0, 0, 1, 1, 0},
      {"", 14, "msctls_progress32", 0, 0, 120, 100, 10, 0},
      {"", 15, "SysTabControl32", 0, 0, 140, 100, 50, 0},
      {"", 16, "SysTreeView32", 0, 0, 200, 100, 80, 0},
      {"", 17, "msctls_trackbar32", 0, 0, 290, 100, 20, 0},
      {"", 18, "Edit", int32_t(WEMU_WS_VSCROLL), 0, 320, 100, 60, 0},
      {"", 19, "NoSuchClass", 0, 0, 0, 10, 10, 0},
  };
  WEMU_GenerateDialogFromList(rows, 11);
  auto* edit = dynamic_cast<WEMU_TextField*>(GetDlgItem(dlg, 10));
  ASSERT_TRUE(edit);
  EXPECT_TRUE(edit->secure);
  EXPECT_EQ(edit->alignment, WEMU_TextAlignment::Right);
  EXPECT_FALSE(edit->wraps);
  auto* combo = dynamic_cast<WEMU_ComboBox*>(GetDlgItem(dlg, 11));
  ASSERT_TRUE(combo);
  EXPECT_EQ(combo->frame().y, 29);
  EXPECT_EQ(combo->frame().height, 22);
  auto* check = dynamic_cast<WEMU_Button*>(GetDlgItem(dlg, 12));
  ASSERT_TRUE(check);
  EXPECT_EQ(check->type, WEMU_Button::Type::Switch);
  EXPECT_EQ(check->title, "Check");
  EXPECT_TRUE(GetDlgItem(dlg, 13)->isHidden());
  EXPECT_FALSE(GetDlgItem(dlg, 99));
  EXPECT_TRUE(dynamic_cast<WEMU_ProgressBar*>(GetDlgItem(dlg, 14)));
  auto* tab = dynamic_cast<WEMU_TabView*>(GetDlgItem(dlg, 15));
  ASSERT_TRUE(tab);
  EXPECT_EQ(tab->frame().y, 139);
  EXPECT_EQ(tab->frame().height, 56);
  EXPECT_EQ(tab->notificationWindow(), dlg);
  // Document views are found through their scroll views.
  EXPECT_TRUE(dynamic_cast<WEMU_TreeView*>(GetDlgItem(dlg, 16)));
  EXPECT_TRUE(dynamic_cast<WEMU_Slider*>(GetDlgItem(dlg, 17)));
  EXPECT_EQ(dynamic_cast<WEMU_Slider*>(GetDlgItem(dlg, 17))->maxValue, 1000);
  EXPECT_TRUE(dynamic_cast<WEMU_TextView*>(GetDlgItem(dlg, 18)));
  EXPECT_FALSE(GetDlgItem(dlg, 19));
  WEMU_GenerateDialogFromList(rows, 0);  // nothing
}

TEST_F(DialogGeneration, TextsRectanglesAndRadioGroups) {
  struct Amp {
    std::string in, out;
  } amps[] = {{"&File", "File"},
              {"a&&b", "a&b"},
              {"end&", "end"},
              {std::string(1024, '&'), std::string(1024, '&')}};
  for (const Amp& a : amps) EXPECT_EQ(WEMU_StripAmpersands(a.in.c_str()), a.out) << a.in.size();

  HWND__* dlg = makeOwner();
  // A window given as owner places controls in its content view; negative sizes are pixels.
  WEMU_MakeSetCurParms(2, 2, 0, 0, windowOf(dlg), false, false);
  HWND__* pix = WEMU_MakeControl("", 30, "msctls_progress32", 0, -7, -9, -11, -13, 0);
  ASSERT_EQ(pix->superview(), dlg);
  EXPECT_EQ(pix->frame().x, 7);
  EXPECT_EQ(pix->frame().height, 13);
  HWND__* scaled = WEMU_MakeControl("", 31, "msctls_progress32", 0, 7, 9, 11, 13, 0);
  EXPECT_EQ(scaled->frame().y, 800 - 18 - 26);  // the window is no flipped view: bottom-up
  EXPECT_EQ(scaled->frame().width, 22);

  WEMU_MakeSetCurParms(1, 1, 0, 0, dlg, false, false);
  EXPECT_TRUE(WEMU_MakeButton(0, reinterpret_cast<const char*>(uintptr_t{7}), 32, 0, 0, 10, 10, 0));
  EXPECT_EQ(dynamic_cast<WEMU_Button*>(GetDlgItem(dlg, 32))->title, "ICONTEMP");
  auto radio = [&](int id, int style) {
    return dynamic_cast<WEMU_Button*>(
        WEMU_MakeControl("r", id, "Button", style | 9, 0, 0, 10, 10, 0));
  };
  WEMU_Button* a = radio(40, WEMU_BS_GROUPSTART);
  WEMU_Button* b = radio(41, 0);
  WEMU_Button* c = radio(42, 0);
  // A starts a group; after a group start B counts on, C stays with B.
  EXPECT_EQ(a->radioFlags(), 3);
  EXPECT_EQ(b->radioFlags(), 1);
  EXPECT_EQ(b->actionGroup, (a->actionGroup + 1) % 8);
  EXPECT_EQ(c->actionGroup, b->actionGroup);
  WEMU_Button* d = radio(43, WEMU_BS_GROUPSTART);
  EXPECT_EQ(d->actionGroup, (c->actionGroup + 1) % 8);
}

TEST_F(DialogGeneration, AutoRightMovesAnOverlappingNeighbour) {
  HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  WEMU_MakeSetCurParms(1, 1, 0, 0, dlg, true, true);
  HWND__* label = WEMU_MakeLabel(-1, "A long label text", 1, 10, 10, 20, 20, 0);
  double reach = label->frame().x + label->frame().width;
  ASSERT_GT(reach, 30);  // sized to fit past its planned right edge
  HWND__* next = WEMU_MakeEditField(2, 40, 10, 50, 18, 0);
  EXPECT_EQ(next->frame().x, 40 + (reach - 30));
  HWND__* far = WEMU_MakeEditField(3, 200, 10, 50, 18, 0);
  EXPECT_EQ(far->frame().x, 200);
}

}  // namespace
