// The real program's window on private screens of two sizes, with real X input: it maps once
// at its full size and place, fits the work area with its menu bar, holds exactly its GUI and
// follows views and sizes; dialogs carry no menu bar; file panels fit the screen; a slider's
// height sweeps its range; Help > User Guide hands the guide to the desktop's opener, and
// without one the Help items say what failed; a window the desktop destroys ends the program as
// Quit does. Screenshots of every skin, view and size land in the build folder's "screenshots"
// for a look.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform_gtk/x_input.h"
#include "support/vqsim_process.h"
#include "support/x_display.h"

namespace {

namespace fs = std::filesystem;
using vqtest::detail::RunProgram;

std::string BuildDir() {
  if (const char* b = std::getenv("VQ_BINARY_DIR")) return b;
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path().string();
}

std::string ReadFile(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path).rdbuf();
  return s.str();
}

template <class F>
bool Within(int timeoutMs, F done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  return true;
}

struct Geometry {
  int x = -1, y = -1, w = 0, h = 0;
};

bool GeometryOf(const std::string& title, Geometry* g) {
  std::string out;
  RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$",
              "getwindowgeometry", "--shell"},
             5000, &out);
  auto field = [&](const char* key) {
    const size_t at = out.find(std::string("\n") + key + "=");
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + std::strlen(key) + 2);
  };
  out = "\n" + out;
  *g = {field("X"), field("Y"), field("WIDTH"), field("HEIGHT")};
  return g->w > 0;
}

// xdotool ends once the server took the input.
void Click(int x, int y) {
  RunProgram({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"}, 5000);
}

// The GUI's size at a scale, rounded as the GUI rounds it.
int Scaled(double v, double scale) {
  return static_cast<int>((v + 0.4999) * scale);
}

// Items of the View menu, as distances from the window's top.
enum ViewItem {
  kFull = 37,
  kCompact = 62,
  kSize70 = 88,
  kSize130 = 238,
  kManager = 365,
  kSynthPages = 390
};

class WindowDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_window_desktop_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    if (const char* d = std::getenv("DISPLAY")) display = d;
  }
  void TearDown() override {
    if (program.joinable()) program.join();
    setenv("DISPLAY", display.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir);
  }
  // A private screen of this size for the program and xdotool; false when none starts.
  bool Screen(int w, int h) {
    input.reset();  // before its screen goes
    server = std::make_unique<vq::test::PrivateXvfb>();
    std::string why;
    const std::string geometry = std::to_string(w) + "x" + std::to_string(h) + "x24";
    screenW = w, screenH = h;
    input = std::make_unique<vq::test::XInput>();  // on this screen
    return vq::test::startPrivateXvfb(*server, why, geometry.c_str()) && input->ok();
  }
  // Whether a shown window's area of the screen is drawn (a window not yet drawn is of one
  // colour).
  bool Drawn(const std::string& title, Geometry* g) {
    if (!GeometryOf(title, g)) return false;
    return vq::test::isDrawn(
        input->read(g->x, g->y, std::min(g->w, screenW - g->x), std::min(g->h, screenH - g->y)));
  }
  void Store(const std::string& text) {
    fs::create_directories(dir + "/VQEditor4");
    std::ofstream(dir + "/VQEditor4/settings.ini") << text;
  }
  void Launch() {
    const std::string exe = BuildDir() + "/app/VQEditor4";
    program = std::thread([this, exe] { exitCode = RunProgram({exe}, 90000, &output); });
  }
  int Quit() {
    RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus",
                "--sync", "key", "ctrl+q"},
               10000);
    program.join();
    return exitCode;
  }
  double StoredScale() {
    const std::string s = ReadFile(dir + "/VQEditor4/settings.ini");
    const size_t at = s.find("guiscale=");
    return at == std::string::npos ? 0 : std::atof(s.c_str() + at + 9);
  }
  // The main window once it shows the GUI at the stored scale, the same geometry for about
  // 600 ms.
  bool Settled(Geometry* g) {
    Geometry last;
    int same = 0;
    return Within(20000, [&] {
      const bool fitted = GeometryOf("VQEditor4", g) && g->w == Scaled(1140, StoredScale());
      same = fitted && g->x == last.x && g->y == last.y && g->w == last.w && g->h == last.h
                 ? same + 1
                 : 0;
      last = *g;
      return same >= 4;
    });
  }
  // Picks a View item until the window's picture (its size, and the page right of the menu)
  // changes.
  void View(const Geometry& g, ViewItem item) {
    const auto picture = [&] {
      Geometry now;
      GeometryOf("VQEditor4", &now);
      std::vector<uint32_t> p = input->read(now.x + 400, now.y + 30, 300, 150);
      p.insert(p.end(), {uint32_t(now.w), uint32_t(now.h)});
      return p;
    };
    const auto before = picture();
    EXPECT_TRUE(Pick(g, 103, item, [&] { return picture() != before; })) << item;
  }
  // Opens the menu at `menuX` of the bar and clicks the item `itemY` below the window's top
  // until `done` holds: a menu that maps late may miss the click (three tries).
  template <class Done>
  bool Pick(const Geometry& at, int menuX, int itemY, Done done) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      Geometry g = at;
      GeometryOf("VQEditor4", &g);  // where the window is now
      const auto item = [&] { return input->read(g.x + menuX + 20, g.y + itemY - 3, 40, 6); };
      const auto page = item();
      const auto opened = std::chrono::steady_clock::now();
      Click(g.x + menuX, g.y + 12);
      if (!Within(5000, [&] { return item() != page; })) continue;
      // GTK takes a menu item's click only half a second after the press that opened the menu.
      std::this_thread::sleep_until(opened + std::chrono::milliseconds(600));
      Click(g.x + menuX + 40, g.y + itemY);
      if (Within(4000, done)) return true;
      RunProgram({"xdotool", "key", "Escape"}, 5000);
    }
    return false;
  }
  void Shot(const std::string& name) {
    fs::create_directories(BuildDir() + "/screenshots");
    RunProgram({"import", "-window", "root", BuildDir() + "/screenshots/" + name + ".png"}, 20000);
  }

  std::string dir, display, output;
  std::unique_ptr<vq::test::PrivateXvfb> server;
  std::unique_ptr<vq::test::XInput> input;
  int screenW = 0, screenH = 0;
  std::thread program;
  int exitCode = -2;
};

