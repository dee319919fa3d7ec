// The GUI's labels against cairo. The labels and read-outs of the editor's real pages (the synth
// page in the "space" and "lcd" skins, the manager page), at GUI scale 1 and 2, drawn the way a
// whole-page redraw draws them: each text control's Draw into the back buffer, through the clip
// view of a draw rectangle covering the page. cairo draws the same strings with pango in the same
// face at the same pixel size and the same origins into an image surface of the page's size; its
// layouts are made once, as a toolkit's label keeps its layout. A third side shows pango's shaped
// glyphs with cairo_show_glyphs alone, cairo's cost without the layout walk. Before any timing
// every label is drawn alone by us and by pango/cairo on a plain background and the pixels are
// compared; the program fails when they do not look alike. Timing goes round the three sides in
// rounds; printed are the medians of one pass over a page's labels and the medians of the
// rounds' ratios (our time / theirs). With --png DIR the labels of each page, drawn by us and by
// pango/cairo on grey, are written there to look at.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/editor_page.h"
#include "rast/cached_font.h"
#include "wemu/gdi_font.h"

namespace {

constexpr int kRounds = 15;
constexpr double kRoundSeconds = 0.02;  // per side and round
// Worst agreement that still counts as the same text: of the pixels either draws at more than
// half coverage, the share both draw; and our total ink against cairo's.
constexpr double kMinAgreement = 0.80;
constexpr double kMaxInkDeviation = 0.15;

// Glyphs of one font as pango shaped them, placed on the page.
struct GlyphRun {
  cairo_scaled_font_t* font;  // held by the layout
  std::vector<cairo_glyph_t> glyphs;
};

struct Label {
  IControl* control;
  IRECT rect;
  IColor color;
  int x, baseline;        // where our text starts and its baseline row
  PangoLayout* layout;    // cairo's, made once
  double layoutBaseline;  // pixels below the layout's top
  std::vector<GlyphRun> runs;
  std::string text;  // as drawn: fitted to the box
};

// Our text origin as the native text path places it: the text fitted to the control's box (a
// read-out's to the well inside it, as the page draws it), its measured width aligned in the
// fitted rectangle, the baseline the face's ascent below its top. False when no font can be made.
bool PlaceAsWeDo(bench::PageGraphics* g, EditorTextControl& c, Label& l,
                 std::shared_ptr<vq::platform::FontFace>& face, bool& antialias) {
  const ITextControl::Fitted& fitted = c.FitToRect(g);
  IText style = fitted.style;
  style.mCached = nullptr;
  l.rect = fitted.rect;
  l.text = fitted.text;
  IRECT measured = l.rect;
  g->MeasureText(&style, l.text.c_str(), &measured);
  if (!style.mCached) return false;
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
  if (!face) return false;
  antialias = quality != 3;
  l.baseline = l.rect.T + static_cast<int>(std::floor(face->metrics().ascent + 0.5));
  return true;
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

// The layout's first line as glyph runs at the label's origin.
std::vector<GlyphRun> RunsOf(const Label& l) {
  std::vector<GlyphRun> runs;
  PangoLayoutLine* line = pango_layout_get_line_readonly(l.layout, 0);
  double pen = l.x;
  for (GSList* item = line ? line->runs : nullptr; item; item = item->next) {
    const auto* run = static_cast<const PangoGlyphItem*>(item->data);
    GlyphRun out{pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(run->item->analysis.font)), {}};
    for (int i = 0; i < run->glyphs->num_glyphs; ++i) {
      const PangoGlyphInfo& g = run->glyphs->glyphs[i];
      out.glyphs.push_back({g.glyph, pen + g.geometry.x_offset / double(PANGO_SCALE),
                            l.baseline + g.geometry.y_offset / double(PANGO_SCALE)});
      pen += g.geometry.width / double(PANGO_SCALE);
    }
    runs.push_back(std::move(out));
  }
  return runs;
}

// cairo alone, without pango's layout walk: the shaped glyphs shown directly.
void DrawGlyphsWithCairo(cairo_t* cr, const Label& l) {
  cairo_set_source_rgb(cr, l.color.R / 255.0, l.color.G / 255.0, l.color.B / 255.0);
  for (const GlyphRun& run : l.runs) {
    cairo_set_scaled_font(cr, run.font);
    cairo_show_glyphs(cr, run.glyphs.data(), static_cast<int>(run.glyphs.size()));
  }
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
  double MeanDiff() const { return inkedPixels ? diffSum / inkedPixels : 0.0; }
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

// Median times of one pass over a page's labels, and the medians of the rounds' ratios.
struct Timing {
  double ours = 0, pango = 0, glyphs = 0;
  std::vector<double> toPango, toGlyphs;  // sorted
};

// The three sides in rounds, each round in another order.
template <class A, class B, class C>
Timing TimeInRounds(A&& ours, B&& pango, C&& glyphs) {
  const int n[3] = {CountFor(ours), CountFor(pango), CountFor(glyphs)};
  std::vector<double> t[3];
  Timing out;
  for (int r = 0; r < kRounds; ++r) {
    double s[3];
    for (int k = 0; k < 3; ++k) {
      const int side = (r + k) % 3;
      s[side] = side == 0   ? SecondsPer(ours, n[0])
                : side == 1 ? SecondsPer(pango, n[1])
                            : SecondsPer(glyphs, n[2]);
    }
    for (int k = 0; k < 3; ++k) t[k].push_back(s[k]);
    out.toPango.push_back(s[0] / s[1]);
    out.toGlyphs.push_back(s[0] / s[2]);
  }
  out.ours = Median(t[0]);
  out.pango = Median(t[1]);
  out.glyphs = Median(t[2]);
  std::sort(out.toPango.begin(), out.toPango.end());
  std::sort(out.toGlyphs.begin(), out.toGlyphs.end());
  return out;
}

// Labels of one page, compared and timed; false when the pixels do not look alike.
bool RunPage(const char* title, int skin, int scale, bool manager, const char* pngDir,
             Timing& timing, Agreement& total) {
  bench::EditorPage page(skin, scale, manager);
  auto* g = static_cast<bench::PageGraphics*>(page.graphics);
  RAST_IBitmap* buffer = g->GetDrawBitmap();
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, buffer->getWidth(), buffer->getHeight());
  cairo_t* cr = cairo_create(surface);

  std::vector<Label> labels;
  std::vector<IControl*> controls;
  for (int i = 0; i < g->NControls(); ++i) {
    auto* c = dynamic_cast<EditorTextControl*>(g->GetControl(i));
    if (!c || c->IsHidden() || !*c->GetText()) continue;
    Label l{c, c->GetRECT(), c->GetBaseText().mColor, 0, 0, nullptr, 0, {}};
    std::shared_ptr<vq::platform::FontFace> face;
    bool antialias = true;
    if (!PlaceAsWeDo(g, *c, l, face, antialias)) continue;
    l.layout = MakeLayout(cr, *face, antialias, l.text.c_str());
    l.layoutBaseline = pango_layout_get_baseline(l.layout) / double(PANGO_SCALE);
    l.runs = RunsOf(l);
    labels.push_back(l);
    controls.push_back(c);
  }

  Agreement agreement;
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
    agreement.Add(a);
  }
  total.Add(agreement);
  if (pngDir) {
    const std::string base = std::string(pngDir) + "/" + title + "-" + std::to_string(scale);
    Fill(buffer, surface, 0, buffer->getHeight(), 128);
    g->DrawControls(controls);
    for (const Label& l : labels) DrawWithCairo(cr, l);
    WritePng(base + "-ours.png", buffer);
    cairo_surface_write_to_png(surface, (base + "-cairo.png").c_str());
  }

