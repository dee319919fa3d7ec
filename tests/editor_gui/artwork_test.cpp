// The images the build draws: every one the pages load exists with its size and frame count,
// frames can be told apart, overlays are see-through and covering pages cover.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "editor/gui/page_layout_tables.h"
#include "graphics/igraphics_linux.h"
#include "protocol/name_tables.h"
#include "rast/rast_bitmap.h"
#include "rast/rast_png.h"
#include "support/test_plug.h"
#include "wemu/utilities.h"

using namespace vq_layout;

namespace {

// The resources folder the build drew into.
std::string Resources() {
  return std::string(VQ_RESOURCE_DIR) + "/";
}

struct Image {
  std::unique_ptr<RAST_IBitmap> bitmap;
  RAST_BitmapRows rows{nullptr};
  int frames = 1, frameH = 0;

  explicit Image(int id) {
    bitmap.reset(RAST_LoadPNG((Resources() + ImageLoadName(id)).c_str(), nullptr));
    rows = RAST_BitmapRows(bitmap.get());
    if (const ImageSpec* s = FindImage(id)) frames = s->frames;
    frameH = rows.height / frames;
  }
  RAST_pixel At(double guiX, double guiY, int frame = 0) const {  // GUI units of one frame
    return *rows.at(static_cast<int>(guiX * 2), frame * frameH + static_cast<int>(guiY * 2));
  }
  uint64_t FrameHash(int f) const {
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < frameH; ++y)
      for (int x = 0; x < rows.width; ++x) h = (h ^ *rows.at(x, f * frameH + y)) * 1099511628211ull;
    return h;
  }
  // Share of pixels of the whole image with alpha at or above `alpha`.
  double Opaque(unsigned alpha = 255) const {
    long n = 0;
    for (int y = 0; y < rows.height; ++y)
      for (int x = 0; x < rows.width; ++x) n += RAST_PixelAlpha(*rows.at(x, y)) >= alpha;
    return double(n) / (double(rows.width) * rows.height);
  }
};

std::vector<int> AllIds() {
  std::vector<int> ids;
  for (const ImageSpec& s : SynthPageImages()) {
    if (s.skins & kInOrig) ids.push_back(s.id);
    if (s.skins & kInLcd) ids.push_back(s.id + 100);
  }
  for (const ImageSpec& s : CommonImages()) ids.push_back(s.id);
  for (const ImageSpec& s : ManagerImages()) ids.push_back(s.id);
  return ids;
}

unsigned Luma(RAST_pixel p) {
  return (RAST_PixelRed(p) * 3 + RAST_PixelGreen(p) * 6 + RAST_PixelBlue(p)) / 10;
}

}  // namespace

TEST(Artwork, EveryImageHasItsSizeAndDistinctFrames) {
  for (int id : AllIds()) {
    SCOPED_TRACE(ImageLoadName(id));
    const Image img(id);
    ASSERT_TRUE(img.bitmap) << "missing or unreadable";
    const Point f = FrameSize(id);
    EXPECT_EQ(img.rows.width, 2 * f.x);
    EXPECT_EQ(img.rows.height, 2 * f.y * img.frames);
    std::set<uint64_t> frames;
    for (int k = 0; k < img.frames; ++k) frames.insert(img.FrameHash(k));
    EXPECT_EQ(static_cast<int>(frames.size()), img.frames);
  }
}

