// The two port backends behind RtMidiOutput: ALSA through RtMidi, and JACK through our own
// client. Internal to platform/.
#pragma once

#include <rtmidi/RtMidi.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/midi_port.h"

namespace vq::platform {

class MidiOutputBackend : public MidiPort {
 public:
  // As MidiOutput::Send: the whole message or, with false, none of it.
  virtual bool Send(const uint8_t* bytes, size_t count) = 0;
  virtual std::string ApiName() const = 0;  // e.g. "jack" or "alsa"
  virtual std::string LastError() const = 0;
};

extern template class RtMidiPort<MidiOutputBackend>;

// Both throw RtMidiError when the API cannot be opened, as RtMidi's constructors do.
std::unique_ptr<MidiOutputBackend> MakeRtMidiOutputBackend(RtMidi::Api api,
                                                           const std::string& clientName);
std::unique_ptr<MidiOutputBackend> MakeJackMidiOutputBackend(const std::string& clientName);

}  // namespace vq::platform
