// IGraphics core: the control list, plug-to-GUI propagation, dirty tracking and both draw paths.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"
#include "plugin/iparam.h"
#include "support/test_graphics.h"

using vqtest::TestControl;
using vqtest::TestGraphics;
using vqtest::TestPlug;

namespace {

struct Fixture : ::testing::Test {
  Fixture() : plug(4), graphics(new TestGraphics(&plug, 100, 100)) {
    plug.GetParam(0)->InitInt("Cutoff", 0, 0, 100);
    plug.GetParam(1)->InitInt("Res", 0, 0, 10);
    plug.AttachGraphics(graphics);
    graphics->screenCopies.clear();
  }
  TestControl* Add(const IRECT& r, int param = -1) {
    return graphics->AttachControl(std::make_unique<TestControl>(&plug, r, param, &drawn));
  }
  void CleanAll() {
    for (int i = 0; i < graphics->NControls(); ++i) {
      graphics->GetControl(i)->SetRedrawPending(false);
      graphics->GetControl(i)->SetClean();
    }
    drawn.clear();
  }
  std::vector<IControl*> Order() const {
    std::vector<IControl*> out;
    for (int i = 0; i < graphics->NControls(); ++i) {
      EXPECT_EQ(graphics->GetControl(i)->GetListIdx(), i);
      out.push_back(graphics->GetControl(i));
    }
    return out;
  }
  RAST_pixel Pixel(int x, int y) const {
    return *RAST_BitmapRows(graphics->GetDrawBitmap()).at(x, y);
  }

  TestPlug plug;
  TestGraphics* graphics;  // owned by the plug
  std::vector<int> drawn;
};

using GraphicsList = Fixture;
using GraphicsParams = Fixture;
using GraphicsDirty = Fixture;
using GraphicsDraw = Fixture;

struct FakeResize : IModuleGUIResize {
  FakeResize() : IModuleGUIResize(nullptr, nullptr, true, 16, 16) {}
  bool dragging = false;
  int fills = 0;
  bool IsResizeDragActive() const override { return dragging; }
  void FillWhileResizing(IGraphics*, const IRECT&) override { ++fills; }
};

}  // namespace

TEST(GuiTypes, RectanglesColoursAndOverlap) {
  EXPECT_TRUE(IRECT().Empty());
  EXPECT_FALSE(IRECT(0, 0, 0, 1).Empty());
  EXPECT_EQ(IRECT(1, 2, 11, 22).W(), 10);
  EXPECT_EQ(IRECT(1, 2, 11, 22).H(), 20);
  // Touching edges overlap for redraw.
  EXPECT_TRUE(IRECT(0, 0, 10, 10).Overlaps(IRECT(10, 0, 20, 10)));
  EXPECT_TRUE(IRECT(0, 0, 10, 10).Overlaps(IRECT(0, 10, 10, 20)));
  EXPECT_FALSE(IRECT(10, 0, 20, 10).Overlaps(IRECT(0, 0, 10, 10)));  // left edge is exclusive
  EXPECT_FALSE(IRECT(0, 0, 10, 10).Overlaps(IRECT(11, 0, 20, 10)));
  EXPECT_EQ(IRECT().Union(IRECT(1, 2, 3, 4)), IRECT(1, 2, 3, 4));
  EXPECT_EQ(IRECT(1, 2, 3, 4).Union(IRECT()), IRECT(1, 2, 3, 4));
  EXPECT_EQ(IRECT(5, 5, 10, 10).Union(IRECT(0, 7, 6, 20)), IRECT(0, 5, 10, 20));
  EXPECT_EQ(IColor(0x78, 0x12, 0x34, 0x56).ToPixel(), 0x56341278u);
  EXPECT_EQ(COLOR_ORANGE, IColor(255, 255, 127, 0));
  EXPECT_EQ(COLOR_GRAY, IColor(255, 127, 127, 127));
}

