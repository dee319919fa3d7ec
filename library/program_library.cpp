#include "library/program_library.h"
#include "library/folder_listing.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/vq_editor.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "library/program_list.h"
#include "library/program_text_format.h"
#include "platform/file_system.h"
#include "plugin/iparam.h"
#include "protocol/program_codec.h"
#include "protocol/vq_sysex.h"

namespace fs = vq::platform;

namespace {

constexpr int kNoProgramNumber = 100;
constexpr size_t kPathLength = 255;

bool HasNameExtension(const std::string& path) {
  return fs::NameOfPath(path).find('.') != std::string::npos;
}

// Hides the range knobs of every FLEXI slot and gives the destination's knob back, as a program
// without destinations shows them.
void ClearFlexiDestinations(VQEditor& editor, IGraphics& g) {
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    g.HideControlsOfParam(vq_param::kFlexi1RangeA + 2 * n, true);
    g.HideControlsOfParam(vq_param::kFlexi1RangeA + 1 + 2 * n, true);
    int32_t d = editor.flexiDestination[n];
    if (d >= 0 && d < kProgramFieldCount) g.HideControlsOfParam(d + kFieldParamOffset, false);
    editor.flexiDestination[n] = -1;
    if (editor.flexiLearnCaption[n]) editor.flexiLearnCaption[n]->SetTextFromPlug("LEARN");
    // Through the editor, so the blink of a later pick starts from a hidden indicator.
    editor.ShowFlexiIndicator(n, false);
  }
}

// Every component below the settings folder must be a real folder or file, so a link can never
// lead a removal out of it.
bool NoLinkBelow(const std::string& root, const std::string& path) {
  size_t pos = root.size();
  while (pos < path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    struct stat st;
    std::string part = path.substr(0, next);
    if (lstat(part.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && next < path.size()) return false;
    pos = next + 1;
  }
  return true;
}

// A version-243 file whose name ends in ".pr4" becomes the version-244 file of the same values
// in place, through the safe replace of every save.
bool UpgradeInPlace(const std::string& path, const ProgramFileContent& content) {
  if (content.version != 243) return false;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.compare(dot, std::string::npos, ".pr4") != 0) return false;
  return WriteFileSafely(path, FormatProgramText(content.record)) == ProgramFileError::kNone;
}

}  // namespace

bool ProgramLibrary::LoadProgramFileToEditor(VQEditor& editor, const char* path) {
  UTL_MutexLock lock(editor.Mutex());
  if (!path || strlen(path) < 4) return false;

  // The file is read whole before anything of the editor changes: a file that fails leaves the
  // program, its name and the device as they were.
  ProgramFileContent content;
  ProgramFileError error = ReadProgramFile(path, content);
  if (error != ProgramFileError::kNone) {
    if (const char* text = ProgramFileErrorText(error)) editor.SetStatusText(text);
    return false;
  }
  UpgradeInPlace(path, content);

  std::string display = path;
  if (HasNameExtension(display))
    editor.SetSelectedFile(VQEditor::kSaveSelector, fs::ReplaceNameExtension(display, ".pr4"));
  if (display.find('/') != std::string::npos) {
    std::string name = fs::NameOfPath(display);
    editor.SetProgramNameFromPath(name);
    editor.SetStatusText(editor.programName.c_str());
    int number = kNoProgramNumber;
    if (!editor.programList.empty()) number = LeadingNumber(name);
    editor.SetParameterFromGUI2(vq_param::k7SegmentDisplay, number);
  }

  IGraphics* g = editor.Graphics();
  if (!g) {
    editor.record = content.record;
    return true;
  }
  ClearFlexiDestinations(editor, *g);
  editor.lastField = kNoFieldSent;
  for (int32_t& v : editor.lastSent) v = 128;
  editor.applyingProgram = true;
  editor.record = content.record;
  editor.ApplyRecordToParams();
  editor.lastField = kNoFieldSent;
  editor.RefreshGuiFromParams(0, g->GetWidth(), g->GetHeight());
  editor.applyingProgram = false;
  editor.RedrawParamControls();
  editor.programEdited = false;
  editor.TakeUndoSnapshot();
  editor.undoEntries.assign(1, editor.undoSnapshot);
  editor.undoCursor = 0;
  editor.undoKey = -1;
  return true;
}

