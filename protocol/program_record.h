// One synthesizer program as the editor holds it: 186 signed 32-bit fields.
// Fields 0..169 are the device's program bytes in device order (each travels as value plus the
// field's offset); fields 170..185 keep the second and third GUI parts of composite device
// bytes raw, so a packed record still knows every switch (see program_field_table.h).
#pragma once

#include <cstdint>

inline constexpr int kProgramFieldCount = 186;
inline constexpr int kDeviceFieldCount = 170;
// Field i belongs to plug-in parameter i + kFieldParamOffset.
inline constexpr int kFieldParamOffset = 3;
// Last-sent-field value meaning "no address sent yet": the next single NRPN repeats both
// address bytes.
inline constexpr int kNoFieldSent = 186;
// Each FLEXI slot n (0..3) spans seven fields from kFlexiFirstField + 7n:
// SOURCE, BITS+MODE, DESTINATION, RANGE POLARITY composite, RANGE, RANGE CONTROL, CURVE.
inline constexpr int kFlexiFirstField = 95;
inline constexpr int kFlexiSlotFields = 7;
inline constexpr int kFlexiSlotCount = 4;

struct ProgramRecord {
  int32_t field[kProgramFieldCount] = {};

  int32_t& operator[](int i) { return field[i]; }
  int32_t operator[](int i) const { return field[i]; }
  bool operator==(const ProgramRecord&) const = default;
};
