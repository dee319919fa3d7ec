// The vqsim program's MIDI ports: one virtual input and one virtual output through RtMidi.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RtMidiIn;
class RtMidiOut;

namespace vqsim {

class MidiPorts {
 public:
  using Handler = std::function<void(const std::vector<unsigned char>&)>;

  MidiPorts();
  ~MidiPorts();

  // Opens virtual ports "inName" and "outName" on the clients "<clientBase>-in" and
  // "<clientBase>-out" (JACK wants distinct client names). api is "jack", "alsa" or "any":
  // "any" tries the compiled APIs in order, since ALSA throws where there is no sequencer.
  // The handler runs on RtMidi's input thread, once per complete message (SysEx included).
  bool Open(const std::string& api, const std::string& clientBase, const std::string& inName,
            const std::string& outName, Handler handler, std::string& error);
  void Close();

  // One message; any thread (the answers go out from a sender thread that may start before
  // the ports are open).
  bool Send(const std::vector<unsigned char>& message, std::string& error);

  const std::string& ApiName() const { return mApiName; }
  const std::string& InPortName() const { return mInFull; }  // "client:port" on JACK
  const std::string& OutPortName() const { return mOutFull; }

 private:
  static void OnInput(double, std::vector<unsigned char>* message, void* self);

  std::unique_ptr<RtMidiIn> mIn;
  std::mutex mOutMutex;  // guards mOut: opening and closing against the sender thread
  std::unique_ptr<RtMidiOut> mOut;
  Handler mHandler;
  std::string mApiName, mInFull, mOutFull;
};

}  // namespace vqsim
