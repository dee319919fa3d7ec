// In-memory backend of the MIDI input.
#include "platform/midi_input.h"

namespace vq::platform {

void MemoryMidiInput::SetCallback(Callback callback) {
  std::lock_guard<std::mutex> lock(mMutex);
  mCallback = std::move(callback);
}

bool MemoryMidiInput::Inject(const uint8_t* bytes, size_t count) {
  std::lock_guard<std::mutex> lock(mMutex);
  if (!mOpen || bytes == nullptr || count == 0) return false;
  if (mCallback) mCallback(bytes, count);
  return true;
}

}  // namespace vq::platform
