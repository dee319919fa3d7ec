// The editor's program-file operations through the program library.
#include <sys/stat.h>

#include <cstring>

#include "program_library_fixture.h"
#include "protocol/program_field_table.h"

namespace vqtest {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST_F(LibraryEditorTest, WrittenProgramLoadsBackWithoutSending) {
  VQEditor& e = MakeWithLibrary();
  Set(3, -10);  // field 0
  Set(14, 20);  // field 11
  Set(166, 7);  // field 163
  std::string path = Folder() + "07_Lead.pr4";
  ASSERT_TRUE(e.WriteProgramDumpText(path.c_str()));
  std::vector<std::string> lines = Lines(ReadFile(path));
  ASSERT_EQ(lines.size(), 171u);
  EXPECT_EQ(lines[1], "-10   ; field:  0  poti:  0   ser.no.:  1 \r");
  EXPECT_EQ(lines[12].substr(0, 7), " 20   ;");
  EXPECT_EQ(lines[163 + 1].substr(0, 7), " 7    ;");

  Set(3, 5);
  Set(14, 1);
  e.SetProgramEdited(true);
  Gui()->messageBoxAnswer = 7;  // the edits are discarded for the load
  size_t mark = Mark();
  ASSERT_TRUE(e.LoadProgramFileToEditor(path.c_str()));
  // MIDI input and the status poll could have the editor while the question was up.
  EXPECT_TRUE(Gui()->messageBoxes.back().plugFree);
  EXPECT_EQ(Value(3), -10);
  EXPECT_EQ(Value(14), 20);
  EXPECT_EQ(Value(166), 7);
  EXPECT_EQ(e.Record()[0], -10);
  EXPECT_EQ(e.ProgramName(), "07_Lead");
  EXPECT_EQ(StatusText(), "07_Lead");
  EXPECT_FALSE(e.ProgramEdited());
  EXPECT_EQ(e.History().Entries().size(), 1u);
  EXPECT_EQ(e.History().Cursor(), 0);
  EXPECT_EQ(e.LastField(), kNoFieldSent);
  EXPECT_EQ(e.Browser().SelectedFile(VQEditor::kSaveSelector), path);
  EXPECT_TRUE(CcsSince(mark).empty()) << "loading sends nothing by itself";
  EXPECT_EQ(Value(211), 100) << "no folder listing yet";
}

TEST_F(LibraryEditorTest, FailedLoadsLeaveTheProgramAsItWas) {
  VQEditor& e = MakeWithLibrary();
  Set(3, 12);
  Gui()->messageBoxAnswer = 7;  // the edits are discarded for each load
  e.PackParamsToRecord();
  ProgramRecord before = e.Record();
  std::string name = e.ProgramName();

  std::string good = FormatProgramText(ProgramFieldTable::InitRecord());
  std::string bad = good;
  bad.replace(bad.find("\r\n", 200) + 2, 3, "128");
  WriteFile(Folder() + "bad.pr4", bad);
  WriteFile(Folder() + "new.pr4", " 245 \r\n" + good.substr(7));
  WriteFile(Folder() + "big.pr4", std::string(9000, '1'));

  EXPECT_FALSE(e.LoadProgramFileToEditor((Folder() + "bad.pr4").c_str()));
  EXPECT_FALSE(e.LoadProgramFileToEditor((Folder() + "missing.pr4").c_str()));
  EXPECT_FALSE(e.LoadProgramFileToEditor("ab"));
  EXPECT_FALSE(e.LoadProgramFileToEditor((Folder() + "new.pr4").c_str()));
  EXPECT_EQ(StatusText(), "Unknown file format!");
  EXPECT_FALSE(e.LoadProgramFileToEditor((Folder() + "big.pr4").c_str()));
  EXPECT_EQ(StatusText(), "Corrupted filesize!");
  EXPECT_EQ(e.Record(), before);
  EXPECT_EQ(Value(3), 12);
  EXPECT_EQ(e.ProgramName(), name);
}

TEST_F(LibraryEditorTest, UnaimedFlexiSlotsAreWrittenAsZeros) {
  VQEditor& e = MakeWithLibrary();
  Set(98, 5);   // FLEXI1 SOURCE, but the slot has no destination
  Set(102, 9);  // FLEXI1 RANGE
  std::string path = Folder() + "f.pr4";
  ASSERT_TRUE(e.WriteProgramDumpText(path.c_str()));
  ProgramFileContent c;
  ASSERT_EQ(ReadProgramFile(path.c_str(), c), ProgramFileError::kNone);
  for (int f = 95; f <= 101; ++f) EXPECT_EQ(c.record[f], 0) << f;
  for (int f = 147; f <= 156; ++f) EXPECT_EQ(c.record[f], 0) << f;
}

TEST_F(LibraryEditorTest, LocatingBuildsTheSortedProgramList) {
  VQEditor& e = MakeWithLibrary();
  std::string folder = Folder() + "progs/";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  for (const char* n : {"b.pr4", "A.pr4", "c.txt"}) WriteFile(folder + n, "x");
  e.LocateProgramInFolder((folder + "b.pr4").c_str());
  EXPECT_EQ(e.Browser().CurrentProgramFolder(), folder);
  EXPECT_EQ(e.Browser().ProgramList(), (std::vector<std::string>{"A.pr4", "b.pr4"}));
  EXPECT_EQ(e.Browser().ProgramListLast(), 1);
  EXPECT_EQ(e.Browser().ProgramListIndex(), 1);
  EXPECT_TRUE(e.Browser().ProgramListBuilt());
  EXPECT_EQ(e.ProgramName(), "b");

  // A file not in the folder leaves the current index; no "/" changes nothing.
  e.LocateProgramInFolder((folder + "zzz.pr4").c_str());
  EXPECT_EQ(e.Browser().ProgramListIndex(), 1);
  e.LocateProgramInFolder("nofolder.pr4");
  EXPECT_EQ(e.Browser().CurrentProgramFolder(), folder);
  e.LocateProgramInFolder((Folder() + "missing/x.pr4").c_str());
  EXPECT_TRUE(e.Browser().ProgramList().empty());
  EXPECT_EQ(e.Browser().ProgramListLast(), 0);
}

TEST_F(LibraryEditorTest, LoadSetsTheProgramNumberFromTheName) {
  VQEditor& e = MakeWithLibrary();
  std::string folder = Folder() + "bank/";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::string text = FormatProgramText(ProgramFieldTable::InitRecord());
  WriteFile(folder + "07_BASS_Deep.pr4", text);
  WriteFile(folder + "Pad.pr4", text);
  e.LocateProgramInFolder((folder + "Pad.pr4").c_str());
  ASSERT_TRUE(e.LoadProgramFileToEditor((folder + "07_BASS_Deep.pr4").c_str()));
  EXPECT_EQ(Value(211), 7);
  ASSERT_TRUE(e.LoadProgramFileToEditor((folder + "Pad.pr4").c_str()));
  EXPECT_EQ(Value(211), 0);
}

TEST_F(LibraryEditorTest, ConvertingAFolderNeverReplacesAProgram) {
  VQEditor& e = MakeWithLibrary();
  std::string folder = Folder() + "old/";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::string oldText;
  for (int i = 0; i < 121; ++i) oldText += (i == 85 ? "127" : "0") + std::string("\r\n");
  WriteFile(folder + "a.prg", oldText);
  WriteFile(folder + "b.pr4", "keep");
  WriteFile(folder + "y.prg", oldText);
  WriteFile(folder + "y.pr4", "edited since");
  std::string v243 = FormatProgramText(ProgramFieldTable::InitRecord());
  v243.replace(0, 5, " 243 ");
  WriteFile(folder + "x.pr3", v243);
  WriteFile(folder + "bad.PRG", "300\r\n");

  EXPECT_EQ(e.ConvertOldProgramFiles(folder.c_str()), 2);
  EXPECT_EQ(StatusText(), "Converted 2, skipped 2");
  ProgramFileContent c;
  ASSERT_EQ(ReadProgramFile((folder + "a.pr4").c_str(), c), ProgramFileError::kNone);
  EXPECT_EQ(c.version, 244);
  EXPECT_EQ(c.record[91], 127);
  EXPECT_EQ(ReadFile(folder + "x.pr4").substr(0, 7), " 244 \r\n");
  EXPECT_EQ(ReadFile(folder + "b.pr4"), "keep");
  EXPECT_EQ(ReadFile(folder + "y.pr4"), "edited since");
  EXPECT_FALSE(std::filesystem::exists(folder + "bad.pr4"));
  EXPECT_TRUE(std::filesystem::exists(folder + "a.prg")) << "the source stays";
  EXPECT_EQ(e.ConvertOldProgramFiles(folder.substr(0, folder.size() - 1).c_str()), 0)
      << "needs the final /";
  EXPECT_EQ(e.ConvertOldProgramFiles(folder.c_str()), 0) << "a second run converts nothing";
  EXPECT_EQ(StatusText(), "Converted 0, skipped 4");

  // The editor's own folder is refused like every save.
  WriteFile(Folder() + "own.prg", oldText);
  EXPECT_EQ(e.ConvertOldProgramFiles(Folder().c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(Folder() + "own.pr4"));
  EXPECT_EQ(StatusText(), "Nothing saved!");

  WriteFile(folder + "z.prg", "245\r\n");  // below 243 it would be an old file; 245 is unknown
  EXPECT_FALSE(e.ConvertOldProgramFile((folder + "z.prg").c_str()));
  EXPECT_EQ(StatusText(), "Unknown file format!");
}

TEST_F(LibraryEditorTest, AVersion243ProgramFileIsUpgradedInPlace) {
  VQEditor& e = MakeWithLibrary();
  ProgramRecord r = ProgramFieldTable::InitRecord();
  r[11] = 77;
  const std::string v244 = FormatProgramText(r);
  std::string v243 = v244;
  v243.replace(0, 5, " 243 ");
  struct Case {
    const char* name;
    bool (*operation)(VQEditor&, const char*);
    const char* expected;  // the file afterwards
  } cases[] = {
      {"load.pr4", [](VQEditor& e, const char* p) { return e.LoadProgramFileToEditor(p); }, "244"},
      {"convert.pr4", [](VQEditor& e, const char* p) { return e.ConvertOldProgramFile(p); }, "244"},
      // another extension: untouched
      {"load.PR4", [](VQEditor& e, const char* p) { return e.LoadProgramFileToEditor(p); }, "243"},
  };
  for (const Case& c : cases) {
    WriteFile(Folder() + c.name, v243);
    EXPECT_TRUE(c.operation(e, (Folder() + c.name).c_str())) << c.name;
    EXPECT_EQ(ReadFile(Folder() + c.name), std::string(c.expected) == "244" ? v244 : v243)
        << c.name;
  }
  EXPECT_EQ(Value(14), 77);
}

TEST_F(LibraryEditorTest, ReceivedDumpIsNamedOfferedAndSaved) {
  VQEditorSetup setup = BaseSetup();
  vqtest::RecordingPages& pages = UseRecordingPages(setup);
  VQEditor& e = MakeWithLibrary(std::move(setup));
  const std::string mine = Folder() + "mine/";  // a folder of the user's
  std::filesystem::create_directories(mine);
  e.Browser().SetSaveFolder(mine);

  uint8_t dump[213] = {0xF0};
  ProgramRecord init = ProgramFieldTable::InitRecord();
  for (int f = 0; f < kDeviceFieldCount; ++f)
    dump[8 + f] = ProgramFieldTable::DeviceByte(f, init[f]);
  dump[8 + 0] = 0;  // VCO1 coarse at its minimum, -24
  memcpy(dump + 178, "Lead                            ", 32);
  memcpy(e.Link().ReceiveBuffer().data(), dump, sizeof dump);

  std::string proposed;
  pages.whileSelectorOpen = [&](int) {
    proposed = e.Browser().SelectedFile(VQEditor::kSaveSelector);
  };
  e.NameReceivedProgram(7);
  EXPECT_EQ(proposed, mine + "07Lead.pr4");
  EXPECT_TRUE(e.Link().ReceivedDumpPending());
  EXPECT_EQ(pages.openedSelectors, std::vector<int>{VQEditor::kSaveSelector});

  std::string path = mine + "07Lead.pr4";
  ASSERT_TRUE(e.SaveProgramFile(path.c_str()));
  std::vector<std::string> lines = Lines(ReadFile(path));
  ASSERT_EQ(lines.size(), 171u);
  EXPECT_EQ(lines[1].substr(0, 7), "-24   ;");
  EXPECT_EQ(lines[127], " 0    ; dummy\r");
  ProgramFileContent c;
  ASSERT_EQ(ReadProgramFile(path.c_str(), c), ProgramFileError::kNone);
  for (int f = 1; f < kDeviceFieldCount; ++f) {
    if (f == 126 || f == 127) continue;
    EXPECT_EQ(c.record[f], init[f]) << f;
  }
}

TEST_F(LibraryEditorTest, ReceivedDumpIsOfferedInTheUsersFolder) {
  VQEditor& e = MakeWithLibrary();
  std::filesystem::create_directories(Folder() + "sub");
  e.Link().ReceiveBuffer().fill(0);
  const std::string home = Folder() + "home";
  std::filesystem::create_directories(home);
  const char* oldHome = getenv("HOME");
  const std::string keptHome = oldHome ? oldHome : "";
  setenv("HOME", home.c_str(), 1);

  // The folder the user last chose; with none (or one that is gone), home: never the folder of
  // a program the editor keeps in its own folders, never a bare name.
  struct Case {
    std::string saveFolder, shown, expected;
  } cases[] = {{Folder() + "sub/", e.Browser().CacheFolder() + "05_X.pr4", Folder() + "sub/03.pr4"},
               {"", e.Browser().CacheFolder() + "05_X.pr4", home + "/03.pr4"},
               {"", e.RamProgramPath(), home + "/03.pr4"},
               {Folder() + "gone/", Folder() + "sub/old.pr4", home + "/03.pr4"}};
  Gui()->fileCancels = true;
  for (const Case& c : cases) {
    e.Browser().SetSaveFolder(c.saveFolder);
    e.Browser().SetSelectedFile(VQEditor::kSaveSelector, c.shown);
    e.NameReceivedProgram(3);
    EXPECT_EQ(Gui()->proposedFiles.back(), c.expected) << c.saveFolder;
    // The dump's name was its panel's alone: the program's own file is proposed again.
    EXPECT_EQ(e.Browser().SelectedFile(VQEditor::kSaveSelector), c.shown) << c.saveFolder;
  }
  if (oldHome)
    setenv("HOME", keptHome.c_str(), 1);
  else
    unsetenv("HOME");
}

TEST_F(LibraryEditorTest, LoadHidesTheFlexiIndicatorsItClears) {
  VQEditor& e = MakeWithLibrary();
  std::string path = Folder() + "p.pr4";
  ASSERT_TRUE(e.WriteProgramDumpText(path.c_str()));
  e.Flexi().Destinations()[1] = 20;
  e.ShowFlexiIndicator(1, true);
  ASSERT_TRUE(e.LoadProgramFileToEditor(path.c_str()));
  EXPECT_EQ(e.Flexi().Destinations()[1], -1);
  EXPECT_FALSE(e.Flexi().IndicatorShown()[1]);
}

TEST_F(LibraryEditorTest, BrowserListsFoldersThenProgramsInNumericOrder) {
  VQEditor& e = MakeWithLibrary();
  std::vector<EditorTextControl*> texts;
  for (int i = 0; i < VQEditor::kBrowserTextRows; ++i)
    texts.push_back(dynamic_cast<EditorTextControl*>(Page().BrowserRow(i)));
  std::string folder = Folder() + "b/";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  for (const char* n : {"Prog10.pr4", "Prog9.pr4", "notes.txt"}) WriteFile(folder + n, "x");
  ASSERT_EQ(mkdir((folder + "sub").c_str(), 0755), 0);

  e.ListProgramFolder(folder.c_str());
  ASSERT_EQ(e.Browser().Rows().size(), 4u);
  EXPECT_STREQ(e.Browser().Rows()[0].name, "..");
  EXPECT_STREQ(e.Browser().Rows()[1].name, "sub");
  EXPECT_EQ(e.Browser().Rows()[1].flags[2], 0);
  EXPECT_STREQ(e.Browser().Rows()[2].name, "Prog9.pr4");
  EXPECT_EQ(e.Browser().Rows()[2].flags[2], 1);
  EXPECT_STREQ(e.Browser().Rows()[3].name, "Prog10.pr4");
  // Each row in the text of its place, ".." first: a click acts on the row it shows.
  EXPECT_EQ(texts[0]->Text(), "..");
  EXPECT_EQ(texts[1]->Text(), "[sub]");
  EXPECT_EQ(texts[2]->Text(), "Prog9.pr4");
  EXPECT_FALSE(texts[3]->IsHidden());
  EXPECT_TRUE(texts[4]->IsHidden());
  EXPECT_EQ(e.Browser().ScrollRange(), 0);

  // 50 sub-folders: ".." and the first 46 shown in brackets, no file names.
  std::string many = Folder() + "many/";
  ASSERT_EQ(mkdir(many.c_str(), 0755), 0);
  for (int i = 1; i <= 50; ++i) ASSERT_EQ(mkdir((many + "d" + std::to_string(i)).c_str(), 0755), 0);
  WriteFile(many + "p.pr4", "x");
  e.ListProgramFolder(many.c_str());
  EXPECT_EQ(e.Browser().Rows().size(), 52u);
  EXPECT_EQ(e.Browser().ScrollRange(), 5);
  EXPECT_EQ(texts[1]->Text(), "[d1]");
  EXPECT_EQ(texts[2]->Text(), "[d2]");
  EXPECT_EQ(texts[46]->Text(), "[d46]");
  EXPECT_EQ(Value(341), 1.0);

  e.ListProgramFolder((Folder() + "missing/").c_str());
  EXPECT_EQ(e.Browser().Rows().size(), 1u) << "only the .. row";
  EXPECT_TRUE(texts[1]->IsHidden());
}

TEST_F(LibraryEditorTest, ScratchFoldersAreRemovedOnlyInsideTheSettingsFolder) {
  VQEditor& e = MakeWithLibrary();
  EXPECT_EQ(e.Browser().SettingsFolder(), Folder());
  EXPECT_EQ(e.Browser().CacheFolder(), Folder() + "cache/");
  EXPECT_EQ(e.Browser().UploadFolder(), Folder() + "cache/selected/");

  std::filesystem::create_directories(e.Browser().UploadFolder());
  WriteFile(e.Browser().UploadFolder() + "01_x.pr4", "x");
  char outside[] = "/tmp/vq_outside_XXXXXX";
  ASSERT_NE(mkdtemp(outside), nullptr);
  WriteFile(std::string(outside) + "/keep", "x");
  // A link inside the cache must not lead the removal out.
  ASSERT_EQ(symlink(outside, (e.Browser().CacheFolder() + "link").c_str()), 0);

  for (std::string p :
       {std::string(outside), std::string(outside) + "/", std::string("cache/"), std::string(""),
        Folder(), Folder() + "cache/../../" + std::filesystem::path(outside).filename().string(),
        e.Browser().CacheFolder() + "link/"})
    e.ResetFolder(p.c_str());
  EXPECT_TRUE(std::filesystem::exists(std::string(outside) + "/keep"));

  e.ResetFolder(e.Browser().UploadFolder().c_str());
  EXPECT_FALSE(std::filesystem::exists(e.Browser().UploadFolder()));
  e.ResetCacheFolder();
  EXPECT_FALSE(std::filesystem::exists(e.Browser().CacheFolder()));
  EXPECT_TRUE(std::filesystem::exists(std::string(outside) + "/keep"));
  std::filesystem::remove_all(outside);
}

TEST_F(LibraryEditorTest, CurrentProgramFileRoundTrip) {
  VQEditor& e = MakeWithLibrary();
  EXPECT_EQ(e.RamProgramPath(), Folder() + "lastprogram.pr4");
  Set(3, 30);
  ASSERT_TRUE(e.SaveRamProgram());
  Set(3, 0);
  size_t mark = Mark();
  ASSERT_TRUE(e.LoadRamProgram());
  EXPECT_EQ(Value(3), 30);
  EXPECT_FALSE(CcsSince(mark).empty()) << "the loaded program goes to the device";
  std::filesystem::remove(e.RamProgramPath());
  mark = Mark();
  EXPECT_FALSE(e.LoadRamProgram());
  EXPECT_TRUE(CcsSince(mark).empty());
}

}  // namespace
}  // namespace vqtest
