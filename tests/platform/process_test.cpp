// Child processes from argument vectors, and the desktop opener built on them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/process.h"
#include "platform/xdg_workspace.h"

namespace {

using vq::platform::Process;
using vq::platform::XdgWorkspace;

TEST(Process, ArgumentsReachTheProgramUnread) {
  // The checking shell is ours; the argument under test never passes through a shell.
  std::string tricky = "a;b $(touch /tmp/never) `x` 'q' \"d\" *";
  auto p = Process::spawn({"/bin/sh", "-c", "test \"$1\" = \"$2\"", "sh", tricky, tricky});
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->wait(-1), 0);
  auto q = Process::spawn({"/bin/sh", "-c", "exit 4"});
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->wait(10), 4);
  EXPECT_FALSE(q->isRunning());
}

TEST(Process, FailuresAndTimeouts) {
  EXPECT_EQ(Process::spawn({}), nullptr);
  EXPECT_EQ(Process::spawn({""}), nullptr);
  EXPECT_EQ(Process::spawn({"/nonexistent/program"}), nullptr);
  auto p = Process::spawn({"sleep", "10"});
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->isRunning());
  EXPECT_FALSE(p->wait(0.01).has_value());
  EXPECT_TRUE(p->terminate());
  EXPECT_EQ(p->wait(-1), 128 + 15);
}

TEST(XdgWorkspace, RunsTheOpenerWithTheTargetAsOneArgument) {
  XdgWorkspace ws;
  EXPECT_EQ(ws.commandFor("https://x.invalid/?a=1&b=2"),
            (std::vector<std::string>{"xdg-open", "https://x.invalid/?a=1&b=2"}));
  EXPECT_EQ(ws.commandFor("-rf"), (std::vector<std::string>{"xdg-open", "./-rf"}))
      << "a target is never taken for an option";
  EXPECT_FALSE(ws.open(""));
}

TEST(XdgWorkspace, HandsTheTargetToTheOpener) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("xdg_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path script = dir / "opener";
  fs::path out = dir / "got";
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nprintf '%s' \"$1\" > '" << out.string() << ".tmp' && mv '" << out.string()
      << ".tmp' '" << out.string() << "'\n";
  }
  fs::permissions(script, fs::perms::owner_all);
  XdgWorkspace ws(script.string());
  std::string target = "file name with $HOME and ;";
  ASSERT_TRUE(ws.open(target));
  // The opener runs detached; wait for its answer to appear.
  for (int i = 0; i < 30000 && !fs::exists(out); ++i) usleep(1000);
  std::ifstream in(out);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, target);
  fs::remove_all(dir);
}

}  // namespace
