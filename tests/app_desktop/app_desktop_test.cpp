// The real program: without a display it says how to get one; on a display its window
// appears and Quit (Ctrl+Q, real X input) ends it cleanly with its state saved; on a JACK
// server the synthesizer picked in Preferences with real X input hears the start-up message,
// and the program requested from it is saved, opened and kept as the state saved at Quit; a
// synthesizer started after the program is listed, and OK reconnects it once it came back; a
// user the running server does not serve is told it could not be reached, and why.
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "desktop_steps.h"

namespace {

using namespace desktop_steps;

class AppDesktop : public DesktopTest {
 protected:
  void SetUp() override { ASSERT_TRUE(MakeFolder("app_desktop")); }
};

TEST_F(AppDesktop, WithoutADisplayItSaysHowToGetOne) {
  const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  std::string text;
  const int code = RunProgram({Program()}, 20000, &text);
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
  EXPECT_GT(code, 0);
  EXPECT_NE(text.find("xvfb-run"), std::string::npos) << text;
}

TEST_F(AppDesktop, WindowAppearsAndQuitEndsItWithItsStateSaved) {
  std::string why;
  if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
  Launch(60000);
  ASSERT_TRUE(WindowShownBecomes("VQEditor4", true, 15000));
  EXPECT_NE(Settings().find("outdev=off"), std::string::npos);
  // A file-size limit smaller than a file being saved fails that save instead of killing the
  // program: it ignores SIGXFSZ.
  std::string pid, status;
  RunProgram({"xdotool", "search", "--name", "^VQEditor4$", "getwindowpid"}, 5000, &pid);
  std::istringstream lines(ReadFile("/proc/" + std::to_string(std::atoi(pid.c_str())) + "/status"));
  while (std::getline(lines, status) && status.rfind("SigIgn:", 0) != 0) {
  }
  EXPECT_TRUE(std::stoull(status.substr(7), nullptr, 16) >> (SIGXFSZ - 1) & 1) << pid << status;
  EXPECT_EQ(Quit(), 0) << output;
  EXPECT_NE(Settings().find("manager=false"), std::string::npos) << Settings();
  EXPECT_EQ(fs::status(dir + "/VQEditor4").permissions() & fs::perms::all, fs::perms::owner_all);
}

class AppDesktopOverJack : public AppDesktop {};

// A JACK server serves the user who started it: another user's start line says the server
// could not be reached, in JACK's words, rather than that none runs.
TEST_F(AppDesktopOverJack, StartLineOfAUserTheServerDoesNotServeSaysItCouldNotBeReached) {
  VQ_SKIP_WITHOUT_JACK();
  if (getuid() != 0) GTEST_SKIP() << "runs the program as another user: needs root";
  std::string why;
  if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
  const uid_t nobody = 65534;
  ASSERT_EQ(chown(dir.c_str(), nobody, nobody), 0);
  Launch(60000, {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  int x = 0, y = 0;
  ASSERT_TRUE(SettledOrigin("VQEditor4", &x, &y));
  // Closed as a desktop closes it: a Ctrl+Q sent to it was seen to cost later programs on the
  // display their typed "q". Only its start line is looked at.
  RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowclose"}, 5000);
  program.join();
  const char* named = std::getenv("JACK_DEFAULT_SERVER");
  const std::string server = named && *named ? named : "default";
  EXPECT_NE(output.find("the JACK server \"" + server +
                        "\" could not be reached: Cannot connect to server socket"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("no JACK server running"), std::string::npos) << output;
}

TEST_F(AppDesktopOverJack, PicksTheSynthesizerThenRequestsSavesAndOpensItsProgram) {
  VQ_SKIP_WITHOUT_JACK();
  std::string why;
  if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
  vqtest::VqsimProcess sim;
  ASSERT_TRUE(sim.Start({.distinct = true})) << sim.Error();
  const SynthPorts ports = PortsOf(sim);
  ASSERT_TRUE(ports.ok());
  Launch(60000);
  ASSERT_TRUE(WindowShownBecomes("VQEditor4", true, 15000));
  int x = 0, y = 0;
  ASSERT_TRUE(SettledOrigin("VQEditor4", &x, &y));
  ASSERT_TRUE(PickSynthesizer(x, y, ports));

  EXPECT_TRUE(sim.WaitForLogLine("startup", 5000));
  for (const std::string& line : {"outdev=" + sim.InPort(), "indev=" + sim.OutPort()})
    EXPECT_NE(Settings().find(line), std::string::npos) << Settings();
  ASSERT_TRUE(WindowOrigin("VQEditor4", &x, &y));
  // File > Save Program from VQ to File shows the slot chooser and its request button (slot 1).
  Click(x + 20, y + 10);
  Click(x + 127, y + 163);
  Click(x + 562, y + kMenuBarHeight + 424);
  EXPECT_TRUE(sim.WaitForLogLine("request 1", 5000));
  EXPECT_TRUE(sim.WaitForLogLine("dump 1", 5000));
  // The dump arrives checked and is offered for saving under its slot and name.
  ASSERT_TRUE(WindowShownBecomes("Save", true, 10000));
  const std::string saved = dir + "/received.pr4";
  TypeIntoDialog(saved, "ctrl+a");
  ASSERT_TRUE(FileAppears(saved, 5000));
  EXPECT_EQ(DistinctFields(ReadFile(saved)), (std::vector<int>{3, 4, 5, 6, 7})) << ReadFile(saved);

  // Opened in the editor (Ctrl+O), the knobs take the received values, kept as the editor's
  // state when it quits.
  ASSERT_TRUE(WindowShownBecomes("Save", false, 5000));
  KeyTo("VQEditor4", "ctrl+o");
  ASSERT_TRUE(WindowShownBecomes("Open", true, 10000));
  TypeIntoDialog(saved, "ctrl+l");
  ASSERT_TRUE(WindowShownBecomes("Open", false, 5000));
  EXPECT_EQ(Quit(), 0) << output;
  EXPECT_NE(Settings().find("lastfile=" + saved), std::string::npos) << Settings();
  EXPECT_EQ(ReadFile(dir + "/VQEditor4/lastprogram.pr4"), ReadFile(saved));
  EXPECT_TRUE(sim.Faults().empty());
}

// The README's order: the program first, then the simulated synthesizer. Preferences lists its
// ports; they vanish (the simulator killed), Preferences cancelled meanwhile keeps the choice,
// and when they come back (started again) OK with the same choice reconnects both directions:
// the start-up message and a fetch reach it.
TEST_F(AppDesktopOverJack, SynthesizerStartedLaterIsListedAndOkReconnectsItWhenItComesBack) {
  VQ_SKIP_WITHOUT_JACK();
  std::string why;
  if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
  Launch(90000);
  ASSERT_TRUE(WindowShownBecomes("VQEditor4", true, 15000));
  int x = 0, y = 0;
  ASSERT_TRUE(SettledOrigin("VQEditor4", &x, &y));
  const vqtest::VqsimOptions options{.distinct = true,
                                     .name = "vqsimlate" + std::to_string(getpid())};
  vqtest::VqsimProcess first, again;
  ASSERT_TRUE(first.Start(options)) << first.Error();
  const SynthPorts ports = PortsOf(first);
  ASSERT_TRUE(ports.ok());
  ASSERT_TRUE(PickSynthesizer(x, y, ports));
  EXPECT_TRUE(first.WaitForLogLine("startup", 5000));

  first.SendSignal(SIGKILL);
  first.Stop();
  ASSERT_TRUE(Within(10000, [&] { return vqtest::JackFindPort(options.name, 0).empty(); }));
  const std::string chosen = Settings();
  ASSERT_NE(chosen.find("outdev=" + first.InPort()), std::string::npos) << chosen;
  ASSERT_TRUE(OpenPreferences(x, y));
  int px = 0, py = 0;
  ASSERT_TRUE(WindowOrigin("Preferences", &px, &py));
  Click(px + 277, py + 142);  // Cancel
  ASSERT_TRUE(WindowShownBecomes("Preferences", false, 5000));
  EXPECT_EQ(Settings(), chosen);
  ASSERT_TRUE(again.Start(options)) << again.Error();
  ASSERT_TRUE(OpenPreferences(x, y));
  ASSERT_TRUE(WindowOrigin("Preferences", &px, &py));
  Click(px + 216, py + 142);  // OK, nothing changed
  EXPECT_TRUE(again.WaitForLogLine("startup", 5000));
  // File > Save Program from VQ to File, slot 1: the dump comes back and is offered for saving.
  ASSERT_TRUE(WindowOrigin("VQEditor4", &x, &y));
  Click(x + 20, y + 10);
  Click(x + 127, y + 163);
  Click(x + 562, y + kMenuBarHeight + 424);
  EXPECT_TRUE(again.WaitForLogLine("dump 1", 5000));
  EXPECT_TRUE(WindowShownBecomes("Save", true, 10000));
  Xdo({"key", "Escape"});
  EXPECT_TRUE(WindowShownBecomes("Save", false, 5000));
  EXPECT_EQ(Quit(), 0) << output;
  for (const std::string& line : {"outdev=" + again.InPort(), "indev=" + again.OutPort()})
    EXPECT_NE(Settings().find(line), std::string::npos) << Settings();
}

}  // namespace
