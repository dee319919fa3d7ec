// The running program against a bare GTK window, both as cold processes on an X display (run it
// under xvfb-run -a): CPU while nothing happens, resident size after start, and the CPU and
// frames of a scripted 2-second drag (500 pointer motions a second, real X input) on one of the
// synth page's sliders; the bare window paints from its motion handler. Runs alternate; medians
// and quartiles are printed.
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/desktop_process.h"

namespace db = desktop_bench;

namespace {

struct Sample {
  double idleMsPerS = 0, residentMB = 0, dragCpuMs = 0, dragFps = 0;
};

constexpr double kSettle = 1.5, kIdle = 4.0, kDrag = 2.0;
constexpr int kMotionsPerSecond = 500;

// Holds the left button at (x, y) of the window and moves 40 pixels up and down for kDrag.
void Drag(db::FrameWatch& watch, int x, int y) {
  Display* d = watch.display();
  XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XFlush(d);
  const auto t0 = db::Clock::now();
  const int n = static_cast<int>(kDrag * kMotionsPerSecond);
  for (int i = 0; i < n; ++i) {
    const auto due = t0 + std::chrono::microseconds(i * 1000000 / kMotionsPerSecond);
    while (db::Clock::now() < due) watch.drain(0);
    const int phase = i % 160;
    const int dy = phase < 80 ? -phase / 2 : -(160 - phase) / 2;
    XTestFakeMotionEvent(d, -1, x, y + dy, CurrentTime);
    XFlush(d);
    std::this_thread::sleep_until(due);
  }
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XFlush(d);
}

bool Measure(db::FrameWatch& watch, const std::vector<std::string>& args, int knobX, int knobY,
             Sample& out) {
  watch.reset();
  db::Child child(args);
  if (child.pid() <= 0 || watch.waitFirstFrame(child.start, 1000, 20.0) < 0) return false;
  watch.drain(kSettle);
  const double c0 = child.cpuSeconds();
  watch.drain(kIdle);
  out.idleMsPerS = (child.cpuSeconds() - c0) * 1000.0 / kIdle;
  out.residentMB = child.residentMB();  // after start-up and the idle time
  int ox = 0, oy = 0;
  if (!watch.origin(ox, oy)) return false;
  watch.drain(0.2);
  const double d0 = child.cpuSeconds();
  const int f0 = watch.frames;
  Drag(watch, ox + knobX, oy + knobY);
  watch.drain(0.1);  // the last frames of the drag
  out.dragCpuMs = (child.cpuSeconds() - d0) * 1000.0;
  out.dragFps = (watch.frames - f0) / kDrag;
  return true;
}

// CPU a thread spends only waking 120 times a second for 2 s, doing nothing else: the floor
// under the program's 120 Hz idle call on this machine (virtual machines pay much per wake-up).
double WakeUpFloorMsPerS() {
  auto cpu = [] {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
  };
  timespec due{};
  clock_gettime(CLOCK_MONOTONIC, &due);
  const double c0 = cpu();
  for (int i = 0; i < 240; ++i) {
    due.tv_nsec += 1000000000 / 120;
    if (due.tv_nsec >= 1000000000) {
      due.tv_nsec -= 1000000000;
      ++due.tv_sec;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
  }
  return (cpu() - c0) / 2.0;
}

void Row(const char* name, const std::vector<double>& bare, const std::vector<double>& app,
         const char* goal) {
  const db::Spread b = db::SpreadOf(bare), a = db::SpreadOf(app);
  std::printf("%-22s %9.2f (%6.2f-%6.2f) %9.2f (%6.2f-%6.2f) %7.2f  %s\n", name, b.median, b.low,
              b.high, a.median, a.low, a.high, b.median > 0 ? a.median / b.median : 0.0, goal);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--bare") == 0) return db::RunBareWindow(argc, argv);
  db::FrameWatch watch;
  if (!watch) {
    std::fprintf(stderr, "bench_app_running needs an X display with DAMAGE (xvfb-run -a)\n");
    return 1;
  }
  int runs = 5;
  if (argc > 1) runs = std::max(1, std::atoi(argv[1]));
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  const std::string program = db::ProgramPath();
  std::vector<Sample> bare, app;
  for (int i = 0; i < runs; ++i) {
    Sample b, a;
    // The first slider of the synth page (VCO 1 coarse) sits at (36, 110) in the program's
    // window; the bare window takes the same place.
    if (!Measure(watch, {self, "--bare"}, 36, 110, b) || !Measure(watch, {program}, 36, 110, a)) {
      std::fprintf(stderr, "run %d: a window never showed\n", i);
      return 1;
    }
    bare.push_back(b);
    app.push_back(a);
  }
  auto col = [](const std::vector<Sample>& v, double Sample::*m) {
    std::vector<double> out;
    for (const Sample& s : v) out.push_back(s.*m);
    return out;
  };
  std::printf("%d runs each: median (q1-q3)\n", runs);
  std::printf("%-22s %28s %28s %7s\n", "", "bare window", "program", "ratio");
  Row("idle CPU (ms/s)", col(bare, &Sample::idleMsPerS), col(app, &Sample::idleMsPerS),
      "goal: program <= 2 ms/s");
  std::printf("%-22s %9.2f ms/s: 120 wake-ups a second alone, the floor under the idle call\n", "",
              WakeUpFloorMsPerS());
  Row("resident (MB)", col(bare, &Sample::residentMB), col(app, &Sample::residentMB),
      "goal <= 1.5");
  Row("drag CPU (ms)", col(bare, &Sample::dragCpuMs), col(app, &Sample::dragCpuMs), "goal <= 1.3");
  Row("drag frames/s", col(bare, &Sample::dragFps), col(app, &Sample::dragFps), "goal: program 60");
  return 0;
}
