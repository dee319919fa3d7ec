// Packing parameters into a record and the undo-snapshot form, with every composite.
#include <gtest/gtest.h>

#include <map>

#include "protocol/program_codec.h"

namespace {

// Parameter values by index; unset ones read 0.
struct Params {
  std::map<int, double> v;
  ParamReader Reader() const {
    return [this](int i) {
      auto it = v.find(i);
      return it == v.end() ? 0.0 : it->second;
    };
  }
};

TEST(PackParams, PlainFieldsTruncateTowardZero) {
  Params p;
  p.v[3] = -23.9;   // field 0
  p.v[14] = 31.7;   // field 11
  p.v[172] = 14.2;  // field 169
  ProgramRecord r = PackParams(p.Reader());
  EXPECT_EQ(r[0], -23);
  EXPECT_EQ(r[11], 31);
  EXPECT_EQ(r[169], 14);
}

TEST(PackParams, EveryComposite) {
  Params p;
  p.v[92] = 1;
  p.v[173] = 1;  // 89
  p.v[99] = 1;
  p.v[174] = 1;  // 96
  p.v[101] = 0;
  p.v[175] = 1;  // 98
  p.v[106] = 1;
  p.v[176] = 0;  // 103
  p.v[108] = 1;
  p.v[177] = 1;  // 105
  p.v[113] = 0;
  p.v[178] = 1;  // 110
  p.v[115] = 1;
  p.v[179] = 0;  // 112
  p.v[120] = 1;
  p.v[180] = 1;  // 117
  p.v[122] = 0;
  p.v[181] = 0;  // 119
  p.v[126] = 1;
  p.v[309] = 1;
  p.v[310] = 3;  // 123
  p.v[127] = 2;
  p.v[187] = 1;
  p.v[188] = 1;  // 124
  p.v[147] = 1;
  p.v[182] = 1;
  p.v[183] = 1;  // 144
  p.v[160] = 1;
  p.v[184] = 0;
  p.v[185] = 1;  // 157
  ProgramRecord r = PackParams(p.Reader());
  EXPECT_EQ(r[89], 3);
  EXPECT_EQ(r[96], 3);
  EXPECT_EQ(r[98], 2);
  EXPECT_EQ(r[103], 1);
  EXPECT_EQ(r[105], 3);
  EXPECT_EQ(r[110], 2);
  EXPECT_EQ(r[112], 1);
  EXPECT_EQ(r[117], 3);
  EXPECT_EQ(r[119], 0);
  EXPECT_EQ(r[123], 1 + 2 + 12);
  EXPECT_EQ(r[124], 2 + 4 + 8);
  EXPECT_EQ(r[144], 3);
  EXPECT_EQ(r[157], 2);
  // The parts stay raw in their own fields.
  EXPECT_EQ(r[170], 1);
  EXPECT_EQ(r[179], 1);
  EXPECT_EQ(r[180], 1);
  EXPECT_EQ(r[182], 1);
  EXPECT_EQ(r[184], 1);
  EXPECT_EQ(r[185], 1);
}

TEST(PackParams, SwitchesOffZeroTheBlendBytesButKeepTheParts) {
  Params p;
  p.v[147] = 0;
  p.v[182] = 1;
  p.v[183] = 1;
  p.v[160] = 0;
  p.v[184] = 1;
  p.v[185] = 0;
  ProgramRecord r = PackParams(p.Reader());
  EXPECT_EQ(r[144], 0);
  EXPECT_EQ(r[157], 0);
  EXPECT_EQ(r[179], 1);
  EXPECT_EQ(r[180], 1);
  EXPECT_EQ(r[181], 1);
}

TEST(PackParams, CutoffFollowsTheFilterType) {
  Params p;
  p.v[79] = 50;
  p.v[186] = 110;
  p.v[78] = 0;
  EXPECT_EQ(PackParams(p.Reader())[76], 50);
  p.v[78] = 1;
  ProgramRecord r = PackParams(p.Reader());
  EXPECT_EQ(r[76], 110);
  EXPECT_EQ(r[183], 110);
}

TEST(CompositeValue, SinglesSendsRecomputeFromParameters) {
  Params p;
  p.v[147] = 0;
  p.v[183] = 1;
  EXPECT_EQ(CompositeBaseField(180), 144);
  EXPECT_EQ(CompositeValue(144, p.Reader()), 0);  // overdrive off: whole byte 0
  p.v[147] = 1;
  EXPECT_EQ(CompositeValue(144, p.Reader()), 2);
  EXPECT_EQ(CompositeBaseField(76), -1);
  EXPECT_EQ(CompositeBaseField(183), -1);
  EXPECT_EQ(CompositeBaseField(185), 124);
  EXPECT_EQ(CompositeBaseField(0), -1);
}

TEST(FillUndoSnapshot, SnapshotForm) {
  Params p;
  p.v[98] = 5;
  p.v[100] = 10;
  p.v[104] = 7;  // FLEXI1 with a destination
  p.v[105] = 6;
  p.v[107] = 11;  // FLEXI2 without
  p.v[126] = 1;
  p.v[309] = 1;
  p.v[310] = 2;
  p.v[127] = 1;
  p.v[187] = 1;
  p.v[128] = 99;
  p.v[150] = 4;  // parameter of field 147: never kept
  p.v[134] = 1;
  p.v[164] = 8;
  ProgramRecord snap;
  snap[170] = 55;  // left as it was
  const int32_t dest[4] = {10, -1, -1, -1};
  FillUndoSnapshot(snap, p.Reader(), dest);
  EXPECT_EQ(snap[95], 5);
  EXPECT_EQ(snap[97], 10);
  EXPECT_EQ(snap[101], 7);
  for (int f = 102; f <= 108; ++f) EXPECT_EQ(snap[f], 0) << f;
  EXPECT_EQ(snap[123], 1);  // the external-MIDI parts are not kept
  EXPECT_EQ(snap[124], 5);
  EXPECT_EQ(snap[184], 5);
  EXPECT_EQ(snap[185], 5);
  EXPECT_EQ(snap[125], 99);
  EXPECT_EQ(snap[147], 0);
  EXPECT_EQ(snap[131], 1);
  EXPECT_EQ(snap[161], 8);
  EXPECT_EQ(snap[170], 55);
}

}  // namespace
