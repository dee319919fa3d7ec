// Control events reach the dialog as the messages and codes of the notification table.
#include "wemu/control_notifications.h"
#include "notifying_controls.h"
#include "window_test_support.h"

namespace {

class FakeButton : public HWND__, public WEMU_RadioButton {
 public:
  FakeButton(int flags, bool on) : mFlags(flags), mOn(on) { publish(); }
  ~FakeButton() override { retire(); }
  int radioFlags() const override { return mFlags; }
  bool isOn() const override { return mOn; }
  void setOn(bool on) override { mOn = on; }
  int mFlags;
  bool mOn;
};

// Each control's own event (a press, a double click, a header click, a focus change) reaches
// the dialog as the message and code of the notification table.
TEST_F(WindowTest, ControlsRaiseTheirNotificationsFromTheirOwnEvents) {
  WEMU_DialogResourceIndex tmpl{40003, "Controls", 12, buildNotifyingControls, 420, 300, nullptr};
  HWND__* dlg = WEMU_CreateDialog(&tmpl, 40003, nullptr, recordingProc, 0);
  ASSERT_TRUE(dlg);
  struct Heard {
    UINT message;
    int code;  // WM_COMMAND's high word, or the WM_NOTIFY code
    int item = 0, subItem = 0;
    LPARAM param = 0;
    bool operator==(const Heard&) const = default;
  };
  std::vector<Heard> heard;
  procAnswer() = [&](HWND__* w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (w != dlg) return 0;
    if (m == WM_COMMAND && (wp >> 16) != 0x100) heard.push_back({m, int(wp >> 16)});
    if (m == WM_NOTIFY) {
      auto* rec = reinterpret_cast<NMLISTVIEW*>(lp);
      bool list = rec->hdr.code != -402;
      heard.push_back({m, rec->hdr.code, list ? rec->iItem : 0, list ? rec->iSubItem : 0,
                       list ? rec->lParam : 0});
    }
    return 0;
  };
  // A press (and release) at a point of a control, y down from its top.
  auto click = [](HWND__* id, double x, double y, int clicks) {
    vq::platform::Event e;
    e.clickCount = clicks;
    e.locationInWindow = id->convertToWindow({x, id->isFlipped() ? y : id->frame().height - y});
    for (auto t : {vq::platform::EventType::LeftMouseDown, vq::platform::EventType::LeftMouseUp}) {
      e.type = t;
      id->handleEvent(e);
    }
  };
  auto item = [&](int id) { return GetDlgItem(dlg, id); };
  vq::platform::Window* win = dlg->window();
  WEMU_ListView* list = WEMU_ListViewOf(item(50));
  double header = list->headerHeight(), pitch = list->rowPitch();
  struct Case {
    const char* what;
    std::function<void()> act;
    std::vector<Heard> expected;
  } cases[] = {
      {"list row double click",
       [&] { click(list, 150, header + pitch * 1.5, 2); },
       {{WM_NOTIFY, -101, 1}, {WM_NOTIFY, -2, 1, 1, 701}, {WM_NOTIFY, -3, 1, 1, 701}}},
      {"list header click", [&] { click(list, 150, header / 2, 1); }, {{WM_NOTIFY, -108, -1, 1}}},
      {"list box double click",
       [&] { click(item(51), 10, pitch * 2.5, 2); },
       {{WM_COMMAND, 1}, {WM_COMMAND, 2}}},
      {"tree row click",
       [&] { click(item(52), 10, 19 * 1.5, 1); },
       {{WM_NOTIFY, -2}, {WM_NOTIFY, -402}}},
      {"combo press", [&] { click(item(53), 5, 5, 1); }, {{WM_COMMAND, 7}}},
      {"text view typed, then left",
       [&] {
         win->makeFirstResponder(item(54));
         static_cast<WEMU_Control*>(item(54))->nativeTextChanged("notes");
         win->makeFirstResponder(item(55));
       },
       {{WM_COMMAND, 0x300}, {WM_COMMAND, 0x300}, {WM_COMMAND, 0x200}}},
      {"field left", [&] { win->makeFirstResponder(item(56)); }, {{WM_COMMAND, 0x200}}},
  };
  for (const Case& c : cases) {
    heard.clear();
    c.act();
    EXPECT_EQ(heard, c.expected) << c.what;
  }
  char text[32] = {};
  TVITEM got{TVIF_HANDLE | TVIF_TEXT, TreeView_GetSelection(item(52)), 0, 0, text, 32};
  ASSERT_TRUE(TreeView_GetItem(item(52), &got));
  EXPECT_STREQ(text, "Programs");
  DestroyWindow(dlg);
}

TEST_F(WindowTest, ARadioButtonSwitchesOnlyItsGroupOff) {
  HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  // Two groups: [0 1 2] and [3 4]; button 1 is clicked.
  FakeButton b[] = {{3, true}, {1, false}, {1, true}, {3, true}, {1, false}};
  for (FakeButton& x : b) dlg->addSubview(&x);
  b[1].setOn(true);
  WEMU_ControlNotify(&b[1], WEMU_ControlEvent::ButtonAction);
  bool expected[] = {false, true, false, true, false};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(b[i].isOn(), expected[i]) << i;
  for (FakeButton& x : b) x.removeFromSuperview();
}

}  // namespace
