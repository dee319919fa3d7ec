// In-memory MIDI output: records what the plug sends.
#include "platform/midi_output.h"

namespace vq::platform {

bool MemoryMidiOutput::Send(const uint8_t* bytes, size_t count) {
  std::lock_guard<std::mutex> lock(mMutex);
  // An empty message is refused, as the RtMidi backend refuses it.
  if (!mOpen || mFailing || bytes == nullptr || count == 0) return false;
  mMessages.emplace_back(bytes, bytes + count);
  return true;
}

std::vector<std::vector<uint8_t>> MemoryMidiOutput::Messages() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mMessages;
}

size_t MemoryMidiOutput::SendCount() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mMessages.size();
}

void MemoryMidiOutput::Clear() {
  std::lock_guard<std::mutex> lock(mMutex);
  mMessages.clear();
}

void MemoryMidiOutput::SetFailing(bool failing) {
  std::lock_guard<std::mutex> lock(mMutex);
  mFailing = failing;
}

}  // namespace vq::platform
