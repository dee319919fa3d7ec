// Drags out of window views: promised files named and written at the drop, the question
// before replacing, and promises that never outlive their view; OpenGL contexts per view.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "platform/drag_source.h"
#include "platform/gl_context.h"
#include "wemu/drag_source.h"
#include "wemu/hosted_views.h"
#include "wemu/view_gl.h"
#include "wemu/window_lifetime.h"
#include "window_test_support.h"

namespace {

namespace fs = std::filesystem;

class DragSourceTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    vq::platform::installDragSource(std::make_unique<vq::platform::HeadlessDragSource>());
    folder = fs::temp_directory_path() / ("vq-drag-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    dlg = WEMU_CreateDialog(list, 40001, nullptr, recordingProc, 0);
    written().clear();
  }
  void TearDown() override {
    WEMU_FinishDragDrop();
    fs::remove_all(folder);
    WindowTest::TearDown();
  }
  static std::vector<std::string>& written() {
    static std::vector<std::string> w;
    return w;
  }
  static void writer(const char* path) {
    written().push_back(path);
    std::ofstream(path) << "program";
  }
  void touch(const std::string& name) { std::ofstream(folder / name) << "old"; }
  std::optional<std::vector<std::string>> dropPromise(const char* path,
                                                      std::deque<int> answers = {}) {
    for (int a : answers) backend->alertAnswers.push_back({a});
    RECT r{0, 0, 10, 10};
    WEMU_InitiateDragDrop(dlg, &r, path, writer);
    return WEMU_PromisedFilesDropped(folder.string());
  }
  fs::path folder;
  HWND__* dlg = nullptr;
};

TEST_F(DragSourceTest, KeepBothNamesNumberTheStem) {
  static std::set<std::string> taken;
  struct Case {
    const char* target;
    std::set<std::string> exists;
    const char* want;  // null: no name
  } cases[] = {
      {"/f/song.pr4", {}, "/f/song 001.pr4"},
      {"/f/song.pr4", {"/f/song 001.pr4"}, "/f/song 002.pr4"},
      {"/f/take_7.pr4", {}, "/f/take_008.pr4"},
      {"/f/take-099", {}, "/f/take-100"},
      {"/f/a 1234.pr4", {}, "/f/a 1234 001.pr4"},  // four digits: not a number of ours
      {"/f/_7.pr4", {}, "/f/_7 001.pr4"},          // nothing before the separator
      {"/f/.hidden", {}, "/f/.hidden 001"},        // a leading dot is no extension
      {"/f.d/x", {}, "/f.d/x 001"},                // a dot in the folder neither
      {"/f/x 999.pr4", {}, nullptr},
  };
  for (const Case& c : cases) {
    taken = c.exists;
    auto name =
        WEMU_KeepBothName(c.target, [](const std::string& p) { return taken.count(p) > 0; });
    if (c.want)
      EXPECT_EQ(name, std::optional<std::string>(c.want)) << c.target;
    else
      EXPECT_FALSE(name) << c.target;
  }
  std::string longStem(PATH_MAX - 8, 'a');
  EXPECT_FALSE(
      WEMU_KeepBothName("/" + longStem + ".pr4", [](const std::string&) { return false; }));
}

TEST_F(DragSourceTest, DropAsksBeforeReplacing) {
  touch("song.pr4");
  struct Case {
    int answer;  // 0 keep both, 1 stop, 2 replace
    std::optional<std::vector<std::string>> result;
  } cases[] = {{1, std::nullopt},
               {2, std::vector<std::string>{"song.pr4"}},
               {0, std::vector<std::string>{"song 001.pr4"}},
               {0, std::vector<std::string>{"song 002.pr4"}}};
  for (const Case& c : cases) {
    backend->alerts.clear();
    EXPECT_EQ(dropPromise("/src/song.pr4", {c.answer}), c.result) << c.answer;
    ASSERT_EQ(backend->alerts.size(), 1u);
    EXPECT_EQ(backend->alerts[0].buttons,
              (std::vector<std::string>{"Keep Both Files", "Stop", "Replace"}));
    EXPECT_FALSE(WEMU_Internal_HasPendingPromise());
  }
  EXPECT_EQ(backend->alerts[0].message,
            "An item named \"song.pr4\" already exists in this location. Do you want to replace it "
            "with the one "
            "you're moving?");
  auto& drags = static_cast<vq::platform::HeadlessDragSource&>(vq::platform::dragSource()).drags;
  ASSERT_FALSE(drags.empty());
  EXPECT_EQ(drags.back().paths, std::vector<std::string>{"pr4"});
  EXPECT_TRUE(drags.back().promised);
}

