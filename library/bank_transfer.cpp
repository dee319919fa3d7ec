#include "library/bank_transfer.h"
#include "library/folder_listing.h"

#include <algorithm>
#include <cstdio>

#include "editor/program_controls.h"
#include "editor/vq_editor.h"
#include "library/program_list.h"
#include "library/program_text_format.h"
#include "library/slot_table.h"
#include "platform/file_system.h"
#include "protocol/device_messages.h"
#include "protocol/vq_sysex.h"

namespace fs = vq::platform;

namespace {

// A write held until the transfer before has been answered (or its answer taken as lost).
constexpr const char* kWaitingText = "Waiting for the VQ's last answer...";

}  // namespace

// The program passing through is shown; the editor's program keeps its own name.
void BankTransfer::ShowName(VQEditor& e, const std::string& file) {
  e.SetStatusText(ProgramNameOfPath(file).c_str());
}

void BankTransfer::StartBankUpload(VQEditor& e, const char* path) {
  UTL_MutexLock lock(e.Mutex());
  std::string p = path ? path : "";
  if (p.find('/') == std::string::npos) return;
  // Asked for by the folder choice (the idle call clears that request once this returns), or
  // started by the manager at once.
  if (!e.Link().MayStart(DeviceLink::Transfer::kUpload, /*asked=*/true))
    return TellTransferRunning(e);
  mFolder = fs::FolderOfPath(p);
  e.Link().SetUploadFolder(mFolder);
  mFiles.clear();
  mFilesPerSlot.fill(0);

  std::vector<std::string> names = ListFolderInNumericOrder(mFolder);
  std::vector<std::pair<int, std::string>> numbered;
  const std::string* previous = nullptr;
  for (const std::string& name : names) {
    if (!HasProgramExtension(name)) continue;
    if (previous && *previous == name) break;
    previous = &name;
    const int slot = ProgramFileSlot(name);
    if (slot == 0) continue;
    if (static_cast<int>(numbered.size()) == kBankListCapacity) {
      e.PostMessageBox("Too many VQ Programs in this directory!", "Error");
      return;
    }
    ++mFilesPerSlot[static_cast<size_t>(slot)];
    numbered.emplace_back(slot, name);
  }
  if (numbered.empty()) {
    e.PostMessageBox("This directory does not contain any VQ Programs!", "Error");
    return;
  }
  for (int slot = kFirstProgramSlot; slot <= kLastProgramSlot; ++slot) {
    if (mFilesPerSlot[static_cast<size_t>(slot)] < 2) continue;
    char text[96];
    snprintf(text, sizeof text, "Multiple files assigned to location: %d\nPlease resolve it!",
             slot);
    e.PostMessageBox(text, "Error");
    return;
  }
  // Slot order (names with leading blanks sort apart from their numbers), so the gap filling
  // meets the files as it walks the slots.
  std::stable_sort(numbered.begin(), numbered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [slot, name] : numbered) mFiles.push_back(name);

  bool gaps =
      std::any_of(mFilesPerSlot.begin() + 1, mFilesPerSlot.end(), [](int n) { return n == 0; });
  if (gaps && e.ManagerPageShown()) {
    mGapFill = false;
  } else if (gaps) {
    int answer;
    {
      // The question waits for the user: the MIDI input and the status poll need the editor.
      // Meanwhile it counts as running: nothing that would refuse it starts.
      e.Link().SetUploadStarting(true);
      UTL_MutexRelease unlocked(e.Mutex());
      answer = e.ShowMessageBox(
          "There are gaps in the list.\nPress OK to fill them with the Default or Cancel to skip!",
          "Warning", 1);
    }
    e.Link().SetUploadStarting(false);
    mGapFill = answer == 1;
  }

  e.SetStatusText("Writing Progs to VQ...");
  e.Link().SetBankUploadRunning(true);
  e.Link().SetUnansweredWritePolls(0);
  mUploadIndex = 0;
  mNextSlot = 1;
  mShownSlot = 0;
  mSentSlot = 0;
  mFinishShown = false;

  if (!mGapFill) {
    SendInUpload(e, mFolder + mFiles[0], 0, true);
  } else if (mFilesPerSlot[1] > 0) {
    SendInUpload(e, mFolder + mFiles[0], 0, true);
    mUploadIndex = 1;
    ShowName(e, mFiles[0]);
  } else {
    SendInUpload(e, mFolder + mFiles[0], 1, false);
    ShowName(e, mFiles[0]);
  }
  if (e.Link().WriteHeld()) e.SetStatusText(kWaitingText);
}

