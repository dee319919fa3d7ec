// The editor class: its parameters, its settings, start-up and the messages it sends.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <set>

#include "editor/param_table.h"
#include "editor_test_support.h"
#include "protocol/vq_sysex.h"

namespace vqtest {
namespace {

using Controls = std::vector<NrpnControl>;

TEST(ProgramNameOfPath, FileNameWithoutExtensionAtMost32Characters) {
  struct Row {
    const char* path;
    const char* name;
  } rows[] = {
      {"/a/b/07_Lead.pr4", "07_Lead"},
      {"/a.b/Pad", "Pad"},  // a dot in a folder name is no extension
      {"x.y.pr3", "x.y"},
      {"/a/", ""},
  };
  for (const Row& r : rows) EXPECT_EQ(ProgramNameOfPath(r.path), r.name) << r.path;
  EXPECT_EQ(ProgramNameOfPath("/f/" + std::string(40, 'n') + ".pr4"), std::string(32, 'n'));
}

TEST_F(EditorTest, ParameterTable) {
  VQEditor& e = Make();
  ASSERT_EQ(e.NParams(), 350);
  IParam* p0 = e.GetParam(0);
  EXPECT_EQ(p0->Type(), IParam::kTypeNone);
  EXPECT_STREQ(p0->GetName(), "");
  EXPECT_EQ(p0->GetMin(), 0.0);
  EXPECT_EQ(p0->GetMax(), 1.0);

  IParam* src = e.GetParam(247);
  EXPECT_EQ(src->Type(), IParam::kTypeInt);
  EXPECT_STREQ(src->GetName(), "Flexi1 Sources");
  EXPECT_EQ(src->GetMin(), 0.0);
  EXPECT_EQ(src->GetMax(), 80.0);
  EXPECT_EQ(src->GetDefault(), 0.0);
  EXPECT_STREQ(src->GetDisplayTextForValue(0), "VCF Env.");
  EXPECT_STREQ(e.GetParam(251)->GetDisplayTextForValue(45), "Midi CC 25 ");
  EXPECT_STREQ(e.GetParam(251)->GetDisplayTextForValue(80), " ");
  EXPECT_STREQ(e.GetParam(250)->GetDisplayTextForValue(74), "Midi CC 87");
  EXPECT_EQ(e.GetParam(250)->GetMax(), 74.0);

  EXPECT_STREQ(e.GetParam(21)->GetName(), "VCO PWM LFO frq");
  EXPECT_STREQ(e.GetParam(33)->GetName(), "VCO3 PWM LFO frq");
  EXPECT_STREQ(e.GetParam(59)->GetName(), "Instrument volume");
  EXPECT_STREQ(e.GetParam(73)->GetName(), "Instrument volume");
  EXPECT_STREQ(e.GetParam(113)->GetName(), "FLEXI3 BITS");
  EXPECT_EQ(e.GetParam(113)->GetMax(), 1.0);
  EXPECT_STREQ(e.GetParam(180)->GetName(), "FLEXI4 MODE");
  EXPECT_STREQ(e.GetParam(238)->GetName(), "FLEXI4 Range B");
  EXPECT_EQ(e.GetParam(186)->GetDefault(), 36.0);
  EXPECT_EQ(e.GetParam(310)->GetDefault(), 1.0);

  IParam* page = e.GetParam(264);
  EXPECT_EQ(page->Type(), IParam::kTypeDouble);
  EXPECT_EQ(page->GetMin(), 20.0);
  EXPECT_EQ(page->GetMax(), 40.0);
  EXPECT_EQ(page->GetPrecision(), 3);

  EXPECT_STREQ(e.GetParam(301)->GetDisplayTextForValue(0), "01");
  EXPECT_STREQ(e.GetParam(301)->GetDisplayTextForValue(98), "99");
  EXPECT_STREQ(e.GetParam(301)->GetLabel(), "");  // a display text applies to value 0
  EXPECT_STREQ(e.GetParam(347)->GetDisplayTextForValue(15), "CH:16");
  EXPECT_STREQ(e.GetParam(348)->GetDisplayTextForValue(0), "AT");
  EXPECT_STREQ(e.GetParam(348)->GetDisplayTextForValue(86), "CC:86");
  // The constructor selects CC:1.
  EXPECT_EQ(Value(348), 1.0);
  for (int unused : {1, 129, 155, 200, 239, 286, 313, 346})
    EXPECT_EQ(e.GetParam(unused)->Type(), 0) << unused;
}

TEST(ParameterNames, EnumeratorRuleAndGeneratedIndices) {
  struct Row {
    const char* name;
    const char* id;
  } rows[] = {
      {"VCF Cutoff Frequency (vintage)", "kVcfCutoffFrequencyVintage"},
      {"voice1(+1oct) volume", "kVoice11octVolume"},
      {"Ext. Midi On", "kExtMidiOn"},
      {"EnvLFO", "kEnvLFO"},
      {"FLEXI1 Range A", "kFlexi1RangeA"},
  };
  for (const Row& r : rows) EXPECT_EQ(param_table::EnumeratorName(r.name), r.id) << r.name;
  const int ids[][2] = {{vq_param::kVcfCutoffFrequencyVintage, 79},
                        {vq_param::kInstrumentVolume53, 53},
                        {vq_param::kInstrumentVolume73, 73},
                        {vq_param::kVcoPwmLfoFrq, 21},
                        {vq_param::kFlexi4RangeB, 238},
                        {vq_param::kSlotChooser, 301},
                        {vq_param::kManagerRememberLogin, 346},
                        {vq_param::kModWheel, 349}};
  for (const auto& id : ids) EXPECT_EQ(id[0], id[1]);
}

TEST_F(EditorTest, NamesTheEnumerationIsWrittenFromAreTheParametersOwn) {
  VQEditor& e = Make();
  std::set<int> codeNamed;
  for (int i = 0; i < param_table::kCodeNameCount; ++i)
    codeNamed.insert(param_table::kCodeNames[i].index);
  int named = 0;
  param_table::ForEachParamName([&](int index, const std::string& name) {
    if (codeNamed.count(index)) return;
    EXPECT_EQ(name.substr(0, 31), e.GetParam(index)->GetName()) << index;  // names hold 31
    ++named;
  });
  EXPECT_EQ(named, 222);
}

TEST_F(EditorTest, KeyboardChannelSetting) {
  const std::pair<const char*, int> cases[] = {
      {"16", 0}, {"-1", 0}, {"abc", 0}, {"15", 15}, {"3", 3}};
  for (auto [text, expected] : cases) {
    WriteSettings(std::string("[midi]\nkbdmidioutch=") + text + "\n");
    VQEditor& e = Make();
    EXPECT_EQ(e.KeyboardChannel(), expected) << text;
    EXPECT_EQ(Value(347), expected);
  }
}

TEST_F(EditorTest, EditedSettingDecoratesTheName) {
  WriteSettings("[program]\nedited=true\n");
  Make();
  EXPECT_TRUE(editor->ProgramEdited());
  EXPECT_EQ(StatusText(), "*INIT*");
  WriteSettings("[program]\nedited=maybe\n");
  Make();
  EXPECT_FALSE(editor->ProgramEdited());
  EXPECT_EQ(StatusText(), "INIT");
}

TEST_F(EditorTest, StartUpMakesInitCurrentAndSendsIt) {
  size_t mark = Mark();
  VQEditor& e = Make();
  EXPECT_EQ(Value(11), 42);   // VCO1 saw
  EXPECT_EQ(Value(14), 32);   // VCO1 volume
  EXPECT_EQ(Value(64), 127);  // VCA sustain level
  EXPECT_EQ(Value(86), 7);    // VCF Q
  EXPECT_EQ(Value(78), 1);    // new filter
  EXPECT_EQ(Value(186), 122);
  EXPECT_EQ(Value(165), 10);
  EXPECT_EQ(Value(168), 10);
  EXPECT_EQ(e.ProgramName(), "INIT");
  EXPECT_EQ(e.LastField(), kNoFieldSent);
  Controls ccs = CcsSince(mark);
  ASSERT_EQ(ccs.size(), 342u);  // nothing but the burst
  EXPECT_EQ(ccs, ProgramNrpnBurst(ProgramFieldTable::InitRecord()));
  ASSERT_EQ(e.History().Entries().size(), 1u);  // INIT: the history starts from the program held
  EXPECT_EQ(e.History().Cursor(), 0);
}

TEST_F(EditorTest, StartupMessageOnlyForTheNamedDevice) {
  auto startups = [this](size_t mark) {
    int n = 0;
    for (auto& m : Since(mark)) n += m == StartupMessage();
    return n;
  };
  size_t mark = Mark();
  Make("USB Pendrel MIDI 2");
  EXPECT_EQ(startups(mark), 1);
  mark = Mark();
  Make("usb pendrel");
  EXPECT_EQ(startups(mark), 0);
}

TEST_F(EditorTest, LastFileSkipsInitAndNamesTheProgram) {
  WriteSettings("[program]\nlastfile=/music/VQ/07_BASS_Deep.pr4\n");
  size_t mark = Mark();
  VQEditor& e = Make();
  EXPECT_EQ(e.ProgramName(), "07_BASS_Deep");
  EXPECT_TRUE(CcsSince(mark).empty());
  EXPECT_EQ(e.Browser().LastFile(), "/music/VQ/07_BASS_Deep.pr4");
}

TEST_F(EditorTest, SingleSendsRepeatOnlyTheAddressBytesNeeded) {
  Make();
  size_t mark = Mark();
  Set(8, 10);   // field 5, first send after the whole program
  Set(10, 3);   // field 7, same MSB
  Set(10, 4);   // same field
  Set(131, 1);  // field 128 (6, 0)
  Set(3, 5);    // field 0 (5, 0): MSB changes back
  EXPECT_EQ(CcsSince(mark), (Controls{{0x63, 5},
                                      {0x62, 5},
                                      {0x06, 10},
                                      {0x62, 7},
                                      {0x06, 3},
                                      {0x06, 4},
                                      {0x63, 6},
                                      {0x62, 0},
                                      {0x06, 1},
                                      {0x63, 5},
                                      {0x62, 0},
                                      {0x06, 29}}));
  EXPECT_EQ(editor->LastField(), 0);
}

TEST_F(EditorTest, UnchangedValuesAndGuiOnlyControlsSendNothing) {
  Make();
  Set(8, 10);
  size_t mark = Mark();
  Set(8, 10);     // same value
  Set(278, 1.0);  // a group switch between two changes
  Set(8, 11);
  EXPECT_EQ(CcsSince(mark), (Controls{{0x06, 11}}));
  EXPECT_EQ(editor->SelectedGroups(), 1);
}

TEST_F(EditorTest, WholeProgramMakesTheNextSendRepeatBothAddressBytes) {
  Make();
  Set(8, 10);
  editor->InitProgram();
  size_t mark = Mark();
  Set(8, 12);
  EXPECT_EQ(CcsSince(mark), (Controls{{0x63, 5}, {0x62, 5}, {0x06, 12}}));
}

TEST_F(EditorTest, CompositePartsSendTheirBaseByte) {
  Make();
  size_t mark = Mark();
  Set(183, 1);  // OD Blend VCF while overdrive is off
  EXPECT_EQ(CcsSince(mark), (Controls{{0x63, 6}, {0x62, 16}, {0x06, 0}}));
  mark = Mark();
  Set(147, 1);  // overdrive on: the byte carries the blend
  Set(182, 1);
  EXPECT_EQ(CcsSince(mark), (Controls{{0x06, 2}, {0x06, 3}}));
  mark = Mark();
  Set(187, 1);  // VCO2 osc. sync inside the MIDI Sync byte
  EXPECT_EQ(CcsSince(mark), (Controls{{0x63, 5}, {0x62, 124}, {0x06, 4}}));
  mark = Mark();
  Set(174, 1);  // FLEXI1 MODE
  EXPECT_EQ(CcsSince(mark), (Controls{{0x62, 96}, {0x06, 2}}));
}

TEST_F(EditorTest, SyncStatusPollForgetsTheAddressAfterTwoIdlePolls) {
  Make();
  Set(8, 10);
  for (int i = 0; i < 10; ++i) editor->TimerTick();
  EXPECT_EQ(editor->LastField(), 5);
  for (int i = 0; i < 10; ++i) editor->TimerTick();
  EXPECT_EQ(editor->LastField(), kNoFieldSent);
}

TEST_F(EditorTest, ReadOutsAndEditedMarker) {
  Make();
  EXPECT_FALSE(editor->ProgramEdited());
  Set(8, 10);
  EXPECT_EQ(ReadoutText(5), "10");
  EXPECT_TRUE(editor->ProgramEdited());
  EXPECT_EQ(StatusText(), "*INIT*");
  editor->FormatParamValueText(91, 0);
  EXPECT_EQ(ReadoutText(91), "0.21Hz");
  Set(127, 1);  // MIDI Sync 1: the LFO field reads as note divisions
  editor->FormatParamValueText(42, 7);
  EXPECT_EQ(ReadoutText(42), "1/4T");
}

TEST_F(EditorTest, ExternalMidiTriples) {
  Make();
  Set(90, 12);
  Set(128, 5);
  Set(309, 1);
  Set(310, 2);
  size_t mark = Mark();
  editor->SendExtMidiNrpn();
  EXPECT_EQ(CcsSince(mark), (Controls{{0x63, 5},
                                      {0x62, 87},
                                      {0x06, 12},
                                      {0x63, 5},
                                      {0x62, 125},
                                      {0x06, 5},
                                      {0x63, 5},
                                      {0x62, 123},
                                      {0x06, 10}}));
}

TEST_F(EditorTest, KeyboardNotes) {
  Make();
  editor->SetKeyboardChannel(2);
  editor->SetKeyboardVelocity(0.0);
  size_t mark = Mark();
  editor->SendKeyboardNote(60, true);
  editor->SendKeyboardNote(60, false);
  editor->SendKeyboardNote(-1, true);
  editor->SendKeyboardNote(128, true);
  auto msgs = Since(mark);
  ASSERT_EQ(msgs.size(), 4u);
  EXPECT_EQ(msgs[0], (std::vector<uint8_t>{0x92, 60, 1}));
  EXPECT_EQ(msgs[1], KeyboardNoteMessage(true, 60, 1));
  EXPECT_EQ(msgs[2][0], 0x82);
  EXPECT_EQ(msgs[2][1], 60);
  EXPECT_EQ(msgs[3], KeyboardNoteMessage(false, 60, 0));
}

TEST_F(EditorTest, PendingRequestLeavesOnTheNextIdleCall) {
  Make();
  editor->Link().SetRequestSlot(12);
  editor->Link().SetRequestPending(true);
  editor->Link().SetUnansweredPolls(2);
  size_t mark = Mark();
  editor->OnTick();
  auto msgs = Since(mark);
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(msgs[0], ProgramRequestMessage(12));
  EXPECT_TRUE(editor->Link().RequestOutstanding());
  EXPECT_FALSE(editor->Link().RequestPending());
  EXPECT_EQ(editor->Link().UnansweredPolls(), 0);
  editor->OnTick();
  EXPECT_EQ(Since(mark).size(), 1u);
}

TEST_F(EditorTest, WithoutGraphicsNothingIsSentOrRecorded) {
  size_t mark = Mark();
  VQEditor& e = Make("", false);
  Set(8, 10);
  EXPECT_TRUE(CcsSince(mark).empty());
  EXPECT_TRUE(e.History().Entries().empty());
  EXPECT_EQ(e.ProgramName(), "INIT");
  EXPECT_EQ(Value(11), 0);  // INIT stops before touching the parameters
}

TEST_F(EditorTest, AudioOutputIsSilentAcrossResets) {
  VQEditor& e = Make();
  for (int block : {1024, 100}) {
    e.SetBlockSize(block);
    e.Reset();
    double l[8], r[8];
    for (int i = 0; i < 8; ++i) l[i] = r[i] = 1.0;
    double* outs[2] = {l, r};
    e.ProcessDoubleReplacing(nullptr, outs, 8);
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(l[i], 0.0) << block;
      EXPECT_EQ(r[i], 0.0) << block;
    }
  }
}

TEST_F(EditorTest, SkinFromSettings) {
  Make();
  EXPECT_EQ(editor->SkinMode(), 0);
  char buf[32];
  GetPrivateProfileString("gui", "background", "", buf, sizeof buf, settings.c_str());
  EXPECT_STREQ(buf, "space");  // written when missing
  const std::pair<const char*, int> skins[] = {
      {"lcd", 2}, {"solid", 1}, {"space", 0}, {"LCD", 0}, {"neon", 0}};
  for (auto [name, mode] : skins) {
    WriteSettings(std::string("[gui]\nbackground=") + name + "\n");
    Make();
    EXPECT_EQ(editor->SkinMode(), mode) << name;
    GetPrivateProfileString("gui", "background", "", buf, sizeof buf, settings.c_str());
    EXPECT_STREQ(buf, name);  // an unknown skin name is kept as it is
  }
}

TEST_F(EditorTest, ManagerPageAndRememberMeFromSettings) {
  struct Case {
    const char* settings;
    bool managerShown;
    double rememberMe;
  } cases[] = {
      {"", false, 0.0},
      {"[gui]\nmanager=true\n[dbase]\nmemo=true\n", true, 1.0},
      {"[gui]\nmanager=false\n[dbase]\nmemo=false\n", false, 0.0},
      {"[gui]\nmanager=TRUE\n[dbase]\nmemo=yes\n", false, 0.0},  // other texts leave both
  };
  for (const Case& c : cases) {
    WriteSettings(c.settings);
    VQEditor& e = Make();
    EXPECT_EQ(e.ManagerPageShown(), c.managerShown) << c.settings;
    EXPECT_EQ(Value(346), c.rememberMe) << c.settings;
  }
  // Without a GUI the page is not built and stays closed.
  WriteSettings("[gui]\nmanager=true\n");
  EXPECT_FALSE(Make("", false).ManagerPageShown());
}

}  // namespace
}  // namespace vqtest

