// Conversions between the editor's parameters and the program record that need no editor
// state: packing the parameters into a record, the undo-snapshot form, and the composite
// device values that single sends recompute from the parameters.
//
// Parameter p holds field p - 3 for p in 3..188; 309 and 310 are extra parts of field 123.
#pragma once

#include <cstdint>
#include <functional>

#include "protocol/program_record.h"

// Reads the current plain value of a parameter by index.
using ParamReader = std::function<double(int)>;

// The packed record: every field from its parameter (truncated toward zero), then the
// composites; the overdrive and equalizer bytes are 0 while their switch is off.
ProgramRecord PackParams(const ParamReader& param);

// Fills `snap` in undo-snapshot form. flexiDestination[n] < 0 stores FLEXI slot n as seven
// zeros. Fields 170..183 keep what `snap` held.
void FillUndoSnapshot(ProgramRecord& snap, const ParamReader& param,
                      const int32_t flexiDestination[kFlexiSlotCount]);

// The base field whose device byte a composite field or part (89, 96, 98, 103, 105, 110, 112,
// 117, 119, 123, 124, 144, 157, 170..182, 184, 185) travels in; -1 for plain fields (76 and
// 183 are sent with their own value).
int CompositeBaseField(int field);
// The device value of a composite base field, recomputed from the parameters.
int32_t CompositeValue(int baseField, const ParamReader& param);