bool ProgramLibrary::WriteProgramDumpText(VQEditor& editor, const char* path) {
  UTL_MutexLock lock(editor.Mutex());
  if (!path || !*path) return false;
  ProgramRecord values = PackParams([&editor](int idx) { return editor.ParamValue(idx); });
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    if (editor.flexiDestination[n] >= 0) continue;
    for (int k = 0; k < kFlexiSlotFields; ++k)
      values[kFlexiFirstField + kFlexiSlotFields * n + k] = 0;
  }
  for (int f = 147; f <= 156; ++f) values[f] = 0;
  return WriteFileSafely(path, FormatProgramText(values)) == ProgramFileError::kNone;
}

bool ProgramLibrary::SaveProgramFile(VQEditor& editor, const char* path) {
  UTL_MutexLock lock(editor.Mutex());
  if (!path || !*path) return false;
  if (WriteFileSafely(path, ReceivedDumpText(editor.receiveBuffer)) != ProgramFileError::kNone)
    return false;
  editor.SetProgramNameFromPath(editor.CurrentListName());
  editor.SetStatusText(editor.programName.c_str());
  return true;
}

bool ProgramLibrary::ConvertOldProgramFile(VQEditor& editor, const char* path) {
  UTL_MutexLock lock(editor.Mutex());
  if (!path || !*path) return false;
  ProgramFileContent content;
  ProgramFileError error = ReadProgramFile(path, content);
  if (error != ProgramFileError::kNone) {
    if (const char* text = ProgramFileErrorText(error)) editor.SetStatusText(text);
    return false;
  }
  if (content.version == kProgramFileVersion) return false;
  std::string target = fs::ReplaceNameExtension(path, ".pr4");
  if (target == path) return UpgradeInPlace(target, content);
  // The source stays; an existing ".pr4" (perhaps edited since) is never replaced.
  return WriteFileSafely(target, FormatProgramText(content.record), false) ==
         ProgramFileError::kNone;
}

int ProgramLibrary::ConvertOldProgramFiles(VQEditor& editor, const char* folder) {
  UTL_MutexLock lock(editor.Mutex());
  std::string dir = folder ? folder : "";
  if (dir.find('/') == std::string::npos || dir.back() != '/') return 0;
  int written = 0;
  for (const std::string& name : fs::ListFolder(dir))
    if (HasOldProgramExtension(name) && ConvertOldProgramFile(editor, (dir + name).c_str()))
      ++written;
  return written;
}

bool ProgramLibrary::SaveRamProgram(VQEditor& editor) {
  return WriteProgramDumpText(editor, editor.RamProgramPath().c_str());
}

bool ProgramLibrary::LoadRamProgram(VQEditor& editor) {
  UTL_MutexLock lock(editor.Mutex());
  // Nothing is sent when the file did not load: start-up then takes INIT instead.
  if (!LoadProgramFileToEditor(editor, editor.RamProgramPath().c_str())) return false;
  editor.SetStatusText(editor.programName.c_str());
  editor.SendProgramNrpn();
  return true;
}

void ProgramLibrary::LocateProgramInFolder(VQEditor& editor, const char* path) {
  UTL_MutexLock lock(editor.Mutex());
  std::string p = path ? path : "";
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return;
  editor.currentProgramFolder = p.substr(0, slash + 1).substr(0, kPathLength);
  std::string file = p.substr(slash + 1);

  editor.programList = BuildProgramList(fs::ListFolder(editor.currentProgramFolder));
  editor.programListBuilt = true;
  editor.programListLast = std::max(0, static_cast<int32_t>(editor.programList.size()) - 1);

  auto found = std::find(editor.programList.begin(), editor.programList.end(), file);
  if (found == editor.programList.end()) return;
  editor.programListIndex = static_cast<int32_t>(found - editor.programList.begin());
  editor.SetProgramNameFromPath(file);
  editor.SetStatusText(editor.programName.c_str());
}

