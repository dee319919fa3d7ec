// The bitmap cache: loading, placeholders, copies and re-rendering for a new GUI scale.
#include <algorithm>
#include <filesystem>
#include <iterator>

#include "gui_fixture.h"
#include "rast/rast_png.h"
#include "support/png_writer.h"
#include "wemu/utilities.h"

using guitest::GuiFixture;
using guitest::MakeBitmap;

namespace {

using GraphicsBitmaps = GuiFixture;

// Frame k of an n-frame strip: one colour channel per frame, so a mix would show.
RAST_pixel FrameColour(int k) {
  return RAST_MakePixel(k % 3 == 0 ? 240 : 0, k % 3 == 1 ? 240 : 0, k % 3 == 2 ? 240 : 0, 255);
}

}  // namespace

TEST_F(GraphicsBitmaps, LoadsShareOneBitmapPerIdAndMissingImagesAreClear) {
  g->images["img/a.png"] = [] { return MakeBitmap(30, 20, [](int, int) { return 0xff0000ffu; }); };
  IFrameBitmap* a = g->LoadBitmapResource(101, "img/a.png");
  IFrameBitmap* b = g->LoadBitmapResource(101, "img/a.png", 2);
  EXPECT_NE(a, b);
  EXPECT_EQ(a->mBitmap, b->mBitmap);
  EXPECT_EQ(g->loads, 1);
  EXPECT_EQ(b->W, 30);
  EXPECT_EQ(b->N, 2);

  IFrameBitmap* missing = g->LoadBitmapResource(102, "img/none.png", 4);
  ASSERT_NE(missing->mBitmap, nullptr);
  EXPECT_EQ(missing->N, 4);
  Clear();
  DrawIn(IRECT(0, 0, 100, 80), [&](IGraphics* gr) {
    IRECT r(0, 0, 50, 50);
    gr->DrawBitmapFrame(missing, &r, 3);
  });
  EXPECT_EQ(Pixel(0, 0), 0u);
  g->RescaleCachedBitmaps(1.5);  // keeps the placeholder, renders the rest
  EXPECT_EQ(missing->H, 4);
  EXPECT_EQ(a->W, 45);
}

TEST_F(GraphicsBitmaps, HighDensityImagesArriveWithTheFirstRescale) {
  g->SetBitmapScale(2);
  g->images["big.png"] = [] { return MakeBitmap(200, 100, [](int, int) { return 0xff00ff00u; }); };
  IFrameBitmap* rec = g->LoadBitmapResource(7, "big.png");
  EXPECT_EQ(rec->mBitmap->getWidth(), 1);
  EXPECT_EQ(rec->W, 100);
  EXPECT_EQ(rec->H, 50);
  // A second load before the rescale knows the size too.
  IFrameBitmap* again = g->LoadBitmapResource(7, "big.png");
  EXPECT_EQ(again->W, 100);
  g->loads = 0;
  g->RescaleCachedBitmaps(1.0);
  EXPECT_EQ(g->loads, 1);  // one render for both records
  EXPECT_EQ(rec->mBitmap->getWidth(), 100);
  EXPECT_EQ(RAST_GetPixel(rec->mBitmap, 50, 25), 0xff00ff00u);
  // Halving averages each 2 x 2 block.
  static const unsigned kReds[] = {0, 100, 200, 50};
  g->images["ramp.png"] = [] {
    return MakeBitmap(4, 2, [](int x, int) { return RAST_MakePixel(kReds[x], 0, 0, 255); });
  };
  IFrameBitmap* ramp = g->LoadBitmapResource(9, "ramp.png");
  g->RescaleCachedBitmaps(1.0);
  EXPECT_EQ(RAST_GetPixel(ramp->mBitmap, 0, 0), RAST_MakePixel(50, 0, 0, 255));
  EXPECT_EQ(RAST_GetPixel(ramp->mBitmap, 1, 0), RAST_MakePixel(125, 0, 0, 255));
  g->RescaleCachedBitmaps(1.5);
  EXPECT_EQ(rec->W, 150);
  EXPECT_EQ(again->H, 75);
  EXPECT_EQ(rec->mBaseW, 100);
}

// Strips are resampled frame by frame: a frame only ever holds its own colour, however the
// scale divides, and each frame keeps one spare row.
TEST_F(GraphicsBitmaps, RescaledStripsKeepFramesApart) {
  g->SetBitmapScale(2);
  constexpr int kFrames = 4, kW = 24, kFrameH = 18;
  g->images["strip.png"] = [] {
    return MakeBitmap(2 * kW, 2 * kFrameH * kFrames,
                      [](int, int y) { return FrameColour(y / (2 * kFrameH)); });
  };
  IFrameBitmap* strip = g->LoadBitmapResource(8, "strip.png", kFrames, false);
  for (double scale : {0.5, 1.0, 1.5, 2.0, 0.05}) {
    g->RescaleCachedBitmaps(scale);
    const int h = static_cast<int>(kFrameH * kFrames * scale);
    ASSERT_EQ(strip->H, h + kFrames) << scale;
    ASSERT_EQ(strip->W, static_cast<int>(kW * scale)) << scale;
    RAST_BitmapRows rows(strip->mBitmap);
    for (int y = 0; y < rows.height; ++y) {
      int frame = 0;
      while (frame + 1 < kFrames && y >= static_cast<int>(strip->H * (frame + 1.0) / kFrames + 0.5))
        ++frame;
      for (int x = 0; x < rows.width; ++x) {
        const RAST_pixel p = *rows.at(x, y), own = FrameColour(frame);
        for (int byte = 1; byte < 4; ++byte) {
          const RAST_pixel mask = 0xffu << (8 * byte);
          if (!(own & mask)) {
            ASSERT_EQ(p & mask, 0u) << scale << " frame " << frame << " at " << x << "," << y;
          }
        }
      }
    }
    // The middle of every frame is exactly its colour.
    if (scale >= 1.0) {
      for (int k = 0; k < kFrames; ++k) {
        IRECT dest(0, 0, strip->W, strip->H / kFrames);
        DrawIn(IRECT(0, 0, 100, 80),
               [&](IGraphics* gr) { gr->DrawBitmapFrame(strip, &dest, k + 1); });
        EXPECT_EQ(Pixel(strip->W / 2, dest.H() / 2), FrameColour(k)) << scale;
      }
    }
  }
}

