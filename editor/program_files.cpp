// The editor's program-file members: each forwards to the program library when one was given,
// plus the naming and path state they share.
#include "editor/program_files.h"

#include "editor/vq_editor.h"
#include "platform/file_system.h"

namespace {
constexpr size_t kProgramNameLength = 32;
constexpr size_t kPathLength = 255;
// A save takes far less; a temporary file this old was left by a save that never finished.
constexpr int kStaleTempSeconds = 60;
}  // namespace

void VQEditor::InitProgramFolders() {
  // The settings file's folder; a settings path without "/" (never formed by the shell) leaves
  // no folder at all, so shut-down removes nothing.
  settingsFolder = vq::platform::FolderOfPath(mSettingsPath);
  if (!vq::platform::IsPlainAbsolutePath(settingsFolder)) settingsFolder.clear();
  cacheFolder = settingsFolder.empty() ? std::string() : settingsFolder + "cache/";
  uploadFolder = cacheFolder.empty() ? std::string() : cacheFolder + "selected/";
  vq::platform::RemoveStaleTempFiles(settingsFolder, kStaleTempSeconds);
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
  programName = ProgramNameOfPath(path);
}

std::string VQEditor::CurrentListName() const {
  if (programListIndex < 0 || programListIndex >= static_cast<int32_t>(programList.size()))
    return "";
  return programList[static_cast<size_t>(programListIndex)];
}

void VQEditor::SetSelectedFile(int role, const std::string& path) {
  if (role < 0 || role >= kFileSelectorCount) return;
  selectedFile[role] = path.substr(0, kPathLength);
}

void VQEditor::OpenFileSelector(int role) {
  if (mPages) mPages->OpenFileSelector(role);
}

bool VQEditor::LoadProgramFileToEditor(const char* path) {
  return programFiles && path && programFiles->LoadProgramFileToEditor(*this, path);
}

bool VQEditor::WriteProgramDumpText(const char* path) {
  return programFiles && path && programFiles->WriteProgramDumpText(*this, path);
}

bool VQEditor::SaveProgramFile(const char* path) {
  return programFiles && path && programFiles->SaveProgramFile(*this, path);
}

bool VQEditor::ConvertOldProgramFile(const char* path) {
  return programFiles && path && programFiles->ConvertOldProgramFile(*this, path);
}

int VQEditor::ConvertOldProgramFiles(const char* folder) {
  return programFiles && folder ? programFiles->ConvertOldProgramFiles(*this, folder) : 0;
}

bool VQEditor::SaveRamProgram() {
  return programFiles && programFiles->SaveRamProgram(*this);
}

bool VQEditor::LoadRamProgram() {
  return programFiles && programFiles->LoadRamProgram(*this);
}

void VQEditor::LocateProgramInFolder(const char* path) {
  if (programFiles && path) programFiles->LocateProgramInFolder(*this, path);
}

void VQEditor::NameReceivedProgram(int slot) {
  if (programFiles) programFiles->NameReceivedProgram(*this, slot);
}

void VQEditor::ListProgramFolder(const char* folder) {
  if (programFiles && folder) programFiles->ListProgramFolder(*this, folder);
}

void VQEditor::ResetFolder(const char* path) {
  if (programFiles && path) programFiles->ResetFolder(*this, path);
}

void VQEditor::ResetCacheFolder() {
  ResetFolder(cacheFolder.c_str());
}
