// Byte-exact outgoing messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/device_messages.h"
#include "protocol/program_field_table.h"
#include "protocol/vq_sysex.h"

namespace {

using Controls = std::vector<NrpnControl>;

TEST(SingleFieldNrpn, AddressRepeatRules) {
  struct Case {
    const char* what;
    int field, value, lastField;
    Controls expected;
  } cases[] = {
      {"same MSB, other LSB: LSB and data", 7, 10, 5, {{0x62, 7}, {0x06, 10}}},
      {"same field: data only", 5, 11, 5, {{0x06, 11}}},
      {"other MSB: both address bytes", 128, 1, 0, {{0x63, 6}, {0x62, 0}, {0x06, 1}}},
      {"after a whole program: both", 5, 3, 186, {{0x63, 5}, {0x62, 5}, {0x06, 3}}},
      {"last field out of range counts as nothing sent",
       0,
       0,
       -7,
       {{0x63, 5}, {0x62, 0}, {0x06, 24}}},
      {"last field 1000 likewise", 0, 0, 1000, {{0x63, 5}, {0x62, 0}, {0x06, 24}}},
      {"last field 187 likewise", 125, 5, 187, {{0x63, 0}, {0x62, 0}, {0x06, 5}}},
      {"offset added", 1, -63, 1, {{0x06, 0}}},
      {"composite part at its base address", 180, 0, 128, {{0x62, 16}, {0x06, 0}}},
      {"new cutoff at (5, 76)", 183, 122, 75, {{0x62, 76}, {0x06, 122}}},
      {"field 129 after field 1", 129, 5, 1, {{0x63, 6}, {0x62, 1}, {0x06, 5}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SingleFieldNrpn(c.field, c.value, c.lastField), c.expected) << c.what;
}

TEST(SingleFieldNrpn, DataNeverReachesStatusRange) {
  for (int f = 0; f < kProgramFieldCount; ++f)
    for (int v : {-1000, 1000, 255, 128})
      for (const NrpnControl& cc : SingleFieldNrpn(f, v, 186))
        EXPECT_LT(cc.value, 0x80) << f << " " << v;
}

TEST(ProgramNrpnBurst, LayoutAndValues) {
  ProgramRecord r;
  for (int i = 0; i < kProgramFieldCount; ++i) r[i] = ProgramFieldTable::Min(i);
  r[11] = 100;
  r[169] = 15;
  Controls burst = ProgramNrpnBurst(r);
  ASSERT_EQ(burst.size(), 342u);
  EXPECT_EQ(burst[0], (NrpnControl{0x63, 5}));
  for (int i = 0; i < 128; ++i) {
    EXPECT_EQ(burst[1 + 2 * i], (NrpnControl{0x62, static_cast<uint8_t>(i)}));
    EXPECT_EQ(burst[2 + 2 * i].controller, 0x06);
  }
  EXPECT_EQ(burst[257], (NrpnControl{0x63, 6}));
  for (int i = 0; i < 42; ++i) {
    EXPECT_EQ(burst[258 + 2 * i], (NrpnControl{0x62, static_cast<uint8_t>(i)}));
    EXPECT_EQ(burst[259 + 2 * i].controller, 0x06);
  }
  EXPECT_EQ(burst[2].value, 0);  // field 0 at its minimum
  EXPECT_EQ(burst[2 + 2 * 11].value, 100);
  EXPECT_EQ(burst[259 + 2 * 41].value, 30);  // field 169: 15 + 15
  EXPECT_EQ(burst[259 + 2 * 18].value, 0);   // field 146 "Level" -6 -> 0
}

TEST(ProgramNrpnBurst, FieldsWithoutAddressTravelAtTheirPosition) {
  ProgramRecord r;
  r[125] = 77;
  r[150] = 9;
  Controls burst = ProgramNrpnBurst(r);
  EXPECT_EQ(burst[1 + 2 * 125], (NrpnControl{0x62, 125}));
  EXPECT_EQ(burst[2 + 2 * 125].value, 77);
  EXPECT_EQ(burst[258 + 2 * 22], (NrpnControl{0x62, 22}));
  EXPECT_EQ(burst[259 + 2 * 22].value, 9);
}

TEST(ProgramNrpnBurst, CutoffFollowsTheFilterTheRecordSelects) {
  struct Case {
    int32_t filterNew, cutoff;
    uint8_t expected;
  } cases[] = {
      {1, 0, 36},                                  // below the new filter's 36..122
      {1, 122, 122}, {1, 500, 122}, {0, 122, 80},  // above the vintage filter's 0..80
      {0, 40, 40},   {0, -3, 0},
  };
  for (const Case& c : cases) {
    ProgramRecord r = ProgramFieldTable::InitRecord();
    r[75] = c.filterNew;
    r[76] = c.cutoff;
    EXPECT_EQ(ProgramNrpnBurst(r)[2 + 2 * 76].value, c.expected) << c.filterNew << " " << c.cutoff;
    std::vector<uint8_t> msg = ProgramWriteMessage(r, 1, "x");
    EXPECT_EQ(msg[8 + 76], c.expected) << c.filterNew << " " << c.cutoff;
  }
}

TEST(FullTripleNrpn, Bytes) {
  EXPECT_EQ(FullTripleNrpn(87, 12), (Controls{{0x63, 5}, {0x62, 87}, {0x06, 12}}));
  EXPECT_EQ(FullTripleNrpn(123, 200), (Controls{{0x63, 5}, {0x62, 123}, {0x06, 127}}));
}

TEST(SysExChecksum, HighPartFirst) {
  uint8_t bytes[3] = {127, 127, 2};  // 256
  uint8_t hi = 0, lo = 0;
  SysExChecksum(bytes, 3, &hi, &lo);
  EXPECT_EQ(hi, 2);
  EXPECT_EQ(lo, 0);
}

TEST(ProgramWriteMessage, FrameFieldsNameAndChecksum) {
  ProgramRecord r = ProgramFieldTable::InitRecord();
  r[0] = -24;
  r[134] = 63;
  std::vector<uint8_t> msg = ProgramWriteMessage(r, 42, "Fat Bass");
  ASSERT_EQ(msg.size(), 213u);
  EXPECT_EQ(msg[0], 0xF0);
  EXPECT_EQ(msg[1], vq_sysex::kManufacturerId[0]);
  EXPECT_EQ(msg[1], 0x00);
  EXPECT_EQ(msg[2], vq_sysex::kManufacturerId[1]);
  EXPECT_EQ(msg[3], vq_sysex::kManufacturerId[2]);
  EXPECT_EQ(msg[4], 0x05);
  EXPECT_EQ(msg[5], 0x20);
  EXPECT_EQ(msg[6], 0x03);
  EXPECT_EQ(msg[7], 42);
  EXPECT_EQ(msg[8], 0);          // field 0 at its minimum
  EXPECT_EQ(msg[8 + 8], 42);     // VCO1 saw
  EXPECT_EQ(msg[8 + 76], 122);   // new cutoff
  EXPECT_EQ(msg[8 + 134], 127);  // Level1 63 + 64
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&msg[178])), "Fat Bass");
  for (int i = 178 + 8; i < 210; ++i) EXPECT_EQ(msg[i], 0) << i;
  unsigned sum = 0;
  for (int i = 8; i < 210; ++i) sum += msg[i];
  EXPECT_EQ(msg[210], (sum >> 7) & 0x7F);
  EXPECT_EQ(msg[211], sum & 0x7F);
  EXPECT_EQ(msg[212], 0xF7);
  for (int i = 1; i < 212; ++i) EXPECT_LT(msg[i], 0x80) << i;
}

