#include "wemu/ini_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/error_output.h"
#include "support/slow_disk.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Whether a thread of this process waits for a lock: glibc's locks wait on a private futex.
bool WaitsForALock(pid_t tid) {
  std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/syscall");
  std::string number, address, op;
  return in >> number >> address >> op && number == std::to_string(SYS_futex) && op == "0x80";
}

using vq::test::SlowDisk;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_ini_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    mDir = tmpl;
    // Each test gets fresh names, so the process-wide cache never holds a stale copy.
    static int counter = 0;
    mFile = mDir + "/settings" + std::to_string(++counter) + ".ini";
  }
  void TearDown() override {
    chmod(mDir.c_str(), 0700);
    fs::remove_all(mDir);
  }

  void WriteRaw(const std::string& text, const std::string& path = "") {
    std::ofstream(path.empty() ? mFile : path, std::ios::binary) << text;
    // Bump the time so the cache sees the change even within the same second.
    Touch(path.empty() ? mFile : path);
  }
  static void Touch(const std::string& path) {
    static time_t t = time(nullptr) + 10;
    struct timespec ts[2] = {{++t, 0}, {t, 0}};
    utimensat(AT_FDCWD, path.c_str(), ts, 0);
  }
  std::string ReadRaw(const std::string& path = "") const {
    std::ifstream in(path.empty() ? mFile : path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string Get(const char* section, const char* key, const char* def = "<none>") {
    char buf[256];
    GetPrivateProfileString(section, key, def, buf, sizeof buf, mFile.c_str());
    return buf;
  }
  std::vector<std::string> DirEntries() const {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(mDir)) names.push_back(e.path().filename());
    return names;
  }

  std::string mDir;
  std::string mFile;
};

TEST_F(IniFileTest, KeyAndValueKeepInnerBlanks) {
  WriteRaw("[midi]\nindev = 5\n");
  EXPECT_EQ(Get("midi", "indev "), "5");  // key keeps its trailing blank, value is cleaned
  EXPECT_EQ(Get("midi", "indev"), "<none>");
  EXPECT_EQ(GetPrivateProfileInt("midi", "indev ", -1, mFile.c_str()), 5);
}

TEST_F(IniFileTest, WindowsLineEndingsAndIndentation) {
  WriteRaw("\t[midi] trailing text\r\n  outdev=Synth Port 1 \t\r\n\tindev=\r\n");
  EXPECT_EQ(Get("midi", "outdev"), "Synth Port 1");
  EXPECT_EQ(Get("midi", "indev"), "");
}

TEST_F(IniFileTest, QuotesAreRemovedOnlyInMatchingPairs) {
  WriteRaw(
      "[q]\n"
      "a=\"quoted value\"\n"
      "b='single\n"
      "c='\n"
      "d='x'\n"
      "e=  spaced  \n"
      "f=\"\"\n");
  EXPECT_EQ(Get("q", "a"), "quoted value");
  EXPECT_EQ(Get("q", "b"), "'single");
  EXPECT_EQ(Get("q", "c"), "'");
  EXPECT_EQ(Get("q", "d"), "x");
  EXPECT_EQ(Get("q", "e"), "spaced");
  EXPECT_EQ(Get("q", "f"), "");
}

TEST_F(IniFileTest, DuplicatesAndRepeatedHeaders) {
  WriteRaw(
      "[s]\nKey=1\nkey=2\nold=x\n"
      "[t]\nz=1\n"
      "[S]\nnew=y\n");
  EXPECT_EQ(Get("s", "old"), "x");  // a repeated header adds to the keys read before it
  EXPECT_EQ(Get("s", "new"), "y");
  EXPECT_EQ(Get("S", "NEW"), "y");  // lookups ignore letter case
  WriteRaw("[s]\nKey=1\nkey=2\n");
  char buf[64] = {};
  EXPECT_EQ(GetPrivateProfileString("s", nullptr, "", buf, sizeof buf, mFile.c_str()), 3u);
  EXPECT_EQ(strcasecmp(buf, "key"), 0);  // one of the two survives
  EXPECT_EQ(buf[4], '\0');
  EXPECT_EQ(Get("s", "KEY"), "2");  // the later line wins
}

