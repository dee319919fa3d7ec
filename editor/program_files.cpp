// The editor's program-file members: each forwards to the program library when one was given,
// plus the naming and path state they share.
#include "editor/program_files.h"

#include <cstring>
#include <functional>
#include <vector>

#include "editor/vq_editor.h"
#include "platform/file_system.h"
#include "platform/utf8.h"
#include "wemu/ini_file.h"

namespace {
constexpr size_t kProgramNameLength = 32;
// A save takes far less; a temporary file this old was left by a save that never finished.
constexpr int kStaleTempSeconds = 60;
// The folder of the last bank download started from the menu.
constexpr const char* kDownloadFolderKey = "downloadfolder";
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
  char download[256];
  GetPrivateProfileString("program", kDownloadFolderKey, "", download, sizeof download,
                          mSettingsPath.c_str());
  for (const std::string& folder :
       {mBrowser.SettingsFolder(), mBrowser.CacheFolder(), mBrowser.UploadFolder(),
        vq::platform::FolderOfPath(last), std::string(download)})
    RemoveStaleTempFiles(folder);
  // Panels open where the last program came from, unless that is one of the program's own.
  mBrowser.NoteChosenFolder(vq::platform::FolderOfPath(last));
}

void VQEditor::RemoveStaleTempFiles(const std::string& folder) {
  if (!folder.empty()) vq::platform::RemoveStaleTempFiles(folder, kStaleTempSeconds);
}

void VQEditor::PrepareDownloadFolder(const std::string& folder) {
  RemoveStaleTempFiles(folder);
  if (!folder.empty())
    WritePrivateProfileString("program", kDownloadFolderKey, folder.c_str(), mSettingsPath.c_str());
}

bool VQEditor::RefuseWorkingFolder(const std::string& path) {
  if (!mBrowser.IsWorkingFolder(path)) return false;
  SetStatusText("Nothing saved!");
  ShowMessageBox(kWorkingFolderText, "Error", 0);
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
  return mPages && mPages->OpenFileSelector(role);
}

bool VQEditor::LoadProgramFileToEditor(const char* path) {
  UTL_MutexLock lock(mMutex);
  if (!mProgramFiles || !path || !mProgramFiles->LoadProgramFileToEditor(*this, path)) return false;
  mProgramWithoutFile = false;
  if (mManagerPageShown) mProgramLoadedInManager = true;
  return true;
}

bool VQEditor::LoadAsCurrentProgram(const std::string& path,
                                    const std::function<void()>& makeCurrent) {
  UTL_MutexLock lock(mMutex);
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

bool VQEditor::LoadChosenProgramFile(const std::string& path) {
  return LoadAsCurrentProgram(path, [this, &path] {
    mBrowser.SetCurrentProgramPath(path);
    mBrowser.SetLastFile(path);
    LocateProgramInFolder(path.c_str());
  });
}

bool VQEditor::WriteProgramDumpText(const char* path) {
  return mProgramFiles && path && mProgramFiles->WriteProgramDumpText(*this, path);
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

void VQEditor::ResetFolder(const char* path) {
  if (mProgramFiles && path) mProgramFiles->ResetFolder(*this, path);
}

void VQEditor::ResetCacheFolder() {
  ResetFolder(mBrowser.CacheFolder().c_str());
}
