// Start-up, shut-down, the idle work and the status poll. Polls and ticks are driven directly;
// the editor's own timer is stopped right after construction.
#include <algorithm>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>
#include <thread>

#include "../library/program_library_fixture.h"
#include "platform/error_output.h"
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
  e.Link().SetRequestOutstanding(true);
  e.Link().SetFirmwareRunning(true);
  e.Link().SetBusy(true);
  e.Link().SetUnansweredPolls(0);
  Polls(2);
  EXPECT_TRUE(e.Link().RequestOutstanding());
  EXPECT_TRUE(Boxes().empty());
  // The box up is its own loop's: the idle call, done with what start-up left, has nothing to
  // do meanwhile.
  e.OnTick();
  bool idleWorkWhileUp = true;
  Gui()->whileBoxShown = [&](const auto&) { idleWorkWhileUp = e.HasIdleWork(); };
  Polls(1);
  EXPECT_FALSE(idleWorkWhileUp);
  EXPECT_FALSE(e.Link().RequestOutstanding());
  EXPECT_FALSE(e.Link().FirmwareRunning());
  EXPECT_FALSE(e.Link().Busy());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, kNoDevice);
  EXPECT_EQ(Boxes()[0].caption, "Error");
  EXPECT_EQ(Boxes()[0].type, 0);
  EXPECT_EQ(StatusText(), "Firmware update aborted: the VQ stopped answering!");
  Polls(5);
  EXPECT_EQ(Boxes().size(), 1u) << "the poll never sets a wait";
}

// No reply comes to a request the port refused: the next poll reports it.
TEST_F(LifecycleTest, ARequestThePortRefusedEndsAtTheNextPoll) {
  VQEditor& e = MakeWithLibrary();
  out.SetFailing(true);
  e.RequestProgram(5);
  EXPECT_TRUE(e.Link().RequestOutstanding());
  Polls(1);
  EXPECT_FALSE(e.Link().RequestOutstanding());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, kNoDevice);
  EXPECT_EQ(StatusText(), "Communication error!");
}

// A transfer started beside another never moves the other's time-out.
TEST_F(LifecycleTest, EachWaitCountsItsOwnPolls) {
  VQEditor& e = MakeWithLibrary();
  e.Link().SetRequestOutstanding(true);
  e.Link().SetBankUploadRunning(true);
  e.Link().SetUnansweredWritePolls(0);
  e.NoteMidiInputLoss();  // in both waits
  e.RequestProgram(5);    // the request's wait starts afresh; the upload's loss still counts
  Polls(2);
  EXPECT_EQ(e.Link().UnansweredPolls(), 2);
  EXPECT_EQ(e.Link().UnansweredWritePolls(), 2);
  EXPECT_TRUE(e.Link().RequestOutstanding());
  EXPECT_TRUE(e.Link().BankUploadRunning());
  Polls(1);
  EXPECT_FALSE(e.Link().RequestOutstanding());
  EXPECT_FALSE(e.Link().BankUploadRunning());
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].text, kNoDevice);
  EXPECT_EQ(Boxes()[1].text, "The editor's MIDI input missed data:\nthe VQ may have answered!");
}

TEST_F(LifecycleTest, AWriteAcknowledgementTimeOutLeavesTheStatusText) {
  VQEditor& e = MakeWithLibrary();
  e.SetStatusText("Writing...");
  e.Link().SetSingleWritePending(true);
  e.Link().SetBusy(true);
  Polls(3);
  EXPECT_FALSE(e.Link().SingleWritePending());
  EXPECT_FALSE(e.Link().Busy());
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, kNoDevice);
  EXPECT_EQ(StatusText(), "Writing...");
}

