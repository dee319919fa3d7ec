// Knobs and the fader: drag and wheel rules, filmstrip frames, changed flags, line and rotated
// drawing, fader snapping, handle hit test and rescale.
#include <gtest/gtest.h>

#include <memory>

#include "control_fixture.h"
#include "graphics/imodule_gui_resize.h"
#include "graphics/knob_controls.h"

using namespace vqtest;
using KnobControls = ControlFixture;

static IMouseMod kLeft(true), kRight(false, true), kShift(true, false, true),
    kCtrl(false, false, false, true);

TEST_F(KnobControls, DragMovesByTravelOverSizeAndGearing) {
  struct Case {
    int dir, w, h;
    double gearing;
    int dx, dy;
    IMouseMod* mod;
    double to;  // from 0.5
  } cases[] = {
      {0, 20, 50, 4.0, 0, -10, &kLeft, 0.55},  {0, 20, 50, 4.0, 0, -10, &kShift, 0.505},
      {0, 20, 50, 4.0, 0, -10, &kCtrl, 0.505}, {0, 20, 50, 4.0, 0, 10, &kLeft, 0.45},
      {1, 40, 10, 2.0, 8, -99, &kLeft, 0.6},   {0, 20, 50, 1.0, 0, -200, &kLeft, 1.0},
      {0, 20, 0, 4.0, 0, -10, &kLeft, 0.5},    {1, 0, 0, 4.0, 5, 0, &kLeft, 0.5}};  // no travel
  Strip strip(4, 4, 8);
  for (const Case& c : cases) {
    plug.pushes.clear();
    IKnobMultiControl knob(&plug, 0, 0, 2, &strip.frames, c.dir, c.gearing);
    knob.SetRECT(IRECT(0, 0, c.w, c.h));
    knob.SetValue(0.5);
    knob.OnMouseDrag(0, 0, c.dx, c.dy, c.mod);
    EXPECT_NEAR(knob.GetValue(), c.to, 1e-12) << c.dir << " " << c.dx << "," << c.dy;
    EXPECT_EQ(Pushes(2).size(), c.w && c.h ? 1u : 0u);
  }
}

