#include "editor/program_browser.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/utf8.h"

namespace {
constexpr size_t kPathLength = 255;
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
