// Window views on a real display: WM_PAINT draws them on the screen, on showing and on request,
// also with OpenGL; the controls' own widgets raise their notifications from real clicks and keys
// and show what their models hold; the program's clipboard formats reach other programs.
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gtk/desktop_controls.h"
#include "platform/gtk/desktop_gl.h"
#include "wemu/clipboard.h"
#include "dialog_fixture.h"
#include "wemu/control_functions.h"
#include "wemu/dialog_generation.h"
#include "wemu/utilities.h"
#include "wemu/view_gl.h"
#include "wemu/list_view.h"
#include "wemu/tree_tab_functions.h"
#include "wemu/tree_view.h"
#include "wemu/window_input.h"
#include "wemu/window_paint.h"
#include "wemu/notifying_controls.h"
#include "x_touchpad.h"
#include "x_window_manager.h"

namespace {

using namespace vq::test;

class WindowViewOnDesktop : public DialogDesktopTest {
 protected:
  void clickAt(GtkWidget* w, int x, int y, int clicks = 1) {
    auto [sx, sy] = screenPoint(w, x, y);
    clickScreen(sx, sy, clicks);
  }
  // Clicks `dx` into a cell of a tree widget, halfway down.
  GdkRectangle clickCell(GtkTreeView* tree, int row, int column, int clicks = 1, int dx = 5) {
    GdkRectangle cell = cellOf(tree, row, column);
    clickAt(GTK_WIDGET(tree), cell.x + dx, cell.y + cell.height / 2, clicks);
    return cell;
  }
  uint32_t pixelAt(int x, int y) {
    auto [sx, sy] = screenPoint(content, x, y);
    return input.read(sx, sy, 1, 1).at(0) & 0xFFFFFF;
  }
};

// Shown, the dialog paints (asking its background colour first); an invalidated rectangle is
// painted again, clipped to it, inside UpdateWindow; what it draws is on the screen.
TEST_F(WindowViewOnDesktop, WindowViewsPaintOnShowAndOnRequestClippedToTheDamage) {
  COLORREF colour = 0xFF0000;  // red
  RECT painted{};
  procAnswer() = [&](HWND__* w, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m != WM_PAINT) return m == WM_INITDIALOG;
    PAINTSTRUCT ps;
    if (HDC dc = BeginPaint(w, &ps)) {
      painted = ps.rcPaint;
      RECT all{0, 0, 200, 120};
      HBRUSH brush = CreateSolidBrush(colour);
      WEMU_FillRect(dc, &all, brush);
      DeleteObject(brush);
      EndPaint(w, &ps);
    }
    return 1;
  };
  WEMU_DialogResourceIndex tmpl{40005, "Paint", 12, nullptr, 200, 120, nullptr};
  HWND__* dlg = show(tmpl);
  EXPECT_GE(count(WM_PAINT), 1);
  EXPECT_GE(count(0x136), 1) << "WM_CTLCOLORDLG";
  EXPECT_EQ(pixelAt(100, 60), 0xFF0000u);

  colour = 0x0000FF;  // blue
  procLog().clear();
  RECT damage{10, 10, 50, 40};
  InvalidateRect(dlg, &damage, FALSE);
  UpdateWindow(dlg);
  EXPECT_EQ(loggedMessages(dlg, {}),
            (std::vector<UINT>{WM_NCCALCSIZE, WM_NCPAINT, WM_ERASEBKGND, WM_CTLCOLORDLG, WM_PAINT}))
      << "painted inside UpdateWindow";
  EXPECT_TRUE(painted.left <= 10 && painted.top <= 10 && painted.right >= 50 &&
              painted.bottom >= 40 && painted.right < 200)
      << painted.left << "," << painted.top << "," << painted.right << "," << painted.bottom;
  EXPECT_TRUE(pumpUntil([&] {
    pumpXEvents();
    return pixelAt(20, 20) == 0x0000FFu;
  }));
  EXPECT_EQ(pixelAt(150, 100), 0xFF0000u) << "outside the damage nothing changed";
  DestroyWindow(dlg);
}

