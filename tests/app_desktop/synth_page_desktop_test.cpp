// A musician's session on the synth page of the real program, with real X input only, against
// the simulated synthesizer on JACK: the synthesizer is picked in Preferences; the external MIDI
// page, a GUI-size change, a skin swap, FLEXI learning, INIT, randomise and the keyboard channel
// are used as a user would; the edits outlive a quit. Each step is kept as a screenshot.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "editor/gui/page_layout_tables.h"
#include "editor/param_ids.h"
#include "platform_gtk/x_input.h"
#include "protocol/program_field_table.h"
#include "support/png_writer.h"
#include "support/vqsim_process.h"
#include "support/x_display.h"

namespace {

namespace fs = std::filesystem;
using vqtest::detail::RunProgram;
using namespace std::chrono_literals;

fs::path BuildDir() {
  if (const char* b = std::getenv("VQ_BINARY_DIR")) return b;
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path();
}

std::string ReadFile(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path).rdbuf();
  return s.str();
}

class SynthPageOnDesktopOverJack : public ::testing::Test {
 protected:
  void SetUp() override {
    VQ_SKIP_WITHOUT_JACK();
    std::string why;
    if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
    char tmpl[] = "/tmp/vq_synth_desktop_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    cwd = fs::current_path();
    fs::current_path(dir);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // the desktop libraries keep caches to the end
    ASSERT_TRUE(sim.Start()) << sim.Error();
    ASSERT_TRUE(x.ok());
  }
  void TearDown() override {
    if (program.joinable()) Quit();
    std::error_code ec;  // what the synthesizer heard, beside the screenshots
    fs::copy_file(sim.LogPath(), BuildDir() / "tests/app_desktop/screenshots/synth-session.log",
                  fs::copy_options::overwrite_existing, ec);
    unsetenv("XDG_CONFIG_HOME");
    if (!cwd.empty()) fs::current_path(cwd);
    if (!dir.empty()) fs::remove_all(dir);
  }

