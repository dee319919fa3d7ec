// A Debian library loaded when first needed, its functions looked up by name: start-up and a
// program that never uses it pay nothing for it.
#pragma once

#include <dlfcn.h>

#include "platform/error_output.h"

class SharedLibrary {
 public:
  explicit SharedLibrary(const char* file) : mLib(dlopen(file, RTLD_NOW | RTLD_LOCAL)) {}

  // Sets fn to the function called name; after a miss every later look-up gives null.
  template <class Fn>
  void Get(Fn& fn, const char* name) {
    void* symbol = mFound ? dlsym(mLib, name) : nullptr;
    fn = reinterpret_cast<Fn>(symbol);
    mFound = symbol != nullptr;
  }

  // Whether the library and every function looked up were found; says why not on standard
  // error, naming what is missing as `what`.
  bool Complete(const char* what) const {
    if (!mFound)
      vq::platform::errorLine("VQEditor4: %s could not be loaded: %s\n", what, dlerror());
    return mFound;
  }

 private:
  void* mLib;
  bool mFound = mLib != nullptr;
};
