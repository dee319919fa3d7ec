// The editor's answer to the main window's menu: panels and files, transfers started through
// the request flags, skins, views and GUI scales, undo and the program manager page.
#include <cstdlib>
#include <cstring>
#include <string>

#include "editor/choose_directory.h"
#include "editor/program_controls.h"
#include "editor/vq_editor.h"
#include "graphics/gui_types.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "wemu/ini_file.h"
#include "wemu/utilities.h"

namespace {

enum Command : int {
  kAbout = 0,
  kSelectDirectory,
  kLoadProgram,
  kSaveProgram,
  kWriteProgram,
  kWriteAllPrograms,
  kFirmwareUpdate,
  kUserGuide,
  kProgramDatabase,
  kStatusPoll,
  kFullView,
  kCompactView,
  kFirstScale = 12,
  kLastScale = 19,
  kSaveFromDevice = 20,
  kSaveAllFromDevice = 21,
  kSkinSpace = 22,
  kSkinSolid = 23,
  kConvertOldFiles = 24,
  kSkinLcd = 25,
  kUndo = 26,
  kRedo = 27,
  kNextProgram = 28,
  kPreviousProgram = 29,
  kNextProgramBy10 = 30,
  kPreviousProgramBy10 = 31,
  kLeaveManager = 32,
  kEnterManager = 33,
  kNothing = 34,
  kStartupMessage = 35,
  kLastCommand = kStartupMessage,
};

constexpr double kGuiScales[] = {0.7, 0.8, 0.9, 1.0, 1.1, 1.2, 1.3, 2.0};
// The part of the page Compact View shows, at 100 %.
constexpr int kCompactWidth = 1024, kCompactHeight = 400;
// The last-file buffer: the folder, its "/" and the terminating zero must fit.
constexpr size_t kLastFileBuffer = 256;
constexpr const char* kFolderTooLongText = "The folder path is too long!";
constexpr const char* kRestartText =
    "You need to restart the application\nto apply the changes to the user interface!";
constexpr const char* kUserGuideFile = "pdf/VQ_userguide-v4.11.pdf";
constexpr const char* kDatabaseHost = "https://www.velquor.com";

// The database service's page, on the address the database client uses (https only).
std::string DatabasePage() {
  const char* configured = std::getenv("VQ_DB_BASE_URL");
  std::string base =
      configured && std::strncmp(configured, "https://", 8) == 0 ? configured : kDatabaseHost;
  while (base.size() > 8 && base.back() == '/') base.pop_back();
  return base + "/vqdatabase";
}

// The guide or the database page, handed to the desktop. A desktop with no application for it
// says nothing itself: the alert says what failed and where the guide or page is. Runs without
// the editor's mutex: MIDI input must not wait for the user.
void OpenHelp(VQEditor& e, bool guide) {
  const std::string target = guide ? WEMU_GetResourceFolder() + kUserGuideFile : DatabasePage();
  const bool present = !guide || vq::platform::FileExists(target);
  if (present && vq::platform::services().workspace().open(target)) return;
  std::string text;
  if (!guide)
    text =
        "The program database page could not be opened: no web browser on this desktop "
        "opens it.\n\nIts address is\n" +
        target;
  else if (!present)
    text =
        "The user guide could not be opened: its PDF file is missing.\n\nIt belongs at\n" + target;
  else
    text =
        "The user guide could not be opened: no application on this desktop opens PDF "
        "files.\n\nThe guide is the PDF file\n" +
        target;
  e.ShowMessageBox(text.c_str(), guide ? "User Guide" : "Program Database", 0);
}

bool NeedsFolderPanel(int code) {
  return code == kSelectDirectory || code == kWriteAllPrograms || code == kSaveAllFromDevice ||
         code == kConvertOldFiles;
}

void Press(IGraphics& g, int paramIdx) {
  g.SetControlsValue(paramIdx, 1.0);
  g.SetControlsValue(paramIdx, 0.0);
}

// A skin switch: the choice is stored; the running GUI changes only between the two skins it
// can swap at once. The restart notice waits for the idle call, which shows it once the editor
// is free. The main thread does not wait for the disk: a session ending meanwhile saves the
// user's program at once.
void ChooseSkin(VQEditor& e, const char* name, int mode) {
  WEMU_WriteIniInBackground("gui", "background", name, e.SettingsPath().c_str());
  const bool swappable = mode < 2 && e.SkinMode() <= 1;
  if (!swappable) {
    if (mode != 2 || e.SkinMode() != 2) e.PostMessageBox(kRestartText, "Warning");
    return;
  }
  if (VQEditorPages* pages = e.Pages()) pages->ShowSkinBackgrounds(mode == 0);
  e.SetSkinMode(mode);
}

// Steps the program list by ten: nine here, the tenth by the button, all inside the list.
void StepByTen(VQEditor& e, IGraphics& g, bool next) {
  int32_t i = e.Browser().ProgramListIndex() + (next ? 9 : -9);
  if (i > e.Browser().ProgramListLast()) i = e.Browser().ProgramListLast();
  if (i < 0) i = 0;
  e.Browser().SetProgramListIndex(i);
  Press(g, next ? vq_param::kNextProgram : vq_param::kPreviousProgram);
}

void LeaveManager(VQEditor& e) {
  if (e.Link().Busy() || !e.ManagerPageShown()) return;
  e.SetManagerPageShown(false);
  e.ShowManagerPage(true);

  int firstUsed = 0;
  for (int s = kFirstProgramSlot; s < static_cast<int>(e.Browser().Slots().size()); ++s)
    if (!e.Browser().Slots()[static_cast<size_t>(s)].empty) {
      firstUsed = s;
      break;
    }
  if (e.Browser().Slots().size() >= 2 && firstUsed > 0) {
    int selected = 0;
    for (int s = kFirstProgramSlot;
         s <= kLastProgramSlot && s < static_cast<int>(e.Browser().Slots().size()); ++s)
      if (e.Browser().Slots()[static_cast<size_t>(s)].selected) {
        selected = s;
        break;
      }
    if (selected > 0) {
      int chosen = firstUsed;
      if (!e.Browser().Slots()[static_cast<size_t>(selected)].empty) {
        e.SaveSlotToCache(selected);
        chosen = selected;
      }
      e.SetLastField(kNoFieldSent);
      const ProgramSlot& slot = e.Browser().Slots()[static_cast<size_t>(chosen)];
      const std::string path = slot.path;
      if (e.Browser().SelectedFile(VQEditor::kSaveSelector) == path) return;
      const auto load = [&e, path, name = std::string(slot.name)] {
        for (int role :
             {VQEditor::kLoadSelector, VQEditor::kSaveSelector, VQEditor::kWriteSelector})
          e.Browser().SetSelectedFile(role, path);
        e.Browser().SetBankUploadFileCount(0);
        e.LoadProgramFileToEditor(path.c_str());
        if (e.Browser().ProgramList().empty()) e.Browser().ProgramList().emplace_back();
        e.Browser().ProgramList()[0] = name + ".pr4";
        e.SendProgramNrpn();
      };
      if (!e.ConfirmReplacingEdits(load)) return e.ShowProgramName();
      load();
      return;
    }
  } else if (e.Browser().RememberedProgramPath().size() < 5) {
    return;
  }
  // Nothing chosen and nothing loaded here: the program stays as it is, edits and undo included,
  // and under its own name whatever a transfer showed meanwhile.
  if (!e.ProgramLoadedInManager()) return e.ShowProgramName();
  const auto load = [&e, path = e.Browser().RememberedProgramPath(),
                     folder = e.Browser().RememberedProgramFolder()] {
    e.SetLastField(kNoFieldSent);
    e.Browser().SetLastFile(path);
    e.Browser().SetCurrentProgramFolder(folder);
    e.LocateProgramInFolder(path.c_str());
    e.Browser().SetSelectedFile(VQEditor::kLoadSelector, path);
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    e.Browser().SetSelectedFile(VQEditor::kSaveSelector,
                                (hasExtension ? path.substr(0, dot) : path) + ".pr4");
    e.Browser().SetSelectedFile(VQEditor::kWriteSelector, path);
    e.LoadProgramFileToEditor(path.c_str());
    e.SendProgramNrpn();
  };
  if (!e.ConfirmReplacingEdits(load)) return e.ShowProgramName();
  load();
}

void EnterManager(VQEditor& e, IGraphics& g) {
  if (e.ManagerPageShown()) return;
  e.SetManagerPageShown(true);
  e.SetProgramLoadedInManager(false);
  e.ShowManagerPage(false);
  if (!e.Browser().Rows().empty() &&
      (e.Browser().Rows()[0].flags[0] || e.Browser().BankUploadFileCount() < 1)) {
    e.SetParameterFromGUI2(vq_param::kManagerSelectNone, 0.0);
    // The list kept from the last visit: its mark goes to the program on screen, which the
    // synth page may have changed.
    e.MarkProgramInBrowser();
    g.GrayOutControlsOfParam(vq_param::kManagerPreviewNote, true);
    return;
  }
  e.Browser().SetFolder(e.Browser().CurrentProgramFolder());
  e.Browser().SetSelection(-1);
  e.ListProgramFolder(e.Browser().Folder().c_str());
  const std::string current = e.Browser().CurrentListName();
  for (size_t row = 0; row < e.Browser().Rows().size(); ++row) {
    OnlineListRow& r = e.Browser().Rows()[row];
    if (current != r.name) continue;
    r.flags[3] = 1;
    if (row < static_cast<size_t>(VQEditor::kBrowserTextRows) && e.Pages())
      e.Pages()->MarkBrowserRow(static_cast<int>(row), true);
    e.Browser().SetRememberedProgramPath(e.Browser().Folder() + r.name);
    e.Browser().SetRememberedProgramFolder(e.Browser().Folder());
    break;
  }
  for (size_t s = 0; s < e.Browser().Slots().size(); ++s) e.Browser().Slots()[s].selected = 0;
  if (VQEditorPages* pages = e.Pages())
    for (int slot = 0; slot < kSlotTableSize; ++slot) pages->ShowSlotSelected(slot, false);
}

}  // namespace

