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

void CairoLine(Surface& s, float x1, float y1, float x2, float y2) {
  cairo_move_to(s.cr, x1 + 0.5, y1 + 0.5);
  cairo_line_to(s.cr, x2 + 0.5, y2 + 0.5);
  cairo_stroke(s.cr);
}

void BM_Line_Ours(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int) {
    RAST_Line(s.bm.get(), int(sh.x1), int(sh.y1), int(sh.x2), int(sh.y2), kColour, 1.0f, kCopy,
              false);
  });
}
void BM_Line_Cairo(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int) {
    cairo_set_antialias(s.cr, CAIRO_ANTIALIAS_NONE);
    CairoLine(s, float(int(sh.x1)), float(int(sh.y1)), float(int(sh.x2)), float(int(sh.y2)));
  });
}
void BM_LineAA_Ours(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int) {
    RAST_Line(s.bm.get(), int(sh.x1), int(sh.y1), int(sh.x2), int(sh.y2), kColour, 1.0f, kCopy,
              true);
  });
}
void BM_LineAA_Cairo(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int) {
    cairo_set_antialias(s.cr, CAIRO_ANTIALIAS_DEFAULT);
    CairoLine(s, float(int(sh.x1)), float(int(sh.y1)), float(int(sh.x2)), float(int(sh.y2)));
  });
}
void BM_FLineAA_Ours(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int) {
    RAST_FLine(s.bm.get(), sh.x1, sh.y1, sh.x2, sh.y2, kColour, 1.0f, kCopy, true);
  });
}
void BM_FLineAA_Cairo(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int) {
    cairo_set_antialias(s.cr, CAIRO_ANTIALIAS_DEFAULT);
    CairoLine(s, sh.x1, sh.y1, sh.x2, sh.y2);
  });
}
void BM_Polygon_Ours(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int) {
    RAST_FillConvexPolygon(s.bm.get(), sh.px.data(), sh.py.data(), int(sh.px.size()), kColour,
                           kCopy, 1.0f);
  });
}
void BM_Polygon_Cairo(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int) {
    cairo_set_antialias(s.cr, CAIRO_ANTIALIAS_NONE);
    cairo_move_to(s.cr, sh.px[0], sh.py[0]);
    for (size_t k = 1; k < sh.px.size(); ++k) cairo_line_to(s.cr, sh.px[k], sh.py[k]);
    cairo_close_path(s.cr);
    cairo_fill(s.cr);
  });
}
void CairoDisc(Surface& s, const Shape& sh, int extent, cairo_antialias_t aa, bool fill) {
  cairo_set_antialias(s.cr, aa);
  cairo_new_path(s.cr);
  cairo_arc(s.cr, sh.x1 + 0.5, sh.y1 + 0.5, extent / 2.0, 0, 2 * std::numbers::pi);
  fill ? cairo_fill(s.cr) : cairo_stroke(s.cr);
}
void BM_Disc_Ours(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int e) {
    RAST_FillCircle(s.bm.get(), sh.x1, sh.y1, float(e) / 2, kColour, 1.0f, kCopy, false);
  });
}
void BM_Disc_Cairo(benchmark::State& st) {
  Run(st,
      [](Surface& s, const Shape& sh, int e) { CairoDisc(s, sh, e, CAIRO_ANTIALIAS_NONE, true); });
}
void BM_DiscAA_Ours(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int e) {
    RAST_FillCircle(s.bm.get(), sh.x1, sh.y1, float(e) / 2, kColour, 1.0f, kCopy, true);
  });
}
void BM_DiscAA_Cairo(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int e) {
    CairoDisc(s, sh, e, CAIRO_ANTIALIAS_DEFAULT, true);
  });
}
void BM_RingAA_Ours(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int e) {
    RAST_Circle(s.bm.get(), sh.x1, sh.y1, float(e) / 2 + 0.3f, kColour, 1.0f, kCopy, true);
  });
}
void BM_RingAA_Cairo(benchmark::State& st) {
  Run(st, [](Surface& s, const Shape& sh, int e) {
    CairoDisc(s, sh, e, CAIRO_ANTIALIAS_DEFAULT, false);
  });
}

void Extents(benchmark::internal::Benchmark* b) {
  for (int i = 0; i < static_cast<int>(std::size(kExtents)); ++i) b->Arg(i);
}

BENCHMARK(BM_Line_Ours)->Apply(Extents);
BENCHMARK(BM_Line_Cairo)->Apply(Extents);
BENCHMARK(BM_LineAA_Ours)->Apply(Extents);
BENCHMARK(BM_LineAA_Cairo)->Apply(Extents);
BENCHMARK(BM_FLineAA_Ours)->Apply(Extents);
BENCHMARK(BM_FLineAA_Cairo)->Apply(Extents);
BENCHMARK(BM_Polygon_Ours)->Apply(Extents);
BENCHMARK(BM_Polygon_Cairo)->Apply(Extents);
BENCHMARK(BM_Disc_Ours)->Apply(Extents);
BENCHMARK(BM_Disc_Cairo)->Apply(Extents);
BENCHMARK(BM_DiscAA_Ours)->Apply(Extents);
BENCHMARK(BM_DiscAA_Cairo)->Apply(Extents);
BENCHMARK(BM_RingAA_Ours)->Apply(Extents);
BENCHMARK(BM_RingAA_Cairo)->Apply(Extents);

// Console output plus the ratio table at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.benchmark_name();  // BM_<Op>_<Who>/<extent index>
      const auto under = name.rfind('_'), slash = name.find('/');
      if (under == std::string::npos || slash == std::string::npos || under > slash) continue;
      const std::string op = name.substr(3, under - 3),
                        who = name.substr(under + 1, slash - under - 1);
      const int extent = std::stoi(name.substr(slash + 1));
      (who == "Ours" ? mOurs : mTheirs)[{op, extent}] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatio of our time to cairo's (below 1.00: faster than cairo), by shape size\n");
    std::printf("%-12s", "operation");
    for (int e : kExtents) std::printf("%10d px", e);
    std::printf("\n");
    std::string last;
    for (const auto& [key, t] : mOurs) {
      if (key.first == last) continue;
      last = key.first;
      std::printf("%-12s", key.first.c_str());
      for (int i = 0; i < static_cast<int>(std::size(kExtents)); ++i) {
        const auto a = mOurs.find({key.first, i}), b = mTheirs.find({key.first, i});
        if (a == mOurs.end() || b == mTheirs.end() || b->second <= 0)
          std::printf("%13s", "-");
        else
          std::printf("%13.2f", a->second / b->second);
      }
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

 private:
  std::map<std::pair<std::string, int>, double> mOurs, mTheirs;
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  return RunBenchmarksReportingTo(reporter, argc, argv);
}
