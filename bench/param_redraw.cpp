// The cost of redrawing every parameter's controls (what a learned controller or a program load
// triggers): a page of 150 controls bound to 150 of 350 parameters, some with an auxiliary
// parameter, as the editor's pages are; and twice the controls, as larger pages will be.
#include <benchmark/benchmark.h>

#include "plugin/iparam.h"
#include "tests/support/test_graphics.h"

namespace {

constexpr int kParams = 350;

void BM_RedrawParamControls(benchmark::State& state) {
  const int controls = static_cast<int>(state.range(0));
  vqtest::TestPlug plug(kParams);
  auto* graphics = new vqtest::TestGraphics(&plug, 1140, 800);  // owned by the plug
  plug.AttachGraphics(graphics);
  for (int i = 0; i < controls; ++i) {
    auto* c = new vqtest::TestControl(
        &plug, IRECT(i % 40 * 28, i / 40 * 28, i % 40 * 28 + 24, i / 40 * 28 + 24),
        (i * 7) % kParams);
    if (i % 10 == 0) c->AddAuxParam((i * 7 + 1) % kParams);
    graphics->AttachControl(c);
  }
  double v = 0.0;
  for (auto _ : state) {
    for (int p = 0; p < kParams; ++p) plug.GetParam(p)->Set(v);
    v = v > 0.5 ? 0.0 : 1.0;  // every control sees a change
    plug.RedrawParamControls();
    benchmark::ClobberMemory();
  }
  state.counters["controls"] = controls;
  state.counters["params"] = kParams;
}
BENCHMARK(BM_RedrawParamControls)->Arg(150)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
