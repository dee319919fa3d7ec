// The manager page's buttons and switches (parameters 313..346), each turned into its operation.
#include <cstdio>

#include "editor/choose_directory.h"
#include "editor/program_controls.h"
#include "editor/vq_editor.h"
#include "library/program_manager.h"
#include "platform/file_system.h"
#include "plugin/iparam.h"
#include "protocol/device_messages.h"

namespace fs = vq::platform;

namespace {

constexpr int kPreviewKey = 48;
constexpr int kPreviewVelocity = 100;
constexpr int kModeButtons[] = {vq_param::kManagerRemoveMode, vq_param::kManagerMoveMode,
                                vq_param::kManagerSwapMode, vq_param::kManagerCopyMode,
                                vq_param::kManagerEditMode};
constexpr const char* kReplaceBank =
    "This operation will remove the current Programs.\nDo you wish to continue?";

int ModeOfButton(int p) {
  switch (p) {
    case vq_param::kManagerRemoveMode:
      return kModeRemove;
    case vq_param::kManagerMoveMode:
      return kModeMove;
    case vq_param::kManagerCopyMode:
      return kModeCopy;
    case vq_param::kManagerSwapMode:
      return kModeSwap;
    case vq_param::kManagerEditMode:
      return kModeEdit;
    default:
      return kModeNone;
  }
}

bool BankEmpty(const VQEditor& e) {
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
    if (!e.Browser().Slots()[static_cast<size_t>(i)].empty) return false;
  return true;
}

bool EmptiesCache(int p) {
  return p == vq_param::kManagerClearBank || p == vq_param::kManagerLoadBank;
}

bool AnySelected(const VQEditor& e) {
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i)
    if (e.Browser().Slots()[static_cast<size_t>(i)].selected) return true;
  return false;
}

}  // namespace

// Questions and panels wait for the user with the editor's lock released: MIDI input and the
// status poll must not wait with them. What follows takes the state as it then is.
bool ProgramManager::Ask(VQEditor& e, const char* text, int type) {
  int answer;
  {
    UTL_MutexRelease unlocked(e.Mutex());
    answer = e.ShowMessageBox(text, "Warning", type);
  }
  // Only an explicit Yes or OK goes on; a dismissed box or no window is a No.
  return answer == 1;
}

bool ProgramManager::BankBusy(const VQEditor& e, bool emptiesCache) {
  const DeviceLink& link = e.Link();
  return link.ManagerBankFilling() ||
         (emptiesCache && link.UploadReadsBelow(e.Browser().CacheFolder()));
}

bool ProgramManager::RefuseBankChange(VQEditor& e, bool emptiesCache) {
  if (!BankBusy(e, emptiesCache)) return false;
  TellTransferRunning(e);
  return true;
}

std::string ProgramManager::ChooseFolder(VQEditor& e) {
  std::string folder;
  {
    UTL_MutexRelease unlocked(e.Mutex());
    folder = ChooseDirectory(e.Browser());
  }
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder.size() > 255 ? std::string() : folder;
}

