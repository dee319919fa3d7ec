#include "platform/settings_folder.h"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

#include "platform/file_system.h"

std::string UserHomeFolder() {
  const char* home = getenv("HOME");
  if (home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

std::string UserConfigFolder() {
  // Relative values are invalid by the XDG rules and must be ignored.
  const char* xdg = getenv("XDG_CONFIG_HOME");
  std::string base = (xdg && xdg[0] == '/') ? std::string(xdg) : UserHomeFolder() + "/.config";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base;
}

std::string SettingsFolder() {
  return UserConfigFolder() + "/" + kSettingsProductName + "/";
}

bool CreateSettingsFolder() {
  std::string folder = SettingsFolder();
  // Create every missing component, so a fresh account without ~/.config works too.
  for (size_t pos = 1; pos < folder.size(); ++pos) {
    if (folder[pos] != '/') continue;
    if (!vq::platform::MakeFolder(folder.substr(0, pos), 0700)) return false;
  }
  return true;
}

std::string SettingsFilePath(std::string_view name) {
  std::string path = SettingsFolder();
  path.append(name);
  return path;
}
