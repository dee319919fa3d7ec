// Helpers of the benchmarks that run the program as a user does: a cold process on an X display
// with a fresh settings folder, watched from outside (X damage for its frames, /proc for its CPU
// time and resident size), beside a bare GTK window process measured the same way.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace desktop_bench {

using Clock = std::chrono::steady_clock;
constexpr int kBareWidth = 1140, kBareHeight = 800;

inline double SecondsSince(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// The bare window: a GtkWindow holding a drawing area of the program's size that paints a
// square under the pointer, asking for a frame from its motion handler.
inline double gBareX = 0, gBareY = 0;

inline gboolean BareDraw(GtkWidget*, cairo_t* cr, gpointer) {
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.2);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0.9, 0.5, 0.2);
  cairo_rectangle(cr, gBareX - 10, gBareY - 10, 20, 20);
  cairo_fill(cr);
  return TRUE;
}

inline gboolean BareMotion(GtkWidget* area, GdkEventMotion* e, gpointer) {
  gBareX = e->x;
  gBareY = e->y;
  gtk_widget_queue_draw(area);
  return TRUE;
}

inline int RunBareWindow(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(w), "bare");
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_set_size_request(area, kBareWidth, kBareHeight);
  gtk_widget_add_events(area,
                        GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
  g_signal_connect(area, "draw", G_CALLBACK(&BareDraw), nullptr);
  g_signal_connect(area, "motion-notify-event", G_CALLBACK(&BareMotion), nullptr);
  g_signal_connect(w, "destroy", G_CALLBACK(&gtk_main_quit), nullptr);
  gtk_container_add(GTK_CONTAINER(w), area);
  gtk_widget_show_all(w);
  gtk_main();
  return 0;
}

// A process started with a settings, data and cache folder of its own.
class Child {
 public:
  Child(const std::vector<std::string>& args) {
    char tmpl[] = "/tmp/vq_bench_proc_XXXXXX";
    if (mkdtemp(tmpl)) mHome = tmpl;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string s = *e;
      if (s.rfind("HOME=", 0) && s.rfind("XDG_", 0) && s.rfind("GSETTINGS_BACKEND=", 0))
        env.push_back(s);
    }
    for (const char* k : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
      env.push_back(std::string(k) + "=" + mHome);
    env.push_back("GSETTINGS_BACKEND=memory");
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // MIDI back-ends complain on a machine without them; the output says nothing here.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    start = Clock::now();
    if (posix_spawn(&mPid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) mPid = 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() {
    if (mPid > 0) {
      kill(mPid, SIGKILL);
      waitpid(mPid, nullptr, 0);
    }
    if (!mHome.empty()) std::filesystem::remove_all(mHome);
  }
  pid_t pid() const { return mPid; }
  // CPU seconds so far, all threads (the scheduler's nanosecond count, not the tick-sampled
  // user and system times).
  double cpuSeconds() const {
    double total = 0;
    std::error_code ec;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(mPid) + "/task", ec)) {
      std::ifstream in(task.path() / "schedstat");
      double ns = 0;
      if (in >> ns) total += ns * 1e-9;
    }
    return total;
  }
  // Resident size in MB.
  double residentMB() const {
    std::ifstream in("/proc/" + std::to_string(mPid) + "/status");
    std::string line;
    while (std::getline(in, line))
      if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
  }
  Clock::time_point start;

 private:
  pid_t mPid = 0;
  std::string mHome;
};

// Watches the display for top-level windows and the frames drawn into them.
class FrameWatch {
 public:
  FrameWatch() {
    mDisplay = XOpenDisplay(nullptr);
    if (!mDisplay) return;
    int error = 0;
    if (!XDamageQueryExtension(mDisplay, &mDamageEvent, &error)) {
      XCloseDisplay(mDisplay);
      mDisplay = nullptr;
      return;
    }
    // Windows come and go (input-only ones take no damage): their errors are expected.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XSelectInput(mDisplay, DefaultRootWindow(mDisplay), SubstructureNotifyMask);
    XSync(mDisplay, False);
  }
  ~FrameWatch() {
    if (mDisplay) XCloseDisplay(mDisplay);
  }
  explicit operator bool() const { return mDisplay != nullptr; }
  Display* display() const { return mDisplay; }

  // Forgets earlier windows (their process has gone).
  void reset() {
    drain(0);
    mWindows.clear();
    mMain = 0;
    frames = 0;
  }

