// The editor's menu commands: each command's effect, what a folder panel does (and that MIDI
// input is not held up while it is open), and the commands that must change nothing.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "editor_test_support.h"
#include "graphics/bitmap_controls.h"
#include "graphics/file_selector.h"
#include "graphics/imodule_gui_resize.h"
#include "library/bank_transfer.h"
#include "library/program_library.h"
#include "library/program_manager.h"
#include "library/program_text_format.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "wemu/utilities.h"

namespace {

using vqtest::EditorTest;
using vqtest::TestGraphics;

// Records the parameter of each file selector whose panel opens (the panel is cancelled).
class PanelGraphics : public TestGraphics {
 public:
  PanelGraphics(IModuleBase* plug, int w, int h, std::string folder)
      : TestGraphics(plug, w, h), mFolder(std::move(folder)) {
    fileCancels = true;
  }
  void PromptForFile(UTL_String* file, int action, UTL_String* dir,
                     const char* extensions) override {
    for (int i = 0; i < NControls(); ++i)
      if (auto* s = dynamic_cast<IFileSelectorControl*>(GetControl(i));
          s && s->GetState() == IFileSelectorControl::kPanelOpen)
        panels.push_back(s->ParamIdx());
    TestGraphics::PromptForFile(file, action, dir, extensions);
  }
  void AppSupportPath(UTL_String* path, bool) override { path->Set(mFolder.c_str()); }
  std::vector<int> panels;

 private:
  std::string mFolder;
};

// The editor as the program builds it: its pages, the program library, the transfers and the
// program manager.
class MenuCommandsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    headless = &vq::platform::installHeadless();
    mkdir((dir + "/VQEditor4").c_str(), 0755);
    VQEditorSetup setup = BaseSetup();
    const std::string folder = dir;
    setup.makeGraphics = [folder](IModuleBase* plug, int w, int h, int) -> IGraphics* {
      return new PanelGraphics(plug, w, h, folder);
    };
    setup.programFiles = MakeProgramLibrary();
    MakeFrom(std::move(setup));
    InstallProgramTransfers(*editor);
    ConnectProgramManager(*editor, InstallProgramManager(*editor));
    StopTimer();
  }
  void TearDown() override {
    EditorTest::TearDown();
    vq::platform::installHeadless();
  }
  void Folder(std::optional<std::vector<std::string>> paths) {
    vq::platform::PanelAnswer answer;
    answer.paths = std::move(paths);
    headless->panelAnswers.push_back(answer);
  }
  std::string Setting(const char* section, const char* key, const std::string& file = "") {
    char buf[64];
    GetPrivateProfileString(section, key, "", buf, sizeof buf,
                            file.empty() ? settings.c_str() : file.c_str());
    return buf;
  }
  std::vector<int>& Panels() { return static_cast<PanelGraphics*>(editor->Graphics())->panels; }
  // Whether every control of the parameter is shown (false when it has none).
  bool Shown(int param) {
    bool any = false;
    for (int i = 0; i < Gui()->NControls(); ++i)
      if (IControl* c = Gui()->GetControl(i); c->ParamIdx() == param) {
        if (c->IsHidden()) return false;
        any = true;
      }
    return any;
  }
  std::string Backgrounds() {
    std::string shown;
    for (int k = 0; k < 4; ++k) shown += Page().Background(k)->IsHidden() ? '-' : 'x';
    return shown;
  }
  // A folder of `count` program files whose list the editor built; `index` is current.
  std::string Programs(int count, int index, const std::string& name = "progs") {
    const std::string folder = dir + "/" + name + "/";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) {
      std::ofstream(folder + "p" + std::to_string(100 + i) + ".pr4", std::ios::binary)
          << FormatProgramText(ProgramFieldTable::InitRecord());
    }
    editor->LocateProgramInFolder((folder + "p100.pr4").c_str());
    EXPECT_EQ(editor->Browser().ProgramListLast(), count - 1);
    editor->Browser().SetProgramListIndex(index);
    return folder;
  }

  vq::platform::HeadlessBackend* headless = nullptr;
};