  // The shown window of that title: its corner and height; false when none comes.
  bool Window(const std::string& title, int* wx, int* wy, int* h = nullptr) {
    std::string g;
    RunProgram({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + title + "$",
                "getwindowgeometry", "--shell"},
               20000, &g);
    const size_t px = g.find("X="), py = g.find("Y="), ph = g.find("HEIGHT=");
    if (px == std::string::npos || py == std::string::npos || ph == std::string::npos) return false;
    *wx = std::atoi(g.c_str() + px + 2), *wy = std::atoi(g.c_str() + py + 2);
    if (h) *h = std::atoi(g.c_str() + ph + 7);
    return true;
  }
  // Starts the program; the page fills its window below the menu bar.
  bool Launch() {
    const std::string binary = (BuildDir() / "app/VQEditor4").string();
    program = std::thread([this, binary] { exitCode = RunProgram({binary}, 120000, &output); });
    int h = 0;
    if (!Window("VQEditor4", &windowX, &windowY, &h)) return false;
    std::this_thread::sleep_for(1500ms);  // the first full draw; the start-up fit places it
    if (!Window("VQEditor4", &windowX, &windowY, &h)) return false;
    originX = windowX;
    originY = windowY + h - vq_layout::kGuiHeight;
    return h >= vq_layout::kGuiHeight;
  }
  int Quit() {
    RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus",
                "--sync", "key", "ctrl+q"},
               10000);
    program.join();
    return exitCode;
  }

  // Screen clicks and keys, as a user gives them.
  void ClickAt(int sx, int sy, unsigned button = 1) {
    x.move(sx, sy);
    std::this_thread::sleep_for(300ms);  // a menu item takes the click once the pointer is in
    x.button(button, true);
    std::this_thread::sleep_for(60ms);
    x.button(button, false);
    std::this_thread::sleep_for(700ms);
  }
  void Keys(std::vector<std::string> keys) {
    keys.insert(keys.begin(), {"xdotool", "key", "--delay", "80"});
    RunProgram(keys, 10000);
    std::this_thread::sleep_for(700ms);
  }
  // The page's control of `param` (first shown one of the layout tables), clicked at its
  // centre, or dragged up from there.
  IRECT Rect(int param) const {
    for (const auto& c : vq_layout::SynthPageControls(vq_layout::Skin::Space))
      if (c.param == param && c.attached) return c.rect;
    ADD_FAILURE() << "no control of " << param;
    return IRECT();
  }
  void Click(int param) {
    const IRECT r = Rect(param);
    ClickAt(originX + (r.L + r.R) / 2, originY + (r.T + r.B) / 2);
  }
  void DragUp(int param, int pixels) {
    const IRECT r = Rect(param);
    DragUpAt((r.L + r.R) / 2, (r.T + r.B) / 2, pixels);
  }
  void DragUpAt(int gx, int gy, int pixels) {
    const int cx = originX + gx, cy = originY + gy;
    x.move(cx, cy);
    std::this_thread::sleep_for(100ms);
    x.button(1, true);
    for (int i = 1; i <= 10; ++i) {
      std::this_thread::sleep_for(30ms);
      x.move(cx, cy - pixels * i / 10);
    }
    std::this_thread::sleep_for(100ms);
    x.button(1, false);
    std::this_thread::sleep_for(700ms);
  }
  // Opens the menu titled at window offset `tx` and waits until it shows (its light face over the
  // dark page); a loaded machine may drop the first click or map the menu late.
  bool OpenMenu(int tx) {
    for (int attempt = 0; attempt < 4; ++attempt) {
      ClickAt(windowX + tx, windowY + 12);
      for (int i = 0; i < 30; ++i) {
        const auto face = x.read(windowX + tx + 8, windowY + 60, 20, 6);
        long sum = 0;
        for (uint32_t p : face) sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
        if (!face.empty() && sum / static_cast<long>(face.size() * 3) > 180) return true;
        std::this_thread::sleep_for(100ms);
      }
      Keys({"Escape"});
    }
    return false;
  }
  // View menu item `index` (1 = "Full View"; separators are skipped by the keys).
  void ViewMenu(int index) {
    ASSERT_TRUE(OpenMenu(103));
    std::vector<std::string> keys(index, "Down");
    keys.push_back("Return");
    Keys(keys);
    std::this_thread::sleep_for(800ms);
    // A size or skin command may move the window to keep it on the screen.
    int h = 0;
    if (Window("VQEditor4", &windowX, &windowY, &h)) {
      originX = windowX;
      originY = windowY + h - vq_layout::kGuiHeight;
    }
  }
  std::vector<uint32_t> Pixels(const IRECT& r) {
    return x.read(originX + r.L, originY + r.T, r.W(), r.H());
  }
  void Shot(const std::string& name) {
    const auto pixels = Pixels(IRECT(0, 0, vq_layout::kGuiWidth, vq_layout::kGuiHeight));
    ASSERT_EQ(pixels.size(), size_t{vq_layout::kGuiWidth} * vq_layout::kGuiHeight);
    vqtest::PngImage png;
    png.width = vq_layout::kGuiWidth;
    png.height = vq_layout::kGuiHeight;
    png.colorType = PNG_COLOR_TYPE_RGB;
    for (uint32_t p : pixels)
      for (int shift : {16, 8, 0})
        png.samples.push_back(static_cast<uint16_t>((p >> shift) & 0xFF));
    const fs::path folder = BuildDir() / "tests/app_desktop/screenshots";
    fs::create_directories(folder);
    vqtest::WriteFile((folder / ("synth-session-" + name + ".png")).string(),
                      vqtest::EncodePng(png));
  }

  // The values the synthesizer received for a field, in order.
  std::vector<int> Received(int field) const {
    const std::string prefix = "nrpn " + std::to_string(ProgramFieldTable::Msb(field)) + " " +
                               std::to_string(ProgramFieldTable::Lsb(field)) + " ";
    std::vector<int> values;
    for (const auto& l : sim.LogLines())
      if (l.rfind(prefix, 0) == 0) values.push_back(std::atoi(l.c_str() + prefix.size()));
    return values;
  }
  // Whether a value the field received after its first `before` ones satisfies `ok`, waiting
  // for it (a whole program sent in between carries every field).
  template <class Ok>
  bool Receives(int field, size_t before, Ok ok) {
    return sim.WaitForLog(
        [&](const std::vector<std::string>&) {
          const auto v = Received(field);
          return std::any_of(v.begin() + std::min(before, v.size()), v.end(), ok);
        },
        10000);
  }
  // Waits until the synthesizer has heard nothing new for a second (a whole program ended).
  void Settle() {
    size_t lines = 0;
    for (int i = 0; i < 15 && sim.LogLines().size() != lines; ++i) {
      lines = sim.LogLines().size();
      std::this_thread::sleep_for(1000ms);
    }
  }

  // Picks the simulated synthesizer in Edit > Preferences; true once it heard the start-up word.
  bool PickSynthesizer() {
    auto index = [](auto probe, const std::string& port) {
      for (unsigned i = 0; i < probe.getPortCount(); ++i)
        if (probe.getPortName(i) == port) return static_cast<int>(i) + 2;
      return -1;
    };
    const int out = index(RtMidiOut(RtMidi::UNIX_JACK, "vqprobe"), sim.InPort()),
              in = index(RtMidiIn(RtMidi::UNIX_JACK, "vqprobe"), sim.OutPort());
    int wx = -1, wy = -1;
    if (out < 2 || in < 2 || !OpenMenu(60)) return false;  // Edit
    ClickAt(windowX + 110, windowY + 88);                  // Preferences...
    if (!Window("Preferences", &wx, &wy)) return false;
    auto pick = [&](int lx, int ly, int entry) {
      ClickAt(wx + lx, wy + ly);
      std::vector<std::string> keys(entry, "Down");
      keys.push_back("Return");
      Keys(keys);
    };
    // The dialog has no menu bar: its controls start at its top.
    pick(110, 98, out);           // VQ Output
    pick(110, 54, in);            // VQ Input
    ClickAt(wx + 216, wy + 142);  // OK
    return sim.WaitForLogLine("startup", 5000);
  }

  std::string dir, output;
  fs::path cwd;
  std::thread program;
  int exitCode = -2;
  int windowX = 0, windowY = 0, originX = 0, originY = 0;
  vqtest::VqsimProcess sim;
  vq::test::XInput x;
};

