#include "editor/program_browser.h"

#include <climits>
#include <cstdlib>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/settings_folder.h"
#include "platform/utf8.h"

namespace {
constexpr size_t kPathLength = 255;

// The folder with every link and "." or ".." resolved, ending in "/"; a part that does not exist
// yet is taken as written.
std::string ResolvedFolder(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  std::string rest;
  while (folder.size() > 1) {
    char real[PATH_MAX];
    if (realpath(folder.c_str(), real)) {
      std::string resolved = real;
      if (resolved.back() != '/') resolved += '/';
      return resolved + rest;
    }
    const size_t cut = folder.rfind('/', folder.size() - 2);
    if (cut == std::string::npos) break;
    rest = folder.substr(cut + 1) + rest;
    folder.erase(cut + 1);
  }
  return folder + rest;
}
}  // namespace

void ProgramBrowser::InitFolders(const std::string& settingsPath) {
  // The settings file's folder; a settings path without "/" (never formed by the shell) leaves
  // no folder at all, so shut-down removes nothing.
  mSettingsFolder = vq::platform::FolderOfPath(settingsPath);
  if (!vq::platform::IsPlainAbsolutePath(mSettingsFolder)) mSettingsFolder.clear();
  mCacheFolder = mSettingsFolder.empty() ? std::string() : mSettingsFolder + "cache/";
  mUploadFolder = mCacheFolder.empty() ? std::string() : mCacheFolder + "selected/";
}

std::string ProgramBrowser::CurrentListName() const {
  if (mProgramListIndex < 0 || mProgramListIndex >= static_cast<int32_t>(mProgramList.size()))
    return "";
  return mProgramList[static_cast<size_t>(mProgramListIndex)];
}

void ProgramBrowser::SetProgramList(std::vector<std::string> names) {
  mProgramList = std::move(names);
  mProgramListBuilt = true;
  mProgramListLast = std::max(0, static_cast<int32_t>(mProgramList.size()) - 1);
}

void ProgramBrowser::ClearProgramList() {
  mProgramList.clear();
  mProgramListLast = 0;
  mProgramListIndex = 0;
  mProgramListBuilt = false;
}

bool ProgramBrowser::SelectListName(const std::string& name) {
  auto found = std::find(mProgramList.begin(), mProgramList.end(), name);
  if (found == mProgramList.end()) return false;
  mProgramListIndex = static_cast<int32_t>(found - mProgramList.begin());
  return true;
}

void ProgramBrowser::SetSelectedFile(int role, const std::string& path) {
  if (role < 0 || role >= kFileSelectorCount) return;
  mSelectedFile[role] = vq::platform::Utf8Prefix(path, kPathLength);
}

void ProgramBrowser::NoteChosenFolder(const std::string& folder) {
  if (folder.empty() || folder[0] != '/' || IsWorkingFolder(folder)) return;
  mSaveFolder = folder.back() == '/' ? folder : folder + "/";
}

std::string ProgramBrowser::PanelFolder() const {
  bool isFolder = false;
  if (!mSaveFolder.empty() && vq::platform::FileExists(mSaveFolder, &isFolder) && isFolder &&
      !IsWorkingFolder(mSaveFolder))
    return mSaveFolder;
  return UserHomeFolder();
}

bool ProgramBrowser::IsWorkingFolder(const std::string& path) const {
  if (mSettingsFolder.empty() || path.empty()) return false;
  const std::string part = path.back() == '/' ? path : vq::platform::FolderOfPath(path);
  if (part.empty()) return false;
  const std::string folder = ResolvedFolder(part);
  const std::string cache = ResolvedFolder(mCacheFolder);
  return folder == ResolvedFolder(mSettingsFolder) || folder.compare(0, cache.size(), cache) == 0;
}
