// Shared by the control-library tests: a plug with typed parameters, a headless graphics with a
// back buffer, generated image strips whose frames each have their own colour, and a way to
// draw one control and read back which frame it shows.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/iframe_bitmap.h"
#include "plugin/iparam.h"
#include "rast/rast_fill.h"
#include "support/test_graphics.h"

namespace vqtest {

// Frame k of every generated strip is filled with this colour; the background is never one.
inline RAST_pixel FrameColor(int k) {
  return RAST_MakePixel(k & 0xff, (255 - k) & 0xff, 77, 255);
}
inline constexpr RAST_pixel kBackground = RAST_MakePixel(1, 2, 3, 255);

// An n-frame strip of frameW x frameH frames, each in FrameColor(k).
struct Strip {
  Strip(int frameW, int frameH, int n, bool horizontal = false)
      : bitmap(horizontal ? frameW * n : frameW, horizontal ? frameH : frameH * n),
        frames(&bitmap, bitmap.getWidth(), bitmap.getHeight(), n, horizontal) {
    for (int k = 0; k < n; ++k) {
      RAST_FillRect(&bitmap, horizontal ? k * frameW : 0, horizontal ? 0 : k * frameH, frameW,
                    frameH, FrameColor(k), 1.0f, RAST_BLIT_MODE_COPY);
    }
  }
  RAST_MemBitmap bitmap;
  IFrameBitmap frames;
};

// Records every value a control pushes.
struct RecordingPlug : TestPlug {
  using TestPlug::TestPlug;
  void SetParameterFromGUI(int paramIdx, double value) override {
    pushes.push_back({paramIdx, value});
    TestPlug::SetParameterFromGUI(paramIdx, value);
  }
  struct Push {
    int param;
    double value;
  };
  std::vector<Push> pushes;
};

// Parameters: 0 int 0..98 ("Slot"), 1 enum of 3 with texts, 2 double 0..1 step 0, 3 int -20..20
// "dB".
struct ControlFixture : ::testing::Test {
  ControlFixture() : plug(4), graphics(new TestGraphics(&plug, 200, 120)) {
    plug.GetParam(0)->InitInt("Slot", 0, 0, 98);
    plug.GetParam(1)->InitEnum("Wave", 0, 3);
    plug.GetParam(1)->SetDisplayText(0, "Saw");
    plug.GetParam(1)->SetDisplayText(1, "Square");
    plug.GetParam(1)->SetDisplayText(2, "Noise");
    plug.GetParam(2)->InitDouble("Level", "", "", 0.0, 0.0, 1.0, 0.0);
    plug.GetParam(3)->InitInt("Boost", 0, -20, 20, "dB");
    plug.AttachGraphics(graphics);
  }
  template <class C>
  C* Attach(C* c) {
    graphics->AttachControl(c);
    return c;
  }
  // Clears the buffer and draws every control over r.
  void DrawArea(IRECT r) {
    RAST_FillRect(graphics->GetDrawBitmap(), 0, 0, graphics->GetWidth(), graphics->GetHeight(),
                  kBackground, 1.0f, RAST_BLIT_MODE_COPY);
    graphics->SetAllControlsDirty();
    graphics->Draw(&r);
  }
  RAST_pixel Pixel(int x, int y) const {
    return *RAST_BitmapRows(graphics->GetDrawBitmap()).at(x, y);
  }
  // Which frame (1-based) a generated strip shows at (x, y); 0 for none.
  int FrameAt(int x, int y, int n = 128) const {
    for (int k = 0; k < n; ++k) {
      if (Pixel(x, y) == FrameColor(k)) return k + 1;
    }
    return 0;
  }
  // The values pushed for a parameter, in order.
  std::vector<double> Pushes(int param) const {
    std::vector<double> out;
    for (const auto& p : plug.pushes) {
      if (p.param == param) out.push_back(p.value);
    }
    return out;
  }

  RecordingPlug plug;
  TestGraphics* graphics;  // owned by the plug
};

}  // namespace vqtest
