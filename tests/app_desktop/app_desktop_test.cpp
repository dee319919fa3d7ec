// The real program: without a display it says how to get one; on a display its window
// appears and Quit (Ctrl+Q, real X input) ends it cleanly with its state saved; on a JACK
// server the synthesizer picked in Preferences with real X input hears the start-up message,
// and the program requested from it is saved, opened and kept as the state saved at Quit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "desktop_steps.h"
#include "support/vqsim_process.h"
#include "support/x_display.h"

namespace {

using namespace desktop_steps;

class AppDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_app_desktop_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);  // the desktop libraries keep caches to the end
  }
  void TearDown() override {
    if (program.joinable()) program.join();
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir);
  }
  // Runs the program until it ends (killed after 60 s); its exit code lands in `exitCode`.
  void Launch() {
    program = std::thread([this] { exitCode = RunProgram({Program()}, 60000, &output); });
  }
  bool WindowAppears() {
    return RunProgram({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^VQEditor4$"},
                      15000) == 0;
  }
  int Quit() {
    RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus",
                "--sync", "key", "ctrl+q"},
               10000);
    program.join();
    return exitCode;
  }
  std::string Settings() const { return ReadFile(dir + "/VQEditor4/settings.ini"); }

  std::string dir, output;
  std::thread program;
  int exitCode = -2;
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
  Launch();
  ASSERT_TRUE(WindowAppears());
  EXPECT_NE(Settings().find("outdev=off"), std::string::npos);
  EXPECT_EQ(Quit(), 0) << output;
  EXPECT_NE(Settings().find("manager=false"), std::string::npos) << Settings();
  EXPECT_EQ(fs::status(dir + "/VQEditor4").permissions() & fs::perms::all, fs::perms::owner_all);
}

class AppDesktopOverJack : public AppDesktop {};

TEST_F(AppDesktopOverJack, PicksTheSynthesizerThenRequestsSavesAndOpensItsProgram) {
  VQ_SKIP_WITHOUT_JACK();
  std::string why;
  if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
  vqtest::VqsimProcess sim;
  ASSERT_TRUE(sim.Start({.distinct = true})) << sim.Error();
  const int outputIndex = ListIndex<RtMidiOut>(sim.InPort()),
            inputIndex = ListIndex<RtMidiIn>(sim.OutPort());
  ASSERT_TRUE(outputIndex >= 2 && inputIndex >= 2);
  Launch();
  ASSERT_TRUE(WindowAppears());
  int x = 0, y = 0;
  ASSERT_TRUE(WindowOrigin("VQEditor4", &x, &y));
  ASSERT_TRUE(OpenPreferences(x, y));
  ASSERT_TRUE(WindowOrigin("Preferences", &x, &y));
  // The dialog has no menu bar: its controls start at its top.
  PickFromList(x + 110, y + 98, outputIndex);  // VQ Output
  PickFromList(x + 110, y + 54, inputIndex);   // VQ Input
  Click(x + 216, y + 142);                     // OK: the start-up message goes out

  EXPECT_TRUE(sim.WaitForLogLine("startup", 5000));
  EXPECT_NE(Settings().find("outdev=" + sim.InPort()), std::string::npos) << Settings();
  EXPECT_NE(Settings().find("indev=" + sim.OutPort()), std::string::npos) << Settings();
  // File > Save Program from VQ to File shows the slot chooser and its request button (slot 1).
  ASSERT_TRUE(WindowOrigin("VQEditor4", &x, &y));
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
  RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus",
              "--sync", "key", "ctrl+o"},
             10000);
  ASSERT_TRUE(WindowShownBecomes("Open", true, 10000));
  TypeIntoDialog(saved, "ctrl+l");
  ASSERT_TRUE(WindowShownBecomes("Open", false, 5000));
  EXPECT_EQ(Quit(), 0) << output;
  EXPECT_NE(Settings().find("lastfile=" + saved), std::string::npos) << Settings();
  EXPECT_EQ(ReadFile(dir + "/VQEditor4/lastprogram.pr4"), ReadFile(saved));
  EXPECT_TRUE(sim.Faults().empty());
}

}  // namespace
