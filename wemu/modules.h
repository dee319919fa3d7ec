// Loadable modules: shared libraries opened by path, recorded in a module table, given the
// API lookup function when they export "WEMU_dllMain" and attached through "DllMain".
// Thread-safe.
#pragma once

#include <string>

#include "wemu/wemu_types.h"

typedef void* HMODULE;

// Loads the library at path (a folder counts as a bundle whose library is looked for under
// "Contents/MacOS/" or as "<folder>/<name>.so"). None when it cannot be loaded.
HMODULE LoadLibraryGlobals(const char* path, int flags);
HMODULE LoadLibrary(const char* path);
void* GetProcAddress(HMODULE module, const char* name);
// Drops a reference; the last one detaches ("DllMain" with reason 0) and unloads.
BOOL FreeLibrary(HMODULE module);
// The path a module was loaded from; empty for an unknown module.
std::string WEMU_ModulePath(HMODULE module);
// The bundle folder of a module (its path when it was loaded from a file).
std::string WEMU_GetBundle(HMODULE module);
