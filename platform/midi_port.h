// Port handling both MIDI directions share, and two implementations: RtMidi's (ALSA) and the
// in-memory twin tests use.
#pragma once

#include <mutex>
#include <string>

namespace vq::platform {

namespace rtmidi {
struct PortState;
}

class MidiPort {
 public:
  virtual ~MidiPort() = default;

  // For the shell. Port numbers count from 0 in the order of PortName.
  virtual unsigned PortCount() = 0;
  virtual std::string PortName(unsigned port) = 0;  // "" for a port that does not exist
  virtual bool OpenPort(unsigned port, const std::string& portName) = 0;
  virtual bool OpenVirtualPort(const std::string& portName) = 0;
  virtual void ClosePort() = 0;
  // Where the MIDI system tells (JACK), a port opened on another program's port is open only
  // while it is connected to it.
  virtual bool IsPortOpen() const = 0;
  virtual std::string ApiName() const { return ""; }  // e.g. "jack" or "alsa"
  virtual std::string LastError() const { return ""; }
  // The client name this object's own ports are listed under ("client:port"), where the MIDI
  // system tells (JACK); "" elsewhere.
  virtual std::string ClientName() const { return ""; }
  // Whether a port of the list (PortName) is one of this process's own: under this object's
  // client name by default; over ALSA, any port of a client the process owns.
  virtual bool IsOwnPort(const std::string& name) const {
    const std::string client = ClientName();
    return !client.empty() && name.size() > client.size() &&
           name.compare(0, client.size(), client) == 0 && name[client.size()] == ':';
  }
};

// The port calls of a direction passed on to the object that does them, which the owner keeps
// alive as long as this: an RtMidi backend's library state, or the backend a system input or
// output chose.
template <class Direction, class Target>
class ForwardingMidiPort : public Direction {
 public:
  unsigned PortCount() override;
  std::string PortName(unsigned port) override;
  bool OpenPort(unsigned port, const std::string& portName) override;
  bool OpenVirtualPort(const std::string& portName) override;
  void ClosePort() override;
  bool IsPortOpen() const override;

  std::string ApiName() const override;
  std::string LastError() const override;
  std::string ClientName() const override;
  bool IsOwnPort(const std::string& name) const override;

 protected:
  explicit ForwardingMidiPort(Target& port) : mPort(port) {}
  Target& mPort;
};

template <class Direction>
using RtMidiPort = ForwardingMidiPort<Direction, rtmidi::PortState>;

// One port, "Memory", open from the start.
template <class Direction>
class MemoryMidiPort : public Direction {
 public:
  unsigned PortCount() override { return 1; }
  std::string PortName(unsigned port) override { return port == 0 ? "Memory" : ""; }
  bool OpenPort(unsigned port, const std::string&) override {
    std::lock_guard<std::mutex> lock(mMutex);
    mOpen = port == 0;
    return mOpen;
  }
  bool OpenVirtualPort(const std::string&) override {
    std::lock_guard<std::mutex> lock(mMutex);
    mOpen = true;
    return true;
  }
  void ClosePort() override {
    std::lock_guard<std::mutex> lock(mMutex);
    mOpen = false;
  }
  bool IsPortOpen() const override {
    std::lock_guard<std::mutex> lock(mMutex);
    return mOpen;
  }

 protected:
  mutable std::mutex mMutex;  // guards mOpen and what the backend keeps
  bool mOpen = true;
};

}  // namespace vq::platform
