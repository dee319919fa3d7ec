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
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vq_settings_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
  }
  void TearDown() override { fs::remove_all(root_); }
  std::string root_;
};

TEST_F(SettingsFolderTest, UsesXdgConfigHome) {
  ScopedEnv xdg("XDG_CONFIG_HOME", (root_ + "/cfg/").c_str());
  EXPECT_EQ(UserConfigFolder(), root_ + "/cfg");
  EXPECT_EQ(SettingsFolder(), root_ + "/cfg/VQEditor4/");
  EXPECT_EQ(SettingsFilePath("settings.ini"), root_ + "/cfg/VQEditor4/settings.ini");
}

TEST_F(SettingsFolderTest, FallsBackToHomeConfigWhenUnsetOrRelative) {
  ScopedEnv home("HOME", root_.c_str());
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(SettingsFolder(), root_ + "/.config/VQEditor4/");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative/path");
    EXPECT_EQ(SettingsFolder(), root_ + "/.config/VQEditor4/");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "");
    EXPECT_EQ(SettingsFolder(), root_ + "/.config/VQEditor4/");
  }
}

TEST_F(SettingsFolderTest, CreatesMissingFoldersOnce) {
  ScopedEnv home("HOME", root_.c_str());
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  EXPECT_TRUE(CreateSettingsFolder());
  EXPECT_TRUE(fs::is_directory(root_ + "/.config/VQEditor4"));
  EXPECT_TRUE(CreateSettingsFolder());  // already there
}

TEST_F(SettingsFolderTest, FailsWhenAFileBlocksTheFolder) {
  ScopedEnv xdg("XDG_CONFIG_HOME", root_.c_str());
  {
    std::FILE* f = std::fopen((root_ + "/VQEditor4").c_str(), "w");
    std::fclose(f);
  }
  EXPECT_FALSE(CreateSettingsFolder());
}

}  // namespace
