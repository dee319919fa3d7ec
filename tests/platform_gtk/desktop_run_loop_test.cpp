// The run loop on GLib (no display needed): timer modes inside nested loops, the frame
// timer's pace, quiet ticks, one-shot timers, and work posted from other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/gtk/desktop_run_loop.h"

namespace {

using namespace vq::platform;

TEST(DesktopRunLoop, CommonTimersFireInNestedLoopsAndDefaultOnesWait) {
  DesktopRunLoop loop;
  int common = 0, plain = 0, once = 0;
  RunLoopMode modeSeen = RunLoopMode::Default;
  loop.addTimer(
      1.0 / 120, true, [&] { ++common; }, true);
  loop.addTimer(
      0.01, true, [&] { ++plain; }, false);
  loop.addTimer(
      0.02, false,
      [&] {
        ++once;
        modeSeen = loop.currentMode();
      },
      false);
  loop.runNested(RunLoopMode::ModalPanel, 0.5);
  EXPECT_EQ(plain, 0);
  EXPECT_EQ(once, 0);
  EXPECT_GE(common, 30) << "about 60 in half a second";
  EXPECT_LE(common, 70) << "a late timer fires once, not in a burst";
  loop.runNested(RunLoopMode::Default, 0.2);
  EXPECT_EQ(once, 1) << "one-shot timers fire once";
  EXPECT_EQ(modeSeen, RunLoopMode::Default);
  EXPECT_GE(plain, 1);
  EXPECT_LE(plain, 25) << "the missed ticks were not all made up";
}

TEST(DesktopRunLoop, QuietTicksSkipTheirCallbackAndKeepThePace) {
  DesktopRunLoop loop;
  int checks = 0, fires = 0, slowChecks = 0, slowFires = 0;
  TimerId fast = loop.addTimer(
      1.0 / 120, true, [&] { ++fires; }, true);
  loop.setQuietCheck(fast, [&] { return ++checks % 10 != 0; });
  TimerId slow = loop.addTimer(
      0.05, true, [&] { ++slowFires; }, true);
  loop.setQuietCheck(slow, [&] {
    ++slowChecks;
    return true;
  });
  loop.runNested(RunLoopMode::ModalPanel, 0.5);
  EXPECT_GE(checks, 30) << "about 60 ticks in half a second";
  EXPECT_LE(checks, 70);
  EXPECT_NEAR(fires, checks / 10, 1) << "only the ticks that were not quiet fire";
  EXPECT_GE(slowChecks, 6) << "about 10";
  EXPECT_LE(slowChecks, 12);
  EXPECT_EQ(slowFires, 0);
  loop.invalidateTimer(fast);
  loop.invalidateTimer(slow);
  loop.runNested(RunLoopMode::ModalPanel, 0.05);
  EXPECT_NEAR(fires, checks / 10, 1) << "an invalidated timer is neither asked nor fired";
}

TEST(DesktopRunLoop, PostedWorkRunsOnTheMainThreadInOrder) {
  DesktopRunLoop loop;
  std::vector<int> order;
  std::atomic<int> offMain{0};
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) {
      loop.postToMain([&, i] {
        if (!loop.isMainThread()) ++offMain;
        order.push_back(i);
      });
    }
  });
  worker.join();
  // Work posted by work runs on a later pass, also inside a nested loop.
  loop.postToMain([&] { loop.postToMain([&] { order.push_back(100); }); });
  TimerId self = 0;
  self = loop.addTimer(
      0.001, true, [&] { loop.invalidateTimer(self); }, true);
  loop.runNested(RunLoopMode::EventTracking, 0.1);
  ASSERT_EQ(order.size(), 101u);
  for (int i = 0; i <= 100; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
  EXPECT_EQ(offMain.load(), 0);
  EXPECT_FALSE(loop.isTimerValid(self)) << "a timer may invalidate itself";
}

}  // namespace
