// The main of a benchmark that prints a ratio table: Google Benchmark's usual console output
// through the benchmark's own reporter, whose Finalize adds the table.
#pragma once

#include <benchmark/benchmark.h>

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
  std::map<std::string, double> mTimes;
};

inline int RunBenchmarksReportingTo(benchmark::BenchmarkReporter& reporter, int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
