// Steps a user takes on the real program under a test display: finding its windows, clicking,
// picking from lists and menus, typing into file panels.
#pragma once

#include <algorithm>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include "editor/gui/page_layout_tables.h"
#include "platform_gtk/x_input.h"
#include "protocol/program_field_table.h"
#include "support/png_writer.h"
#include "support/vqsim_process.h"
#include "support/x_display.h"

namespace desktop_steps {

namespace fs = std::filesystem;
using vqtest::detail::RunProgram;

// $VQ_BINARY_DIR, else the build folder this test runs from.
inline fs::path BuildDir() {
  if (const char* b = std::getenv("VQ_BINARY_DIR")) return b;
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path();
}

inline std::string Program() {
  return (BuildDir() / "app/VQEditor4").string();
}

inline std::string ReadFile(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path).rdbuf();
  return s.str();
}

// Polls until `done` holds or `timeoutMs` has passed.
template <class F>
inline bool Within(int timeoutMs, F done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// Where a port lands in the program's lists: after "off" and the virtual port.
template <class Rt>
inline int ListIndex(const std::string& port) {
  // JACK names client sockets by client name alone: a per-process name keeps parallel runs apart.
  Rt probe(RtMidi::UNIX_JACK, "vqprobe " + std::to_string(getpid()));
  for (unsigned i = 0; i < probe.getPortCount(); ++i)
    if (probe.getPortName(i) == port) return static_cast<int>(i) + 2;
  return -1;
}

// One xdotool command; it ends once the server has taken the input.
inline void Xdo(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  RunProgram(args, 10000);
}

// Presses through `press`, at least the double-click time (GTK's, 400 ms) after the press
// before: the program's windows would take the two for a double click.
inline std::chrono::steady_clock::time_point& LastPress() {
  static std::chrono::steady_clock::time_point last;
  return last;
}
template <class Press>
inline void PressApart(Press press) {
  std::this_thread::sleep_until(LastPress() + std::chrono::milliseconds(500));
  press();
  LastPress() = std::chrono::steady_clock::now();
}

inline void Click(int x, int y) {
  PressApart([&] {
    RunProgram({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"}, 5000);
  });
}

// Pressed at the first screen point, moved through the others, released at the last; each step
// taken by the server before the next, so the program gets them in this order.
inline void DragThrough(vq::test::XInput& x, const std::vector<std::pair<int, int>>& points) {
  const auto moveTo = [&x](std::pair<int, int> to) {
    x.move(to.first, to.second);
    Within(5000, [&] { return x.where() == to; });
  };
  const auto button = [&x](bool down) {
    x.button(1, down);
    Within(5000, [&] { return x.isDown(1) == down; });
  };
  moveTo(points.front());
  PressApart([&] { button(true); });
  for (size_t i = 1; i < points.size(); ++i) moveTo(points[i]);
  button(false);
}

// A visible window's top-left corner on the screen, and its size; false when none comes.
inline bool WindowOrigin(const std::string& title, int* x, int* y, int* height = nullptr,
                         int* width = nullptr) {
  std::string out;
  RunProgram({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + title + "$",
              "getwindowgeometry", "--shell"},
             20000, &out);
  const size_t px = out.find("X="), py = out.find("Y="), ph = out.find("HEIGHT=");
  if (px == std::string::npos || py == std::string::npos || ph == std::string::npos) return false;
  *x = std::atoi(out.c_str() + px + 2);
  *y = std::atoi(out.c_str() + py + 2);
  if (height) *height = std::atoi(out.c_str() + ph + 7);
  if (width) *width = std::atoi(out.c_str() + out.find("WIDTH=") + 6);
  return true;
}

// The main window's origin once it shows: centred on the screen with its menu bar.
inline bool SettledOrigin(const std::string& title, int* x, int* y, int* height = nullptr) {
  std::string screen;
  RunProgram({"xdotool", "getdisplaygeometry"}, 5000, &screen);
  int screenW = 0, screenH = 0;
  std::istringstream(screen) >> screenW >> screenH;
  int h = 0, w = 0;
  const bool placed = Within(20000, [&] {
    return WindowOrigin(title, x, y, &h, &w) &&
           h * vq_layout::kGuiWidth > w * vq_layout::kGuiHeight &&
           std::abs(2 * *x + w - screenW) <= 1 && std::abs(2 * *y + h - screenH) <= 1;
  });
  if (height) *height = h;
  return placed;
}

// A key to the shown window of that title (waited for when `wait`); 0 once sent.
inline int KeyTo(const std::string& title, const std::string& key, bool wait = false) {
  std::vector<std::string> args{"xdotool", "search"};
  if (wait) args.push_back("--sync");
  for (const std::string& a :
       {std::string("--onlyvisible"), std::string("--name"), "^" + title + "$",
        std::string("windowfocus"), std::string("--sync"), std::string("key"), key})
    args.push_back(a);
  return RunProgram(args, 10000);
}

// Presses the close box of the shown window of that title; false when none is shown.
inline bool PressCloseBox(vq::test::XInput& x, const std::string& title) {
  std::string id;
  RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, 5000, &id);
  const unsigned long window = std::strtoul(id.c_str(), nullptr, 10);
  if (window == 0) return false;
  x.pressCloseBox(window);
  return true;
}

// Opens the drop-down list at (x, y) and moves down from the selected "off" to entry `index`;
// the keys go once the list shows its selected row at the pointer, in the selection's blue.
inline void PickFromList(int x, int y, int index) {
  vq::test::XInput screen;
  const auto listShown = [&] {
    const auto row = screen.read(x - 20, y - 3, 40, 6);
    const auto blue = std::count_if(row.begin(), row.end(),
                                    [](uint32_t p) { return (p & 0xFF) > (p >> 16) + 100; });
    return !row.empty() && blue > static_cast<long>(row.size() / 4);
  };
  Click(x, y);
  Within(5000, listShown);
  std::vector<std::string> keys(index + 1, "Down");
  keys.front() = "key";
  keys.push_back("Return");
  Xdo(keys);
  Within(5000, [&] { return !listShown(); });
}

constexpr int kMenuBarHeight = 24;  // the editor's view starts below it

// Whether a window of this title is shown, polled until it is `shown` or the time-out.
inline bool WindowShownBecomes(const std::string& title, bool shown, int timeoutMs) {
  return Within(timeoutMs, [&] {
    return (RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, 5000) ==
            0) == shown;
  });
}

inline bool FileAppears(const std::string& path, int timeoutMs) {
  return Within(timeoutMs, [&] { return fs::exists(path); });
}

// The pixels of the shown window of that title; none when it is not shown.
inline std::vector<uint32_t> WindowPixels(vq::test::XInput& screen, const std::string& title) {
  int x = 0, y = 0, h = 0, w = 0;
  if (RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}, 5000) != 0 ||
      !WindowOrigin(title, &x, &y, &h, &w))
    return {};
  return screen.read(x, y, w, h);
}

