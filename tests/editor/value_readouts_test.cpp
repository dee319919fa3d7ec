#include <gtest/gtest.h>

#include "editor/value_readouts.h"

namespace {

TEST(FieldReadoutText, ListedPoints) {
  struct Case {
    int field, value, sync, delayLong;
    const char* text;
  } cases[] = {
      {91, 0, 0, 0, "0.21Hz"},  {91, 127, 0, 0, "28.02Hz"}, {132, 127, 0, 0, "8.60Hz"},
      {133, 0, 0, 0, "0.00Hz"}, {135, 127, 0, 0, "140ms"},  {135, 127, 0, 1, "600ms"},
      {135, 5, 2, 1, "1/4T"},   {139, 5, 2, 1, "23ms"},     {139, 9, 3, 1, "1/2"},
      {135, 5, 2, 0, "5ms"},  // vintage delays never follow the clock
      {48, 0, 0, 0, "7"},       {48, -2, 0, 0, "-12"},      {49, 3, 0, 0, "24"},
      {49, 4, 0, 0, ""},        {42, 12, 1, 0, "1/16D"},    {42, 12, 0, 0, "12"},
      {67, 2, 0, 0, "reset"},   {67, 3, 0, 0, ""},          {81, 1, 0, 0, "on"},
      {82, 3, 0, 0, "NTC"},     {84, 0, 0, 0, "12dB"},      {86, 1, 0, 0, "time"},
      {89, 1, 0, 0, "trigger"}, {89, 2, 0, 0, ""},          {90, 3, 0, 0, "last"},
      {170, 1, 0, 0, "legato"}, {5, 77, 1, 1, "77"},        {171, 1, 0, 0, "1"},
      {41, -5, 0, 0, "-5"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FieldReadoutText(c.field, c.value, c.sync, c.delayLong), c.text)
        << "field " << c.field << " value " << c.value;
}

TEST(FieldReadoutText, NoteDivisionsOutsideTheTablesShowTheNumber) {
  EXPECT_EQ(FieldReadoutText(42, 13, 1, 0), "13");
  EXPECT_EQ(FieldReadoutText(42, 127, 1, 0), "127");
  EXPECT_EQ(FieldReadoutText(42, -1, 1, 0), "-1");
  EXPECT_EQ(FieldReadoutText(135, 10, 2, 1), "10");
  EXPECT_EQ(FieldReadoutText(139, 127, 3, 1), "127");
}

}  // namespace
