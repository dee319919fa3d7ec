#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = vq::platform;

namespace {

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_fs_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void Touch(const std::string& rel, const std::string& text = "x") {
    std::ofstream(dir + rel) << text;
  }

  std::string dir;
};

TEST(CompareNumeric, OrdersDigitRunsByValue) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"Prog9.pr4", "Prog10.pr4", -1},
      {"2", "10", -1},
      {"a2b3", "a2b10", -1},
      {"007", "7", -1},  // equal value: a fixed bytewise order
      {"abc", "abd", -1},
      {"abc", "abc", 0},
      {"ab", "abc", -1},
      {"B", "a", -1},                                           // case matters, as bytes
      {"x99999999999999999999", "x100000000000000000000", -1},  // longer than any integer
      {"\xc3\xa9", "z", 1},                                     // non-ASCII bytes are unsigned
  };
  for (const Case& c : cases) {
    int r = fs::CompareNumeric(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    int back = fs::CompareNumeric(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " vs " << c.a;
  }
  std::vector<std::string> names = {"10.pr4", "Prog10", "1.pr4", "Prog9", "2.pr4"};
  fs::SortNumeric(names);
  EXPECT_EQ(names, (std::vector<std::string>{"1.pr4", "2.pr4", "10.pr4", "Prog9", "Prog10"}));
}

TEST(PathText, ExtensionSwapTouchesOnlyTheFileName) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"/a/b/x.prg", "/a/b/x.pr4"},
      {"/a/v1.2/x", "/a/v1.2/x"},  // a dot in a folder name is no extension
      {"/a/v1.2/x.pr3", "/a/v1.2/x.pr4"},
      {"x.y.prg", "x.y.pr4"},
      {"noext", "noext"},
      {"/a/.hidden", "/a/.pr4"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(fs::ReplaceNameExtension(c.in, ".pr4"), c.out) << c.in;
  EXPECT_EQ(fs::FolderOfPath("/a/b/c.pr4"), "/a/b/");
  EXPECT_EQ(fs::FolderOfPath("c.pr4"), "");
  EXPECT_EQ(fs::NameOfPath("/a/b/c.pr4"), "c.pr4");
  EXPECT_EQ(fs::NameOfPath("c.pr4"), "c.pr4");
  EXPECT_TRUE(fs::IsPlainAbsolutePath("/a/b/"));
  EXPECT_FALSE(fs::IsPlainAbsolutePath(""));
  EXPECT_FALSE(fs::IsPlainAbsolutePath("a/b"));
  EXPECT_FALSE(fs::IsPlainAbsolutePath("/a/../b"));
  EXPECT_FALSE(fs::IsPlainAbsolutePath("/a/./b"));
  EXPECT_FALSE(fs::IsPlainAbsolutePath("/a/.."));
  EXPECT_TRUE(fs::IsPlainAbsolutePath("/a/..b/"));
}

TEST_F(FileSystemTest, ListsNamesAndTellsFoldersFromFiles) {
  Touch("a.pr4");
  ASSERT_TRUE(fs::MakeFolder(dir + "sub"));
  EXPECT_TRUE(fs::MakeFolder(dir + "sub"));  // an existing folder is no error
  Touch("f");
  EXPECT_FALSE(fs::MakeFolder(dir + "f"));  // a file is in the way

  bool ok = false;
  std::vector<std::string> names = fs::ListFolder(dir, &ok);
  EXPECT_TRUE(ok);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.pr4", "f", "sub"}));

  bool isFolder = true;
  EXPECT_TRUE(fs::FileExists(dir + "a.pr4", &isFolder));
  EXPECT_FALSE(isFolder);
  EXPECT_TRUE(fs::FileExists(dir + "sub", &isFolder));
  EXPECT_TRUE(isFolder);
  EXPECT_FALSE(fs::FileExists(dir + "missing", &isFolder));
  EXPECT_FALSE(isFolder);
  EXPECT_FALSE(fs::FileExists(""));

  EXPECT_TRUE(fs::ListFolder(dir + "missing", &ok).empty());
  EXPECT_FALSE(ok);
}

