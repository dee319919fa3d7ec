#include "platform/settings_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

// Sets or unsets an environment variable for one test and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : mName(name) {
    if (const char* old = getenv(name)) mOld = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (mOld)
      setenv(mName, mOld->c_str(), 1);
    else
      unsetenv(mName);
  }

 private:
  const char* mName;
  std::optional<std::string> mOld;
};

class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_settings_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    mRoot = tmpl;
  }
  void TearDown() override { fs::remove_all(mRoot); }
  std::string mRoot;
};

TEST_F(SettingsFolderTest, UsesXdgConfigHome) {
  ScopedEnv xdg("XDG_CONFIG_HOME", (mRoot + "/cfg/").c_str());
  EXPECT_EQ(UserConfigFolder(), mRoot + "/cfg");
  EXPECT_EQ(SettingsFolder(), mRoot + "/cfg/VQEditor4/");
  EXPECT_EQ(SettingsFilePath("settings.ini"), mRoot + "/cfg/VQEditor4/settings.ini");
}

TEST_F(SettingsFolderTest, FallsBackToHomeConfigWhenUnsetOrRelative) {
  ScopedEnv home("HOME", mRoot.c_str());
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(SettingsFolder(), mRoot + "/.config/VQEditor4/");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative/path");
    EXPECT_EQ(SettingsFolder(), mRoot + "/.config/VQEditor4/");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "");
    EXPECT_EQ(SettingsFolder(), mRoot + "/.config/VQEditor4/");
  }
}

TEST_F(SettingsFolderTest, CreatesMissingFoldersOnce) {
  ScopedEnv home("HOME", mRoot.c_str());
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  EXPECT_TRUE(CreateSettingsFolder());
  EXPECT_TRUE(fs::is_directory(mRoot + "/.config/VQEditor4"));
  EXPECT_TRUE(CreateSettingsFolder());  // already there
}

TEST_F(SettingsFolderTest, FailsWhenAFileBlocksTheFolder) {
  ScopedEnv xdg("XDG_CONFIG_HOME", mRoot.c_str());
  {
    std::FILE* f = std::fopen((mRoot + "/VQEditor4").c_str(), "w");
    std::fclose(f);
  }
  EXPECT_FALSE(CreateSettingsFolder());
}

}  // namespace
