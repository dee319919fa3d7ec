// What the MIDI tests share: SysEx of a given size, and a collector of what an input delivers.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/midi_output.h"

namespace vqtest {

using Bytes = std::vector<uint8_t>;

// F0, data bytes that differ with `seed` and position, F7.
inline Bytes SysEx(size_t size, int seed) {
  Bytes b(size);
  for (size_t i = 1; i + 1 < size; ++i)
    b[i] = static_cast<uint8_t>((i * 7 + static_cast<size_t>(seed)) & 0x7F);
  b.front() = 0xF0;
  b.back() = 0xF7;
  return b;
}

// Thread-safe record of delivered messages, for an input's callback.
class Collector {
 public:
  void Add(const uint8_t* b, size_t n) {
    std::lock_guard<std::mutex> lock(mMutex);
    if (mDropClocks && n == 1 && b[0] == 0xF8) return;
    mMessages.emplace_back(b, b + n);
    mCv.notify_all();
  }
  bool WaitFor(size_t count, int ms) {
    std::unique_lock<std::mutex> lock(mMutex);
    return mCv.wait_for(lock, std::chrono::milliseconds(ms),
                        [&] { return mMessages.size() >= count; });
  }
  // The next message (after those already taken) that `match` accepts, within `ms`; those it
  // skips are passed over for good.
  std::optional<Bytes> WaitForMessage(const std::function<bool(const Bytes&)>& match, int ms) {
    std::unique_lock<std::mutex> lock(mMutex);
    std::optional<Bytes> found;
    mCv.wait_for(lock, std::chrono::milliseconds(ms), [&] {
      while (!found && mTaken < mMessages.size()) {
        const Bytes& m = mMessages[mTaken++];
        if (!match || match(m)) found = m;
      }
      return found.has_value();
    });
    return found;
  }
  std::vector<Bytes> Messages() {
    std::lock_guard<std::mutex> lock(mMutex);
    return mMessages;
  }
  // A new connection goes live within a server cycle or two: sends clock bytes until one
  // arrives (5 s at most), then forgets them and ignores the probes still in flight.
  bool ProbeUntilLive(vq::platform::MidiOutput& out) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool live = false;
    while (!live && std::chrono::steady_clock::now() < deadline) {
      if (!out.Send(Bytes{0xF8})) return false;
      live = WaitFor(1, 10);
    }
    std::lock_guard<std::mutex> lock(mMutex);
    mMessages.clear();
    mTaken = 0;
    mDropClocks = true;
    return live;
  }

 private:
  bool mDropClocks = false;
  std::mutex mMutex;
  std::condition_variable mCv;
  std::vector<Bytes> mMessages;
  size_t mTaken = 0;  // messages WaitForMessage has looked at
};

}  // namespace vqtest