TEST_F(LifecycleTest, FinishedAndFailedJobs) {
  VQEditor& e = MakeWithLibrary();
  e.Link().SetTransferDone(true);
  Polls(1);
  EXPECT_FALSE(e.Link().TransferDone());
  EXPECT_TRUE(Boxes().empty()) << "outside the manager the status text says it";
  EXPECT_EQ(StatusText(), "Finished successfully!");

  e.SetManagerPageShown(true);
  e.Link().SetTransferDone(true);
  Polls(1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "Finished successfully!");
  EXPECT_EQ(Boxes()[0].caption, "Done");

  e.Link().SetTransferFailed(true);
  e.Link().SetBusy(true);
  Polls(1);
  EXPECT_FALSE(e.Link().TransferFailed());
  EXPECT_FALSE(e.Link().Busy());
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1].text, "Communication error has occurred!");
  EXPECT_EQ(StatusText(), "Communication error!");

  e.Link().SetProgramNumberError(true);
  Polls(1);
  EXPECT_FALSE(e.Link().ProgramNumberError());
  ASSERT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[2].text, "Program Name does not\ndetermine Program Number!");
  EXPECT_EQ(Boxes()[2].caption, "Error");

  // A failure told in the same poll keeps the status line: the success is told in a box.
  e.SetManagerPageShown(false);
  e.Link().SetTransferDone(true);
  e.Link().SetTransferFailed(true);
  Polls(1);
  ASSERT_EQ(Boxes().size(), 5u);
  EXPECT_EQ(Boxes()[3].text, "Finished successfully!");
  EXPECT_EQ(Boxes()[4].text, "Communication error has occurred!");
  EXPECT_EQ(StatusText(), "Communication error!");
}

TEST_F(LifecycleTest, EverySecondPollRepeatsTheNrpnAddress) {
  VQEditor& e = MakeWithLibrary();
  e.Link().SetIdlePolls(0);
  e.SetLastField(5);
  Polls(1);
  EXPECT_EQ(e.LastField(), 5);
  Polls(1);
  EXPECT_EQ(e.LastField(), kNoFieldSent);
  EXPECT_EQ(e.Link().IdlePolls(), 0);
}

TEST_F(LifecycleTest, TheTickPollsOnEveryTenthCall) {
  VQEditor& e = MakeWithLibrary();
  e.SetTickCounter(0);
  e.Link().SetSingleWritePending(true);
  e.Link().SetUnansweredWritePolls(0);
  for (int i = 0; i < 9; ++i) e.OnTimer(nullptr);
  EXPECT_EQ(e.Link().UnansweredWritePolls(), 0);
  e.TimerTick();
  EXPECT_EQ(e.Link().UnansweredWritePolls(), 1);
  EXPECT_EQ(e.TickCounter(), 0);
  for (int i = 0; i < 20; ++i) e.TimerTick();
  EXPECT_FALSE(e.Link().SingleWritePending()) << "timed out on the third poll, the thirtieth tick";
}

TEST_F(LifecycleTest, FlexiReadoutAndPickTimeOut) {
  VQEditor& e = MakeWithLibrary();
  // A slot aimed at field 3 ("VCO1 saw env decay") whose range knob A holds 42.
  e.Flexi().Destinations()[0] = 3;
  e.GetParam(vq_param::kFlexi1RangeA)->Set(42);
  Page().Readout(3)->SetTextFromPlug("old");
  e.Flexi().SetReadoutSlot(1);
  e.Flexi().SetReadoutWait(0);
  Polls(1);
  EXPECT_EQ(ReadoutText(3), "old") << "served on the second poll";
  Polls(1);
  EXPECT_NE(ReadoutText(3), "old");
  EXPECT_EQ(e.Flexi().ReadoutSlot(), 0);
  EXPECT_EQ(e.Flexi().ReadoutWait(), 0);

  IControl* overlay = Page().FlexiOverlay(1);
  overlay->Hide(false);
  e.Flexi().SetSlot(2);
  e.Flexi().SetActive(true);
  e.Flexi().SetTimeout(true);
  e.Flexi().SetTimeoutCount(0);
  Polls(9);
  EXPECT_TRUE(e.Flexi().Active());
  Polls(1);
  EXPECT_FALSE(e.Flexi().Active());
  EXPECT_EQ(e.Flexi().Slot(), 0);
  EXPECT_FALSE(e.Flexi().Timeout());
  EXPECT_TRUE(overlay->IsHidden());
}

