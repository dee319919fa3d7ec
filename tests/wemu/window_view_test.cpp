// The window view: message sequences, destruction, keys, painting, colours, properties, text.
#include <cstring>
#include <string>

#include "wemu/gdi_text.h"
#include "wemu/mem_context.h"
#include "wemu/message_queue.h"
#include "wemu/window_paint.h"
#include "wemu/window_properties.h"
#include "window_test_support.h"

namespace {

using vq::platform::Event;
using vq::platform::EventType;

TEST_F(WindowTest, CreationShowAndDestroyReachTheProceduresInOrder) {
  // A dialog: WM_INITDIALOG, then shown (WM_SHOWWINDOW) and made key (WM_ACTIVATE, then
  // WM_MOUSEACTIVATE); on destruction WM_DESTROY and then silence.
  HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 77);
  ASSERT_NE(dlg, nullptr);
  EXPECT_EQ(procLog().front().lParam, 77);
  ShowWindow(dlg, SW_SHOW);
  DestroyWindow(dlg);
  EXPECT_EQ(loggedMessages(), (std::vector<UINT>{WM_INITDIALOG, WM_SHOWWINDOW, WM_ACTIVATE,
                                                 WM_MOUSEACTIVATE, WM_DESTROY}));
  procLog().clear();
  EXPECT_EQ(SendMessage(dlg, WM_USER, 0, 0), 0);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_TRUE(procLog().empty());

  // A child without a template: WM_CREATE to its own window procedure with the parameter.
  HWND__* top = WEMU_CreateDialog(list, 40001, nullptr, nullptr, 0);
  procLog().clear();
  HWND__* child = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, top, recordingProc, 5);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->superview(), top);
  ASSERT_EQ(procLog().size(), 1u);
  EXPECT_EQ(procLog()[0].message, UINT{WM_CREATE});
  EXPECT_EQ(procLog()[0].lParam, 5);
}

TEST_F(WindowTest, DestroyReachesSubviewsAndDropsTimersPostsAndCapture) {
  HWND__* top = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  HWND__* a = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, top, recordingProc, 0);
  HWND__* b = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, a, recordingProc, 0);
  SetTimer(b, 1, 10, nullptr);
  PostMessage(b, WM_USER, 0, 0);
  SetCapture(b);
  procLog().clear();
  DestroyWindow(top);
  std::vector<HWND__*> order;
  for (const Logged& l : procLog())
    if (l.message == WM_DESTROY) order.push_back(l.window);
  EXPECT_EQ(order, (std::vector<HWND__*>{top, a, b}));  // the parent first, then inwards
  EXPECT_EQ(GetCapture(), nullptr);
  procLog().clear();
  advance(1);
  EXPECT_TRUE(procLog().empty());
  EXPECT_EQ(WEMU_Internal_TimerCount(), 0);
}

TEST_F(WindowTest, DestroyFromInsideTheProcedureFreesOnlyAfterItReturns) {
  // DestroyWindow in WM_CLOSE and in WM_COMMAND, and a property left behind: nothing is freed
  // under the running procedure (the address checker watches) and all is freed afterwards.
  for (UINT trigger : {UINT{WM_CLOSE}, UINT{WM_COMMAND}}) {
    int before = WEMU_Internal_AdoptedCount();
    HWND__* dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    SetProp(dlg, "left", nullptr);
    procAnswer() = [trigger](HWND__* w, UINT m, WPARAM, LPARAM) -> LRESULT {
      if (m != trigger) return 0;
      DestroyWindow(w);
      SetWindowLong(w, GWL_USERDATA, 1);  // the stale handle is refused, not written
      return 1;
    };
    SendMessage(dlg, trigger, 0, 0);
    EXPECT_FALSE(IsWindow(dlg));
    advance(0.01);
    EXPECT_EQ(WEMU_Internal_AdoptedCount(), before) << trigger;
  }
}

TEST_F(WindowTest, KeysAreHandedOnOnlyWhenTheAnswerIs69) {
  struct Case {
    bool ownProcedure;
    LRESULT answer;
    bool consumed;
  } cases[] = {{true, 0, true}, {true, 69, false}, {false, 0, false}, {false, 1, true}};
  for (const Case& c : cases) {
    procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM) { return m == WM_KEYDOWN ? c.answer : 0; };
    HWND__* h = c.ownProcedure
                    ? WEMU_CreateDialog(list, WEMU_NORESOURCE_ID | 1, nullptr, recordingProc, 0)
                    : WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    Event e;
    e.type = EventType::KeyDown;
    e.keyCode = 0;
    e.characters = e.charactersIgnoringModifiers = U"a";
    EXPECT_EQ(WEMU_WindowViewOf(h)->wemuKey(e), c.consumed) << c.ownProcedure << " " << c.answer;
    DestroyWindow(h);
  }
}

