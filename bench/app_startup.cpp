// Start-up of the program as a user starts it (run it on an X display, e.g. under xvfb-run -a):
// a cold process each time, with the artwork the build made, from process start to its first
// complete frame on the screen (read back from the screen: the first equal to what the window
// settles on), against a bare GTK window process measured the same way. Runs alternate
// between the two; medians and quartiles are printed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/desktop_process.h"

namespace db = desktop_bench;

namespace {

// Start-up time of one cold process in ms, or a negative number when no frame came.
double StartupMs(db::FrameWatch& watch, const std::vector<std::string>& args) {
  watch.reset();
  db::Child child(args);
  if (child.pid() <= 0) return -1;
  const double s = watch.waitCompleteFrame(child.start, 1000, 20.0, 0.5);
  return s < 0 ? -1 : s * 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--bare") == 0) return db::RunBareWindow(argc, argv);
  db::FrameWatch watch;
  if (!watch) {
    std::fprintf(stderr, "bench_app_startup needs an X display with DAMAGE (xvfb-run -a)\n");
    return 1;
  }
  int runs = 10;
  if (argc > 1) runs = std::max(1, std::atoi(argv[1]));
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  const std::string program = db::ProgramPath();
  const std::string art =
      (std::filesystem::path(program).parent_path() / "resources" / "img").string();
  if (!std::filesystem::is_directory(art)) {
    std::fprintf(stderr, "no artwork at %s: build the vq_artwork target first\n", art.c_str());
    return 1;
  }
  // A first bare window warms the X server as earlier GTK programs would have.
  StartupMs(watch, {self, "--bare"});
  std::vector<double> bare, app;
  for (int i = 0; i < runs; ++i) {
    const double b = StartupMs(watch, {self, "--bare"});
    const double a = StartupMs(watch, {program});
    if (b < 0 || a < 0) {
      std::fprintf(stderr, "run %d: no first frame (bare %.0f, program %.0f)\n", i, b, a);
      return 1;
    }
    bare.push_back(b);
    app.push_back(a);
  }
  const db::Spread sb = db::SpreadOf(bare), sa = db::SpreadOf(app);
  std::printf("Process start to first complete frame on the screen, %d cold runs each (ms)\n",
              runs);
  std::printf("%-14s %8s %8s %8s\n", "", "median", "q1", "q3");
  std::printf("%-14s %8.1f %8.1f %8.1f\n", "bare window", sb.median, sb.low, sb.high);
  std::printf("%-14s %8.1f %8.1f %8.1f\n", "program", sa.median, sa.low, sa.high);
  std::printf("ratio %.2f (goal <= 2.0)\n", sa.median / sb.median);
  return 0;
}