// While WEMU_ShowCursor hides it, the pointer is held where it was and its moves arrive as
// deltas: the virtual position follows them far past the screen's edge; SetCursorPos then moves
// only the virtual position, and the show that makes the cursor visible puts the pointer there.
TEST_F(WindowViewOnDesktop, AHiddenCursorFollowsTheMouseByDeltasWhileThePointerIsHeld) {
  std::vector<POINT> moves;
  procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m == WM_MOUSEMOVE) moves.push_back({int16_t(lp & 0xFFFF), int16_t((lp >> 16) & 0xFFFF)});
    return m == WM_INITDIALOG;
  };
  WEMU_DialogResourceIndex tmpl{40009, "Hidden", 12, nullptr, 200, 120, nullptr};
  HWND__* dlg = show(tmpl);
  auto [sx, sy] = screenPoint(content, 100, 60);
  moveTo(sx, sy);
  POINT start{}, now{};
  GetCursorPos(&start);
  SetCapture(dlg);  // as an endless drag does: every move is the client's
  EXPECT_EQ(WEMU_ShowCursor(FALSE), -1);
  // 2400 pixels right and 400 down: wider than the screen.
  for (int i = 1; i <= 40; ++i) {
    input.moveBy(60, 10);
    ASSERT_TRUE(pumpUntil([&] {
      GetCursorPos(&now);
      return now.x == start.x + 60 * i;
    })) << "move "
        << i << " reached " << now.x - start.x;
  }
  EXPECT_EQ(now.y, start.y - 400) << "screen y grows upwards";
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(std::pair(moves.back().x, moves.back().y), std::pair(100 + 2400, 60 + 400));
  EXPECT_EQ(input.where(), std::pair(sx, sy)) << "the pointer stays where it was hidden";

  const int height = static_cast<int>(b->mainDisplayHeight());
  EXPECT_TRUE(WEMU_SetCursorPos(300, height - 400));
  GetCursorPos(&now);
  EXPECT_EQ(std::pair(now.x, now.y), std::pair(300, height - 400));
  pumpXEvents();  // a warp would have reached the server by now
  EXPECT_EQ(input.where().first, sx) << "only the virtual position moved";
  EXPECT_EQ(WEMU_ShowCursor(TRUE), 0);
  ReleaseCapture();
  pumpUntil([&] {
    pumpXEvents();
    return input.where() == std::pair(300, 400);
  });
  EXPECT_EQ(input.where(), std::pair(300, 400))
      << "shown, the pointer is where the virtual position ended";
  DestroyWindow(dlg);
}