TEST_F(IniFileTest, TextThatWouldReadAsOtherLinesIsRefused) {
  ASSERT_EQ(WritePrivateProfileString("dbase", "user", "me", mFile.c_str()), 1);
  const std::string before = ReadRaw();
  const struct {
    const char *section, *key, *value;
  } refused[] = {
      {"files", "lastfile", "a\n[dbase]\nuser=injected\n[midi]\noutdev=evil\n"},
      {"files", "lastfile", "a\rb"},
      {"files", "last\nfile", "x"},
      {"files", "user=injected", "x"},
      {"files", " [dbase]", "x"},
      {"dbase]\nuser=injected\n[x", "k", "v"},
      {"a\rb", "k", "v"},
  };
  for (const auto& r : refused) {
    EXPECT_EQ(WritePrivateProfileString(r.section, r.key, r.value, mFile.c_str()), 0) << r.key;
    if (std::strchr(r.key, '=')) continue;  // in a list the first "=" ends the key
    const std::string entries = std::string(r.key) + "=" + r.value + std::string(2, '\0');
    EXPECT_EQ(WritePrivateProfileSection(r.section, entries.c_str(), mFile.c_str()), 0) << r.key;
  }
  EXPECT_EQ(ReadRaw(), before);
  EXPECT_EQ(Get("dbase", "user"), "me");
  EXPECT_EQ(Get("midi", "outdev"), "<none>");

  // Forty thousand copies of one key read as one, the last.
  std::string many = "[s]\n";
  for (int i = 0; i < 40000; ++i) many += "k=" + std::to_string(i) + "\n";
  WriteRaw(many);
  EXPECT_EQ(Get("s", "k"), "39999");
}

TEST_F(IniFileTest, IgnoredLinesVanishOnRewrite) {
  WriteRaw(
      "stray=before header\n"
      "[a]\n"
      "no equals sign\n"
      "=empty key\n"
      "k=v\n"
      "[b\n"
      "still_a=1\n"
      "[]\n"
      "lost=after empty header\n");
  EXPECT_EQ(Get("a", "k"), "v");
  EXPECT_EQ(Get("a", "still_a"), "1");  // an unclosed header is ignored, "a" stays current
  EXPECT_EQ(Get("", "lost"), "<none>");
  ASSERT_EQ(WritePrivateProfileString("a", "n", "1", mFile.c_str()), 1);
  EXPECT_EQ(ReadRaw(), "[a]\nk=v\nn=1\nstill_a=1\n\n");
}

TEST_F(IniFileTest, RewriteSortsSectionsAndKeysCaseInsensitively) {
  ASSERT_EQ(WritePrivateProfileString("program", "lastfile", "/x/y.pr4", mFile.c_str()), 1);
  ASSERT_EQ(WritePrivateProfileString("Gui", "guiscale", "1.5", mFile.c_str()), 1);
  ASSERT_EQ(WritePrivateProfileString("gui", "Background", "space", mFile.c_str()), 1);
  ASSERT_EQ(WritePrivateProfileString("GUI", "GUISCALE", "2", mFile.c_str()), 1);
  ASSERT_EQ(WritePrivateProfileString("empty", "k", "v", mFile.c_str()), 1);
  ASSERT_EQ(WritePrivateProfileString("empty", "k", nullptr, mFile.c_str()), 1);
  EXPECT_EQ(ReadRaw(),
            "[empty]\n\n"
            "[Gui]\nBackground=space\nguiscale=2\n\n"
            "[program]\nlastfile=/x/y.pr4\n\n");
}

