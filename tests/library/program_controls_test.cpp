// The program file, folder and group-edit controls as the user drives them: previous/next with
// wrap-around, loads that fail, saves of a received dump, single writes acknowledged by the
// simulated synthesizer, the folder button's bank upload and the program request.
#include <filesystem>
#include <functional>

#include "library/bank_transfer.h"
#include "library/program_manager.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "program_library_fixture.h"
#include "protocol/program_field_table.h"
#include "sim_link.h"
#include "support/slow_disk.h"
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
  // "Base.pr4" (marker 30) loaded and edited to 40, "Other.pr4" (9) beside it.
  VQEditor& StartEditedBase(const std::string& subfolder) {
    VQEditor& e = SimLinkedEditorTest::Start(subfolder);
    Program("Other.pr4", 9);
    Program("Base.pr4", 30);
    Gui()->messageBoxAnswer = 7;  // an earlier editor's program may have been kept edited
    EXPECT_TRUE(e.LoadChosenProgramFile(folder + "Base.pr4"));
    Set(kMarkerField + kFieldParamOffset, 40);
    return e;
  }
  int32_t Marker() const { return editor->ParamInt(kMarkerField + kFieldParamOffset); }
  // A save waits for the disk on a thread of its own; the idle call then finishes it.
  static void Saved(VQEditor& e) {
    e.WaitForProgramSaves();
    e.RunMainThreadWork();
  }
  // The file holds the program the synthesizer keeps in `slot`.
  static void ExpectSlotSaved(const std::string& path, int slot) {
    ProgramFileContent content;
    ASSERT_EQ(ReadProgramFile(path.c_str(), content), ProgramFileError::kNone);
    const vqsim::DeviceProgram p = vqsim::DistinctProgram(slot);
    for (int f = 0; f < kDeviceFieldCount; ++f)
      ASSERT_EQ(ProgramFieldTable::DeviceByte(f, content.record[f]),
                p.bytes[static_cast<size_t>(f)])
          << f;
  }
};

TEST_F(ProgramControlsTest, NextAndPreviousWrapAround) {
  VQEditor& e = Start();
  Program("a.pr4", 1);
  Program("b.pr4", 2);
  Program("c.pr4", 3);
  e.LocateProgramInFolder((folder + "c.pr4").c_str());
  ASSERT_EQ(e.Browser().ProgramListIndex(), 2);

  size_t mark = Mark();
  Press(210);  // next on the last file: the first
  EXPECT_EQ(e.Browser().ProgramListIndex(), 0);
  EXPECT_EQ(e.ProgramName(), "a");
  EXPECT_EQ(Marker(), 1);
  EXPECT_EQ(e.Browser().CurrentProgramPath(), folder + "a.pr4");
  EXPECT_EQ(BurstsSince(mark), 1u);
  EXPECT_EQ(e.LastField(), kNoFieldSent);

  Press(209);  // previous on the first: the last
  EXPECT_EQ(e.Browser().ProgramListIndex(), 2);
  EXPECT_EQ(Marker(), 3);
  Press(209);
  EXPECT_EQ(e.Browser().ProgramListIndex(), 1);
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
  EXPECT_EQ(e.Browser().ProgramListIndex(), 0);
  EXPECT_EQ(BurstsSince(mark), 0u);
}

