// Outgoing MIDI: the one port through which the plug-in talks to the synthesizer.
// The plug only sends; whoever creates the output (the application shell) chooses and opens
// the port and owns the object. Two backends: RtMidi (ALSA or JACK, whichever can open) and an
// in-memory recorder that keeps every message, for tests and for runs without MIDI.
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

extern template class RtMidiPort<MidiOutput>;

// RtMidi's output. Create tries every API the library was built with, in its own order, and
// keeps the first that constructs (on a machine without an ALSA sequencer that is JACK).
class RtMidiOutput final : public RtMidiPort<MidiOutput> {
 public:
  // Null when no API can be opened; *error then holds the library's last message.
  static std::unique_ptr<RtMidiOutput> Create(const std::string& clientName,
                                              std::string* error = nullptr);
  ~RtMidiOutput() override;

  bool Send(const uint8_t* bytes, size_t count) override;
  using MidiOutput::Send;

  struct Impl;

 private:
  explicit RtMidiOutput(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> mImpl;
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
