// A Linux graphics on the headless backend with images served from memory, and a control
// that runs a function when drawn.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "graphics/igraphics_linux.h"
#include "platform/headless.h"
#include "rast/rast_fill.h"
#include "support/test_plug.h"

namespace guitest {

class FnControl : public IControl {
 public:
  FnControl(IModuleBase* plug, const IRECT& r, int param = -1) : IControl(plug, r, param) {}
  bool Draw(IGraphics* g) override {
    ++draws;
    if (draw) draw(g);
    return true;
  }
  void OnMouseDown(int x, int y, IMouseMod* m) override {
    Log('D', x, y);
    if (onDown) onDown();
  }
  void OnMouseUp(int x, int y, IMouseMod*) override {
    Log('U', x, y);
    if (onUp) onUp();
  }
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod*) override { Log('M', dx, dy); }
  void OnMouseDblClick(int x, int y, IMouseMod*) override { Log('2', x, y); }
  void OnMouseWheel(int x, int y, IMouseMod*, int d) override { Log('W', d, 0); }
  bool OnKeyDown(int x, int y, int key) override {
    Log('K', key, 0);
    return true;
  }
  void Log(char what, int a, int b) {
    events += what + std::to_string(a) + "," + std::to_string(b) + " ";
  }

  std::function<void(IGraphics*)> draw;
  std::function<void()> onDown;
  std::function<void()> onUp;
  std::string events;
  int draws = 0;
};

class MemoryGraphics : public IGraphicsLinux {
 public:
  using IGraphicsLinux::IGraphicsLinux;
  RAST_IBitmap* OSLoadBitmap(int id, const char* name) override {
    ++loads;
    auto it = images.find(name ? name : "");
    return it == images.end() ? nullptr : it->second();
  }
  std::map<std::string, std::function<RAST_IBitmap*()>> images;
  int loads = 0;
};

// A w x h bitmap whose pixels come from f(x, y).
inline RAST_MemBitmap* MakeBitmap(int w, int h, const std::function<RAST_pixel(int, int)>& f) {
  auto* b = new RAST_MemBitmap(w, h, 4);
  RAST_BitmapRows rows(b);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) *rows.at(x, y) = f(x, y);
  return b;
}

struct GuiFixture : ::testing::Test {
  GuiFixture() : backend(vq::platform::installHeadless()), plug(4) {
    EXPECT_TRUE(IGraphics::ResetCaches());
    g = new MemoryGraphics(&plug, 100, 80);
    plug.AttachGraphics(g);
  }
  FnControl* Add(const IRECT& r, int param = -1) {
    auto* c = new FnControl(&plug, r, param);
    g->AttachControl(c);
    return c;
  }
  // Runs f as a control's drawing while the area r is redrawn.
  void DrawIn(IRECT r, std::function<void(IGraphics*)> f) {
    if (!painter) painter = Add(IRECT(0, 0, 100, 80));
    painter->draw = std::move(f);
    g->Draw(&r);
  }
  RAST_pixel Pixel(int x, int y) { return RAST_GetPixel(g->GetDrawBitmap(), x, y); }
  void Clear() { RAST_Clear(g->GetDrawBitmap(), 0); }

  vq::platform::HeadlessBackend& backend;
  vqtest::TestPlug plug;
  MemoryGraphics* g;  // owned by the plug
  FnControl* painter = nullptr;
};

}  // namespace guitest
