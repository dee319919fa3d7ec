// The shell's MIDI objects: creation, port lists, selection by name and the input callbacks.
#include <cstdio>

#include "app/app_shell.h"
#include "editor/vq_editor.h"
#include "platform/error_output.h"
#include "plugin/midi_message.h"

namespace vp = vq::platform;

namespace {

constexpr const char* kInputClient = "RtMidi Input Client";
constexpr const char* kOutputClient = "RtMidi Output Client";
constexpr unsigned kQueueLimit = 100;
constexpr const char* kVirtualInput = "virtual input";
constexpr const char* kVirtualOutput = "virtual output";
constexpr const char* kVirtualInputPort = "To VQEditor4";
constexpr const char* kVirtualOutputPort = "From VQEditor4";

// A channel setting of 0 takes every channel; 1..16 one.
bool PassesChannel(const IMidiMessage& msg, uint16_t channel) {
  return channel == 0 || msg.Channel() + 1 == channel;
}

IMidiMessage ShortMessage(const uint8_t* bytes, size_t count) {
  return IMidiMessage(0, bytes[0], count > 1 ? bytes[1] : 0, count > 2 ? bytes[2] : 0);
}

}  // namespace

// The library makes a JACK object even without a JACK server and only warns; such an object
// can never list or open a port, so it counts as a MIDI system that did not start.
template <class Object>
std::unique_ptr<Object> Started(std::unique_ptr<Object> object, std::string* error) {
  if (!object) return nullptr;
  object->PortCount();
  if (object->LastError().empty()) return object;
  if (error) *error = object->LastError();
  return nullptr;
}

MidiFactory MidiFactory::RtMidi() {
  MidiFactory f;
  f.makeInput = [](const std::string& client, unsigned limit, std::string* error) {
    return std::unique_ptr<vp::MidiInput>(
        Started(vp::RtMidiInput::Create(client, limit, error), error));
  };
  f.makeOutput = [](const std::string& client, std::string* error) {
    auto out = Started(vp::RtMidiOutput::Create(client, error), error);
    // The one start-up line about MIDI (a failure prints its own instead).
    if (out) vq::platform::errorLine("VQEditor4: MIDI through %s\n", out->ApiName().c_str());
    return std::unique_ptr<vp::MidiOutput>(std::move(out));
  };
  return f;
}

AppShell::MadeMidi AppShell::MakeMidi() const {
  MadeMidi m;
  if (!mOptions.midi.makeInput || !mOptions.midi.makeOutput) return m;
  m.deviceInput = mOptions.midi.makeInput(kInputClient, kQueueLimit, &m.error);
  if (!m.deviceInput) return m;
  m.keyboardInput = mOptions.midi.makeInput(kInputClient, kQueueLimit, &m.error);
  if (!m.keyboardInput) return m;
  m.output = mOptions.midi.makeOutput(kOutputClient, &m.error);
  return m;
}

void AppShell::PrepareMidi() {
  if (mMidiMaking.valid() || mMidiMaker.joinable()) return;
  std::promise<MadeMidi> made;
  mMidiMaking = made.get_future();
  mMidiMaker =
      std::thread([this, made = std::move(made), gone = mMidiObjectsGone.get_future()]() mutable {
        made.set_value(MakeMidi());
        gone.wait();
      });
}

bool AppShell::OpenMidiPorts() {
  MadeMidi made = mMidiMaking.valid() ? mMidiMaking.get() : MakeMidi();
  deviceInput = std::move(made.deviceInput);
  keyboardInput = std::move(made.keyboardInput);
  output = std::move(made.output);
  if (!deviceInput || !keyboardInput || !output) {
    // Stopped at the first failure: the objects after it were never made.
    mMidiError = made.error.empty() ? "MIDI could not be started" : made.error;
    vq::platform::errorLine("VQEditor4: MIDI is off: %s\n", mMidiError.c_str());
    return false;
  }
  deviceInput->SetCallback([this](const uint8_t* b, size_t n) { OnDeviceMidiInput(b, n); });
  deviceInput->SetLossCallback([this] {
    if (VQEditor* plug = Plug()) plug->NoteMidiInputLoss();
  });
  keyboardInput->SetCallback([this](const uint8_t* b, size_t n) { OnKeyboardMidiInput(b, n); });
  mMidiError.clear();
  return true;
}

bool AppShell::OwnPort(const std::string& name) const {
  const vp::MidiPort* const ports[] = {deviceInput.get(), keyboardInput.get(), output.get()};
  for (const vp::MidiPort* port : ports)
    if (port && port->IsOwnPort(name)) return true;
  return false;
}