TEST(GraphicsConstruction, DefaultsAndFrameRate) {
  TestPlug plug(1);
  TestGraphics g(&plug, 1140, 800, 0);
  EXPECT_EQ(g.FPS(), 120);
  EXPECT_EQ(TestGraphics(&plug, 10, 10, -5).FPS(), 120);
  EXPECT_EQ(TestGraphics(&plug, 10, 10, 30).FPS(), 30);
  EXPECT_EQ(g.GetWidth(), 1140);
  EXPECT_EQ(g.GetHeight(), 800);
  EXPECT_TRUE(g.GetStrictDrawing());
  EXPECT_FALSE(g.GetHandleMouseOver());
  EXPECT_FALSE(g.TooltipsEnabled());
  EXPECT_FALSE(g.LiveEditEnabled());
  EXPECT_EQ(g.GetMouseCapture(), -1);
  EXPECT_EQ(g.GetMouseOver(), -1);
  EXPECT_EQ(g.GetLastClickedParam(), -1);
  EXPECT_EQ(g.GetBitmapScale(), 1u);
  EXPECT_DOUBLE_EQ(g.GetGuiScale(), 1.0);
  EXPECT_EQ(g.GetDrawBitmap(), nullptr);
  EXPECT_FALSE(g.WindowIsOpen());
  EXPECT_STREQ(g.GetGUIAPI(), "");
}

TEST_F(GraphicsList, EveryChangeRenumbersAndControlsAreOwned) {
  TestControl* a = Add(IRECT(0, 0, 100, 100));
  TestControl* b = Add(IRECT(0, 0, 10, 10));
  TestControl* c = Add(IRECT(0, 0, 10, 10));
  TestControl* d = Add(IRECT(0, 0, 10, 10));
  EXPECT_EQ(Order(), (std::vector<IControl*>{a, b, c, d}));
  EXPECT_EQ(graphics->GetControlIdx(c), 2);
  EXPECT_EQ(graphics->GetControlIdx(nullptr), -1);

  graphics->MoveControl(3, 1);
  EXPECT_EQ(Order(), (std::vector<IControl*>{a, d, b, c}));
  graphics->SwapControls(1, 3);
  EXPECT_EQ(Order(), (std::vector<IControl*>{a, c, b, d}));
  graphics->RemoveControl(2);
  EXPECT_EQ(Order(), (std::vector<IControl*>{a, c, d}));
  graphics->ReplaceControl(1, b);
  EXPECT_EQ(Order(), (std::vector<IControl*>{a, b, d}));
  delete c;  // removed and replaced controls are the caller's again

  // The background at index 0 never moves.
  graphics->MoveControl(0, 2);
  graphics->MoveControl(2, 0);
  graphics->SwapControls(0, 1);
  graphics->ReplaceControl(0, b);
  graphics->MoveControl(1, 7);
  EXPECT_EQ(Order(), (std::vector<IControl*>{a, b, d}));
}

TEST_F(GraphicsList, ResizeHandlesAtTheEndAreNeverTouched) {
  FakeResize resize;
  std::vector<TestControl*> c;
  for (int i = 0; i < 7; ++i) c.push_back(Add(IRECT(0, 0, 10, 10)));
  plug.SetGUIResize(&resize);   // the last three are now the resizer's handles
  graphics->MoveControl(1, 4);  // 4 is a handle
  graphics->MoveControl(4, 1);
  graphics->SwapControls(3, 6);
  graphics->ReplaceControl(5, c[1]);
  EXPECT_EQ(graphics->GetControl(4), c[4]);
  EXPECT_EQ(graphics->GetControl(6), c[6]);
  EXPECT_EQ(graphics->GetControl(5), c[5]);
  graphics->SwapControls(1, 3);
  EXPECT_EQ(graphics->GetControl(1), c[3]);
  plug.SetGUIResize(nullptr);
  graphics->SwapControls(3, 6);
  EXPECT_EQ(graphics->GetControl(6), c[1]);
}