// Two fingers on a touchscreen: spreading them reaches the window view as zoom gestures, turning
// them as rotate gestures, each step a begin and an end at the fingers' centre on the screen;
// three swiping are a pan. A touchpad's pinches and swipes come the same way.
TEST_F(WindowViewOnDesktop, TouchscreenAndTouchpadGesturesArriveAsZoomRotateAndPan) {
  std::vector<GESTUREINFO> ends, begins;
  procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m == WM_GESTURE)
      (reinterpret_cast<GESTUREINFO*>(lp)->dwFlags == GF_END ? ends : begins)
          .push_back(*reinterpret_cast<GESTUREINFO*>(lp));
    return m == WM_INITDIALOG;
  };
  WEMU_DialogResourceIndex tmpl{40010, "Touch", 12, nullptr, 240, 160, nullptr};
  HWND__* dlg = show(tmpl);
  GtkWidget* top = gtk_widget_get_toplevel(content);
  GdkWindow* gw = gtk_widget_get_window(top);
  GdkDevice* device = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
  int cx = 0, cy = 0, ox = 0, oy = 0;
  gtk_widget_translate_coordinates(content, top, 120, 80, &cx, &cy);
  gdk_window_get_origin(gw, &ox, &oy);
  guint32 time = 1000;
  auto touch = [&](GdkEventType type, int finger, double x, double y) {
    GdkEvent* e = gdk_event_new(type);
    e->touch.window = GDK_WINDOW(g_object_ref(gw));
    e->touch.time = time += 20;
    e->touch.x = cx + x;
    e->touch.y = cy + y;
    e->touch.x_root = ox + cx + x;
    e->touch.y_root = oy + cy + y;
    e->touch.sequence = reinterpret_cast<GdkEventSequence*>(static_cast<uintptr_t>(finger));
    e->touch.emulating_pointer = finger == 1;
    gdk_event_set_device(e, device);
    gdk_event_set_source_device(e, device);
    gdk_event_put(e);
    gdk_event_free(e);
    pumpReady();
  };
  // Both fingers down at (x1, 0) and (x2, 0), each moved once (finger 1 first), then lifted.
  auto twoFingers = [&](double x1, double x2, double u1, double v1, double u2, double v2) {
    touch(GDK_TOUCH_BEGIN, 1, x1, 0);
    touch(GDK_TOUCH_BEGIN, 2, x2, 0);
    touch(GDK_TOUCH_UPDATE, 1, u1, v1);
    touch(GDK_TOUCH_UPDATE, 2, u2, v2);
    touch(GDK_TOUCH_END, 1, u1, v1);
    touch(GDK_TOUCH_END, 2, u2, v2);
  };
  // Fingers 40 apart, spread to 50 and 60: scales 1.25 and 1.2, so magnifications of 0.25 and
  // 0.2 (1024 + 256 and 1024 + 205).
  twoFingers(-20, 20, -30, 0, 30, 0);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0].dwID, GID_ZOOM);
  EXPECT_EQ(ends[0].ullArguments, 1280u);
  EXPECT_EQ(ends[1].ullArguments, 1229u);
  const int height = static_cast<int>(b->mainDisplayHeight());
  EXPECT_NEAR(ends[0].x, ox + cx - 5, 1) << "the fingers' centre on the screen";
  EXPECT_NEAR(ends[0].y, height - (oy + cy), 1) << "counted from the bottom";
  // A turn counter-clockwise on the screen by atan(3 / 4), about 36.87 degrees, in two steps:
  // each 0x7FFF plus its share of 36.87 * 32767 / 60.
  ends.clear();
  twoFingers(-25, 25, -20, 15, 20, -15);
  std::vector<double> turns;
  for (const GESTUREINFO& g : ends)
    if (g.dwID == GID_ROTATE) turns.push_back(double(g.ullArguments) - 0x7FFF);
  ASSERT_EQ(turns.size(), 2u) << "one step per finger moved";
  EXPECT_NEAR(turns[0] + turns[1], std::atan2(3.0, 4.0) * 180 / M_PI * 32767 / 60, 2)
      << "counter-clockwise is positive";

  // Pans end a view's width or height away (the screen's y grows upwards): three fingers
  // swiping right and down, then the touchpad's swipes left and up and a pinch, at the pointer.
  RECT view{};
  GetClientRect(dlg, &view);
  begins.clear();
  ends.clear();
  auto gestures = [&] {
    std::vector<std::vector<long>> got;
    for (size_t i = 0; i < ends.size() && i < begins.size(); ++i)
      got.push_back({long(ends[i].dwID), long(ends[i].ullArguments), ends[i].x - begins[i].x,
                     ends[i].y - begins[i].y});
    begins.clear();
    ends.clear();
    return got;
  };
  for (auto [dx, dy] : {std::pair(60, 10), std::pair(-5, 40)}) {
    for (int finger = 1; finger <= 3; ++finger) touch(GDK_TOUCH_BEGIN, finger, finger * 20, 0);
    for (int finger = 1; finger <= 3; ++finger)
      touch(GDK_TOUCH_UPDATE, finger, finger * 20 + dx, dy);
    for (int finger = 1; finger <= 3; ++finger) touch(GDK_TOUCH_END, finger, finger * 20 + dx, dy);
  }
  const long pan = GID_PAN, width = view.right, tall = view.bottom;
  EXPECT_EQ(gestures(), (std::vector<std::vector<long>>{{pan, 0, width, 0}, {pan, 0, 0, -tall}}));

  const double px = ox + cx, py = oy + cy;
  using T = TouchpadStep;
  for (const TouchpadStep& step : std::vector<TouchpadStep>{
           {T::SwipeBegin, px, py},
           {T::SwipeUpdate, px, py, -30, 5},
           {T::SwipeEnd, px, py, -20},
           {T::SwipeBegin, px, py},
           {T::SwipeUpdate, px, py, 5, -30},
           {T::SwipeEnd, px, py},
           {T::PinchBegin, px, py},
           {T::PinchUpdate, px, py, 0, 0, 1.5, 10},
           {T::PinchEnd, px, py, 0, 0, 1.5},
       }) {
    feedTouchpadGesture(gw, step);
    pumpReady();
  }
  // Ten degrees clockwise: 0x7FFF less 10 * 32767 / 60.
  EXPECT_EQ(gestures(), (std::vector<std::vector<long>>{{pan, 0, -width, 0},
                                                        {pan, 0, 0, tall},
                                                        {long(GID_ZOOM), 1536, 0, 0},
                                                        {long(GID_ROTATE), 0x7FFF - 5461, 0, 0}}));
  DestroyWindow(dlg);
}

