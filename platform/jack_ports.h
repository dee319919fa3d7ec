// The MIDI ports of the JACK graph a client can connect to, in JACK's order: what the port lists
// of our JACK input and output show. Internal to platform/.
#pragma once

#include <jack/jack.h>

#include <string>

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

}  // namespace vq::platform
