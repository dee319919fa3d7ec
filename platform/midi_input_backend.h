// The two port backends behind RtMidiInput: ALSA through RtMidi, and JACK through our own client.
// Each hands every event it receives, from its own thread, to the input's queue; joining the
// pieces of a message happens on the queue's worker. Internal to platform/.
#pragma once

#include <rtmidi/RtMidi.h>

#include <memory>
#include <string>

#include "platform/midi_port.h"

namespace vq::platform {

class MidiInputQueue;

class MidiInputBackend : public MidiPort {
 public:
  virtual std::string ApiName() const = 0;  // e.g. "jack" or "alsa"
  virtual std::string LastError() const = 0;
  // Stops handing events to the queue; the queue may go away after this returns.
  virtual void Stop() = 0;
};

extern template class RtMidiPort<MidiInputBackend>;

// Throws RtMidiError when the API cannot be opened, as RtMidi's constructors do. The backend
// pushes into `queue` (its only producer) until Stop.
std::unique_ptr<MidiInputBackend> MakeRtMidiInputBackend(RtMidi::Api api,
                                                         const std::string& clientName,
                                                         unsigned queueLimit,
                                                         MidiInputQueue& queue);
std::unique_ptr<MidiInputBackend> MakeJackMidiInputBackend(const std::string& clientName,
                                                           MidiInputQueue& queue);

}  // namespace vq::platform
