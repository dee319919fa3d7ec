// The editor's program-file members: each forwards to the program library when one was given,
// plus the naming and path state they share.
#include "editor/program_files.h"

#include <cstring>

#include "editor/vq_editor.h"
#include "platform/file_system.h"
#include "wemu/ini_file.h"

namespace {
constexpr size_t kProgramNameLength = 32;
// A save takes far less; a temporary file this old was left by a save that never finished.
constexpr int kStaleTempSeconds = 60;
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
  // Panels open where the last program came from, unless that is one of the program's own.
  mBrowser.NoteChosenFolder(vq::platform::FolderOfPath(last));
}

void VQEditor::RemoveStaleTempFiles(const std::string& folder) {
  if (!folder.empty()) vq::platform::RemoveStaleTempFiles(folder, kStaleTempSeconds);
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

std::string ProgramNameOfPath(std::string_view path) {
  std::string name = vq::platform::NameOfPath(path);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name.substr(0, kProgramNameLength);
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
  return true;
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
