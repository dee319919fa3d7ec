// Display names of the FLEXI modulation sources and range controls (in list-view order, with
// the device code of each row) and of the note divisions shown while the LFO or the delays
// follow MIDI clock.
#pragma once

#include <cstdint>

struct NamedCode {
  const char* name;
  uint8_t code;
};

inline constexpr int kFlexiSourceNameCount = 81;
inline constexpr int kRangeControlNameCount = 80;  // rows 75..79 are never shown
inline constexpr int kLfoNoteDivisionCount = 13;
inline constexpr int kDelayNoteDivisionCount = 10;

extern const NamedCode kFlexiSourceNames[kFlexiSourceNameCount];
extern const NamedCode kRangeControlNames[kRangeControlNameCount];
extern const char* const kLfoNoteDivisions[kLfoNoteDivisionCount];
extern const char* const kDelayNoteDivisions[kDelayNoteDivisionCount];
