// One program as the synthesizer stores it in a slot, and the SysEx dumps built from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/vqsim/sim_protocol.h"

namespace vqsim {

// Device form of a program: 170 bytes (field value + offset, 0..127 each) and a 32-byte name,
// zero-filled. This is exactly what travels in bytes 8..209 of a program message.
struct DeviceProgram {
  std::array<uint8_t, kProgramByteCount> bytes{};
  std::array<uint8_t, kProgramNameSize> name{};

  std::string NameText() const;           // the name up to its first zero byte
  void SetName(const std::string& text);  // first 32 characters, zero-filled
  bool operator==(const DeviceProgram&) const = default;
};

// The built-in INIT program the device starts with in every slot.
DeviceProgram InitProgram();

// A program that differs from INIT and from every other slot's, for bank transfers where each
// slot must be recognisable: a few 0..127 fields carry the slot number and the name "Sim %02d".
DeviceProgram DistinctProgram(int slot);

// Sum of bytes [first, last) as unsigned values.
uint32_t ByteSum(const uint8_t* data, size_t first, size_t last);

// The 213-byte dump (command 0x41) of a program for a slot.
std::vector<uint8_t> BuildProgramDump(const DeviceProgram& program, int slot);

// The older 115-byte dump: the first 104 program bytes, checksum over bytes 8..111.
std::vector<uint8_t> BuildOldProgramDump(const DeviceProgram& program, int slot);

// The 213-byte program write (command 0x20), as the editor sends it.
std::vector<uint8_t> BuildProgramWrite(const DeviceProgram& program, int slot);

// Takes the program out of a 213-byte program message (write or dump), without any checks.
DeviceProgram ProgramFromMessage(const std::vector<uint8_t>& message);

// A 7-byte reply F0, identifier, target, command, F7.
std::vector<uint8_t> BuildReply(uint8_t target, uint8_t command);

// True when bytes 1..3 hold the manufacturer identifier.
bool HasOurIdentifier(const uint8_t* data, size_t size);

// Reverses the firmware 7-bit packing (bit stream, most significant bit first) for rawSize bytes.
std::vector<uint8_t> UnpackSevenBitStream(const std::vector<uint8_t>& packed, size_t rawSize);

// The packing itself, as the editor does it; L = floor((8 x size + 7) / 7) bytes.
std::vector<uint8_t> PackSevenBitStream(const std::vector<uint8_t>& raw);

std::string HexBytes(const uint8_t* data, size_t size);
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& out);

}  // namespace vqsim
