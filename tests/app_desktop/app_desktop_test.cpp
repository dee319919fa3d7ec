// The real program: without a display it says how to get one; on a display its window
// appears and Quit (Ctrl+Q, real X input) ends it cleanly with its state saved; on a JACK
// server its virtual ports appear.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/vqsim_process.h"
#include "support/x_display.h"

namespace {

namespace fs = std::filesystem;
using vqtest::detail::RunProgram;

// $VQ_BINARY_DIR/app/VQEditor4, else beside this test's build folder.
std::string Program() {
  if (const char* b = std::getenv("VQ_BINARY_DIR")) return std::string(b) + "/app/VQEditor4";
  return (fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path() / "app/VQEditor4").string();
}

std::string ReadFile(const std::string& path) {
  std::stringstream s;
  s << std::ifstream(path).rdbuf();
  return s.str();
}

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
    return RunProgram({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^VQEditor4$"}, 15000) == 0;
  }
  int Quit() {
    RunProgram({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus", "--sync", "key",
                "ctrl+q"}, 10000);
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

TEST_F(AppDesktopOverJack, VirtualPortsAppear) {
  VQ_SKIP_WITHOUT_JACK();
  std::string why;
  if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
  fs::create_directories(dir + "/VQEditor4");
  std::ofstream(dir + "/VQEditor4/settings.ini") << "[midi]\nindev=virtual input\ninBdev=off\noutdev=virtual output\n";
  Launch();
  ASSERT_TRUE(WindowAppears());
  EXPECT_NE(vqtest::JackFindPort("To VQEditor4"), "");
  EXPECT_NE(vqtest::JackFindPort("From VQEditor4"), "");
  EXPECT_EQ(Quit(), 0) << output;
}

}  // namespace
