// Each skin's pages drawn whole into the back buffer, kept as "page-<skin>.png" beside the test
// for a person to look at; the skins must differ and the pages must not be blank.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "graphics/igraphics_linux.h"
#include "pages_test_support.h"
#include "platform/headless.h"
#include "rast/rast_bitmap.h"
#include "support/png_writer.h"
#include "wemu/utilities.h"

using namespace vqtest;

namespace {

class ScreenGraphics : public IGraphicsLinux {
 public:
  ScreenGraphics(IModuleBase* plug, int w, int h, std::string folder)
      : IGraphicsLinux(plug, w, h), mFolder(std::move(folder)) {}
  void AppSupportPath(UTL_String* path, bool system) override { path->Set(mFolder.c_str()); }

 private:
  std::string mFolder;
};

}  // namespace

TEST_F(PagesTest, ScreenshotOfEachSkin) {
  vq::platform::installHeadless();
  WEMU_SetResourceFolder(VQ_RESOURCE_DIR);
  std::set<uint64_t> looks;
  for (const char* skin : {"space", "solid", "lcd"}) {
    WriteSettings(std::string("[gui]\nbackground=") + skin + "\n");
    VQEditorSetup setup = BaseSetup();
    const std::string folder = dir;
    setup.makeGraphics = [folder](IModuleBase* plug, int w, int h, int) -> IGraphics* {
      return new ScreenGraphics(plug, w, h, folder);
    };
    VQEditor& e = MakeFrom(std::move(setup));
    StopTimer();
    e.ResizeAtGuiOpen();
    G().OpenWindow(nullptr);
    Set(3, 64);  // a knob half way, its read-out written
    G().SetAllControlsDirty();
    IRECT r;
    if (G().IsDirty(&r)) G().Draw(&r);
    RAST_BitmapRows rows(G().GetDrawBitmap());
    PngImage png;
    png.width = G().GetWidth();
    png.height = G().GetHeight();
    uint64_t hash = 1469598103934665603ull;
    std::set<RAST_pixel> colours;
    for (int y = 0; y < png.height; ++y)
      for (int x = 0; x < png.width; ++x) {
        const RAST_pixel p = *rows.at(x, y);
        colours.insert(p);
        hash = (hash ^ p) * 1099511628211ull;
        png.samples.insert(png.samples.end(), {static_cast<uint16_t>(RAST_PixelRed(p)),
                                               static_cast<uint16_t>(RAST_PixelGreen(p)),
                                               static_cast<uint16_t>(RAST_PixelBlue(p)), 255});
      }
    WriteFile((std::filesystem::read_symlink("/proc/self/exe").parent_path() /
               (std::string("page-") + skin + ".png"))
                  .string(),
              EncodePng(png));
    EXPECT_GT(colours.size(), 200u) << skin;
    looks.insert(hash);
    G().CloseWindow();
    editor.reset();
    IGraphics::ResetCaches();
  }
  EXPECT_EQ(looks.size(), 3u);
}
