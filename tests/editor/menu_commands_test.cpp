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
using vqtest::TestControl;

class ClickCounter : public TestControl {
 public:
  using TestControl::TestControl;
  void OnMouseDown(int, int, IMouseMod*) override { ++clicks; }
  int clicks = 0;
};

class RecordingResize : public IModuleGUIResize {
 public:
  void SetGuiScale(double s) override { scales.push_back(s); }
  void ResizeAndStoreGuiSize() override { ++stored; }
  std::vector<double> scales;
  int stored = 0;
};

class MenuCommandsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    headless = &vq::platform::installHeadless();
    Make();
    StopTimer();
    for (int role = 0; role < VQEditor::kFileSelectorCount; ++role) {
      selectors[role] = new ClickCounter(editor.get(), IRECT(0, 0, 5, 5));
      Gui()->AttachControl(selectors[role]);
      editor->fileSelector[role] = selectors[role];
    }
    editor->aboutOverlay = Bind(-1);
    editor->aboutOverlay->Hide(true);
    editor->programNumberSelector = Bind(-1);
    editor->programNumberSelector->Hide(true);
    for (IControl*& c : editor->skinBackground) c = Bind(-1);
    resize.scales.clear();
    resize.stored = 0;
    editor->SetGUIResize(&resize);
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
  ClickCounter* selectors[VQEditor::kFileSelectorCount] = {};
  RecordingResize resize;
};

