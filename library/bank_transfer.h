// Bank upload and download: a folder of numbered program files written to the synthesizer's
// 99 slots one program-write at a time, each next file going out when the device acknowledged
// the last; single program writes; downloaded dumps saved as program files (and entered into
// the slot table when the download fills the program manager). Implements VQBankTransfers.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "editor/bank_transfers.h"

class BankTransfer : public VQBankTransfers {
 public:
  void StartBankUpload(VQEditor& editor, const char* path) override;
  void NextBankProgram(VQEditor& editor) override;
  void ShowBankProgress(VQEditor& editor) override;
  bool SendProgramFileToDevice(VQEditor& editor, const char* path) override;
  bool SendBankProgramFile(VQEditor& editor, const char* path, int slot) override;
  bool SaveReceivedProgram(VQEditor& editor, int slot, const uint8_t* dump) override;
  void ScanProgramFolderToSlots(VQEditor& editor, const char* folder) override;
  void SetSlotName(VQEditor& editor, const char* name, int slot) override;

  // The upload's own list: the folder's numbered files in slot order. It never touches the
  // editor's program list, so the current program stays what it was.
  static constexpr int kBankListCapacity = 1024;
  const std::vector<std::string>& BankFiles() const { return mFiles; }
  bool GapFill() const { return mGapFill; }

 private:
  bool Send(VQEditor& editor, const std::string& path, int slot, bool slotFromName,
            bool markSlot = true);
  // A write of the upload: it goes out once, whatever becomes of its answer.
  bool SendInUpload(VQEditor& editor, const std::string& path, int slot, bool slotFromName);
  void Finish(VQEditor& editor);
  void ShowFinish(VQEditor& editor);
  void ShowName(VQEditor& editor, const std::string& file);

  std::string mFolder;  // ends in "/"
  std::vector<std::string> mFiles;
  std::array<int, 100> mFilesPerSlot{};
  int mUploadIndex = 0;
  int mNextSlot = 1;
  bool mGapFill = false;
  // What the main thread shows of the latest step (slot 0: nothing yet), and the end.
  int mShownSlot = 0;
  int mSentSlot = 0;  // the slot of the last write that went out
  std::string mShownFile;
  bool mFinishShown = false;
};

// Gives the editor its transfers: bank transfers, the replies that drive them and the
// firmware update, and the program file controls (wrapping the manager page's cases the
// editor already holds).
void InstallProgramTransfers(VQEditor& editor);
