// The text of a program field's value read-out. Pure: the editor passes the two parameters the
// texts depend on ("MIDI Sync" 0..3, "Delay Vintage/Long" 0..1).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

std::string FieldReadoutText(int field, int32_t value, int32_t midiSync, int32_t delayLong);

// The text a parameter's read-out shows in place of FieldReadoutText's: the switches' words and
// the distortion tone's value about its middle; none for the parameters that show that text.
std::optional<std::string> ParamReadoutText(int param, int32_t value);

// The fields whose read-out control shows the plain value on every change.
inline bool HasNumericReadout(int field) {
  return (field >= 0 && field <= 94) || (field >= 129 && field <= 169) ||
         (field >= 179 && field <= 183);
}
