// Where programs are found: the program list of the current folder (previous/next step
// through it), the program manager's file browser and bank list, the file each file selector
// shows, and the folders the editor works in.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/program_files.h"
#include "protocol/program_slot.h"

class ProgramBrowser {
 public:
  static constexpr int kProgramListSize = 1024;
  static constexpr int kBrowserTextRows = 47;
  // File selectors by role.
  enum FileSelectorRole {
    kFirmwareSelector,
    kLoadSelector,
    kSaveSelector,
    kWriteSelector,
    kFileSelectorCount
  };

  // Forms the settings, cache and upload folders from the settings file's path.
  void InitFolders(const std::string& settingsPath);

  // --- Program list: bare file names of the current program folder, sorted case-insensitively.
  std::vector<std::string>& ProgramList() { return mProgramList; }
  const std::vector<std::string>& ProgramList() const { return mProgramList; }
  // The name at the list's index, "" when there is none.
  std::string CurrentListName() const;
  // A freshly built list: previous/next step through it from now on.
  void SetProgramList(std::vector<std::string> names);
  // No list: previous/next do nothing.
  void ClearProgramList();
  // Makes the name current; false (the index unchanged) when the list does not hold it.
  bool SelectListName(const std::string& name);
  // Last: the number of names less one (0 when empty). Built: previous/next do nothing until a
  // list was built.
  int32_t ProgramListLast() const { return mProgramListLast; }
  void SetProgramListLast(int32_t value) { mProgramListLast = value; }
  int32_t ProgramListIndex() const { return mProgramListIndex; }
  void SetProgramListIndex(int32_t value) { mProgramListIndex = value; }
  bool ProgramListBuilt() const { return mProgramListBuilt; }

  // --- The manager's file browser and bank list (index = slot 1..99) ---
  std::vector<OnlineListRow>& Rows() { return mRows; }
  const std::vector<OnlineListRow>& Rows() const { return mRows; }
  // Whoever takes the table for writing may change it: the editor then checks whether the kept
  // bank must be written again (TakeSlotsTouched).
  std::vector<ProgramSlot>& Slots() {
    mSlotsTouched.store(true, std::memory_order_relaxed);
    return mSlots;
  }
  const std::vector<ProgramSlot>& Slots() const { return mSlots; }
  bool SlotsTouched() const { return mSlotsTouched.load(std::memory_order_relaxed); }
  bool TakeSlotsTouched() { return mSlotsTouched.exchange(false, std::memory_order_relaxed); }
  int32_t ScrollRange() const { return mScrollRange; }
  void SetScrollRange(int32_t value) { mScrollRange = value; }
  int32_t FirstRow() const { return mFirstRow; }
  void SetFirstRow(int32_t value) { mFirstRow = value; }
  const std::string& Folder() const { return mFolder; }
  void SetFolder(const std::string& value) { mFolder = value; }
  int32_t Selection() const { return mSelection; }
  void SetSelection(int32_t value) { mSelection = value; }
  // Files of the bank upload chosen on the manager page (leaving the manager clears it).
  int32_t BankUploadFileCount() const { return mBankUploadFileCount; }
  void SetBankUploadFileCount(int32_t value) { mBankUploadFileCount = value; }

  // --- File selectors: the file each one shows ---
  const std::string& SelectedFile(int role) const { return mSelectedFile[role]; }
  // Keeps at most 255 characters; an unknown role is ignored.
  void SetSelectedFile(int role, const std::string& path);

  // --- Folders ---
  // Formed once from the settings folder (ends in "/"): the only folders shut-down removes.
  const std::string& SettingsFolder() const { return mSettingsFolder; }
  const std::string& CacheFolder() const { return mCacheFolder; }    // settings + "cache/"
  const std::string& UploadFolder() const { return mUploadFolder; }  // cache + "selected/"
  // The current program's folder and path, the last program file, the program and folder
  // start-up and the manager page remember, and where received programs are offered.
  const std::string& CurrentProgramFolder() const { return mCurrentProgramFolder; }
  void SetCurrentProgramFolder(const std::string& value) { mCurrentProgramFolder = value; }
  const std::string& CurrentProgramPath() const { return mCurrentProgramPath; }
  void SetCurrentProgramPath(const std::string& value) { mCurrentProgramPath = value; }
  // The folder a bank upload or download chosen from a menu reads or writes (the program's
  // folder until one is chosen); the program and its list stay where they are.
  const std::string& TransferFolder() const {
    return mTransferFolder.empty() ? mCurrentProgramFolder : mTransferFolder;
  }
  void SetTransferFolder(const std::string& value) { mTransferFolder = value; }
  const std::string& LastFile() const { return mLastFile; }
  void SetLastFile(const std::string& value) { mLastFile = value; }
  const std::string& RememberedProgramPath() const { return mRememberedProgramPath; }
  void SetRememberedProgramPath(const std::string& value) { mRememberedProgramPath = value; }
  const std::string& RememberedProgramFolder() const { return mRememberedProgramFolder; }
  void SetRememberedProgramFolder(const std::string& value) { mRememberedProgramFolder = value; }
  // The folder the user last chose in a panel (ends in "/"): panels open there and received
  // programs are offered there. Never one of the working folders.
  const std::string& SaveFolder() const { return mSaveFolder; }
  void SetSaveFolder(const std::string& value) { mSaveFolder = value; }
  // Takes the folder of a panel's choice as the save folder, unless it is a working folder.
  void NoteChosenFolder(const std::string& folder);
  // Where a panel opens: the save folder while it exists, else the user's home folder.
  std::string PanelFolder() const;
  // Whether a folder (ending in "/") or the folder of a file is one of the program's own: the
  // settings folder, or the download cache and what is below it (the upload folder). The
  // program empties or rewrites them, so no file of the user's belongs there.
  bool IsWorkingFolder(const std::string& path) const;

 private:
  std::vector<std::string> mProgramList;
  std::vector<OnlineListRow> mRows;
  std::vector<ProgramSlot> mSlots = std::vector<ProgramSlot>(kSlotTableSize);
  std::atomic<bool> mSlotsTouched{false};
  std::string mSelectedFile[kFileSelectorCount];
  std::string mSettingsFolder;
  std::string mCacheFolder;
  std::string mUploadFolder;
  int32_t mProgramListLast = 0;
  int32_t mProgramListIndex = 0;
  bool mProgramListBuilt = false;
  int32_t mScrollRange = 0;
  int32_t mFirstRow = 0;
  std::string mFolder;
  int32_t mSelection = -1;
  int32_t mBankUploadFileCount = 0;
  std::string mCurrentProgramFolder;
  std::string mCurrentProgramPath;
  std::string mLastFile;
  std::string mTransferFolder;
  std::string mRememberedProgramPath;
  std::string mRememberedProgramFolder;
  std::string mSaveFolder;
};
