// The GUI's labels against cairo. The labels and read-outs of the editor's real pages (the synth
// page in the "space" and "lcd" skins, the manager page), at GUI scale 1 and 2, drawn the way a
// whole-page redraw draws them: each text control's Draw into the back buffer, through the clip
// view of a draw rectangle covering the page. cairo draws the same strings with pango in the same
// face at the same pixel size and the same origins into an image surface of the page's size; its
// layouts are made once, as a toolkit's label keeps its layout. Before any timing every label is
// drawn alone by both on a plain background and the pixels are compared; the program fails when
// they do not look alike. Timing alternates between the two in rounds; printed are the medians of
// one pass over a page's labels and the median of the rounds' ratios (our time / cairo's).
// With --png DIR the labels of each page, drawn by both on grey, are written there to look at.
#include <cairo.h>
#include <pango/pangocairo.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "editor/gui/editor_pages.h"
#include "editor/vq_editor.h"
#include "graphics/igraphics_linux.h"
#include "platform/headless.h"
#include "platform/midi_output.h"
#include "rast/cached_font.h"
#include "wemu/gdi_font.h"
#include "wemu/ini_file.h"
#include "wemu/utilities.h"

namespace {

constexpr int kRounds = 15;
constexpr double kRoundSeconds = 0.02;  // per side and round
// Worst agreement that still counts as the same text: of the pixels either draws at more than
// half coverage, the share both draw; and our total ink against cairo's.
constexpr double kMinAgreement = 0.80;
constexpr double kMaxInkDeviation = 0.15;

class PageGraphics : public IGraphicsLinux {
 public:
  PageGraphics(IModuleBase* plug, int w, int h, std::string folder)
      : IGraphicsLinux(plug, w, h), mFolder(std::move(folder)) {}
  void AppSupportPath(UTL_String* path, bool) override { path->Set(mFolder.c_str()); }
  // The controls drawn as a whole-page redraw draws them: clipped to the page's rectangle.
  void DrawControls(const std::vector<IControl*>& controls) {
    mDrawRect = IRECT(0, 0, GetDrawBitmap()->getWidth(), GetDrawBitmap()->getHeight());
    for (IControl* c : controls) c->Draw(this);
  }

 private:
  std::string mFolder;
};

// One editor with its synth or manager page open, its settings in a scratch folder.
struct Page {
  Page(int skin, int scale, bool manager) {
    vq::platform::installHeadless();
    WEMU_SetResourceFolder(VQ_RESOURCE_DIR);
    char tmpl[] = "/tmp/vq_text_bench_XXXXXX";
    folder = mkdtemp(tmpl);
    const std::string settings = folder + "/settings.ini";
    const char* names[3] = {"space", "solid", "lcd"};
    WritePrivateProfileString("gui", "background", names[skin], settings.c_str());
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
    graphics = static_cast<PageGraphics*>(editor->Graphics());
    graphics->OpenWindow(nullptr);
    if (manager) editor->ShowManagerPage(false);
    IRECT r;
    if (graphics->IsDirty(&r)) graphics->Draw(&r);
  }
  ~Page() {
    graphics->CloseWindow();
    editor.reset();
    IGraphics::ResetCaches();
    std::filesystem::remove_all(folder);
  }