TEST_F(WindowDesktop, FitsTheScreenWithItsMenuBarAndShrinksToWhatItHolds) {
  struct Case {
    int w, h;
    const char* settings;
  } cases[] = {{1366, 768, ""}, {1920, 1200, "[gui]\nguiscale=2.0\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    if (!Screen(c.w, c.h)) GTEST_SKIP() << "no Xvfb";
    Store(c.settings);
    // The first start finds no JACK server (and no ALSA sequencer here).
    const char* jack = std::getenv("JACK_DEFAULT_SERVER");
    const std::string jackServer = jack ? jack : "";
    if (&c == cases) setenv("JACK_DEFAULT_SERVER", "vq-no-such-server", 1);
    Launch();
    Geometry g;
    ASSERT_TRUE(Settled(&g)) << g.w << "x" << g.h << " at scale " << StoredScale();
    // The whole window on the screen; under the GUI only the menu bar above it, no band.
    EXPECT_GE(g.x, 0);
    EXPECT_GE(g.y, 0);
    EXPECT_LE(g.x + g.w, c.w);
    EXPECT_LE(g.y + g.h, c.h);
    const int bar = g.h - Scaled(800, StoredScale());
    EXPECT_TRUE(bar >= 15 && bar <= 35) << "menu bar and band: " << bar;
    // Compact View shows the page's upper 1024 x 400 at the GUI's size and keeps to it when
    // the size changes; Full View shows the whole page at the size chosen last.
    const double fitted = StoredScale();
    const struct {
      ViewItem item;
      int w, h;
    } steps[] = {{kCompact, Scaled(1024, fitted), Scaled(400, fitted)},
                 {kSize70, Scaled(1024, 0.7), Scaled(400, 0.7)},
                 {kFull, 798, 560}};
    for (const auto& s : steps) {
      Geometry now;
      // Picked again when a slow menu missed the click.
      EXPECT_TRUE(
          Pick(g, 103, s.item,
               [&] { return GeometryOf("VQEditor4", &now) && now.w == s.w && now.h == s.h + bar; }))
          << s.item << ": " << now.w << "x" << now.h;
      EXPECT_TRUE(now.y >= 0 && now.y + now.h <= c.h) << s.item;
    }
    // A file panel fits the screen too, its buttons on it (no window manager holds it there).
    RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus",
                "--sync", "key", "ctrl+s"},
               10000);
    Geometry panel;
    // Sized once it maps, before it is drawn.
    ASSERT_TRUE(Within(10000, [&] { return Drawn("Save", &panel); }));
    Shot("save-panel-" + std::to_string(c.w) + "x" + std::to_string(c.h));
    EXPECT_TRUE(panel.x >= 0 && panel.y >= 0 && panel.x + panel.w <= c.w &&
                panel.y + panel.h <= c.h)
        << panel.w << "x" << panel.h << " at " << panel.x << "," << panel.y;
    RunProgram({"xdotool", "key", "Escape"}, 5000);
    EXPECT_TRUE(Within(5000, [&] { return !GeometryOf("Save", &panel); }));
    EXPECT_EQ(Quit(), 0) << output;
    jack ? setenv("JACK_DEFAULT_SERVER", jackServer.c_str(), 1) : unsetenv("JACK_DEFAULT_SERVER");
    // One line about MIDI, whatever the MIDI libraries had to say.
    int midiLines = 0;
    std::istringstream lines(output);
    for (std::string l; std::getline(lines, l);) {
      for (char& ch : l) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      midiLines += l.find("midi") != std::string::npos || l.find("jack") != std::string::npos ||
                   l.find("alsa") != std::string::npos || l.find("/dev/snd") != std::string::npos;
    }
    EXPECT_EQ(midiLines, 1) << output;
    input.reset();
    server.reset();
  }
}

