#include <gtest/gtest.h>

#include "sim_test_util.h"

namespace vqsim::test {
namespace {

DeviceProgram Upload(int slot) {
  DeviceProgram p = DistinctProgram(100 - slot);
  p.SetName("Up " + std::to_string(slot));
  return p;
}

TEST(SimBank, UploadOf99ProgramsIsAcknowledgedOneByOne) {
  SimEngine e;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const auto out = e.Receive(BuildProgramWrite(Upload(slot), slot));
    ASSERT_EQ(out.size(), 1u) << slot;
    ASSERT_TRUE(IsReply(out[0].bytes, 0x05, 0x21)) << slot;
  }
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    EXPECT_EQ(e.State().slots[slot - 1], Upload(slot)) << slot;
    EXPECT_EQ(e.State().writesPerSlot[slot], 1u) << slot;
  }
  EXPECT_EQ(e.State().writesAccepted, 99u);
  EXPECT_TRUE(e.State().faults.empty());
}

TEST(SimBank, UploadWithGapsLeavesThoseSlotsAndCountsRepeats) {
  SimEngine e;
  // Slots 1, 2 and 4 from files; the gap at 3 filled with the first file's program.
  for (int slot : {1, 2, 4}) e.Receive(BuildProgramWrite(Upload(slot), slot));
  EXPECT_EQ(e.State().slots[2], InitProgram());
  e.Receive(BuildProgramWrite(Upload(1), 3));
  EXPECT_EQ(e.State().slots[2], Upload(1));
  e.Receive(BuildProgramWrite(Upload(2), 2));
  EXPECT_EQ(e.State().writesPerSlot[2], 2u);
  EXPECT_EQ(e.State().writesPerSlot[5], 0u);
}

TEST(SimBank, ErrorReplyInTheMiddleOfAnUpload) {
  SimEngine e;
  std::string error;
  ASSERT_TRUE(
      e.Plan().Add(*ParseMisbehaviour("kind=write,mode=error-reply,skip=49", error), error));
  int acked = 0;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    const auto reply = Single(e, BuildProgramWrite(Upload(slot), slot));
    if (!IsReply(reply, 0x05, 0x21)) {
      EXPECT_TRUE(IsReply(reply, 0x05, 0x22));
      break;  // the editor stops at the first error
    }
    ++acked;
  }
  EXPECT_EQ(acked, 49);
  EXPECT_EQ(e.State().slots[49], InitProgram());
  EXPECT_EQ(e.State().writesRejected, 1u);
}

TEST(SimBank, DownloadOf99SlotsWithARetriedChecksum) {
  SimEngine e;
  e.FillSlots(true);
  std::string error;
  ASSERT_TRUE(
      e.Plan().Add(*ParseMisbehaviour("kind=request,mode=bad-checksum,skip=20", error), error));
  int requests = 0;
  for (int slot = 1; slot <= kSlotCount;) {
    const auto dump = Single(e, Request(slot));
    ++requests;
    ASSERT_EQ(dump.size(), 213u);
    uint8_t high = 0, low = 0;
    ChecksumBytes(ByteSum(dump.data(), 8, 210), high, low);
    if (dump[210] != high || dump[211] != low) continue;  // the editor asks for the same slot again
    EXPECT_EQ(dump[7], slot);
    EXPECT_EQ(ProgramFromMessage(dump), DistinctProgram(slot));
    ++slot;
  }
  EXPECT_EQ(requests, 100);
  EXPECT_EQ(e.State().requests, 100u);
  EXPECT_EQ(e.State().dumpsSent, 100u);
}

}  // namespace
}  // namespace vqsim::test
