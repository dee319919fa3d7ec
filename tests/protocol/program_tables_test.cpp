// The program record's constant tables against rows of their source, and the name tables.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "protocol/name_tables.h"
#include "protocol/program_field_table.h"

namespace {

struct Row {
  int field, min, max, offset, msb, lsb, fileField, poti, init, learnMax;
};

// Every column of a sample of rows, copied from the field table; -1 where it has no entry.
const Row kSampleRows[] = {
    {0, -24, 48, 24, 5, 0, 0, 1, 0, 48},      {6, 1, 127, 0, 5, 6, 0, 7, 1, 127},
    {8, 0, 127, 0, 5, 8, 0, 9, 42, 127},      {11, 0, 127, 0, 5, 11, 0, 12, 32, 127},
    {18, 1, 127, 0, 5, 18, 1, 7, 1, 127},     {48, -2, 3, 2, 5, 48, 4, 1, 0, 3},
    {55, 0, 127, 0, 5, 55, 4, 8, 64, 127},    {61, 0, 127, 0, 5, 61, 6, 3, 127, 127},
    {67, 0, 2, 0, 5, 67, 6, 9, 1, 127},       {69, 1, 127, 0, 5, 69, 6, 11, 1, 80},
    {70, 0, 127, 0, 5, 70, 7, 1, 0, 122},     {75, 0, 1, 0, 5, 75, 7, 6, 1, 4},
    {76, 0, 80, 0, 5, 76, 7, 7, 122, 127},    {83, 7, 127, 0, 5, 83, 8, 2, 7, 1},
    {88, -24, 24, 24, 5, 88, 9, 4, 0, 127},   {90, 0, 3, 0, 5, 90, 9, 6, 3, 127},
    {96, 0, 3, 0, 5, 96, 11, 2, 0, 127},      {101, -11, 68, 11, 5, 101, 11, 7, 0, 127},
    {107, 0, 113, 0, 5, 107, 12, 6, 0, 6},    {121, 0, 113, 0, 5, 121, 14, 6, 0, 15},
    {122, -11, 68, 11, 5, 122, 14, 7, 0, -1}, {123, 0, 1, 0, 5, 123, 9, 7, 0, -1},
    {124, 0, 3, 0, 5, 124, 9, 8, 0, -1},      {125, 0, 0, 0, 0, 0, 0, 0, 0, -1},
    {127, 0, 0, 0, 0, 0, 0, 0, 0, -1},        {128, 0, 1, 0, 6, 0, 15, 1, 0, -1},
    {134, -64, 63, 64, 6, 6, 16, 4, 0, -1},   {144, 0, 3, 0, 6, 16, 17, 1, 0, -1},
    {146, -6, 6, 6, 6, 18, 17, 3, 0, -1},     {147, 0, 127, 0, 0, 0, 17, 4, 0, -1},
    {156, 0, 127, 0, 0, 0, 17, 13, 0, -1},    {157, 0, 3, 0, 6, 29, 18, 1, 0, -1},
    {162, 10, 100, 0, 6, 34, 18, 6, 10, -1},  {169, -15, 15, 15, 6, 41, 18, 13, 0, -1},
    {170, 0, 1, 0, 5, 89, -1, 0, 0, -1},      {172, 0, 1, 0, 5, 98, -1, 0, 0, -1},
    {180, 0, 1, 0, 6, 16, -1, 0, 0, -1},      {182, 0, 1, 0, 6, 29, -1, 0, 0, -1},
    {183, 36, 122, 0, 5, 76, -1, 0, 0, -1},   {185, 0, 1, 0, 5, 124, -1, 0, 0, -1},
};

TEST(ProgramFieldTable, SampleRowsMatchEveryColumn) {
  for (const Row& r : kSampleRows) {
    SCOPED_TRACE(r.field);
    const ProgramFieldRow& t = ProgramFieldTable::kRows[r.field];
    EXPECT_EQ(t.min, r.min);
    EXPECT_EQ(t.max, r.max);
    EXPECT_EQ(t.offset, r.offset);
    EXPECT_EQ(t.msb, r.msb);
    EXPECT_EQ(t.lsb, r.lsb);
    EXPECT_EQ(t.fileField, r.fileField);
    EXPECT_EQ(t.poti, r.poti);
    EXPECT_EQ(t.init, r.init);
    EXPECT_EQ(t.learnMax, r.learnMax);
  }
}

TEST(ProgramFieldTable, ColumnRulesHoldForEveryField) {
  for (int f = 0; f < kProgramFieldCount; ++f) {
    SCOPED_TRACE(f);
    const ProgramFieldRow& t = ProgramFieldTable::kRows[f];
    EXPECT_EQ(t.offset, t.min < 0 ? -t.min : 0);
    EXPECT_LE(t.max + t.offset, 127);
    if (f <= 124) {
      EXPECT_EQ(t.msb, 5);
      EXPECT_EQ(t.lsb, f);
    } else if (f <= 127 || (f >= 147 && f <= 156)) {
      EXPECT_EQ(t.msb, 0);
      EXPECT_EQ(t.lsb, 0);
    } else if (f <= 169) {
      EXPECT_EQ(t.msb, 6);
      EXPECT_EQ(t.lsb, f - 128);
    }
    EXPECT_EQ(t.learnMax >= 0, f < ProgramFieldTable::kLearnEntryCount);
  }
  // Address entries beyond the record: "nothing sent yet" and the empty address.
  EXPECT_EQ(ProgramFieldTable::Msb(186), 10);
  EXPECT_EQ(ProgramFieldTable::Lsb(186), 1);
  EXPECT_EQ(ProgramFieldTable::Msb(187), 0);
  EXPECT_EQ(ProgramFieldTable::Lsb(187), 0);
}

TEST(ProgramFieldTable, CompositePartsRepeatTheirBaseAddress) {
  const int pairs[][2] = {{170, 89},  {171, 96},  {172, 98},  {173, 103}, {174, 105}, {175, 110},
                          {176, 112}, {177, 117}, {178, 119}, {179, 144}, {180, 144}, {181, 157},
                          {182, 157}, {183, 76},  {184, 124}, {185, 124}};
  for (auto [part, base] : pairs) {
    EXPECT_EQ(ProgramFieldTable::Msb(part), ProgramFieldTable::Msb(base)) << part;
    EXPECT_EQ(ProgramFieldTable::Lsb(part), ProgramFieldTable::Lsb(base)) << part;
  }
}

TEST(ProgramFieldTable, InitProgramValues) {
  ProgramRecord init = ProgramFieldTable::InitRecord();
  EXPECT_EQ(init[8], 42);    // VCO1 saw
  EXPECT_EQ(init[11], 32);   // VCO1 volume
  EXPECT_EQ(init[61], 127);  // VCA sustain level
  EXPECT_EQ(init[83], 7);    // VCF Q
  EXPECT_EQ(init[75], 1);    // VCF new
  EXPECT_EQ(init[76], 122);  // new cutoff, in the snapshot form
  EXPECT_EQ(init[162], 10);
  EXPECT_EQ(init[165], 10);
  EXPECT_EQ(init[184], 0);
  EXPECT_EQ(init[185], 0);
  int nonZero = 0;
  for (int f = 0; f < kProgramFieldCount; ++f) nonZero += init[f] != 0;
  EXPECT_EQ(nonZero, 30);
}

TEST(ProgramFieldTable, GroupInitRecord) {
  const ProgramRecord& g = ProgramFieldTable::kGroupInit;
  const std::set<int> ones = {6, 18, 30, 42, 59, 60, 62, 63, 64, 66, 67, 68, 69, 75, 91};
  for (int f = 0; f < kProgramFieldCount; ++f) {
    int expected = ones.count(f) ? 1 : 0;
    if (f == 55) expected = 64;
    if (f == 83) expected = 7;
    if (f == 123) expected = 4;
    if (f == 162 || f == 165) expected = 10;
    if (f == 183) expected = 36;
    EXPECT_EQ(g[f], expected) << f;
  }
}

TEST(ProgramFieldTable, DeviceBytesStaySevenBit) {
  EXPECT_EQ(ProgramFieldTable::DeviceByte(0, -24), 0);  // minimum travels as 0
  EXPECT_EQ(ProgramFieldTable::DeviceByte(146, -6), 0);
  EXPECT_EQ(ProgramFieldTable::DeviceByte(0, 48), 72);
  EXPECT_EQ(ProgramFieldTable::DeviceByte(0, 500), 72);  // limited before the offset
  EXPECT_EQ(ProgramFieldTable::DeviceByte(0, -500), 0);
  EXPECT_EQ(ProgramFieldTable::DeviceByte(134, 63), 127);
  EXPECT_EQ(ProgramFieldTable::DeviceByte(76, 122), 122);  // new cutoff in the vintage byte
  EXPECT_EQ(ProgramFieldTable::DeviceByte(124, 15), 15);   // sync + osc. sync + priority
  EXPECT_EQ(ProgramFieldTable::DeviceByte(123, 15), 15);
  EXPECT_EQ(ProgramFieldTable::DeviceByte(125, 127), 127);
  for (int f = 0; f < kProgramFieldCount; ++f)
    for (int v : {-100000, -1, 0, 1, 127, 128, 255, 100000})
      EXPECT_LT(ProgramFieldTable::DeviceByte(f, v), 0x80) << f << " " << v;
}

TEST(ProgramFieldTable, FlexiListsTakeTheFirstRowOfACode) {
  EXPECT_EQ(ProgramFieldTable::SourceListPosition(98), 0);
  EXPECT_EQ(ProgramFieldTable::SourceListPosition(103), 17);  // rows 17..19
  EXPECT_EQ(ProgramFieldTable::SourceListPosition(19), 37);   // rows 37..39
  EXPECT_EQ(ProgramFieldTable::SourceListPosition(0), 80);
  EXPECT_EQ(ProgramFieldTable::SourceListPosition(6), -1);  // controller 6 is not a source
  EXPECT_EQ(ProgramFieldTable::RangeControlListPosition(0), 0);
  EXPECT_EQ(ProgramFieldTable::RangeControlListPosition(10), 14);
  EXPECT_EQ(ProgramFieldTable::RangeControlListPosition(87), 74);
  EXPECT_EQ(ProgramFieldTable::RangeControlListPosition(98), -1);
}

TEST(ProgramFieldTable, FlexiDestinationEligibility) {
  EXPECT_TRUE(ProgramFieldTable::IsFlexiDestination(0));
  EXPECT_TRUE(ProgramFieldTable::IsFlexiDestination(183));
  EXPECT_FALSE(ProgramFieldTable::IsFlexiDestination(184));
  EXPECT_FALSE(ProgramFieldTable::IsFlexiDestination(511));
  EXPECT_FALSE(ProgramFieldTable::IsFlexiDestination(-1));
}

TEST(NameTables, SourceNamesAndCodes) {
  EXPECT_STREQ(kFlexiSourceNames[0].name, "VCF Env.");
  EXPECT_STREQ(kFlexiSourceNames[16].name, "Aftertouch");
  EXPECT_STREQ(kFlexiSourceNames[45].name, "Midi CC 25 ");  // with its trailing blank
  EXPECT_STREQ(kFlexiSourceNames[80].name, " ");
  EXPECT_STREQ(kFlexiSourceNames[20].name, "Midi CC 1");
  EXPECT_STREQ(kFlexiSourceNames[25].name, "Midi CC 7");
  EXPECT_STREQ(kFlexiSourceNames[79].name, "Midi CC 87");
  for (int i = 0; i < kFlexiSourceNameCount; ++i) {
    std::string name = kFlexiSourceNames[i].name;
    if (name.rfind("Midi CC ", 0) == 0) {
      EXPECT_EQ(std::stoi(name.substr(8)), kFlexiSourceNames[i].code);
    }
  }
}

TEST(NameTables, RangeControlNamesAndCodes) {
  EXPECT_STREQ(kRangeControlNames[0].name, "OFF");
  EXPECT_STREQ(kRangeControlNames[5].name, "PB Wheel");
  EXPECT_STREQ(kRangeControlNames[14].name, "Midi CC 10");
  EXPECT_STREQ(kRangeControlNames[19].name, "Midi CC 10");
  EXPECT_STREQ(kRangeControlNames[74].name, "Midi CC 87");
  EXPECT_STREQ(kRangeControlNames[79].name, "Midi CC 87");
  const int codes[][2] = {{0, 0}, {1, 97}, {4, 96}, {5, 103}, {6, 1}, {19, 10}, {45, 31}, {74, 87}};
  for (auto [row, code] : codes) EXPECT_EQ(kRangeControlNames[row].code, code) << row;
  for (int i = 0; i < kRangeControlNameCount; ++i) {
    std::string name = kRangeControlNames[i].name;
    if (name.rfind("Midi CC ", 0) == 0) {
      EXPECT_EQ(std::stoi(name.substr(8)), kRangeControlNames[i].code) << i;
    }
  }
}

TEST(NameTables, NoteDivisions) {
  EXPECT_STREQ(kLfoNoteDivisions[0], "1/1");
  EXPECT_STREQ(kLfoNoteDivisions[12], "1/16D");
  EXPECT_STREQ(kDelayNoteDivisions[0], "1/16D");
  EXPECT_STREQ(kDelayNoteDivisions[5], "1/4T");
  EXPECT_STREQ(kDelayNoteDivisions[9], "1/2");
}

}  // namespace
