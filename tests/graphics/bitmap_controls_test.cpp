// Bitmap, switch, contact, overlay, invisible-switch and radio-button controls; backgrounds.
#include <gtest/gtest.h>

#include "control_fixture.h"
#include "graphics/bitmap_controls.h"

using namespace vqtest;
using BitmapControls = ControlFixture;

static IMouseMod kLeft(true), kRight(false, true);

TEST_F(BitmapControls, BitmapControlDrawsTheNearestFrameLimitedToTheStrip) {
  Strip strip(10, 8, 3);
  auto* c = Attach(new IBitmapControl(&plug, 20, 30, 2, &strip.frames));
  EXPECT_EQ(c->GetRECT(), IRECT(20, 30, 30, 38));  // one frame's size
  for (auto [v, frame] : {std::pair{0.24, 1}, {0.25, 2}, {1.0, 3}, {1.3, 3}, {-0.4, 1}}) {
    c->SetValue(v);
    DrawArea(c->GetRECT());
    EXPECT_EQ(FrameAt(25, 34), frame) << v;
    EXPECT_EQ(Pixel(19, 34), kBackground);
  }
  EXPECT_EQ(FrameForValue(1, 0.7), 1);
  EXPECT_EQ(FrameForValue(128, 0.5), 65);
}

TEST_F(BitmapControls, SwitchesStepWrapAndPushEveryClick) {
  struct Case {
    int frames;
    std::vector<double> values;
  } cases[] = {{2, {1.0, 0.0, 1.0}}, {3, {0.5, 1.0, 0.0}}, {1, {1.0, 0.0, 1.0}}};
  for (const Case& c : cases) {
    plug.pushes.clear();
    Strip strip(4, 4, c.frames);
    ISwitchControl sw(&plug, 0, 0, 2, &strip.frames);
    sw.OnMouseDown(1, 1, &kLeft);
    sw.OnMouseDblClick(1, 1, &kLeft);  // a double click is a click
    sw.OnMouseDown(1, 1, &kRight);
    EXPECT_EQ(Pushes(2), c.values) << c.frames;
  }
  plug.pushes.clear();
  Strip strip(4, 4, 2);
  IContactControl contact(&plug, 0, 0, 2, &strip.frames);
  contact.OnMouseDown(1, 1, &kLeft);
  contact.OnMouseUp(1, 1, &kLeft);
  IInvisibleSwitchControl inv(&plug, IRECT(0, 0, 5, 5), 2);
  for (double from : {0.49, 0.5}) {
    inv.SetValue(from);
    inv.OnMouseDown(1, 1, &kLeft);
  }
  EXPECT_EQ(Pushes(2), (std::vector<double>{1.0, 0.0, 1.0, 0.0}));
  ISwitchPopUpControl popUp(&plug, 0, 0, 1, &strip.frames);  // prompts, then pushes as it is
  popUp.SetPromptDisabled(false);
  popUp.OnMouseDblClick(1, 1, &kLeft);
  EXPECT_EQ(graphics->prompts.size(), 1u);
  EXPECT_EQ(Pushes(1), std::vector<double>{0.0});
}

TEST_F(BitmapControls, SwitchFramesPicksTheFrameUnderThePointer) {
  for (bool horizontal : {false, true}) {
    plug.pushes.clear();
    Strip strip(9, 9, 3, horizontal);
    ISwitchFramesControl c(&plug, 5, 5, 2, &strip.frames, horizontal);  // one frame cut in three
    for (int k : {2, 0, 1})
      c.OnMouseDown(horizontal ? 6 + 3 * k : 6, horizontal ? 6 : 6 + 3 * k, &kLeft);
    c.OnMouseDown(100, 100, &kLeft);  // outside every frame: pushed unchanged
    EXPECT_EQ(Pushes(2), (std::vector<double>{1.0, 0.0, 0.5, 0.5})) << horizontal;
  }
}

