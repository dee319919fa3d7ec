// The live layout editor through injected events on a headless GUI, and its layout header.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "graphics/imodule_gui_resize.h"
#include "graphics/live_edit.h"
#include "gui_fixture.h"
#include "platform/error_output.h"
#include "platform/menu.h"

using guitest::FnControl;
namespace vp = vq::platform;
namespace fs = std::filesystem;

namespace a_namespace_long_enough_to_pass_the_old_limit_of_one_hundred_and_twenty_eight_characters_per_line {
struct WideKnobWithAVeryDescriptiveName : FnControl {
  using FnControl::FnControl;
};
}  // namespace
   // a_namespace_long_enough_to_pass_the_old_limit_of_one_hundred_and_twenty_eight_characters_per_line

namespace {

// Two layout views; the last three controls are the resizer's.
struct FakeResize : IModuleGUIResize {
  FakeResize() : IModuleGUIResize(nullptr, nullptr, true, 16, 16) {}
  IControl* AttachResizeHandles() override { return nullptr; }  // the tests attach stand-in handles
  int GetLayoutViewCount() const override { return 2; }
  int GetCurrentLayoutView() const override { return view; }
  void SelectLayoutView(int v) override { view = v; }
  int view = 0;
};

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct LiveEdit : guitest::GuiFixture {
  LiveEdit() {
    dir = fs::temp_directory_path() /
          ("vq_live_edit_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~LiveEdit() override {
    plug.SetGUIResize(nullptr);
    fs::remove_all(dir);
  }
  // Background, then three 20 x 20 controls; attached, opened and with the overlay on.
  void Build(int grid, int snap, bool withResize = false) {
    Add(IRECT(0, 0, 100, 80));
    c1 = Add(IRECT(10, 10, 30, 30));
    c2 = Add(IRECT(50, 10, 70, 30));
    c3 = Add(IRECT(10, 50, 30, 70));
    if (withResize) {
      for (int i = 0; i < 3; ++i) handles.push_back(Add(IRECT(80, 60, 100, 80)));
      plug.SetGUIResize(&resizer);
    }
    plug.AttachGraphics(g);
    state()->headerPath = (dir / "LiveEditLayout.h").string();
    g->EnableLiveEdit(true, grid, snap);
    g->OpenWindow(nullptr);
    view = backend.lastGraphicsView();
    EXPECT_FALSE(g->LiveEditOverlayOn());
    view->key(14, U"e");
    Frame();
    EXPECT_TRUE(g->LiveEditOverlayOn());
  }
  LiveEditState* state() { return plug.GetLiveEditState(); }
  void Frame() {
    IRECT all(0, 0, 100, 80);
    g->Draw(&all);
  }
  // A left-button gesture: press, one drag by (dx, dy), release; a frame after each.
  void Drag(int x, int y, int dx, int dy, uint32_t mods = 0) {
    view->press(x, y, vp::PointerButton::Left, mods);
    Frame();
    view->drag(x + dx, y + dy, mods);
    Frame();
    view->release(x + dx, y + dy);
    Frame();
  }
  // A right click at (x, y) answered with menu item `item`.
  void Menu(int x, int y, int item) {
    // The GUI keeps drawing while the menu is open.
    backend.menuAnswers.push_back({[item](vp::Menu& m) { return m.itemAt(item); }, 0.05});
    view->press(x, y, vp::PointerButton::Right);
    Frame();
    Frame();  // the menu took the release: it opens once
    view->release(x, y);
  }

  fs::path dir;
  FakeResize resizer;
  FnControl *c1 = nullptr, *c2 = nullptr, *c3 = nullptr;
  std::vector<FnControl*> handles;
  vp::HeadlessGraphicsView* view = nullptr;
};

}  // namespace

TEST_F(LiveEdit, IsOffUnlessTheEnvironmentSwitchesItOn) {
  struct Case {
    const char *on, *grid, *snap;
    LiveEditSettings want;
  };
  const Case cases[] = {{nullptr, "16", "4", {false, 16, 4}},
                        {"1", "16", "4", {true, 16, 4}},
                        {"0", nullptr, nullptr, {false, 1, 0}},
                        {"1", "zero", "-3", {true, 1, 0}}};
  for (const Case& c : cases) {
    for (auto [name, value] : {std::pair{"VQ_LIVE_EDIT", c.on},
                               {"VQ_LIVE_EDIT_GRID", c.grid},
                               {"VQ_LIVE_EDIT_SNAP", c.snap}})
      value ? ::setenv(name, value, 1) : ::unsetenv(name);
    const LiveEditSettings s = LiveEditSettingsFromEnvironment();
    EXPECT_EQ(s.enabled, c.want.enabled);
    EXPECT_EQ(s.gridSize, c.want.gridSize);
    EXPECT_EQ(s.snapDistance, c.want.snapDistance);
  }
  for (const char* name : {"VQ_LIVE_EDIT", "VQ_LIVE_EDIT_GRID", "VQ_LIVE_EDIT_SNAP"})
    ::unsetenv(name);
  EXPECT_FALSE(g->LiveEditEnabled());
}

TEST_F(LiveEdit, DragsMoveAndResizeOnTheGridWithoutReachingTheControl) {
  Build(8, 0);
  struct Case {
    int x, y, dx, dy;
    uint32_t mods;
    IRECT want;
  };
  const Case cases[] = {
      {12, 12, 13, 5, 0, IRECT(16, 8, 36, 28)},                 // moved, snapped down to the grid
      {12, 12, -15, 0, 0, IRECT(0, 8, 20, 28)},                 // -5 snaps toward zero
      {12, 12, -23, 0, 0, IRECT(-8, 8, 12, 28)},                // -13 too
      {12, 12, 13, 5, vp::kOptionFlag, IRECT(23, 15, 43, 35)},  // Option: no snap
      {28, 28, 7, 9, 0, IRECT(10, 10, 32, 32)},                 // the corner resizes
  };
  for (const Case& c : cases) {
    c1->SetRECT(IRECT(10, 10, 30, 30));
    c1->SetTargetRECT(IRECT(10, 10, 30, 30));
    Drag(c.x, c.y, c.dx, c.dy, c.mods);
    EXPECT_EQ(c1->GetRECT(), c.want) << c.dx << "," << c.dy;
    EXPECT_EQ(c1->GetTargetRECT(), c.want);
  }
  EXPECT_EQ(c1->events, "");  // presses and drags went to the editor only
  // Rects apart: "B" (both) never picks c1, "D" picks it by its draw rect, "T" by its target.
  c1->SetRECT(IRECT(10, 10, 30, 30));
  c1->SetTargetRECT(IRECT(10, 10, 40, 40));
  for (auto [mode, atDraw, atTarget] : {std::tuple{U"b", 0, 0}, {U"d", 1, 0}, {U"t", 1, 1}}) {
    view->key(0, mode);
    Frame();
    EXPECT_EQ(g->GetLiveEditControlIdx(15, 15), atDraw);
    EXPECT_EQ(g->GetLiveEditControlIdx(35, 35), atTarget);
  }
}

TEST_F(LiveEdit, ShiftSnapsToTheNearestGuideWithinTheSnapDistance) {
  Build(1, 0);
  // Dragged to (48, 11): c2's left edge is 2 to the right, its top 1 above; with no snap
  // distance the guides only show.
  // c3 moved so that its right edge lies 2 to the left: a tie, which the right-hand guide wins.
  struct Case {
    int snap;
    IRECT place, want;
  };
  const IRECT home = c3->GetRECT(), tie(26, 50, 46, 70);
  const Case cases[] = {{3, home, IRECT(50, 10, 70, 30)},
                        {1, home, IRECT(48, 10, 68, 30)},
                        {0, home, IRECT(48, 11, 68, 31)},
                        {2, tie, IRECT(50, 10, 70, 30)}};
  for (const Case& c : cases) {
    c1->SetRECT(IRECT(10, 10, 30, 30));
    c1->SetTargetRECT(IRECT(10, 10, 30, 30));
    c3->SetRECT(c.place);
    c3->SetTargetRECT(c.place);
    g->EnableLiveEdit(true, 1, c.snap);
    Drag(12, 12, 38, 1, vp::kShiftFlag);
    EXPECT_EQ(c1->GetRECT(), c.want) << "snap " << c.snap;
  }
}

TEST_F(LiveEdit, AControlMarqueeGroupsControlsThatMoveTogether) {
  Build(8, 0);
  // Only controls wholly inside the marquee join.
  const std::tuple<int, int, int, int, std::vector<int>> marquees[] = {{5, 5, 60, 30, {1}},
                                                                       {15, 5, 60, 30, {2}},
                                                                       {5, 15, 70, 60, {3}},
                                                                       {5, 5, 30, 60, {1}},
                                                                       {5, 5, 70, 30, {1, 2}}};
  for (const auto& [x, y, dx, dy, members] : marquees) {
    Drag(x, y, dx, dy, vp::kControlFlag);
    EXPECT_EQ(state()->groupIdx, members) << x << "," << y << " to " << x + dx << "," << y + dy;
  }
  Drag(15, 15, 16, 8);  // the last marquee took c1 and c2
  EXPECT_EQ(c1->GetRECT(), IRECT(24, 16, 44, 36));
  EXPECT_EQ(c2->GetRECT(), IRECT(64, 16, 84, 36));
  EXPECT_EQ(c3->GetRECT(), IRECT(10, 50, 30, 70));
  Drag(95, 75, 0, 0);  // a press outside the group drops it
  Drag(25, 20, 8, 8);
  EXPECT_EQ(c1->GetRECT(), IRECT(32, 24, 52, 44));
  EXPECT_EQ(c2->GetRECT(), IRECT(64, 16, 84, 36));
}

TEST_F(LiveEdit, MenuItemsRestackHideResetAndDelete) {
  Build(1, 0);
  struct Case {
    int item;
    int alertAnswer;  // 0 OK, 1 Cancel
    int wantIdx;
    bool wantHidden;
    size_t wantDeleted;
  };
  const Case cases[] = {
      {9, 0, 3, false, 0},   // Bring to Front
      {10, 0, 1, false, 0},  // Send to Back
      {12, 0, 2, false, 0},  // Bring Forward
      {13, 0, 1, false, 0},  // Send Backward
      {7, 0, 1, true, 0},    // Hide Control
      {7, 0, 1, false, 0},   // Show Control
      {21, 1, 1, false, 0},  // Delete, cancelled
      {21, 0, 1, true, 1},   // Delete, confirmed
  };
  for (const Case& c : cases) {
    if (c.item == 21) backend.alertAnswers.push_back({c.alertAnswer, 0.05});
    const size_t menus = backend.menusShown.size();
    Menu(c1->GetRECT().L + 5, 15, c.item);
    EXPECT_EQ(backend.menusShown.size(), menus + 1) << c.item;
    EXPECT_EQ(g->GetControlIdx(c1), c.wantIdx) << c.item;
    EXPECT_EQ(c1->IsHidden(), c.wantHidden) << c.item;
    EXPECT_EQ(state()->deleted.size(), c.wantDeleted) << c.item;
  }
  ASSERT_EQ(backend.alerts.size(), 2u);
  EXPECT_EQ(backend.alerts[1].title, "Warning!!!");
  EXPECT_NE(backend.alerts[1].message.find("delete control number 1!"), std::string::npos);
  // A deleted control is left out of the editor and can no longer be picked for a menu.
  Menu(15, 15, 9);
  EXPECT_EQ(backend.menusShown.back().itemTitles[9], "Bring to Front");
  EXPECT_EQ(g->GetControlIdx(c1), 1);

  Drag(52, 12, 10, 10);
  Menu(90, 75, 19);  // Reset View to Default
  EXPECT_EQ(c2->GetRECT(), IRECT(50, 10, 70, 30));
  EXPECT_TRUE(c1->IsHidden());  // still deleted
}

TEST_F(LiveEdit, WithGUIResizeTheHandlesAreNeverEditedAndEachViewGetsABlock) {
  Build(1, 0, true);
  Drag(95, 75, -30, -30);
  EXPECT_EQ(handles[2]->GetRECT(), IRECT(80, 60, 100, 80));
  Menu(15, 15, 9);  // Bring to Front: the top editable place, below the handles
  EXPECT_EQ(g->GetControlIdx(c1), 3);
  EXPECT_EQ(g->GetControlIdx(handles[0]), 4);
  const std::string text = ReadFile(state()->headerPath);
  EXPECT_NE(text.find("LiveEditSetLayout(0, 1, 3, IRECT(10, 10, 30, 30)"), std::string::npos);
  EXPECT_NE(text.find("\t\t// End (1) "), std::string::npos);
  EXPECT_EQ(text.find("SetDrawRECT"), std::string::npos);
}

TEST_F(LiveEdit, UndoAndRedoStepThroughGestures) {
  Build(1, 0);
  Drag(12, 12, 8, 0);
  Drag(20, 12, 8, 0);
  Menu(90, 75, 4);  // a disabled item (nothing selected) changes nothing
  const int undo = 0, redo = 1;
  const std::pair<int, int> steps[] = {{undo, 18}, {undo, 10}, {undo, 10}, {redo, 18},
                                       {redo, 26}, {redo, 26}, {undo, 18}};
  for (auto [item, wantL] : steps) {
    Menu(90, 75, item);
    EXPECT_EQ(c1->GetRECT().L, wantL) << (item == undo ? "undo" : "redo");
  }
}

TEST_F(LiveEdit, TheHeaderIsWrittenOnlyWhenItChangesAndReadsBackByteIdentical) {
  Build(1, 0);
  const fs::path header = state()->headerPath;
  const std::string first = ReadFile(header);
  EXPECT_NE(first.find("        // class guitest::FnControl 3\n"), std::string::npos);
  EXPECT_NE(first.find("\t\tpGraphics->ReplaceControl(1, originalPointers[1]); \n"),
            std::string::npos);
  EXPECT_EQ(first.substr(first.size() - 10), "};\n #endif");
  struct stat before {
  }, after{};
  ::stat(header.c_str(), &before);
  Frame();
  ::stat(header.c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino);  // same text: not rewritten
  Menu(15, 15, 9);
  EXPECT_NE(ReadFile(header).find("\t\tpGraphics->ReplaceControl(3, originalPointers[1]); \n"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(header.string() + ".tmp"));

  state()->headerPath = (dir / "missing" / "LiveEditLayout.h").string();
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(WriteLayoutHeader(state(), "x"));
  vq::platform::errorOutput().Flush(std::chrono::seconds(10));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("could not be written"),
            std::string::npos);
}

TEST_F(LiveEdit, TheHeaderIsNeverWrittenThroughALinkNorReadFromAnythingButAFile) {
  LiveEditState s;
  s.headerPath = (dir / "LiveEditLayout.h").string();
  const fs::path elsewhere = dir / "elsewhere";
  std::ofstream(elsewhere) << "keep";
  fs::create_symlink(elsewhere, s.headerPath + ".tmp");  // a planted fixed temporary name
  ASSERT_TRUE(WriteLayoutHeader(&s, "layout"));
  EXPECT_EQ(ReadFile(elsewhere), "keep");
  EXPECT_EQ(ReadFile(s.headerPath), "layout");

  const struct {
    const char* what;
    std::function<void(const std::string&)> make;
  } cases[] = {
      {"a FIFO", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
      {"a link", [&](const std::string& p) { fs::create_symlink(elsewhere, p); }},
      {"a huge file",
       [](const std::string& p) {
         std::ofstream(p) << "x";
         fs::resize_file(p, 64u << 20);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LiveEditState fresh;
    fresh.headerPath = (dir / c.what).string();
    c.make(fresh.headerPath);
    auto read = std::async(std::launch::async, [&fresh] { ReadLayoutHeader(&fresh); });
    if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "the read blocks";
      ::close(::open(fresh.headerPath.c_str(), O_WRONLY));
    }
    read.get();
    EXPECT_FALSE(fresh.headerTextKnown);
  }
}

TEST_F(LiveEdit, LayoutViewBlocksSurviveAWriteReadWriteCycle) {
  using a_namespace_long_enough_to_pass_the_old_limit_of_one_hundred_and_twenty_eight_characters_per_line::
      WideKnobWithAVeryDescriptiveName;
  Add(IRECT(0, 0, 100, 80));
  auto* wide = new WideKnobWithAVeryDescriptiveName(&plug, IRECT(10, 10, 30, 30));
  g->AttachControl(wide);
  Add(IRECT(40, 10, 60, 30));
  Add(IRECT(70, 10, 90, 30));
  for (int i = 0; i < 3; ++i) Add(IRECT(90, 70, 100, 80));
  plug.SetGUIResize(&resizer);
  plug.AttachGraphics(g);
  LiveEditState* s = state();
  s->headerPath = (dir / "LiveEditLayout.h").string();
  s->viewCount = 2;
  s->viewBlocks.resize(2);
  int picked = -1, mode = 0, grid = 1, snap = 0, key = -1;
  bool on = true, dragged = false;
  IMouseMod mod;
  LiveEditContext ctx{s,
                      &plug,
                      g,
                      &resizer,
                      {&mod, &mode, &grid, &snap, &key, &on, &picked, &dragged},
                      1.0,
                      0,
                      0,
                      100,
                      80,
                      g->NControls(),
                      g->NControls() - 3,
                      1,
                      8};
  // Attach index 2 deleted and stacked last: entries number the others as if it were gone.
  s->deleted = {2};
  g->SwapControls(2, 3);
  resizer.view = 1;
  GenerateLayoutHeader(ctx, 1, false);  // view 0 stays empty
  const std::string written = ReadFile(s->headerPath);
  EXPECT_TRUE(s->viewBlocks[0].empty());
  EXPECT_NE(
      written.find("WideKnobWithAVeryDescriptiveName 1\n\t\tpGUIResize->LiveEditSetLayout(1, 1, 1, "
                   "IRECT(10, 10, 30, 30), IRECT(10, 10, 30, 30), false);\n"),
      std::string::npos);
  EXPECT_NE(written.find("(1, 2, 1, IRECT(70, 10, 90, 30)"), std::string::npos);  // k 2, p 1
  EXPECT_EQ(written.find("IRECT(40, 10, 60, 30)"), std::string::npos);
  for (auto [marker, dashes] : {std::pair{"\t\t// View Mode: (1) ", 96}, {"\t\t// End (1) ", 103}})
    EXPECT_NE(written.find(marker + std::string(dashes, '-') + "\n"), std::string::npos) << marker;

  LiveEditState fresh;
  fresh.headerPath = s->headerPath;
  fresh.viewCount = 2;
  fresh.viewBlocks.resize(2);
  ReadLayoutHeader(&fresh);
  EXPECT_EQ(fresh.viewBlocks, s->viewBlocks);
  fresh.headerTextKnown = false;
  ctx.s = &fresh;
  ASSERT_TRUE(WriteLayoutHeader(&fresh, LayoutHeaderText(ctx, -1, false)));
  EXPECT_EQ(ReadFile(s->headerPath), written);
}

// On a white page: the selection's label sits above its rectangle, or below it near the top;
// the grid is a faint fill at grid size 1 and lines at the grid pitch otherwise.
TEST_F(LiveEdit, TheOverlayLabelsTheSelectionAndShowsTheGrid) {
  Build(1, 0);
  auto* page = static_cast<FnControl*>(g->GetControl(0));
  page->draw = [](IGraphics* gr) {
    IRECT all(0, 0, 100, 80);
    gr->FillIRect(&COLOR_WHITE, &all);
  };
  auto shaded = [this](int x, int y) { return Pixel(x, y) != COLOR_WHITE.ToPixel(); };
  Drag(12, 12, 1, 0);  // c1 selected at top 10: the label goes below
  EXPECT_TRUE(shaded(20, 37));
  EXPECT_FALSE(shaded(20, 5));
  Drag(12, 12, 0, 12);  // top 22: above
  EXPECT_TRUE(shaded(20, 12));
  EXPECT_FALSE(shaded(20, 47));

  page->draw = [](IGraphics* gr) {
    IRECT all(0, 0, 100, 80);
    gr->FillIRect(&COLOR_BLACK, &all);
  };
  Menu(90, 75, 16);  // Show Grid
  for (auto [grid, x, grey] : {std::tuple{1, 95, 28}, {8, 96, 43}, {8, 94, 0}}) {
    g->EnableLiveEdit(true, grid, 0);
    Frame();
    EXPECT_NEAR(RAST_PixelRed(Pixel(x, 3)), grey, 1) << "grid " << grid << " at " << x;
  }
}
