// Knobs and the fader: drag and wheel rules, filmstrip frames, changed flags, line and rotated
// drawing, fader snapping, handle hit test and rescale.
#include <gtest/gtest.h>

#include <cmath>

#include "control_fixture.h"
#include "graphics/imodule_gui_resize.h"
#include "graphics/knob_controls.h"

using namespace vqtest;

namespace {

using KnobControls = ControlFixture;
constexpr double kPi = 3.14159265358979323846;

}  // namespace

TEST_F(KnobControls, DragMovesByTravelOverSizeAndGearing) {
  struct Case {
    int dir, w, h;
    double gearing;
    int dx, dy;
    IMouseMod mod;
    double from, to;
    bool pushed;
  } cases[] = {
      {IKnobControl::kVertical, 20, 50, 4.0, 0, -10, IMouseMod(true), 0.5, 0.55, true},
      {IKnobControl::kVertical, 20, 50, 4.0, 0, -10, IMouseMod(true, false, true), 0.5, 0.505, true},
      {IKnobControl::kVertical, 20, 50, 4.0, 0, -10, IMouseMod(true, false, false, true), 0.5, 0.505, true},
      {IKnobControl::kVertical, 20, 50, 4.0, 0, 10, IMouseMod(true), 0.5, 0.45, true},
      {IKnobControl::kHorizontal, 40, 10, 2.0, 8, -99, IMouseMod(true), 0.5, 0.6, true},
      {IKnobControl::kVertical, 20, 50, 1.0, 0, -200, IMouseMod(true), 0.5, 1.0, true},  // clamped
      {IKnobControl::kVertical, 20, 0, 4.0, 0, -10, IMouseMod(true), 0.5, 0.5, false},   // no travel
      {IKnobControl::kHorizontal, 0, 0, 4.0, 5, 0, IMouseMod(true), 0.5, 0.5, false},
  };
  Strip strip(4, 4, 8);
  for (const Case& c : cases) {
    plug.pushes.clear();
    IKnobMultiControl knob(&plug, 0, 0, 2, &strip.frames, c.dir, c.gearing);
    knob.SetRECT(IRECT(0, 0, c.w, c.h));
    knob.SetValue(c.from);
    knob.OnMouseDrag(0, 0, c.dx, c.dy, const_cast<IMouseMod*>(&c.mod));
    EXPECT_NEAR(knob.GetValue(), c.to, 1e-12) << c.dir << " " << c.dx << "," << c.dy;
    EXPECT_EQ(Pushes(2).size(), c.pushed ? 1u : 0u);
  }
}

TEST_F(KnobControls, WheelStepsAHundredthOrAThousandthAndClamps) {
  Strip handle(10, 10, 1);
  IKnobLineControl knob(&plug, IRECT(0, 0, 20, 20), 2, &COLOR_RED);
  IFaderControl fader(&plug, 0, 0, 100, 2, &handle.frames);
  for (IControl* c : {static_cast<IControl*>(&knob), static_cast<IControl*>(&fader)}) {
    struct Case {
      IMouseMod mod;
      int d;
      double from, to;
    } cases[] = {{IMouseMod(), 3, 0.5, 0.53},
                 {IMouseMod(false, false, false, true), 3, 0.5, 0.503},
                 {IMouseMod(false, false, true), -2, 0.5, 0.498},
                 {IMouseMod(), 5, 0.98, 1.0},
                 {IMouseMod(), -5, 0.02, 0.0}};
    for (Case& w : cases) {
      plug.pushes.clear();
      c->SetValue(w.from);
      c->OnMouseWheel(0, 0, &w.mod, w.d);
      EXPECT_NEAR(c->GetValue(), w.to, 1e-12);
      ASSERT_EQ(Pushes(2).size(), 1u);
      EXPECT_NEAR(Pushes(2)[0], w.to, 1e-12);
    }
  }
}

TEST_F(KnobControls, FilmstripShowsTheFrameOfTheQuantisedValue) {
  struct Case {
    int frames, limit;
    double v;
    int frame;
  } cases[] = {{128, 0, 0.5, 65}, {128, 5, 0.6, 65}, {5, 3, 0.3, 3}, {5, 3, 0.2, 1}, {5, 0, 0.3, 2}, {5, 1, 0.9, 5}};
  for (const Case& c : cases) {
    Strip strip(6, 4, c.frames);
    auto* knob = Attach(new IKnobMultiControl(&plug, 50, 50, 2, &strip.frames));
    knob->SetFrameLimit(c.limit);
    knob->SetValue(c.v);
    EXPECT_EQ(knob->CurrentFrame(), c.frame);
    DrawArea(knob->GetRECT());
    EXPECT_EQ(FrameAt(52, 51, c.frames), c.frame) << c.frames << " frames, limit " << c.limit << " at " << c.v;
    graphics->RemoveControl(knob->GetListIdx());
    delete knob;
  }
}

