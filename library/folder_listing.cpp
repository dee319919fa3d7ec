#include "library/folder_listing.h"

#include "platform/debug_log.h"
#include "platform/file_system.h"

namespace fs = vq::platform;

std::string DirectoryContentsLogLine(const std::vector<std::string>& names) {
  std::string line = "directoryContents ====== (";
  for (size_t i = 0; i < names.size(); ++i) {
    line += "\n    \"" + names[i] + "\"";
    if (i + 1 < names.size()) line += ",";
  }
  line += names.empty() ? ")" : "\n)";
  return line;
}

std::vector<std::string> ListFolderInNumericOrder(const std::string& folder) {
  std::vector<std::string> names = fs::ListFolder(folder);
  if (fs::debugLogEnabled()) fs::debugLog(DirectoryContentsLogLine(names));
  fs::SortNumeric(names);
  return names;
}