  // Waits until a shown top-level window at least minWidth wide gets its first frame; the time
  // of that frame, or a negative number after `timeout` seconds.
  double waitFirstFrame(Clock::time_point t0, int minWidth, double timeout) {
    mMinWidth = minWidth;
    frames = 0;
    while (SecondsSince(t0) < timeout) {
      drain(0.005);
      if (frames > 0) return std::chrono::duration<double>(mFirstFrame - t0).count();
    }
    return -1;
  }

  // The time of the first complete frame: frames are read back as they come until none has
  // come for `settle` seconds; the answer is when the first read-back equal to the last was
  // taken (a frame painted in parts counts when its last part is there). Negative when no
  // window showed within `timeout`.
  double waitCompleteFrame(Clock::time_point t0, int minWidth, double timeout, double settle) {
    if (waitFirstFrame(t0, minWidth, timeout) < 0) return -1;
    std::vector<std::pair<double, size_t>> shots;
    int seen = 0;
    auto lastChange = Clock::now();
    shots.emplace_back(SecondsSince(t0), snapshot());
    while (SecondsSince(lastChange) < settle && SecondsSince(t0) < timeout) {
      drain(0.002);
      if (frames != seen) {
        seen = frames;
        lastChange = Clock::now();
        shots.emplace_back(SecondsSince(t0), snapshot());
      }
    }
    const size_t last = snapshot();
    for (const auto& [at, hash] : shots)
      if (hash == last) return at;
    return SecondsSince(t0);
  }

  // Handles events for `seconds`, counting the frames drawn into the main window.
  void drain(double seconds) {
    const auto until = Clock::now() + std::chrono::duration<double>(seconds);
    do {
      while (XPending(mDisplay)) handle();
      if (seconds > 0) std::this_thread::sleep_for(std::chrono::microseconds(500));
    } while (Clock::now() < until);
  }

  // The main window's top-left on the screen.
  bool origin(int& x, int& y) {
    if (!mMain) return false;
    Window child;
    return XTranslateCoordinates(mDisplay, mMain, DefaultRootWindow(mDisplay), 0, 0, &x, &y,
                                 &child);
  }

  int frames = 0;

 private:
  // A hash of the main window's pixels as the screen shows them now.
  size_t snapshot() {
    XWindowAttributes a;
    if (!mMain || !XGetWindowAttributes(mDisplay, mMain, &a)) return 0;
    XImage* image = XGetImage(mDisplay, mMain, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (!image) return 0;
    const size_t hash = std::hash<std::string_view>()(
        std::string_view(image->data, static_cast<size_t>(image->bytes_per_line) * a.height));
    XDestroyImage(image);
    return hash;
  }

  void handle() {
    XEvent e;
    XNextEvent(mDisplay, &e);
    if (e.type == CreateNotify && e.xcreatewindow.parent == DefaultRootWindow(mDisplay)) {
      mWindows[e.xcreatewindow.window] =
          XDamageCreate(mDisplay, e.xcreatewindow.window, XDamageReportNonEmpty);
    } else if (e.type == mDamageEvent + XDamageNotify) {
      auto* d = reinterpret_cast<XDamageNotifyEvent*>(&e);
      XDamageSubtract(mDisplay, d->damage, None, None);
      if (!mMain) {
        XWindowAttributes a;
        if (XGetWindowAttributes(mDisplay, d->drawable, &a) && a.map_state == IsViewable &&
            a.width >= mMinWidth)
          mMain = d->drawable;
      }
      if (d->drawable == mMain) {
        if (frames++ == 0) mFirstFrame = Clock::now();
      }
    } else if (e.type == DestroyNotify) {
      mWindows.erase(e.xdestroywindow.window);
      if (e.xdestroywindow.window == mMain) mMain = 0;
    }
  }

  Display* mDisplay = nullptr;
  int mDamageEvent = 0;
  int mMinWidth = 1;
  std::map<Window, Damage> mWindows;
  Window mMain = 0;
  Clock::time_point mFirstFrame;
};

struct Spread {
  double median = 0, low = 0, high = 0;  // median, first and third quartile
};

inline Spread SpreadOf(std::vector<double> v) {
  Spread s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  auto at = [&](double q) {
    const double i = q * static_cast<double>(v.size() - 1);
    const size_t lo = static_cast<size_t>(std::floor(i)), hi = static_cast<size_t>(std::ceil(i));
    return v[lo] + (v[hi] - v[lo]) * (i - static_cast<double>(lo));
  };
  s.median = at(0.5);
  s.low = at(0.25);
  s.high = at(0.75);
  return s;
}

// The program as tools/run.sh builds it: beside this benchmark in the build folder, with its
// artwork in app/resources.
inline std::string ProgramPath() {
  std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
  return (self.parent_path().parent_path() / "app" / "VQEditor4").string();
}

}  // namespace desktop_bench