TEST_F(IniFileTest, DeleteSectionAndMissingThingsNeedNoRewrite) {
  ASSERT_EQ(WritePrivateProfileString("a", "k", "v", mFile.c_str()), 1);
  ASSERT_EQ(WritePrivateProfileString("b", "k", "v", mFile.c_str()), 1);
  ASSERT_EQ(WritePrivateProfileString("a", nullptr, nullptr, mFile.c_str()), 1);
  EXPECT_EQ(ReadRaw(), "[b]\nk=v\n\n");
  struct stat before, after;
  stat(mFile.c_str(), &before);
  EXPECT_EQ(WritePrivateProfileString("zz", nullptr, nullptr, mFile.c_str()), 1);
  EXPECT_EQ(WritePrivateProfileString("b", "missing", nullptr, mFile.c_str()), 1);
  EXPECT_EQ(WritePrivateProfileString("b", "k", "v", mFile.c_str()), 1);  // same value
  stat(mFile.c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino);  // never replaced
}

TEST_F(IniFileTest, BadArgumentsAreRefused) {
  EXPECT_EQ(WritePrivateProfileString(nullptr, "k", "v", mFile.c_str()), 0);
  EXPECT_EQ(WritePrivateProfileString("s", "", "v", mFile.c_str()), 0);
  EXPECT_FALSE(fs::exists(mFile));
}

TEST_F(IniFileTest, EmptySectionNameIsStoredButNotReadBack) {
  ASSERT_EQ(WritePrivateProfileString("", "k", "v", mFile.c_str()), 1);
  EXPECT_EQ(ReadRaw(), "[]\nk=v\n\n");
  Touch(mFile);
  EXPECT_EQ(Get("", "k"), "<none>");
}

TEST_F(IniFileTest, WriteLeavesNoTemporaryFile) {
  ASSERT_EQ(WritePrivateProfileString("midi", "outdev", "Synth", mFile.c_str()), 1);
  ASSERT_EQ(WritePrivateProfileString("midi", "outdev", "Other", mFile.c_str()), 1);
  EXPECT_EQ(DirEntries(), std::vector<std::string>{fs::path(mFile).filename()});
}

TEST_F(IniFileTest, HeaderlessFileBeyond256KiBIsEmpty) {
  std::string junk(300 * 1024, 'x');
  WriteRaw("a=b\n" + junk + "\n[s]\nk=v\n");
  EXPECT_EQ(Get("s", "k"), "<none>");
  WriteRaw(std::string(1000, 'y') + "\n[s]\nk=v\n");
  EXPECT_EQ(Get("s", "k"), "v");
}

TEST_F(IniFileTest, LineBeginningWithNulEndsTheParse) {
  const char withNulLine[] = "[s]\na=1\n\0junk\nb=2\n[t]\nc=3\n";
  WriteRaw(std::string(withNulLine, sizeof withNulLine - 1));
  EXPECT_EQ(Get("s", "a"), "1");
  EXPECT_EQ(Get("s", "b"), "<none>");
  EXPECT_EQ(Get("t", "c"), "<none>");
}

TEST_F(IniFileTest, IntConversion) {
  WriteRaw(
      "[n]\nhex=0x1F\nblank= 42 \nletters=abc\nnegzero=-0\nzero=0\nmixed=12ab\nneg=-7\n"
      "empty=\n");
  const char* f = mFile.c_str();
  EXPECT_EQ(GetPrivateProfileInt("n", "hex", 9, f), 0);
  EXPECT_EQ(GetPrivateProfileInt("n", "blank", 9, f), 42);
  EXPECT_EQ(GetPrivateProfileInt("n", "letters", 9, f), 9);
  EXPECT_EQ(GetPrivateProfileInt("n", "negzero", 9, f), 9);
  EXPECT_EQ(GetPrivateProfileInt("n", "zero", 9, f), 0);
  EXPECT_EQ(GetPrivateProfileInt("n", "mixed", 9, f), 12);
  EXPECT_EQ(GetPrivateProfileInt("n", "neg", 9, f), -7);
  EXPECT_EQ(GetPrivateProfileInt("n", "empty", 9, f), 9);
  EXPECT_EQ(GetPrivateProfileInt("n", "missing", 9, f), 9);
}

