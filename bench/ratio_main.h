// The main of a benchmark that prints a ratio table: Google Benchmark's usual console output
// through the benchmark's own reporter, whose Finalize adds the table.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// A console reporter that also keeps each benchmark's adjusted real time by name, for a ratio
// table printed from Finalize.
class TimeKeepingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred && run.run_type == Run::RT_Iteration)
        mTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }

 protected:
  // Prints " " and the ratio of the two times in `width` characters, or "-" where either time
  // is missing.
  void PrintRatio(const std::string& name, const std::string& reference, int width) const {
    const auto a = mTimes.find(name), b = mTimes.find(reference);
    if (a == mTimes.end() || b == mTimes.end() || b->second <= 0)
      std::printf(" %*s", width, "-");
    else
      std::printf(" %*.2f", width, a->second / b->second);
  }

  std::map<std::string, double> mTimes;
};

inline int RunBenchmarksReportingTo(benchmark::BenchmarkReporter& reporter, int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