TEST_F(FileSystemTest, RemovesTreesButNeverWhatLinksPointTo) {
  ASSERT_TRUE(fs::MakeFolder(dir + "keep"));
  Touch("keep/precious");
  ASSERT_TRUE(fs::MakeFolder(dir + "tree"));
  ASSERT_TRUE(fs::MakeFolder(dir + "tree/deep"));
  Touch("tree/deep/file");
  Touch("tree/top");
  ASSERT_EQ(symlink((dir + "keep").c_str(), (dir + "tree/link").c_str()), 0);

  std::string error;
  EXPECT_TRUE(fs::RemoveRecursive(dir + "tree/", &error)) << error;
  EXPECT_FALSE(fs::FileExists(dir + "tree"));
  EXPECT_TRUE(fs::FileExists(dir + "keep/precious"));
  EXPECT_TRUE(fs::RemoveRecursive(dir + "tree"));  // already gone: nothing to do
  EXPECT_TRUE(fs::RemoveRecursive(dir + "keep/precious"));
  EXPECT_FALSE(fs::FileExists(dir + "keep/precious"));
}

TEST_F(FileSystemTest, RemoveRefusesPathsThatCouldReachTooFar) {
  Touch("keep");
  for (const std::string& path : {std::string(""), std::string("/"), std::string("//"),
                                  std::string("keep"), dir + "sub/..", dir + "./keep"})
    EXPECT_FALSE(fs::RemoveRecursive(path)) << path;
  EXPECT_TRUE(fs::FileExists(dir + "keep"));
}

TEST_F(FileSystemTest, RemoveReportsAFolderThatCannotBeEmptied) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  namespace stdfs = std::filesystem;
  stdfs::create_directories(dir + "locked/inner");
  Touch("locked/inner/f");
  stdfs::permissions(dir + "locked/inner", stdfs::perms::owner_read | stdfs::perms::owner_exec);
  std::string error;
  EXPECT_FALSE(fs::RemoveRecursive(dir + "locked", &error));
  EXPECT_FALSE(error.empty());
  stdfs::permissions(dir + "locked/inner", stdfs::perms::owner_all);
}

TEST_F(FileSystemTest, RenameNoReplaceKeepsAnExistingTarget) {
  Touch("new", "new");
  Touch("old", "old");
  EXPECT_FALSE(fs::RenameNoReplace(dir + "new", dir + "old"));
  std::ifstream in(dir + "old");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "old");
  EXPECT_TRUE(fs::FileExists(dir + "new"));
  EXPECT_TRUE(fs::RenameNoReplace(dir + "new", dir + "fresh"));
  EXPECT_FALSE(fs::FileExists(dir + "new"));
  EXPECT_TRUE(fs::FileExists(dir + "fresh"));
}

TEST_F(FileSystemTest, TempFileBesideTakesTheTargetsMode) {
  Touch("prog.pr4");
  ASSERT_EQ(chmod((dir + "prog.pr4").c_str(), 0640), 0);
  std::string tmp = fs::CreateTempFileBeside(dir + "prog.pr4");
  ASSERT_FALSE(tmp.empty());
  EXPECT_EQ(fs::FolderOfPath(tmp), dir);
  EXPECT_EQ(fs::NameOfPath(tmp)[0], '.');  // hidden from program listings
  EXPECT_EQ(fs::NameOfPath(tmp).find(".pr4"), std::string::npos)
      << "lists pick programs by substring";
  struct stat st;
  ASSERT_EQ(stat(tmp.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(st.st_size, 0);
  EXPECT_TRUE(fs::CreateTempFileBeside(dir + "missing/x.pr4").empty());
}

}  // namespace
