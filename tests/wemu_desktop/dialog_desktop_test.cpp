// A generated dialog on a real display: its controls are native widgets that answer real
// clicks and keys with the dialog's messages, and show what the program sets.
#include "platform/gtk/desktop_controls.h"
#include "platform_gtk/desktop_fixture.h"
#include "wemu/control_functions.h"
#include "wemu/dialog_generation.h"
#include "wemu/window_test_support.h"

namespace {

using namespace vq::test;

const DialogControlEntry kRows[] = {
    {"__WEMU_LABEL", -1, "VQ Output Device", -1, 20, 70, 100, 20, 0},
    {"__WEMU_COMBO", 0, "", 40019, 20, 88, 180, 100, 3},
    {"__WEMU_EDIT", 0, nullptr, 40050, 310, 133, 90, 20, 0},
    {"__WEMU_BUTTON", 1, "OK", 1, 192, 133, 50, 20, 0},
    {"__WEMU_BUTTON", 0, "Apply", 40024, 132, 133, 50, 20, 0},
};

void build(HWND__* view, int) {
  WEMU_MakeSetCurParms(1, 1, 0, 0, view, false, false);
  WEMU_GenerateDialogFromList(kRows, 5);
}

class DialogOnDesktop : public DesktopTest {
 protected:
  void TearDown() override {
    resetServicesLayer();
    DesktopTest::TearDown();
  }
  // The widget's centre on the screen.
  bool centre(GtkWidget* w, int& x, int& y) {
    GtkWidget* top = gtk_widget_get_toplevel(w);
    int tx = 0, ty = 0, ox = 0, oy = 0;
    if (!gtk_widget_get_mapped(w) || !gtk_widget_translate_coordinates(w, top, 0, 0, &tx, &ty)) return false;
    gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
    x = ox + tx + gtk_widget_get_allocated_width(w) / 2;
    y = oy + ty + gtk_widget_get_allocated_height(w) / 2;
    return true;
  }
  void click(GtkWidget* w) {
    int x = 0, y = 0;
    ASSERT_TRUE(pumpUntil([&] { return centre(w, x, y); })) << "the widget never appeared";
    input.move(x, y);
    pumpFor(0.05);
    input.button(1, true);
    input.button(1, false);
  }
  bool logged(WPARAM wParam) {
    for (const Logged& l : procLog())
      if (l.message == WM_COMMAND && l.wParam == wParam) return true;
    return false;
  }
  WEMU_DialogResourceIndex tmpl{40002, "Preferences", 12, build, 420, 160, nullptr};
};

TEST_F(DialogOnDesktop, GeneratedDialogAnswersRealClicksAndKeys) {
  procLog().clear();
  HWND__* dlg = WEMU_CreateDialog(&tmpl, 40002, nullptr, recordingProc, 0);
  ASSERT_TRUE(dlg);
  ShowWindow(dlg, SW_SHOW);
  DesktopControls* controls = desktopControls();
  ASSERT_TRUE(controls);
  GtkWidget* apply = controls->widgetFor(*GetDlgItem(dlg, 40024));
  GtkWidget* field = controls->widgetFor(*GetDlgItem(dlg, 40050));
  GtkWidget* popup = controls->widgetFor(*GetDlgItem(dlg, 40019));
  ASSERT_TRUE(apply && field && popup);
  int ax = 0, ay = 0;
  ASSERT_TRUE(pumpUntil([&] { return centre(apply, ax, ay); }));
  pumpFor(0.3);  // the window settles where it was placed
  EXPECT_TRUE(GTK_IS_BUTTON(apply));
  EXPECT_TRUE(GTK_IS_COMBO_BOX(popup));

  click(apply);
  EXPECT_TRUE(pumpUntil([&] { return logged(40024); }));

  click(field);
  pumpFor(0.1);
  input.tap(XK_a);
  input.tap(XK_b);
  char text[16] = {};
  EXPECT_TRUE(pumpUntil([&] { return GetDlgItemText(dlg, 40050, text, sizeof text) && std::string(text) == "ab"; }));
  EXPECT_TRUE(logged(40050 | (0x300 << 16)));
  // Return in the field presses the default button.
  input.tap(XK_Return);
  EXPECT_TRUE(pumpUntil([&] { return logged(1); }));

  // What the program sets shows.
  WEMU_CB_AddString(dlg, 40019, "off");
  WEMU_CB_AddString(dlg, 40019, "Port 1");
  WEMU_CB_SetCurSel(dlg, 40019, 1);
  EXPECT_TRUE(pumpUntil([&] { return gtk_combo_box_get_active(GTK_COMBO_BOX(popup)) == 1; }));
  EnableWindow(GetDlgItem(dlg, 40024), FALSE);
  EXPECT_TRUE(pumpUntil([&] { return !gtk_widget_get_sensitive(apply); }));
  DestroyWindow(dlg);
}

}  // namespace
