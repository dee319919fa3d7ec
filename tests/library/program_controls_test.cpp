// The program file, folder and group-edit controls as the user drives them: previous/next with
// wrap-around, loads that fail, saves of a received dump, single writes acknowledged by the
// simulated synthesizer, the folder button's bank upload and the program request.
#include <filesystem>

#include "library/bank_transfer.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program_library_fixture.h"
#include "protocol/program_field_table.h"
#include "sim_link.h"
#include "tools/vqsim/device_program.h"

namespace vqtest {
namespace {

class ProgramControlsTest : public SimLinkedEditorTest {
 protected:
  VQEditor& Start() { return SimLinkedEditorTest::Start("progs"); }
  // A button press and release.
  void Press(int param) {
    Set(param, 1);
    Set(param, 0);
  }
  size_t BurstsSince(size_t mark) const { return CcsSince(mark).size() / kProgramBurstLength; }
  int32_t Marker() const { return editor->ParamInt(kMarkerField + kFieldParamOffset); }
};

TEST_F(ProgramControlsTest, NextAndPreviousWrapAround) {
  VQEditor& e = Start();
  Program("a.pr4", 1);
  Program("b.pr4", 2);
  Program("c.pr4", 3);
  e.LocateProgramInFolder((folder + "c.pr4").c_str());
  ASSERT_EQ(e.programListIndex, 2);

  size_t mark = Mark();
  Press(210);  // next on the last file: the first
  EXPECT_EQ(e.programListIndex, 0);
  EXPECT_EQ(e.programName, "a");
  EXPECT_EQ(Marker(), 1);
  EXPECT_EQ(e.currentProgramPath, folder + "a.pr4");
  EXPECT_EQ(BurstsSince(mark), 1u);
  EXPECT_EQ(e.lastField, kNoFieldSent);

  Press(209);  // previous on the first: the last
  EXPECT_EQ(e.programListIndex, 2);
  EXPECT_EQ(Marker(), 3);
  Press(209);
  EXPECT_EQ(e.programListIndex, 1);
  EXPECT_EQ(Marker(), 2);
}

TEST_F(ProgramControlsTest, StepsDoNothingWithOneFileOrNoList) {
  VQEditor& e = Start();
  Program("only.pr4", 5);
  const size_t mark = Mark();
  Press(210);  // no list built yet
  e.LocateProgramInFolder((folder + "only.pr4").c_str());
  Press(210);
  Press(209);
  EXPECT_EQ(e.programListIndex, 0);
  EXPECT_EQ(BurstsSince(mark), 0u);
}

TEST_F(ProgramControlsTest, FailedLoadSendsNothing) {
  VQEditor& e = Start();
  Program("a.pr4", 1);
  WriteFile(folder + "b.pr4", " 250 \r\n1\r\n");  // a version this editor does not know
  e.LocateProgramInFolder((folder + "a.pr4").c_str());
  size_t mark = Mark();
  Press(210);
  EXPECT_EQ(BurstsSince(mark), 0u);
  EXPECT_EQ(StatusText(), "Unknown file format!");

  mark = Mark();
  e.selectedFile[VQEditor::kLoadSelector] = folder + "b.pr4";
  Set(201, 1);
  EXPECT_EQ(BurstsSince(mark), 0u);
  e.selectedFile[VQEditor::kLoadSelector] = folder + "a.pr4";
  Set(201, 0);
  EXPECT_EQ(BurstsSince(mark), 1u);
  EXPECT_EQ(e.currentProgramPath, folder + "a.pr4");
  EXPECT_EQ(e.lastFile, folder + "a.pr4");
}

TEST_F(ProgramControlsTest, SavingAPendingDumpWritesTheDump) {
  VQEditor& e = Start();
  sim.FillSlots(true);
  e.saveFolder = folder;
  Set(301, 4);  // slot chooser "05"
  Set(302, 1);
  EXPECT_EQ(e.requestSlot, 5);
  EXPECT_FALSE(e.receivedDumpPending) << "nothing to save before the dump has arrived";
  EXPECT_EQ(StatusText(), "Connecting to VQ...");
  link->Pump();
  EXPECT_TRUE(e.receivedDumpPending);
  EXPECT_EQ(sim.State().requests, 1u);
  EXPECT_TRUE(sim.State().faults.empty());

  // Cancelled: nothing written, still pending.
  e.selectedFile[VQEditor::kSaveSelector] = "";
  Set(203, 1);
  EXPECT_TRUE(e.receivedDumpPending);
  // A folder that cannot be written keeps it pending too, and says so.
  e.selectedFile[VQEditor::kSaveSelector] = dir + "/no such folder/x.pr4";
  Set(203, 0);
  EXPECT_TRUE(e.receivedDumpPending);
  EXPECT_EQ(StatusText(), "Cannot write the program file!");
  ASSERT_FALSE(Gui()->messageBoxes.empty());
  EXPECT_EQ(Gui()->messageBoxes.back().caption, "Error");

  const std::string path = folder + "saved.pr4";
  e.selectedFile[VQEditor::kSaveSelector] = path;
  Set(203, 1);
  EXPECT_FALSE(e.receivedDumpPending);
  ProgramFileContent content;
  ASSERT_EQ(ReadProgramFile(path.c_str(), content), ProgramFileError::kNone);
  const vqsim::DeviceProgram p = vqsim::DistinctProgram(5);
  for (int f = 0; f < kDeviceFieldCount; ++f)
    ASSERT_EQ(ProgramFieldTable::DeviceByte(f, content.record[f]), p.bytes[static_cast<size_t>(f)])
        << f;

  // With nothing pending the save writes the editor's program and makes it current.
  Set(kMarkerField + kFieldParamOffset, 33);
  e.selectedFile[VQEditor::kSaveSelector] = folder + "edited.pr4";
  Set(203, 0);
  ASSERT_EQ(ReadProgramFile((folder + "edited.pr4").c_str(), content), ProgramFileError::kNone);
  EXPECT_EQ(content.record[kMarkerField], 33);
  EXPECT_EQ(e.CurrentListName(), "edited.pr4");
}

TEST_F(ProgramControlsTest, SaveAfterAFailedRequestWritesTheUsersProgram) {
  using vqsim::Misbehaviour;
  struct Case {
    const char* what;
    Misbehaviour mode;
  } cases[] = {{"timed out", Misbehaviour::Silence},
               {"spoiled every time", Misbehaviour::BadChecksum},
               {"refused", Misbehaviour::ErrorReply},
               {"another command", Misbehaviour::WrongCommand}};
  for (const Case& c : cases) {
    sim = vqsim::SimEngine();
    VQEditor& e = Start();
    sim.FillSlots(true);
    vqsim::MisbehaviourRule rule;
    rule.kind = vqsim::AnswerKind::ProgramRequest;
    rule.mode = c.mode;
    rule.count = 0;
    std::string error;
    ASSERT_TRUE(sim.Plan().Add(rule, error)) << error;
    // The user edits, then asks for a slot, and the request fails.
    Set(kMarkerField + kFieldParamOffset, 44);
    Set(301, 4);
    Set(302, 1);
    for (int poll = 0; poll < 6; ++poll) {
      link->Pump();
      e.StatusPoll();
    }
    EXPECT_FALSE(e.requestOutstanding || e.requestPending) << c.what;
    EXPECT_FALSE(e.receivedDumpPending) << c.what;
    e.selectedFile[VQEditor::kSaveSelector] = folder + "mine.pr4";
    Set(203, 1);
    ProgramFileContent content;
    ASSERT_EQ(ReadProgramFile((folder + "mine.pr4").c_str(), content), ProgramFileError::kNone)
        << c.what;
    EXPECT_EQ(content.record[kMarkerField], 44) << c.what;
  }
}

TEST_F(ProgramControlsTest, SendingAFileWritesItsSlotAndLoadsIt) {
  VQEditor& e = Start();
  Program("12_Lead.pr4", 77);
  e.selectedFile[VQEditor::kWriteSelector] = folder + "12_Lead.pr4";
  Set(205, 1);
  EXPECT_TRUE(e.singleWritePending);
  link->Pump();
  EXPECT_FALSE(e.singleWritePending);
  EXPECT_EQ(sim.State().slots[11].bytes[kMarkerField],
            ProgramFieldTable::DeviceByte(kMarkerField, 77));
  EXPECT_EQ(Marker(), 77);
  EXPECT_EQ(e.CurrentListName(), "12_Lead.pr4");
  e.StatusPoll();
  EXPECT_EQ(StatusText(), "Finished successfully!");

  // A file that cannot be sent leaves no wait behind.
  e.selectedFile[VQEditor::kWriteSelector] = folder + "missing_99.pr4";
  Set(205, 0);
  EXPECT_FALSE(e.singleWritePending);
}

TEST_F(ProgramControlsTest, FolderButtonUploadsTheChosenFolder) {
  VQEditor& e = Start();
  Program("01_A.pr4", 1);
  Program("02_B.pr4", 2);
  auto backend = std::make_unique<vq::platform::HeadlessBackend>();
  vq::platform::HeadlessBackend* headless = backend.get();
  vq::platform::installBackend(std::move(backend));
  headless->panelAnswers.push_back({std::nullopt, 0});  // cancelled
  headless->panelAnswers.push_back({std::vector<std::string>{dir + "/progs"}, 0});
  Gui()->messageBoxAnswer = 2;  // skip the gaps

  Press(207);
  EXPECT_FALSE(e.bankUploadRequest);
  Press(207);
  EXPECT_TRUE(e.bankUploadRequest);
  EXPECT_EQ(e.currentProgramFolder, folder);
  link->Pump();
  EXPECT_EQ(sim.State().writesAccepted, 2u);
  EXPECT_FALSE(e.bankUploadRunning);
  EXPECT_TRUE(e.transferDone);
}

TEST_F(ProgramControlsTest, GroupEditsNeedAGroup) {
  VQEditor& e = Start();
  size_t mark = Mark();
  Press(214);
  Press(215);
  EXPECT_TRUE(CcsSince(mark).empty());

  Set(kMarkerField + kFieldParamOffset, 50);
  Press(216);
  EXPECT_EQ(e.selectedGroups, vq_param::kGroupCount);
  for (int g = 0; g < vq_param::kGroupCount; ++g) EXPECT_EQ(Value(vq_param::kVco1 + g), 1.0);
  Press(215);  // initialise all twelve groups
  EXPECT_EQ(e.selectedGroups, 0);
  for (int g = 0; g < vq_param::kGroupCount; ++g) EXPECT_EQ(Value(vq_param::kVco1 + g), 0.0);
  // Group-INIT values replaced the program's (the edit itself belongs to the editing code).
  EXPECT_EQ(Marker(), ProgramFieldTable::kGroupInit[kMarkerField]);
  EXPECT_EQ(e.ParamInt(6 + kFieldParamOffset), ProgramFieldTable::kGroupInit[6]);

  Set(vq_param::kVco1 + 3, 1);
  Press(217);
  EXPECT_EQ(e.selectedGroups, 0);
  EXPECT_EQ(Value(vq_param::kVco1 + 3), 0.0);
}

TEST_F(ProgramControlsTest, CopySourcesActAsOneRadioGroup) {
  Start();
  Set(270, 1);
  Set(272, 1);
  EXPECT_EQ(Value(270), 0.0);
  EXPECT_EQ(Value(272), 1.0);
  Set(273, 1);
  EXPECT_EQ(Value(272), 0.0);
  EXPECT_EQ(Value(271), 0.0);
  EXPECT_EQ(Value(273), 1.0);
}

}  // namespace
}  // namespace vqtest
