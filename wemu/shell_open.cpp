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

constexpr const char* kTextEditor = "TextEdit.app";

bool open(const std::string& target) {
  return vq::platform::services().workspace().open(target);
}

}  // namespace

BOOL ShellExecute(HWND__*, const char*, const char* fileArg, const char* paramArg, const char*,
                  int) {
  std::string file = fileArg ? fileArg : "";
  std::string params = paramArg ? paramArg : "";
  if (startsWithNoCase(file, "http://")) return open(file) ? TRUE : FALSE;
  if (equalsNoCase(file, "explorer.exe")) file.clear();
  if (equalsNoCase(file, "notepad.exe") || equalsNoCase(file, "notepad")) file = kTextEditor;
  if (equalsNoCase(params, "explorer.exe")) params.clear();
  if (!file.empty() && !params.empty()) {
    // Opening a document "with" a program: only the text editor is honoured, as the
    // desktop's default program for the document; no other program is started.
    return file == kTextEditor && open(params) ? TRUE : FALSE;
  }
  std::string target = !file.empty() ? file : params;
  if (target.empty()) return FALSE;
  if (startsWithNoCase(target, "/select,\"")) {
    std::string name = target.substr(9);
    if (!name.empty() && name.back() == '"') name.pop_back();
    if (name.empty()) return FALSE;
    // No file viewer here selects a file: its folder is opened instead.
    size_t cut = name.find_last_of("/\\");
    if (cut != std::string::npos && name[cut] == '/') name.erase(cut == 0 ? 1 : cut);
    return open(name) ? TRUE : FALSE;
  }
  // An application bundle would be launched: programs are not started by name.
  if (target.size() >= 5 && endsWithNoCase(target, ".app")) return FALSE;
  return open(target) ? TRUE : FALSE;
}
