// RtMidi backend of the MIDI output.
#include "platform/midi_output.h"
#include "platform/rtmidi_port.h"

namespace vq::platform {

namespace {

// JACK's output ring holds 16384 bytes: RtMidi waits for room for a message that fits, but drops
// a larger one whole without a word. A long SysEx therefore goes out in slices, which the
// receiving side reassembles.
constexpr size_t kJackSliceBytes = 8192;

}  // namespace

struct RtMidiOutput::Impl {
  // Its mutex also keeps one sender at a time: the driver's ring has a single writer.
  rtmidi::PortState port{/*ignoreWarnings=*/false};
  std::unique_ptr<RtMidiOut> out;  // last, so it goes first: its error callback points at port

  // Sends one piece; the library reports trouble through the error callback rather than by
  // throwing. The caller holds port.mutex.
  bool SendPiece(const uint8_t* bytes, size_t count) {
    port.failed = false;
    try {
      out->sendMessage(bytes, count);
    } catch (const RtMidiError& e) {
      port.lastError = e.getMessage();
      return false;
    }
    return !port.failed;
  }
};

std::unique_ptr<RtMidiOutput> RtMidiOutput::Create(const std::string& clientName,
                                                   std::string* error) {
  return rtmidi::CreateWithFirstApi(
      [&](RtMidi::Api api) {
        auto impl = std::make_unique<Impl>();
        impl->out = std::make_unique<RtMidiOut>(api, clientName);
        impl->port.Attach(impl->out.get(), api);
        return std::unique_ptr<RtMidiOutput>(new RtMidiOutput(std::move(impl)));
      },
      error);
}

RtMidiOutput::RtMidiOutput(std::unique_ptr<Impl> impl)
    : RtMidiPort(impl->port), mImpl(std::move(impl)) {}

RtMidiOutput::~RtMidiOutput() {
  mImpl->port.ClosePort();
}

bool RtMidiOutput::Send(const uint8_t* bytes, size_t count) {
  if (bytes == nullptr || count == 0) return false;
  std::lock_guard<std::mutex> lock(mImpl->port.mutex);
  if (!mImpl->port.open) return false;
  if (mImpl->port.api != RtMidi::UNIX_JACK || count <= kJackSliceBytes)
    return mImpl->SendPiece(bytes, count);
  for (size_t at = 0; at < count; at += kJackSliceBytes) {
    size_t n = count - at < kJackSliceBytes ? count - at : kJackSliceBytes;
    if (!mImpl->SendPiece(bytes + at, n)) return false;
  }
  return true;
}

}  // namespace vq::platform
