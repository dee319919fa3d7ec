// Shell open: what reaches the workspace, and that no program named by the caller runs.
#include "wemu/shell_open.h"
#include "wemu/window_search.h"
#include "wemu_fixture.h"

namespace {

class ShellOpenTest : public WemuTest {};

TEST_F(ShellOpenTest, TargetsReachTheWorkspaceOnly) {
  struct Case {
    const char* file;
    const char* params;
    BOOL result;
    const char* opened;  // null: nothing handed on
  } cases[] = {
      {"HTTP://example.org/a", nullptr, TRUE, "HTTP://example.org/a"},
      {"https://example.org/b", "", TRUE, "https://example.org/b"},
      {"notepad", "/tmp/read me.txt", TRUE, "/tmp/read me.txt"},
      {"/usr/bin/xterm", "-e sh", FALSE, nullptr},
      {"explorer.exe", "/select,\"/home/u/song.pr4\"", TRUE, "/home/u"},
      {"", "/SELECT,\"/song.pr4\"", TRUE, "/"},
      {"", "/select,\"\"", FALSE, nullptr},
      {"Other.app", nullptr, FALSE, nullptr},
      {".app", nullptr, TRUE, ".app"},
      {"explorer.exe", "explorer.exe", FALSE, nullptr},
      {nullptr, "/home/u/bank", TRUE, "/home/u/bank"},
  };
  for (const Case& c : cases) {
    backend->opened.clear();
    EXPECT_EQ(ShellExecute(nullptr, "open", c.file, c.params, nullptr, 1), c.result)
        << c.file << " " << c.params;
    if (c.opened)
      EXPECT_EQ(backend->opened, std::vector<std::string>{c.opened}) << c.params;
    else
      EXPECT_TRUE(backend->opened.empty()) << c.file;
  }
}

TEST_F(ShellOpenTest, SystemMetrics) {
  backend->screenList = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1050}, 1}};
  struct Case {
    int index, value;
  } cases[] = {{0, 1920}, {1, 1080}, {2, 16}, {3, 16}, {20, 16},
               {21, 16},  {4, 0},    {11, 0}, {22, 0}, {-1, 0}};
  for (const Case& c : cases) EXPECT_EQ(GetSystemMetrics(c.index), c.value) << c.index;
  backend->screenList.clear();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
}

}  // namespace
