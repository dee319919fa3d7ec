// The rasteriser core against pixman on what the GUI draws: control-sized images (16 to 64
// pixels) blitted at an unaligned position into a page-sized (1140x800) back buffer, and the
// whole page. Operations: opaque copy, solid fill, saturating add, source-alpha copy against
// OVER on four kinds of image (opaque-or-clear blocks, a soft-edged knob, a shadow ramp, random
// alpha), bilinear scaling and a bilinear rotation. (bench_rast_frames times the blits real
// frames do.)
//
// Before anything is timed, each case runs once on both sides from the same pixels and the two
// pages are compared channel by channel; a case outside its tolerance is reported as an error
// and not timed. Tolerances: copy, fill, add and OVER of opaque-or-clear images are exact. OVER
// with partial alpha: 2 (we blend straight colour with weights of /256, pixman premultiplied
// colour with rounded /255). Bilinear scaling and rotation 4, with the sampling grids aligned (ours
// samples at pixel corners, pixman at centres, so pixman's transform is shifted by half a pixel)
// and the rotation turned the same way; pixman keeps 7 bits of interpolation weight, we 16.
//
// Every side's time is the median CPU time of its repetitions (9 by default, interleaved at
// random so a busy machine slows both alike); the table at the end gives our median over
// pixman's (below 1.00: faster than pixman).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

constexpr int kPageW = 1140, kPageH = 800;
// Where a control lands: not on any 16- or 32-byte boundary of the page's rows.
constexpr int kAtX = 37, kAtY = 21;

struct Size {
  int w, h;
};
const Size kSizes[] = {{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {kPageW, kPageH}};
constexpr int kSizeCount = static_cast<int>(std::size(kSizes));

bool IsPage(Size s) {
  return s.w == kPageW && s.h == kPageH;
}
std::string SizeName(int i) {
  return IsPage(kSizes[i]) ? "page"
                           : std::to_string(kSizes[i].w) + "x" + std::to_string(kSizes[i].h);
}

// A memory bitmap with a pixman image over the same pixels.
struct Surface {
  std::unique_ptr<RAST_MemBitmap> bm;
  pixman_image_t* img = nullptr;

  Surface(int w, int h) : bm(std::make_unique<RAST_MemBitmap>(w, h, 4)) {
    img = pixman_image_create_bits(
        PIXMAN_a8r8g8b8, w, h, reinterpret_cast<uint32_t*>(bm->getBits()), bm->getRowSpan() * 4);
  }
  ~Surface() { pixman_image_unref(img); }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // Pixman reads only the top-left w x h, its edge pixels repeated beyond.
  void Crop(int w, int h) {
    pixman_image_unref(img);
    img = pixman_image_create_bits(
        PIXMAN_a8r8g8b8, w, h, reinterpret_cast<uint32_t*>(bm->getBits()), bm->getRowSpan() * 4);
    pixman_image_set_repeat(img, PIXMAN_REPEAT_PAD);
  }

  int w() const { return bm->getWidth(); }
  int h() const { return bm->getHeight(); }
  RAST_pixel& at(int x, int y) {
    return bm->getBits()[static_cast<std::ptrdiff_t>(y) * bm->getRowSpan() + x];
  }
};

// Our pixel (alpha in the low byte) as pixman's a8r8g8b8 word (alpha in the high byte).
uint32_t ToPixman(RAST_pixel p) {
  return RAST_PixelAlpha(p) << 24 | RAST_PixelRed(p) << 16 | RAST_PixelGreen(p) << 8 |
         RAST_PixelBlue(p);
}
// Our straight-colour pixel as pixman's premultiplied one.
uint32_t ToPixmanPremultiplied(RAST_pixel p) {
  const unsigned a = RAST_PixelAlpha(p);
  auto mul = [a](unsigned c) { return (c * a + 127) / 255; };
  return a << 24 | mul(RAST_PixelRed(p)) << 16 | mul(RAST_PixelGreen(p)) << 8 |
         mul(RAST_PixelBlue(p));
}

// ---- Images -----------------------------------------------------------------------------------

enum class Image { Random, Blocks, Knob, Shadow, RandomAlpha };

RAST_pixel Opaque(RAST_pixel p) {
  return p | 0xFFu;
}

// Straight colour with the alpha each kind of image has.
void Draw(Surface& s, Image kind, std::mt19937& rng) {
  const int w = s.w(), h = s.h();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      RAST_pixel p = static_cast<RAST_pixel>(rng());
      switch (kind) {
        case Image::Random:
          break;
        case Image::Blocks:  // opaque or clear, in blocks as drawings are
          p = ((x / 8 + y / 8) % 3) != 0 ? Opaque(p) : 0u;
          break;
        case Image::Knob: {  // opaque disc, anti-aliased rim, smooth shading
          const double d = std::hypot(x + 0.5 - w / 2.0, y + 0.5 - h / 2.0);
          const double cover = std::clamp(std::min(w, h) / 2.0 - 1.0 - d, 0.0, 1.0);
          const unsigned shade = static_cast<unsigned>((x * 255) / std::max(1, w - 1));
          p = RAST_MakePixel(shade, 255 - shade, 128, static_cast<unsigned>(cover * 255.0));
          break;
        }
        case Image::Shadow: {  // black, alpha falling away from the top-left corner
          const int far = std::max(x, y) * 160 / std::max(1, std::max(w, h) - 1);
          p = RAST_MakePixel(0, 0, 0, static_cast<unsigned>(160 - far));
          break;
        }
        case Image::RandomAlpha:
          break;
      }
      s.at(x, y) = p;
    }
}

