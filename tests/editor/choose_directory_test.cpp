#include "editor/choose_directory.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/headless.h"
#include "platform/platform.h"

namespace {

TEST(ChooseDirectory, FolderPanelAnswersWithATrailingSlash) {
  auto backend = std::make_unique<vq::platform::HeadlessBackend>();
  vq::platform::HeadlessBackend* headless = backend.get();
  vq::platform::installBackend(std::move(backend));
  headless->panelAnswers.push_back({std::vector<std::string>{"/music/programs"}, 0});
  headless->panelAnswers.push_back({std::vector<std::string>{"/music/other/"}, 0});
  headless->panelAnswers.push_back({std::nullopt, 0});
  EXPECT_EQ(ChooseDirectory(), "/music/programs/");
  EXPECT_EQ(ChooseDirectory(), "/music/other/");
  EXPECT_EQ(ChooseDirectory(), "");  // cancelled
  ASSERT_EQ(headless->panels.size(), 3u);
  EXPECT_EQ(headless->panels[0].kind, vq::platform::PanelRequest::Kind::Folder);
  EXPECT_EQ(headless->panels[0].title, "Select Directory");
  EXPECT_TRUE(headless->panels[0].canCreateDirectories);
}

}  // namespace
