// Window handle functions, geometry and coordinates, capture, default procedure, dropped files,
// and handles that went stale.
#include <cstring>
#include <thread>

#include "wemu/message_queue.h"
#include "wemu/utilities.h"
#include "wemu/window_focus.h"
#include "wemu/window_paint.h"
#include "wemu/window_properties.h"
#include "wemu/dialog_generation.h"
#include "window_test_support.h"

namespace {

TEST_F(WindowTest, DialogItemsLongsAndNumbers) {
  HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  HWND__* group = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, dlg, nullptr, 0);
  HWND__* nested = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, group, nullptr, 0);
  SetWindowLong(group, GWL_ID, 10);
  SetWindowLong(nested, GWL_ID, 11);
  EXPECT_EQ(GetDlgItem(dlg->window() ? windowOf(dlg) : nullptr, 0),
            dlg);  // a window: its content view
  EXPECT_EQ(GetDlgItem(dlg, 10), group);
  EXPECT_EQ(GetDlgItem(dlg, 11), nullptr);  // one level only

  struct Case {
    int index;
    intptr_t value;
  } longs[] = {{GWL_USERDATA, 42}, {GWL_ID, 7}, {0, 5}, {248, 6}, {-1, 0}, {256, 0}};
  for (const Case& c : longs) {
    SetWindowLong(group, c.index, c.value);
    EXPECT_EQ(GetWindowLong(group, c.index), c.value) << c.index;
  }
  SetWindowLong(group, GWL_ID, 10);
  EXPECT_EQ(GetWindowLong(group, GWL_STYLE) & WS_CHILD, WS_CHILD);
  EXPECT_EQ(GetWindowLong(dlg, GWL_STYLE), intptr_t{WS_CAPTION});
  EXPECT_EQ(GetWindowLong(dlg, DWL_DLGPROC), reinterpret_cast<intptr_t>(&recordingProc));

  struct Number {
    const char* text;
    BOOL isSigned;
    bool ok;
    int value;
  } numbers[] = {
      {"  -12", TRUE, true, -12}, {"  -12", FALSE, false, 0},      {"0", TRUE, true, 0},
      {"x", TRUE, false, 0},      {"99999999999", TRUE, false, 0}, {"42abc", FALSE, true, 42},
      {"\t7", TRUE, true, 7}};
  for (const Number& n : numbers) {
    SetDlgItemText(dlg, 10, n.text);
    BOOL ok = 2;
    EXPECT_EQ(GetDlgItemInt(dlg, 10, &ok, n.isSigned), n.value) << n.text;
    EXPECT_EQ(ok != 0, n.ok) << n.text;
  }
  SetDlgItemInt(dlg, 10, -3, FALSE);
  char text[32];
  GetDlgItemText(dlg, 10, text, sizeof text);
  EXPECT_STREQ(text, "4294967293");
  SetDlgItemText(dlg, 0, "Title");
  EXPECT_EQ(dlg->window()->title(), "Title");
}

TEST_F(WindowTest, ShowingAndHiding) {
  HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  HWND__* child = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, dlg, nullptr, 0);
  EXPECT_FALSE(IsWindowVisible(dlg));
  ShowWindow(dlg, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_TRUE(windowOf(dlg)->isKeyWindow());
  EXPECT_FALSE(IsWindowVisible(child));  // still hidden itself
  ShowWindow(child, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(child));
  SetFocus(child);
  ShowWindow(child, SW_HIDE);
  EXPECT_EQ(dlg->window()->firstResponder(), dlg);  // the focus went to its parent
  ShowWindow(dlg, SW_HIDE);                         // the content view hides and its window goes
  EXPECT_TRUE(dlg->isHidden());
  EXPECT_FALSE(windowOf(dlg)->isVisible());
}

TEST_F(WindowTest, RectanglesAndCoordinateConversions) {
  HWND__* w = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID | 1, nullptr, recordingProc, 0);
  SetWindowPos(w, nullptr, 100, 200, 400, 300, SWP_NOZORDER);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 200);
  EXPECT_EQ(r.right, 500);
  EXPECT_EQ(r.bottom, 500);
  // Client points (top-left origin, y down) and screen points (y up) convert both ways.
  struct Case {
    POINT client, screen;
  } cases[] = {{{0, 0}, {100, 500}}, {{10, 20}, {110, 480}}, {{400, 300}, {500, 200}}};
  for (const Case& c : cases) {
    POINT p = c.client;
    ClientToScreen(w, &p);
    EXPECT_EQ(p.x, c.screen.x);
    EXPECT_EQ(p.y, c.screen.y);
    ScreenToClient(w, &p);
    EXPECT_EQ(p.x, c.client.x);
    EXPECT_EQ(p.y, c.client.y);
  }
  procAnswer() = [](HWND__*, UINT m, WPARAM, LPARAM lp) -> LRESULT {
    if (m == WM_NCCALCSIZE) reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0].bottom -= 20;
    return 0;
  };
  GetClientRect(w, &r);
  EXPECT_EQ(r.right, 400);
  EXPECT_EQ(r.bottom, 280);
  // Hit testing asks the client rectangle, in the window's screen coordinates.
  EXPECT_EQ(DefWindowProc(w, WM_NCHITTEST, 0, (490 << 16) | 150), 0);  // in the strip cut off
  EXPECT_EQ(DefWindowProc(w, WM_NCHITTEST, 0, (300 << 16) | 150), 1);

  RECT none{-5000, -5000, -4000, -4000}, port;
  WEMU_GetViewPort(&port, &none, true);
  EXPECT_EQ(port.bottom, 1000);  // the first screen's work area
  backend->screenList.clear();
  WEMU_GetViewPort(&port, &none, false);
  EXPECT_EQ(port.right, 1600);
  EXPECT_EQ(port.bottom, 1200);
}