// ---- Cases ------------------------------------------------------------------------------------

// One operation at one size: our page and source, pixman's, the two draws, the tolerance.
struct Scene {
  Size size;
  int x = 0, y = 0;  // where the image lands on the page
  std::unique_ptr<Surface> page, ppage, src, psrc;
  bool pixmanOrder = false;  // pixman's words are a8r8g8b8 copies (else the same bytes)
  int tolerance = 0;
  std::function<void(Scene&)> ours, theirs;
};

using SceneMaker = void (*)(Scene&);

// The page and the image; byte-wise operations give pixman the same words, the others pixman's
// channel order and premultiplied colour.
void Prepare(Scene& sc, Image image, Size source, bool pixmanOrder, unsigned seed) {
  std::mt19937 rng(seed);
  sc.pixmanOrder = pixmanOrder;
  sc.x = IsPage(sc.size) ? 0 : kAtX;
  sc.y = IsPage(sc.size) ? 0 : kAtY;
  sc.page = std::make_unique<Surface>(kPageW, kPageH);
  sc.ppage = std::make_unique<Surface>(kPageW, kPageH);
  sc.src = std::make_unique<Surface>(source.w, source.h);
  sc.psrc = std::make_unique<Surface>(source.w, source.h);
  Draw(*sc.page, Image::Random, rng);
  Draw(*sc.src, image, rng);
  for (int y = 0; y < kPageH; ++y)
    for (int x = 0; x < kPageW; ++x) {
      RAST_pixel& p = sc.page->at(x, y);
      if (pixmanOrder) p = Opaque(p);  // the GUI's back buffer is opaque
      sc.ppage->at(x, y) = pixmanOrder ? ToPixman(p) : p;
    }
  for (int y = 0; y < source.h; ++y)
    for (int x = 0; x < source.w; ++x)
      sc.psrc->at(x, y) = pixmanOrder ? ToPixmanPremultiplied(sc.src->at(x, y)) : sc.src->at(x, y);
}

void Composite(Scene& sc, pixman_op_t op) {
  pixman_image_composite32(op, sc.psrc->img, nullptr, sc.ppage->img, 0, 0, 0, 0, sc.x, sc.y,
                           sc.size.w, sc.size.h);
}

