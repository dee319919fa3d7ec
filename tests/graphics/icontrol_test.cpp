// The IControl base: values from the plug and the user, dirty/clean cycle, prompting, links.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "graphics/icontrol.h"
#include "plugin/iparam.h"
#include "support/test_graphics.h"

using vqtest::TestControl;
using vqtest::TestGraphics;
using vqtest::TestPlug;

namespace {

// A text control stand-in: keeps the last text the plug (or a link) gave it.
struct TextSink : TestControl {
  using TestControl::TestControl;
  void SetTextFromPlug(const char* t) override {
    text = t;
    ++texts;
  }
  std::string text;
  int texts = 0;
};

struct Fixture : ::testing::Test {
  Fixture() : plug(4), graphics(new TestGraphics(&plug, 200, 100)) {
    plug.GetParam(0)->InitInt("Cutoff", 0, 0, 100, "Hz");
    plug.GetParam(1)->InitEnum("Wave", 0, 3);
    plug.GetParam(1)->SetDisplayText(0, "Saw");
    plug.GetParam(1)->SetDisplayText(1, "Square");
    plug.GetParam(2)->InitDouble("Level", "", "", 0.0, 0.0, 1.0, 0.01);
    plug.AttachGraphics(graphics);
  }
  TestControl* Add(const IRECT& r, int param = -1) {
    auto* c = new TestControl(&plug, r, param);
    graphics->AttachControl(c);
    return c;
  }
  TestPlug plug;
  TestGraphics* graphics;  // owned by the plug
};

using ControlValues = Fixture;
using ControlCycle = Fixture;
using ControlPrompt = Fixture;
using ControlLinks = Fixture;

}  // namespace

TEST(ControlBasics, ConstructionDefaults) {
  TestControl c(nullptr, IRECT(1, 2, 3, 4), 7, IChannelBlend(IChannelBlend::kBlendAdd, 0.5f));
  EXPECT_EQ(c.GetRECT(), IRECT(1, 2, 3, 4));
  EXPECT_EQ(c.GetTargetRECT(), IRECT(1, 2, 3, 4));
  EXPECT_EQ(c.ParamIdx(), 7);
  EXPECT_EQ(c.GetListIdx(), 0);
  EXPECT_EQ(c.GetTextEntryLength(), 7);
  EXPECT_DOUBLE_EQ(c.GetValue(), 0.0);
  EXPECT_DOUBLE_EQ(c.GetDefaultValue(), -1.0);
  EXPECT_TRUE(c.IsDirty());
  EXPECT_FALSE(c.IsHidden());
  EXPECT_TRUE(c.IsPromptDisabled());
  EXPECT_EQ(c.GetBlend().mMethod, IChannelBlend::kBlendAdd);
  EXPECT_STREQ(c.GetTextStyle()->mFont, "Monaco");
  EXPECT_EQ(c.GetTextStyle()->mSize, 10);
  EXPECT_EQ(c.GetTextStyle()->mAlign, IText::kAlignCenter);
  EXPECT_EQ(c.GetTextStyle()->mTextEntryBGColor, COLOR_WHITE);
  EXPECT_STREQ(c.GetTooltip(), "");
}

TEST(ControlBasics, HitTestIsHalfOpenAndEmptyRectanglesHoldNothing) {
  TestControl c(nullptr, IRECT(10, 10, 20, 20));
  EXPECT_TRUE(c.IsHit(10, 10));
  EXPECT_TRUE(c.IsHit(19, 19));
  EXPECT_FALSE(c.IsHit(20, 15));
  EXPECT_FALSE(c.IsHit(15, 20));
  EXPECT_FALSE(c.IsHit(9, 15));
  c.SetTargetRECT(IRECT());
  EXPECT_FALSE(c.IsHit(0, 0));
  EXPECT_FALSE(c.IsHit(-1, -1));
  c.SetTargetRECT(IRECT(0, 0, 0, 5));
  EXPECT_FALSE(c.IsHit(0, 2));
}

TEST(ControlBasics, MoveToKeepsTheSizeAndAlignsTheTarget) {
  TestControl c(nullptr, IRECT(10, 10, 30, 40));
  c.SetTargetRECT(IRECT(0, 0, 5, 5));
  c.SetClean();
  c.MoveTo(100, 50);
  EXPECT_EQ(c.GetRECT(), IRECT(100, 50, 120, 80));
  EXPECT_EQ(c.GetTargetRECT(), IRECT(100, 50, 120, 80));
  EXPECT_TRUE(c.IsDirty());
}