// Plug values reach controls through an index by parameter: it must follow controls attached,
// removed or rebound after it was first used.
TEST_F(GraphicsParams, PlugValuesFollowControlsAttachedRemovedAndRebound) {
  Add(IRECT(0, 0, 100, 100));
  TestControl* a = Add(IRECT(0, 0, 10, 10), 0);
  graphics->SetControlsFromPlugValue(0, true, 0.25);
  TestControl* b = Add(IRECT(20, 0, 30, 10), 0);
  graphics->SetControlsFromPlugValue(0, true, 0.5);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.5);
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.5);
  a->SetParamIdx(1);
  graphics->SetControlsFromPlugValue(0, true, 0.75);
  graphics->SetControlsFromPlugValue(1, true, 0.125);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.125);
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.75);
  graphics->RemoveControl(b->GetListIdx());
  std::unique_ptr<TestControl> removed(b);  // the list no longer owns it
  TestControl* c = Add(IRECT(40, 0, 50, 10), 0);
  graphics->SetControlsFromPlugValue(0, true, 1.0);
  EXPECT_DOUBLE_EQ(c->GetValue(), 1.0);
  EXPECT_DOUBLE_EQ(b->GetValue(), 0.75);
  EXPECT_DOUBLE_EQ(a->GetValue(), 0.125);
}

TEST_F(GraphicsParams, OperationsReachEveryControlOfTheParameter) {
  TestControl* bg = Add(IRECT(0, 0, 100, 100));
  TestControl* k1 = Add(IRECT(0, 0, 10, 10), 0);
  TestControl* k2 = Add(IRECT(20, 0, 30, 10), 0);
  TestControl* other = Add(IRECT(40, 0, 50, 10), 1);
  k2->SetDefaultValue(0.0);
  k1->SetDefaultValue(0.0);

  graphics->SetControlsFromPlugValue(0, false, 40.0);  // plain, normalised through the parameter
  EXPECT_DOUBLE_EQ(k1->GetValue(), 0.4);
  EXPECT_DOUBLE_EQ(k2->GetValue(), 0.4);
  EXPECT_DOUBLE_EQ(other->GetValue(), 0.0);
  graphics->SetControlsFromPlugValue(3, false, 5.0);   // untyped 0..1 parameter without controls
  graphics->SetControlsFromPlugValue(99, false, 5.0);  // no parameter: nothing to normalise with
  EXPECT_TRUE(plug.changes.empty());

  graphics->HideControlsOfParam(0, true);
  EXPECT_TRUE(k1->IsHidden());
  EXPECT_TRUE(k2->IsHidden());
  EXPECT_FALSE(other->IsHidden());
  EXPECT_TRUE(graphics->IsControlOfParamHidden(0));
  k2->Hide(false);
  EXPECT_FALSE(graphics->IsControlOfParamHidden(0));  // the last bound control decides
  EXPECT_FALSE(graphics->IsControlOfParamHidden(2));

  graphics->GrayOutControlsOfParam(1, true);
  EXPECT_TRUE(other->IsGrayed());
  graphics->MoveControlsOfParam(0, 60, 70);
  EXPECT_EQ(k1->GetRECT(), IRECT(60, 70, 70, 80));
  EXPECT_EQ(k2->GetRECT(), IRECT(60, 70, 70, 80));

  graphics->SetControlClampRange(0, false, 20.0, 80.0);
  EXPECT_DOUBLE_EQ(k1->GetClampLo(), 0.2);
  EXPECT_DOUBLE_EQ(k2->GetClampHi(), 0.8);

  graphics->SetControlsValue(0, 0.9);  // as the user: pushed, and clamped on the way
  EXPECT_DOUBLE_EQ(k1->GetValue(), 0.8);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 80.0);
  EXPECT_EQ(plug.changes, (std::vector<int>{0, 0}));

  graphics->HideControl(1, false);
  graphics->GrayOutControl(3, false);
  graphics->MoveControlTo(3, 1, 2);
  graphics->SetControlFromPlug(3, 0.5);
  graphics->HideControl(-1, true);
  graphics->MoveControlTo(4, 0, 0);
  EXPECT_FALSE(k1->IsHidden());
  EXPECT_FALSE(other->IsGrayed());
  EXPECT_EQ(other->GetRECT(), IRECT(1, 2, 11, 12));
  EXPECT_FALSE(bg->IsHidden());

  graphics->SetTooltipsFromParamNames();
  EXPECT_STREQ(k1->GetTooltip(), "Cutoff");
  EXPECT_STREQ(other->GetTooltip(), "Res");
  EXPECT_STREQ(bg->GetTooltip(), "");
}