TEST_F(GraphicsBitmaps, CopiesAndRetainedBitmapsBelongToTheCache) {
  IFrameBitmap src(MakeBitmap(8, 8, [](int x, int y) { return x < 4 ? 0xff0000ffu : 0x00ff00ffu; }),
                   8, 8, 2);
  g->RetainBitmap(&src);
  g->RetainBitmap(&src);  // held once, deleted once
  IRECT half(4, 0, 8, 8);
  IFrameBitmap crop = g->CropBitmap(&src, &half);
  EXPECT_EQ(crop.W, 4);
  EXPECT_EQ(crop.N, 2);
  EXPECT_EQ(RAST_GetPixel(crop.mBitmap, 0, 0), 0x00ff00ffu);
  IFrameBitmap scaled = g->ScaleBitmap(&src, 16, 4);
  EXPECT_EQ(scaled.mBitmap->getWidth(), 16);
  EXPECT_EQ(RAST_GetPixel(scaled.mBitmap, 0, 0), 0xff0000ffu);
  g->ReleaseBitmap(&crop);
}

TEST(GraphicsResources, ImageNamesStayInsideTheResourceFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"img/orig//flexisavebg-2x.png", "/res/img/orig/flexisavebg-2x.png"},
      {"img/./a.PNG", "/res/img/a.PNG"},
      {"knob.png", "/res/knob.png"},
      {"/etc/passwd.png", ""},
      {"img/../../secret.png", ""},
      {"..", ""},
      {"img/a.jpg", ""},
      {"png", ""},
      {"", ""},
  };
  for (auto [name, path] : cases)
    EXPECT_EQ(IGraphicsLinux::ResourceImagePath("/res", name), path) << name;
  EXPECT_EQ(IGraphicsLinux::ResourceImagePath("/res/", nullptr), "");
}

// Image files decode on first use, at 100 % straight from the file's rows: the pixels must be
// those of the whole decoded image rescaled, for single images and strips, at 100 % and at a
// scale that resamples, and for files the row reader refuses (interlaced, odd sizes).
TEST_F(GraphicsBitmaps, FilesDecodeToTheirRescaledImages) {
  struct Case {
    int w, h, frames;
    bool horizontal, interlaced;
  };
  const Case cases[] = {{80, 60, 1, false, false}, {48, 144, 4, false, false},
                        {40, 42, 3, false, false}, {81, 61, 1, false, false},
                        {96, 20, 4, true, false},  {80, 60, 1, false, true}};
  char tmpl[] = "/tmp/vq_bitmaps_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string folder = WEMU_GetResourceFolder();
  WEMU_SetResourceFolder(tmpl);
  g->SetBitmapScale(2);
  uint32_t seed = 7;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    vqtest::PngImage png;
    png.width = c.w;
    png.height = c.h;
    png.interlaced = c.interlaced;
    for (int k = 0; k < c.w * c.h * 4; ++k)
      png.samples.push_back((seed = seed * 1103515245 + 12345) >> 24);
    const std::string name = "img" + std::to_string(i) + ".png", path = tmpl + ("/" + name);
    vqtest::WriteFile(path, vqtest::EncodePng(png));
    g->images["eager" + name] = [path] { return RAST_LoadPNG(path.c_str(), nullptr); };
    IFrameBitmap* fromFile =
        g->LoadBitmapResource(400 + 2 * i, name.c_str(), c.frames, c.horizontal);
    IFrameBitmap* decoded =
        g->LoadBitmapResource(401 + 2 * i, ("eager" + name).c_str(), c.frames, c.horizontal);
    for (double scale : {1.0, 0.7}) {
      g->RescaleCachedBitmaps(scale);
      // As the first frame does: a noting pass, the files decoded on threads meanwhile.
      g->DecodeImagesDrawnBy([&] {
        IRECT r(0, 0, 10, 10);
        g->DrawBitmap(fromFile, &r);
      });
      RAST_BitmapRows a(fromFile->mBitmap), b(decoded->mBitmap);
      ASSERT_EQ(a.width, b.width) << i;
      ASSERT_EQ(a.height, b.height) << i;
      for (int y = 0; y < a.height; ++y)
        ASSERT_TRUE(std::equal(a.at(0, y), a.at(a.width, y), b.at(0, y)))
            << i << " " << scale << " row " << y;
    }
  }
  WEMU_SetResourceFolder(folder);
  std::filesystem::remove_all(tmpl);
}
