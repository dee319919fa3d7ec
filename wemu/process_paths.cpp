// The temporary folder, the program's and modules' paths and the resource folder.
#include "wemu/utilities.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

#include "wemu/modules.h"

namespace {
std::mutex gResourceMutex;
std::string gResourceFolder;
}  // namespace

DWORD GetTempPath(DWORD size, char* buf) {
  if (!buf || size == 0) return 0;
  const char* dir = std::getenv("TMPDIR");
  if (!dir || !*dir) dir = "/tmp/";
  lstrcpyn(buf, dir, static_cast<int>(std::min<DWORD>(size, INT_MAX)));
  size_t len = std::strlen(buf);
  if (size == 1) return 0;
  if (len > 0 && buf[len - 1] != '/') {
    if (len + 1 < size) {
      buf[len++] = '/';
      buf[len] = 0;
    } else {
      buf[len - 1] = '/';  // full: the slash takes the last character's place
    }
  }
  return static_cast<DWORD>(len);
}

DWORD GetModuleFileName(void* module, char* buf, DWORD size) {
  if (!buf || size == 0) return 0;
  std::string path = module ? WEMU_ModulePath(module) : std::string();
  if (!module) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n > 0) path.assign(exe, static_cast<size_t>(n));
  }
  lstrcpyn(buf, path.c_str(), static_cast<int>(std::min<DWORD>(size, INT_MAX)));
  return static_cast<DWORD>(std::strlen(buf));
}

std::string WEMU_GetResourceFolder() {
  std::lock_guard<std::mutex> lock(gResourceMutex);
  if (gResourceFolder.empty()) {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    std::string path = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
    size_t slash = path.rfind('/');
    gResourceFolder =
        (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/resources/";
  }
  return gResourceFolder;
}

void WEMU_SetResourceFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(gResourceMutex);
  gResourceFolder = folder;
  if (!gResourceFolder.empty() && gResourceFolder.back() != '/') gResourceFolder += '/';
}
