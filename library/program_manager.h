// The program-manager page at work: the file browser (local folders or the online database),
// the 99-slot bank list with its selections and edit modes (remove, move, copy, swap, rename),
// writing a bank into a folder, and the page's buttons, including the database login and the
// remembered password. It is the editor's manager-page case handler (parameters 313..346);
// the pages connect the list controls' event details, the text entry fields and the login
// panel's controls to it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/param_cases.h"
#include "library/db_client.h"
#include "protocol/program_slot.h"

class VQEditor;

// What a list control reports besides its value.
enum ListEventKind {
  kListClick = 0,
  kListDrop = 1,
  kListDragOver = 2,
  kListDoubleClick = 3,
  kListScroll = 4
};
enum ListModifier { kListPlain = 0, kListRange = 1, kListToggle = 2 };
struct ListEvent {
  int kind = kListClick;
  int modifier = kListPlain;
  int x = 0, y = 0;  // pointer of a drop or drag, GUI pixels
};

enum ManagerEditMode {
  kModeNone = 0,
  kModeRemove = 1,
  kModeMove = 2,
  kModeCopy = 3,
  kModeSwap = 4,
  kModeEdit = 5
};

// A text entry field of the page. Its text is held here until the page connects its control;
// it never holds more than `limit` bytes and is cut on a UTF-8 boundary.
class ManagerTextField {
 public:
  explicit ManagerTextField(size_t limit) : mLimit(limit) {}
  std::string Text() const;
  void SetText(std::string_view text);
  // Binds the field to its control: the text is then read from and written to the control.
  void Connect(std::function<std::string()> read, std::function<void(const std::string&)> write) {
    mReadControl = std::move(read);
    mWriteControl = std::move(write);
  }

 private:
  size_t mLimit;
  std::string mText;
  std::function<std::string()> mReadControl;
  std::function<void(const std::string&)> mWriteControl;
};

// The slot a drop at (x, y) lands on, for a window `width` wide: -1 outside the grid, 0 on the
// grid's first cell (no program slot), else 1..99.
int DropTargetSlot(int x, int y, int width);

// Move, copy or swap of the selected slots so that the lowest lands on `target`, keeping their
// distances; a block that would pass slot 99 is refused whole (nothing changes). Every source is
// taken before anything is placed, so overlapping shifts keep every program. The sources end
// unselected. Returns the slots whose entries changed.
std::vector<int> ShiftSelectedSlots(std::vector<ProgramSlot>& table, int target,
                                    ManagerEditMode mode);
inline std::vector<int> MoveSlots(std::vector<ProgramSlot>& t, int target) {
  return ShiftSelectedSlots(t, target, kModeMove);
}
inline std::vector<int> CopySlots(std::vector<ProgramSlot>& t, int target) {
  return ShiftSelectedSlots(t, target, kModeCopy);
}
inline std::vector<int> SwapSlots(std::vector<ProgramSlot>& t, int target) {
  return ShiftSelectedSlots(t, target, kModeSwap);
}

class ProgramManager : public VQParamCases {
 public:
  ProgramManager() = default;
  explicit ProgramManager(DbClientOptions options) : mClient(std::move(options)) {}

  bool ManagerPageCase(VQEditor& editor, int paramIdx) override;
  DispatchExit ProgramControlCase(VQEditor&, int, int32_t) override {
    return DispatchExit::kNormal;
  }

  // --- Browser and bank list ---
  void OnBrowserListClick(VQEditor& editor);
  void OnBankListClick(VQEditor& editor);
  // Marks the browser's row of the file of the program on screen and unmarks every other file
  // (none is marked when the list does not show it).
  void MarkProgramOnScreen(VQEditor& editor);
  void EditSlot(VQEditor& editor, int slot);
  // Writes the programs of all non-empty slots (slot 0) or of one slot into `folder` (ends in
  // "/"); with updatePaths each slot then points at its written file. False when a program
  // could not be written: the status line and a message box name the slots that failed.
  bool SaveProgramsToFolder(VQEditor& editor, const std::string& folder, bool updatePaths,
                            int slot);
  // Empties `folder` (a scratch folder below the settings folder) and writes the selected slots;
  // stops at the first that cannot be written (reported as above) and answers false.
  bool SaveSelectedProgramsToFolder(VQEditor& editor, const std::string& folder);
  // Renames the slots' files in `folder` (below the settings folder) to their slot file names
  // and removes numbered files no slot points at.
  void DeleteProgramFiles(VQEditor& editor, const std::string& folder);
  // The bank on the page outlives a quit or a crash: KeepBank writes the slot table (numbers,
  // categories, paths and names) into the settings folder when it differs from what was kept,
  // or removes it when every slot is empty; a write that fails is told once (status line, a box
  // the idle call shows, the error output) until one succeeds. RestoreBank shows it again,
  // leaving out programs whose files are gone. Neither counts as saving the bank.
  void KeepBank(VQEditor& editor);
  void RestoreBank(VQEditor& editor);
  // Redraws the 47 browser texts from the first shown row.
  void RedrawBrowserRows(VQEditor& editor);

