// The editor against the simulated synthesizer's engine in-process: whatever the editor sends
// goes to the engine, whatever the engine answers comes back to the SysEx handler, one idle
// call per round. Each way the device can spoil a program request ends in its own state.
#include "editor_test_support.h"
#include "tools/vqsim/device_program.h"
#include "tools/vqsim/sim_engine.h"

namespace vqtest {
namespace {

class CountingTransfers : public NullBankTransfers {
 public:
  bool SaveReceivedProgram(VQEditor&, int slot, const uint8_t*) override {
    slots.push_back(slot);
    return true;
  }
  std::vector<int> slots;
};

class InProcessSimTest : public EditorTest {
 protected:
  VQEditor& Start() {
    VQEditor& e = Make();
    sim.FillSlots(true);
    auto t = std::make_unique<CountingTransfers>();
    transfers = t.get();
    e.bankTransfers = std::move(t);
    delivered = Mark();
    return e;
  }
  // Hands what the editor sent since the last round to the engine and its answers back.
  void Round() {
    const auto sent = Since(delivered);
    delivered = Mark();
    for (const auto& m : sent) {
      for (const vqsim::OutMessage& answer : sim.Receive(m)) {
        ISysExMessage msg(0, answer.bytes.data(), static_cast<int32_t>(answer.bytes.size()));
        if (answer.bytes.size() > 3) editor->ProcessSysEx(&msg);
      }
    }
    editor->OnTick();
  }
  void Request(int slot) {
    editor->requestSlot = slot;
    editor->requestPending = true;
    editor->OnTick();
  }
  void Spoil(vqsim::Misbehaviour mode, uint32_t count = 0) {
    vqsim::MisbehaviourRule rule;
    rule.kind = vqsim::AnswerKind::ProgramRequest;
    rule.mode = mode;
    rule.count = count;
    std::string error;
    ASSERT_TRUE(sim.Plan().Add(rule, error)) << error;
  }

  vqsim::SimEngine sim;
  CountingTransfers* transfers = nullptr;
  size_t delivered = 0;
};

TEST_F(InProcessSimTest, RequestedProgramArrives) {
  VQEditor& e = Start();
  Request(42);
  Round();
  EXPECT_EQ(e.requestSlot, 42);
  EXPECT_FALSE(e.requestOutstanding);
  EXPECT_EQ(std::vector<uint8_t>(e.receiveBuffer, e.receiveBuffer + 213),
            vqsim::BuildProgramDump(vqsim::DistinctProgram(42), 42));
  EXPECT_EQ(sim.State().requests, 1u);
  EXPECT_TRUE(sim.State().faults.empty());
}

TEST_F(InProcessSimTest, SingleChangesReachTheEditBuffer) {
  Start();
  Set(14, 99);
  Set(4, -5);
  Set(166, -3);
  Round();
  EXPECT_EQ(sim.State().editBuffer[11], 99);
  EXPECT_EQ(sim.State().editBuffer[1], ProgramFieldTable::DeviceByte(1, -5));
  EXPECT_EQ(sim.State().editBuffer[163], ProgramFieldTable::DeviceByte(163, -3));
  EXPECT_TRUE(sim.State().faults.empty());
}

TEST_F(InProcessSimTest, SpoiledAnswers) {
  using vqsim::Misbehaviour;
  struct Case {
    const char* what;
    Misbehaviour mode;
    bool outstanding;  // the wait stays for the status poll to end
    bool failed;
    uint32_t requests;
    size_t saved;
  };
  const Case cases[] = {
      {"bad checksum", Misbehaviour::BadChecksum, false, true, 1 + VQEditor::kDumpRetryLimit, 0},
      {"wrong slot", Misbehaviour::WrongSlot, false, true, 1 + VQEditor::kDumpRetryLimit, 0},
      {"wrong command", Misbehaviour::WrongCommand, true, false, 1, 0},  // answers nothing
      {"truncated", Misbehaviour::Truncated, true, false, 1, 0},
      {"error reply", Misbehaviour::ErrorReply, true, false, 1, 0},
      {"silence", Misbehaviour::Silence, true, false, 1, 0},
      {"wrong target", Misbehaviour::WrongTarget, true, false, 1, 0},
      {"foreign identifier", Misbehaviour::ForeignId, true, false, 1, 0},
      {"older dump", Misbehaviour::OldDump, false, false, 1, 1},
  };
  for (const Case& c : cases) {
    sim = vqsim::SimEngine();
    VQEditor& e = Start();
    Spoil(c.mode);
    Request(7);
    for (int round = 0; round < 10; ++round) Round();
    EXPECT_EQ(e.requestOutstanding, c.outstanding) << c.what;
    EXPECT_EQ(e.transferFailed, c.failed) << c.what;
    EXPECT_FALSE(e.dumpReceived) << c.what;
    EXPECT_FALSE(e.requestPending) << c.what;
    EXPECT_EQ(sim.State().requests, c.requests) << c.what;
    EXPECT_EQ(transfers->slots.size(), c.saved) << c.what;
  }
}

TEST_F(InProcessSimTest, OneSpoiledDumpIsRepaired) {
  VQEditor& e = Start();
  Spoil(vqsim::Misbehaviour::BadChecksum, 1);
  Request(3);
  Round();
  EXPECT_FALSE(e.dumpReceived);
  Round();  // the idle call asked again
  EXPECT_EQ(sim.State().requests, 2u);
  EXPECT_FALSE(e.transferFailed);
  EXPECT_EQ(e.requestSlot, 3);
  EXPECT_EQ(e.receiveBuffer[7], 3);
}

TEST_F(InProcessSimTest, BankDownloadOfAllSlots) {
  VQEditor& e = Start();
  e.bankDownloadRunning = true;
  Request(1);
  for (int round = 0; round < 120 && e.bankDownloadRunning; ++round) Round();
  EXPECT_FALSE(e.bankDownloadRunning);
  EXPECT_TRUE(e.transferDone);
  ASSERT_EQ(transfers->slots.size(), 99u);
  for (int slot = 1; slot <= 99; ++slot)
    EXPECT_EQ(transfers->slots[static_cast<size_t>(slot - 1)], slot);
  EXPECT_EQ(sim.State().requests, 99u);
}

}  // namespace
}  // namespace vqtest
