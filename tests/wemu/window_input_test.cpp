// Mouse, wheel, gesture, drop and accessibility input of window views.
#include "wemu/window_input.h"

#include "wemu/utilities.h"
#include "wemu/window_accessibility.h"
#include "window_test_support.h"

namespace {

using vq::platform::Event;
using vq::platform::EventType;

class WindowInput : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    dlg = dynamic_cast<WEMU_WindowView*>(WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0));
    procAnswer() = [this](HWND__*, UINT m, WPARAM, LPARAM) -> LRESULT {
      return m == WM_NCHITTEST ? hitCode : 0;
    };
  }
  Event event(EventType type, int clicks = 1, uint32_t mods = 0) {
    Event e;
    e.type = type;
    e.clickCount = clicks;
    e.modifierFlags = mods;
    e.window = dlg->window();
    e.locationInWindow = {10, 790};
    return e;
  }
  std::vector<UINT> mouseMessages(HWND__* only) {
    return loggedMessages(only, {WM_NCHITTEST, WM_SETCURSOR, WM_SIZE, WM_NCCALCSIZE, WM_ERASEBKGND,
                                 WM_GETMINMAXINFO, WM_MOUSEACTIVATE});
  }
  WEMU_WindowView* dlg = nullptr;
  LRESULT hitCode = 1;
};

TEST_F(WindowInput, EventsBecomeButtonAndWheelMessages) {
  struct Case {
    std::vector<Event> events;
    bool enabled;
    std::vector<UINT> want;
  };
  const uint32_t ctrl = vq::platform::kControlFlag;
  Event wheelBoth = event(EventType::ScrollWheel), wheelX = wheelBoth, wheelNone = wheelBoth;
  wheelBoth.deltaY = 1;
  wheelBoth.deltaX = 1;
  wheelX.deltaX = -2;
  // DefWindowProc turns each right-button release into a context-menu request.
  std::vector<Case> cases = {
      {{event(EventType::LeftMouseDown), event(EventType::LeftMouseUp)},
       true,
       {WM_LBUTTONDOWN, WM_LBUTTONUP}},
      {{event(EventType::LeftMouseDown, 2)}, true, {WM_LBUTTONDBLCLK}},
      {{event(EventType::LeftMouseDown, 1, ctrl), event(EventType::LeftMouseUp)},
       true,
       {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_CONTEXTMENU}},
      {{event(EventType::RightMouseDown, 2), event(EventType::RightMouseUp)},
       true,
       {WM_RBUTTONDBLCLK, WM_RBUTTONUP, WM_CONTEXTMENU}},
      {{event(EventType::OtherMouseDown), event(EventType::OtherMouseUp)},
       true,
       {WM_MBUTTONDOWN, WM_MBUTTONUP}},
      {{event(EventType::LeftMouseDragged)}, true, {WM_MOUSEMOVE}},
      {{wheelBoth, wheelX, wheelNone}, true, {WM_MOUSEWHEEL, WM_MOUSEHWHEEL}},
      // A disabled view still hears right and middle presses, nothing else.
      {{event(EventType::LeftMouseDown), event(EventType::RightMouseDown),
        event(EventType::RightMouseUp), event(EventType::OtherMouseDown), wheelBoth},
       false,
       {WM_RBUTTONDOWN, WM_MBUTTONDOWN}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    dlg->setEnabled(cases[i].enabled);
    procLog().clear();
    for (const Event& e : cases[i].events) dlg->handleEvent(e);
    EXPECT_EQ(mouseMessages(dlg), cases[i].want) << i;
  }
  dlg->setEnabled(true);
  dlg->window()->makeFirstResponder(nullptr);
  procLog().clear();
  dlg->handleEvent(event(EventType::LeftMouseDown));
  EXPECT_EQ(procLog().back().lParam, (10 << 16) | 10);  // the position in the flipped view
  // The click focused the view, asking it WM_MOUSEACTIVATE first.
  EXPECT_EQ(dlg->window()->firstResponder(), dlg);
  EXPECT_EQ(loggedMessages(dlg, {WM_NCHITTEST, WM_SETCURSOR})[0], UINT{WM_MOUSEACTIVATE});

  // Outside the client area the non-client messages go, with the hit code.
  hitCode = 2;
  procLog().clear();
  dlg->handleEvent(event(EventType::LeftMouseDown));
  EXPECT_EQ(mouseMessages(dlg), std::vector<UINT>{0xA1});
  EXPECT_EQ(procLog().back().wParam, 2u);
}

TEST_F(WindowInput, CaptureTakesTheMessagesWithoutHitTest) {
  WEMU_DialogResourceIndex child{5,  nullptr, WEMU_WF_CHILD | WEMU_WF_FLIPPED, nullptr, 50,
                                 50, list};
  HWND__* holder = WEMU_CreateDialog(&child, 5, dlg, recordingProc, 0);
  ASSERT_TRUE(holder);
  SetCapture(holder);
  procLog().clear();
  dlg->handleEvent(event(EventType::LeftMouseDown));
  EXPECT_EQ(mouseMessages(dlg), std::vector<UINT>{});
  EXPECT_EQ(loggedMessages(holder), std::vector<UINT>{WM_LBUTTONDOWN});
  ReleaseCapture();
}

TEST_F(WindowInput, WheelDeltaIsClampedTo16Bits) {
  struct Case {
    double delta;
    int want;
  } cases[] = {{1, 60}, {-1, -60}, {0.01, 0}, {1000, 32767}, {-1000, -32768}};
  for (const Case& c : cases) {
    WPARAM w = WEMU_WheelWParam(c.delta);
    EXPECT_EQ(static_cast<int16_t>((w >> 16) & 0xFFFF), c.want) << c.delta;
    EXPECT_EQ(w & 0xFFFF, 0u);
  }
}

TEST_F(WindowInput, GesturesSendBeginAndEnd) {
  struct Case {
    EventType type;
    double dx, dy, dz, rotation;
    uint32_t id;
    uint64_t endArg;
    int endDx, endDy;
  } cases[] = {
      {EventType::Magnify, 0, 0, 0.0001, 0, GID_ZOOM, 1025, 0, 0},  // never 1024
      {EventType::Magnify, 0, 0, -0.0001, 0, GID_ZOOM, 1023, 0, 0},
      {EventType::Magnify, 0, 0, 0.5, 0, GID_ZOOM, 1536, 0, 0},
      {EventType::Magnify, 0, 0, 9, 0, GID_ZOOM, 2048, 0, 0},
      {EventType::Rotate, 0, 0, 0, 30, GID_ROTATE, 0x7FFF + 16383, 0, 0},
      {EventType::Rotate, 0, 0, 0, 1000, GID_ROTATE, 0xFFFF, 0, 0},
      {EventType::Rotate, 0, 0, 0, -1000, GID_ROTATE, 0, 0, 0},
      {EventType::Swipe, -1, 0, 0, 0, GID_PAN, 0, -1140, 0},
      {EventType::Swipe, 0, 1, 0, 0, GID_PAN, 0, 0, -800},
  };
  std::vector<GESTUREINFO> got;
  std::vector<WPARAM> wparams;
  procAnswer() = [&](HWND__*, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_GESTURE) {
      got.push_back(*reinterpret_cast<GESTUREINFO*>(lp));
      wparams.push_back(wp);
    }
    return 0;
  };
  for (const Case& c : cases) {
    got.clear();
    wparams.clear();
    Event e = event(c.type);
    e.deltaX = c.dx;
    e.deltaY = c.dy;
    e.deltaZ = c.dz;
    e.rotation = c.rotation;
    dlg->handleEvent(e);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].dwFlags, GF_BEGIN);
    EXPECT_EQ(got[1].dwFlags, GF_END);
    EXPECT_EQ(got[1].dwID, c.id);
    EXPECT_EQ(got[0].ullArguments, c.id == GID_ZOOM ? 1024u : 0u);
    EXPECT_EQ(wparams[0], 0u);
    EXPECT_EQ(got[1].ullArguments, c.endArg) << int(c.type) << " " << c.dz << " " << c.rotation;
    EXPECT_EQ(wparams[1], c.endArg);
    EXPECT_EQ(got[1].x - got[0].x, static_cast<int16_t>(c.endDx));
    EXPECT_EQ(got[1].y - got[0].y, static_cast<int16_t>(c.endDy));
    EXPECT_EQ(got[0].hwndTarget, dlg);
  }
}

