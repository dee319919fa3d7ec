// The MIDI input: a backend per API (ALSA through RtMidi, JACK through our own client) feeding one
// queue, whose worker joins the pieces into whole messages and calls the callback.
#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "platform/error_output.h"
#include "platform/jack_cycles.h"
#include "platform/midi_input.h"
#include "platform/midi_input_backend.h"
#include "platform/midi_input_queue.h"
#include "platform/midi_stream_assembler.h"
#include "platform/rtmidi_port.h"

namespace vq::platform {

namespace {

// RtMidi's ALSA input: the library hands over whole messages on its own thread.
class RtMidiInputBackend final : public RtMidiPort<MidiInputBackend> {
 public:
  RtMidiInputBackend(RtMidi::Api api, const std::string& clientName, unsigned queueLimit,
                     MidiInputQueue& queue)
      : ForwardingMidiPort(mState), mQueue(queue) {
    const auto before = rtmidi::PortState::ClientsBefore(api);
    mIn = std::make_unique<RtMidiIn>(api, clientName, queueLimit);
    mState.Attach(mIn.get(), api, before, clientName);
    // Keep SysEx and timing (the keyboard's clock goes on to the synthesizer); drop active
    // sensing.
    mIn->ignoreTypes(false, false, true);
    mIn->setCallback(&RtMidiInputBackend::OnMessage, this);
  }
  ~RtMidiInputBackend() override { Stop(); }

  void Stop() override {
    std::lock_guard<std::mutex> lock(mState.mutex);
    if (!mIn) return;
    try {
      mIn->cancelCallback();
      if (mState.open) mIn->closePort();
    } catch (const RtMidiError&) {
    }
    mState.open = false;
  }

 private:
  // The library's thread: a copy into the queue, no lock.
  static void OnMessage(double, std::vector<unsigned char>* message, void* user) {
    if (!message || message->empty()) return;
    static_cast<RtMidiInputBackend*>(user)->mQueue.Push(message->data(), message->size());
  }

  rtmidi::PortState mState{/*ignoreWarnings=*/true};  // its mutex guards the port and error text
  MidiInputQueue& mQueue;
  std::unique_ptr<RtMidiIn> mIn;
};

}  // namespace

std::unique_ptr<MidiInputBackend> MakeRtMidiInputBackend(RtMidi::Api api,
                                                         const std::string& clientName,
                                                         unsigned queueLimit,
                                                         MidiInputQueue& queue) {
  return std::make_unique<RtMidiInputBackend>(api, clientName, queueLimit, queue);
}

struct RtMidiInput::Impl {
  std::mutex deliver;  // held while the callbacks run, so SetCallback can wait for them
  Callback callback;
  LossCallback lossCallback;
  MidiStreamAssembler assembler;  // the worker's alone
  std::atomic<uint64_t> assemblerDropped{0};
  uint64_t reportedLosses = 0;  // the worker's: losses already written to the log
  // The worker's: gaps the loss callback was told of, and the lines written about them.
  uint64_t notedGaps = 0;
  JackGapLines gapLines{"MIDI input: incoming MIDI may have been lost: JACK skipped this input for",
                        ""};
  MidiInputQueue queue{[this](const uint8_t* bytes, size_t count, bool afterLoss) {
                         assembler.Feed(bytes, count, afterLoss,
                                        [this](const uint8_t* b, size_t n) {
                                          std::lock_guard<std::mutex> lock(deliver);
                                          if (callback) callback(b, n);
                                        });
                         assemblerDropped.store(assembler.Dropped(), std::memory_order_relaxed);
                         ReportLosses();
                       },
                       MidiInputQueue::kDefaultCapacity, [this] { return ReportGaps(); }};
  std::unique_ptr<MidiInputBackend> backend;  // last, so it goes first: it pushes into the queue

  uint64_t Losses() const {
    return queue.Dropped() + assemblerDropped.load(std::memory_order_relaxed);
  }
  // A lost message is never silent: the count, and a line in the log when it grows.
  void ReportLosses() {
    const uint64_t losses = Losses();
    if (losses == reportedLosses) return;
    errorLine("MIDI input: %" PRIu64
              " incoming message(s) or piece(s) lost so far (input queue full, a piece "
              "missing or a message over %zu bytes)\n",
              losses, MidiStreamAssembler::kMaxMessage);
    reportedLosses = losses;
    TellLoss();
  }
  // A gap is told to the loss callback at once, in a line as gapLines allows; the nanoseconds
  // until a line held back is due (0: none).
  uint64_t ReportGaps() {
    const uint64_t gaps = queue.Gaps();
    if (gaps != notedGaps) TellLoss();
    notedGaps = gaps;
    const auto line = gapLines.Tell(queue.MissedCycles(), gaps, std::chrono::steady_clock::now());
    errorOutput().Write(line.text);
    return std::chrono::nanoseconds(line.held).count();
  }
  void TellLoss() {
    std::lock_guard<std::mutex> lock(deliver);
    if (callback && lossCallback) lossCallback();
  }
};

std::unique_ptr<RtMidiInput> RtMidiInput::Create(const std::string& clientName, unsigned queueLimit,
                                                 std::string* error, const std::string& onlyApi) {
  return rtmidi::CreateWithFirstApi(
      [&](RtMidi::Api api) {
        auto impl = std::make_unique<Impl>();
        impl->backend = api == RtMidi::UNIX_JACK
                            ? MakeJackMidiInputBackend(clientName, impl->queue)
                            : MakeRtMidiInputBackend(api, clientName, queueLimit, impl->queue);
        return std::unique_ptr<RtMidiInput>(new RtMidiInput(std::move(impl)));
      },
      error, onlyApi);
}

RtMidiInput::RtMidiInput(std::unique_ptr<Impl> impl)
    : ForwardingMidiPort(*impl->backend), mImpl(std::move(impl)) {}

RtMidiInput::~RtMidiInput() {
  SetCallback(nullptr);
  mImpl->backend->Stop();
}

void RtMidiInput::SetCallback(Callback callback) {
  std::lock_guard<std::mutex> lock(mImpl->deliver);
  mImpl->callback = std::move(callback);
}

void RtMidiInput::SetLossCallback(LossCallback callback) {
  std::lock_guard<std::mutex> lock(mImpl->deliver);
  mImpl->lossCallback = std::move(callback);
}

uint64_t RtMidiInput::ReceivedMessages() const {
  return mImpl->queue.Pushed();
}

uint64_t RtMidiInput::DroppedMessages() const {
  return mImpl->Losses();
}

uint64_t RtMidiInput::MissedCycles() const {
  return mImpl->queue.MissedCycles();
}

uint64_t RtMidiInput::Gaps() const {
  return mImpl->queue.Gaps();
}

uint64_t RtMidiInput::WaitedForWorkerNs() const {
  return mImpl->queue.WaitedNs();
}

uint64_t RtMidiInput::LongestWaitForWorkerNs() const {
  return mImpl->queue.LongestWaitNs();
}

}  // namespace vq::platform