  timing = TimeInRounds([&] { g->DrawControls(controls); },
                        [&] {
                          for (const Label& l : labels) DrawWithCairo(cr, l);
                          cairo_surface_flush(surface);
                        },
                        [&] {
                          for (const Label& l : labels) DrawGlyphsWithCairo(cr, l);
                          cairo_surface_flush(surface);
                        });
  const auto& q = timing.toPango;
  std::printf("%-12s %5d %6zu %8.1f %8.1f %8.1f %6.2f (%.2f-%.2f) %6.2f   %5.3f %6.2f %5.3f %4d\n",
              title, scale, labels.size(), timing.ours * 1e6, timing.pango * 1e6,
              timing.glyphs * 1e6, q[kRounds / 2], q[kRounds / 4], q[kRounds - 1 - kRounds / 4],
              timing.toGlyphs[kRounds / 2], agreement.Overlap(), agreement.MeanDiff(),
              agreement.InkRatio(), agreement.maxDiff);
  std::fflush(stdout);

  for (Label& l : labels) g_object_unref(l.layout);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return agreement.Alike();
}

}  // namespace

int main(int argc, char** argv) {
  const char* pngDir = nullptr;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--png") pngDir = argv[i + 1];
  std::printf(
      "The labels of the editor's pages, one pass over a page's labels: ours (each text\n"
      "control's Draw into the back buffer), pango (cairo with pango layouts made once, same\n"
      "face, size and origins) and glyphs (cairo_show_glyphs of the same shaped glyphs, no\n"
      "layout walk). Times in microseconds, medians of %d rounds; ratios our time / theirs,\n"
      "medians of the rounds' ratios (quartiles). Pixels compared first, each label alone on\n"
      "a plain background: overlap = of the pixels either inks at over half coverage, the\n"
      "share both ink; mean difference per channel over the pixels either inks; our ink /\n"
      "pango's; the largest difference in any channel.\n\n",
      kRounds);
  std::printf("%-12s %5s %6s %8s %8s %8s %6s %-11s %6s   %5s %6s %5s %4s\n", "page", "scale",
              "labels", "ours", "pango", "glyphs", "/pango", "(quartiles)", "/glyph", "overl",
              "mdiff", "ink", "max");
  struct Case {
    const char* title;
    int skin;
    bool manager;
  };
  // The manager page is shown over the synth page, whose labels a redraw still draws.
  const Case cases[] = {{"synth-space", 0, false}, {"synth-lcd", 2, false}, {"manager", 0, true}};
  bool alike = true;
  for (int scale : {1, 2}) {
    Timing sum;
    Agreement agreement;
    for (const Case& c : cases) {
      Timing t;
      alike &= RunPage(c.title, c.skin, scale, c.manager, pngDir, t, agreement);
      sum.ours += t.ours;
      sum.pango += t.pango;
      sum.glyphs += t.glyphs;
    }
    std::printf("%-12s %5d %6s %8.1f %8.1f %8.1f %6.2f %-11s %6.2f   %5.3f %6.2f %5.3f %4d\n\n",
                "all pages", scale, "", sum.ours * 1e6, sum.pango * 1e6, sum.glyphs * 1e6,
                sum.ours / sum.pango, "", sum.ours / sum.glyphs, agreement.Overlap(),
                agreement.MeanDiff(), agreement.InkRatio(), agreement.maxDiff);
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
