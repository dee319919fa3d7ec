// A stand-in for the kernel's ALSA sequencer device in the test process. While a FakeSequencer
// lives, opening /dev/snd/seq opens a client of it, and the system calls on that descriptor are
// answered as the kernel answers them; every other call goes on to the C library. As in the
// kernel, a client is opened with the device and closed with it, takes the lowest free number
// from 128 (a closed client's number is given again at once), and is owned by the thread that
// opened it. The kernel's clients 0 ("System") and 14 ("Midi Through") are always there.
#pragma once

#include <string>
#include <vector>

namespace fakeseq {

struct Port {
  std::string name;
  unsigned capability = 0;  // SNDRV_SEQ_PORT_CAP_* bits
};

// One at a time. Descriptors opened while it lived keep working after it: the program may keep
// a client for its whole life.
class FakeSequencer {
 public:
  FakeSequencer();
  ~FakeSequencer();  // closes the other programs' clients still open
  FakeSequencer(const FakeSequencer&) = delete;
  FakeSequencer& operator=(const FakeSequencer&) = delete;

  // A client another program opened: owned by `pid`, named `name`, with `ports` numbered from 0.
  // Its number.
  int OpenOther(int pid, const std::string& name, const std::vector<Port>& ports);
  void CloseOther(int client);
  // The owners (thread ids) of this process's open clients named `name`.
  std::vector<int> OwnersOf(const std::string& name) const;
};

}  // namespace fakeseq