TEST_F(IniFileTest, ListForms) {
  WriteRaw("[b]\nk2=2\nk1=1\n[a]\n");
  char buf[64];
  memset(buf, 'z', sizeof buf);
  EXPECT_EQ(GetPrivateProfileString(nullptr, nullptr, "", buf, sizeof buf, mFile.c_str()), 3u);
  EXPECT_EQ(std::string(buf, 5), std::string("a\0b\0\0", 5));

  memset(buf, 'z', sizeof buf);
  EXPECT_EQ(GetPrivateProfileString("b", nullptr, "", buf, sizeof buf, mFile.c_str()), 5u);
  EXPECT_EQ(std::string(buf, 7), std::string("k1\0k2\0\0", 7));

  // Too small: the list is cut, always ends in two NULs.
  memset(buf, 'z', sizeof buf);
  EXPECT_EQ(GetPrivateProfileString("b", nullptr, "", buf, 4, mFile.c_str()), 2u);
  EXPECT_EQ(std::string(buf, 4), std::string("k1\0\0", 4));

  // No such section: two NULs, result 0.
  memset(buf, 'z', sizeof buf);
  EXPECT_EQ(GetPrivateProfileString("none", nullptr, "", buf, sizeof buf, mFile.c_str()), 0u);
  EXPECT_EQ(std::string(buf, 2), std::string("\0\0", 2));
}

TEST_F(IniFileTest, TinyBuffersCopyNothingHarmful) {
  WriteRaw("[b]\nkey=value\n");
  char buf[4] = {'z', 'z', 'z', 'z'};
  EXPECT_EQ(GetPrivateProfileString("b", "key", "", buf, 0, mFile.c_str()), 0u);
  EXPECT_EQ(buf[0], 'z');
  EXPECT_EQ(GetPrivateProfileString("b", "key", "", buf, 1, mFile.c_str()), 0u);
  EXPECT_EQ(buf[0], '\0');
  buf[0] = 'z';
  EXPECT_EQ(GetPrivateProfileString(nullptr, nullptr, "", buf, 1, mFile.c_str()), 0u);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(buf[1], 'z');
  buf[0] = 'z';
  EXPECT_EQ(GetPrivateProfileString(nullptr, nullptr, "", buf, 0, mFile.c_str()), 0u);
  EXPECT_EQ(buf[0], 'z');
  EXPECT_EQ(GetPrivateProfileSection("b", buf, 1, mFile.c_str()), 0u);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(GetPrivateProfileString("b", "key", "", buf, 4, mFile.c_str()), 3u);
  EXPECT_STREQ(buf, "val");
}

TEST_F(IniFileTest, SectionForms) {
  const char entries[] = "b=2\0a= 1 \0noequals\0a=3\0";
  ASSERT_EQ(WritePrivateProfileSection("s", entries, mFile.c_str()), 1);
  EXPECT_EQ(ReadRaw(), "[s]\na=3\nb=2\n\n");
  char buf[64];
  EXPECT_EQ(GetPrivateProfileSection("s", buf, sizeof buf, mFile.c_str()), 8u);
  EXPECT_EQ(std::string(buf, 9), std::string("a=3\0b=2\0\0", 9));
  // Cut: the list ends with two NUL bytes like every list, result size - 2.
  EXPECT_EQ(GetPrivateProfileSection("s", buf, 6, mFile.c_str()), 4u);
  EXPECT_EQ(std::string(buf, 6), std::string("a=3\0\0\0", 6));
  // An empty list for a missing section changes nothing.
  EXPECT_EQ(WritePrivateProfileSection("new", "\0", mFile.c_str()), 1);
  EXPECT_EQ(Get("new", "x"), "<none>");
  EXPECT_EQ(WritePrivateProfileSection(nullptr, entries, mFile.c_str()), 0);
}

