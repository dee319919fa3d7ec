// vqsim as a separate process on JACK MIDI ports, talking to this test's own ports.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sim_test_util.h"
#include "support/jack_server.h"
#include "support/vqsim_process.h"

namespace vqsim::test {
namespace {

bool IsDump(const std::vector<uint8_t>& m) {
  return m.size() == 213 && m[5] == 0x41;
}

bool IsSevenByteReply(const std::vector<uint8_t>& m) {
  return m.size() == 7;
}

class VqsimOverJack : public ::testing::Test {
 protected:
  void SetUp() override {
    VQ_SKIP_WITHOUT_JACK();
    ASSERT_TRUE(peer.Open("vqsimtest")) << peer.Error();
  }

  void Connect() {
    EXPECT_EQ(vqtest::JackFindPort(sim.InPort()), sim.InPort());
    ASSERT_TRUE(sim.Connect(peer.OutPort(), peer.InPort())) << sim.Error();
  }

  vqtest::JackMidiPeer peer;
  vqtest::VqsimProcess sim;
};

TEST_F(VqsimOverJack, RequestDumpWriteAndStateAtExit) {
  ASSERT_TRUE(sim.Start({.distinct = true})) << sim.Error();
  Connect();

  ASSERT_TRUE(peer.Send(Request(12)));
  const auto dump = peer.WaitForMessage(IsDump, 5000);
  ASSERT_TRUE(dump) << "no dump within 5 s";
  EXPECT_EQ(*dump, BuildProgramDump(DistinctProgram(12), 12));

  DeviceProgram p = InitProgram();
  p.SetName("Written over JACK");
  ASSERT_TRUE(peer.Send(BuildProgramWrite(p, 30)));
  const auto ack = peer.WaitForMessage(IsSevenByteReply, 5000);
  ASSERT_TRUE(ack);
  EXPECT_EQ(*ack, BuildReply(0x05, 0x21));

  // NRPN and a note reach the engine; the log follows while vqsim runs.
  peer.Send(Cc(99, 5));
  peer.Send(Cc(98, 8));
  peer.Send(Cc(6, 99));
  peer.Send(SysEx9(0x05, 0x50, 60, 90));
  EXPECT_TRUE(sim.WaitForLogLine("sysex-note-on 60 90", 5000));
  const auto lines = sim.LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "nrpn 5 8 99"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "write 30 ok Written over JACK"), lines.end());
  EXPECT_TRUE(sim.Faults().empty());

  EXPECT_EQ(sim.Stop(), 0);
  const auto slots = sim.ReadSlots();
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[29], p);
  EXPECT_EQ((*slots)[11], DistinctProgram(12));
}

TEST_F(VqsimOverJack, MisbehaviourSetAtStartAndByCommand) {
  ASSERT_TRUE(sim.Start({.faults = {"kind=request,mode=error-reply"}})) << sim.Error();
  Connect();

  ASSERT_TRUE(peer.Send(Request(1)));
  auto reply = peer.WaitForMessage(nullptr, 5000);
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply, BuildReply(0x05, 0x22));

  ASSERT_TRUE(sim.Command("fault kind=request,mode=truncated,length=40")) << sim.Error();
  ASSERT_TRUE(peer.Send(Request(2)));
  reply = peer.WaitForMessage(nullptr, 5000);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->size(), 40u);
  EXPECT_EQ(reply->back(), 0xF7);

  ASSERT_TRUE(sim.Command("clear-faults"));
  ASSERT_TRUE(peer.Send(Request(3)));
  reply = peer.WaitForMessage(nullptr, 5000);
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply, BuildProgramDump(InitProgram(), 3));
  EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(VqsimOverJack, BankDownloadOf99Dumps) {
  ASSERT_TRUE(sim.Start({.distinct = true})) << sim.Error();
  Connect();
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    ASSERT_TRUE(peer.Send(Request(slot)));
    const auto dump = peer.WaitForMessage(IsDump, 5000);
    ASSERT_TRUE(dump) << "slot " << slot;
    ASSERT_EQ((*dump)[7], slot);
    ASSERT_EQ(ProgramFromMessage(*dump), DistinctProgram(slot));
  }
  EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(VqsimOverJack, EndsCleanlyOnSigtermAndSavesItsSlots) {
  ASSERT_TRUE(sim.Start()) << sim.Error();
  Connect();
  DeviceProgram p = DistinctProgram(77);
  ASSERT_TRUE(peer.Send(BuildProgramWrite(p, 77)));
  ASSERT_TRUE(peer.WaitForMessage(IsSevenByteReply, 5000));
  ASSERT_TRUE(sim.SendSignal(SIGTERM));
  EXPECT_EQ(sim.Stop(), 0);
  const auto slots = sim.ReadSlots();
  ASSERT_TRUE(slots);
  EXPECT_EQ((*slots)[76], p);
  EXPECT_EQ((*slots)[75], InitProgram());
}