// Real clicks and keys on the controls' widgets raise the table's notifications.
TEST_F(WindowViewOnDesktop, ControlWidgetsRaiseTheirNotificationsFromRealInput) {
  struct Heard {
    WPARAM wParam;
    int code;
    int item = 0, subItem = 0;
    LPARAM param = 0;
  };
  std::vector<Heard> heard;
  procAnswer() = [&](HWND__*, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_COMMAND) heard.push_back({wp & 0xFFFF, int(wp >> 16)});
    if (m == WM_NOTIFY) {
      auto* rec = reinterpret_cast<NMLISTVIEW*>(lp);
      heard.push_back({wp, rec->hdr.code, rec->iItem, rec->iSubItem, rec->lParam});
    }
    return m == WM_INITDIALOG;
  };
  auto heardCode = [&](WPARAM id, int code) {
    for (const Heard& h : heard)
      if (h.wParam == id && h.code == code) return &h;
    return static_cast<const Heard*>(nullptr);
  };
  WEMU_DialogResourceIndex tmpl{40006, "Controls", 12, buildNotifyingControls, 420, 300, nullptr};
  HWND__* dlg = show(tmpl);
  auto widget = [&](int id) { return desktopControls()->widgetFor(*GetDlgItem(dlg, id)); };
  auto* tree = GTK_TREE_VIEW(widget(50));

  // A double click on the second row's second cell.
  const GdkRectangle cell = clickCell(tree, 1, 1, 2);
  ASSERT_TRUE(pumpUntil([&] { return heardCode(50, -3); })) << "a double click";
  const Heard* dbl = heardCode(50, -3);
  EXPECT_EQ(dbl->item, 1);
  EXPECT_EQ(dbl->subItem, 1);
  EXPECT_EQ(dbl->param, 701);
  EXPECT_TRUE(heardCode(50, -2)) << "the click";

  // The second column's header.
  GtkWidget* header = gtk_tree_view_column_get_button(gtk_tree_view_get_column(tree, 1));
  clickAt(header, 10, gtk_widget_get_allocated_height(header) / 2);
  ASSERT_TRUE(pumpUntil([&] { return heardCode(50, -108); })) << "a header click";
  const Heard* sort = heardCode(50, -108);
  EXPECT_EQ(sort->item, -1);
  EXPECT_EQ(sort->subItem, 1);

  // A row pressed and dragged: the fourth move begins a drag.
  auto [sx, sy] = screenPoint(GTK_WIDGET(tree), cell.x + 5, cell.y + cell.height / 2);
  int motions = 0;
  const gulong watch = g_signal_connect(tree, "motion-notify-event",
                                        G_CALLBACK(+[](GtkWidget*, GdkEvent*, int* n) -> gboolean {
                                          ++*n;
                                          return FALSE;
                                        }),
                                        &motions);
  for (int i = 0; i <= 6; ++i) {
    // Each move handled on its own up to the drag's begin (the toolkit merges waiting moves).
    const int before = motions;
    moveTo(sx + 4 * i, sy + 3 * i);
    if (i <= 4) pumpUntil([&] { return motions > before; });
    if (i == 0) button(1, true);
  }
  g_signal_handler_disconnect(tree, watch);
  button(1, false);
  EXPECT_TRUE(pumpUntil([&] { return heardCode(50, -109); })) << "a drag began";

  // A double click in the list box.
  clickCell(GTK_TREE_VIEW(widget(51)), 2, 0, 2);
  EXPECT_TRUE(pumpUntil([&] { return heardCode(51, 2); })) << "a list box double click";

  // Typing in the text view and a field, each left by a click into the next: editing ended.
  heard.clear();
  for (int id : {54, 55, 56}) {
    clickAt(widget(id), 10, 10);
    if (id != 56) tap(XK_a);
  }
  for (int id : {54, 55}) {
    EXPECT_TRUE(pumpUntil([&] { return heardCode(id, 0x300); })) << id;
    EXPECT_TRUE(pumpUntil([&] { return heardCode(id, 0x200); })) << id << ": focus left it";
  }

  // The combo box's list about to open.
  GtkWidget* combo = widget(53);
  clickAt(combo, gtk_widget_get_allocated_width(combo) - 8,
          gtk_widget_get_allocated_height(combo) / 2);
  EXPECT_TRUE(pumpUntil([&] { return heardCode(53, 7); })) << "will pop up";
  tap(XK_Escape);
  DestroyWindow(dlg);
}