TEST_F(IniFileTest, StructRoundTripAndChecks) {
  const uint8_t data[4] = {0x01, 0xAB, 0xFF, 0x10};
  ASSERT_EQ(WritePrivateProfileStruct("bin", "rec", data, 4, mFile.c_str()), 1);
  EXPECT_EQ(Get("bin", "rec"), "01ABFF10BB");
  uint8_t back[4] = {};
  EXPECT_EQ(GetPrivateProfileStruct("bin", "rec", back, 4, mFile.c_str()), 1);
  EXPECT_EQ(memcmp(back, data, 4), 0);
  EXPECT_EQ(GetPrivateProfileStruct("bin", "rec", back, 3, mFile.c_str()), 0);  // wrong length
  ASSERT_EQ(WritePrivateProfileString("bin", "bad", "01abff10bc", mFile.c_str()), 1);
  uint8_t kept[4] = {9, 8, 7, 6};
  EXPECT_EQ(GetPrivateProfileStruct("bin", "bad", kept, 4, mFile.c_str()), 0);  // checksum
  EXPECT_EQ(kept[0], 9);  // a refused record leaves the caller's bytes as they were
  EXPECT_EQ(kept[3], 6);
  ASSERT_EQ(WritePrivateProfileString("bin", "low", "01abff10bb", mFile.c_str()), 1);
  EXPECT_EQ(GetPrivateProfileStruct("bin", "low", back, 4, mFile.c_str()), 1);
  ASSERT_EQ(WritePrivateProfileString("bin", "nothex", "01ABXX10BB", mFile.c_str()), 1);
  EXPECT_EQ(GetPrivateProfileStruct("bin", "nothex", back, 4, mFile.c_str()), 0);
  // A count no stored value can match is refused before any buffer is sized by it.
  EXPECT_EQ(GetPrivateProfileStruct("bin", "low", back, 0xFFFFFFFFu, mFile.c_str()), 0);
  EXPECT_EQ(GetPrivateProfileStruct("bin", "low", back, 0x80000000u, mFile.c_str()), 0);
  ASSERT_EQ(WritePrivateProfileStruct("bin", "none", data, 0, mFile.c_str()), 1);
  EXPECT_EQ(Get("bin", "none"), "00");
  ASSERT_EQ(WritePrivateProfileStruct("bin", "rec", nullptr, 4, mFile.c_str()), 1);
  EXPECT_EQ(Get("bin", "rec"), "<none>");
}

TEST_F(IniFileTest, CacheSeesChangesOnDisk) {
  ASSERT_EQ(WritePrivateProfileString("s", "k", "1", mFile.c_str()), 1);
  EXPECT_EQ(Get("s", "k"), "1");
  WriteRaw("[s]\nk=22\n");
  EXPECT_EQ(Get("s", "k"), "22");
  // A deleted file reads as empty; a write then creates it with only the new section.
  fs::remove(mFile);
  EXPECT_EQ(Get("s", "k"), "<none>");
  ASSERT_EQ(WritePrivateProfileString("t", "x", "y", mFile.c_str()), 1);
  EXPECT_EQ(ReadRaw(), "[t]\nx=y\n\n");
}

TEST_F(IniFileTest, NamesDifferingInCaseAreTwoFiles) {
  const std::string upper = mDir + "/Settings.ini";
  const std::string lower = mDir + "/settings.ini";
  WriteRaw("[a]\nk1=1\nk2=2\n", upper);
  char buf[16];
  GetPrivateProfileString("a", "k1", "", buf, sizeof buf, upper.c_str());
  ASSERT_STREQ(buf, "1");
  ASSERT_EQ(WritePrivateProfileString("b", "x", "y", lower.c_str()), 1);
  EXPECT_EQ(ReadRaw(upper), "[a]\nk1=1\nk2=2\n");
  EXPECT_EQ(ReadRaw(lower), "[b]\nx=y\n\n");
  GetPrivateProfileString("a", "k2", "", buf, sizeof buf, upper.c_str());
  EXPECT_STREQ(buf, "2");
}

TEST_F(IniFileTest, CacheSeesSameSizeChangesWithinOneSecond) {
  ASSERT_EQ(WritePrivateProfileString("s", "k", "1", mFile.c_str()), 1);
  EXPECT_EQ(Get("s", "k"), "1");
  // Another writer replaces the file at once with one of the same size and no time bump.
  const std::string other = mFile + ".other";
  std::ofstream(other, std::ios::binary) << "[s]\nk=2\n\n";
  ASSERT_EQ(fs::file_size(other), fs::file_size(mFile));
  ASSERT_EQ(rename(other.c_str(), mFile.c_str()), 0);
  EXPECT_EQ(Get("s", "k"), "2");
}

