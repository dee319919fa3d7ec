#include "editor/choose_directory.h"

#include <gtest/gtest.h>

#include <memory>

#include "editor/program_browser.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/settings_folder.h"

namespace {

TEST(ChooseDirectory, FolderPanelAnswersWithATrailingSlash) {
  auto backend = std::make_unique<vq::platform::HeadlessBackend>();
  vq::platform::HeadlessBackend* headless = backend.get();
  vq::platform::installBackend(std::move(backend));
  headless->panelAnswers.push_back({std::vector<std::string>{"/tmp"}, 0});
  headless->panelAnswers.push_back({std::vector<std::string>{"/usr/"}, 0});
  headless->panelAnswers.push_back({std::nullopt, 0});
  ProgramBrowser browser;
  EXPECT_EQ(ChooseDirectory(browser), "/tmp/");
  EXPECT_EQ(ChooseDirectory(browser), "/usr/");
  EXPECT_EQ(ChooseDirectory(browser), "");  // cancelled: the folder last chosen stays
  EXPECT_EQ(browser.SaveFolder(), "/usr/");
  ASSERT_EQ(headless->panels.size(), 3u);
  EXPECT_EQ(headless->panels[0].kind, vq::platform::PanelRequest::Kind::Folder);
  EXPECT_EQ(headless->panels[0].title, "Select Directory");
  EXPECT_TRUE(headless->panels[0].canCreateDirectories);
  // Each panel opens in the folder chosen last, the first at home.
  EXPECT_EQ(headless->panels[0].directory, UserHomeFolder());
  EXPECT_EQ(headless->panels[1].directory, "/tmp/");
  EXPECT_EQ(headless->panels[2].directory, "/usr/");
}

}  // namespace