// A file that does not load or write, chosen by each of the three ways: nothing goes out and
// the editor keeps its program, its name and its place; the status says why.
TEST_F(ProgramControlsTest, FailedFileActionsChangeNothing) {
  VQEditor& e = Start();
  Gui()->messageBoxAnswer = 7;  // the edits are discarded for each load
  Program("01_Good.pr4", 21);
  const std::string good = FormatProgramText(ProgramFieldTable::InitRecord());
  std::string v999 = good;
  v999.replace(v999.find("\r\n", 500) + 2, 5, " 999 ");
  const struct {
    const char* what;
    std::string bytes;
    const char* status;
  } rows[] = {
      {"empty", "", "Not a VQ program file!"},
      {"a text file", "hello world", "Not a VQ program file!"},
      {"cut to 3000 bytes", good.substr(0, 3000), "Incomplete program file!"},
      {"a value of 999", v999, "Value out of range in the program file!"},
      {"an unknown version", " 250 \r\n" + good.substr(7), "Unknown file format!"},
      {"too large", good + std::string(8200 - good.size(), '\n'), "Corrupted filesize!"},
  };
  const std::string bad = folder + "02_Bad.pr4";
  for (const auto& row : rows) {
    WriteFile(bad, row.bytes);
    e.Browser().SetSelectedFile(VQEditor::kLoadSelector, folder + "01_Good.pr4");
    Set(201, 1);
    ASSERT_EQ(e.ProgramName(), "01_Good");
    Set(kMarkerField + kFieldParamOffset, 30);  // edited: "*01_Good*"
    const ProgramRecord record = (e.PackParamsToRecord(), e.Record());
    const std::string save = e.Browser().SelectedFile(VQEditor::kSaveSelector);
    const size_t undo = e.History().Entries().size();
    const uint32_t writes = sim.State().writesAccepted + sim.State().writesRejected;
    auto unchanged = [&](const char* how) {
      link->Pump();
      SCOPED_TRACE(std::string(row.what) + ", " + how);
      EXPECT_EQ(e.ProgramName(), "01_Good");
      EXPECT_EQ(StatusText(), row.status);
      EXPECT_TRUE(e.ProgramEdited());
      EXPECT_EQ((e.PackParamsToRecord(), e.Record()), record);
      EXPECT_EQ(e.History().Entries().size(), undo);
      EXPECT_EQ(e.Browser().CurrentListName(), "01_Good.pr4");
      EXPECT_EQ(e.Browser().CurrentProgramPath(), folder + "01_Good.pr4");
      EXPECT_EQ(e.Browser().LastFile(), folder + "01_Good.pr4");
      EXPECT_EQ(e.Browser().SelectedFile(VQEditor::kSaveSelector), save);
      EXPECT_FALSE(e.Link().SingleWritePending());
      EXPECT_EQ(sim.State().writesAccepted + sim.State().writesRejected, writes);
    };
    size_t mark = Mark();
    e.Browser().SetSelectedFile(VQEditor::kLoadSelector, bad);
    Set(201, 0);
    unchanged("load");
    Press(210);  // next: 02_Bad.pr4
    unchanged("next");
    e.Browser().SetSelectedFile(VQEditor::kWriteSelector, bad);
    Set(205, 1);
    unchanged("write to VQ");
    EXPECT_EQ(Mark(), mark) << row.what << ": nothing reaches the synthesizer";
  }

  // A write the synthesizer refuses: the file does not become the program either.
  Program("03_Other.pr4", 40);
  vqsim::MisbehaviourRule rule;
  rule.kind = vqsim::AnswerKind::ProgramWrite;
  rule.mode = vqsim::Misbehaviour::ErrorReply;
  rule.count = 0;
  std::string error;
  ASSERT_TRUE(sim.Plan().Add(rule, error)) << error;
  e.Browser().SetSelectedFile(VQEditor::kWriteSelector, folder + "03_Other.pr4");
  Set(205, 0);
  link->Pump();
  e.StatusPoll();
  EXPECT_EQ(e.ProgramName(), "01_Good");
  EXPECT_EQ(Marker(), 30);
  EXPECT_EQ(e.Browser().CurrentListName(), "01_Good.pr4");
  EXPECT_EQ(e.Browser().LastFile(), folder + "01_Good.pr4");
}

TEST_F(ProgramControlsTest, SavingAPendingDumpWritesTheDump) {
  VQEditor& e = Start();
  sim.FillSlots(true);
  e.Browser().SetSaveFolder(folder);
  Set(301, 4);  // slot chooser "05"
  Set(302, 1);
  EXPECT_EQ(e.Link().RequestSlot(), 5);
  EXPECT_FALSE(e.Link().ReceivedDumpPending()) << "nothing to save before the dump has arrived";
  EXPECT_EQ(StatusText(), "Connecting to VQ...");
  link->Pump();
  EXPECT_TRUE(e.Link().ReceivedDumpPending());
  EXPECT_EQ(sim.State().requests, 1u);
  EXPECT_TRUE(sim.State().faults.empty());

  // Cancelled: nothing written, still pending.
  e.Browser().SetSelectedFile(VQEditor::kSaveSelector, "");
  Set(203, 1);
  EXPECT_TRUE(e.Link().ReceivedDumpPending());
  // A folder that cannot be written keeps it pending too, and says so, in a box shown while the
  // MIDI input and the status poll can have the editor.
  e.Browser().SetSelectedFile(VQEditor::kSaveSelector, dir + "/no such folder/x.pr4");
  Set(203, 0);
  Saved(e);
  e.OnTick();
  EXPECT_TRUE(e.Link().ReceivedDumpPending());
  EXPECT_EQ(StatusText(), "Cannot write x.pr4!");
  ASSERT_FALSE(Gui()->messageBoxes.empty());
  EXPECT_NE(Gui()->messageBoxes.back().text.find(dir + "/no such folder/x.pr4"), std::string::npos);
  EXPECT_EQ(Gui()->messageBoxes.back().caption, "Error");
  EXPECT_TRUE(Gui()->messageBoxes.back().plugFree);

  // Offered no more from the save's start: File > Save's panel, cancelled as the save ends in
  // its loop, does not offer it again.
  const std::string path = folder + "saved.pr4";
  e.Browser().SetSelectedFile(VQEditor::kSaveSelector, path);
  Set(203, 1);
  e.WaitForProgramSaves();
  Gui()->ticksWhileUp = 6;
  Gui()->fileAnswers = {""};
  e.SaveProgramWithPanel();
  EXPECT_FALSE(e.Link().ReceivedDumpPending());
  ExpectSlotSaved(path, 5);

  // With nothing pending the save writes the editor's program and makes it current.
  Set(kMarkerField + kFieldParamOffset, 33);
  e.Browser().SetSelectedFile(VQEditor::kSaveSelector, folder + "edited.pr4");
  Set(203, 0);
  Saved(e);
  ProgramFileContent content;
  ASSERT_EQ(ReadProgramFile((folder + "edited.pr4").c_str(), content), ProgramFileError::kNone);
  EXPECT_EQ(content.record[kMarkerField], 33);
  EXPECT_EQ(e.Browser().CurrentListName(), "edited.pr4");

  // Over a dump offered, File > Save writes the program on screen, and the offer goes.
  Gui()->fileAnswers = {""};
  Set(301, 6);
  Set(302, Value(302) > 0.5 ? 0 : 1);
  link->Pump();
  ASSERT_TRUE(e.Link().ReceivedDumpPending());
  Gui()->fileAnswers = {folder + "mine.pr4"};
  e.SaveProgramWithPanel();
  Saved(e);
  ASSERT_EQ(ReadProgramFile((folder + "mine.pr4").c_str(), content), ProgramFileError::kNone);
  EXPECT_EQ(content.record[kMarkerField], 33);
  EXPECT_FALSE(e.Link().ReceivedDumpPending());
}

