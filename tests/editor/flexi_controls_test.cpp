// FLEXI slots: the destination pick, LEARN and CLEAR, the range knobs' arithmetic, the filter
// model's re-targeting and the list view.
#include "editor_test_support.h"
#include "protocol/name_tables.h"

namespace vqtest {
namespace {

class FlexiTest : public EditorTest {
 protected:
  void Press(int param) {
    Set(param, 1);
    Set(param, 0);
  }
  // LEARN of slot 1..4, then a touch of the knob of `param` (moved to `value`).
  void Pick(int slot, int param, double value) {
    Press(238 + slot);
    Set(param, value);
  }
};

TEST_F(FlexiTest, LearnThenTouchSetsTheDestination) {
  VQEditor& e = Make();
  TestControl* knob = Bind(14);
  TestControl* rangeA = Bind(231);
  rangeA->Hide(true);
  Press(239);
  EXPECT_TRUE(e.flexiPickActive);
  EXPECT_EQ(e.flexiPickSlot, 1);
  EXPECT_TRUE(e.flexiPickTimeout);

  size_t mark = Mark();
  Set(14, 90);  // "VCO1 volume", field 11
  EXPECT_FALSE(e.flexiPickActive);
  EXPECT_EQ(e.flexiPickSlot, 0);
  EXPECT_EQ(e.flexiDestination[0], 11);
  EXPECT_EQ(Value(231), 90);
  EXPECT_EQ(Value(232), 90);
  EXPECT_EQ(Value(102), 0);   // RANGE
  EXPECT_EQ(Value(101), 0);   // RANGE POLARITY
  EXPECT_EQ(Value(99), 0);    // BITS
  EXPECT_EQ(Value(100), 11);  // DESTINATION
  EXPECT_EQ(Value(98), 98);   // a slot without source gets the first one
  EXPECT_STREQ(e.GetParam(231)->GetName(), "Flexi1 Range");
  EXPECT_EQ(e.GetParam(231)->GetMax(), 127);
  EXPECT_EQ(dynamic_cast<EditorTextControl*>(e.flexiLearnCaption[0])->Text(), "CLEAR");
  EXPECT_TRUE(e.flexiIndicatorShown[0]);
  EXPECT_FALSE(e.flexiPickTimeout);
  EXPECT_TRUE(knob->IsHidden());
  EXPECT_FALSE(rangeA->IsHidden());
  // The touched field still goes out as an ordinary change.
  bool sentVolume = false;
  for (const NrpnControl& cc : CcsSince(mark))
    sentVolume = sentVolume || (cc == NrpnControl{0x06, 90});
  EXPECT_TRUE(sentVolume);
}

TEST_F(FlexiTest, ExcludedKnobIsIgnoredEntirelyWhilePicking) {
  VQEditor& e = Make();
  Press(240);
  const size_t mark = Mark();
  const std::string readout = ReadoutText(90);
  const int32_t last = e.lastSent[90];
  Set(93, Value(93) == 2 ? 1 : 2);  // "key priority"
  EXPECT_TRUE(Since(mark).empty());
  EXPECT_EQ(ReadoutText(90), readout);
  EXPECT_TRUE(e.flexiPickActive);
  EXPECT_EQ(e.lastSent[90], last);

  // A FLEXI field and a page switch take the ordinary road; the pick stays.
  Set(104, 5);
  Set(269, 1);
  EXPECT_TRUE(e.flexiPickActive);
  EXPECT_EQ(e.flexiDestination[1], -1);
}

TEST_F(FlexiTest, ProgramAppliedWhilePickingSetsNoDestination) {
  VQEditor& e = Make();
  Press(239);
  e.InitProgram();
  EXPECT_EQ(e.flexiDestination[0], -1);
  EXPECT_TRUE(e.flexiPickActive);
  Set(20, 64);  // "VCO2 PWM offset", field 17
  EXPECT_EQ(e.flexiDestination[0], 17);
}

TEST_F(FlexiTest, DelayRangesFollowMidiSync) {
  VQEditor& e = Make();
  Set(127, 2);
  Pick(1, 142, 40);  // "Delay2"
  EXPECT_EQ(e.flexiDestination[0], 139);
  EXPECT_EQ(e.GetParam(231)->GetMax(), 127);
  Set(127, 3);
  Pick(2, 142, 41);
  EXPECT_EQ(e.flexiDestination[1], 139);
  EXPECT_EQ(e.GetParam(233)->GetMin(), 0);
  EXPECT_EQ(e.GetParam(233)->GetMax(), 9);
  Set(127, 1);
  Pick(3, 45, 3);
  EXPECT_EQ(e.GetParam(235)->GetMin(), 1);
  EXPECT_EQ(e.GetParam(235)->GetMax(), 12);
}

TEST_F(FlexiTest, SecondBankDestinationSetsBits) {
  VQEditor& e = Make();
  Pick(4, 166, 5);  // "Mid1 Boost", field 163 (6, 35)
  EXPECT_EQ(e.flexiDestination[3], 163);
  EXPECT_EQ(Value(120), 1);
  EXPECT_EQ(Value(121), 35);
}

TEST_F(FlexiTest, RangeKnobArithmetic) {
  VQEditor& e = Make();
  Pick(1, 14, 100);
  Set(102, 20);  // RANGE
  Set(231, 120);
  EXPECT_EQ(Value(102), 7);
  EXPECT_EQ(Value(232), 127);
  EXPECT_EQ(Value(14), 120);  // the destination follows knob A

  Set(101, 1);  // down from A
  Set(102, 30);
  Set(231, 10);
  EXPECT_EQ(Value(102), 10);
  EXPECT_EQ(Value(232), 0);

  Set(231, 60);
  e.flexiReadoutSlot = 0;
  Set(232, 45);  // B below A
  EXPECT_EQ(Value(102), 15);
  EXPECT_EQ(Value(101), 1);
  EXPECT_EQ(e.flexiReadoutSlot, 1);
  EXPECT_EQ(ReadoutText(11), "45");
  Set(232, 70);
  EXPECT_EQ(Value(102), 10);
  EXPECT_EQ(Value(101), 0);
}

TEST_F(FlexiTest, ClearAndCancel) {
  VQEditor& e = Make();
  TestControl* knob = Bind(14);
  TestControl* rangeA = Bind(231);
  Pick(1, 14, 50);
  Set(102, 9);
  Press(243);  // CLEAR
  EXPECT_EQ(e.flexiDestination[0], -1);
  EXPECT_EQ(Value(102), 0);
  EXPECT_FALSE(e.flexiPickActive);
  EXPECT_FALSE(knob->IsHidden());
  EXPECT_TRUE(rangeA->IsHidden());
  EXPECT_EQ(dynamic_cast<EditorTextControl*>(e.flexiLearnCaption[0])->Text(), "LEARN");

  // LEARN pressed again while picking cancels the pick.
  Press(241);
  EXPECT_TRUE(e.flexiPickActive);
  Press(241);
  EXPECT_FALSE(e.flexiPickActive);
  EXPECT_EQ(e.flexiDestination[2], -1);
  // Only the release acts.
  Set(241, 1);
  EXPECT_FALSE(e.flexiPickActive);
  EXPECT_EQ(e.lastSent[241], 128);
}

TEST_F(FlexiTest, FilterModelRetargetsTheSlot) {
  VQEditor& e = Make();
  Set(78, 0);
  Pick(2, 79, 30);  // vintage cutoff, field 76
  ASSERT_EQ(e.flexiDestination[1], 76);
  Set(78, 1);
  EXPECT_EQ(e.flexiDestination[1], 183);
  EXPECT_STREQ(e.GetParam(233)->GetName(), "Flexi Range");
  EXPECT_EQ(e.GetParam(233)->GetMin(), 36);
  EXPECT_EQ(e.GetParam(233)->GetMax(), 122);
  EXPECT_EQ(Value(233), 36);
  EXPECT_EQ(Value(109), 0);
  Set(78, 0);
  EXPECT_EQ(e.flexiDestination[1], 76);
  EXPECT_EQ(e.GetParam(234)->GetMax(), 80);

  // Without a slot on a cutoff, the plain knob swap.
  Press(244);
  Set(78, 1);
  EXPECT_EQ(Value(186), 36);
}

TEST_F(FlexiTest, ListView) {
  VQEditor& e = Make();
  Set(260, 1);  // range controls of slot 2
  EXPECT_EQ(e.listViewTarget, 5);
  Set(263, 16);  // past the page's last range row
  EXPECT_EQ(Value(250), 14);
  EXPECT_EQ(Value(110), kRangeControlNames[14].code);
  EXPECT_EQ(e.lastSent[263], 128);  // the same row again takes effect
  Set(256, 1);                      // sources of slot 2
  EXPECT_EQ(e.listViewTarget, 1);
  Set(264, 39);
  EXPECT_EQ(Value(249), 37);
  EXPECT_EQ(Value(105), kFlexiSourceNames[37].code);
}

TEST_F(FlexiTest, EqualizerCurveRefusesAModulatedBand) {
  VQEditor& e = Make();
  Pick(1, 164, 60);  // "Mid1 frq.", field 161
  e.lastSent[292] = 7;
  Set(292, 1);
  EXPECT_EQ(e.lastSent[292], 7);  // left with no bookkeeping
}

}  // namespace
}  // namespace vqtest
