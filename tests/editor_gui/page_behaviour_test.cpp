// The keyboard's notes and velocities, the equalizer curve feed and the group rules.
#include <gtest/gtest.h>

#include <cmath>

#include "editor/program_controls.h"
#include "editor/gui/eq_feed.h"
#include "pages_test_support.h"

using namespace vqtest;

namespace {

struct Note {
  int status, note, velocity;
  bool operator==(const Note&) const = default;
};

}  // namespace

class KeyboardTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    MakeSkin("space");
    kb = Pages().Keyboard();
    ASSERT_NE(kb, nullptr);
  }
  // Notes sent since the mark, each checked to come with its device twin (05 50 / 05 51).
  std::vector<Note> NotesSince(size_t mark) {
    std::vector<Note> notes;
    auto msgs = Since(mark);
    for (size_t i = 0; i < msgs.size(); ++i) {
      const auto& m = msgs[i];
      if (m.size() != 3 || (m[0] & 0xE0) != 0x80) continue;
      notes.push_back({m[0], m[1], m[2]});
      EXPECT_TRUE(i + 1 < msgs.size() && msgs[i + 1].size() == 9 &&
                  msgs[i + 1][5] == ((m[0] & 0xF0) == 0x90 ? 0x50 : 0x51) &&
                  msgs[i + 1][6] == m[1]);
    }
    return notes;
  }
  int X(int octave, int dx) const { return kKeyboardX() + 98 * octave + dx; }
  static int kKeyboardX() { return vq_layout::kKeyboardX; }
  int Y(int dy) const { return vq_layout::kKeyboardY + dy; }
  IKeyboardControl* kb = nullptr;
  IMouseMod left{true};
};