// A fetched program's save leaves the program on screen its own: its name and mark, the file a
// quit keeps it by and the file the next save proposes.
TEST_F(ProgramControlsTest, AFetchedProgramsSaveLeavesTheProgramOnScreenItsOwn) {
  sim.FillSlots(true);
  for (const bool init : {true, false}) {
    SCOPED_TRACE(init ? "INIT" : "a file, edited");
    // Base.pr4 is the program list's entry.
    VQEditor& e = StartEditedBase(init ? "init" : "file");
    if (init) Press(vq_param::kInitButton);
    const std::string shown = StatusText();
    const std::string proposed = e.Browser().SelectedFile(VQEditor::kSaveSelector);
    Gui()->fileAnswers = {folder + "fetched.pr4"};
    Set(301, 4);
    Set(302, 1);
    link->Pump();
    Saved(e);
    ExpectSlotSaved(folder + "fetched.pr4", 5);
    EXPECT_EQ(StatusText(), shown);
    EXPECT_EQ(e.Browser().SelectedFile(VQEditor::kSaveSelector), proposed);
    e.SaveEditorState();
    EXPECT_EQ(Ini("program", "lastfile"), init ? "" : folder + "Base.pr4");
    if (init) {
      EXPECT_EQ(Ini("program", "name"), "INIT");
    }
  }
}

