// The parameter dispatcher: one NRPN per changed value, the bookkeeping that decides which
// address bytes the next send repeats, whole-program suppression, the read-outs, the Mod. Wheel
// and the external-MIDI panel.
#include "editor_test_support.h"

namespace vqtest {
namespace {

using Controls = std::vector<NrpnControl>;

class DispatchTest : public EditorTest {
 protected:
  // The data bytes (CC 6) sent since the mark.
  std::vector<int> DataSince(size_t mark) const {
    std::vector<int> data;
    for (const NrpnControl& cc : CcsSince(mark))
      if (cc.controller == kCcDataEntry) data.push_back(cc.value);
    return data;
  }
};

TEST_F(DispatchTest, OneMessagePerIntegerStep) {
  VQEditor& e = Make();
  size_t mark = Mark();
  for (double v : {10.2, 10.7, 10.0, 10.9}) Set(14, v);  // "VCO1 volume" stays at 10
  EXPECT_EQ(DataSince(mark), (std::vector<int>{10}));
  EXPECT_EQ(e.LastField(), 11);
  EXPECT_EQ(e.LastSent()[11], 10);
  EXPECT_EQ(e.Link().IdlePolls(), 0);
}

TEST_F(DispatchTest, AddressBytesFollowTheLastFieldSent) {
  VQEditor& e = Make();
  Set(14, 3);
  size_t mark = Mark();
  Set(14, 4);
  EXPECT_EQ(CcsSince(mark), (Controls{{0x06, 4}}));
  // A GUI-only control in between names no NRPN address.
  Set(269, 1);
  mark = Mark();
  Set(14, 5);
  EXPECT_EQ(CcsSince(mark), (Controls{{0x06, 5}}));
  mark = Mark();
  Set(13, 9);  // field 10, same MSB
  EXPECT_EQ(CcsSince(mark), (Controls{{0x62, 10}, {0x06, 9}}));
  EXPECT_EQ(e.LastField(), 10);
}

TEST_F(DispatchTest, WholeProgramFromMidiSyncRepeatsTheFullAddressNext) {
  VQEditor& e = Make();
  Set(14, 3);
  size_t mark = Mark();
  Set(127, 1);
  // The field itself goes out first (one LSB and one data byte), then the whole program.
  Controls ccs = CcsSince(mark);
  ASSERT_EQ(ccs.size(), 2u + kProgramBurstLength);
  EXPECT_EQ(ccs[1], (NrpnControl{0x06, 1}));
  EXPECT_EQ(ccs[2], (NrpnControl{0x63, 5}));
  EXPECT_EQ(e.LastField(), kNoFieldSent);
  EXPECT_FALSE(e.ApplyingProgram());
  EXPECT_EQ(Value(45), 1);  // the LFO now counts note divisions
  EXPECT_EQ(e.GetParam(45)->GetMax(), 12);
  EXPECT_EQ(ReadoutText(42), "1/1");
  mark = Mark();
  Set(14, 4);
  EXPECT_EQ(CcsSince(mark), (Controls{{0x63, 5}, {0x62, 11}, {0x06, 4}}));

  // Without a held knob the same value is taken again (the knob's release).
  mark = Mark();
  Set(127, 1);
  EXPECT_EQ(CcsSince(mark).size(), 2u + kProgramBurstLength);
}

TEST_F(DispatchTest, UndoStepsMergeByAddressKey) {
  VQEditor& e = Make();
  const size_t steps = e.History().Entries().size();
  for (int v = 1; v <= 5; ++v) Set(14, v * 10);  // "VCO1 volume" (LSB 11)
  Set(13, 40);                                   // "VCO1 tri" (LSB 10)
  EXPECT_EQ(e.History().Entries().size(), steps + 2);
  EXPECT_EQ(e.History().Entries()[steps][11], 50);
  EXPECT_EQ(e.History().Key(), 10);
  // A GUI-only control takes no step and keeps the key.
  Set(269, 1);
  Set(13, 41);
  EXPECT_EQ(e.History().Entries().size(), steps + 2);
  EXPECT_EQ(e.History().Entries().back()[10], 41);
}

TEST_F(DispatchTest, ApplyingProgramUpdatesReadoutsOnly) {
  VQEditor& e = Make();
  const size_t undo = e.History().Entries().size();
  const bool edited = e.ProgramEdited();
  e.SetApplyingProgram(true);
  size_t mark = Mark();
  Set(14, 77);
  Set(85, 3);
  e.SetApplyingProgram(false);
  EXPECT_TRUE(Since(mark).empty());
  EXPECT_EQ(ReadoutText(11), "77");
  EXPECT_EQ(ReadoutText(82), "NTC");
  EXPECT_EQ(e.History().Entries().size(), undo);
  EXPECT_EQ(e.ProgramEdited(), edited);
}

TEST_F(DispatchTest, FirstChangeMarksTheProgramEdited) {
  VQEditor& e = Make();
  e.SetProgramEdited(false);
  Set(14, 50);
  EXPECT_TRUE(e.ProgramEdited());
  EXPECT_EQ(StatusText(), "*INIT*");
}

TEST_F(DispatchTest, WithoutGraphicsNothingIsSent) {
  VQEditor& e = Make("", false);
  size_t mark = Mark();
  Set(14, 50);
  EXPECT_TRUE(Since(mark).empty());
  EXPECT_EQ(e.LastSent()[11], 50);
  Set(297, 1);  // the case still runs
  EXPECT_TRUE(e.Learn().LearnMode());
}

TEST_F(DispatchTest, ReadoutTexts) {
  Make();
  struct Case {
    int param;
    double value;
    int field;
    const char* text;
  };
  const Case cases[] = {
      {58, 70, 55, "6"},         {58, 0, 55, "-64"},       {51, -2, 48, "-12"},
      {52, 3, 49, "24"},         {70, 2, 67, "reset"},     {80, 0, 77, "off"},
      {80, 5, 77, "5"},          {84, 1, 81, "on"},        {85, 4, 82, "OFF"},
      {87, 1, 84, "24dB"},       {89, 1, 86, "time"},      {92, 1, 89, "trigger"},
      {93, 2, 90, "first"},      {94, 1, 91, "0.25Hz"},    {134, 1, 131, "on"},
      {135, 127, 132, "8.60Hz"}, {138, 127, 135, "140ms"}, {147, 1, 144, "on"},
      {160, 0, 157, "off"},      {182, 1, 179, "on"},      {183, 1, 180, "on"},
      {78, 1, 75, "new"},
  };
  for (const Case& c : cases) {
    Set(c.param, c.value);
    ASSERT_NE(Page().Readout(c.field), nullptr) << c.param;
    EXPECT_EQ(ReadoutText(c.field), c.text) << c.param;
  }
  // The delay times count note divisions only on the long delay with the matching clock.
  Set(126, 1);   // "Delay Vintage/Long": long
  Set(142, 64);  // "Delay2"
  EXPECT_EQ(ReadoutText(139), "302ms");
  Set(127, 3);  // "MIDI Sync": delay1+2
  Set(142, 2);
  EXPECT_NE(ReadoutText(139).find('/'), std::string::npos) << ReadoutText(139);
  Set(136, 127);  // "LFO B frq."
  EXPECT_EQ(ReadoutText(133), "8.60Hz");
  Set(72, 9);  // the noise decay writes into the read-out of the next field
  EXPECT_EQ(ReadoutText(70), "off");
  EXPECT_EQ(ReadoutText(69), "9");
}

TEST_F(DispatchTest, PolarityTextsAndEnvelopeGreying) {
  VQEditor& e = Make();
  auto polarity = [&](int slot) {
    return dynamic_cast<EditorTextControl*>(Page().FlexiPolarity(slot))->Text();
  };
  Set(177, 1);
  EXPECT_EQ(polarity(1), "(-)");
  Set(177, 0);
  EXPECT_EQ(polarity(1), "(+)");

  auto* g = dynamic_cast<TestGraphics*>(e.Graphics());
  auto* knob = new TestControl(&e, IRECT(0, 0, 5, 5), 63);
  g->AttachControl(knob);
  Set(70, 0);
  EXPECT_TRUE(knob->IsGrayed());
  Set(70, 1);
  EXPECT_FALSE(knob->IsGrayed());
}

TEST_F(DispatchTest, ModWheelSendsOnEveryCall) {
  VQEditorSetup setup = BaseSetup();
  vqtest::RecordingPages& pages = UseRecordingPages(setup);
  VQEditor& e = MakeFrom(std::move(setup));
  Set(347, 2);
  EXPECT_EQ(e.KeyboardChannel(), 2);
  Set(348, 7);
  size_t mark = Mark();
  Set(349, 40);
  Set(349, 40);
  auto sent = Since(mark);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1], (std::vector<uint8_t>{0xB2, 7, 40}));
  Set(348, 0);  // "AT": channel pressure
  mark = Mark();
  Set(349, 41);
  sent = Since(mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (std::vector<uint8_t>{0xD2, 41}));

