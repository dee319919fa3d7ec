#include <gtest/gtest.h>

#include "sim_test_util.h"

namespace vqsim::test {
namespace {

TEST(SimNrpn, RunningAddressAppliesDataToTheEditBuffer) {
  SimEngine e;
  EXPECT_TRUE(e.Receive(Cc(99, 5)).empty());
  e.Receive(Cc(98, 5));
  e.Receive(Cc(6, 100));
  // Same MSB: only the LSB is repeated; same field again: only the data.
  e.Receive(Cc(98, 7));
  e.Receive(Cc(6, 33));
  e.Receive(Cc(6, 34));
  // MSB 6 addresses bytes 128 and up.
  e.Receive(Cc(99, 6));
  e.Receive(Cc(98, 0));
  e.Receive(Cc(6, 1));
  e.Receive(Cc(98, 41));
  e.Receive(Cc(6, 14));
  const SimState& s = e.State();
  EXPECT_EQ(s.editBuffer[5], 100);
  EXPECT_EQ(s.editBuffer[7], 34);
  EXPECT_EQ(s.nrpnWritesPerByte[7], 2u);
  EXPECT_EQ(s.editBuffer[128], 1);
  EXPECT_EQ(s.editBuffer[169], 14);
  EXPECT_EQ(s.nrpnValues, 5u);
  EXPECT_TRUE(s.faults.empty());
  ASSERT_FALSE(e.Events().empty());
  EXPECT_EQ(e.Events().back().line, "nrpn 6 41 14");
}

TEST(SimNrpn, WholeProgramBurstFillsEveryByte) {
  SimEngine e;
  DeviceProgram p = DistinctProgram(42);
  for (size_t i = 0; i < kProgramByteCount; ++i)
    p.bytes[i] = static_cast<uint8_t>((i * 7 + 3) & 0x7F);
  // 1 + 2 x 128 + 1 + 2 x 42 = 342 messages, in the editor's order.
  int sent = 0;
  e.Receive(Cc(99, 5)), ++sent;
  for (int i = 0; i < 128; ++i) {
    e.Receive(Cc(98, static_cast<uint8_t>(i)));
    e.Receive(Cc(6, p.bytes[i]));
    sent += 2;
  }
  e.Receive(Cc(99, 6)), ++sent;
  for (int i = 0; i < 42; ++i) {
    e.Receive(Cc(98, static_cast<uint8_t>(i)));
    e.Receive(Cc(6, p.bytes[128 + i]));
    sent += 2;
  }
  EXPECT_EQ(sent, 342);
  EXPECT_EQ(e.State().editBuffer, p.bytes);
  EXPECT_EQ(e.State().nrpnValues, 170u);
  EXPECT_TRUE(e.State().faults.empty());
}

struct BadInput {
  const char* what;
  std::vector<std::vector<uint8_t>> messages;
  const char* faultText;  // a substring of the fault
};

// Names the case in test listings by what it spoils.
void PrintTo(const BadInput& c, std::ostream* os) {
  *os << c.what;
}

class SimNrpnFaults : public ::testing::TestWithParam<BadInput> {};

TEST_P(SimNrpnFaults, AreFlaggedAndChangeNothing) {
  SimEngine e;
  const auto before = e.State().editBuffer;
  for (const auto& m : GetParam().messages) EXPECT_TRUE(e.Receive(m).empty());
  ASSERT_EQ(e.State().faults.size(), 1u) << GetParam().what;
  EXPECT_NE(e.State().faults[0].find(GetParam().faultText), std::string::npos)
      << e.State().faults[0];
  EXPECT_EQ(e.Events().back().kind, EventKind::Fault);
  EXPECT_EQ(e.State().editBuffer, before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimNrpnFaults,
    ::testing::Values(
        BadInput{"data before any address", {Cc(6, 1)}, "without an address"},
        BadInput{"data with only an MSB", {Cc(99, 5), Cc(6, 1)}, "without an address"},
        BadInput{"data byte above 127", {{0xB0, 6, 0x80}}, "above 127"},
        BadInput{"controller value above 127 in the address", {{0xB0, 99, 0xC5}}, "above 127"},
        BadInput{"short controller", {{0xB0, 6}}, "2 bytes"},
        BadInput{"long controller", {{0xB0, 6, 1, 2}}, "4 bytes"},
        BadInput{
            "MSB 5 beyond its range", {Cc(99, 7), Cc(98, 1), Cc(6, 3)}, "unknown address (7, 1)"},
        BadInput{
            "MSB 6 beyond byte 169", {Cc(99, 6), Cc(98, 42), Cc(6, 3)}, "unknown address (6, 42)"},
        BadInput{"running status byte", {{0x05, 0x10}}, "without status"},
        BadInput{"empty message", {{}}, "empty"}));

TEST(SimNrpn, NewMsbWithoutItsLsbIsFlaggedButStillLands) {
  SimEngine e;
  e.Receive(Cc(99, 5));
  e.Receive(Cc(98, 10));
  e.Receive(Cc(6, 1));
  e.Receive(Cc(99, 6));  // the editor always repeats the LSB after an MSB
  e.Receive(Cc(6, 2));
  ASSERT_EQ(e.State().faults.size(), 1u);
  EXPECT_NE(e.State().faults[0].find("without its LSB"), std::string::npos);
  EXPECT_EQ(e.State().editBuffer[128 + 10], 2);  // a device would use the running LSB
}

TEST(SimNrpn, TheNoAddressPairIsIgnoredWithoutAFault) {
  SimEngine e;
  const auto before = e.State().editBuffer;
  e.Receive(Cc(99, 0));
  e.Receive(Cc(98, 0));
  e.Receive(Cc(6, 12));
  EXPECT_EQ(e.State().editBuffer, before);
  EXPECT_EQ(e.State().nrpnValues, 0u);
  EXPECT_TRUE(e.State().faults.empty());
  EXPECT_EQ(e.Events().back().line, "nrpn-ignored 0 0 12");
}

TEST(SimNrpn, ControllersOnOtherChannelsAndOtherNumbersAreNotNrpn) {
  SimEngine e;
  e.Receive(Cc(99, 5, 3));  // channel 4
  e.Receive(Cc(98, 5, 3));
  e.Receive(Cc(6, 9, 3));
  e.Receive(Cc(7, 100));  // volume on channel 1
  e.Receive(Cc(38, 5));   // fine data entry is noted only
  EXPECT_EQ(e.State().nrpnValues, 0u);
  EXPECT_EQ(e.State().nrpnMsb, -1);
  EXPECT_TRUE(e.State().faults.empty());
  EXPECT_EQ(e.Events()[2].line, "cc 4 6 9");
  EXPECT_EQ(e.Events()[3].line, "cc 1 7 100");
}

TEST(SimChannel, NotesClockAndOtherMessagesAreRecorded) {
  SimEngine e;
  e.Receive({0x92, 60, 100});
  e.Receive({0x92, 60, 0});
  e.Receive({0x82, 61, 64});
  e.Receive({0xC0, 5});
  e.Receive({0xE0, 0, 64});
  e.Receive({0xF8});
  e.Receive({0xFE});
  const SimState& s = e.State();
  EXPECT_EQ(s.channelNoteOns, 1u);
  EXPECT_EQ(s.channelNoteOffs, 2u);
  EXPECT_EQ(s.clocks, 1u);
  EXPECT_TRUE(s.faults.empty());
  std::vector<std::string> lines;
  for (const auto& ev : e.Events()) lines.push_back(ev.line);
  EXPECT_EQ(lines,
            (std::vector<std::string>{"note-on 3 60 100", "note-off 3 60 0", "note-off 3 61 64",
                                      "channel C0 5", "channel E0 0 64", "clock"}));
}

TEST(SimChannel, ProgramChangeWithThreeBytesIsMalformed) {
  SimEngine e;
  e.Receive({0xC0, 5, 6});
  e.Receive({0xF8, 0});
  EXPECT_EQ(e.State().faults.size(), 2u);
}

}  // namespace
}  // namespace vqsim::test