TEST_F(KnobControls, PressesPushAndKeepTheChangedFlags) {
  Strip strip(4, 4, 8);
  IMouseMod left(true), right(false, true);
  IKnobMultiControl plain(&plug, 0, 0, 2, &strip.frames);
  plain.SetPromptDisabled(false);
  plain.SetValue(0.25);
  plain.OnMouseDown(1, 1, &right);  // pushes at once, opens no prompt
  EXPECT_EQ(Pushes(2), std::vector<double>{0.25});
  EXPECT_TRUE(graphics->prompts.empty());

  IKnobMultiControl2 held(&plug, 0, 0, 2, &strip.frames);
  held.OnMouseDown(1, 1, &left);
  EXPECT_TRUE(held.IsChanged());
  held.OnMouseUp(1, 1, &left);
  EXPECT_FALSE(held.IsChanged());

  IKnobMultiControl3 taken(&plug, 0, 0, 2, &strip.frames);
  taken.OnMouseDown(1, 1, &left);
  EXPECT_FALSE(taken.TakeChanged());
  taken.OnMouseDown(1, 1, &right);
  EXPECT_TRUE(taken.TakeChanged());
  EXPECT_FALSE(taken.TakeChanged());
  EXPECT_EQ(Pushes(2).size(), 5u);  // every press and release
}

TEST_F(KnobControls, LineKnobPointsAtTheAngleOfItsValue) {
  auto* knob = Attach(new IKnobLineControl(&plug, IRECT(0, 0, 40, 40), 2, &COLOR_GREEN, 0.0, 0.0, 0.0, kPi / 2));
  struct Case {
    double v;
    int onX, onY, offX, offY;
  } cases[] = {{0.0, 20, 4, 36, 20}, {1.0, 36, 20, 20, 4}};
  for (const Case& c : cases) {
    knob->SetValue(c.v);
    DrawArea(knob->GetRECT());
    EXPECT_EQ(Pixel(c.onX, c.onY), COLOR_GREEN.ToPixel()) << c.v;
    EXPECT_EQ(Pixel(c.offX, c.offY), kBackground) << c.v;
  }
  // The radii follow the GUI scale once the GUI can be scaled.
  knob->SetValue(0.0);
  knob->OnRescale(0.5);
  DrawArea(knob->GetRECT());
  EXPECT_EQ(Pixel(20, 4), COLOR_GREEN.ToPixel());  // no resize object: scale ignored
  IModuleGUIResize resize;
  plug.SetGUIResize(&resize);
  DrawArea(knob->GetRECT());
  plug.SetGUIResize(nullptr);
  EXPECT_EQ(Pixel(20, 4), kBackground);
  EXPECT_EQ(Pixel(20, 12), COLOR_GREEN.ToPixel());
}

TEST_F(KnobControls, RotatedKnobsDrawTheirImagesAtTheCentre) {
  Strip image(10, 10, 1);
  auto* rot = Attach(new IKnobRotaterControl(&plug, 10, 10, 2, &image.frames));
  rot->SetValue(0.5);  // upright
  DrawArea(rot->GetRECT());
  EXPECT_EQ(FrameAt(15, 15), 1);
  EXPECT_EQ(Pixel(9, 15), kBackground);
}

TEST_F(KnobControls, FaderHandleFollowsThePointer) {
  Strip handle(12, 20, 1);
  auto* fader = Attach(new IFaderControl(&plug, 10, 0, 100, 2, &handle.frames));
  EXPECT_EQ(fader->GetRECT(), IRECT(10, 0, 22, 100));
  IMouseMod left(true);
  struct Case {
    int y;
    double v;
    IRECT handle;
  } cases[] = {{10, 1.0, {10, 0, 22, 20}}, {90, 0.0, {10, 80, 22, 100}}, {50, 0.5, {10, 40, 22, 60}}};
  for (const Case& c : cases) {
    fader->OnMouseDown(15, c.y, &left);
    EXPECT_DOUBLE_EQ(fader->GetValue(), c.v) << c.y;
    EXPECT_EQ(fader->GetHandleRECT(), c.handle);
    DrawArea(fader->GetRECT());
    EXPECT_EQ(FrameAt(15, c.handle.T + 1), 1);
    EXPECT_EQ(Pixel(15, c.handle.T - 1 < 0 ? c.handle.B : c.handle.T - 1), kBackground);
  }
  fader->OnMouseDrag(15, 30, 0, 20, &left);
  EXPECT_DOUBLE_EQ(fader->GetValue(), 0.75);
  EXPECT_EQ(Pushes(2), (std::vector<double>{1.0, 0.0, 0.5, 0.75}));

  IFaderControl horizontal(&plug, 0, 0, 200, 2, &handle.frames, IFaderControl::kHorizontal, true);
  horizontal.OnMouseDown(106, 5, &left);  // (106 - 0 - 6) / (200 - 12)
  EXPECT_NEAR(horizontal.GetValue(), 100.0 / 188, 1e-12);
  const IRECT h = horizontal.GetHandleRECT();
  EXPECT_TRUE(horizontal.IsHit(h.L, 5));
  EXPECT_FALSE(horizontal.IsHit(h.L - 1, 5));  // only the handle takes the mouse
  horizontal.OnRescale(1.5);
  EXPECT_EQ(horizontal.GetLength(), 300);
  EXPECT_EQ(horizontal.GetHandleSize(), 18);
}

TEST_F(KnobControls, FaderWithoutTravelIgnoresThePointer) {
  Strip handle(12, 20, 1);
  IFaderControl fader(&plug, 0, 0, 20, 2, &handle.frames);
  fader.SetValue(0.3);
  IMouseMod left(true);
  fader.OnMouseDown(5, 2, &left);
  fader.OnMouseDrag(5, 15, 0, 13, &left);
  EXPECT_DOUBLE_EQ(fader.GetValue(), 0.3);
  EXPECT_TRUE(Pushes(2).empty());
  EXPECT_EQ(fader.GetHandleRECT(), IRECT(0, 0, 12, 20));
}
