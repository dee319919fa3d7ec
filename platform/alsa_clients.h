// The ALSA sequencer's clients and the processes they belong to: which ports of a list are the
// program's own. Internal to platform/.
#pragma once

#include <string_view>
#include <vector>

namespace vq::platform::alsa {

struct SequencerClient {
  int client = 0;  // the client number ports are listed under ("client:port")
  int pid = -1;    // its process; -1 for the kernel's clients or where ALSA does not tell
};

// Every client of the sequencer now; empty when it cannot be opened.
std::vector<SequencerClient> SequencerClients();

// Whether a port named as RtMidi names ALSA ports ("client name:port name C:P") belongs to a
// client of process `pid`. Names may repeat across programs: only the numbers at the end count.
bool PortOfProcess(std::string_view portName, const std::vector<SequencerClient>& clients, int pid);

}  // namespace vq::platform::alsa
