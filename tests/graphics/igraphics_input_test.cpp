// Input dispatch, prompts and the Linux view: events through the headless graphics view.
#include <clocale>
#include <thread>

#include "gui_fixture.h"
#include "platform/menu.h"
#include "plugin/iparam.h"
#include "plugin/ipopup_menu.h"

using guitest::FnControl;
using guitest::GuiFixture;
namespace vp = vq::platform;

namespace {

struct GraphicsInput : GuiFixture {
  GraphicsInput() {
    g->OpenWindow(nullptr);
    view = backend.lastGraphicsView();
  }
  vp::HeadlessGraphicsView* view = nullptr;
};

}  // namespace

TEST_F(GraphicsInput, TheTopmostVisibleControlTakesThePressAndKeepsIt) {
  FnControl* below = Add(IRECT(0, 0, 50, 50));
  FnControl* above = Add(IRECT(20, 20, 70, 70));
  FnControl* greyed = Add(IRECT(40, 40, 90, 80));
  greyed->GrayOut(true);
  view->press(45, 45);  // greyed: falls through to the one below it
  view->drag(45, 45);   // no movement: not delivered
  view->drag(60, 75);
  view->release(5, 5);  // over another control: still the captor's
  EXPECT_EQ(above->events, "D45,45 M15,30 U5,5 ");
  EXPECT_EQ(below->events, "");
  EXPECT_EQ(g->GetMouseCapture(), -1);
  // The pixel under the pointer is the one that gets the click.
  view->click(0, 0);
  view->click(19, 19, vp::PointerButton::Right);
  EXPECT_EQ(below->events, "D0,0 U0,0 D19,19 U19,19 ");
  EXPECT_EQ(g->GetParamIdxForPoint(25, 25), -1);
}

TEST_F(GraphicsInput, DoubleClicksPressOnceThenReportTheSecondClick) {
  FnControl* plain = Add(IRECT(0, 0, 40, 40));
  FnControl* asClick = Add(IRECT(50, 0, 90, 40));
  asClick->SetDblAsSingleClick(true);
  view->doubleClick(10, 10);
  view->drag(20, 20);  // the double click left no capture
  EXPECT_EQ(plain->events, "D10,10 U10,10 210,10 U10,10 ");
  view->doubleClick(60, 10);
  EXPECT_EQ(asClick->events, "D60,10 U60,10 D60,10 U60,10 ");
}

TEST_F(GraphicsInput, KeysMapToNumbersAndGoToTheControlOrTheCatcher) {
  const std::tuple<uint16_t, std::u32string, int> keys[] = {{vp::kKeySpace, U" ", 0},
                                                            {vp::kKeyUpArrow, U"\uF700", 1},
                                                            {vp::kKeyRightArrow, U"\uF703", 4},
                                                            {29, U"0", 5},
                                                            {25, U"9", 14},
                                                            {vp::kKeyA, U"a", 15},
                                                            {vp::kKeyA, U"A", 15},
                                                            {6, U"z", 40},
                                                            {vp::kKeyReturn, U"\r", -1},
                                                            {27, U"-", -1},
                                                            {vp::kKeyA, U"ab", -1},
                                                            {vp::kKeyA, U"", -1}};
  for (const auto& [code, chars, number] : keys)
    EXPECT_EQ(IGraphicsLinux::KeyNumber(code, chars), number);

  FnControl* background = Add(IRECT(0, 0, 100, 80));
  FnControl* knob = Add(IRECT(10, 10, 30, 30));
  auto* catcher = new FnControl(&plug, IRECT());
  g->SetKeyCatcher(catcher);
  view->move(20, 20);
  EXPECT_TRUE(view->key(vp::kKeyUpArrow, U"\uF700"));
  view->move(50, 50);  // only the background: the catcher decides
  EXPECT_TRUE(view->key(vp::kKeyA, U"a"));
  EXPECT_FALSE(view->key(vp::kKeyReturn, U"\r"));
  EXPECT_EQ(knob->events, "K1,0 ");
  EXPECT_EQ(catcher->events, "K15,0 ");
  EXPECT_EQ(background->events, "");
}