TEST_F(WindowTest, InitDialogFocusRules) {
  static WEMU_DialogResourceIndex withField{
      7,
      nullptr,
      12,
      [](HWND__* view, int) {
        auto* field = new RecordingWindow(vq::platform::ViewKind::TextField);
        field->setTag(9);
        WEMU_Internal_Adopt(field);
        view->addSubview(field);
      },
      100,
      100,
      nullptr};
  struct Case {
    LRESULT answer;
    bool dialogItself;
  } cases[] = {{0, false}, {1, false}, {WEMU_FOCUS_DIALOG_VIEW, true}};
  for (const Case& c : cases) {
    procAnswer() = [&](HWND__*, UINT m, WPARAM, LPARAM) {
      return m == WM_INITDIALOG ? c.answer : 0;
    };
    procLog().clear();
    HWND__* dlg = WEMU_CreateDialog(&withField, 7, nullptr, recordingProc, 0);
    HWND__* field = GetDlgItem(dlg, 9);
    EXPECT_EQ(procLog().front().wParam, reinterpret_cast<WPARAM>(field));
    EXPECT_EQ(dlg->window()->firstResponder(), c.dialogItself ? dlg : field) << c.answer;
    EXPECT_EQ(windowOf(dlg)->wantInitialKeyWindowOnShow, c.answer != 0);
    DestroyWindow(dlg);
  }
}

// A control that takes colours from its dialog.
class ColouredControl : public HWND__, public WEMU_ColoredControl {
 public:
  explicit ColouredControl(Kind k) : mKind(k) { publish(); }
  ~ColouredControl() override { retire(); }
  Kind wemuColorKind() const override { return mKind; }
  void wemuSetTextColor(std::optional<COLORREF> c) override {
    ++sets;
    color = c;
  }
  Kind mKind;
  int sets = 0;
  std::optional<COLORREF> color;
};

TEST_F(WindowTest, ColouringPassAsksOncePerKindAndColoursEveryControl) {
  static std::vector<ColouredControl*> made;
  made.clear();
  static WEMU_DialogResourceIndex tmpl{8,
                                       nullptr,
                                       12,
                                       [](HWND__* view, int) {
                                         for (auto k : {WEMU_ColoredControl::Kind::StaticText,
                                                        WEMU_ColoredControl::Kind::ImageButton,
                                                        WEMU_ColoredControl::Kind::StaticText}) {
                                           made.push_back(new ColouredControl(k));
                                           WEMU_Internal_Adopt(made.back());
                                           view->addSubview(made.back());
                                         }
                                       },
                                       100,
                                       100,
                                       nullptr};
  procAnswer() = [](HWND__*, UINT m, WPARAM wp, LPARAM) -> LRESULT {
    if (m == WM_CTLCOLORSTATIC) SetTextColor(reinterpret_cast<HDC>(wp), 0x112233);
    return 0;
  };
  HWND__* dlg = WEMU_CreateDialog(&tmpl, 8, nullptr, recordingProc, 0);
  std::vector<UINT> asked = loggedMessages();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), UINT{WM_CTLCOLORSTATIC}), 1);
  EXPECT_EQ(std::count(asked.begin(), asked.end(), UINT{WM_CTLCOLORBTN}), 1);
  EXPECT_EQ(made[0]->color, std::optional<COLORREF>(0x112233));
  EXPECT_EQ(made[2]->color, std::optional<COLORREF>(0x112233));
  EXPECT_EQ(made[1]->sets, 0);               // no answer and no reset: the button keeps its colour
  SendMessage(dlg, WM_DISPLAYCHANGE, 0, 0);  // the reset pass gives it the default
  EXPECT_EQ(made[1]->sets, 1);
  EXPECT_EQ(made[1]->color, std::nullopt);
}

