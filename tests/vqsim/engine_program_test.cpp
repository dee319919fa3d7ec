#include <gtest/gtest.h>

#include "sim_test_util.h"

namespace vqsim::test {
namespace {

TEST(SimDump, RequestIsAnsweredWithTheSlotsDump) {
  SimEngine e;
  e.FillSlots(true);
  const auto out = e.Receive(Request(12));
  ASSERT_EQ(out.size(), 1u);
  const auto& d = out[0].bytes;
  EXPECT_EQ(out[0].delayMs, 0u);
  ASSERT_EQ(d.size(), 213u);
  EXPECT_EQ(d[0], 0xF0);
  EXPECT_TRUE(HasOurIdentifier(d.data(), d.size()));
  EXPECT_EQ(d[4], 0x05);
  EXPECT_EQ(d[5], 0x41);
  EXPECT_EQ(d[6], 0x03);
  EXPECT_EQ(d[7], 12);
  EXPECT_EQ(d[212], 0xF7);
  EXPECT_EQ(ProgramFromMessage(d), DistinctProgram(12));
  EXPECT_EQ(ProgramFromMessage(d).NameText(), "Sim 12");
  uint32_t sum = 0;
  for (int i = 8; i <= 209; ++i) {
    EXPECT_LE(d[i], 127) << i;
    sum += d[i];
  }
  EXPECT_EQ(d[210], (sum >> 7) & 0x7F);
  EXPECT_EQ(d[211], sum & 0x7F);
  EXPECT_EQ(e.State().requests, 1u);
  EXPECT_EQ(e.State().dumpsSent, 1u);
  EXPECT_EQ(e.Events()[0].line, "request 12");
  EXPECT_EQ(e.Events()[1].line, "dump 12");
}

TEST(SimDump, InitProgramHoldsTheDeviceFormOfInit) {
  const DeviceProgram p = InitProgram();
  EXPECT_EQ(p.bytes[0], 24);    // VCO1 coarse 0 with offset 24
  EXPECT_EQ(p.bytes[8], 42);    // VCO1 saw
  EXPECT_EQ(p.bytes[11], 32);   // VCO1 volume
  EXPECT_EQ(p.bytes[61], 127);  // VCA sustain level
  EXPECT_EQ(p.bytes[76], 122);  // new VCF cutoff
  EXPECT_EQ(p.bytes[83], 7);    // VCF Q
  EXPECT_EQ(p.bytes[101], 11);  // FLEXI1 CURVE 0 with offset 11
  EXPECT_EQ(p.bytes[162], 10);  // Mid1 Q
  EXPECT_EQ(p.bytes[169], 15);  // Treble Boost 0 with offset 15
  EXPECT_EQ(p.NameText(), "INIT");
  for (uint8_t b : p.bytes) EXPECT_LE(b, 127);
}

TEST(SimDump, BadRequestsAreFlaggedAndUnanswered) {
  SimEngine e;
  EXPECT_TRUE(e.Receive(Request(0)).empty());
  EXPECT_TRUE(e.Receive(Request(100)).empty());
  auto wrongBank = Request(5);
  wrongBank[6] = 0x02;
  EXPECT_TRUE(e.Receive(wrongBank).empty());
  auto longer = Request(5);
  longer.insert(longer.end() - 1, 0x00);
  EXPECT_TRUE(e.Receive(longer).empty());
  EXPECT_EQ(e.State().faults.size(), 4u);
  EXPECT_EQ(e.State().requests, 0u);
}

TEST(SimWrite, GoodWriteIsStoredAndAcknowledged) {
  SimEngine e;
  DeviceProgram p = DistinctProgram(3);
  p.SetName("07 Pad");
  const auto reply = Single(e, BuildProgramWrite(p, 45));
  EXPECT_TRUE(IsReply(reply, 0x05, 0x21));
  EXPECT_EQ(e.State().slots[44], p);
  EXPECT_EQ(e.State().writesPerSlot[45], 1u);
  EXPECT_EQ(e.State().writesAccepted, 1u);
  EXPECT_EQ(e.Events().back().line, "write 45 ok 07 Pad");
  // And it comes back by request.
  EXPECT_EQ(ProgramFromMessage(Single(e, Request(45))), p);
  EXPECT_TRUE(e.State().faults.empty());
}

struct BadWrite {
  const char* what;
  std::function<void(std::vector<uint8_t>&)> spoil;
  const char* reason;
};

// Names the case in test listings by what it spoils.
void PrintTo(const BadWrite& c, std::ostream* os) {
  *os << c.what;
}

class SimWriteRejects : public ::testing::TestWithParam<BadWrite> {};

TEST_P(SimWriteRejects, WithAnErrorReplyAndTheSlotUnchanged) {
  SimEngine e;
  auto m = BuildProgramWrite(DistinctProgram(9), 9);
  GetParam().spoil(m);
  const auto reply = Single(e, m);
  EXPECT_TRUE(IsReply(reply, 0x05, 0x22)) << GetParam().what;
  EXPECT_EQ(e.State().slots[8], InitProgram());
  EXPECT_EQ(e.State().writesRejected, 1u);
  ASSERT_FALSE(e.State().faults.empty());
  EXPECT_NE(e.State().faults.back().find(GetParam().reason), std::string::npos)
      << e.State().faults.back();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimWriteRejects,
    ::testing::Values(
        BadWrite{"checksum low byte", [](auto& m) { m[211] ^= 1; }, "checksum"},
        BadWrite{"checksum high byte", [](auto& m) { m[210] ^= 1; }, "checksum"},
        BadWrite{"data byte changed", [](auto& m) { m[50] = static_cast<uint8_t>(m[50] ^ 0x10); },
                 "checksum"},
        BadWrite{"8-bit data byte", [](auto& m) { m[20] = 0x85; }, "above 127"},
        BadWrite{"8-bit name byte", [](auto& m) { m[180] = 0xC3; }, "above 127"},
        BadWrite{"one byte short", [](auto& m) { m.erase(m.begin() + 100); }, "size 212"},
        BadWrite{"one byte long", [](auto& m) { m.insert(m.begin() + 100, 0); }, "size 214"},
        BadWrite{"slot 0", [](auto& m) { m[7] = 0; }, "slot 0"},
        BadWrite{"slot 100", [](auto& m) { m[7] = 100; }, "slot 100"},
        BadWrite{"bank byte", [](auto& m) { m[6] = 1; }, "bank byte"}));

TEST(SimSysEx, NotesAndStartUpAreRecorded) {
  SimEngine e;
  EXPECT_TRUE(e.Receive(SysEx9(0x05, 0x50, 60, 100)).empty());
  EXPECT_TRUE(e.Receive(SysEx9(0x05, 0x50, 64, 1)).empty());
  EXPECT_TRUE(e.Receive(SysEx9(0x05, 0x51, 60, 0)).empty());
  EXPECT_TRUE(e.Receive(SysEx9(0x04, 0x02, 0x72, 0x00)).empty());
  const SimState& s = e.State();
  EXPECT_EQ(s.sysexNoteOns, 2u);
  EXPECT_EQ(s.sysexNoteOffs, 1u);
  EXPECT_EQ(s.sysexNotesHeld[60], 0);
  EXPECT_EQ(s.sysexNotesHeld[64], 1);
  EXPECT_EQ(s.startUpMessages, 1u);
  EXPECT_TRUE(s.faults.empty());
  EXPECT_EQ(e.Events()[0].line, "sysex-note-on 60 100");
  EXPECT_EQ(e.Events()[2].line, "sysex-note-off 60 0");
  EXPECT_EQ(e.Events()[3].line, "startup");
}

TEST(SimSysEx, MalformedSysExIsFlagged) {
  SimEngine e;
  auto foreign = Request(1);
  foreign[2] ^= 1;
  const std::vector<std::vector<uint8_t>> bad = {
      {0xF0, 0x00, 0x01, 0xF7},  // too short
      {0xF0, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2], 0x05, 0x40, 0x03,
       0x01},  // no F7
      foreign,
      SysEx9(0x05, 0x33, 0, 0),        // unknown command
      SysEx9(0x04, 0x02, 0x71, 0x00),  // start-up with wrong data
      SysEx9(0x06, 0x40, 3, 1),        // unknown target
      {0xF0, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2], 0x05, 0x50, 60,
       0xF7},  // short note
      {0xF7},
  };
  for (const auto& m : bad) EXPECT_TRUE(e.Receive(m).empty());
  EXPECT_EQ(e.State().faults.size(), bad.size());
  EXPECT_EQ(e.State().requests, 0u);
}

