// The drawing primitives against cairo's image backend on the same pixels in the same run: plain
// and anti-aliased lines, anti-aliased float lines, filled convex polygons, filled rectangles,
// rectangle and anti-aliased rounded-rectangle outlines, filled circles (plain and anti-aliased)
// and anti-aliased circle outlines, at control sizes (shapes 8 to 64 pixels across). Each
// iteration draws the same batch of 64 shapes at fixed pseudo-random places on a 256 x 256
// surface. Opaque colour in both: our copy mode at alpha 1.0, cairo's OVER with an opaque source.
//
// Before anything is timed, each batch is drawn shape by shape on clear surfaces by both and the
// coverage compared: the ink of each side, the share of it that differs, the largest difference
// at one pixel and the mean shift of our shape's centre from cairo's. A shape far outside our
// drawers' known rules is reported as an error and not timed. After the runs come a table of
// ratios (our time / cairo's time; below 1 means faster than cairo) and the comparison table.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench/ratio_main.h"
#include "rast/rast_bitmap.h"
#include "rast/rast_circle.h"
#include "rast/rast_fill.h"
#include "rast/rast_line.h"
#include "rast/rast_shapes.h"

namespace {

constexpr int kSurface = 256;
constexpr int kBatch = 64;
const int kExtents[] = {8, 16, 32, 64};
const RAST_BlendMode kCopy{0};
constexpr RAST_pixel kColour = 0xff4080c0u;  // opaque: alpha byte 0xff

// A memory bitmap with a cairo context drawing into the same pixels (rows of 256 pixels are
// already a valid ARGB32 stride).
struct Surface {
  std::unique_ptr<RAST_MemBitmap> bm;
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;

  Surface() : bm(std::make_unique<RAST_MemBitmap>(kSurface, kSurface, 4)) {
    surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(bm->getBits()),
                                                  CAIRO_FORMAT_ARGB32, kSurface, kSurface,
                                                  bm->getRowSpan() * 4);
    cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.25, 0.5, 0.75);
    cairo_set_line_width(cr, 1.0);
  }
  ~Surface() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
};

struct Shape {
  float x1, y1, x2, y2;  // line ends, or centre and radius (x2), or polygon centre
  std::vector<int> px, py;
};

// The same batch for every run of one extent: shapes lie inside the surface (no clipping).
std::vector<Shape> Batch(int extent) {
  std::mt19937 rng(1234u + unsigned(extent));
  std::uniform_real_distribution<float> pos(float(extent) + 1, float(kSurface - extent - 2));
  std::uniform_real_distribution<float> ang(0, 2 * std::numbers::pi_v<float>);
  std::vector<Shape> out;
  for (int i = 0; i < kBatch; ++i) {
    Shape s;
    s.x1 = pos(rng);
    s.y1 = pos(rng);
    const float a = ang(rng);
    s.x2 = s.x1 + std::cos(a) * float(extent);
    s.y2 = s.y1 + std::sin(a) * float(extent);
    const int n = 6 + i % 3;
    for (int k = 0; k < n; ++k) {
      const double t = a + 2 * std::numbers::pi * k / n;
      s.px.push_back(int(s.x1 + std::cos(t) * extent / 2));
      s.py.push_back(int(s.y1 + std::sin(t) * extent / 2));
    }
    out.push_back(std::move(s));
  }
  return out;
}

