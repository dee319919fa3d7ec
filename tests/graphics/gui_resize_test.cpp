// GUI resize: the stored scale, placement at several scales with one rounding, corner and edge
// drags, checked indices, and two GUIs one after the other in one process.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/imodule_gui_resize.h"
#include "plugin/iparam.h"
#include "support/test_graphics.h"
#include "wemu/ini_file.h"

using vqtest::TestControl;
using vqtest::TestGraphics;
using vqtest::TestPlug;

namespace {

struct Folder {
  Folder() {
    char tmpl[] = "/tmp/vq-resize-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~Folder() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string path;
};

class ResizeGraphics : public TestGraphics {
 public:
  ResizeGraphics(IModuleBase* plug, std::string folder)
      : TestGraphics(plug), mFolder(std::move(folder)) {}
  void AppSupportPath(UTL_String* path, bool system) override { path->Set(mFolder.c_str()); }

 private:
  std::string mFolder;
};

class RecordingResize : public IModuleGUIResize {
 public:
  using IModuleGUIResize::IModuleGUIResize;
  std::vector<double> rescales;

 protected:
  void RescaleCachedBitmaps(double scale) override { rescales.push_back(scale); }
  void SetCursor(int) override {}
};

// One editor-like GUI: a background, a few controls, the resize object configured as the
// application does.
struct Gui {
  Gui(const std::string& folder, const char* storedScale) {
    mkdir((folder + "/VQEditor4").c_str(), 0755);
    if (storedScale)
      WritePrivateProfileString("gui", "guiscale", storedScale, SettingsPath(folder).c_str());
    plug = std::make_unique<TestPlug>(1);
    graphics = new ResizeGraphics(plug.get(), folder);
    resize = new RecordingResize(plug.get(), graphics, true, 16, 16);
    resize->EnableLiveResizePreview();
    resize->SelectLayoutView(0);
    resize->SetGuiScaleLimits(50, 200);
    resize->SetViewSizeLimits(0, 570, 400, 2280, 1600);
    resize->SetCornerDragScales(true);
    plug->SetGUIResize(resize);
    background = Add(IRECT(0, 0, 1140, 800));
    knob = Add(IRECT(25, 76, 57, 92));
    offPage = Add(IRECT(300, -40, 316, -24));
    offPage->Hide(true);
    plug->AttachGraphics(graphics);  // attaches the handles and the corner
  }
  ~Gui() { plug->SetGUIResize(nullptr); }  // the graphics owns the corner
  TestControl* Add(const IRECT& r) {
    auto* c = new TestControl(plug.get(), r);
    graphics->AttachControl(c);
    return c;
  }
  static std::string SettingsPath(const std::string& folder) {
    return folder + "/VQEditor4/settings.ini";
  }

