// Bank upload, single program writes, downloaded-dump saving and the slot table's folder scan
// as the editor sees them. The program library implements them (library/bank_transfer.h,
// InstallProgramTransfers); the editor calls them through its members of the same names and
// never includes the library's headers. Without an implementation every operation does nothing.
//
// Every operation runs under the plug mutex (recursive); the implementation takes it itself.
#pragma once

#include <cstdint>

class VQEditor;

class VQBankTransfers {
 public:
  virtual ~VQBankTransfers() = default;
  // Checks the folder of `path` (text up to its last "/") and starts writing its numbered
  // program files to the synthesizer's slots. Main thread (it may ask the user).
  virtual void StartBankUpload(VQEditor& editor, const char* path) = 0;
  // The device acknowledged the last write of a bank upload: the next file, or the end. Runs
  // where the acknowledgement arrives and touches no GUI: it sets the link's BankProgressPending,
  // and the main thread then calls ShowBankProgress.
  virtual void NextBankProgram(VQEditor& editor) = 0;
  // Main thread: shows the upload's latest step (name, slot, program number), or its end.
  virtual void ShowBankProgress(VQEditor& editor) {}
  // One program file as a program write to the slot its name begins with. True when sent.
  virtual bool SendProgramFileToDevice(VQEditor& editor, const char* path) = 0;
  // The same to a given slot 1..99.
  virtual bool SendBankProgramFile(VQEditor& editor, const char* path, int slot) = 0;
  // Saves a dump of a bank download (213 bytes; an older 115-byte dump laid out with the bytes it
  // does not carry cleared) as the program file of `slot` 1..99. False when nothing was written.
  // Runs where the dump arrives (a single older dump: the main thread); what it shows (name,
  // slot row, an error box) is posted to the main thread.
  virtual bool SaveReceivedProgram(VQEditor& editor, int slot, const uint8_t* dump) = 0;
  // Fills the slot table from the numbered program files of a folder (a path ending in "/").
  virtual void ScanProgramFolderToSlots(VQEditor& editor, const char* folder) = 0;
  // Names a slot and rebuilds its display name.
  virtual void SetSlotName(VQEditor& editor, const char* name, int slot) = 0;
};
