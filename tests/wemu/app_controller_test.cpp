// The application object: the application-message table with its consumption rules, the
// shell's first look at keys, auto-repeat coalescing, and the dialog keys.
#include "wemu_fixture.h"

namespace {

using vq::platform::Event;
using vq::platform::EventType;
using vq::platform::View;
using vq::platform::ViewKind;
using vq::platform::Window;

struct AppCall {
  int message;
  intptr_t p1;
  intptr_t p2;
};

std::vector<AppCall> gCalls;
std::vector<WEMU_KeyMessage> gKeys;
std::string gOpenedPath;
std::map<int, intptr_t> gResults;

intptr_t handler(int message, intptr_t p1, intptr_t p2) {
  gCalls.push_back({message, p1, p2});
  if (message == WEMU_APPMSG_KEY) gKeys.push_back(*reinterpret_cast<WEMU_KeyMessage*>(p1));
  if (message == WEMU_APPMSG_OPEN_FILE) gOpenedPath = reinterpret_cast<const char*>(p1);
  auto it = gResults.find(message);
  return it == gResults.end() ? 0 : it->second;
}

// A text view that records copy, cut and paste.
class TextView : public View {
 public:
  using View::View;
  bool performTextAction(vq::platform::TextAction a, View* sender) override {
    actions.push_back(a);
    senders.push_back(sender);
    return true;
  }
  std::vector<vq::platform::TextAction> actions;
  std::vector<View*> senders;
};

class AppControllerTest : public WemuTest {
 protected:
  void SetUp() override {
    WemuTest::SetUp();
    gCalls.clear();
    gKeys.clear();
    gResults.clear();
    gOpenedPath.clear();
    WEMU_SetAppMessageHandler(&handler);
    WEMU_InstallApplication();
  }
  std::vector<int> messages() const {
    std::vector<int> out;
    for (const auto& c : gCalls) out.push_back(c.message);
    return out;
  }
  Event keyDown(Window* w, uint16_t code, std::u32string chars, uint32_t mods = 0) {
    Event e;
    e.type = EventType::KeyDown;
    e.window = w;
    e.keyCode = code;
    e.characters = chars;
    e.charactersIgnoringModifiers = chars;
    e.modifierFlags = mods;
    return e;
  }
  void send(const Event& e) {
    backend->app.postEvent(e);
    backend->app.processEvents();
  }
};

TEST_F(AppControllerTest, LoadingSendsMessageOneAndStartsTheQueue) {
  EXPECT_EQ(messages(), (std::vector<int>{1}));
  EXPECT_TRUE(WEMU_Internal_PostMessage_IsInitialized());
  EXPECT_NE(backend->app.delegate(), nullptr);
}

TEST_F(AppControllerTest, ApplicationMainLaunchesOnce) {
  EXPECT_EQ(WEMU_ApplicationMain(), 0);
  EXPECT_EQ(messages(), (std::vector<int>{1, 2, 4096}));
}

TEST_F(AppControllerTest, LifecycleMessages) {
  backend->app.launch();
  EXPECT_EQ(messages(), (std::vector<int>{1, 2, 4096}));
  EXPECT_EQ(gCalls.back().p1, 1);
  backend->app.deactivate();
  EXPECT_EQ(gCalls.back().message, 4096);
  EXPECT_EQ(gCalls.back().p1, 0);
}

TEST_F(AppControllerTest, ActivationBroadcastsToWindowsOnlyWhenTheShellAnswersZero) {
  Window window;
  RecordingWindow content;
  window.setContentView(&content);
  window.orderFront();
  backend->app.activate();
  EXPECT_EQ(content.messages(), (std::vector<RecordedMessage>{{WM_ACTIVATEAPP, 1, 0}}));
  backend->app.deactivate();
  EXPECT_EQ(content.messages().back(), (RecordedMessage{WM_ACTIVATEAPP, 0, 0}));
  gResults[4096] = 1;
  backend->app.activate();
  EXPECT_EQ(content.messages().size(), 2u);
  window.setContentView(nullptr);
}

TEST_F(AppControllerTest, TerminationFollowsMessageFour) {
  gResults[4] = 1;  // later
  WEMU_PostQuitMessage(nullptr);
  EXPECT_TRUE(WEMU_IsQuitting());
  EXPECT_FALSE(backend->app.isTerminated());
  EXPECT_EQ(messages().back(), 4);
  backend->app.replyToTerminate(true);
  EXPECT_TRUE(backend->app.isTerminated());
  EXPECT_EQ(messages().back(), 3);
}

TEST_F(AppControllerTest, TerminationAtOnceWhenMessageFourAnswersBelowOne) {
  gResults[4] = 0;
  WEMU_PostQuitMessage(nullptr);
  EXPECT_TRUE(backend->app.isTerminated());
  EXPECT_EQ(messages(), (std::vector<int>{1, 4, 3}));
}

TEST_F(AppControllerTest, OpenFileAndUntitled) {
  EXPECT_FALSE(backend->app.openFile("")) << "an empty path answers no without a message";
  EXPECT_EQ(messages(), (std::vector<int>{1}));
  EXPECT_FALSE(backend->app.openFile("/x/a.pr4"));
  EXPECT_EQ(gOpenedPath, "/x/a.pr4");
  gResults[80] = 1;
  EXPECT_TRUE(backend->app.openFile(std::string(5000, 'a')));
  EXPECT_EQ(gOpenedPath.size(), 4095u) << "at most 4095 bytes";
  auto* delegate = backend->app.delegate();
  EXPECT_FALSE(delegate->openUntitledFile());
  gResults[81] = 1;
  gResults[82] = 2;
  EXPECT_TRUE(delegate->openUntitledFile());
  EXPECT_TRUE(delegate->shouldOpenUntitledFile());
}

TEST_F(AppControllerTest, MenuCommandsCarryTheTag) {
  ASSERT_NE(WEMU_GetAppController(), nullptr);
  WEMUAppController& controller = *WEMU_GetAppController();
  vq::platform::MenuItem* item = vq::platform::MenuItem::create("About");
  item->setTag(0);
  controller.onSysMenuCommand(*item);
  EXPECT_EQ(messages().back(), 1) << "tag 0 sends nothing";
  item->setTag(40010);
  item->setTarget(&controller);
  item->setAction(WEMU_ACTION_SYS_MENU_COMMAND);
  EXPECT_TRUE(item->perform());
  EXPECT_EQ(gCalls.back().message, 153);
  EXPECT_EQ(gCalls.back().p1, 40010);
  EXPECT_EQ(gCalls.back().p2, reinterpret_cast<intptr_t>(item));
  item->release();
}

TEST_F(AppControllerTest, KeysReachTheShellFirstAndAConsumedKeyGoesNoFurther) {
  Window window;
  RecordingWindow content;
  window.setContentView(&content);
  window.makeFirstResponder(&content);
  send(keyDown(&window, vq::platform::kKeyS, U"s", vq::platform::kCommandFlag));
  ASSERT_EQ(gKeys.size(), 1u);
  EXPECT_EQ(gKeys[0].hwnd, &content);
  EXPECT_EQ(gKeys[0].message, UINT{WM_KEYDOWN});
  EXPECT_EQ(gKeys[0].wParam, 0x53u);
  EXPECT_EQ(gKeys[0].lParam, 9);
  EXPECT_EQ(gKeys[0].time, 0u);
  EXPECT_EQ(backend->app.dispatched.size(), 1u) << "not consumed: it goes its ordinary way";
  gResults[256] = 1;
  Event up = keyDown(&window, vq::platform::kKeyS, U"s");
  up.type = EventType::KeyUp;
  send(up);
  EXPECT_EQ(gKeys.back().message, UINT{WM_KEYUP});
  EXPECT_EQ(backend->app.dispatched.size(), 1u) << "consumed";
  window.setContentView(nullptr);
}

TEST_F(AppControllerTest, KeysWithoutAWindowStillReachTheShell) {
  send(keyDown(nullptr, vq::platform::kKeyA, U"a"));
  ASSERT_EQ(gKeys.size(), 1u);
  EXPECT_EQ(gKeys[0].hwnd, nullptr);
}

TEST_F(AppControllerTest, AWindowWithoutFocusViewKeepsKeysFromTheShell) {
  Window window;
  send(keyDown(&window, vq::platform::kKeyA, U"a"));
  EXPECT_TRUE(gKeys.empty());
  EXPECT_EQ(backend->app.dispatched.size(), 1u);
}

TEST_F(AppControllerTest, WithAModalWindowRunningTheShellSeesNoKeys) {
  Window window, modal;
  RecordingWindow content;
  window.setContentView(&content);
  window.makeFirstResponder(&content);
  Window::setModalWindow(&modal);
  send(keyDown(&window, vq::platform::kKeyA, U"a"));
  EXPECT_TRUE(gKeys.empty());
  Window::setModalWindow(nullptr);
  window.setContentView(nullptr);
}

TEST_F(AppControllerTest, HeldKeyRepeatsAreCoalesced) {
  Window window;
  RecordingWindow content;
  window.setContentView(&content);
  window.makeFirstResponder(&content);
  for (int i = 0; i < 20; ++i) backend->app.postEvent(keyDown(&window, vq::platform::kKeyA, U"a"));
  backend->app.postEvent(keyDown(&window, vq::platform::kKeyS, U"s"));
  backend->app.processEvents();
  // Each "a" but the last sees another "a" within 3 ms and is dropped.
  ASSERT_EQ(gKeys.size(), 2u);
  EXPECT_EQ(gKeys[0].wParam, 'A');
  EXPECT_EQ(gKeys[1].wParam, 'S');
  window.setContentView(nullptr);
}

TEST_F(AppControllerTest, KeysFurtherApartThan3msAreKept) {
  Window window;
  RecordingWindow content;
  window.setContentView(&content);
  window.makeFirstResponder(&content);
  Event first = keyDown(&window, vq::platform::kKeyA, U"a");
  first.timestamp = 1.0;
  Event second = first;
  second.timestamp = 1.01;
  backend->app.postEvent(first);
  backend->app.postEvent(second);
  backend->app.processEvents();
  EXPECT_EQ(gKeys.size(), 2u);
  window.setContentView(nullptr);
}

TEST_F(AppControllerTest, CommandOrOptionKeysGoToAHostedView) {
  Window parent, child;
  RecordingWindow content, hosted;
  child.setContentView(&content);
  child.makeFirstResponder(&content);
  child.setParentWindow(&parent);
  parent.setHostedFocusView(&hosted);
  send(keyDown(&child, vq::platform::kKeyA, U"a", vq::platform::kOptionFlag));
  ASSERT_EQ(gKeys.size(), 1u);
  EXPECT_EQ(gKeys[0].focusView, &hosted);
  send(keyDown(&child, vq::platform::kKeyA, U"a"));
  EXPECT_EQ(gKeys.back().focusView, &content);
  child.setContentView(nullptr);
}

// ---- Dialog keys ------------------------------------------------------------------------

class DialogKeysTest : public AppControllerTest {
 protected:
  void SetUp() override {
    AppControllerTest::SetUp();
    dialog.setContentView(&content);
    content.setFrame({0, 0, 300, 200});
    dialog.orderFront();
  }
  void TearDown() override {
    dialog.setContentView(nullptr);
    AppControllerTest::TearDown();
  }
  std::vector<RecordedMessage> commands() const { return content.messagesOf(WM_COMMAND); }
  void focusOn(View* v) { ASSERT_TRUE(dialog.makeFirstResponder(v)); }
  Event escape(uint32_t mods = 0) {
    return keyDown(&dialog, vq::platform::kKeyEscape, U"\x1b", mods);
  }
  Event enter() { return keyDown(&dialog, vq::platform::kKeyReturn, U"\r"); }

