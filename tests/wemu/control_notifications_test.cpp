// Control events reach the dialog as the messages and codes of the notification table.
#include "wemu/control_notifications.h"
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

TEST_F(WindowTest, ControlEventsBecomeTheTablesMessages) {
  HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  RecordingWindow control;
  control.setTag(40018);
  dlg->addSubview(&control);
  struct Case {
    WEMU_ControlEvent event;
    UINT message;
    int code;  // WM_COMMAND code, or WM_NOTIFY code
  } cases[] = {
      {WEMU_ControlEvent::ComboWillPopUp, WM_COMMAND, 7},
      {WEMU_ControlEvent::ComboSelectionChanged, WM_COMMAND, 1},
      {WEMU_ControlEvent::ComboTextChanged, WM_COMMAND, 5},
      {WEMU_ControlEvent::TextChanged, WM_COMMAND, 0x300},
      {WEMU_ControlEvent::EditingEnded, WM_COMMAND, 0x200},
      {WEMU_ControlEvent::PopUpAction, WM_COMMAND, 1},
      {WEMU_ControlEvent::ControlAction, WM_COMMAND, 0},
      {WEMU_ControlEvent::ListBoxDoubleClick, WM_COMMAND, 2},
      {WEMU_ControlEvent::SliderAction, WM_HSCROLL, 0},
      {WEMU_ControlEvent::ListSelectionChanged, WM_NOTIFY, -101},
      {WEMU_ControlEvent::ListHeaderClicked, WM_NOTIFY, -108},
      {WEMU_ControlEvent::ListDoubleClick, WM_NOTIFY, -3},
      {WEMU_ControlEvent::TreeSelectionChanged, WM_NOTIFY, -402},
  };
  int32_t notifyCode = 0, item = 0;
  procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m == WM_NOTIFY) {
      notifyCode = reinterpret_cast<NMHDR*>(lp)->code;
      item = notifyCode == -402 ? 0 : reinterpret_cast<NMLISTVIEW*>(lp)->iItem;
    }
    return 0;
  };
  for (const Case& c : cases) {
    procLog().clear();
    WEMU_ControlNotify(&control, c.event, {4, 2, 99, nullptr});
    ASSERT_EQ(procLog().size(), 1u) << int(c.event);
    const Logged& got = procLog()[0];
    EXPECT_EQ(got.message, c.message) << int(c.event);
    if (c.message == WM_COMMAND) {
      EXPECT_EQ(got.wParam, WPARAM(40018 | (c.code << 16))) << int(c.event);
      EXPECT_EQ(got.lParam, reinterpret_cast<LPARAM>(&control));
    } else if (c.message == WM_NOTIFY) {
      EXPECT_EQ(notifyCode, c.code);
      EXPECT_EQ(item, c.code == -108 ? -1 : c.code == -402 ? 0 : 4);
    }
  }
  procLog().clear();
  WEMU_ControlNotify(&control, WEMU_ControlEvent::TextViewEditingEnded);
  EXPECT_EQ(procLog().size(), 2u);
  control.removeFromSuperview();
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
