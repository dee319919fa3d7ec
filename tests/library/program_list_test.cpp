#include "library/program_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Names = std::vector<std::string>;

TEST(ProgramList, KeepsProgramFilesSortedWithoutCase) {
  EXPECT_EQ(BuildProgramList({"b.pr4", "A.pr4", "c.txt"}), (Names{"A.pr4", "b.pr4"}));
  EXPECT_EQ(BuildProgramList({"10_x.pr4", "9_x.pr4", "old.PRG", "Z.Pr3", "readme"}),
            (Names{"10_x.pr4", "9_x.pr4", "old.PRG", "Z.Pr3"}));
  // Names equal in lower case keep their listing order.
  EXPECT_EQ(BuildProgramList({"b.PR4", "B.pr4", "a.pr4", "B.PR4"}),
            (Names{"a.pr4", "b.PR4", "B.pr4", "B.PR4"}));
  // Bytewise after lower-casing: "_" (0x5F) sorts before the letters.
  EXPECT_EQ(BuildProgramList({"ab.pr4", "a_.pr4"}), (Names{"a_.pr4", "ab.pr4"}));
  EXPECT_TRUE(BuildProgramList({}).empty());
}

TEST(ProgramList, HoldsAtMost1024Names) {
  Names listing;
  for (int i = 0; i < 1100; ++i) listing.push_back("p" + std::to_string(1100 - i) + ".pr4");
  Names list = BuildProgramList(listing);
  ASSERT_EQ(list.size(), 1024u);
  // The first 1024 of the listing are kept, then sorted.
  EXPECT_EQ(std::count(list.begin(), list.end(), "p77.pr4"), 1);
  EXPECT_EQ(std::count(list.begin(), list.end(), "p76.pr4"), 0);
}

TEST(ProgramList, LeadingNumberReadsOnlyTheFirstCharacters) {
  struct Row {
    const char* name;
    size_t count;
    int number;
  } rows[] = {
      {"07_Bass.pr4", 2, 7}, {"123.pr4", 2, 12}, {"123.pr4", 3, 123}, {" 5x", 3, 5},
      {"-3", 2, -3},         {"x12", 2, 0},      {"", 2, 0},          {"9", 3, 9},
      {"12345", 9, 123},  // never more than three characters
  };
  for (const Row& r : rows)
    EXPECT_EQ(LeadingNumber(r.name, r.count), r.number) << r.name << " " << r.count;
}

std::string Offered(const char* name, int slot) {
  uint8_t bytes[kDumpNameBytes];
  memset(bytes, ' ', sizeof bytes);
  memcpy(bytes, name, std::min(strlen(name), sizeof bytes));
  return ReceivedProgramFileName(bytes, slot);
}

TEST(ReceivedProgramName, FollowsTheSlotAndTheName) {
  struct Case {
    const char* name;
    int slot;
    const char* file;
  } cases[] = {
      {"", 7, "07.pr4"},
      {"12 Lead", 7, "0712 Lead.pr4"},  // another slot's number never misdirects it
      {"07 Lead", 7, "07 Lead.pr4"},
      {"7 Lead", 7, "7 Lead.pr4"},
      {"Lead", 7, "07Lead.pr4"},
      {"Lead  ", 99, "99Lead.pr4"},
      {"7th", 3, "037th.pr4"},
      {"00 Zero", 5, "0500 Zero.pr4"},  // 0 is no slot number
      {"-5 Neg", 5, "05-5 Neg.pr4"},
  };
  for (const Case& c : cases) EXPECT_EQ(Offered(c.name, c.slot), c.file) << '"' << c.name << '"';

  uint8_t zeros[kDumpNameBytes] = {};
  EXPECT_EQ(ReceivedProgramFileName(zeros, 12), "12.pr4");
  uint8_t padded[kDumpNameBytes] = {'B', 'a', 's', 's', ' ', ' ', 0, 0};
  EXPECT_EQ(ReceivedProgramFileName(padded, 1), "01Bass.pr4");
  uint8_t full[kDumpNameBytes];
  memset(full, 'x', sizeof full);  // no terminator within the 32 bytes
  EXPECT_EQ(ReceivedProgramFileName(full, 2), "02" + std::string(32, 'x') + ".pr4");
}

TEST(ReceivedProgramName, NamesFromTheDeviceAreMadeSafe) {
  struct Case {
    const char* name;
    const char* file;
  } cases[] = {
      {"../../etc/passwd", "01______etc_passwd.pr4"},
      {"a/b", "01a_b.pr4"},
      {"..", "01__.pr4"},
      {".hidden", "01_hidden.pr4"},
      {"v1.2 Pad", "01v1.2 Pad.pr4"},  // a single dot inside a name is harmless
      {"Tab\there", "01Tab_here.pr4"},
      {"Caf\xc3\xa9", "01Caf\xc3\xa9.pr4"},
      {"Caf\xe9\xc2\x85", "01Caf__.pr4"},  // not UTF-8, and a C1 control
      {"back\\slash", "01back_slash.pr4"},
      {"del\x7f", "01del_.pr4"},
  };
  for (const Case& c : cases) {
    std::string file = Offered(c.name, 1);
    EXPECT_EQ(file, c.file) << c.name;
    EXPECT_EQ(file.find('/'), std::string::npos);
    EXPECT_EQ(file.find(".."), std::string::npos);
  }
  EXPECT_EQ(SafeFileNamePart("ok name"), "ok name");
  EXPECT_EQ(SafeFileNamePart("a...b"), "a___b");
}

}  // namespace
