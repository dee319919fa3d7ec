// Incoming MIDI: one port from which messages arrive on a thread other than the caller's. Whoever
// creates the input (the application shell, a test) chooses the port, sets the callback and
// owns the object. Two implementations: the system's input (ALSA through RtMidi or JACK through
// our own client, whichever can open; SysEx and timing are kept, active sensing dropped) and an
// in-memory input that delivers what a test injects, on the injecting thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/midi_port.h"

namespace vq::platform {

class MidiInput : public MidiPort {
 public:
  // One complete message: a short message, a real-time byte or a whole SysEx (F0 .. F7). The
  // bytes are valid only during the call. Called one call at a time, in order of arrival, on
  // the input's own thread (the system's input: our worker, fed through a lock-free queue, so a
  // callback that waits for a lock never stalls the MIDI backend).
  using Callback = std::function<void(const uint8_t* bytes, size_t count)>;

  // Replaces the callback; an empty one drops what arrives. On return no call of the previous
  // callback is running any more, so its owner may go away; do not call it while holding a lock
  // that the callback takes.
  virtual void SetCallback(Callback callback) = 0;

  // Runs on the input's own thread, as soon as incoming messages may have been lost (the MIDI
  // system skipped the input for some of its cycles, or the input had to drop messages), and
  // only while a callback is set: SetCallback(nullptr) ends these calls too. The default input
  // loses nothing and never calls it.
  using LossCallback = std::function<void()>;
  virtual void SetLossCallback(LossCallback) {}
};

// The system's input. Port names are those the MIDI system lists ("client:port" on JACK).
class MidiInputBackend;

extern template class ForwardingMidiPort<MidiInput, MidiInputBackend>;

class RtMidiInput final : public ForwardingMidiPort<MidiInput, MidiInputBackend> {
 public:
  // Null when no API can be opened; *error then holds the last reason. queueLimit is RtMidi's
  // queue for messages that arrive with no callback set (ALSA). A non-empty `api` ("jack" or
  // "alsa", as ApiName gives) tries only that one.
  static std::unique_ptr<RtMidiInput> Create(const std::string& clientName,
                                             unsigned queueLimit = 100,
                                             std::string* error = nullptr,
                                             const std::string& api = {});
  ~RtMidiInput() override;

  void SetCallback(Callback callback) override;
  void SetLossCallback(LossCallback callback) override;

  // Events the backend handed over (a long SysEx may come as several), and messages or pieces
  // lost: the queue to the worker was full, a message missed a piece or was too long. Each
  // growth of the losses is also written to the log.
  uint64_t ReceivedMessages() const;
  uint64_t DroppedMessages() const;
  // Cycles of the MIDI system (JACK) this input missed, and how many times it missed some:
  // what came in meanwhile may be lost. Each gap is also told on the error output at once (at
  // most a line a second; the gaps in between are summed in the next line).
  uint64_t MissedCycles() const;
  uint64_t Gaps() const;
  // The time delivered messages waited for the worker, in nanoseconds: in all, and the longest.
  uint64_t WaitedForWorkerNs() const;
  uint64_t LongestWaitForWorkerNs() const;

  struct Impl;

 private:
  explicit RtMidiInput(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> mImpl;
};

// Delivers injected messages to the callback at once, while a port is "open" (a fresh one is).
// The port mutex is held while the callback runs: one delivery at a time.
class MemoryMidiInput final : public MemoryMidiPort<MidiInput> {
 public:
  void SetCallback(Callback callback) override;

  // False (nothing delivered) for an empty message or a closed port.
  bool Inject(const uint8_t* bytes, size_t count);
  bool Inject(const std::vector<uint8_t>& bytes) { return Inject(bytes.data(), bytes.size()); }

 private:
  Callback mCallback;
};

}  // namespace vq::platform