  // A click on the knob's value opens the value entry and sends nothing.
  bool changed = true;
  pages.modWheelChanged = [&] { return std::exchange(changed, false); };
  mark = Mark();
  Set(349, 42);
  EXPECT_TRUE(Since(mark).empty());
  EXPECT_FALSE(changed);
}

TEST_F(DispatchTest, ExternalMidiPanel) {
  VQEditor& e = Make();
  const size_t mark = Mark();
  Set(128, 5);
  // The field as a single send, then the three full triples of the external-MIDI fields.
  Controls first = CcsSince(mark);
  ASSERT_EQ(first.size(), 12u);
  EXPECT_EQ(Controls(first.begin() + 3, first.begin() + 6),
            (Controls{{0x63, 5}, {0x62, 87}, {0x06, static_cast<uint8_t>(Value(90))}}));
  EXPECT_EQ(Controls(first.begin() + 6, first.begin() + 9),
            (Controls{{0x63, 5}, {0x62, 125}, {0x06, 5}}));
  size_t m = Mark();
  Set(311, 12);
  Controls ccs = CcsSince(m);
  ASSERT_EQ(ccs.size(), 9u);
  EXPECT_EQ(ccs[0], (NrpnControl{0x63, 5}));
  EXPECT_EQ(ccs[1], (NrpnControl{0x62, 87}));
  EXPECT_EQ(ccs[2], (NrpnControl{0x06, 12}));
  EXPECT_EQ(Value(90), 12);  // the pitch-bend range follows without a message of its own
  m = Mark();
  Set(310, 3);
  ccs = CcsSince(m);
  ASSERT_EQ(ccs.size(), 9u);
  EXPECT_EQ(ccs[8], (NrpnControl{0x06, 12}));  // 4 x 3
  EXPECT_FALSE(e.ApplyingProgram());
}