TEST_F(WindowTest, PropertiesByAtomAndNameNewestFirst) {
  HWND__* w = WEMU_CreateDialog(list, 40001, nullptr, nullptr, 0);
  const char* atom = reinterpret_cast<const char*>(0x1234);
  int a = 1, b = 2, c = 3;
  EXPECT_EQ(EnumPropsEx(w, nullptr, 0), -1);
  EXPECT_TRUE(SetProp(w, "one", &a));
  EXPECT_TRUE(SetProp(w, atom, &b));
  EXPECT_TRUE(SetProp(w, "one", &c));  // replaces
  EXPECT_EQ(GetProp(w, "one"), &c);
  EXPECT_EQ(GetProp(w, atom), &b);
  EXPECT_EQ(GetProp(w, "\x34\x12"), nullptr);  // an atom never matches a string
  static std::vector<void*> seen;
  seen.clear();
  auto all = [](HWND__*, const char*, void* data, LPARAM) -> BOOL {
    return seen.push_back(data), TRUE;
  };
  auto first = [](HWND__*, const char*, void* data, LPARAM) -> BOOL {
    return seen.push_back(data), FALSE;
  };
  EXPECT_EQ(EnumPropsEx(w, all, 0), 1);
  EXPECT_EQ(seen, (std::vector<void*>{&b, &c}));
  EXPECT_EQ(EnumPropsEx(w, first, 0), 0);
  EXPECT_EQ(RemoveProp(w, atom), &b);
  EXPECT_EQ(GetProp(w, atom), nullptr);
  EXPECT_EQ(GetProp(nullptr, "one"), nullptr);
  // The rest goes with the window (the leak checker would see it otherwise).
}

TEST_F(WindowTest, TextIsCutAtACharacterBoundary) {
  HWND__* top = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID | 1, nullptr, nullptr, 0);
  HWND__* w = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, top, nullptr, 0);
  std::string text = std::string(1022, 'a') + "\xC3\xA9";  // 1024 bytes, the last character split
  SetDlgItemText(w, 0, text.c_str());
  char out[2048];
  GetDlgItemText(w, 0, out, sizeof out);
  EXPECT_EQ(std::strlen(out), 1022u);
  std::string short_ = "\xC3\xA9t\xC3\xA9";
  SetDlgItemText(w, 0, short_.c_str());
  struct Case {
    int size;
    const char* expected;
  } cases[] = {{1, ""}, {2, ""}, {3, "\xC3\xA9"}, {4, "\xC3\xA9t"}, {100, short_.c_str()}};
  for (const Case& c : cases) {
    std::memset(out, 'x', sizeof out);
    EXPECT_TRUE(GetDlgItemText(w, 0, out, c.size));
    EXPECT_STREQ(out, c.expected) << c.size;
  }
  out[0] = 'x';
  GetDlgItemText(w, 0, out, 0);
  EXPECT_EQ(out[0], 'x');  // a size below 1 copies nothing
}

}  // namespace

namespace {

TEST_F(WindowTest, InvalidationMarksUpToTheFirstMarkedAncestorAndUpdatePaints) {
  HWND__* top = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  HWND__* a = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, top, recordingProc, 0);
  HWND__* b = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, a, recordingProc, 0);
  for (HWND__* h : {top, a, b}) ShowWindow(h, SW_SHOW);
  auto* vt = WEMU_WindowViewOf(top);
  auto* va = WEMU_WindowViewOf(a);
  auto* vb = WEMU_WindowViewOf(b);
  UpdateWindow(top);  // paints what creation left dirty
  EXPECT_EQ(vt->isDirty | va->isDirty | vb->isDirty, 0);
  va->isDirty = 2;
  InvalidateRect(b, nullptr, FALSE);
  EXPECT_EQ(vb->isDirty, 1);
  EXPECT_EQ(va->isDirty, 2);
  EXPECT_EQ(vt->isDirty, 0);  // the walk stopped at the first marked one
  procLog().clear();
  UpdateWindow(b);
  std::vector<HWND__*> painted;
  for (const Logged& l : procLog())
    if (l.message == WM_PAINT) painted.push_back(l.window);
  EXPECT_EQ(painted, (std::vector<HWND__*>{b}));
  EXPECT_EQ(vb->isDirty, 0);
}

}  // namespace

namespace {

TEST_F(WindowTest, WhileTheLoopRunsForOneWindowOnlyItsTimersArrive) {
  HWND__* a = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  HWND__* b = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
  SetTimer(a, 1, 10, nullptr);
  SetTimer(b, 1, 10, nullptr);
  WEMU_SetTimerWindowRestriction(a);
  procLog().clear();
  advance(0.05);
  WEMU_SetTimerWindowRestriction(nullptr);
  for (const Logged& l : procLog()) EXPECT_EQ(l.window, a);
  EXPECT_FALSE(procLog().empty());
}

}  // namespace