TEST_F(IniFileTest, ThirtyThirdFileEvictsTheLeastRecentlyUsed) {
  std::vector<std::string> files;
  for (int i = 0; i < 33; ++i) {
    files.push_back(mDir + "/f" + std::to_string(i) + ".ini");
    WriteRaw("[s]\nk=" + std::to_string(i) + "\n", files.back());
  }
  char buf[16];
  for (int i = 0; i < 32; ++i)
    GetPrivateProfileString("s", "k", "", buf, sizeof buf, files[i].c_str());
  // Change file 0 on disk keeping time and size: the cache cannot see it...
  struct stat st;
  stat(files[0].c_str(), &st);
  std::ofstream(files[0], std::ios::binary) << "[s]\nk=9\n";
  struct timespec ts[2] = {st.st_mtim, st.st_mtim};
  utimensat(AT_FDCWD, files[0].c_str(), ts, 0);
  GetPrivateProfileString("s", "k", "", buf, sizeof buf, files[0].c_str());
  EXPECT_STREQ(buf, "0");
  // ...until a 33rd file takes the least recently used slot (file 1 now) and so on.
  for (int i = 1; i < 33; ++i)
    GetPrivateProfileString("s", "k", "", buf, sizeof buf, files[i].c_str());
  GetPrivateProfileString("s", "k", "", buf, sizeof buf, files[0].c_str());
  EXPECT_STREQ(buf, "9");
}

TEST_F(IniFileTest, FailedRenameKeepsOriginalAndForgetsTheChange) {
  // A folder standing where the file should be: the temporary file is written, the rename
  // fails; the call must report it and leave no temporary file.
  std::string blocked = mDir + "/blocked.ini";
  fs::create_directory(blocked);
  EXPECT_EQ(WritePrivateProfileString("s", "k", "v", blocked.c_str()), 0);
  EXPECT_EQ(DirEntries(), std::vector<std::string>{"blocked.ini"});
  char buf[16];
  GetPrivateProfileString("s", "k", "def", buf, sizeof buf, blocked.c_str());
  EXPECT_STREQ(buf, "def");  // not kept as if written
  // Nobody waits for a background rewrite: its failure goes to the handler and the error output.
  std::string told;
  int why = 0;
  WEMU_SetIniWriteFailureHandler([&](const std::string& file, int error) {
    told = file;
    why = error;
  });
  testing::internal::CaptureStderr();
  EXPECT_EQ(WEMU_WriteIniInBackground("s", "k", "v", blocked.c_str()), 1);
  WEMU_WaitForIniWrites();
  vq::platform::errorOutput().Flush(std::chrono::seconds(10));
  const std::string said = testing::internal::GetCapturedStderr();
  WEMU_SetIniWriteFailureHandler(nullptr);
  EXPECT_NE(said.find("the settings could not be written"), std::string::npos);
  EXPECT_EQ(told, blocked);
  EXPECT_EQ(why, EISDIR);
  EXPECT_EQ(DirEntries(), std::vector<std::string>{"blocked.ini"});
}

TEST_F(IniFileTest, ReadOnlyFolderKeepsOriginal) {
  ASSERT_EQ(WritePrivateProfileString("s", "k", "old", mFile.c_str()), 1);
  std::string before = ReadRaw();
  chmod(mDir.c_str(), 0555);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // Root ignores folder permissions: write as an ordinary user.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    int r = WritePrivateProfileString("s", "k", "new", mFile.c_str());
    char buf[8];
    GetPrivateProfileString("s", "k", "", buf, sizeof buf, mFile.c_str());
    _exit(r == 0 && strcmp(buf, "old") == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  chmod(mDir.c_str(), 0700);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadRaw(), before);
  EXPECT_EQ(DirEntries().size(), 1u);
}

