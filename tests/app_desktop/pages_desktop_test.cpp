// The real program's synth page under real X input, with the simulated synthesizer on JACK:
// a knob dragged, a switch clicked, a key played and the EQ curve dragged reach the synthesizer
// as NRPN and notes; a dump it sends is saved under its own name; each skin is kept as a
// screenshot.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "editor/gui/page_layout_tables.h"
#include "platform_gtk/x_input.h"
#include "protocol/device_messages.h"
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

// The first shown control of a parameter on the page.
const vq_layout::ControlSpec* ControlOf(const std::vector<vq_layout::ControlSpec>& page,
                                        int param) {
  for (const auto& c : page)
    if (c.param == param && c.attached && !c.hidden) return &c;
  return nullptr;
}

class PagesOnDesktopOverJack : public ::testing::Test {
 protected:
  void SetUp() override {
    VQ_SKIP_WITHOUT_JACK();
    std::string why;
    if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
    char tmpl[] = "/tmp/vq_pages_desktop_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    // The save dialog starts in the home folder at first: never the source tree.
    cwd = fs::current_path();
    fs::current_path(dir);
    if (const char* home = std::getenv("HOME")) oldHome = home;
    setenv("HOME", dir.c_str(), 1);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // the desktop libraries keep caches to the end
    ASSERT_TRUE(sim.Start({.distinct = true})) << sim.Error();
    ASSERT_TRUE(x.ok());
  }
  void TearDown() override {
    if (program.joinable()) {
      Quit();
    }
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", oldHome.c_str(), 1);
    if (!cwd.empty()) fs::current_path(cwd);
    if (!dir.empty()) fs::remove_all(dir);
  }

  // Starts the program on the simulator's ports, in `skin`, at scale 1; false when no window comes.
  bool Launch(const std::string& skin) {
    fs::create_directories(dir + "/VQEditor4");
    std::ofstream(dir + "/VQEditor4/settings.ini")
        << "[midi]\nindev=" << sim.OutPort() << "\ninBdev=no input\noutdev=" << sim.InPort()
        << "\n[gui]\nguiscale=1.0\nbackground=" << skin << "\n";
    const std::string binary = (BuildDir() / "app/VQEditor4").string();
    program = std::thread([this, binary] { exitCode = RunProgram({binary}, 90000, &output); });
    std::string geometry;
    if (RunProgram({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^VQEditor4$"},
                   20000) != 0)
      return false;
    // Read once the start-up fit has placed the window (it moves it once more).
    std::this_thread::sleep_for(1500ms);
    RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "getwindowgeometry",
                "--shell"},
               5000, &geometry);
    // The page fills the window below its menu bar.
    const auto field = [&](const char* key) {
      const size_t p = geometry.find(key);
      return p == std::string::npos ? -1 : std::atoi(geometry.c_str() + p + std::strlen(key));
    };
    originX = field("X=");
    originY = field("Y=") + field("HEIGHT=") - vq_layout::kGuiHeight;
    return originX >= 0 && field("HEIGHT=") >= vq_layout::kGuiHeight;
  }
  int Quit() {
    RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus",
                "--sync", "key", "ctrl+q"},
               10000);
    program.join();
    return exitCode;
  }

  void Drag(int fromX, int fromY, int toX, int toY) {
    x.move(originX + fromX, originY + fromY);
    std::this_thread::sleep_for(100ms);
    x.button(1, true);
    for (int i = 1; i <= 10; ++i) {
      std::this_thread::sleep_for(30ms);
      x.move(originX + fromX + (toX - fromX) * i / 10, originY + fromY + (toY - fromY) * i / 10);
    }
    std::this_thread::sleep_for(100ms);
    x.button(1, false);
  }
  std::vector<uint32_t> Pixels(const IRECT& r) {
    return x.read(originX + r.L, originY + r.T, r.W(), r.H());
  }

  void Screenshot(const std::string& skin) {
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
    vqtest::WriteFile((folder / ("synth-" + skin + ".png")).string(), vqtest::EncodePng(png));
  }

  static std::string NrpnPrefix(int field) {
    return "nrpn " + std::to_string(ProgramFieldTable::Msb(field)) + " " +
           std::to_string(ProgramFieldTable::Lsb(field)) + " ";
  }
  std::string Notes() const {
    std::string text;
    for (const auto& l : sim.LogLines())
      if (l.find("note") != std::string::npos) text += l + "\n";
    return text;
  }
  size_t NrpnCount() const {
    size_t n = 0;
    for (const auto& l : sim.LogLines()) n += l.rfind("nrpn ", 0) == 0;
    return n;
  }

  std::string dir, output;
  fs::path cwd;
  std::string oldHome;
  std::thread program;
  int exitCode = -2;
  int originX = 0, originY = 0;
  vqtest::VqsimProcess sim;
  vq::test::XInput x;
};

