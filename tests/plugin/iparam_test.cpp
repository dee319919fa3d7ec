// Parameter initialisation, normalisation, step snapping and display strings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "plugin/iparam.h"

namespace {

TEST(IParamInit, RangesOfEachType) {
  IParam b;
  b.InitBool("Power", true, "lbl", "grp");
  EXPECT_EQ(b.Type(), IParam::kTypeBool);
  EXPECT_EQ(b.Value(), 1.0);
  EXPECT_EQ(b.GetDefault(), 1.0);
  EXPECT_EQ(b.GetMin(), 0.0);
  EXPECT_EQ(b.GetMax(), 1.0);
  EXPECT_EQ(b.GetNDisplayTexts(), 2);
  EXPECT_STREQ(b.GetDisplayTextForValue(0), "off");
  EXPECT_STREQ(b.GetDisplayTextForValue(1), "on");
  EXPECT_STREQ(b.GetName(), "Power");
  EXPECT_STREQ(b.GetGroup(), "grp");

  IParam e;
  e.InitEnum("Wave", 0, 1);  // one entry still spans 0..1
  EXPECT_EQ(e.Type(), IParam::kTypeEnum);
  EXPECT_EQ(e.GetMax(), 1.0);
  e.InitEnum("Wave", 2, 5);
  EXPECT_EQ(e.GetMax(), 4.0);
  EXPECT_EQ(e.Value(), 2.0);

  IParam i;
  i.InitInt("x", 5, 10, 10);
  EXPECT_EQ(i.Type(), IParam::kTypeInt);
  EXPECT_EQ(i.GetMin(), 10.0);
  EXPECT_EQ(i.GetMax(), 11.0);
  EXPECT_EQ(i.Value(), 5.0);

  IParam d;
  d.InitDouble("Cutoff", "Hz", "Filter", 1.0, 2.0, 2.0, 0.5, 0.0);
  EXPECT_EQ(d.Type(), IParam::kTypeDouble);
  EXPECT_EQ(d.GetMax(), 2.5);    // at least one step wide
  EXPECT_EQ(d.GetShape(), 1.0);  // shape 0 is ignored
  double lo = -1, hi = -1;
  d.GetBounds(&lo, &hi);
  EXPECT_EQ(lo, 2.0);
  EXPECT_EQ(hi, 2.5);
}

TEST(IParamInit, ExistingTypeIsKept) {
  IParam p;
  p.InitInt("a", 0, 0, 10);
  p.InitDouble("b", "", "", 0.5, 0.0, 1.0, 0.01);
  EXPECT_EQ(p.Type(), IParam::kTypeInt);
  EXPECT_EQ(p.GetMax(), 1.0);
  EXPECT_EQ(p.GetStep(), 0.01);
  EXPECT_STREQ(p.GetName(), "b");
}

TEST(IParamInit, TextsAreCutTo31Characters) {
  const std::string longText(40, 'n');
  IParam p;
  p.InitInt(longText.c_str(), 0, 0, 1, longText.c_str(), nullptr);
  EXPECT_EQ(std::string(p.GetName()), std::string(31, 'n'));
  EXPECT_STREQ(p.GetGroup(), "");
  p.SetDisplayText(0, longText.c_str());
  EXPECT_EQ(std::string(p.GetDisplayTextForValue(0)).size(), 31u);
}

struct PrecisionCase {
  double step;
  int precision;
};

TEST(IParamInit, PrecisionFromStep) {
  const PrecisionCase cases[] = {
      {1.0, 0},   {2.0, 0},     {0.5, 1},      {0.25, 2},      {0.1, 1}, {0.01, 2},
      {0.001, 3}, {0.00001, 5}, {0.000001, 6}, {1.0 / 3.0, 6}, {2.5, 1},
  };
  for (const PrecisionCase& c : cases) {
    IParam p;
    p.InitDouble("p", "", "", 0.0, 0.0, 10.0, c.step);
    EXPECT_EQ(p.GetPrecision(), c.precision) << c.step;
  }
}

struct NormalizeCase {
  int type;  // IParam::EParamType
  double min, max, step, shape;
  double normalized;
  double plain;
};

TEST(IParamNormalize, SetNormalizedSnapsAllButDoubles) {
  const NormalizeCase cases[] = {
      {IParam::kTypeInt, 0, 127, 1, 1, 0.5, 64},  // 63.5 rounds up
      {IParam::kTypeInt, 0, 127, 1, 1, 0.0, 0},
      {IParam::kTypeInt, 0, 127, 1, 1, 1.0, 127},
      {IParam::kTypeInt, -64, 63, 1, 1, 0.5, -0.0},    // -0.5 rounds half up to 0
      {IParam::kTypeDouble, 0, 10, 0.1, 2, 0.5, 2.5},  // no snapping
      {IParam::kTypeDouble, 0, 10, 0.1, 1, 0.123, 1.23},
      {IParam::kTypeEnum, 0, 4, 1, 1, 0.6, 2},     // 2.4
      {IParam::kTypeInt, 0, 127, 1, 1, 2.0, 127},  // normalised values are limited to 0..1
      {IParam::kTypeInt, 0, 127, 1, 1, -1.0, 0},
  };
  for (const NormalizeCase& c : cases) {
    IParam p;
    if (c.type == IParam::kTypeDouble) {
      p.InitDouble("d", "", "", c.min, c.min, c.max, c.step, c.shape);
    } else if (c.type == IParam::kTypeEnum) {
      p.InitEnum("e", 0, static_cast<int>(c.max) + 1);
    } else {
      p.InitInt("i", 0, static_cast<int>(c.min), static_cast<int>(c.max));
    }
    p.SetNormalized(c.normalized);
    EXPECT_NEAR(p.Value(), c.plain, 1e-12) << "type " << c.type << " n " << c.normalized;
  }
}

TEST(IParamNormalize, StepCountsFromZeroAndValueStaysAtMostMax) {
  IParam q;
  q.InitInt("q", 1, 1, 10);
  q.InitDouble("q", "", "", 1.0, 1.0, 10.0, 4.0);  // keeps the int type, takes step 4
  q.SetNormalized(0.0);
  EXPECT_EQ(q.Value(), 0.0);  // multiples of 4 counted from 0: 1 rounds to 0
  q.SetNormalized(1.0);
  EXPECT_EQ(q.Value(), 10.0);  // 12 limited to the maximum
}

TEST(IParamNormalize, ShapedRoundTrip) {
  IParam p;
  p.InitDouble("d", "", "", 0.0, 0.0, 10.0, 0.01, 2.0);
  p.SetNormalized(0.5);
  EXPECT_DOUBLE_EQ(p.Value(), 2.5);
  EXPECT_DOUBLE_EQ(p.ToNormalized(2.5), 0.5);
  EXPECT_DOUBLE_EQ(p.GetNormalized(), 0.5);
  EXPECT_DOUBLE_EQ(p.FromNormalized(0.5), 2.5);
  EXPECT_DOUBLE_EQ(p.FromNormalized(2.0), 40.0);  // no limit
  EXPECT_DOUBLE_EQ(p.ToNormalized(-5.0), 0.0);    // limited
  EXPECT_DOUBLE_EQ(p.ToNormalized(50.0), 1.0);
  p.SetShape(0.0);
  EXPECT_EQ(p.GetShape(), 2.0);
}

TEST(IParamNormalize, EmptyRangeGivesZero) {
  IParam p;
  p.InitDouble("d", "", "", 1.0, 1.0, 1.0, 0.0);
  EXPECT_EQ(p.ToNormalized(1.0), 0.0);
  EXPECT_FALSE(std::isnan(p.GetNormalized()));
}

TEST(IParamDisplay, Strings) {
  char out[64];
  IParam e;
  e.InitEnum("Mode", 0, 4);
  e.SetDisplayText(0, "Saw");
  e.SetDisplayText(2, "Square");
  e.SetDisplayText(3, "");
  e.GetDisplayString(false, out, true, 2.9, sizeof(out));
  EXPECT_STREQ(out, "Square");  // truncated to 2
  e.GetDisplayString(false, out, false, 2.9, sizeof(out));
  EXPECT_STREQ(out, "2");
  e.GetDisplayString(false, out, true, 3.0, sizeof(out));
  EXPECT_STREQ(out, "3");  // an empty text does not apply
  e.GetDisplayString(true, out, true, 0.0, sizeof(out));
  EXPECT_STREQ(out, "Saw");
  e.GetDisplayString(true, out, true, 2.0 / 3.0, sizeof(out));
  EXPECT_STREQ(out, "Square");

  IParam d;
  d.InitDouble("Gain", "dB", "", 0.0, -12.0, 12.0, 0.25);
  d.GetDisplayString(false, out, true, -1.5, sizeof(out));
  EXPECT_STREQ(out, "-1.50");
  d.GetDisplayString(true, out, false, 0.5, sizeof(out));
  EXPECT_STREQ(out, "0.00");

  IParam i;
  i.InitInt("Transpose", 0, -24, 24);
  i.GetDisplayString(false, out, true, -3.7, sizeof(out));
  EXPECT_STREQ(out, "-3");  // toward zero
}

TEST(IParamDisplay, OutputIsBounded) {
  IParam d;
  d.InitDouble("Big", "", "", 0.0, 0.0, 1e300, 0.000001);
  char out[IParam::kDisplayStringSize + 8];
  memset(out, 'z', sizeof(out));
  d.GetDisplayString(false, out, false, 1e300);
  EXPECT_EQ(strlen(out), static_cast<size_t>(IParam::kDisplayStringSize - 1));
  EXPECT_EQ(out[IParam::kDisplayStringSize], 'z');

  IParam i;
  i.InitInt("Huge", 0, 0, 1);
  i.GetDisplayString(false, out, true, 1e20);  // beyond int: no undefined conversion
  EXPECT_STREQ(out, "2147483647");
}

TEST(IParamDisplay, LabelYieldsToDisplayText) {
  IParam b;
  b.InitBool("Sync", true, "state");
  EXPECT_STREQ(b.GetLabel(), "");  // "on" applies to 1
  IParam e;
  e.InitEnum("Range", 1, 3, "oct");
  e.SetDisplayText(0, "low");
  EXPECT_STREQ(e.GetLabel(), "oct");
  e.Set(0.7);
  EXPECT_STREQ(e.GetLabel(), "");
}

TEST(IParamDisplay, TextLookups) {
  IParam p;
  p.InitEnum("Shape", 0, 3);
  p.SetDisplayText(1, "tri");
  p.SetDisplayText(2, "saw");
  p.SetDisplayText(1, "triangle");  // appended; the first entry keeps winning
  EXPECT_EQ(p.GetNDisplayTexts(), 3);
  EXPECT_STREQ(p.GetDisplayTextForValue(1), "tri");
  EXPECT_STREQ(p.GetDisplayTextForValue(7), "");

  int value = -1;
  EXPECT_STREQ(p.GetDisplayTextAtIndex(2, &value), "triangle");
  EXPECT_EQ(value, 1);
  EXPECT_STREQ(p.GetDisplayTextAtIndex(1, nullptr), "saw");
  EXPECT_STREQ(p.GetDisplayTextAtIndex(3, &value), "");

  value = -1;
  EXPECT_TRUE(p.MapDisplayText("saw", &value));
  EXPECT_EQ(value, 2);
  value = -1;
  EXPECT_FALSE(p.MapDisplayText("SAW", &value));  // exact, case-sensitive
  EXPECT_EQ(value, -1);
}

TEST(IParamCopy, CopiesCarryDisplayTexts) {
  IParam p;
  p.InitBool("b", false);
  IParam q = p;
  p.SetDisplayText(5, "five");
  EXPECT_EQ(q.GetNDisplayTexts(), 2);
  EXPECT_STREQ(q.GetDisplayTextForValue(1), "on");
}

}  // namespace
