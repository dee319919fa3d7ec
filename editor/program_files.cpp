// The editor's program-file members: each forwards to the program library when one was given,
// plus the naming and path state they share.
#include "editor/program_files.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "editor/vq_editor.h"
#include "graphics/igraphics.h"
#include "platform/error_output.h"
#include "platform/file_system.h"
#include "platform/utf8.h"
#include "wemu/ini_file.h"

namespace {
constexpr size_t kProgramNameLength = 32;
// A save takes far less; a temporary file this old was left by a save that never finished.
constexpr int kStaleTempSeconds = 60;
// The folders of bank downloads started from the menu that a start has not yet cleaned:
// "downloadfolder", then "downloadfolder2", "downloadfolder3", ...
constexpr const char* kDownloadFolderKey = "downloadfolder";
constexpr int kMostDownloadFolders = 256;

std::string DownloadFolderKey(int i) {
  return i == 0 ? kDownloadFolderKey : kDownloadFolderKey + std::to_string(i + 1);
}

std::vector<std::string> ReadDownloadFolders(const std::string& settings) {
  std::vector<std::string> folders;
  for (int i = 0; i < kMostDownloadFolders; ++i) {
    char folder[256];
    GetPrivateProfileString("program", DownloadFolderKey(i).c_str(), "", folder, sizeof folder,
                            settings.c_str());
    if (!*folder) break;
    folders.emplace_back(folder);
  }
  return folders;
}

// Rewrites the list; keys of a longer earlier list go.
void WriteDownloadFolders(const std::string& settings, const std::vector<std::string>& folders,
                          size_t before) {
  for (size_t i = 0; i < std::max(before, folders.size()); ++i)
    WritePrivateProfileString("program", DownloadFolderKey(static_cast<int>(i)).c_str(),
                              i < folders.size() ? folders[i].c_str() : nullptr, settings.c_str());
}

constexpr const char* kWorkingFolderText =
    "This folder holds the editor's own files and is emptied by it.\nPlease choose another "
    "folder!";
}  // namespace

void VQEditor::InitProgramFolders() {
  mBrowser.InitFolders(mSettingsPath);
  // The settings folder, its scratch folders, and the folder of the last program file (where
  // saves and downloads from the device go).
  char last[256];
  GetPrivateProfileString("program", "lastfile", "", last, sizeof last, mSettingsPath.c_str());
  for (const std::string& folder : {mBrowser.SettingsFolder(), mBrowser.CacheFolder(),
                                    mBrowser.UploadFolder(), vq::platform::FolderOfPath(last)})
    RemoveStaleTempFiles(folder);
  // A download folder holding a file of a save that may still run (or just ended) is cleaned
  // at a later start.
  const std::vector<std::string> downloads = ReadDownloadFolders(mSettingsPath);
  std::vector<std::string> uncleaned;
  for (const std::string& folder : downloads)
    if (RemoveStaleTempFiles(folder) > 0) uncleaned.push_back(folder);
  if (uncleaned != downloads) WriteDownloadFolders(mSettingsPath, uncleaned, downloads.size());
  // Panels open where the last program came from, unless that is one of the program's own.
  mBrowser.NoteChosenFolder(vq::platform::FolderOfPath(last));
}

int VQEditor::RemoveStaleTempFiles(const std::string& folder) {
  int left = 0;
  if (!folder.empty()) vq::platform::RemoveStaleTempFiles(folder, kStaleTempSeconds, &left);
  return left;
}

void VQEditor::PrepareDownloadFolder(const std::string& folder) {
  RemoveStaleTempFiles(folder);
  if (folder.empty()) return;
  std::vector<std::string> folders = ReadDownloadFolders(mSettingsPath);
  if (std::find(folders.begin(), folders.end(), folder) != folders.end()) return;
  folders.push_back(folder);
  WriteDownloadFolders(mSettingsPath, folders, folders.size());
}

bool VQEditor::RefuseWorkingFolder(const std::string& path) {
  if (!mBrowser.IsWorkingFolder(path)) return false;
  SetStatusText("Nothing saved!");
  // Shown by the idle call, once the editor is free: the caller holds it.
  PostMessageBox(kWorkingFolderText, "Error");
  return true;
}

std::string VQEditor::RamProgramPath() const {
  return vq::platform::FolderOfPath(mSettingsPath) + "lastprogram.pr4";
}

