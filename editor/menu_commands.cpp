// The editor's answer to the main window's menu: panels and files, transfers started through
// the request flags, skins, views and GUI scales, undo and the program manager page.
#include <cstdlib>
#include <cstring>
#include <string>

#include "editor/choose_directory.h"
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

bool NeedsFolderPanel(int code) {
  return code == kSelectDirectory || code == kWriteAllPrograms || code == kSaveAllFromDevice ||
         code == kConvertOldFiles;
}

void OpenSelector(VQEditor& e, int role) {
  if (IControl* c = e.fileSelector[role]) {
    IMouseMod left(true);
    c->OnMouseDown(0, 0, &left);
  }
}

void Press(IGraphics& g, int paramIdx) {
  g.SetControlsValue(paramIdx, 1.0);
  g.SetControlsValue(paramIdx, 0.0);
}

void ShowControl(IControl* c, bool show) {
  if (c) c->Hide(!show);
}

// A skin switch: the choice is stored; the running GUI changes only between the two skins it
// can swap at once.
void ChooseSkin(VQEditor& e, IGraphics& g, const char* name, int mode) {
  WritePrivateProfileString("gui", "background", name, e.SettingsPath().c_str());
  const bool swappable = mode < 2 && e.skinMode <= 1;
  if (!swappable) {
    if (mode != 2 || e.skinMode != 2) g.ShowMessageBox(kRestartText, "Warning", 0);
    return;
  }
  const bool space = mode == 0;
  ShowControl(e.skinBackground[0], space);
  ShowControl(e.skinBackground[1], !space);
  ShowControl(e.skinBackground[2], space);
  ShowControl(e.skinBackground[3], !space);
  e.skinMode = mode;
}

void RefreshView(VQEditor& e, IGraphics& g) {
  e.RefreshGuiFromParams(0, g.GetWidth(), g.GetHeight());
}

// Steps the program list by ten: nine here, the tenth by the button, all inside the list.
void StepByTen(VQEditor& e, IGraphics& g, bool next) {
  int32_t i = e.programListIndex + (next ? 9 : -9);
  if (i > e.programListLast) i = e.programListLast;
  if (i < 0) i = 0;
  e.programListIndex = i;
  Press(g, next ? vq_param::kNextProgram : vq_param::kPreviousProgram);
}

void LeaveManager(VQEditor& e) {
  if (e.busy || !e.managerPageShown) return;
  e.managerPageShown = false;
  e.ShowManagerPage(true);

  int firstUsed = 0;
  for (int s = kFirstProgramSlot; s < static_cast<int>(e.slotTable.size()); ++s)
    if (!e.slotTable[static_cast<size_t>(s)].empty) {
      firstUsed = s;
      break;
    }
  if (e.slotTable.size() >= 2 && firstUsed > 0) {
    int selected = 0;
    for (int s = kFirstProgramSlot;
         s <= kLastProgramSlot && s < static_cast<int>(e.slotTable.size()); ++s)
      if (e.slotTable[static_cast<size_t>(s)].selected) {
        selected = s;
        break;
      }
    if (selected > 0) {
      int chosen = firstUsed;
      if (!e.slotTable[static_cast<size_t>(selected)].empty) {
        if (e.saveSlotToCache) e.saveSlotToCache(e, selected);
        chosen = selected;
      }
      e.lastField = kNoFieldSent;
      const ProgramSlot& slot = e.slotTable[static_cast<size_t>(chosen)];
      const std::string path = slot.path;
      if (e.selectedFile[VQEditor::kSaveSelector] == path) return;
      for (int role : {VQEditor::kLoadSelector, VQEditor::kSaveSelector, VQEditor::kWriteSelector})
        e.SetSelectedFile(role, path);
      e.bankUploadFileCount = 0;
      e.LoadProgramFileToEditor(path.c_str());
      if (e.programList.empty()) e.programList.emplace_back();
      e.programList[0] = std::string(slot.name) + ".pr4";
      e.SendProgramNrpn();
      return;
    }
  } else if (e.rememberedProgramPath.size() < 5) {
    return;
  }
  e.lastField = kNoFieldSent;
  e.lastFile = e.rememberedProgramPath;
  e.currentProgramFolder = e.rememberedProgramFolder;
  e.LocateProgramInFolder(e.lastFile.c_str());
  const std::string& path = e.rememberedProgramPath;
  e.SetSelectedFile(VQEditor::kLoadSelector, path);
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  e.SetSelectedFile(VQEditor::kSaveSelector, (hasExtension ? path.substr(0, dot) : path) + ".pr4");
  e.SetSelectedFile(VQEditor::kWriteSelector, path);
  e.LoadProgramFileToEditor(path.c_str());
  e.SendProgramNrpn();
}

