// In-memory backend of the MIDI input.
#include "platform/midi_input.h"

namespace vq::platform {

void MemoryMidiInput::SetCallback(Callback callback) {
  std::lock_guard<std::mutex> lock(mMutex);
  mCallback = std::move(callback);
}

bool MemoryMidiInput::OpenPort(unsigned port, const std::string&) {
  std::lock_guard<std::mutex> lock(mMutex);
  mOpen = port == 0;
  return mOpen;
}

bool MemoryMidiInput::OpenVirtualPort(const std::string&) {
  std::lock_guard<std::mutex> lock(mMutex);
  mOpen = true;
  return true;
}

void MemoryMidiInput::ClosePort() {
  std::lock_guard<std::mutex> lock(mMutex);
  mOpen = false;
}

bool MemoryMidiInput::IsPortOpen() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mOpen;
}

bool MemoryMidiInput::Inject(const uint8_t* bytes, size_t count) {
  std::lock_guard<std::mutex> lock(mMutex);
  if (!mOpen || bytes == nullptr || count == 0) return false;
  if (mCallback) mCallback(bytes, count);
  return true;
}

}  // namespace vq::platform
