// An editor with the program library on a headless graphics, for the program-file operations
// and the lifecycle. Its timer is stopped after construction: tests drive ticks and polls
// directly, never by waiting.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../editor/editor_test_support.h"
#include "graphics/gui_types.h"
#include "library/program_library.h"
#include "library/program_text_format.h"

namespace vqtest {

class LibraryEditorTest : public EditorTest {
 protected:
  VQEditor& MakeWithLibrary(const std::string& outputName = "", bool withGui = true) {
    return MakeWithLibrary(BaseSetup(outputName, withGui));
  }
  VQEditor& MakeWithLibrary(VQEditorSetup setup) {
    setup.programFiles = MakeProgramLibrary();
    MakeFrom(std::move(setup));
    StopTimer();
    return *editor;
  }

  std::string ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void WriteFile(const std::string& path, const std::string& bytes) const {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // The editor's settings folder, with its trailing "/".
  std::string Folder() const { return dir + "/"; }
  std::string Ini(const char* section, const char* key) const {
    char buf[300];
    GetPrivateProfileString(section, key, "<none>", buf, sizeof buf, settings.c_str());
    return buf;
  }
};

}  // namespace vqtest