TEST_F(WindowInput, DroppedFilesReachTheProcedureInOrder) {
  std::vector<std::string> received;
  POINT at{};
  procAnswer() = [&](HWND__*, UINT m, WPARAM wp, LPARAM) -> LRESULT {
    if (m == WM_DROPFILES) {
      auto drop = reinterpret_cast<HDROP>(wp);
      int n = DragQueryFile(drop, -1, nullptr, 0);
      for (int i = 0; i < n; ++i) {
        char buf[256];
        DragQueryFile(drop, i, buf, sizeof buf);
        received.push_back(buf);
      }
      DragQueryPoint(drop, &at);
    }
    return 0;
  };
  vq::platform::DragInfo info;
  info.fileNames = {"/music/b.pr4", "/" + std::string(5000, 'x'), "/music/a.pr4"};
  info.locationInWindow = {30, 700};
  EXPECT_EQ(dlg->draggingEntered(info), vq::platform::kDragOperationNone);
  EXPECT_FALSE(dlg->performDragOperation(info));  // not a drop view
  EXPECT_TRUE(received.empty());

  dlg->supportsDrop = true;
  EXPECT_EQ(dlg->draggingEntered(info), vq::platform::kDragOperationGeneric);
  EXPECT_TRUE(dlg->performDragOperation(info));
  // The path that does not fit is left out whole.
  EXPECT_EQ(received, (std::vector<std::string>{"/music/b.pr4", "/music/a.pr4"}));
  EXPECT_EQ(at.x, 30);
  EXPECT_EQ(at.y, 100);

  received.clear();
  info.fileNames = {"/" + std::string(5000, 'y')};
  EXPECT_FALSE(dlg->performDragOperation(info));
  EXPECT_TRUE(received.empty());

  // Promised files are only named for the enter hook; without a folder hook nothing drops.
  std::string entered;
  WEMU_DropHooks hooks;
  hooks.enter = [&](HANDLE record, POINT) {
    char buf[64];
    DragQueryFile(record, 0, buf, sizeof buf);
    entered = buf;
  };
  WEMU_SetDropHooks(hooks);
  info.fileNames.clear();
  info.promisedTypes = {"pr4"};
  dlg->draggingEntered(info);
  EXPECT_EQ(entered, "tmp.pr4");
  EXPECT_FALSE(dlg->performDragOperation(info));
  WEMU_SetDropHooks({});
}

