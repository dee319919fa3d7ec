// Wire constants of the synthesizer's SysEx protocol, as the simulator needs them.
// The manufacturer identifier is the editor's; everything else here is the device side's view.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/vq_sysex.h"

namespace vqsim {

// The maker's three-byte identifier (extended form, first byte 00): the editor's own constant.
inline constexpr const uint8_t (&kManufacturerId)[3] = vq_sysex::kManufacturerId;

inline constexpr uint8_t kSysExStart = 0xF0;
inline constexpr uint8_t kSysExEnd = 0xF7;

// Byte 4 of every SysEx message.
inline constexpr uint8_t kTargetProgram = 0x05;  // program and note engine
inline constexpr uint8_t kTargetStartUp = 0x04;  // the editor's start-up message
inline constexpr uint8_t kFirmwareTargetBase =
    0x05;  // firmware wire target = base + section target

// Byte 5: commands the device receives.
inline constexpr uint8_t kCmdStartUp = 0x02;
inline constexpr uint8_t kCmdProgramWrite = 0x20;
inline constexpr uint8_t kCmdProgramRequest = 0x40;
inline constexpr uint8_t kCmdNoteOn = 0x50;
inline constexpr uint8_t kCmdNoteOff = 0x51;
inline constexpr uint8_t kCmdFirmwareSectionStart = 0x10;
inline constexpr uint8_t kCmdFirmwareFirstBlock = 0x13;
inline constexpr uint8_t kCmdFirmwareBlock = 0x16;

// Byte 5: commands the device sends.
inline constexpr uint8_t kCmdProgramDump = 0x41;
inline constexpr uint8_t kCmdWriteAck = 0x21;
inline constexpr uint8_t kCmdWriteError = 0x22;
inline constexpr uint8_t kCmdFirmwareEraseStarted = 0x11;
inline constexpr uint8_t kCmdFirmwareSendNext = 0x12;
inline constexpr uint8_t kCmdFirmwareSectionDone = 0x14;
inline constexpr uint8_t kCmdFirmwareError = 0x15;

// Program messages (write 0x20 and dump 0x41).
inline constexpr size_t kProgramMessageSize = 213;
inline constexpr size_t kOldProgramMessageSize = 115;
inline constexpr uint8_t kProgramBank = 0x03;     // byte 6 of writes, requests and dumps
inline constexpr size_t kProgramDataOffset = 8;   // first program byte
inline constexpr size_t kProgramByteCount = 170;  // device program bytes 8..177
inline constexpr size_t kProgramNameOffset = 178;
inline constexpr size_t kProgramNameSize = 32;
inline constexpr size_t kProgramChecksumOffset = 210;  // two bytes over 8..209
inline constexpr size_t kOldProgramByteCount = 104;    // older dump: bytes 8..111
inline constexpr size_t kOldProgramChecksumOffset = 112;
inline constexpr int kSlotCount = 99;

inline constexpr size_t kRequestSize = 9;
inline constexpr size_t kReplySize = 7;
inline constexpr size_t kNoteMessageSize = 9;
inline constexpr size_t kStartUpSize = 9;
inline constexpr uint8_t kStartUpData[2] = {0x72, 0x00};

// Firmware transfer.
inline constexpr size_t kFirmwareBlockData = 240;
inline constexpr size_t kFirmwareFirstBlockSize = 250;   // header 6, size 3, data 240, F7
inline constexpr size_t kFirmwareBlockSize = 247;        // header 6, data 240, F7
inline constexpr size_t kFirmwareLastBlockOverhead = 9;  // header 6, checksum 2, F7
inline constexpr uint32_t kFirmwarePackedCapacity = 65536;
inline constexpr int kFirmwareSectionCount = 5;
// Wire targets of the five file sections, in file order.
inline constexpr uint8_t kFirmwareWireTargets[kFirmwareSectionCount] = {8, 9, 10, 11, 7};

// NRPN controllers (channel 1 only).
inline constexpr uint8_t kCcNrpnMsb = 99;
inline constexpr uint8_t kCcNrpnLsb = 98;
inline constexpr uint8_t kCcDataEntryMsb = 6;
inline constexpr uint8_t kCcDataEntryLsb = 38;

// The device side is transcribed on its own; where the editor names the same byte, both must agree.
static_assert(kTargetProgram == vq_sysex::kTargetEngine &&
              kTargetStartUp == vq_sysex::kTargetStartup);
static_assert(kCmdStartUp == vq_sysex::kCmdStartup && kStartUpData[0] == vq_sysex::kStartupCode);
static_assert(kCmdProgramWrite == vq_sysex::kCmdProgramWrite &&
              kCmdProgramDump == vq_sysex::kCmdProgramDump);
static_assert(kCmdProgramRequest == vq_sysex::kCmdProgramRequest);
static_assert(kCmdWriteAck == vq_sysex::kCmdWriteAck &&
              kCmdWriteError == vq_sysex::kCmdWriteFailed);
static_assert(kCmdNoteOn == vq_sysex::kCmdNoteOn && kCmdNoteOff == vq_sysex::kCmdNoteOff);
static_assert(kCmdFirmwareSectionStart == vq_sysex::kCmdSectionStart &&
              kCmdFirmwareEraseStarted == vq_sysex::kCmdSectionReady &&
              kCmdFirmwareSendNext == vq_sysex::kCmdBlockReady &&
              kCmdFirmwareFirstBlock == vq_sysex::kCmdSectionFirstBlock &&
              kCmdFirmwareSectionDone == vq_sysex::kCmdSectionDone &&
              kCmdFirmwareError == vq_sysex::kCmdSectionFailed &&
              kCmdFirmwareBlock == vq_sysex::kCmdSectionBlock);
static_assert(kProgramBank == vq_sysex::kProgramBank);
static_assert(kProgramMessageSize == vq_sysex::kProgramMessageSize &&
              kOldProgramMessageSize == vq_sysex::kOldProgramDumpSize &&
              kReplySize == vq_sysex::kReplySize);
static_assert(kProgramNameOffset == vq_sysex::kProgramNameByte &&
              kProgramChecksumOffset == vq_sysex::kProgramChecksumByte &&
              kProgramDataOffset == vq_sysex::kProgramFieldsByte);

// Two-byte checksum used by program messages and the last firmware block: high part first.
inline void ChecksumBytes(uint32_t sum, uint8_t& high, uint8_t& low) {
  high = static_cast<uint8_t>((sum >> 7) & 0x7F);
  low = static_cast<uint8_t>(sum & 0x7F);
}

}  // namespace vqsim