  Window dialog;
  RecordingWindow content;
};

TEST_F(DialogKeysTest, EscapeOnAButtonCancels) {
  View button(ViewKind::Button);
  content.addSubview(&button);
  focusOn(&button);
  send(escape());
  EXPECT_EQ(commands(), (std::vector<RecordedMessage>{{WM_COMMAND, IDCANCEL, 0}}));
  EXPECT_TRUE(backend->app.dispatched.empty()) << "consumed";
  send(escape(vq::platform::kShiftFlag));
  EXPECT_EQ(commands().size(), 2u) << "Shift is allowed";
  send(escape(vq::platform::kCommandFlag));
  EXPECT_EQ(commands().size(), 2u) << "other modifiers are not";
}

TEST_F(DialogKeysTest, EscapeInASingleLineFieldCancels) {
  View field(ViewKind::TextField);
  TextView editor(ViewKind::TextView);
  editor.setEditable(true);
  content.addSubview(&field);
  field.addSubview(&editor);
  focusOn(&editor);
  send(escape());
  EXPECT_EQ(commands(), (std::vector<RecordedMessage>{{WM_COMMAND, IDCANCEL, 0}}));
}

TEST_F(DialogKeysTest, EscapeInAMultiLineTextFirstLeavesItThenCancels) {
  TextView text(ViewKind::TextView);
  text.setEditable(true);
  content.addSubview(&text);
  focusOn(&text);
  send(escape());
  EXPECT_TRUE(commands().empty());
  EXPECT_EQ(dialog.firstResponder(), &content);
  send(escape());
  EXPECT_EQ(commands(), (std::vector<RecordedMessage>{{WM_COMMAND, IDCANCEL, 0}}));
}

TEST_F(DialogKeysTest, ShiftEscapeInAnEditableTextOnlyMovesFocus) {
  View field(ViewKind::TextField);
  TextView editor(ViewKind::TextView);
  editor.setEditable(true);
  content.addSubview(&field);
  field.addSubview(&editor);
  focusOn(&editor);
  send(escape(vq::platform::kShiftFlag));
  EXPECT_TRUE(commands().empty());
  EXPECT_EQ(dialog.firstResponder(), &content);
}

TEST_F(DialogKeysTest, EscapeInAReadOnlyTextCancels) {
  TextView text(ViewKind::TextView);
  content.addSubview(&text);
  focusOn(&text);
  send(escape());
  EXPECT_EQ(commands().size(), 1u);
}

TEST_F(DialogKeysTest, ReturnPressesTheEnabledDefaultButton) {
  View ok(ViewKind::Button);
  ok.setTag(1);
  content.addSubview(&ok);
  dialog.setDefaultButton(&ok);
  focusOn(&content);
  send(enter());
  EXPECT_EQ(commands(), (std::vector<RecordedMessage>{{WM_COMMAND, 1, 0}}));
  ok.setEnabled(false);
  send(enter());
  EXPECT_EQ(commands().size(), 1u) << "a disabled default button is not pressed";
  EXPECT_EQ(WEMU_GetDefaultButtonID(&content, 0), 1);
  EXPECT_EQ(WEMU_GetDefaultButtonID(&content, 1), 0);
}

TEST_F(DialogKeysTest, ReturnWithoutDefaultButtonMovesFocusToTheDialog) {
  View other(ViewKind::Button);
  content.addSubview(&other);
  focusOn(&other);
  send(enter());
  EXPECT_TRUE(commands().empty());
  EXPECT_EQ(dialog.firstResponder(), &content);
  EXPECT_TRUE(backend->app.dispatched.empty());
}

TEST_F(DialogKeysTest, ReturnInAMultiLineTextGoesToTheText) {
  TextView text(ViewKind::TextView);
  text.setEditable(true);
  content.addSubview(&text);
  focusOn(&text);
  View ok(ViewKind::Button);
  ok.setTag(1);
  content.addSubview(&ok);
  dialog.setDefaultButton(&ok);
  send(enter());
  EXPECT_TRUE(commands().empty());
  EXPECT_EQ(backend->app.dispatched.size(), 1u);
}

TEST_F(DialogKeysTest, CommandWCancels) {
  focusOn(&content);
  send(keyDown(&dialog, vq::platform::kKeyW, U"w", vq::platform::kCommandFlag));
  EXPECT_EQ(commands(), (std::vector<RecordedMessage>{{WM_COMMAND, IDCANCEL, 0}}));
}

TEST_F(DialogKeysTest, CopyCutPasteGoToTheTextWithTheDialogAsSender) {
  TextView text(ViewKind::TextView);
  text.setEditable(true);
  content.addSubview(&text);
  focusOn(&text);
  send(keyDown(&dialog, vq::platform::kKeyC, U"c", vq::platform::kCommandFlag));
  send(keyDown(&dialog, vq::platform::kKeyX, U"x", vq::platform::kCommandFlag));
  send(keyDown(&dialog, vq::platform::kKeyV, U"v", vq::platform::kCommandFlag));
  using vq::platform::TextAction;
  EXPECT_EQ(text.actions,
            (std::vector<TextAction>{TextAction::Copy, TextAction::Cut, TextAction::Paste}));
  EXPECT_EQ(text.senders[0], &content);
  EXPECT_TRUE(backend->app.dispatched.empty());
}

TEST_F(DialogKeysTest, TheShellConsumingAKeyBeatsTheDialogKeys) {
  focusOn(&content);
  gResults[256] = 1;
  send(escape());
  EXPECT_TRUE(commands().empty());
}

TEST_F(DialogKeysTest, WindowsOutsideTheWindowLayerGetNoDialogKeys) {
  Window plain;
  View v;
  plain.setContentView(&v);
  plain.makeFirstResponder(&v);
  send(keyDown(&plain, vq::platform::kKeyEscape, U"\x1b"));
  EXPECT_EQ(backend->app.dispatched.size(), 1u);
  plain.setContentView(nullptr);
}

}  // namespace
