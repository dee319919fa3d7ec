// Invisible list and grid selection controls, and the file selector.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "control_fixture.h"
#include "graphics/file_selector.h"
#include "graphics/selection_controls.h"

using namespace vqtest;
using SelectionControls = ControlFixture;

static IMouseMod kLeft(true), kRight(false, true), kShift(true, false, true),
    kCtrl(true, false, false, true), kBoth(true, false, true, true);

TEST_F(SelectionControls, ListsTakeTheFractionOfTheWay) {
  IInvisibleSelectControl list(&plug, IRECT(0, 100, 200, 400), 2);
  for (int y : {250, 99, 400, 160}) list.OnMouseUp(10, y, &kLeft);
  list.OnMouseDown(10, 250, &kLeft);  // only the release counts
  EXPECT_EQ(Pushes(2), (std::vector<double>{0.5, 0.0, 1.0, 0.2}));

  IInvisibleSelectControl2 across(&plug, IRECT(100, 0, 300, 10), 3, 1);
  int action;
  for (int kind : {selection::kPress, selection::kDrag, selection::kRelease}) {
    if (kind == selection::kPress)
      across.OnMouseDown(150, 5, &kRight);  // the right button acts as the left
    if (kind == selection::kDrag) across.OnMouseDrag(250, 5, 1, 0, &kLeft);
    if (kind == selection::kRelease) across.OnMouseUp(300, 5, &kLeft);
    across.GetMouseAction(&action);
    EXPECT_EQ(action, kind);
  }
  EXPECT_EQ(Pushes(3), (std::vector<double>{0.25, 0.75, 1.0}));
  EXPECT_TRUE(graphics->prompts.empty());
}

TEST_F(SelectionControls, ListThreeRecordsActionModifierPointerAndKeys) {
  IInvisibleSelectControl3 list(&plug, IRECT(0, 100, 200, 400), 2, 0);
  int action, modifier, x, y;
  struct Case {
    int kind;
    IMouseMod* mod;
    int modifier;
  } cases[] = {{selection::kPress, &kLeft, selection::kNone},
               {selection::kRelease, &kShift, selection::kShift},
               {selection::kDrag, &kCtrl, selection::kControl},
               {selection::kDoubleClick, &kBoth, selection::kShift}};
  for (const Case& c : cases) {
    if (c.kind == selection::kPress) list.OnMouseDown(7, 250, c.mod);
    if (c.kind == selection::kRelease) list.OnMouseUp(7, 250, c.mod);
    if (c.kind == selection::kDrag) list.OnMouseDrag(7, 250, 0, 1, c.mod);
    if (c.kind == selection::kDoubleClick) list.OnMouseDblClick(7, 250, c.mod);
    list.GetMouseAction(&action);
    list.GetModifier(&modifier);
    list.GetMousePos(&x, &y);
    EXPECT_EQ(action, c.kind);
    EXPECT_EQ(modifier, c.modifier);
    EXPECT_EQ(y, 250);
    EXPECT_DOUBLE_EQ(list.GetValue(), 0.5);
  }
  list.SetRECT(IRECT(0, 200, 200, 300));  // follows the current rectangle
  list.OnMouseDown(7, 225, &kLeft);
  EXPECT_DOUBLE_EQ(list.GetValue(), 0.25);
  for (auto [d, mod, v] : {std::tuple{-2, &kLeft, 0.48}, {-2, &kShift, 0.498}, {3, &kLeft, 0.53}}) {
    list.OnMouseWheel(7, 250, mod, d);
    EXPECT_DOUBLE_EQ(list.GetValue(), v);
  }
  list.GetModifier(&modifier);
  EXPECT_EQ(modifier, selection::kNone);  // the wheel leaves the modifier alone
  for (auto [key, code] : {std::pair{0, 3}, {5, 3}, {1, 4}}) {
    EXPECT_FALSE(list.OnKeyDown(0, 0, key));  // passed on
    list.GetModifier(&modifier);
    EXPECT_EQ(modifier, code) << key;
  }
}

