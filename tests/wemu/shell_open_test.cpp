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
    BOOL result;
    const char* opened = nullptr;    // handed to the opener
    const char* launched = nullptr;  // "program|document" started
    const char* revealed = nullptr;  // asked of the file manager
    bool fileManager = false;        // a file manager answers reveals
  } cases[] = {
      {"HTTP://example.org/a", nullptr, TRUE, "HTTP://example.org/a"},
      {"https://example.org/b", "", TRUE, "https://example.org/b"},
      {"notepad", "/tmp/read me.pr4", TRUE, nullptr, "text/plain|/tmp/read me.pr4"},
      {"NOTEPAD.EXE", nullptr, TRUE, nullptr, "text/plain|"},
      {"sh", "/tmp/a b.txt", TRUE, nullptr, "sh|/tmp/a b.txt"},
      {"/bin/sh", "-e x", TRUE, nullptr, "/bin/sh|-e x"},
      {"no-such-program-vq", "/tmp/x", FALSE, nullptr, "no-such-program-vq|/tmp/x"},
      {"bin/sh", "/tmp/x", FALSE, nullptr, "bin/sh|/tmp/x"},  // relative: refused
      {"/Apps/sh.APP", "/tmp/x", TRUE, nullptr, "/Apps/sh.APP|/tmp/x"},
      {"explorer.exe", "/select,\"/home/u/song.pr4\"", TRUE, "/home/u", nullptr,
       "/home/u/song.pr4"},
      {"explorer.exe", "/select,\"/home/u/song.pr4\"", TRUE, nullptr, nullptr, "/home/u/song.pr4",
       true},
      {"", "/SELECT,\"/song.pr4\"", TRUE, "/", nullptr, "/song.pr4"},
      {"", "/select,\"\"", FALSE, nullptr, nullptr, nullptr, true},
      {"Other-vq.app", nullptr, FALSE, nullptr, "Other-vq.app|"},
      {"sh.app", nullptr, TRUE, nullptr, "sh.app|"},
      {".app", nullptr, TRUE, ".app"},
      {"explorer.exe", "explorer.exe", FALSE},
      {nullptr, "/home/u/bank", TRUE, "/home/u/bank"},
  };
  auto one = [](const char* s) {
    return s ? std::vector<std::string>{s} : std::vector<std::string>{};
  };
  for (const Case& c : cases) {
    backend->opened.clear();
    backend->launched.clear();
    backend->revealed.clear();
    backend->fileManagerAnswers = c.fileManager;
    EXPECT_EQ(ShellExecute(nullptr, "open", c.file, c.params, nullptr, 1), c.result)
        << c.file << " " << c.params;
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