// A fetched program's save that fails after another transfer began: the other runs to its end,
// and a second FETCH's dump stays offered and is saved as the slot it names. Once its save has
// started the dump is offered no more: SAVE writes the program on screen. The failure offers it
// again only where no other dump came or was asked for since.
TEST_F(ProgramControlsTest, AFetchedProgramsSaveEndingLateTouchesNoOtherTransfer) {
  vq::platform::HeadlessBackend& panels = vq::platform::installHeadless();
  vq::test::SlowDisk& disk = vq::test::SlowDisk::Get();
  const vq::test::SlowDisk::LetGoAtTheEnd letGo;
  int row = 0;
  for (const std::string second :
       {"Save All", "RECEIVE", "FETCH", "SAVE", "SAVE's panel", "File > Save's panel"}) {
    SCOPED_TRACE(second);
    sim = vqsim::SimEngine();
    sim.FillSlots(true);
    VQEditor& e = SimLinkedEditorTest::Start("late" + std::to_string(++row));
    ConnectProgramManager(e, InstallProgramManager(e, DbClientOptions{}));
    Gui()->fileAnswers = {folder + "fetched.pr4", ""};  // the second FETCH's panel cancelled
    disk.HoldTheNext();
    Set(301, 4);
    Set(302, 1);
    link->Pump();
    ASSERT_TRUE(disk.WaitUntilAWriteIsStuck());
    const std::string down = dir + "/down" + std::to_string(row);
    std::filesystem::create_directories(down);
    if (second == "Save All") {
      panels.panelAnswers.push_back({std::vector<std::string>{down}, 0});
      e.OnCommand(21);
    } else if (second == "RECEIVE") {
      e.SetManagerPageShown(true);
      Gui()->messageBoxAnswer = 1;
      Set(320, 1);
      Set(320, 0);
      e.SetManagerPageShown(false);
    } else if (second == "SAVE") {
      Set(kMarkerField + kFieldParamOffset, 44);
      e.Browser().SetSelectedFile(VQEditor::kSaveSelector, folder + "mine.pr4");
      Set(203, Value(203) > 0.5 ? 0 : 1);
    } else if (second == "FETCH") {
      Set(301, 6);
      Set(302, 0);
      link->Pump();
      ASSERT_TRUE(e.Link().ReceivedDumpPending());
    }
    std::filesystem::create_directories(folder + "fetched.pr4");  // the rename fails
    disk.Hold(false);
    e.WaitForProgramSaves();
    // The failure ends while the user's own panel is up: what that panel saves was fixed as it
    // opened, and the dump offered again stays offered.
    const bool panel = second.find("panel") != std::string::npos;
    if (panel) {
      Set(kMarkerField + kFieldParamOffset, 44);
      Gui()->ticksWhileUp = 6;
      Gui()->fileAnswers = {folder + "mine.pr4"};
      if (second == "SAVE's panel")
        Press(vq_param::kSaveButton);
      else
        e.SaveProgramWithPanel();
      Gui()->ticksWhileUp = 0;
      Saved(e);
      e.OnTick();  // the failure's box, once the panel is closed
      ASSERT_FALSE(Gui()->messageBoxes.empty());
      EXPECT_EQ(Gui()->messageBoxes.back().text,
                "The program fetched from the VQ cannot be written to\n" + folder + "fetched.pr4!");
      Gui()->fileAnswers = {""};
      e.SaveProgramWithPanel();
    }
    link->Pump();  // the first save's end, then the rest of the second transfer
    EXPECT_FALSE(e.Link().BankDownloadRunning() || e.Link().RequestOutstanding());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(down), {}),
              second == "Save All" ? 99 : 0);
    const auto bank = std::count_if(e.Browser().Slots().begin(), e.Browser().Slots().end(),
                                    [](const ProgramSlot& s) { return !s.empty; });
    if (second == "RECEIVE") {
      EXPECT_EQ(bank, 99);
    }
    EXPECT_EQ(sim.State().requests, second == "FETCH" ? 2u : second == "SAVE" || panel ? 1u : 100u);
    EXPECT_EQ(Gui()->filePanels, second == "FETCH" ? 2 : panel ? 3 : 1);
    EXPECT_EQ(e.Link().ReceivedDumpPending(), second == "FETCH" || second == "SAVE" || panel);
    if (second == "SAVE" || panel) {
      ProgramFileContent mine;
      ASSERT_EQ(ReadProgramFile((folder + "mine.pr4").c_str(), mine), ProgramFileError::kNone);
      EXPECT_EQ(mine.record[kMarkerField], 44);
    }
    if (second != "FETCH") continue;
    // Still offered: File > Save's panel, were it to cancel, keeps it so; saved, it is slot 7.
    ASSERT_TRUE(e.Link().ReceivedDumpPending() && e.Link().HoldsReceivedDump());
    e.Browser().SetSelectedFile(VQEditor::kSaveSelector, folder + "second.pr4");
    Set(203, Value(203) > 0.5 ? 0 : 1);
    Saved(e);
    ExpectSlotSaved(folder + "second.pr4", 7);
  }
  vq::platform::installHeadless();
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
    EXPECT_FALSE(e.Link().RequestOutstanding() || e.Link().RequestPending()) << c.what;
    EXPECT_FALSE(e.Link().ReceivedDumpPending()) << c.what;
    e.Browser().SetSelectedFile(VQEditor::kSaveSelector, folder + "mine.pr4");
    Set(203, 1);
    Saved(e);
    ProgramFileContent content;
    ASSERT_EQ(ReadProgramFile((folder + "mine.pr4").c_str(), content), ProgramFileError::kNone)
        << c.what;
    EXPECT_EQ(content.record[kMarkerField], 44) << c.what;
  }
}