  std::unique_ptr<TestPlug> plug;
  ResizeGraphics* graphics;  // owned by the plug
  RecordingResize* resize;   // owned by the graphics
  TestControl *background, *knob, *offPage;
};

std::string StoredScale(const std::string& folder) {
  char text[64];
  GetPrivateProfileString("gui", "guiscale", "", text, sizeof text,
                          Gui::SettingsPath(folder).c_str());
  return text;
}

}  // namespace

TEST(GuiResize, StoredScaleIsCheckedAndClampedAtOpen) {
  struct Case {
    const char* stored;  // null: no settings file
    double scale;
    int w, h;
    const char* storedAfter;
  };
  const Case cases[] = {
      {nullptr, 1.0, 1140, 800, "1.000000000000000"},
      {"1.5", 1.5, 1710, 1200, "1.5"},
      {"nan", 1.0, 1140, 800, "1.000000000000000"},
      {"-1", 1.0, 1140, 800, "1.000000000000000"},
      {"abc", 1.0, 1140, 800, "1.000000000000000"},
      {"inf", 1.0, 1140, 800, "1.000000000000000"},
      {"10", 2.0, 2280, 1600, "10"},
      {"0.1", 0.5, 570, 400, "0.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "(none)");
    Folder folder;
    Gui gui(folder.path, c.stored);
    gui.plug->ResizeAtGuiOpen();
    EXPECT_DOUBLE_EQ(gui.resize->GetGuiScale(), c.scale);
    EXPECT_EQ(gui.graphics->GetWidth(), c.w);
    EXPECT_EQ(gui.graphics->GetHeight(), c.h);
    EXPECT_EQ(gui.background->GetRECT(), IRECT(0, 0, c.w, c.h));  // window and background agree
    EXPECT_EQ(StoredScale(folder.path), c.storedAfter);
  }
}

TEST(GuiResize, PlacementAndPixelsAtHalfOneAndAHalfAndDouble) {
  struct Case {
    const char* stored;
    IRECT knob, offPage, corner;
    int w, h;
  };
  // Every coordinate is (int)((v + 0.4999) * scale); the corner never shrinks below 16 x 16.
  const Case cases[] = {
      {"0.5", IRECT(12, 38, 28, 46), IRECT(150, -19, 158, -11), IRECT(554, 384, 570, 400), 570,
       400},
      {"1.5", IRECT(38, 114, 86, 138), IRECT(450, -59, 474, -35), IRECT(1686, 1176, 1710, 1200),
       1710, 1200},
      {"2.0", IRECT(50, 152, 114, 184), IRECT(600, -79, 632, -47), IRECT(2248, 1568, 2280, 1600),
       2280, 1600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    Folder folder;
    Gui gui(folder.path, c.stored);
    gui.plug->ResizeAtGuiOpen();
    EXPECT_EQ(gui.knob->GetRECT(), c.knob);
    EXPECT_EQ(gui.knob->GetTargetRECT(), c.knob);
    EXPECT_EQ(gui.offPage->GetRECT(), c.offPage);
    EXPECT_TRUE(gui.offPage->IsHidden());
    EXPECT_EQ(gui.resize->GetRECT(), c.corner);
    EXPECT_EQ(gui.graphics->GetControl(gui.graphics->NControls() - 1), gui.resize);
    // The images were rendered once, at the stored scale, when the handles were attached.
    EXPECT_EQ(gui.resize->rescales, std::vector<double>{gui.resize->GetGuiScale()});

    gui.background->fill = RAST_MakePixel(10, 20, 30, 255);
    gui.knob->fill = RAST_MakePixel(200, 0, 0, 255);
    IRECT all(0, 0, c.w, c.h);
    gui.graphics->SetAllControlsDirty();
    gui.graphics->Draw(&all);
    RAST_BitmapRows rows(gui.graphics->GetDrawBitmap());
    ASSERT_EQ(rows.width, c.w);
    EXPECT_EQ(*rows.at(c.knob.L, c.knob.T), gui.knob->fill);
    EXPECT_EQ(*rows.at(c.knob.R - 1, c.knob.B - 1), gui.knob->fill);
    EXPECT_EQ(*rows.at(c.knob.R, c.knob.B), gui.background->fill);
    EXPECT_EQ(*rows.at(c.knob.L - 1, c.knob.T - 1), gui.background->fill);
  }
}

TEST(GuiResize, TwoGuisOneAfterTheOtherLayOutTheirOwnControls) {
  Folder folder;
  {
    Gui first(folder.path, "1.5");
    first.plug->ResizeAtGuiOpen();
    ASSERT_EQ(first.knob->GetRECT(), IRECT(38, 114, 86, 138));
  }
  Gui second(folder.path, nullptr);  // finds 1.5 stored
  second.plug->ResizeAtGuiOpen();
  EXPECT_EQ(second.knob->GetRECT(), IRECT(38, 114, 86, 138));
  EXPECT_EQ(second.graphics->GetWidth(), 1710);
  EXPECT_EQ(second.resize->rescales, std::vector<double>{1.5});  // its own first rescale
  std::array<double, 4> draw{};
  ASSERT_TRUE(second.resize->GetLayoutRects(0, second.knob, &draw, nullptr));
  EXPECT_EQ(draw, (std::array<double, 4>{25, 76, 57, 92}));  // the record stays unscaled
}

TEST(GuiResize, CornerAndEdgeDragsFollowTheLimits) {
  Folder folder;
  Gui gui(folder.path, nullptr);
  gui.plug->ResizeAtGuiOpen();
  IMouseMod left(true);
  gui.resize->OnMouseDown(1130, 790, &left);
  EXPECT_TRUE(gui.resize->IsResizeDragActive());
  gui.resize->OnMouseDrag(1368, 960, 0, 0, &left);
  EXPECT_NEAR(gui.resize->GetGuiScale(), 1.2, 1e-12);
  EXPECT_EQ(StoredScale(folder.path), "1.200000000000000");
  gui.resize->OnMouseDrag(200, 100, 0, 0, &left);
  EXPECT_DOUBLE_EQ(gui.resize->GetGuiScale(), 0.5);  // not 0.1546
  gui.resize->OnMouseDrag(2280, 1600, 0, 0, &left);
  gui.resize->OnMouseUp(2280, 1600, &left);
  EXPECT_FALSE(gui.resize->IsResizeDragActive());
  EXPECT_EQ(gui.graphics->GetWidth(), 2280);
  EXPECT_EQ(gui.knob->GetRECT(), IRECT(50, 152, 114, 184));
  EXPECT_FALSE(gui.resize->IsDirty());  // no reopen notice after a drag

  IControl* widthHandle = gui.graphics->GetControl(gui.graphics->NControls() - 2);
  widthHandle->OnMouseDrag(600, 10, 0, 0, &left);
  EXPECT_DOUBLE_EQ(gui.resize->GetBaseWidth(), 570);  // 300 requested
}

TEST(GuiResize, IndicesOutsideTheRecordsAreIgnored) {
  Folder folder;
  Gui gui(folder.path, nullptr);
  const int n = gui.resize->GetLayoutSize(0);
  EXPECT_EQ(n, gui.graphics->NControls());  // every control up to the handles, then the corner
  gui.resize->StoreControlLayout(0, n, 0, IRECT(), IRECT(), true);
  gui.resize->StoreControlLayout(3, 1, 1, IRECT(), IRECT(), true);
  gui.resize->StoreControlLayout(0, 1, -1, IRECT(), IRECT(), true);
  gui.resize->MoveControlInLayout(n + 5, 0, 1, 1);
  gui.resize->SetControlRight(-1, 0, 5);
  gui.resize->SetViewSizeLimits(9, 1, 1, 2, 2);
  gui.resize->HideControl(500);
  gui.resize->GetPrivateParam(0)->Set(7);  // a view that does not exist
  gui.plug->ResizeAtGuiOpen();
  EXPECT_EQ(gui.resize->GetCurrentLayoutView(), 0);
  EXPECT_EQ(gui.knob->GetRECT(), IRECT(25, 76, 57, 92));
  EXPECT_EQ(gui.resize->GetPrivateParam(3), nullptr);

  gui.resize->MoveControlInLayout(1, 0, 100, 200);  // a real one moves, in both records
  EXPECT_EQ(gui.knob->GetRECT(), IRECT(100, 200, 132, 216));
}

TEST(GuiResize, CornerHandleAndReopenNoticeDraw) {
  Folder folder;
  Gui gui(folder.path, nullptr);
  gui.plug->ResizeAtGuiOpen();
  IRECT all(0, 0, 1140, 800);
  gui.background->fill = RAST_MakePixel(0, 0, 0, 255);
  gui.graphics->SetAllControlsDirty();
  gui.graphics->Draw(&all);
  RAST_BitmapRows rows(gui.graphics->GetDrawBitmap());
  EXPECT_GT(RAST_PixelRed(*rows.at(1138, 798)), 128u);  // the handle brightens towards the corner
  EXPECT_EQ(*rows.at(1125, 785), gui.background->fill);
  EXPECT_FALSE(gui.resize->IsDirty());

  // A size change outside a drag that leaves the images at another scale asks for a reopen.
  IMouseMod left(true);
  gui.graphics->GetControl(gui.graphics->NControls() - 2)->OnMouseDrag(1140, 10, 0, 0, &left);
  gui.resize->SetGuiScaleLimits(150, 200);
  EXPECT_TRUE(gui.resize->IsDirty());
  EXPECT_EQ(gui.resize->GetRECT(), IRECT(0, 0, 1710, 1200));
  IRECT big(0, 0, gui.graphics->GetWidth(), gui.graphics->GetHeight());
  gui.graphics->Draw(&big);
  RAST_BitmapRows after(gui.graphics->GetDrawBitmap());
  EXPECT_EQ(*after.at(5, 5), RAST_MakePixel(25, 25, 25, 255));
  int white = 0;
  for (int x = 0; x < after.width; ++x)
    white += RAST_PixelRed(*after.at(x, after.height / 2 - 30)) > 200;
  EXPECT_GT(white, 0);  // "Reopen plugin interface"
}