bool ProgramManager::ManagerPageCase(VQEditor& e, int p) {
  const double value = e.ParamValue(p);
  const bool released = value < 0.5;
  // RECEIVE fills the bank: the buttons that change it or start a transfer are refused, told as
  // any transfer beside another is; so are NEW and LOAD BANK while an upload sends the files
  // of the cache folder they empty.
  const bool changesBank = (p >= vq_param::kManagerInsert && p <= vq_param::kManagerSendBank) ||
                           p == vq_param::kManagerApplyEdit;
  if (changesBank && BankBusy(e, EmptiesCache(p))) {
    if (released) TellTransferRunning(e);
    return false;
  }

  switch (p) {
    case vq_param::kManagerLocalBrowser:
      if (!released) break;
      // The choice comes on its own panel, over the selection buttons it shares room with.
      // The list keeps its rows until another folder or the database fills it: a cancelled
      // choice or a failed login must not lose the folder shown.
      if (VQEditorPages* pages = e.Pages()) pages->ShowSelectFolderPanel(e, false);
      break;
    case vq_param::kManagerSelectAll:
    case vq_param::kManagerSelectNone:
    case vq_param::kManagerInvertSelection:
      if (!released) break;
      for (OnlineListRow& r : e.Browser().Rows())
        if (r.flags[2])
          r.flags[3] = p == vq_param::kManagerSelectAll    ? 1
                       : p == vq_param::kManagerSelectNone ? 0
                                                           : !r.flags[3];
      mAnchor = -1;
      RecolourBrowser(e);
      break;
    case vq_param::kManagerInsert:
      if (released) InsertSelectedFiles(e);
      break;
    case vq_param::kManagerClearBank:
    case vq_param::kManagerLoadBank:
    case vq_param::kManagerDownloadBank:
    case vq_param::kManagerSaveBank:
    case vq_param::kManagerUploadBank:
    case vq_param::kManagerSendBank:
      if (released) BankButton(e, p);
      break;
    case vq_param::kManagerRemoveMode:
    case vq_param::kManagerMoveMode:
    case vq_param::kManagerSwapMode:
    case vq_param::kManagerCopyMode:
    case vq_param::kManagerEditMode:
      ModeButton(e, p, ModeOfButton(p));
      break;
    case vq_param::kManagerConfirm:
      break;  // read where it is needed (Confirm)
    case vq_param::kManagerCategoryBass:
    case vq_param::kManagerCategoryGtr:
    case vq_param::kManagerCategoryMidi:
    case vq_param::kManagerCategoryFx:
    case vq_param::kManagerCategoryEwi:
      if (value <= 0.5) break;
      for (int other = 331; other <= 335; ++other)
        if (other != p) e.SetParameterFromGUI2(other, 0.0);
      e.RedrawParamControls();
      break;
    case vq_param::kManagerApplyEdit:
      if (released && e.ParamValue(vq_param::kManagerEditMode) > 0.5) ApplyEdit(e);
      break;
    case vq_param::kManagerBrowserList:
      OnBrowserListClick(e);
      break;
    case vq_param::kManagerBankList:
      OnBankListClick(e);
      break;
    case vq_param::kManagerBrowserScroll: {
      const double v = value < 0 ? 0 : value > 1 ? 1 : value;
      e.Browser().SetFirstRow(static_cast<int32_t>(e.Browser().ScrollRange() * (1.0 - v) + 0.5));
      RedrawBrowserRows(e);
      break;
    }
    case vq_param::kManagerPreviewNote: {
      const bool on = value > 0;
      IMidiMessage msg;
      if (on)
        msg.MakeNoteOn(kPreviewKey, kPreviewVelocity, 0, e.KeyboardChannel());
      else
        msg.MakeNoteOff(kPreviewKey, 0, e.KeyboardChannel());
      e.SendMidiMsg(&msg);
      e.SendSysExBytes(KeyboardNoteMessage(on, kPreviewKey, on ? kPreviewVelocity : 0));
      break;
    }
    case vq_param::kManagerBrowse: {
      if (!released) break;
      std::string folder = ChooseFolder(e);
      // Chosen or cancelled, the panels close back to the page's buttons.
      HideOnlineEntry(e);
      if (folder.empty()) break;
      if (folder.size() > 1) folder.pop_back();
      e.Browser().SetFolder(folder);
      mAnchor = -1;
      e.ListProgramFolder(folder.c_str());
      break;
    }
    case vq_param::kManagerOnline:
      if (released) OpenOnlineDatabase(e);
      break;
    case vq_param::kManagerLogin:
      if (released) LoginToDatabase(e);
      break;
    case vq_param::kManagerRememberLogin:
      SetRememberLogin(e);
      break;
    default:
      break;
  }
  return false;
}

void ProgramManager::ModeButton(VQEditor& e, int p, int mode) {
  if (e.ParamValue(p) > 0.5) {
    mEditMode = mode;
    for (int other : kModeButtons)
      if (other != p) e.SetParameterFromGUI2(other, 0.0);
    e.HideControlsOfParam(vq_param::kManagerPreviewNote, true);
    mNameEntry.SetText("");
    e.RedrawParamControls();
    return;
  }
  if (mEditMode != mode) return;
  mEditMode = kModeNone;
  e.HideControlsOfParam(vq_param::kManagerPreviewNote, false);
  e.GrayOutControlsOfParam(vq_param::kManagerPreviewNote, true);
  ClearSlotSelection(e);
}

void ProgramManager::ApplyEdit(VQEditor& e) {
  int category = kSlotCategoryPlain;
  for (int q = 331; q <= 335; ++q)
    if (e.ParamValue(q) > 0.5) {
      category = q - 329;
      break;
    }
  int selected = 0, only = 0;
  for (int i = kFirstProgramSlot; i <= kLastProgramSlot; ++i) {
    ProgramSlot& s = e.Browser().Slots()[static_cast<size_t>(i)];
    if (!s.selected) continue;
    ++selected;
    only = i;
    if (s.empty) continue;
    s.category = category;
    RefreshSlot(e, i);
  }
  if (selected == 1) {
    // The name becomes part of the slot's file name: no folder separators, no control bytes.
    std::string name = mNameEntry.Text();
    for (char& c : name)
      if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    e.SetSlotName(name.c_str(), only);
  }
  mBankSaved = false;
}

