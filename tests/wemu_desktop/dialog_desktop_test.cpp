// A generated dialog on a real display: its controls are native widgets that answer real
// clicks and keys with the dialog's messages, and show what the program sets.
#include <tuple>

#include "platform/gtk/desktop_controls.h"
#include "dialog_fixture.h"
#include "wemu/control_functions.h"
#include "wemu/dialog_generation.h"

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

class DialogOnDesktop : public DialogDesktopTest {
 protected:
  // The widget's centre (or top-left) on the screen; false while it is not shown.
  bool centre(GtkWidget* w, int& x, int& y, bool topLeft = false) {
    if (!gtk_widget_get_mapped(w)) return false;
    std::tie(x, y) = screenPoint(w, topLeft ? 0 : gtk_widget_get_allocated_width(w) / 2,
                                 topLeft ? 0 : gtk_widget_get_allocated_height(w) / 2);
    return true;
  }
  void click(GtkWidget* w) {
    int x = 0, y = 0;
    ASSERT_TRUE(pumpUntil([&] { return centre(w, x, y); })) << "the widget never appeared";
    clickScreen(x, y);
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
  ASSERT_TRUE(waitForDraw(apply));
  EXPECT_TRUE(GTK_IS_BUTTON(apply));
  EXPECT_TRUE(GTK_IS_COMBO_BOX(popup));

  // Widgets take their frames' sizes.
  EXPECT_EQ(gtk_widget_get_allocated_width(apply), 50);
  EXPECT_EQ(gtk_widget_get_allocated_height(apply), 20);
  EXPECT_EQ(gtk_widget_get_allocated_height(popup), 18);
  // A one-line label shows its text whole on one line, though the desktop font is wider.
  GtkWidget* label = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_widget_get_parent(apply)));
  for (GList* c = children; c; c = c->next)
    if (GTK_IS_LABEL(c->data) &&
        std::string(gtk_label_get_text(GTK_LABEL(c->data))) == "VQ Output Device")
      label = GTK_WIDGET(c->data);
  g_list_free(children);
  ASSERT_TRUE(label);
  int textWidth = 0;
  pango_layout_get_pixel_size(gtk_label_get_layout(GTK_LABEL(label)), &textWidth, nullptr);
  EXPECT_EQ(pango_layout_get_line_count(gtk_label_get_layout(GTK_LABEL(label))), 1);
  EXPECT_GE(gtk_widget_get_allocated_width(label), textWidth);
  click(apply);
  EXPECT_TRUE(pumpUntil([&] { return logged(40024); }));

  click(field);
  ASSERT_TRUE(pumpUntil([&] { return gtk_widget_has_focus(field); }));
  input.tap(XK_a);
  input.tap(XK_b);
  char text[16] = {};
  EXPECT_TRUE(pumpUntil(
      [&] { return GetDlgItemText(dlg, 40050, text, sizeof text) && std::string(text) == "ab"; }));
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

void giveUris(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer) {
  gchar* uris[] = {const_cast<gchar*>("file:///tmp/song%20one.pr4"),
                   const_cast<gchar*>("file:///tmp/b.pr4"), nullptr};
  gtk_selection_data_set_uris(data, uris);
}

bool loggedMessage(UINT message, LPARAM* lParam = nullptr) {
  for (const Logged& l : procLog()) {
    if (l.message != message) continue;
    if (lParam) *lParam = l.lParam;
    return true;
  }
  return false;
}

TEST_F(DialogOnDesktop, MouseWheelAndDroppedFilesReachTheProcedure) {
  tmpl.windowflags = 12 | WEMU_WF_DROPTARGET;
  procLog().clear();
  std::vector<std::string> dropped;
  procAnswer() = [&](HWND__*, UINT m, WPARAM wp, LPARAM) -> LRESULT {
    if (m == WM_NCHITTEST) return 1;
    if (m == WM_DROPFILES) {
      char buf[256];
      for (int i = 0; i < DragQueryFile(reinterpret_cast<HDROP>(wp), -1, nullptr, 0); ++i) {
        DragQueryFile(reinterpret_cast<HDROP>(wp), i, buf, sizeof buf);
        dropped.push_back(buf);
      }
    }
    return 0;
  };
  HWND__* dlg = WEMU_CreateDialog(&tmpl, 40002, nullptr, recordingProc, 0);
  ASSERT_TRUE(dlg);
  ShowWindow(dlg, SW_SHOW);
  GtkWidget* apply = desktopControls()->widgetFor(*GetDlgItem(dlg, 40024));
  int ax = 0, ay = 0;
  ASSERT_TRUE(pumpUntil([&] { return centre(apply, ax, ay); }));
  ASSERT_TRUE(waitForDraw(apply));
  centre(apply, ax, ay, true);
  // An empty place of the dialog, at (300, 20) of its content.
  int x = ax - 132 + 300, y = ay - 133 + 20;
  clickScreen(x, y, 1, 3);
  LPARAM where = 0;
  EXPECT_TRUE(pumpUntil([&] { return loggedMessage(0x204, &where); }));
  EXPECT_EQ(where, (20 << 16) | 300);
  input.button(4, true);
  input.button(4, false);
  EXPECT_TRUE(pumpUntil([&] { return loggedMessage(WM_MOUSEWHEEL); }));

  // A file dragged from another window and dropped on the dialog.
  GtkWidget* source = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* box = gtk_event_box_new();
  gtk_widget_set_size_request(box, 80, 80);
  gtk_container_add(GTK_CONTAINER(source), box);
  static GtkTargetEntry uriList = {const_cast<gchar*>("text/uri-list"), 0, 0};
  gtk_drag_source_set(box, GDK_BUTTON1_MASK, &uriList, 1, GDK_ACTION_COPY);
  g_signal_connect(box, "drag-data-get", G_CALLBACK(&giveUris), nullptr);
  GdkDragContext* drag = nullptr;
  g_signal_connect(box, "drag-begin",
                   G_CALLBACK(+[](GtkWidget*, GdkDragContext* c, GdkDragContext** to) { *to = c; }),
                   &drag);
  gtk_window_move(GTK_WINDOW(source), 900, 600);
  gtk_widget_show_all(source);
  int sx = 0, sy = 0;
  ASSERT_TRUE(pumpUntil([&] { return centre(box, sx, sy); }));
  ASSERT_TRUE(waitForDraw(box));
  centre(box, sx, sy);
  moveTo(sx, sy);
  button(1, true);
  for (int i = 1; i <= 20; ++i) moveTo(sx + (x - sx) * i / 20, sy + (y - sy) * i / 20);
  // The dialog has taken the drag where the pointer is.
  ASSERT_TRUE(pumpUntil([&] { return drag && gdk_drag_context_get_selected_action(drag); }));
  button(1, false);
  EXPECT_TRUE(pumpUntil([&] { return dropped.size() == 2; }));
  EXPECT_EQ(dropped, (std::vector<std::string>{"/tmp/song one.pr4", "/tmp/b.pr4"}));
  gtk_widget_destroy(source);
  DestroyWindow(dlg);
}

}  // namespace
