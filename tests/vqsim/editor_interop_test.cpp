// The editor's own message builders against the simulated device: what the editor sends must be
// accepted without a single fault and land in the right device bytes.
#include <gtest/gtest.h>

#include "protocol/device_messages.h"
#include "protocol/program_field_table.h"
#include "sim_test_util.h"

namespace vqsim::test {
namespace {

void Play(SimEngine& e, const std::vector<NrpnControl>& controls) {
  for (const auto& c : controls)
    EXPECT_TRUE(e.Receive({kNrpnStatus, c.controller, c.value}).empty());
}

std::array<uint8_t, kProgramByteCount> DeviceBytes(const ProgramRecord& r) {
  std::array<uint8_t, kProgramByteCount> bytes{};
  EncodeProgramFields(r, bytes.data());
  return bytes;
}

TEST(EditorInterop, InitProgramAgreesWithTheEditorsTable) {
  EXPECT_EQ(DeviceBytes(ProgramFieldTable::InitRecord()), InitProgram().bytes);
}

TEST(EditorInterop, WholeProgramBurstFillsTheEditBuffer) {
  ProgramRecord r = ProgramFieldTable::InitRecord();
  for (int f = 0; f < kDeviceFieldCount; ++f)
    r[f] = ProgramFieldTable::Min(f) +
           (f * 5) % (ProgramFieldTable::Max(f) - ProgramFieldTable::Min(f) + 1);
  SimEngine e;
  Play(e, ProgramNrpnBurst(r));
  EXPECT_EQ(e.State().editBuffer, DeviceBytes(r));
  EXPECT_EQ(e.State().nrpnValues, 170u);
  EXPECT_TRUE(e.State().faults.empty());
}

TEST(EditorInterop, SingleSendsAfterAnyPreviousFieldLandInTheirByte) {
  SimEngine e;
  Play(e, ProgramNrpnBurst(ProgramFieldTable::InitRecord()));
  int last = kNoFieldSent;
  // Every field with an address of its own, in an order that crosses MSB 5 and 6 often.
  for (int step = 0; step < 3 * kDeviceFieldCount; ++step) {
    const int f = (step * 37) % kDeviceFieldCount;
    if (ProgramFieldTable::Msb(f) == 0) {
      // No address of its own: the device ignores it, and nothing is flagged.
      Play(e, SingleFieldNrpn(f, 0, last));
      last = f;
      continue;
    }
    const int32_t value = ProgramFieldTable::Max(f);
    Play(e, SingleFieldNrpn(f, value, last));
    const int index = ProgramFieldTable::Msb(f) == 5 ? ProgramFieldTable::Lsb(f)
                                                     : 128 + ProgramFieldTable::Lsb(f);
    ASSERT_EQ(index, f);
    EXPECT_EQ(e.State().editBuffer[f], ProgramFieldTable::DeviceByte(f, value)) << f;
    last = f;
  }
  EXPECT_TRUE(e.State().faults.empty()) << e.State().faults.front();
}

TEST(EditorInterop, ProgramWriteIsAcceptedAndComesBackByRequest) {
  ProgramRecord r = ProgramFieldTable::InitRecord();
  r[8] = 99;
  SimEngine e;
  EXPECT_TRUE(IsReply(Single(e, ProgramWriteMessage(r, 17, "07 Pad")), 0x05, 0x21));
  EXPECT_EQ(e.State().slots[16].bytes, DeviceBytes(r));
  EXPECT_EQ(e.State().slots[16].NameText(), "07 Pad");
  const auto dump = Single(e, ProgramRequestMessage(17));
  ASSERT_EQ(dump.size(), 213u);
  EXPECT_EQ(ProgramFromMessage(dump).bytes, DeviceBytes(r));
  EXPECT_TRUE(e.State().faults.empty());
}

TEST(EditorInterop, NotesAndStartUpAreRecognised) {
  SimEngine e;
  EXPECT_TRUE(e.Receive(KeyboardNoteMessage(true, 60, KeyboardVelocity(0.0))).empty());
  EXPECT_TRUE(e.Receive(KeyboardNoteMessage(false, 60, 0)).empty());
  EXPECT_TRUE(e.Receive(StartupMessage()).empty());
  EXPECT_EQ(e.State().sysexNoteOns, 1u);
  EXPECT_EQ(e.State().sysexNoteOffs, 1u);
  EXPECT_EQ(e.State().startUpMessages, 1u);
  EXPECT_TRUE(e.State().faults.empty());
}

}  // namespace
}  // namespace vqsim::test