// A foreign case that ends the change early keeps the bookkeeping as it was.
class RecordingCases : public VQParamCases {
 public:
  bool ManagerPageCase(VQEditor&, int paramIdx) override {
    manager.push_back(paramIdx);
    return goOn;
  }
  DispatchExit ProgramControlCase(VQEditor&, int paramIdx, int32_t) override {
    program.push_back(paramIdx);
    return exit;
  }
  std::vector<int> manager, program;
  bool goOn = false;
  DispatchExit exit = DispatchExit::kLeaveEarly;
};

TEST_F(DispatchTest, ForeignCasesAndTheirWaysOut) {
  VQEditor& e = Make();
  auto owned = std::make_unique<RecordingCases>();
  RecordingCases* cases = owned.get();
  e.SetParamCases(std::move(owned));
  e.Link().SetIdlePolls(3);
  Set(213, 1);
  EXPECT_EQ(cases->program, (std::vector<int>{213}));
  EXPECT_EQ(e.LastSent()[213], 128);
  EXPECT_EQ(e.Link().IdlePolls(), 3);
  cases->exit = DispatchExit::kWholeProgramSent;
  e.SetLastField(5);
  Set(209, 1);
  EXPECT_EQ(e.LastField(), kNoFieldSent);
  EXPECT_EQ(e.LastSent()[209], 1);

  Set(320, 1);  // the manager page is not shown
  EXPECT_TRUE(cases->manager.empty());
  e.SetManagerPageShown(true);
  Set(321, 1);
  EXPECT_EQ(cases->manager, (std::vector<int>{321}));
  EXPECT_EQ(e.LastSent()[321], 128);
  e.SetManagerPageShown(false);
}

}  // namespace
}  // namespace vqtest