// Where the shown window of that title is, once it has been drawn there.
inline bool DrawnWindow(const std::string& title, int* x, int* y, int* h, int* w) {
  vq::test::XInput screen;
  return Within(10000, [&] {
    return WindowOrigin(title, x, y, h, w) && vq::test::isDrawn(screen.read(*x, *y, *w, *h));
  });
}

// A key of the synth page's keyboard (its lowest C but one, at these page coordinates) played
// on purpose: its note-off comes after all the program sent before it. True once the
// synthesizer heard it, and so all before it; `click` presses the key.
constexpr int kMarkKeyX = vq_layout::kKeyboardX + 98 + 10, kMarkKeyY = vq_layout::kKeyboardY + 60;
inline bool HeardUpToAKeyPlayed(vqtest::VqsimProcess& sim,
                                const std::function<void(int, int)>& click) {
  size_t noteOffs = 0;
  for (const auto& l : sim.LogLines()) noteOffs += l.rfind("note-off ", 0) == 0;
  click(kMarkKeyX, kMarkKeyY);
  return sim.WaitForLogLine("note-off ", 10000, noteOffs + 1);
}

// Types a path into the shown file dialog's name or location entry (`entry` selects or opens
// it) and accepts it. Keys typed into a dialog still opening are lost: they go once it is drawn,
// the path once the entry key has shown.
inline void TypeIntoDialog(const std::string& path, const char* entry) {
  const std::string panel = "(Open|Save|Select Directory)";
  vq::test::XInput screen;
  Within(10000, [&] { return vq::test::isDrawn(WindowPixels(screen, panel)); });
  const auto before = WindowPixels(screen, panel);
  RunProgram({"xdotool", "key", entry}, 20000);
  Within(3000, [&] { return WindowPixels(screen, panel) != before; });
  RunProgram({"xdotool", "type", "--delay", "20", path}, 20000);
  RunProgram({"xdotool", "key", "Return"}, 20000);
}

// Fields read from a program file (its version line, then one value line per field); -1 for a
// field it does not hold.
inline std::vector<int> FileFields(const std::string& text, std::initializer_list<size_t> fields) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::vector<int> values;
  for (size_t field : fields)
    values.push_back(field + 1 < lines.size() ? std::atoi(lines[field + 1].c_str()) : -1);
  return values;
}
// The fields the simulated synthesizer varies from slot to slot.
inline std::vector<int> DistinctFields(const std::string& text) {
  return FileFields(text, {3, 15, 23, 27, 39});
}

