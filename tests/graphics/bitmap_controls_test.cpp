// Bitmap, switch, contact, overlay, invisible-switch and radio-button controls; backgrounds.
#include <gtest/gtest.h>

#include "control_fixture.h"
#include "graphics/bitmap_controls.h"

using namespace vqtest;

namespace {

using BitmapControls = ControlFixture;
IMouseMod kLeft(true), kRight(false, true);

}  // namespace

TEST(FrameForValue, NearestFrameLimitedToTheStrip) {
  struct Case {
    int n;
    double v;
    int frame;
  } cases[] = {{3, 0.24, 1}, {3, 0.25, 2}, {3, 1.0, 3}, {3, 1.3, 3}, {3, -0.4, 1},
               {1, 0.7, 1},  {0, 0.7, 1},  {128, 0.5, 65}, {2, 0.49, 1}, {2, 0.5, 2}};
  for (const Case& c : cases) EXPECT_EQ(FrameForValue(c.n, c.v), c.frame) << c.n << " frames at " << c.v;
}

TEST_F(BitmapControls, BitmapControlDrawsTheFrameForItsValue) {
  Strip strip(10, 8, 3);
  auto* c = Attach(new IBitmapControl(&plug, 20, 30, 2, &strip.frames));
  EXPECT_EQ(c->GetRECT(), IRECT(20, 30, 30, 38));  // one frame's size
  for (auto [v, frame] : {std::pair{0.24, 1}, {0.25, 2}, {1.0, 3}, {-0.4, 1}}) {
    c->SetValue(v);
    DrawArea(c->GetRECT());
    EXPECT_EQ(FrameAt(25, 34), frame) << v;
    EXPECT_EQ(Pixel(19, 34), kBackground);  // nothing outside the control
  }
}

TEST_F(BitmapControls, SwitchesCycleThroughTheirPositionsAndPushEachClick) {
  struct Case {
    int frames;
    std::vector<double> values;
  } cases[] = {{2, {1.0, 0.0, 1.0}}, {3, {0.5, 1.0, 0.0}}, {1, {1.0, 0.0, 1.0}}};
  for (const Case& c : cases) {
    plug.pushes.clear();
    Strip strip(4, 4, c.frames);
    ISwitchControl sw(&plug, 0, 0, 2, &strip.frames);
    for (size_t i = 0; i < c.values.size(); ++i) {
      if (i == 1) {
        sw.OnMouseDblClick(1, 1, &kLeft);  // a double click is a click
      } else {
        sw.OnMouseDown(1, 1, &kLeft);
      }
      EXPECT_DOUBLE_EQ(sw.GetValue(), c.values[i]) << c.frames << " frames, click " << i;
    }
    EXPECT_EQ(Pushes(2), c.values);
  }
}

TEST_F(BitmapControls, ContactAndInvisibleSwitch) {
  Strip strip(4, 4, 2);
  IContactControl contact(&plug, 0, 0, 2, &strip.frames);
  contact.OnMouseDown(1, 1, &kLeft);
  contact.OnMouseUp(1, 1, &kLeft);
  EXPECT_EQ(Pushes(2), (std::vector<double>{1.0, 0.0}));

  IInvisibleSwitchControl inv(&plug, IRECT(0, 0, 5, 5), 3);
  for (auto [from, to] : {std::pair{0.49, 1.0}, {0.5, 0.0}, {0.0, 1.0}}) {
    inv.SetValue(from);
    inv.OnMouseDown(1, 1, &kLeft);
    EXPECT_DOUBLE_EQ(inv.GetValue(), to) << from;
  }
  EXPECT_EQ(Pushes(3).size(), 3u);
  EXPECT_EQ(inv.GetBlend().mMethod, IChannelBlend::kBlendClobber);
}

TEST_F(BitmapControls, SwitchFramesPicksTheFrameUnderThePointer) {
  for (bool horizontal : {false, true}) {
    plug.pushes.clear();
    Strip strip(9, 9, 3, horizontal);
    ISwitchFramesControl c(&plug, 5, 5, 2, &strip.frames, horizontal);
    ASSERT_EQ(c.NRects(), 3);  // the control's one-frame rectangle cut in three
    EXPECT_FALSE(c.IsPromptDisabled());
    const int step = 3;
    for (int k : {2, 0, 1}) {
      const int x = horizontal ? 5 + k * step + 1 : 6, y = horizontal ? 6 : 5 + k * step + 1;
      c.OnMouseDown(x, y, &kLeft);
      EXPECT_DOUBLE_EQ(c.GetValue(), k / 2.0) << horizontal << " frame " << k;
    }
    c.OnMouseDown(100, 100, &kLeft);  // outside every frame: the value is pushed unchanged
    EXPECT_EQ(Pushes(2), (std::vector<double>{1.0, 0.0, 0.5, 0.5}));
  }
}