TEST_F(WindowTest, SetWindowPosOrderAndFrame) {
  HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, nullptr, 0);
  HWND__* a = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, dlg, nullptr, 0);
  HWND__* b = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, dlg, nullptr, 0);
  HWND__* c = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, dlg, nullptr, 0);
  auto order = [&] { return dlg->subviews(); };
  using V = std::vector<vq::platform::View*>;
  struct Case {
    HWND__* view;
    HWND__* after;
    int flags;
    V expected;
  } cases[] = {
      {c, HWND_BOTTOM, 3, {c, a, b}}, {c, HWND_TOP, 3, {a, b, c}},     {a, b, 3, {b, a, c}},
      {a, HWND_BOTTOM, 7, {b, a, c}}, {a, HWND_TOPMOST, 3, {b, a, c}},
  };
  for (const Case& k : cases) {
    vq::platform::Rect before = k.view->frame();
    SetWindowPos(k.view, k.after, 1, 2, 3, 4, k.flags);
    EXPECT_EQ(order(), k.expected);
    EXPECT_EQ(k.view->frame().x, before.x);  // flags 3 keep position and size
  }
  SetCapture(a);
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, 3);  // a view holding the capture stays
  EXPECT_EQ(order(), (V{b, a, c}));
  SetWindowPos(windowOf(dlg), HWND_BOTTOM, 0, 0, 0, 0, 3);  // windows never re-order
  struct Size {
    int cx, cy;
    double w, h;
  } sizes[] = {{30, -40, 30, 40}, {-30, 40, 0, 40}};
  for (const Size& s : sizes) {
    SetWindowPos(b, nullptr, 0, 0, s.cx, s.cy, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(b->frame().width, s.w);
    EXPECT_EQ(b->frame().height, s.h);
  }
}

TEST_F(WindowTest, CaptureNotifiesOnlyOnChange) {
  HWND__* top = WEMU_CreateDialog(list, 40001, nullptr, nullptr, 0);
  HWND__* a = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, top, recordingProc, 0);
  HWND__* b = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, top, recordingProc, 0);
  procLog().clear();
  SetCapture(a);
  SetCapture(a);
  EXPECT_TRUE(procLog().empty());
  EXPECT_EQ(SetCapture(b), a);
  ASSERT_EQ(procLog().size(), 1u);
  EXPECT_EQ(procLog()[0].window, a);
  EXPECT_EQ(procLog()[0].lParam, reinterpret_cast<LPARAM>(b));
  ReleaseCapture();
  EXPECT_EQ(procLog().back().window, b);
  EXPECT_EQ(GetCapture(), nullptr);
  // A holder going away leaves no capture behind.
  SetCapture(a);
  DestroyWindow(a);
  backend->loop.runPending();
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowTest, DefaultProcedureAnswers) {
  HWND__* top = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  HWND__* child = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, top, nullptr, 0);
  struct Case {
    UINT message;
    LRESULT expected;
  } cases[] = {{WM_KEYDOWN, 69}, {WM_KEYUP, 69}, {WM_CLOSE, 0}, {WM_USER, 0}, {WM_NCRBUTTONUP, 1}};
  for (const Case& c : cases)
    EXPECT_EQ(DefWindowProc(child, c.message, 0, 0), c.expected) << c.message;
  // Wheel and context-menu messages go up to the parent.
  procLog().clear();
  DefWindowProc(child, WM_MOUSEWHEEL, 120 << 16, 0);
  ASSERT_EQ(procLog().size(), 1u);
  EXPECT_EQ(procLog()[0].window, top);
  EXPECT_EQ(DefWindowProc(top, WM_MOUSEWHEEL, 0, 0), 0);  // a content view passes nothing up
}

