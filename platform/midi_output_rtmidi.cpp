// The MIDI output: RtMidi's on ALSA, our own client on JACK.
#include "platform/midi_output.h"
#include "platform/midi_output_backend.h"
#include "platform/rtmidi_port.h"

namespace vq::platform {

namespace {

class RtMidiOutputBackend final : public RtMidiPort<MidiOutputBackend> {
 public:
  RtMidiOutputBackend(RtMidi::Api api, const std::string& clientName) : ForwardingMidiPort(mState) {
    const auto before = rtmidi::PortState::ClientsBefore(api);
    mOut = std::make_unique<RtMidiOut>(api, clientName);
    mState.Attach(mOut.get(), api, before, clientName);
  }
  ~RtMidiOutputBackend() override { mState.ClosePort(); }

  // The library reports trouble through the error callback rather than by throwing. Its mutex
  // also keeps one sender at a time.
  bool Send(const uint8_t* bytes, size_t count) override {
    std::lock_guard<std::mutex> lock(mState.mutex);
    if (!mState.open) return false;
    mState.failed = false;
    try {
      mOut->sendMessage(bytes, count);
    } catch (const RtMidiError& e) {
      mState.lastError = e.getMessage();
      return false;
    }
    return !mState.failed;
  }

 private:
  rtmidi::PortState mState{/*ignoreWarnings=*/false};
  std::unique_ptr<RtMidiOut> mOut;  // last, so it goes first: its error callback points at mState
};

}  // namespace

std::unique_ptr<MidiOutputBackend> MakeRtMidiOutputBackend(RtMidi::Api api,
                                                           const std::string& clientName) {
  return std::make_unique<RtMidiOutputBackend>(api, clientName);
}

std::unique_ptr<RtMidiOutput> RtMidiOutput::Create(const std::string& clientName,
                                                   std::string* error, const std::string& onlyApi) {
  return rtmidi::CreateWithFirstApi(
      [&](RtMidi::Api api) {
        auto backend = api == RtMidi::UNIX_JACK ? MakeJackMidiOutputBackend(clientName)
                                                : MakeRtMidiOutputBackend(api, clientName);
        return std::unique_ptr<RtMidiOutput>(new RtMidiOutput(std::move(backend)));
      },
      error, onlyApi);
}

RtMidiOutput::RtMidiOutput(std::unique_ptr<MidiOutputBackend> backend)
    : ForwardingMidiPort(*backend), mBackend(std::move(backend)) {}

RtMidiOutput::~RtMidiOutput() = default;

bool RtMidiOutput::Send(const uint8_t* bytes, size_t count) {
  if (bytes == nullptr || count == 0) return false;
  return mBackend->Send(bytes, count);
}

}  // namespace vq::platform
