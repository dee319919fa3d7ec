#include "library/program_library.h"
#include "library/folder_listing.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/vq_editor.h"
#include "library/program_list.h"
#include "library/program_text_format.h"
#include "platform/error_output.h"
#include "platform/file_system.h"
#include "platform/utf8.h"
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
void ClearFlexiDestinations(VQEditor& editor) {
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    editor.HideControlsOfParam(vq_param::kFlexi1RangeA + 2 * n, true);
    editor.HideControlsOfParam(vq_param::kFlexi1RangeA + 1 + 2 * n, true);
    int32_t d = editor.Flexi().Destinations()[n];
    if (d >= 0 && d < kProgramFieldCount) editor.HideControlsOfParam(d + kFieldParamOffset, false);
    editor.Flexi().Destinations()[n] = -1;
    editor.ShowFlexiLearnCaption(n, "LEARN");
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
    if (const char* text = ProgramFileErrorText(error)) {
      editor.SetStatusText(text);
      // The manager page has no status line: there the refusal is told in a box, which the
      // idle call shows once the editor is free.
      if (editor.ManagerPageShown()) editor.PostMessageBox(text, "Error");
    }
    return false;
  }
  UpgradeInPlace(path, content);

  std::string display = path;
  if (HasNameExtension(display))
    editor.Browser().SetSelectedFile(VQEditor::kSaveSelector,
                                     fs::ReplaceNameExtension(display, ".pr4"));
  if (display.find('/') != std::string::npos) {
    std::string name = fs::NameOfPath(display);
    editor.SetProgramNameFromPath(name);
    editor.SetStatusText(editor.ProgramName().c_str());
    int number = kNoProgramNumber;
    if (!editor.Browser().ProgramList().empty()) number = LeadingNumber(name);
    editor.SetParameterFromGUI2(vq_param::k7SegmentDisplay, number);
  }

  if (!editor.Graphics()) {
    editor.Record() = content.record;
    return true;
  }
  ClearFlexiDestinations(editor);
  editor.SetLastField(kNoFieldSent);
  for (int32_t& v : editor.LastSent()) v = 128;
  editor.SetApplyingProgram(true);
  editor.Record() = content.record;
  editor.ApplyRecordToParams();
  editor.SetLastField(kNoFieldSent);
  editor.RefreshGui();
  editor.SetApplyingProgram(false);
  editor.RedrawParamControls();
  editor.SetProgramEdited(false);
  editor.TakeUndoSnapshot();
  editor.History().StartFromSnapshot();
  return true;
}

bool ProgramLibrary::WriteProgramDumpText(VQEditor& editor, const char* path) {
  UTL_MutexLock lock(editor.Mutex());
  if (!path || !*path) return false;
  return WriteFileSafely(path, ProgramDumpText(editor)) == ProgramFileError::kNone;
}

std::string ProgramLibrary::ProgramDumpText(VQEditor& editor) {
  UTL_MutexLock lock(editor.Mutex());
  ProgramRecord values = PackParams([&editor](int idx) { return editor.ParamValue(idx); });
  for (int n = 0; n < kFlexiSlotCount; ++n) {
    if (editor.Flexi().Destinations()[n] >= 0) continue;
    for (int k = 0; k < kFlexiSlotFields; ++k)
      values[kFlexiFirstField + kFlexiSlotFields * n + k] = 0;
  }
  for (int f = 147; f <= 156; ++f) values[f] = 0;
  return FormatProgramText(values);
}

bool ProgramLibrary::SaveProgramFile(VQEditor& editor, const char* path) {
  UTL_MutexLock lock(editor.Mutex());
  if (!path || !*path) return false;
  // The program on screen is another one: it keeps its own name.
  return WriteFileSafely(path, ReceivedDumpFileText(editor)) == ProgramFileError::kNone;
}

std::string ProgramLibrary::ReceivedDumpFileText(VQEditor& editor) {
  UTL_MutexLock lock(editor.Mutex());
  return ReceivedDumpText(editor.Link().ReceiveBuffer().data());
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
  // The editor's own folders are emptied by it: nothing is written there, as with every save.
  if (editor.RefuseWorkingFolder(dir)) return 0;
  int written = 0, skipped = 0;
  for (const std::string& name : fs::ListFolder(dir))
    if (HasOldProgramExtension(name))
      ++(ConvertOldProgramFile(editor, (dir + name).c_str()) ? written : skipped);
  char status[64], box[256];
  snprintf(status, sizeof status, "Converted %d, skipped %d", written, skipped);
  snprintf(box, sizeof box, "Old program files converted: %d\nSkipped: %d%s", written, skipped,
           skipped > 0 ? "\n(an existing .pr4 file is kept; an unreadable file is left out)" : "");
  editor.SetStatusText(status);
  editor.PostMessageBox(box, "Convert Old Program Files");  // shown once the editor is free
  return written;
}