TEST_F(IniFileTest, FileSizeLimitKeepsOriginal) {
  ASSERT_EQ(WritePrivateProfileString("s", "k", "old", mFile.c_str()), 1);
  std::string before = ReadRaw();
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit rl = {4096, 4096};
    setrlimit(RLIMIT_FSIZE, &rl);
    std::string big(100000, 'x');
    int r = WritePrivateProfileString("s", "k", big.c_str(), mFile.c_str());
    char buf[8];
    GetPrivateProfileString("s", "k", "", buf, sizeof buf, mFile.c_str());
    _exit(r == 0 && strcmp(buf, "old") == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadRaw(), before);
  EXPECT_EQ(DirEntries().size(), 1u);
}

TEST_F(IniFileTest, ConcurrentWritersNeverTearTheFile) {
  ASSERT_EQ(WritePrivateProfileString("s", "seed", "0", mFile.c_str()), 1);
  const std::string value(2000, 'v');  // several KiB per file, so a torn file would show
  std::vector<pid_t> pids;
  for (int w = 0; w < 2; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0; i < 60; ++i) {
        std::string key = "w" + std::to_string(w) + "k" + std::to_string(i % 5);
        if (WritePrivateProfileString("s", key.c_str(), (value + std::to_string(i)).c_str(),
                                      mFile.c_str()) != 1)
          _exit(2);
      }
      _exit(0);
    }
    pids.push_back(pid);
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  // Every line is whole and the file ends with the section's blank line.
  std::string text = ReadRaw();
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text.substr(0, 4), "[s]\n");
  EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
  std::istringstream lines(text.substr(4, text.size() - 6));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("seed=", 0) == 0) continue;
    ASSERT_GT(line.size(), 5u + value.size()) << line.substr(0, 20);
    EXPECT_EQ(line.substr(5, value.size()), value);
  }
  EXPECT_EQ(DirEntries().size(), 1u);
}

}  // namespace

TEST_F(IniFileTest, HeldWritesReachTheFileOnceWithTheSameBytes) {
  const std::string plain = mDir + "/plain.ini", evicted = mDir + "/evicted.ini";
  auto writeAll = [](const std::string& file) {
    WritePrivateProfileString("midi", "outdev", "no output", file.c_str());
    WritePrivateProfileString("midi", "indev", "no input", file.c_str());
    WritePrivateProfileString("gui", "background", "space", file.c_str());
  };
  writeAll(plain);
  WEMU_HoldIniWrites();
  WEMU_HoldIniWrites();  // holds nest
  writeAll(mFile);
  writeAll(evicted);
  EXPECT_EQ(Get("gui", "background"), "space");  // read back from memory
  // A file pushed out of the cache while held is written as it goes.
  char buf[8];
  for (int i = 0; i < 33; ++i) {
    GetPrivateProfileString("s", "k", "", buf, sizeof buf,
                            (mDir + "/other" + std::to_string(i) + ".ini").c_str());
    Get("gui", "background");  // this one stays
  }
  EXPECT_EQ(ReadRaw(evicted), ReadRaw(plain));
  EXPECT_TRUE(WEMU_ReleaseIniWrites());
  EXPECT_FALSE(fs::exists(mFile));
  EXPECT_TRUE(WEMU_ReleaseIniWrites());
  EXPECT_EQ(ReadRaw(), ReadRaw(plain));
}

