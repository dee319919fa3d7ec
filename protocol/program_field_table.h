// The constant per-field columns of the program record: range, device offset, NRPN address,
// program-file columns, INIT value and MIDI-learn maximum; the FLEXI list tables that turn a
// list row into a device source code; the group-INIT template.
#pragma once

#include <cstdint>

#include "protocol/program_record.h"

struct ProgramFieldRow {
  int32_t min;
  int32_t max;
  int32_t offset;  // -min for negative minimums: the device sees value + offset, 0..127
  int32_t msb;     // NRPN address of a single send; MSB 0: no address of its own
  uint8_t lsb;
  int32_t fileField;  // "field" of the program text file; -1 for fields 170..185
  uint8_t poti;       // position in the block + 1; 0 where there is none
  int32_t init;       // the INIT program (undo-snapshot form)
  int32_t learnMax;   // default MIDI-learn maximum of entries 0..121; -1 elsewhere
};

struct ProgramFieldTable {
  static const ProgramFieldRow kRows[kProgramFieldCount];

  // MIDI-learn entries: field i = parameter i + 3 for i in 0..121.
  static constexpr int kLearnEntryCount = 122;

  static int32_t Min(int field) { return kRows[field].min; }
  static int32_t Max(int field) { return kRows[field].max; }
  static int32_t Offset(int field) { return kRows[field].offset; }
  static int32_t Init(int field) { return kRows[field].init; }
  // The address columns run to 187: entry 186 (MSB 10, LSB 1) stands for "nothing sent yet",
  // entry 187 is (0, 0). Any other index outside 0..187 counts as 186.
  static int32_t Msb(int field);
  static uint8_t Lsb(int field);

  // The byte the device receives for a field value: the value limited to what the device byte
  // can carry for that field (composites of 76, 123, 124 and the external program change of
  // 125 exceed the field's own range), plus the offset; always 0..127.
  static uint8_t DeviceByte(int field, int32_t value);
  // The byte of a field inside a whole program: as DeviceByte, but the cutoff byte (76) is
  // limited to the range of the filter the record selects (field 75 non-zero: the new
  // filter's 36..122, else the vintage 0..80), so the synthesizer never receives a cutoff
  // outside the range the editor shows.
  static uint8_t RecordDeviceByte(const ProgramRecord& record, int field);

  // A FLEXI destination (BITS x 128 + DESTINATION, up to 511 from a file or dump) names a field
  // only when it lies in 0..183; anything else means "no destination".
  static bool IsFlexiDestination(int32_t destination) {
    return destination >= 0 && destination < 184;
  }

  // Rows of the FLEXI source and range-control lists (their codes: protocol/name_tables.h).
  static constexpr int kSourceListSize = 81;
  static constexpr int kRangeControlListSize = 75;
  // First row holding the code, or -1.
  static int SourceListPosition(int32_t code);
  static int RangeControlListPosition(int32_t code);

  // The record that group initialise copies from.
  static const ProgramRecord kGroupInit;
  static ProgramRecord InitRecord();
};
