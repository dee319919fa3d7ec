#include "editor/delete_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

namespace stdfs = std::filesystem;

class DeletePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_delete_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override { stdfs::remove_all(dir); }
  std::string dir;
};

TEST_F(DeletePathTest, RemovesFilesAndFoldersWithTheirContent) {
  std::ofstream(dir + "/a.pr4") << "x";
  stdfs::create_directories(dir + "/sub/deeper");
  std::ofstream(dir + "/sub/deeper/b.pr4") << "y";
  EXPECT_TRUE(DeletePath(dir + "/a.pr4"));
  EXPECT_TRUE(DeletePath(dir + "/sub/"));
  EXPECT_FALSE(stdfs::exists(dir + "/a.pr4"));
  EXPECT_FALSE(stdfs::exists(dir + "/sub"));
  EXPECT_TRUE(DeletePath(dir + "/missing"));  // nothing there: nothing to do
}

TEST_F(DeletePathTest, RefusesPathsThatCouldReachTooFar) {
  std::ofstream(dir + "/keep") << "x";
  for (const std::string& path : {std::string(""), std::string("/"), std::string("//"),
                                  std::string("keep"), dir + "/sub/..", dir + "/./keep"})
    EXPECT_FALSE(DeletePath(path)) << path;
  EXPECT_TRUE(stdfs::exists(dir + "/keep"));
}

TEST_F(DeletePathTest, ReportsAFolderThatCannotBeEmptied) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  stdfs::create_directories(dir + "/locked/inner");
  std::ofstream(dir + "/locked/inner/f") << "x";
  stdfs::permissions(dir + "/locked/inner", stdfs::perms::owner_read | stdfs::perms::owner_exec);
  EXPECT_FALSE(DeletePath(dir + "/locked"));
  stdfs::permissions(dir + "/locked/inner", stdfs::perms::owner_all);
}

}  // namespace
