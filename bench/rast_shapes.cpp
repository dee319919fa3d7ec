// The drawing primitives against cairo's image backend on the same pixels in the same run: plain
// and anti-aliased lines, anti-aliased float lines, filled convex polygons, filled circles (plain
// and anti-aliased) and anti-aliased circle outlines, at control sizes (shapes 8 to 64 pixels
// across). Each iteration draws the same batch of 64 shapes at fixed pseudo-random places on a
// 256 x 256 surface. After the runs a table of ratios (our time / cairo's time) is printed; below
// 1 means faster than cairo. Opaque colour in both: our copy mode at alpha 1.0, cairo's OVER with
// an opaque source.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
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

void CairoDisc(Surface& s, const Shape& sh, int extent, cairo_antialias_t aa, bool fill) {
  cairo_set_antialias(s.cr, aa);
  cairo_new_path(s.cr);
  cairo_arc(s.cr, sh.x1 + 0.5, sh.y1 + 0.5, extent / 2.0, 0, 2 * std::numbers::pi);
  fill ? cairo_fill(s.cr) : cairo_stroke(s.cr);
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
       cairo_move_to(s.cr, sh.px[0], sh.py[0]);
       for (size_t k = 1; k < sh.px.size(); ++k) cairo_line_to(s.cr, sh.px[k], sh.py[k]);
       cairo_close_path(s.cr);
       cairo_fill(s.cr);
     }},
    {"Disc",
     [](Surface& s, const Shape& sh, int e) {
       RAST_FillCircle(s.bm.get(), sh.x1, sh.y1, float(e) / 2, kColour, 1.0f, kCopy, false);
     },
     [](Surface& s, const Shape& sh, int e) { CairoDisc(s, sh, e, CAIRO_ANTIALIAS_NONE, true); }},
    {"DiscAA",
     [](Surface& s, const Shape& sh, int e) {
       RAST_FillCircle(s.bm.get(), sh.x1, sh.y1, float(e) / 2, kColour, 1.0f, kCopy, true);
     },
     [](Surface& s, const Shape& sh, int e) {
       CairoDisc(s, sh, e, CAIRO_ANTIALIAS_DEFAULT, true);
     }},
    {"RingAA",
     [](Surface& s, const Shape& sh, int e) {
       RAST_Circle(s.bm.get(), sh.x1, sh.y1, float(e) / 2 + 0.3f, kColour, 1.0f, kCopy, true);
     },
     [](Surface& s, const Shape& sh, int e) {
       CairoDisc(s, sh, e, CAIRO_ANTIALIAS_DEFAULT, false);
     }},
};

void Register() {
  for (const Operation& op : kOperations) {
    for (const auto& [who, draw] : {std::pair{"Ours", op.ours}, std::pair{"Cairo", op.cairo}}) {
      const std::string name = std::string("BM_") + op.name + "_" + who;
      auto* b = benchmark::RegisterBenchmark(
          name.c_str(), [draw = draw](benchmark::State& st) { Run(st, draw); });
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
        "\nWhere the anti-aliasing differs:\n"
        "  LineAA, FLineAA: ours spreads each step over two pixels by the exact position (no\n"
        "    coverage for the line's width, square ends); cairo computes the area a 1-pixel-wide\n"
        "    stroke covers, so its lines are slightly wider and softer, with butt caps.\n"
        "  DiscAA, RingAA: ours shades one pixel per column or row of the edge by the fractional\n"
        "    radius; cairo samples coverage over the whole edge pixel (and strokes the ring 1 "
        "pixel\n"
        "    wide). Plain Line, Polygon and Disc are compared with cairo's anti-aliasing off; "
        "their\n"
        "    pixel sets may differ by one pixel along the edges (rounding rules).\n");
  }
};

}  // namespace

int main(int argc, char** argv) {
  Register();
  RatioReporter reporter;
  return RunBenchmarksReportingTo(reporter, argc, argv);
}