void MakeCopy(Scene& sc) {
  Prepare(sc, Image::Random, sc.size, false, 1);
  sc.ours = [](Scene& s) {
    RAST_Blit(s.page->bm.get(), s.src->bm.get(), s.x, s.y, nullptr, 1.0f, RAST_BLIT_MODE_COPY);
  };
  sc.theirs = [](Scene& s) { Composite(s, PIXMAN_OP_SRC); };
}

void MakeFill(Scene& sc) {
  Prepare(sc, Image::Random, Size{1, 1}, false, 2);
  sc.ours = [](Scene& s) {
    RAST_FillRect(s.page->bm.get(), s.x, s.y, s.size.w, s.size.h, 0x80402010u, 1.0f,
                  RAST_BLIT_MODE_COPY);
  };
  sc.theirs = [](Scene& s) {
    pixman_fill(reinterpret_cast<uint32_t*>(s.ppage->bm->getBits()), s.ppage->bm->getRowSpan(), 32,
                s.x, s.y, s.size.w, s.size.h, 0x80402010u);
  };
}

void MakeAdd(Scene& sc) {
  Prepare(sc, Image::Random, sc.size, false, 3);
  sc.ours = [](Scene& s) {
    RAST_Blit(s.page->bm.get(), s.src->bm.get(), s.x, s.y, nullptr, 1.0f, RAST_BLIT_MODE_ADD);
  };
  sc.theirs = [](Scene& s) { Composite(s, PIXMAN_OP_ADD); };
}

template <Image Kind>
void MakeOver(Scene& sc) {
  Prepare(sc, Kind, sc.size, true, 4);
  sc.tolerance = Kind == Image::Blocks ? 0 : 2;
  sc.ours = [](Scene& s) {
    RAST_Blit(s.page->bm.get(), s.src->bm.get(), s.x, s.y, nullptr, 1.0f, RAST_BLIT_USE_ALPHA);
  };
  sc.theirs = [](Scene& s) { Composite(s, PIXMAN_OP_OVER); };
}

// The destination is the listed size, the source two thirds of it (a 1.5x enlargement, on the
// bilinear path rather than the box filter). Both stretch the first size - 1 source pixels over
// the destination: we read no further, and our last column and row interpolate along one axis
// only, as pixman's with those pixels repeated beyond.
Size ScaleSource(Size d) {
  return Size{std::max(2, d.w * 2 / 3), std::max(2, d.h * 2 / 3)};
}

// Pixman's transform maps destination pixel centres to source positions whose pixel centres are
// at +0.5; ours maps destination corners to source corners. This gives pixman our grid: for a
// destination pixel (x, y), the source position of ours plus a half.
void SetPixmanWalk(Scene& sc, double sx, double sy, double dsdx, double dtdx, double dsdy,
                   double dtdy) {
  pixman_f_transform_t f;
  f.m[0][0] = dsdx;
  f.m[0][1] = dsdy;
  f.m[0][2] = sx + 0.5 - 0.5 * (dsdx + dsdy);
  f.m[1][0] = dtdx;
  f.m[1][1] = dtdy;
  f.m[1][2] = sy + 0.5 - 0.5 * (dtdx + dtdy);
  f.m[2][0] = f.m[2][1] = 0.0;
  f.m[2][2] = 1.0;
  pixman_transform_t t;
  pixman_transform_from_pixman_f_transform(&t, &f);
  pixman_image_set_transform(sc.psrc->img, &t);
  pixman_image_set_filter(sc.psrc->img, PIXMAN_FILTER_BILINEAR, nullptr, 0);
}