std::string FileStemOfPath(std::string_view path) {
  std::string name = vq::platform::NameOfPath(path);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string ProgramNameOfPath(std::string_view path) {
  return vq::platform::Utf8Prefix(FileStemOfPath(path), kProgramNameLength);
}

void VQEditor::SetProgramNameFromPath(const std::string& path) {
  UTL_MutexLock lock(mMutex);
  if (path.size() < 4) return;
  mProgramName = ProgramNameOfPath(path);
}

bool VQEditor::OpenFileSelector(int role) {
  if (!mPages) return false;
  const bool save = role == kSaveSelector;
  if (save) SavePanelOpening();
  const bool chosen = mPages->OpenFileSelector(role);
  if (save) SavePanelClosed();
  return chosen;
}

void VQEditor::SaveProgramWithPanel() {
  UTL_MutexLock lock(mMutex);
  mSaveProgramAsked = true;
  {
    // The panel waits for the user: MIDI input and the status poll must not wait with it.
    UTL_MutexRelease unlocked(mMutex);
    OpenFileSelector(kSaveSelector);
  }
  mSaveProgramAsked = false;
}

VQEditor::SavePanel VQEditor::SavePanelNow(bool programAsked) {
  SavePanel panel;
  panel.offered = mLink.ReceivedDumpPending();
  panel.offer = mLink.DumpsOffered();
  panel.dumpProposed = !programAsked && panel.offered;
  panel.dump = panel.dumpProposed && mLink.HoldsReceivedDump();
  if (panel.dump) panel.dumpText = ReceivedDumpFileText();
  return panel;
}

void VQEditor::SavePanelOpening() {
  UTL_MutexLock lock(mMutex);
  // The editor's opening and the selector's own click both tell: the outer one decides.
  if (mSavePanelDepth++ > 0) return;
  SavePanel panel = SavePanelNow(std::exchange(mSaveProgramAsked, false));
  if (panel.dumpProposed) {
    panel.proposal = mBrowser.SelectedFile(kSaveSelector);
    if (!mOfferedDumpFile.empty()) mBrowser.SetSelectedFile(kSaveSelector, mOfferedDumpFile);
  }
  mSavePanel = std::move(panel);
}

void VQEditor::SavePanelClosed() {
  UTL_MutexLock lock(mMutex);
  if (mSavePanelDepth == 0 || --mSavePanelDepth > 0) return;
  // The dump's name was the dump's alone: the next save proposes the program's own file.
  if (mSavePanel.dumpProposed) mBrowser.SetSelectedFile(kSaveSelector, mSavePanel.proposal);
  mSavePanel = {};
}

VQEditor::SavePanel VQEditor::SaveChoice() {
  UTL_MutexLock lock(mMutex);
  return mSavePanelDepth > 0 ? mSavePanel : SavePanelNow(false);
}

void VQEditor::OfferReceivedDump(const std::string& proposal) {
  UTL_MutexLock lock(mMutex);
  mOfferedDumpFile = proposal;
  mLink.SetReceivedDumpPending(true);
}

bool VQEditor::AsksBeforeLoad() const {
  return mProgramEdited && !mEditsReleased && Graphics();
}

bool VQEditor::ConfirmReplacingEdits(std::function<void()> next) {
  UTL_MutexLock lock(mMutex);
  if (!AsksBeforeLoad()) {
    // This load goes ahead now: one still waiting for a question's Save would undo it.
    mLoadAfterSave = {};
    return true;
  }
  // A question's Save is still on its way to the disk: the newest action follows it, unasked.
  if (mLoadAfterSave.save != 0) {
    mLoadAfterSave.next = std::move(next);
    SetStatusText(kSavingText);
    return false;
  }
  const std::string text =
      "The program \"" + mProgramName + "\" has unsaved changes.\nDo you wish to save them first?";
  int answer;
  {
    // The question waits for the user: MIDI input and the status poll must not wait with it.
    UTL_MutexRelease unlocked(mMutex);
    answer = ShowMessageBox(text.c_str(), "Warning", IGraphics::kSaveDiscardCancel);
  }
  if (answer == 2) return false;
  if (answer == 1) {
    const uint64_t before = mSavesStarted;
    SaveProgramWithPanel();
    // A cancelled or refused save keeps the edits, and the program with them.
    if (mSavesStarted == before) return false;
    // The load follows once the file is on disk (EndSave); the window stays live meanwhile.
    mLoadAfterSave = {mSavesStarted, false, std::move(next)};
    SetStatusText(kSavingText);
    return false;
  }
  mEditsReleased = true;
  return true;
}

bool VQEditor::LoadProgramFileToEditor(const char* path, std::function<void()> next) {
  UTL_MutexLock lock(mMutex);
  if (!mProgramFiles || !path || !ConfirmReplacingEdits(std::move(next))) return false;
  if (!mProgramFiles->LoadProgramFileToEditor(*this, path)) {
    // A Discard answered for this load alone: the edits stay, and the next load asks again.
    mEditsReleased = false;
    return false;
  }
  mEditsReleased = false;
  mProgramWithoutFile = false;
  mProgramFile = path;
  RenewProgramIdentity();
  mHistory.SetCurrentLabel(ProgramLabel());
  if (mManagerPageShown) {
    mProgramLoadedInManager = true;
    MarkProgramInBrowser();  // the Files list's mark shows the program on screen
  }
  return true;
}

void VQEditor::NameProgramAfterSavedFile(uint64_t program, const std::string& path,
                                         const ProgramRecord& saved, const std::string& text,
                                         uint64_t changes) {
  UTL_MutexLock lock(mMutex);
  // Undo and redo within the saved program give the file's name from now on, also when another
  // program is on screen and keeps its own.
  mHistory.NameProgramAfterFile(program, ProgramNameOfPath(path), path, saved);
  if (program != mProgramIdentity) return;
  const bool sameValues = ProgramDumpText() == text;
  if (sameValues && mHistory.Changes() == changes) {
    // The saved file becomes the program. Its own load changes nothing the user did: the
    // program stays the one it was, and an action held for another save still waits for it.
    LoadAfterSave waiting = std::exchange(mLoadAfterSave, {});
    mProgramEdited = false;  // the file holds the edits now
    const bool loaded =
        LoadAsCurrentProgram(path, [this, &path] { LocateProgramInFolder(path.c_str()); });
    mLoadAfterSave = std::move(waiting);
    if (loaded) {
      mProgramIdentity = program;
      mHistory.SetCurrentLabel(ProgramLabel());
      ShowProgramName();
      return;
    }
  }
  // Edits made meanwhile, undone ones too, stay on screen with their history, under the file's
  // name; marked unless the values are the saved ones. The mark is decided first: the name is
  // never shown without it.
  mProgramEdited = !sameValues;
  LocateProgramInFolder(path.c_str());
  mProgramWithoutFile = false;
  mProgramFile = path;
  mProgramName = ProgramNameOfPath(path);
  mBrowser.SetSelectedFile(kSaveSelector, vq::platform::ReplaceNameExtension(path, ".pr4"));
  mHistory.SetCurrentLabel(ProgramLabel());
  ShowProgramName();
}

bool VQEditor::LoadAsCurrentProgram(const std::string& path,
                                    const std::function<void()>& makeCurrent,
                                    std::function<void()> next) {
  UTL_MutexLock lock(mMutex);
  // Asked before anything changes: Cancel leaves the list, the name and the program as they are.
  if (!ConfirmReplacingEdits(std::move(next))) {
    ShowProgramName();
    return false;
  }
  // What names the current program, here and at the next start.
  const std::vector<std::string> list = mBrowser.ProgramList();
  const bool listBuilt = mBrowser.ProgramListBuilt();
  const int32_t listLast = mBrowser.ProgramListLast();
  const int32_t listIndex = mBrowser.ProgramListIndex();
  const std::string folder = mBrowser.CurrentProgramFolder();
  const std::string currentPath = mBrowser.CurrentProgramPath();
  const std::string lastFile = mBrowser.LastFile();
  const std::string name = mProgramName;
  const bool withoutFile = mProgramWithoutFile;

  if (makeCurrent) makeCurrent();
  if (LoadProgramFileToEditor(path.c_str())) return true;

  if (listBuilt)
    mBrowser.SetProgramList(list);
  else
    mBrowser.ClearProgramList();
  mBrowser.SetProgramListLast(listLast);
  mBrowser.SetProgramListIndex(listIndex);
  mBrowser.SetCurrentProgramFolder(folder);
  mBrowser.SetCurrentProgramPath(currentPath);
  mBrowser.SetLastFile(lastFile);
  mProgramName = name;
  mProgramWithoutFile = withoutFile;
  return false;
}

bool VQEditor::LoadChosenProgramFile(const std::string& path, std::function<void()> next) {
  return LoadAsCurrentProgram(
      path,
      [this, &path] {
        mBrowser.SetCurrentProgramPath(path);
        mBrowser.SetLastFile(path);
        LocateProgramInFolder(path.c_str());
      },
      std::move(next));
}

bool VQEditor::WriteProgramDumpText(const char* path) {
  return mProgramFiles && path && mProgramFiles->WriteProgramDumpText(*this, path);
}

std::string VQEditor::ProgramDumpText() {
  return mProgramFiles ? mProgramFiles->ProgramDumpText(*this) : std::string();
}

std::string VQEditor::ReceivedDumpFileText() {
  return mProgramFiles ? mProgramFiles->ReceivedDumpFileText(*this) : std::string();
}

void VQEditor::SaveInBackground(const std::string& path, std::string text,
                                std::function<void(bool ok)> ended, SaveFailure failure) {
  const uint64_t id = ++mSavesStarted;
  auto save = [this, id, path, text = std::move(text), ended = std::move(ended),
               failure = std::move(failure)] {
    const bool ok = vq::platform::WriteFileWhole(path, text);
    // Told on the error output too: a save that fails as the program ends has no window.
    if (!ok)
      vq::platform::errorLine("VQEditor4: the program could not be saved to %s", path.c_str());
    // Queued even where no thread could be made and this runs at once: its end comes in the
    // idle call, never inside the control that asked for the save.
    std::lock_guard<std::mutex> lock(mMainWorkMutex);
    mMainWork.push_back([this, id, ok, ended, failure] { EndSave(id, ok, ended, failure); });
  };
  if (!mProgramSaves.Add(save)) save();
}

void VQEditor::EndSave(uint64_t save, bool ok, const std::function<void(bool)>& ended,
                       const SaveFailure& failure) {
  UTL_MutexLock lock(mMutex);
  LoadAfterSave waiting;
  if (mLoadAfterSave.save == save) waiting = std::exchange(mLoadAfterSave, {});
  if (!ok) {
    SetStatusText(failure.status.c_str());
    PostMessageBox(failure.box.c_str(), "Error");
  }
  ended(ok);
  // A failed save keeps the edits and loads nothing.
  if (waiting.save == 0 || !ok) return;
  // Nothing was done to the program since the question (that drops the action), so the file
  // holds what is on screen: the action follows once no box or panel is up (OnTick).
  waiting.onDisk = true;
  mLoadAfterSave = std::move(waiting);
}

void VQEditor::RunLoadAfterSave() {
  const std::function<void()> next = std::exchange(mLoadAfterSave, {}).next;
  ShowProgramName();
  if (next) next();
}

bool VQEditor::DropLoadAfterSave() {
  if (mLoadAfterSave.save == 0) return false;
  mLoadAfterSave = {};
  return true;
}

void VQEditor::WaitForProgramSaves() {
  mProgramSaves.Wait();
}

bool VQEditor::SaveProgramFile(const char* path) {
  return mProgramFiles && path && mProgramFiles->SaveProgramFile(*this, path);
}

bool VQEditor::ConvertOldProgramFile(const char* path) {
  return mProgramFiles && path && mProgramFiles->ConvertOldProgramFile(*this, path);
}

int VQEditor::ConvertOldProgramFiles(const char* folder) {
  return mProgramFiles && folder ? mProgramFiles->ConvertOldProgramFiles(*this, folder) : 0;
}

bool VQEditor::SaveRamProgram() {
  return mProgramFiles && mProgramFiles->SaveRamProgram(*this);
}

bool VQEditor::LoadRamProgram() {
  return mProgramFiles && mProgramFiles->LoadRamProgram(*this);
}

void VQEditor::LocateProgramInFolder(const char* path) {
  if (!mProgramFiles || !path) return;
  UTL_MutexLock lock(mMutex);
  mProgramFiles->LocateProgramInFolder(*this, path);
  const char* slash = strrchr(path, '/');
  if (slash && !mBrowser.CurrentListName().empty() && mBrowser.CurrentListName() == slash + 1)
    mProgramWithoutFile = false;
}

void VQEditor::NameReceivedProgram(int slot) {
  if (mProgramFiles) mProgramFiles->NameReceivedProgram(*this, slot);
}

void VQEditor::ListProgramFolder(const char* folder) {
  if (mProgramFiles && folder) mProgramFiles->ListProgramFolder(*this, folder);
}

void VQEditor::ShowSavedFileInBrowser(const std::string& path) {
  UTL_MutexLock lock(mMutex);
  auto bare = [](std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  };
  const std::string shown = bare(mBrowser.Folder());
  std::vector<OnlineListRow>& rows = mBrowser.Rows();
  // An online list, or one emptied for the panels, is left as it is; a hidden page lists its
  // folder again when it is shown.
  if (!mManagerPageShown || shown.empty() || rows.empty() || rows[0].flags[0] ||
      bare(vq::platform::FolderOfPath(path)) != shown)
    return;
  std::vector<std::string> marked;
  for (const OnlineListRow& r : rows)
    if (r.flags[3]) marked.emplace_back(r.name);
  ListProgramFolder(shown.c_str());
  for (size_t i = 0; i < rows.size(); ++i) {
    if (std::find(marked.begin(), marked.end(), rows[i].name) == marked.end()) continue;
    rows[i].flags[3] = 1;
    if (mPages && i < static_cast<size_t>(kBrowserTextRows))
      mPages->MarkBrowserRow(static_cast<int>(i), true);
  }
}

void VQEditor::ResetFolder(const char* path) {
  if (mProgramFiles && path) mProgramFiles->ResetFolder(*this, path);
}

void VQEditor::ResetCacheFolder() {
  ResetFolder(mBrowser.CacheFolder().c_str());
}
