// The shell's MIDI objects: creation, port lists, selection by name and the input callbacks.
#include <cstdio>

#include "app/app_shell.h"
#include "editor/vq_editor.h"
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

template <class Port>
bool OpenByCode(Port& port, int code, const char* virtualName, const char* portName) {
  port.ClosePort();
  if (code == kPortOff) return true;
  if (code == kPortVirtual) return port.OpenVirtualPort(virtualName);
  return port.OpenPort(static_cast<unsigned>(code - kFirstPort), portName);
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
    return std::unique_ptr<vp::MidiOutput>(Started(vp::RtMidiOutput::Create(client, error), error));
  };
  return f;
}

bool AppShell::OpenMidiPorts() {
  std::string error;
  const auto fail = [&] {
    mMidiError = error.empty() ? "MIDI could not be started" : error;
    std::fprintf(stderr, "VQEditor4: MIDI is off: %s\n", mMidiError.c_str());
    return false;
  };
  if (!mOptions.midi.makeInput || !mOptions.midi.makeOutput) return fail();
  deviceInput = mOptions.midi.makeInput(kInputClient, kQueueLimit, &error);
  if (!deviceInput) return fail();
  keyboardInput = mOptions.midi.makeInput(kInputClient, kQueueLimit, &error);
  if (!keyboardInput) return fail();
  output = mOptions.midi.makeOutput(kOutputClient, &error);
  if (!output) return fail();
  deviceInput->SetCallback([this](const uint8_t* b, size_t n) { OnDeviceMidiInput(b, n); });
  keyboardInput->SetCallback([this](const uint8_t* b, size_t n) { OnKeyboardMidiInput(b, n); });
  mMidiError.clear();
  return true;
}

void AppShell::ListMidiPorts() {
  if (!deviceInput || !output) return;
  inputPorts = {"off", kVirtualInput};
  for (unsigned i = 0, n = deviceInput->PortCount(); i < n; ++i)
    inputPorts.push_back(deviceInput->PortName(i));
  outputPorts = {"off", kVirtualOutput};
  for (unsigned i = 0, n = output->PortCount(); i < n; ++i)
    outputPorts.push_back(output->PortName(i));
}

int AppShell::FindPort(vp::MidiInput* in, vp::MidiOutput* out, const std::string& name,
                       const char* virtualName) {
  if (name == "off") return kPortOff;
  if (name == virtualName) return kPortVirtual;
  if (in) {
    for (unsigned i = 0, n = in->PortCount(); i < n; ++i)
      if (in->PortName(i) == name) return kFirstPort + static_cast<int>(i);
  } else if (out) {
    for (unsigned i = 0, n = out->PortCount(); i < n; ++i)
      if (out->PortName(i) == name) return kFirstPort + static_cast<int>(i);
  }
  return kPortNone;
}

int AppShell::FindMidiInPort(const std::string& name) {
  return FindPort(deviceInput.get(), nullptr, name, kVirtualInput);
}
int AppShell::FindKeyboardInPort(const std::string& name) {
  return FindPort(keyboardInput.get(), nullptr, name, kVirtualInput);
}
int AppShell::FindMidiOutPort(const std::string& name) {
  return FindPort(nullptr, output.get(), name, kVirtualOutput);
}

// Ports are opened and closed here only, on the main thread without the plug mutex: closing
// waits for a running callback, which may itself wait for that mutex.
bool AppShell::SelectMidiInput(const std::string& name) {
  // Without MIDI the stored choice is kept for a start where MIDI works.
  if (!deviceInput) return false;
  int code = FindMidiInPort(name);
  if (code == kPortNone) {
    settings.deviceInputName = "off";
    WriteMidiSettings();
    code = kPortOff;
  }
  OpenByCode(*deviceInput, code, kVirtualInputPort, "RtMidi Input");
  return true;
}

bool AppShell::SelectKeyboardInput(const std::string& name) {
  if (!keyboardInput) return false;
  int code = FindKeyboardInPort(name);
  if (code == kPortNone) {
    settings.keyboardInputName = "off";
    WriteMidiSettings();
    code = kPortOff;
  }
  OpenByCode(*keyboardInput, code, kVirtualInputPort, "RtMidi Input");
  return true;
}

bool AppShell::SelectMidiOutput(const std::string& name) {
  if (!output) return false;
  int code = FindMidiOutPort(name);
  if (code == kPortNone) {
    settings.outputName = "off";
    WriteMidiSettings();
    code = kPortOff;
  }
  OpenByCode(*output, code, kVirtualOutputPort, "RtMidi Output");
  return true;
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
