#include "protocol/program_codec.h"

namespace {

int32_t P(const ParamReader& param, int idx) {
  return static_cast<int32_t>(param(idx));
}

}  // namespace

int CompositeBaseField(int field) {
  switch (field) {
    case 89:
    case 170:
      return 89;
    case 96:
    case 171:
      return 96;
    case 98:
    case 172:
      return 98;
    case 103:
    case 173:
      return 103;
    case 105:
    case 174:
      return 105;
    case 110:
    case 175:
      return 110;
    case 112:
    case 176:
      return 112;
    case 117:
    case 177:
      return 117;
    case 119:
    case 178:
      return 119;
    case 123:
      return 123;
    case 124:
    case 184:
    case 185:
      return 124;
    case 144:
    case 179:
    case 180:
      return 144;
    case 157:
    case 181:
    case 182:
      return 157;
    default:
      return -1;
  }
}

int32_t CompositeValue(int baseField, const ParamReader& param) {
  switch (baseField) {
    case 89:
      return P(param, 92) + 2 * P(param, 173);
    case 96:
      return P(param, 99) + 2 * P(param, 174);
    case 98:
      return P(param, 101) + 2 * P(param, 175);
    case 103:
      return P(param, 106) + 2 * P(param, 176);
    case 105:
      return P(param, 108) + 2 * P(param, 177);
    case 110:
      return P(param, 113) + 2 * P(param, 178);
    case 112:
      return P(param, 115) + 2 * P(param, 179);
    case 117:
      return P(param, 120) + 2 * P(param, 180);
    case 119:
      return P(param, 122) + 2 * P(param, 181);
    case 123:
      return P(param, 126) + 2 * P(param, 309) + 4 * P(param, 310);
    case 124:
      return P(param, 127) + 4 * P(param, 187) + 8 * P(param, 188);
    case 144:
      return P(param, 147) > 0 ? P(param, 182) + 2 * P(param, 183) : 0;
    case 157:
      return P(param, 160) > 0 ? P(param, 184) + 2 * P(param, 185) : 0;
    default:
      return 0;
  }
}

ProgramRecord PackParams(const ParamReader& param) {
  ProgramRecord r;
  for (int i = 0; i < kProgramFieldCount; ++i) r[i] = P(param, i + kFieldParamOffset);
  for (int base : {96, 98, 103, 105, 110, 112, 117, 119}) r[base] = CompositeValue(base, param);
  r[76] = P(param, 78) < 1 ? P(param, 79) : P(param, 186);
  r[89] = CompositeValue(89, param);
  r[123] = CompositeValue(123, param);
  r[124] = CompositeValue(124, param);
  // The switch fields still hold the raw switch here; the blend parts are in 179..182.
  r[144] = r[144] > 0 ? r[180] * 2 + r[179] : 0;
  r[157] = r[157] > 0 ? r[182] * 2 + r[181] : 0;
  return r;
}

void FillUndoSnapshot(ProgramRecord& snap, const ParamReader& param,
                      const int32_t flexiDestination[kFlexiSlotCount]) {
  for (int i = 0; i <= 88; ++i) snap[i] = P(param, i + kFieldParamOffset);
  snap[76] = P(param, 78) < 1 ? P(param, 79) : P(param, 186);
  snap[89] = CompositeValue(89, param);
  for (int i = 90; i <= 94; ++i) snap[i] = P(param, i + kFieldParamOffset);
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    int b = kFlexiFirstField + kFlexiSlotFields * n;
    if (flexiDestination[n] < 0) {
      for (int k = 0; k < kFlexiSlotFields; ++k) snap[b + k] = 0;
      continue;
    }
    snap[b] = P(param, b + 3);
    snap[b + 1] = CompositeValue(b + 1, param);
    snap[b + 2] = P(param, b + 5);
    snap[b + 3] = CompositeValue(b + 3, param);
    snap[b + 4] = P(param, b + 7);
    snap[b + 5] = P(param, b + 8);
    snap[b + 6] = P(param, b + 9);
  }
  snap[123] = P(param, 126);
  snap[124] = CompositeValue(124, param);
  snap[184] = snap[124];
  snap[185] = snap[124];
  snap[125] = P(param, 128);
  snap[126] = 0;
  snap[127] = 0;
  for (int i = 128; i <= 143; ++i) snap[i] = P(param, i + kFieldParamOffset);
  snap[144] = CompositeValue(144, param);
  snap[145] = P(param, 148);
  snap[146] = P(param, 149);
  for (int i = 147; i <= 156; ++i) snap[i] = 0;
  snap[157] = CompositeValue(157, param);
  for (int i = 158; i <= 169; ++i) snap[i] = P(param, i + kFieldParamOffset);
}