TEST(Artwork, OverlaysAreSeeThroughAndCoveringPagesCover) {
  struct Case {
    int id;
    double minOpaque, maxOpaque;
  };
  const Case cases[] = {
      // Pages and panels that must hide what lies under them.
      {102, 1, 1},
      {162, 1, 1},
      {202, 1, 1},
      {148, 1, 1},
      {149, 1, 1},
      {248, 1, 1},
      {249, 1, 1},
      {157, 1, 1},
      {257, 1, 1},
      {301, 1, 1},
      {322, 1, 1},
      {323, 1, 1},
      // Overlays shown over the page: mostly transparent.
      {158, 0, 0.05},
      {159, 0, 0.05},
      {258, 0, 0.05},
      {259, 0, 0.05},
      {173, 0, 0.1},
      {174, 0, 0.1},
      {273, 0, 0.1},
      {112, 0, 0.2},
      {113, 0, 0.2},
      {114, 0, 0.2},
      {132, 0, 0.2},
      {214, 0, 0.2},
      {232, 0, 0.2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ImageLoadName(c.id));
    const Image img(c.id);
    ASSERT_TRUE(img.bitmap);
    const double share = img.Opaque();
    EXPECT_GE(share, c.minOpaque);
    EXPECT_LE(share, c.maxOpaque);
  }
  // The effect and external-MIDI panels cover their own area: the knobs they replace vanish.
  EXPECT_EQ(RAST_PixelAlpha(Image(173).At(900, 500)), 255u);
  EXPECT_EQ(RAST_PixelAlpha(Image(112).At(1000, 680)), 255u);
  EXPECT_EQ(RAST_PixelAlpha(Image(158).At(600, 300)), 0u);
  // A program card lets the selection under it show as on an empty slot: a clear rim and a
  // see-through body.
  const Image card(313);
  for (int f = 1; f < card.frames; ++f) {
    EXPECT_EQ(RAST_PixelAlpha(card.At(1, 30, f)), 0u) << f;
    EXPECT_LT(RAST_PixelAlpha(card.At(30, 40, f)), 200u) << f;
  }
}

TEST(Artwork, KeyboardFramesLightOneKeyOfTheCodesGeometry) {
  const Image keys(104), octave(105);
  ASSERT_TRUE(keys.bitmap && octave.bitmap);
  const double whiteW = FrameSize(104).x / 7.0;
  // The unpressed octave: black keys dark where the code looks for them, white keys light below.
  for (int b = 0; b < 5; ++b) {
    EXPECT_LT(Luma(octave.At(kBlackKeyOffsets[b] + kBlackKeyWidth / 2.0, kBlackKeyHeight / 2.0)),
              80u);
    EXPECT_GT(Luma(octave.At(kBlackKeyOffsets[b] - 1.5, kBlackKeyHeight / 2.0)),
              150u);  // white key beside
  }
  for (int i = 0; i < 7; ++i) EXPECT_GT(Luma(octave.At(i * whiteW + whiteW / 2, 60)), 180u);
  static const int kWhite[7] = {0, 2, 4, 5, 7, 9, 11};
  for (int s = 0; s < 12; ++s) {
    SCOPED_TRACE(s);
    for (int b = 0; b < 5; ++b) {
      const unsigned a =
          RAST_PixelAlpha(keys.At(kBlackKeyOffsets[b] + kBlackKeyWidth / 2.0, 20, s));
      EXPECT_EQ(a != 0, kBlackKeySemitones[b] == s);
    }
    for (int i = 0; i < 7; ++i) {
      const unsigned a = RAST_PixelAlpha(keys.At(i * whiteW + whiteW / 2, 60, s));
      EXPECT_EQ(a != 0, kWhite[i] == s);
    }
  }
}

TEST(Artwork, ListPagesPrintTheNamesAtTheRowsTheSelectorsDecode) {
  for (int id : {148, 149, 248, 249}) {
    SCOPED_TRACE(ImageLoadName(id));
    const bool sources = id % 100 == 48;
    const Image img(id);
    ASSERT_TRUE(img.bitmap);
    const double yShift = id < 200 ? -1 : 0;  // the orig pages are drawn one pixel down
    const int* last = sources ? kSourceListLast : kRangeListLast;
    for (int c = 0; c < 4; ++c) {
      for (int i = 0; i < kListRows; ++i) {
        // Ink of a row's name: pixels far from the row band's background.
        const double top = kListTop + kListRowHeight * i + 4 + yShift;
        const unsigned bg = Luma(img.At(kListColumnX[c + 1] - 12, top + 8));
        int ink = 0;
        for (double y = top; y < top + kListRowHeight - 8; y += 0.5)
          for (double x = kListColumnX[c] + 40; x < kListColumnX[c] + 150; x += 0.5)
            ink += std::abs(int(Luma(img.At(x, y))) - int(bg)) > 90;
        const int row = 20 * c + i;
        const bool named = row <= last[c] && (sources ? kFlexiSourceNames[row].name
                                                      : kRangeControlNames[row].name)[1];
        EXPECT_EQ(ink > 20, named) << "row " << row;
      }
    }
  }
}

