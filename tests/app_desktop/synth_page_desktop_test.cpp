// A musician's session on the synth page of the real program, with real X input only, against
// the simulated synthesizer on JACK: the synthesizer is picked in Preferences; the external MIDI
// page, a GUI-size change, a skin swap, FLEXI learning, INIT, randomise and the keyboard channel
// are used as a user would; the edits outlive a quit. Each step is kept as a screenshot.
#include <gtest/gtest.h>

#include <algorithm>

#include "desktop_steps.h"
#include "editor/param_ids.h"
#include "protocol/firmware_image.h"

namespace {

using namespace desktop_steps;

class SynthPageOnDesktopOverJack : public PageDesktopTest {
 protected:
  SynthPageOnDesktopOverJack() : PageDesktopTest("synth_desktop", {}) {}
  void TearDown() override {
    if (program.joinable()) Quit();
    std::error_code ec;  // what the synthesizer heard, beside the screenshots
    fs::copy_file(sim.LogPath(), BuildDir() / "tests/app_desktop/screenshots/synth-session.log",
                  fs::copy_options::overwrite_existing, ec);
    PageDesktopTest::TearDown();
  }

  // Screen clicks and keys, as a user gives them; each step taken by the server before the next.
  void ClickAt(int sx, int sy, unsigned button = 1) {
    x.move(sx, sy);
    Within(5000, [&] { return x.where() == std::pair(sx, sy); });
    const auto press = [&] {
      x.button(button, true);
      Within(5000, [&] { return x.isDown(button); });
    };
    if (button == 1)
      PressApart(press);
    else
      press();
    x.button(button, false);
    Within(5000, [&] { return !x.isDown(button); });
  }
  void Keys(std::vector<std::string> keys) {
    keys.insert(keys.begin(), {"key", "--delay", "80"});
    Xdo(keys);
  }
  void Shot(const std::string& name) { PageDesktopTest::Shot("synth-session-" + name); }
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
  void DragUpAt(int gx, int gy, int pixels) { Drag(gx, gy, gx, gy - pixels); }
  // Whether the menu titled at window offset `tx` shows (its light face over the dark page).
  bool MenuShown(int tx) {
    const auto face = x.read(windowX + tx + 8, windowY + 60, 20, 6);
    long sum = 0;
    for (uint32_t p : face) sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
    return !face.empty() && sum / static_cast<long>(face.size() * 3) > 180;
  }
  // Opens the menu titled at window offset `tx` and waits until it shows; a loaded machine may
  // drop the first click or map the menu late.
  bool OpenMenu(int tx) {
    for (int attempt = 0; attempt < 4; ++attempt) {
      ClickAt(windowX + tx, windowY + 12);
      if (Within(3000, [&] { return MenuShown(tx); })) return true;
      Keys({"Escape"});
      Within(5000, [&] { return !MenuShown(tx); });
    }
    return false;
  }
  // View menu item `index` (1 = "Full View"; separators are skipped by the keys), taken once the
  // menu has gone and `done` holds.
  void ViewMenu(
      int index, const std::function<bool()>& done = [] { return true; }) {
    ASSERT_TRUE(OpenMenu(103));
    std::vector<std::string> keys(index, "Down");
    keys.push_back("Return");
    Keys(keys);
    Within(5000, [&] { return !MenuShown(103) && done(); });
    // A size or skin command may move the window to keep it on the screen.
    int h = 0;
    if (WindowOrigin("VQEditor4", &windowX, &windowY, &h)) {
      originX = windowX;
      originY = windowY + h - vq_layout::kGuiHeight;
    }
  }

  std::vector<int> Received(int field) const { return desktop_steps::Received(sim, field); }
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
  // Waits until the synthesizer has heard all the program sent so far: a key played after it.
  void Heard() {
    EXPECT_TRUE(
        HeardUpToAKeyPlayed(sim, [this](int gx, int gy) { ClickAt(originX + gx, originY + gy); }));
  }

