// Port handling shared by the RtMidi backends.
#include "platform/rtmidi_port.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/jack_ports.h"
#include "platform/midi_input.h"
#include "platform/midi_input_backend.h"
#include "platform/midi_output.h"
#include "platform/midi_output_backend.h"

namespace vq::platform::rtmidi {

namespace {

// The JACK library's messages are kept out of the terminal; the callers report in their words.
// While this thread probes for a server, the first one is kept as the reason it failed.
thread_local std::string* tJackReason = nullptr;

void TakeJackMessage(const char* text) {
  if (tJackReason && tJackReason->empty() && text) *tJackReason = text;
}

// Whether the server answers; else *reason holds what JACK said.
bool JackServerAnswers(std::string* reason) {
  static const bool routed = [] {
    jack_set_error_function(&TakeJackMessage);
    jack_set_info_function(&TakeJackMessage);
    return true;
  }();
  (void)routed;
  // JACK names a client's socket after the client alone, whatever the server: a name shared
  // with another process probing at the same moment (on any server) can break both opens.
  const std::string name = "VQEditor4 probe " + std::to_string(getpid());
  jack_status_t status{};
  tJackReason = reason;
  jack_client_t* probe = nullptr;
  {
    std::lock_guard<std::mutex> turn(JackClientTurns());
    probe = jack_client_open(name.c_str(), JackNoStartServer, &status);
  }
  tJackReason = nullptr;
  if (!probe) {
    if (reason->empty()) *reason = "status " + std::to_string(static_cast<int>(status));
    return false;
  }
  CloseJackClient(probe);
  return true;
}

}  // namespace

bool SystemAvailable(RtMidi::Api api, std::string* why) {
  if (api == RtMidi::LINUX_ALSA) {
    const int fd = open("/dev/snd/seq", O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
      close(fd);
      return true;
    }
    if (why) *why = "no ALSA sequencer (/dev/snd/seq)";
    return false;
  }
  if (api == RtMidi::UNIX_JACK) {
    std::string reason;
    if (JackServerAnswers(&reason)) return true;
    // A server may well run and still not answer this user: say what JACK says.
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    if (why)
      *why = std::string("the JACK server \"") + (name && *name ? name : "default") +
             "\" could not be reached: " + reason;
    return false;
  }
  return true;
}

std::vector<alsa::SequencerClient> PortState::ClientsBefore(RtMidi::Api api) {
  return api == RtMidi::LINUX_ALSA ? alsa::SequencerClients()
                                   : std::vector<alsa::SequencerClient>{};
}

void PortState::Attach(RtMidi* object, RtMidi::Api objectApi,
                       const std::vector<alsa::SequencerClient>& before,
                       const std::string& clientName) {
  midi = object;
  api = objectApi;
  midi->setErrorCallback(&PortState::OnError, this);
  if (api == RtMidi::LINUX_ALSA)
    ownClients = alsa::OpenedClients(before, alsa::SequencerClients(), gettid(), clientName);
}

void PortState::OnError(RtMidiError::Type type, const std::string& text, void* user) {
  auto* self = static_cast<PortState*>(user);
  if (type == RtMidiError::DEBUG_WARNING) return;
  if (self->ignoreWarnings && type == RtMidiError::WARNING) return;
  self->lastError = text;
  self->failed = true;
}

unsigned PortState::PortCount() {
  std::lock_guard<std::mutex> lock(mutex);
  return midi->getPortCount();
}

std::string PortState::PortName(unsigned port) {
  std::lock_guard<std::mutex> lock(mutex);
  if (port >= midi->getPortCount()) return "";
  failed = false;
  try {
    std::string name = midi->getPortName(port);
    return failed ? "" : name;
  } catch (const RtMidiError& e) {
    lastError = e.getMessage();
    return "";
  }
}

bool PortState::OpenPort(unsigned port, const std::string& portName) {
  std::lock_guard<std::mutex> lock(mutex);
  if (open) midi->closePort();
  failed = false;
  try {
    midi->openPort(port, portName);
    open = !failed && midi->isPortOpen();
  } catch (const RtMidiError& e) {
    lastError = e.getMessage();
    open = false;
  }
  return open;
}

bool PortState::OpenVirtualPort(const std::string& portName) {
  std::lock_guard<std::mutex> lock(mutex);
  if (open) midi->closePort();
  failed = false;
  try {
    midi->openVirtualPort(portName);
    open = !failed;
  } catch (const RtMidiError& e) {
    lastError = e.getMessage();
    open = false;
  }
  return open;
}

void PortState::ClosePort() {
  std::lock_guard<std::mutex> lock(mutex);
  if (open) midi->closePort();
  open = false;
}

bool PortState::IsPortOpen() const {
  std::lock_guard<std::mutex> lock(mutex);
  return open;
}

std::string PortState::ApiName() const {
  return RtMidi::getApiName(api);
}

std::string PortState::LastError() const {
  std::lock_guard<std::mutex> lock(mutex);
  return lastError;
}

bool PortState::IsOwnPort(const std::string& name) const {
  return api == RtMidi::LINUX_ALSA && alsa::PortOfClients(name, ownClients);
}

}  // namespace vq::platform::rtmidi

namespace vq::platform {

template <class Direction, class Target>
unsigned ForwardingMidiPort<Direction, Target>::PortCount() {
  return mPort.PortCount();
}

template <class Direction, class Target>
std::string ForwardingMidiPort<Direction, Target>::PortName(unsigned port) {
  return mPort.PortName(port);
}

template <class Direction, class Target>
bool ForwardingMidiPort<Direction, Target>::OpenPort(unsigned port, const std::string& portName) {
  return mPort.OpenPort(port, portName);
}

template <class Direction, class Target>
bool ForwardingMidiPort<Direction, Target>::OpenVirtualPort(const std::string& portName) {
  return mPort.OpenVirtualPort(portName);
}

template <class Direction, class Target>
void ForwardingMidiPort<Direction, Target>::ClosePort() {
  mPort.ClosePort();
}

template <class Direction, class Target>
bool ForwardingMidiPort<Direction, Target>::IsPortOpen() const {
  return mPort.IsPortOpen();
}

template <class Direction, class Target>
std::string ForwardingMidiPort<Direction, Target>::ApiName() const {
  return mPort.ApiName();
}

template <class Direction, class Target>
std::string ForwardingMidiPort<Direction, Target>::LastError() const {
  return mPort.LastError();
}

template <class Direction, class Target>
std::string ForwardingMidiPort<Direction, Target>::ClientName() const {
  return mPort.ClientName();
}

template <class Direction, class Target>
bool ForwardingMidiPort<Direction, Target>::IsOwnPort(const std::string& name) const {
  return mPort.IsOwnPort(name);
}

template class ForwardingMidiPort<MidiInputBackend, rtmidi::PortState>;
template class ForwardingMidiPort<MidiOutputBackend, rtmidi::PortState>;
template class ForwardingMidiPort<MidiInput, MidiInputBackend>;
template class ForwardingMidiPort<MidiOutput, MidiOutputBackend>;

}  // namespace vq::platform