TEST_F(KeyboardTest, KeysVelocitiesAndOutOfRange) {
  const struct {
    int x, y, key;
    double velocity;
  } cases[] = {
      {X(0, 0), Y(69), 0, 1.0},         {X(1, 10), Y(20), 13, 20 / (42 * 0.9)},
      {X(1, 10), Y(42), 12, 42 / 63.0}, {X(1, 19), Y(20), 14, 20 / 63.0},
      {X(4, 97), Y(0), 59, 0.0},        {X(5, 0), Y(10), -1, -1},
      {X(0, 0) - 1, Y(10), -1, -1},     {X(0, 5), Y(70), -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(kb->KeyAt(c.x, c.y), c.key);
    if (c.key >= 0) {
      EXPECT_NEAR(kb->Velocity(), c.velocity, 1e-9);
    }
  }
  // Without images there are no keys, and nothing divides by a zero octave.
  IKeyboardControl bare(editor.get(), 0, 0, nullptr, nullptr);
  EXPECT_EQ(bare.KeyAt(0, 0), -1);
}

TEST_F(KeyboardTest, PressDragAndReleaseSendTheNotes) {
  const int on = 0x90 | editor->KeyboardChannel(), off = 0x80 | editor->KeyboardChannel();
  size_t mark = Mark();
  kb->OnMouseDown(X(0, 0), Y(69), &left);          // C at full depth: velocity 127
  kb->OnMouseDrag(X(0, 2), Y(69), 2, 0, &left);    // same key: nothing
  kb->OnMouseDrag(X(0, 22), Y(60), 20, 0, &left);  // D
  kb->OnMouseUp(X(3, 50), Y(10), &left);           // released over another key: D ends
  EXPECT_EQ(NotesSince(mark),
            (std::vector<Note>{{on, 24, 127}, {off, 24, 0}, {on, 26, 121}, {off, 26, 0}}));
  EXPECT_EQ(kb->ShownKey(), -1);
  // Right click plays nothing.
  mark = Mark();
  IMouseMod right(false, true);
  kb->OnMouseDown(X(0, 0), Y(30), &right);
  EXPECT_TRUE(NotesSince(mark).empty());
  // A key the MIDI keyboard holds: the press sounds it and the release ends it.
  editor->NoteState()[24 + 12] = 1;
  mark = Mark();
  kb->OnMouseDown(X(1, 0), Y(69), &left);
  EXPECT_EQ(kb->ShownKey(), -1);
  kb->OnMouseUp(X(1, 0), Y(69), &left);
  EXPECT_EQ(NotesSince(mark), (std::vector<Note>{{on, 36, 127}, {off, 36, 0}}));
  // A release outside ends the note too.
  mark = Mark();
  kb->OnMouseDown(X(2, 0), Y(69), &left);
  kb->OnMouseUp(0, 0, &left);
  EXPECT_EQ(NotesSince(mark), (std::vector<Note>{{on, 48, 127}, {off, 48, 0}}));
}

TEST(EqFeed, BandsFromValues) {
  using B = IParaGraphicEq;
  auto low = vq_eq::BandsFromValues({0, 0, -20, 0, 10, -20, 0, 10, 5, 0, 0, -15});
  auto high = vq_eq::BandsFromValues({127, 127, 20, 127, 100, 20, 127, 100, 0, 127, 127, 15});
  const float lowF[4] = {50, 140, 140, 2000}, highF[4] = {270, 4800, 4800, 7000};
  for (int b = 0; b < 4; ++b) {
    EXPECT_EQ(low[b].mIndex, b);
    EXPECT_NEAR(low[b].mFreq, lowF[b], lowF[b] * 1e-4);
    EXPECT_NEAR(high[b].mFreq, highF[b], highF[b] * 1e-4);
  }
  EXPECT_EQ(low[0].mType, B::kLowShelf);
  EXPECT_EQ(low[1].mType, B::kBell);
  EXPECT_EQ(low[3].mType, B::kHighShelf);
  EXPECT_FLOAT_EQ(low[0].mWidth, 10.0f);
  EXPECT_FLOAT_EQ(high[3].mWidth, 4.0f);
  EXPECT_NEAR(low[1].mWidth, 1.38848, 1e-4);
  EXPECT_NEAR(high[1].mWidth, 0.1442, 1e-4);
  EXPECT_EQ(low[2].mGain, 5.0f);
  EXPECT_EQ(high[3].mGain, 15.0f);
  EXPECT_FLOAT_EQ(low[1].mWidthMax, 1.38848f);
  // Out-of-range fields are clamped first: no NaN width, no gain past the limits.
  auto bad = vq_eq::BandsFromValues({-5, 300, 99, 500, 0, -99, 64, 1000, 0, 200, -3, 40});
  for (const auto& b : bad) {
    EXPECT_TRUE(std::isfinite(b.mWidth) && std::isfinite(b.mFreq));
    EXPECT_GE(b.mWidth, b.mWidthMin - 1e-4f);
    EXPECT_LE(b.mWidth, b.mWidthMax + 1e-4f);
  }
  EXPECT_EQ(bad[3].mGain, 15.0f);
  EXPECT_NEAR(bad[1].mWidth, 1.38848, 1e-4);
}

TEST_F(PagesTest, EqualizerDisplayFollowsTheParameters) {
  VQEditor& e = MakeSkin("solid");
  Set(161, 127);
  Set(165, 100);
  Set(172, -15);
  e.UpdateEqDisplay();
  IParaGraphicEq::Band b;
  b.mIndex = 0;
  Pages().EqDisplay()->GetBand(&b);
  EXPECT_NEAR(b.mFreq, 270.0f, 0.1f);
  EXPECT_TRUE(Pages().EqCurveView());
  EXPECT_FALSE(Pages().EqDisplay()->IsHidden());
}

TEST_F(PagesTest, GroupsAndFlexiRangeSliders) {
  VQEditor& e = MakeSkin("space");
  auto hidden = [&](int param) {
    for (int i = 0; i < G().NControls(); ++i)
      if (G().GetControl(i)->ParamIdx() == param) return G().GetControl(i)->IsHidden();
    return false;
  };
  // Groups start hidden.
  EXPECT_TRUE(hidden(148));
  EXPECT_TRUE(hidden(290));
  // Slot 0 aimed at "Drive" (field 145): opening the overdrive panel shows its sliders and
  // read-out, not the knob; closing hides the sliders too.
  e.Flexi().Destinations()[0] = 145;
  Pages().MoveFlexiRangeControls(e, 0, 145);
  Pages().ShowOverdriveControls(e, false);
  EXPECT_TRUE(hidden(148));
  EXPECT_FALSE(hidden(231));
  EXPECT_FALSE(hidden(232));
  EXPECT_FALSE(Pages().Readout(145)->IsHidden());
  EXPECT_EQ(Pages().KnobOf(231)->GetRECT().L, 640);
  EXPECT_EQ(Pages().KnobOf(232)->GetRECT().L, 656);
  EXPECT_EQ(Pages().KnobOf(231)->GetRECT().T, 589);
  Pages().ShowOverdriveControls(e, true);
  EXPECT_TRUE(hidden(231));
  // As tall as the slider they stand over: short over GLIDE's (the INT/EXT switch just below),
  // long over VCO 1 LEVEL's and Drive's.
  for (int field : {85, 11, 145, 85}) {
    Pages().MoveFlexiRangeControls(e, 0, field);
    EXPECT_EQ(Pages().KnobOf(231)->GetRECT().H(), Pages().KnobOf(field + 3)->GetRECT().H());
    EXPECT_EQ(Pages().KnobOf(232)->GetRECT().T, Pages().KnobOf(field + 3)->GetRECT().T);
  }
  // A destination beyond the position table, or one it does not place, leaves them hidden.
  for (int field : {184, 500, -2, 97}) {
    Pages().MoveFlexiRangeControls(e, 1, field);
    EXPECT_TRUE(hidden(233) && hidden(234)) << field;
  }
  // A source list opens over the page and closes.
  auto pagesShown = [&] {
    int n = 0;
    for (int i = 0; i < G().NControls(); ++i) {
      IControl* c = G().GetControl(i);
      n += !c->IsHidden() && c->ParamIdx() == -1 && c->GetRECT().W() == 1140;
    }
    return n;
  };
  const int pages = pagesShown();
  Set(vq_param::kShowFlexi2Sources, 1);
  EXPECT_EQ(pagesShown(), pages + 1);
  Set(vq_param::kCloseListView, 1);
  EXPECT_EQ(pagesShown(), pages);
  // The range list toggles the polarity switch of its slot only.
  e.Flexi().SetListViewTarget(2);
  Pages().ShowListPage(e, false);
  EXPECT_FALSE(hidden(263));
  for (int p : {175, 177, 179, 181}) EXPECT_TRUE(hidden(p));
  Pages().ShowListPage(e, true);
  e.Flexi().SetListViewTarget(5);
  Pages().ShowListPage(e, false);
  EXPECT_FALSE(hidden(177));
  EXPECT_TRUE(hidden(175));
  Pages().ShowListPage(e, true);
  // Chain order 1 puts the equalizer tab first; another view changes nothing.
  auto left = [&](int param) {
    for (int i = 0; i < G().NControls(); ++i)
      if (G().GetControl(i)->ParamIdx() == param) return G().GetControl(i)->GetRECT().L;
    return -1;
  };
  Set(131, 1);
  G().MoveControlsOfParam(268, 0, 565);
  e.RefreshGuiFromParams(1, 1140, 800);
  EXPECT_EQ(left(268), 0);
  e.RefreshGuiFromParams(0, 1140, 800);
  EXPECT_EQ(left(268), 523);
  EXPECT_EQ(left(267), 618);
  // A size change sizes them again, short over GLIDE.
  Set(vq_param::kFlexi1Source, 1);
  e.Flexi().Destinations()[0] = 85;
  e.ResizeAtGuiOpen();
  e.OnCommand(14);  // 90 %
  EXPECT_NEAR(Pages().KnobOf(231)->GetRECT().H(), Pages().KnobOf(88)->GetRECT().H(), 1);
  // Held knobs: only between press and release.
  IMouseMod mod(true);
  Pages().KnobOf(127)->OnMouseDown(940, 440, &mod);
  EXPECT_TRUE(Pages().IsKnobHeld(e, 127));
  Pages().KnobOf(127)->OnMouseUp(940, 440, &mod);
  EXPECT_FALSE(Pages().IsKnobHeld(e, 127));
}

TEST_F(PagesTest, ManagerPageOpensAsTheSettingsSay) {
  for (const char* manager : {"true", "false"}) {
    WriteSettings(std::string("[gui]\nbackground=lcd\nmanager=") + manager + "\n");
    VQEditorSetup setup = BaseSetup();
    const std::string folder = dir;
    setup.makeGraphics = [folder](IModuleBase* plug, int w, int h, int) -> IGraphics* {
      return new ArtworkGraphics(plug, w, h, folder);
    };
    VQEditor& e = MakeFrom(std::move(setup));
    StopTimer();
    const bool open = std::string(manager) == "true";
    EXPECT_EQ(e.ManagerPageShown(), open);
    EXPECT_EQ(Pages().SlotMatrix()->IsHidden(), !open);
    EXPECT_TRUE(Pages().SlotName(0)->IsHidden());  // slot 0 never shows
    EXPECT_TRUE(Pages().LoginBackground()->IsHidden());
    EXPECT_TRUE(Pages().BrowserScrollBar()->IsHidden());  // fewer than 47 rows
    e.Browser().Rows().resize(47);                        // a folder of 47 listed
    Pages().ShowManagerPage(e, false);
    EXPECT_FALSE(Pages().BrowserScrollBar()->IsHidden());
    EXPECT_TRUE(Pages().SlotName(0)->IsHidden());
    editor.reset();
    IGraphics::ResetCaches();
  }
}

// The Help menu's About, "Save Program from VQ to File" and the skin swap show what they name.
TEST_F(PagesTest, MenuCommandsShowTheirControls) {
  VQEditor& e = MakeSkin("space");
  ASSERT_TRUE(Pages().About() && Pages().SaveFromDevicePanel() && Pages().Background(3));
  e.OnCommand(0);
  EXPECT_FALSE(Pages().About()->IsHidden());
  EXPECT_EQ(Pages().About()->GetValue(), 1.0);
  EXPECT_TRUE(Pages().SaveFromDevicePanel()->IsHidden());
  e.OnCommand(20);
  EXPECT_FALSE(Pages().SaveFromDevicePanel()->IsHidden());
  EXPECT_FALSE(e.Graphics()->IsControlOfParamHidden(vq_param::kSlotChooser));
  EXPECT_FALSE(e.Graphics()->IsControlOfParamHidden(vq_param::kRequestProgram));
  e.SetParamCases(MakeProgramControlCases());
  e.SetParameterFromGUI2(vq_param::kRequestProgram, 1.0);  // SAVE: the panel goes with its controls
  EXPECT_TRUE(Pages().SaveFromDevicePanel()->IsHidden());
  EXPECT_TRUE(e.Graphics()->IsControlOfParamHidden(vq_param::kSlotChooser));

  auto shown = [&] {
    std::string s;
    for (int k = 0; k < 4; ++k) s += Pages().Background(k)->IsHidden() ? '-' : 'x';
    return s;
  };
  EXPECT_EQ(shown(), "x---");
  e.OnCommand(23);  // solid
  EXPECT_EQ(shown(), "-x--");
  Pages().ShowExtMidiPage(e, true);
  EXPECT_EQ(shown(), "-x-x");
  e.OnCommand(22);  // space: the open external-MIDI panel keeps a background of this skin
  EXPECT_EQ(shown(), "x-x-");
}
