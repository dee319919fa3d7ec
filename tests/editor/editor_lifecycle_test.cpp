// Start-up, shut-down, the idle work and the status poll. Polls and ticks are driven directly;
// the editor's own timer is stopped right after construction.
#include <cstring>

#include "../library/program_library_fixture.h"
#include "protocol/program_field_table.h"

namespace vqtest {
namespace {

constexpr const char* kNoDevice = "VQ not present or a communication\nerror has occurred!";

class LifecycleTest : public LibraryEditorTest {
 protected:
  std::vector<TestGraphics::MessageBox>& Boxes() { return Gui()->messageBoxes; }
  // Polls as the timer thread runs them; the idle call then shows the boxes they posted.
  void Polls(int n) {
    for (int i = 0; i < n; ++i) {
      editor->StatusPoll();
      editor->ShowPostedMessageBoxes();
    }
  }
};

TEST_F(LifecycleTest, AWaitTimesOutOnItsThirdPoll) {
  VQEditor& e = MakeWithLibrary();
  e.requestOutstanding = true;
  e.firmwareRunning = true;
  e.busy = true;
  e.unansweredPolls = 0;
  Polls(2);
  EXPECT_TRUE(e.requestOutstanding);
  EXPECT_TRUE(Boxes().empty());
  Polls(1);
  EXPECT_FALSE(e.requestOutstanding);
  EXPECT_FALSE(e.firmwareRunning);
  EXPECT_FALSE(e.busy);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, kNoDevice);
  EXPECT_EQ(Boxes()[0].caption, "Error");
  EXPECT_EQ(Boxes()[0].type, 0);
  EXPECT_EQ(StatusText(), "Firmware update aborted: the VQ stopped answering!");
  Polls(5);
  EXPECT_EQ(Boxes().size(), 1u) << "the poll never sets a wait";
}

TEST_F(LifecycleTest, TwoWaitsShareOneCounter) {
  VQEditor& e = MakeWithLibrary();
  e.requestOutstanding = true;
  e.bankUploadRunning = true;
  e.unansweredPolls = 0;
  Polls(1);
  EXPECT_EQ(e.unansweredPolls, 2);
  Polls(1);
  EXPECT_FALSE(e.requestOutstanding);
  EXPECT_TRUE(e.bankUploadRunning);
  EXPECT_EQ(e.unansweredPolls, 1);
  Polls(1);
  EXPECT_TRUE(e.bankUploadRunning);
  Polls(1);
  EXPECT_FALSE(e.bankUploadRunning);
  EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(LifecycleTest, AWriteAcknowledgementTimeOutLeavesTheStatusText) {
  VQEditor& e = MakeWithLibrary();
  e.SetStatusText("Writing...");
  e.singleWritePending = true;
  e.busy = true;
  Polls(3);
  EXPECT_FALSE(e.singleWritePending);
  EXPECT_FALSE(e.busy);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, kNoDevice);
  EXPECT_EQ(StatusText(), "Writing...");
}

TEST_F(LifecycleTest, FinishedAndFailedJobs) {
  VQEditor& e = MakeWithLibrary();
  e.transferDone = true;
  Polls(1);
  EXPECT_FALSE(e.transferDone);
  EXPECT_TRUE(Boxes().empty()) << "outside the manager the status text says it";
  EXPECT_EQ(StatusText(), "Finished successfully!");

  e.managerPageShown = true;
  e.transferDone = true;
  Polls(1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "Finished successfully!");
  EXPECT_EQ(Boxes()[0].caption, "Done");

  e.transferFailed = true;
  e.busy = true;
  Polls(1);
  EXPECT_FALSE(e.transferFailed);
  EXPECT_FALSE(e.busy);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].text, "Communication error has occurred!");
  EXPECT_EQ(StatusText(), "Communication error!");

  e.programNumberError = true;
  Polls(1);
  EXPECT_FALSE(e.programNumberError);
  ASSERT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[2].text, "Program Name does not\ndetermine Program Number!");
  EXPECT_EQ(Boxes()[2].caption, "Error");
}

TEST_F(LifecycleTest, EverySecondPollRepeatsTheNrpnAddress) {
  VQEditor& e = MakeWithLibrary();
  e.idlePolls = 0;
  e.lastField = 5;
  Polls(1);
  EXPECT_EQ(e.lastField, 5);
  Polls(1);
  EXPECT_EQ(e.lastField, kNoFieldSent);
  EXPECT_EQ(e.idlePolls, 0);
}