TEST_F(GraphicsDirty, UnitesTheRectanglesOfDirtyControls) {
  Add(IRECT(0, 0, 100, 100));
  TestControl* a = Add(IRECT(10, 20, 30, 40));
  TestControl* b = Add(IRECT(50, 5, 60, 25));
  TestControl* nowhere = Add(IRECT());
  CleanAll();

  IRECT r;
  EXPECT_FALSE(graphics->IsDirty(&r));
  a->SetDirty(false);
  b->SetDirty(false);
  nowhere->SetDirty(false);
  r = IRECT();
  EXPECT_TRUE(graphics->IsDirty(&r));
  EXPECT_EQ(r, IRECT(10, 5, 60, 40));  // the empty rectangle adds nothing

  CleanAll();
  nowhere->SetDirty(false);
  r = IRECT();
  EXPECT_TRUE(graphics->IsDirty(&r));
  EXPECT_TRUE(r.Empty());
}

TEST_F(GraphicsDirty, TheLookAtChangedControlsFindsWhatALookAtEveryControlFinds) {
  std::vector<TestControl*> all;
  for (int i = 0; i < 40; ++i) all.push_back(Add(IRECT(i * 2, i, i * 2 + 5, i + 5)));
  std::vector<std::unique_ptr<IControl>> removed;
  std::mt19937 rng(7);
  for (int step = 0; step < 3000; ++step) {
    TestControl* c = all[rng() % all.size()];
    switch (rng() % 8) {
      case 0:
      case 1:
        c->SetDirty(false);
        break;
      case 2:
        c->SetRedrawPending(true);
        break;
      case 3:
      case 4:
        c->SetClean();  // dirty again when a redraw was pending
        break;
      case 5:
        c->Hide(!c->IsHidden());
        break;
      case 6:
        if (rng() % 10 == 0) {  // the list changes
          const int at = 1 + static_cast<int>(rng() % (graphics->NControls() - 1));
          removed.emplace_back(graphics->GetControl(at));
          graphics->RemoveControl(at);
          graphics->AttachControl(std::move(removed.back()));
          removed.pop_back();
        }
        break;
      default:
        break;
    }
    IRECT expected;
    bool any = false;
    for (int i = 0; i < graphics->NControls(); ++i) {
      IControl* k = graphics->GetControl(i);
      if (!k->IsDirty()) continue;
      expected = expected.Union(k->GetRECT());
      any = true;
    }
    IRECT r;
    ASSERT_EQ(graphics->DirtyArea(&r), any) << "step " << step;
    ASSERT_EQ(r, any ? expected : IRECT()) << "step " << step;
  }
}

TEST_F(GraphicsDirty, ThePlugTicksOnEverySecondCleanTickOnly) {
  IRECT r;
  // Empty list: still counts.
  for (int i = 0; i < 6; ++i) graphics->IsDirty(&r);
  EXPECT_EQ(plug.ticks, 3);

  TestControl* c = Add(IRECT(0, 0, 10, 10));
  CleanAll();
  plug.ticks = 0;
  graphics->IsDirty(&r);  // idle 1
  c->SetDirty(false);
  EXPECT_TRUE(graphics->IsDirty(&r));  // a repaint resets the count
  c->SetClean();
  graphics->IsDirty(&r);
  EXPECT_EQ(plug.ticks, 0);
  graphics->IsDirty(&r);
  EXPECT_EQ(plug.ticks, 1);
  EXPECT_EQ(graphics->IdleTicks(), 0);
}

TEST_F(GraphicsDirty, AnAnimatingControlPushesItsValueEveryTick) {
  TestControl* c = Add(IRECT(0, 0, 10, 10), 0);
  c->SetValue(0.3);
  CleanAll();
  c->Animation().SetRunning(2, true);
  IRECT r;
  EXPECT_TRUE(graphics->IsDirty(&r));
  c->SetClean();
  EXPECT_TRUE(graphics->IsDirty(&r));
  EXPECT_EQ(plug.changes, (std::vector<int>{0, 0}));
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 30.0);
  c->Animation().SetRunning(2, false);
  c->SetClean();
  EXPECT_FALSE(graphics->IsDirty(&r));
  EXPECT_EQ(plug.changes.size(), 2u);
}

