// The GUI's draw cycle on a 1140 x 800 page of bitmap controls (an opaque background and a
// grid of knob strips blended over it), as the repaint timer runs it: IsDirty, Draw into the
// back buffer, then the changed area presented to the graphics view (the headless one here).
// Two cases, each at GUI scale 1 and 2: every control redrawn, and one knob turned. Then the
// editor's own synth page with the build's artwork: a full redraw in each skin, and one frame
// of a knob drag (the knob and its read-out); then the manager page in each skin. Each is printed
// as a ratio to a memcpy of the whole back buffer at that scale.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/editor_page.h"
#include "bench/ratio_main.h"
#include "graphics/igraphics_linux.h"
#include "platform/headless.h"
#include "plugin/imodule_standalone.h"

namespace {

constexpr int kPageW = 1140, kPageH = 800;
constexpr int kKnob = 48, kFrames = 64, kCols = 20, kRows = 12;

class BenchPlug : public IModuleStandalone {
 public:
  BenchPlug()
      : IModuleStandalone(IModuleInstanceInfo(), 1, "", 1, "VQEditor4", "VQEditor4", "bench", 1, 1,
                          1, 0, false, false, false) {}
};

// Images as the artwork has them: twice the GUI size, knobs one vertical strip of frames.
class BenchGraphics : public IGraphicsLinux {
 public:
  using IGraphicsLinux::IGraphicsLinux;
  RAST_IBitmap* OSLoadBitmap(int id, const char* name) override {
    if (id == 1) {
      auto* b = new RAST_MemBitmap(2 * kPageW, 2 * kPageH, 4);
      RAST_BitmapRows rows(b);
      for (int y = 0; y < rows.height; ++y)
        for (int x = 0; x < rows.width; ++x)
          *rows.at(x, y) = RAST_MakePixel(x & 255, y & 255, (x ^ y) & 255, 255);
      return b;
    }
    auto* b = new RAST_MemBitmap(2 * kKnob, 2 * kKnob * kFrames, 4);
    RAST_BitmapRows rows(b);
    const int c = kKnob;  // centre of a frame at twice the size
    for (int y = 0; y < rows.height; ++y) {
      const int fy = y % (2 * kKnob), frame = y / (2 * kKnob);
      for (int x = 0; x < rows.width; ++x) {
        const int dx = x - c, dy = fy - c, d2 = dx * dx + dy * dy;
        const unsigned a = d2 < (c - 2) * (c - 2) ? 255u : d2 < c * c ? 128u : 0u;
        *rows.at(x, y) = RAST_MakePixel(200, 4 * frame & 255, 60, a);
      }
    }
    return b;
  }
};

class BitmapKnob : public IControl {
 public:
  BitmapKnob(IModuleBase* plug, const IRECT& r, IFrameBitmap* strip)
      : IControl(plug, r), mStrip(strip) {}
  bool Draw(IGraphics* g) override {
    const int frame = 1 + static_cast<int>(GetValue() * (mStrip->N - 1) + 0.5);
    return g->DrawBitmapFrame(mStrip, &mRECT, frame, &mBlend);
  }

 private:
  IFrameBitmap* mStrip;
};

struct Page {
  explicit Page(int scale) {
    vq::platform::installHeadless();
    graphics = new BenchGraphics(&plug, kPageW * scale, kPageH * scale);
    graphics->SetBitmapScale(2);
    IFrameBitmap* bg = graphics->LoadBitmapResource(1, "bg.png");
    IFrameBitmap* knob = graphics->LoadBitmapResource(2, "knob.png", kFrames);
    graphics->RescaleCachedBitmaps(scale);
    graphics->AttachControl(new BitmapKnob(&plug, IRECT(0, 0, kPageW * scale, kPageH * scale), bg));
    for (int row = 0; row < kRows; ++row) {
      for (int col = 0; col < kCols; ++col) {
        const int x = (20 + col * 55) * scale, y = (40 + row * 62) * scale;
        auto* k = new BitmapKnob(&plug, IRECT(x, y, x + kKnob * scale, y + kKnob * scale), knob);
        k->SetValue((row * kCols + col) % kFrames / double(kFrames - 1));
        graphics->AttachControl(k);
        knobs.push_back(k);
      }
    }
    plug.AttachGraphics(graphics);
    graphics->OpenWindow(nullptr);
    Cycle();
  }
  ~Page() { graphics->CloseWindow(); }
  // One tick of the repaint timer.
  void Cycle() {
    IRECT r;
    if (graphics->IsDirty(&r)) graphics->Draw(&r);
  }
  size_t BufferBytes() const {
    RAST_IBitmap* b = graphics->GetDrawBitmap();
    return static_cast<size_t>(b->getRowSpan()) * b->getHeight() * sizeof(RAST_pixel);
  }