TEST_F(VqsimOverJack, SlowAnswerComesLateAndLetsLaterAnswersPass) {
  ASSERT_TRUE(sim.Start({.faults = {"kind=request,mode=slow,ms=400"}})) << sim.Error();
  Connect();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(peer.Send(Request(5)));
  ASSERT_TRUE(peer.Send(BuildProgramWrite(InitProgram(), 6)));
  const auto first = peer.WaitForMessage(nullptr, 5000);
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, BuildReply(0x05, 0x21));
  const auto second = peer.WaitForMessage(nullptr, 5000);
  ASSERT_TRUE(second);
  EXPECT_TRUE(IsDump(*second));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
  EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(VqsimOverJack, BurstOfAnswersLosesNothing) {
  ASSERT_TRUE(sim.Start({.distinct = true})) << sim.Error();
  Connect();
  // A bank's worth of requests at once: far more dump bytes than one JACK cycle carries.
  const int kBurst = 99;
  for (int i = 0; i < kBurst; ++i) ASSERT_TRUE(peer.Send(Request(1 + i % kSlotCount)));
  ASSERT_TRUE(peer.WaitFor(kBurst, 10000))
      << peer.Messages().size() << " of " << kBurst << " arrived, " << peer.Dropped()
      << " lost by this test's input";
  const auto messages = peer.Messages();
  for (int i = 0; i < kBurst; ++i) {
    ASSERT_TRUE(IsDump(messages[i])) << i;
    EXPECT_EQ(messages[i][7], 1 + i % kSlotCount) << i;
  }
  EXPECT_EQ(sim.Stop(), 0);
}

TEST(VqsimProgram, RefusesBadArgumentsWithStatus2) {
  vqtest::VqsimProcess sim;
  EXPECT_FALSE(sim.Start({.faults = {"kind=write,mode=bad-checksum"}}, 5000));
  EXPECT_EQ(sim.Stop(), 2);
}

// An asynchronous server runs on without a client that is late: what came in for it meanwhile
// is gone, and vqsim says so at once.
TEST(VqsimOnAnAsynchronousServerOverJack, CyclesMissedWhileStoppedAreTold) {
  VQ_SKIP_WITHOUT_JACK();
  vqtest::JackServer server;
  ASSERT_TRUE(server.Start(256, /*synchronous=*/false)) << server.Error();
  vqtest::JackMidiPeer peer;
  ASSERT_TRUE(peer.Open("vqsimasync")) << peer.Error();
  vqtest::VqsimProcess sim;
  ASSERT_TRUE(sim.Start({.keepErrorOutput = true})) << sim.Error();
  ASSERT_TRUE(sim.Connect(peer.OutPort(), peer.InPort())) << sim.Error();
  // A clock every millisecond: something comes in every cycle.
  std::atomic<bool> sending{true};
  std::thread clock([&] {
    while (sending) {
      peer.Send({0xF8});
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_TRUE(sim.WaitForLogLine("clock", 5000));
  sim.SendSignal(SIGSTOP);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // about 37 cycles
  sim.SendSignal(SIGCONT);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (sim.ErrorOutput().find("incoming MIDI may have been lost") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  sending = false;
  clock.join();
  EXPECT_NE(sim.ErrorOutput().find("incoming MIDI may have been lost"), std::string::npos)
      << sim.ErrorOutput();
  EXPECT_EQ(sim.Stop(), 0);
}

}  // namespace
}  // namespace vqsim::test