TEST(SimSlots, SaveAndLoadRoundTrip) {
  SimEngine a;
  a.FillSlots(true);
  const std::string text = a.SaveSlots();
  SimEngine b;
  std::string error;
  ASSERT_TRUE(b.LoadSlots(text, error)) << error;
  EXPECT_EQ(b.State().slots, a.State().slots);

  EXPECT_FALSE(b.LoadSlots("slot 00 00\n", error));
  EXPECT_FALSE(b.LoadSlots("slot 05 " + std::string(404, 'F') + "\n", error));
  EXPECT_NE(error.find("above 127"), std::string::npos);
  EXPECT_EQ(b.State().slots, a.State().slots);  // a failed load changes nothing
}

TEST(SimSlots, DistinctProgramsDifferFromEachOther) {
  for (int s = 1; s < kSlotCount; ++s) {
    EXPECT_NE(DistinctProgram(s).bytes, DistinctProgram(s + 1).bytes) << s;
    for (uint8_t b : DistinctProgram(s).bytes) ASSERT_LE(b, 127);
  }
}

}  // namespace
}  // namespace vqsim::test

namespace vqsim::test {
namespace {

// Whatever arrives, the engine neither crashes nor answers with anything but framed SysEx.
TEST(SimRobustness, RandomMessagesGetOnlyWellFormedAnswers) {
  SimEngine e;
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  const std::vector<uint8_t> heads[] = {
      {},
      {0xF0},
      {0xF0, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2]},
      {0xF0, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2], 0x05},
      {0xF0, kManufacturerId[0], kManufacturerId[1], kManufacturerId[2], 0x08},
  };
  const uint8_t commands[] = {0x10, 0x13, 0x16, 0x20, 0x40, 0x50, 0x51, 0x02};
  for (int i = 0; i < 20000; ++i) {
    std::vector<uint8_t> m = heads[next() % std::size(heads)];
    if (m.size() >= 5) {
      m[4] = static_cast<uint8_t>(m.size() == 5 && next() % 2 ? 7 + next() % 5 : m[4]);
      m.push_back(commands[next() % std::size(commands)]);
    }
    const size_t extra = next() % 4 == 0 ? next() % 260 : next() % 10;
    for (size_t k = 0; k < extra; ++k)
      m.push_back(static_cast<uint8_t>(next() % 8 == 0 ? next() & 0xFF : next() & 0x7F));
    if (!m.empty() && next() % 3 != 0) m.back() = 0xF7;
    for (const auto& out : e.Receive(m)) {
      ASSERT_GE(out.bytes.size(), 7u);
      EXPECT_EQ(out.bytes.front(), 0xF0);
      EXPECT_EQ(out.bytes.back(), 0xF7);
      for (size_t k = 1; k + 1 < out.bytes.size(); ++k) ASSERT_LE(out.bytes[k], 127);
    }
  }
  EXPECT_FALSE(e.State().faults.empty());
}

}  // namespace
}  // namespace vqsim::test