template <class F>
void Run(benchmark::State& state, F draw) {
  const int extent = kExtents[state.range(0)];
  const std::vector<Shape> shapes = Batch(extent);
  Surface surf;
  for (auto _ : state) {
    for (const Shape& s : shapes) draw(surf, s, extent);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

void CairoLine(Surface& s, const Shape& sh, cairo_antialias_t aa) {
  cairo_set_antialias(s.cr, aa);
  cairo_move_to(s.cr, sh.x1 + 0.5, sh.y1 + 0.5);
  cairo_line_to(s.cr, sh.x2 + 0.5, sh.y2 + 0.5);
  cairo_stroke(s.cr);
}

// Integer line ends, as our integer line takes them.
Shape WholeEnds(const Shape& sh) {
  return {float(int(sh.x1)), float(int(sh.y1)), float(int(sh.x2)), float(int(sh.y2)), {}, {}};
}

// Our circles are centred on the pixel trunc(c + 0.5); cairo's pixel centres lie at + 0.5.
void CairoDisc(Surface& s, const Shape& sh, double radius, cairo_antialias_t aa, bool fill) {
  cairo_set_antialias(s.cr, aa);
  cairo_new_path(s.cr);
  cairo_arc(s.cr, int(sh.x1 + 0.5f) + 0.5, int(sh.y1 + 0.5f) + 0.5, radius, 0,
            2 * std::numbers::pi);
  fill ? cairo_fill(s.cr) : cairo_stroke(s.cr);
}

// The outline radius of RingAA on both sides (off the radii our small ring masks draw).
float RingRadius(int extent) {
  return float(extent) / 2 + 0.3f;
}

// The rectangles: integer corner, extent wide and three quarters of it high, corners rounded by a
// quarter of the extent.
struct Box {
  int x, y, w, h, r;
};
Box BoxOf(const Shape& sh, int extent) {
  return {int(sh.x1), int(sh.y1), extent, extent * 3 / 4, extent / 4};
}

// Cairo's outline through the pixel centres our outlines run through (right and bottom edges on
// x + w and y + h).
void CairoBox(Surface& s, const Shape& sh, int extent, bool rounded) {
  const Box b = BoxOf(sh, extent);
  const double x = b.x + 0.5, y = b.y + 0.5, r = rounded ? b.r : 0;
  const double pi = std::numbers::pi;
  cairo_set_antialias(s.cr, rounded ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_new_path(s.cr);
  cairo_arc(s.cr, x + r, y + r, r, pi, 1.5 * pi);
  cairo_arc(s.cr, x + b.w - r, y + r, r, -0.5 * pi, 0);
  cairo_arc(s.cr, x + b.w - r, y + b.h - r, r, 0, 0.5 * pi);
  cairo_arc(s.cr, x + r, y + b.h - r, r, 0.5 * pi, pi);
  cairo_close_path(s.cr);
  cairo_stroke(s.cr);
}

using Draw = void (*)(Surface&, const Shape&, int extent);

// Each operation drawn by us and by cairo; registered as BM_<op>_Ours and BM_<op>_Cairo.
struct Operation {
  const char* name;
  Draw ours;
  Draw cairo;
};
const Operation kOperations[] = {
    {"Line",
     [](Surface& s, const Shape& sh, int) {
       RAST_Line(s.bm.get(), int(sh.x1), int(sh.y1), int(sh.x2), int(sh.y2), kColour, 1.0f, kCopy,
                 false);
     },
     [](Surface& s, const Shape& sh, int) { CairoLine(s, WholeEnds(sh), CAIRO_ANTIALIAS_NONE); }},
    {"LineAA",
     [](Surface& s, const Shape& sh, int) {
       RAST_Line(s.bm.get(), int(sh.x1), int(sh.y1), int(sh.x2), int(sh.y2), kColour, 1.0f, kCopy,
                 true);
     },
     [](Surface& s, const Shape& sh, int) {
       CairoLine(s, WholeEnds(sh), CAIRO_ANTIALIAS_DEFAULT);
     }},
    {"FLineAA",
     [](Surface& s, const Shape& sh, int) {
       RAST_FLine(s.bm.get(), sh.x1, sh.y1, sh.x2, sh.y2, kColour, 1.0f, kCopy, true);
     },
     [](Surface& s, const Shape& sh, int) { CairoLine(s, sh, CAIRO_ANTIALIAS_DEFAULT); }},
    {"Polygon",
     [](Surface& s, const Shape& sh, int) {
       RAST_FillConvexPolygon(s.bm.get(), sh.px.data(), sh.py.data(), int(sh.px.size()), kColour,
                              kCopy, 1.0f);
     },
     [](Surface& s, const Shape& sh, int) {
       cairo_set_antialias(s.cr, CAIRO_ANTIALIAS_NONE);
       cairo_move_to(s.cr, sh.px[0] + 0.5, sh.py[0] + 0.5);
       for (size_t k = 1; k < sh.px.size(); ++k)
         cairo_line_to(s.cr, sh.px[k] + 0.5, sh.py[k] + 0.5);
       cairo_close_path(s.cr);
       cairo_fill(s.cr);
     }},
    {"FillRect",
     [](Surface& s, const Shape& sh, int e) {
       const Box b = BoxOf(sh, e);
       RAST_FillRect(s.bm.get(), b.x, b.y, b.w, b.h, kColour, 1.0f, kCopy);
     },
     [](Surface& s, const Shape& sh, int e) {
       const Box b = BoxOf(sh, e);
       cairo_set_antialias(s.cr, CAIRO_ANTIALIAS_NONE);
       cairo_rectangle(s.cr, b.x, b.y, b.w, b.h);
       cairo_fill(s.cr);
     }},
    {"Rect",
     [](Surface& s, const Shape& sh, int e) {
       const Box b = BoxOf(sh, e);
       RAST_DrawRect(s.bm.get(), b.x, b.y, b.w, b.h, kColour, 1.0f, kCopy);
     },
     [](Surface& s, const Shape& sh, int e) { CairoBox(s, sh, e, false); }},
    {"RoundRectAA",
     [](Surface& s, const Shape& sh, int e) {
       const Box b = BoxOf(sh, e);
       RAST_RoundRect(s.bm.get(), float(b.x), float(b.y), float(b.w), float(b.h), b.r, kColour,
                      1.0f, kCopy, true);
     },
     [](Surface& s, const Shape& sh, int e) { CairoBox(s, sh, e, true); }},
    {"Disc",
     [](Surface& s, const Shape& sh, int e) {
       RAST_FillCircle(s.bm.get(), sh.x1, sh.y1, float(e) / 2, kColour, 1.0f, kCopy, false);
     },
     [](Surface& s, const Shape& sh, int e) {
       CairoDisc(s, sh, e / 2.0, CAIRO_ANTIALIAS_NONE, true);
     }},
    {"DiscAA",
     [](Surface& s, const Shape& sh, int e) {
       RAST_FillCircle(s.bm.get(), sh.x1, sh.y1, float(e) / 2, kColour, 1.0f, kCopy, true);
     },
     [](Surface& s, const Shape& sh, int e) {
       CairoDisc(s, sh, e / 2.0, CAIRO_ANTIALIAS_DEFAULT, true);
     }},
    {"RingAA",
     [](Surface& s, const Shape& sh, int e) {
       RAST_Circle(s.bm.get(), sh.x1, sh.y1, RingRadius(e), kColour, 1.0f, kCopy, true);
     },
     [](Surface& s, const Shape& sh, int e) {
       CairoDisc(s, sh, RingRadius(e), CAIRO_ANTIALIAS_DEFAULT, false);
     }},
};

// ---- Outputs compared with cairo's -------------------------------------------------------------

// One operation's batch drawn shape by shape on clear surfaces by both; coverage is the top byte
// (cairo's alpha, and our copy blends every byte by the same weight).
struct Comparison {
  double oursInk = 0, cairoInk = 0;  // coverage summed over the batch, in pixels
  double differing = 0;              // |ours - cairo| summed over the batch, in pixels
  int largest = 0;                   // largest difference at one pixel, 0..255
  double dx = 0, dy = 0;             // mean offset of the centre of our ink from cairo's
};
std::map<std::pair<std::string, int>, Comparison> comparisons;

Comparison Compare(const Operation& op, int extent) {
  Surface ours, cairo;
  Comparison c;
  const size_t bytes = size_t(ours.bm->getRowSpan()) * kSurface * 4;
  const std::vector<Shape> shapes = Batch(extent);
  for (const Shape& sh : shapes) {
    std::memset(ours.bm->getBits(), 0, bytes);
    std::memset(cairo.bm->getBits(), 0, bytes);
    cairo_surface_mark_dirty(cairo.surface);
    op.ours(ours, sh, extent);
    op.cairo(cairo, sh, extent);
    cairo_surface_flush(cairo.surface);
    double ink[2] = {}, sx[2] = {}, sy[2] = {};
    for (int y = 0; y < kSurface; ++y)
      for (int x = 0; x < kSurface; ++x) {
        const size_t at = size_t(y) * ours.bm->getRowSpan() + x;
        const int a = int(ours.bm->getBits()[at] >> 24), b = int(cairo.bm->getBits()[at] >> 24);
        c.largest = std::max(c.largest, std::abs(a - b));
        c.differing += std::abs(a - b) / 255.0;
        for (int k = 0; k < 2; ++k) {
          const double v = (k ? b : a) / 255.0;
          ink[k] += v;
          sx[k] += v * x;
          sy[k] += v * y;
        }
      }
    c.oursInk += ink[0];
    c.cairoInk += ink[1];
    if (ink[0] > 0 && ink[1] > 0) {
      c.dx += (sx[0] / ink[0] - sx[1] / ink[1]) / double(shapes.size());
      c.dy += (sy[0] / ink[0] - sy[1] / ink[1]) / double(shapes.size());
    }
  }
  return c;
}

// The rules of our drawers (see the note printed at the end) differ from cairo's by pixels along
// the edges; a shape with half again or a third less ink, or moved by half a pixel, is a fault.
bool Agrees(const Comparison& c) {
  const double ratio = c.oursInk / std::max(1.0, c.cairoInk);
  return ratio >= 2.0 / 3 && ratio <= 1.5 && std::fabs(c.dx) < 0.5 && std::fabs(c.dy) < 0.5;
}

void Register() {
  for (const Operation& op : kOperations) {
    for (int i = 0; i < static_cast<int>(std::size(kExtents)); ++i)
      comparisons[{op.name, i}] = Compare(op, kExtents[i]);
    for (const auto& [who, draw] : {std::pair{"Ours", op.ours}, std::pair{"Cairo", op.cairo}}) {
      const std::string name = std::string("BM_") + op.name + "_" + who;
      auto* b = benchmark::RegisterBenchmark(
          name.c_str(), [draw = draw, op = op.name](benchmark::State& st) {
            const Comparison& c = comparisons.at({op, int(st.range(0))});
            if (!Agrees(c)) {
              st.SkipWithError("output differs from cairo's beyond the known conventions");
              return;
            }
            Run(st, draw);
          });
      for (int i = 0; i < static_cast<int>(std::size(kExtents)); ++i) b->Arg(i);
    }
  }
}

// Console output plus the ratio table at the end.
class RatioReporter : public TimeKeepingReporter {
 public:
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatio of our time to cairo's (below 1.00: faster than cairo), by shape size\n");
    std::printf("%-12s", "operation");
    for (int e : kExtents) std::printf("%10d px", e);
    std::printf("\n");
    std::set<std::string> names;  // in the order of the names
    for (const Operation& op : kOperations) names.insert(op.name);
    for (const std::string& op : names) {
      const std::string ours = "BM_" + op + "_Ours/", cairo = "BM_" + op + "_Cairo/";
      const auto ran = mTimes.lower_bound(ours);
      if (ran == mTimes.end() || ran->first.compare(0, ours.size(), ours) != 0) continue;
      std::printf("%-12s", op.c_str());
      for (int i = 0; i < static_cast<int>(std::size(kExtents)); ++i)
        PrintRatio(ours + std::to_string(i), cairo + std::to_string(i), 12);
      std::printf("\n");
    }
    std::printf(
        "\nOutputs against cairo's, each shape alone on a clear surface (coverage in pixels "
        "over the batch of %d):\n",
        kBatch);
    std::printf("%-10s %5s %10s %10s %8s %9s %8s %8s\n", "operation", "size", "our ink",
                "cairo ink", "ratio", "differing", "largest", "shift");
    for (const Operation& op : kOperations)
      for (int i = 0; i < static_cast<int>(std::size(kExtents)); ++i) {
        const Comparison& c = comparisons.at({op.name, i});
        std::printf("%-10s %5d %10.0f %10.0f %8.3f %8.1f%% %8d %4.2f,%.2f\n", op.name, kExtents[i],
                    c.oursInk, c.cairoInk, c.oursInk / std::max(1.0, c.cairoInk),
                    100.0 * c.differing / std::max(1.0, c.cairoInk), c.largest, c.dx, c.dy);
      }
    std::printf(
        "\nWhy ours differs (our drawers' rules; cairo's anti-aliasing is off for Line, "
        "Polygon,\nFillRect, Rect and Disc):\n"
        "  Line, LineAA, FLineAA, RingAA, RoundRectAA: one pixel (or one shaded pair) per step "
        "along the\n"
        "    longer axis, so a slanted line has as many pixels as its longer side: about 0.9 of "
        "the ink of\n"
        "    cairo's 1-pixel-wide stroke. Cairo's aliased strokes lie about 0.24 px left of and "
        "0.22 px\n"
        "    below the true line (ours are centred on it): Line's shift.\n"
        "  Polygon: both ends of every row are filled and each edge's x is truncated from its "
        "upper\n"
        "    vertex, so the lower half gains up to a pixel per row: more ink, centre lower by up "
        "to 0.4 px.\n"
        "  Disc, DiscAA: the spans reach trunc(r + 0.5) (plain) or r and one partly covered "
        "pixel\n"
        "    (anti-aliased): the outline's pixels belong to the fill, about cairo's disc of r + "
        "0.5.\n"
        "  FillRect, Rect: the same pixels.\n"
        "A shape with half again or a third less ink than cairo's, or moved by half a pixel, "
        "would be\n"
        "reported as an error and not timed.\n");
  }
};

}  // namespace

int main(int argc, char** argv) {
  Register();
  RatioReporter reporter;
  return RunBenchmarksReportingTo(reporter, argc, argv);
}
