// What an incoming SysEx message from the synthesizer is, checked before the editor acts on it:
// the frame (F0 .. F7, every byte between them 7-bit), our manufacturer identifier, the target
// byte and the size; for program dumps also the command, the slot byte and the checksum. Pure.
#pragma once

#include <cstdint>

enum class IncomingSysExKind {
  kIgnored,         // wrong frame, identifier, target or size: nothing is acted on
  kProgramDump,     // 213 bytes
  kOldProgramDump,  // 115 bytes
  kReply,           // 7 bytes
};

struct IncomingSysEx {
  IncomingSysExKind kind = IncomingSysExKind::kIgnored;
  uint8_t target = 0;
  uint8_t command = 0;
  // Program dumps only.
  bool isDump = false;     // command 0x41
  bool slotValid = false;  // slot byte 1..99
  bool checksumGood = false;
  int slot = 0;
};

IncomingSysEx ClassifyIncomingSysEx(const uint8_t* data, int size);

// Besides the program engine (0x05), replies come from the firmware sections' targets.
inline constexpr uint8_t kFirstFirmwareReplyTarget = 0x07;
inline constexpr uint8_t kLastFirmwareReplyTarget = 0x0B;

// A dump's checksum over bytes [first, last] held at `at` (high 7 bits) and `at` + 1.
bool DumpChecksumGood(const uint8_t* data, int first, int last, int at);