TEST_F(LifecycleTest, IdleWorkNamesDumpsAndSendsRequests) {
  VQEditorSetup setup = BaseSetup();
  RecordingPages& pages = UseRecordingPages(setup);
  VQEditor& e = MakeWithLibrary(std::move(setup));
  // While the Save panel waits for the user, the MIDI input and the status poll get the editor.
  bool editorFree = false;
  std::string proposed;
  pages.whileSelectorOpen = [&](int) {
    editorFree = vqtest::FreeForOtherThreads(e.Mutex());
    proposed = e.Browser().SelectedFile(VQEditor::kSaveSelector);
  };
  const std::string mine = Folder() + "mine/";  // a folder of the user's
  std::filesystem::create_directories(mine);
  e.Browser().SetSaveFolder(mine);
  memcpy(e.Link().ReceiveBuffer().data() + 178, "12 Lead", 7);
  e.Link().SetRequestSlot(12);
  e.Link().SetDumpReceived(true);
  e.Link().SetRequestPending(true);
  size_t mark = Mark();
  e.OnTick();
  EXPECT_FALSE(e.Link().DumpReceived());
  EXPECT_TRUE(e.Link().ReceivedDumpPending());
  EXPECT_EQ(proposed, mine + "12 Lead.pr4");
  EXPECT_EQ(pages.openedSelectors, std::vector<int>{VQEditor::kSaveSelector});
  EXPECT_TRUE(editorFree);
  EXPECT_FALSE(e.Link().RequestPending());
  EXPECT_TRUE(e.Link().RequestOutstanding());
  auto sent = Since(mark);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].size(), 9u);
  EXPECT_EQ(sent[0][7], 12);

  // The picking slot's overlay blinks every eighth call.
  IControl* overlay = Page().FlexiOverlay(0);
  e.Flexi().SetSlot(1);
  e.Flexi().SetActive(true);
  e.Flexi().SetBlinkCounter(0);
  e.ShowFlexiIndicator(0, true);
  for (int i = 0; i < 7; ++i) e.OnTick();
  EXPECT_FALSE(overlay->IsHidden());
  e.OnTick();
  EXPECT_TRUE(overlay->IsHidden());
  EXPECT_FALSE(e.Flexi().IndicatorShown()[0]);
  for (int i = 0; i < 8; ++i) e.OnTick();
  EXPECT_FALSE(overlay->IsHidden());
}

TEST_F(LifecycleTest, FirstRunStartsOnInitWithThePollRunning) {
  size_t mark = Mark();
  VQEditor& e = MakeWithLibrary();
  EXPECT_TRUE(e.HasTimer()) << "the poll also runs on a first run";
  EXPECT_EQ(e.ProgramName(), "INIT");
  EXPECT_FALSE(CcsSince(mark).empty());
  EXPECT_EQ(e.History().Cursor(), 0);
  EXPECT_EQ(e.Browser().RememberedProgramPath(), "");
  for (int i = 0; i < ProgramFieldTable::kLearnEntryCount; ++i) EXPECT_EQ(e.Learn().CC()[i], -1);
  EXPECT_TRUE(e.Learn().NoMatch()) << "no assignment yet";
}

