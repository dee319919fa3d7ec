// The vqsim program's MIDI ports: one virtual input and one virtual output, through the same
// ports the editor uses (JACK through our own client, ALSA through RtMidi).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/midi_input.h"
#include "platform/midi_output.h"

namespace vqsim {

class MidiPorts {
 public:
  using Handler = std::function<void(const uint8_t* bytes, size_t count)>;

  MidiPorts();
  ~MidiPorts();

  // Opens virtual ports "inName" and "outName" on the clients "<clientBase>-in" and
  // "<clientBase>-out" (JACK wants distinct client names). api is "jack", "alsa" or "any":
  // "any" takes the first API that opens, as the editor does, for both ports.
  // The handler runs on the input's worker thread, once per complete message (SysEx included);
  // messages the input had to drop, and JACK cycles it missed, are counted and reported on
  // standard error.
  bool Open(const std::string& api, const std::string& clientBase, const std::string& inName,
            const std::string& outName, Handler handler, std::string& error);
  void Close();

  // One message; any thread (the answers go out from a sender thread that may start before
  // the ports are open).
  bool Send(const uint8_t* bytes, size_t count, std::string& error);

  const std::string& ApiName() const { return mApiName; }
  const std::string& InPortName() const { return mInFull; }  // "client:port" on JACK
  const std::string& OutPortName() const { return mOutFull; }

 private:
  std::unique_ptr<vq::platform::RtMidiInput> mIn;
  std::mutex mOutMutex;  // guards mOut: opening and closing against the sender thread
  std::unique_ptr<vq::platform::RtMidiOutput> mOut;
  std::string mApiName, mInFull, mOutFull;
};

}  // namespace vqsim