TEST_F(PagesOnDesktopOverJack, RealInputReachesTheSynthesizerAndAReceivedDumpIsSaved) {
  ASSERT_TRUE(Launch("space")) << output;
  const auto page = vq_layout::SynthPageControls(vq_layout::Skin::Space);

  // "VCO1 volume" (field 11): dragged up.
  const auto* knob = ControlOf(page, 14);
  ASSERT_NE(knob, nullptr);
  const int kx = (knob->rect.L + knob->rect.R) / 2, ky = (knob->rect.T + knob->rect.B) / 2;
  Drag(kx, ky, kx, ky - 40);
  EXPECT_TRUE(sim.WaitForLogLine(NrpnPrefix(11), 5000));

  // The VCF vintage / new switch (field 75).
  const auto* sw = ControlOf(page, 78);
  ASSERT_NE(sw, nullptr);
  Drag(sw->rect.L + 2, sw->rect.T + 2, sw->rect.L + 2, sw->rect.T + 2);
  EXPECT_TRUE(sim.WaitForLogLine(NrpnPrefix(75), 5000));

  // Middle C of the on-screen keyboard, at full depth, on the keyboard channel (1).
  // A click right after the switch's can be lost while the window is still busy redrawing; one
  // more press tells a lost click from a keyboard that sends nothing.
  bool noteOn = false;
  for (int attempt = 0; attempt < 2 && !noteOn; ++attempt) {
    Drag(vq_layout::kKeyboardX + 98 * 3, vq_layout::kKeyboardY + 69, vq_layout::kKeyboardX + 98 * 3,
         vq_layout::kKeyboardY + 69);
    noteOn = sim.WaitForLogLine("note-on 1 60 127", 5000);
  }
  EXPECT_TRUE(noteOn) << Notes();
  EXPECT_TRUE(sim.WaitForLogLine("note-off 1 60", 5000));

  // The EQ curve, on the equalizer tab: its flat handles sit on the middle line; grab along it
  // until one moves.
  const auto* tab = ControlOf(page, 268);
  const auto* eq = ControlOf(page, 290);
  ASSERT_TRUE(tab && eq);
  Drag(tab->rect.L + 5, tab->rect.T + 5, tab->rect.L + 5, tab->rect.T + 5);
  std::this_thread::sleep_for(300ms);
  const size_t before = NrpnCount();
  bool moved = false;
  for (int hx = eq->rect.L + 5; hx < eq->rect.R && !moved; hx += 15) {
    Drag(hx, (eq->rect.T + eq->rect.B) / 2, hx + 10, (eq->rect.T + eq->rect.B) / 2 - 20);
    moved =
        sim.WaitForLog([&](const std::vector<std::string>&) { return NrpnCount() > before; }, 300);
  }
  EXPECT_TRUE(moved) << "no NRPN from dragging the EQ curve";

  // A dump the synthesizer sends (here asked for by a peer of ours) is offered for saving.
  vqtest::JackMidiPeer peer;
  ASSERT_TRUE(peer.Open("vqpd")) << peer.Error();
  ASSERT_TRUE(vqtest::JackConnect(peer.OutPort(), sim.InPort()));
  ASSERT_TRUE(peer.Send(ProgramRequestMessage(7)));
  EXPECT_TRUE(sim.WaitForLogLine("dump 7", 5000));
  // The editor offers to keep the received program: accepted, it is loaded.
  EXPECT_EQ(RunProgram({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^Save$",
                        "windowfocus", "--sync", "key", "Return"},
                       10000),
            0);
  std::string saved;
  for (int i = 0; i < 50 && saved.empty(); ++i) {
    std::this_thread::sleep_for(100ms);
    for (const auto& f : fs::directory_iterator(dir))
      if (f.path().extension() == ".pr4") saved = f.path().string();
  }
  ASSERT_FALSE(saved.empty()) << "the received program was not saved";
  // Named after the received program, and whole.
  EXPECT_NE(saved.find("Sim 07"), std::string::npos) << saved;
  EXPECT_GT(fs::file_size(saved), 0u);
  Screenshot("space");
  EXPECT_EQ(Quit(), 0) << output;
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

TEST_F(PagesOnDesktopOverJack, EachSkinIsKeptAsAScreenshot) {
  for (const std::string skin : {"solid", "lcd"}) {
    ASSERT_TRUE(Launch(skin)) << output;
    ASSERT_NO_FATAL_FAILURE(Screenshot(skin));
    EXPECT_EQ(Quit(), 0) << output;
  }
}

}  // namespace
