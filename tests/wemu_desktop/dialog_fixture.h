// Shared by the tests of the layer's dialogs on a real display: the services layer reset after
// each test, and points of widgets on the screen clicked with real input.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "platform_gtk/desktop_fixture.h"
#include "wemu/window_test_support.h"

namespace vq::test {

class DialogDesktopTest : public DesktopTest {
 protected:
  void TearDown() override {
    procAnswer() = nullptr;
    resetServicesLayer();
    DesktopTest::TearDown();
  }
  // A point of a widget (widget coordinates) on the screen.
  static std::pair<int, int> screenPoint(GtkWidget* w, int x, int y) {
    GtkWidget* top = gtk_widget_get_toplevel(w);
    int tx = 0, ty = 0, ox = 0, oy = 0;
    gtk_widget_translate_coordinates(w, top, x, y, &tx, &ty);
    gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
    return {ox + tx, oy + ty};
  }
  // A cell of a tree widget, in the widget's coordinates.
  static GdkRectangle cellOf(GtkTreeView* tree, int row, int column) {
    GdkRectangle cell;
    GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
    gtk_tree_view_get_cell_area(tree, path, gtk_tree_view_get_column(tree, column), &cell);
    gtk_tree_path_free(path);
    gtk_tree_view_convert_bin_window_to_widget_coords(tree, cell.x, cell.y, &cell.x, &cell.y);
    return cell;
  }
  // Moves the pointer there and clicks `clicks` times, each taken before the next.
  void clickScreen(int x, int y, int clicks = 1, unsigned button = 1) {
    moveTo(x, y);
    for (int i = 0; i < clicks; ++i) click(button);
  }
  // A dialog of the template shown, once its content area is mapped (then `content`).
  HWND__* show(WEMU_DialogResourceIndex& tmpl) {
    procLog().clear();
    HWND__* dlg = WEMU_CreateDialog(&tmpl, tmpl.resid, nullptr, recordingProc, 0);
    ShowWindow(dlg, SW_SHOW);
    content = b->windows.contentFor(*dlg->window());
    EXPECT_TRUE(pumpUntil([&] { return gtk_widget_get_mapped(content) != 0; }));
    EXPECT_TRUE(waitForDraw(content));
    pumpUntil([] { return count(WM_PAINT) > 0; });
    pumpXEvents();  // what the procedure painted is on the screen
    return dlg;
  }
  static std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static int count(UINT message) {
    int n = 0;
    for (const Logged& l : procLog()) n += l.message == message;
    return n;
  }
  GtkWidget* content = nullptr;
};

}  // namespace vq::test