// Watched from outside as a window manager would see it: a first start maps the main window
// once, already at its full size with the menu bar and centred, and it stays there up to its
// first whole frame (menu bar and page drawn).
TEST_F(WindowDesktop, MapsOnceAtItsFullSizeAndPlace) {
  for (auto [w, h] : {std::pair{1920, 1200}, {1366, 768}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    if (!Screen(w, h)) GTEST_SKIP() << "no Xvfb";
    auto watch = std::make_unique<vq::test::XTopLevelWatch>();  // before the program starts
    ASSERT_TRUE(watch->ok());
    Launch();
    const vq::test::XTopLevelWatch::Shown* main = nullptr;
    // A band of the window, as far as it is on the screen.
    const auto drawn = [&](int top, int height) {
      const vq::test::XGeometry& g = main->now;
      const int x = std::max(0, g.x), y = std::max(0, g.y + top);
      const int right = std::min(g.x + g.width, w), bottom = std::min(g.y + top + height, h);
      return right > x && bottom > y && vq::test::isDrawn(input->read(x, y, right - x, bottom - y));
    };
    const bool shown = Within(20000, [&] {
      watch->update();
      main = watch->firstShown();
      if (!main) return false;
      const vq::test::XGeometry& g = main->now;
      return g.height * 1140 > g.width * 800 && drawn(0, 20) && drawn(20, g.height - 20);
    });
    EXPECT_TRUE(shown);
    watch->update();
    main = watch->firstShown();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->name, "VQEditor4");
    EXPECT_EQ(main->maps, 1);
    const vq::test::XGeometry& g = main->mapped;
    std::ostringstream changes;
    for (const vq::test::XGeometry& c : main->changes)
      changes << " " << c.width << "x" << c.height << "+" << c.x << "+" << c.y;
    // Mapped where it was waited for, with its menu bar and drawn (the place is the fit test's).
    EXPECT_TRUE(main->changes.empty()) << "mapped at " << g.width << "x" << g.height << "+" << g.x
                                       << "+" << g.y << ", then" << changes.str();
    EXPECT_EQ(Quit(), 0) << output;
    watch.reset();  // before its screen goes
    input.reset();
    server.reset();
  }
}

