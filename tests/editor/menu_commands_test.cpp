// The editor's menu commands: each command's effect, what a folder panel does (and that MIDI
// input is not held up while it is open), and the commands that must change nothing.
#include <atomic>
#include <functional>
#include <thread>

#include "editor_test_support.h"
#include "graphics/imodule_gui_resize.h"
#include "platform/headless.h"
#include "platform/platform.h"

namespace {

using vqtest::EditorTest;
using vqtest::RecordingPages;

class MenuCommandsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    headless = &vq::platform::installHeadless();
    VQEditorSetup setup = BaseSetup();
    pages = &UseRecordingPages(setup);
    MakeFrom(std::move(setup));
    StopTimer();
    resize = std::make_unique<IModuleGUIResize>(editor.get(), Gui(), true, 16, 16);
    editor->SetGUIResize(resize.get());
  }
  void TearDown() override {
    if (editor) editor->SetGUIResize(nullptr);
    EditorTest::TearDown();
    vq::platform::installHeadless();
  }
  void Folder(std::optional<std::vector<std::string>> paths) {
    vq::platform::PanelAnswer answer;
    answer.paths = std::move(paths);
    headless->panelAnswers.push_back(answer);
  }
  std::string Setting(const char* section, const char* key) {
    char buf[64];
    GetPrivateProfileString(section, key, "", buf, sizeof buf, settings.c_str());
    return buf;
  }

  vq::platform::HeadlessBackend* headless = nullptr;
  RecordingPages* pages = nullptr;
  std::unique_ptr<IModuleGUIResize> resize;
};

