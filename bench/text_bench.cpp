// Drawing a 40-character label: our cached font with a warm glyph cache (the glyph path, and
// for comparison the native path through the GDI text drawer) against cairo showing the same
// glyphs of the same FreeType face at the same size on the same pixels. After the runs the
// ratios (our time / cairo's time) are printed; below 1 means faster than cairo.
#include <benchmark/benchmark.h>
#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/ratio_main.h"
#include "platform/font_service.h"
#include "rast/cached_font.h"
#include "rast/rast_bitmap.h"
#include "rast/rast_fill.h"
#include "wemu/gdi_font.h"

namespace {

constexpr const char* kLabel = "Filter Envelope Attack 127 ms / Sync 1/4";  // 40 characters
constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kSize = 14;
constexpr int kWidth = 400;
constexpr int kHeight = 40;
constexpr RAST_pixel kWhite = RAST_MakePixel(255, 255, 255, 255);

std::unique_ptr<RAST_CachedFont> MakeFont(unsigned options) {
  auto font = std::make_unique<RAST_CachedFont>();
  font->SetFromHFont(CreateFont(-kSize, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 4, 0, "DejaVu Sans"),
                     options | RAST_FONTOPT_OWNFONT);
  font->SetTextColor(kWhite);
  return font;
}

void BM_Label_Glyphs(benchmark::State& state) {
  auto font = MakeFont(0);
  RAST_MemBitmap bm(kWidth, kHeight, 4);
  RAST_Clear(&bm, 0);
  RECT r{0, 0, kWidth, kHeight};
  font->DrawText(&bm, kLabel, -1, &r, DT_VCENTER);  // warms the glyph cache
  for (auto _ : state) {
    RECT rr = r;
    benchmark::DoNotOptimize(font->DrawText(&bm, kLabel, -1, &rr, DT_VCENTER));
  }
  state.SetItemsProcessed(state.iterations() * 40);
}

void BM_Label_Native(benchmark::State& state) {
  auto font = MakeFont(RAST_FONTOPT_NATIVE);
  RAST_SysBitmap bm(kWidth, kHeight);
  RECT r{0, 0, kWidth, kHeight};
  font->DrawText(&bm, kLabel, -1, &r, DT_VCENTER);
  for (auto _ : state) {
    RECT rr = r;
    benchmark::DoNotOptimize(font->DrawText(&bm, kLabel, -1, &rr, DT_VCENTER));
  }
  state.SetItemsProcessed(state.iterations() * 40);
}

void BM_Label_Cairo(benchmark::State& state) {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, kFontFile, 0, &face) != 0) {
    state.SkipWithError("no FreeType face");
    return;
  }
  // The same glyphs at the same pen positions as our font.
  auto ours = vq::platform::LoadFontFile(kFontFile, kSize);
  std::vector<cairo_glyph_t> glyphs;
  double pen = 0;
  const double baseline = (kHeight - kSize) / 2.0 + ours->metrics().ascent;
  for (const char* p = kLabel; *p; ++p) {
    glyphs.push_back({FT_Get_Char_Index(face, static_cast<FT_ULong>(*p)), pen, baseline});
    pen += ours->advance(static_cast<char32_t>(*p));
  }
  std::vector<std::uint32_t> pixels(kWidth * kHeight, 0);
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                          CAIRO_FORMAT_ARGB32, kWidth, kHeight, kWidth * 4);
  cairo_t* cr = cairo_create(surface);
  cairo_font_face_t* cface = cairo_ft_font_face_create_for_ft_face(face, 0);
  cairo_set_font_face(cr, cface);
  cairo_set_font_size(cr, kSize);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, options);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));  // warms cairo's cache
  for (auto _ : state) {
    cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
    cairo_surface_flush(surface);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * 40);
  cairo_font_options_destroy(options);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  cairo_font_face_destroy(cface);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}

BENCHMARK(BM_Label_Glyphs);
BENCHMARK(BM_Label_Native);
BENCHMARK(BM_Label_Cairo);

class RatioReporter : public TimeKeepingReporter {
 public:
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatio of our time to cairo's for one 40-character label (below 1.00: faster)\n");
    for (const char* name : {"BM_Label_Glyphs", "BM_Label_Native"}) {
      std::printf("%-18s", name + 9);
      PrintRatio(name, "BM_Label_Cairo", 6);
      std::printf("\n");
    }
    std::printf(
        "\nGlyphs: cached coverage masks blended with the text colour (the path of every label\n"
        "drawn with a colour alpha). Native: the whole string through the GDI text drawer each\n"
        "time (FreeType's rendered glyphs are cached per face). cairo: cairo_show_glyphs with the\n"
        "same glyph ids and pen positions, grey anti-aliasing, its glyph cache warm.\n");
  }
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  return RunBenchmarksReportingTo(reporter, argc, argv);
}
