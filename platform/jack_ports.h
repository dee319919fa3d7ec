// The MIDI ports of the JACK graph a client can connect to, in JACK's order: what the port lists
// of our JACK input and output show; and the port handling both JACK backends share. Internal to
// platform/.
#pragma once

#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace vq::platform {

class JackPortList {
 public:
  // `flags`: JackPortIsOutput lists the sources an input takes from, JackPortIsInput the
  // destinations of an output.
  JackPortList(jack_client_t* client, unsigned long flags)
      : mNames(jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, flags)) {}
  ~JackPortList() {
    if (mNames) jack_free(mNames);
  }
  JackPortList(const JackPortList&) = delete;
  JackPortList& operator=(const JackPortList&) = delete;

  unsigned Count() const {
    unsigned n = 0;
    while (mNames && mNames[n]) ++n;
    return n;
  }
  std::string Name(unsigned i) const { return i < Count() ? mNames[i] : ""; }

 private:
  const char** mNames;
};

// The port calls both JACK backends share: one port of our own, registered on open and
// connected to one port of the graph; closing waits for a process call that still holds it.
// `kInput`: the port takes events in (from a source) rather than sending them out.
template <class Backend, bool kInput>
class JackMidiPort : public Backend {
 public:
  unsigned PortCount() override {
    std::lock_guard<std::mutex> lock(mMutex);
    return JackPortList(mClient, kPeerFlags).Count();
  }
  std::string PortName(unsigned port) override {
    std::lock_guard<std::mutex> lock(mMutex);
    return JackPortList(mClient, kPeerFlags).Name(port);
  }
  bool OpenPort(unsigned port, const std::string& portName) override {
    std::lock_guard<std::mutex> lock(mMutex);
    CloseLocked();
    const std::string peer = JackPortList(mClient, kPeerFlags).Name(port);
    if (peer.empty())
      return Fail(std::string("JACK: there is no MIDI ") + (kInput ? "source" : "destination") +
                  " number " + std::to_string(port));
    if (!Register(portName)) return false;
    const std::string own = jack_port_name(mPort.load());
    if (jack_connect(mClient, (kInput ? peer : own).c_str(), (kInput ? own : peer).c_str()) != 0) {
      CloseLocked();
      return Fail(kInput ? "JACK: could not connect " + peer + " to the MIDI input"
                         : "JACK: could not connect the MIDI output to " + peer);
    }
    return true;
  }
  bool OpenVirtualPort(const std::string& portName) override {
    std::lock_guard<std::mutex> lock(mMutex);
    CloseLocked();
    return Register(portName);
  }
  void ClosePort() override {
    std::lock_guard<std::mutex> lock(mMutex);
    CloseLocked();
  }
  bool IsPortOpen() const override { return mPort.load() != nullptr; }
  std::string ApiName() const override { return RtMidi::getApiName(RtMidi::UNIX_JACK); }
  std::string LastError() const override {
    std::lock_guard<std::mutex> lock(mMutex);
    return mLastError;
  }

 protected:
  explicit JackMidiPort(jack_client_t* client) : mClient(client) {}

  bool Fail(const std::string& text) {
    mLastError = text;
    return false;
  }
  // The process thread may still hold the port it loaded: wait for that call to end (a cycle
  // at most) before the port goes. Then OnPortClosed, still under mMutex.
  void CloseLocked() {
    jack_port_t* port = mPort.exchange(nullptr);
    if (!port) return;
    while (mInProcess.load() != 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    jack_port_unregister(mClient, port);
    OnPortClosed();
  }
  virtual void OnPortClosed() {}

  jack_client_t* const mClient;
  std::atomic<jack_port_t*> mPort{nullptr};
  std::atomic<int> mInProcess{0};  // process calls running: they count themselves
  mutable std::mutex mMutex;       // guards the port calls, mLastError and the backend's own
  std::string mLastError;

 private:
  static constexpr unsigned long kPeerFlags = kInput ? JackPortIsOutput : JackPortIsInput;

  bool Register(const std::string& portName) {
    jack_port_t* port = jack_port_register(mClient, portName.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                           kInput ? JackPortIsInput : JackPortIsOutput, 0);
    if (!port)
      return Fail(std::string("JACK: could not register the MIDI ") +
                  (kInput ? "input" : "output") + " port \"" + portName + "\"");
    mPort.store(port);
    return true;
  }
};

}  // namespace vq::platform
