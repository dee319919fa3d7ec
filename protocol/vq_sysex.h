// The SysEx vocabulary shared by everything that builds or checks messages of the synthesizer:
// the manufacturer identifier, targets, commands and message sizes.
//
// Frame: F0, three identifier bytes, target, command, data bytes (each 0..127), F7.
#pragma once

#include <cstdint>

namespace vq_sysex {

inline constexpr uint8_t kStart = 0xF0;
inline constexpr uint8_t kEnd = 0xF7;

// Extended three-byte manufacturer identifier (first byte 00).
inline constexpr uint8_t kManufacturerId[3] = {0x00, 0x56, 0x51};

// Byte positions.
inline constexpr int kTargetByte = 4;
inline constexpr int kCommandByte = 5;

// Targets.
inline constexpr uint8_t kTargetEngine = 0x05;   // program and note engine
inline constexpr uint8_t kTargetStartup = 0x04;  // the start-up message
// Firmware messages address target kTargetEngine + the section's target number.

// Commands.
inline constexpr uint8_t kCmdStartup = 0x02;
inline constexpr uint8_t kCmdSectionStart = 0x10;
inline constexpr uint8_t kCmdSectionReady = 0x11;
inline constexpr uint8_t kCmdBlockReady = 0x12;
inline constexpr uint8_t kCmdSectionFirstBlock = 0x13;
inline constexpr uint8_t kCmdSectionDone = 0x14;
inline constexpr uint8_t kCmdSectionFailed = 0x15;
inline constexpr uint8_t kCmdSectionBlock = 0x16;
inline constexpr uint8_t kCmdProgramWrite = 0x20;
inline constexpr uint8_t kCmdWriteAck = 0x21;
inline constexpr uint8_t kCmdWriteFailed = 0x22;
inline constexpr uint8_t kCmdProgramRequest = 0x40;
inline constexpr uint8_t kCmdProgramDump = 0x41;
inline constexpr uint8_t kCmdNoteOn = 0x50;
inline constexpr uint8_t kCmdNoteOff = 0x51;

// Data byte 6 of program messages.
inline constexpr uint8_t kProgramBank = 0x03;
// Data byte 6 of the start-up message.
inline constexpr uint8_t kStartupCode = 0x72;

// Sizes.
inline constexpr int kProgramMessageSize = 213;  // write (0x20) and dump (0x41)
inline constexpr int kOldProgramDumpSize = 115;
inline constexpr int kShortMessageSize = 9;  // request, notes, start-up
inline constexpr int kReplySize = 7;

// Layout of the 213-byte program message.
inline constexpr int kProgramSlotByte = 7;
inline constexpr int kProgramFieldsByte = 8;  // fields 0..169
inline constexpr int kProgramNameByte = 178;  // 32 bytes, zero-filled
inline constexpr int kProgramNameSize = 32;
inline constexpr int kProgramChecksumByte = 210;  // two bytes over bytes 8..209

// True when bytes 1..3 carry our identifier.
inline bool HasManufacturerId(const uint8_t* msg, int size) {
  return size >= 4 && msg[0] == kStart && msg[1] == kManufacturerId[0] &&
         msg[2] == kManufacturerId[1] && msg[3] == kManufacturerId[2];
}

}  // namespace vq_sysex
