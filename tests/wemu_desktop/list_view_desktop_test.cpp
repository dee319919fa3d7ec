// A list view on a real display: its rows and columns in a list widget whose clicks and keys
// change the list's selection and tell the dialog.
#include "platform/gtk/desktop_controls.h"
#include "dialog_fixture.h"
#include "wemu/dialog_generation.h"
#include "wemu/list_view.h"

namespace {

using namespace vq::test;

void build(HWND__* view, int) {
  WEMU_MakeSetCurParms(1, 1, 0, 0, view, false, false);
  HWND__* list =
      WEMU_MakeControl("", 50, "SysListView32", LVS_REPORT | LVS_SINGLESEL, 10, 10, 300, 120, 0);
  for (const char* title : {"Name", "Slot"}) {
    LVCOLUMN c{LVCF_WIDTH | LVCF_TEXT, 0, 140, const_cast<char*>(title)};
    ListView_InsertColumn(list, 0, &c);
  }
  const char* rows[][2] = {{"Lead", "1"}, {"Bass", "2"}, {"Pad", "3"}};
  for (int i = 0; i < 3; ++i) {
    LVITEM it{LVIF_TEXT, i, 0, 0, 0, const_cast<char*>(rows[i][0])};
    ListView_InsertItem(list, &it);
    ListView_SetItemText(list, i, 1, rows[i][1]);
  }
}

class ListOnDesktop : public DialogDesktopTest {
 protected:
  WEMU_DialogResourceIndex tmpl{40002, "Lists", 12, build, 420, 160, nullptr};
};

TEST_F(ListOnDesktop, RowsShowAndAnswerClicksAndKeys) {
  procLog().clear();
  HWND__* dlg = WEMU_CreateDialog(&tmpl, 40002, nullptr, recordingProc, 0);
  ASSERT_TRUE(dlg);
  ShowWindow(dlg, SW_SHOW);
  HWND__* list = GetDlgItem(dlg, 50);
  GtkWidget* w = desktopControls()->widgetFor(*list);
  ASSERT_TRUE(w && GTK_IS_TREE_VIEW(w));
  ASSERT_TRUE(pumpUntil([&] { return gtk_widget_get_mapped(w) != 0; }));
  ASSERT_TRUE(waitForDraw(w));
  GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(w));
  EXPECT_EQ(gtk_tree_model_iter_n_children(model, nullptr), 3);
  EXPECT_STREQ(gtk_tree_view_column_get_title(gtk_tree_view_get_column(GTK_TREE_VIEW(w), 1)),
               "Slot");

  // A click on the second row's cell selects it in the list and tells the dialog.
  const GdkRectangle cell = cellOf(GTK_TREE_VIEW(w), 1, 0);
  auto [sx, sy] = screenPoint(w, cell.x + 5, cell.y + cell.height / 2);
  clickScreen(sx, sy);
  EXPECT_TRUE(pumpUntil([&] { return ListView_GetSelectionMark(list) == 1; }));
  EXPECT_GT(count(WM_NOTIFY), 0);

  // Down moves the selection to the third row.
  input.tap(XK_Down);
  EXPECT_TRUE(pumpUntil([&] { return ListView_GetSelectionMark(list) == 2; }));
  EXPECT_EQ(ListView_GetSelectedCount(list), 1);

  // What the program sets shows in the widget.
  ListView_SetItemText(list, 0, 0, "Lead 2");
  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_TRUE(pumpUntil([&] {
    GtkTreeIter it;
    gchar* text = nullptr;
    if (!gtk_tree_model_get_iter_first(model, &it)) return false;
    gtk_tree_model_get(model, &it, 0, &text, -1);
    bool ok =
        text && std::string(text) == "Lead 2" &&
        gtk_tree_selection_iter_is_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(w)), &it);
    g_free(text);
    return ok;
  }));
}

}  // namespace
