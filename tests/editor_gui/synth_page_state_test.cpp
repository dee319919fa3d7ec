// What the synth page shows follows the editor's state: through a GUI-size change, for FLEXI
// slots on the equalizer, after INIT and after randomising.
#include <gtest/gtest.h>

#include <type_traits>

#include "library/program_manager.h"
#include "pages_test_support.h"

using namespace vqtest;

static_assert(std::is_member_function_pointer_v<decltype(&VQEditor::BuildGuiOrig)> &&
              std::is_member_function_pointer_v<decltype(&VQEditor::BuildGuiLcd)>);

TEST_F(PagesTest, PageStateSurvivesGuiSizeChanges) {
  VQEditor& e = MakeSkin("space");
  ConnectProgramManager(e, InstallProgramManager(e));
  e.ResizeAtGuiOpen();
  Set(vq_param::kIntMidiExtMidi, 1);  // the external MIDI page
  e.OnCommand(23);                    // the "solid" skin
  Set(vq_param::kCopyPanelFlexi, 1);
  e.ShowManagerPage(false);
  Set(vq_param::kManagerCopyMode, 1);
  auto backgrounds = [&] {
    std::string s;
    for (int k = 0; k < 4; ++k) s += Pages().Background(k)->IsHidden() ? '-' : 'x';
    return s;
  };
  for (int scaleCommand : {0, 14, 15}) {  // none, 90 %, 100 %
    SCOPED_TRACE(scaleCommand);
    if (scaleCommand) e.OnCommand(scaleCommand);
    EXPECT_EQ(backgrounds(), "-x-x");
    EXPECT_FALSE(G().IsControlOfParamHidden(vq_param::kExtMidiOn));
    EXPECT_TRUE(G().IsControlOfParamHidden(vq_param::kPortamentoSlope));
    EXPECT_TRUE(Pages().CopyPanel(0)->IsHidden());
    EXPECT_FALSE(Pages().CopyPanel(1)->IsHidden());
    EXPECT_FALSE(Pages().SlotMatrix()->IsHidden());
    EXPECT_TRUE(G().IsControlOfParamHidden(vq_param::kManagerPreviewNote));
  }
  Set(vq_param::kIntMidiExtMidi, 0);
  EXPECT_TRUE(G().IsControlOfParamHidden(vq_param::kExtMidiOn));
  EXPECT_FALSE(G().IsControlOfParamHidden(vq_param::kPortamentoSlope));
}

// Any slot on an equalizer field, the treble included, keeps the band view and refuses the curve.
TEST_F(PagesTest, FlexiOnTheEqualizerKeepsTheBandView) {
  VQEditor& e = MakeSkin("space");
  for (int field : {-1, 158, 166, 167, 169}) {
    SCOPED_TRACE(field);
    e.Flexi().Destinations()[1] = -1;
    e.UpdateEqDisplay();
    e.Flexi().Destinations()[1] = field;
    e.RefreshGuiFromParams(0, 1140, 800);
    EXPECT_EQ(Pages().EqBandView(), field >= 0);
    Pages().ShowEqBandControls(e, false);
    Set(vq_param::k4BandParagraphicEqualizer, 1);
    EXPECT_EQ(Pages().EqCurveView(), field < 0);
    Set(vq_param::k4BandParagraphicEqualizer, 0);
  }
}

TEST_F(PagesTest, InitAndRandomiseRedrawThePage) {
  VQEditor& e = MakeSkin("space");
  const int knob = vq_param::kVco1Volume;
  // Slot 1 learned onto the knob: its range knobs stand in its place until INIT.
  Set(vq_param::kFlexi1LearnDestination, 1);
  Set(vq_param::kFlexi1LearnDestination, 0);
  Set(knob, 50);
  ASSERT_EQ(e.Flexi().Destinations()[0], knob - 3);
  ASSERT_TRUE(G().IsControlOfParamHidden(knob));
  e.InitProgram();
  EXPECT_TRUE(G().IsControlOfParamHidden(vq_param::kFlexi1RangeA));
  EXPECT_TRUE(G().IsControlOfParamHidden(vq_param::kFlexi1RangeB));
  EXPECT_FALSE(G().IsControlOfParamHidden(knob));
  EXPECT_EQ(static_cast<EditorTextControl*>(Pages().StatusText())->Text(), "INIT");

  // Randomised knobs show their new values.
  Set(vq_param::kVco1, 1);
  for (int round = 0; round < 3; ++round) {
    e.RandomizeGroups();
    for (int p = vq_param::kVco1Coarse; p <= vq_param::kVco1Volume; ++p)
      if (IKnobMultiControl* k = Pages().KnobOf(p)) {
        EXPECT_DOUBLE_EQ(k->GetValue(), e.GetParam(p)->GetNormalized()) << p;
      }
  }
}