void ProgramManager::BankButton(VQEditor& e, int p) {
  const bool empty = BankEmpty(e);
  if (empty && (p == vq_param::kManagerClearBank || p == vq_param::kManagerSaveBank ||
                p == vq_param::kManagerUploadBank || p == vq_param::kManagerSendBank))
    return;
  // A download into the bank (or an upload from the cache folder) that began while a question
  // or panel was up keeps the buttons off, and says so, as it does at the press.
  auto refused = [&] { return RefuseBankChange(e, EmptiesCache(p)); };
  auto ask = [&](const char* text, int type = 4) { return Ask(e, text, type) && !refused(); };
  auto chooseFolder = [&] {
    const std::string folder = ChooseFolder(e);
    return folder.empty() || !refused() ? folder : std::string();
  };
  // Save and upload both write the bank to a folder the user picks; false when none was picked.
  auto saveToChosenFolder = [&]() {
    const std::string folder = chooseFolder();
    if (folder.empty() || e.RefuseWorkingFolder(folder)) return false;
    if (!SaveProgramsToFolder(e, folder, false, 0)) return false;
    mBankSaved = true;
    mBankFolder = folder;
    e.Link().SetTransferDone(true);
    return true;
  };
  switch (p) {
    case vq_param::kManagerClearBank:
      // A bank just saved loses nothing: no question.
      if (!mBankSaved && !ask(kReplaceBank)) return;
      mBankSaved = false;
      e.ResetCacheFolder();
      for (int i = 0; i < kSlotTableSize; ++i) EmptySlot(e, i);
      mNameEntry.SetText("");
      return;
    case vq_param::kManagerLoadBank: {
      if (!empty && !ask(kReplaceBank)) return;
      const std::string folder = chooseFolder();
      if (folder.empty()) return;
      e.ScanProgramFolderToSlots(folder.c_str());
      mBankSaved = true;
      mBankFolder = folder;
      mNameEntry.SetText("");
      return;
    }
    case vq_param::kManagerDownloadBank:
      // Asked again after the question, which let the editor go; refused, the bank stays.
      if (RefusedBeside(e, DeviceLink::Transfer::kDownload)) return;
      if (!empty && !ask(kReplaceBank)) return;
      if (RefusedBeside(e, DeviceLink::Transfer::kDownload)) return;
      mBankSaved = false;
      for (int i = 0; i < kSlotTableSize; ++i) EmptySlot(e, i);
      e.ResetCacheFolder();
      fs::MakeFolder(e.Browser().CacheFolder(), 0755);
      e.RemoveStaleTempFiles(e.Browser().CacheFolder());
      e.Link().DropReceivedDump();
      e.Link().SetDownloadToManager(true);
      e.Link().SetBankDownloadRunning(true);
      e.Link().SetRequestSlot(1);
      e.Link().SetRequestPending(true);
      ClearSlotSelection(e);
      return;
    case vq_param::kManagerSaveBank:
      saveToChosenFolder();
      return;
    case vq_param::kManagerUploadBank: {
      if (!mBankSaved) {
        if (!ask("Please save the files first!", 1)) return;
        if (!saveToChosenFolder()) return;
      }
      char text[400];
      std::snprintf(text, sizeof text, "The files to be uploaded are located in the \n%s folder.",
                    mBankFolder.c_str());
      {
        // Read before the upload page opens, with the editor free meanwhile.
        UTL_MutexRelease unlocked(e.Mutex());
        e.ShowMessageBox(text, "Warning", 0);
      }
      if (refused()) return;
      e.OpenUrl(mClient.Url(kDbUploadPagePath).c_str());
      return;
    }
    case vq_param::kManagerSendBank: {
      // Refused before its files are written; asked again after each question.
      if (RefusedBeside(e, DeviceLink::Transfer::kUpload)) return;
      if (!ask("This operation will overwrite the current Programs\nin the Velquor.\nDo you wish "
               "to continue?"))
        return;
      const bool selectedOnly =
          AnySelected(e) && ask("Do you wish to upload only the selected Program(s)?");
      if (RefusedBeside(e, DeviceLink::Transfer::kUpload)) return;
      if (selectedOnly) {
        if (!SaveSelectedProgramsToFolder(e, e.Browser().UploadFolder())) return;
        ClearSlotSelection(e);
        e.StartBankUpload(e.Browser().UploadFolder().c_str());
        return;
      }
      e.RemoveStaleTempFiles(e.Browser().CacheFolder());
      if (!SaveProgramsToFolder(e, e.Browser().CacheFolder(), true, 0)) return;
      DeleteProgramFiles(e, e.Browser().CacheFolder());
      e.StartBankUpload(e.Browser().CacheFolder().c_str());
      return;
    }
    default:
      return;
  }
}

bool ProgramManager::Confirm(const VQEditor& e) {
  return e.ParamValue(vq_param::kManagerConfirm) > 0.5;
}

void InitManagerListParams(VQEditor& e) {
  // The controls report the fraction of the way down (x 47 rows) and the cell / 100; the
  // thousandth step keeps the row and the cell under the pointer whole.
  if (IParam* p = e.GetParam(vq_param::kManagerBrowserList); p && p->Type() == IParam::kTypeNone)
    p->InitDouble("", "", "", 0.0, 0.0, VQEditor::kBrowserTextRows, 0.001, 1.0);
  if (IParam* p = e.GetParam(vq_param::kManagerBankList); p && p->Type() == IParam::kTypeNone)
    p->InitDouble("", "", "", 0.0, 0.0, kSlotTableSize, 0.001, 1.0);
}

ProgramManager& InstallProgramManager(VQEditor& e, DbClientOptions options) {
  UTL_MutexLock lock(e.Mutex());
  InitManagerListParams(e);
  auto manager = std::make_unique<ProgramManager>(std::move(options));
  ProgramManager& m = *manager;
  e.SetParamCases(MakeProgramControlCases(std::move(manager)));
  e.SetProgramMarker([&m](VQEditor& editor) { m.MarkProgramOnScreen(editor); });
  return m;
}