  std::string folder;
  vq::platform::MemoryMidiOutput out;
  uint16_t channel = 0;
  std::unique_ptr<VQEditor> editor;
  PageGraphics* graphics = nullptr;
};

struct Label {
  IControl* control;
  IRECT rect;
  IColor color;
  int x, baseline;        // where our text starts and its baseline row
  PangoLayout* layout;    // cairo's, made once
  double layoutBaseline;  // pixels below the layout's top
};

// Our text origin as the text road places it: the measured width aligned in the rectangle, the
// baseline the face's ascent below the top.
void PlaceAsWeDo(PageGraphics* g, const EditorTextControl& c, int scale, Label& l,
                 std::shared_ptr<vq::platform::FontFace>& face, bool& antialias) {
  IText style = c.GetBaseText();
  style.mSize = style.mSize * scale;
  style.mCached = nullptr;
  IRECT measured = l.rect;
  g->MeasureText(&style, c.GetText(), &measured);
  const int w = measured.R - measured.L;
  l.x = style.mAlign == IText::kAlignNear     ? l.rect.L
        : style.mAlign == IText::kAlignCenter ? (l.rect.L + l.rect.R - w) / 2
                                              : l.rect.R - w;
  RAST_SysBitmap scratch(4, 4);
  HDC__* dc = scratch.getDC();
  HGDIOBJ__* previous = SelectObject(dc, style.mCached->GetHFont());
  unsigned char quality = 0;
  face = WEMU_ContextFont(dc, &quality);
  if (previous) SelectObject(dc, previous);
  antialias = quality != 3;
  l.baseline = l.rect.T + static_cast<int>(std::floor(face->metrics().ascent + 0.5));
}

PangoLayout* MakeLayout(cairo_t* cr, const vq::platform::FontFace& face, bool antialias,
                        const char* text) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options,
                                   antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
  cairo_font_options_destroy(options);
  PangoFontDescription* desc = pango_font_description_from_string(face.displayName().c_str());
  pango_font_description_set_absolute_size(desc, face.size() * PANGO_SCALE);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  pango_layout_context_changed(layout);
  pango_layout_set_text(layout, text, -1);
  return layout;
}

void DrawWithCairo(cairo_t* cr, const Label& l) {
  cairo_set_source_rgb(cr, l.color.R / 255.0, l.color.G / 255.0, l.color.B / 255.0);
  cairo_move_to(cr, l.x, l.baseline - l.layoutBaseline);
  pango_cairo_show_layout(cr, l.layout);
}

// Both buffers' rows from..to filled with one grey.
void Fill(RAST_IBitmap* ours, cairo_surface_t* theirs, int from, int to, int grey) {
  RAST_BitmapRows rows(ours);
  from = std::max(from, 0);
  to = std::min(to, rows.height);
  for (int y = from; y < to; ++y)
    std::fill_n(rows.at(0, y), rows.width, RAST_MakePixel(grey, grey, grey, 255));
  cairo_t* cr = cairo_create(theirs);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cr, grey / 255.0, grey / 255.0, grey / 255.0);
  cairo_rectangle(cr, 0, from, rows.width, to - from);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(theirs);
}

struct Agreement {
  int maxDiff = 0;
  double diffSum = 0;
  long long inkedPixels = 0, bothInked = 0, eitherInked = 0;
  double inkOurs = 0, inkCairo = 0;
  void Add(const Agreement& a) {
    maxDiff = std::max(maxDiff, a.maxDiff);
    diffSum += a.diffSum;
    inkedPixels += a.inkedPixels;
    bothInked += a.bothInked;
    eitherInked += a.eitherInked;
    inkOurs += a.inkOurs;
    inkCairo += a.inkCairo;
  }
  double Overlap() const { return eitherInked ? double(bothInked) / eitherInked : 1.0; }
  double InkRatio() const { return inkCairo > 0 ? inkOurs / inkCairo : 1.0; }
  bool Alike() const {
    return Overlap() >= kMinAgreement && std::fabs(InkRatio() - 1.0) <= kMaxInkDeviation;
  }
};

// Per-channel differences of rows from..to; ink is a pixel's largest distance from the grey.
Agreement Compare(RAST_IBitmap* ours, cairo_surface_t* theirs, int from, int to, int grey) {
  RAST_BitmapRows rows(ours);
  const unsigned char* data = cairo_image_surface_get_data(theirs);
  const int stride = cairo_image_surface_get_stride(theirs);
  Agreement a;
  for (int y = std::max(from, 0); y < std::min(to, rows.height); ++y) {
    const RAST_pixel* o = rows.at(0, y);
    const auto* c = reinterpret_cast<const std::uint32_t*>(data + static_cast<long>(y) * stride);
    for (int x = 0; x < rows.width; ++x) {
      const int oc[3] = {int(RAST_PixelRed(o[x])), int(RAST_PixelGreen(o[x])),
                         int(RAST_PixelBlue(o[x]))};
      const int cc[3] = {int(c[x] >> 16 & 255), int(c[x] >> 8 & 255), int(c[x] & 255)};
      int inkO = 0, inkC = 0, diff = 0;
      for (int k = 0; k < 3; ++k) {
        inkO = std::max(inkO, std::abs(oc[k] - grey));
        inkC = std::max(inkC, std::abs(cc[k] - grey));
        diff += std::abs(oc[k] - cc[k]);
        a.maxDiff = std::max(a.maxDiff, std::abs(oc[k] - cc[k]));
      }
      if (inkO == 0 && inkC == 0) continue;
      ++a.inkedPixels;
      a.diffSum += diff / 3.0;
      a.inkOurs += inkO;
      a.inkCairo += inkC;
      a.bothInked += inkO >= 128 && inkC >= 128;
      a.eitherInked += inkO >= 128 || inkC >= 128;
    }
  }
  return a;
}

