#include "editor/delete_path.h"

#include <cstdio>

#include "platform/file_system.h"

namespace fs = vq::platform;

bool DeletePath(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  if (!fs::IsPlainAbsolutePath(trimmed) || trimmed == "/") {
    fprintf(stderr, "VQEditor4: refusing to remove \"%s\"\n", path.c_str());
    return false;
  }
  if (!fs::FileExists(trimmed)) return true;
  std::string error;
  if (fs::RemoveRecursive(trimmed, &error)) return true;
  fprintf(stderr, "VQEditor4: cannot remove \"%s\": %s\n", path.c_str(), error.c_str());
  return false;
}
