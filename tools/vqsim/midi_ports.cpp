#include "tools/vqsim/midi_ports.h"

#include <rtmidi/RtMidi.h>

namespace vqsim {

MidiPorts::MidiPorts() = default;

MidiPorts::~MidiPorts() {
  Close();
}

bool MidiPorts::Open(const std::string& api, const std::string& clientBase,
                     const std::string& inName, const std::string& outName, Handler handler,
                     std::string& error) {
  Close();
  mHandler = std::move(handler);
  std::vector<RtMidi::Api> apis;
  if (api == "jack") {
    apis.push_back(RtMidi::UNIX_JACK);
  } else if (api == "alsa") {
    apis.push_back(RtMidi::LINUX_ALSA);
  } else {
    RtMidi::getCompiledApi(apis);
  }
  error.clear();
  for (RtMidi::Api a : apis) {
    try {
      auto in = std::make_unique<RtMidiIn>(a, clientBase + "-in", 1000);
      auto out = std::make_unique<RtMidiOut>(a, clientBase + "-out");
      // Keep SysEx and clock; drop active sensing.
      in->ignoreTypes(false, false, true);
      in->setCallback(&MidiPorts::OnInput, this);
      // The output is in place before the input opens: the first request may be answered
      // at once, from the sender thread.
      out->openVirtualPort(outName);
      {
        std::lock_guard<std::mutex> lock(mOutMutex);
        mOut = std::move(out);
      }
      try {
        in->openVirtualPort(inName);
      } catch (const RtMidiError&) {
        std::lock_guard<std::mutex> lock(mOutMutex);
        mOut.reset();
        throw;
      }
      mIn = std::move(in);
      mApiName = RtMidi::getApiName(a);
      mInFull = clientBase + "-in:" + inName;
      mOutFull = clientBase + "-out:" + outName;
      return true;
    } catch (const RtMidiError& e) {
      error += RtMidi::getApiName(a) + ": " + e.getMessage() + "; ";
    }
  }
  if (error.empty()) error = "no MIDI API compiled in";
  return false;
}

void MidiPorts::Close() {
  if (mIn) {
    try {
      mIn->cancelCallback();
      mIn->closePort();
    } catch (const RtMidiError&) {
    }
  }
  mIn.reset();
  std::lock_guard<std::mutex> lock(mOutMutex);
  if (mOut) {
    try {
      mOut->closePort();
    } catch (const RtMidiError&) {
    }
  }
  mOut.reset();
}

bool MidiPorts::Send(const std::vector<unsigned char>& message, std::string& error) {
  std::lock_guard<std::mutex> lock(mOutMutex);
  if (!mOut) {
    error = "output not open";
    return false;
  }
  try {
    mOut->sendMessage(&message);
    return true;
  } catch (const RtMidiError& e) {
    error = e.getMessage();
    return false;
  }
}

void MidiPorts::OnInput(double, std::vector<unsigned char>* message, void* self) {
  auto* ports = static_cast<MidiPorts*>(self);
  if (message && ports->mHandler) ports->mHandler(*message);
}

}  // namespace vqsim
