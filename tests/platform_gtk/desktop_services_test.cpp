// The desktop's small services on a real display: screens, pointer warp, clipboard,
// cursors and the opener's failure answer.
#include "desktop_fixture.h"

namespace {

using namespace vq::test;

TEST_F(DesktopTest, ScreensPointerClipboardCursorsAndOpenerAnswerFromTheDisplay) {
  std::vector<Screen> screens = b->screens().screens();
  ASSERT_FALSE(screens.empty());
  EXPECT_EQ(screens[0].frame.x, 0);
  EXPECT_EQ(screens[0].frame.y, 0);
  EXPECT_GT(screens[0].frame.width, 0);

  // Warping takes display coordinates (y down); the location answers in screen ones (y up).
  ASSERT_TRUE(b->warpMouse({123, 45}));
  Point p;
  pumpUntil([&] { return (p = b->mouseLocation()).x == 123; });
  EXPECT_EQ(p.x, 123);
  EXPECT_EQ(p.y, b->mainDisplayHeight() - 45);
  EXPECT_EQ(b->pressedMouseButtons(), 0u);

  long before = b->changeCount();
  const struct {
    std::string set, got;
  } texts[] = {{"Grüße 1.5", "Grüße 1.5"},
               {"Lead\xff\xfe x\xc3", "Lead\uFFFD\uFFFD x\uFFFD"},
               {"\xed\xa0\x80", "\uFFFD\uFFFD\uFFFD"}};  // a surrogate is no UTF-8
  for (const auto& t : texts) {
    b->setString(t.set);
    EXPECT_EQ(b->string(), t.got);
  }
  EXPECT_GT(b->changeCount(), before);
  b->clear();
  EXPECT_EQ(b->string(), std::nullopt);

  openWindow(60, 40);
  auto custom = std::make_shared<Cursor>();
  custom->isSystem = false;
  custom->image = {2, 2, 4, std::vector<uint8_t>(16, 255)};
  for (CursorRef c :
       {b->systemCursor(SystemCursor::ResizeUpDown), CursorRef(custom), CursorRef()}) {
    b->setCurrent(c);
    EXPECT_EQ(b->current(), c);
  }
  b->setHidden(true);
  EXPECT_TRUE(b->isHidden());
  b->setHidden(false);

  EXPECT_FALSE(b->open(""));
  EXPECT_FALSE(b->open("/nonexistent/vq-test-file.unknown-type")) << "a failure is reported";
}

}  // namespace

namespace {

using namespace vq::test;

struct Lifecycle : ApplicationDelegate {
  std::vector<std::string> log;
  void applicationWillFinishLaunching() override { log.push_back("will launch"); }
  void applicationDidFinishLaunching() override {
    log.push_back("launched");
    services().runLoop().postToMain([] { services().application().terminate(); });
  }
  TerminateReply applicationShouldTerminate() override {
    log.push_back("may terminate");
    return TerminateReply::Now;
  }
  void applicationWillTerminate() override { log.push_back("will terminate"); }
};

TEST_F(DesktopTest, RunLaunchesAndReturnsOnceTerminated) {
  Lifecycle d;
  b->app.setDelegate(&d);
  EXPECT_EQ(b->app.run(), 0);
  EXPECT_TRUE(b->app.isTerminated());
  EXPECT_EQ(d.log, (std::vector<std::string>{"will launch", "launched", "may terminate",
                                             "will terminate"}));
  b->app.setDelegate(nullptr);
}

}  // namespace
