// Start-up and shut-down of the program on the desktop (an X display; run it under xvfb-run or
// tools/xvfb-env.sh): from the settings being loaded to the main window's first frame on the
// screen, and from Quit to everything gone (MIDI closed, the editor's state saved). Each is
// printed beside a bare GTK window of the same size: shown until its first frame, destroyed.
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "app/app_shell.h"
#include "bench/ratio_main.h"
#include "platform/gtk/desktop_backend.h"
#include "wemu/app_controller.h"
#include "wemu/window_functions.h"
#include "wemu/window_lifetime.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1140, kHeight = 825;

gboolean OnDraw(GtkWidget*, cairo_t*, gpointer drawn) {
  *static_cast<bool*>(drawn) = true;
  return FALSE;
}

gboolean OnTimeout(gpointer expired) {
  *static_cast<bool*>(expired) = true;
  return G_SOURCE_REMOVE;
}

// Runs the main loop until `done` or five seconds have passed; false on the time-out.
bool PumpUntil(const bool& done) {
  bool expired = false;
  guint timeout = g_timeout_add(5000, &OnTimeout, &expired);
  while (!done && !expired) gtk_main_iteration_do(TRUE);
  if (!expired) g_source_remove(timeout);
  return done;
}

void DrainEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

void BM_BareWindowStartup(benchmark::State& state) {
  for (auto _ : state) {
    const auto t0 = Clock::now();
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(w), kWidth, kHeight);
    bool drawn = false;
    g_signal_connect_after(w, "draw", G_CALLBACK(&OnDraw), &drawn);
    gtk_widget_show_all(w);
    if (!PumpUntil(drawn)) state.SkipWithError("the bare window was never drawn");
    state.SetIterationTime(Seconds(t0));
    gtk_widget_destroy(w);
    DrainEvents();
  }
}

void BM_BareWindowShutdown(benchmark::State& state) {
  for (auto _ : state) {
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(w), kWidth, kHeight);
    bool drawn = false;
    g_signal_connect_after(w, "draw", G_CALLBACK(&OnDraw), &drawn);
    gtk_widget_show_all(w);
    PumpUntil(drawn);
    const auto t0 = Clock::now();
    gtk_widget_destroy(w);
    DrainEvents();
    state.SetIterationTime(Seconds(t0));
  }
}

// The program's start-up as the application object drives it (settings loaded, then
// launched), until the main window has drawn its first frame; `after` gets the running shell.
template <class After>
bool StartProgram(After after) {
  AppShell shell;
  SetCurrentShell(&shell);
  WEMU_Internal_SetQuitting(false);
  shell.HandleAppMessage(WEMU_APPMSG_LOADED, 0, 0);
  shell.HandleAppMessage(WEMU_APPMSG_LAUNCHED, 0, 0);
  bool drawn = false;
  bool shown = shell.mainWindow && shell.mainWindow->window();
  if (shown) {
    GtkWidget* w = vq::platform::desktop()->windows.gtkWindowFor(*shell.mainWindow->window());
    g_signal_connect_after(w, "draw", G_CALLBACK(&OnDraw), &drawn);
    shown = PumpUntil(drawn);
  }
  after(shell);
  SetCurrentShell(nullptr);
  return shown;
}

void Quit(AppShell& shell) {
  if (shell.mainWindow) DestroyWindow(shell.mainWindow);
  shell.HandleAppMessage(WEMU_APPMSG_WILL_TERMINATE, 0, 0);
  WEMU_Internal_FlushDeferredDeletes();
  DrainEvents();
}

void BM_ProgramStartup(benchmark::State& state) {
  for (auto _ : state) {
    double seconds = 0;
    const auto t0 = Clock::now();
    const bool ok = StartProgram([&](AppShell& shell) {
      seconds = Seconds(t0);
      Quit(shell);
    });
    if (!ok) state.SkipWithError("the main window was never drawn");
    state.SetIterationTime(seconds);
  }
}

void BM_ProgramShutdown(benchmark::State& state) {
  for (auto _ : state) {
    double seconds = 0;
    StartProgram([&](AppShell& shell) {
      const auto t0 = Clock::now();
      Quit(shell);
      seconds = Seconds(t0);
    });
    state.SetIterationTime(seconds);
  }
}

BENCHMARK(BM_BareWindowStartup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ProgramStartup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_BareWindowShutdown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ProgramShutdown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

class RatioReporter : public TimeKeepingReporter {
 public:
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatio to a bare GTK window of %d x %d\n", kWidth, kHeight);
    for (const auto& [name, bare] :
         {std::pair{"Startup", "BM_BareWindowStartup/iterations:10/manual_time"},
          std::pair{"Shutdown", "BM_BareWindowShutdown/iterations:10/manual_time"}}) {
      const std::string program = std::string("BM_Program") + name + "/iterations:10/manual_time";
      if (mTimes.count(program) && mTimes.count(bare) && mTimes[bare] > 0)
        std::printf("%-10s %8.2f\n", name, mTimes[program] / mTimes[bare]);
      else
        std::printf("%-10s %8s\n", name, "-");
    }
    std::printf(
        "\nStartup: settings loaded, MIDI opened, the editor built, the main window shown and its\n"
        "first frame drawn. Shutdown: the main window destroyed, MIDI closed and the editor's "
        "state\n"
        "saved. Settings go to a scratch folder.\n");
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (!vq::platform::installDesktopBackend(&argc, &argv)) {
    std::fprintf(stderr, "bench_app_startup needs an X display (run it under xvfb-run -a)\n");
    return 1;
  }
  char tmpl[] = "/tmp/vq_bench_app_XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  setenv("XDG_CONFIG_HOME", tmpl, 1);
  RatioReporter reporter;
  const int status = RunBenchmarksReportingTo(reporter, argc, argv);
  std::filesystem::remove_all(tmpl);
  return status;
}