// A box or panel runs the idle call in its nested loop, which opens none of its own meanwhile
// (menus and modal windows count as up too: the platform's own tests): a fetched dump's Save
// panel and the boxes the status poll posts come once it closed, in order, and Ctrl+S's panel
// saves the edited program.
TEST_F(ProgramControlsTest, OneBoxOrPanelAtATime) {
  auto timeOut = [](VQEditor& e) {  // a fetch times out: its box waits to be shown
    e.Link().SetRequestOutstanding(true);
    e.Link().SetUnansweredPolls(2);
    e.StatusPoll();
  };
  auto captions = [this] {
    std::vector<std::string> out;
    for (const auto& box : Gui()->messageBoxes) out.push_back(box.caption);
    return out;
  };
  // An upload of a folder with gaps is asked for as a fetch times out.
  auto gapsAndTimeOut = [this, timeOut](VQEditor& e) {
    Program("01_A.pr4", 1);
    Program("03_C.pr4", 3);
    e.Browser().SetTransferFolder(folder);
    e.Link().SetBankUploadRequest(true);
    Gui()->messageBoxAnswer = 2;  // skip the gaps
    timeOut(e);
  };
  using Captions = std::vector<std::string>;
  auto shows = [&](Captions expected) {  // what opened once it closed, in order
    return [&, expected](VQEditor&) { EXPECT_EQ(captions(), expected); };
  };
  struct Case {
    const char* what;
    std::function<void(VQEditor&)> open;   // with something waiting to open on top
    std::function<void(VQEditor&)> check;  // once it closed and the idle call ran again
  } cases[] = {
      {"Ctrl+S's panel as a fetched dump arrives",
       [&](VQEditor& e) {
         Set(kMarkerField + kFieldParamOffset, 33);
         sim.FillSlots(true);
         Set(301, 4);
         Set(302, 1);
         e.OnTick();
         link->Deliver();
         ASSERT_TRUE(e.Link().DumpReceived());
         Gui()->fileAnswers = {folder + "mine.pr4", ""};  // the dump's panel, if open, cancels
         e.OnCommand(3);
         e.WaitForProgramSaves();
       },
       [&](VQEditor& e) {
         ProgramFileContent content;
         ASSERT_EQ(ReadProgramFile((folder + "mine.pr4").c_str(), content),
                   ProgramFileError::kNone);
         EXPECT_EQ(content.record[kMarkerField], 33);
         EXPECT_EQ(Gui()->filePanels, 2);
         EXPECT_TRUE(e.Link().ReceivedDumpPending());
       }},
      {"the unsaved-changes question",
       [&](VQEditor& e) {
         Program("01_A.pr4", 1);
         Set(kMarkerField + kFieldParamOffset, 34);
         timeOut(e);
         Gui()->messageBoxAnswer = 2;  // Cancel
         e.LoadProgramFileToEditor((folder + "01_A.pr4").c_str());
       },
       shows({"Warning", "Error"})},
      {"the Load panel", [&](VQEditor& e) { timeOut(e), Press(202); }, shows({"Error"})},
      {"the Load panel as a write is acknowledged, with unsaved edits",
       [&](VQEditor& e) {
         Program("12_Lead.pr4", 77);
         e.Browser().SetSelectedFile(VQEditor::kWriteSelector, folder + "12_Lead.pr4");
         e.SetProgramEdited(false);  // the write asks nothing: the edits come after
         Set(205, 1);
         Set(kMarkerField + kFieldParamOffset, 44);
         link->Deliver();
         Gui()->messageBoxAnswer = 7;  // Discard
         Press(202);
       },
       [&](VQEditor&) {
         EXPECT_EQ(captions(), Captions{"Warning"});
         EXPECT_EQ(Marker(), 77);
       }},
      {"the upload's gap question", [&](VQEditor& e) { gapsAndTimeOut(e), e.OnTick(); },
       shows({"Warning", "Error"})},
      {"a posted box as an upload is asked for",
       [&](VQEditor& e) { gapsAndTimeOut(e), e.ShowPostedMessageBoxes(); },
       shows({"Error", "Warning"})},
  };
  int row = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim = vqsim::SimEngine();
    VQEditor& e = SimLinkedEditorTest::Start("row" + std::to_string(++row));
    Gui()->ticksWhileUp = 6;
    c.open(e);
    e.OnTick();
    EXPECT_EQ(Gui()->mostUp, 1);
    c.check(e);
  }
}

TEST_F(ProgramControlsTest, SendingAFileWritesItsSlotAndLoadsIt) {
  VQEditor& e = Start();
  Program("12_Lead.pr4", 77);
  e.Browser().SetSelectedFile(VQEditor::kWriteSelector, folder + "12_Lead.pr4");
  Set(205, 1);
  EXPECT_TRUE(e.Link().SingleWritePending());
  link->Pump();
  EXPECT_FALSE(e.Link().SingleWritePending());
  EXPECT_EQ(sim.State().slots[11].bytes[kMarkerField],
            ProgramFieldTable::DeviceByte(kMarkerField, 77));
  EXPECT_EQ(Marker(), 77);
  EXPECT_EQ(e.Browser().CurrentListName(), "12_Lead.pr4");
  e.StatusPoll();
  EXPECT_EQ(StatusText(), "Finished successfully!");

  // A file that cannot be sent leaves no wait behind.
  e.Browser().SetSelectedFile(VQEditor::kWriteSelector, folder + "missing_99.pr4");
  Set(205, 0);
  EXPECT_FALSE(e.Link().SingleWritePending());
}

// Names are cut to 32 bytes between characters on screen; the synthesizer receives the first 32
// characters, each as one byte it can show.
TEST_F(ProgramControlsTest, NamesAreCutBetweenCharacters) {
  VQEditor& e = Start();
  const struct {
    const char* file;
    const char* shown;
    const char* device;
  } rows[] = {
      {"05abcdefghijklmnopqrstuvwxyzAB\u20AC.pr4", "05abcdefghijklmnopqrstuvwxyzAB",
       "05abcdefghijklmnopqrstuvwxyzAB_"},
      {"06abcdefghijklmnopqrstuvwxyzAB\U0001F3B9.pr4", "06abcdefghijklmnopqrstuvwxyzAB",
       "06abcdefghijklmnopqrstuvwxyzAB_"},
      {"07 Caf\u00E9 Cr\u00E8me.pr4", "07 Caf\u00E9 Cr\u00E8me", "07 Caf_ Cr_me"},
      {"08\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9"
       "\u00E9\u00E9\u00E9.pr4",
       "08\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9"
       "\u00E9",
       "08_________________"},
      {"09abcdefghijklmnopqrstuvwxyz\u00C4\u00C4\u00C4\u00C4\u00C4.pr4",
       "09abcdefghijklmnopqrstuvwxyz\u00C4\u00C4", "09abcdefghijklmnopqrstuvwxyz____"},
  };
  for (const auto& row : rows) {
    const std::string path = folder + row.file;
    e.Browser().SetSelectedFile(VQEditor::kSaveSelector, path);
    Set(203, Value(203) > 0.5 ? 0 : 1);
    Saved(e);
    EXPECT_EQ(e.ProgramName(), row.shown) << row.file;
    EXPECT_EQ(StatusText(), row.shown) << row.file;
    e.Browser().SetSelectedFile(VQEditor::kWriteSelector, path);
    Set(205, Value(205) > 0.5 ? 0 : 1);
    link->Pump();
    const int slot = (row.file[0] - '0') * 10 + (row.file[1] - '0');
    EXPECT_EQ(sim.State().slots[static_cast<size_t>(slot - 1)].NameText(), row.device) << row.file;
  }
}

