// In-memory backend of the MIDI input.
#include "platform/midi_input.h"

namespace vq::platform {

void MemoryMidiInput::SetCallback(Callback callback) {
  std::lock_guard<std::mutex> lock(mutex_);
  callback_ = std::move(callback);
}

bool MemoryMidiInput::OpenPort(unsigned port, const std::string&) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = port == 0;
  return open_;
}

bool MemoryMidiInput::OpenVirtualPort(const std::string&) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = true;
  return true;
}

void MemoryMidiInput::ClosePort() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = false;
}

bool MemoryMidiInput::IsPortOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

bool MemoryMidiInput::Inject(const uint8_t* bytes, size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || bytes == nullptr || count == 0) return false;
  if (callback_) callback_(bytes, count);
  return true;
}

}  // namespace vq::platform
