// The file-name rules that tie programs to slots, the bank list's display names, and filling
// the slot table from a folder, whose listing goes to the debug log.
#include <filesystem>
#include <fstream>

#include "library/bank_transfer.h"
#include "library/db_client.h"
#include "library/program_list.h"
#include "library/slot_table.h"
#include "program_library_fixture.h"

namespace vqtest {
namespace {

TEST(ProgramFileSlot, OneRuleForSingleWritesAndUploads) {
  struct {
    const char* name;
    int slot;
  } rows[] = {
      {"01_A.pr4", 1},
      {"7_X.pr4", 7},
      {"99_Z.pr4", 99},
      {"100_X.pr4", 10},
      {"00_A.pr4", 0},
      {"Lead.pr4", 0},
      {"12 Lead.pr4", 12},
      {" 5_A.pr4", 5},
      {"07Lead.pr4", 7},
      {"123Lead.pr4", 12},
      {"", 0},
      {"9", 9},
      {"0815 Bass.pr4", 8},
      {"050Lead.pr4", 5},
      {"1999 Pad.pr4", 19},
  };
  for (auto r : rows) {
    EXPECT_EQ(ProgramFileSlot(r.name), r.slot) << r.name;
    if (r.slot > 0) {
      EXPECT_EQ(ParseSlotFileName(r.name).slot, r.slot) << r.name << ": the scan agrees";
    }
  }
  // Every name the editor gives a received program reads back as its slot.
  for (int slot = 1; slot <= 99; ++slot)
    for (const char* name : {"", "12 Lead", "1", "99", "Pad", "7th"}) {
      uint8_t bytes[32] = {};
      memcpy(bytes, name, strlen(name));
      EXPECT_EQ(ProgramFileSlot(ReceivedProgramFileName(bytes, slot)), slot)
          << name << " in " << slot;
    }
}

TEST(SlotFileName, ScanReadsSlotCategoryAndName) {
  struct {
    const char* file;
    int slot;
    int category;
    const char* name;
  } rows[] = {
      {"01_BASS_Fat Lead.pr4", 1, kSlotCategoryBass, "Fat Lead"},
      {"02_GTR_Strum.pr4", 2, kSlotCategoryGuitar, "Strum"},
      {"03_MIDI_Ctl.pr3", 3, kSlotCategoryMidi, "Ctl"},
      {"04_FX_Noise.prg", 4, kSlotCategoryFx, "Noise"},
      {"05_EWI_Breath.pr4", 5, kSlotCategoryEwi, "Breath"},
      {"02_Pad.pr4", 2, kSlotCategoryPlain, "Pad"},
      {"5_Y.pr4", 5, kSlotCategoryPlain, "Y"},
      {"100_A.pr4", 10, kSlotCategoryPlain, "0_A"},
      {"00_A.pr4", 0, kSlotCategoryPlain, "A"},
      {"06__X.pr4", 6, kSlotCategoryPlain, "_X"},  // one "_" removed
      {"07_BASSX.pr4", 7, kSlotCategoryPlain, "BASSX"},
      {"08_A Very Long Program Name Beyond Limits.pr4", 8, kSlotCategoryPlain,
       "A Very Long Program Name Beyond"},
      {"1", 1, kSlotCategoryPlain, ""},
  };
  for (auto r : rows) {
    SlotFileNameParts p = ParseSlotFileName(r.file);
    EXPECT_EQ(p.slot, r.slot) << r.file;
    EXPECT_EQ(p.category, r.category) << r.file;
    EXPECT_EQ(p.name, r.name) << r.file;
  }
  EXPECT_EQ(SlotFileName(kSlotCategoryBass, 3, "Fat"), "03_BASS_Fat.pr4");
  EXPECT_EQ(SlotFileName(kSlotCategoryEwi, 42, "B"), "42_EWI_B.pr4");
  EXPECT_EQ(SlotFileName(kSlotCategoryPlain, 9, "Pad"), "09_Pad.pr4");
  EXPECT_EQ(SlotFileName(kSlotCategoryNone, 9, "Pad"), "09_Pad.pr4");
  // What the scan writes it reads back.
  for (int c = kSlotCategoryPlain; c <= kSlotCategoryEwi; ++c) {
    SlotFileNameParts p = ParseSlotFileName(SlotFileName(c, 17, "Name"));
    EXPECT_EQ(p.slot, 17);
    EXPECT_EQ(p.category, c);
    EXPECT_EQ(p.name, "Name");
  }
}

TEST(DisplayName, WrapsIntoAtMostThreeLines) {
  struct {
    const char* name;
    const char* shown;
  } rows[] = {
      // Lines break at blanks (or "_") where the words fit a 12-character line.
      {"Sweeping Pad Atmosphere 1234", "Sweeping Pad\nAtmosphere\n1234"},
      {"Warm Analog Brass Section", "Warm Analog\nBrass\nSection"},
      {"Twelve Chars", "Twelve Chars"},
      {"Crème brûlée", "Crème brûlée"},  // characters are counted, not bytes
      {"Lead_Synth_Bass", "Lead_Synth\nBass"},
      {"Soft Pad Sweep", "Soft Pad\nSweep"},
      // A word longer than a line is broken inside it.
      {"Supersawleads1", "Supersawlead\ns1"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKL\nMNOPQRSTUVWX\nYZ"},
      {"ABCDEFGHIJKLMNOPQ RS", "ABCDEFGHIJKL\nMNOPQ RS"},
      {"ABCDEFGHIJKL MNOPQRSTUVWX YZ0123456789", "ABCDEFGHIJKL\nMNOPQRSTUVWX\nYZ0123456789"},
      // What does not fit three lines ends in "…" on the third.
      {"ABCDEFGHIJKL MNOPQRSTUVWX YZ0123456789!", "ABCDEFGHIJKL\nMNOPQRSTUVWX\nYZ012345678…"},
      {"Warm Analog Brass Section Extra Long", "Warm Analog\nBrass\nSection Ext…"},
      {"Bass WWWWWWWWWWWWWWWWWWWWWWWWW", "Bass\nWWWWWWWWWWWW\nWWWWWWWWWWW…"},
      {"One Two Three Four Five Sixty Seven", "One Two\nThree Four\nFive Sixty…"},
      {"", ""},
  };
  for (auto r : rows) EXPECT_EQ(WrapDisplayName(r.name), r.shown) << r.name;
  std::string wide;
  for (int i = 0; i < 21; ++i) wide += "\u20ac";  // three bytes each
  for (const std::string& n :
       {std::string("Warm Analog Brass Section Extra Long Name Here"),
        std::string("x x x x x x x x x x x x x x x x x x x"), wide, std::string("a\nb\nc\nd")}) {
    const std::string shown = WrapDisplayName(n);
    EXPECT_LT(shown.size(), sizeof(ProgramSlot::displayName)) << n;
    EXPECT_LE(std::count(shown.begin(), shown.end(), '\n'), 2) << n;
    EXPECT_TRUE(IsValidUtf8(shown)) << n;  // cut between characters
  }
}

class SlotScanTest : public LibraryEditorTest {
 protected:
  std::string Folder(const std::string& name) {
    std::string f = dir + "/" + name + "/";
    std::filesystem::create_directories(f);
    return f;
  }
  void Touch(const std::string& path) { std::ofstream(path) << "x"; }
};

TEST_F(SlotScanTest, FolderFillsTheTableByNamePatterns) {
  VQEditor& e = MakeWithLibrary();
  InstallProgramTransfers(e);
  std::string f = Folder("bank");
  for (const char* n :
       {"01_BASS_Fat Lead.pr4", "02_Pad.pr4", "02_X.pr4", "5_Y.pr4", "00_A.pr4", "100_A.pr4",
        "notes.txt", "07_Ignored.txt", "08_Big Pad 1 Big Pad 2 Big Pad 3 Big Pad 4.pr4"})
    Touch(f + n);
  e.Browser().Slots()[40].selected = 1;
  // The listing goes to the debug log only, shown when the user asks for it.
  unsetenv("G_MESSAGES_DEBUG");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  e.ScanProgramFolderToSlots(f.c_str());
  std::string terminal = testing::internal::GetCapturedStdout();
  terminal += testing::internal::GetCapturedStderr();
  EXPECT_EQ(terminal.find("directoryContents"), std::string::npos) << terminal;
  setenv("G_MESSAGES_DEBUG", "VQEditor4", 1);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  e.ScanProgramFolderToSlots(f.c_str());
  unsetenv("G_MESSAGES_DEBUG");
  terminal = testing::internal::GetCapturedStdout();
  terminal += testing::internal::GetCapturedStderr();
  EXPECT_NE(terminal.find("directoryContents ====== (\n    \""), std::string::npos) << terminal;
  EXPECT_NE(terminal.find("\"02_Pad.pr4\""), std::string::npos) << terminal;
  e.Browser().Slots()[40].selected = 1;
  e.ScanProgramFolderToSlots(f.c_str());

  ASSERT_EQ(e.Browser().Slots().size(), 100u);
  EXPECT_FALSE(e.Browser().Slots()[1].empty);
  EXPECT_EQ(e.Browser().Slots()[1].category, kSlotCategoryBass);
  EXPECT_STREQ(e.Browser().Slots()[1].name, "Fat Lead");
  EXPECT_STREQ(e.Browser().Slots()[1].path, (f + "01_BASS_Fat Lead.pr4").c_str());
  EXPECT_STREQ(e.Browser().Slots()[2].name, "X");  // the later file in sorted order
  EXPECT_STREQ(e.Browser().Slots()[5].name, "Y");
  EXPECT_EQ(e.Browser().Slots()[5].category, kSlotCategoryPlain);
  EXPECT_STREQ(e.Browser().Slots()[10].name, "0_A");
  EXPECT_TRUE(e.Browser().Slots()[0].empty);
  EXPECT_TRUE(e.Browser().Slots()[7].empty);
  // Kept to 32 characters, and shown as cut.
  EXPECT_STREQ(e.Browser().Slots()[8].name, "Big Pad 1 Big Pad 2 Big Pad 3 B");
  EXPECT_STREQ(e.Browser().Slots()[8].displayName, "Big Pad 1\nBig Pad 2\nBig Pad 3 B…");
  for (const ProgramSlot& s : e.Browser().Slots()) EXPECT_FALSE(s.selected);
}

// A name cut to what a slot holds shows "…" however its file is named; the kept bank enters it
// again by the same call.
TEST_F(SlotScanTest, ANameCutFromItsFileNameIsMarkedWhateverItsPrefix) {
  VQEditor& e = MakeWithLibrary();
  const std::string f = Folder("cut");
  const std::string name = "Bright Analog Brass Section Layer Sweep";
  for (const std::string& file : {name + ".pr4", "07_" + name + ".pr4", "_FX_" + name + ".pr4",
                                  std::string("Short.pr4"), std::string("07_Short.pr4")}) {
    const SlotFileNameParts parts = SlotNameOfFile(file);
    EnterProgramIntoSlot(e, 9, parts.category, f + file, parts.name);
    const std::string shown = e.Browser().Slots()[9].displayName;
    EXPECT_EQ(shown.ends_with("\u2026"), file.size() > 20) << file << ": " << shown;
  }
}

TEST_F(SlotScanTest, RescanEmptiesTheCacheAndEarlierSlots) {
  VQEditor& e = MakeWithLibrary();
  InstallProgramTransfers(e);
  std::string a = Folder("a"), b = Folder("b");
  Touch(a + "03_A.pr4");
  Touch(b + "04_B.pr4");
  std::filesystem::create_directories(e.Browser().CacheFolder());
  Touch(e.Browser().CacheFolder() + "01_cached.pr4");
  e.ScanProgramFolderToSlots(a.c_str());
  EXPECT_FALSE(e.Browser().Slots()[3].empty);
  EXPECT_FALSE(std::filesystem::exists(e.Browser().CacheFolder()));
  e.Browser().Slots()[3].selected = 1;
  e.ScanProgramFolderToSlots(b.c_str());
  EXPECT_TRUE(e.Browser().Slots()[3].empty);
  EXPECT_FALSE(e.Browser().Slots()[3].selected);
  EXPECT_STREQ(e.Browser().Slots()[4].name, "B");
}

TEST_F(SlotScanTest, RenamingASlotRewrapsItsDisplayName) {
  VQEditor& e = MakeWithLibrary();
  InstallProgramTransfers(e);
  e.SetSlotName("Warm Analog Brass Section", 12);
  EXPECT_STREQ(e.Browser().Slots()[12].name, "Warm Analog Brass Section");
  EXPECT_STREQ(e.Browser().Slots()[12].displayName, "Warm Analog\nBrass\nSection");
  e.SetSlotName("x", 100);  // outside the table: nothing
}

}  // namespace
}  // namespace vqtest
