// An editor whose headless graphics loads the artwork the build drew, so that controls take
// their real sizes, with the settings (and the GUI scale) in the fixture's folder.
#pragma once

#include <sys/stat.h>

#include <string>
#include <typeinfo>

#include "editor/editor_test_support.h"
#include "editor/gui/editor_pages.h"
#include "editor/gui/keyboard_control.h"
#include "editor/gui/page_layout_tables.h"
#include "graphics/bitmap_controls.h"
#include "graphics/file_selector.h"
#include "graphics/imodule_gui_resize.h"
#include "graphics/knob_controls.h"
#include "graphics/para_graphic_eq.h"
#include "graphics/selection_controls.h"
#include "rast/rast_png.h"

namespace vqtest {

class ArtworkGraphics : public TestGraphics {
 public:
  ArtworkGraphics(IModuleBase* plug, int w, int h, std::string folder)
      : TestGraphics(plug, w, h), mFolder(std::move(folder)) {
    fileCancels = true;
  }
  RAST_IBitmap* OSLoadBitmap(int id, const char* name) override {
    return RAST_LoadPNG((std::string(VQ_RESOURCE_DIR) + "/" + name).c_str(), nullptr);
  }
  void AppSupportPath(UTL_String* path, bool system) override { path->Set(mFolder.c_str()); }

 private:
  std::string mFolder;
};

class PagesTest : public EditorTest {
 protected:
  void TearDown() override {
    EditorTest::TearDown();
    IGraphics::ResetCaches();
  }
  // An editor in the skin named (nullptr: no "background" key), at the stored GUI scale.
  VQEditor& MakeSkin(const char* skin, double scale = 1.0) {
    std::string text = "[gui]\n";
    if (skin) text += std::string("background=") + skin + "\n";
    WriteSettings(text);
    mkdir((dir + "/VQEditor4").c_str(), 0755);
    WritePrivateProfileString("gui", "guiscale", std::to_string(scale).c_str(),
                              (dir + "/VQEditor4/settings.ini").c_str());
    VQEditorSetup setup = BaseSetup();
    const std::string folder = dir;
    setup.makeGraphics = [folder](IModuleBase* plug, int w, int h, int) -> IGraphics* {
      return new ArtworkGraphics(plug, w, h, folder);
    };
    VQEditor& e = MakeFrom(std::move(setup));
    StopTimer();
    return e;
  }
  EditorPages& Pages() const { return *static_cast<EditorPages*>(editor->Pages()); }
  IGraphics& G() const { return *editor->Graphics(); }
};

}  // namespace vqtest
