// The posted-message queue and window timers: order, cap, per-tick delivery across threads,
// clearing during delivery, and timer requests made off the main thread.
#include <atomic>
#include <thread>

#include "wemu_fixture.h"

namespace {

class MessageQueueTest : public WemuTest {};

TEST_F(MessageQueueTest, PostedMessagesArriveInOrderOnTheNextTick) {
  RecordingWindow w;
  EXPECT_TRUE(PostMessage(&w, WM_USER + 1, 10, -1));
  EXPECT_TRUE(PostMessage(&w, WM_USER + 2, 20, -2));
  EXPECT_TRUE(w.messages().empty()) << "nothing is delivered before the tick";
  tick();
  EXPECT_EQ(w.messages(),
            (std::vector<RecordedMessage>{{WM_USER + 1, 10, -1}, {WM_USER + 2, 20, -2}}));
  tick();
  EXPECT_EQ(w.messages().size(), 2u) << "a message is delivered once";
}

TEST_F(MessageQueueTest, PostRefusedWithoutWindowQueueOrConsent) {
  RecordingWindow w;
  EXPECT_FALSE(PostMessage(nullptr, WM_USER, 0, 0));
  w.destroy();
  EXPECT_FALSE(PostMessage(&w, WM_USER, 0, 0)) << "a destroyed window refuses posts";
  WEMU_Internal_PostMessage_Shutdown();
  RecordingWindow other;
  EXPECT_FALSE(PostMessage(&other, WM_USER, 0, 0)) << "no queue, no post";
}

TEST_F(MessageQueueTest, The1025thPostWithoutATickIsRefusedAndRecordsAreRecycled) {
  RecordingWindow w;
  for (int i = 0; i < WEMU_POSTED_MESSAGE_LIMIT; ++i)
    ASSERT_TRUE(PostMessage(&w, WM_USER, static_cast<WPARAM>(i), 0)) << i;
  EXPECT_FALSE(PostMessage(&w, WM_USER, 9999, 0));
  tick();
  ASSERT_EQ(w.messages().size(), 1024u);
  EXPECT_EQ(w.messages()[1023].wParam, 1023u);
  EXPECT_EQ(WEMU_Internal_PostedMessageCount(), 0);
  EXPECT_EQ(WEMU_Internal_FreeRecordCount(), 1024);
  // Recycled records serve the next 1024 posts; the limit holds again.
  for (int i = 0; i < WEMU_POSTED_MESSAGE_LIMIT; ++i) ASSERT_TRUE(PostMessage(&w, WM_USER, 0, 0));
  EXPECT_FALSE(PostMessage(&w, WM_USER, 0, 0));
}

TEST_F(MessageQueueTest, MessagesPostedDuringDeliveryWaitForTheNextTick) {
  RecordingWindow w;
  w.onMessage = [&](UINT m, WPARAM, LPARAM) {
    if (m == WM_USER) PostMessage(&w, WM_USER + 1, 0, 0);
  };
  PostMessage(&w, WM_USER, 0, 0);
  tick();
  EXPECT_EQ(w.messages().size(), 1u);
  tick();
  EXPECT_EQ(w.messages().size(), 2u);
}

TEST_F(MessageQueueTest, PostsFromWorkerThreadsArriveOnTheMainThreadWithinOneTick) {
  RecordingWindow w;
  std::atomic<bool> deliveredOnMain{true};
  auto mainId = std::this_thread::get_id();
  w.onMessage = [&](UINT, WPARAM, LPARAM) {
    if (std::this_thread::get_id() != mainId) deliveredOnMain = false;
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&w, t] {
      for (int i = 0; i < 100; ++i)
        PostMessage(&w, WM_USER + static_cast<UINT>(t), static_cast<WPARAM>(i), 0);
    });
  }
  for (auto& th : threads) th.join();
  tick();
  auto got = w.messages();
  ASSERT_EQ(got.size(), 400u);
  EXPECT_TRUE(deliveredOnMain);
  // Each thread's own messages keep their order.
  for (UINT t = 0; t < 4; ++t) {
    WPARAM expected = 0;
    for (const auto& m : got)
      if (m.message == WM_USER + t) {
        EXPECT_EQ(m.wParam, expected++);
      }
  }
}