void BankTransfer::NextBankProgram(VQEditor& e) {
  UTL_MutexLock lock(e.Mutex());
  if (!e.Link().BankUploadRunning()) return;
  if (mGapFill) {
    if (++mNextSlot > kLastProgramSlot) return Finish(e);
    e.Link().SetUnansweredWritePolls(0);
    mShownSlot = mNextSlot;
    if (mFilesPerSlot[static_cast<size_t>(mNextSlot)] == 0) {
      SendInUpload(e, mFolder + mFiles[0], mNextSlot, false);
      mShownFile = mFiles[0];
    } else if (mUploadIndex < static_cast<int>(mFiles.size())) {
      const std::string& row = mFiles[static_cast<size_t>(mUploadIndex)];
      mShownFile = row;
      SendInUpload(e, mFolder + row, 0, true);
      ++mUploadIndex;
    }
    e.Link().SetBankProgressPending(true);
    return;
  }

  if (++mUploadIndex >= static_cast<int>(mFiles.size())) return Finish(e);
  const std::string& row = mFiles[static_cast<size_t>(mUploadIndex)];
  const int slot = ProgramFileSlot(row);
  if (slot == 0) return;
  SendInUpload(e, mFolder + row, 0, true);
  e.Link().SetUnansweredWritePolls(0);
  mShownSlot = slot;
  mShownFile = row;
  e.Link().SetBankProgressPending(true);
}

void BankTransfer::ShowBankProgress(VQEditor& e) {
  UTL_MutexLock lock(e.Mutex());
  if (mShownSlot != 0) e.SetParameterFromGUI2(vq_param::k7SegmentDisplay, mShownSlot);
  if (mFinishShown) {
    mFinishShown = false;
    mShownSlot = 0;
    ShowFinish(e);
    return;
  }
  if (mShownSlot == 0) return;
  if (!e.Link().BankUploadRunning()) {
    // The end: the status line reports it (the status poll), the display keeps the last slot.
    mShownSlot = 0;
    e.RedrawIfNotApplying();
    return;
  }
  if (e.ManagerPageShown() && !mGapFill) {
    ShowSlotSelections(e);
    if (VQEditorPages* pages = e.Pages()) pages->ShowSlotSelected(mShownSlot, true);
  } else {
    if (!mShownFile.empty()) ShowName(e, mShownFile);
    e.RedrawIfNotApplying();
  }
}

bool BankTransfer::SendInUpload(VQEditor& e, const std::string& path, int slot, bool slotFromName) {
  // The slot switches of the manager page follow in ShowBankProgress, on the main thread.
  return Send(e, path, slot, slotFromName, /*markSlot=*/false);
}

void BankTransfer::Finish(VQEditor& e) {
  e.Link().SetBankUploadRunning(false);
  e.Link().SetUnansweredWritePolls(0);
  // The display ends on the slot written last, though the steps before it were never shown.
  mShownSlot = mSentSlot;
  if (!e.ManagerPageShown())
    e.Link().SetTransferDone(true);
  else
    mFinishShown = true;
  e.Link().SetBankProgressPending(true);
}

void BankTransfer::ShowFinish(VQEditor& e) {
  e.SetStatusText("Finished successfully!");
  ShowSlotSelections(e);
  e.PostMessageBox("Finished successfully!", "Done");
}

bool BankTransfer::SendProgramFileToDevice(VQEditor& e, const char* path) {
  return path && Send(e, path, 0, true);
}

bool BankTransfer::SendBankProgramFile(VQEditor& e, const char* path, int slot) {
  return path && Send(e, path, slot, false);
}

