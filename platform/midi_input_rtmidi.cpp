// RtMidi backend of the MIDI input.
#include <rtmidi/RtMidi.h>

#include "platform/midi_input.h"

namespace vq::platform {

struct RtMidiInput::Impl {
  std::unique_ptr<RtMidiIn> in;
  RtMidi::Api api = RtMidi::UNSPECIFIED;
  mutable std::mutex mutex;  // ports and the error text
  std::mutex deliver;        // held while the callback runs, so SetCallback can wait for it
  Callback callback;
  std::string lastError;
  bool failed = false;
  bool open = false;

  static void OnError(RtMidiError::Type type, const std::string& text, void* user) {
    auto* self = static_cast<Impl*>(user);
    if (type == RtMidiError::DEBUG_WARNING || type == RtMidiError::WARNING) return;
    self->lastError = text;
    self->failed = true;
  }

  static void OnMessage(double, std::vector<unsigned char>* message, void* user) {
    auto* self = static_cast<Impl*>(user);
    if (!message || message->empty()) return;
    std::lock_guard<std::mutex> lock(self->deliver);
    if (self->callback) self->callback(message->data(), message->size());
  }
};

std::unique_ptr<RtMidiInput> RtMidiInput::Create(const std::string& clientName, unsigned queueLimit,
                                                 std::string* error) {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  std::string lastError = "no MIDI API compiled in";
  for (RtMidi::Api api : apis) {
    if (api == RtMidi::RTMIDI_DUMMY) continue;
    try {
      auto impl = std::make_unique<Impl>();
      impl->in = std::make_unique<RtMidiIn>(api, clientName, queueLimit);
      impl->api = api;
      impl->in->setErrorCallback(&Impl::OnError, impl.get());
      // Keep SysEx and timing (the keyboard's clock goes on to the synthesizer); drop active
      // sensing.
      impl->in->ignoreTypes(false, false, true);
      impl->in->setCallback(&Impl::OnMessage, impl.get());
      return std::unique_ptr<RtMidiInput>(new RtMidiInput(std::move(impl)));
    } catch (const RtMidiError& e) {
      lastError = e.getMessage();
    }
  }
  if (error) *error = lastError;
  return nullptr;
}

RtMidiInput::RtMidiInput(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

RtMidiInput::~RtMidiInput() {
  SetCallback(nullptr);
  std::lock_guard<std::mutex> lock(impl_->mutex);
  try {
    impl_->in->cancelCallback();
    if (impl_->open) impl_->in->closePort();
  } catch (const RtMidiError&) {
  }
}

void RtMidiInput::SetCallback(Callback callback) {
  std::lock_guard<std::mutex> lock(impl_->deliver);
  impl_->callback = std::move(callback);
}

unsigned RtMidiInput::PortCount() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->in->getPortCount();
}

std::string RtMidiInput::PortName(unsigned port) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (port >= impl_->in->getPortCount()) return "";
  impl_->failed = false;
  try {
    std::string name = impl_->in->getPortName(port);
    return impl_->failed ? "" : name;
  } catch (const RtMidiError& e) {
    impl_->lastError = e.getMessage();
    return "";
  }
}

bool RtMidiInput::OpenPort(unsigned port, const std::string& portName) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->open) impl_->in->closePort();
  impl_->failed = false;
  try {
    impl_->in->openPort(port, portName);
    impl_->open = !impl_->failed && impl_->in->isPortOpen();
  } catch (const RtMidiError& e) {
    impl_->lastError = e.getMessage();
    impl_->open = false;
  }
  return impl_->open;
}

bool RtMidiInput::OpenVirtualPort(const std::string& portName) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->open) impl_->in->closePort();
  impl_->failed = false;
  try {
    impl_->in->openVirtualPort(portName);
    impl_->open = !impl_->failed;
  } catch (const RtMidiError& e) {
    impl_->lastError = e.getMessage();
    impl_->open = false;
  }
  return impl_->open;
}

void RtMidiInput::ClosePort() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->open) impl_->in->closePort();
  impl_->open = false;
}

bool RtMidiInput::IsPortOpen() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->open;
}

std::string RtMidiInput::ApiName() const { return RtMidi::getApiName(impl_->api); }

std::string RtMidiInput::LastError() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->lastError;
}

}  // namespace vq::platform
