#include "wemu/drag_source.h"

#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdio>

#include "platform/drag_source.h"
#include "platform/platform.h"

namespace {

struct Promise {
  std::string path;
  WEMU_PromisedFileWriter write = nullptr;
  HWND__* view = nullptr;
  uint64_t serial = 0;
};

std::optional<Promise>& pending() {
  static std::optional<Promise> p;
  return p;
}

// Paths the file system takes whole; a longer one is refused, never cut.
constexpr size_t kMaxPath = PATH_MAX - 1;

bool pathExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

WEMU_WindowView* windowView(HWND__* window) {
  if (!window || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(window)) return nullptr;
  return dynamic_cast<WEMU_WindowView*>(window);
}

vq::platform::Rect dragRect(const RECT* r) {
  if (!r) return {};
  return {double(r->left), double(r->top), double(r->right - r->left), double(r->bottom - r->top)};
}

}  // namespace

void WEMU_FinishDragDrop() {
  pending().reset();
}

bool WEMU_Internal_HasPendingPromise() {
  // A promise does not outlive the view that made it.
  if (pending() && !WEMU_IsLiveWindowSerial(pending()->view, pending()->serial)) pending().reset();
  return pending().has_value();
}

void WEMU_InitiateDragDrop(HWND__* window, const RECT* from, const char* path,
                           WEMU_PromisedFileWriter write) {
  pending().reset();
  WEMU_WindowView* v = windowView(window);
  if (!v || !path || !write) return;
  pending() = Promise{path, write, v, v->serial()};
  std::string p = path;
  size_t dot = p.rfind('.');
  size_t slash = p.rfind('/');
  vq::platform::PromisedFiles files;
  files.types = {dot == std::string::npos ? p : p.substr(dot + 1)};
  files.name = slash == std::string::npos ? p : p.substr(slash + 1);
  files.writeInto = [](const std::string& folder) { return WEMU_PromisedFilesDropped(folder); };
  if (!vq::platform::dragSource().beginPromisedFileDrag(v, dragRect(from), files))
    pending().reset();
}

void WEMU_InitiateDragDropOfFileList(HWND__* window, const RECT* from, const char** paths,
                                     int count, HICON icon) {
  pending().reset();
  WEMU_WindowView* v = windowView(window);
  if (!v || !paths || count <= 0) return;
  std::vector<std::string> list;
  for (int i = 0; i < count; ++i)
    if (paths[i]) list.push_back(paths[i]);
  if (list.empty()) return;
  // Our images are stored top row first already, as the drag wants them.
  vq::platform::dragSource().beginFileDrag(v, dragRect(from), list,
                                           icon ? GetNSImageFromHICON(icon) : nullptr);
}

std::optional<std::string> WEMU_KeepBothName(const std::string& target,
                                             bool (*exists)(const std::string&)) {
  size_t slash = target.rfind('/');
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = target.rfind('.');
  std::string stem = target, ext;
  if (dot != std::string::npos && dot > nameStart) {
    stem = target.substr(0, dot);
    ext = target.substr(dot);
  }
  // A number of one to three digits after a separator, with more of the name before it.
  size_t digits = 0;
  while (digits < 3 && digits < stem.size() - nameStart &&
         std::isdigit(static_cast<unsigned char>(stem[stem.size() - 1 - digits])))
    ++digits;
  int n = 0;
  size_t sep = stem.size() - digits - 1;
  bool numbered = digits > 0 && stem.size() - nameStart > digits + 1 && sep > nameStart &&
                  (stem[sep] == ' ' || stem[sep] == '-' || stem[sep] == '_');
  if (numbered) {
    n = std::stoi(stem.substr(stem.size() - digits));
    stem.erase(stem.size() - digits);
  } else {
    stem += ' ';
  }
  for (int i = n + 1; i <= 999; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", i);
    std::string candidate = stem + number + ext;
    if (candidate.size() > kMaxPath) return std::nullopt;
    if (!exists(candidate)) return candidate;
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> WEMU_PromisedFilesDropped(const std::string& folder) {
  if (!WEMU_OnWindowThread() || !WEMU_Internal_HasPendingPromise()) {
    pending().reset();
    return std::nullopt;
  }
  Promise promise = *pending();
  pending().reset();
  size_t slash = promise.path.rfind('/');
  std::string name = slash == std::string::npos ? promise.path : promise.path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  std::string target = folder + "/" + name;
  if (target.size() > kMaxPath) return std::nullopt;
  if (pathExists(target)) {
    vq::platform::AlertRequest ask;
    ask.title = "Copy";
    ask.message =
        "An item named \"" + name +
        "\" already exists in this location. Do you want to replace it with the one you're moving?";
    ask.buttons = {"Keep Both Files", "Stop", "Replace"};
    ask.style = vq::platform::AlertStyle::Warning;
    int answer = vq::platform::services().dialogs().runAlert(ask);
    if (answer == 1) return std::nullopt;
    if (answer != 2) {
      std::optional<std::string> other = WEMU_KeepBothName(target, pathExists);
      if (!other) return std::nullopt;
      target = *other;
    }
  }
  promise.write(target.c_str());
  if (!pathExists(target)) return std::nullopt;
  return std::vector<std::string>{target.substr(target.rfind('/') + 1)};
}