TEST(ProgramWriteMessage, NameIsOneShowableBytePerCharacter) {
  const struct {
    std::string name;
    std::string bytes;  // the 32 name bytes up to the first zero
  } rows[] = {
      {"Caf\xC3\xA9\tX", "Caf__X"},
      {"\xE2\x82\xAC \xF0\x9F\x8E\xB9!", "_ _!"},
      {"ab\xE2\x82", "ab_"},  // a character cut short
      {"a\x80\xFF"
       "b",
       "a__b"},  // bytes that begin no character
      {std::string(40, 'a'), std::string(32, 'a')},
      {std::string(30, 'a') + "\xC3\xA9\xC3\xA9\xC3\xA9", std::string(30, 'a') + "__"},
  };
  for (const auto& row : rows) {
    const std::vector<uint8_t> msg = ProgramWriteMessage(ProgramRecord(), 1, row.name);
    const std::string bytes(reinterpret_cast<const char*>(&msg[178]), 32);
    EXPECT_EQ(bytes.substr(0, bytes.find('\0')), row.bytes) << row.name;
    EXPECT_EQ(bytes.find_first_not_of('\0', row.bytes.size()), std::string::npos) << row.name;
    EXPECT_LT(msg[210], 0x80);
  }
}

TEST(ProgramWriteMessage, OutOfRangeFieldsAreLimitedAndCovered) {
  ProgramRecord r;
  for (int i = 0; i < kProgramFieldCount; ++i) r[i] = 1000;
  std::vector<uint8_t> msg = ProgramWriteMessage(r, 200, "x");
  unsigned sum = 0;
  for (int i = 8; i < 210; ++i) {
    EXPECT_LT(msg[i], 0x80) << i;
    sum += msg[i];
  }
  EXPECT_EQ(msg[7], 127);
  EXPECT_EQ(msg[210], (sum >> 7) & 0x7F);
  EXPECT_EQ(msg[211], sum & 0x7F);
}

TEST(ShortSysEx, RequestNotesAndStartup) {
  const uint8_t id0 = vq_sysex::kManufacturerId[0], id1 = vq_sysex::kManufacturerId[1],
                id2 = vq_sysex::kManufacturerId[2];
  EXPECT_EQ(ProgramRequestMessage(7),
            (std::vector<uint8_t>{0xF0, id0, id1, id2, 0x05, 0x40, 0x03, 7, 0xF7}));
  EXPECT_EQ(KeyboardNoteMessage(true, 60, 100),
            (std::vector<uint8_t>{0xF0, id0, id1, id2, 0x05, 0x50, 60, 100, 0xF7}));
  EXPECT_EQ(KeyboardNoteMessage(false, 60, 0),
            (std::vector<uint8_t>{0xF0, id0, id1, id2, 0x05, 0x51, 60, 0, 0xF7}));
  EXPECT_EQ(StartupMessage(),
            (std::vector<uint8_t>{0xF0, id0, id1, id2, 0x04, 0x02, 0x72, 0x00, 0xF7}));
}

TEST(KeyboardVelocity, Limits) {
  EXPECT_EQ(KeyboardVelocity(0.0), 1);
  EXPECT_EQ(KeyboardVelocity(1.0), 127);
  EXPECT_EQ(KeyboardVelocity(0.5), 64);
  EXPECT_EQ(KeyboardVelocity(7.0), 127);
}

}  // namespace