TEST(RadioButtons, RowsAreFlushWithBothEndsAndEveryButtonCanBeClicked) {
  Strip strip(26, 16, 2);
  struct Case {
    int dir, n;
    IRECT base;
    std::vector<IRECT> buttons;
  } cases[] = {
      {1,
       3,
       {524, 565, 810, 581},
       {{784, 565, 810, 581}, {654, 565, 680, 581}, {524, 565, 550, 581}}},
      {0, 3, {10, 10, 36, 78}, {{10, 10, 36, 26}, {10, 36, 36, 52}, {10, 62, 36, 78}}},
      {2, 3, {10, 10, 36, 78}, {{10, 62, 36, 78}, {10, 36, 36, 52}, {10, 10, 36, 26}}},
      {1, 1, {0, 0, 100, 16}, {{74, 0, 100, 16}}},
  };
  for (const Case& c : cases) {
    IRadioButtonsControl radio(nullptr, c.base, 0, c.n, &strip.frames, c.dir);
    ASSERT_EQ(radio.NButtons(), c.n);
    for (int k = 0; k < c.n; ++k) {
      const IRECT& b = radio.GetButtonRect(k);
      EXPECT_EQ(b, c.buttons[k]) << "direction " << c.dir << " button " << k;
      radio.OnMouseDown(b.L, b.B - 1, &kLeft);
      EXPECT_DOUBLE_EQ(radio.GetValue(), c.n > 1 ? double(k) / (c.n - 1) : 0.0);
    }
  }
}

TEST_F(BitmapControls, RadioButtonsDrawTheActiveOneOnAndRescale) {
  Strip strip(10, 6, 2);
  auto* radio = Attach(new IRadioButtonsControl(&plug, IRECT(0, 0, 70, 6), 2, 3, &strip.frames, 1));
  const int at[] = {62, 32, 2};  // button 0 is the rightmost
  for (auto [v, active] : {std::pair{0.2, 0}, {0.3, 1}, {0.5, 1}, {0.8, 2}, {1.0, 2}}) {
    radio->SetValue(v);  // the button nearest to 2 v
    DrawArea(IRECT(0, 0, 200, 120));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(FrameAt(at[k], 2), k == active ? 2 : 1) << v << " " << k;
  }
  radio->OnMouseDown(65, 3, &kRight);  // right button: a prompt (disabled here), no change
  EXPECT_DOUBLE_EQ(radio->GetValue(), 1.0);
  radio->OnRescale(2.0);
  EXPECT_EQ(radio->GetButtonRect(0), IRECT(130, 0, 140, 6));
  EXPECT_EQ(radio->GetButtonRect(1), IRECT(65, 0, 75, 6));
}

TEST_F(BitmapControls, OverlayTakesTheMouseInItsTargetAreaUntilOpened) {
  Strip strip(40, 30, 1);
  auto* overlay =
      Attach(new IBitmapOverlayControl(&plug, 10, 10, &strip.frames, IRECT(12, 12, 16, 16)));
  EXPECT_TRUE(overlay->IsHit(13, 13));
  for (auto [x, y, open] : {std::tuple{13, 13, true}, {40, 30, false}}) {
    EXPECT_NE(overlay->IsHit(40, 30), open);  // open, a click anywhere on it closes it
    overlay->OnMouseDown(x, y, &kLeft);
    DrawArea(overlay->GetRECT());
    EXPECT_EQ(FrameAt(40, 30), open ? 1 : 0);
  }
  overlay->OnRescale(1.5);
  EXPECT_EQ(overlay->GetTargetArea(), IRECT(18, 18, 24, 24));
}

TEST_F(BitmapControls, BackgroundsGoFirstInTheList) {
  auto* other = Attach(new IPanelControl(&plug, IRECT(0, 0, 10, 10), &COLOR_RED));
  const IColor grey(255, 40, 50, 60);
  graphics->AttachPanelBackground(&grey);
  EXPECT_EQ(other->GetListIdx(), 1);
  EXPECT_EQ(graphics->GetControl(0)->GetRECT(), IRECT(0, 0, 200, 120));
  DrawArea(IRECT(0, 0, 200, 120));
  EXPECT_EQ(Pixel(100, 100), grey.ToPixel());
  EXPECT_EQ(Pixel(5, 5), COLOR_RED.ToPixel());
  graphics->AttachBackground(999, "img/none-2x.png");  // a missing image still gives a control
  auto* bg = dynamic_cast<IBitmapControl*>(graphics->GetControl(0));
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(other->GetListIdx(), 2);
  EXPECT_EQ(bg->GetBlend().mMethod, IChannelBlend::kBlendClobber);
  EXPECT_EQ(bg->GetRECT(), FrameRectAt(bg->GetBitmap(), 0, 0));
}
