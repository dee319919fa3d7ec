// Whole-program edits and the undo history.
#include "editor_test_support.h"
#include "protocol/device_messages.h"
#include "protocol/name_tables.h"

namespace vqtest {
namespace {

using Controls = std::vector<NrpnControl>;

int DataCount(const Controls& ccs) {
  int n = 0;
  for (const NrpnControl& cc : ccs) n += cc.controller == kCcDataEntry;
  return n;
}

TEST_F(EditorTest, ChangesToOneControlMergeIntoOneUndoStep) {
  VQEditor& e = Make();
  size_t before = e.History().Entries().size();
  for (int v = 1; v <= 5; ++v) Set(14, v * 10);  // VCO1 volume
  Set(13, 7);                                    // VCO1 tri
  EXPECT_EQ(e.History().Entries().size(), before + 2);

  before = e.History().Entries().size();
  Set(4, 1);  // VCO1 fine (LSB 1)
  Set(4, 2);
  Set(132, 9);  // field 129 at (6, 1): same LSB, merges too
  EXPECT_EQ(e.History().Entries().size(), before + 1);
  EXPECT_EQ(e.History().Entries().back()[129], 9);
  EXPECT_EQ(e.History().Entries().back()[1], 2);
}

TEST_F(EditorTest, UndoAndRedoRestoreAndResend) {
  VQEditor& e = Make();
  Set(14, 100);
  Set(13, 50);
  size_t mark = Mark();
  e.Undo();
  EXPECT_EQ(Value(13), 0);
  EXPECT_EQ(Value(14), 100);
  Controls ccs = CcsSince(mark);
  ASSERT_EQ(ccs.size(), 342u);
  EXPECT_EQ(ccs[2 + 2 * 11].value, 100);
  EXPECT_EQ(e.LastField(), kNoFieldSent);
  e.Undo();
  EXPECT_EQ(Value(14), 32);  // INIT
  e.Redo();
  EXPECT_EQ(Value(14), 100);
  e.Redo();
  EXPECT_EQ(Value(13), 50);
  size_t count = Mark();
  e.Redo();  // at the end: nothing
  EXPECT_EQ(Mark(), count);
}

// A change of a program value, with what it sets along, is one marked step that holds what the
// controls then show; Undo gives back the values before it.
TEST_F(EditorTest, EachChangeIsOneStepHoldingWhatItSetAlong) {
  const struct {
    const char* what;
    int param;
    double value;  // -1: the other of two
  } rows[] = {
      {"MIDI SYNC, which clears the LFO rate and both delays", vq_param::kMidiSync, 1},
      {"the external-MIDI pitch-bend range", vq_param::kExtMidiPitchbendRange, 12},
      {"VINTAGE/NEW, which sets its cutoff", vq_param::kVcfVintageNew, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    VQEditor& e = Make();
    Set(vq_param::kDelay1, 20);
    Set(vq_param::kVco4PwmLfoFrq, 50);
    e.SetProgramEdited(false);
    const auto shown = [&e] { return (e.TakeUndoSnapshot(), e.History().Snapshot()); };
    const ProgramRecord before = shown();
    const size_t steps = e.History().Entries().size();
    Set(row.param, row.value >= 0 ? row.value : 1 - Value(row.param));
    EXPECT_EQ(e.History().Entries().size(), steps + 1);
    EXPECT_EQ(e.History().Current(), shown());
    EXPECT_NE(e.History().Current(), before);
    EXPECT_TRUE(e.ProgramEdited());
    e.Undo();
    EXPECT_EQ(shown(), before);
  }
}

TEST_F(EditorTest, UndoAtTheFirstEntryRestoresItAgain) {
  // A first run: the history starts from the program the editor holds (INIT), never from an
  // unfilled record.
  VQEditor& e = Make();
  ASSERT_EQ(e.History().Entries().size(), 1u);
  const size_t mark = Mark();
  e.Undo();
  EXPECT_EQ(e.History().Cursor(), 0);
  EXPECT_EQ(Value(14), 32);  // INIT's "VCO1 volume"
  EXPECT_EQ(CcsSince(mark), ProgramNrpnBurst(ProgramFieldTable::InitRecord()));
  e.Undo();
  EXPECT_EQ(e.History().Cursor(), 0);
  EXPECT_EQ(Value(86), 7);
}

TEST_F(EditorTest, UndoLeavesTheExternalMidiSwitchAndTransposeAlone) {
  VQEditor& e = Make();
  Set(309, 1);  // "Ext. Midi On"
  Set(310, 2);  // octave transpose
  Set(14, 100);
  Set(13, 50);
  for (auto step : {&VQEditor::Undo, &VQEditor::Undo, &VQEditor::Redo}) {
    (e.*step)();
    EXPECT_EQ(Value(309), 1);
    EXPECT_EQ(Value(310), 2);
    EXPECT_EQ(e.Record()[123] >> 1, 1 | 2 << 1) << "the program sent keeps them too";
  }
}

TEST_F(EditorTest, RandomiseKeepsToTheSyncedRanges) {
  struct Case {
    int delayLong, sync, group;
    std::vector<std::pair<int, int>> fieldTop;  // field, highest value in force
  } cases[] = {
      {0, 1, 281, {{42, 12}}},            // VCO4 group: the LFO follows MIDI clock
      {1, 3, 285, {{135, 9}, {139, 9}}},  // effect group: both delays follow it
      {1, 2, 285, {{135, 9}, {139, 127}}},
  };
  for (const Case& c : cases) {
    VQEditor& e = Make();
    Set(126, c.delayLong);
    Set(127, c.sync);
    Set(c.group, 1);
    for (int run = 0; run < 40; ++run) {
      e.RandomizeGroups();
      for (auto [field, top] : c.fieldTop) {
        EXPECT_LE(e.Record()[field], top) << "sent, field " << field;
        EXPECT_EQ(e.Record()[field], Value(field + kFieldParamOffset))
            << "sent and shown, field " << field;
      }
    }
  }
}

TEST_F(EditorTest, ChangeAfterUndoOverwritesOrTruncates) {
  VQEditor& e = Make();
  Set(14, 100);
  Set(13, 50);
  e.Undo();  // cursor on the volume step; the key is still "tri"
  size_t size = e.History().Entries().size();
  Set(13, 60);  // same control as the last merged one: overwrites the restored entry
  EXPECT_EQ(e.History().Entries().size(), size - 1);  // and the redo entry is gone
  EXPECT_EQ(e.History().Entries()[static_cast<size_t>(e.History().Cursor())][10], 60);
  e.Undo();
  Set(12, 5);  // another control: appends after the cursor, the redo entries are gone
  EXPECT_EQ(static_cast<size_t>(e.History().Cursor()) + 1, e.History().Entries().size());
  EXPECT_EQ(e.History().Entries().back()[9], 5);
}

TEST_F(EditorTest, UndoDoesNothingOnTheManagerPage) {
  VQEditor& e = Make();
  Set(14, 100);
  e.SetManagerPageShown(true);
  e.Undo();
  EXPECT_EQ(Value(14), 100);
}

TEST_F(EditorTest, CopyWithoutSourceDoesNothing) {
  VQEditor& e = Make();
  Set(274, 1);
  size_t entries = e.History().Entries().size();
  size_t mark = Mark();
  e.CopyVcoSettings();
  EXPECT_EQ(Mark(), mark);
  EXPECT_EQ(e.History().Entries().size(), entries);
}

TEST_F(EditorTest, CopyOscillatorResendsEveryOscillatorField) {
  VQEditor& e = Make();
  for (int k = 0; k < 12; ++k) Set(15 + k, 3 + k);  // VCO2
  Set(271, 1);                                      // source VCO2
  Set(274, 1);                                      // destinations VCO1 and VCO2
  Set(275, 1);
  size_t entries = e.History().Entries().size();
  size_t mark = Mark();
  e.CopyVcoSettings();
  for (int k = 0; k < 12; ++k) {
    EXPECT_EQ(Value(3 + k), 3 + k) << k;
    EXPECT_EQ(Value(15 + k), 3 + k) << k;
  }
  Controls ccs = CcsSince(mark);
  EXPECT_EQ(DataCount(ccs), 48);
  EXPECT_EQ(ccs[0], (NrpnControl{0x63, 5}));  // the first repeats the whole address
  EXPECT_EQ(e.History().Entries().size(), entries + 1);
  EXPECT_EQ(e.History().Key(), -1);
  // The next single change opens a new step.
  Set(4, 9);
  EXPECT_EQ(e.History().Entries().size(), entries + 2);
}

TEST_F(EditorTest, CopyFlexiSlot) {
  VQEditor& e = Make();
  Set(98, 101);  // FLEXI1 SOURCE
  Set(102, 40);  // FLEXI1 RANGE
  Set(104, -5);  // FLEXI1 CURVE
  Set(174, 1);   // FLEXI1 MODE
  Set(270, 1);
  Set(277, 1);  // to FLEXI4
  e.CopyFlexiSettings();
  EXPECT_EQ(Value(119), 101);
  EXPECT_EQ(Value(123), 40);
  EXPECT_EQ(Value(125), -5);
  EXPECT_EQ(Value(180), 1);  // FLEXI4 MODE from the composite
  EXPECT_EQ(Value(253), 2);  // list position of source code 101
}

TEST_F(EditorTest, RandomiseTouchesOnlyTheChosenGroups) {
  VQEditor& e = Make();
  Set(100, 20);  // FLEXI1 DESTINATION
  Set(102, 30);  // FLEXI1 RANGE
  e.PackParamsToRecord();
  ProgramRecord before = e.Record();
  Set(278, 1);
  size_t entries = e.History().Entries().size();
  size_t mark = Mark();
  e.RandomizeGroups();
  e.PackParamsToRecord();
  for (int f = 12; f < kProgramFieldCount; ++f) EXPECT_EQ(e.Record()[f], before[f]) << f;
  for (int f = 0; f < 12; ++f) {
    EXPECT_GE(e.Record()[f], ProgramFieldTable::Min(f));
    EXPECT_LE(e.Record()[f], ProgramFieldTable::Max(f));
  }
  EXPECT_EQ(CcsSince(mark).size(), 342u);  // one burst, no single sends
  EXPECT_EQ(e.History().Entries().size(), entries + 1);
}

TEST_F(EditorTest, RandomiseNeverDrawsFlexiRouting) {
  VQEditor& e = Make();
  Set(100, 20);
  Set(102, 30);
  Set(101, 1);
  Set(286, 1);
  for (int i = 0; i < 20; ++i) {
    e.RandomizeGroups();
    EXPECT_EQ(Value(100), 20);
    EXPECT_EQ(Value(102), 30);
    EXPECT_EQ(Value(101), 1);
    int source = static_cast<int>(Value(98));
    bool known = false;
    for (int k = 0; k < 18; ++k) known = known || kFlexiSourceNames[k].code == source;
    EXPECT_TRUE(known) << source;
  }
}

// The fields each group switch (278 + g) randomises and initialises, as the group table lists
// them (program fields 0..169; the raw composite parts are left out).
struct GroupRow {
  std::vector<std::pair<int, int>> randomised, initialised;
};
const GroupRow kGroupRows[12] = {
    {{{0, 11}}, {{0, 11}}},
    {{{12, 23}}, {{12, 23}}},
    {{{24, 35}}, {{24, 35}}},
    {{{36, 47}}, {{36, 47}}},
    {{{70, 84}}, {{70, 84}, {88, 88}}},
    {{{59, 69}, {91, 94}}, {{59, 69}, {91, 94}}},
    {{{48, 58}}, {{48, 58}}},
    {{{129, 169}}, {{129, 169}}},
    {{{95, 101}}, {{95, 101}}},
    {{{102, 108}}, {{102, 108}}},
    {{{109, 115}}, {{109, 115}}},
    {{{116, 122}}, {{116, 122}}},
};

bool InRows(const std::vector<std::pair<int, int>>& rows, int f) {
  for (auto [first, last] : rows)
    if (f >= first && f <= last) return true;
  return false;
}

// Every program field away from its group-INIT value, set straight into the parameters.
void SetAwayFromGroupInit(VQEditor& e) {
  for (int f = 0; f < kProgramFieldCount; ++f) {
    IParam* p = e.GetParam(f + kFieldParamOffset);
    if (!p || p->Type() == IParam::kTypeNone) continue;
    double v = ProgramFieldTable::kGroupInit[f] == static_cast<int32_t>(p->GetMax()) ? p->GetMin()
                                                                                     : p->GetMax();
    p->Set(v);
  }
  e.GetParam(78)->Set(0);   // vintage filter, cutoff 80
  e.GetParam(147)->Set(1);  // overdrive and equalizer on with a blend
  e.GetParam(160)->Set(1);
}

TEST_F(EditorTest, InitialiseEachGroupTouchesExactlyItsFields) {
  for (int g = 0; g < 12; ++g) {
    SCOPED_TRACE(g);
    VQEditor& e = Make();
    SetAwayFromGroupInit(e);
    e.PackParamsToRecord();
    const ProgramRecord before = e.Record();
    Set(278 + g, 1);
    e.InitGroups();
    e.PackParamsToRecord();
    for (int f = 0; f < kDeviceFieldCount; ++f) {
      if (!InRows(kGroupRows[g].initialised, f)) {
        EXPECT_EQ(e.Record()[f], before[f]) << f;
        continue;
      }
      // The template selects the new filter with cutoff 0, which its knob shows as 36.
      int32_t expected = f == 76 ? 36 : ProgramFieldTable::kGroupInit[f];
      EXPECT_EQ(e.Record()[f], expected) << f;
      if (f < 147 || f > 156) {  // the fields without a parameter are always 0
        EXPECT_NE(before[f], expected) << f << " (the test needs a different start value)";
      }
    }
  }
}

TEST_F(EditorTest, RandomiseEachGroupLeavesTheOtherFields) {
  srand(7);
  for (int g = 0; g < 12; ++g) {
    SCOPED_TRACE(g);
    VQEditor& e = Make();
    SetAwayFromGroupInit(e);
    e.PackParamsToRecord();
    const ProgramRecord before = e.Record();
    Set(278 + g, 1);
    e.RandomizeGroups();
    e.PackParamsToRecord();
    int changed = 0;
    for (int f = 0; f < kDeviceFieldCount; ++f) {
      if (InRows(kGroupRows[g].randomised, f))
        changed += e.Record()[f] != before[f];
      else
        EXPECT_EQ(e.Record()[f], before[f]) << f;
    }
    EXPECT_GT(changed, 0);
  }
}

// Pages that count the feeds of the second skin's equalizer display.
class LcdCountingPages : public EditorPages {
 public:
  explicit LcdCountingPages(int* count) : count_(count) {}
  void UpdateEqDisplayLcd(VQEditor& editor) override { ++*count_; }

 private:
  int* count_;
};

TEST_F(EditorTest, WholeProgramEditsFeedTheSecondSkinsEqualizer) {
  for (const char* skin : {"space", "lcd"}) {
    SCOPED_TRACE(skin);
    WriteSettings(std::string("[gui]\nbackground=") + skin + "\n");
    int feeds = 0;
    VQEditorSetup setup = BaseSetup();
    setup.pages = std::make_unique<LcdCountingPages>(&feeds);
    MakeFrom(std::move(setup));
    const bool lcd = std::string(skin) == "lcd";
    feeds = 0;
    editor->InitProgram();
    EXPECT_EQ(feeds, lcd ? 1 : 0);
    Set(278, 1);
    editor->InitGroups();
    EXPECT_EQ(feeds, lcd ? 2 : 0);
  }
}

TEST_F(EditorTest, InitialiseOneGroup) {
  VQEditor& e = Make();
  for (int k = 0; k < 12; ++k) Set(3 + k, 5);
  Set(15, 7);
  Set(278, 1);
  e.InitGroups();
  for (int k = 0; k < 12; ++k) EXPECT_EQ(Value(3 + k), k == 6 ? 1 : 0) << k;
  EXPECT_EQ(Value(15), 7);
}

TEST_F(EditorTest, InitialiseEffectsSwitchesOverdriveAndEqualizerOff) {
  VQEditor& e = Make();
  Set(147, 1);
  Set(160, 1);
  Set(165, 50);
  Set(285, 1);
  size_t mark = Mark();
  e.InitGroups();
  EXPECT_EQ(Value(147), 0);
  EXPECT_EQ(Value(160), 0);
  EXPECT_EQ(Value(165), 10);
  EXPECT_EQ(CcsSince(mark).size(), 342u);
}

TEST_F(EditorTest, InitialiseAllGroups) {
  VQEditor& e = Make();
  Set(14, 99);
  for (int g = 278; g <= 289; ++g) Set(g, 1);
  size_t mark = Mark();
  e.InitGroups();
  EXPECT_EQ(Value(14), 0);
  EXPECT_EQ(Value(58), 64);
  EXPECT_EQ(Value(310), 1);  // field 123 = 4: octave transpose 1
  EXPECT_EQ(Value(186), 36);
  // The template's cutoff 0 lies below the new filter's range: the synthesizer gets what the
  // knob shows.
  Controls ccs = CcsSince(mark);
  ASSERT_EQ(ccs.size(), 342u);
  EXPECT_EQ(ccs[2 + 2 * 76].value, 36);
}

TEST_F(EditorTest, ApplyFlexiSlotWithoutSourceHasNoDestination) {
  VQEditor& e = Make();
  e.Record() = ProgramFieldTable::InitRecord();
  e.Record()[95] = 0;
  e.Record()[97] = 5;
  e.Record()[102] = 98;  // FLEXI2 routed to field 10
  e.Record()[104] = 10;
  e.Record()[106] = 4;  // RANGE
  e.Record()[10] = 60;
  e.SetApplyingProgram(true);
  e.ApplyRecordToParams();
  e.SetApplyingProgram(false);
  EXPECT_EQ(e.Flexi().Destinations()[0], -1);
  EXPECT_EQ(Value(100), 5);
  EXPECT_EQ(e.Flexi().Destinations()[1], 10);
  IParam* rangeA = e.GetParam(233);
  EXPECT_STREQ(rangeA->GetName(), "Flexi Range");
  EXPECT_EQ(Value(233), 60);
  EXPECT_EQ(Value(234), 64);
  e.TakeUndoSnapshot();
  for (int f = 95; f <= 101; ++f) EXPECT_EQ(e.History().Snapshot()[f], 0) << f;
  EXPECT_EQ(e.History().Snapshot()[104], 10);
}

TEST_F(EditorTest, FlexiAimedAtTheNewCutoffKeepsItsRange) {
  VQEditor& e = Make();
  e.Record() = ProgramFieldTable::InitRecord();  // new filter, cutoff 122
  e.Record()[183] = 110;
  e.Record()[95] = 98;
  e.Record()[97] = 76;  // the cutoff address
  e.Record()[98] = 1;   // downwards
  e.Record()[99] = 20;
  e.SetApplyingProgram(true);
  e.ApplyRecordToParams();
  e.SetApplyingProgram(false);
  EXPECT_EQ(e.Flexi().Destinations()[0], 183);
  EXPECT_EQ(e.GetParam(231)->GetMin(), 36.0);
  EXPECT_EQ(e.GetParam(231)->GetMax(), 122.0);
  EXPECT_EQ(Value(231), 110);
  EXPECT_EQ(Value(232), 90);
  EXPECT_EQ(Value(100), 76);  // the stored address is kept
  // With the vintage filter the same address is the vintage cutoff.
  e.Record()[75] = 0;
  e.Record()[76] = 70;
  e.SetApplyingProgram(true);
  e.ApplyRecordToParams();
  e.SetApplyingProgram(false);
  EXPECT_EQ(e.Flexi().Destinations()[0], 76);
  EXPECT_EQ(e.GetParam(231)->GetMax(), 80.0);
  EXPECT_EQ(Value(231), 70);
  EXPECT_EQ(Value(232), 50);
}

TEST_F(EditorTest, FlexiDestinationBeyondTheFieldsIsNone) {
  VQEditor& e = Make();
  e.Record() = ProgramFieldTable::InitRecord();
  e.Record()[95] = 98;
  e.Record()[96] = 3;    // BITS as a damaged file may hold them
  e.Record()[97] = 127;  // destination 255
  e.SetApplyingProgram(true);
  e.ApplyRecordToParams();
  e.SetApplyingProgram(false);
  EXPECT_EQ(e.Flexi().Destinations()[0], -1);
  EXPECT_EQ(Value(100), 127);  // the stored value is kept
  EXPECT_STREQ(e.GetParam(231)->GetName(), "FLEXI1 Range A");
}

TEST_F(EditorTest, ApplyUnpacksEveryComposite) {
  VQEditor& e = Make();
  e.Record() = ProgramRecord();
  e.Record()[75] = 0;
  e.Record()[76] = 44;
  e.Record()[89] = 3;
  e.Record()[96] = 2;
  e.Record()[98] = 3;
  e.Record()[123] = 1 + 2 + 8;
  e.Record()[124] = 3;
  e.Record()[184] = 4;
  e.Record()[185] = 8;
  e.Record()[144] = 2;
  e.Record()[157] = 1;
  e.Record()[87] = 12;
  e.SetApplyingProgram(true);
  e.ApplyRecordToParams();
  e.SetApplyingProgram(false);
  EXPECT_EQ(Value(79), 44);
  EXPECT_EQ(Value(92), 1);
  EXPECT_EQ(Value(173), 1);
  EXPECT_EQ(Value(99), 0);
  EXPECT_EQ(Value(174), 1);
  EXPECT_EQ(Value(101), 1);
  EXPECT_EQ(Value(175), 1);
  EXPECT_EQ(Value(126), 1);
  EXPECT_EQ(Value(309), 1);
  EXPECT_EQ(Value(310), 2);
  EXPECT_EQ(Value(127), 3);
  EXPECT_EQ(Value(187), 1);
  EXPECT_EQ(Value(188), 1);
  EXPECT_EQ(Value(147), 1);
  EXPECT_EQ(Value(182), 0);
  EXPECT_EQ(Value(183), 1);
  EXPECT_EQ(Value(160), 1);
  EXPECT_EQ(Value(184), 1);
  EXPECT_EQ(Value(311), 12);
  // Packing gives the device bytes back.
  e.PackParamsToRecord();
  EXPECT_EQ(e.Record()[76], 44);
  EXPECT_EQ(e.Record()[89], 3);
  EXPECT_EQ(e.Record()[96], 2);
  EXPECT_EQ(e.Record()[123], 11);
  EXPECT_EQ(e.Record()[124], 15);
  EXPECT_EQ(e.Record()[144], 2);
  EXPECT_EQ(e.Record()[157], 1);
}

TEST_F(EditorTest, ReRangingKeepsTheProgramValue) {
  VQEditor& e = Make();
  Set(45, 100);
  Set(138, 70);
  e.RefreshGuiFromParams(0, 1140, 800);  // a window resize with "MIDI Sync" off
  EXPECT_EQ(Value(45), 100);
  EXPECT_EQ(Value(138), 70);
  EXPECT_EQ(e.GetParam(45)->GetMax(), 127.0);
  e.SetupFlexiRanges(true);
  EXPECT_EQ(Value(45), 12);  // limited to the note divisions
  e.SetupFlexiRangesFx(2);
  EXPECT_EQ(Value(138), 9);
}

TEST_F(EditorTest, ListViewChoice) {
  VQEditor& e = Make();
  e.Flexi().SetListViewTarget(1);
  e.ApplyListViewChoice(45);
  EXPECT_EQ(Value(249), 45);
  EXPECT_EQ(Value(105), 25);
  e.Flexi().SetListViewTarget(5);
  e.ApplyListViewChoice(74);
  EXPECT_EQ(Value(250), 74);
  EXPECT_EQ(Value(110), 87);
  e.ApplyListViewChoice(75);  // beyond the list: nothing
  EXPECT_EQ(Value(250), 74);
}

TEST_F(EditorTest, MidiSyncRangesReRangeOnlyTheFirstSlot) {
  VQEditor& e = Make();
  e.Flexi().Destinations()[1] = 42;
  e.Flexi().Destinations()[2] = 42;
  e.SetupFlexiRanges(true);
  EXPECT_EQ(e.GetParam(45)->GetMax(), 12.0);
  EXPECT_STREQ(e.GetParam(233)->GetName(), "Flexi2 Range");
  EXPECT_EQ(e.GetParam(233)->GetMax(), 12.0);
  EXPECT_EQ(e.GetParam(234)->GetMin(), 1.0);
  EXPECT_EQ(e.GetParam(235)->GetMax(), 127.0);
  e.Flexi().Destinations()[0] = 139;
  e.SetupFlexiRangesFx(2);
  EXPECT_EQ(e.GetParam(138)->GetMax(), 9.0);
  EXPECT_EQ(e.GetParam(142)->GetMax(), 9.0);
  EXPECT_EQ(e.GetParam(231)->GetMax(), 9.0);
  e.SetupFlexiRangesFx(1);
  EXPECT_EQ(e.GetParam(138)->GetMax(), 9.0);
  EXPECT_EQ(e.GetParam(142)->GetMax(), 127.0);
  EXPECT_EQ(e.GetParam(231)->GetMax(), 127.0);
  EXPECT_FALSE(e.HighlightFlexiDestinations(5, true));
  EXPECT_TRUE(e.HighlightFlexiDestinations(42, true));
}

}  // namespace
}  // namespace vqtest
