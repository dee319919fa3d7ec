#include "tools/vqsim/midi_ports.h"

namespace vqsim {

using vq::platform::RtMidiInput;
using vq::platform::RtMidiOutput;

MidiPorts::MidiPorts() = default;

MidiPorts::~MidiPorts() {
  Close();
}

bool MidiPorts::Open(const std::string& api, const std::string& clientBase,
                     const std::string& inName, const std::string& outName, Handler handler,
                     std::string& error) {
  Close();
  error.clear();
  std::string why;
  auto out = RtMidiOutput::Create(clientBase + "-out", &why, api == "any" ? "" : api);
  if (!out) {
    error = (api == "any" ? std::string() : api + ": ") + why;
    return false;
  }
  const std::string chosen = out->ApiName();
  // The output is in place before the input opens: the first request may be answered at once,
  // from the sender thread.
  if (!out->OpenVirtualPort(outName)) {
    error = chosen + ": " + out->LastError();
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(mOutMutex);
    mOut = std::move(out);
  }
  auto in = RtMidiInput::Create(clientBase + "-in", 1000, &why, chosen);
  if (!in) {
    error = chosen + ": " + why;
    Close();
    return false;
  }
  in->SetCallback(std::move(handler));
  if (!in->OpenVirtualPort(inName)) {
    error = chosen + ": " + in->LastError();
    in->SetCallback(nullptr);
    Close();
    return false;
  }
  mIn = std::move(in);
  mApiName = chosen;
  mInFull = clientBase + "-in:" + inName;
  mOutFull = clientBase + "-out:" + outName;
  return true;
}

void MidiPorts::Close() {
  if (mIn) mIn->SetCallback(nullptr);
  mIn.reset();
  std::lock_guard<std::mutex> lock(mOutMutex);
  mOut.reset();
}

bool MidiPorts::Send(const uint8_t* bytes, size_t count, std::string& error) {
  std::lock_guard<std::mutex> lock(mOutMutex);
  if (!mOut) {
    error = "output not open";
    return false;
  }
  if (mOut->Send(bytes, count)) return true;
  error = mOut->LastError();
  if (error.empty()) error = "the port refused the message";
  return false;
}

}  // namespace vqsim