TEST_F(GraphicsDraw, StrictRoadDrawsWhatOverlapsTheAreaAndCleansEverything) {
  TestControl* bg = Add(IRECT(0, 0, 100, 100));
  TestControl* inside = Add(IRECT(10, 10, 20, 20));
  TestControl* touching = Add(IRECT(0, 10, 10, 20));  // its right edge is the area's left edge
  TestControl* away = Add(IRECT(60, 60, 70, 70));
  TestControl* hidden = Add(IRECT(10, 10, 20, 20));
  TestControl* nowhere = Add(IRECT());
  hidden->Hide(true);
  inside->fill = RAST_MakePixel(1, 2, 3, 4);
  away->fill = RAST_MakePixel(9, 9, 9, 9);

  IRECT area(10, 10, 20, 20);
  EXPECT_TRUE(graphics->Draw(&area));
  EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(graphics->GetDrawRect(), area);
  EXPECT_EQ(Pixel(15, 15), RAST_MakePixel(1, 2, 3, 4));
  EXPECT_EQ(Pixel(5, 15), RAST_MakePixel(255, 255, 255, 255));
  EXPECT_EQ(Pixel(65, 65), RAST_MakePixel(255, 255, 255, 255));  // background only
  ASSERT_EQ(graphics->screenCopies.size(), 1u);
  EXPECT_EQ(graphics->screenCopies[0], area);

  // The hidden control was pending a redraw from Hide: dirty for exactly one more cycle.
  EXPECT_TRUE(hidden->IsDirty());
  EXPECT_FALSE(bg->IsDirty());
  EXPECT_FALSE(inside->IsDirty());
  EXPECT_FALSE(touching->IsDirty());
  EXPECT_FALSE(away->IsDirty());
  EXPECT_FALSE(nowhere->IsDirty());
  IRECT r;
  EXPECT_TRUE(graphics->IsDirty(&r));
  graphics->Draw(&r);
  EXPECT_FALSE(graphics->IsDirty(&r));
  EXPECT_EQ(hidden->draws, 0);
  EXPECT_EQ(nowhere->draws, 0);

  IRECT none;
  drawn.clear();
  graphics->Draw(&none);  // an empty area draws nothing
  EXPECT_TRUE(drawn.empty());
}

TEST_F(GraphicsDraw, LooseRoadRedrawsEverythingWhenTheBackgroundIsDirty) {
  TestControl* bg = Add(IRECT(0, 0, 100, 100));
  TestControl* a = Add(IRECT(10, 10, 20, 20));
  TestControl* hidden = Add(IRECT(30, 30, 40, 40));
  graphics->SetStrictDrawing(false);
  EXPECT_FALSE(graphics->GetStrictDrawing());
  CleanAll();
  hidden->Hide(true);
  hidden->SetRedrawPending(false);
  bg->Hide(true);  // the background draws even when hidden
  bg->SetRedrawPending(false);

  IRECT r;
  ASSERT_TRUE(graphics->IsDirty(&r));
  graphics->Draw(&r);
  EXPECT_EQ(drawn, (std::vector<int>{0, 1}));
  EXPECT_EQ(graphics->GetDrawRect(), IRECT(0, 0, 100, 100));
  EXPECT_FALSE(bg->IsDirty());
  EXPECT_FALSE(a->IsDirty());
  EXPECT_TRUE(hidden->IsDirty());  // skipped, so still dirty
  EXPECT_EQ(Pixel(50, 50), RAST_MakePixel(255, 255, 255, 255));
}

TEST_F(GraphicsDraw, LooseRoadRedrawsEachDirtyControlWithWhatOverlapsIt) {
  Add(IRECT(0, 0, 100, 100));
  TestControl* a = Add(IRECT(10, 10, 20, 20));
  TestControl* b = Add(IRECT(15, 15, 25, 25));  // overlaps a
  TestControl* c = Add(IRECT(70, 70, 80, 80));
  TestControl* hidden = Add(IRECT(10, 10, 20, 20));
  graphics->SetStrictDrawing(false);
  CleanAll();

  a->SetDirty(false);
  b->SetDirty(false);
  hidden->Hide(true);
  hidden->SetRedrawPending(false);
  IRECT r;
  ASSERT_TRUE(graphics->IsDirty(&r));
  graphics->Draw(&r);
  // For a and for b: background, a, b. The just-hidden control does not draw, but what lies
  // under it does.
  EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2, 0, 1, 2, 0, 1, 2}));
  EXPECT_FALSE(a->IsDirty());
  EXPECT_FALSE(b->IsDirty());
  EXPECT_FALSE(hidden->IsDirty());  // cleaned without drawing
  EXPECT_EQ(c->draws, 0);
  EXPECT_EQ(graphics->GetDrawRect(), IRECT(10, 10, 20, 20));
  ASSERT_EQ(graphics->screenCopies.size(), 1u);
  EXPECT_EQ(graphics->screenCopies[0], IRECT(10, 10, 25, 25));
}

