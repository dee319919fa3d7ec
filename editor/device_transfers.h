// The transfers that ride on the synthesizer's replies, as the SysEx handler hands them on: the
// firmware handshake and the next file of a bank upload (dumps of a bank download are saved
// through `bankTransfers`). The features that own those transfers implement it; the editor holds
// one in `deviceTransfers`. Without one, the reply is taken (flags as the handler sets them) and
// nothing further happens, so the status poll reports the stalled transfer.
//
// Calls arrive with the plug mutex held, on the MIDI input thread where the reply arrives: the
// next file of a bank upload is file work, no GUI work, and the firmware handshake answers each
// reply at once from memory. What they show is posted to the main thread.
#pragma once

#include <cstdint>

class VQEditor;

class VQDeviceTransfers {
 public:
  virtual ~VQDeviceTransfers() = default;
  // A 7-byte reply 0x11, 0x12, 0x14 or 0x15 while `firmwareRunning` is set.
  virtual void OnFirmwareReply(VQEditor& editor, uint8_t target, uint8_t command) = 0;
  // A 0x21 acknowledgement while `bankUploadRunning` is set: write the next program or finish.
  virtual void OnBankUploadAcknowledged(VQEditor& editor) = 0;
};