TEST_F(MessageQueueTest, ClearingAWindowDropsItsMessagesOnly) {
  RecordingWindow a, b;
  PostMessage(&a, WM_USER, 1, 0);
  PostMessage(&b, WM_USER, 2, 0);
  PostMessage(&a, WM_USER, 3, 0);
  WEMU_MessageQueue_Clear(&a);
  PostMessage(&a, WM_USER, 4, 0);  // the tail is right after unlinking the last record
  tick();
  EXPECT_EQ(a.messages(), (std::vector<RecordedMessage>{{WM_USER, 4, 0}}));
  EXPECT_EQ(b.messages(), (std::vector<RecordedMessage>{{WM_USER, 2, 0}}));
}

TEST_F(MessageQueueTest, AWindowDestroyedDuringDeliveryGetsNothingMoreFromThatBatch) {
  auto a = std::make_unique<RecordingWindow>();
  RecordingWindow b;
  RecordingWindow* target = a.get();
  b.onMessage = [&](UINT m, WPARAM, LPARAM) {
    if (m == WM_USER) {
      target->destroy();
      a.reset();  // deleted while the batch still holds its records
    }
  };
  PostMessage(&b, WM_USER, 0, 0);
  PostMessage(target, WM_USER + 1, 0, 0);
  PostMessage(target, WM_USER + 2, 0, 0);
  PostMessage(&b, WM_USER + 3, 0, 0);
  tick();  // under AddressSanitizer a delivery to the deleted window would be caught
  EXPECT_EQ(b.messages(), (std::vector<RecordedMessage>{{WM_USER, 0, 0}, {WM_USER + 3, 0, 0}}));
  EXPECT_EQ(WEMU_Internal_PostedMessageCount(), 0);
}

TEST_F(MessageQueueTest, ClearingDuringDeliveryReachesTheBatchBeingDelivered) {
  RecordingWindow a, b;
  b.onMessage = [&](UINT m, WPARAM, LPARAM) {
    if (m == WM_USER) WEMU_MessageQueue_Clear(&a);
  };
  PostMessage(&b, WM_USER, 0, 0);
  PostMessage(&a, WM_USER + 1, 0, 0);
  PostMessage(&b, WM_USER + 2, 0, 0);
  int freeBefore = WEMU_Internal_FreeRecordCount();
  tick();
  EXPECT_TRUE(a.messages().empty()) << "a's record was already detached for delivery";
  EXPECT_EQ(b.messages().size(), 2u);
  EXPECT_EQ(WEMU_Internal_PostedMessageCount(), 0);
  EXPECT_EQ(WEMU_Internal_FreeRecordCount(), freeBefore + 3) << "every record is recycled once";
}

TEST_F(MessageQueueTest, ClearingEverythingAlsoEmptiesTheBatch) {
  RecordingWindow a;
  a.onMessage = [&](UINT m, WPARAM, LPARAM) {
    if (m == WM_USER) {
      PostMessage(&a, WM_USER + 5, 0, 0);
      WEMU_MessageQueue_Clear(nullptr);
    }
  };
  PostMessage(&a, WM_USER, 0, 0);
  PostMessage(&a, WM_USER + 1, 0, 0);
  tick();
  tick();
  EXPECT_EQ(a.messages(), (std::vector<RecordedMessage>{{WM_USER, 0, 0}}));
}

TEST_F(MessageQueueTest, DestroyingAWindowSendsDestroyAndDropsItsPostsAndTimers) {
  RecordingWindow w;
  PostMessage(&w, WM_USER, 0, 0);
  ASSERT_EQ(SetTimer(&w, 7, 10, nullptr), 7u);
  w.destroy();
  EXPECT_EQ(w.messages(), (std::vector<RecordedMessage>{{WM_DESTROY, 0, 0}}));
  advance(1.0);
  EXPECT_EQ(w.messages().size(), 1u);
  EXPECT_EQ(WEMU_Internal_TimerCount(), 0);
  w.destroy();
  EXPECT_EQ(w.messages().size(), 1u) << "destroy runs once";
}

