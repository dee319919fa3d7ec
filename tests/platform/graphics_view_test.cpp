// The graphics view service through its headless twin: the text-field rules shared by every
// backend, click counting, presented pixels, tooltips and the modal-loop notice.
#include <gtest/gtest.h>

#include "platform/headless.h"
#include "platform/menu.h"

namespace {

using namespace vq::platform;

struct RecordingClient : GraphicsViewClient {
  std::vector<PointerEvent> pointer;
  std::vector<Event> keys;
  int modalNotices = 0;
  int detached = 0;
  bool handleKeys = true;
  void pointerEvent(const PointerEvent& e) override { pointer.push_back(e); }
  bool keyEvent(const Event& e) override {
    keys.push_back(e);
    return handleKeys;
  }
  std::string tooltipText(int x, int y) override { return x < 50 ? "left half" : ""; }
  void modalLoopWillRun() override { ++modalNotices; }
  void viewDetached() override { ++detached; }
};

class GraphicsViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    b = &installHeadless();
    owned = b->graphicsViews().createGraphicsView(nullptr, 100, 80, client);
    view = b->lastGraphicsView();
  }
  void TearDown() override {
    owned.reset();
    installHeadless();
  }
  HeadlessBackend* b = nullptr;
  RecordingClient client;
  std::unique_ptr<GraphicsView> owned;
  HeadlessGraphicsView* view = nullptr;
};

TEST(TextFieldRule, FilterAndMaximumApplyToEveryEdit) {
  TextFieldRequest number;
  number.allowed = U"0123456789.-+";
  number.maxLength = 5;
  struct Case {
    std::string current, typed, accepted;
  } cases[] = {
      {"", "1e5", "15"},       // e is not in the set
      {"12", "3.456", "3.4"},  // stops at the maximum length
      {"", "-0.5", "-0.5"},
      {"", "\xff\xfe", ""},  // not UTF-8
  };
  for (const Case& c : cases) {
    EXPECT_EQ(filterTypedText(number, c.current, c.typed), c.accepted) << c.typed;
  }
  EXPECT_TRUE(textFieldAccepts(number, "-1.25"));
  EXPECT_FALSE(textFieldAccepts(number, "1.2345"));
  TextFieldRequest any;
  EXPECT_TRUE(textFieldAccepts(any, "Grüße"));
  EXPECT_EQ(filterTypedText(any, "", "Grüße"), "Grüße");
}

TEST_F(GraphicsViewTest, OneTextFieldAtATimeAndClosingAppliesNothing) {
  std::vector<std::string> log;
  auto field = [&](std::string name, std::string text) {
    TextFieldRequest r;
    r.text = std::move(text);
    r.onCommit = [&log, name](const std::string& t) { log.push_back(name + "=" + t); };
    r.onCancel = [&log, name] { log.push_back(name + " cancelled"); };
    return r;
  };
  view->openTextField(field("a", "1"));
  view->typeText("2");
  view->openTextField(field("b", "x"));  // commits a first
  EXPECT_EQ(log, (std::vector<std::string>{"a=12"}));
  view->pressEscape();
  view->openTextField(field("c", "y"));
  view->pressReturn();
  view->openTextField(field("d", "z"));
  view->closeWindow();
  EXPECT_EQ(log, (std::vector<std::string>{"a=12", "b cancelled", "c=y", "d cancelled"}));
  EXPECT_FALSE(view->hasTextField());
  EXPECT_EQ(client.detached, 1);
  view->openTextField(field("e", ""));
  EXPECT_FALSE(view->hasTextField()) << "a closed view opens no field";
}

TEST_F(GraphicsViewTest, KeysGoToTheOpenFieldAndOtherwiseToTheClient) {
  EXPECT_TRUE(view->key(kKeyA, U"a"));
  client.handleKeys = false;
  EXPECT_FALSE(view->key(kKeyS, U"s"));
  ASSERT_EQ(client.keys.size(), 4u);  // down and up of each
  EXPECT_EQ(client.keys[2].type, EventType::KeyDown);
  std::string committed;
  TextFieldRequest r;
  r.onCommit = [&](const std::string& t) { committed = t; };
  view->openTextField(r);
  view->key(kKey1, U"1");
  view->key(kKeyReturn, U"\r");
  EXPECT_EQ(committed, "1");
  EXPECT_EQ(client.keys.size(), 4u) << "the field took the keys";
}

TEST_F(GraphicsViewTest, ClickCountsFollowTimeDistanceAndButton) {
  view->doubleClick(10, 10);
  b->loop.advance(0.5);
  view->click(10, 10);
  view->click(30, 10);  // too far for a double click
  view->click(30, 10, PointerButton::Right);
  std::vector<int> downCounts;
  for (const PointerEvent& e : client.pointer) {
    if (e.action == PointerAction::Down) downCounts.push_back(e.clickCount);
  }
  EXPECT_EQ(downCounts, (std::vector<int>{1, 2, 1, 1, 1}));
  EXPECT_EQ(client.pointer[0].buttons, kLeftButton);
  EXPECT_EQ(client.pointer[1].action, PointerAction::Up);
}

TEST_F(GraphicsViewTest, PresentCopiesOnlyTheClippedDamage) {
  std::vector<uint32_t> buffer(120 * 90);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint32_t>(i) | 0xFF;
  PixelBufferRef ref{buffer.data(), 120, 90, 120};
  view->present(ref, {90, 70, 200, 200});
  ASSERT_EQ(view->presented.size(), 1u);
  EXPECT_EQ(view->presented[0], (PixelRect{90, 70, 100, 80}));
  EXPECT_EQ(view->shownPixel(95, 75), buffer[75 * 120 + 95]);
  EXPECT_EQ(view->shownPixel(10, 10), 0u);
  view->present(ref, {100, 0, 120, 10});  // outside the view
  EXPECT_EQ(view->presented.size(), 1u);
}

TEST_F(GraphicsViewTest, TooltipsOnlyInsideAreasWithText) {
  view->setTooltipAreas({{0, 0, 80, 20}});
  EXPECT_EQ(view->queryTooltip(10, 10), "left half");
  EXPECT_EQ(view->queryTooltip(60, 10), std::nullopt);  // the client has no text there
  EXPECT_EQ(view->queryTooltip(10, 30), std::nullopt);  // outside every area
}

TEST_F(GraphicsViewTest, ModalLoopsTellOpenViews) {
  b->runAlert({"t", "m", {"OK"}, AlertStyle::Informational});
  b->runPanel({});
  Menu* m = Menu::create();
  b->popUpContextMenu(*m, {0, 0}, nullptr);
  m->release();
  EXPECT_EQ(client.modalNotices, 3);
  view->close();
  b->runAlert({"t", "m", {"OK"}, AlertStyle::Informational});
  EXPECT_EQ(client.modalNotices, 3);
}

}  // namespace
