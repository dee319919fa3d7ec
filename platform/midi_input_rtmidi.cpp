// RtMidi backend of the MIDI input.
#include "platform/midi_input.h"
#include "platform/midi_input_queue.h"
#include "platform/rtmidi_port.h"

namespace vq::platform {

struct RtMidiInput::Impl {
  rtmidi::PortState port{/*ignoreWarnings=*/true};  // its mutex guards the port and error text
  std::mutex deliver;  // held while the callback runs, so SetCallback can wait for it
  Callback callback;
  // The callback runs on the queue's worker, never on the backend's thread.
  MidiInputQueue queue{[this](const uint8_t* bytes, size_t count) {
    std::lock_guard<std::mutex> lock(deliver);
    if (callback) callback(bytes, count);
  }};
  std::unique_ptr<RtMidiIn> in;  // last, so it goes first: its callbacks point at the above

  // The backend's thread (JACK's realtime one): a copy into the queue, no lock.
  static void OnMessage(double, std::vector<unsigned char>* message, void* user) {
    if (!message || message->empty()) return;
    static_cast<Impl*>(user)->queue.Push(message->data(), message->size());
  }
};

std::unique_ptr<RtMidiInput> RtMidiInput::Create(const std::string& clientName, unsigned queueLimit,
                                                 std::string* error) {
  return rtmidi::CreateWithFirstApi(
      [&](RtMidi::Api api) {
        auto impl = std::make_unique<Impl>();
        impl->in = std::make_unique<RtMidiIn>(api, clientName, queueLimit);
        impl->port.Attach(impl->in.get(), api);
        // Keep SysEx and timing (the keyboard's clock goes on to the synthesizer); drop active
        // sensing.
        impl->in->ignoreTypes(false, false, true);
        impl->in->setCallback(&Impl::OnMessage, impl.get());
        return std::unique_ptr<RtMidiInput>(new RtMidiInput(std::move(impl)));
      },
      error);
}

RtMidiInput::RtMidiInput(std::unique_ptr<Impl> impl)
    : RtMidiPort(impl->port), mImpl(std::move(impl)) {}

RtMidiInput::~RtMidiInput() {
  SetCallback(nullptr);
  std::lock_guard<std::mutex> lock(mImpl->port.mutex);
  try {
    mImpl->in->cancelCallback();
    if (mImpl->port.open) mImpl->in->closePort();
  } catch (const RtMidiError&) {
  }
}

void RtMidiInput::SetCallback(Callback callback) {
  std::lock_guard<std::mutex> lock(mImpl->deliver);
  mImpl->callback = std::move(callback);
}

uint64_t RtMidiInput::ReceivedMessages() const {
  return mImpl->queue.Pushed();
}

uint64_t RtMidiInput::DroppedMessages() const {
  return mImpl->queue.Dropped();
}

uint64_t RtMidiInput::WaitedForWorkerNs() const {
  return mImpl->queue.WaitedNs();
}

uint64_t RtMidiInput::LongestWaitForWorkerNs() const {
  return mImpl->queue.LongestWaitNs();
}

}  // namespace vq::platform