  // --- Online database ---
  void ShowOnlineCategories(VQEditor& editor);
  void DbGetCategories(VQEditor& editor);
  void ShowOnlinePages(VQEditor& editor, const std::string& categoryId);
  void ShowOnlineFiles(VQEditor& editor, const std::string& pageId);
  // Downloads into the cache folder; true with *localPath set when the file was written.
  bool DownloadToFolder(VQEditor& editor, const std::string& url, std::string* localPath = nullptr);

  // --- Login ---
  void OpenOnlineDatabase(VQEditor& editor);
  void LoginToDatabase(VQEditor& editor);
  void SetRememberLogin(VQEditor& editor);
  std::string CredentialFilePath(const VQEditor& editor) const;

  // --- State the pages and tests reach ---
  DbClient& Client() { return mClient; }
  int EditMode() const { return mEditMode; }
  // The confirmation switch (ASK) is on: read from its parameter, so the flag is always what
  // the box shows, whatever order start-up set them in.
  static bool Confirm(const VQEditor& editor);
  bool BankSaved() const { return mBankSaved; }  // the bank was written into a folder
  bool LoggedIn() const { return mLoggedIn; }
  void SetLoggedIn(bool loggedIn) { mLoggedIn = loggedIn; }
  ManagerTextField& NameEntry() { return mNameEntry; }
  ManagerTextField& UserField() { return mUserField; }
  ManagerTextField& PasswordField() { return mPasswordField; }
  // Event details of the browser (338) and bank (339) list controls.
  void SetBrowserEventReader(std::function<ListEvent()> read) { mBrowserEvent = std::move(read); }
  void SetBankEventReader(std::function<ListEvent()> read) { mBankEvent = std::move(read); }

 private:
  bool Ask(VQEditor& editor, const char* text, int type = 4);
  // The bank may not change while RECEIVE fills it, nor the cache folder be emptied
  // (`emptiesCache`) while an upload sends its files. RefuseBankChange then says so as a refused
  // transfer and answers true; it is asked at the press and again after each question or panel.
  static bool BankBusy(const VQEditor& editor, bool emptiesCache);
  bool RefuseBankChange(VQEditor& editor, bool emptiesCache = false);
  void ShowLoginPanel(VQEditor& editor, bool show);  // the page's login panel
  void HideOnlineEntry(VQEditor& editor);
  void ResetBrowserTexts(VQEditor& editor);
  void FinishOnlineList(VQEditor& editor);
  void RecolourBrowser(VQEditor& editor);
  void ClearSlotSelection(VQEditor& editor);
  void RefreshSlot(VQEditor& editor, int slot);
  void EmptySlot(VQEditor& editor, int slot);
  void ApplyDropMode(VQEditor& editor, int slot);
  void LoadSlotProgram(VQEditor& editor, int slot);
  // The loads of a slot's and a browser row's file; each is its own action to run again when
  // the unsaved-changes question's Save has reached the disk.
  void LoadSlotFile(VQEditor& editor, const std::string& path);
  void LoadBrowserFile(VQEditor& editor, const std::string& path, bool local);
  void InsertSelectedFiles(VQEditor& editor);
  // A drag from the browser over or onto the bank: the selected files go in from the slot under
  // the pointer, or a box says why nothing did.
  void DropBrowserFiles(VQEditor& editor, const ListEvent& ev);
  void ModeButton(VQEditor& editor, int paramIdx, int mode);
  void ApplyEdit(VQEditor& editor);
  void BankButton(VQEditor& editor, int paramIdx);
  std::string ChooseFolder(VQEditor& e);
  // A slot's program as a local file: an online slot is downloaded first. "" when that fails.
  std::string LocalSlotFile(VQEditor& editor, int slot);

  DbClient mClient;
  int mEditMode = kModeNone;
  bool mBankSaved = false;
  std::string mBankFolder;
  std::string mKeptBank;  // the text of the kept bank on disk
  bool mKeepFailed = false;
  int mAnchor = -1;  // the browser row a range selection starts from (-1: none)
  // The bank cell the pointer went down on and whether it was dragged off it since: a release
  // is a drop only after a drag to another cell.
  int mBankPressSlot = -1;
  bool mBankDragged = false;
  bool mLoggedIn = false;
  ManagerTextField mNameEntry{63};
  ManagerTextField mUserField{255};
  ManagerTextField mPasswordField{255};
  std::function<ListEvent()> mBrowserEvent;
  std::function<ListEvent()> mBankEvent;
};

// The slot shift would carry a selected program past slot 99 (where it would be lost).
bool ShiftRunsPastLastSlot(const std::vector<ProgramSlot>& table, int target);

// Gives the page's list parameters their ranges when the page has not: 338 a shown row 0..47
// (or a scroll delta), 339 a cell 0..100 of the grid, both to a thousandth.
void InitManagerListParams(VQEditor& editor);

// Installs the manager as the editor's manager-page cases (behind the program-file controls;
// call it after InstallProgramTransfers) and gives the page's list parameters their ranges.
// Returns the manager, owned by the editor.
ProgramManager& InstallProgramManager(VQEditor& editor,
                                      DbClientOptions options = DbClientOptions::FromEnvironment());
