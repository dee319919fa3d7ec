// In-memory MIDI output: records what the plug sends.
#include "platform/midi_output.h"

namespace vq::platform {

bool MemoryMidiOutput::Send(const uint8_t* bytes, size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  // An empty message is refused, as the RtMidi backend refuses it.
  if (!open_ || failing_ || bytes == nullptr || count == 0) return false;
  messages_.emplace_back(bytes, bytes + count);
  return true;
}

bool MemoryMidiOutput::OpenPort(unsigned port, const std::string&) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = port == 0;
  return open_;
}

bool MemoryMidiOutput::OpenVirtualPort(const std::string&) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = true;
  return true;
}

void MemoryMidiOutput::ClosePort() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = false;
}

bool MemoryMidiOutput::IsPortOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

std::vector<std::vector<uint8_t>> MemoryMidiOutput::Messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

size_t MemoryMidiOutput::SendCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_.size();
}

void MemoryMidiOutput::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.clear();
}

void MemoryMidiOutput::SetFailing(bool failing) {
  std::lock_guard<std::mutex> lock(mutex_);
  failing_ = failing;
}

}  // namespace vq::platform