  // Picks the simulated synthesizer in Edit > Preferences; true once it heard the start-up word.
  bool PickSynthesizer(const SynthPorts& ports) {
    return ports.ok() && desktop_steps::PickSynthesizer(windowX, windowY, ports) &&
           sim.WaitForLogLine("startup", 5000);
  }
};

constexpr int kExtMidiFlags = 123, kVco1Level = 11, kFlexi1Destination = 97,
              kFlexi2Destination = 104, kTrebleFrq = 167;
// 200 % does not fit this 1920x1200 screen: greyed, the keys pass over it.
constexpr int kViewSize100 = 6, kViewSkinSolid = 11;

TEST_F(SynthPageOnDesktopOverJack, ASessionReachesTheSynthesizerAndOutlivesAQuit) {
  const SynthPorts ports = PortsOf(sim);
  ASSERT_TRUE(LaunchPage(120000)) << output;
  ASSERT_TRUE(PickSynthesizer(ports)) << output;
  Heard();
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
  ViewMenu(kViewSkinSolid, [&] { return Pixels(background) != spaceBackground; });
  const auto copyPanelBefore = Pixels(copyPanel);
  Click(vq_param::kCopyPanelFlexi);
  Within(5000, [&] { return Pixels(copyPanel) != copyPanelBefore; });
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
  Heard();
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
  Heard();
  Click(vq_param::k4BandParagraphicEqualizer);
  Shot("07-treble-flexi-curve-refused");
  before = Received(kTrebleFrq).size();
  const size_t slope = Received(kTrebleFrq + 1).size();
  const IRECT treble = Rect(3 + kTrebleFrq);
  DragUpAt(treble.L + 3, (treble.T + treble.B) / 2, 20);  // range knob A
  EXPECT_TRUE(Receives(kTrebleFrq, before, [](int) { return true; }));
  Heard();
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
  Heard();
  Shot("08-randomised");
  EXPECT_TRUE(Within(5000, [&] { return knobPixels() != beforeRandom; }));

  // Keyboard channel 5 (four wheel notches up), an edit, then quit and start again.
  const IRECT ch = Rect(vq_param::kMidiChannel);
  for (int i = 0; i < 4; ++i) ClickAt(originX + (ch.L + ch.R) / 2, originY + (ch.T + ch.B) / 2, 4);
  ClickAt(originX + vq_layout::kKeyboardX + 98 * 3, originY + vq_layout::kKeyboardY + 60);
  EXPECT_TRUE(sim.WaitForLogLine("note-on 5 60", 5000));
  DragUp(3 + kVco1Level, -200);
  Heard();
  const int edited = Received(kVco1Level).back();
  Shot("09-edited-before-quit");
  ASSERT_EQ(Quit(), 0) << output;

  const std::string settings = Settings();
  for (const char* line : {"kbdmidioutch=4", "lastfile=\n", "name=INIT", "edited=true"})
    EXPECT_NE(settings.find(line), std::string::npos) << line << "\n" << settings;
  std::istringstream kept(ReadFile(dir + "/VQEditor4/lastprogram.pr4"));
  std::string value;
  for (int line = 0; line <= kVco1Level + 1; ++line) std::getline(kept, value);
  EXPECT_EQ(std::atoi(value.c_str()), edited);

  before = Received(kVco1Level).size();
  ASSERT_TRUE(LaunchPage(120000)) << output;
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

// A firmware update runs to its end: Quit and closing the window ask first, and Cancel keeps it
// running; a knob moved and a key played meanwhile reach the synthesizer once it has ended.
TEST_F(SynthPageOnDesktopOverJack, QuitAsksDuringAFirmwareUpdateAndOtherMidiWaits) {
  const std::string firmware = dir + "/update.vq4";
  const auto image = vqtest::FirmwareImage({vqtest::Pattern(12000, 1), {}, {}, {}, {}});
  std::ofstream(firmware, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()),
             static_cast<std::streamsize>(image.size()));
  const SynthPorts ports = PortsOf(sim);
  ASSERT_TRUE(LaunchPage(120000)) << output;
  ASSERT_TRUE(PickSynthesizer(ports)) << output;
  Heard();
  // Blocks taken slowly: the update lasts about 15 s.
  ASSERT_TRUE(sim.Command("fault kind=fw-block,mode=slow,ms=300,count=always"));

  ASSERT_TRUE(OpenMenu(20));  // File > Firmware update
  Keys({"Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Return"});
  ASSERT_TRUE(WindowShownBecomes("Open", true, 10000));
  TypeIntoDialog(firmware, "ctrl+l");
  ASSERT_TRUE(sim.WaitForLogLine("fw-block", 20000)) << "the update did not start";
  const size_t knob = Received(kVco1Level).size();
  DragUp(3 + kVco1Level, 30);
  ClickAt(originX + vq_layout::kKeyboardX + 98 * 3, originY + vq_layout::kKeyboardY + 60);

  // The box's Cancel button, at the left of its lowest row.
  const auto cancel = [&] {
    int bx = 0, by = 0, height = 0;
    ASSERT_TRUE(WindowOrigin("Warning", &bx, &by, &height));
    ClickAt(bx + 40, by + height - 15);
    ASSERT_TRUE(WindowShownBecomes("Warning", false, 5000));
  };
  KeyTo("VQEditor4", "ctrl+q");
  ASSERT_TRUE(WindowShownBecomes("Warning", true, 5000)) << "Quit did not ask";
  Shot("11-firmware-quit-asks");
  cancel();
  ASSERT_TRUE(PressCloseBox(x, "VQEditor4"));
  ASSERT_TRUE(WindowShownBecomes("Warning", true, 5000)) << "closing the window did not ask";
  cancel();
  ASSERT_TRUE(sim.WaitForLogLine("fw-complete", 60000)) << "the update was cut off";

  // Nothing but the update reached the synthesizer while it ran; the knob and the key after.
  const auto lines = sim.LogLines();
  const auto start = std::find_if(lines.begin(), lines.end(),
                                  [](const std::string& l) { return l.starts_with("fw-start"); });
  const auto end = std::find(start, lines.end(), "fw-complete");
  for (auto l = start; l != end; ++l)
    EXPECT_TRUE(l->starts_with("fw-") || l->starts_with("misbehave")) << *l;
  EXPECT_TRUE(Receives(kVco1Level, knob, [](int) { return true; }));
  EXPECT_TRUE(sim.WaitForLogLine("note-on 1 60", 5000));
  EXPECT_EQ(Quit(), 0) << output;
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

}  // namespace
