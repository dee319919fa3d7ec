// Firmware update, bank upload and bank download between the editor and the simulated
// synthesizer running as its own process, over JACK MIDI ports.
#include <poll.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "library/bank_transfer.h"
#include "library/program_library.h"
#include "library/program_text_format.h"
#include "protocol/firmware_updater.h"
#include "protocol/program_field_table.h"
#include "support/editor_over_jack.h"

namespace vqtest {
namespace {

class TransfersOverJack : public EditorOverJackTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    VQ_SKIP_WITHOUT_JACK();
    ASSERT_NO_FATAL_FAILURE(OpenEditorPorts("vqtr"));
    MakeEditorOnPorts();
    StopTimer();
    InstallProgramTransfers(*editor);
    DeliverToEditor(/*shortMessages=*/false);
    ASSERT_NO_FATAL_FAILURE(StartVqsim());
    folder = dir + "/bank/";
    std::filesystem::create_directories(folder);
  }

  // Runs the editor's idle call until `done` holds (bounded), and its status poll once a second
  // as the timer would: a message lost on a loaded machine is resent or reported, and a report
  // ends the wait at once.
  bool Idle(const std::function<bool(VQEditor&)>& done, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto nextPoll = Clock::now() + std::chrono::seconds(1);
    for (;;) {
      {
        UTL_MutexLock lock(editor->Mutex());
        editor->OnTick();
        if (done(*editor)) return true;
        for (const auto& box : Gui()->messageBoxes)
          if (box.caption == "Error") return false;
        if (Clock::now() >= nextPoll) {
          nextPoll += std::chrono::seconds(1);
          editor->StatusPoll();
        }
      }
      if (Clock::now() >= deadline) return false;
      pollfd none{-1, 0, 0};
      poll(&none, 0, 2);
    }
  }

  std::string Boxes() {
    std::string t;
    for (const auto& box : Gui()->messageBoxes) t += " [" + box.caption + ": " + box.text + "]";
    return t;
  }
  std::string Tail() {
    std::string t;
    auto lines = sim.LogLines();
    for (size_t i = lines.size() > 12 ? lines.size() - 12 : 0; i < lines.size(); ++i)
      t += lines[i] + "\n";
    return t + "(" + std::to_string(lines.size()) + " lines)";
  }
  std::string folder;
};

TEST_F(TransfersOverJack, FirmwareUpdateCompletes) {
  std::array<std::vector<uint8_t>, 5> raw = {std::vector<uint8_t>(3000),
                                             {},
                                             std::vector<uint8_t>(100),
                                             std::vector<uint8_t>(700),
                                             std::vector<uint8_t>(7, 0xFF)};
  for (auto& s : raw)
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint8_t>(i * 13 + s.size());
  std::vector<uint8_t> image = {'V', 'Q', '4', 'F', 'W'};
  for (const auto& s : raw)
    for (int b = 0; b < 4; ++b) image.push_back(static_cast<uint8_t>(s.size() >> (8 * b)));
  for (const auto& s : raw) image.insert(image.end(), s.begin(), s.end());
  const std::string path = dir + "/fw.bin";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));

  editor->ReadFirmwareFile(path.c_str());
  ASSERT_TRUE(Idle([](VQEditor& e) { return !e.Link().FirmwareRunning(); }, 20000))
      << "update did not end: boxes" << Boxes() << "\nlog:\n"
      << Tail();
  EXPECT_FALSE(editor->Link().TransferFailed());
  EXPECT_EQ(StatusText(), "Update successful!");
  EXPECT_TRUE(sim.WaitForLogLine("fw-complete", 2000));
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

