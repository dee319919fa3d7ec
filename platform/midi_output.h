// Outgoing MIDI: the one port through which the plug-in talks to the synthesizer.
// The plug only sends; whoever creates the output (the application shell) chooses and opens
// the port and owns the object. Two implementations: the system's output (ALSA through RtMidi or
// JACK through our own client, whichever can open) and an in-memory recorder that keeps every
// message, for tests and for runs without MIDI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/midi_port.h"

namespace vq::platform {

class MidiOutput : public MidiPort {
 public:
  // Hands one complete message (a short message or a whole SysEx) to the port at once, on the
  // caller's thread. Safe to call from several threads; messages from one thread leave in call
  // order. False when the bytes could not leave (no open port, no bytes, the driver refused
  // them).
  virtual bool Send(const uint8_t* bytes, size_t count) = 0;
  bool Send(const std::vector<uint8_t>& bytes) { return Send(bytes.data(), bytes.size()); }
};

class MidiOutputBackend;

// The system's output. Create tries every API RtMidi was built with, in its order, and keeps the
// first that opens (on a machine without an ALSA sequencer that is JACK). On JACK a message
// leaves over as many cycles as it needs; Send waits for room (a few seconds at most) and
// answers false, sending nothing, when it gets none.
extern template class ForwardingMidiPort<MidiOutput, MidiOutputBackend>;

class RtMidiOutput final : public ForwardingMidiPort<MidiOutput, MidiOutputBackend> {
 public:
  // Null when no API can be opened; *error then holds the last reason. A non-empty `api`
  // ("jack" or "alsa", as ApiName gives) tries only that one.
  static std::unique_ptr<RtMidiOutput> Create(const std::string& clientName,
                                              std::string* error = nullptr,
                                              const std::string& api = {});
  ~RtMidiOutput() override;

  bool Send(const uint8_t* bytes, size_t count) override;
  using MidiOutput::Send;

 private:
  explicit RtMidiOutput(std::unique_ptr<MidiOutputBackend> backend);
  std::unique_ptr<MidiOutputBackend> mBackend;
};

// Keeps every message sent while a port is "open" (a fresh recorder counts as open). Thread-safe.
class MemoryMidiOutput final : public MemoryMidiPort<MidiOutput> {
 public:
  bool Send(const uint8_t* bytes, size_t count) override;
  using MidiOutput::Send;

  std::vector<std::vector<uint8_t>> Messages() const;  // copies, in send order
  size_t SendCount() const;
  void Clear();
  void SetFailing(bool failing);  // makes Send refuse, as a broken driver would

 private:
  std::vector<std::vector<uint8_t>> mMessages;
  bool mFailing = false;
};

}  // namespace vq::platform