TEST_F(DragSourceTest, PromisesRefuseBadNamesAndDieWithTheirView) {
  struct Case {
    const char* path;
    bool written;
  } cases[] = {{"/src/a.pr4", true}, {"/src/", false}, {"/src/.", false}, {"..", false}};
  for (const Case& c : cases) {
    written().clear();
    EXPECT_EQ(dropPromise(c.path).has_value(), c.written) << c.path;
    EXPECT_EQ(written().size(), c.written ? 1u : 0u) << c.path;
  }
  // A promise of a destroyed view is gone; so is one after FinishDragDrop or a non-view drag.
  HWND__* child = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, dlg, nullptr, 0);
  WEMU_InitiateDragDrop(child, nullptr, "/src/b.pr4", writer);
  EXPECT_TRUE(WEMU_Internal_HasPendingPromise());
  DestroyWindow(child);
  WEMU_Internal_FlushDeferredDeletes();
  EXPECT_FALSE(WEMU_PromisedFilesDropped(folder.string()));
  WEMU_InitiateDragDrop(dlg, nullptr, "/src/b.pr4", writer);
  WEMU_FinishDragDrop();
  EXPECT_FALSE(WEMU_Internal_HasPendingPromise());
  WEMU_InitiateDragDrop(WEMU_TopLevelOf(dlg->window()), nullptr, "/src/b.pr4", writer);
  EXPECT_FALSE(WEMU_Internal_HasPendingPromise());
  EXPECT_TRUE(written().empty());
  std::string tooLong(PATH_MAX, 'n');
  EXPECT_FALSE(dropPromise(("/src/" + tooLong).c_str()));
}

TEST_F(DragSourceTest, FileListsGoToThePlatform) {
  const char* paths[] = {"/a.pr4", nullptr, "/b.pr4"};
  RECT r{5, 6, 25, 36};
  WEMU_InitiateDragDropOfFileList(dlg, &r, paths, 3, nullptr);
  WEMU_InitiateDragDropOfFileList(dlg, &r, paths, 0, nullptr);
  auto& drags = static_cast<vq::platform::HeadlessDragSource&>(vq::platform::dragSource()).drags;
  ASSERT_EQ(drags.size(), 1u);
  EXPECT_EQ(drags[0].paths, (std::vector<std::string>{"/a.pr4", "/b.pr4"}));
  EXPECT_EQ(drags[0].from.width, 20);
  EXPECT_EQ(drags[0].from.height, 30);
}

// Where the display makes no OpenGL context, the calls answer failure.
TEST_F(DragSourceTest, WithoutOpenGLTheViewCallsAnswerFailure) {
  auto* service = new vq::platform::HeadlessGLService();
  service->refuse = true;
  vq::platform::installGLService(std::unique_ptr<vq::platform::GLService>(service));
  HWND__* child = WEMU_CreateDialog(list, WEMU_NORESOURCE_ID, dlg, nullptr, 0);
  WEMU_SetViewGL(child, true);
  EXPECT_FALSE(WEMU_GetViewGL(child));
  EXPECT_FALSE(WEMU_SetGLContextToView(child));
  EXPECT_FALSE(WEMU_GetViewGL(WEMU_TopLevelOf(dlg->window())));  // not a view
  DestroyWindow(child);
  vq::platform::installGLService(nullptr);
}

}  // namespace

namespace {

TEST_F(DragSourceTest, HostedViewsArePlainChildrenWithoutAHostedWindow) {
  void* hosted = this;
  RECT r{1, 2, 41, 32};
  HWND__* v = WEMU_CreateHostedWindowView(dlg, &r, &hosted);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(hosted, nullptr);
  EXPECT_EQ(GetParent(v), dlg);
  EXPECT_EQ(v->frame().width, 40);
  EXPECT_EQ(WEMU_GetHostedWindow(v), nullptr);
  EXPECT_EQ(WEMU_CreatePluginView(dlg, nullptr, nullptr, &r), nullptr);
}

}  // namespace