TEST_F(MenuCommandsTest, EachCommandHasItsEffect) {
  struct Case {
    int code;
    std::function<void()> before;
    std::function<void()> check;
  };
  const std::vector<Case> cases = {
      {0, nullptr, [this] {
         EXPECT_FALSE(editor->aboutOverlay->IsHidden());
         EXPECT_EQ(editor->aboutOverlay->GetValue(), 1.0);
       }},
      {2, nullptr, [this] { EXPECT_EQ(selectors[VQEditor::kLoadSelector]->clicks, 1); }},
      {3, [this] { editor->receivedDumpPending = true; },
       [this] {
         EXPECT_FALSE(editor->receivedDumpPending);
         EXPECT_EQ(selectors[VQEditor::kSaveSelector]->clicks, 1);
       }},
      {4, nullptr, [this] { EXPECT_EQ(selectors[VQEditor::kWriteSelector]->clicks, 1); }},
      {6, nullptr, [this] { EXPECT_EQ(selectors[VQEditor::kFirmwareSelector]->clicks, 1); }},
      {8, nullptr, [this] {
         ASSERT_EQ(headless->opened.size(), 1u);
         EXPECT_EQ(headless->opened[0].rfind("https://", 0), 0u);
         EXPECT_NE(headless->opened[0].find("/vqdatabase"), std::string::npos);
       }},
      {11, nullptr, [this] {
         EXPECT_TRUE(editor->compactView);
         EXPECT_EQ(Gui()->GetWidth(), 1024);
         EXPECT_EQ(Gui()->GetHeight(), 400);
       }},
      {10, [this] { editor->OnCommand(11); },
       [this] {
         EXPECT_FALSE(editor->compactView);
         EXPECT_EQ(Gui()->GetWidth(), 1140);
       }},
      {13, nullptr, [this] {
         EXPECT_EQ(resize.scales, std::vector<double>{0.8});
         EXPECT_EQ(resize.stored, 1);
       }},
      {19, nullptr, [this] { EXPECT_EQ(resize.scales, std::vector<double>{2.0}); }},
      {20, nullptr, [this] { EXPECT_FALSE(editor->programNumberSelector->IsHidden()); }},
      {21, [this] { Folder(std::nullopt); },
       [this] {  // cancelled: the download still starts
         EXPECT_EQ(StatusText(), "Connecting to VQ...");
         EXPECT_TRUE(editor->bankDownloadRunning);
         EXPECT_TRUE(editor->requestPending);
         EXPECT_EQ(editor->requestSlot, 1);
       }},
      {23, nullptr, [this] {
         EXPECT_EQ(Setting("gui", "background"), "solid");
         EXPECT_EQ(editor->skinMode, 1);
         EXPECT_TRUE(editor->skinBackground[0]->IsHidden());
         EXPECT_FALSE(editor->skinBackground[1]->IsHidden());
         EXPECT_TRUE(Gui()->messageBoxes.empty());
       }},
      {22, [this] { editor->skinMode = 2; },
       [this] {  // "lcd" running: stored, restart asked for, skin unchanged
         EXPECT_EQ(Setting("gui", "background"), "space");
         ASSERT_EQ(Gui()->messageBoxes.size(), 1u);
         EXPECT_EQ(Gui()->messageBoxes[0].caption, "Warning");
         EXPECT_EQ(editor->skinMode, 2);
       }},
      {25, [this] { editor->skinMode = 2; },
       [this] {
         EXPECT_EQ(Setting("gui", "background"), "lcd");
         EXPECT_TRUE(Gui()->messageBoxes.empty());
       }},
      {25, nullptr, [this] { EXPECT_EQ(Gui()->messageBoxes.size(), 1u); }},
      {35, nullptr, [this] {
         ASSERT_FALSE(out.Messages().empty());
         EXPECT_EQ(out.Messages().back(), StartupMessage());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("command " + std::to_string(c.code));
    TearDown();
    SetUp();
    if (c.before) c.before();
    Gui()->messageBoxes.clear();
    EXPECT_TRUE(editor->OnCommand(c.code));
    c.check();
  }
}

TEST_F(MenuCommandsTest, OutOfRangeCommandsAndCommandsWithoutGraphicsChangeNothing) {
  for (int code : {36, 1000, -1}) {
    EXPECT_TRUE(editor->OnCommand(code));
  }
  EXPECT_TRUE(headless->opened.empty());
  editor.reset(MakePlug(&out, &channel, BaseSetup("", false)));
  const size_t mark = Mark();
  EXPECT_TRUE(editor->OnCommand(35));
  EXPECT_TRUE(editor->OnCommand(21));
  EXPECT_EQ(Mark(), mark);
  EXPECT_FALSE(editor->bankDownloadRunning);
  EXPECT_TRUE(headless->panels.empty());
}

TEST_F(MenuCommandsTest, StepsAndUndoDoNothingWhileTheManagerIsShown) {
  editor->programList = {"a.pr4", "b.pr4", "c.pr4"};
  editor->programListLast = 2;
  editor->programListIndex = 1;
  editor->managerPageShown = true;
  const int32_t cursor = editor->undoCursor;
  for (int code : {26, 27, 28, 29, 30, 31}) editor->OnCommand(code);
  EXPECT_EQ(editor->programListIndex, 1);
  EXPECT_EQ(editor->undoCursor, cursor);
}

TEST_F(MenuCommandsTest, StepsByTenStayInsideTheList) {
  editor->programList = {"a", "b", "c", "d", "e"};
  editor->programListLast = 4;
  for (auto [from, code, to] : {std::tuple{3, 30, 4}, {1, 31, 0}, {0, 30, 4}, {4, 31, 0}}) {
    editor->programListIndex = from;
    editor->OnCommand(code);
    EXPECT_EQ(editor->programListIndex, to) << "from " << from << " by command " << code;
  }
}

TEST_F(MenuCommandsTest, FolderPanelTakesTheFolderOrRefusesOneThatDoesNotFit) {
  Folder({{"/music/programs"}});
  editor->OnCommand(1);
  EXPECT_EQ(editor->lastFile, "/music/programs/");

  const std::string longFolder = "/" + std::string(260, 'x');
  Folder({{longFolder}});
  editor->OnCommand(5);
  EXPECT_EQ(editor->lastFile, "/music/programs/");
  EXPECT_FALSE(editor->bankUploadRequest);
  EXPECT_EQ(StatusText(), "The folder path is too long!");

  Folder({{"/music/bank"}});
  editor->OnCommand(5);
  EXPECT_EQ(editor->lastFile, "/music/bank/");
  EXPECT_TRUE(editor->bankUploadRequest);
}

// While the panel is open another thread (the MIDI input) can take the plug mutex.
TEST_F(MenuCommandsTest, FolderPanelRunsWithoutThePlugMutex) {
  std::atomic<int> tookMutex{-1};
  headless->loop.addTimer(0.1, false, [&] {
    std::thread midi([&] {
      const bool took = editor->Mutex().TryEnter();
      if (took) editor->Mutex().Leave();
      tookMutex = took;
    });
    midi.join();
  }, true);
  headless->panelAnswers.push_back({std::vector<std::string>{"/music"}, 0.5});
  editor->OnCommand(1);
  EXPECT_EQ(tookMutex.load(), 1);
  EXPECT_EQ(editor->lastFile, "/music/");
}

}  // namespace

namespace {

TEST_F(MenuCommandsTest, EnteringTheManagerMarksTheCurrentProgram) {
  editor->programList = {"b.pr4"};
  editor->programListIndex = 0;
  editor->currentProgramFolder = "/m/";
  editor->browserRows.resize(2);
  std::strcpy(editor->browserRows[0].name, "a.pr4");
  std::strcpy(editor->browserRows[1].name, "b.pr4");
  editor->bankUploadFileCount = 1;
  auto* row = Bind(-1);
  editor->browserRowText[1] = row;
  editor->slotTable[4].selected = 1;
  editor->OnCommand(33);
  EXPECT_TRUE(editor->managerPageShown);
  EXPECT_EQ(editor->browserRows[1].flags[3], 1);
  EXPECT_EQ(row->GetTextStyle()->mColor.R, 255);
  EXPECT_EQ(row->GetTextStyle()->mColor.G, 0);
  EXPECT_EQ(editor->rememberedProgramPath, "/m/b.pr4");
  EXPECT_EQ(editor->slotTable[4].selected, 0);
}

TEST_F(MenuCommandsTest, LeavingTheManagerLoadsTheSelectedSlotOrTheRememberedProgram) {
  std::vector<int> cached;
  editor->saveSlotToCache = [&](VQEditor&, int slot) { cached.push_back(slot); };
  editor->managerPageShown = true;
  editor->slotTable[3].empty = 0;
  editor->slotTable[3].selected = 1;
  std::strcpy(editor->slotTable[3].path, "/cache/03_Lead.pr4");
  std::strcpy(editor->slotTable[3].name, "Lead");
  editor->OnCommand(32);
  EXPECT_FALSE(editor->managerPageShown);
  EXPECT_EQ(cached, std::vector<int>{3});
  EXPECT_EQ(editor->selectedFile[VQEditor::kWriteSelector], "/cache/03_Lead.pr4");
  EXPECT_EQ(editor->programList.at(0), "Lead.pr4");

  editor->managerPageShown = true;
  editor->slotTable[3] = ProgramSlot();
  editor->rememberedProgramPath = "/m/old.prg";
  editor->rememberedProgramFolder = "/m/";
  editor->OnCommand(32);
  EXPECT_EQ(editor->selectedFile[VQEditor::kLoadSelector], "/m/old.prg");
  EXPECT_EQ(editor->selectedFile[VQEditor::kSaveSelector], "/m/old.pr4");
  EXPECT_EQ(editor->currentProgramFolder, "/m/");
}

}  // namespace
