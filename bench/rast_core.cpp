// The rasteriser core against pixman on the same pixels in the same run: opaque copy, solid
// fill, saturating add, source-alpha copy on images whose alpha is 0 or 255 (outputs compared for
// equality first), bilinear scaling and a bilinear rotation, at control sizes and at the full
// window sizes. After the runs a table of ratios (our time / pixman's time) is printed; below 1
// means faster than pixman.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/ratio_main.h"
#include "rast/rast_bitmap.h"
#include "rast/rast_blit.h"
#include "rast/rast_fill.h"
#include "rast/rast_scaled_blit.h"
#include "rast/rast_transform_blit.h"

namespace {

struct Size {
  int w, h;
};
const Size kSizes[] = {{16, 16}, {32, 32}, {64, 64}, {1140, 800}, {2280, 1600}};

std::string SizeName(int index) {
  return std::to_string(kSizes[index].w) + "x" + std::to_string(kSizes[index].h);
}

// A memory bitmap with a pixman image over the same pixels. Byte-wise operations (copy, fill,
// saturating add) do not care about channel order, so pixman sees its fastest format.
struct Surface {
  std::unique_ptr<RAST_MemBitmap> bm;
  pixman_image_t* img = nullptr;

  Surface(int w, int h) : bm(std::make_unique<RAST_MemBitmap>(w, h, 4)) {
    img = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, reinterpret_cast<uint32_t*>(bm->getBits()),
                                   bm->getRowSpan() * 4);
  }
  ~Surface() { pixman_image_unref(img); }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  RAST_pixel& at(int x, int y) { return bm->getBits()[static_cast<std::ptrdiff_t>(y) * bm->getRowSpan() + x]; }
  void FillRandom(std::mt19937& rng) {
    for (int y = 0; y < bm->getHeight(); ++y)
      for (int x = 0; x < bm->getWidth(); ++x) at(x, y) = static_cast<RAST_pixel>(rng());
  }
};

// Our pixel (alpha in the low byte) as pixman's a8r8g8b8 word (alpha in the high byte).
uint32_t ToPixman(RAST_pixel p) {
  return RAST_PixelAlpha(p) << 24 | RAST_PixelRed(p) << 16 | RAST_PixelGreen(p) << 8 | RAST_PixelBlue(p);
}

// An image whose pixels are opaque or fully transparent (transparent ones all zero, so they are
// valid premultiplied pixels for pixman), like the GUI's control images; in blocks, as drawings are.
void FillOpaqueOrClear(Surface& s, std::mt19937& rng) {
  for (int y = 0; y < s.bm->getHeight(); ++y)
    for (int x = 0; x < s.bm->getWidth(); ++x) {
      const bool opaque = ((x / 8 + y / 8) % 3) != 0;
      s.at(x, y) = opaque ? (static_cast<RAST_pixel>(rng()) | 0xFFu) : 0u;
    }
}

// An image with soft edges for the transform benchmarks: opaque disc, anti-aliased rim.
void FillKnob(Surface& s) {
  const int w = s.bm->getWidth(), h = s.bm->getHeight();
  const double cx = w / 2.0, cy = h / 2.0, r = std::min(w, h) / 2.0 - 1.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      const double cover = std::clamp(r - d, 0.0, 1.0);
      const unsigned a = static_cast<unsigned>(cover * 255.0);
      const unsigned shade = static_cast<unsigned>((x * 255) / std::max(1, w - 1));
      // Premultiplied so pixman and we see the same picture.
      s.at(x, y) = RAST_MakePixel(shade * a / 255, (255 - shade) * a / 255, 128 * a / 255, a);
    }
}

// ---- Copy -----------------------------------------------------------------------------------