// Every command, on the editor as the program builds it.
TEST_F(MenuCommandsTest, EachCommandHasItsEffect) {
  struct Case {
    int code;
    std::function<void()> before, check;
  };
  auto opens = [this](int param) {
    return [this, param] {
      EXPECT_EQ(Panels(), std::vector<int>{param});
      EXPECT_EQ(Gui()->filePanelsHoldingThePlug, 0);  // MIDI input and the poll get the editor
    };
  };
  auto scale = [this](int code, double s) {
    return Case{
        code, nullptr, [this, s] {
          EXPECT_EQ(editor->GetGUIResize()->GetGuiScale(), s);
          EXPECT_NEAR(Gui()->GetWidth(), 1140 * s, 1);
          EXPECT_NEAR(
              std::atof(Setting("gui", "guiscale", dir + "/VQEditor4/settings.ini").c_str()), s,
              1e-9);
        }};
  };
  // Steps by ten stop at the list's ends and the press then wraps round; while the manager is
  // shown no step happens.
  auto programStep = [this](int code, int count, int from, int to, bool manager = false) {
    return Case{code,
                [this, count, from, manager] {
                  Programs(count, from);
                  editor->SetManagerPageShown(manager);
                },
                [this, to] { EXPECT_EQ(editor->Browser().ProgramListIndex(), to); }};
  };
  const std::string old = dir + "/old/", resources = dir + "/res/";
  const std::string guide = resources + "pdf/VQ_userguide-v4.11.pdf";
  const std::string keptResources = WEMU_GetResourceFolder();
  const std::vector<Case> cases = {
      {0, nullptr,
       [this] {
         EXPECT_FALSE(Page().About()->IsHidden());
         EXPECT_EQ(Page().About()->GetValue(), 1.0);
       }},
      {1, [this] { Folder({{"/music"}}); },
       [this] { EXPECT_EQ(editor->Browser().LastFile(), "/music/"); }},
      {2, nullptr, opens(vq_param::kLoadFileChosen)},
      {3, [this] { editor->Link().SetReceivedDumpPending(true); },
       [this, opens] {
         EXPECT_TRUE(editor->Link().ReceivedDumpPending());  // cancelled: still the dump's
         opens(vq_param::kSaveFileChosen)();
       }},
      {4, nullptr, opens(vq_param::kSendFileChosen)},
      {5, [this] { Folder({{"/bank"}}); },
       [this] {
         // the folder is the upload's; the program keeps its file
         EXPECT_EQ(editor->Browser().TransferFolder(), "/bank/");
         EXPECT_EQ(editor->Browser().LastFile(), "");
         EXPECT_TRUE(editor->Link().BankUploadRequest());
       }},
      {5,  // beside a running Save All: refused, and the download keeps its folder
       [this] {
         std::filesystem::create_directories(dir + "/down");
         Folder(std::vector<std::string>{dir + "/down"});
         editor->OnCommand(21);
         Folder({{"/bank"}});
       },
       [this] {
         EXPECT_EQ(StatusText(), "A transfer is running!");
         EXPECT_EQ(editor->Browser().TransferFolder(), dir + "/down/");
         EXPECT_FALSE(editor->Link().BankUploadRequest());
       }},
      {6, nullptr, opens(vq_param::kFirmwareFileChosen)},
      {7,
       [&] {
         std::filesystem::create_directories(resources + "pdf");
         std::ofstream(guide) << "%PDF";
         WEMU_SetResourceFolder(resources);
       },
       [&] {
         WEMU_SetResourceFolder(keptResources);
         EXPECT_EQ(headless->opened, std::vector<std::string>{guide});
       }},
      {8, nullptr,
       [this] {
         EXPECT_EQ(headless->opened,
                   std::vector<std::string>{"https://www.velquor.com/vqdatabase"});
       }},
      {9, nullptr, [this] { EXPECT_EQ(editor->Link().IdlePolls(), 1); }},  // one status poll
      {10, [this] { editor->OnCommand(11); },
       [this] {
         EXPECT_EQ(std::tuple(editor->CompactView(), Gui()->GetWidth(), Gui()->GetHeight()),
                   std::tuple(false, 1140, 800));
       }},
      {11, nullptr,
       [this] {
         EXPECT_EQ(std::tuple(editor->CompactView(), Gui()->GetWidth(), Gui()->GetHeight()),
                   std::tuple(true, 1024, 400));
       }},
      scale(12, 0.7),
      scale(13, 0.8),
      scale(14, 0.9),
      scale(15, 1.0),
      scale(16, 1.1),
      scale(17, 1.2),
      scale(18, 1.3),
      scale(19, 2.0),
      {20, nullptr,
       [this] {
         EXPECT_FALSE(Page().SaveFromDevicePanel()->IsHidden());
         EXPECT_TRUE(Shown(vq_param::kSlotChooser) && Shown(vq_param::kRequestProgram));
       }},
      {21,
       [this] {
         std::filesystem::create_directories(dir + "/bank");
         std::ofstream(dir + "/bank/.vqtmp-Ab3dE6") << "killed";
         struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
         utimensat(AT_FDCWD, (dir + "/bank/.vqtmp-Ab3dE6").c_str(), old, 0);
         Folder(std::vector<std::string>{dir + "/bank"});
         editor->Link().SetReceivedDumpPending(true);  // a fetched program offered for saving
       },
       [this] {  // a killed download's temporary file goes before the next one starts
         EXPECT_FALSE(std::filesystem::exists(dir + "/bank/.vqtmp-Ab3dE6"));
         EXPECT_TRUE(editor->Link().BankDownloadRunning());
         // and the folder is remembered, so that the next start cleans it after a kill
         EXPECT_EQ(Setting("program", "downloadfolder"), dir + "/bank/");
         // The download's dumps pass through its buffer: a Save would write one of them.
         EXPECT_FALSE(editor->Link().ReceivedDumpPending());
       }},
      {21, [this] { Folder(std::nullopt); },  // cancelled: nothing is fetched
       [this] {
         EXPECT_NE(StatusText(), "Connecting to VQ...");
         EXPECT_FALSE(editor->Link().BankDownloadRunning() || editor->Link().RequestPending());
       }},
      {22, [this] { editor->OnCommand(23); },
       [this] {
         EXPECT_EQ(Setting("gui", "background"), "space");
         EXPECT_EQ(std::pair(editor->SkinMode(), Backgrounds()), std::pair(0, std::string("x---")));
       }},
      {22, [this] { editor->SetSkinMode(2); },  // "lcd" runs: stored, restart asked for
       [this] {
         EXPECT_EQ(Setting("gui", "background"), "space");
         editor->OnTick();  // shows the box, with the editor free
         ASSERT_EQ(Gui()->messageBoxes.size(), 1u);
         EXPECT_TRUE(Gui()->messageBoxes[0].plugFree);
         EXPECT_EQ(std::pair(editor->SkinMode(), Backgrounds()), std::pair(2, std::string("x---")));
       }},
      {23, nullptr,
       [this] {
         EXPECT_EQ(Setting("gui", "background"), "solid");
         EXPECT_EQ(std::pair(editor->SkinMode(), Backgrounds()), std::pair(1, std::string("-x--")));
       }},
      {24,
       [&] {
         std::filesystem::create_directories(old);
         std::string text;
         for (int i = 0; i < 121; ++i) text += "0\r\n";
         std::ofstream(old + "a.prg", std::ios::binary) << text;
         Folder({{old}});
       },
       [&] {
         EXPECT_TRUE(std::filesystem::exists(old + "a.pr4"));
         editor->OnTick();  // the summary's box, shown with the editor free
         ASSERT_EQ(Gui()->messageBoxes.size(), 1u);
         EXPECT_TRUE(Gui()->messageBoxes[0].plugFree);
       }},
      {25, nullptr,  // "space" runs: stored, restart asked for, nothing else
       [this] {
         EXPECT_EQ(Setting("gui", "background"), "lcd");
         editor->OnTick();
         EXPECT_EQ(Gui()->messageBoxes.size(), 1u);
         EXPECT_EQ(editor->SkinMode(), 0);
       }},
      {26,
       [this] {
         Set(14, 100);
         Set(13, 50);
       },
       [this] { EXPECT_EQ(std::pair(Value(13), Value(14)), std::pair(0.0, 100.0)); }},
      {27,
       [this] {
         Set(14, 100);
         editor->OnCommand(26);
       },
       [this] { EXPECT_EQ(Value(14), 100.0); }},
      programStep(28, 3, 0, 1),
      programStep(29, 3, 2, 1),
      programStep(30, 12, 0, 10),
      programStep(31, 12, 11, 1),
      programStep(30, 5, 3, 0),
      programStep(31, 5, 1, 4),
      programStep(31, 5, 4, 4),
      programStep(30, 5, 1, 1, true),
      programStep(29, 5, 1, 1, true),
      {32, [this] { editor->OnCommand(33); },
       [this] {
         EXPECT_FALSE(editor->ManagerPageShown());
         EXPECT_TRUE(Page().SlotMatrix()->IsHidden());
       }},
      {33, nullptr,
       [this] {
         EXPECT_TRUE(editor->ManagerPageShown());
         EXPECT_FALSE(Page().SlotMatrix()->IsHidden());
       }},
      {34, [this] { Programs(3, 1); },
       [this] {
         EXPECT_EQ(Mark(), 0u);
         EXPECT_TRUE(Panels().empty() && Gui()->messageBoxes.empty() && headless->opened.empty());
         EXPECT_EQ(editor->Browser().ProgramListIndex(), 1);
       }},
      {35, nullptr, [this] { EXPECT_EQ(out.Messages().back(), StartupMessage()); }},
  };
  std::set<int> codes;
  for (const Case& c : cases) {
    SCOPED_TRACE("command " + std::to_string(c.code));
    codes.insert(c.code);
    TearDown();
    SetUp();
    if (c.before) c.before();
    Panels().clear();
    out.Clear();
    EXPECT_TRUE(editor->OnCommand(c.code));
    c.check();
  }
  EXPECT_EQ(codes.size(), 36u);
}