TEST_F(LifecycleTest, TheTickPollsOnEveryTenthCall) {
  VQEditor& e = MakeWithLibrary();
  e.tickCounter = 0;
  e.singleWritePending = true;
  e.unansweredPolls = 0;
  for (int i = 0; i < 9; ++i) e.OnTimer(nullptr);
  EXPECT_EQ(e.unansweredPolls, 0);
  e.TimerTick();
  EXPECT_EQ(e.unansweredPolls, 1);
  EXPECT_EQ(e.tickCounter, 0);
  for (int i = 0; i < 20; ++i) e.TimerTick();
  EXPECT_FALSE(e.singleWritePending) << "timed out on the third poll, the thirtieth tick";
}

TEST_F(LifecycleTest, FlexiReadoutAndPickTimeOut) {
  VQEditor& e = MakeWithLibrary();
  // A slot aimed at field 3 ("VCO1 saw env decay") whose range knob A holds 42.
  e.flexiDestination[0] = 3;
  e.GetParam(vq_param::kFlexi1RangeA)->Set(42);
  e.readoutControls[3]->SetTextFromPlug("old");
  e.flexiReadoutSlot = 1;
  e.flexiReadoutWait = 0;
  Polls(1);
  EXPECT_EQ(ReadoutText(3), "old") << "served on the second poll";
  Polls(1);
  EXPECT_NE(ReadoutText(3), "old");
  EXPECT_EQ(e.flexiReadoutSlot, 0);
  EXPECT_EQ(e.flexiReadoutWait, 0);

  auto* overlay = new TestControl(&e, IRECT(0, 0, 4, 4));
  e.Graphics()->AttachControl(overlay);
  e.flexiOverlay[1] = overlay;
  overlay->Hide(false);
  e.flexiPickSlot = 2;
  e.flexiPickActive = true;
  e.flexiPickTimeout = true;
  e.flexiPickTimeoutCount = 0;
  Polls(9);
  EXPECT_TRUE(e.flexiPickActive);
  Polls(1);
  EXPECT_FALSE(e.flexiPickActive);
  EXPECT_EQ(e.flexiPickSlot, 0);
  EXPECT_FALSE(e.flexiPickTimeout);
  EXPECT_TRUE(overlay->IsHidden());
  e.flexiOverlay[1] = nullptr;
}

TEST_F(LifecycleTest, IdleWorkNamesDumpsAndSendsRequests) {
  VQEditor& e = MakeWithLibrary();
  e.saveFolder = Folder();
  memcpy(e.receiveBuffer + 178, "12 Lead", 7);
  e.requestSlot = 12;
  e.dumpReceived = true;
  e.requestPending = true;
  size_t mark = Mark();
  e.OnTick();
  EXPECT_FALSE(e.dumpReceived);
  EXPECT_TRUE(e.receivedDumpPending);
  EXPECT_EQ(e.selectedFile[VQEditor::kSaveSelector], Folder() + "12 Lead.pr4");
  EXPECT_FALSE(e.requestPending);
  EXPECT_TRUE(e.requestOutstanding);
  auto sent = Since(mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].size(), 9u);
  EXPECT_EQ(sent[0][7], 12);

  // The picking slot's overlay blinks every eighth call.
  auto* overlay = new TestControl(&e, IRECT(0, 0, 4, 4));
  e.Graphics()->AttachControl(overlay);
  e.flexiOverlay[0] = overlay;
  e.flexiPickSlot = 1;
  e.flexiPickActive = true;
  e.flexiBlinkCounter = 0;
  e.ShowFlexiIndicator(0, true);
  for (int i = 0; i < 7; ++i) e.OnTick();
  EXPECT_FALSE(overlay->IsHidden());
  e.OnTick();
  EXPECT_TRUE(overlay->IsHidden());
  EXPECT_FALSE(e.flexiIndicatorShown[0]);
  for (int i = 0; i < 8; ++i) e.OnTick();
  EXPECT_FALSE(overlay->IsHidden());
  e.flexiOverlay[0] = nullptr;
}

TEST_F(LifecycleTest, FirstRunStartsOnInitWithThePollRunning) {
  size_t mark = Mark();
  VQEditor& e = MakeWithLibrary();
  EXPECT_NE(e.timer, nullptr) << "the poll also runs on a first run";
  EXPECT_EQ(e.programName, "INIT");
  EXPECT_FALSE(CcsSince(mark).empty());
  EXPECT_EQ(e.undoCursor, 0);
  EXPECT_EQ(e.rememberedProgramPath, "");
  for (int i = 0; i < ProgramFieldTable::kLearnEntryCount; ++i) EXPECT_EQ(e.learnCC[i], -1);
  EXPECT_TRUE(e.learnNoMatch) << "no assignment yet";
}

