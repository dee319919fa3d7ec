// Incoming MIDI off the backend's thread. On JACK that thread is the audio server's realtime
// thread: anything that blocks there (a lock the main thread holds across a file write) costs
// the whole server cycles. The backend's callback only copies each whole message into a
// bounded ring and wakes our worker thread, which delivers the messages in order. Pushing
// takes no lock, never allocates and never waits; a message that does not fit is dropped and
// counted, and the next one delivered says that something was lost before it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace vq::platform {

class MidiInputQueue {
 public:
  // `afterLoss`: at least one push between the previous delivery and this one was dropped.
  using Deliver = std::function<void(const uint8_t* bytes, size_t count, bool afterLoss)>;
  // Runs on the worker, before the next delivery, when the backend marked gaps since the last
  // call; a result other than 0 asks for another call that many nanoseconds later even without
  // a new gap (a report that was held back).
  using GapReport = std::function<uint64_t()>;

  // Bytes the ring holds by default: what a fast JACK sender delivers in a few hundred
  // milliseconds at small periods, so that a worker descheduled on a loaded machine loses
  // nothing; far more than a full bank dump (99 programs of a few hundred bytes).
  static constexpr size_t kDefaultCapacity = size_t{1} << 22;
  // Largest message taken: the longest SysEx a device sends us is far below this.
  static constexpr size_t kMaxMessage = size_t{1} << 16;

  // Starts the worker, which calls `deliver` for every message, one at a time, and `gapReport`
  // (may be empty) after gaps. `capacity` is rounded up to a power of two.
  explicit MidiInputQueue(Deliver deliver, size_t capacity = kDefaultCapacity,
                          GapReport gapReport = {});
  // Stops the worker; messages not yet delivered are dropped.
  ~MidiInputQueue();
  MidiInputQueue(const MidiInputQueue&) = delete;
  MidiInputQueue& operator=(const MidiInputQueue&) = delete;

  // From one producer thread at a time. False (the message dropped and counted) for an empty
  // message, one longer than kMaxMessage or one that does not fit in the free space.
  bool Push(const uint8_t* bytes, size_t count);

  // From the producer: messages may have been lost before the next push (the backend missed
  // `cycles` of its system's cycles), so the next delivery comes with `afterLoss` and the worker
  // runs the gap report. Counted apart from the drops; never blocks. With no cycle missed (a
  // cycle run late) only the next delivery is marked.
  void MarkGap(uint64_t cycles);

  uint64_t Pushed() const { return mPushed.load(std::memory_order_relaxed); }
  uint64_t Dropped() const { return mDropped.load(std::memory_order_relaxed); }
  uint64_t Delivered() const { return mDelivered.load(std::memory_order_acquire); }
  uint64_t Gaps() const { return mGaps.load(std::memory_order_acquire); }
  uint64_t MissedCycles() const { return mMissedCycles.load(std::memory_order_acquire); }
  // How long delivered messages waited between their push and the start of their delivery
  // (the worker's wake-up and the messages before them), in nanoseconds: the sum and the most.
  uint64_t WaitedNs() const { return mWaitedNs.load(std::memory_order_relaxed); }
  uint64_t LongestWaitNs() const { return mLongestWaitNs.load(std::memory_order_relaxed); }

 private:
  void Run();
  void Wake();
  void CopyOut(size_t from, uint8_t* to, size_t n) const;

  Deliver mDeliver;
  GapReport mGapReport;
  size_t mSize;
  std::unique_ptr<uint8_t[]> mRing;
  size_t mMask;
  // Free-running byte positions: the producer moves mHead, the worker mTail.
  std::atomic<size_t> mHead{0}, mTail{0};
  std::atomic<uint32_t> mWakeups{0};  // the futex word: changes with every push and at stop
  std::atomic<int> mSleepers{0};
  std::atomic<bool> mStop{false};
  std::atomic<uint64_t> mPushed{0}, mDropped{0}, mDelivered{0};
  std::atomic<bool> mLostBeforeNext{false};  // the producer's: a push was dropped since the last
  std::atomic<uint64_t> mGaps{0}, mMissedCycles{0};
  std::atomic<uint64_t> mWaitedNs{0}, mLongestWaitNs{0};
  std::thread mWorker;
};

}  // namespace vq::platform
