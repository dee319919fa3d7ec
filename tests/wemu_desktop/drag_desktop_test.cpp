// Promised files on X between a window view and another program, through direct save: dragged
// out, the target names the place and the file is written there only then, and the target hears
// whether it was; dropped in, the view names the place and hears the written file's path.
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "dialog_fixture.h"
#include "wemu/drag_source.h"
#include "wemu/window_input.h"
#include "x_drop_target.h"

namespace {

using namespace vq::test;
namespace fs = std::filesystem;

bool gWrites = true;
void writer(const char* path) {
  if (gWrites) std::ofstream(path) << "program";
}

class PromisedDragOnDesktop : public DialogDesktopTest {
 protected:
  void TearDown() override {
    WEMU_FinishDragDrop();
    WEMU_SetDropHooks({});
    fs::remove_all(folder);
    DialogDesktopTest::TearDown();
  }
  fs::path folder = fs::temp_directory_path() / ("vq-xds-" + std::to_string(getpid()));
};

TEST_F(PromisedDragOnDesktop, APromisedFileIsWrittenWhereTheDropTargetNamesItsPlace) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  procAnswer() = [&](HWND__* w, UINT m, WPARAM, LPARAM) -> LRESULT {
    if (m == WM_NCHITTEST) return 1;
    if (m == WM_LBUTTONDOWN) {
      RECT r{0, 0, 32, 32};
      WEMU_InitiateDragDrop(w, &r, "/programs/song.pr4", writer);
    }
    return 0;
  };
  WEMU_DialogResourceIndex tmpl{40001, "Drag", 12, nullptr, 200, 150, nullptr};
  HWND__* dlg = WEMU_CreateDialog(&tmpl, tmpl.resid, nullptr, recordingProc, 0);
  ShowWindow(dlg, SW_SHOW);
  GtkWidget* content = b->windows.contentFor(*dlg->window());
  ASSERT_TRUE(pumpUntil([&] { return gtk_widget_get_mapped(content) != 0; }));
  pumpFor(0.3);
  auto [sx, sy] = screenPoint(content, 20, 20);
  XDropTarget target(sx + 300, sy, 160, 160, folder.string());
  ASSERT_TRUE(target.ok());
  pumpFor(0.2);

  struct Case {
    bool writes;
    const char* answer;
    const char* content;  // of the file in the folder; null: no file
  } cases[] = {{true, "S", "program"}, {false, "E", nullptr}};
  for (const Case& c : cases) {
    gWrites = c.writes;
    fs::remove(folder / "song.pr4");
    size_t before = target.drops().size();
    input.move(sx, sy);
    pumpFor(0.05);
    input.button(1, true);
    ASSERT_TRUE(pumpUntil([&] { return WEMU_Internal_HasPendingPromise(); }));
    for (int step = 1; step <= 10; ++step) {
      input.move(sx + 38 * step, sy + 5 * step);
      pumpFor(0.05);
    }
    input.button(1, false);
    ASSERT_TRUE(pumpUntil([&] { return target.drops().size() > before; }));
    pumpFor(0.1);
    XDropTarget::Drop d = target.drops().back();
    EXPECT_EQ(d.types, std::vector<std::string>{"XdndDirectSave0"});
    EXPECT_EQ(d.suggestedName, "song.pr4");
    EXPECT_EQ(d.answer, c.answer);
    EXPECT_FALSE(WEMU_Internal_HasPendingPromise()) << "the drop used the promise up";
    if (c.content) {
      std::ifstream in(folder / "song.pr4");
      std::stringstream s;
      s << in.rdbuf();
      EXPECT_EQ(s.str(), c.content);
    } else {
      EXPECT_FALSE(fs::exists(folder / "song.pr4"));
    }
  }
}

std::vector<std::string> droppedPaths(HANDLE record) {
  std::vector<std::string> paths;
  char buf[512];
  auto* drop = reinterpret_cast<HDROP>(record);
  for (int i = 0; i < DragQueryFile(drop, -1, nullptr, 0); ++i) {
    DragQueryFile(drop, i, buf, sizeof buf);
    paths.push_back(buf);
  }
  return paths;
}

TEST_F(PromisedDragOnDesktop, AFilePromisedByAnotherProgramIsDroppedOnlyWhereAFolderIsGiven) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::vector<std::string> entered, dropped;
  procAnswer() = [&](HWND__*, UINT m, WPARAM wp, LPARAM) -> LRESULT {
    if (m == WM_NCHITTEST) return 1;
    if (m == WM_DROPFILES) dropped = droppedPaths(reinterpret_cast<HANDLE>(wp));
    return 0;
  };
  WEMU_DialogResourceIndex tmpl{40001, "Drop", 12 | WEMU_WF_DROPTARGET, nullptr, 200, 150, nullptr};
  HWND__* dlg = WEMU_CreateDialog(&tmpl, tmpl.resid, nullptr, recordingProc, 0);
  ShowWindow(dlg, SW_SHOW);
  GtkWidget* content = b->windows.contentFor(*dlg->window());
  ASSERT_TRUE(pumpUntil([&] { return gtk_widget_get_mapped(content) != 0; }));
  pumpFor(0.3);
  auto [tx, ty] = screenPoint(content, 100, 70);
  XDragSource source(tx + 300, ty - 40, 80, 80, "song.pr4", "program");
  ASSERT_TRUE(source.ok());
  pumpFor(0.2);

  for (bool hooked : {true, false}) {
    SCOPED_TRACE(hooked ? "with a folder" : "without hooks");
    WEMU_SetDropHooks({});
    if (hooked) {
      WEMU_DropHooks hooks;
      hooks.enter = [&](HANDLE record, POINT) { entered = droppedPaths(record); };
      hooks.promiseFolder = [&](const std::string&) { return folder.string(); };
      WEMU_SetDropHooks(hooks);
    }
    entered.clear();
    dropped.clear();
    fs::remove(folder / "song.pr4");
    input.move(tx + 340, ty);
    pumpFor(0.05);
    input.button(1, true);
    for (int step = 1; step <= 10; ++step) {
      input.move(tx + 340 - 34 * step, ty + step % 2);
      pumpFor(0.05);
    }
    ASSERT_TRUE(pumpUntil([&] { return source.outcome().welcomed; }));
    input.button(1, false);
    ASSERT_TRUE(pumpUntil([&] { return source.outcome().finished; }));
    pumpFor(0.05);
    XDragSource::Outcome o = source.outcome();
    EXPECT_EQ(o.accepted, hooked);
    EXPECT_EQ(o.saveRequests, hooked ? 1 : 0);
    EXPECT_EQ(entered, hooked ? std::vector<std::string>{"tmp.pr4"} : std::vector<std::string>{});
    if (hooked) {
      EXPECT_EQ(dropped, std::vector<std::string>{(folder / "song.pr4").string()});
      std::ifstream in(folder / "song.pr4");
      std::stringstream s;
      s << in.rdbuf();
      EXPECT_EQ(s.str(), "program");
    } else {
      EXPECT_TRUE(dropped.empty());
      EXPECT_FALSE(fs::exists(folder / "song.pr4"));
    }
  }
  DestroyWindow(dlg);
}

}  // namespace
