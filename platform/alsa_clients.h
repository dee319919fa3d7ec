// The ALSA sequencer's clients: which ports of a list are the program's own. Internal to
// platform/.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vq::platform::alsa {

struct SequencerClient {
  int client = 0;  // the client number ports are listed under ("client:port")
  // The thread that opened it, as the kernel tells (a thread id, the process id only for the
  // main thread); -1 for the kernel's clients or where the kernel does not tell.
  int pid = -1;
  std::string name;
};

// Every client of the sequencer now but the one that lists them, which the first call opens
// and the program keeps; empty when the sequencer cannot be opened. Any thread.
std::vector<SequencerClient> SequencerClients();

// The clients of `after` not in `before` that thread `tid` opened meanwhile; where the kernel
// names no owner, those named `name`. A client of both has the same number, owner and name.
std::vector<int> OpenedClients(const std::vector<SequencerClient>& before,
                               const std::vector<SequencerClient>& after, int tid,
                               std::string_view name);

// Whether a port named as RtMidi names ALSA ports ("client name:port name C:P") is one of
// `clients`'. Names may repeat across programs: only the numbers at the end count.
bool PortOfClients(std::string_view portName, const std::vector<int>& clients);

}  // namespace vq::platform::alsa