// Text and an own format written together: another program gets each as its own target.
TEST_F(WindowViewOnDesktop, OwnClipboardFormatsAreTargetsOfTheirOwn) {
  auto block = [](const char* bytes, size_t n) {
    HANDLE h = GlobalAlloc(0, static_cast<long>(n));
    std::memcpy(GlobalLock(h), bytes, n);
    GlobalUnlock(h);
    return h;
  };
  OpenClipboard(nullptr);
  UINT program = RegisterClipboardFormat("vq/program");
  SetClipboardData(CF_TEXT, block("hello", 6));
  SetClipboardData(program, block("P\0G", 3));
  CloseClipboard();
  auto pump = [] { g_main_context_iteration(nullptr, FALSE); };
  EXPECT_EQ(readClipboardAs("vq/program", pump), std::string("P\0G", 3));
  EXPECT_EQ(readClipboardAs("UTF8_STRING", pump), "hello");
  OpenClipboard(nullptr);
  HANDLE h = GetClipboardData(program);
  ASSERT_TRUE(h);
  EXPECT_EQ(std::string(static_cast<char*>(GlobalLock(h)), 3), std::string("P\0G", 3));
  CloseClipboard();
}

// A real OpenGL context per view: one however often asked for, current during WM_PAINT, its
// clear colour read back and shown, released with the view.
TEST_F(WindowViewOnDesktop, AViewsOpenGLContextClearsAndShowsItsColour) {
  auto* gl = dynamic_cast<DesktopGLService*>(&glService());
  ASSERT_TRUE(gl);
  bool currentInPaint = false;
  procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m != WM_PAINT) return m == WM_INITDIALOG;
    currentInPaint = gdk_gl_context_get_current() != nullptr;
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return 1;
  };
  WEMU_DialogResourceIndex tmpl{40007, "GL", 12, nullptr, 160, 100, nullptr};
  HWND__* dlg = WEMU_CreateDialog(&tmpl, tmpl.resid, nullptr, recordingProc, 0);
  WEMU_SetViewGL(dlg, true);
  WEMU_SetViewGL(dlg, true);
  ASSERT_TRUE(WEMU_GetViewGL(dlg));
  EXPECT_EQ(gl->alive(), 1);
  ASSERT_TRUE(WEMU_SetGLContextToView(dlg));
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  unsigned char rgba[4] = {};
  glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  EXPECT_EQ(std::vector<int>(rgba, rgba + 4), (std::vector<int>{0, 255, 0, 255}));
  EXPECT_FALSE(WEMU_SetGLContextToView(nullptr));

  ShowWindow(dlg, SW_SHOW);
  content = b->windows.contentFor(*dlg->window());
  ASSERT_TRUE(pumpUntil([&] { return count(WM_PAINT) > 0; }));
  EXPECT_TRUE(pumpUntil([&] {
    pumpXEvents();
    return pixelAt(80, 50) == 0x0000FFu;
  })) << "the paint's clear colour on the screen";
  EXPECT_TRUE(currentInPaint);
  EXPECT_EQ(gdk_gl_context_get_current(), nullptr) << "not current after the paint";

  WEMU_SetViewGL(dlg, false);
  EXPECT_FALSE(WEMU_GetViewGL(dlg));
  EXPECT_FALSE(WEMU_SetGLContextToView(dlg));
  EXPECT_EQ(gl->alive(), 0);
  WEMU_SetViewGL(dlg, true);
  DestroyWindow(dlg);
  ASSERT_TRUE(pumpUntil([] { return WEMU_Internal_PendingDeleteCount() == 0; }));
  EXPECT_EQ(gl->alive(), 0) << "released with the view";
}