TEST_F(ProgramControlsTest, FolderButtonUploadsTheChosenFolder) {
  VQEditor& e = Start();
  Program("01_A.pr4", 1);
  Program("02_B.pr4", 2);
  auto backend = std::make_unique<vq::platform::HeadlessBackend>();
  vq::platform::HeadlessBackend* headless = backend.get();
  vq::platform::installBackend(std::move(backend));
  headless->panelAnswers.push_back({std::nullopt, 0});  // cancelled
  // While the panel is up, MIDI input and the status poll can have the editor.
  bool free = false;
  AnswerPanelWatching(*headless, std::vector<std::string>{dir + "/progs"}, e.Mutex(), &free);
  Gui()->messageBoxAnswer = 2;  // skip the gaps

  Press(207);
  EXPECT_FALSE(e.Link().BankUploadRequest());
  Press(207);
  EXPECT_TRUE(free);
  EXPECT_TRUE(e.Link().BankUploadRequest());
  EXPECT_EQ(e.Browser().TransferFolder(), folder);
  EXPECT_EQ(e.Browser().CurrentProgramFolder(), "");
  link->Pump();
  EXPECT_EQ(sim.State().writesAccepted, 2u);
  EXPECT_FALSE(e.Link().BankUploadRunning());
  EXPECT_TRUE(e.Link().TransferDone());
  // So can they while the Load, Save and Write buttons' file panels are up.
  for (int button : {202, 204, 206}) Press(button);
  EXPECT_EQ(std::pair(Gui()->filePanels, Gui()->filePanelsHoldingThePlug), std::pair(3, 0));
}

TEST_F(ProgramControlsTest, GroupEditsNeedAGroup) {
  VQEditor& e = Start();
  size_t mark = Mark();
  Press(214);
  Press(215);
  EXPECT_TRUE(CcsSince(mark).empty());

  Set(kMarkerField + kFieldParamOffset, 50);
  Press(216);
  EXPECT_EQ(e.SelectedGroups(), vq_param::kGroupCount);
  for (int g = 0; g < vq_param::kGroupCount; ++g) EXPECT_EQ(Value(vq_param::kVco1 + g), 1.0);
  Press(215);  // initialise all twelve groups
  EXPECT_EQ(e.SelectedGroups(), 0);
  for (int g = 0; g < vq_param::kGroupCount; ++g) EXPECT_EQ(Value(vq_param::kVco1 + g), 0.0);
  // Group-INIT values replaced the program's (the edit itself belongs to the editing code).
  EXPECT_EQ(Marker(), ProgramFieldTable::kGroupInit[kMarkerField]);
  EXPECT_EQ(e.ParamInt(6 + kFieldParamOffset), ProgramFieldTable::kGroupInit[6]);

  Set(vq_param::kVco1 + 3, 1);
  Press(217);
  EXPECT_EQ(e.SelectedGroups(), 0);
  EXPECT_EQ(Value(vq_param::kVco1 + 3), 0.0);
}