// The menu item at window offset (itemX, itemY) of the menu titled at `menuX` in the main window
// at (x, y); `done` tells it was taken. On a loaded machine the menu may map after the second
// click has passed; the menu is then closed and opened once more.
inline bool ChooseMenuItem(int x, int y, int menuX, int itemX, int itemY,
                           const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    // A retry looks again for where the main window is: it may have moved meanwhile.
    if (attempt > 0) WindowOrigin("VQEditor4", &x, &y);
    vq::test::XInput screen;
    const auto item = [&] { return screen.read(x + itemX - 20, y + itemY - 3, 40, 6); };
    const auto page = item();
    Click(x + menuX, y + 10);
    const auto opened = std::chrono::steady_clock::now();
    Within(5000, [&] { return item() != page; });  // the menu shows
    // GTK takes a menu item's click only half a second after the press that opened the menu.
    std::this_thread::sleep_until(opened + std::chrono::milliseconds(600));
    Click(x + itemX, y + itemY);
    if (done()) return true;
    Xdo({"key", "Escape"});
    Within(5000, [&] { return item() == page; });  // the menu has gone
  }
  return false;
}

// Where the simulated synthesizer's ports land in the program's lists; read before the program
// opens ports of its own.
struct SynthPorts {
  int output = -1, input = -1;
  bool ok() const { return output >= 2 && input >= 2; }
};
inline SynthPorts PortsOf(const vqtest::VqsimProcess& sim) {
  return {ListIndex<RtMidiOut>(sim.InPort()), ListIndex<RtMidiIn>(sim.OutPort())};
}

// Opens Edit > Preferences... of the main window at (x, y); false when it does not show.
inline bool OpenPreferences(int x, int y) {
  return ChooseMenuItem(x, y, 60, 110, 88,
                        [] { return WindowShownBecomes("Preferences", true, 5000); });
}

// Picks the synthesizer's ports in Edit > Preferences... of the main window at (x, y) and OKs.
inline bool PickSynthesizer(int x, int y, const SynthPorts& ports) {
  if (!OpenPreferences(x, y)) return false;
  int px = 0, py = 0;
  if (!WindowOrigin("Preferences", &px, &py)) return false;
  Xdo({"search", "--onlyvisible", "--name", "^Preferences$", "windowfocus", "--sync"});
  // The dialog has no menu bar: its controls start at its top.
  PickFromList(px + 110, py + 98, ports.output);  // VQ Output
  PickFromList(px + 110, py + 54, ports.input);   // VQ Input
  Click(px + 216, py + 142);                      // OK: the start-up message goes out
  return true;
}

// How the synthesizer's log names an NRPN of a program field, and the values it received.
inline std::string NrpnPrefix(int field) {
  return "nrpn " + std::to_string(ProgramFieldTable::Msb(field)) + " " +
         std::to_string(ProgramFieldTable::Lsb(field)) + " ";
}
inline std::vector<int> Received(const vqtest::VqsimProcess& sim, int field) {
  const std::string prefix = NrpnPrefix(field);
  std::vector<int> values;
  for (const auto& l : sim.LogLines())
    if (l.rfind(prefix, 0) == 0) values.push_back(std::atoi(l.c_str() + prefix.size()));
  return values;
}

// Pixels as the screen gives them (0xRRGGBB), `width` by `height`, as a PNG file.
inline void WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int width,
                     int height) {
  vqtest::PngImage png;
  png.width = width;
  png.height = height;
  png.colorType = PNG_COLOR_TYPE_RGB;
  for (uint32_t p : pixels)
    for (int shift : {16, 8, 0}) png.samples.push_back(static_cast<uint16_t>((p >> shift) & 0xFF));
  vqtest::WriteFile(path, vqtest::EncodePng(png));
}

