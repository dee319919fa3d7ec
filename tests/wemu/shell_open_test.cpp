// Shell open: what reaches the workspace, which program starts, and when a reveal falls back.
#include "wemu/shell_open.h"
#include "wemu/window_search.h"
#include "wemu_fixture.h"

namespace {

class ShellOpenTest : public WemuTest {};

TEST_F(ShellOpenTest, TargetsReachTheWorkspaceOrStartTheNamedProgram) {
  struct Case {
    const char* file;
    const char* params;
    bool fileManager;  // a file manager answers reveals
    BOOL result;
    const char* opened;    // null: nothing handed to the opener
    const char* launched;  // "program|document"; null: nothing started
    const char* revealed;  // null: no reveal asked
  } cases[] = {
      {"HTTP://example.org/a", nullptr, false, TRUE, "HTTP://example.org/a", nullptr, nullptr},
      {"https://example.org/b", "", false, TRUE, "https://example.org/b", nullptr, nullptr},
      {"notepad", "/tmp/read me.txt", false, TRUE, "/tmp/read me.txt", nullptr, nullptr},
      {"sh", "/tmp/a b.txt", false, TRUE, nullptr, "sh|/tmp/a b.txt", nullptr},
      {"/bin/sh", "-e x", false, TRUE, nullptr, "/bin/sh|-e x", nullptr},
      {"no-such-program-vq", "/tmp/x", false, FALSE, nullptr, "no-such-program-vq|/tmp/x", nullptr},
      {"bin/sh", "/tmp/x", false, FALSE, nullptr, "bin/sh|/tmp/x", nullptr},  // relative: refused
      {"/Apps/sh.APP", "/tmp/x", false, TRUE, nullptr, "/Apps/sh.APP|/tmp/x", nullptr},
      {"explorer.exe", "/select,\"/home/u/song.pr4\"", false, TRUE, "/home/u", nullptr,
       "/home/u/song.pr4"},
      {"explorer.exe", "/select,\"/home/u/song.pr4\"", true, TRUE, nullptr, nullptr,
       "/home/u/song.pr4"},
      {"", "/SELECT,\"/song.pr4\"", false, TRUE, "/", nullptr, "/song.pr4"},
      {"", "/select,\"\"", true, FALSE, nullptr, nullptr, nullptr},
      {"Other-vq.app", nullptr, false, FALSE, nullptr, "Other-vq.app|", nullptr},
      {"sh.app", nullptr, false, TRUE, nullptr, "sh.app|", nullptr},
      {".app", nullptr, false, TRUE, ".app", nullptr, nullptr},
      {"explorer.exe", "explorer.exe", false, FALSE, nullptr, nullptr, nullptr},
      {nullptr, "/home/u/bank", false, TRUE, "/home/u/bank", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    backend->opened.clear();
    backend->launched.clear();
    backend->revealed.clear();
    backend->fileManagerAnswers = c.fileManager;
    EXPECT_EQ(ShellExecute(nullptr, "open", c.file, c.params, nullptr, 1), c.result)
        << c.file << " " << c.params;
    auto one = [](const char* s) {
      return s ? std::vector<std::string>{s} : std::vector<std::string>{};
    };
    EXPECT_EQ(backend->opened, one(c.opened)) << c.file << " " << c.params;
    std::vector<std::string> launched;
    for (auto& [program, document] : backend->launched)
      launched.push_back(program + "|" + document);
    EXPECT_EQ(launched, one(c.launched)) << c.file << " " << c.params;
    EXPECT_EQ(backend->revealed, one(c.revealed)) << c.file << " " << c.params;
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