// The grey that the label's colour stands out on.
int Background(const IColor& c) {
  return c.R * 299 + c.G * 587 + c.B * 114 > 128000 ? 0 : 255;
}

void WritePng(const std::string& path, RAST_IBitmap* ours) {
  RAST_BitmapRows rows(ours);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, rows.width, rows.height);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < rows.height; ++y)
    for (int x = 0; x < rows.width; ++x) {
      const RAST_pixel p = rows.at(0, y)[x];
      reinterpret_cast<std::uint32_t*>(data + static_cast<long>(y) * stride)[x] =
          RAST_PixelRed(p) << 16 | RAST_PixelGreen(p) << 8 | RAST_PixelBlue(p);
    }
  cairo_surface_mark_dirty(s);
  cairo_surface_write_to_png(s, path.c_str());
  cairo_surface_destroy(s);
}

template <class F>
double SecondsPer(F&& pass, int count) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) pass();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / count;
}

template <class F>
int CountFor(F&& pass) {
  const double one = SecondsPer(pass, 3);
  return std::max(1, static_cast<int>(kRoundSeconds / std::max(one, 1e-9)));
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Result {
  double ours, cairo;
};

// Labels of one page, compared and timed; false when the pixels do not look alike.
bool RunPage(const char* title, int skin, int scale, bool manager, const char* pngDir,
             Result& result, Agreement& total) {
  Page page(skin, scale, manager);
  PageGraphics* g = page.graphics;
  RAST_IBitmap* buffer = g->GetDrawBitmap();
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, buffer->getWidth(), buffer->getHeight());
  cairo_t* cr = cairo_create(surface);

  std::vector<Label> labels;
  std::vector<IControl*> controls;
  for (int i = 0; i < g->NControls(); ++i) {
    auto* c = dynamic_cast<EditorTextControl*>(g->GetControl(i));
    if (!c || c->IsHidden() || !*c->GetText()) continue;
    Label l{c, c->GetRECT(), c->GetBaseText().mColor, 0, 0, nullptr, 0};
    std::shared_ptr<vq::platform::FontFace> face;
    bool antialias = true;
    PlaceAsWeDo(g, *c, scale, l, face, antialias);
    l.layout = MakeLayout(cr, *face, antialias, c->GetText());
    l.layoutBaseline = pango_layout_get_baseline(l.layout) / double(PANGO_SCALE);
    labels.push_back(l);
    controls.push_back(c);
  }

  Agreement page_agreement;
  for (const Label& l : labels) {
    const int grey = Background(l.color), band = l.rect.B - l.rect.T + 16 * scale;
    const int from = l.rect.T - band, to = l.rect.B + band;
    Fill(buffer, surface, from, to, grey);
    g->DrawControls({l.control});
    DrawWithCairo(cr, l);
    cairo_surface_flush(surface);
    const Agreement a = Compare(buffer, surface, from, to, grey);
    if (!a.Alike())
      std::printf("  %s: \"%s\" differs: overlap %.2f, ink ratio %.2f\n", title,
                  pango_layout_get_text(l.layout), a.Overlap(), a.InkRatio());
    page_agreement.Add(a);
  }
  total.Add(page_agreement);
  if (pngDir) {
    const std::string base = std::string(pngDir) + "/" + title + "-" + std::to_string(scale);
    Fill(buffer, surface, 0, buffer->getHeight(), 128);
    g->DrawControls(controls);
    for (const Label& l : labels) DrawWithCairo(cr, l);
    WritePng(base + "-ours.png", buffer);
    cairo_surface_write_to_png(surface, (base + "-cairo.png").c_str());
  }

  auto ours = [&] { g->DrawControls(controls); };
  auto theirs = [&] {
    for (const Label& l : labels) DrawWithCairo(cr, l);
    cairo_surface_flush(surface);
  };
  const int nOurs = CountFor(ours), nCairo = CountFor(theirs);
  std::vector<double> tOurs, tCairo, ratios;
  for (int r = 0; r < kRounds; ++r) {
    double a, b;
    if (r % 2) {
      b = SecondsPer(theirs, nCairo);
      a = SecondsPer(ours, nOurs);
    } else {
      a = SecondsPer(ours, nOurs);
      b = SecondsPer(theirs, nCairo);
    }
    tOurs.push_back(a);
    tCairo.push_back(b);
    ratios.push_back(a / b);
  }
  std::sort(ratios.begin(), ratios.end());
  result = {Median(tOurs), Median(tCairo)};
  std::printf("%-14s %5d %6zu %10.1f %10.1f %7.2f  (%.2f-%.2f)  %5.2f %8.1f %9.2f %7.2f\n", title,
              scale, labels.size(), result.ours * 1e6, result.cairo * 1e6, Median(ratios),
              ratios[kRounds / 4], ratios[kRounds - 1 - kRounds / 4], page_agreement.Overlap(),
              page_agreement.diffSum / std::max<long long>(page_agreement.inkedPixels, 1),
              page_agreement.InkRatio(), double(page_agreement.maxDiff));
  std::fflush(stdout);

  for (Label& l : labels) g_object_unref(l.layout);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return page_agreement.Alike();
}

}  // namespace

