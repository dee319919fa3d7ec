// The queue between the MIDI backend's thread and our worker: whole messages in order, sizes
// checked, and a full queue drops and counts instead of waiting for a busy worker.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/midi_collector.h"
#include "platform/midi_input_queue.h"

namespace vq::platform {
namespace {

using vqtest::Bytes;
using vqtest::SysEx;

struct Received {
  std::mutex mutex;  // stands for the plug mutex the handlers take
  std::vector<Bytes> messages;
  void Add(const uint8_t* b, size_t n) {
    std::lock_guard<std::mutex> lock(mutex);
    messages.emplace_back(b, b + n);
  }
};

bool WaitDelivered(const MidiInputQueue& q, uint64_t n) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (q.Delivered() < n)
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
}

TEST(MidiInputQueue, DeliversWholeMessagesInOrderAndRefusesBadSizes) {
  Received got;
  MidiInputQueue q([&](const uint8_t* b, size_t n, bool) { got.Add(b, n); }, 4096);
  const Bytes kLongest = SysEx(MidiInputQueue::kMaxMessage, 0x33);
  struct Case {
    Bytes message;
    bool taken;
  };
  const Case cases[] = {
      {{0xF8}, true},           {{0x90, 60, 100}, true},
      {SysEx(221, 0x11), true}, {{}, false},
      {kLongest, true},         {SysEx(MidiInputQueue::kMaxMessage + 1, 0), false},
      {SysEx(5000, 0x44), true}};
  std::vector<Bytes> want;
  // Many rounds, so the ring wraps inside lengths and messages.
  for (int round = 0; round < 40; ++round)
    for (const Case& c : cases) {
      ASSERT_TRUE(WaitDelivered(q, want.size()));  // room for the longest
      EXPECT_EQ(q.Push(c.message.data(), c.message.size()), c.taken) << c.message.size();
      if (c.taken) want.push_back(c.message);
    }
  ASSERT_TRUE(WaitDelivered(q, want.size()));
  std::lock_guard<std::mutex> lock(got.mutex);
  EXPECT_EQ(got.messages, want);
  EXPECT_EQ(q.Dropped(), 80u);
}

// The main thread holds the lock the handlers take: pushing goes on without waiting until the
// queue is full, then drops and counts; once the lock is free everything taken arrives in order,
// and the first message taken after a drop says so.
TEST(MidiInputQueue, FullQueueDropsAndCountsWhileTheHandlerWaits) {
  Received got;
  size_t firstAfterLoss = 0;  // 1-based; the worker's until delivered
  MidiInputQueue q(
      [&](const uint8_t* b, size_t n, bool afterLoss) {
        got.Add(b, n);
        if (afterLoss && firstAfterLoss == 0) firstAfterLoss = got.messages.size();
      },
      1 << 18);
  std::vector<Bytes> taken;
  int refused = 0;
  size_t firstTakenAfterLoss = 0;  // 1-based
  {
    std::lock_guard<std::mutex> busy(got.mutex);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 2000; ++i) {
      Bytes m = SysEx(221, i);
      if (q.Push(m.data(), m.size())) {
        taken.push_back(std::move(m));
        // The worker may free a place before it blocks: the first taken after a refusal
        // is the first delivered after the loss.
        if (refused > 0 && firstTakenAfterLoss == 0) firstTakenAfterLoss = taken.size();
      } else {
        ++refused;
      }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_GT(refused, 0);
  EXPECT_EQ(q.Dropped(), static_cast<uint64_t>(refused));
  EXPECT_EQ(q.Pushed(), 2000u);
  ASSERT_TRUE(WaitDelivered(q, taken.size()));
  // The messages behind the blocked handler waited at least as long as the lock was held.
  EXPECT_GE(q.LongestWaitNs(), 20'000'000u);
  EXPECT_GE(q.WaitedNs(), q.LongestWaitNs());
  {
    std::lock_guard<std::mutex> lock(got.mutex);
    EXPECT_EQ(got.messages, taken);
  }
  ASSERT_TRUE(q.Push(taken[0].data(), taken[0].size()));
  ASSERT_TRUE(WaitDelivered(q, taken.size() + 1));
  EXPECT_EQ(firstAfterLoss, firstTakenAfterLoss ? firstTakenAfterLoss : taken.size() + 1);
}

}  // namespace
}  // namespace vq::platform
