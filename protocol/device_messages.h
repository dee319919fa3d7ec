// Every outgoing message of the editor, byte for byte, as pure functions: single NRPN sends with
// their address-repeat rule, the whole-program NRPN burst, the program-write SysEx with its
// checksum, program requests, keyboard notes and the start-up message. The editor hands the
// results to its MIDI output.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "protocol/program_record.h"

// One control change on MIDI channel 1 (status 0xB0).
struct NrpnControl {
  uint8_t controller;  // 0x63 address MSB, 0x62 address LSB, 0x06 data
  uint8_t value;
  bool operator==(const NrpnControl&) const = default;
};

inline constexpr uint8_t kNrpnStatus = 0xB0;
inline constexpr uint8_t kCcNrpnMsb = 0x63;
inline constexpr uint8_t kCcNrpnLsb = 0x62;
inline constexpr uint8_t kCcDataEntry = 0x06;

// A single field send: the address bytes the synthesizer needs after `lastField` (0..186; any
// other value counts as 186, "nothing sent", repeating both), then the data byte. `field` is the
// address field (a composite part 170..185 addresses its base field through its own row).
std::vector<NrpnControl> SingleFieldNrpn(int field, int32_t value, int lastField);

// The whole record: MSB 5, then LSB i / data for fields 0..127, MSB 6, LSB i / data for fields
// 128..169: 342 control changes.
std::vector<NrpnControl> ProgramNrpnBurst(const ProgramRecord& record);
inline constexpr int kProgramBurstLength = 342;

// A full address triple at MSB 5 with the value as is (the external-MIDI fields).
std::vector<NrpnControl> FullTripleNrpn(uint8_t lsb, int32_t value);

// Checksum of program and firmware messages: the plain sum of the bytes, high 7 bits first.
void SysExChecksum(const uint8_t* bytes, int count, uint8_t* high, uint8_t* low);

// The 213-byte program write to slot 1..99. The name (UTF-8) is sent as one byte per character,
// at most 32: printable 7-bit text as it is, any other character as '_'. Every data byte is
// limited to 0..127.
std::vector<uint8_t> ProgramWriteMessage(const ProgramRecord& record, int slot,
                                         std::string_view name);
// Fields 0..169 as the device bytes of a program message (170 bytes).
void EncodeProgramFields(const ProgramRecord& record, uint8_t* out);

std::vector<uint8_t> ProgramRequestMessage(int slot);
// Note on (0x50) with the velocity, or note off (0x51) with `velocity` in byte 7.
std::vector<uint8_t> KeyboardNoteMessage(bool on, int note, int velocity);
std::vector<uint8_t> StartupMessage();

// The start-up message goes only to outputs whose name contains this word (case-sensitive).
inline constexpr const char* kStartupDeviceWord = "Pendrel";

// Velocity 1..127 of the on-screen keyboard from its setting 0..1.
int KeyboardVelocity(double setting);