void BM_Copy_Ours(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  std::mt19937 rng(1);
  Surface src(sz.w, sz.h), dst(sz.w, sz.h);
  src.FillRandom(rng);
  for (auto _ : state) {
    RAST_Blit(dst.bm.get(), src.bm.get(), 0, 0, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

void BM_Copy_Pixman(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  std::mt19937 rng(1);
  Surface src(sz.w, sz.h), dst(sz.w, sz.h);
  src.FillRandom(rng);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, src.img, nullptr, dst.img, 0, 0, 0, 0, 0, 0, sz.w, sz.h);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

// ---- Solid fill -----------------------------------------------------------------------------

void BM_Fill_Ours(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  Surface dst(sz.w, sz.h);
  for (auto _ : state) {
    RAST_FillRect(dst.bm.get(), 0, 0, sz.w, sz.h, 0x80402010u, 1.0f, RAST_BLIT_MODE_COPY);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

void BM_Fill_Pixman(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  Surface dst(sz.w, sz.h);
  for (auto _ : state) {
    pixman_fill(reinterpret_cast<uint32_t*>(dst.bm->getBits()), dst.bm->getRowSpan(), 32, 0, 0, sz.w, sz.h,
                0x80402010u);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

// ---- Saturating add -------------------------------------------------------------------------

void BM_Add_Ours(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  std::mt19937 rng(2);
  Surface src(sz.w, sz.h), dst(sz.w, sz.h);
  src.FillRandom(rng);
  for (auto _ : state) {
    RAST_Blit(dst.bm.get(), src.bm.get(), 0, 0, nullptr, 1.0f, RAST_BLIT_MODE_ADD);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

void BM_Add_Pixman(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  std::mt19937 rng(2);
  Surface src(sz.w, sz.h), dst(sz.w, sz.h);
  src.FillRandom(rng);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_ADD, src.img, nullptr, dst.img, 0, 0, 0, 0, 0, 0, sz.w, sz.h);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

// ---- Source-alpha copy vs OVER --------------------------------------------------------------

// Our image and pixman's a8r8g8b8 copy of it; the destination likewise.
struct OverPair {
  Surface src, dst, psrc, pdst;
  OverPair(int w, int h) : src(w, h), dst(w, h), psrc(w, h), pdst(w, h) {
    std::mt19937 rng(3);
    FillOpaqueOrClear(src, rng);
    dst.FillRandom(rng);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        dst.at(x, y) |= 0xFFu;  // an opaque destination, as the GUI's back buffer
        psrc.at(x, y) = ToPixman(src.at(x, y));
        pdst.at(x, y) = ToPixman(dst.at(x, y));
      }
  }
};

bool OverOutputsAgree(int w, int h) {
  OverPair p(w, h);
  RAST_Blit(p.dst.bm.get(), p.src.bm.get(), 0, 0, nullptr, 1.0f, RAST_BLIT_USE_ALPHA);
  pixman_image_composite32(PIXMAN_OP_OVER, p.psrc.img, nullptr, p.pdst.img, 0, 0, 0, 0, 0, 0, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (ToPixman(p.dst.at(x, y)) != p.pdst.at(x, y)) return false;
  return true;
}

void BM_SourceAlpha_Ours(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  if (!OverOutputsAgree(sz.w, sz.h)) {
    state.SkipWithError("outputs differ from pixman's OVER");
    return;
  }
  OverPair p(sz.w, sz.h);
  for (auto _ : state) {
    RAST_Blit(p.dst.bm.get(), p.src.bm.get(), 0, 0, nullptr, 1.0f, RAST_BLIT_USE_ALPHA);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

void BM_SourceAlpha_Pixman(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  OverPair p(sz.w, sz.h);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, p.psrc.img, nullptr, p.pdst.img, 0, 0, 0, 0, 0, 0, sz.w, sz.h);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

// ---- Bilinear scaling -----------------------------------------------------------------------

// The destination is the listed size, the source two thirds of it (a 1.5x enlargement, which
// stays on the bilinear path rather than the box filter). Both sides stretch the first size - 1
// source pixels over the destination: then none of our samples reaches the last source column
// or row, no destination pixel is clipped away, and both compute every destination pixel.
Size ScaleSource(Size d) { return Size{std::max(2, d.w * 2 / 3), std::max(2, d.h * 2 / 3)}; }

void BM_Bilinear_Ours(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)], ss = ScaleSource(sz);
  std::mt19937 rng(4);
  Surface src(ss.w, ss.h), dst(sz.w, sz.h);
  src.FillRandom(rng);
  for (auto _ : state) {
    RAST_ScaledBlit(dst.bm.get(), src.bm.get(), 0, 0, sz.w, sz.h, 0.0f, 0.0f, static_cast<float>(ss.w - 1),
                    static_cast<float>(ss.h - 1), 1.0f, RAST_BLIT_FILTER_BILINEAR);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

void BM_Bilinear_Pixman(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)], ss = ScaleSource(sz);
  std::mt19937 rng(4);
  Surface src(ss.w, ss.h), dst(sz.w, sz.h);
  src.FillRandom(rng);
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(static_cast<double>(ss.w - 1) / sz.w),
                              pixman_double_to_fixed(static_cast<double>(ss.h - 1) / sz.h));
  pixman_image_set_transform(src.img, &t);
  pixman_image_set_filter(src.img, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, src.img, nullptr, dst.img, 0, 0, 0, 0, 0, 0, sz.w, sz.h);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

// ---- Bilinear rotation ----------------------------------------------------------------------

constexpr double kAngle = 0.5;  // radians, as a knob turned part-way

void BM_Rotate_Ours(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  Surface src(sz.w, sz.h), dst(sz.w, sz.h);
  FillKnob(src);
  for (auto _ : state) {
    RAST_RotatedBlit(dst.bm.get(), src.bm.get(), 0, 0, sz.w, sz.h, 0.0f, 0.0f, static_cast<float>(sz.w),
                     static_cast<float>(sz.h), static_cast<float>(kAngle), false, 1.0f,
                     RAST_BLIT_FILTER_BILINEAR | RAST_BLIT_USE_ALPHA);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

void BM_Rotate_Pixman(benchmark::State& state) {
  const Size sz = kSizes[state.range(0)];
  Surface src(sz.w, sz.h), dst(sz.w, sz.h);
  FillKnob(src);
  // Destination to source: about the centre by the same angle.
  pixman_f_transform_t f;
  pixman_f_transform_init_identity(&f);
  pixman_f_transform_translate(&f, nullptr, -sz.w / 2.0, -sz.h / 2.0);
  pixman_f_transform_rotate(&f, nullptr, std::cos(kAngle), std::sin(kAngle));
  pixman_f_transform_translate(&f, nullptr, sz.w / 2.0, sz.h / 2.0);
  pixman_transform_t t;
  pixman_transform_from_pixman_f_transform(&t, &f);
  pixman_image_set_transform(src.img, &t);
  pixman_image_set_filter(src.img, PIXMAN_FILTER_BILINEAR, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, src.img, nullptr, dst.img, 0, 0, 0, 0, 0, 0, sz.w, sz.h);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sz.w * sz.h);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int i = 0; i < static_cast<int>(std::size(kSizes)); ++i) b->Arg(i);
}

BENCHMARK(BM_Copy_Ours)->Apply(Sizes);
BENCHMARK(BM_Copy_Pixman)->Apply(Sizes);
BENCHMARK(BM_Fill_Ours)->Apply(Sizes);
BENCHMARK(BM_Fill_Pixman)->Apply(Sizes);
BENCHMARK(BM_Add_Ours)->Apply(Sizes);
BENCHMARK(BM_Add_Pixman)->Apply(Sizes);
BENCHMARK(BM_SourceAlpha_Ours)->Apply(Sizes);
BENCHMARK(BM_SourceAlpha_Pixman)->Apply(Sizes);
BENCHMARK(BM_Bilinear_Ours)->Apply(Sizes);
BENCHMARK(BM_Bilinear_Pixman)->Apply(Sizes);
BENCHMARK(BM_Rotate_Ours)->Apply(Sizes);
BENCHMARK(BM_Rotate_Pixman)->Apply(Sizes);

// Console output plus the ratio table at the end. With --benchmark_repetitions (best with
// --benchmark_enable_random_interleaving, so a busy machine slows both sides alike) each side's
// time is the median of its repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_None) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.benchmark_name();  // BM_<Op>_<Who>/<size index>
      const auto under = name.rfind('_'), slash = name.find('/');
      if (under == std::string::npos || slash == std::string::npos || under > slash) continue;
      const std::string op = name.substr(3, under - 3), who = name.substr(under + 1, slash - under - 1);
      const int size = std::stoi(name.substr(slash + 1));
      (who == "Ours" ? ours_ : theirs_)[{op, size}].push_back(run.GetAdjustedRealTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nRatio of our time to pixman's (below 1.00: faster than pixman)\n");
    std::printf("%-14s", "operation");
    for (int i = 0; i < static_cast<int>(std::size(kSizes)); ++i) std::printf("%12s", SizeName(i).c_str());
    std::printf("\n");
    std::string last;
    for (const auto& [key, t] : ours_) {
      if (key.first == last) continue;
      last = key.first;
      std::printf("%-14s", key.first.c_str());
      for (int i = 0; i < static_cast<int>(std::size(kSizes)); ++i) {
        const auto a = ours_.find({key.first, i}), b = theirs_.find({key.first, i});
        const double ourTime = a == ours_.end() ? 0.0 : Median(a->second);
        const double theirTime = b == theirs_.end() ? 0.0 : Median(b->second);
        if (ourTime <= 0 || theirTime <= 0) std::printf("%12s", "-");
        else std::printf("%12.2f", ourTime / theirTime);
      }
      std::printf("\n");
    }
  }

 private:
  static double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
  }
  std::map<std::pair<std::string, int>, std::vector<double>> ours_, theirs_;
};

}  // namespace

int main(int argc, char** argv) {
  RatioReporter reporter;
  return RunBenchmarksReportingTo(reporter, argc, argv);
}