TEST_F(LifecycleTest, MissingCurrentProgramFileStartsOnInit) {
  std::string folder = dir + "/bank/";
  std::filesystem::create_directories(folder);
  WriteFile(folder + "07_BASS_Deep.pr4", FormatProgramText(ProgramFieldTable::InitRecord()));
  WriteSettings("[program]\nlastfile=" + folder + "07_BASS_Deep.pr4\n");
  size_t mark = Mark();
  VQEditor& e = MakeWithLibrary();
  EXPECT_EQ(e.ProgramName(), "INIT");
  EXPECT_FALSE(CcsSince(mark).empty()) << "the INIT program, filled, goes to the device";
  EXPECT_EQ(e.Record(), ProgramFieldTable::InitRecord());
  EXPECT_EQ(e.Browser().CurrentProgramFolder(), folder);
  EXPECT_EQ(e.Browser().LastFile(), folder + "07_BASS_Deep.pr4");
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
  EXPECT_EQ(e.ProgramName(), "03_Lead");
  EXPECT_EQ(e.Browser().SelectedFile(VQEditor::kSaveSelector), folder + "03_Lead.pr4");
  EXPECT_EQ(e.Browser().ProgramList(), (std::vector<std::string>{"03_Lead.prg"}));
  EXPECT_EQ(e.Browser().RememberedProgramPath(), folder + "03_Lead.prg");
  EXPECT_EQ(e.Browser().Folder(), folder);
  EXPECT_FALSE(CcsSince(mark).empty()) << "the restored program goes to the device";
}