// Every change of a loaded program marks it edited ("*Lead*"), and undo and redo give the
// name and the mark back with the values: a knob, RANDOM, the delay tab that changes the delay
// model, and INIT (a program of its own, unedited).
TEST_F(ProgramControlsTest, ChangesAreMarkedAndUndoRestoresNameAndMark) {
  VQEditor& e = Start();
  Program("Lead.pr4", 7);
  Gui()->messageBoxAnswer = 7;  // each reload discards the row before
  const struct {
    const char* what;
    std::function<void()> change;
    const char* shown;  // the name shown after the change
  } rows[] = {
      {"a knob", [&] { Set(kMarkerField + kFieldParamOffset, 40); }, "*Lead*"},
      {"RANDOM",
       [&] {
         Press(216);
         Press(214);
         Press(217);
       },
       "*Lead*"},
      {"the long-delay tab", [&] { Set(vq_param::kFxLongDelayBlock, 1); }, "*Lead*"},
      {"INIT", [&] { Press(213); }, "INIT"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Set(vq_param::kFxVintageModulationBlock, 1);
    ASSERT_TRUE(e.LoadChosenProgramFile(folder + "Lead.pr4"));
    ASSERT_EQ(StatusText(), "Lead");
    const ProgramRecord loaded = (e.PackParamsToRecord(), e.Record());
    row.change();
    EXPECT_NE((e.PackParamsToRecord(), e.Record()), loaded);
    EXPECT_EQ(StatusText(), row.shown);
    EXPECT_EQ(e.ProgramEdited(), row.shown[0] == '*');
    e.Undo();
    EXPECT_EQ((e.PackParamsToRecord(), e.Record()), loaded);
    EXPECT_EQ(StatusText(), "Lead");
    EXPECT_FALSE(e.ProgramEdited());
    e.Redo();
    EXPECT_EQ(StatusText(), row.shown);
  }
}

// A save's end comes in the idle call after its file reached the disk, whatever came after it:
// it names only the program it saved (its steps in the history too), with the file's values and
// a fresh history only while that program is as saved. The unsaved-changes question's Save lets
// the window go on meanwhile; its load follows only if nothing was done to the program since,
// whatever other save ends first.
TEST_F(ProgramControlsTest, ASaveEndingLateKeepsWhatCameAfterIt) {
  const int init = ProgramFieldTable::InitRecord()[kMarkerField];
  const auto saveTo = [&](const char* name) {
    Gui()->fileAnswers = {folder + name};
    editor->SaveProgramWithPanel();
  };
  const auto undo = [&] { editor->Undo(); };
  const auto redo = [&] { editor->Redo(); };
  const auto undoRedo = [&] {
    editor->Undo();
    editor->Redo();
  };
  const auto load = [&](const char* name, std::function<void()> next = {}) {
    return editor->LoadChosenProgramFile(folder + name, std::move(next));
  };
  const struct {
    const char* what;
    bool asked;  // saved by the question of a load of "Other"
    std::function<void()> meanwhile;
    int marker;  // the program's afterwards
    bool edited;
    const char* name;
    bool follows = false;          // the load the question asked for follows the saves
    std::function<void()> before;  // after the edit, before the save
    std::function<void()> after;   // once the saves have ended
    // What was done, and the saves' end, show the name once, with its mark: nothing between.
    bool shownOnce = false;
  } rows[] = {
      {"nothing", false, [] {}, 40, false, "saved"},
      {"an edit",
       false,
       [&] { Set(kMarkerField + kFieldParamOffset, 41); },
       41,
       true,
       "saved",
       false,
       {},
       {},
       true},
      {"an edit undone, then redone",
       false,
       [&] {
         Set(kMarkerField + kFieldParamOffset, 41);
         editor->Undo();
       },
       41,
       true,
       "saved",
       false,
       {},
       redo},
      // Redo gives the saved values back under the file's name, unmarked, and Undo the values
      // before under it, marked.
      {"the saved edit undone", false, undo, 40, false, "saved", false, {}, redo},
      {"the saved edit undone and redone", false, undoRedo, 30, true, "saved", false, {}, undo},
      {"a load with Discard",
       false,
       [&] {
         Gui()->messageBoxAnswer = 7;
         EXPECT_TRUE(load("Other.pr4"));
       },
       9,
       false,
       "Other",
       false,
       {},
       {},
       true},
      {"an edit, then the question's Save cancelled", false,
       [&] {
         Set(kMarkerField + kFieldParamOffset, 41);
         Gui()->fileAnswers = {""};
         EXPECT_FALSE(load("Other.pr4", [&] { load("Other.pr4"); }));
       },
       41, true, "saved"},
      {"INIT", false, [&] { Press(213); }, init, false, "INIT"},
      // Undo back past INIT: the saved program under the file's name, as the file.
      {"INIT, then Undo once the file is on disk",
       false,
       [&] { Press(213); },
       40,
       false,
       "saved",
       false,
       {},
       undo},
      {"INIT, then Undo and Redo once the file is on disk",
       false,
       [&] { Press(213); },
       init,
       false,
       "INIT",
       false,
       {},
       undoRedo},
      {"INIT saved, then Undo", false,
       [&] {
         Press(213);
         saveTo("init.pr4");
         editor->WaitForProgramSaves();
         editor->Undo();
       },
       40, false, "saved"},
      {"the question's Save, then nothing", true, [] {}, 9, false, "Other", true},
      {"the question's Save, then an edit", true,
       [&] { Set(kMarkerField + kFieldParamOffset, 42); }, 42, true, "saved"},
      {"the question's Save, then Undo", true, undo, 40, false, "saved", false, {}, redo, true},
      {"the question's Save, then INIT",
       true,
       [&] { Press(213); },
       init,
       false,
       "INIT",
       false,
       {},
       {},
       true},
      {"the question's Save, then another load chosen", true,
       [&] { EXPECT_FALSE(load("Base.pr4", [&] { load("Base.pr4"); })); }, 30, false, "Base", true},
      {"the question's Save, then a load once the file is on disk", true,
       [&] {
         const vq::platform::BoxOrPanelShown box;
         editor->OnTick();
         EXPECT_TRUE(load("Base.pr4"));
       },
       30, false, "Base"},
      {"the question's Save, then Redo", true, redo, 40, true, "saved", false,
       [&] {
         Set(vq_param::kFxLongDelayBlock, 1);
         editor->Undo();
       }},
      {"a save on its way, then the question's Save", true, [] {}, 9, false, "Other", true,
       [&] { saveTo("first.pr4"); }},
      {"a save on its way, then another", false, [] {}, 40, false, "saved", false,
       [&] { saveTo("first.pr4"); }},
      // The save's start ends the knob's run: the saved values stay a step of their own.
      {"the knob turned again, then Undo once the file is on disk",
       false,
       [&] { Set(kMarkerField + kFieldParamOffset, 41); },
       40,
       false,
       "saved",
       false,
       {},
       undo},
      // The history kept through the save's end: Undo reaches the program before the edit.
      {"an edit set back before the save, Undo, then Undo once the file is on disk", false, undo,
       30, true, "saved", false,
       [&] {
         const int other = kMarkerField + 1 + kFieldParamOffset;
         const double was = Value(other);
         Set(other, was > 0 ? 0 : 1);
         Set(other, was);
       },
       undo},
  };
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    VQEditor& e = StartEditedBase("late" + std::to_string(++n));
    if (row.before) row.before();
    Gui()->messageBoxAnswer = 1;  // Save
    if (row.asked) {
      Gui()->fileAnswers = {folder + "saved.pr4"};
      EXPECT_FALSE(load("Other.pr4", [&] { EXPECT_TRUE(load("Other.pr4")); }));
      EXPECT_EQ(StatusText(), "Saving...");
    } else {
      saveTo("saved.pr4");
    }
    e.WaitForProgramSaves();
    const auto shownOnce = [&] {
      if (row.shownOnce) {
        EXPECT_EQ(StatusTexts(), std::vector<std::string>(StatusTexts().size(), StatusText()));
      }
      StatusTexts().clear();
    };
    StatusTexts().clear();
    row.meanwhile();
    shownOnce();
    // Anything done to the program drops the load at once: its name shows again.
    EXPECT_EQ(StatusText() == "Saving...", row.asked && row.follows);
    {
      // A box up as the saves end holds the load they let follow until it closes.
      const vq::platform::BoxOrPanelShown box;
      e.OnTick();
    }
    EXPECT_EQ(e.HasIdleWork(), row.follows);
    e.OnTick();
    shownOnce();
    if (row.after) row.after();
    EXPECT_EQ(Marker(), row.marker);
    EXPECT_EQ(e.ProgramEdited(), row.edited);
    EXPECT_EQ(e.ProgramName(), row.name);
    EXPECT_EQ(StatusText(), row.edited ? "*" + std::string(row.name) + "*" : row.name);
    // The file kept at quit is the one the name says.
    EXPECT_EQ(e.ProgramWithoutFile() ? "" : vq::platform::NameOfPath(e.ProgramFile()),
              row.marker == init ? "" : std::string(row.name) + ".pr4");
    ProgramFileContent content;
    ASSERT_EQ(ReadProgramFile((folder + "saved.pr4").c_str(), content), ProgramFileError::kNone);
    EXPECT_EQ(content.record[kMarkerField], 40);
  }
}