TEST_F(GraphicsInput, ModalLoopsInsideAPressEndTheCapture) {
  FnControl* button = Add(IRECT(0, 0, 40, 40));
  // Any modal loop, also one the graphics did not start itself.
  button->onDown = [] { vp::services().dialogs().runAlert({"Note", "Saved", {"OK"}}); };
  view->press(10, 10);  // the release goes to the alert
  EXPECT_EQ(g->GetMouseCapture(), -1);
  view->move(12, 12);
  view->wheel(12, 12, 2);
  EXPECT_EQ(button->events, "D10,10 W2,0 ");
  ASSERT_EQ(backend.alerts.size(), 1u);
  EXPECT_EQ(backend.alerts[0].buttons, std::vector<std::string>{"OK"});
}

TEST_F(GraphicsInput, MessageBoxesAnswerByButtonAndNeverWaitOffTheMainThread) {
  // Button -1: closed without one (Escape, the close box), never the confirming answer.
  const std::tuple<int, int, int> cases[] = {{4, 0, 1}, {4, 1, 7},  {3, 2, 2}, {1, 1, 2},
                                             {0, 0, 1}, {4, -1, 7}, {1, -1, 2}};
  for (auto [type, button, answer] : cases) {
    backend.alertAnswers.push_back({button, 0});
    EXPECT_EQ(g->ShowMessageBox("t", "c", type), answer) << type;
  }
  int okAnswer = 0, askAnswer = 0;
  std::thread([&] {
    okAnswer = g->ShowMessageBox("Time-out", "Error", 0);
    askAnswer = g->ShowMessageBox("Replace?", "Bank", 4);
  }).join();
  EXPECT_EQ(okAnswer, 1);
  EXPECT_EQ(askAnswer, 7);
  // The OK box shows on the main thread, not over a box the user has up there meanwhile.
  backend.alertAnswers.push_back({0, 0.5});
  g->ShowMessageBox("Saved", "Note", 0);
  EXPECT_EQ(backend.alerts.back().message, "Saved");
  backend.loop.runPending();
  EXPECT_EQ(backend.alerts.back().message, "Time-out");
  EXPECT_EQ(backend.alerts.size(), 9u);
}

TEST_F(GraphicsInput, PromptsOfferDisplayTextsOrATextField) {
  IParam* mode = plug.GetParam(0);
  mode->InitEnum("Mode", 1, 3);
  for (int v = 0; v < 3; ++v) mode->SetDisplayText(v, v == 0 ? "Saw" : v == 1 ? "Square" : "Noise");
  IParam* cutoff = plug.GetParam(1);
  cutoff->InitInt("Cutoff", 64, 0, 127);
  FnControl* modeKnob = Add(IRECT(0, 0, 20, 20), 0);
  FnControl* cutoffKnob = Add(IRECT(30, 0, 50, 20), 1);
  IRECT where(0, 0, 20, 20);

  // Exactly one display text gives a text field starting with it; none or two give a menu.
  for (auto [texts, field] : {std::pair{0, false}, {1, true}, {2, false}}) {
    IParam p;
    p.InitEnum("Choice", 0, std::max(texts, 1));
    for (int v = 0; v < texts; ++v) p.SetDisplayText(v, v ? "Two" : "One");
    const size_t menus = backend.menusShown.size();
    g->IGraphics::PromptUserInput(modeKnob, &p, &where);
    EXPECT_EQ(view->hasTextField(), field) << texts;
    EXPECT_EQ(backend.menusShown.size(), menus + !field) << texts;
    if (view->hasTextField()) {
      EXPECT_EQ(view->textField()->text, "One");
    } else {
      EXPECT_EQ(backend.menusShown.back().itemTitles.size(), size_t(texts));
    }
    view->pressEscape();
  }
  backend.menusShown.clear();

  backend.menuAnswers.push_back({[](vp::Menu& m) { return m.itemAt(2); }, 0.1});
  g->IGraphics::PromptUserInput(modeKnob, mode, &where);
  ASSERT_EQ(backend.menusShown.size(), 1u);
  EXPECT_EQ(backend.menusShown[0].itemTitles, (std::vector<std::string>{"Saw", "Square", "Noise"}));
  EXPECT_DOUBLE_EQ(modeKnob->GetValue(), mode->ToNormalized(2));
  EXPECT_GE(plug.ticks, 4);  // the 120 Hz timer kept running inside the menu

  cutoffKnob->GetTextStyle()->mSize = 25;
  g->IGraphics::PromptUserInput(cutoffKnob, cutoff, &where);
  ASSERT_TRUE(view->hasTextField());
  EXPECT_EQ(view->textField()->text, "64");
  EXPECT_EQ(view->textField()->fontSize, 22);  // 0.9 of the control's text size
  view->setFieldText("");
  view->typeText("1e5-2");  // only digits and signs get through
  EXPECT_EQ(view->fieldText(), "15-2");
  view->setFieldText("100");
  // A second request ends the first field, applying it.
  g->CreateTextEntry(modeKnob, mode, modeKnob->GetTextStyle(), &where, "Saw");
  EXPECT_DOUBLE_EQ(cutoffKnob->GetValue(), cutoff->ToNormalized(100));
  view->setFieldText("Noise");
  view->wheel(5, 5, 1);  // the wheel ends the field without applying it
  EXPECT_FALSE(view->hasTextField());
  EXPECT_DOUBLE_EQ(modeKnob->GetValue(), mode->ToNormalized(2));
  g->CreateTextEntry(cutoffKnob, cutoff, cutoffKnob->GetTextStyle(), &where, "1");
  view->setFieldText("5");
  view->closeWindow();  // closing the window does not apply it either
  EXPECT_DOUBLE_EQ(cutoffKnob->GetValue(), cutoff->ToNormalized(100));
  EXPECT_FALSE(g->WindowIsOpen());
}