TEST_F(MenuCommandsTest, EachCommandHasItsEffect) {
  struct Case {
    int code;
    std::function<void()> before, check;
  };
  auto clicked = [this](int role) {
    return [this, role] { EXPECT_EQ(pages->openedSelectors, std::vector<int>{role}); };
  };
  const std::vector<Case> cases = {
      {0, nullptr, [this] { EXPECT_TRUE(pages->aboutShown); }},
      {2, nullptr, clicked(VQEditor::kLoadSelector)},
      {3, [this] { editor->Link().SetReceivedDumpPending(true); },
       [this] {
         EXPECT_FALSE(
             editor->Link().ReceivedDumpPending());  // the save writes the editor's program
         EXPECT_EQ(pages->openedSelectors, std::vector<int>{VQEditor::kSaveSelector});
       }},
      {4, nullptr, clicked(VQEditor::kWriteSelector)},
      {6, nullptr, clicked(VQEditor::kFirmwareSelector)},
      {8, nullptr,
       [this] {
         EXPECT_EQ(headless->opened,
                   std::vector<std::string>{"https://www.velquor.com/vqdatabase"});
       }},
      {11, nullptr,
       [this] {
         EXPECT_EQ(std::tuple(editor->CompactView(), Gui()->GetWidth(), Gui()->GetHeight()),
                   std::tuple(true, 1024, 400));
       }},
      {13, nullptr,
       [this] {
         EXPECT_EQ(std::pair(resize->GetGuiScale(), Gui()->GetWidth()), std::pair(0.8, 912));
       }},
      {20, nullptr, [this] { EXPECT_TRUE(pages->numberSelectorShown); }},
      {21, [this] { Folder(std::nullopt); },  // cancelled: the download still starts
       [this] {
         EXPECT_EQ(StatusText(), "Connecting to VQ...");
         EXPECT_TRUE(editor->Link().BankDownloadRunning() && editor->Link().RequestPending() &&
                     editor->Link().RequestSlot() == 1);
       }},
      {23, [this] { pages->skinsShown.clear(); },
       [this] {
         EXPECT_EQ(Setting("gui", "background"), "solid");
         EXPECT_EQ(editor->SkinMode(), 1);
         EXPECT_EQ(pages->skinsShown, std::vector<bool>{false});  // "solid" shown
       }},
      {22, [this] { editor->SetSkinMode(2); },  // "lcd" runs: stored, restart asked for
       [this] {
         EXPECT_EQ(Setting("gui", "background"), "space");
         EXPECT_EQ(Gui()->messageBoxes.size(), 1u);
         EXPECT_EQ(editor->SkinMode(), 2);
       }},
      {25, [this] { editor->SetSkinMode(2); },
       [this] { EXPECT_TRUE(Gui()->messageBoxes.empty()); }},
      {35, nullptr, [this] { EXPECT_EQ(out.Messages().back(), StartupMessage()); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("command " + std::to_string(c.code));
    TearDown();
    SetUp();
    if (c.before) c.before();
    EXPECT_TRUE(editor->OnCommand(c.code));
    c.check();
  }
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

// Steps by ten stay inside the list; while the manager is shown no step or undo happens.
TEST_F(MenuCommandsTest, StepsByTenStayInsideTheList) {
  editor->Browser().ProgramList() = {"a", "b", "c", "d", "e"};
  editor->Browser().SetProgramListLast(4);
  for (auto [from, code, to, manager] : {std::tuple{3, 30, 4, false},
                                         {1, 31, 0, false},
                                         {4, 31, 0, false},
                                         {1, 30, 1, true},
                                         {1, 29, 1, true}}) {
    editor->Browser().SetProgramListIndex(from);
    editor->SetManagerPageShown(manager);
    editor->OnCommand(code);
    EXPECT_EQ(editor->Browser().ProgramListIndex(), to)
        << "from " << from << " by command " << code;
  }
}

// The panel runs without the plug mutex (the MIDI thread can take it meanwhile); a folder
// whose path does not fit is refused, not cut.
TEST_F(MenuCommandsTest, FolderPanelRunsWithoutThePlugMutexAndRefusesLongFolders) {
  std::atomic<int> tookMutex{-1};
  headless->loop.addTimer(
      0.1, false,
      [&] {
        std::thread([&] {
          tookMutex = editor->Mutex().TryEnter();
          if (tookMutex) editor->Mutex().Leave();
        }).join();
      },
      true);
  headless->panelAnswers.push_back({std::vector<std::string>{"/music"}, 0.5});
  editor->OnCommand(1);
  EXPECT_EQ(tookMutex.load(), 1);
  EXPECT_EQ(editor->Browser().LastFile(), "/music/");

  Folder({{"/" + std::string(260, 'x')}});
  editor->OnCommand(5);
  EXPECT_EQ(editor->Browser().LastFile(), "/music/");
  EXPECT_FALSE(editor->Link().BankUploadRequest());
  EXPECT_EQ(StatusText(), "The folder path is too long!");
}

// Entering marks the current program in the browser; leaving loads the selected slot's
// program (kept in the cache first), or without one the program remembered on entering.
TEST_F(MenuCommandsTest, ManagerPageInAndOut) {
  editor->Browser().ProgramList() = {"b.pr4"};
  editor->Browser().SetCurrentProgramFolder("/m/");
  editor->Browser().Rows().resize(2);
  std::strcpy(editor->Browser().Rows()[1].name, "b.pr4");
  editor->Browser().SetBankUploadFileCount(1);
  editor->OnCommand(33);
  EXPECT_EQ(editor->Browser().Rows()[1].flags[3], 1);
  EXPECT_EQ(Page().BrowserRow(1)->GetTextStyle()->mColor.G, 0);  // red
  EXPECT_EQ(editor->Browser().RememberedProgramPath(), "/m/b.pr4");

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

  editor->OnCommand(33);
  editor->Browser().Slots()[3] = ProgramSlot();
  editor->Browser().SetRememberedProgramPath("/m/old.prg");
  editor->OnCommand(32);
  EXPECT_EQ(editor->Browser().SelectedFile(VQEditor::kSaveSelector), "/m/old.pr4");
  EXPECT_EQ(editor->Browser().CurrentProgramFolder(), "/m/");
}

}  // namespace