TEST_F(MenuCommandsTest, OutOfRangeCommandsAndCommandsWithoutGraphicsChangeNothing) {
  for (int code : {36, 1000, -1}) EXPECT_TRUE(editor->OnCommand(code));
  editor.reset(MakePlug(&out, &channel, BaseSetup("", false)));
  const size_t mark = Mark();
  EXPECT_TRUE(editor->OnCommand(35));
  EXPECT_TRUE(editor->OnCommand(21));
  EXPECT_EQ(Mark(), mark);
  EXPECT_FALSE(editor->Link().BankDownloadRunning());
  EXPECT_TRUE(headless->panels.empty());
}

// The panel runs without the plug mutex (the MIDI thread can take it meanwhile); a folder
// whose path does not fit is refused, not cut.
TEST_F(MenuCommandsTest, FolderPanelRunsWithoutThePlugMutexAndRefusesLongFolders) {
  bool free = false;
  vqtest::AnswerPanelWatching(*headless, std::vector<std::string>{"/music"}, editor->Mutex(),
                              &free);
  editor->OnCommand(1);
  EXPECT_TRUE(free);
  EXPECT_EQ(editor->Browser().LastFile(), "/music/");

  Folder({{"/" + std::string(260, 'x')}});
  editor->OnCommand(5);
  EXPECT_EQ(editor->Browser().LastFile(), "/music/");
  EXPECT_FALSE(editor->Link().BankUploadRequest());
  EXPECT_EQ(StatusText(), "The folder path is too long!");
}

