// The effects section: the equalizer curve turned back into band parameters (with one undo
// step per band), the delay model switched by the effect blocks, the chain order and the
// copy panel.
#include <cmath>

#include "editor_test_support.h"
#include "protocol/eq_mapping.h"

namespace vqtest {
namespace {

TEST(EqMapping, FrequencyIsLogarithmicOverTheBandsRange) {
  EXPECT_DOUBLE_EQ(EqFrequencyPosition(20.0, 20.0, 320.0), 0.0);
  EXPECT_NEAR(EqFrequencyPosition(320.0, 20.0, 320.0), 127.0, 1e-9);
  EXPECT_NEAR(EqFrequencyPosition(80.0, 20.0, 320.0), 63.5, 1e-9);  // two of four octaves
  EXPECT_DOUBLE_EQ(EqFrequencyPosition(10.0, 20.0, 320.0), 0.0);
  EXPECT_DOUBLE_EQ(EqFrequencyPosition(1e6, 20.0, 320.0), 127.0);
}

TEST(EqMapping, DegenerateInputsStayFiniteAndInRange) {
  const EqBand cases[] = {
      {1, 3.0, 1000.0, 0.0, 100.0, 10000.0, 0.0, 4.0},  // width 0
      {2, 3.0, 1000.0, 1.0, 500.0, 500.0, 0.0, 4.0},    // empty frequency range
      {0, 3.0, 1000.0, 1.0, 100.0, 10000.0, 2.0, 2.0},  // empty width range
      {3, NAN, NAN, NAN, NAN, NAN, NAN, NAN},
      {1, INFINITY, 0.0, -INFINITY, 0.0, 0.0, 0.0, 0.0},
      {0, 1.0, -5.0, 1.0, -10.0, 100.0, 0.0, 1.0},
  };
  for (const EqBand& band : cases) {
    for (const EqParamValue& pv : EqBandToParams(band)) {
      EXPECT_TRUE(std::isfinite(pv.value)) << band.index << " " << pv.param;
      EXPECT_GE(pv.value, -20.0);
      EXPECT_LE(pv.value, 127.0);
    }
  }
  // Width 0 is the narrowest band the Q knob shows.
  EXPECT_DOUBLE_EQ(EqBandToParams(cases[0])[1].value, 100.0);
  EXPECT_EQ(EqBandToParams(cases[0])[0].param, 164);
  EXPECT_EQ(EqBandToParams(cases[1])[0].param, 167);
  EXPECT_DOUBLE_EQ(EqBandToParams(cases[1])[0].value, 0.0);
  EXPECT_DOUBLE_EQ(EqBandToParams(cases[2])[1].value, 0.0);
  EXPECT_EQ(EqBandToParams(cases[3])[0].param, 170);
  EXPECT_EQ(EqBandToParams(EqBand{7})[0].param, -1);
}

TEST(EqMapping, SlopeAndQ) {
  // Bass: the narrow end of the width range is the steepest slope.
  EXPECT_DOUBLE_EQ(EqBandToParams({0, 5.0, 100.0, 0.5, 20.0, 320.0, 0.5, 2.5})[1].value, 127.0);
  EXPECT_DOUBLE_EQ(EqBandToParams({0, 5.0, 100.0, 2.5, 20.0, 320.0, 0.5, 2.5})[1].value, 0.0);
  // Mid: one octave, p = 2, Q = sqrt(2): (sqrt(2)/9 - 0.1111111) x 90 + 10 = 14.142...
  const auto mid = EqBandToParams({1, -4.0, 1000.0, 1.0, 200.0, 5000.0, 0.1, 3.0});
  EXPECT_NEAR(mid[1].value, (std::sqrt(2.0) / 9.0 - 0.1111111) * 90.0 + 10.0, 1e-9);
  EXPECT_DOUBLE_EQ(mid[2].value, -4.0);
  EXPECT_EQ(mid[2].param, 166);
}

using EffectTest = EditorTest;

TEST_F(EffectTest, CurveDragMakesOneUndoStepPerBand) {
  VQEditor& e = Make();
  EqBand band{0, 6.0, 80.0, 1.5, 20.0, 320.0, 0.5, 2.5};
  e.readEqBand = [&](EqBand& out) {
    out = band;
    return true;
  };
  const size_t steps = e.undoEntries.size();
  size_t mark = Mark();
  Set(290, 0);
  EXPECT_EQ(e.ParamInt(161), 63);
  EXPECT_EQ(e.ParamInt(162), 63);
  EXPECT_EQ(Value(163), 6);
  EXPECT_FALSE(CcsSince(mark).empty());  // each band parameter goes out
  EXPECT_EQ(e.undoEntries.size(), steps + 1);
  EXPECT_EQ(e.undoKey, 1000);
  EXPECT_EQ(e.lastSent[290], 128);

  band.gain = 9.0;
  Set(290, 0);
  EXPECT_EQ(Value(163), 9);
  EXPECT_EQ(e.undoEntries.size(), steps + 1);  // the same band replaces its step
  EXPECT_EQ(e.undoEntries.back()[160], 9);

  band = {3, -3.0, 8000.0, 1.0, 2000.0, 16000.0, 0.5, 2.5};
  Set(290, 3);
  EXPECT_EQ(e.undoEntries.size(), steps + 2);
  EXPECT_EQ(e.undoKey, 1003);
  EXPECT_EQ(Value(172), -3);
  EXPECT_FALSE(e.undoSuspended);
}

TEST_F(EffectTest, CurveDragTakesTheBandFromTheDisplaysValue) {
  VQEditor& e = Make();
  int askedFor = -1;
  e.readEqBand = [&](EqBand& out) {
    askedFor = out.index;
    out = {0, 4.0, 1000.0, 1.0, 250.0, 4000.0, 0.1, 3.0};  // a reader that leaves index 0
    return true;
  };
  Set(290, 2);
  EXPECT_EQ(askedFor, 2);
  EXPECT_EQ(e.undoKey, 1002);
  EXPECT_EQ(Value(169), 4) << "Mid2 Boost";
  EXPECT_EQ(e.ParamInt(167), 63) << "Mid2 frq. halfway: 63.5, truncated";
}

TEST_F(EffectTest, CurveIgnoredWhilePicking) {
  VQEditor& e = Make();
  int reads = 0;
  e.readEqBand = [&](EqBand&) { return ++reads, false; };
  e.flexiPickActive = true;
  e.flexiPickSlot = 1;
  Set(290, 2);
  EXPECT_EQ(reads, 0);
  e.flexiPickActive = false;
  Set(290, 2);
  EXPECT_EQ(reads, 1);
}

TEST_F(EffectTest, DelayModelFollowsTheBlockShown) {
  VQEditor& e = Make();
  Set(126, 1);
  Set(138, 90);
  Set(142, 80);
  size_t mark = Mark();
  Set(296, 1);  // vintage modulation block
  EXPECT_EQ(Value(126), 0);
  EXPECT_EQ(Value(138), 0);
  EXPECT_EQ(Value(142), 0);
  EXPECT_EQ(CcsSince(mark).size(), static_cast<size_t>(kProgramBurstLength));
  EXPECT_EQ(e.lastField, kNoFieldSent);
  EXPECT_EQ(Value(269), 1);
  EXPECT_EQ(Value(305), 0);
  EXPECT_FALSE(e.applyingProgram);

  mark = Mark();
  Set(296, 0);  // shown again: the model is already vintage
  EXPECT_TRUE(CcsSince(mark).empty());

  Set(127, 3);
  mark = Mark();
  Set(312, 1);  // long delay
  EXPECT_EQ(Value(126), 1);
  EXPECT_EQ(e.GetParam(138)->GetMax(), 9);  // both delays follow the clock
  EXPECT_EQ(CcsSince(mark).size(), static_cast<size_t>(kProgramBurstLength));
  EXPECT_EQ(Value(305), 1);
  EXPECT_EQ(Value(269), 0);
}

TEST_F(EffectTest, OverdriveAndEqualizerViews) {
  VQEditor& e = Make();
  TestControl* mod = Bind(135);
  TestControl* eqKnob = Bind(161);
  Set(294, 1);
  EXPECT_EQ(Value(267), 1);
  EXPECT_EQ(Value(268), 0);
  EXPECT_TRUE(mod->IsHidden());
  EXPECT_TRUE(eqKnob->IsHidden());
  Set(291, 1);  // parametric view chosen
  EXPECT_TRUE(e.equalizerMode);
  Set(295, 1);
  EXPECT_EQ(Value(268), 1);
  EXPECT_FALSE(eqKnob->IsHidden());
  Set(292, 1);
  EXPECT_FALSE(e.equalizerMode);
}

TEST_F(EffectTest, ChainOrderPlacesTheBlocks) {
  VQEditor& e = Make();
  TestControl* eqSwitch = Bind(295);
  TestControl* odSwitch = Bind(294);
  TestControl indicator(&e, IRECT(0, 0, 10, 10));
  e.equalizerOnIndicator = &indicator;
  Set(134, 0);
  Set(131, 1);
  EXPECT_EQ(eqSwitch->GetRECT().L, 523);
  EXPECT_EQ(eqSwitch->GetRECT().T, 565);
  EXPECT_EQ(odSwitch->GetRECT().L, 618);
  EXPECT_EQ(indicator.GetRECT().L, 523);
  Set(131, 0);
  EXPECT_EQ(eqSwitch->GetRECT().L, 618);
  EXPECT_EQ(odSwitch->GetRECT().L, 523);

  Set(160, 1);
  EXPECT_FALSE(indicator.IsHidden());
  Set(160, 0);
  EXPECT_TRUE(indicator.IsHidden());
  e.equalizerOnIndicator = nullptr;
}

TEST_F(EffectTest, ModIndicatorsAndCopyPanel) {
  VQEditor& e = Make();
  TestControl vintage(&e, IRECT(0, 0, 1, 1)), longDelay(&e, IRECT(0, 0, 1, 1));
  e.modOnIndicator[0] = &vintage;
  e.modOnIndicator[1] = &longDelay;
  Set(126, 1);
  Set(134, 1);
  EXPECT_FALSE(longDelay.IsHidden());
  EXPECT_TRUE(vintage.IsHidden());
  Set(134, 0);
  EXPECT_TRUE(longDelay.IsHidden());
  e.modOnIndicator[0] = e.modOnIndicator[1] = nullptr;

  Set(304, 1);
  EXPECT_FALSE(e.copyPanelVco);
  Set(303, 1);
  EXPECT_TRUE(e.copyPanelVco);
}

}  // namespace
}  // namespace vqtest
