// Invisible list and grid selection controls, and the file selector.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "control_fixture.h"
#include "graphics/file_selector.h"
#include "graphics/selection_controls.h"

using namespace vqtest;

namespace {

using SelectionControls = ControlFixture;
IMouseMod kLeft(true), kRight(false, true), kShift(true, false, true), kCtrl(true, false, false, true),
    kBoth(true, false, true, true);

}  // namespace

TEST_F(SelectionControls, ListsTakeTheFractionOfTheWay) {
  IInvisibleSelectControl list(&plug, IRECT(0, 100, 200, 400), 2);
  for (auto [y, v] : {std::pair{250, 0.5}, {99, 0.0}, {400, 1.0}, {160, 0.2}}) {
    list.OnMouseUp(10, y, &kLeft);
    EXPECT_DOUBLE_EQ(list.GetValue(), v) << y;
  }
  list.OnMouseDown(10, 250, &kLeft);  // only the release counts
  EXPECT_EQ(Pushes(2).size(), 4u);

  IInvisibleSelectControl2 across(&plug, IRECT(100, 0, 300, 10), 2, 1);
  int action = -1;
  struct Step {
    int kind, x, action;
    double v;
  } steps[] = {{0, 150, selection::kPress, 0.25}, {2, 250, selection::kDrag, 0.75}, {1, 300, selection::kRelease, 1.0}};
  for (const Step& s : steps) {
    if (s.kind == 0) across.OnMouseDown(s.x, 5, &kRight);  // the right button acts as the left
    if (s.kind == 1) across.OnMouseUp(s.x, 5, &kLeft);
    if (s.kind == 2) across.OnMouseDrag(s.x, 5, 1, 0, &kLeft);
    across.GetMouseAction(&action);
    EXPECT_EQ(action, s.action);
    EXPECT_DOUBLE_EQ(across.GetValue(), s.v);
  }
  EXPECT_TRUE(graphics->prompts.empty());
}

TEST_F(SelectionControls, ListThreeRecordsActionModifierAndPointer) {
  IInvisibleSelectControl3 list(&plug, IRECT(0, 100, 200, 400), 2, 0);
  int action, modifier, x, y;
  struct Case {
    int kind;
    IMouseMod* mod;
    int action, modifier;
  } cases[] = {{0, &kLeft, selection::kPress, selection::kNone},
               {1, &kShift, selection::kRelease, selection::kShift},
               {2, &kCtrl, selection::kDrag, selection::kControl},
               {3, &kBoth, selection::kDoubleClick, selection::kShift}};
  for (const Case& c : cases) {
    if (c.kind == 0) list.OnMouseDown(7, 250, c.mod);
    if (c.kind == 1) list.OnMouseUp(7, 250, c.mod);
    if (c.kind == 2) list.OnMouseDrag(7, 250, 0, 1, c.mod);
    if (c.kind == 3) list.OnMouseDblClick(7, 250, c.mod);
    list.GetMouseAction(&action);
    list.GetModifier(&modifier);
    list.GetMousePos(&x, &y);
    EXPECT_EQ(action, c.action);
    EXPECT_EQ(modifier, c.modifier);
    EXPECT_EQ(x, 7);
    EXPECT_DOUBLE_EQ(list.GetValue(), 0.5);
  }
  list.SetRECT(IRECT(0, 200, 200, 300));  // follows the current rectangle
  list.OnMouseDown(7, 250, &kLeft);
  EXPECT_DOUBLE_EQ(list.GetValue(), 0.5);

  for (auto [d, mod, v] : {std::tuple{-2, &kLeft, 0.48}, {-2, &kShift, 0.498}, {3, &kLeft, 0.53}}) {
    list.OnMouseWheel(7, 250, mod, d);
    EXPECT_DOUBLE_EQ(list.GetValue(), v);
  }
  list.GetMouseAction(&action);
  EXPECT_EQ(action, selection::kWheel);
  list.GetModifier(&modifier);
  EXPECT_EQ(modifier, selection::kNone);  // the wheel leaves the modifier alone
  for (auto [key, code] : {std::pair{0, 3}, {5, 3}, {1, 4}}) {
    EXPECT_FALSE(list.OnKeyDown(0, 0, key));  // passed on
    list.GetModifier(&modifier);
    EXPECT_EQ(modifier, code) << key;
  }
}

TEST_F(SelectionControls, MatrixCellsStayInsideTheGrid) {
  IInvisibleMatrixSelectControl grid(&plug, IRECT(0, 0, 500, 500), 2);
  grid.SetColRow(10, 10);
  struct Case {
    int x, y, cell;
  } cases[] = {{275, 130, 25}, {505, 130, 29}, {499, 499, 99}, {250, 520, 95},
               {-30, 130, 20}, {1000, 1000, 99}, {0, 0, 0}, {260, -5, 5}};
  for (const Case& c : cases) {
    grid.OnMouseUp(c.x, c.y, &kLeft);
    EXPECT_EQ(grid.CellAt(c.x, c.y), c.cell) << c.x << "," << c.y;
    EXPECT_DOUBLE_EQ(grid.GetValue(), c.cell / 100.0) << c.x << "," << c.y;
  }
  grid.OnMouseDown(275, 130, &kRight);  // as the left button
  EXPECT_DOUBLE_EQ(grid.GetValue(), 0.25);
  int action, modifier;
  grid.OnMouseWheel(275, 130, &kCtrl, 1);
  EXPECT_TRUE(grid.IsWheelUp());
  grid.GetMouseAction(&action);
  grid.GetModifier(&modifier);
  EXPECT_EQ(action, selection::kWheel);
  EXPECT_EQ(modifier, selection::kControl);
  grid.OnMouseWheel(275, 130, &kLeft, -1);
  EXPECT_FALSE(grid.IsWheelUp());
  EXPECT_FALSE(grid.OnKeyDown(0, 0, 1));
  grid.GetModifier(&modifier);
  EXPECT_EQ(modifier, selection::kUpKey);

  const size_t pushes = Pushes(2).size();
  IInvisibleMatrixSelectControl empty(&plug, IRECT(0, 0, 0, 0), 2);  // no size, no grid: nothing
  empty.SetColRow(10, 10);
  empty.OnMouseDown(5, 5, &kLeft);
  grid.SetColRow(0, 0);
  grid.OnMouseDown(5, 5, &kLeft);
  EXPECT_EQ(Pushes(2).size(), pushes);
}