  BenchPlug plug;
  BenchGraphics* graphics;  // owned by the plug
  std::vector<IControl*> knobs;
};

void BM_FullRedraw(benchmark::State& state) {
  Page page(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    page.graphics->SetAllControlsDirty();
    page.Cycle();
  }
}

void BM_OneKnob(benchmark::State& state) {
  Page page(static_cast<int>(state.range(0)));
  IControl* k = page.knobs[page.knobs.size() / 2];
  int i = 0;
  for (auto _ : state) {
    k->SetValue((++i % kFrames) / double(kFrames - 1));
    k->SetDirty(false);
    page.Cycle();
  }
}

void BM_SynthPage(benchmark::State& state) {
  bench::EditorPage page(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), false);
  for (auto _ : state) page.Redraw();
}

void BM_ManagerPage(benchmark::State& state) {
  bench::EditorPage page(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), true);
  for (auto _ : state) page.Redraw();
}

// One frame of a knob drag: the knob shows its next frame and its read-out its new text.
void BM_SynthKnobDrag(benchmark::State& state) {
  bench::EditorPage page(0, static_cast<int>(state.range(0)), false);
  int i = 0;
  for (auto _ : state) page.KnobStep(++i);
}

void BM_Memcpy(benchmark::State& state) {
  const int s = static_cast<int>(state.range(0));
  std::vector<RAST_pixel> from(static_cast<size_t>(kPageW * s + 3) / 4 * 4 * kPageH * s, 1),
      to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * sizeof(RAST_pixel));
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_FullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneKnob)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SynthPage)->ArgsProduct({{0, 1, 2}, {1, 2}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ManagerPage)->ArgsProduct({{0, 1, 2}, {1, 2}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SynthKnobDrag)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

class RatioReporter : public TimeKeepingReporter {
 public:
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatio to a memcpy of the whole back buffer (1140 x 800 times the scale)\n");
    std::printf("%-22s %10s %10s\n", "", "scale 1", "scale 2");
    for (const char* name :
         {"BM_FullRedraw", "BM_OneKnob", "BM_SynthPage/0", "BM_SynthPage/1", "BM_SynthPage/2",
          "BM_ManagerPage/0", "BM_ManagerPage/1", "BM_ManagerPage/2", "BM_SynthKnobDrag"}) {
      std::printf("%-22s", name + 3);
      for (const char* arg : {"/1", "/2"})
        PrintRatio(std::string(name) + arg, std::string("BM_Memcpy") + arg, 10);
      std::printf("\n");
    }
    std::printf(
        "\nFullRedraw: every control dirty; the background and %d knobs (%d x %d, %d frames, "
        "blended by\n"
        "their alpha) drawn and the whole page presented. OneKnob: one knob turned; it and the\n"
        "background under it redrawn and only that area presented.\n",
        kCols * kRows, kKnob, kKnob, kFrames);
    std::printf(
        "SynthPage/0, /1, /2: the editor's synth page in the \"space\", \"solid\" and \"lcd\" "
        "skins,\n"
        "every control redrawn; ManagerPage/0, /1, /2: the same with the manager page shown.\n"
        "SynthKnobDrag: one drag frame of the first knob and its "
        "read-out.\n");
  }
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  return RunBenchmarksReportingTo(reporter, argc, argv);
}
