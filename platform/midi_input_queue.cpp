#include "platform/midi_input_queue.h"

#include <linux/futex.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cstring>

namespace vq::platform {

namespace {

// Each message is stored behind its length, whether pushes before it were dropped and the time
// it was pushed.
struct Header {
  uint32_t length;
  uint32_t afterLoss;
  uint64_t pushedNs;
};
constexpr size_t kHeaderBytes = sizeof(Header);

uint64_t NowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
}

size_t RoundUpToPowerOfTwo(size_t n) {
  size_t p = 1024;
  while (p < n) p <<= 1;
  return p;
}

// Waits at most `ns` nanoseconds (0: without a limit).
void FutexWait(std::atomic<uint32_t>* word, uint32_t expected, uint64_t ns = 0) {
  timespec limit{static_cast<time_t>(ns / 1000000000u), static_cast<long>(ns % 1000000000u)};
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected,
          ns ? &limit : nullptr, nullptr, 0);
}

void FutexWakeOne(std::atomic<uint32_t>* word) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

}  // namespace

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) &&
              std::atomic<uint32_t>::is_always_lock_free);

MidiInputQueue::MidiInputQueue(Deliver deliver, size_t capacity, GapReport gapReport)
    : mDeliver(std::move(deliver)),
      mGapReport(std::move(gapReport)),
      mSize(RoundUpToPowerOfTwo(std::max(capacity, kMaxMessage + kHeaderBytes))),
      mRing(new uint8_t[mSize]),  // left uninitialised: pages are touched only as the ring fills
      mMask(mSize - 1) {
  mWorker = std::thread([this] { Run(); });
}

MidiInputQueue::~MidiInputQueue() {
  mStop.store(true);
  mWakeups.fetch_add(1);
  FutexWakeOne(&mWakeups);
  mWorker.join();
}

bool MidiInputQueue::Push(const uint8_t* bytes, size_t count) {
  mPushed.fetch_add(1, std::memory_order_relaxed);
  const size_t head = mHead.load(std::memory_order_relaxed);
  const size_t used = head - mTail.load(std::memory_order_acquire);
  if (count == 0 || count > kMaxMessage || mSize - used < count + kHeaderBytes) {
    mDropped.fetch_add(1, std::memory_order_relaxed);
    if (count != 0) mLostBeforeNext.store(true, std::memory_order_relaxed);
    return false;
  }
  const Header header{static_cast<uint32_t>(count),
                      mLostBeforeNext.exchange(false, std::memory_order_relaxed), NowNs()};
  auto put = [&](size_t at, const uint8_t* from, size_t n) {
    const size_t start = at & mMask, first = std::min(n, mSize - start);
    std::memcpy(mRing.get() + start, from, first);
    std::memcpy(mRing.get(), from + first, n - first);
  };
  put(head, reinterpret_cast<const uint8_t*>(&header), kHeaderBytes);
  put(head + kHeaderBytes, bytes, count);
  mHead.store(head + kHeaderBytes +
              count);  // sequentially consistent: ordered before the sleeper check
  Wake();
  return true;
}

void MidiInputQueue::MarkGap(uint64_t cycles) {
  mLostBeforeNext.store(true, std::memory_order_relaxed);
  if (cycles == 0) return;
  mMissedCycles.fetch_add(cycles, std::memory_order_relaxed);
  mGaps.fetch_add(1, std::memory_order_release);
  Wake();
}

void MidiInputQueue::Wake() {
  mWakeups.fetch_add(1);
  if (mSleepers.load() != 0) FutexWakeOne(&mWakeups);
}

void MidiInputQueue::CopyOut(size_t from, uint8_t* to, size_t n) const {
  const size_t start = from & mMask, first = std::min(n, mSize - start);
  std::memcpy(to, mRing.get() + start, first);
  std::memcpy(to + first, mRing.get(), n - first);
}

void MidiInputQueue::Run() {
  pthread_setname_np(pthread_self(), "vq-midi-in");
  std::vector<uint8_t> message(kMaxMessage);
  uint64_t gapsSeen = 0, reportAgainNs = 0;  // 0: no report held back
  while (!mStop.load()) {
    // Gaps are told before the messages that came after them.
    const uint64_t gaps = mGaps.load(std::memory_order_acquire);
    if (mGapReport && (gaps != gapsSeen || (reportAgainNs && NowNs() >= reportAgainNs))) {
      gapsSeen = gaps;
      const uint64_t again = mGapReport();
      reportAgainNs = again ? NowNs() + again : 0;
    }
    const size_t tail = mTail.load(std::memory_order_relaxed);
    if (mHead.load() == tail) {
      // Announce the sleep before the last look, so a push or gap after it either is seen here
      // or changes the futex word and wakes us.
      mSleepers.fetch_add(1);
      const uint32_t seen = mWakeups.load();
      const uint64_t now = NowNs();
      const uint64_t limit = !reportAgainNs ? 0 : reportAgainNs > now ? reportAgainNs - now : 1;
      if (mHead.load() == tail && mGaps.load() == gapsSeen && !mStop.load())
        FutexWait(&mWakeups, seen, limit);
      mSleepers.fetch_sub(1);
      continue;
    }
    Header header{};
    CopyOut(tail, reinterpret_cast<uint8_t*>(&header), kHeaderBytes);
    const uint32_t length = header.length;
    CopyOut(tail + kHeaderBytes, message.data(), length);
    mTail.store(tail + kHeaderBytes + length, std::memory_order_release);
    const uint64_t waited = NowNs() - header.pushedNs;
    mWaitedNs.fetch_add(waited, std::memory_order_relaxed);
    if (waited > mLongestWaitNs.load(std::memory_order_relaxed))
      mLongestWaitNs.store(waited, std::memory_order_relaxed);
    if (mDeliver) mDeliver(message.data(), length, header.afterLoss != 0);
    mDelivered.fetch_add(1, std::memory_order_release);
  }
}

}  // namespace vq::platform
