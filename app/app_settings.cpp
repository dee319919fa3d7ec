#include "app/app_settings.h"

#include <vector>

#include "platform/file_system.h"
#include "platform/settings_folder.h"
#include "wemu/ini_file.h"

namespace {
// Large enough for any port name a MIDI backend lists.
constexpr uint32_t kNameBuffer = 4096;
}  // namespace

bool AppSettingsEqual(const AppSettings& a, const AppSettings& b) {
  return a.deviceInputName == b.deviceInputName && a.keyboardInputName == b.keyboardInputName &&
         a.outputName == b.outputName && a.deviceInputChannel == b.deviceInputChannel &&
         a.keyboardInputChannel == b.keyboardInputChannel && a.outputChannel == b.outputChannel;
}

bool SettingsFile::Load(AppSettings& settings) {
  settings = AppSettings();
  mPath.clear();
  if (!CreateSettingsFolder()) return false;
  mPath = SettingsFilePath("settings.ini");
  if (vq::platform::FileExists(mPath)) {
    settings.deviceInputName = Read("midi", "indev", "off");
    settings.keyboardInputName = Read("midi", "inBdev", "off");
    settings.outputName = Read("midi", "outdev", "off");
    settings.deviceInputChannel = settings.keyboardInputChannel = settings.outputChannel = 0;
  }
  WriteMidi(settings);
  return true;
}

void SettingsFile::WriteMidi(const AppSettings& settings) const {
  Write("midi", "indev", settings.deviceInputName.c_str());
  Write("midi", "inBdev", settings.keyboardInputName.c_str());
  Write("midi", "outdev", settings.outputName.c_str());
}

std::string SettingsFile::Read(const char* section, const char* key,
                               const char* defaultText) const {
  if (mPath.empty()) return defaultText;
  std::vector<char> buf(kNameBuffer);
  GetPrivateProfileString(section, key, defaultText, buf.data(), kNameBuffer, mPath.c_str());
  return buf.data();
}

void SettingsFile::Write(const char* section, const char* key, const char* value) const {
  if (mPath.empty()) return;
  // Not waited for: a session ending meanwhile saves the user's program at once.
  WEMU_WriteIniInBackground(section, key, value, mPath.c_str());
}