constexpr int kExtMidiFlags = 123, kVco1Level = 11, kFlexi1Destination = 97,
              kFlexi2Destination = 104, kTrebleFrq = 167;
// 200 % does not fit this 1920x1200 screen: greyed, the keys pass over it.
constexpr int kViewSize100 = 6, kViewSkinSolid = 11;

TEST_F(SynthPageOnDesktopOverJack, ASessionReachesTheSynthesizerAndOutlivesAQuit) {
  ASSERT_TRUE(Launch()) << output;
  ASSERT_TRUE(PickSynthesizer()) << output;
  Settle();
  Shot("01-connected");

  // EXT shows the external page at once: its "on" knob reaches the synthesizer, also after a
  // GUI-size command.
  ClickAt(originX + 955, originY + 418);  // "EXT MIDI"
  Shot("02-ext-midi");
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const size_t before = Received(kExtMidiFlags).size();
    DragUp(vq_param::kExtMidiOn, round == 0 ? 40 : -40);
    EXPECT_TRUE(Receives(kExtMidiFlags, before, [&](int v) { return ((v & 2) != 0) == !round; }))
        << "the external page's switch sent nothing";
    if (round == 0) {
      ViewMenu(kViewSize100);
      Shot("03-ext-midi-after-size");
    }
  }
  ClickAt(originX + 880, originY + 418);  // "INT MIDI"

  // The skin chosen and the FLEXI copy panel stay through a GUI-size change.
  const IRECT background(700, 380, 760, 400), copyPanel(290, 665, 470, 722);
  const auto spaceBackground = Pixels(background);
  ViewMenu(kViewSkinSolid);
  Click(vq_param::kCopyPanelFlexi);
  const auto solidBackground = Pixels(background), flexiPanel = Pixels(copyPanel);
  EXPECT_NE(solidBackground, spaceBackground);
  ViewMenu(kViewSize100);
  Shot("04-solid-flexi-copy-after-size");
  EXPECT_EQ(Pixels(background), solidBackground);
  EXPECT_EQ(Pixels(copyPanel), flexiPanel);

  // FLEXI 1 learned onto "VCO1 level"; INIT gives the knob back, which then sends again.
  size_t before = Received(kFlexi1Destination).size();
  Click(vq_param::kFlexi1LearnDestination);
  DragUp(3 + kVco1Level, 5);
  EXPECT_TRUE(Receives(kFlexi1Destination, before, [](int v) { return v == kVco1Level; }));
  Shot("05-flexi-learned");
  Click(vq_param::kInitButton);
  Settle();
  Shot("06-init");
  before = Received(kVco1Level).size();
  DragUp(3 + kVco1Level, 30);
  EXPECT_TRUE(Receives(kVco1Level, before, [](int v) { return v > 32; }))  // INIT has 32
      << "the knob is still behind the range knobs";

  // FLEXI 2 on the treble: the curve button is refused, the range knob A stays and sends the
  // treble frequency alone.
  Click(vq_param::kShowFxEqualizer);
  Click(vq_param::k4BandParametricEqualizer);
  before = Received(kFlexi2Destination).size();
  Click(vq_param::kFlexi1LearnDestination + 1);
  DragUp(3 + kTrebleFrq, 5);
  EXPECT_TRUE(Receives(kFlexi2Destination, before, [](int v) { return v == kTrebleFrq - 128; }));
  Settle();
  Click(vq_param::k4BandParagraphicEqualizer);
  Shot("07-treble-flexi-curve-refused");
  before = Received(kTrebleFrq).size();
  const size_t slope = Received(kTrebleFrq + 1).size();
  const IRECT treble = Rect(3 + kTrebleFrq);
  DragUpAt(treble.L + 3, (treble.T + treble.B) / 2, 20);  // range knob A
  EXPECT_TRUE(Receives(kTrebleFrq, before, [](int) { return true; }));
  EXPECT_EQ(Received(kTrebleFrq + 1).size(), slope) << "the curve took the drag";

  // Randomise redraws the knobs it changes.
  auto knobPixels = [&] {
    std::vector<uint32_t> all;
    for (int p = 3; p <= 3 + kVco1Level; ++p) {
      const auto v = Pixels(Rect(p));
      all.insert(all.end(), v.begin(), v.end());
    }
    return all;
  };
  Click(vq_param::kVco1);  // the VCO 1 group
  const auto beforeRandom = knobPixels();
  Click(vq_param::kRandomizeButton);
  Settle();
  Shot("08-randomised");
  EXPECT_NE(knobPixels(), beforeRandom);

  // Keyboard channel 5 (four wheel notches up), an edit, then quit and start again.
  const IRECT ch = Rect(vq_param::kMidiChannel);
  for (int i = 0; i < 4; ++i) ClickAt(originX + (ch.L + ch.R) / 2, originY + (ch.T + ch.B) / 2, 4);
  ClickAt(originX + vq_layout::kKeyboardX + 98 * 3, originY + vq_layout::kKeyboardY + 60);
  EXPECT_TRUE(sim.WaitForLogLine("note-on 5 60", 5000));
  DragUp(3 + kVco1Level, -200);
  Settle();
  const int edited = Received(kVco1Level).back();
  Shot("09-edited-before-quit");
  ASSERT_EQ(Quit(), 0) << output;

  const std::string settings = ReadFile(dir + "/VQEditor4/settings.ini");
  for (const char* line : {"kbdmidioutch=4", "lastfile=\n", "name=INIT", "edited=true"})
    EXPECT_NE(settings.find(line), std::string::npos) << line << "\n" << settings;
  std::istringstream kept(ReadFile(dir + "/VQEditor4/lastprogram.pr4"));
  std::string value;
  for (int line = 0; line <= kVco1Level + 1; ++line) std::getline(kept, value);
  EXPECT_EQ(std::atoi(value.c_str()), edited);

  before = Received(kVco1Level).size();
  ASSERT_TRUE(Launch()) << output;
  EXPECT_TRUE(Receives(kVco1Level, before, [&](int v) { return v == edited; }))
      << "the start did not send the kept edit";
  // The first click into a window just mapped can be lost: one more press tells that from a
  // keyboard on another channel.
  bool noteOn = false;
  for (int attempt = 0; attempt < 2 && !noteOn; ++attempt) {
    ClickAt(originX + vq_layout::kKeyboardX + 98 * 3, originY + vq_layout::kKeyboardY + 60);
    noteOn = sim.WaitForLogLine("note-on 5 60", 5000, 2);
  }
  EXPECT_TRUE(noteOn);
  Shot("10-restarted");
  EXPECT_EQ(Quit(), 0) << output;
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

}  // namespace
