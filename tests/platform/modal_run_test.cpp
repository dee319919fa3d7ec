// Modal runs of the headless backend: scripted actions inside the nested loop, every way a
// run ends, nesting, sessions, and the window delegate's callbacks.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "platform/headless.h"
#include "platform/view.h"

namespace {

using namespace vq::platform;

class ModalRunTest : public ::testing::Test {
 protected:
  void SetUp() override { b = &installHeadless(); }
  void TearDown() override { installHeadless(); }
  HeadlessBackend* b = nullptr;
};

TEST_F(ModalRunTest, EveryWayARunEnds) {
  struct Case {
    const char* what;
    std::function<void(Window&)> act;
    int expected;
  } cases[] = {
      {"stop", [](Window&) { services().application().stopModal(5); }, 5},
      {"abort", [](Window&) { services().application().abortModal(); }, kModalResponseAbort},
      {"window closed", [](Window& w) { w.close(); }, kModalResponseAbort},
      {"terminated", [](Window&) { services().application().terminate(); }, kModalResponseAbort},
      {"nothing", [](Window&) {}, kModalResponseAbort},
  };
  for (const Case& c : cases) {
    b = &installHeadless();
    b->app.modalTimeLimit = 2;
    Window w;
    int commonTicks = 0, defaultTicks = 0;
    b->loop.addTimer(
        0.05, true, [&] { ++commonTicks; }, true);
    b->loop.addTimer(
        0.05, true, [&] { ++defaultTicks; }, false);
    b->app.modalScript.push_back([] {});
    b->app.modalScript.push_back([&] { c.act(w); });
    EXPECT_EQ(b->app.runModalForWindow(w), c.expected) << c.what;
    EXPECT_EQ(Window::modalWindow(), nullptr);
    EXPECT_EQ(b->app.modalRunsTimedOut, std::string(c.what) == "nothing" ? 1 : 0) << c.what;
    EXPECT_EQ(defaultTicks, 0) << c.what;  // only common-mode timers fire in the run
    if (std::string(c.what) == "nothing") {
      EXPECT_GE(commonTicks, 30);
    }
  }
}

TEST_F(ModalRunTest, NestedRunsEndInnermostFirstAndSessionsPass) {
  Window outer, inner;
  int innerAnswer = 0;
  b->app.modalScript.push_back([&] {
    EXPECT_EQ(Window::modalWindow(), &outer);
    b->app.modalScript.push_front([&] { services().application().stopModal(2); });
    innerAnswer = b->app.runModalForWindow(inner);
    EXPECT_EQ(Window::modalWindow(), &outer);
    services().application().stopModal(1);
  });
  EXPECT_EQ(b->app.runModalForWindow(outer), 1);
  EXPECT_EQ(innerAnswer, 2);

  ModalSession* s = b->app.beginModalSession(outer);
  EXPECT_EQ(b->app.runModalSession(s), kModalResponseContinue);
  b->app.stopModal(3);
  EXPECT_EQ(b->app.runModalSession(s), 3);
  b->app.endModalSession(s);
  EXPECT_EQ(Window::modalWindow(), nullptr);

  int offThread = 0;
  std::thread t([&] { offThread = b->app.runModalForWindow(outer); });
  t.join();
  EXPECT_EQ(offThread, kModalResponseAbort);
}

TEST_F(ModalRunTest, ADeletedWindowEndsItsRun) {
  auto* w = new Window;
  b->app.modalScript.push_back([&] { delete w; });
  EXPECT_EQ(b->app.runModalForWindow(*w), kModalResponseAbort);
}

struct Recorder : WindowDelegate {
  std::vector<std::string> log;
  bool allowClose = false;
  bool windowShouldClose(Window&) override { return log.push_back("should close"), allowClose; }
  void windowDidBecomeKey(Window& w) override { log.push_back("key " + w.title()); }
  void windowDidResignKey(Window& w) override { log.push_back("resign " + w.title()); }
  void windowDidMove(Window&) override { log.push_back("move"); }
  void windowDidResize(Window&) override { log.push_back("resize"); }
};

TEST(WindowDelegate, CallbacksInOrder) {
  installHeadless();
  Recorder r;
  Window a, c;
  a.setTitle("a");
  c.setTitle("c");
  a.setDelegate(&r);
  c.setDelegate(&r);
  a.makeKeyAndOrderFront();
  c.makeKeyAndOrderFront();
  c.setFrame({10, 10, 100, 100});
  c.setFrame({20, 10, 100, 100});
  c.performClose();
  EXPECT_FALSE(c.isClosed());
  r.allowClose = true;
  c.performClose();
  EXPECT_TRUE(c.isClosed());
  EXPECT_EQ(r.log, (std::vector<std::string>{"key a", "resign a", "key c", "resize", "move", "move",
                                             "should close", "should close", "resign c"}));
  a.addChildWindow(&c);
  EXPECT_EQ(c.parentWindow(), &a);
  a.center();
  EXPECT_EQ(a.frame().x + a.frame().width / 2, 640);
}

}  // namespace
