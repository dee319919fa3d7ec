// The real program: without a display it says how to get one; on a display its window
// appears and Quit (Ctrl+Q, real X input) ends it cleanly with its state saved; on a JACK
// server its virtual ports appear.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/x_display.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// $VQ_BINARY_DIR/app/VQEditor4, else beside this test's build folder.
std::string Program() {
  if (const char* b = std::getenv("VQ_BINARY_DIR")) return std::string(b) + "/app/VQEditor4";
  return (fs::read_symlink("/proc/self/exe").parent_path().parent_path().parent_path() / "app/VQEditor4").string();
}

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> v;
  for (std::string& a : args) v.push_back(a.data());
  v.push_back(nullptr);
  return v;
}

// Runs a program to its end (killed after the time-out); its exit code and output.
int RunToEnd(std::vector<std::string> args, std::string* output = nullptr, int timeoutMs = 20000) {
  const std::string out = fs::temp_directory_path() / ("vq_app_out_" + std::to_string(getpid()));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> argv = Argv(args);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (output) {
    std::ifstream in(out);
    std::stringstream s;
    s << in.rdbuf();
    *output = s.str();
  }
  fs::remove(out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
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
    Stop();
    unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(dir);
  }
  void Launch() {
    std::vector<std::string> args{Program()};
    std::vector<char*> argv = Argv(args);
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
  }
  // The exit code once it ends within the time, else -1 (it is then killed).
  int WaitForExit(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (pid > 0 && waitpid(pid, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Stop() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = 0;
  }
  // The program's visible main window appears within the time.
  bool WindowAppears() {
    std::string found;
    RunToEnd({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^VQEditor4$"}, &found, 15000);
    return !found.empty();
  }

  std::string dir;
  pid_t pid = 0;
};

TEST_F(AppDesktop, WithoutADisplayItSaysHowToGetOne) {
  const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  std::string output;
  const int code = RunToEnd({Program()}, &output);
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
  EXPECT_NE(code, 0);
  EXPECT_NE(output.find("display"), std::string::npos) << output;
  EXPECT_NE(output.find("xvfb-run"), std::string::npos) << output;
}

TEST_F(AppDesktop, WindowAppearsAndQuitEndsItWithItsStateSaved) {
  std::string why;
  if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
  Launch();
  ASSERT_TRUE(WindowAppears());
  const std::string settings = dir + "/VQEditor4/settings.ini";
  EXPECT_NE(ReadFile(settings).find("outdev=off"), std::string::npos);
  RunToEnd({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus", "--sync", "key", "ctrl+q"});
  EXPECT_EQ(WaitForExit(20000), 0);
  EXPECT_NE(ReadFile(settings).find("manager=false"), std::string::npos) << ReadFile(settings);
  EXPECT_EQ(fs::status(dir + "/VQEditor4").permissions() & fs::perms::all, fs::perms::owner_all);
}

class AppDesktopOverJack : public AppDesktop {};

TEST_F(AppDesktopOverJack, VirtualPortsAppear) {
  const char* jack = std::getenv("VQ_JACK");
  if (!jack || std::string(jack) != "1") GTEST_SKIP() << "no JACK server (tools/test.sh starts one)";
  std::string why;
  if (!vq::test::ensureXDisplay(&why)) GTEST_SKIP() << why;
  fs::create_directories(dir + "/VQEditor4");
  std::ofstream(dir + "/VQEditor4/settings.ini") << "[midi]\nindev=virtual input\ninBdev=off\noutdev=virtual output\n";
  Launch();
  ASSERT_TRUE(WindowAppears());
  std::string ports;
  for (int i = 0; i < 100; ++i) {
    RunToEnd({"jack_lsp"}, &ports, 5000);
    if (ports.find("To VQEditor4") != std::string::npos && ports.find("From VQEditor4") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_NE(ports.find("To VQEditor4"), std::string::npos) << ports;
  EXPECT_NE(ports.find("From VQEditor4"), std::string::npos) << ports;
  RunToEnd({"xdotool", "search", "--onlyvisible", "--name", "^VQEditor4$", "windowfocus", "--sync", "key", "ctrl+q"});
  EXPECT_EQ(WaitForExit(20000), 0);
}

}  // namespace
