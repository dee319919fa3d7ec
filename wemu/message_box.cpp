#include "wemu/message_box.h"

#include <cstring>

#include "platform/platform.h"
#include "wemu/menus.h"
#include "wemu/utilities.h"
#include "wemu/window_handle.h"

namespace {

struct BoxKind {
  UINT type;
  std::vector<std::string> buttons;
  std::vector<int> results;
  int dismissed;  // closed without a button: never the affirmative answer
};

const std::vector<BoxKind>& boxKinds() {
  static const std::vector<BoxKind> kinds = {
      {MB_OK, {"OK"}, {IDOK}, IDOK},
      {MB_OKCANCEL, {"OK", "Cancel"}, {IDOK, IDCANCEL}, IDCANCEL},
      {MB_YESNOCANCEL, {"Yes", "Cancel", "No"}, {IDYES, IDCANCEL, IDNO}, IDCANCEL},
      {MB_YESNO, {"Yes", "No"}, {IDYES, IDNO}, IDNO},
      {MB_RETRYCANCEL, {"Retry", "Cancel"}, {IDRETRY, IDCANCEL}, IDCANCEL},
  };
  return kinds;
}

// While a panel runs, a copy of the modal windows' menu is the main menu.
class PanelMenuScope {
 public:
  PanelMenuScope() {
    auto& app = vq::platform::services().application();
    if (HMENU modal = WEMU_GetDefaultModalWindowMenu()) {
      mSaved = app.mainMenu();
      if (mSaved) mSaved->retain();
      HMENU copy = modal->copy();
      app.setMainMenu(copy);
      copy->release();
      mActive = true;
    }
  }
  ~PanelMenuScope() {
    if (!mActive) return;
    vq::platform::services().application().setMainMenu(mSaved);
    if (mSaved) mSaved->release();
  }
  PanelMenuScope(const PanelMenuScope&) = delete;
  PanelMenuScope& operator=(const PanelMenuScope&) = delete;

 private:
  HMENU mSaved = nullptr;
  bool mActive = false;
};

// A chosen path that does not fit the caller's buffer is refused whole: a cut path names
// another file.
bool copyOut(const std::string& s, char* out, int size) {
  if (!out || size <= 0 || s.size() >= static_cast<size_t>(size)) return false;
  lstrcpyn(out, s.c_str(), size);
  return true;
}

}  // namespace

int MessageBox(HWND__*, const char* text, const char* caption, UINT type) {
  for (const BoxKind& k : boxKinds()) {
    if (k.type != type) continue;
    vq::platform::AlertRequest req;
    req.title = caption ? caption : "";
    req.message = text ? text : "";  // shown as it is: no format is applied to it
    req.buttons = k.buttons;
    const int pressed = vq::platform::services().dialogs().runAlert(req);
    if (pressed < 0 || pressed >= static_cast<int>(k.results.size())) return k.dismissed;
    return k.results[static_cast<size_t>(pressed)];
  }
  return 0;
}

std::vector<std::string> WEMU_ParseExtensionList(const char* list) {
  std::vector<std::string> out;
  if (!list) return out;
  // Pairs of NUL-terminated texts; the list ends with an empty text.
  const char* p = list;
  bool allowAll = false;
  for (int pair = 0; *p && pair < 256; ++pair) {
    p += std::strlen(p) + 1;  // description
    if (!*p) break;
    std::string patterns = p;
    p += patterns.size() + 1;
    size_t start = 0;
    while (start <= patterns.size()) {
      size_t end = patterns.find(';', start);
      if (end == std::string::npos) end = patterns.size();
      std::string pat = patterns.substr(start, end - start);
      while (!pat.empty() && pat.front() == ' ') pat.erase(pat.begin());
      if (pat == "*.*" || pat == "*") {
        allowAll = true;
      } else if (pat.size() > 2 && pat[0] == '*' && pat[1] == '.') {
        out.push_back(pat.substr(2));
      }
      start = end + 1;
    }
  }
  if (allowAll) out.clear();
  return out;
}

bool BrowseForSaveFile(HWND__*, const char* title, const char* initialDir, const char* initialFile,
                       const char* filterList, char* pathOut, int pathOutSize) {
  vq::platform::PanelRequest req;
  req.kind = vq::platform::PanelRequest::Kind::Save;
  req.title = title ? title : "";
  req.directory = initialDir ? initialDir : "";
  req.fileName = initialFile ? initialFile : "";
  req.allowedTypes = WEMU_ParseExtensionList(filterList);
  PanelMenuScope menu;
  auto result = vq::platform::services().dialogs().runPanel(req);
  if (!result || result->empty()) return false;
  return copyOut(result->front(), pathOut, pathOutSize);
}

bool BrowseForFiles(HWND__*, const char* title, const char* initialDir, bool multiple,
                    const char* filterList, std::vector<std::string>* pathsOut) {
  vq::platform::PanelRequest req;
  req.kind = vq::platform::PanelRequest::Kind::Open;
  req.title = title ? title : "";
  req.directory = initialDir ? initialDir : "";
  req.allowsMultipleSelection = multiple;
  req.allowedTypes = WEMU_ParseExtensionList(filterList);
  PanelMenuScope menu;
  auto result = vq::platform::services().dialogs().runPanel(req);
  if (!result || result->empty()) return false;
  if (!multiple && result->size() > 1) result->resize(1);
  if (pathsOut) *pathsOut = *result;
  return true;
}

bool BrowseForDirectory(HWND__*, const char* title, const char* initialDir, char* pathOut,
                        int pathOutSize) {
  vq::platform::PanelRequest req;
  req.kind = vq::platform::PanelRequest::Kind::Folder;
  req.title = title ? title : "";
  req.directory = initialDir ? initialDir : "";
  PanelMenuScope menu;
  auto result = vq::platform::services().dialogs().runPanel(req);
  if (!result || result->empty()) return false;
  return copyOut(result->front(), pathOut, pathOutSize);
}
