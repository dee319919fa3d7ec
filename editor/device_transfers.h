// The transfers that ride on the synthesizer's replies, as the SysEx handler hands them on:
// saving dumps of a bank download (and older dumps), the firmware handshake and the next file
// of a bank upload. The features that own those transfers implement it; the editor holds one
// in `deviceTransfers`. Without one, the reply is taken (flags as the handler sets them) and
// nothing further happens, so the status poll reports the stalled transfer.
//
// Calls arrive with the plug mutex held, on the MIDI input thread where the reply or dump
// arrives (a single older dump is saved on the main thread): the file work of a bank transfer
// is no GUI work, and the firmware handshake answers each reply at once from memory. What they
// show is posted to the main thread.
#pragma once

#include <cstdint>

class VQEditor;

class VQDeviceTransfers {
 public:
  virtual ~VQDeviceTransfers() = default;
  // Saves the dump in `dump` (213 bytes; an older 115-byte dump laid out with the bytes it
  // does not carry cleared) as the program of `slot` 1..99. False when nothing was written.
  virtual bool SaveReceivedProgram(VQEditor& editor, int slot, const uint8_t* dump) = 0;
  // A 7-byte reply 0x11, 0x12, 0x14 or 0x15 while `firmwareRunning` is set.
  virtual void OnFirmwareReply(VQEditor& editor, uint8_t target, uint8_t command) = 0;
  // A 0x21 acknowledgement while `bankUploadRunning` is set: write the next program or finish.
  virtual void OnBankUploadAcknowledged(VQEditor& editor) = 0;
};
