// Bank upload, single writes and bank download against the simulated synthesizer's engine
// in-process: gaps filled or skipped, duplicate slots, numbered names, error replies, silence,
// and downloaded dumps filed under the right names.
#include <filesystem>
#include <thread>

#include "library/bank_transfer.h"
#include "library/slot_table.h"
#include "program_library_fixture.h"
#include "protocol/program_field_table.h"
#include "sim_link.h"
#include "tools/vqsim/device_program.h"

namespace vqtest {
namespace {

class BankTransferTest : public SimLinkedEditorTest {
 protected:
  VQEditor& Start() { return SimLinkedEditorTest::Start("bank"); }
  uint8_t Marker(int slot) const {
    return sim.State().slots[static_cast<size_t>(slot - 1)].bytes[kMarkerField];
  }
  static uint8_t Device(int marker) { return ProgramFieldTable::DeviceByte(kMarkerField, marker); }
  uint32_t Writes(int slot) const { return sim.State().writesPerSlot[static_cast<size_t>(slot)]; }
  uint32_t AllWrites() const {
    uint32_t n = 0;
    for (uint32_t w : sim.State().writesPerSlot) n += w;
    return n;
  }
  // Starts the upload as the folder choice does: the folder made current, then the idle call.
  void Upload() {
    editor->LocateProgramInFolder(folder.c_str());
    editor->Link().SetBankUploadRequest(true);
    link->Pump();
  }
  // Slots 1 to 3 uploaded, the synthesizer silent at the write of slot 2.
  void UploadWithSlot2Unanswered() {
    for (int slot : {1, 2, 3}) Program("0" + std::to_string(slot) + "_P.pr4", slot);
    Misbehave(vqsim::AnswerKind::ProgramWrite, vqsim::Misbehaviour::Silence, 1);
    Gui()->messageBoxAnswer = 2;
    Upload();
    ASSERT_TRUE(editor->Link().BankUploadRunning());
  }
};

TEST_F(BankTransferTest, GapsFilledWithTheFirstProgramOnOk) {
  VQEditor& e = Start();
  Program("01_A.pr4", 11);
  Program("02_B.pr4", 22);
  Program("04_C.pr4", 44);
  Gui()->messageBoxAnswer = 1;
  Upload();

  ASSERT_EQ(Gui()->messageBoxes.size(), 1u);
  EXPECT_EQ(Gui()->messageBoxes[0].caption, "Warning");
  EXPECT_EQ(Gui()->messageBoxes[0].type, 1);
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_TRUE(e.Link().TransferDone());
  for (int slot = 1; slot <= 99; ++slot) EXPECT_EQ(Writes(slot), 1u) << slot;
  EXPECT_EQ(Marker(1), Device(11));
  EXPECT_EQ(Marker(2), Device(22));
  EXPECT_EQ(Marker(3), Device(11));
  EXPECT_EQ(sim.State().slots[2].NameText(), "01_A");
  EXPECT_EQ(Marker(4), Device(44));
  EXPECT_EQ(Marker(99), Device(11));
  EXPECT_TRUE(sim.State().faults.empty());
  e.StatusPoll();
  EXPECT_EQ(StatusText(), "Finished successfully!");
}

TEST_F(BankTransferTest, GapsSkippedOnCancel) {
  VQEditor& e = Start();
  Program("01_A.pr4", 11);
  Program("02_B.pr4", 22);
  Program("04_C.pr4", 44);
  Program("notes.pr4", 5);  // no number: not part of the bank
  Program("00_X.pr4", 7);   // 00: not a slot
  Program("7_X.pr4", 77);   // one digit: slot 7
  Gui()->messageBoxAnswer = 2;
  Upload();
  EXPECT_TRUE(e.Link().TransferDone());
  EXPECT_EQ(AllWrites(), 4u);
  EXPECT_EQ(Writes(3), 0u);
  EXPECT_EQ(Writes(10), 0u);
  EXPECT_EQ(Marker(4), Device(44));
  EXPECT_EQ(Marker(7), Device(77));
}

TEST_F(BankTransferTest, CompleteBankAsksNothing) {
  VQEditor& e = Start();
  for (int slot = 1; slot <= 99; ++slot) {
    char name[32];
    snprintf(name, sizeof name, "%02d_P%d.pr4", slot, slot);
    Program(name, slot);
  }
  Upload();
  EXPECT_TRUE(Gui()->messageBoxes.empty());
  EXPECT_TRUE(e.Link().TransferDone());
  for (int slot = 1; slot <= 99; ++slot) EXPECT_EQ(Marker(slot), Device(slot)) << slot;
}

// The main thread may see the upload only once the synthesizer took its last program: the
// display still ends on that slot, and the status line on the end, on either page.
TEST_F(BankTransferTest, TheEndShowsTheLastSlotWrittenAndSaysSo) {
  VQEditor& e = Start();
  for (const char* name : {"01_A.pr4", "05_B.pr4", "15_C.pr4"}) Program(name, std::atoi(name));
  Gui()->messageBoxAnswer = 2;  // the gaps are skipped
  for (bool manager : {false, true}) {
    SCOPED_TRACE(manager);
    e.SetManagerPageShown(manager);
    e.SetParameterFromGUI2(vq_param::k7SegmentDisplay, 1);
    e.LocateProgramInFolder(folder.c_str());
    e.Link().SetBankUploadRequest(true);
    e.OnTick();
    for (int i = 0; i < 10; ++i) link->Deliver();
    EXPECT_FALSE(e.Link().BankUploadRunning());
    e.StatusPoll();
    e.OnTick();
    e.ShowPostedMessageBoxes();
    EXPECT_EQ(e.ParamInt(vq_param::k7SegmentDisplay), 15);
    EXPECT_EQ(StatusText(), "Finished successfully!");
  }
}

TEST_F(BankTransferTest, RefusedFoldersSendNothing) {
  VQEditor& e = Start();
  Upload();
  ASSERT_EQ(Gui()->messageBoxes.size(), 1u);
  EXPECT_EQ(Gui()->messageBoxes[0].text, "This directory does not contain any VQ Programs!");

  Program("05_A.pr4", 1);
  Program("05_B.pr4", 2);
  Program("03_C.pr4", 3);
  Upload();
  ASSERT_EQ(Gui()->messageBoxes.size(), 2u);
  EXPECT_EQ(Gui()->messageBoxes[1].text,
            "Multiple files assigned to location: 5\nPlease resolve it!");
  EXPECT_EQ(AllWrites(), 0u);
  EXPECT_FALSE(e.Link().BankUploadRunning());
}

TEST_F(BankTransferTest, MoreNumberedFilesThanTheListHoldsAreRefused) {
  VQEditor& e = Start();
  for (int i = 0; i < BankTransfer::kBankListCapacity + 1; ++i)
    WriteFile(folder + "0" + std::to_string(1 + i % 9) + "_" + std::to_string(i) + ".pr4", "x");
  Upload();
  ASSERT_EQ(Gui()->messageBoxes.size(), 1u);
  EXPECT_EQ(Gui()->messageBoxes[0].text, "Too many VQ Programs in this directory!");
  EXPECT_EQ(AllWrites(), 0u);
  EXPECT_FALSE(e.Link().BankUploadRunning());
}

// A program written from another folder before does not change which folder is uploaded.
TEST_F(BankTransferTest, TheFolderChosenIsUploaded) {
  VQEditor& e = Start();
  Program("01_A.pr4", 11);
  Program("02_B.pr4", 22);
  e.Browser().SetCurrentProgramPath(Folder() + "05_Elsewhere.pr4");
  Gui()->messageBoxAnswer = 2;
  Upload();
  EXPECT_EQ(Marker(1), Device(11));
  EXPECT_EQ(Marker(2), Device(22));
  EXPECT_EQ(AllWrites(), 2u);
}

TEST_F(BankTransferTest, UploadKeepsTheProgramList) {
  VQEditor& e = Start();
  Program("01_A.pr4", 1);
  Program("02_B.pr4", 2);
  Program("Zed.pr4", 3);
  e.LocateProgramInFolder((folder + "Zed.pr4").c_str());
  const auto list = e.Browser().ProgramList();
  const int32_t index = e.Browser().ProgramListIndex();
  Gui()->messageBoxAnswer = 2;
  e.Browser().SetCurrentProgramPath(folder);
  e.Link().SetBankUploadRequest(true);
  link->Pump();
  EXPECT_EQ(AllWrites(), 2u);
  EXPECT_EQ(e.Browser().ProgramList(), list);
  EXPECT_EQ(e.Browser().ProgramListIndex(), index);
}

TEST_F(BankTransferTest, ErrorReplyEndsTheUpload) {
  VQEditor& e = Start();
  for (int slot : {1, 2, 3, 4}) Program("0" + std::to_string(slot) + "_P.pr4", slot);
  Misbehave(vqsim::AnswerKind::ProgramWrite, vqsim::Misbehaviour::ErrorReply, 1);
  Gui()->messageBoxAnswer = 2;
  Upload();
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_EQ(sim.State().writesAccepted, 1u);
  EXPECT_EQ(AllWrites(), 1u);
  e.StatusPoll();
  e.ShowPostedMessageBoxes();
  EXPECT_EQ(Gui()->messageBoxes.back().text, "Communication error has occurred!");
  EXPECT_EQ(StatusText(), "Communication error!");
}

TEST_F(BankTransferTest, SilenceTimesOutOnTheThirdPoll) {
  VQEditor& e = Start();
  ASSERT_NO_FATAL_FAILURE(UploadWithSlot2Unanswered());
  e.StatusPoll();
  e.StatusPoll();
  EXPECT_TRUE(e.Link().BankUploadRunning());
  e.StatusPoll();
  e.ShowPostedMessageBoxes();
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_EQ(Gui()->messageBoxes.back().text,
            "VQ not present or a communication\nerror has occurred!");
}

TEST_F(BankTransferTest, ALostAcknowledgementIsSurvivedByOneResend) {
  VQEditor& e = Start();
  ASSERT_NO_FATAL_FAILURE(UploadWithSlot2Unanswered());  // slot 2 is stored, its answer lost
  e.StatusPoll();
  link->Pump();
  EXPECT_EQ(Writes(2), 1u);  // one poll of silence is no reason to write again
  e.StatusPoll();            // the second: the same program goes out once more
  link->Pump();
  EXPECT_EQ(Writes(2), 2u);
  // One answer came for two copies: the other may still come, and must not count for slot 3.
  EXPECT_EQ(Writes(3), 0u);
  for (int poll = 0; poll < 3; ++poll) e.StatusPoll();
  link->Pump();
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_TRUE(e.Link().TransferDone());
  EXPECT_EQ(Writes(3), 1u);
  EXPECT_EQ(Marker(2), Device(2));
  for (const auto& box : Gui()->messageBoxes) EXPECT_NE(box.caption, "Error") << box.text;
}

// A loss heard on the MIDI thread while a write's acknowledgement is on its way writes nothing
// again at once: an acknowledgement names no slot, and one must never count for two writes.
TEST_F(BankTransferTest, AnInputLossNeverTakesOneAcknowledgementForTwoWrites) {
  for (const bool refused : {true, false}) {
    SCOPED_TRACE(refused ? "slot 3 refused" : "all accepted");
    VQEditor& e = Start();
    for (int slot : {1, 2, 3}) Program("0" + std::to_string(slot) + "_P.pr4", slot);
    if (refused) Misbehave(vqsim::AnswerKind::ProgramWrite, vqsim::Misbehaviour::ErrorReply, 2);
    const auto before = sim.State().writesPerSlot;
    Gui()->messageBoxAnswer = 2;
    e.LocateProgramInFolder(folder.c_str());
    e.Link().SetBankUploadRequest(true);
    e.OnTick();  // slot 1's write
    std::thread([&e] { e.NoteMidiInputLoss(); }).join();
    link->Deliver(1);  // its acknowledgement: slot 2's write
    e.OnTick();
    link->Pump();
    for (int slot : {1, 2, 3})
      EXPECT_EQ(Writes(slot) - before[static_cast<size_t>(slot)], refused && slot == 3 ? 0u : 1u)
          << slot;
    e.StatusPoll();
    EXPECT_EQ(StatusText(), refused ? "Communication error!" : "Finished successfully!");
  }
}

// Slot 2's acknowledgement comes late, after the second poll (on the timer thread) asked for a
// resend: it arrives on the MIDI thread before or after the main thread's run that resends.
// Each answer counts for the write it answers, and the end is what the device answered.
TEST_F(BankTransferTest, ALateAnswerCountsForTheWriteItAnswers) {
  for (const bool afterRun : {false, true})
    for (const bool refused : {true, false}) {
      SCOPED_TRACE(std::string(afterRun ? "answer after" : "answer before") + " the run, " +
                   (refused ? "slot 3 refused" : "all accepted"));
      VQEditor& e = Start();
      for (int slot : {1, 2, 3}) Program("0" + std::to_string(slot) + "_P.pr4", slot);
      // The device's writes: slot 1, slot 2, the resend of slot 2 (if it went), slot 3.
      if (refused)
        Misbehave(vqsim::AnswerKind::ProgramWrite, vqsim::Misbehaviour::ErrorReply,
                  afterRun ? 3 : 2);
      const auto before = sim.State().writesPerSlot;
      Gui()->messageBoxAnswer = 2;
      e.LocateProgramInFolder(folder.c_str());
      e.Link().SetBankUploadRequest(true);
      e.OnTick();        // slot 1's write
      link->Deliver(1);  // its answer: slot 2's write
      std::vector<std::vector<uint8_t>> late;
      link->Deliver(1, &late);  // slot 2 is stored; its answer is on its way
      ASSERT_EQ(late.size(), 1u);
      const auto onAnotherThread = [](auto work) { std::thread(work).join(); };
      onAnotherThread([&e] { e.StatusPoll(); });
      onAnotherThread([&e] { e.StatusPoll(); });  // posts the resend
      if (!afterRun) onAnotherThread([&] { link->Answer(late[0]); });
      e.OnTick();
      if (afterRun) onAnotherThread([&] { link->Answer(late[0]); });
      link->Pump();
      // A refused write stores nothing.
      const uint32_t stored[] = {0, 1, afterRun ? 2u : 1u, refused ? 0u : 1u};
      for (int slot : {1, 2, 3})
        EXPECT_EQ(Writes(slot) - before[static_cast<size_t>(slot)], stored[slot]) << slot;
      e.StatusPoll();
      EXPECT_EQ(StatusText(), refused ? "Communication error!" : "Finished successfully!");
    }
}

TEST_F(BankTransferTest, ASilentDeviceGetsOneResendThenTheUploadEnds) {
  VQEditor& e = Start();
  for (int slot : {1, 2}) Program("0" + std::to_string(slot) + "_P.pr4", slot);
  Misbehave(vqsim::AnswerKind::ProgramWrite, vqsim::Misbehaviour::Silence, 0, 1000);
  Gui()->messageBoxAnswer = 2;
  Upload();
  for (int poll = 0; poll < 3; ++poll) {
    e.StatusPoll();
    link->Pump();
  }
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_EQ(Writes(1), 2u);
  EXPECT_EQ(Writes(2), 0u);
  EXPECT_EQ(Gui()->messageBoxes.back().text,
            "VQ not present or a communication\nerror has occurred!");
  // Nothing more goes out after the report.
  const size_t mark = Mark();
  for (int poll = 0; poll < 3; ++poll) e.StatusPoll();
  EXPECT_EQ(Mark(), mark);
}

TEST_F(BankTransferTest, LongNamesAreCutToThirtyTwoCharacters) {
  Start();
  Program("01_An Extremely Long Program Name For Testing.pr4", 9);
  ASSERT_TRUE(editor->SendProgramFileToDevice(
      (folder + "01_An Extremely Long Program Name For Testing.pr4").c_str()));
  link->Pump();
  EXPECT_EQ(sim.State().slots[0].NameText(), "01_An Extremely Long Program Nam");
}

TEST_F(BankTransferTest, SingleWriteUsesTheSameSlotRule) {
  VQEditor& e = Start();
  Program("00_X.pr4", 1);
  Program("Lead.pr4", 2);
  const size_t mark = Mark();
  e.Link().SetSingleWritePending(true);
  EXPECT_FALSE(e.SendProgramFileToDevice((folder + "00_X.pr4").c_str()));
  EXPECT_TRUE(e.Link().ProgramNumberError());
  EXPECT_FALSE(e.Link().SingleWritePending());
  EXPECT_FALSE(e.SendProgramFileToDevice((folder + "Lead.pr4").c_str()));
  EXPECT_EQ(Mark(), mark);
  e.StatusPoll();
  e.ShowPostedMessageBoxes();
  EXPECT_EQ(Gui()->messageBoxes.back().text, "Program Name does not\ndetermine Program Number!");

  // A file too large for a program is refused with its message.
  WriteFile(folder + "03_Big.pr4", std::string(9000, ' '));
  EXPECT_FALSE(e.SendProgramFileToDevice((folder + "03_Big.pr4").c_str()));
  EXPECT_EQ(StatusText(), "Corrupted filesize!");
  EXPECT_EQ(Mark(), mark);
}

class BankDownloadTest : public BankTransferTest {
 protected:
  void Download(bool toManager) {
    editor->Link().SetDownloadToManager(toManager);
    editor->Link().SetBankDownloadRunning(true);
    editor->Link().SetRequestSlot(1);
    editor->Link().SetRequestPending(true);
    link->Pump();
  }
};

TEST_F(BankDownloadTest, EverySlotBecomesAFileNamedAfterItsDump) {
  VQEditor& e = Start();
  sim.FillSlots(true);
  // Every file name begins with its own slot: a name starting with another slot's number gets
  // the slot in front, so two slots of the same name keep two files; blanks-only names take the
  // slot number.
  sim.State().slots[11].SetName("07 Pad");
  sim.State().slots[12].SetName("   ");
  sim.State().slots[2].SetName("03 Pad");
  sim.State().slots[3].SetName("03 Pad");
  e.Browser().SetCurrentProgramFolder(folder);
  Download(false);

  EXPECT_FALSE(e.Link().BankDownloadRunning());
  EXPECT_TRUE(e.Link().TransferDone());
  EXPECT_EQ(sim.State().requests, 99u);
  EXPECT_TRUE(std::filesystem::exists(folder + "01Sim 01.pr4"));
  EXPECT_TRUE(std::filesystem::exists(folder + "99Sim 99.pr4"));
  EXPECT_TRUE(std::filesystem::exists(folder + "1207 Pad.pr4"));
  EXPECT_TRUE(std::filesystem::exists(folder + "13.pr4"));
  EXPECT_TRUE(std::filesystem::exists(folder + "03 Pad.pr4"));
  EXPECT_TRUE(std::filesystem::exists(folder + "0403 Pad.pr4"));
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files += entry.path().extension() == ".pr4";
  EXPECT_EQ(files, 99u) << "no downloaded program replaced another";
  // The file holds the slot's program.
  ProgramFileContent content;
  ASSERT_EQ(ReadProgramFile((folder + "42Sim 42.pr4").c_str(), content), ProgramFileError::kNone);
  const vqsim::DeviceProgram& p = sim.State().slots[41];
  for (int f = 0; f < kDeviceFieldCount; ++f)
    ASSERT_EQ(ProgramFieldTable::DeviceByte(f, content.record[f]), p.bytes[static_cast<size_t>(f)])
        << f;
}

// The steps run where the answers arrive (the MIDI worker), not at the main thread's idle call:
// a whole upload goes out on acknowledgements alone, and a whole download is asked for and
// saved on dumps alone.
TEST_F(BankDownloadTest, StepsRunWhereTheAnswersArrive) {
  VQEditor& e = Start();
  for (int slot = 1; slot <= 5; ++slot) Program("0" + std::to_string(slot) + "_P.pr4", 10 + slot);
  editor->Browser().SetCurrentProgramPath(folder);
  editor->LocateProgramInFolder(folder.c_str());
  editor->Link().SetBankUploadRequest(true);
  e.OnTick();       // starts the upload: the first write
  link->Deliver();  // acknowledgements only, no idle call
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_TRUE(e.Link().TransferDone());
  for (int slot = 1; slot <= 5; ++slot) EXPECT_EQ(Marker(slot), Device(10 + slot)) << slot;
  EXPECT_TRUE(e.Link().BankProgressPending());  // what the GUI shows waits for the main thread
  e.OnTick();
  EXPECT_FALSE(e.Link().BankProgressPending());

  sim.FillSlots(true);
  e.Browser().SetCurrentProgramFolder(folder);
  e.Link().SetTransferDone(false);
  e.Link().SetDownloadToManager(false);
  e.Link().SetBankDownloadRunning(true);
  e.Link().SetRequestSlot(1);
  e.Link().SetRequestPending(true);
  e.OnTick();  // the first request
  const uint32_t before = sim.State().requests;
  link->Deliver();  // dumps only, no idle call
  EXPECT_TRUE(e.Link().TransferDone());
  EXPECT_FALSE(e.Link().BankDownloadRunning() || e.Link().DownloadSavePending());
  EXPECT_EQ(sim.State().requests, before + 99);
  EXPECT_TRUE(std::filesystem::exists(folder + "01Sim 01.pr4"));
  EXPECT_TRUE(std::filesystem::exists(folder + "99Sim 99.pr4"));
}

// On the MIDI thread a download saves every program; the slot rows and an error box it shows
// wait for the main thread's idle call.
TEST_F(BankDownloadTest, OnTheMidiThreadWhatItShowsWaitsForTheIdleCall) {
  VQEditor& e = Start();
  sim.FillSlots(true);
  e.BuildManagerPage();
  IControl* row = Page().SlotName(5);
  ASSERT_NE(row, nullptr);
  row->SetClean();
  row->SetClean();
  auto onMidiThread = [&](bool toManager) {
    e.Link().SetDownloadToManager(toManager);
    e.Link().SetBankDownloadRunning(true);
    e.Link().SetRequestSlot(1);
    e.Link().SetRequestPending(true);
    e.OnTick();
    std::thread([&] { link->Deliver(); }).join();
  };
  onMidiThread(true);
  EXPECT_TRUE(e.Link().TransferDone());
  EXPECT_TRUE(std::filesystem::exists(e.Browser().CacheFolder() + "99Sim 99.pr4"));
  EXPECT_FALSE(row->IsDirty());
  e.OnTick();
  EXPECT_TRUE(row->IsDirty());
  EXPECT_STREQ(e.Browser().Slots()[5].name, "Sim 05");

  e.Browser().SetCurrentProgramFolder(dir + "/no such folder/");
  onMidiThread(false);
  EXPECT_FALSE(e.Link().BankDownloadRunning());
  EXPECT_TRUE(Gui()->messageBoxes.empty());
  e.OnTick();
  ASSERT_EQ(Gui()->messageBoxes.size(), 1u);
  EXPECT_EQ(Gui()->messageBoxes[0].text, "Cannot write the program file!");
  EXPECT_TRUE(Gui()->messageBoxes[0].onMainThread);
}

TEST_F(BankDownloadTest, ALostDumpIsAskedForOnceMore) {
  VQEditor& e = Start();
  sim.FillSlots(true);
  e.Browser().SetCurrentProgramFolder(folder);
  // The dump of slot 5 is lost.
  Misbehave(vqsim::AnswerKind::ProgramRequest, vqsim::Misbehaviour::Silence, 4);
  Download(false);
  ASSERT_TRUE(e.Link().BankDownloadRunning());
  EXPECT_EQ(e.Link().RequestSlot(), 5);
  e.StatusPoll();
  e.StatusPoll();
  link->Pump();
  EXPECT_FALSE(e.Link().BankDownloadRunning());
  EXPECT_TRUE(e.Link().TransferDone());
  EXPECT_EQ(sim.State().requests, 100u);
  EXPECT_TRUE(std::filesystem::exists(folder + "05Sim 05.pr4"));
  EXPECT_TRUE(std::filesystem::exists(folder + "99Sim 99.pr4"));
  EXPECT_TRUE(Gui()->messageBoxes.empty());
}

TEST_F(BankDownloadTest, ASilentDeviceEndsTheDownloadAndItsManagerRun) {
  VQEditor& e = Start();
  sim.FillSlots(true);
  Misbehave(vqsim::AnswerKind::ProgramRequest, vqsim::Misbehaviour::Silence, 2, 1000);
  Download(true);
  for (int poll = 0; poll < 3; ++poll) {
    e.StatusPoll();
    link->Pump();
  }
  EXPECT_FALSE(e.Link().BankDownloadRunning());
  EXPECT_FALSE(e.Link().DownloadToManager());
  EXPECT_FALSE(e.Link().RequestOutstanding());
  EXPECT_EQ(sim.State().requests, 4u);  // slot 3 asked for twice
  ASSERT_FALSE(Gui()->messageBoxes.empty());
  EXPECT_EQ(Gui()->messageBoxes.back().text,
            "VQ not present or a communication\nerror has occurred!");
  // A dump that turns up late is no longer part of a bank: nothing further is asked for.
  const size_t mark = Mark();
  link->Pump();
  EXPECT_EQ(Mark(), mark);
  // The transfers are free again.
  Program("01_A.pr4", 1);
  Gui()->messageBoxAnswer = 2;
  e.Browser().SetCurrentProgramFolder(folder);
  e.StartBankUpload((folder + "01_A.pr4").c_str());
  EXPECT_TRUE(e.Link().BankUploadRunning());
}

TEST_F(BankDownloadTest, AProgramThatCannotBeSavedEndsTheDownload) {
  VQEditor& e = Start();
  sim.FillSlots(true);
  e.Browser().SetCurrentProgramFolder(dir + "/no such folder/");
  Download(false);
  EXPECT_FALSE(e.Link().BankDownloadRunning());
  EXPECT_FALSE(e.Link().TransferDone());
  EXPECT_EQ(sim.State().requests, 2u);  // slot 2 was asked for while slot 1 was being saved
  ASSERT_EQ(Gui()->messageBoxes.size(), 1u);
  EXPECT_EQ(Gui()->messageBoxes[0].text, "Cannot write the program file!");
  EXPECT_EQ(Gui()->messageBoxes[0].caption, "Error");
  e.StatusPoll();
  EXPECT_NE(StatusText(), "Finished successfully!");

  // No folder at all: the same.
  e.Browser().SetCurrentProgramFolder("");
  Download(false);
  EXPECT_FALSE(e.Link().BankDownloadRunning());
  EXPECT_EQ(sim.State().requests, 4u);
  EXPECT_EQ(Gui()->messageBoxes.back().text, "No folder to save the program in!");
}

TEST_F(BankDownloadTest, EveryErrorReportEndsTheManagerDownload) {
  VQEditor& e = Start();
  for (auto set : std::initializer_list<void (*)(VQEditor&)>{
           [](VQEditor& v) { v.Link().SetTransferFailed(true); },
           [](VQEditor& v) { v.Link().SetProgramNumberError(true); },
       }) {
    e.Link().SetDownloadToManager(true);
    set(e);
    e.StatusPoll();
    EXPECT_FALSE(e.Link().DownloadToManager());
  }
  e.Link().SetDownloadToManager(true);
  e.Link().SetSingleWritePending(true);
  for (int poll = 0; poll < 3; ++poll) e.StatusPoll();
  EXPECT_FALSE(e.Link().DownloadToManager());
  // A report of success leaves it.
  e.Link().SetDownloadToManager(true);
  e.Link().SetTransferDone(true);
  e.StatusPoll();
  EXPECT_TRUE(e.Link().DownloadToManager());
}

TEST_F(BankDownloadTest, DownloadToTheManagerFillsTheSlotTable) {
  VQEditor& e = Start();
  sim.FillSlots(true);
  sim.State().slots[4].SetName("05_BASS_Deep");
  Download(true);
  EXPECT_TRUE(e.Link().TransferDone());
  EXPECT_TRUE(std::filesystem::exists(e.Browser().CacheFolder() + "05_BASS_Deep.pr4"));
  EXPECT_FALSE(e.Browser().Slots()[5].empty);
  EXPECT_EQ(e.Browser().Slots()[5].category, kSlotCategoryBass);
  EXPECT_STREQ(e.Browser().Slots()[5].name, "Deep");
  EXPECT_STREQ(e.Browser().Slots()[1].name, "Sim 01");
  EXPECT_STREQ(e.Browser().Slots()[5].path,
               (e.Browser().CacheFolder() + "05_BASS_Deep.pr4").c_str());
}

}  // namespace
}  // namespace vqtest