int main(int argc, char** argv) {
  const char* pngDir = nullptr;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--png") pngDir = argv[i + 1];
  std::printf(
      "The labels of the editor's pages: one pass over a page's labels, ours (the controls'\n"
      "Draw into the back buffer) and cairo's (pango layouts, same face, size and origins);\n"
      "medians of %d alternating rounds; ratio = our time / cairo's, with its quartiles.\n"
      "Pixels compared first, each label alone: overlap of the pixels inked at more than half\n"
      "coverage, mean per-channel difference over the pixels either inks, our ink / cairo's,\n"
      "largest per-channel difference.\n\n",
      kRounds);
  std::printf("%-14s %5s %6s %10s %10s %7s  %-11s  %5s %8s %9s %7s\n", "page", "scale", "labels",
              "ours us", "cairo us", "ratio", "(quartiles)", "overl", "meandiff", "ink ratio",
              "maxdiff");
  struct Case {
    const char* title;
    int skin;
    bool manager;
  };
  const Case cases[] = {{"synth-space", 0, false}, {"synth-lcd", 2, false}, {"manager", 0, true}};
  bool alike = true;
  for (int scale : {1, 2}) {
    double ours = 0, cairo = 0;
    Agreement agreement;
    for (const Case& c : cases) {
      Result r{};
      alike &= RunPage(c.title, c.skin, scale, c.manager, pngDir, r, agreement);
      ours += r.ours;
      cairo += r.cairo;
    }
    std::printf("%-14s %5d %6s %10.1f %10.1f %7.2f  %-11s  %5.2f %8.1f %9.2f %7d\n\n", "all pages",
                scale, "", ours * 1e6, cairo * 1e6, ours / cairo, "", agreement.Overlap(),
                agreement.diffSum / std::max<long long>(agreement.inkedPixels, 1),
                agreement.InkRatio(), agreement.maxDiff);
  }
  if (!alike) {
    std::fprintf(stderr,
                 "FAILED: our labels do not look like cairo's (overlap below %.2f or ink off by "
                 "more than %.0f%%)\n",
                 kMinAgreement, kMaxInkDeviation * 100);
    return 1;
  }
  return 0;
}