// The LFO and delay read-outs follow the program's delay model and MIDI sync, whatever came
// before: at start, after each load (every state after every other) and after an undo. Values
// at the ends of their range; a synced delay or LFO counts note divisions up to its last one.
TEST_F(LifecycleTest, ClockReadoutsFollowTheProgramAtStartLoadAndUndo) {
  struct State {
    int delayLong, sync;
    const char *lfoLow, *lfoHigh, *delay1Low, *delay1High, *delay2Low, *delay2High;
  };
  const State states[] = {
      {0, 0, "1", "127", "0ms", "140ms", "0ms", "140ms"},
      {0, 1, "1/1", "1/16D", "0ms", "140ms", "0ms", "140ms"},
      {0, 2, "1", "127", "0ms", "140ms", "0ms", "140ms"},
      {0, 3, "1", "127", "0ms", "140ms", "0ms", "140ms"},
      {1, 0, "1", "127", "0ms", "600ms", "0ms", "600ms"},
      {1, 1, "1/1", "1/16D", "0ms", "600ms", "0ms", "600ms"},
      {1, 2, "1", "127", "1/16D", "1/2", "0ms", "600ms"},
      {1, 3, "1", "127", "1/16D", "1/2", "1/16D", "1/2"},
  };
  // Case k: state k / 2 at its low (even k) or high end.
  auto program = [&](int k) {
    ProgramRecord r = ProgramFieldTable::InitRecord();
    r[123] = states[k / 2].delayLong;
    r[124] = states[k / 2].sync;
    r[42] = k % 2 ? 127 : 1;
    r[135] = r[139] = k % 2 ? 127 : 0;
    return FormatProgramText(r);
  };
  auto expectShown = [&](int k, const char* when) {
    const State& s = states[k / 2];
    const bool high = k % 2;
    EXPECT_EQ(ReadoutText(42), high ? s.lfoHigh : s.lfoLow) << when << " case " << k;
    EXPECT_EQ(ReadoutText(135), high ? s.delay1High : s.delay1Low) << when << " case " << k;
    EXPECT_EQ(ReadoutText(139), high ? s.delay2High : s.delay2Low) << when << " case " << k;
  };
  constexpr int kCases = 2 * sizeof states / sizeof states[0];
  for (int start = 0; start < kCases; ++start) {
    TearDown();
    SetUp();
    WriteFile(dir + "/lastprogram.pr4", program(start));
    VQEditor& e = MakeWithLibrary();
    expectShown(start, "at start");
    for (int k = 0; k < kCases; ++k) {
      const std::string file = dir + "/p" + std::to_string(k) + ".pr4";
      WriteFile(file, program(k));
      ASSERT_TRUE(e.LoadProgramFileToEditor(file.c_str()));
      expectShown(k, "after a load");
    }
    Set(vq_param::kDelayVintageLong, 1 - states[kCases / 2 - 1].delayLong);
    Set(vq_param::kMidiSync, (states[kCases / 2 - 1].sync + 1) % 4);
    e.Undo();
    e.Undo();
    expectShown(kCases - 1, "after an undo");
  }
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

// Shut-down keeps the program with its edits, its name, its file if it has one, the page and
// the keyboard channel, and the next run starts with them: INIT (also after a file was current)
// or a program of a file.
TEST_F(LifecycleTest, ShutDownKeepsTheProgramAndTheSettings) {
  for (auto [fileFirst, init] : {std::pair{false, true}, {true, true}, {true, false}}) {
    SCOPED_TRACE(std::to_string(fileFirst) + " " + std::to_string(init));
    TearDown();
    SetUp();
    WriteSettings("[midi]\nkbdmidioutch=3\n");
    const std::string folder = dir + "/bank/", file = folder + "05_Pad.pr4";
    std::filesystem::create_directories(folder);
    WriteFile(file, FormatProgramText(ProgramFieldTable::InitRecord()));
    VQEditor& e = MakeWithLibrary();
    std::filesystem::create_directories(e.Browser().UploadFolder());
    const std::string upload = e.Browser().UploadFolder();
    if (fileFirst) e.LocateProgramInFolder(file.c_str());
    if (fileFirst && init) e.InitProgram();
    Set(3, 20);
    e.SetManagerPageShown(init);
    e.SetKeyboardChannel(9);
    // The user's work and the settings reach the disk side by side, each in one rewrite.
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    inotify_add_watch(watch, dir.c_str(), IN_MOVED_TO | IN_CREATE);  // no two renames merge
    editor.reset();
    std::vector<std::string> renamed;
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
      for (char* at = events; at < events + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        if (event->mask & IN_MOVED_TO) renamed.push_back(event->name);
        at += sizeof(inotify_event) + event->len;
      }
    }
    close(watch);
    std::sort(renamed.begin(), renamed.end());
    EXPECT_EQ(renamed,
              (std::vector<std::string>{"lastprogram.pr4",
                                        std::filesystem::path(settings).filename().string()}));
    EXPECT_EQ(Ini("gui", "manager"), init ? "true" : "false");
    EXPECT_EQ(Ini("program", "lastfile"), init ? "" : file);
    if (init) {
      EXPECT_EQ(Ini("program", "name"), "INIT");  // a file's program is named by its file
    }
    EXPECT_EQ(Ini("program", "edited"), "true");
    EXPECT_EQ(Ini("midi", "kbdmidioutch"), "9");
    EXPECT_FALSE(std::filesystem::exists(upload));
    ProgramFileContent c;
    ASSERT_EQ(ReadProgramFile((dir + "/lastprogram.pr4").c_str(), c), ProgramFileError::kNone);
    EXPECT_EQ(c.record[0], 20);

    const size_t mark = Mark();
    VQEditor& next = MakeWithLibrary();
    EXPECT_EQ(Value(3), 20);
    EXPECT_EQ(next.ProgramName(), init ? "INIT" : "05_Pad");
    EXPECT_TRUE(next.ProgramEdited());
    // An edit undone gives the program back as it came: still marked.
    Set(14, Value(14) == 99 ? 98 : 99);
    next.Undo();
    EXPECT_EQ(StatusText(), "*" + next.ProgramName() + "*");
    EXPECT_EQ(next.KeyboardChannel(), 9);
    EXPECT_FALSE(CcsSince(mark).empty());
  }
  // A settings file that cannot be rewritten is named on the error output, with the reason.
  std::filesystem::remove(settings);
  std::filesystem::create_directory(settings);
  testing::internal::CaptureStderr();
  editor.reset();
  vq::platform::errorOutput().Flush(std::chrono::seconds(10));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("the settings could not be written to " + settings + ": Is a directory\n"),
            std::string::npos)
      << said;
}

}  // namespace
}  // namespace vqtest
