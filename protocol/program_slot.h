// One row of the program manager's bank list: the program assigned to a synthesizer slot
// (1..99; row 0 is never a program). The editor owns 100 of them; the program library fills
// them from folder scans and bank downloads.
#pragma once

#include <cstdint>

inline constexpr int kSlotTableSize = 100;
inline constexpr int kFirstProgramSlot = 1;
inline constexpr int kLastProgramSlot = 99;

// Categories of a slot, from the tag after the slot number in a file name.
enum SlotCategory : int32_t {
  kSlotCategoryNone = 0,  // after a reset
  kSlotCategoryPlain = 1,
  kSlotCategoryBass = 2,
  kSlotCategoryGuitar = 3,
  kSlotCategoryMidi = 4,
  kSlotCategoryFx = 5,
  kSlotCategoryEwi = 6,
};

struct ProgramSlot {
  uint8_t empty = 1;
  uint8_t selected = 0;
  int32_t category = kSlotCategoryNone;
  char path[256] = {};        // program file, or an "https://" address of the online database
  char name[64] = {};         // at most 32 characters from a scan
  char displayName[64] = {};  // up to three LF-separated lines of the name, "…" when cut
};
