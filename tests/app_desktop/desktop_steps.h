// Steps a user takes on the real program under a test display: finding its windows, clicking,
// picking from lists and menus, typing into file panels.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/vqsim_process.h"

namespace desktop_steps {

namespace fs = std::filesystem;
using vqtest::detail::RunProgram;

// $VQ_BINARY_DIR/app/VQEditor4, else beside this test's build folder.
inline std::string Program() {
  if (const char* b = std::getenv("VQ_BINARY_DIR")) return std::string(b) + "/app/VQEditor4";
  return (fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path() /
          "app/VQEditor4")
      .string();
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
  Rt probe(RtMidi::UNIX_JACK, "vqprobe");
  for (unsigned i = 0; i < probe.getPortCount(); ++i)
    if (probe.getPortName(i) == port) return static_cast<int>(i) + 2;
  return -1;
}

inline void Click(int x, int y) {
  RunProgram({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"}, 5000);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
}

// A visible window's top-left corner on the screen.
inline bool WindowOrigin(const std::string& title, int* x, int* y) {
  std::string out;
  RunProgram({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + title + "$",
              "getwindowgeometry", "--shell"},
             10000, &out);
  const size_t px = out.find("X="), py = out.find("Y=");
  if (px == std::string::npos || py == std::string::npos) return false;
  *x = std::atoi(out.c_str() + px + 2);
  *y = std::atoi(out.c_str() + py + 2);
  return true;
}

// Opens the drop-down list at (x, y) and moves down from the selected "off" to entry `index`.
inline void PickFromList(int x, int y, int index) {
  Click(x, y);
  std::vector<std::string> keys{"xdotool", "key"};
  for (int i = 0; i < index; ++i) keys.push_back("Down");
  keys.push_back("Return");
  RunProgram(keys, 5000);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
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

// Types a path into the focused file dialog's name or location entry (`entry` selects or opens
// it) and accepts it; each step gets a moment, keys typed into a dialog still opening are lost.
inline void TypeIntoDialog(const std::string& path, const char* entry) {
  for (const std::vector<std::string>& step :
       std::vector<std::vector<std::string>>{{"xdotool", "key", entry},
                                             {"xdotool", "type", "--delay", "20", path},
                                             {"xdotool", "key", "Return"}}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    RunProgram(step, 20000);
  }
}

// The fields the simulated synthesizer varies from slot to slot, read from a program file
// (its version line, then one value line per field).
inline std::vector<int> DistinctFields(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::vector<int> values;
  for (size_t field : {3, 15, 23, 27, 39})
    values.push_back(field + 1 < lines.size() ? std::atoi(lines[field + 1].c_str()) : -1);
  return values;
}

// Edit > Preferences... from the main window at (x, y). On a loaded machine the menu may map
// after the second click has passed; the menu is then closed and opened once more.
inline bool OpenPreferences(int x, int y) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    Click(x + 60, y + 10);   // Edit
    Click(x + 110, y + 88);  // Preferences...
    if (WindowShownBecomes("Preferences", true, 5000)) return true;
    RunProgram({"xdotool", "key", "Escape"}, 5000);
  }
  return false;
}

}  // namespace desktop_steps
