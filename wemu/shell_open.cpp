#include "wemu/shell_open.h"

#include <strings.h>

#include <string>

#include "platform/platform.h"

namespace {

bool startsWithNoCase(const std::string& s, const char* prefix) {
  size_t n = std::char_traits<char>::length(prefix);
  return s.size() >= n && strncasecmp(s.c_str(), prefix, n) == 0;
}

bool equalsNoCase(const std::string& s, const char* other) {
  return strcasecmp(s.c_str(), other) == 0;
}

bool endsWithNoCase(const std::string& s, const char* suffix) {
  size_t n = std::char_traits<char>::length(suffix);
  return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, suffix) == 0;
}

vq::platform::Workspace& workspace() {
  return vq::platform::services().workspace();
}

bool open(const std::string& target) {
  return workspace().open(target);
}

bool isApplication(const std::string& target) {
  return target.size() >= 5 && endsWithNoCase(target, ".app");
}

}  // namespace

BOOL ShellExecute(HWND__*, const char*, const char* fileArg, const char* paramArg, const char*,
                  int) {
  std::string file = fileArg ? fileArg : "";
  std::string params = paramArg ? paramArg : "";
  if (startsWithNoCase(file, "http://")) return open(file) ? TRUE : FALSE;
  if (equalsNoCase(file, "explorer.exe")) file.clear();
  const bool textEditor = equalsNoCase(file, "notepad.exe") || equalsNoCase(file, "notepad");
  if (equalsNoCase(params, "explorer.exe")) params.clear();
  // The text editor asked for by name is the desktop's program for plain text.
  if (textEditor) return workspace().openAsText(params) ? TRUE : FALSE;
  if (!file.empty() && !params.empty()) {
    if (isApplication(file)) return workspace().launchApplication(file, params) ? TRUE : FALSE;
    return workspace().openWith(file, params) ? TRUE : FALSE;
  }
  std::string target = !file.empty() ? file : params;
  if (target.empty()) return FALSE;
  if (startsWithNoCase(target, "/select,\"")) {
    std::string name = target.substr(9);
    if (!name.empty() && name.back() == '"') name.pop_back();
    if (name.empty()) return FALSE;
    if (workspace().revealSelected(name)) return TRUE;
    // No file manager answers: the folder opens instead.
    size_t cut = name.find_last_of("/\\");
    if (cut != std::string::npos && name[cut] == '/') name.erase(cut == 0 ? 1 : cut);
    return open(name) ? TRUE : FALSE;
  }
  if (isApplication(target)) return workspace().launchApplication(target, "") ? TRUE : FALSE;
  return open(target) ? TRUE : FALSE;
}