TEST_F(KnobControls, WheelStepsAHundredthOrAThousandthAndClamps) {
  Strip handle(10, 10, 1);
  IKnobLineControl knob(&plug, IRECT(0, 0, 20, 20), 2, &COLOR_RED);
  IFaderControl fader(&plug, 0, 0, 100, 2, &handle.frames);
  for (IControl* c : {static_cast<IControl*>(&knob), static_cast<IControl*>(&fader)}) {
    plug.pushes.clear();
    for (auto [mod, d, from] :
         {std::tuple{&kLeft, 3, 0.5}, {&kCtrl, 3, 0.5}, {&kShift, -2, 0.5}, {&kLeft, 5, 0.98}}) {
      c->SetValue(from);
      c->OnMouseWheel(0, 0, mod, d);
    }
    const std::vector<double> want{0.53, 0.503, 0.498, 1.0};
    ASSERT_EQ(Pushes(2).size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(Pushes(2)[i], want[i], 1e-12);
  }
}

TEST_F(KnobControls, FilmstripShowsTheFrameOfTheQuantisedValue) {
  struct Case {
    int frames, limit;
    double v;
    int frame;
  } cases[] = {
      {128, 0, 0.5, 65}, {128, 5, 0.6, 65}, {5, 3, 0.3, 3}, {5, 3, 0.2, 1}, {5, 0, 0.3, 2}};
  for (const Case& c : cases) {
    Strip strip(6, 4, c.frames);
    auto* knob = Attach(new IKnobMultiControl(&plug, 50, 50, 2, &strip.frames));
    knob->SetFrameLimit(c.limit);
    knob->SetValue(c.v);
    DrawArea(knob->GetRECT());
    EXPECT_EQ(FrameAt(52, 51), c.frame)
        << c.frames << " frames, limit " << c.limit << " at " << c.v;
    graphics->RemoveControl(knob->GetListIdx());
    delete knob;
  }
}

TEST_F(KnobControls, PressesPushAndKeepTheChangedFlags) {
  Strip strip(4, 4, 8);
  IKnobMultiControl plain(&plug, 0, 0, 2, &strip.frames);
  plain.SetPromptDisabled(false);
  plain.SetValue(0.25);
  plain.OnMouseDown(1, 1, &kRight);  // pushes at once, opens no prompt
  EXPECT_EQ(Pushes(2), std::vector<double>{0.25});
  EXPECT_TRUE(graphics->prompts.empty());
  IKnobMultiControl2 held(&plug, 0, 0, 2, &strip.frames);
  held.OnMouseDown(1, 1, &kLeft);
  EXPECT_TRUE(held.IsChanged());
  held.OnMouseUp(1, 1, &kLeft);
  EXPECT_FALSE(held.IsChanged());
  IKnobMultiControl3 taken(&plug, 0, 0, 2, &strip.frames);
  taken.OnMouseDown(1, 1, &kLeft);
  EXPECT_FALSE(taken.TakeChanged());
  taken.OnMouseDown(1, 1, &kRight);
  EXPECT_TRUE(taken.TakeChanged());
  EXPECT_FALSE(taken.TakeChanged());
  EXPECT_EQ(Pushes(2).size(), 5u);  // every press and release
}

TEST_F(KnobControls, LineAndRotatedKnobsDrawAtTheirAngle) {
  auto* knob = Attach(new IKnobLineControl(&plug, IRECT(0, 0, 40, 40), 2, &COLOR_GREEN, 0, 0, 0,
                                           3.14159265358979 / 2));
  IModuleGUIResize resize(nullptr, nullptr, true, 16, 16);
  struct Case {
    double v, scale;
    IModuleGUIResize* resize;
    int onX, onY, offX, offY;
  } cases[] = {{0.0, 1.0, nullptr, 20, 4, 36, 20},
               {1.0, 1.0, nullptr, 36, 20, 20, 4},
               {0.0, 0.5, nullptr, 20, 4, 36, 20},  // no resize object: the scale is ignored
               {0.0, 0.5, &resize, 20, 12, 20, 4}};
  for (const Case& c : cases) {
    knob->SetValue(c.v);
    knob->OnRescale(c.scale);
    plug.SetGUIResize(c.resize);
    DrawArea(knob->GetRECT());
    plug.SetGUIResize(nullptr);
    EXPECT_EQ(Pixel(c.onX, c.onY), COLOR_GREEN.ToPixel()) << c.v << " at " << c.scale;
    EXPECT_EQ(Pixel(c.offX, c.offY), kBackground) << c.v << " at " << c.scale;
  }
}

// A 21 x 21 image with a bar from the centre up; both knobs turn it by -135 to 135 degrees,
// clockwise as the value rises.
TEST_F(KnobControls, RotatedKnobsTurnTheirImageClockwise) {
  auto bar = [](RAST_pixel outside) {
    auto* b = new RAST_MemBitmap(21, 21);
    RAST_FillRect(b, 0, 0, 21, 21, outside, 1.0f, RAST_BLIT_MODE_COPY);
    RAST_FillRect(b, 9, 0, 3, 11, RAST_MakePixel(250, 250, 250, 255), 1.0f, RAST_BLIT_MODE_COPY);
    return b;
  };
  std::unique_ptr<RAST_MemBitmap> image(bar(0)), base(new RAST_MemBitmap(21, 21)), mask(bar(0)),
      top(new RAST_MemBitmap(21, 21));
  RAST_FillRect(base.get(), 0, 0, 21, 21, COLOR_GREEN.ToPixel(), 1.0f, RAST_BLIT_MODE_COPY);
  RAST_Clear(top.get(), 0);
  IFrameBitmap fImage(image.get(), 21, 21), fBase(base.get(), 21, 21), fMask(mask.get(), 21, 21),
      fTop(top.get(), 21, 21);
  IControl* knobs[] = {
      Attach(new IKnobRotaterControl(&plug, 20, 20, 2, &fImage)),
      Attach(new IKnobRotatingMaskControl(&plug, 60, 20, 2, &fBase, &fMask, &fTop))};
  for (auto [v, dx, dy] : {std::tuple{0.5, 0, -7}, {1.0, 5, 5}, {0.0, -5, 5}}) {
    for (IControl* knob : knobs) {
      knob->SetValue(v);
      DrawArea(IRECT(0, 0, 200, 120));
      const int cx = knob->GetRECT().L + 10, cy = knob->GetRECT().T + 10;
      EXPECT_NE(Pixel(cx + dx, cy + dy), kBackground) << v << " " << cx;
      EXPECT_EQ(Pixel(cx - dx, cy - dy), kBackground) << v << " " << cx;
      EXPECT_EQ(Pixel(cx + dy, cy - dx), kBackground) << v << " " << cx;  // a quarter turn on
    }
  }
}

TEST_F(KnobControls, FaderHandleFollowsThePointer) {
  Strip handle(12, 20, 1);
  auto* fader = Attach(new IFaderControl(&plug, 10, 0, 100, 2, &handle.frames));
  EXPECT_EQ(fader->GetRECT(), IRECT(10, 0, 22, 100));
  for (auto [y, top] : {std::pair{10, 0}, {90, 80}, {50, 40}}) {
    fader->OnMouseDown(15, y, &kLeft);
    EXPECT_EQ(fader->GetHandleRECT(), IRECT(10, top, 22, top + 20));
    DrawArea(fader->GetRECT());
    EXPECT_EQ(FrameAt(15, top + 1), 1);
    EXPECT_EQ(Pixel(15, top ? top - 1 : 21), kBackground);
  }
  fader->OnMouseDrag(15, 30, 0, 20, &kLeft);
  EXPECT_EQ(Pushes(2), (std::vector<double>{1.0, 0.0, 0.5, 0.75}));

  IFaderControl onlyHandle(&plug, 0, 0, 200, 2, &handle.frames, IFaderControl::kHorizontal, true);
  onlyHandle.OnMouseDown(106, 5, &kLeft);  // (106 - 6) / (200 - 12)
  EXPECT_NEAR(onlyHandle.GetValue(), 100.0 / 188, 1e-12);
  const IRECT h = onlyHandle.GetHandleRECT();
  EXPECT_TRUE(onlyHandle.IsHit(h.L, 5));
  EXPECT_FALSE(onlyHandle.IsHit(h.L - 1, 5));
  onlyHandle.OnRescale(1.5);
  EXPECT_EQ(onlyHandle.GetLength(), 300);
  EXPECT_EQ(onlyHandle.GetHandleSize(), 18);

  IFaderControl noTravel(&plug, 0, 0, 20, 2, &handle.frames);  // as long as its handle
  noTravel.SetValue(0.3);
  noTravel.OnMouseDown(5, 2, &kLeft);
  noTravel.OnMouseDrag(5, 15, 0, 13, &kLeft);
  EXPECT_DOUBLE_EQ(noTravel.GetValue(), 0.3);
  EXPECT_EQ(Pushes(2).size(), 5u);
}

TEST_F(KnobControls, ThroughTheGraphicsAPressBesideAHandleFallsThrough) {
  Strip strip(10, 10, 8), handle(12, 20, 1);
  auto* below = Attach(new IKnobMultiControl(&plug, 0, 0, 3, &strip.frames));
  below->SetRECT(IRECT(0, 0, 100, 100));
  below->SetTargetRECT(below->GetRECT());
  Attach(new IFaderControl(&plug, 10, 0, 100, 2, &handle.frames, IFaderControl::kVertical, true));
  graphics->OnMouseDown(15, 90, &kLeft);  // the handle sits at the bottom (value 0)
  graphics->OnMouseDrag(15, 50, &kLeft);
  graphics->OnMouseUp(15, 50, &kLeft);
  graphics->OnMouseDown(15, 10, &kLeft);  // beside the handle: the knob beneath takes it
  graphics->OnMouseDrag(15, 0, &kLeft);
  EXPECT_EQ(Pushes(2), std::vector<double>({0.0, 0.5}));
  EXPECT_EQ(Pushes(3), std::vector<double>({0.0, 0.025}));
}
