// Bank upload, single writes and bank download against the simulated synthesizer's engine
// in-process: gaps filled or skipped, duplicate slots, numbered names, error replies, silence,
// and downloaded dumps filed under the right names.
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include "../protocol/firmware_image.h"
#include "editor/gui/editor_pages.h"
#include "library/bank_transfer.h"
#include "library/program_manager.h"
#include "library/slot_table.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program_library_fixture.h"
#include "protocol/program_field_table.h"
#include "protocol/vq_sysex.h"
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
  // While the question waits for the user, the MIDI input and the status poll get the editor.
  bool editorFree = false;
  Gui()->whileBoxShown = [&](const auto&) { editorFree = vqtest::FreeForOtherThreads(e.Mutex()); };
  Upload();
  EXPECT_TRUE(editorFree);

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

// An acknowledgement names no slot: a write goes out once, and one unanswered at the time-out
// ends the upload with the error.
TEST_F(BankTransferTest, SilenceTimesOutOnTheThirdPoll) {
  VQEditor& e = Start();
  ASSERT_NO_FATAL_FAILURE(UploadWithSlot2Unanswered());  // slot 2 is stored, its answer lost
  e.StatusPoll();
  e.StatusPoll();
  link->Pump();
  EXPECT_TRUE(e.Link().BankUploadRunning());
  e.StatusPoll();
  e.ShowPostedMessageBoxes();
  link->Pump();
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_EQ(Writes(2), 1u);
  EXPECT_EQ(Writes(3), 0u);
  EXPECT_EQ(Gui()->messageBoxes.back().text,
            "VQ not present or a communication\nerror has occurred!");
  EXPECT_EQ(StatusText(), "Communication error!");
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

// The device answers late: every write in turn, or slot 2's alone while the others are answered
// at once; by nothing up to twice the time-out. Or the transfer before (an upload or single
// write of slot 1) had its answer late by up to 12 s, refused or lost, and ended; the next one
// was started at once, and the device answers it in order behind that answer, or at once. Its
// answers arrive on a thread of their own when due, the status poll runs every second on the
// timer's, the idle call every 50 ms. Each write goes out once, and the end is what the device
// answered: finished only when it took every program, else the error, once; an answer after
// the end changes nothing, and one lost for good holds nothing back past the quiet time.
TEST_F(BankTransferTest, TheEndIsWhatTheDeviceAnswered) {
  const auto onAnotherThread = [](auto work) { std::thread(work).join(); };
  enum Transfer { kNone, kUpload, kSingle };
  enum OldAnswer { kAck, kRefusal, kLost };
  enum Slot3 { kTaken, kRefused, kSilent };
  VQEditor& e = Start();
  for (int slot : {1, 2, 3}) Program("0" + std::to_string(slot) + "_P.pr4", slot);
  const std::string bank = folder;
  folder += "old/";
  std::filesystem::create_directories(folder);
  Program("01_Old.pr4", 50);
  const std::string old = folder;
  folder = bank;
  Gui()->messageBoxAnswer = 2;
  const auto begin = [&](Transfer t, const std::string& from) {
    if (t == kUpload) {
      e.LocateProgramInFolder(from.c_str());
      e.Link().SetBankUploadRequest(true);
    } else {
      e.Browser().SetSelectedFile(VQEditor::kWriteSelector,
                                  from + (from == old ? "01_Old.pr4" : "03_P.pr4"));
      Set(vq_param::kSendFileChosen, Value(vq_param::kSendFileChosen) > 0.5 ? 0 : 1);
    }
  };
  const auto running = [&](Transfer t) {
    return t == kUpload ? e.Link().BankUploadRunning() || e.Link().BankUploadRequest()
                        : e.Link().SingleWritePending();
  };
  const std::pair<Transfer, Transfer> sequences[] = {
      {kNone, kUpload}, {kUpload, kUpload}, {kSingle, kUpload}, {kUpload, kSingle}};
  // The poll's moment in the second decides which late answers beat the time-out.
  for (const uint32_t pollAt : {450, 650, 950})
    for (const auto& [before, transfer] : sequences)
      for (const OldAnswer oldAnswer : {kAck, kRefusal, kLost})
        for (const bool inOrder : {true, false})
          for (const uint32_t delay :
               {0, 1000, 1900, 2100, 2500, 2600, 2900, 3100, 4600, 6000, 8000, 10000, 12000})
            for (const Slot3 slot3 : {kTaken, kRefused, kSilent}) {
              const bool refused = slot3 != kTaken;
              // A silent slot 3 after a write held: its wait runs once the write has gone out.
              if (before == kNone ? oldAnswer != kAck || delay > 6000 || slot3 == kSilent
                                  : pollAt != 650 || (oldAnswer == kLost && delay > 0))
                continue;
              const char* names[] = {"", "an upload", "a single write"};
              const char* answers[] = {"answer", "refusal", "answer lost for good"};
              SCOPED_TRACE(testing::Message()
                           << names[before] << " before, its " << answers[oldAnswer] << ", "
                           << delay << " ms late, " << (inOrder ? "in order" : "out of order")
                           << ", then " << names[transfer]
                           << (slot3 == kRefused  ? ", slot 3 refused"
                               : slot3 == kSilent ? ", slot 3 unanswered"
                                                  : "")
                           << ", polls at " << pollAt);
              out.Clear();  // each row reads only its own messages
              link = std::make_unique<SimLink>(e, out, sim);
              sim.Plan().Clear();
              if (before == kNone && !inOrder)
                Misbehave(vqsim::AnswerKind::ProgramWrite, vqsim::Misbehaviour::Slow, 1, 1, delay);
              if (before != kNone && oldAnswer != kAck)
                Misbehave(vqsim::AnswerKind::ProgramWrite,
                          oldAnswer == kLost ? vqsim::Misbehaviour::Silence
                                             : vqsim::Misbehaviour::ErrorReply,
                          0);
              auto stored0 = sim.State().writesPerSlot;
              const auto stored = [&](int slot) {
                return Writes(slot) - stored0[static_cast<size_t>(slot)];
              };
              Gui()->messageBoxes.clear();
              e.SetStatusText("");
              bool first = before != kNone;  // the transfer before runs
              begin(first ? before : transfer, first ? old : bank);
              struct OnTheWay {
                uint32_t due;
                std::vector<uint8_t> bytes;
              };
              std::vector<OnTheWay> onTheWay;
              bool finished = false, lossWhileHeld = false;
              uint32_t busyUntil = 0, startedAt = 0, endedAt = 0;
              size_t sent = Mark();
              for (uint32_t now = 0; now <= 30000; now += 50) {
                // Slot 3's write is refused, however many writes went before it.
                uint32_t writesBefore = 0;
                for (const auto& m : Since(sent)) {
                  if (m.size() <= 7 || m[5] != vq_sysex::kCmdProgramWrite) continue;
                  if (refused && !first && m[7] == 3)
                    Misbehave(vqsim::AnswerKind::ProgramWrite,
                              slot3 == kSilent ? vqsim::Misbehaviour::Silence
                                               : vqsim::Misbehaviour::ErrorReply,
                              writesBefore);
                  ++writesBefore;
                }
                sent = Mark();
                std::vector<vqsim::OutMessage> answers;
                link->Deliver(SIZE_MAX, &answers);
                // In order, the device answers one message at a time, each `late` after it began.
                for (const auto& a : answers) {
                  const uint32_t late = first || (before == kNone && inOrder) ? delay : 0;
                  const uint32_t start = inOrder ? std::max(now, busyUntil) : now;
                  if (inOrder) busyUntil = start + late;
                  onTheWay.push_back({start + late + a.delayMs, a.bytes});
                }
                std::stable_sort(onTheWay.begin(), onTheWay.end(),
                                 [](const auto& a, const auto& b) { return a.due < b.due; });
                for (; !onTheWay.empty() && onTheWay.front().due <= now;
                     onTheWay.erase(onTheWay.begin()))
                  onAnotherThread([&] { link->Answer(onTheWay.front().bytes); });
                if (now % 1000 == pollAt) onAnotherThread([&e] { e.StatusPoll(); });
                // Messages the input lost while the write was held explain no silence after it
                // went out.
                if (!first && e.Link().WriteHeld() && !lossWhileHeld) {
                  lossWhileHeld = true;
                  onAnotherThread([&e] { e.NoteMidiInputLoss(); });
                }
                e.OnTick();
                // The next is started at once when the one before has ended and said so.
                if (first && !running(before) && !e.Link().TransferDone() &&
                    !e.Link().TransferFailed()) {
                  first = false;
                  stored0 = sim.State().writesPerSlot;
                  Gui()->messageBoxes.clear();
                  e.SetStatusText("");
                  startedAt = now;
                  begin(transfer, bank);
                  continue;
                }
                if (first) continue;
                finished |= StatusText() == "Finished successfully!";
                if (!running(transfer) && !endedAt) endedAt = now;
                if (!running(transfer) && onTheWay.empty() && now > 0) break;
              }
              onAnotherThread([&e] { e.StatusPoll(); });  // says how it ended
              e.OnTick();
              finished |= StatusText() == "Finished successfully!";
              EXPECT_FALSE(first);
              EXPECT_FALSE(running(transfer));
              std::vector<std::string> errors;
              for (const auto& box : Gui()->messageBoxes)
                if (box.caption == "Error") errors.push_back(box.text);
              for (int slot : {1, 2, 3}) EXPECT_LE(stored(slot), 1u) << slot;
              const bool tookAll =
                  !refused &&
                  (transfer == kSingle ? stored(3) == 1 : stored(1) + stored(2) + stored(3) == 3);
              EXPECT_EQ(finished, tookAll);
              EXPECT_EQ(errors.size(), tookAll ? 0u : 1u);
              // The unanswered write is forgotten after the quiet time: the next row starts free.
              if (slot3 == kSilent)
                for (int poll = 0; poll < DeviceLink::kQuietPolls; ++poll)
                  onAnotherThread([&e] { e.StatusPoll(); });
              if (before != kNone) {
                if (slot3 == kSilent) {
                  EXPECT_EQ(errors, std::vector<std::string>{
                                        "VQ not present or a communication\nerror has occurred!"});
                }
                // Nothing held it past the quiet time and its own wait.
                EXPECT_LE(endedAt - startedAt, (DeviceLink::kQuietPolls + 4) * 1000u);
                continue;
              }
              EXPECT_EQ(StatusText(), tookAll ? "Finished successfully!" : "Communication error!");
              // Well inside the time-out every answer counts; beyond it the late one ends the
              // upload.
              if (delay < 2000 && refused) {
                EXPECT_EQ(errors, std::vector<std::string>{"Communication error has occurred!"});
              }
              if (delay > 3000) {
                EXPECT_EQ(errors, std::vector<std::string>{
                                      "VQ not present or a communication\nerror has occurred!"});
                EXPECT_EQ(stored(3), 0u);
              }
            }
}

// A message the MIDI output refused went nowhere: the wait of its own transfer ends at the next
// poll, while that of a FETCH or write beside it goes on. A refused write is owed no answer, so
// the next write goes out at once; one taken as answered (a late answer no write is owed) leaves
// the next its whole wait. A write's success told in the same poll leaves the failure on the
// status line and is told in a box.
TEST_F(BankTransferTest, AWriteTheOutputRefusedIsOwedNoAnswer) {
  VQEditor& e = Start();
  Program("05_S.pr4", 5);
  e.Browser().SetSelectedFile(VQEditor::kWriteSelector, folder + "05_S.pr4");
  Gui()->fileCancels = true;  // a fetched program is not saved
  const auto toggle = [this](int p) { Set(p, Value(p) > 0.5 ? 0 : 1); };
  const std::function<void()> write = [&] { toggle(vq_param::kSendFileChosen); };
  const std::function<void()> fetch = [&] {
    Set(vq_param::kSlotChooser, 3);
    toggle(vq_param::kRequestProgram);
    e.OnTick();  // the request goes out
  };
  const struct {
    const char* name;
    bool writeRefused, beside;
    bool answered;  // the write beside, or a late answer for the refused one, before the poll
  } rows[] = {{"a write refused", true, false, false},
              {"a write refused beside a FETCH", true, true, false},
              {"a FETCH refused beside a write", false, true, false},
              {"a FETCH refused as a write is answered", false, true, true},
              {"a write refused and taken by a late answer", true, false, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Gui()->messageBoxes.clear();
    const uint32_t writes = Writes(5);
    if (row.beside) (row.writeRefused ? fetch : write)();  // its answer has not come yet
    if (row.beside && row.answered) link->Pump();
    out.SetFailing(true);
    (row.writeRefused ? write : fetch)();
    out.SetFailing(false);
    const bool late = row.writeRefused && row.answered;
    if (late) {
      link->Answer(vqsim::BuildReply(vq_sysex::kTargetEngine, vq_sysex::kCmdWriteAck));
      e.OnTick();
      write();  // goes out
    }
    e.StatusPoll();
    e.OnTick();  // shows the box
    const DeviceLink& l = e.Link();
    EXPECT_EQ(late, row.writeRefused ? l.SingleWritePending() : l.RequestOutstanding());
    EXPECT_EQ(row.beside && !row.answered,
              row.writeRefused ? l.RequestOutstanding() : l.SingleWritePending());
    const size_t boxes = late ? 0u : row.answered ? 2u : 1u;
    ASSERT_EQ(Gui()->messageBoxes.size(), boxes);
    if (!late) {
      EXPECT_EQ(Gui()->messageBoxes[0].text,
                "VQ not present or a communication\nerror has occurred!");
    }
    if (boxes == 2) {
      EXPECT_EQ(Gui()->messageBoxes[1].text, "Finished successfully!");
    }
    if (!row.writeRefused) {
      EXPECT_EQ(StatusText(), "Communication error!");
    }
    if (row.writeRefused && !late) {
      write();
      EXPECT_FALSE(l.WriteHeld());
    }
    link->Pump();
    e.StatusPoll();
    EXPECT_EQ(Writes(5), writes + 1);
    EXPECT_EQ(StatusText(),
              row.answered && !late ? "Communication error!" : "Finished successfully!");
    EXPECT_FALSE(l.RequestOutstanding());
    EXPECT_EQ(Gui()->messageBoxes.size(), boxes);
  }
}

// A second transfer started while the first waits (its request or write in flight, or its write
// held behind an answer an ended write owes) runs beside it only where neither can take the
// other's answers or change its folder, bank or waits (a FETCH beside a write); otherwise it is
// refused, says so and changes nothing. Either way the first ends as the device answered.
// Begun from inside the first's question or folder panel (the window stays live), the second
// runs, and the first asks the gate again; inside an upload's gap question the upload already
// counts as running. While RECEIVE fills the manager's bank, up to its last program in its slot,
// the page's other bank buttons, drops and APPLY are refused the same way; so are NEW and LOAD
// BANK, which empty the cache folder, while SEND BANK's upload sends its files.
TEST_F(BankTransferTest, ASecondTransferRunsBesideTheFirstOrIsRefused) {
  enum Kind {
    kFetch,
    kSaveAll,
    kReceive,
    kSingle,
    kUpload,
    kFirmware,
    kToBank,
    kNew,
    kLoad,
    kSave,
    kShare,
    kSend,
    kRemove,
    kMove,
    kSwap,
    kCopy,
    kApply
  };
  const char* kNames[] = {
      "FETCH",         "Save All",    "RECEIVE",     "a write",     "upload",       "firmware",
      "TO BANK",       "NEW",         "LOAD BANK",   "SAVE",        "SHARE ONLINE", "SEND BANK",
      "a remove drop", "a move drop", "a swap drop", "a copy drop", "APPLY"};
  const int kBankButtons[] = {vq_param::kManagerInsert,     vq_param::kManagerClearBank,
                              vq_param::kManagerLoadBank,   vq_param::kManagerSaveBank,
                              vq_param::kManagerUploadBank, vq_param::kManagerSendBank};
  const int kModeButtons[] = {vq_param::kManagerRemoveMode, vq_param::kManagerMoveMode,
                              vq_param::kManagerSwapMode, vq_param::kManagerCopyMode};
  // When the second begins: while the first waits or its write is held; inside the first's
  // question (a write's about edits, RECEIVE's, SEND's: the manager's upload, NEW's, LOAD BANK's,
  // a drop's, or SHARE ONLINE's about the folder to upload); inside the gap question of SEND's
  // upload, the user having gone back to the synth page while SEND asked; inside the first's folder
  // panel; as RECEIVE ends, before the idle call has put its last program into its slot.
  enum When { kWaits, kHeld, kAsks, kAsksAboutGaps, kInPanel, kEnds };
  const char* kWhen[] = {" waits",           " is held",         " asks",
                         " asks about gaps", " shows its panel", " ends"};
  const std::vector<Kind> kTransfers = {kFetch, kSaveAll, kReceive, kSingle, kUpload, kFirmware};
  const std::vector<Kind> kBankActs = {kToBank, kNew,  kLoad, kSave, kShare, kSend,
                                       kRemove, kMove, kSwap, kCopy, kApply};
  std::vector<Kind> kAll = kTransfers;
  kAll.insert(kAll.end(), kBankActs.begin(), kBankActs.end());
  vq::platform::HeadlessBackend& panels = vq::platform::installHeadless();
  VQEditor& e = Start();
  ProgramManager& manager = InstallProgramManager(e, DbClientOptions{});
  ConnectProgramManager(e, manager);
  ListEvent bankEvent;
  manager.SetBankEventReader([&bankEvent] { return bankEvent; });
  Gui()->fileCancels = true;  // a fetched program is not saved: it stays offered
  const std::vector<uint8_t> image = FirmwareImage({Pattern(300, 1), {}, {}, {}, {}});
  std::ofstream(dir + "/fw.bin").write(reinterpret_cast<const char*>(image.data()), image.size());
  const auto toggle = [this](int p) { Set(p, Value(p) > 0.5 ? 0 : 1); };
  const auto running = [&e] {
    const DeviceLink& l = e.Link();
    return l.RequestPending() || l.RequestOutstanding() || l.DumpReceived() ||
           l.BankDownloadRunning() || l.SingleWritePending() || l.WriteAckPending() ||
           l.BankUploadRunning() || l.BankUploadRequest() || l.FirmwareRunning();
  };
  const struct {
    Kind first;
    When when;
    std::vector<Kind> seconds;
  } rows[] = {{kFetch, kWaits, kTransfers},
              {kSaveAll, kWaits, kTransfers},
              {kReceive, kWaits, kAll},
              {kSingle, kWaits, kTransfers},
              {kSingle, kHeld, kTransfers},
              {kUpload, kWaits, kTransfers},
              {kUpload, kHeld, kTransfers},
              {kFirmware, kWaits, kTransfers},
              {kSingle, kAsks, kTransfers},
              {kReceive, kAsks, kTransfers},
              {kUpload, kAsks, kTransfers},
              {kUpload, kAsksAboutGaps, kTransfers},
              {kReceive, kEnds, {kToBank, kNew, kLoad, kSave, kShare, kSend}},
              {kSend, kWaits, {kNew, kLoad}},
              {kNew, kAsks, {kSend}},
              {kLoad, kAsks, {kSend}},
              {kShare, kAsks, {kReceive}},
              {kRemove, kAsks, {kReceive}},
              {kMove, kAsks, {kReceive}},
              {kLoad, kInPanel, {kReceive, kSend}},
              {kSave, kInPanel, {kReceive}}};
  int n = 0;
  for (const auto& [first, when, seconds] : rows)
    for (const Kind second : seconds) {
      SCOPED_TRACE(testing::Message()
                   << kNames[second] << " while " << kNames[first] << kWhen[when]);
      const bool held = when == kHeld;
      const bool inQuestion = when == kAsks || when == kAsksAboutGaps || when == kInPanel;
      // A second Write choice inside the first's question flips the selector back to the value
      // the editor last took: it reads as unchanged.
      if (when == kAsks && first == kSingle && second == kSingle) continue;
      const std::string r = dir + "/row" + std::to_string(++n) + "/";
      // Folder -> file -> marker; the user's own file in each download folder.
      const std::map<std::string, std::map<std::string, int>> files = {
          {"bank/", {{"01_P.pr4", 1}, {"02_P.pr4", 2}, {"03_P.pr4", 3}}},
          {"bank2/", {{"07_U.pr4", 7}, {"08_U.pr4", 8}}},
          {"single/", {{"05_S.pr4", 5}, {"06_T.pr4", 6}}},
          {"old/", {{"09_Old.pr4", 50}}},
          {"down/", {{"40Sim 40.pr4", 77}}},
          {"down2/", {{"40Sim 40.pr4", 78}}}};
      for (const auto& [sub, inside] : files) {
        folder = r + sub;
        std::filesystem::create_directories(folder);
        for (const auto& [name, marker] : inside) Program(name, marker);
      }
      sim = vqsim::SimEngine();
      sim.FillSlots(true);
      out.Clear();
      link = std::make_unique<SimLink>(e, out, sim);
      e.Link().DropReceivedDump();
      // SEND uploads the bank, RECEIVE, NEW and LOAD BANK ask before they replace one, SAVE
      // writes one; a write asks about edits (only that row's program has any).
      if (inQuestion || first == kSend) e.ScanProgramFolderToSlots((r + "bank/").c_str());
      e.SetProgramEdited(false);
      const int knob = kMarkerField + kFieldParamOffset;
      if (inQuestion && first == kSingle) Set(knob, e.ParamInt(knob) == 33 ? 34 : 33);
      const auto bank = [&e] {
        std::vector<std::string> slots;
        for (const ProgramSlot& s : e.Browser().Slots())
          slots.push_back(s.empty ? "" : std::to_string(s.category) + s.path + s.name);
        return slots;
      };
      const auto bankSize = [&bank] {
        const auto slots = bank();
        return std::count_if(slots.begin(), slots.end(), [](const auto& s) { return !s.empty(); });
      };
      const auto bankBefore = bankSize();
      const auto begin = [&](Kind k, bool isFirst) {
        const auto chooseFolder = [&](const char* sub, double delay = 0) {
          panels.panelAnswers.push_back({std::vector<std::string>{r + sub}, delay});
        };
        if (k == kFetch) Set(vq_param::kSlotChooser, isFirst ? 3 : 6);
        if (k == kFetch) toggle(vq_param::kRequestProgram);
        if (k == kSaveAll) chooseFolder(isFirst ? "down/" : "down2/");
        if (k == kSaveAll) e.OnCommand(21);  // File > Save All Programs
        const bool send = isFirst && ((k == kUpload && inQuestion) || k == kSend);
        if (k == kUpload && !send) chooseFolder(isFirst ? "bank/" : "bank2/");
        if (k == kUpload && isFirst && !send) e.OnCommand(5);  // File > Write all Programs
        if (k == kUpload && !isFirst) Set(vq_param::kFolderButton, 1);
        if (k == kSingle)
          e.Browser().SetSelectedFile(VQEditor::kWriteSelector,
                                      r + (isFirst ? "single/05_S.pr4" : "single/06_T.pr4"));
        if (k == kSingle) toggle(vq_param::kSendFileChosen);
        if (k == kFirmware)
          e.Browser().SetSelectedFile(VQEditor::kFirmwareSelector, dir + "/fw.bin");
        if (k == kFirmware) toggle(vq_param::kFirmwareFileChosen);
        if (k == kReceive || send) {
          e.SetManagerPageShown(true);
          Gui()->messageBoxAnswer = 1;  // the last row's bank may go
          const int button = send ? vq_param::kManagerSendBank : vq_param::kManagerDownloadBank;
          Set(button, 1);
          Set(button, 0);
          e.SetManagerPageShown(false);
        }
        if (k >= kToBank && !send) {
          // Each would change the bank or a folder: the files listed selected, a folder chosen
          // (SHARE ONLINE saves the bank first), slot 1 dropped onto slot 2 or edited.
          const bool pageShown = e.ManagerPageShown();
          e.SetManagerPageShown(true);
          e.Browser().SetFolder(r + "bank2");
          e.ListProgramFolder((r + "bank2").c_str());
          for (OnlineListRow& row : e.Browser().Rows()) row.flags[3] = row.flags[2];
          const bool panel = k == kLoad || k == kSave || k == kShare;
          if (panel) chooseFolder(k == kShare ? "shared/" : "bank2/", when == kInPanel ? 0.5 : 0);
          Gui()->messageBoxAnswer = 1;
          const size_t boxes = Gui()->messageBoxes.size();
          const auto slots = bank();
          const int mode = k >= kRemove && k <= kCopy ? kModeButtons[k - kRemove]
                           : k == kApply              ? vq_param::kManagerEditMode
                                                      : 0;
          if (mode) {
            Set(mode, 1);
            bankEvent = {kListClick};
            Set(vq_param::kManagerBankList, 1);
          }
          if (k == kApply) {
            manager.NameEntry().SetText("Edited");
            Set(vq_param::kManagerCategoryBass, 1);
          } else if (mode) {
            bankEvent = {kListDrop};
            Set(vq_param::kManagerBankList, 2);
          }
          const int button = k == kApply ? vq_param::kManagerApplyEdit
                             : mode      ? 0
                                         : kBankButtons[k - kToBank];
          if (button) Set(button, 1);
          if (button) Set(button, 0);
          if (mode) Set(mode, 0);
          if (!isFirst && !inQuestion) {
            // Nothing asked or chosen; the slots as they were. The page covers the status
            // line: a box says it.
            EXPECT_EQ(Gui()->messageBoxes.size(), boxes);
            EXPECT_EQ(panels.panelAnswers.size(), panel);
            EXPECT_EQ(bank(), slots);
            e.ShowPostedMessageBoxes();
            ASSERT_EQ(Gui()->messageBoxes.size(), boxes + 1);
            EXPECT_EQ(Gui()->messageBoxes.back().text, DeviceLink::kBusyText);
          }
          if (!inQuestion || isFirst) panels.panelAnswers.clear();
          e.SetManagerPageShown(pageShown);
        }
        Gui()->messageBoxAnswer = 2;  // an upload's gaps skipped
      };
      // The first's slow answer; a held write waits for that of a write that timed out before.
      using vqsim::AnswerKind;
      const vqsim::Misbehaviour slow = vqsim::Misbehaviour::Slow;
      if (held) Misbehave(AnswerKind::ProgramWrite, slow, 0, 1, 4000);
      if (first == kFetch) Misbehave(AnswerKind::ProgramRequest, slow, 0, 1, 1800);
      if (first == kSaveAll || first == kReceive)
        Misbehave(AnswerKind::ProgramRequest, slow, 2, 1, 1200);
      if ((first == kSingle || first == kUpload || first == kSend) && !held)
        Misbehave(AnswerKind::ProgramWrite, slow, first == kSingle ? 0 : 1, 1, 1800);
      if (first == kFirmware) Misbehave(AnswerKind::FirmwareEnd, slow, 0, 1, 8000);
      if (held) e.Browser().SetSelectedFile(VQEditor::kWriteSelector, r + "old/09_Old.pr4");
      if (held) toggle(vq_param::kSendFileChosen);

      std::multimap<uint32_t, std::vector<uint8_t>> onTheWay;  // answers by when they come
      int phase = held ? 0 : 1;  // 0: the write before runs, 1: the first, 2: the second too
      uint32_t firstAt = 0, now = 0;
      std::string told;
      for (; now <= 60000 && (phase < 2 || running() || !onTheWay.empty()); now += 50) {
        if (phase < 2 && !running() && !e.Link().TransferDone() && !e.Link().TransferFailed()) {
          Gui()->messageBoxes.clear();
          phase = inQuestion ? 2 : 1;
          firstAt = now;
          // The user answers the first's question and, meanwhile, begins the second in the window.
          const int answer = first == kSingle ? 7 : 1;  // Discard the edits; Yes
          const auto beginSecond = [&] {
            e.SetStatusText("");
            begin(second, false);
            told = StatusText();
          };
          Gui()->whileBoxShown =
              [&, answer, begun = !inQuestion || when == kInPanel](const auto& box) mutable {
                if (begun) return;
                Gui()->messageBoxAnswer = answer;
                if (when == kAsksAboutGaps && box.text.rfind("There are gaps", 0) != 0) {
                  e.OnCommand(32);  // back to the synth page
                  return;
                }
                // SHARE ONLINE saves the bank first.
                if (first == kShare && box.text.rfind("The files to be uploaded", 0) != 0) return;
                begun = true;
                beginSecond();
                Gui()->messageBoxAnswer = when == kAsks ? answer : 2;  // the gaps skipped
              };
          // The folder panel is answered after half a second; the second begins meanwhile.
          const vq::platform::TimerId inPanel =
              when == kInPanel ? panels.loop.addTimer(0.1, false, beginSecond, true) : 0;
          begin(first, true);
          Gui()->whileBoxShown = nullptr;
          panels.loop.invalidateTimer(inPanel);
          // The first's answer comes after the second's.
          if (when == kAsks || when == kInPanel) told = StatusText();
        } else if (phase == 1 && when != kEnds && now == firstAt + 500) {
          EXPECT_EQ(e.Link().WriteHeld(), held);
          e.SetStatusText("");
          begin(second, false);
          e.OnTick();
          told = StatusText();
          phase = 2;
        }
        std::vector<vqsim::OutMessage> answers;
        link->Deliver(SIZE_MAX, &answers);
        for (const auto& a : answers) onTheWay.emplace(now + a.delayMs, a.bytes);
        for (; !onTheWay.empty() && onTheWay.begin()->first <= now;
             onTheWay.erase(onTheWay.begin()))
          std::thread([&] { link->Answer(onTheWay.begin()->second); }).join();
        if (phase == 1 && when == kEnds && !e.Link().BankDownloadRunning()) {
          e.SetStatusText("");
          begin(second, false);
          told = StatusText();
          phase = 2;
        }
        if (now % 1000 == 650) std::thread([&e] { e.StatusPoll(); }).join();
        e.OnTick();
      }
      std::thread([&e] { e.StatusPoll(); }).join();  // says how they ended
      e.OnTick();
      EXPECT_LT(now, 60000u) << "every transfer ended";

      const bool together = (first == kFetch && (second == kSingle || second == kUpload)) ||
                            (second == kFetch && (first == kSingle || first == kUpload));
      // Begun inside the first's question or panel, the second runs and the first is refused.
      const bool withinFirst = when == kAsks || when == kInPanel;
      const bool firstRan = !withinFirst || together, secondRan = withinFirst || together;
      const auto ranAs = [&](Kind k, bool isFirst) {
        return isFirst ? first == k && firstRan : second == k && secondRan;
      };
      const auto ran = [&](Kind k) { return ranAs(k, true) || ranAs(k, false); };
      EXPECT_EQ(told == "A transfer is running!", !together) << told;
      for (const auto& box : Gui()->messageBoxes) EXPECT_NE(box.caption, "Error") << box.text;
      // The synthesizer holds what the transfers that ran wrote, each slot once.
      std::map<int, int> written;  // slot -> marker
      if (held) written[9] = 50;
      for (const bool isFirst : {true, false}) {
        if (ranAs(kUpload, isFirst))
          for (int slot : isFirst ? std::vector<int>{1, 2, 3} : std::vector<int>{7, 8})
            written[slot] = slot;
        if (ranAs(kSend, isFirst))
          for (int slot : {1, 2, 3}) written[slot] = slot;
        if (!ranAs(kSingle, isFirst)) continue;
        written[isFirst ? 5 : 6] = isFirst ? 5 : 6;
        // The file sent is the program now, whatever the Write panel showed meanwhile.
        EXPECT_EQ(e.Browser().CurrentProgramPath(),
                  r + "single/" + (isFirst ? "05_S.pr4" : "06_T.pr4"));
      }
      for (int slot = 1; slot <= 99; ++slot) {
        EXPECT_EQ(Writes(slot), written.count(slot)) << "slot " << slot;
        if (written.count(slot)) {
          EXPECT_EQ(Marker(slot), Device(written[slot])) << slot;
        }
      }
      EXPECT_EQ(sim.State().requests,
                (ran(kFetch) ? 1u : 0u) + (ran(kSaveAll) || ran(kReceive) ? 99u : 0u));
      EXPECT_EQ(sim.State().firmwareComplete, ran(kFirmware));
      EXPECT_EQ(e.Link().ReceivedDumpPending() && e.Link().HoldsReceivedDump(), ran(kFetch));
      // Every folder holds what it held, but the one the download filled; the manager's bank
      // what RECEIVE brought.
      const std::string filled = ranAs(kSaveAll, true)    ? "down/"
                                 : ranAs(kSaveAll, false) ? "down2/"
                                                          : "";
      for (const auto& [sub, inside] : files) {
        std::map<std::string, int> found;
        for (const auto& entry : std::filesystem::directory_iterator(r + sub)) {
          ProgramFileContent content;
          ReadProgramFile(entry.path().c_str(), content);
          found[entry.path().filename()] = content.record[kMarkerField];
        }
        if (sub == filled) {
          EXPECT_EQ(found.size(), 99u);
        } else {
          EXPECT_EQ(found, inside) << sub;
        }
      }
      EXPECT_EQ(bankSize(), ran(kReceive) ? 99 : bankBefore) << "the manager's bank";
      EXPECT_TRUE(Gui()->openedUrls.empty()) << "no page to share the bank opened";
      if (HasFailure()) return;
    }
  vq::platform::installHeadless();
}

TEST_F(BankTransferTest, ASilentDeviceHearsEachWriteOnceThenTheUploadEnds) {
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
  EXPECT_EQ(Writes(1), 1u);
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
  // Slot 3 is answered, twice, only after the wait's end.
  Misbehave(vqsim::AnswerKind::ProgramRequest, vqsim::Misbehaviour::Slow, 2, 1000, 5000);
  Download(true);
  // An upload started meanwhile is refused; on the manager page, which covers the status line,
  // a box says so too.
  Program("01_A.pr4", 1);
  Gui()->messageBoxAnswer = 2;
  e.Browser().SetCurrentProgramFolder(folder);
  e.SetManagerPageShown(true);
  e.StartBankUpload((folder + "01_A.pr4").c_str());
  e.SetManagerPageShown(false);
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_EQ(StatusText(), DeviceLink::kBusyText);
  e.ShowPostedMessageBoxes();
  ASSERT_EQ(Gui()->messageBoxes.size(), 1u);
  EXPECT_EQ(Gui()->messageBoxes[0].text, DeviceLink::kBusyText);
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
  // A dump that turns up late is no longer part of a bank, nor a program fetched: nothing
  // further is asked for, saved or offered for saving.
  const size_t mark = Mark();
  std::thread([&] { link->DeliverLate(); }).join();
  link->Pump();
  EXPECT_EQ(Mark(), mark);
  EXPECT_EQ(Gui()->filePanels, 0);
  EXPECT_FALSE(std::filesystem::exists(e.Browser().CacheFolder() + "03Sim 03.pr4"));
  // The transfers are free again.
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