void ProgramLibrary::NameReceivedProgram(VQEditor& editor, int slot) {
  UTL_MutexLock lock(editor.Mutex());
  std::string file =
      ReceivedProgramFileName(editor.receiveBuffer + vq_sysex::kProgramNameByte, slot);
  // The save folder is the folder of the save control's path; never a bare name that would land
  // wherever the process happens to run.
  std::string folder = editor.saveFolder;
  if (folder.empty()) folder = fs::FolderOfPath(editor.selectedFile[VQEditor::kSaveSelector]);
  if (folder.empty()) folder = editor.currentProgramFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  editor.SetSelectedFile(VQEditor::kSaveSelector, fs::ReplaceNameExtension(folder + file, ".pr4"));
  editor.receivedDumpPending = true;
  if (IControl* save = editor.fileSelector[VQEditor::kSaveSelector]) {
    IMouseMod left(true);
    save->OnMouseDown(0, 0, &left);
  }
  editor.SetProgramNameFromPath(editor.CurrentListName());
  editor.SetStatusText(editor.programName.c_str());
}

void ProgramLibrary::ListProgramFolder(VQEditor& editor, const char* folder) {
  if (!folder) return;
  UTL_MutexLock lock(editor.Mutex());
  std::string dir = folder;
  std::vector<std::string> names = ListFolderInNumericOrder(dir);

  std::vector<std::string> folders, files;
  const std::string* previous = nullptr;
  for (const std::string& name : names) {
    bool isFolder = false;
    if (!fs::FileExists(dir + "/" + name, &isFolder)) continue;
    if (previous && *previous == name) break;
    previous = &name;
    if (isFolder)
      folders.push_back(name);
    else if (HasProgramExtension(name))
      files.push_back(name);
  }

  editor.browserRows.clear();
  for (IControl* text : editor.browserRowText) {
    if (!text) continue;
    text->SetTextFromPlug("");
    text->SetTextColor(IColor(255, 200, 200, 200));
    text->Hide(true);
  }
  auto addRow = [&editor](const std::string& name, uint8_t isFile) {
    OnlineListRow row;
    snprintf(row.name, sizeof row.name, "%s", name.c_str());
    row.flags[2] = isFile;
    editor.browserRows.push_back(row);
  };
  if (dir.find('/') != std::string::npos) addRow("..", 0);

  const int shownRows = VQEditor::kBrowserTextRows;
  for (size_t i = 0; i < folders.size(); ++i) {
    if (static_cast<int>(i) < shownRows) {
      if (IControl* text = editor.browserRowText[i]) {
        text->SetTextFromPlug(("[" + folders[i] + "]").c_str());
        text->Hide(false);
      }
    }
    addRow(folders[i], 0);
  }
  const int folderCount = static_cast<int>(folders.size());
  for (size_t j = 0; j < files.size(); ++j) {
    if (j > 0 && files[j] == files[j - 1]) break;
    int at = folderCount + static_cast<int>(j);
    if (at < shownRows && folderCount < shownRows) {
      if (IControl* text = editor.browserRowText[at]) {
        text->SetTextFromPlug(files[j].c_str());
        text->Hide(false);
      }
    }
    addRow(files[j], 1);
  }

  editor.browserScrollRange = 0;
  editor.browserFirstRow = 0;
  if (editor.browserScrollBar) editor.browserScrollBar->SetValueFromPlug(1.0);
  if (IParam* scroll = editor.GetParam(vq_param::kManagerBrowserScroll)) scroll->Set(1.0);
  int rows = static_cast<int>(editor.browserRows.size());
  bool fits = rows < shownRows + 1;
  if (!fits) editor.browserScrollRange = rows - shownRows;
  if (IGraphics* g = editor.Graphics())
    g->HideControlsOfParam(vq_param::kManagerBrowserScroll, fits);
}

void ProgramLibrary::ResetFolder(VQEditor& editor, const char* path) {
  std::string p = path ? path : "";
  const std::string& root = editor.settingsFolder;
  // Only scratch folders below the settings folder are ever removed.
  if (root.empty() || !fs::IsPlainAbsolutePath(p) || p.size() <= root.size() ||
      p.compare(0, root.size(), root) != 0 || !NoLinkBelow(root, p)) {
    if (!p.empty()) fprintf(stderr, "VQEditor4: refusing to remove %s\n", p.c_str());
    return;
  }
  std::string error;
  if (fs::FileExists(p) && !fs::RemoveRecursive(p, &error))
    fprintf(stderr, "VQEditor4: %s\n", error.c_str());
}

std::unique_ptr<VQProgramFiles> MakeProgramLibrary() {
  return std::make_unique<ProgramLibrary>();
}
