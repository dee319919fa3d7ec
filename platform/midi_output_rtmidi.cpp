// RtMidi backend of the MIDI output.
#include <rtmidi/RtMidi.h>

#include "platform/midi_output.h"

namespace vq::platform {

namespace {

// JACK's output ring holds 16384 bytes: RtMidi waits for room for a message that fits, but drops
// a larger one whole without a word. A long SysEx therefore goes out in slices, which the
// receiving side reassembles.
constexpr size_t kJackSliceBytes = 8192;

}  // namespace

struct RtMidiOutput::Impl {
  std::unique_ptr<RtMidiOut> out;
  RtMidi::Api api = RtMidi::UNSPECIFIED;
  mutable std::mutex mutex;  // one sender at a time: the driver's ring has a single writer
  std::string lastError;
  bool failed = false;  // set by the error callback during the current call
  bool open = false;

  static void OnError(RtMidiError::Type type, const std::string& text, void* user) {
    auto* self = static_cast<Impl*>(user);
    if (type == RtMidiError::DEBUG_WARNING) return;
    self->lastError = text;
    self->failed = true;
  }

  // Sends one piece; the library reports trouble through OnError rather than by throwing.
  bool SendPiece(const uint8_t* bytes, size_t count) {
    failed = false;
    try {
      out->sendMessage(bytes, count);
    } catch (const RtMidiError& e) {
      lastError = e.getMessage();
      return false;
    }
    return !failed;
  }
};

std::unique_ptr<RtMidiOutput> RtMidiOutput::Create(const std::string& clientName, std::string* error) {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  std::string lastError = "no MIDI API compiled in";
  for (RtMidi::Api api : apis) {
    if (api == RtMidi::RTMIDI_DUMMY) continue;
    try {
      auto impl = std::make_unique<Impl>();
      impl->out = std::make_unique<RtMidiOut>(api, clientName);
      impl->api = api;
      impl->out->setErrorCallback(&Impl::OnError, impl.get());
      return std::unique_ptr<RtMidiOutput>(new RtMidiOutput(std::move(impl)));
    } catch (const RtMidiError& e) {
      lastError = e.getMessage();
    }
  }
  if (error) *error = lastError;
  return nullptr;
}

RtMidiOutput::RtMidiOutput(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

RtMidiOutput::~RtMidiOutput() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->open) impl_->out->closePort();
}

bool RtMidiOutput::Send(const uint8_t* bytes, size_t count) {
  if (bytes == nullptr || count == 0) return false;
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (!impl_->open) return false;
  if (impl_->api != RtMidi::UNIX_JACK || count <= kJackSliceBytes) return impl_->SendPiece(bytes, count);
  for (size_t at = 0; at < count; at += kJackSliceBytes) {
    size_t n = count - at < kJackSliceBytes ? count - at : kJackSliceBytes;
    if (!impl_->SendPiece(bytes + at, n)) return false;
  }
  return true;
}

unsigned RtMidiOutput::PortCount() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->out->getPortCount();
}

std::string RtMidiOutput::PortName(unsigned port) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (port >= impl_->out->getPortCount()) return "";
  impl_->failed = false;
  try {
    std::string name = impl_->out->getPortName(port);
    return impl_->failed ? "" : name;
  } catch (const RtMidiError& e) {
    impl_->lastError = e.getMessage();
    return "";
  }
}

bool RtMidiOutput::OpenPort(unsigned port, const std::string& portName) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->open) impl_->out->closePort();
  impl_->failed = false;
  try {
    impl_->out->openPort(port, portName);
    impl_->open = !impl_->failed && impl_->out->isPortOpen();
  } catch (const RtMidiError& e) {
    impl_->lastError = e.getMessage();
    impl_->open = false;
  }
  return impl_->open;
}

bool RtMidiOutput::OpenVirtualPort(const std::string& portName) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->open) impl_->out->closePort();
  impl_->failed = false;
  try {
    impl_->out->openVirtualPort(portName);
    impl_->open = !impl_->failed;
  } catch (const RtMidiError& e) {
    impl_->lastError = e.getMessage();
    impl_->open = false;
  }
  return impl_->open;
}

void RtMidiOutput::ClosePort() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->open) impl_->out->closePort();
  impl_->open = false;
}

bool RtMidiOutput::IsPortOpen() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->open;
}

std::string RtMidiOutput::ApiName() const { return RtMidi::getApiName(impl_->api); }

std::string RtMidiOutput::LastError() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->lastError;
}

}  // namespace vq::platform
