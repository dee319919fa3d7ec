// The real program's synth page under real X input, with the simulated synthesizer on JACK:
// a knob dragged, a switch clicked, a key played and the EQ curve dragged reach the synthesizer
// as NRPN and notes; a dump it sends is saved under its own name; each skin is kept as a
// screenshot.
#include <gtest/gtest.h>

#include "desktop_steps.h"
#include "editor/param_ids.h"
#include "protocol/device_messages.h"

namespace {

using namespace desktop_steps;
using namespace std::chrono_literals;

// The first shown control of a parameter on the page.
const vq_layout::ControlSpec* ControlOf(const std::vector<vq_layout::ControlSpec>& page,
                                        int param) {
  for (const auto& c : page)
    if (c.param == param && c.attached && !c.hidden) return &c;
  return nullptr;
}

class PagesOnDesktopOverJack : public PageDesktopTest {
 protected:
  PagesOnDesktopOverJack() : PageDesktopTest("pages_desktop", {.distinct = true}) {}

  // Starts the program on the simulator's ports (and a keyboard's), in `skin`, at scale 1;
  // false when no window comes.
  bool Launch(const std::string& skin, const std::string& keyboard = "no input") {
    fs::create_directories(dir + "/VQEditor4");
    std::ofstream(dir + "/VQEditor4/settings.ini")
        << "[midi]\nindev=" << sim.OutPort() << "\ninBdev=" << keyboard
        << "\noutdev=" << sim.InPort() << "\n[gui]\nguiscale=1.0\nbackground=" << skin << "\n";
    return LaunchPage(90000);
  }
  // The menu item at window offset (itemX, itemY) of the menu titled at `menuX`, chosen until
  // the page region `r` shows something else.
  bool ChooseUntilChanged(int menuX, int itemX, int itemY, const IRECT& r) {
    const auto before = Pixels(r);
    return ChooseMenuItem(windowX, windowY, menuX, itemX, itemY,
                          [&] { return Within(3000, [&] { return Pixels(r) != before; }); });
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
  const auto curve = Pixels(eq->rect);
  Drag(tab->rect.L + 5, tab->rect.T + 5, tab->rect.L + 5, tab->rect.T + 5);
  EXPECT_TRUE(Within(5000, [&] { return Pixels(eq->rect) != curve; })) << "no equalizer tab";
  const size_t before = NrpnCount();
  bool moved = false;
  for (int hx = eq->rect.L + 5; hx < eq->rect.R && !moved; hx += 15) {
    Drag(hx, (eq->rect.T + eq->rect.B) / 2, hx + 10, (eq->rect.T + eq->rect.B) / 2 - 20);
    moved =
        sim.WaitForLog([&](const std::vector<std::string>&) { return NrpnCount() > before; }, 300);
  }
  EXPECT_TRUE(moved) << "no NRPN from dragging the EQ curve";

  // A dump the editor did not ask for (a peer of ours did) is no program fetched: no Save panel.
  vqtest::JackMidiPeer peer;
  ASSERT_TRUE(peer.Open("vqpd")) << peer.Error();
  ASSERT_TRUE(vqtest::JackConnect(peer.OutPort(), sim.InPort()));
  ASSERT_TRUE(peer.Send(ProgramRequestMessage(7)));
  EXPECT_TRUE(sim.WaitForLogLine("dump 7", 5000));
  // File > Save Program from VQ to File, slot 1: the editor offers to keep what it fetched.
  const IRECT panel(vq_layout::kSlotPanelBox[0], vq_layout::kSlotPanelBox[1],
                    vq_layout::kSlotPanelBox[2], vq_layout::kSlotPanelBox[3]);
  ASSERT_TRUE(ChooseUntilChanged(20, 127, 163, panel)) << "the fetch panel did not show";
  Drag(562, 424, 562, 424);  // its request button
  EXPECT_TRUE(sim.WaitForLogLine("dump 1", 5000));
  EXPECT_EQ(KeyTo("Save", "Return", true), 0);
  std::string saved;
  for (int i = 0; i < 50 && saved.empty(); ++i) {
    std::this_thread::sleep_for(100ms);
    for (const auto& f : fs::directory_iterator(dir))
      if (f.path().extension() == ".pr4") saved = f.path().string();
  }
  ASSERT_FALSE(saved.empty()) << "the received program was not saved";
  // Named after the received program, and whole.
  EXPECT_NE(saved.find("Sim 01"), std::string::npos) << saved;
  EXPECT_GT(fs::file_size(saved), 0u);
  Shot("synth-space");
  EXPECT_EQ(Quit(), 0) << output;
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

TEST_F(PagesOnDesktopOverJack, EachSkinIsKeptAsAScreenshot) {
  for (const std::string skin : {"solid", "lcd"}) {
    ASSERT_TRUE(Launch(skin)) << output;
    ASSERT_NO_FATAL_FAILURE(Shot("synth-" + skin));
    EXPECT_EQ(Quit(), 0) << output;
  }
}

// MIDI learn the user's way: Edit > MIDI Learn arms it (the status line says so), a knob
// touched and a controller turned on the keyboard input make the controller move the knob's
// field on the synthesizer, and the assignment is kept in midilearn.ini; Edit > MIDI Unlearn and
// the knob touched again forget it, and the controller then passes through.
TEST_F(PagesOnDesktopOverJack, EditMenuLearnsAndForgetsAController) {
  vqtest::JackMidiPeer keyboard;
  ASSERT_TRUE(keyboard.Open("vqkb")) << keyboard.Error();
  ASSERT_TRUE(Launch("space", keyboard.OutPort())) << output;
  const std::string learnFile = dir + "/VQEditor4/midilearn.ini";
  const IRECT status(36, 30, 268, 46);
  constexpr int kVco1Level = 11;
  const auto page = vq_layout::SynthPageControls(vq_layout::Skin::Space);
  const auto* knob = ControlOf(page, 3 + kVco1Level);
  ASSERT_NE(knob, nullptr);
  const int kx = (knob->rect.L + knob->rect.R) / 2, ky = (knob->rect.T + knob->rect.B) / 2;

  ASSERT_TRUE(ChooseUntilChanged(60, 110, 113, status)) << "MIDI Learn shows nothing";
  Shot("learn-armed");
  Drag(kx, ky, kx, ky - 40);
  ASSERT_TRUE(sim.WaitForLogLine(NrpnPrefix(kVco1Level), 5000));
  // The knob's value when learned, one the synthesizer heard from the drag, is what the
  // controller will reach.
  int top = -1;
  ASSERT_TRUE(keyboard.Send({0xB0, 20, 64}));
  ASSERT_TRUE(Within(5000, [&] {
    const std::string learned = ReadFile(learnFile);
    if (learned.rfind("11=20:", 0) != 0 || learned.back() != '\n') return false;
    top = std::atoi(learned.c_str() + 6);
    const auto heard = desktop_steps::Received(sim, kVco1Level);
    return std::find(heard.begin(), heard.end(), top) != heard.end();
  })) << ReadFile(learnFile);
  Shot("learn-done");
  // The controller sweeps the field from its lowest value up to the knob's value when learned.
  for (uint8_t v : {0, 127}) {
    const size_t before = desktop_steps::Received(sim, kVco1Level).size();
    ASSERT_TRUE(keyboard.Send({0xB0, 20, v}));
    EXPECT_TRUE(sim.WaitForLog(
        [&](const std::vector<std::string>&) {
          const auto r = desktop_steps::Received(sim, kVco1Level);
          return r.size() > before && r.back() == (v ? top : 0);
        },
        5000))
        << "controller value " << int(v);
  }

  ASSERT_TRUE(ChooseUntilChanged(60, 110, 135, status)) << "MIDI Unlearn shows nothing";
  Drag(kx, ky, kx, ky + 10);
  EXPECT_TRUE(Within(5000, [&] { return fs::exists(learnFile) && ReadFile(learnFile).empty(); }))
      << ReadFile(learnFile);
  ASSERT_TRUE(keyboard.Send({0xB0, 20, 99}));
  EXPECT_TRUE(sim.WaitForLogLine("cc 1 20 99", 5000)) << "a forgotten controller passes through";
  EXPECT_EQ(Quit(), 0) << output;
  EXPECT_TRUE(sim.Faults().empty()) << sim.Faults().front();
}

// File > Save Program from VQ to File shows the "fetch VQ slot" panel over the page; Escape and
// a click beside its box close it, and nothing is asked of the synthesizer.
TEST_F(PagesOnDesktopOverJack, EscapeOrAClickBesideTheFetchPanelCancelsIt) {
  ASSERT_TRUE(Launch("space")) << output;
  const IRECT panel(vq_layout::kSlotPanelBox[0], vq_layout::kSlotPanelBox[1],
                    vq_layout::kSlotPanelBox[2], vq_layout::kSlotPanelBox[3]);
  const auto page = Pixels(panel);
  for (int way = 0; way < 2; ++way) {
    SCOPED_TRACE(way == 0 ? "Escape" : "a click beside it");
    ASSERT_TRUE(ChooseUntilChanged(20, 127, 163, panel)) << "the panel did not show";
    if (way == 0)
      KeyTo("VQEditor4", "Escape");
    else
      Drag(150, 600, 150, 600);
    EXPECT_TRUE(Within(3000, [&] { return Pixels(panel) == page; })) << "the panel stayed";
  }
  Shot("fetch-panel-cancelled");
  // A request goes out on the next idle call: one made on purpose now comes after any the
  // cancelled panels sent.
  ASSERT_TRUE(ChooseUntilChanged(20, 127, 163, panel)) << "the panel did not show";
  Drag(562, 424, 562, 424);  // its request button
  // Offered once its own request was answered.
  ASSERT_TRUE(WindowShownBecomes("Save", true, 10000)) << "the fetch was not offered";
  std::vector<std::string> requests;
  for (const auto& l : sim.LogLines())
    if (l.rfind("request", 0) == 0) requests.push_back(l);
  EXPECT_EQ(requests, std::vector<std::string>{"request 1"});
  EXPECT_EQ(KeyTo("Save", "Escape", true), 0);
  EXPECT_EQ(Quit(), 0) << output;
}

}  // namespace
