// Host-name table lookups and the API and host display names.
#include <gtest/gtest.h>

#include "plugin/host_names.h"
#include "plugin/utl_misc.h"

namespace {

struct HostCase {
  const char* name;
  int code;
};

TEST(HostNames, CodeFromName) {
  const HostCase cases[] = {
      {"Standalone", 24},
      {"standalone", 24},
      {"Steinberg CUBASE 12", 3},
      {"Ableton Live 11", 9},
      {"Melodyne", 12},
      {"Live with Cubase inside", 3},  // cubase is tried first
      {"", 0},
      {"Some Other Host", 0},
      {"REAPER64", 1},
      {"Nuendo", 4},
      {"Cakewalk by BandLab", 5},
      {"Samplitude Pro", 8},
      {"Fruity Wrapper", 7},
      {"vstmanlib", 13},
      {"AULab", 14},
      {"GarageBand", 22},
      {"Forte", 15},
      {"Chainer", 16},
      {"Adobe Audition", 17},
      {"Orion", 18},
      {"SAWStudio", 20},
      {"Logic Pro", 21},
      {"Digital Performer", 23},
      {"AudioMulch", 25},
      {"PreSonus Studio One", 26},
      {"VST3PluginTestHost", 27},
      {"ProTools", 2},
      {"Ardour", 28},
      {"Deliverance", 9},  // any text containing "live" counts
  };
  for (const HostCase& c : cases) EXPECT_EQ(HostCodeFromName(c.name), c.code) << c.name;
  EXPECT_EQ(HostCodeFromName(nullptr), 0);
}

TEST(HostNames, NameFromCode) {
  const HostCase cases[] = {
      {"Unknown", 0},     {"Reaper", 1},      {"ProTools", 2},    {"Cubase", 3},
      {"Nuendo", 4},      {"Sonar", 5},       {"Vegas", 6},       {"FLStudio", 7},
      {"Samplitude", 8},  {"Live", 9},        {"Unknown", 10},    {"Unknown", 11},
      {"Unknown", 12},    {"VSTScanner", 13}, {"AULab", 14},      {"Forte", 15},
      {"Chainer", 16},    {"Audition", 17},   {"Orion", 18},      {"Unknown", 19},
      {"SAWStudio", 20},  {"Logic", 21},      {"GarageBand", 22}, {"DigitalPerformer", 23},
      {"Standalone", 24}, {"AudioMulch", 25}, {"StudioOne", 26},  {"VST3PluginTestHost", 27},
      {"Ardour", 28},     {"Unknown", 29},    {"Unknown", -1},
  };
  for (const HostCase& c : cases) EXPECT_STREQ(HostNameFromCode(c.code), c.name) << c.code;

  char small[6];
  HostNameFromCode(24, small, sizeof(small));
  EXPECT_STREQ(small, "Stand");
}

TEST(HostNames, ApiNames) {
  const char* const expected[] = {"VST2", "VST3", "AU", "RTAS", "AAX", "Standalone"};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(ApiNameFromIndex(i), expected[i]);
  EXPECT_STREQ(ApiNameFromIndex(6), "");
  EXPECT_STREQ(ApiNameFromIndex(-1), "");
  EXPECT_STREQ(ArchString(), "x64");
}

TEST(Utilities, LowerCopyAndBlanks) {
  char out[8];
  ToLowerCopy(out, sizeof(out), "AbC");
  EXPECT_STREQ(out, "abc");
  ToLowerCopy(out, sizeof(out), "ABCDEFGHIJ");
  EXPECT_STREQ(out, "abcdefg");  // limited to the output
  ToLowerCopy(out, sizeof(out), nullptr);
  EXPECT_STREQ(out, "");
  for (char c : std::string(" \t\r\n")) EXPECT_TRUE(UTL_IsBlank(c));
  EXPECT_FALSE(UTL_IsBlank('a'));
  EXPECT_FALSE(UTL_IsBlank('\v'));
  UTL_TickTimer t;
  EXPECT_FALSE(t.Elapsed(1000.0));
}

}  // namespace