void MakeBilinear(Scene& sc) {
  const Size ss = ScaleSource(sc.size);
  Prepare(sc, Image::Random, ss, false, 5);
  sc.psrc->Crop(ss.w - 1, ss.h - 1);
  sc.tolerance = 4;
  const double xstep = static_cast<float>(ss.w - 1) / static_cast<float>(sc.size.w);
  const double ystep = static_cast<float>(ss.h - 1) / static_cast<float>(sc.size.h);
  SetPixmanWalk(sc, 0.0, 0.0, xstep, 0.0, 0.0, ystep);
  sc.ours = [ss](Scene& s) {
    RAST_ScaledBlit(s.page->bm.get(), s.src->bm.get(), s.x, s.y, s.size.w, s.size.h, 0.0f, 0.0f,
                    static_cast<float>(ss.w - 1), static_cast<float>(ss.h - 1), 1.0f,
                    RAST_BLIT_FILTER_BILINEAR);
  };
  sc.theirs = [](Scene& s) { Composite(s, PIXMAN_OP_SRC); };
}

constexpr double kAngle = 0.5;  // radians, a knob turned part-way

void MakeRotate(Scene& sc) {
  Prepare(sc, Image::Knob, sc.size, true, 6);
  sc.tolerance = 4;
  // Our walk for a source as large as the destination turned about its centre: one step right
  // moves (cos, -sin) through the source, one row down (sin, cos).
  const double c = std::cos(kAngle), s = std::sin(kAngle), w = sc.size.w, h = sc.size.h;
  SetPixmanWalk(sc, -((h * s + w * c) - w) * 0.5, -((h * c - w * s) - h) * 0.5, c, -s, s, c);
  sc.ours = [](Scene& sn) {
    RAST_RotatedBlit(sn.page->bm.get(), sn.src->bm.get(), sn.x, sn.y, sn.size.w, sn.size.h, 0.0f,
                     0.0f, static_cast<float>(sn.size.w), static_cast<float>(sn.size.h),
                     static_cast<float>(kAngle), false, 1.0f,
                     RAST_BLIT_FILTER_BILINEAR | RAST_BLIT_USE_ALPHA);
  };
  sc.theirs = [](Scene& sn) { Composite(sn, PIXMAN_OP_OVER); };
}

struct Operation {
  const char* name;
  SceneMaker make;
};
const Operation kOperations[] = {
    {"Copy", MakeCopy},
    {"Fill", MakeFill},
    {"Add", MakeAdd},
    {"OverBlocks", MakeOver<Image::Blocks>},
    {"OverKnob", MakeOver<Image::Knob>},
    {"OverShadow", MakeOver<Image::Shadow>},
    {"OverRandom", MakeOver<Image::RandomAlpha>},
    {"Bilinear", MakeBilinear},
    {"Rotate", MakeRotate},
};

// Runs both sides once and returns the largest channel difference of the two pages.
int Difference(const Operation& op, Size size) {
  Scene sc;
  sc.size = size;
  op.make(sc);
  sc.ours(sc);
  sc.theirs(sc);
  int worst = 0;
  for (int y = 0; y < kPageH; ++y)
    for (int x = 0; x < kPageW; ++x) {
      const uint32_t a = sc.pixmanOrder ? ToPixman(sc.page->at(x, y)) : sc.page->at(x, y),
                     b = sc.ppage->at(x, y);
      for (int sh = 0; sh < 32; sh += 8)
        worst = std::max(worst, std::abs(static_cast<int>((a >> sh) & 0xFF) -
                                         static_cast<int>((b >> sh) & 0xFF)));
    }
  return worst;
}

std::map<std::pair<std::string, int>, int> differences;

void Time(benchmark::State& state, const Operation* op, int sizeIndex, bool ours) {
  Scene sc;
  sc.size = kSizes[sizeIndex];
  op->make(sc);
  const int diff = differences.at({op->name, sizeIndex});
  if (diff > sc.tolerance) {
    state.SkipWithError(("outputs differ from pixman's by " + std::to_string(diff)).c_str());
    return;
  }
  const auto& draw = ours ? sc.ours : sc.theirs;
  for (auto _ : state) {
    draw(sc);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * sc.size.w * sc.size.h);
}