TEST_F(MessageQueueTest, PostsRacingWithDestructionNeverReachADeletedWindow) {
  std::atomic<bool> stop{false};
  std::atomic<RecordingWindow*> current{nullptr};
  std::thread poster([&] {
    while (!stop.load()) {
      RecordingWindow* w = current.load();
      PostMessage(w, WM_USER, 0, 0);
    }
  });
  for (int round = 0; round < 200; ++round) {
    auto w = std::make_unique<RecordingWindow>();
    current.store(w.get());
    tick();
    current.store(nullptr);
    w.reset();  // the registry keeps the poster away from it from here on
  }
  stop = true;
  poster.join();
  tick();
  EXPECT_EQ(WEMU_Internal_PostedMessageCount(), 0);
}

// ---- Window timers ----------------------------------------------------------------------

std::vector<UINT_PTR> gCallbackIds;
void recordCallback(HWND__*, UINT message, UINT_PTR id, DWORD) {
  if (message == WM_TIMER) gCallbackIds.push_back(id);
}

class WindowTimerTest : public WemuTest {
 protected:
  void SetUp() override {
    WemuTest::SetUp();
    gCallbackIds.clear();
  }
};

TEST_F(WindowTimerTest, AWindowTimerRepeatsUntilKilled) {
  RecordingWindow w;
  ASSERT_EQ(SetTimer(&w, 5, 100, nullptr), 5u);
  advance(0.35);
  EXPECT_EQ(w.messagesOf(WM_TIMER),
            (std::vector<RecordedMessage>{{WM_TIMER, 5, 0}, {WM_TIMER, 5, 0}, {WM_TIMER, 5, 0}}));
  EXPECT_TRUE(KillTimer(&w, 5));
  EXPECT_FALSE(KillTimer(&w, 5)) << "nothing left to stop";
  advance(1);
  EXPECT_EQ(w.messagesOf(WM_TIMER).size(), 3u);
}

TEST_F(WindowTimerTest, SettingTheSameIdAgainReplacesTheTimer) {
  RecordingWindow w;
  SetTimer(&w, 1, 100, nullptr);
  advance(0.05);
  SetTimer(&w, 1, 500, nullptr);
  EXPECT_EQ(WEMU_Internal_TimerCount(), 1);
  advance(0.45);
  EXPECT_TRUE(w.messagesOf(WM_TIMER).empty());
  advance(0.1);
  EXPECT_EQ(w.messagesOf(WM_TIMER).size(), 1u);
}

TEST_F(WindowTimerTest, ArgumentRules) {
  RecordingWindow w;
  EXPECT_EQ(SetTimer(nullptr, 1, 10, nullptr), 0u) << "neither window nor callback";
  EXPECT_EQ(SetTimer(&w, 0, 10, nullptr), 0u) << "a window timer needs an id";
  EXPECT_FALSE(KillTimer(nullptr, 0));
  EXPECT_FALSE(KillTimer(nullptr, WEMU_ALL_TIMERS));
  UINT_PTR a = SetTimer(nullptr, 0, 10, &recordCallback);
  UINT_PTR b = SetTimer(nullptr, 0, 10, &recordCallback);
  EXPECT_NE(a, 0u);
  EXPECT_NE(a, b) << "ids made here are unique among running timers";
  advance(0.015);
  EXPECT_EQ(gCallbackIds, (std::vector<UINT_PTR>{a, b}));
  EXPECT_TRUE(KillTimer(nullptr, a));
  EXPECT_TRUE(KillTimer(nullptr, b));
}

TEST_F(WindowTimerTest, ADestroyedWindowTakesNoNewTimer) {
  RecordingWindow w;
  std::vector<UINT_PTR> setDuringDestroy;
  w.onMessage = [&](UINT message, WPARAM, LPARAM) {
    if (message == WM_DESTROY) setDuringDestroy.push_back(SetTimer(&w, 2, 10, nullptr));
  };
  w.destroy();
  EXPECT_EQ(setDuringDestroy, (std::vector<UINT_PTR>{0})) << "not while being destroyed";
  EXPECT_EQ(SetTimer(&w, 1, 10, nullptr), 0u) << "nor afterwards";
  EXPECT_EQ(WEMU_Internal_TimerCount(), 0);
  advance(0.05);
  EXPECT_TRUE(w.messagesOf(WM_TIMER).empty());
}

