// Which ports of an ALSA port list are the program's own: those of a sequencer client of its
// process, found by the client number RtMidi puts at the end of each name.
#include <gtest/gtest.h>

#include "platform/alsa_clients.h"

namespace {

using vq::platform::alsa::PortOfProcess;
using vq::platform::alsa::SequencerClient;

TEST(AlsaClients, OnlyPortsOfTheProcesssOwnClientsAreItsOwn) {
  const int we = 4242;
  const std::vector<SequencerClient> clients = {
      {0, -1}, {14, -1}, {128, we}, {129, 777}, {130, we}};
  const struct {
    const char* name;
    bool own;
  } rows[] = {
      {"RtMidi Input Client:RtMidi Input 128:0", true},
      {"RtMidi Output Client:RtMidi Output 130:0", true},
      {"RtMidi Output Client:RtMidi Output 129:0", false},  // another program's, same name
      {"Midi Through:Midi Through Port-0 14:0", false},
      {"Gone:Port 131:0", false},          // a client that is not there
      {"A 130:0 name:Port 129:1", false},  // only the numbers at the end count
      {"Odd: name:Port 128:1", true},      // blanks and colons inside the names
      {"RtMidi Output Client:RtMidi Output", false},
      {"X:Y 128:", false},
      {"X:Y :0", false},
      {"X:Y 128:0 ", false},
      {"X:Y 128:0x", false},
      {"X:Y128:0", false},
      {"", false},
  };
  for (const auto& r : rows) EXPECT_EQ(PortOfProcess(r.name, clients, we), r.own) << r.name;
  EXPECT_FALSE(PortOfProcess("System:Timer 0:0", clients, -1));  // an unknown process owns none
}

}  // namespace