TEST_F(GraphicsDraw, NothingToDrawAndTheResizePreview) {
  IRECT area(0, 0, 10, 10);
  EXPECT_TRUE(graphics->Draw(&area));  // empty list
  EXPECT_TRUE(graphics->screenCopies.empty());

  TestControl* c = Add(IRECT(0, 0, 10, 10));
  FakeResize resize;
  resize.dragging = true;
  plug.SetGUIResize(&resize);
  graphics->drawScreenResult = false;
  EXPECT_FALSE(graphics->Draw(&area));
  EXPECT_EQ(resize.fills, 1);
  EXPECT_EQ(c->draws, 0);
  ASSERT_EQ(graphics->screenCopies.size(), 1u);
  EXPECT_EQ(graphics->screenCopies[0], IRECT(0, 0, 100, 100));
  plug.SetGUIResize(nullptr);
}

namespace {

struct CountedControl : TestControl {
  CountedControl(IModuleBase* plug, int* deaths)
      : TestControl(plug, IRECT(0, 0, 1, 1)), mDeaths(deaths) {}
  ~CountedControl() override { ++*mDeaths; }
  int* mDeaths;
};

}  // namespace

TEST(GraphicsLifetime, TheGraphicsDeletesItsControlsAndKeyCatcher) {
  int deaths = 0;
  {
    TestPlug plug(1);
    auto* g = new TestGraphics(&plug, 50, 40);
    g->AttachControl(new CountedControl(&plug, &deaths));
    g->AttachControl(new CountedControl(&plug, &deaths));
    g->SetKeyCatcher(new CountedControl(&plug, &deaths));
    plug.AttachGraphics(g);
    EXPECT_EQ(plug.GetLiveEditState()->AttachedCount(), 2);
    g->Resize(60, 30);
    EXPECT_EQ(g->GetDrawBitmap()->getWidth(), 60);
    EXPECT_EQ(g->GetDrawBitmap()->getRowSpan(), 60);
    EXPECT_EQ(g->GetDrawBitmap()->getHeight(), 30);
  }
  EXPECT_EQ(deaths, 3);
}

TEST(GraphicsLifetime, AReplacedKeyCatcherIsDeleted) {
  int deaths = 0;
  {
    TestPlug plug(1);
    TestGraphics g(&plug, 50, 40);
    auto* first = new CountedControl(&plug, &deaths);
    g.SetKeyCatcher(first);
    g.SetKeyCatcher(first);  // the same one again: kept
    EXPECT_EQ(deaths, 0);
    g.SetKeyCatcher(new CountedControl(&plug, &deaths));
    EXPECT_EQ(deaths, 1);
    g.SetKeyCatcher(nullptr);
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(g.GetKeyCatcher(), nullptr);
  }
  EXPECT_EQ(deaths, 2);
}

// Controls belong to the main thread: a change from any other thread stops a debug build.
TEST(IGraphicsThreadDeathTest, ControlChangesOffTheMainThreadAreCaught) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TestPlug plug(2);
  auto* graphics = new TestGraphics(&plug, 100, 100);
  plug.AttachGraphics(graphics);
  auto* c = new TestControl(&plug, IRECT(0, 0, 10, 10), 0);
  graphics->AttachControl(c);
  c->SetDirty(false);  // the main thread may
  EXPECT_DEBUG_DEATH(std::thread([&] { c->SetDirty(false); }).join(), "off the main thread");
  EXPECT_DEBUG_DEATH(std::thread([&] { graphics->HideControlsOfParam(0, true); }).join(),
                     "off the main thread");
}