bool ProgramLibrary::SaveRamProgram(VQEditor& editor) {
  return WriteProgramDumpText(editor, editor.RamProgramPath().c_str());
}

bool ProgramLibrary::LoadRamProgram(VQEditor& editor) {
  UTL_MutexLock lock(editor.Mutex());
  // Nothing is sent when the file did not load: start-up then takes INIT instead.
  if (!LoadProgramFileToEditor(editor, editor.RamProgramPath().c_str())) return false;
  editor.SetStatusText(editor.ProgramName().c_str());
  editor.SendProgramNrpn();
  return true;
}

void ProgramLibrary::LocateProgramInFolder(VQEditor& editor, const char* path) {
  UTL_MutexLock lock(editor.Mutex());
  std::string p = path ? path : "";
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return;
  editor.Browser().SetCurrentProgramFolder(fs::Utf8Prefix(p.substr(0, slash + 1), kPathLength));
  std::string file = p.substr(slash + 1);

  editor.Browser().SetProgramList(
      BuildProgramList(fs::ListFolder(editor.Browser().CurrentProgramFolder())));
  // Named only: what made it current shows the name, once its mark is decided too.
  if (editor.Browser().SelectListName(file)) editor.SetProgramNameFromPath(file);
}

void ProgramLibrary::NameReceivedProgram(VQEditor& editor, int slot) {
  UTL_MutexLock lock(editor.Mutex());
  std::string file = ReceivedProgramFileName(
      editor.Link().ReceiveBuffer().data() + vq_sysex::kProgramNameByte, slot);
  // Offered in the folder the user last chose, else home: never the program's own folders, and
  // never a bare name that would land wherever the process happens to run.
  std::string folder = editor.Browser().PanelFolder();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  editor.OfferReceivedDump(fs::ReplaceNameExtension(folder + file, ".pr4"));
  {
    // The panel waits for the user: the MIDI input and the status poll need the editor
    // meanwhile. The choice is saved under the lock, by the selector's parameter.
    UTL_MutexRelease unlocked(editor.Mutex());
    editor.OpenFileSelector(VQEditor::kSaveSelector);
  }
  // The program on screen is not the one fetched: its own name, with its mark, comes back.
  editor.ShowProgramName();
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

  editor.Browser().Rows().clear();
  VQEditorPages* pages = editor.Pages();
  if (pages) pages->ClearBrowserRows();
  // Each row has the text control of its place, ".." included: the row a click lands on is the
  // row it shows.
  const int shownRows = VQEditor::kBrowserTextRows;
  auto addRow = [&editor, pages](const std::string& name, uint8_t isFile, const std::string& text) {
    const int at = static_cast<int>(editor.Browser().Rows().size());
    if (pages && at < shownRows) pages->ShowBrowserRow(at, text.c_str(), false);
    OnlineListRow row;
    snprintf(row.name, sizeof row.name, "%s", name.c_str());
    row.flags[2] = isFile;
    editor.Browser().Rows().push_back(row);
  };
  if (dir.find('/') != std::string::npos) addRow("..", 0, "..");
  for (const std::string& folder : folders) addRow(folder, 0, "[" + folder + "]");
  for (size_t j = 0; j < files.size(); ++j) {
    if (j > 0 && files[j] == files[j - 1]) break;
    addRow(files[j], 1, files[j]);
  }

  editor.Browser().SetScrollRange(0);
  editor.Browser().SetFirstRow(0);
  if (pages) pages->SetBrowserScrollPosition(1.0);
  if (IParam* scroll = editor.GetParam(vq_param::kManagerBrowserScroll)) scroll->Set(1.0);
  int rows = static_cast<int>(editor.Browser().Rows().size());
  bool fits = rows < shownRows + 1;
  if (!fits) editor.Browser().SetScrollRange(rows - shownRows);
  editor.HideControlsOfParam(vq_param::kManagerBrowserScroll, fits);
}

void ProgramLibrary::ResetFolder(VQEditor& editor, const char* path) {
  std::string p = path ? path : "";
  const std::string& root = editor.Browser().SettingsFolder();
  // Only scratch folders below the settings folder are ever removed.
  if (root.empty() || !fs::IsPlainAbsolutePath(p) || p.size() <= root.size() ||
      p.compare(0, root.size(), root) != 0 || !NoLinkBelow(root, p)) {
    if (!p.empty()) vq::platform::errorLine("VQEditor4: refusing to remove %s\n", p.c_str());
    return;
  }
  std::string error;
  if (fs::FileExists(p) && !fs::RemoveRecursive(p, &error))
    vq::platform::errorLine("VQEditor4: %s\n", error.c_str());
}

std::unique_ptr<VQProgramFiles> MakeProgramLibrary() {
  return std::make_unique<ProgramLibrary>();
}
