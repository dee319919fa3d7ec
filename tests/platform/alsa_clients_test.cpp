// Which ports of an ALSA port list are the program's own: those of the sequencer clients its
// library objects opened, found by the client number RtMidi puts at the end of each name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "platform/alsa_clients.h"

namespace {

using vq::platform::alsa::OpenedClients;
using vq::platform::alsa::PortOfClients;
using vq::platform::alsa::SequencerClient;

// The kernel names the thread that opened a client as its owner: the program makes its MIDI
// objects on a worker thread, whose id is not the process's.
TEST(AlsaClients, TheClientsAnObjectOpenedAreFoundOnAnyThread) {
  const std::string name = "RtMidi Input Client";
  std::vector<int> opened;
  int worker = 0;
  std::thread([&] {
    worker = gettid();
    // A closed client's number is given to the next client opened, at once.
    const std::vector<SequencerClient> before = {
        {0, -1, "System"},  {14, -1, "Midi Through"},    {128, worker, name},
        {134, 777, "Keys"}, {135, worker, "Client-135"}, {136, 777, name}};
    std::vector<SequencerClient> after(before.begin(), before.end() - 3);
    after.insert(after.end(), {{129, worker, name},    // ours
                               {130, 777, name},       // another program's, same name
                               {131, getpid(), name},  // the main thread's
                               {132, -1, name},        // a kernel that names no owner
                               {133, -1, "Other"},
                               {134, worker, name},    // ours, in another program's number
                               {135, worker, name},    // ours, in one this thread closed
                               {136, worker, name}});  // ours, in another program's of our name
    opened = OpenedClients(before, after, gettid(), name);
  }).join();
  ASSERT_NE(worker, getpid());
  EXPECT_EQ(opened, (std::vector<int>{129, 132, 134, 135, 136}));

  const struct {
    const char* name;
    bool own;
  } rows[] = {
      {"RtMidi Input Client:RtMidi Input 129:0", true},
      {"RtMidi Input Client:RtMidi Input 132:0", true},
      {"RtMidi Input Client:RtMidi Input 128:0", false},  // there before: not this object's
      {"RtMidi Input Client:RtMidi Input 130:0", false},
      {"Midi Through:Midi Through Port-0 14:0", false},
      {"A 129:0 name:Port 130:1", false},  // only the numbers at the end count
      {"Odd: name:Port 129:1", true},      // blanks and colons inside the names
      {"RtMidi Output Client:RtMidi Output", false},
      {"X:Y 129:", false},
      {"X:Y :0", false},
      {"X:Y 129:0 ", false},
      {"X:Y 129:0x", false},
      {"X:Y129:0", false},
      {"", false},
  };
  for (const auto& r : rows) EXPECT_EQ(PortOfClients(r.name, opened), r.own) << r.name;
}

}  // namespace
