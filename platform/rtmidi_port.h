// Port handling shared by the RtMidi input and output backends: choosing an API, listing,
// opening and closing ports, and turning the library's error callback into false results.
// Internal to platform/: only the RtMidi backends include it.
#pragma once

#include <rtmidi/RtMidi.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/alsa_clients.h"

namespace vq::platform::rtmidi {

// One library object (an RtMidiIn or RtMidiOut, owned by the backend) and what the backend
// knows of it. `mutex` guards everything here; the port calls below take it themselves.
struct PortState {
  // Warnings count as failures unless `ignoreWarnings`; debug warnings never do.
  explicit PortState(bool ignoreWarnings) : ignoreWarnings(ignoreWarnings) {}

  // Over ALSA, the sequencer's clients just before the library object is made on this thread;
  // empty on other systems.
  static std::vector<alsa::SequencerClient> ClientsBefore(RtMidi::Api api);
  // Registers OnError for `midi` and keeps it; call once, right after constructing it, on the
  // thread that did, with what ClientsBefore gave and the client name it was made with.
  void Attach(RtMidi* midi, RtMidi::Api api, const std::vector<alsa::SequencerClient>& before,
              const std::string& clientName);

  // The library's error callback; `user` is the PortState. Runs inside the failing call.
  static void OnError(RtMidiError::Type type, const std::string& text, void* user);

  unsigned PortCount();
  std::string PortName(unsigned port);  // "" for a port that does not exist or fails
  bool OpenPort(unsigned port, const std::string& portName);
  bool OpenVirtualPort(const std::string& portName);
  void ClosePort();
  bool IsPortOpen() const;
  std::string ApiName() const;
  std::string LastError() const;
  std::string ClientName() const { return ""; }  // the library does not tell
  // Over ALSA, a port of the sequencer client this object opened; the library lists them all.
  bool IsOwnPort(const std::string& name) const;

  RtMidi* midi = nullptr;
  RtMidi::Api api = RtMidi::UNSPECIFIED;
  const bool ignoreWarnings;
  mutable std::mutex mutex;
  std::string lastError;
  bool failed = false;  // set by OnError during the current call
  bool open = false;
  // The sequencer clients the library opened for this object, found once as it was made: the
  // kernel names the opening thread as their owner, and that may be any thread of ours.
  std::vector<int> ownClients;
};

// Whether the MIDI system behind `api` can start here: ALSA needs its sequencer device, JACK a
// running server. The JACK library's own messages are taken in, never printed; `why` says in
// one sentence why a system cannot start.
bool SystemAvailable(RtMidi::Api api, std::string* why);

// Tries every API the library was built with but the dummy (or only the one named `only`, e.g.
// "jack", when that is not empty), in the library's order, and returns what `make(api)` gives
// for the first one whose construction does not throw RtMidiError. Null when none does; *error
// then says why each system tried did not start.
template <class Make>
auto CreateWithFirstApi(Make make, std::string* error, const std::string& only = {})
    -> decltype(make(RtMidi::UNSPECIFIED)) {
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  std::string reasons;  // why each system tried did not start, in order
  const auto note = [&reasons](const std::string& why) {
    reasons += (reasons.empty() ? "" : ", and ") + why;
  };
  for (RtMidi::Api api : apis) {
    if (api == RtMidi::RTMIDI_DUMMY) continue;
    if (!only.empty() && RtMidi::getApiName(api) != only) continue;
    // A system that cannot start is not tried: its library would only print why.
    if (std::string why; !SystemAvailable(api, &why)) {
      note(why);
      continue;
    }
    try {
      return make(api);
    } catch (const RtMidiError& e) {
      note(e.getMessage());
    }
  }
  if (error)
    *error = !reasons.empty()
                 ? reasons
                 : "no MIDI API " + (only.empty() ? "" : "\"" + only + "\" ") + "compiled in";
  return nullptr;
}

}  // namespace vq::platform::rtmidi