TEST_F(WindowTest, DroppedFilesAreReadOnlyWithinTheirBlock) {
  auto makeDrop = [](const std::string& paths, uint32_t offset, bool terminated) {
    size_t size = sizeof(DROPFILES) + paths.size() + (terminated ? 2 : 0);
    HANDLE h = GlobalAlloc(0, static_cast<long>(size));
    auto* p = static_cast<char*>(GlobalLock(h));
    std::memset(p, 0, size);
    DROPFILES rec{offset, {3, 4}, 0, 0};
    std::memcpy(p, &rec, sizeof rec);
    std::memcpy(p + sizeof rec, paths.data(), paths.size());
    GlobalUnlock(h);
    return h;
  };
  std::string two("/a/b.pr4\0/c.pr4", 15);
  HANDLE good = makeDrop(two, sizeof(DROPFILES), true);
  char buf[8];
  EXPECT_EQ(DragQueryFile(good, -1, nullptr, 0), 2);
  EXPECT_EQ(DragQueryFile(good, 0, buf, sizeof buf), 8);
  EXPECT_STREQ(buf, "/a/b.pr");
  EXPECT_EQ(DragQueryFile(good, 1, nullptr, 0), 6);
  EXPECT_EQ(DragQueryFile(good, 2, buf, sizeof buf), 0);
  POINT pt;
  EXPECT_TRUE(DragQueryPoint(good, &pt));
  EXPECT_EQ(pt.x, 3);
  HANDLE unterminated = makeDrop("/never/ends", sizeof(DROPFILES), false);
  HANDLE pastEnd = makeDrop(two, 100000, true);
  for (HANDLE bad : {unterminated, pastEnd}) {
    EXPECT_EQ(DragQueryFile(bad, -1, nullptr, 0), 0);
    EXPECT_EQ(DragQueryFile(bad, 0, buf, sizeof buf), 0);
  }
  for (HANDLE h : {good, unterminated, pastEnd}) GlobalFree(h);
}

// A document view stands for its scroll view; a window for its content view. A window without
// a title bar and with an empty content view is hidden from accessibility.
TEST_F(WindowTest, EffectiveViewAndIgnoredWindows) {
  HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  WEMU_MakeSetCurParms(1, 1, 0, 0, dlg, false, false);
  HWND__* scroll = WEMU_MakeEditField(7, 10, 10, 100, 60, WEMU_WS_VSCROLL);
  HWND__* text = GetDlgItem(dlg, 7);
  ASSERT_NE(text, scroll);
  EXPECT_EQ(GetEffectiveView(text), scroll);
  EXPECT_EQ(GetEffectiveView(windowOf(dlg)), dlg);
  EXPECT_EQ(GetEffectiveView(nullptr), nullptr);
  struct Case {
    uint32_t style;
    bool empty, expected;
  } cases[] = {{0, true, true}, {0, false, false}, {vq::platform::kWindowTitled, true, false}};
  for (const Case& c : cases) {
    windowOf(dlg)->setStyleMask(c.style);
    if (c.empty) scroll->removeFromSuperview();
    EXPECT_EQ(windowOf(dlg)->accessibilityIgnoredOr(false), c.expected) << c.style << c.empty;
    if (c.empty) dlg->addSubview(scroll);
  }
  DestroyWindow(dlg);
}

TEST_F(WindowTest, StaleForeignAndUnbuiltHandlesAreRefused) {
  // A window's handle is never taken by a later window while callers may still hold it: a
  // message posted to it after it went reaches no new window.
  HWND__* old = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  DestroyWindow(old);
  backend->loop.runPending();
  std::vector<HWND__*> later;
  for (int i = 0; i < 64; ++i)
    later.push_back(WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0));
  for (HWND__* h : later) EXPECT_NE(h, old);
  procLog().clear();
  EXPECT_FALSE(PostMessage(old, WM_USER, 0, 0));
  tick();
  EXPECT_TRUE(procLog().empty());

  int foreign = 0;
  HWND__* bogus = reinterpret_cast<HWND__*>(&foreign);
  EXPECT_EQ(SendMessage(bogus, WM_USER, 0, 0), 0);
  EXPECT_FALSE(IsWindow(bogus));
  EXPECT_EQ(GetParent(bogus), nullptr);
  EXPECT_FALSE(SetProp(bogus, "x", nullptr));
  EXPECT_FALSE(DestroyWindow(old));

  // Not registered before it is whole.
  struct Unbuilt : HWND__ {
    Unbuilt() { liveWhileBuilding = WEMU_IsLiveWindow(this) || PostMessage(this, WM_USER, 0, 0); }
    ~Unbuilt() override { retire(); }
    bool liveWhileBuilding;
  } unbuilt;
  EXPECT_FALSE(unbuilt.liveWhileBuilding);

  // Off the main thread every window function gives its failure value.
  HWND__* w = later.front();
  bool offThreadTouched = true;
  std::thread t([&] {
    RECT r;
    offThreadTouched = ShowWindow(w, SW_SHOW) || DestroyWindow(w) || GetWindowRect(w, &r) ||
                       WEMU_CreateDialog(list, 40001, nullptr, nullptr, 0) ||
                       SetProp(w, "x", nullptr);
  });
  t.join();
  EXPECT_FALSE(offThreadTouched);
  EXPECT_TRUE(IsWindow(w));
}

}  // namespace
