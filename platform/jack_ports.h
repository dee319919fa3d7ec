// The MIDI ports of the JACK graph a client can connect to, in JACK's order: what the port lists
// of our JACK input and output show; and the port handling both JACK backends share. Internal to
// platform/.
#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include <atomic>
#include <mutex>
#include <string>

namespace vq::platform {

// The JACK library can deadlock when two threads of a process open, start, stop or close clients
// at once (seen: two closes, each holding one of its locks): ours take turns.
inline std::mutex& JackClientTurns() {
  static std::mutex turns;
  return turns;
}

// jack_client_close, in turn with the other clients' opens and closes.
inline void CloseJackClient(jack_client_t* client) {
  std::lock_guard<std::mutex> turn(JackClientTurns());
  jack_client_close(client);
}

// jack_client_open without starting a server. JACK names a client's socket, for the length of the
// open, after the client's name alone, whatever the server: two processes of the same user
// opening one name at the same moment on different servers break each other's open (our clients
// have fixed names). Our processes take turns on a lock of the user's; null when the open fails.
inline jack_client_t* OpenJackClient(const std::string& name) {
  const std::string lockPath = "/tmp/vq-jack-open-" + std::to_string(getuid()) + ".lock";
  const int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock >= 0)
    while (flock(lock, LOCK_EX) != 0 && errno == EINTR) {
    }
  jack_status_t status{};
  jack_client_t* client = nullptr;
  {
    std::lock_guard<std::mutex> turn(JackClientTurns());
    client = jack_client_open(name.c_str(), JackNoStartServer, &status);
  }
  if (lock >= 0) close(lock);  // and with it the lock
  return client;
}

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
// connected to one port of the graph.
// The client is active only while it has a port: libjack's notification thread walks the
// client's list of ports on every latency change (another client connecting or going away),
// without a lock, and registering or unregistering a port changes that list. An inactive client
// gets no such walk, so the list changes only while the client is inactive.
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
    mPeer = peer;
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
  // A port opened on a peer is open while it is connected to it: the peer's program ending
  // takes the connection along, and JACK does not make it again when the program comes back.
  bool IsPortOpen() const override {
    std::lock_guard<std::mutex> lock(mMutex);
    jack_port_t* port = mPort.load();
    return port && (mPeer.empty() || jack_port_connected_to(port, mPeer.c_str()));
  }
  std::string ApiName() const override { return RtMidi::getApiName(RtMidi::UNIX_JACK); }
  std::string ClientName() const override { return jack_get_client_name(mClient); }
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
  // Deactivates the client (OnPortClosed, still under mMutex), then unregisters the port.
  void CloseLocked() {
    if (jack_port_t* port = ReleaseLocked()) jack_port_unregister(mClient, port);
  }
  // Before the client closes: the port goes with the client, so the list of ports stays as it
  // is while the notification thread may still run.
  void EndLocked() {
    ReleaseLocked();
    mEnded = true;
  }
  virtual void OnPortClosed() {}

  jack_client_t* const mClient;
  std::atomic<jack_port_t*> mPort{nullptr};
  mutable std::mutex mMutex;  // guards the port calls, mLastError and the backend's own
  std::string mLastError;

 private:
  static constexpr unsigned long kPeerFlags = kInput ? JackPortIsOutput : JackPortIsInput;

  bool Register(const std::string& portName) {
    if (mEnded) return Fail("JACK: the MIDI client has stopped");
    jack_port_t* port = jack_port_register(mClient, portName.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                           kInput ? JackPortIsInput : JackPortIsOutput, 0);
    if (!port)
      return Fail(std::string("JACK: could not register the MIDI ") +
                  (kInput ? "input" : "output") + " port \"" + portName + "\"");
    mPort.store(port);
    // Only an active client's ports can be connected.
    bool activated = false;
    {
      std::lock_guard<std::mutex> turn(JackClientTurns());
      activated = jack_activate(mClient) == 0;
    }
    if (!activated) {
      mPort.store(nullptr);
      jack_port_unregister(mClient, port);
      return Fail(std::string("JACK: the MIDI ") + (kInput ? "input" : "output") +
                  " client could not be started");
    }
    mActive = true;
    return true;
  }
  // Deactivates the client and hands back the port, now unused, for the caller to unregister or
  // leave. Deactivation disconnects the port and ends JACK's process thread, cancelling it where
  // it stands (even inside a process call) and joining it: no process call runs after.
  jack_port_t* ReleaseLocked() {
    if (mActive) {
      std::lock_guard<std::mutex> turn(JackClientTurns());
      jack_deactivate(mClient);
    }
    mActive = false;
    mPeer.clear();
    jack_port_t* port = mPort.exchange(nullptr);
    if (port) OnPortClosed();
    return port;
  }

  bool mActive = false;  // under mMutex
  std::string mPeer;     // under mMutex: the port of the graph ours is connected to, if any
  bool mEnded = false;   // under mMutex: EndLocked ran, no port may come
};

}  // namespace vq::platform
