#include "wemu/modules.h"

#include <algorithm>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>
#include <vector>

#include "wemu/api_table.h"

namespace {

struct ModuleRec {
  void* handle;
  std::string path;    // the file opened
  std::string bundle;  // the folder given, or the file
  int refs;
};

std::recursive_mutex gMutex;
std::vector<ModuleRec> gModules;  // sorted by handle

std::vector<ModuleRec>::iterator findModule(void* handle) {
  auto it = std::lower_bound(gModules.begin(), gModules.end(), handle,
                             [](const ModuleRec& r, void* h) { return r.handle < h; });
  return it != gModules.end() && it->handle == handle ? it : gModules.end();
}

// Whether p exists with that file type (S_IFDIR, S_IFREG), links followed.
bool hasType(const std::string& p, mode_t type) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == type;
}

bool isFolder(const std::string& p) {
  return hasType(p, S_IFDIR);
}

bool isFile(const std::string& p) {
  return hasType(p, S_IFREG);
}

std::string libraryInFolder(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::string name = folder.substr(folder.rfind('/') + 1);
  std::string stem = name.substr(0, name.find('.'));
  for (const std::string& c : {folder + "/Contents/MacOS/" + stem, folder + "/" + stem + ".so",
                               folder + "/lib" + stem + ".so"}) {
    if (isFile(c)) return c;
  }
  return {};
}

typedef void (*WemuDllMainFn)(void* (*lookup)(const char*));
typedef BOOL (*DllMainFn)(HMODULE, DWORD, void*);

}  // namespace

HMODULE LoadLibraryGlobals(const char* path, int flags) {
  if (!path || !*path) return nullptr;
  std::string bundle = path;
  std::string file = isFolder(bundle) ? libraryInFolder(bundle) : bundle;
  if (file.empty()) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(gMutex);
  void* h = dlopen(file.c_str(), RTLD_NOW | (flags ? RTLD_GLOBAL : RTLD_LOCAL));
  if (!h) return nullptr;
  auto it = findModule(h);
  if (it != gModules.end()) {
    ++it->refs;
    dlclose(h);  // the table holds one dlopen reference per module
    return h;
  }
  ModuleRec rec{h, file, bundle, 1};
  gModules.insert(std::lower_bound(gModules.begin(), gModules.end(), h,
                                   [](const ModuleRec& r, void* x) { return r.handle < x; }),
                  rec);
  if (auto wm = reinterpret_cast<WemuDllMainFn>(dlsym(h, "WEMU_dllMain"))) wm(&WEMU_APILookup);
  if (auto dm = reinterpret_cast<DllMainFn>(dlsym(h, "DllMain"))) dm(h, 1, nullptr);
  return h;
}

HMODULE LoadLibrary(const char* path) {
  return LoadLibraryGlobals(path, 0);
}

void* GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) return nullptr;
  std::lock_guard<std::recursive_mutex> lock(gMutex);
  if (findModule(module) == gModules.end()) return nullptr;
  return dlsym(module, name);
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard<std::recursive_mutex> lock(gMutex);
  auto it = findModule(module);
  if (it == gModules.end()) return FALSE;
  if (--it->refs > 0) return TRUE;
  // Out of the table before the module runs its detach code, which may load or free others.
  gModules.erase(it);
  if (auto dm = reinterpret_cast<DllMainFn>(dlsym(module, "DllMain"))) dm(module, 0, nullptr);
  dlclose(module);
  return TRUE;
}

std::string WEMU_ModulePath(HMODULE module) {
  std::lock_guard<std::recursive_mutex> lock(gMutex);
  auto it = findModule(module);
  return it == gModules.end() ? std::string() : it->path;
}

std::string WEMU_GetBundle(HMODULE module) {
  std::lock_guard<std::recursive_mutex> lock(gMutex);
  auto it = findModule(module);
  return it == gModules.end() ? std::string() : it->bundle;
}