TEST_F(GraphicsInput, TypedValuesMapToParameterValues) {
  IParam* sw = plug.GetParam(0);
  sw->InitBool("Sync", false);
  sw->SetDisplayText(0, "Off");
  sw->SetDisplayText(1, "On");
  IParam* gain = plug.GetParam(1);
  gain->InitDouble("Gain", "dB", "", 0.0, -10.0, 10.0, 0.1);
  IParam* steps = plug.GetParam(2);
  steps->InitInt("Steps", 0, 0, 10);
  FnControl* c = Add(IRECT(0, 0, 10, 10));
  const std::tuple<IParam*, const char*, double> cases[] = {
      {sw, "On", 1.0},    {sw, "ON", 0.0},    {sw, "Maybe", 0.0},  {gain, "2.5", 2.5},
      {gain, "-3", -3.0}, {gain, "abc", 0.0}, {steps, "2.5", 2.5}, {steps, "", 0.0}};
  for (auto [param, text, value] : cases) {
    c->SetValue(-1.0);
    g->SetFromStringAfterPrompt(c, param, text);
    EXPECT_DOUBLE_EQ(c->GetValue(), param->ToNormalized(value)) << text;
  }
}

TEST_F(GraphicsInput, TheTimerDrawsThenPresentsOnlyWhatChanged) {
  FnControl* bg = Add(IRECT(0, 0, 100, 80));
  FnControl* led = Add(IRECT(10, 10, 20, 20));
  const IColor green(255, 0, 200, 0);
  led->draw = [&](IGraphics* gr) {
    IRECT r = led->GetRECT();
    gr->FillIRect(&green, &r);
  };
  backend.loop.advance(1.0 / 120);
  EXPECT_EQ(led->draws, 1);
  EXPECT_EQ(view->shownPixel(15, 15), green.ToPixel());
  view->presented.clear();
  led->SetDirty(false);
  backend.loop.advance(1.0 / 120);
  ASSERT_EQ(view->presented.size(), 1u);
  EXPECT_EQ(view->presented[0], (vp::PixelRect{10, 10, 20, 20}));
  EXPECT_EQ(bg->draws, 2);  // the background under it was redrawn too
  EXPECT_FALSE(led->IsDirty());
  backend.loop.advance(1.0 / 120);
  EXPECT_EQ(led->draws, 2);
}

TEST_F(GraphicsInput, TooltipsAndFileDialogsUseThePlatform) {
  FnControl* knob = Add(IRECT(10, 10, 30, 30));
  knob->SetTooltip("Cutoff");
  Add(IRECT(40, 10, 60, 30))->Hide(true);
  g->EnableTooltips(true);
  g->UpdateTooltips();
  EXPECT_EQ(view->tooltipAreas, (std::vector<vp::PixelRect>{{10, 10, 30, 30}}));
  EXPECT_EQ(view->queryTooltip(15, 15).value_or(""), "Cutoff");

  UTL_String file(128), dir(128);
  dir.Set("/tmp/progs/");
  backend.panelAnswers.push_back({std::vector<std::string>{"/data/bank/a.syx"}, 0});
  g->PromptForFile(&file, 1, &dir, "syx mid");
  EXPECT_STREQ(file.Get(), "/data/bank/a.syx");
  EXPECT_STREQ(dir.Get(), "/data/bank/");
  EXPECT_EQ(backend.panels.back().kind, vp::PanelRequest::Kind::Save);
  EXPECT_EQ(backend.panels.back().directory, "/tmp/progs/");
  EXPECT_EQ(backend.panels.back().allowedTypes, (std::vector<std::string>{"syx", "mid"}));
  // A second save proposes the name alone, in the folder of the first: a path in the name
  // field would decide the folder behind the user's back.
  g->PromptForFile(&file, 1, &dir, "syx");
  EXPECT_EQ(backend.panels.back().fileName, "a.syx");
  EXPECT_EQ(backend.panels.back().directory, "/data/bank/");
  file.Set("old");
  g->PromptForFile(&file, 0, &dir, "");  // cancelled
  EXPECT_STREQ(file.Get(), "");
}