TEST(ControlBasics, GrayingOutAndBackRestoresFullWeight) {
  TestControl c(nullptr, IRECT(0, 0, 1, 1), -1, IChannelBlend(0, 0.6f));
  c.GrayOut(true);
  EXPECT_TRUE(c.IsGrayed());
  EXPECT_FLOAT_EQ(c.GetBlend().mWeight, 0.25f);
  c.GrayOut(false);
  EXPECT_FLOAT_EQ(c.GetBlend().mWeight, 1.0f);
}

TEST_F(ControlValues, FirstPlugValueBecomesTheDefaultWithoutDirtying) {
  TestControl* c = Add(IRECT(0, 0, 10, 10), 2);
  c->SetDefaultValue(-1.0);
  c->SetClean();
  c->SetValueFromPlug(0.3);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.3);
  EXPECT_DOUBLE_EQ(c->GetDefaultValue(), 0.3);
  EXPECT_FALSE(c->IsDirty());
  c->SetValueFromPlug(0.3);
  EXPECT_FALSE(c->IsDirty());
  EXPECT_FALSE(c->IsRedrawPending());
  c->SetValueFromPlug(0.5);
  EXPECT_TRUE(c->IsDirty());
  EXPECT_TRUE(c->IsRedrawPending());
  EXPECT_TRUE(plug.changes.empty());  // plug values are never pushed back
}

TEST_F(ControlValues, SetDirtyClampsAndPushesToThePlug) {
  TestControl* c = Add(IRECT(0, 0, 10, 10), 0);
  c->SetValue(1.7);
  c->SetDirty(false);
  EXPECT_DOUBLE_EQ(c->GetValue(), 1.0);
  c->SetValue(-0.2);
  c->SetDirty(false);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.0);
  EXPECT_TRUE(plug.changes.empty());

  c->SetClampRange(0.2, 0.6);
  c->SetValue(0.9);
  c->SetDirty(true);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.6);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 60.0);
  EXPECT_EQ(plug.changes, std::vector<int>{0});

  // A value that is no number (0/0 of a zero-sized control) must not reach the plug.
  c->SetValue(std::nan(""));
  c->SetDirty(true);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.2);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 20.0);
  plug.changes.clear();
  plug.changes.push_back(0);

  // Unbound controls and controls bound beyond the list push nothing.
  TestControl* unbound = Add(IRECT(0, 0, 1, 1));
  unbound->SetDirty(true);
  TestControl* stray = Add(IRECT(0, 0, 1, 1), 99);
  stray->SetDirty(true);
  EXPECT_EQ(plug.changes.size(), 1u);
}

TEST_F(ControlValues, UserInputPushesAndDoubleClickRestoresTheDefault) {
  TestControl* c = Add(IRECT(0, 0, 10, 10), 0);
  c->SetDefaultValue(-1.0);
  IMouseMod left(true);
  c->SetValue(0.4);
  c->OnMouseDblClick(1, 1, &left);  // no default known yet
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.4);
  EXPECT_TRUE(plug.changes.empty());

  c->SetValueFromUserInput(0.4);  // unchanged: nothing
  EXPECT_TRUE(plug.changes.empty());
  c->SetValueFromUserInput(0.7);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 70.0);
  EXPECT_TRUE(c->IsRedrawPending());

  c->SetDefaultValue(0.1);
  c->OnMouseDblClick(1, 1, &left);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.1);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 10.0);
  EXPECT_EQ(plug.changes, (std::vector<int>{0, 0}));
}

TEST_F(ControlCycle, CleanKeepsARequestedRedrawForOneMoreCycle) {
  TestControl* c = Add(IRECT(0, 0, 10, 10));
  c->SetClean();
  EXPECT_FALSE(c->IsDirty());
  c->Hide(true);
  EXPECT_TRUE(c->IsHidden());
  c->SetClean();
  EXPECT_TRUE(c->IsDirty());
  c->SetClean();
  EXPECT_FALSE(c->IsDirty());
  c->SetDirty(false);  // a plain dirty mark lasts one cycle
  c->SetClean();
  EXPECT_FALSE(c->IsDirty());
}

TEST_F(ControlCycle, AuxiliaryParametersFollowThePlug) {
  TestControl* c = Add(IRECT(0, 0, 10, 10), 0);
  c->AddAuxParam(2);
  c->AddAuxParam(0);
  EXPECT_EQ(c->AuxParamIdx(2), 0);
  EXPECT_EQ(c->AuxParamIdx(0), 1);
  EXPECT_EQ(c->AuxParamIdx(3), -1);
  EXPECT_EQ(c->GetAuxParam(2), nullptr);
  c->SetClean();
  graphics->SetControlsFromPlugValue(2, true, 0.75);
  EXPECT_DOUBLE_EQ(c->GetAuxParam(0)->mValue, 0.75);
  EXPECT_TRUE(c->IsDirty());
  EXPECT_TRUE(c->IsRedrawPending());
  c->SetClean();
  c->SetClean();
  graphics->SetControlsFromPlugValue(2, true, 0.75);  // unchanged
  EXPECT_FALSE(c->IsDirty());

  c->SetAllAuxParamsFromGUI();
  EXPECT_DOUBLE_EQ(plug.GetParam(2)->Value(), 0.75);
  EXPECT_EQ(plug.changes, (std::vector<int>{2, 0}));
}

