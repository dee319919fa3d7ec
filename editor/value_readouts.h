// The text of a program field's value read-out. Pure: the editor passes the two parameters the
// texts depend on ("MIDI Sync" 0..3, "Delay Vintage/Long" 0..1).
#pragma once

#include <cstdint>
#include <string>

std::string FieldReadoutText(int field, int32_t value, int32_t midiSync, int32_t delayLong);
