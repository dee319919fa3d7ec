#include "wemu/clipboard.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "wemu/utilities.h"
#include "wemu/window_view.h"

using vq::platform::Pasteboard;

namespace {

constexpr const char* kTextFormatName = "WEMU__CF_TEXT";
constexpr const char* kAppPasteboard = "WEMU_APP";

struct Pending {
  UINT format;
  HANDLE data;
};

struct ClipboardState {
  std::vector<std::string> formats;  // id = index + 1
  std::vector<UINT> available;
  std::vector<HANDLE> handedOut;
  std::vector<Pending> pending;
  bool ownOnGeneral = false;  // the last write of own formats went with text to the general one
};

ClipboardState& S() {
  static ClipboardState s;
  return s;
}

Pasteboard& general() {
  return vq::platform::services().pasteboard();
}
Pasteboard& app() {
  return vq::platform::MemoryPasteboard::named(kAppPasteboard);
}

// Where the own formats of the last write are.
Pasteboard& ownFormatsBoard() {
  return S().ownOnGeneral ? general() : app();
}

bool isText(UINT format) {
  return format >= 1 && format <= S().formats.size() &&
         S().formats[format - 1] == vq::platform::kPasteboardStringType;
}

void freePending() {
  for (Pending& p : S().pending) GlobalFree(p.data);
  S().pending.clear();
}

HANDLE blockWith(const void* bytes, size_t size) {
  HANDLE h = GlobalAlloc(0, static_cast<long>(size));
  if (!h) return nullptr;
  if (void* p = GlobalLock(h)) {
    if (size) std::memcpy(p, bytes, size);
    GlobalUnlock(h);
  }
  return h;
}

// The bytes of a block, read only within its size.
std::string blockBytes(HANDLE h, bool upToZero) {
  size_t size = GlobalSize(h);
  const char* p = static_cast<const char*>(GlobalLock(h));
  if (!p) return {};
  size_t n = upToZero ? std::find(p, p + size, '\0') - p : size;
  std::string out(p, n);
  GlobalUnlock(h);
  return out;
}

}  // namespace

UINT RegisterClipboardFormat(const char* name) {
  if (!name || !WEMU_OnWindowThread()) return 0;
  std::string type =
      std::strcmp(name, kTextFormatName) == 0 ? vq::platform::kPasteboardStringType : name;
  auto& f = S().formats;
  auto it = std::find(f.begin(), f.end(), type);
  if (it != f.end()) return static_cast<UINT>(it - f.begin() + 1);
  f.push_back(type);
  return static_cast<UINT>(f.size());
}

BOOL OpenClipboard(HWND__*) {
  if (!WEMU_OnWindowThread()) return FALSE;
  freePending();
  RegisterClipboardFormat(kTextFormatName);
  S().available.clear();
  for (const std::string& type : ownFormatsBoard().types()) {
    auto& f = S().formats;
    auto it = std::find(f.begin(), f.end(), type);
    if (it == f.end()) continue;
    UINT id = static_cast<UINT>(it - f.begin() + 1);
    if (std::find(S().available.begin(), S().available.end(), id) == S().available.end())
      S().available.push_back(id);
  }
  return TRUE;
}

UINT EnumClipboardFormats(UINT previous) {
  if (!WEMU_OnWindowThread()) return 0;
  const auto& a = S().available;
  if (previous == 0) return a.empty() ? 0 : a.front();
  auto it = std::find(a.begin(), a.end(), previous);
  return it == a.end() || it + 1 == a.end() ? 0 : *(it + 1);
}

HANDLE GetClipboardData(UINT format) {
  if (!WEMU_OnWindowThread() || format < 1 || format > S().formats.size()) return nullptr;
  HANDLE h = nullptr;
  if (isText(format)) {
    std::optional<std::string> s = general().string();
    if (!s) return nullptr;
    size_t n = std::strlen(s->c_str());
    h = blockWith(s->c_str(), n + 1);
  } else {
    const std::string& type = S().formats[format - 1];
    std::optional<std::string> d = ownFormatsBoard().data(type);
    if (!d && !S().ownOnGeneral) d = general().data(type);  // another program's offer
    if (!d) return nullptr;
    h = blockWith(d->data(), d->size());
  }
  if (h) S().handedOut.push_back(h);
  return h;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  if (!WEMU_OnWindowThread() || !data) return nullptr;
  S().pending.push_back(Pending{format, data});
  return data;
}

BOOL EmptyClipboard() {
  if (!WEMU_OnWindowThread()) return FALSE;
  freePending();
  return TRUE;
}

BOOL CloseClipboard() {
  if (!WEMU_OnWindowThread()) return FALSE;
  for (HANDLE h : S().handedOut) GlobalFree(h);
  S().handedOut.clear();
  auto& pending = S().pending;
  if (!pending.empty()) {
    bool anyText = std::any_of(pending.begin(), pending.end(),
                               [](const Pending& p) { return isText(p.format); });
    std::optional<std::string> text;
    std::vector<std::pair<std::string, std::string>> data;
    for (const Pending& p : pending) {
      if (p.format < 1 || p.format > S().formats.size()) continue;
      if (isText(p.format))
        text = blockBytes(p.data, true);
      else
        data.emplace_back(S().formats[p.format - 1], blockBytes(p.data, false));
    }
    // With text everything goes to the general pasteboard (other programs see each format);
    // own formats alone stay with the process.
    S().ownOnGeneral = anyText;
    (anyText ? general() : app()).writeContents(text, data);
    freePending();
  }
  return TRUE;
}

void WEMU_Internal_ResetClipboard() {
  freePending();
  for (HANDLE h : S().handedOut) GlobalFree(h);
  S() = ClipboardState{};
  app().declareTypes({});
}