class Element : public WEMU_AccessibilityElement {
 public:
  bool ignored = false;
  bool isIgnored() const override { return ignored; }
};

TEST_F(WindowInput, AccessibilityAsksTheProcedureForItsElement) {
  Element own, a, b;
  Element* supplied = nullptr;
  procAnswer() = [&](HWND__*, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_GETOBJECT && wp == WEMU_OBJID_ACCESSIBLE)
      *reinterpret_cast<WEMU_AccessibilityElement**>(lp) = supplied;
    return 0;
  };
  EXPECT_EQ(WEMU_AccessibilityHitTest(dlg, {1, 1}, &a), &a);
  EXPECT_FALSE(WEMU_AccessibilityIsIgnored(dlg, false));
  supplied = &own;
  EXPECT_EQ(WEMU_AccessibilityHitTest(dlg, {1, 1}, &a), &own);
  EXPECT_TRUE(WEMU_AccessibilityIsIgnored(dlg, false));  // no subviews, an element supplied
  own.ignored = true;
  EXPECT_EQ(WEMU_AccessibilityHitTest(dlg, {1, 1}, &a), &a);
  own.ignored = false;
  b.ignored = true;
  int before = WEMU_Internal_AccessibilityRebuilds();
  std::vector<WEMU_AccessibilityElement*> inherited{&a, &b};
  auto kids = WEMU_AccessibilityChildren(dlg, WEMU_AccessibilityList::Children, inherited);
  EXPECT_EQ(kids, (std::vector<WEMU_AccessibilityElement*>{&a, &own}));
  WEMU_AccessibilityChildren(dlg, WEMU_AccessibilityList::Children, inherited);
  EXPECT_EQ(WEMU_Internal_AccessibilityRebuilds(),
            before + 1);  // the second answer came from the cache
  inherited.pop_back();
  WEMU_AccessibilityChildren(dlg, WEMU_AccessibilityList::Children, inherited);
  EXPECT_EQ(WEMU_Internal_AccessibilityRebuilds(), before + 2);
  supplied = nullptr;
  EXPECT_EQ(WEMU_AccessibilityChildren(dlg, WEMU_AccessibilityList::Children, inherited),
            inherited);
}

}  // namespace

namespace {

TEST_F(WindowInput, MovesGoToTheWindowUnderThePointerOnce) {
  HWND__* front = WEMU_CreateDialog(list, 40002, nullptr, recordingProc, 0);
  ShowWindow(dlg, SW_SHOW);
  ShowWindow(front, SW_SHOW);
  static_cast<vq::platform::Window*>(windowOf(dlg))->setFrame({0, 0, 1140, 800});
  static_cast<vq::platform::Window*>(windowOf(front))->setFrame({100, 100, 420, 160});
  struct Case {
    vq::platform::Point at;  // in the back window
    bool modal;
    HWND__* want;
  } cases[] = {{{150, 150}, false, front}, {{50, 50}, false, dlg}, {{150, 150}, true, dlg}};
  for (const Case& c : cases) {
    vq::platform::Window::setModalWindow(c.modal ? windowOf(front) : nullptr);
    procLog().clear();
    Event e = event(EventType::MouseMoved);
    e.locationInWindow = c.at;
    dlg->handleEvent(e);
    std::vector<Logged> moves;
    for (const Logged& l : procLog())
      if (l.message == WM_MOUSEMOVE) moves.push_back(l);
    ASSERT_EQ(moves.size(), 1u) << c.at.x << " " << c.modal;
    EXPECT_EQ(moves[0].window, c.want);
  }
  vq::platform::Window::setModalWindow(nullptr);

  // A click into an inactive window activates the view and its parent view.
  procLog().clear();
  EXPECT_TRUE(WEMU_WindowViewAcceptsFirstMouse(dlg));
  EXPECT_EQ(loggedMessages(dlg), std::vector<UINT>{WM_MOUSEACTIVATE});
  dlg->setEnabled(false);
  EXPECT_FALSE(WEMU_WindowViewAcceptsFirstMouse(dlg));
}

}  // namespace