TEST(RadioButtons, RowsAreFlushWithBothEndsInEveryDirection) {
  Strip strip(26, 16, 2);  // buttons 26 x 16
  struct Case {
    int dir, n;
    IRECT base;
    std::vector<IRECT> buttons;
  } cases[] = {
      {1, 3, IRECT(524, 565, 810, 581), {{784, 565, 810, 581}, {654, 565, 680, 581}, {524, 565, 550, 581}}},
      {0, 3, IRECT(10, 10, 36, 78), {{10, 10, 36, 26}, {10, 36, 36, 52}, {10, 62, 36, 78}}},
      {2, 3, IRECT(10, 10, 36, 78), {{10, 62, 36, 78}, {10, 36, 36, 52}, {10, 10, 36, 26}}},
      {1, 1, IRECT(0, 0, 100, 16), {{74, 0, 100, 16}}},
      {0, 1, IRECT(0, 0, 26, 16), {{0, 0, 26, 16}}},
  };
  for (const Case& c : cases) {
    IRadioButtonsControl radio(nullptr, c.base, 0, c.n, &strip.frames, c.dir);
    ASSERT_EQ(radio.NButtons(), c.n);
    for (int k = 0; k < c.n; ++k) {
      EXPECT_EQ(radio.GetButtonRect(k), c.buttons[k]) << "direction " << c.dir << " button " << k;
      const IRECT& b = radio.GetButtonRect(k);
      radio.OnMouseDown(b.L, b.B - 1, &kLeft);  // every button can be clicked
      EXPECT_DOUBLE_EQ(radio.GetValue(), c.n > 1 ? double(k) / (c.n - 1) : 0.0);
    }
  }
}

TEST_F(BitmapControls, RadioButtonsDrawTheActiveOneOnAndRescale) {
  Strip strip(10, 6, 2);
  auto* radio = Attach(new IRadioButtonsControl(&plug, IRECT(0, 0, 70, 6), 2, 3, &strip.frames, 1));
  radio->SetValue(0.5);
  DrawArea(IRECT(0, 0, 200, 120));
  for (int k = 0; k < 3; ++k) {
    const IRECT& b = radio->GetButtonRect(k);
    EXPECT_EQ(FrameAt(b.L + 2, b.T + 2), k == 1 ? 2 : 1) << k;
  }
  radio->OnMouseDown(65, 3, &kRight);  // right button: a prompt (disabled here), no change
  EXPECT_DOUBLE_EQ(radio->GetValue(), 0.5);
  radio->OnRescale(2.0);
  EXPECT_EQ(radio->GetButtonRect(0), IRECT(130, 0, 140, 6));
  EXPECT_EQ(radio->GetButtonRect(2), IRECT(0, 0, 10, 6));
}

TEST_F(BitmapControls, OverlayTakesTheMouseInItsTargetAreaUntilOpened) {
  Strip strip(40, 30, 1);
  auto* overlay = Attach(new IBitmapOverlayControl(&plug, 10, 10, &strip.frames, IRECT(12, 12, 16, 16)));
  EXPECT_TRUE(overlay->IsHit(13, 13));
  EXPECT_FALSE(overlay->IsHit(40, 30));
  overlay->OnMouseDown(13, 13, &kLeft);
  DrawArea(overlay->GetRECT());
  EXPECT_EQ(FrameAt(40, 30), 1);
  EXPECT_TRUE(overlay->IsHit(40, 30));  // open: a click anywhere closes it
  overlay->OnMouseDown(40, 30, &kLeft);
  DrawArea(overlay->GetRECT());
  EXPECT_DOUBLE_EQ(overlay->GetValue(), 0.0);
  EXPECT_EQ(Pixel(40, 30), kBackground);
  EXPECT_FALSE(overlay->IsHit(40, 30));
  overlay->OnRescale(1.5);
  EXPECT_EQ(overlay->GetTargetArea(), IRECT(18, 18, 24, 24));
}

TEST_F(BitmapControls, BackgroundsGoFirstInTheList) {
  auto* other = Attach(new IPanelControl(&plug, IRECT(0, 0, 10, 10), &COLOR_RED));
  const IColor grey(255, 40, 50, 60);
  graphics->AttachPanelBackground(&grey);
  ASSERT_EQ(graphics->NControls(), 2);
  EXPECT_EQ(graphics->GetControl(1), other);
  EXPECT_EQ(other->GetListIdx(), 1);
  EXPECT_EQ(graphics->GetControl(0)->GetRECT(), IRECT(0, 0, 200, 120));
  DrawArea(IRECT(0, 0, 200, 120));
  EXPECT_EQ(Pixel(100, 100), grey.ToPixel());
  EXPECT_EQ(Pixel(5, 5), COLOR_RED.ToPixel());

  graphics->AttachBackground(999, "img/none-2x.png");  // a missing image still gives a control
  ASSERT_EQ(graphics->NControls(), 3);
  auto* bg = dynamic_cast<IBitmapControl*>(graphics->GetControl(0));
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->ParamIdx(), -1);
  EXPECT_EQ(bg->GetBlend().mMethod, IChannelBlend::kBlendClobber);
  EXPECT_EQ(bg->GetRECT(), FrameRectAt(bg->GetBitmap(), 0, 0));
}