// The load a question's Save holds follows that save alone, once its file is on disk: not the
// end of an earlier save, nor a failed save, which keeps the edits.
TEST_F(ProgramControlsTest, AQuestionsSaveLetsItsLoadFollowOnlyItsOwnFile) {
  vq::test::SlowDisk& disk = vq::test::SlowDisk::Get();
  const vq::test::SlowDisk::LetGoAtTheEnd letGo;
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "the question's Save fails" : "an earlier save ends first");
    VQEditor& e = StartEditedBase(fails ? "fails" : "earlier");
    Gui()->messageBoxAnswer = 1;  // Save
    if (fails) {
      std::filesystem::create_directories(folder + "saved.pr4");  // the rename fails
    } else {
      Gui()->fileAnswers = {folder + "first.pr4"};
      e.SaveProgramWithPanel();
      e.WaitForProgramSaves();  // on disk; its end comes with the next idle call
      disk.HoldTheNext();
    }
    Gui()->fileAnswers = {folder + "saved.pr4"};
    EXPECT_FALSE(e.LoadChosenProgramFile(
        folder + "Other.pr4", [&] { EXPECT_TRUE(e.LoadChosenProgramFile(folder + "Other.pr4")); }));
    if (fails)
      e.WaitForProgramSaves();
    else
      ASSERT_TRUE(disk.WaitUntilAWriteIsStuck());
    e.OnTick();
    e.OnTick();
    // Its edits kept: after a failure, for good; else until its own file is on disk.
    EXPECT_EQ(StatusText(), fails ? "Cannot write the program file!" : VQEditor::kSavingText);
    EXPECT_EQ(Marker(), 40);
    if (fails) continue;
    disk.Hold(false);
    e.WaitForProgramSaves();
    e.OnTick();
    e.OnTick();
    EXPECT_EQ(e.ProgramName(), "Other");
  }
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