// Entering marks the current program in the browser; leaving loads the selected slot's
// program (kept in the cache first), or without one, after a program was loaded there, the
// program remembered on entering.
TEST_F(MenuCommandsTest, ManagerPageInAndOut) {
  const std::string folder = Programs(3, 1);
  editor->Browser().SetBankUploadFileCount(1);
  editor->OnCommand(33);
  const auto& rows = editor->Browser().Rows();
  const auto row = std::find_if(rows.begin(), rows.end(), [](const OnlineListRow& r) {
    return r.name == std::string("p101.pr4");
  });
  ASSERT_NE(row, rows.end());
  EXPECT_EQ(row->flags[3], 1);
  EXPECT_EQ(Page().BrowserRow(int(row - rows.begin()))->GetTextStyle()->mColor.G, 0);  // red
  EXPECT_EQ(editor->Browser().RememberedProgramPath(), folder + "p101.pr4");

  std::vector<int> cached;
  editor->SetSlotCacheWriter([&](VQEditor&, int slot) { cached.push_back(slot); });
  editor->Browser().Slots()[3].empty = 0;
  editor->Browser().Slots()[3].selected = 1;
  std::strcpy(editor->Browser().Slots()[3].path, "/cache/03_Lead.pr4");
  std::strcpy(editor->Browser().Slots()[3].name, "Lead");
  editor->OnCommand(32);
  EXPECT_FALSE(editor->ManagerPageShown());
  EXPECT_EQ(cached, std::vector<int>{3});
  EXPECT_EQ(editor->Browser().SelectedFile(VQEditor::kWriteSelector), "/cache/03_Lead.pr4");
  EXPECT_EQ(editor->Browser().ProgramList().at(0), "Lead.pr4");

  // No slot chosen and nothing loaded there: the program stays, nothing is sent.
  editor->OnCommand(33);
  editor->Browser().Slots()[3] = ProgramSlot();
  editor->Browser().SetRememberedProgramPath(folder + "old.prg");
  const size_t mark = Mark();
  editor->OnCommand(32);
  EXPECT_TRUE(Since(mark).empty());
  EXPECT_EQ(editor->Browser().SelectedFile(VQEditor::kWriteSelector), "/cache/03_Lead.pr4");

  // A program loaded there gives way to the one remembered on entering.
  editor->OnCommand(33);
  editor->Browser().SetRememberedProgramPath(folder + "old.prg");
  ASSERT_TRUE(editor->LoadProgramFileToEditor((folder + "p100.pr4").c_str()));
  editor->OnCommand(32);
  EXPECT_EQ(editor->Browser().SelectedFile(VQEditor::kSaveSelector), folder + "old.pr4");
  EXPECT_EQ(editor->Browser().CurrentProgramFolder(), folder);
}

}  // namespace
