// Settings files read from disk: a file of N copies of one key, and of N distinct sections.
// Reading must stay linear in the file's length (a hostile file of 40,000 copies of one key once
// took seconds); the time per line should not grow with N.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "wemu/ini_file.h"

namespace {

std::string WriteFile(const std::string& text) {
  static int counter = 0;
  const std::string path =
      "/tmp/vq_bench_ini_" + std::to_string(getpid()) + "_" + std::to_string(++counter) + ".ini";
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

template <class Line>
void ReadFileOf(benchmark::State& state, Line line) {
  const int n = static_cast<int>(state.range(0));
  std::string text = "[s]\n";
  for (int i = 0; i < n; ++i) text += line(i);
  for (auto _ : state) {
    state.PauseTiming();
    const std::string path = WriteFile(text);  // a new name: the cache reads it again
    state.ResumeTiming();
    char value[32];
    GetPrivateProfileString("s", "k", "", value, sizeof value, path.c_str());
    benchmark::DoNotOptimize(value);
    state.PauseTiming();
    unlink(path.c_str());
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void RepeatedKey(benchmark::State& state) {
  ReadFileOf(state, [](int i) { return "k=" + std::to_string(i) + "\n"; });
}
void DistinctSections(benchmark::State& state) {
  ReadFileOf(state, [](int i) { return "[s" + std::to_string(i) + "]\nk=1\n"; });
}

}  // namespace

BENCHMARK(RepeatedKey)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(DistinctSections)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
