// The program-manager page: slot shifts, drops, the bank list's edit modes, a bank written to
// a folder and read back, the scratch folder brought in line, the page's controls, online
// browsing against the HTTPS stand-in and the remembered login.
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <cstring>

#include "db_test_server.h"
#include "editor/gui/editor_pages.h"
#include "freed_memory_scan.h"
#include "library/bank_transfer.h"
#include "library/credential_cache.h"
#include "library/program_manager.h"
#include "library/slot_table.h"
#include "platform/headless.h"
#include "program_library_fixture.h"

namespace vqtest {
namespace {

namespace fsys = std::filesystem;

// Slots from `first` on as letters ('.' empty); the letter is the program's name.
std::vector<ProgramSlot> Table(const std::string& layout, const std::vector<int>& selected,
                               int first = 1) {
  std::vector<ProgramSlot> t(kSlotTableSize);
  for (size_t i = 0; i < layout.size(); ++i) {
    if (layout[i] == '.') continue;
    ProgramSlot& s = t[first + i];
    s.empty = 0;
    s.category = kSlotCategoryPlain;
    s.name[0] = layout[i];
  }
  for (int s : selected) t[static_cast<size_t>(s)].selected = 1;
  return t;
}

std::string Layout(const std::vector<ProgramSlot>& t, size_t n = 12, size_t first = 1) {
  std::string out;
  for (size_t i = first; i < first + n; ++i) out += t[i].empty ? '.' : t[i].name[0];
  return out;
}

TEST(ManagerGeometry, DropsLandOnProgramSlotsOfTheGridOnly) {
  const struct {
    int x, y, width, slot;
  } cases[] = {
      {1120, 788, 1140, 99}, {2240, 1576, 2280, 99},  // bottom-right corner, also at twice the size
      {1139, 300, 1140, 29},                          // right edge: last column of its own row
      {1139, 799, 1140, 99}, {400, 120, 1140, 1},
      {320, 120, 1140, 0},  // cell 0 holds no program
      {308, 500, 1140, -1},  {700, 108, 1140, -1},
      {0, 0, 1140, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DropTargetSlot(c.x, c.y, c.width), c.slot) << c.x << "," << c.y;
}

TEST(SlotShift, EveryProgramIsKept) {
  const struct {
    const char* before;
    std::vector<int> selected;
    int target;
    ManagerEditMode mode;
    const char* after;
    int first = 1;
  } cases[] = {
      {"ab..........", {1, 2}, 5, kModeMove, "....ab......"},
      {"ab.d........", {1, 2, 4}, 3, kModeMove, "..ab.d......"},  // 4 is taken before 2 lands on it
      {"..cd........", {3, 4}, 4, kModeMove, "...cd......."},
      {"ab..x.......", {1, 2}, 4, kModeMove, "...ab......."},  // x overwritten (asked first)
      {"ab..........", {1, 2}, 2, kModeCopy, "aab........."},
      {"ab.d........", {1, 2, 4}, 3, kModeCopy, "abab.d......"},
      {"ab..ef......", {1, 2}, 5, kModeSwap, "ef..ab......"},
      {"abc.........", {1, 2}, 2, kModeSwap, "cab........."},
      {"ab.d.f......",
       {1, 2, 4},
       3,
       kModeSwap,
       ".fab.d......"},  // what the block displaces fills its gaps
  };
  for (const auto& c : cases) {
    std::vector<ProgramSlot> t = Table(c.before, c.selected, c.first);
    ShiftSelectedSlots(t, c.target, c.mode);
    EXPECT_EQ(Layout(t, std::strlen(c.before), c.first), c.after) << c.before << " -> " << c.target;
    for (const ProgramSlot& s : t) EXPECT_EQ(s.selected, 0);
  }
}

// Every block that touches slot 99, shifted anywhere: a shift past 99 is refused whole, any
// other keeps every program (copies keep their sources).
TEST(SlotShift, NoBlockTouchingTheLastSlotLosesAProgram) {
  for (ManagerEditMode mode : {kModeMove, kModeCopy, kModeSwap})
    for (int first = 90; first <= 99; ++first)
      for (int target = 1; target <= 99; ++target) {
        std::vector<int> block;
        for (int s = first; s <= 99; ++s) block.push_back(s);
        std::string layout(99, '.');
        for (int s = 1; s <= 99; s += 3) layout[static_cast<size_t>(s - 1)] = 'a' + s % 26;
        for (int s : block) layout[static_cast<size_t>(s - 1)] = 'A' + s % 26;
        std::vector<ProgramSlot> t = Table(layout, block);
        const bool past = target + 99 - first > 99;
        EXPECT_EQ(ShiftRunsPastLastSlot(t, target), past);
        ShiftSelectedSlots(t, target, mode);
        const std::string after = Layout(t, 99);
        if (past) {
          EXPECT_EQ(after, layout) << mode << " " << first << " -> " << target;
          continue;
        }
        for (int s : block)
          EXPECT_NE(after.find(static_cast<char>('A' + s % 26)), std::string::npos)
              << mode << " " << first << " -> " << target;
      }
}

TEST(SlotTexts, NamesAndPathsAreNeverCutIntoSomethingElse) {
  std::string e2;
  for (int i = 0; i < 40; ++i) e2 += "\u00e9";  // two bytes each
  EXPECT_TRUE(IsValidUtf8(ParseSlotFileName("01_" + e2 + ".pr4").name));
  EXPECT_EQ(ParseSlotFileName("01_" + e2 + ".pr4").name.size(),
            30u);  // "_" + 15 letters, then "_" dropped
  EXPECT_TRUE(IsValidUtf8(WrapDisplayName("a" + e2)));
  EXPECT_TRUE(IsValidUtf8(Utf8Prefix("a" + e2, 32)));
  EXPECT_EQ(Utf8Prefix("a" + e2, 32).size(), 31u);
}

class ManagerTest : public LibraryEditorTest {
 protected:
  VQEditor& Start() {
    panels = &vq::platform::installHeadless();  // the folder panel answers from its script
    VQEditor& e = MakeWithLibrary();
    InstallProgramTransfers(e);
    Install(e);
    e.SetManagerPageShown(true);
    bankFolder = Folder() + "bank/";
    fsys::create_directories(bankFolder);
    return e;
  }
  // The manager as the program installs it at start, with the given database client settings
  // (long lists on a loaded machine take their time).
  void Install(VQEditor& e, DbClientOptions options = DbTestServer::Get().Options(),
               long totalTimeoutMs = 20000) {
    options.totalTimeoutMs = totalTimeoutMs;
    m = &InstallProgramManager(e, options);
    m->SetBrowserEventReader([this] { return browser; });
    m->SetBankEventReader([this] { return bank; });
  }
  void Press(int param) {
    Set(param, 1);
    Set(param, 0);
  }
  void BankEvent(int kind, int slot, int modifier = kListPlain) {
    bank = {kind, modifier, 0, 0};
    Set(339, slot);
  }
  // A program file whose first field is `marker`.
  std::string Program(const std::string& path, int marker = 0) {
    ProgramRecord r;
    r[0] = marker;
    WriteFile(path, FormatProgramText(r));
    return path;
  }
  void Fill(int slot, const std::string& path, const std::string& name,
            int category = kSlotCategoryPlain) {
    EnterProgramIntoSlot(*editor, slot, category, path, name);
  }
  std::string BankLayout() const { return Layout(editor->Browser().Slots()); }
  TestGraphics& G() { return *Gui(); }
  std::vector<std::string> Listing(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fsys::directory_iterator(folder))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  bool Online() const { return DbTestServer::Get().Ready(); }
  std::string RowText(int i) const {
    return dynamic_cast<EditorTextControl*>(Page().BrowserRow(i))->Text();
  }

  ProgramManager* m = nullptr;
  ListEvent browser, bank;
  // The folder the user picks in the next folder panel.
  void AnswerFolder(const std::string& folder) {
    vq::platform::PanelAnswer answer;
    answer.paths = std::vector<std::string>{folder};
    panels->panelAnswers.push_back(answer);
  }
  void TearDown() override {
    LibraryEditorTest::TearDown();
    vq::platform::installHeadless();
  }

  vq::platform::HeadlessBackend* panels = nullptr;
  std::string bankFolder;
};

TEST_F(ManagerTest, DropsAskBeforeLosingAProgramAndGoOnOnlyOnYes) {
  Start();
  // Slots 1, 2 (selected) and 4 hold a, b, x.
  const struct {
    int button;
    bool confirm;
    int drop, answer;
    size_t boxes;
    const char* after;
  } cases[] = {
      {324, true, 1, 1, 1, "...x........"},
      {324, true, 1, 7, 1, "ab.x........"},
      {324, true, 1, 2, 1, "ab.x........"},
      {324, true, 1, 0, 1, "ab.x........"},  // a dismissed box is a No
      {324, true, 5, 1, 0, "ab.x........"},  // a drop on an empty slot does nothing
      {325, true, 2, 7, 0, ".abx........"},  // a moved program that moves on is not lost
      {325, true, 3, 7, 1, "ab.x........"},
      {325, true, 3, 1, 1, "..ab........"},
      {325, true, 99, 1, 1, "ab.x........"},  // past slot 99: a box says nothing was changed
      {324, false, 5, 7, 0, "...x........"},  // the user unticks ASK: no question
  };
  for (const auto& c : cases) {
    for (int s = 1; s <= 12; ++s) editor->Browser().Slots()[static_cast<size_t>(s)] = ProgramSlot{};
    Fill(1, bankFolder + "1", "a");
    Fill(2, bankFolder + "2", "b");
    Fill(4, bankFolder + "4", "x");
    editor->Browser().Slots()[1].selected = editor->Browser().Slots()[2].selected = 1;
    // ASK is ticked from start-up on; only the last case unticks it.
    if (!c.confirm) Set(330, 0);
    Set(c.button, 1);
    G().messageBoxes.clear();
    G().messageBoxAnswer = c.answer;
    BankEvent(kListDrop, c.drop);
    EXPECT_EQ(BankLayout(), c.after) << c.button << " " << c.drop << " " << c.answer;
    editor->OnTick();  // shows a notice
    EXPECT_EQ(G().messageBoxes.size(), c.boxes);
    // MIDI input and the status poll can have the editor while a box is up.
    for (const auto& box : G().messageBoxes) EXPECT_TRUE(box.plugFree) << box.text;
    Set(c.button, 0);
  }
}

// The page's own controls, fed as the window feeds them: the row and the cell under the pointer
// are the ones acted on (the row shown there), a wheel notch moves the scroll bar a hundredth,
// and a double-click that loads a slot deselects the browser's rows but the program's own.
TEST_F(ManagerTest, ThePagesControlsActWhereThePointerIs) {
  VQEditor& e = Start();
  ConnectProgramManager(e, *m);
  for (int k = 1; k <= 60; ++k) Program(bankFolder + std::to_string(k + 9) + "_F.pr4", k);
  Fill(5, bankFolder + "19_F.pr4", "P");
  e.Browser().SetFolder(bankFolder.substr(0, bankFolder.size() - 1));
  e.ListProgramFolder(e.Browser().Folder().c_str());
  IMouseMod plain;
  Page().BrowserSelect()->OnMouseDown(100, 118 + 14 * 2 + 7, &plain);
  EXPECT_TRUE(e.Browser().Rows()[2].flags[3]);
  EXPECT_EQ(RowText(2), "11_F.pr4");
  const int x = 308 + 82 * 5 + 41, y = 108 + 34;  // slot 05
  for (auto event : {&IControl::OnMouseDown, &IControl::OnMouseUp, &IControl::OnMouseDblClick})
    (Page().SlotMatrix()->*event)(x, y, &plain);
  EXPECT_EQ(e.Record()[0], 10);
  // The slot's file (19_F) is the program on screen: the list marks it, and it alone.
  auto onlyLoadedMarked = [&] {
    return !e.Browser().Rows()[2].flags[3] && e.Browser().Rows()[10].flags[3] &&
           Page().BrowserRow(2)->GetTextStyle()->mColor.G != 0 &&
           Page().BrowserRow(10)->GetTextStyle()->mColor.G == 0;  // red
  };
  EXPECT_TRUE(onlyLoadedMarked());
  // A file the list refuses, with edits discarded and without: the mark stays on the program
  // loaded while the boxes are up and after, and a box says why. So it does after a visit to the
  // synth page (19_F stays: the program the page came with had no file to go back to).
  WriteFile(bankFolder + "11_F.pr4", "1\n2\n");
  G().messageBoxAnswer = 7;  // Discard
  G().whileBoxShown = [&](auto& box) { EXPECT_TRUE(onlyLoadedMarked()) << box.text; };
  for (bool edited : {true, false}) {
    e.SetProgramEdited(edited);
    G().messageBoxes.clear();
    for (auto event : {&IControl::OnMouseDown, &IControl::OnMouseUp, &IControl::OnMouseDblClick})
      (Page().BrowserSelect()->*event)(100, 118 + 14 * 2 + 7, &plain);
    EXPECT_TRUE(onlyLoadedMarked());
    e.OnTick();
    ASSERT_EQ(G().messageBoxes.size(), edited ? 2u : 1u);
    EXPECT_EQ(G().messageBoxes.back().caption + ": " + G().messageBoxes.back().text,
              "Error: Incomplete program file!");
    EXPECT_TRUE(G().messageBoxes.back().plugFree);
  }
  G().whileBoxShown = nullptr;
  e.OnCommand(32);
  e.OnCommand(33);
  EXPECT_TRUE(onlyLoadedMarked());
  // A program loaded on this page otherwise (the menu, a drop) takes the mark too.
  e.SetProgramEdited(false);
  ASSERT_TRUE(e.LoadProgramFileToEditor((bankFolder + "12_F.pr4").c_str()));
  EXPECT_TRUE(e.Browser().Rows()[3].flags[3] && !e.Browser().Rows()[10].flags[3]);
  Page().BrowserSelect()->OnMouseWheel(100, 300, &plain, -1);
  EXPECT_NEAR(Value(341), 0.99, 1e-9);
}

TEST_F(ManagerTest, SelectionByClicksAndDropsFromTheBrowser) {
  VQEditor& e = Start();
  Program(bankFolder + "Lead.pr4", 1);
  Program(bankFolder + "_BASS_Deep.pr4", 2);
  Program(bankFolder + "42_FX_Noise.pr4", 3);
  e.Browser().SetFolder(bankFolder.substr(0, bankFolder.size() - 1));
  e.ListProgramFolder(e.Browser().Folder().c_str());
  ASSERT_EQ(e.Browser().Rows().size(), 4u);  // "..", then files in numeric order
  auto selected = [&e] {
    std::string s;
    for (const OnlineListRow& r : e.Browser().Rows()) s += r.flags[3] ? '1' : '0';
    return s;
  };
  const struct {
    int kind, modifier, row, button;
    const char* selected;
  } steps[] = {{kListClick, kListPlain, 1, 0, "0100"},
               {kListClick, kListRange, 3, 0, "0111"},
               {kListClick, kListToggle, 2, 0, "0101"},
               {0, 0, 0, 316, "0010"},
               {0, 0, 0, 314, "0111"}};
  for (const auto& s : steps) {
    browser = {s.kind, s.modifier};
    s.button ? Press(s.button) : Set(338, s.row);
    EXPECT_EQ(selected(), s.selected) << s.row << " " << s.button;
  }
  browser = {kListDrop, kListPlain, 320, 120};  // cell 0: nothing lands, a box says why
  Set(338, 1);
  EXPECT_EQ(BankLayout(), "............");
  e.OnTick();
  ASSERT_EQ(G().messageBoxes.size(), 1u);
  EXPECT_TRUE(G().messageBoxes[0].plugFree);
  browser = {kListDrop, kListPlain, 700, 787};  // slot 94: the files fill 94..96 in row order
  Set(338, 1);
  EXPECT_EQ(std::string(e.Browser().Slots()[94].name), "Noise");
  EXPECT_EQ(e.Browser().Slots()[94].category, kSlotCategoryFx);
  EXPECT_EQ(std::string(e.Browser().Slots()[95].name), "Lead");
  EXPECT_EQ(std::string(e.Browser().Slots()[95].path), bankFolder + "Lead.pr4");
  EXPECT_EQ(std::string(e.Browser().Slots()[96].name), "Deep");
  EXPECT_EQ(e.Browser().Slots()[96].category, kSlotCategoryBass);
  EXPECT_FALSE(m->BankSaved());
  // Slots 97..99 take the files once more; then the slots up to 99 are full, and what finds
  // no slot is said in the status line and, as the manager page covers it, in a box.
  const struct {
    int x, y;
    const char* status;
  } again[] = {{700, 787, ""},
               {700, 787, "No empty slot in 94-99: 3 not placed"},
               {1120, 788, "Slot 99 is not empty: 3 not placed"}};
  for (const auto& a : again) {
    e.SetStatusText("");
    G().messageBoxes.clear();
    browser = {kListDrop, kListPlain, a.x, a.y};
    Set(338, 1);
    EXPECT_EQ(StatusText(), a.status);
    e.OnTick();
    EXPECT_EQ(G().messageBoxes.size(), a.status[0] ? 1u : 0u);
    for (const auto& box : G().messageBoxes) EXPECT_TRUE(box.plugFree);
  }
  EXPECT_EQ(std::string(e.Browser().Slots()[99].name), "Deep");
}

TEST_F(ManagerTest, ABankSavedToAFolderReadsBack) {
  VQEditor& e = Start();
  const std::string src = Folder() + "src/";
  fsys::create_directories(src);
  std::string old;
  for (int i = 0; i < kOldProgramLineCount; ++i) old += std::to_string(i % 50) + "\r\n";
  WriteFile(src + "07_Lead.prg", old);
  const std::string newer = Program(src + "x.prg", 5);  // a current file under the old extension
  Program(src + "03_Pad.pr4", 3);
  Fill(7, src + "07_Lead.prg", "Lead", kSlotCategoryFx);
  Fill(5, newer, "x");
  Fill(3, src + "03_Pad.pr4", "Pad");
  // The browser shows the folder saved into: the saved files are listed at once.
  e.Browser().SetFolder(bankFolder.substr(0, bankFolder.size() - 1));
  e.ListProgramFolder(e.Browser().Folder().c_str());
  AnswerFolder(bankFolder);
  Press(321);
  EXPECT_TRUE(m->BankSaved());
  EXPECT_EQ(e.Browser().Rows().size(), 4u);  // ".." and the three
  EXPECT_TRUE(e.Link().TransferDone());
  EXPECT_EQ(Listing(bankFolder),
            (std::vector<std::string>{"03_Pad.pr4", "05_x.pr4", "07_FX_Lead.pr4"}));
  EXPECT_EQ(ReadFile(bankFolder + "05_x.pr4"), ReadFile(newer));
  EXPECT_EQ(ReadFile(bankFolder + "07_FX_Lead.pr4").substr(0, 7), " 244 \r\n");
  ProgramFileContent converted;
  ASSERT_EQ(ReadProgramFile((bankFolder + "07_FX_Lead.pr4").c_str(), converted),
            ProgramFileError::kNone);

  // Load it back: asks first, the bank holds programs. While the question and the panel are
  // up, MIDI input and the status poll can have the editor.
  bool free = false;
  AnswerPanelWatching(*panels, std::vector<std::string>{bankFolder}, e.Mutex(), &free);
  Press(319);
  EXPECT_TRUE(free && G().messageBoxes.back().plugFree);
  EXPECT_EQ(G().messageBoxes.back().text,
            "This operation will remove the current Programs.\nDo you wish to continue?");
  EXPECT_EQ(BankLayout(), "..P.x.L.....");
  EXPECT_EQ(e.Browser().Slots()[7].category, kSlotCategoryFx);
  const auto stamp = fsys::last_write_time(bankFolder + "03_Pad.pr4");
  Press(321);  // into the folder it came from: nothing to write
  EXPECT_EQ(fsys::last_write_time(bankFolder + "03_Pad.pr4"), stamp);
  EXPECT_EQ(Listing(bankFolder).size(), 3u);
  Press(322);  // where the saved files are, told before the upload page opens
  EXPECT_TRUE(G().messageBoxes.back().plugFree);
  G().messageBoxes.clear();
  Press(318);  // NEW on a bank just saved: nothing to lose, nothing asked
  EXPECT_TRUE(G().messageBoxes.empty());
  EXPECT_EQ(BankLayout(), "............");
  // A download into the bank that began while the question was up keeps NEW off, and says so.
  Fill(3, bankFolder + "03_Pad.pr4", "Pad");
  G().whileBoxShown = [&](const auto&) { e.Link().SetDownloadToManager(true); };
  Press(318);
  EXPECT_EQ(BankLayout(), "..P.........");
  EXPECT_EQ(StatusText(), "A transfer is running!");
}

TEST_F(ManagerTest, HostileNamesStayInTheFolderAndEveryFailureIsShown) {
  VQEditor& e = Start();
  fsys::create_directories(bankFolder + "01_a");  // the escape once needed this folder
  Fill(1, Program(bankFolder + "src.pr4", 1), "a/../../../../x/escaped");
  Fill(2, Program(bankFolder + "lf.pr4", 2), "line\nfeed");
  Fill(3, Folder() + "gone.pr4", "gone");
  const std::string out = bankFolder + "out/";
  fsys::create_directories(out);
  AnswerFolder(out);
  Press(321);
  EXPECT_EQ(Listing(out),
            (std::vector<std::string>{"01_a_____________x_escaped.pr4", "02_line_feed.pr4"}));
  EXPECT_FALSE(fsys::exists(Folder() + "x"));
  EXPECT_FALSE(m->BankSaved());  // slot 3's file is gone: said, not skipped
  e.OnTick();
  ASSERT_FALSE(G().messageBoxes.empty());
  EXPECT_TRUE(G().messageBoxes.back().plugFree);
  EXPECT_NE(G().messageBoxes.back().text.find("slot 3"), std::string::npos);
  if (!Online()) GTEST_SKIP() << "the HTTPS stand-in did not start";

  G().messageBoxes.clear();
  const std::string base = DbTestServer::Get().Base();
  DbClientOptions untrusted = DbTestServer::Get().Options();
  untrusted.caFile = DbTestServer::Get().UntrustedCa();
  const struct {
    std::function<void()> act;
    const char* status;
  } cases[] = {
      {[&] {
         Install(e, untrusted);
         m->UserField().SetText("xterces");
         m->PasswordField().SetText("secret");
         Press(345);
       },
       "Login failed: certificate not accepted"},
      {[&] { m->ShowOnlineCategories(e); }, "Category list failed: certificate not accepted"},
      {[&] {
         Install(e);
         m->DownloadToFolder(e, base + "/none/x.pr4");
       },
       "Download failed: not found"},
      {[&] { m->ShowOnlinePages(e, "404"); }, "Program list failed: not found"},
  };
  for (const auto& c : cases) {
    c.act();
    EXPECT_EQ(StatusText(), c.status);
  }
  // The login's box says that the server was not reached, not only that the account failed.
  e.OnTick();
  ASSERT_EQ(G().messageBoxes.size(), 1u);
  EXPECT_EQ(G().messageBoxes[0].caption, "Login Error");
  EXPECT_TRUE(G().messageBoxes[0].plugFree);
  EXPECT_NE(G().messageBoxes[0].text.find("could not be reached: certificate not accepted"),
            std::string::npos);
}

TEST_F(ManagerTest, LoginsLeaveNoCopyOfThePasswordInFreedMemory) {
  Start();
  if (!Online()) GTEST_SKIP() << "the HTTPS stand-in did not start";
  const std::string password = "wipe-me-" + std::string(40, 'q');
  const std::string accepted = "u" + std::string(password.rbegin(), password.rend());
  for (int remember : {1, 0})
    for (const std::string& user : {accepted, std::string("xterces")}) {
      Set(346, remember);
      m->SetLoggedIn(false);
      m->UserField().SetText(user);
      m->PasswordField().SetText(password);
      ArmFreedMemoryScan(password);
      Press(345);
      EXPECT_EQ(DisarmFreedMemoryScan(), 0) << user << ", remembered " << remember;
      EXPECT_EQ(m->LoggedIn(), user == accepted);
    }
}

TEST_F(ManagerTest, TheCacheFolderIsBroughtInLineWithTheSlots) {
  VQEditor& e = Start();
  const std::string cache = e.Browser().CacheFolder();
  fsys::create_directories(cache);
  const std::string mine = Program(bankFolder + "mine.pr4", 9);
  Fill(3, mine, "mine");
  Fill(12, Program(cache + "12_New.pr4"), "New");
  Program(cache + "12_Old.pr4");
  Program(cache + "x12.pr4");
  WriteFile(cache + "Notes.txt", "keep");
  Fill(20, Program(cache + "20_Renamed.pr4"), "Other");
  m->DeleteProgramFiles(e, cache);
  EXPECT_EQ(Listing(cache), (std::vector<std::string>{"03_mine.pr4", "12_New.pr4", "20_Other.pr4",
                                                      "Notes.txt", "x12.pr4"}));
  EXPECT_TRUE(fsys::exists(mine));  // the user's own file stays where it is
  EXPECT_EQ(std::string(e.Browser().Slots()[3].path), cache + "03_mine.pr4");
  EXPECT_EQ(std::string(e.Browser().Slots()[20].path), cache + "20_Other.pr4");
  m->DeleteProgramFiles(e, bankFolder);  // never outside the program's own folders
  EXPECT_TRUE(fsys::exists(mine));
  Fill(30, "/" + std::string(255, 'p'), "Long");  // a path the entry cannot hold whole
  EXPECT_TRUE(e.Browser().Slots()[30].empty);
}

// The bank kept for the next start reads back; whatever damage the file has, reading it ends,
// and only program files land in slots, each in its own.
TEST_F(ManagerTest, TheKeptBankReadsBackAndNoDamageHangsOrMisplaces) {
  VQEditor& e = Start();
  const std::string a = Program(bankFolder + "a.pr4"), b = Program(bankFolder + "b.pr3");
  WriteFile(bankFolder + "notes.txt", "not a program");
  fsys::create_directories(bankFolder + "d.pr4");
  Fill(2, a, "A", kSlotCategoryBass);
  Fill(5, "https://db.example/get?id=7", "W");
  Fill(6, b, "B");
  m->KeepBank(e);
  auto restore = [&] {
    e.Browser().Slots().assign(kSlotTableSize, ProgramSlot{});
    m->RestoreBank(e);
    return Layout(e.Browser().Slots(), 6);
  };
  EXPECT_EQ(restore(), ".A..WB");
  EXPECT_EQ(e.Browser().Slots()[2].category, kSlotCategoryBass);

  auto line = [](int slot, const std::string& path, const std::string& name, int category = 1) {
    return std::to_string(slot) + ' ' + std::to_string(category) + ' ' +
           std::to_string(path.size()) + ' ' + std::to_string(name.size()) + ' ' + path + name +
           '\n';
  };
  const struct {
    const char* why;
    std::string text;
    const char* layout;
  } rows[] = {
      {"a negative length ends the reading",
       line(1, a, "A") + "1 1 -11 0 abcdefgh\n" + line(3, a, "C"), "A....."},
      {"a length past the line's end ends it", line(1, a, "A") + "2 1 900 1 x\n" + line(3, a, "C"),
       "A....."},
      {"numbers too long end it", "1 1 99999999999999999999 1 x\n" + line(3, a, "C"), "......"},
      {"a cut last line is left out", line(1, a, "A") + line(2, a, "B").substr(0, 20), "A....."},
      {"slots outside 1..99 and a second line for a slot are left out",
       line(0, a, "Z") + line(100, a, "Z") + line(2, a, "B") + line(2, b, "Y") + line(4, a, "D"),
       ".B.D.."},
      {"only program files",
       line(1, bankFolder + "notes.txt", "N") + line(2, bankFolder + "d.pr4", "D") +
           line(3, "a.pr4", "R") + line(4, a + std::string(1, '\0') + ".txt", "Z") +
           line(5, bankFolder + "gone.pr4", "G") + line(6, b, "B"),
       ".....B"},
      {"a name that does not fit", line(1, a, std::string(64, 'L')) + line(2, a, "B"), ".B...."},
  };
  const std::string kept = e.Browser().SettingsFolder() + "managerbank.txt";
  for (const auto& r : rows) {
    WriteFile(kept, r.text);
    EXPECT_EQ(restore(), r.layout) << r.why;
  }
  WriteFile(kept, line(1, a, "A", 9));
  restore();
  EXPECT_EQ(e.Browser().Slots()[1].category, kSlotCategoryPlain) << "an unknown category";

  // A link in its place is never read; the debug log says why.
  fsys::remove(kept);
  WriteFile(bankFolder + "linked.txt", line(1, a, "A"));
  fsys::create_symlink(bankFolder + "linked.txt", kept);
  setenv("G_MESSAGES_DEBUG", "VQEditor4", 1);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(restore(), "......");
  unsetenv("G_MESSAGES_DEBUG");
  const std::string log =
      testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find(kept + " is a symbolic link"), std::string::npos) << log;
}

// A bank that cannot be kept is told in the window once, however many idle calls try again, and
// told anew when it fails after a write that worked.
TEST_F(ManagerTest, ABankThatCannotBeKeptIsToldOnceInTheWindow) {
  VQEditor& e = Start();
  e.SetBankKeeper([this](VQEditor& ed) { m->KeepBank(ed); });  // as the program installs it
  const std::string kept = e.Browser().SettingsFolder() + "managerbank.txt";
  const std::string a = Program(bankFolder + "a.pr4");
  rlimit fileSize{};
  getrlimit(RLIMIT_FSIZE, &fileSize);
  const struct {
    const char* cause;
    std::function<void()> fail, mend;
  } rows[] = {
      {"a folder in its place",
       [&] {
         fsys::remove(kept);
         fsys::create_directories(kept);
       },
       [&] { fsys::remove(kept); }},
      // Root writes into a read-only folder: a full disk stands for the write that fails.
      {"the disk full",
       [&] {
         signal(SIGXFSZ, SIG_IGN);
         rlimit full = fileSize;
         full.rlim_cur = 8;
         setrlimit(RLIMIT_FSIZE, &full);
       },
       [&] { setrlimit(RLIMIT_FSIZE, &fileSize); }},
  };
  int slot = 1;
  const auto change = [&] {
    Fill(slot++, a, "A");
    e.OnTick();
  };
  for (const auto& r : rows)
    for (int round = 1; round <= 2; ++round) {
      G().messageBoxes.clear();
      r.fail();
      change();
      change();
      r.mend();
      ASSERT_EQ(G().messageBoxes.size(), 1u) << r.cause << ", round " << round;
      EXPECT_EQ(G().messageBoxes[0].text, "Cannot keep the bank for the next start in\n" + kept);
      EXPECT_EQ(StatusText(), G().messageBoxes[0].text);
      change();
      EXPECT_TRUE(fsys::is_regular_file(kept)) << r.cause;
      EXPECT_EQ(G().messageBoxes.size(), 1u) << r.cause;
    }
}

TEST_F(ManagerTest, EveryControlDoesItsPart) {
  VQEditor& e = Start();
  for (int s = 1; s <= 3; ++s)
    Fill(s, Program(bankFolder + "0" + std::to_string(s) + "_P.pr4", s), "P" + std::to_string(s));
  size_t mark = 0;
  const struct {
    const char* what;
    std::function<void()> act;
    std::function<void()> check;
  } rows[] = {
      {"modes are exclusive",
       [&] {
         Set(325, 1);
         Set(327, 1);
       },
       [&] {
         EXPECT_EQ(m->EditMode(), kModeCopy);
         EXPECT_EQ(Value(325), 0.0);
       }},
      {"a mode released ends it",
       [&] {
         e.Browser().Slots()[2].selected = 1;
         Set(327, 0);
       },
       [&] {
         EXPECT_EQ(m->EditMode(), kModeNone);
         EXPECT_EQ(e.Browser().Slots()[2].selected, 0);
       }},
      {"confirmation switch", [&] { Set(330, 0); },
       [&] { EXPECT_FALSE(ProgramManager::Confirm(e)); }},
      {"categories are exclusive",
       [&] {
         Set(331, 1);
         Set(334, 1);
       },
       [&] {
         EXPECT_EQ(Value(331), 0.0);
         EXPECT_EQ(Value(334), 1.0);
       }},
      {"edit mode loads the clicked slot",
       [&] {
         Set(329, 1);
         BankEvent(kListClick, 2);
       },
       [&] {
         EXPECT_EQ(m->NameEntry().Text(), "P2");
         EXPECT_EQ(Value(334), 0.0);
       }},
      {"apply renames and recategorises",
       [&] {
         m->NameEntry().SetText("../" + std::string(70, 'n'));
         Set(332, 1);
         Press(336);
       },
       [&] {
         EXPECT_EQ(e.Browser().Slots()[2].category, kSlotCategoryGuitar);
         EXPECT_EQ(std::string(e.Browser().Slots()[2].name),
                   ".._" + std::string(60, 'n'));  // what the field can hold
       }},
      {"preview note",
       [&] {
         Set(329, 0);
         mark = Mark();
         Set(342, 1);
         Set(342, 0);
       },
       [&] {
         auto msgs = Since(mark);
         ASSERT_EQ(msgs.size(), 4u);
         EXPECT_EQ(msgs[0], (std::vector<uint8_t>{0x90, 48, 100}));
         EXPECT_EQ(msgs[1], KeyboardNoteMessage(true, 48, 100));
         EXPECT_EQ(msgs[2][1], 48);
         EXPECT_EQ(msgs[3], KeyboardNoteMessage(false, 48, 0));
       }},
      {"upload before a save asks, Cancel stops",
       [&] {
         G().messageBoxAnswer = 2;
         Press(322);
       },
       [&] {
         EXPECT_EQ(G().messageBoxes.back().text, "Please save the files first!");
         EXPECT_TRUE(G().openedUrls.empty());
       }},
      {"upload after a save opens the page",
       [&] {
         G().messageBoxAnswer = 1;
         AnswerFolder(bankFolder);
         Press(322);
       },
       [&] {
         ASSERT_EQ(G().openedUrls.size(), 1u);
         EXPECT_EQ(G().openedUrls[0], DbTestServer::Get().Base() + "/vqdatabase2/download/add/");
       }},
      {"send only the selected",
       [&] {
         e.Browser().Slots()[1].selected = e.Browser().Slots()[3].selected = 1;
         Press(323);
       },
       [&] {
         EXPECT_EQ(Listing(e.Browser().UploadFolder()),
                   (std::vector<std::string>{"01_P1.pr4", "03_P3.pr4"}));
         EXPECT_TRUE(e.Link().BankUploadRunning());
         EXPECT_EQ(e.Browser().Slots()[1].selected, 0);
       }},
      {"clearing the files the upload sends is refused", [&] { Press(318); },
       [&] {
         EXPECT_EQ(BankLayout(), "P.P.........");
         EXPECT_TRUE(fsys::exists(e.Browser().UploadFolder() + "03_P3.pr4"));
         EXPECT_EQ(StatusText(), DeviceLink::kBusyText);
       }},
      {"clear the bank on Yes once the upload ended",
       [&] {
         e.Link().SetBankUploadRunning(false);
         Press(318);
       },
       [&] {
         EXPECT_EQ(BankLayout(), "............");
         EXPECT_FALSE(m->BankSaved());
       }},
      {"download into the manager", [&] { Press(320); },
       [&] {
         EXPECT_TRUE(e.Link().DownloadToManager() && e.Link().BankDownloadRunning() &&
                     e.Link().RequestPending());
         EXPECT_EQ(e.Link().RequestSlot(), 1);
         EXPECT_EQ(BankLayout(), "............");
       }},
      {"bank buttons are inert during that download",
       [&] {
         G().messageBoxes.clear();
         Press(318);
       },
       [&] { EXPECT_TRUE(G().messageBoxes.empty()); }},
      {"browse fills the browser",
       [&] {
         e.Link().SetDownloadToManager(false);
         e.Browser().SetSaveFolder(bankFolder + "sub/");
         fsys::create_directory(bankFolder + "sub");
         AnswerFolder(bankFolder);
         Press(343);
       },
       [&] {
         EXPECT_EQ(panels->panels.back().directory, bankFolder + "sub/");
         EXPECT_EQ(e.Browser().Folder() + "/", bankFolder);
         EXPECT_EQ(e.Browser().Rows().size(), Listing(bankFolder).size() + 1);
       }},
      {"folders are shown in brackets",
       [&] {
         fsys::create_directory(bankFolder + "sub");
         AnswerFolder(bankFolder);
         Press(343);
         Set(341, 1.0);
       },
       [&] {
         EXPECT_EQ(RowText(0), "..");
         EXPECT_EQ(RowText(1), "[sub]");
       }},
      {"the scroll bar picks the first shown row",
       [&] {
         e.Browser().Rows().resize(60);
         e.Browser().SetScrollRange(13);
         Set(341, 0.0);
       },
       [&] { EXPECT_EQ(e.Browser().FirstRow(), 13); }},
      {"the source choice and a cancelled folder keep the list",
       [&] {
         Press(313);
         Press(343);
       },
       [&] { EXPECT_EQ(e.Browser().Rows().size(), 60u); }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    r.act();
    r.check();
  }
}

TEST_F(ManagerTest, OnlineListsPageOnTheItemsEachReplyHeld) {
  VQEditor& e = Start();
  if (!Online()) GTEST_SKIP() << "the HTTPS stand-in did not start";
  const struct {
    const char* category;
    size_t rows;  // besides ".."
  } cases[] = {{"100", 100}, {"47", 47}, {"48", 47}, {"10", 47}, {"999", 47 * kDbPageLimit},
               {"3", 3}};
  for (const auto& c : cases) {
    m->ShowOnlinePages(e, c.category);
    EXPECT_EQ(e.Browser().Rows().size(), c.rows + 1) << c.category;
    EXPECT_STREQ(e.Browser().Rows()[0].name, "..");
    EXPECT_EQ(e.Browser().ScrollRange(), c.rows + 1 > 47 ? static_cast<int>(c.rows + 1 - 47) : 0)
        << c.category;
  }
  Install(e, DbTestServer::Get().Options(), 1000);
  m->ShowOnlinePages(e, "998");  // every page full, each slow: the list ends at its deadline
  EXPECT_LT(e.Browser().Rows().size(), 47u * 6);
  Install(e);

  e.Browser().SetFolder("3");
  browser = {kListDoubleClick, kListPlain};
  m->ShowOnlineFiles(e, "200");
  std::vector<std::string> names;
  for (const OnlineListRow& r : e.Browser().Rows()) names.push_back(r.name);
  EXPECT_EQ(names, (std::vector<std::string>{"..", "abc", "Abc", "ABD", "Zed", "\u2026dots"}));
  EXPECT_EQ(RowText(1), "abc");
  EXPECT_TRUE(Page().BrowserRow(6)->IsHidden());
  EXPECT_STREQ(e.Browser().Rows()[0].idOrUrl, "3");

  Set(338, 4);  // double-click "Zed": downloaded into the cache, loaded and sent
  EXPECT_TRUE(fsys::exists(e.Browser().CacheFolder() + "Zed.pr4"));
  EXPECT_EQ(e.ProgramName(), "Zed");
  Set(338, 0);  // ".." of a file list: the category's pages again
  EXPECT_EQ(e.Browser().Rows().size(), 4u);
  Set(338, 0);  // ".." of a page list: the categories
  EXPECT_EQ(e.Browser().Rows().size(), 2u);

  e.SetManagerPageShown(false);  // categories are asked for only while the page is shown
  m->ShowOnlineCategories(e);
  EXPECT_TRUE(e.Browser().Rows().empty());
}

TEST_F(ManagerTest, RememberedLoginsComeBackForEveryPasswordTheFileHolds) {
  VQEditor& e = Start();
  if (!Online()) GTEST_SKIP() << "the HTTPS stand-in did not start";
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  const std::string dat = Folder() + "user.dat";
  Set(346, 1);
  EXPECT_EQ(Ini("dbase", "memo"), "true");
  for (size_t n = 0; n <= 64; ++n) {
    std::string password;
    for (size_t i = 0; i < n; ++i) password += static_cast<char>(' ' + (i * 5 + n) % 95);
    const std::string user =
        "u" + std::string(password.rbegin(), password.rend());  // what the stand-in accepts
    m->SetLoggedIn(false);
    m->UserField().SetText(user);
    m->PasswordField().SetText(password);
    Press(345);
    ASSERT_TRUE(m->LoggedIn()) << n;
    EXPECT_EQ(e.Browser().Rows().size(), 2u);  // the categories
    if (n == 64) {
      EXPECT_FALSE(fsys::exists(dat));  // cannot come back whole: not remembered
      break;
    }
    struct stat st;
    ASSERT_EQ(stat(dat.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    m->SetLoggedIn(false);
    m->UserField().SetText("");
    m->PasswordField().SetText("");
    Press(344);
    EXPECT_EQ(m->UserField().Text(), user.substr(0, 255));
    ASSERT_EQ(m->PasswordField().Text(), password) << n;
  }
  struct stat st;
  ASSERT_EQ(stat(dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  G().messageBoxes.clear();
  m->UserField().SetText("Mixed");  // accepted under another letter case: a failed login
  Press(345);
  EXPECT_FALSE(m->LoggedIn());
  editor->OnTick();
  ASSERT_EQ(G().messageBoxes.size(), 1u);
  EXPECT_EQ(G().messageBoxes[0].caption, "Login Error");
  EXPECT_EQ(m->UserField().Text(), "Mixed");

  WriteCredentialFile(dat, "pw");
  Set(346, 0);
  EXPECT_FALSE(fsys::exists(dat));
  EXPECT_EQ(Ini("dbase", "memo"), "false");
  EXPECT_EQ(Ini("dbase", "user"), "");
  EXPECT_EQ(m->UserField().Text(), "");
  m->UserField().SetText("xterces");
  m->PasswordField().SetText("secret");
  Press(345);  // remember-me off: nothing is written
  EXPECT_TRUE(m->LoggedIn());
  EXPECT_FALSE(fsys::exists(dat));
  EXPECT_EQ(Ini("dbase", "user"), "");
}

}  // namespace
}  // namespace vqtest