// A test of the real program on a settings folder of its own, which also holds the file panels'
// state. A program a failed step left running is quit at the end.
class DesktopTest : public ::testing::Test {
 protected:
  // Makes the folder (/tmp/vq_<name>_XXXXXX); `workInIt` also makes it the working folder, where
  // the save panel starts: never the source tree.
  bool MakeFolder(const char* name, bool workInIt = false) {
    std::string tmpl = std::string("/tmp/vq_") + name + "_XXXXXX";
    if (!mkdtemp(tmpl.data())) return false;
    dir = tmpl;
    if (const char* home = std::getenv("HOME")) mHome = home;
    for (const char* var : kFolderVars) setenv(var, dir.c_str(), 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    // No session bus here: the accessibility bridge would launch one, forking the program while
    // its threads run, and under the address sanitizer such a child can hang in an allocator
    // lock another thread held (the program then never shows its window).
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // the desktop libraries keep caches to the end
    if (workInIt) {
      cwd = fs::current_path();
      fs::current_path(dir);
    }
    return true;
  }
  void TearDown() override {
    if (program.joinable()) Quit();
    if (!cwd.empty()) fs::current_path(cwd);
    if (dir.empty()) return;
    for (const char* var : kFolderVars) unsetenv(var);
    unsetenv("GSETTINGS_BACKEND");
    unsetenv("NO_AT_BRIDGE");
    if (!mHome.empty()) setenv("HOME", mHome.c_str(), 1);
    fs::remove_all(dir);
  }
  // Runs the program until it ends (killed after `timeoutMs`); its exit code lands in `exitCode`.
  // `runner` comes before it on the command line (e.g. to run it as another user).
  void Launch(int timeoutMs, std::vector<std::string> runner = {}) {
    runner.push_back(Program());
    program = std::thread(
        [this, timeoutMs, runner] { exitCode = RunProgram(runner, timeoutMs, &output); });
  }
  int Quit() {
    KeyTo("VQEditor4", "ctrl+q");
    program.join();
    // The window goes at the press, and xdotool may then find none for the releases: a key
    // left down repeats into the next test's windows.
    if (vq::test::XInput keys; keys.ok()) keys.releaseAll();
    return exitCode;
  }
  std::string Settings() const { return ReadFile(dir + "/VQEditor4/settings.ini"); }

  std::string dir, output;
  fs::path cwd;
  std::thread program;
  int exitCode = -2;

 private:
  static constexpr const char* kFolderVars[] = {"XDG_CONFIG_HOME", "HOME", "XDG_DATA_HOME",
                                                "XDG_CACHE_HOME"};
  std::string mHome;
};

// The synth page of the real program, with the simulated synthesizer on JACK, read and driven
// through real X input in page coordinates.
class PageDesktopTest : public DesktopTest {
 protected:
  PageDesktopTest(const char* name, vqtest::VqsimOptions options)
      : mName(name), mOptions(std::move(options)) {}
  void SetUp() override {
    VQ_SKIP_WITHOUT_JACK();
    std::string why;
    if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
    ASSERT_TRUE(MakeFolder(mName, true));
    ASSERT_TRUE(sim.Start(mOptions)) << sim.Error();
    ASSERT_TRUE(x.ok());
  }
  // Starts the program; false when no window comes. The page fills the window below its menu bar.
  bool LaunchPage(int timeoutMs) {
    Launch(timeoutMs);
    int height = 0;
    if (!WindowOrigin("VQEditor4", &windowX, &windowY, &height)) return false;
    // Centred with its menu bar, with the page drawn there (a window not yet drawn is of one
    // colour).
    if (!SettledOrigin("VQEditor4", &windowX, &windowY, &height)) return false;
    originX = windowX;
    originY = windowY + height - vq_layout::kGuiHeight;
    return originX >= 0 && height >= vq_layout::kGuiHeight && Within(20000, [&] {
             return vq::test::isDrawn(Pixels(IRECT(0, 0, vq_layout::kGuiWidth, 200)));
           });
  }
  void Drag(int fromX, int fromY, int toX, int toY) {
    std::vector<std::pair<int, int>> points;
    for (int i = 0; i <= 10; ++i)
      points.emplace_back(originX + fromX + (toX - fromX) * i / 10,
                          originY + fromY + (toY - fromY) * i / 10);
    DragThrough(x, points);
  }
  std::vector<uint32_t> Pixels(const IRECT& r) {
    return x.read(originX + r.L, originY + r.T, r.W(), r.H());
  }
  // The whole page as screenshots/<name>.png in the build folder.
  void Shot(const std::string& name) {
    const auto pixels = Pixels(IRECT(0, 0, vq_layout::kGuiWidth, vq_layout::kGuiHeight));
    ASSERT_EQ(pixels.size(), size_t{vq_layout::kGuiWidth} * vq_layout::kGuiHeight);
    const fs::path folder = BuildDir() / "tests/app_desktop/screenshots";
    fs::create_directories(folder);
    WritePng((folder / (name + ".png")).string(), pixels, vq_layout::kGuiWidth,
             vq_layout::kGuiHeight);
  }

  int windowX = 0, windowY = 0, originX = 0, originY = 0;
  vqtest::VqsimProcess sim;
  vq::test::XInput x;

 private:
  const char* mName;
  vqtest::VqsimOptions mOptions;
};

}  // namespace desktop_steps