HTREEITEM gBanks = nullptr, gPrograms = nullptr;
HIMAGELIST gImages = nullptr;

void buildTreeAndList(HWND__* view, int) {
  WEMU_MakeSetCurParms(1, 1, 0, 0, view, false, false);
  HWND__* tree = WEMU_MakeControl("", 52, "SysTreeView32", 0, 10, 10, 200, 120, 0);
  auto insert = [tree](HTREEITEM parent, const char* text) {
    TVINSERTSTRUCT ins{parent, TVI_LAST, {TVIF_TEXT, nullptr, 0, 0, const_cast<char*>(text)}};
    return TreeView_InsertItem(tree, &ins);
  };
  gBanks = insert(TVI_ROOT, "Banks");
  insert(gBanks, "Bank 1");
  gPrograms = insert(TVI_ROOT, "Programs");
  HWND__* list = WEMU_MakeControl("", 50, "SysListView32", LVS_REPORT, 220, 10, 200, 120, 0);
  LVCOLUMN c{LVCF_WIDTH | LVCF_TEXT, 0, 90, const_cast<char*>("Name")};
  ListView_InsertColumn(list, 0, &c);
  for (const char* text : {"Lead", "Bass"}) {
    LVITEM it{LVIF_TEXT, 99, 0, 0, 0, const_cast<char*>(text)};
    ListView_InsertItem(list, &it);
  }
  std::vector<uint32_t> green(16 * 16, 0x00FF00FF);  // bytes alpha, red, green, blue
  ICONINFO icon{TRUE, 0, 0, nullptr, CreateBitmap(16, 16, 1, 32, green.data())};
  gImages = ImageList_CreateEx(16, 16, 0, 1, 1);
  ImageList_ReplaceIcon(gImages, -1, CreateIconIndirect(&icon));
  ListView_SetImageList(list, gImages, LVSIL_SMALL);
  LVITEM withImage{LVIF_IMAGE, 1, 0, 0, 0, nullptr, 0, 0, 0};
  ListView_SetItem(list, &withImage);
  HDITEM sorted{HDI_FORMAT, 0, nullptr, nullptr, 0, HDF_SORTDOWN, 0};
  Header_SetItem(ListView_GetHeader(list), 0, &sorted);
  const COLORREF selection[] = {0x202020, 0xFF0000, 0x202020, 0xFF0000};
  ListView_SetSelColors(list, selection, 4);
  ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
  WEMU_MakeLabel(-1, "MIDI", 57, 10, 140, 100, 20, 0);
}