bool VQEditor::OnCommand(int code) {
  if (code < 0 || code > kLastCommand) return true;
  {
    UTL_MutexLock lock(mMutex);
    if (!GetGUI()) return true;
  }
  if (code == kUserGuide || code == kProgramDatabase) {
    OpenHelp(*this, code == kUserGuide);
    return true;
  }
  // Folder panels run before the mutex is taken: MIDI input must not wait for the user.
  std::string folder;
  bool chosen = false;
  if (NeedsFolderPanel(code)) {
    folder = ChooseDirectory(mBrowser);
    chosen = !folder.empty();
    if (chosen && folder.back() != '/') folder += '/';
  }

  UTL_MutexLock lock(mMutex);
  IGraphics* g = Graphics();
  if (!g || !GetGUI()) return true;
  // A folder whose path does not fit is refused: a cut path would name another folder.
  if (chosen && folder.size() + 1 > kLastFileBuffer && code != kConvertOldFiles) {
    SetStatusText(kFolderTooLongText);
    return true;
  }
  auto takeFolder = [&] {
    mBrowser.SetLastFile(folder);
    LocateProgramInFolder(mBrowser.LastFile().c_str());
  };

  switch (code) {
    case kAbout:
      if (mPages) mPages->ShowAboutBox();
      break;
    case kSelectDirectory:
      if (chosen) takeFolder();
      break;
    case kLoadProgram:
    case kWriteProgram:
    case kFirmwareUpdate: {
      // The panel waits for the user: MIDI input and the status poll must not wait with it.
      // The choice is taken under the mutex, by the selector's parameter.
      UTL_MutexRelease unlocked(mMutex);
      OpenFileSelector(code == kLoadProgram    ? kLoadSelector
                       : code == kWriteProgram ? kWriteSelector
                                               : kFirmwareSelector);
      break;
    }
    case kSaveProgram:
      SaveProgramWithPanel();
      break;
    case kWriteAllPrograms:
      if (!chosen || RefusedBeside(*this, DeviceLink::Transfer::kUpload)) break;
      mBrowser.SetTransferFolder(folder);
      mLink.SetBankUploadRequest(true);
      break;
    case kUserGuide:
    case kProgramDatabase:
      break;  // handled above
    case kStatusPoll:
      StatusPoll();
      break;
    case kFullView:
    case kCompactView:
      mCompactView = code == kCompactView;
      if (IModuleGUIResize* resize = GetGUIResize()) {
        // The upper part of the page at the GUI's scale; size changes keep to it.
        if (mCompactView)
          resize->SetShownPart(kCompactWidth, kCompactHeight);
        else
          resize->SetShownPart(0, 0);
        g->Resize(resize->GetShownWidth(), resize->GetShownHeight());
      } else {
        g->Resize(mCompactView ? kCompactWidth : kGuiWidth,
                  mCompactView ? kCompactHeight : kGuiHeight);
      }
      RefreshGui();
      break;
    case kSaveFromDevice:
      if (mPages) mPages->ShowProgramNumberSelector(*this, true);
      g->HideControlsOfParam(vq_param::kSlotChooser, false);
      g->HideControlsOfParam(vq_param::kRequestProgram, false);
      break;
    case kSaveAllFromDevice:
      // Cancel cancels: nothing is fetched and nothing written.
      if (!chosen || RefusedBeside(*this, DeviceLink::Transfer::kDownload) ||
          RefuseWorkingFolder(folder))
        break;
      mBrowser.SetTransferFolder(folder);
      // Its dumps pass through the receive buffer: a fetched one kept for saving would be lost.
      mLink.DropReceivedDump();
      PrepareDownloadFolder(folder);
      SetStatusText("Connecting to VQ...");
      mLink.SetBankDownloadRunning(true);
      mLink.SetRequestSlot(1);
      mLink.SetRequestPending(true);
      break;
    case kSkinSpace:
      ChooseSkin(*this, "space", 0);
      break;
    case kSkinSolid:
      ChooseSkin(*this, "solid", 1);
      break;
    case kSkinLcd:
      ChooseSkin(*this, "lcd", 2);
      break;
    case kConvertOldFiles:
      if (chosen) ConvertOldProgramFiles(folder.c_str());
      break;
    case kUndo:
      Undo();
      break;
    case kRedo:
      Redo();
      break;
    case kNextProgram:
      if (mManagerPageShown) break;
      SetParameterFromGUI2(vq_param::kNextProgram, 1.0);
      SetParameterFromGUI2(vq_param::kNextProgram, 0.0);
      RedrawParamControls();
      break;
    case kPreviousProgram:
      if (!mManagerPageShown) Press(*g, vq_param::kPreviousProgram);
      break;
    case kNextProgramBy10:
    case kPreviousProgramBy10:
      if (!mManagerPageShown) StepByTen(*this, *g, code == kNextProgramBy10);
      break;
    case kLeaveManager:
      LeaveManager(*this);
      break;
    case kEnterManager:
      EnterManager(*this, *g);
      break;
    case kNothing:
      break;
    case kStartupMessage:
      SendStartupMessage();
      break;
    default:
      if (code >= kFirstScale && code <= kLastScale) {
        if (IModuleGUIResize* resize = GetGUIResize()) {
          resize->SetGuiScale(kGuiScales[code - kFirstScale]);
          resize->ResizeAndStoreGuiSize();
        }
        RefreshGui();
      }
      break;
  }
  return true;
}