TEST_F(LifecycleTest, MissingCurrentProgramFileStartsOnInit) {
  std::string folder = dir + "/bank/";
  std::filesystem::create_directories(folder);
  WriteFile(folder + "07_BASS_Deep.pr4", FormatProgramText(ProgramFieldTable::InitRecord()));
  WriteSettings("[program]\nlastfile=" + folder + "07_BASS_Deep.pr4\n");
  size_t mark = Mark();
  VQEditor& e = MakeWithLibrary();
  EXPECT_EQ(e.programName, "INIT");
  EXPECT_FALSE(CcsSince(mark).empty()) << "the INIT program, filled, goes to the device";
  EXPECT_EQ(e.record, ProgramFieldTable::InitRecord());
  EXPECT_EQ(e.currentProgramFolder, folder);
  EXPECT_EQ(e.lastFile, folder + "07_BASS_Deep.pr4");
}

TEST_F(LifecycleTest, RestartRestoresTheCurrentProgram) {
  std::string folder = dir + "/v1.0/";
  std::filesystem::create_directories(folder);
  ProgramRecord lead = ProgramFieldTable::InitRecord();
  lead[0] = 12;
  WriteFile(folder + "03_Lead.prg", "1\r\n");
  WriteFile(dir + "/lastprogram.pr4", FormatProgramText(lead));
  WriteSettings("[program]\nlastfile=" + folder + "03_Lead.prg\n");
  size_t mark = Mark();
  VQEditor& e = MakeWithLibrary();
  EXPECT_EQ(Value(3), 12);
  EXPECT_EQ(e.programName, "03_Lead");
  EXPECT_EQ(e.selectedFile[VQEditor::kSaveSelector], folder + "03_Lead.pr4");
  EXPECT_EQ(e.programList, (std::vector<std::string>{"03_Lead.prg"}));
  EXPECT_EQ(e.rememberedProgramPath, folder + "03_Lead.prg");
  EXPECT_EQ(e.browserFolder, folder);
  EXPECT_FALSE(CcsSince(mark).empty()) << "the restored program goes to the device";
}

TEST_F(LifecycleTest, StartupMessageOnlyForTheMakersInterface) {
  size_t mark = Mark();
  MakeWithLibrary("USB Pendrel MIDI 1");
  int startups = 0;
  for (const auto& m : Since(mark))
    if (m.size() == 9 && m[0] == 0xF0 && m[4] == 0x04 && m[5] == 0x02 && m[6] == 0x72) ++startups;
  EXPECT_EQ(startups, 1);
  editor.reset();
  mark = Mark();
  MakeWithLibrary("usb pendrel midi");
  for (const auto& m : Since(mark)) EXPECT_FALSE(m.size() == 9 && m[4] == 0x04 && m[5] == 0x02);
}

TEST_F(LifecycleTest, ShutDownWithoutAListEntryWritesOnlyTheManagerKey) {
  WriteSettings("[program]\nlastfile=\nedited=true\n[midi]\nkbdmidioutch=3\n");
  VQEditor& e = MakeWithLibrary();
  std::filesystem::create_directories(e.uploadFolder);
  e.managerPageShown = true;
  e.keyboardChannel = 9;
  std::string cache = e.cacheFolder;
  editor.reset();
  EXPECT_EQ(Ini("gui", "manager"), "true");
  EXPECT_EQ(Ini("program", "lastfile"), "");
  EXPECT_EQ(Ini("program", "edited"), "true");
  EXPECT_EQ(Ini("midi", "kbdmidioutch"), "3");
  EXPECT_FALSE(std::filesystem::exists(dir + "/lastprogram.pr4"));
  EXPECT_FALSE(std::filesystem::exists(cache));
}

TEST_F(LifecycleTest, ShutDownStoresTheProgramAndItsFile) {
  std::string folder = dir + "/bank/";
  std::filesystem::create_directories(folder);
  WriteFile(folder + "05_Pad.pr4", FormatProgramText(ProgramFieldTable::InitRecord()));
  VQEditor& e = MakeWithLibrary();
  e.LocateProgramInFolder((folder + "05_Pad.pr4").c_str());
  Set(3, 20);
  e.programEdited = true;
  e.keyboardChannel = 4;
  editor.reset();
  EXPECT_EQ(Ini("gui", "manager"), "false");
  EXPECT_EQ(Ini("program", "lastfile"), folder + "05_Pad.pr4");
  EXPECT_EQ(Ini("program", "edited"), "true");
  EXPECT_EQ(Ini("midi", "kbdmidioutch"), "4");
  ProgramFileContent c;
  ASSERT_EQ(ReadProgramFile((dir + "/lastprogram.pr4").c_str(), c), ProgramFileError::kNone);
  EXPECT_EQ(c.record[0], 20);

  // The next run starts where this one ended.
  size_t mark = Mark();
  VQEditor& next = MakeWithLibrary();
  EXPECT_EQ(Value(3), 20);
  EXPECT_EQ(next.programName, "05_Pad");
  EXPECT_TRUE(next.programEdited);
  EXPECT_EQ(next.keyboardChannel, 4);
  EXPECT_FALSE(CcsSince(mark).empty());
}

}  // namespace
}  // namespace vqtest