TEST_F(IniFileTest, BackgroundRewriteWaitingForTheDiskHoldsUpNoOtherThread) {
  ASSERT_EQ(WritePrivateProfileString("gui", "skin", "dark", mFile.c_str()), 1);
  SlowDisk& disk = SlowDisk::Get();
  disk.Hold(true);
  const SlowDisk::LetGoAtTheEnd letGo;
  ASSERT_EQ(WEMU_WriteIniInBackground("gui", "skin", "light", mFile.c_str()), 1);
  ASSERT_TRUE(disk.WaitUntilAWriteIsStuck());
  // As the GUI thread does while the rewrite waits: read (other files too, enough to push the
  // file out of the cache were it not being written), and change another key.
  auto gui = std::async(std::launch::async, [this] {
    char buf[8];
    for (int i = 0; i < 33; ++i)
      GetPrivateProfileString("s", "k", "", buf, sizeof buf,
                              (mDir + "/other" + std::to_string(i) + ".ini").c_str());
    const std::string skin = Get("gui", "skin");
    WEMU_WriteIniInBackground("gui", "scale", "2", mFile.c_str());
    return skin + " " + Get("gui", "scale");
  });
  const bool answered = gui.wait_for(10s) == std::future_status::ready;
  disk.Hold(false);
  ASSERT_TRUE(answered);
  EXPECT_EQ(gui.get(), "light 2");
  // The later change reaches the file too, after the first rewrite.
  const std::string whole = "[gui]\nscale=2\nskin=light\n\n";
  for (auto end = std::chrono::steady_clock::now() + 60s;
       ReadRaw() != whole && std::chrono::steady_clock::now() < end;)
    std::this_thread::sleep_for(10ms);
  EXPECT_EQ(ReadRaw(), whole);
  EXPECT_EQ(Get("gui", "scale"), "2");
}

// The session end's rewrite passes a background one stuck on the disk; the file keeps the newest
// text whichever renames last, and a wait for the settings writer ends only once its rewrite did.
// The stuck one failing then lost nothing: no failure is told. One stuck in its rename makes the
// other's rename wait for it.
TEST_F(IniFileTest, ARewriteTheCallerWaitsForPassesABackgroundOneStuckOnTheDisk) {
  using Call = SlowDisk::Call;
  std::atomic<int> told{0};
  WEMU_SetIniWriteFailureHandler([&told](const std::string&, int) { ++told; });
  struct Untell {
    ~Untell() { WEMU_SetIniWriteFailureHandler(nullptr); }
  } untell;
  const struct {
    const char* name;
    Call stuck;
    int error;
  } rows[] = {{"writing", Call::kFsync, 0},
              {"writing, then failing", Call::kFsync, EIO},
              {"renaming", Call::kRename, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(mFile);
    mFile = mDir + "/" + std::to_string(&row - rows) + ".ini";
    told = 0;
    const std::string old = "[gui]\nskin=dark\n\n";
    ASSERT_EQ(WritePrivateProfileString("gui", "skin", "dark", mFile.c_str()), 1);
    SlowDisk& disk = SlowDisk::Get();
    disk.HoldTheNext(row.stuck, row.error);
    const SlowDisk::LetGoAtTheEnd letGo;
    ASSERT_EQ(WEMU_WriteIniInBackground("gui", "skin", "light", mFile.c_str()), 1);
    ASSERT_TRUE(disk.WaitUntilAWriteIsStuck());
    auto exitWaits = std::async(std::launch::async, [this] {
      WEMU_WaitForIniWrites();
      return DirEntries().size();  // the background rewrite's temporary file is gone by then
    });
    std::atomic<pid_t> endingThread{0};
    auto ending = std::async(std::launch::async, [this, &endingThread] {
      endingThread = gettid();
      return WritePrivateProfileString("program", "edited", "true", mFile.c_str());
    });
    const std::string whole = "[gui]\nskin=light\n\n[program]\nedited=true\n\n";
    if (row.stuck == Call::kFsync) {
      const bool passed = ending.wait_for(10s) == std::future_status::ready;
      EXPECT_EQ(ReadRaw(), whole);
      disk.Hold(false);
      ASSERT_TRUE(passed);
    } else {
      for (auto end = std::chrono::steady_clock::now() + 60s;
           !(endingThread && WaitsForALock(endingThread)) &&
           ending.wait_for(1ms) != std::future_status::ready &&
           std::chrono::steady_clock::now() < end;) {
      }
      EXPECT_NE(ending.wait_for(0s), std::future_status::ready);
      EXPECT_EQ(ReadRaw(), old);
      disk.Hold(false);
    }
    EXPECT_EQ(ending.get(), 1);
    EXPECT_EQ(exitWaits.get(), 1u);
    EXPECT_EQ(ReadRaw(), whole);
    EXPECT_EQ(Get("program", "edited"), "true");
    EXPECT_EQ(told, 0);
  }
}