// Trees are tree widgets over a tree store whose clicks, selection and opening reach the tree;
// lists show their rows' images, sort arrows and selected text colour; a disabled label dims.
TEST_F(WindowViewOnDesktop, TreesListsAndLabelsShowAndAnswerAsTheirModels) {
  std::vector<int> codes;
  procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m == WM_NOTIFY) codes.push_back(reinterpret_cast<NMHDR*>(lp)->code);
    return m == WM_INITDIALOG;
  };
  WEMU_DialogResourceIndex tmpl{40008, "Trees", 12, buildTreeAndList, 440, 180, nullptr};
  HWND__* dlg = show(tmpl);
  HWND__* treeHandle = GetDlgItem(dlg, 52);
  GtkWidget* w = desktopControls()->widgetFor(*treeHandle);
  ASSERT_TRUE(w && GTK_IS_TREE_VIEW(w));
  auto* tree = GTK_TREE_VIEW(w);
  ASSERT_TRUE(GTK_IS_TREE_STORE(gtk_tree_view_get_model(tree)));

  // A click on "Programs" (the second row while "Banks" is closed).
  clickCell(tree, 1, 0, 1, 10);
  EXPECT_TRUE(pumpUntil([&] { return codes.size() >= 2; }));
  EXPECT_EQ(TreeView_GetSelection(treeHandle), gPrograms);
  EXPECT_EQ(codes, (std::vector<int>{-2, -402}));

  // A click on the first row's arrow opens it.
  clickCell(tree, 0, 0, 1, -8);
  EXPECT_TRUE(pumpUntil([&] { return gBanks->expanded; })) << "opened by the user";

  // The list: the row's image, the sort arrow, the selected row's text colour.
  auto* list = GTK_TREE_VIEW(desktopControls()->widgetFor(*GetDlgItem(dlg, 50)));
  GtkTreeModel* rows = gtk_tree_view_get_model(list);
  GtkTreeIter second;
  ASSERT_TRUE(gtk_tree_model_iter_nth_child(rows, &second, nullptr, 1));
  GdkPixbuf* pixbuf = nullptr;
  gtk_tree_model_get(rows, &second, 1, &pixbuf, -1);
  ASSERT_TRUE(pixbuf);
  EXPECT_EQ(gdk_pixbuf_get_pixels(pixbuf)[1], 255) << "green";
  g_object_unref(pixbuf);
  GtkTreeViewColumn* column = gtk_tree_view_get_column(list, 0);
  EXPECT_TRUE(gtk_tree_view_column_get_sort_indicator(column));
  EXPECT_EQ(gtk_tree_view_column_get_sort_order(column), GTK_SORT_DESCENDING);
  const GdkRectangle cell = cellOf(list, 1, 0);
  auto [sx, sy] = screenPoint(GTK_WIDGET(list), cell.x, cell.y);
  std::vector<uint32_t> shown = input.read(sx, sy, cell.width, cell.height);
  EXPECT_NE(std::count(shown.begin(), shown.end(), 0xFF0000u), 0) << "red text in the row";

  // A disabled label is half transparent.
  HWND__* label = GetDlgItem(dlg, 57);
  EnableWindow(label, FALSE);
  GtkWidget* labelWidget = desktopControls()->widgetFor(*label);
  auto opacity = [&](double want) {
    return pumpUntil([&] { return std::abs(gtk_widget_get_opacity(labelWidget) - want) < 0.01; });
  };
  EXPECT_TRUE(opacity(0.5));
  EnableWindow(label, TRUE);
  EXPECT_TRUE(opacity(1.0));
  DestroyWindow(dlg);
  pumpUntil([] { return WEMU_Internal_PendingDeleteCount() == 0; });
  ImageList_Destroy(gImages);
}

}  // namespace