TEST_F(TransfersOverJack, BankUploadThenDownload) {
  for (int slot = 1; slot <= 99; ++slot) {
    ProgramRecord r = ProgramFieldTable::InitRecord();
    r[11] = slot;
    char name[32];
    snprintf(name, sizeof name, "%02d_Up%d.pr4", slot, slot);
    std::ofstream(folder + name, std::ios::binary) << FormatProgramText(r);
  }
  {
    UTL_MutexLock lock(editor->Mutex());
    editor->Browser().SetCurrentProgramPath(folder);
    editor->LocateProgramInFolder(folder.c_str());
    editor->Link().SetBankUploadRequest(true);
  }
  ASSERT_TRUE(Idle([](VQEditor& e) { return e.Link().TransferDone(); }, 30000))
      << "upload did not finish: running " << editor->Link().BankUploadRunning() << " status "
      << StatusText() << " boxes" << Boxes() << "\nlog:\n"
      << Tail();
  EXPECT_FALSE(editor->Link().BankUploadRunning());
  EXPECT_TRUE(sim.WaitForLogLine("write 99 ok", 2000));

  const std::string down = dir + "/down/";
  std::filesystem::create_directories(down);
  {
    UTL_MutexLock lock(editor->Mutex());
    editor->Link().SetTransferDone(false);
    editor->Browser().SetCurrentProgramFolder(down);
    editor->Link().SetDownloadToManager(false);
    editor->Link().SetBankDownloadRunning(true);
    editor->Link().SetRequestSlot(1);
    editor->Link().SetRequestPending(true);
  }
  ASSERT_TRUE(Idle([](VQEditor& e) { return e.Link().TransferDone(); }, 30000))
      << "download did not finish: slot " << editor->Link().RequestSlot() << " boxes" << Boxes()
      << "\nlog:\n"
      << Tail();
  // Each slot came back under the name it was written with.
  for (int slot : {1, 50, 99}) {
    char name[32];
    snprintf(name, sizeof name, "%02d_Up%d.pr4", slot, slot);
    ProgramFileContent content;
    ASSERT_EQ(ReadProgramFile((down + name).c_str(), content), ProgramFileError::kNone) << name;
    EXPECT_EQ(content.record[11], slot);
  }
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

// An acknowledgement names no slot: the write whose answer was lost is not sent again, and the
// upload ends with the error at the time-out.
TEST_F(TransfersOverJack, ALostAcknowledgementEndsTheUploadAtTheTimeOut) {
  for (int slot = 1; slot <= 4; ++slot) {
    char name[32];
    snprintf(name, sizeof name, "%02d_L%d.pr4", slot, slot);
    std::ofstream(folder + name, std::ios::binary)
        << FormatProgramText(ProgramFieldTable::InitRecord());
  }
  ASSERT_TRUE(sim.Command("fault kind=write,mode=silence,skip=2")) << sim.Error();
  Gui()->messageBoxAnswer = 2;  // leave the gaps
  {
    UTL_MutexLock lock(editor->Mutex());
    editor->Browser().SetCurrentProgramPath(folder);
    editor->LocateProgramInFolder(folder.c_str());
    editor->Link().SetBankUploadRequest(true);
  }
  const auto errorShown = [this](VQEditor&) {
    for (const auto& box : Gui()->messageBoxes)
      if (box.caption == "Error") return true;
    return false;
  };
  ASSERT_TRUE(Idle(errorShown, 10000)) << "no error: status " << StatusText() << "\nlog:\n"
                                       << Tail();
  EXPECT_EQ(Gui()->messageBoxes.back().text,
            "VQ not present or a communication\nerror has occurred!");
  EXPECT_FALSE(editor->Link().TransferDone());
  ASSERT_TRUE(sim.WaitForLogLine("write 3 ok", 2000));
  size_t writes = 0;
  for (const auto& line : sim.LogLines()) writes += line.rfind("write ", 0) == 0;
  EXPECT_EQ(writes, 3u) << Tail();  // slots 1 to 3, each once
}

// The upload before had its answer late and ended with the error; the next, started at once,
// sends nothing until that answer has come, so it counts for none of its writes: the
// synthesizer's refusal of its last write, as late as its acknowledgements, ends it with the
// error rather than after it.
TEST_F(TransfersOverJack, ALateAnswerOfTheUploadBeforeCountsForNoneOfTheNext) {
  const std::string old = dir + "/old/";
  std::filesystem::create_directories(old);
  const auto program = [](const std::string& path) {
    std::ofstream(path, std::ios::binary) << FormatProgramText(ProgramFieldTable::InitRecord());
  };
  program(old + "01_Old.pr4");
  for (int slot = 1; slot <= 3; ++slot) program(folder + "0" + std::to_string(slot) + "_N.pr4");
  // The first write is answered after its time-out; the others 300 ms late, the fourth refused.
  for (const char* rule : {"fault kind=write,mode=slow,ms=3500",
                           "fault kind=write,mode=slow,skip=1,count=always,ms=300",
                           "fault kind=write,mode=error-reply,skip=3"})
    ASSERT_TRUE(sim.Command(rule)) << sim.Error();
  Gui()->messageBoxAnswer = 2;  // leave the gaps
  const auto upload = [this](const std::string& from) {
    UTL_MutexLock lock(editor->Mutex());
    editor->Browser().SetCurrentProgramPath(from);
    editor->LocateProgramInFolder(from.c_str());
    editor->Link().SetBankUploadRequest(true);
  };
  const auto ended = [this](VQEditor& e) {
    for (const auto& box : Gui()->messageBoxes)
      if (box.caption == "Error" || box.caption == "Done") return true;
    return e.Link().TransferDone();
  };
  upload(old);
  ASSERT_TRUE(Idle(ended, 10000)) << "no end: status " << StatusText() << "\nlog:\n" << Tail();
  ASSERT_EQ(Gui()->messageBoxes.back().text,
            "VQ not present or a communication\nerror has occurred!");
  Gui()->messageBoxes.clear();
  upload(folder);
  ASSERT_TRUE(Idle(ended, 30000)) << "no end: status " << StatusText() << "\nlog:\n" << Tail();
  EXPECT_FALSE(editor->Link().TransferDone());
  ASSERT_FALSE(Gui()->messageBoxes.empty());
  EXPECT_EQ(Gui()->messageBoxes.back().text, "Communication error has occurred!") << Tail();
  EXPECT_TRUE(sim.WaitForLogLine("write 3 rejected", 2000)) << Tail();
}

}  // namespace
}  // namespace vqtest