bool BankTransfer::Send(VQEditor& e, const std::string& path, int slot, bool slotFromName,
                        bool markSlot) {
  UTL_MutexLock lock(e.Mutex());
  ProgramFileContent content;
  const ProgramFileError error = ReadProgramFile(path.c_str(), content);
  if (error == ProgramFileError::kCannotOpen || error == ProgramFileError::kTooLarge ||
      error == ProgramFileError::kFillsBuffer) {
    if (const char* text = ProgramFileErrorText(error)) e.SetStatusText(text);
    return false;
  }
  if (slotFromName) slot = ProgramFileSlot(fs::NameOfPath(path));
  if (slot < kFirstProgramSlot || slot > kLastProgramSlot) {
    e.Link().SetSingleWritePending(false);
    e.Link().SetUnansweredWritePolls(0);
    e.Link().SetProgramNumberError(true);
    return false;
  }
  if (error != ProgramFileError::kNone) {
    if (const char* text = ProgramFileErrorText(error)) e.SetStatusText(text);
    return false;
  }
  // The whole name: the message takes 32 characters once each is one byte.
  const std::vector<uint8_t> message =
      ProgramWriteMessage(content.record, slot, FileStemOfPath(path));
  if (slotFromName && e.ManagerPageShown()) {
    for (ProgramSlot& s : e.Browser().Slots()) s.selected = 0;
    if (markSlot)
      if (VQEditorPages* pages = e.Pages()) pages->ShowSlotSelected(slot, true);
  }
  // An answer still owed by a transfer that ended would count for this write: it waits.
  e.Link().SendWrite([&e, message] { return e.SendSysExBytes(message); });
  if (e.Link().WriteHeld()) e.SetStatusText(kWaitingText);
  mSentSlot = slot;
  return true;
}

bool BankTransfer::SaveReceivedProgram(VQEditor& e, int slot, const uint8_t* dump) {
  if (!dump) return false;
  UTL_MutexLock lock(e.Mutex());
  // A program that cannot be saved ends a bank download at once: the rest would be lost the
  // same way, and the end must not read as a success.
  auto refuse = [&](const char* text) {
    e.SetStatusText(text);
    if (e.Link().BankDownloadRunning()) {
      e.Link().SetBankDownloadRunning(false);
      e.Link().SetRequestPending(false);
      e.Link().SetUnansweredPolls(0);
      e.Link().SetDownloadToManager(false);
      e.Link().SetBusy(false);
      e.PostMessageBox(text, "Error");
    }
    return false;
  };
  // A bank download from the menu writes into the folder chosen for it, a single older dump
  // beside the current program.
  std::string folder = e.Link().DownloadToManager()     ? e.Browser().CacheFolder()
                       : e.Link().BankDownloadRunning() ? e.Browser().TransferFolder()
                                                        : e.Browser().CurrentProgramFolder();
  if (folder.empty()) return refuse("No folder to save the program in!");
  if (e.Link().DownloadToManager()) fs::MakeFolder(folder);
  const std::string file = ReceivedProgramFileName(dump + vq_sysex::kProgramNameByte, slot);
  const std::string path = folder + file;
  const std::string text = ReceivedDumpText(dump);
  ProgramFileError written;
  {
    // Writing and syncing the file may wait for the disk; the GUI needs the editor meanwhile.
    UTL_MutexRelease unlocked(e.Mutex());
    written = WriteFileSafely(path, text);
  }
  if (written != ProgramFileError::kNone) return refuse("Cannot write the program file!");
  ShowName(e, file);
  if (e.Link().DownloadToManager() && slot >= kFirstProgramSlot && slot <= kLastProgramSlot) {
    // The file's own name decides category and name; the slot is the one downloaded. The row
    // is a control: entered on the main thread, and until then the bank is not whole.
    SlotFileNameParts parts = ParseSlotFileName(file);
    e.Link().NoteSlotEntryPosted();
    e.RunOnMainThread([&e, slot, category = parts.category, path, name = parts.name] {
      EnterProgramIntoSlot(e, slot, category, path, name);
      e.Link().NoteSlotEntered();
    });
  }
  return true;
}

void BankTransfer::ScanProgramFolderToSlots(VQEditor& e, const char* folder) {
  if (folder) ScanFolderIntoSlots(e, folder);
}

void BankTransfer::SetSlotName(VQEditor& e, const char* name, int slot) {
  if (name) RenameSlot(e, name, slot);
}

void InstallProgramTransfers(VQEditor& editor) {
  UTL_MutexLock lock(editor.Mutex());
  editor.SetBankTransfers(std::make_unique<BankTransfer>());
  editor.SetDeviceTransfers(MakeEditorDeviceTransfers());
  editor.SetParamCases(MakeProgramControlCases(editor.TakeParamCases()));
}