// Typed numbers do not change meaning with the user's locale.
TEST(GraphicsLocale, TypedNumbersAreReadWithAPoint) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  vp::installHeadless();
  vqtest::TestPlug plug(1);
  plug.GetParam(0)->InitDouble("Gain", "", "", 0.0, -10.0, 10.0, 0.01);
  auto* g = new IGraphicsLinux(&plug, 10, 10);
  plug.AttachGraphics(g);
  auto* c = new FnControl(&plug, IRECT(0, 0, 5, 5));
  g->AttachControl(c);
  g->SetFromStringAfterPrompt(c, plug.GetParam(0), "2.5");
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_DOUBLE_EQ(c->GetValue(), plug.GetParam(0)->ToNormalized(2.5));
}

TEST_F(GraphicsInput, PopUpMenusKeepNumberingFlagsAndSubmenus) {
  IPopupMenu menu, sub;
  menu.SetPrefix(IPopupMenu::kPrefix2);
  menu.AddItem("Saw");
  menu.AddSeparator();
  menu.AddItem("Noise", -1, IPopupMenuItem::kDisabled | IPopupMenuItem::kChecked);
  menu.AddItem("More", &sub);
  sub.AddItem("Pulse");
  sub.AddItem("Ramp");
  IRECT where(10, 10, 30, 20);
  backend.menuAnswers.push_back({[](vp::Menu& m) {
                                   EXPECT_FALSE(m.itemAt(2)->isEnabled());
                                   EXPECT_TRUE(m.itemAt(2)->isChecked());
                                   return m.itemAt(3)->submenu()->itemAt(1);
                                 },
                                 0});
  EXPECT_EQ(g->CreateIPopupMenu(&menu, &where), &sub);
  EXPECT_EQ(sub.GetChosenItemIdx(), 1);
  const auto& shown = backend.menusShown.back();
  EXPECT_EQ(shown.itemTitles, (std::vector<std::string>{"01: Saw", "", "03: Noise", "04: More"}));
  EXPECT_EQ(g->CreateIPopupMenu(&menu, &where), nullptr);  // dismissed
}

// Control (the Command flag) toggles, Shift extends, and only the right button is a right click.
TEST_F(GraphicsInput, ModifierKeysAndButtonsMapAsOnThisDesktop) {
  struct ModControl : FnControl {
    using FnControl::FnControl;
    void OnMouseDown(int x, int y, IMouseMod* m) override { last = *m; }
    IMouseMod last;
  };
  auto* c = new ModControl(&plug, IRECT(0, 0, 50, 50));
  g->AttachControl(c);
  const struct {
    uint32_t flags;
    vp::PointerButton button;
    bool L, R, S, C;
  } cases[] = {
      {0, vp::PointerButton::Left, true, false, false, false},
      {vp::kCommandFlag, vp::PointerButton::Left, true, false, false, true},
      {vp::kShiftFlag, vp::PointerButton::Left, true, false, true, false},
      {vp::kControlFlag, vp::PointerButton::Left, true, false, false, true},
      {0, vp::PointerButton::Right, false, true, false, false},
  };
  int x = 0;
  for (const auto& k : cases) {
    x += 8;  // far enough apart to be single clicks
    view->press(x, 10, k.button, k.flags);
    view->release(x, 10, k.flags);
    EXPECT_EQ(c->last.L, k.L) << k.flags;
    EXPECT_EQ(c->last.R, k.R) << k.flags;
    EXPECT_EQ(c->last.S, k.S) << k.flags;
    EXPECT_EQ(c->last.C, k.C) << k.flags;
  }
}
