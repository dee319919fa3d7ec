// The editor's synth page for benchmarks: the real editor with the build's artwork
// (VQ_RESOURCE_DIR), its settings and GUI scale in a scratch folder, drawn into the headless
// graphics view as the repaint timer draws it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "editor/gui/editor_pages.h"
#include "graphics/knob_controls.h"
#include "editor/vq_editor.h"
#include "graphics/graphics_caches.h"
#include "graphics/igraphics_linux.h"
#include "platform/headless.h"
#include "platform/midi_output.h"
#include "wemu/ini_file.h"
#include "wemu/utilities.h"

namespace bench {

inline const char* const kSkinNames[3] = {"space", "solid", "lcd"};

class PageGraphics : public IGraphicsLinux {
 public:
  PageGraphics(IModuleBase* plug, int w, int h, std::string folder)
      : IGraphicsLinux(plug, w, h), mFolder(std::move(folder)) {}
  void AppSupportPath(UTL_String* path, bool) override { path->Set(mFolder.c_str()); }
  // The controls drawn as a whole-page redraw draws them: into the back buffer, clipped to the
  // page's rectangle.
  void DrawControls(const std::vector<IControl*>& controls) {
    mDrawRect = IRECT(0, 0, GetDrawBitmap()->getWidth(), GetDrawBitmap()->getHeight());
    for (IControl* c : controls) c->Draw(this);
  }

 private:
  std::string mFolder;
};

struct EditorPage {
  // skin: index into kSkinNames; scale 1 or 2; manager: the manager page shown.
  EditorPage(int skin, int scale, bool manager) {
    vq::platform::installHeadless();
    WEMU_SetResourceFolder(VQ_RESOURCE_DIR);
    char tmpl[] = "/tmp/vq_bench_XXXXXX";
    folder = mkdtemp(tmpl);
    const std::string settings = folder + "/settings.ini";
    WritePrivateProfileString("gui", "background", kSkinNames[skin], settings.c_str());
    std::filesystem::create_directories(folder + "/VQEditor4");
    WritePrivateProfileString("gui", "guiscale", scale == 2 ? "2.0" : "1.0",
                              (folder + "/VQEditor4/settings.ini").c_str());
    VQEditorSetup setup;
    const std::string f = folder;
    setup.makeGraphics = [f](IModuleBase* plug, int w, int h, int) -> IGraphics* {
      return new PageGraphics(plug, w, h, f);
    };
    setup.pages = MakeEditorPages();
    setup.settingsPath = settings;
    editor.reset(MakePlug(&out, &channel, std::move(setup)));
    editor->StopTimer();
    editor->ResizeAtGuiOpen();
    graphics = editor->Graphics();
    graphics->OpenWindow(nullptr);
    if (manager) editor->ShowManagerPage(false);
    Cycle();
    pages = static_cast<EditorPages*>(editor->Pages());
  }
  ~EditorPage() {
    graphics->CloseWindow();
    editor.reset();
    IGraphics::ResetCaches();
    std::filesystem::remove_all(folder);
  }
  EditorPage(const EditorPage&) = delete;
  EditorPage& operator=(const EditorPage&) = delete;

  // One tick of the repaint timer.
  void Cycle() {
    IRECT r;
    if (graphics->IsDirty(&r)) graphics->Draw(&r);
  }
  // Everything redrawn, the static layer under the controls remade too, as after the images
  // changed (a rescale or a reload moves the generation the layer was drawn from).
  void FullFrame() {
    ++graphics_detail::gBitmapGeneration;
    Redraw();
  }
  // Everything redrawn over the static layer as it is.
  void Redraw() {
    graphics->SetAllControlsDirty();
    Cycle();
  }
  // One frame of a knob drag: the first knob shows value i of 128 and its read-out the number.
  void KnobStep(int i) {
    IControl* knob = pages->KnobOf(3);
    IControl* readout = pages->Readout(0);
    if (knob) {
      knob->SetValue((i % 128) / 127.0);
      knob->SetDirty(false);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%d", i % 128);
    if (readout) readout->SetTextFromPlug(text);
    Cycle();
  }

  std::string folder;
  vq::platform::MemoryMidiOutput out;
  uint16_t channel = 0;
  std::unique_ptr<VQEditor> editor;
  IGraphics* graphics = nullptr;
  EditorPages* pages = nullptr;
};

}  // namespace bench