void EnterManager(VQEditor& e, IGraphics& g) {
  if (e.managerPageShown) return;
  e.managerPageShown = true;
  e.ShowManagerPage(false);
  if (!e.browserRows.empty() && (e.browserRows[0].flags[0] || e.bankUploadFileCount < 1)) {
    e.SetParameterFromGUI2(vq_param::kManagerSelectNone, 0.0);
    g.GrayOutControlsOfParam(vq_param::kManagerPreviewNote, true);
    return;
  }
  e.browserFolder = e.currentProgramFolder;
  e.browserSelection = -1;
  e.ListProgramFolder(e.browserFolder.c_str());
  const std::string current = e.CurrentListName();
  for (size_t row = 0; row < e.browserRows.size(); ++row) {
    OnlineListRow& r = e.browserRows[row];
    if (current != r.name) continue;
    r.flags[3] = 1;
    if (row < static_cast<size_t>(VQEditor::kBrowserTextRows) && e.browserRowText[row])
      e.browserRowText[row]->SetTextColor(IColor(255, 255, 0, 0));
    e.rememberedProgramPath = e.browserFolder + r.name;
    e.rememberedProgramFolder = e.browserFolder;
    break;
  }
  for (size_t s = 0; s < e.slotTable.size(); ++s) e.slotTable[s].selected = 0;
  for (IControl* c : e.slotSwitch)
    if (c) c->SetValueFromPlug(0.0);
}

}  // namespace

bool VQEditor::OnCommand(int code) {
  if (code < 0 || code > kLastCommand) return true;
  {
    UTL_MutexLock lock(mMutex);
    if (!GetGUI()) return true;
  }
  // Folder panels run before the mutex is taken: MIDI input must not wait for the user.
  std::string folder;
  bool chosen = false;
  if (NeedsFolderPanel(code)) {
    folder = ChooseDirectory();
    chosen = !folder.empty();
    if (chosen && folder.back() != '/') folder += '/';
  }

  UTL_MutexLock lock(mMutex);
  IGraphics* g = Graphics();
  if (!g || !GetGUI()) return true;
  // A folder whose path does not fit is refused: a cut path would name another folder.
  if (chosen && folder.size() + 1 > kLastFileBuffer && code != kConvertOldFiles) {
    SetStatusText(kFolderTooLongText);
    if (code != kSaveAllFromDevice) return true;
    chosen = false;
  }
  auto takeFolder = [&] {
    lastFile = folder;
    LocateProgramInFolder(lastFile.c_str());
  };

  switch (code) {
    case kAbout:
      if (aboutOverlay) {
        aboutOverlay->SetValueFromPlug(1.0);
        aboutOverlay->Hide(false);
      }
      break;
    case kSelectDirectory:
      if (chosen) takeFolder();
      break;
    case kLoadProgram:
      OpenSelector(*this, kLoadSelector);
      break;
    case kSaveProgram:
      receivedDumpPending = false;
      OpenSelector(*this, kSaveSelector);
      break;
    case kWriteProgram:
      OpenSelector(*this, kWriteSelector);
      break;
    case kWriteAllPrograms:
      if (!chosen) break;
      takeFolder();
      bankUploadRequest = true;
      break;
    case kFirmwareUpdate:
      OpenSelector(*this, kFirmwareSelector);
      break;
    case kUserGuide: {
      const std::string path = WEMU_GetResourceFolder() + kUserGuideFile;
      if (!vq::platform::FileExists(path) || !vq::platform::services().workspace().open(path))
        SetStatusText("The user guide could not be opened!");
      break;
    }
    case kProgramDatabase:
      if (!vq::platform::services().workspace().open(DatabasePage()))
        SetStatusText("The program database page could not be opened!");
      break;
    case kStatusPoll:
      StatusPoll();
      break;
    case kFullView:
    case kCompactView:
      compactView = code == kCompactView;
      if (compactView)
        g->Resize(1024, 400);
      else
        g->Resize(kGuiWidth, kGuiHeight);
      RefreshView(*this, *g);
      break;
    case kSaveFromDevice:
      ShowControl(programNumberSelector, true);
      g->HideControlsOfParam(vq_param::kSlotChooser, false);
      g->HideControlsOfParam(vq_param::kRequestProgram, false);
      break;
    case kSaveAllFromDevice:
      if (chosen) takeFolder();
      SetStatusText("Connecting to VQ...");
      bankDownloadRunning = true;
      requestSlot = 1;
      requestPending = true;
      break;
    case kSkinSpace:
      ChooseSkin(*this, *g, "space", 0);
      break;
    case kSkinSolid:
      ChooseSkin(*this, *g, "solid", 1);
      break;
    case kSkinLcd:
      ChooseSkin(*this, *g, "lcd", 2);
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
      if (managerPageShown) break;
      SetParameterFromGUI2(vq_param::kNextProgram, 1.0);
      SetParameterFromGUI2(vq_param::kNextProgram, 0.0);
      RedrawParamControls();
      break;
    case kPreviousProgram:
      if (!managerPageShown) Press(*g, vq_param::kPreviousProgram);
      break;
    case kNextProgramBy10:
    case kPreviousProgramBy10:
      if (!managerPageShown) StepByTen(*this, *g, code == kNextProgramBy10);
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
        RefreshView(*this, *g);
      }
      break;
  }
  return true;
}