namespace vqtest {
namespace {

TEST_F(EditorTest, StartUpRemovesTemporaryFilesOfKilledSaves) {
  struct Case {
    const char* name;
    bool old;
    bool stays;
  } cases[] = {
      {".vqtmp-a1B2c3", true, false},             // a program save's
      {".settings.ini.Xy12Zq.new", true, false},  // a settings save's
      {".vqtmp-a1B2c4", false, true},             // a save that may still be running
      {".vqtmp-toolongname", true, true},         // not a name the program gives
      {".hidden", true, true},
      {"07_Lead.pr4", true, true},
  };
  // The settings folder, the download cache, the upload folder, the last program's folder and
  // the folder of the last bank download.
  const std::vector<std::string> folders{dir, dir + "/cache", dir + "/cache/selected",
                                         dir + "/programs", dir + "/bank"};
  WriteSettings("[program]\nlastfile=" + dir + "/programs/07_Lead.pr4\ndownloadfolder=" + dir +
                "/bank/\n");
  for (const std::string& folder : folders) {
    std::filesystem::create_directories(folder);
    for (const Case& c : cases) {
      const std::string path = folder + "/" + c.name;
      std::ofstream(path) << "x";
      if (c.old) {
        struct timespec times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
      }
    }
  }
  Make();
  for (const std::string& folder : folders)
    for (const Case& c : cases)
      EXPECT_EQ(std::filesystem::exists(folder + "/" + c.name), c.stays) << folder << c.name;
}

// A quick restart finds the killed download's temporary file young and leaves it; a download
// into another folder must not make the next start forget the first folder.
TEST_F(EditorTest, StartUpCleansEveryFolderOfAKilledDownload) {
  const std::string first = dir + "/bank/", second = dir + "/bank2/";
  const std::string temp = first + ".vqtmp-a1B2c3";
  std::filesystem::create_directories(first);
  std::filesystem::create_directories(second);
  WriteSettings("[program]\ndownloadfolder=" + first + "\n");
  std::ofstream(temp) << "killed";
  Make().PrepareDownloadFolder(second);
  editor.reset();
  struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, temp.c_str(), old, 0), 0);
  Make();
  EXPECT_FALSE(std::filesystem::exists(temp));
  // Both cleaned: neither is remembered any longer.
  char folder[256];
  for (const char* key : {"downloadfolder", "downloadfolder2"})
    EXPECT_EQ(GetPrivateProfileString("program", key, "", folder, sizeof folder, settings.c_str()),
              0u)
        << key << "=" << folder;
}

}  // namespace
}  // namespace vqtest
