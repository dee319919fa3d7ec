// JACK backend of the MIDI output, on libjack itself. A JACK port takes a bounded number of bytes
// per process cycle; an event that does not fit is lost without a word to the sender. So Send
// puts the whole message (a long SysEx as pieces) into a lock-free ring, or nothing when it
// cannot get room in time, and the process callback moves into each cycle only the events that
// fit, leaving the rest, in order, for the next cycles.
// Cycles this client misses (an asynchronous server runs on without a client that is late) lose
// nothing here: the clients our port feeds wait for it, and what the ring holds goes out in the
// next cycles, late. That lateness is told on the error output, with the next Send.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/error_output.h"
#include "platform/jack_cycles.h"
#include "platform/jack_ports.h"
#include "platform/midi_output_backend.h"

namespace vq::platform {

namespace {

// A SysEx goes out in pieces of at most this size, so several share a cycle.
constexpr size_t kPieceBytes = 8192;
// What one cycle carries at most: half a port buffer, leaving room for other sources that a
// receiving port mixes with ours.
constexpr size_t kCycleBytes = 16384;
constexpr size_t kRingBytes = size_t{1} << 20;
// How long Send waits for room before it gives up on a stalled server.
constexpr auto kRoomTimeout = std::chrono::seconds(3);

// mMutex also keeps to one sender at a time.
class JackMidiOutputBackend final : public JackMidiPort<MidiOutputBackend, false> {
 public:
  explicit JackMidiOutputBackend(jack_client_t* client) : JackMidiPort(client), mRing(kRingBytes) {}
  ~JackMidiOutputBackend() override {
    {
      std::lock_guard<std::mutex> lock(mMutex);
      EndLocked();
    }
    CloseJackClient(mClient);
  }

  // The client starts with its first port.
  bool Start() {
    return jack_set_process_callback(mClient, &JackMidiOutputBackend::Process, this) == 0;
  }

  bool Send(const uint8_t* bytes, size_t count) override {
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mPort.load()) return false;
    TellLateCycles();
    const size_t pieces = (count + kPieceBytes - 1) / kPieceBytes;
    const size_t needed = count + pieces * sizeof(uint32_t);
    if (needed > mRing.size()) return Fail("JACK: a MIDI message too long to send");
    const auto deadline = std::chrono::steady_clock::now() + kRoomTimeout;
    size_t head = mHead.load(std::memory_order_relaxed);
    while (mRing.size() - (head - mTail.load(std::memory_order_acquire)) < needed) {
      // Once the server has stopped taking our events, later messages fail at once rather
      // than each waiting in turn; they wait again as soon as it takes any.
      const size_t tail = mTail.load(std::memory_order_acquire);
      if (mStalled && tail == mStalledTail) return false;
      mStalled = false;
      if (std::chrono::steady_clock::now() > deadline) {
        mStalled = true;
        mStalledTail = tail;
        return Fail("JACK: the MIDI output did not drain (is the server running?)");
      }
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    for (size_t at = 0; at < count; at += kPieceBytes) {
      const uint32_t n = static_cast<uint32_t>(std::min(kPieceBytes, count - at));
      Put(head, reinterpret_cast<const uint8_t*>(&n), sizeof n);
      Put(head + sizeof n, bytes + at, n);
      head += sizeof n + n;
    }
    mHead.store(head, std::memory_order_release);  // the whole message at once
    return true;
  }

 private:
  // JACK's process thread: events from the ring into this cycle while they fit.
  static int Process(jack_nframes_t frames, void* user) {
    auto* self = static_cast<JackMidiOutputBackend*>(user);
    const uint64_t missed =
        self->mCycles.Next(jack_last_frame_time(self->mClient), frames).value_or(0);
    if (jack_port_t* port = self->mPort.load()) {
      void* buffer = jack_port_get_buffer(port, frames);
      jack_midi_clear_buffer(buffer);
      const size_t head = self->mHead.load(std::memory_order_acquire);
      size_t tail = self->mTail.load(std::memory_order_relaxed);
      // Messages waited in the ring while the cycles went by without us.
      if (missed > 0 && tail != head) {
        self->mLateCycles.fetch_add(missed, std::memory_order_relaxed);
        self->mLateGaps.fetch_add(1, std::memory_order_release);
      }
      size_t carried = 0;
      while (tail != head) {
        uint32_t n = 0;
        self->Get(tail, reinterpret_cast<uint8_t*>(&n), sizeof n);
        if (carried > 0 && (carried + n > kCycleBytes || n > jack_midi_max_event_size(buffer)))
          break;
        // A first event that cannot fit even an empty buffer would block the ring for ever.
        if (jack_midi_data_t* to = jack_midi_event_reserve(buffer, 0, n)) {
          self->Get(tail + sizeof n, to, n);
        } else if (carried > 0) {
          break;
        }
        tail += sizeof n + n;
        carried += n;
      }
      self->mTail.store(tail, std::memory_order_release);
    }
    return 0;
  }

  void Put(size_t at, const uint8_t* from, size_t n) {
    const size_t start = at & (mRing.size() - 1), first = std::min(n, mRing.size() - start);
    std::memcpy(mRing.data() + start, from, first);
    std::memcpy(mRing.data(), from + first, n - first);
  }
  void Get(size_t at, uint8_t* to, size_t n) const {
    const size_t start = at & (mRing.size() - 1), first = std::min(n, mRing.size() - start);
    std::memcpy(to, mRing.data() + start, first);
    std::memcpy(to + first, mRing.data(), n - first);
  }
  // What was not sent goes with the port; no process call runs now, so the next cycles are a
  // new run.
  void OnPortClosed() override {
    mTail.store(mHead.load());
    mCycles.Restart();
  }
  // Under mMutex: the gaps since the last line.
  void TellLateCycles() {
    const uint64_t gaps = mLateGaps.load(std::memory_order_acquire);
    const uint64_t cycles = mLateCycles.load(std::memory_order_relaxed);
    errorOutput().Write(mGapLines.Tell(cycles, gaps, std::chrono::steady_clock::now()).text);
  }

  std::vector<uint8_t> mRing;  // records: a 32-bit length, then the event's bytes
  // Free-running byte positions: Send moves mHead, the process thread mTail.
  std::atomic<size_t> mHead{0}, mTail{0};
  bool mStalled = false;  // a Send timed out while the ring stood at mStalledTail
  size_t mStalledTail = 0;
  JackCycles mCycles;  // the process thread's
  // Cycles missed while messages waited, and how many times; under mMutex: what was told.
  std::atomic<uint64_t> mLateCycles{0}, mLateGaps{0};
  JackGapLines mGapLines{"MIDI output: outgoing MIDI went out late: JACK skipped this output for",
                         " while messages waited"};
};

}  // namespace

std::unique_ptr<MidiOutputBackend> MakeJackMidiOutputBackend(const std::string& clientName) {
  jack_client_t* client = OpenJackClient(clientName);
  if (!client)
    throw RtMidiError("JACK: no server to connect the MIDI output to", RtMidiError::DRIVER_ERROR);
  auto backend = std::make_unique<JackMidiOutputBackend>(client);
  if (!backend->Start())
    throw RtMidiError("JACK: the MIDI output client could not be started",
                      RtMidiError::DRIVER_ERROR);
  return backend;
}

}  // namespace vq::platform