TEST_F(SelectionControls, MatrixCellsStayInTheirRowAndColumn) {
  IInvisibleMatrixSelectControl grid(&plug, IRECT(0, 0, 500, 500), 2);
  grid.SetColRow(10, 10);
  struct Case {
    int x, y, cell;
  } cases[] = {{275, 130, 25}, {505, 130, 29}, {499, 499, 99},
               {250, 520, 95}, {-30, 130, 20}, {1000, 1000, 99}};
  for (const Case& c : cases) {
    grid.OnMouseUp(c.x, c.y, &kLeft);
    EXPECT_DOUBLE_EQ(grid.GetValue(), c.cell / 100.0) << c.x << "," << c.y;
  }
  grid.OnMouseDown(275, 130, &kRight);  // as the left button
  EXPECT_DOUBLE_EQ(grid.GetValue(), 0.25);
  int action, modifier;
  for (int d : {1, -1}) {
    grid.OnMouseWheel(275, 130, &kCtrl, d);
    EXPECT_EQ(grid.IsWheelUp(), d > 0);
  }
  grid.GetMouseAction(&action);
  grid.GetModifier(&modifier);
  EXPECT_EQ(action, selection::kWheel);
  EXPECT_EQ(modifier, selection::kControl);
  const size_t pushes = Pushes(2).size();
  IInvisibleMatrixSelectControl empty(&plug, IRECT(), 2);  // no size, or no grid: nothing
  empty.SetColRow(10, 10);
  empty.OnMouseDown(5, 5, &kLeft);
  grid.SetColRow(0, 0);
  grid.OnMouseDown(5, 5, &kLeft);
  EXPECT_EQ(Pushes(2).size(), pushes);
}

namespace {

// Answers the file panel from a script: each entry is the path chosen, "" for a cancel.
struct PanelGraphics : TestGraphics {
  using TestGraphics::TestGraphics;
  void PromptForFile(UTL_String* file, int action, UTL_String* dir,
                     const char* extensions) override {
    dirs.push_back(dir->Get());
    if (duringPanel) duringPanel();
    const std::string answer = answers.empty() ? "" : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    file->Set(answer.c_str());
    if (!answer.empty()) dir->Set(answer.substr(0, answer.rfind('/') + 1).c_str());
  }
  std::vector<std::string> dirs, answers;
  std::function<void()> duringPanel;
};

}  // namespace

TEST(FileSelector, EachChoiceTogglesAndPushesACancelChangesNothing) {
  RecordingPlug plug(1);
  auto* g = new PanelGraphics(&plug, 20, 20);
  plug.AttachGraphics(g);
  Strip image(8, 8, 1);
  auto* sel =
      new IFileSelectorControl(&plug, IRECT(0, 0, 8, 8), 0, &image.frames, 1, "/home/u/", "pr4");
  g->AttachControl(sel);
  auto redraw = [&] {
    RAST_BitmapRows rows(g->GetDrawBitmap());
    *rows.at(4, 4) = kBackground;
    IRECT all(0, 0, 20, 20);
    g->Draw(&all);
    return *rows.at(4, 4);
  };
  g->duringPanel = [&] {
    EXPECT_EQ(redraw(), FrameColor(0));
  };  // the image shows while the panel is up
  g->answers = {"/home/u/a.pr4", "/tmp/b.pr4", ""};
  UTL_String file;
  for (auto [value, pushes, path] :
       {std::tuple{1.0, 1u, "/home/u/a.pr4"}, {0.0, 2u, "/tmp/b.pr4"}, {0.0, 2u, ""}}) {
    sel->OnMouseDown(1, 1, nullptr);
    EXPECT_DOUBLE_EQ(sel->GetValue(), value);
    EXPECT_EQ(plug.pushes.size(), pushes);
    sel->GetSelectedFile(&file);
    EXPECT_STREQ(file.Get(), path);
    sel->SetClean();
    EXPECT_TRUE(sel->IsDirty());  // one more redraw after the panel closes
    EXPECT_FALSE(sel->IsDirty());
    EXPECT_EQ(redraw(), kBackground);
  }
  EXPECT_EQ(g->dirs, (std::vector<std::string>{"/home/u/", "/home/u/", "/tmp/"}));
}

TEST(FileSelector, PathsAreSplitAtTheLastSlashAndKeptWhole) {
  IFileSelectorControl sel(nullptr, IRECT(0, 0, 8, 8), 0, nullptr, 0, "/start/", nullptr);
  const std::string deep = "/a/" + std::string(300, 'b') + "/",
                    longName = std::string(280, 'n') + ".pr4";
  struct Case {
    std::string path, folder, name;
  } cases[] = {{"/a/b/c/prog.pr4", "/a/b/c/", "prog.pr4"},
               {"bare.pr4", "/a/b/c/", "bare.pr4"},  // only the name changes
               {deep + longName, deep, longName}};
  UTL_String folder, full;
  for (const Case& c : cases) {
    sel.SetSelectedFile(c.path.c_str());
    sel.GetFolder(&folder);
    sel.GetSelectedFile(&full);
    EXPECT_EQ(folder.Get(), c.folder);
    EXPECT_EQ(sel.GetFileName(), c.name);
    EXPECT_EQ(full.Get(), c.folder + c.name);
  }
}