TEST(Artwork, TextsOfThePageStandOutFromTheBackgroundUnderThem) {
  struct Page {
    int background;
    std::vector<ControlSpec> controls;
  };
  const Page pages[] = {{102, SynthPageControls(Skin::Space)},
                        {162, SynthPageControls(Skin::Solid)},
                        {202, SynthPageControls(Skin::Lcd)},
                        {301, ManagerPageControls()}};
  for (const Page& page : pages) {
    SCOPED_TRACE(ImageLoadName(page.background));
    const Image bg(page.background);
    ASSERT_TRUE(bg.bitmap);
    for (const ControlSpec& c : page.controls) {
      const bool text = c.cls == Ctl::Text || c.cls == Ctl::Spinner || c.cls == Ctl::UserText;
      if (!text || !c.attached || c.hidden || c.style == Style::None)
        continue;  // hidden: on a panel
      const int p = c.readoutField >= 0 ? c.readoutField + 3 : c.param;
      // Texts that sit on an effect panel, the external-MIDI panel or the save panel.
      const bool extMidi =
          c.readoutField < 0 && c.rect.T >= 429 && c.rect.L >= 836 && c.rect.B <= 452;
      const bool onOverlay = (p >= 132 && p <= 185 && p != 173) || p == 301 || extMidi;
      if (onOverlay || c.rect.B > kGuiHeight) continue;
      // The background's colour at the middle of the text's rectangle, a few points across,
      // against the text colour: one channel at least must differ clearly.
      const double cy = (c.rect.T + c.rect.B) / 2.0;
      int r = 0, g = 0, b = 0;
      for (int k = 1; k <= 4; ++k) {
        const RAST_pixel px = bg.At(c.rect.L + c.rect.W() * k / 5.0, cy);
        r += RAST_PixelRed(px), g += RAST_PixelGreen(px), b += RAST_PixelBlue(px);
      }
      const IColor ink = TextStyleOf(c.style).color;
      const int contrast =
          std::max({std::abs(ink.R - r / 4), std::abs(ink.G - g / 4), std::abs(ink.B - b / 4)});
      EXPECT_GE(contrast, 120) << CtlName(c.cls) << " " << c.param << " at " << c.rect.L << ","
                               << c.rect.T;
    }
  }
}

TEST(Artwork, ImagesLoadThroughTheGraphicsAtTheFrameSizeTheLayoutUses) {
  WEMU_SetResourceFolder(VQ_RESOURCE_DIR);
  {
    vqtest::TestPlug plug(1);
    IGraphicsLinux g(&plug, kGuiWidth, kGuiHeight);
    g.SetBitmapScale(2);  // the files are drawn at twice the GUI size
    std::vector<std::pair<int, IFrameBitmap*>> loaded;
    for (int id : AllIds())
      loaded.emplace_back(
          id, g.LoadBitmapResource(id, ImageLoadName(id).c_str(), FindImage(id)->frames));
    for (const auto& [id, rec] : loaded) {
      SCOPED_TRACE(ImageLoadName(id));
      const Point f = FrameSize(id);
      EXPECT_EQ(rec->N, FindImage(id)->frames);
      EXPECT_EQ(rec->FrameW(), f.x);  // a missing file would give a 1-pixel placeholder
      EXPECT_EQ(rec->FrameH(), f.y);
      EXPECT_EQ(rec->mBaseH, f.y * rec->N);
    }
    EXPECT_NE(g.LoadBitmapResource(999, "img/orig/none-2x.png", 128)->FrameW(), FrameSize(106).x);
  }
  EXPECT_TRUE(IGraphics::ResetCaches());
}
