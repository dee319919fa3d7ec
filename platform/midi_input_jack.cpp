// JACK backend of the MIDI input, on libjack itself. JACK may hand a long SysEx over as several
// events, in several process cycles, and its process thread is the audio server's: a client
// that is slow there misses cycles and with them events. So the process callback only copies
// each event, whole, into the input's lock-free queue; nothing there allocates, locks or calls
// out, and the pieces are joined on the queue's worker.
#include <jack/jack.h>
#include <jack/midiport.h>

#include "platform/midi_input_backend.h"
#include "platform/jack_cycles.h"
#include "platform/jack_ports.h"
#include "platform/midi_input_queue.h"

namespace vq::platform {

namespace {

class JackMidiInputBackend final : public JackMidiPort<MidiInputBackend, true> {
 public:
  JackMidiInputBackend(jack_client_t* client, MidiInputQueue& queue)
      : JackMidiPort(client), mQueue(queue) {}
  ~JackMidiInputBackend() override {
    Stop();
    CloseJackClient(mClient);
  }

  // Registers the process callback (the client starts with its first port); false with the
  // reason otherwise.
  bool Start(std::string* error) {
    if (jack_set_process_callback(mClient, &JackMidiInputBackend::Process, this) != 0) {
      *error = "JACK: the MIDI input client could not be started";
      return false;
    }
    return true;
  }

  void Stop() override {
    std::lock_guard<std::mutex> lock(mMutex);
    EndLocked();  // returns once no process call runs any more
  }

 private:
  // JACK's process thread: each event's bytes into the queue, as they are.
  static int Process(jack_nframes_t frames, void* user) {
    auto* self = static_cast<JackMidiInputBackend*>(user);
    // A cycle this client missed took its events along (an asynchronous server runs on
    // without a client that is late): what was open then is broken, the worker must not join
    // across the hole, and the loss is counted and told. A cycle run late, at the time of one
    // already run, missed nothing but is no place to join across either.
    if (const auto missed = self->mCycles.Next(jack_last_frame_time(self->mClient), frames))
      self->mQueue.MarkGap(*missed);
    if (jack_port_t* port = self->mPort.load()) {
      void* buffer = jack_port_get_buffer(port, frames);
      const uint32_t events = jack_midi_get_event_count(buffer);
      for (uint32_t i = 0; i < events; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0 && event.size > 0)
          self->mQueue.Push(event.buffer, event.size);
      }
    }
    return 0;
  }

  // No process call runs now: the next cycles are a new run, whatever time passed.
  void OnPortClosed() override { mCycles.Restart(); }

  MidiInputQueue& mQueue;
  JackCycles mCycles;
};

}  // namespace

std::unique_ptr<MidiInputBackend> MakeJackMidiInputBackend(const std::string& clientName,
                                                           MidiInputQueue& queue) {
  jack_client_t* client = OpenJackClient(clientName);
  if (!client)
    throw RtMidiError("JACK: no server to connect the MIDI input to", RtMidiError::DRIVER_ERROR);
  auto backend = std::make_unique<JackMidiInputBackend>(client, queue);
  std::string error;
  if (!backend->Start(&error)) throw RtMidiError(error, RtMidiError::DRIVER_ERROR);
  return backend;
}

}  // namespace vq::platform
