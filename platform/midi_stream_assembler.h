// Turns the bytes of incoming MIDI events into whole messages. A driver may hand over a long
// SysEx as several events, short messages in running status within one event, or a real-time
// byte between the pieces of another message; what comes out is one complete message per call: a
// short message with its status, a real-time byte, or a whole SysEx (F0 .. F7). A message that
// cannot be kept whole (a piece before it was lost, or it is longer than the limit) is dropped and
// counted, never handed over in part. Active sensing is dropped. One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vq::platform {

class MidiStreamAssembler {
 public:
  using Emit = std::function<void(const uint8_t* bytes, size_t count)>;

  // The longest message kept: a SysEx of 64 KB, F0 and F7 included.
  static constexpr size_t kMaxMessage = size_t{1} << 16;

  explicit MidiStreamAssembler(size_t maxMessage = kMaxMessage);

  // The bytes of one event, in order of arrival. `afterLoss`: events before this one were lost,
  // so a message still open is broken and bytes that would continue it are skipped.
  void Feed(const uint8_t* bytes, size_t count, bool afterLoss, const Emit& emit);

  // Messages dropped: broken by a loss or by a new status byte, or too long.
  uint64_t Dropped() const { return mDropped; }

 private:
  void Byte(uint8_t b, const Emit& emit);
  void DropOpenMessage();

  const size_t mMaxMessage;
  std::vector<uint8_t> mMessage;  // the message being built, status first
  size_t mNeed = 0;               // data bytes a short message still needs
  uint8_t mRunning = 0;           // running status: the last channel status, 0 for none
  bool mInSysEx = false;
  bool mTooLong = false;  // the open SysEx passed the limit: skip to its end
  uint64_t mDropped = 0;
};

}  // namespace vq::platform
