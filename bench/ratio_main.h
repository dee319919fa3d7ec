// The main of a benchmark that prints a ratio table: Google Benchmark's usual console output
// through the benchmark's own reporter, whose Finalize adds the table.
#pragma once

#include <benchmark/benchmark.h>

inline int RunBenchmarksReportingTo(benchmark::BenchmarkReporter& reporter, int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