namespace {

// Answers the file panel from a script: each entry is the path chosen, "" for a cancel.
class PanelGraphics : public TestGraphics {
 public:
  using TestGraphics::TestGraphics;
  void PromptForFile(UTL_String* file, int action, UTL_String* dir, const char* extensions) override {
    calls.push_back({file->Get(), dir->Get(), extensions, action});
    if (duringPanel) duringPanel();
    const std::string answer = answers.empty() ? "" : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    file->Set(answer.c_str());
    if (!answer.empty()) dir->Set(answer.substr(0, answer.rfind('/') + 1).c_str());
  }
  struct Call {
    std::string file, dir, extensions;
    int action;
  };
  std::vector<Call> calls;
  std::vector<std::string> answers;
  std::function<void()> duringPanel;
};

}  // namespace

TEST(FileSelector, EachChoiceTogglesAndPushesACancelChangesNothing) {
  RecordingPlug plug(1);
  auto* g = new PanelGraphics(&plug, 100, 100);
  plug.AttachGraphics(g);
  Strip image(8, 8, 1);
  auto* sel = new IFileSelectorControl(&plug, IRECT(0, 0, 8, 8), 0, &image.frames, IFileSelectorControl::kSave,
                                       "/home/u/", "pr4");
  g->AttachControl(sel);
  g->answers = {"/home/u/a.pr4", "/tmp/b.pr4", ""};
  IMouseMod left(true);
  UTL_String file;
  struct Step {
    double value;
    size_t pushes;
    const char* file;
  } steps[] = {{1.0, 1, "/home/u/a.pr4"}, {0.0, 2, "/tmp/b.pr4"}, {0.0, 2, ""}};
  for (const Step& s : steps) {
    sel->OnMouseDown(1, 1, &left);
    EXPECT_DOUBLE_EQ(sel->GetValue(), s.value);
    EXPECT_EQ(plug.pushes.size(), s.pushes);
    sel->GetSelectedFile(&file);
    EXPECT_STREQ(file.Get(), s.file);
    // One more redraw after the panel closes, also with the dirty flag clear.
    sel->SetClean();
    EXPECT_TRUE(sel->IsDirty());
    EXPECT_FALSE(sel->IsDirty());
  }
  ASSERT_EQ(g->calls.size(), 3u);
  EXPECT_EQ(g->calls[0].dir, "/home/u/");
  EXPECT_EQ(g->calls[0].extensions, "pr4");
  EXPECT_EQ(g->calls[0].action, IFileSelectorControl::kSave);
  EXPECT_EQ(g->calls[1].dir, "/home/u/");  // the folder the last choice was in
  EXPECT_EQ(g->calls[2].dir, "/tmp/");
}

TEST(FileSelector, PathsAreSplitAtTheLastSlashAndKeptWhole) {
  TestPlug plug(1);
  IFileSelectorControl sel(&plug, IRECT(0, 0, 8, 8), 0, nullptr, IFileSelectorControl::kOpen, "/start/", nullptr);
  const std::string longName = std::string(280, 'n') + ".pr4";
  const std::string deep = "/a/" + std::string(300, 'b') + "/";
  struct Case {
    std::string path, folder, name;
  } cases[] = {{"/a/b/c/prog.pr4", "/a/b/c/", "prog.pr4"},
               {"bare.pr4", "/a/b/c/", "bare.pr4"},  // only the name changes
               {deep + longName, deep, longName},
               {"/x/", "/x/", ""}};
  UTL_String folder, full;
  for (const Case& c : cases) {
    sel.SetSelectedFile(c.path.c_str());
    sel.GetFolder(&folder);
    EXPECT_EQ(folder.Get(), c.folder);
    EXPECT_EQ(sel.GetFileName(), c.name);
    sel.GetSelectedFile(&full);
    EXPECT_EQ(full.Get(), c.name.empty() ? "" : c.folder + c.name);
  }
}

TEST(FileSelector, ShowsItsImageOnlyWhileThePanelIsOpen) {
  TestPlug plug(1);
  auto* g = new PanelGraphics(&plug, 20, 20);
  plug.AttachGraphics(g);
  Strip image(8, 8, 1);
  auto* sel = new IFileSelectorControl(&plug, IRECT(0, 0, 8, 8), 0, &image.frames, 0);
  g->AttachControl(sel);
  auto redraw = [&] {
    RAST_BitmapRows rows(g->GetDrawBitmap());
    *rows.at(4, 4) = kBackground;
    IRECT all(0, 0, 20, 20);
    g->Draw(&all);
    return *rows.at(4, 4);
  };
  EXPECT_EQ(redraw(), kBackground);
  g->duringPanel = [&] { EXPECT_EQ(redraw(), FrameColor(0)); };  // the window redraws beneath the panel
  g->answers = {"/f.pr4"};
  sel->OnMouseDown(1, 1, nullptr);
  EXPECT_EQ(sel->GetState(), IFileSelectorControl::kChosen);
  EXPECT_EQ(redraw(), kBackground);
}