TEST_F(WindowDesktop, DialogsHaveNoMenuBarAndASliderSweepsItsRangeInItsHeight) {
  if (!Screen(1920, 1200)) GTEST_SKIP() << "no Xvfb";
  Store("[gui]\nguiscale=1.0\n");
  Launch();
  Geometry g;
  ASSERT_TRUE(Settled(&g));
  const int bar = g.h - 800;
  // VCO 1 LEVEL (field 11, 32 in the program a first start shows), saved after an upward drag
  // of 10 pixels.
  const int before = 32;
  auto levelSaved = [&](const std::string& name) {
    const std::string path = dir + "/" + name + ".pr4";
    RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus",
                "--sync", "key", "ctrl+s"},
               10000);
    Geometry save;
    // Keys typed into a panel still opening are lost.
    if (!Within(10000, [&] { return Drawn("Save", &save); })) return -1;
    RunProgram({"xdotool", "key", "ctrl+a"}, 5000);
    RunProgram({"xdotool", "type", "--delay", "20", path}, 20000);
    // A Return while the name's completion list still shows only closes the list.
    for (int tries = 0; tries < 4 && !fs::exists(path); ++tries) {
      RunProgram({"xdotool", "key", "Return"}, 5000);
      Within(4000, [&] { return fs::exists(path); });
    }
    if (!Within(5000, [&] { return fs::exists(path) && !GeometryOf("Save", &save); })) return -2;
    std::istringstream lines(ReadFile(path));
    std::string line;
    for (int i = 0; i <= 12 && std::getline(lines, line); ++i) {
    }
    return std::atoi(line.c_str());
  };
  const int kx = g.x + 465 + 16, ky = g.y + bar + 88 + 10;
  // The window active and the pointer moving in over the slider, then the drag.
  RunProgram(
      {"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowactivate", "--sync"},
      5000);
  // Each step taken by the server before the next.
  for (int dy : {30, 0})
    RunProgram({"xdotool", "mousemove", std::to_string(kx), std::to_string(ky + dy)}, 5000);
  RunProgram({"xdotool", "mousedown", "1"}, 5000);
  for (int i = 1; i <= 10; ++i)
    RunProgram({"xdotool", "mousemove", std::to_string(kx), std::to_string(ky - i)}, 5000);
  RunProgram({"xdotool", "mouseup", "1"}, 5000);
  const int after = levelSaved("after");
  EXPECT_NEAR((after - before) / 127.0, 0.25, 0.07) << before << " -> " << after;
  Geometry prefs;
  ASSERT_TRUE(Pick(g, 60, 88, [&] { return GeometryOf("Preferences", &prefs); }));  // Edit
  EXPECT_EQ(prefs.h, 160) << "the dialog's content alone";
  RunProgram({"xdotool", "key", "Escape"}, 5000);
  ASSERT_TRUE(Within(5000, [&] { return !GeometryOf("Preferences", &prefs); }));
  EXPECT_EQ(Quit(), 0) << output;
}