TEST_F(ControlPrompt, NothingHappensWhilePromptingIsDisabled) {
  TestControl* c = Add(IRECT(10, 10, 31, 41), 0);
  IMouseMod right(false, true);
  c->OnMouseDown(12, 12, &right);
  c->PromptUserInput();
  IRECT r(1, 2, 3, 4);
  c->PromptUserInput(&r);
  EXPECT_TRUE(graphics->prompts.empty());
  EXPECT_FALSE(c->IsRedrawPending());
}

TEST_F(ControlPrompt, NumericParametersGetATextFieldCentredOnTheControl) {
  TestControl* c = Add(IRECT(10, 10, 31, 41), 0);
  c->SetPromptDisabled(false);
  IMouseMod left(true);
  c->OnMouseDown(12, 12, &left);  // left button: no prompt
  EXPECT_TRUE(graphics->prompts.empty());
  IMouseMod right(false, true);
  c->OnMouseDown(12, 12, &right);
  ASSERT_EQ(graphics->prompts.size(), 1u);
  // centre (20.5 -> 20, 25.5 -> 25)
  EXPECT_EQ(graphics->prompts[0].where, IRECT(0, 17, 40, 33));
  EXPECT_EQ(graphics->prompts[0].param, plug.GetParam(0));
  EXPECT_TRUE(c->IsRedrawPending());
}

TEST_F(ControlPrompt, ParametersWithDisplayTextsGetAMenuAtTheControl) {
  TestControl* c = Add(IRECT(10, 10, 31, 41), 1);
  c->SetPromptDisabled(false);
  c->PromptUserInput();
  ASSERT_EQ(graphics->prompts.size(), 1u);
  EXPECT_EQ(graphics->prompts[0].where, IRECT(10, 10, 31, 41));
  IRECT mine(5, 6, 7, 8);
  c->PromptUserInput(&mine);
  ASSERT_EQ(graphics->prompts.size(), 2u);
  EXPECT_EQ(graphics->prompts[1].where, mine);

  TestControl* unbound = Add(IRECT(0, 0, 5, 5));
  unbound->SetPromptDisabled(false);
  unbound->PromptUserInput();
  EXPECT_EQ(graphics->prompts.size(), 2u);
}

TEST_F(ControlLinks, ValueAndNameTextsFollowPushesOnlyWhenTheyChange) {
  TestControl* knob = Add(IRECT(0, 0, 10, 10), 0);
  auto* value = new TextSink(&plug, IRECT(0, 20, 50, 30));
  auto* name = new TextSink(&plug, IRECT(0, 30, 50, 40));
  graphics->AttachControl(value);
  graphics->AttachControl(name);
  knob->SetValDisplayControl(value);
  knob->SetNameDisplayControl(name);

  knob->SetValue(0.5);
  knob->SetDirty(true);
  EXPECT_EQ(value->text, "50 Hz");
  EXPECT_EQ(name->text, "Cutoff");
  knob->SetDirty(true);  // same texts: not sent again
  EXPECT_EQ(value->texts, 1);
  EXPECT_EQ(name->texts, 1);
  knob->SetValue(0.25);
  knob->SetDirty(true);
  EXPECT_EQ(value->text, "25 Hz");
  EXPECT_EQ(value->texts, 2);
  EXPECT_EQ(name->texts, 1);
}

TEST_F(ControlLinks, ControlsSharingOneReadOutEachBringTheirOwnTextBack) {
  TestControl* cutoff = Add(IRECT(0, 0, 10, 10), 0);
  TestControl* level = Add(IRECT(20, 0, 30, 10), 2);
  auto* readout = new TextSink(&plug, IRECT(0, 20, 50, 30));
  graphics->AttachControl(readout);
  cutoff->SetValDisplayControl(readout);
  level->SetValDisplayControl(readout);

  cutoff->SetValue(0.5);
  cutoff->SetDirty(true);
  EXPECT_EQ(readout->text, "50 Hz");
  level->SetValue(0.25);
  level->SetDirty(true);
  EXPECT_EQ(readout->text, "0.25 ");
  // The read-out shows the level now: the cutoff's unchanged text must be shown again.
  cutoff->SetDirty(true);
  EXPECT_EQ(readout->text, "50 Hz");
  EXPECT_EQ(readout->texts, 3);
  cutoff->SetDirty(true);
  EXPECT_EQ(readout->texts, 3);
}