void AppShell::ListMidiPorts() {
  if (!deviceInput || !output) return;
  const auto list = [this](vp::MidiPort& port, const char* virtualName) {
    std::vector<std::string> names = {"off", virtualName};
    for (unsigned i = 0, n = port.PortCount(); i < n; ++i)
      if (std::string name = port.PortName(i); !OwnPort(name)) names.push_back(std::move(name));
    return names;
  };
  inputPorts = list(*deviceInput, kVirtualInput);
  outputPorts = list(*output, kVirtualOutput);
}

int AppShell::FindPort(vp::MidiPort* port, const std::string& name, const char* virtualName) {
  if (name == "off") return kPortOff;
  if (name == virtualName) return kPortVirtual;
  if (port) {
    for (unsigned i = 0, n = port->PortCount(); i < n; ++i)
      if (port->PortName(i) == name && !OwnPort(name)) return kFirstPort + static_cast<int>(i);
  }
  return kPortNone;
}

int AppShell::FindMidiInPort(const std::string& name) {
  return FindPort(deviceInput.get(), name, kVirtualInput);
}
int AppShell::FindKeyboardInPort(const std::string& name) {
  return FindPort(keyboardInput.get(), name, kVirtualInput);
}
int AppShell::FindMidiOutPort(const std::string& name) {
  return FindPort(output.get(), name, kVirtualOutput);
}

// Ports are opened and closed here only, on the main thread without the plug mutex: closing
// waits for a running callback, which may itself wait for that mutex.
bool AppShell::SelectPort(vp::MidiPort* port, int code, const char* virtualName,
                          const char* portName) {
  // Without MIDI the stored choice is kept for a start where MIDI works; a port that is not
  // there now (the synthesizer switched off) is kept too, for when it comes back.
  if (!port) return false;
  port->ClosePort();
  if (code == kPortVirtual) {
    port->OpenVirtualPort(virtualName);
  } else if (code >= kFirstPort) {
    port->OpenPort(static_cast<unsigned>(code - kFirstPort), portName);
  }
  return true;
}

bool AppShell::SelectMidiInput(const std::string& name) {
  return SelectPort(deviceInput.get(), FindMidiInPort(name), kVirtualInputPort, "RtMidi Input");
}

bool AppShell::SelectKeyboardInput(const std::string& name) {
  return SelectPort(keyboardInput.get(), FindKeyboardInPort(name), kVirtualInputPort,
                    "RtMidi Input");
}

bool AppShell::SelectMidiOutput(const std::string& name) {
  return SelectPort(output.get(), FindMidiOutPort(name), kVirtualOutputPort, "RtMidi Output");
}

void AppShell::ReopenChosenPorts() {
  const auto closed = [](vp::MidiPort* port, const std::string& name) {
    return port && name != "off" && !port->IsPortOpen();
  };
  if (closed(output.get(), settings.outputName)) SelectMidiOutput(settings.outputName);
  if (closed(deviceInput.get(), settings.deviceInputName))
    SelectMidiInput(settings.deviceInputName);
  if (closed(keyboardInput.get(), settings.keyboardInputName))
    SelectKeyboardInput(settings.keyboardInputName);
}

void AppShell::WriteMidiSettings() {
  settingsFile.WriteMidi(settings);
}

void AppShell::OnDeviceMidiInput(const uint8_t* bytes, size_t count) {
  VQEditor* plug = Plug();
  if (!plug || count == 0) return;
  if (count <= 3) {
    IMidiMessage msg = ShortMessage(bytes, count);
    if (PassesChannel(msg, settings.deviceInputChannel)) plug->ProcessMidiMsg(&msg);
    return;
  }
  ISysExMessage msg(0, bytes, static_cast<int32_t>(count));
  plug->ProcessSysEx(&msg);
}

void AppShell::OnKeyboardMidiInput(const uint8_t* bytes, size_t count) {
  VQEditor* plug = Plug();
  if (!plug || count == 0 || count > 3) return;  // SysEx from the keyboard is not for us
  if (bytes[0] == 0xF8) {
    IMidiMessage clock(0, 0xF8, 0, 0);
    plug->OnMidiMsgReceived(&clock);
    return;
  }
  IMidiMessage msg = ShortMessage(bytes, count);
  if (PassesChannel(msg, settings.keyboardInputChannel)) plug->OnMidiMsgReceived(&msg);
}