TEST_F(WindowDesktop, UserGuideGoesToTheOpenerAndADestroyedWindowEndsTheProgram) {
  if (!Screen(1920, 1200)) GTEST_SKIP() << "no Xvfb";
  // The desktop's default viewer for PDF files, registered as a desktop would: it notes what
  // it was handed.
  const std::string viewer = dir + "/viewer", opened = dir + "/opened";
  std::ofstream(viewer) << "#!/bin/sh\nprintf '%s' \"$1\" > " << opened << "\n";
  chmod(viewer.c_str(), 0755);
  fs::create_directories(dir + "/data/applications");
  std::ofstream(dir + "/data/applications/vqtest-viewer.desktop")
      << "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" << viewer
      << " %f\nMimeType=application/pdf;\n";
  std::ofstream(dir + "/mimeapps.list")
      << "[Default Applications]\napplication/pdf=vqtest-viewer.desktop\n";
  setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
  Launch();
  Geometry g;
  ASSERT_TRUE(Settled(&g));
  EXPECT_TRUE(Pick(g, 198, 37, [&] { return fs::exists(opened); }));  // Help > User Guide
  const std::string guide = ReadFile(opened);
  EXPECT_EQ(ReadFile(guide).substr(0, 5), "%PDF-") << guide;
  unsetenv("XDG_DATA_HOME");

  RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowclose"}, 5000);
  program.join();
  EXPECT_EQ(exitCode, 0) << output;
  EXPECT_NE(ReadFile(dir + "/VQEditor4/settings.ini").find("manager=false"), std::string::npos);
  EXPECT_EQ(output.find("gtk_window_is_active"), std::string::npos) << output;
}

// A desktop with no application for PDF files or web addresses: each Help item says in an
// alert what failed (the guide's alert where its PDF is), on the screen.
TEST_F(WindowDesktop, HelpItemsSayWhatFailedWhereTheDesktopHasNoApplication) {
  if (!Screen(1366, 768)) GTEST_SKIP() << "no Xvfb";
  const std::string none = dir + "/no-applications";
  fs::create_directories(none);
  for (const char* var : {"XDG_DATA_HOME", "XDG_DATA_DIRS"}) setenv(var, none.c_str(), 1);
  const char* browser = std::getenv("BROWSER");
  const std::string keptBrowser = browser ? browser : "";
  unsetenv("BROWSER");
  Launch();
  Geometry g;
  const bool settled = Settled(&g);
  for (const char* var : {"XDG_DATA_HOME", "XDG_DATA_DIRS"}) unsetenv(var);
  if (browser) setenv("BROWSER", keptBrowser.c_str(), 1);
  ASSERT_TRUE(settled);
  const struct {
    int itemY;
    const char* title;
  } items[] = {{37, "User Guide"}, {62, "Program Database"}};
  for (const auto& item : items) {
    Geometry alert;
    EXPECT_TRUE(Pick(g, 198, item.itemY, [&] { return GeometryOf(item.title, &alert); }))
        << item.title;
    Shot(std::string("help-alert-") + item.title);
    EXPECT_TRUE(alert.x >= 0 && alert.y >= 0 && alert.x + alert.w <= screenW &&
                alert.y + alert.h <= screenH)
        << item.title;
    RunProgram({"xdotool", "key", "Return"}, 5000);
    EXPECT_TRUE(Within(5000, [&] { return !GeometryOf(item.title, &alert); })) << item.title;
  }
  EXPECT_EQ(Quit(), 0) << output;
}

// Not a check: pictures of every skin, view and size to look at.
TEST_F(WindowDesktop, EverySkinViewAndSizeIsShotForALook) {
  for (const char* skin : {"space", "solid", "lcd"}) {
    if (!Screen(1920, 1200)) GTEST_SKIP() << "no Xvfb";
    Store(std::string("[gui]\nguiscale=1.0\nbackground=") + skin + "\n");
    Launch();
    Geometry g;
    ASSERT_TRUE(Settled(&g));
    ASSERT_TRUE(Within(10000, [&] { return Drawn("VQEditor4", &g); }));
    Shot(std::string(skin) + "-full-100");
    const struct {
      ViewItem item;
      const char* name;
    } steps[] = {{kCompact, "compact"},    {kFull, ""},          {kManager, "manager"},
                 {kSynthPages, ""},        {kSize70, "full-70"}, {kSize130, "full-130"},
                 {kCompact, "compact-130"}};
    for (const auto& s : steps) {
      GeometryOf("VQEditor4", &g);
      View(g, s.item);
      if (*s.name) Shot(std::string(skin) + "-" + s.name);
    }
    EXPECT_EQ(Quit(), 0) << output;
    input.reset();
    server.reset();
  }
}

}  // namespace