void RegisterAll() {
  for (const Operation& op : kOperations)
    for (int i = 0; i < kSizeCount; ++i) {
      differences[{op.name, i}] = Difference(op, kSizes[i]);
      for (bool ours : {true, false}) {
        const std::string name =
            std::string(op.name) + "/" + (ours ? "Ours" : "Pixman") + "/" + std::to_string(i);
        benchmark::RegisterBenchmark(name.c_str(), Time, &op, i, ours);
      }
    }
}

// Console output plus the ratio table at the end, from the medians of the repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_None) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (!median && run.run_type != Run::RT_Iteration) continue;
      const std::string name = run.run_name.function_name;  // <Op>/<Who>/<size index>
      const auto a = name.find('/'), b = name.rfind('/');
      if (a == std::string::npos || b == a) continue;
      const std::string op = name.substr(0, a), who = name.substr(a + 1, b - a - 1);
      auto& slot = (who == "Ours" ? mOurs : mTheirs)[{op, std::stoi(name.substr(b + 1))}];
      // CPU time: on a shared machine the wall clock also counts the time another process ran.
      if (median)
        slot.median = run.GetAdjustedCPUTime();
      else
        slot.runs.push_back(run.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nControls land at (%d, %d) of a %dx%d page; \"page\" is the whole page.\n", kAtX,
                kAtY, kPageW, kPageH);
    std::printf(
        "Ratio of our median CPU time to pixman's (below 1.00: faster than pixman); [largest "
        "channel "
        "difference from pixman's output]\n");
    std::printf("%-12s", "operation");
    for (int i = 0; i < kSizeCount; ++i) std::printf("%13s", SizeName(i).c_str());
    std::printf("\n");
    double worst = 0.0;
    for (const Operation& op : kOperations) {
      std::printf("%-12s", op.name);
      for (int i = 0; i < kSizeCount; ++i) {
        const auto a = mOurs.find({op.name, i}), b = mTheirs.find({op.name, i});
        const double ourTime = a == mOurs.end() ? 0.0 : a->second.Median();
        const double theirTime = b == mTheirs.end() ? 0.0 : b->second.Median();
        const int diff = differences.at({op.name, i});
        if (ourTime <= 0 || theirTime <= 0) {
          std::printf("%13s", "-");
          continue;
        }
        worst = std::max(worst, ourTime / theirTime);
        std::printf("%8.2f [%d]", ourTime / theirTime, diff);
      }
      std::printf("\n");
    }
    std::printf("Largest ratio: %.2f\n", worst);
  }

 private:
  struct Times {
    double median = 0.0;
    std::vector<double> runs;
    double Median() const {
      if (median > 0.0 || runs.empty()) return median;
      std::vector<double> v = runs;
      std::sort(v.begin(), v.end());
      const std::size_t n = v.size();
      return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
    }
  };
  std::map<std::pair<std::string, int>, Times> mOurs, mTheirs;
};

}  // namespace

int main(int argc, char** argv) {
  // Repetitions, interleaving and short runs unless the command line says otherwise.
  std::vector<char*> args(argv, argv + argc);
  static char reps[] = "--benchmark_repetitions=9",
              mix[] = "--benchmark_enable_random_interleaving=true",
              quick[] = "--benchmark_min_time=0.03",
              brief[] = "--benchmark_display_aggregates_only=true";
  auto given = [&](const char* flag) {
    const std::string f(flag, std::string(flag).find('='));
    return std::any_of(args.begin() + 1, args.end(),
                       [&](char* a) { return std::string(a).rfind(f, 0) == 0; });
  };
  for (char* flag : {reps, mix, quick, brief})
    if (!given(flag)) args.push_back(flag);
  int n = static_cast<int>(args.size());
  RegisterAll();
  RatioReporter reporter;
  return RunBenchmarksReportingTo(reporter, n, args.data());
}