TEST_F(WindowTimerTest, AllOnesKillsEveryTimerOfTheWindowOnly) {
  RecordingWindow w, other;
  SetTimer(&w, 1, 10, nullptr);
  SetTimer(&w, 2, 10, nullptr);
  SetTimer(&other, 1, 10, nullptr);
  EXPECT_TRUE(KillTimer(&w, WEMU_ALL_TIMERS));
  EXPECT_FALSE(KillTimer(&w, WEMU_ALL_TIMERS));
  EXPECT_EQ(WEMU_Internal_TimerCount(), 1);
  advance(0.015);
  EXPECT_TRUE(w.messagesOf(WM_TIMER).empty());
  EXPECT_EQ(other.messagesOf(WM_TIMER).size(), 1u);
}

TEST_F(WindowTimerTest, ZeroElapseFiresEveryMillisecond) {
  RecordingWindow w;
  SetTimer(&w, 3, 0, nullptr);
  advance(0.0105);
  EXPECT_EQ(w.messagesOf(WM_TIMER).size(), 10u);
}

TEST_F(WindowTimerTest, TimersFireInsideModalLoops) {
  RecordingWindow w;
  SetTimer(&w, 9, 100, nullptr);
  backend->alertAnswers.push_back({0, 0.25});  // the user looks at the alert for 0.25 s
  vq::platform::AlertRequest req;
  req.buttons = {"OK"};
  backend->runAlert(req);
  EXPECT_EQ(w.messagesOf(WM_TIMER).size(), 2u);
}

TEST_F(WindowTimerTest, OffTheMainThreadTheTimerStartsAtTheNextTick) {
  RecordingWindow w;
  UINT_PTR got = 0;
  std::thread([&] { got = SetTimer(&w, 11, 10, nullptr); }).join();
  EXPECT_EQ(got, 11u) << "the id comes back at once";
  EXPECT_EQ(WEMU_Internal_TimerCount(), 0);
  tick();
  EXPECT_EQ(WEMU_Internal_TimerCount(), 1);
  advance(0.012);
  EXPECT_EQ(w.messagesOf(WM_TIMER).size(), 1u);
}

TEST_F(WindowTimerTest, AKillQueuedBeforeTheTickReplacesTheRequest) {
  RecordingWindow w;
  std::thread([&] {
    EXPECT_EQ(SetTimer(&w, 4, 10, nullptr), 4u);
    EXPECT_TRUE(KillTimer(&w, 4));
  }).join();
  EXPECT_EQ(WEMU_Internal_PostedMessageCount(), 1) << "one request, updated in place";
  tick();
  EXPECT_EQ(WEMU_Internal_TimerCount(), 0) << "no timer is created";
  advance(0.1);
  EXPECT_TRUE(w.messagesOf(WM_TIMER).empty());
}

TEST_F(WindowTimerTest, OffTheMainThreadWithoutAWindowNothingIsClaimed) {
  UINT_PTR set = 1;
  BOOL killed = 1;
  std::thread([&] {
    set = SetTimer(nullptr, 0, 10, &recordCallback);
    killed = KillTimer(nullptr, 12345);
  }).join();
  EXPECT_EQ(set, 0u);
  EXPECT_EQ(killed, FALSE);
  tick();
  EXPECT_EQ(WEMU_Internal_TimerCount(), 0);
}

TEST_F(WindowTimerTest, TimerRequestsOfADestroyedWindowAreDropped) {
  RecordingWindow w;
  std::thread([&] { SetTimer(&w, 2, 10, nullptr); }).join();
  w.destroy();
  tick();
  EXPECT_EQ(WEMU_Internal_TimerCount(), 0);
}

TEST_F(WindowTimerTest, ATopLevelWindowHandleUsesItsContentView) {
  vq::platform::Window window;
  RecordingWindow content;
  window.setContentView(&content);
  WEMU_WindowObjectHandle handle(window);
  EXPECT_EQ(SetTimer(&handle, 8, 10, nullptr), 8u);
  advance(0.012);
  EXPECT_EQ(content.messagesOf(WM_TIMER).size(), 1u);
  EXPECT_TRUE(KillTimer(&handle, 8));
  window.setContentView(nullptr);
}

}  // namespace
