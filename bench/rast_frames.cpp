// The blits of real frames against pixman. The editor's synth and manager pages are drawn with
// the build's artwork in every skin at GUI scale 1 and 2 while a watcher records each blit
// (RAST_WatchBlits): its place, size, mode, the source pixels and the destination pixels just
// before it. Four recordings per skin and scale, after the page's first frame: a full frame of
// the synth page with its static layer remade (as after a rescale), a full redraw over the
// layer as it is, one frame of a knob drag (the knob and its read-out), and a full frame of the
// manager page with its layer remade.
//
// Each recorded blit is then replayed by us and by pixman from the same pixels at the same
// position in a buffer of the same size, and the two results are compared, each also against
// the exact result in real numbers (so a difference shows whose rounding it is). Then both
// replay each recording's whole list, and again its OVER blits alone, interleaved; the median
// CPU time of each side is printed with their ratio (below 1.00: we are faster).
//
// Our pixels carry straight colour, pixman's premultiplied: sources and destinations are
// converted before the replay and our results converted to premultiplied for the comparison.
// Operations: copy = pixman's SRC, source-alpha copy = OVER (with a solid mask for a weight below
// 1), add = ADD; anything else is counted, neither checked nor timed.
//
// Options: --repetitions=N (9 by default); --costliest=N lists, per recording, the N blits that
// cost us most beyond pixman's time, each timed alone (warm, so unlike the frame's list).
#include <pixman.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/editor_page.h"
#include "rast/rast_bitmap.h"
#include "rast/rast_blit.h"

namespace {

// ---- Pixel conversions ------------------------------------------------------------------------

// Our straight-colour pixel as pixman's premultiplied a8r8g8b8 word.
uint32_t Premultiplied(RAST_pixel p) {
  const unsigned a = RAST_PixelAlpha(p);
  auto mul = [a](unsigned c) { return (c * a + 127) / 255; };
  return a << 24 | mul(RAST_PixelRed(p)) << 16 | mul(RAST_PixelGreen(p)) << 8 |
         mul(RAST_PixelBlue(p));
}
// The same bytes in pixman's channel order (for the byte-wise add).
uint32_t Reordered(RAST_pixel p) {
  return RAST_PixelAlpha(p) << 24 | RAST_PixelRed(p) << 16 | RAST_PixelGreen(p) << 8 |
         RAST_PixelBlue(p);
}

// ---- Recording --------------------------------------------------------------------------------

enum class Kind { Copy, Over, Add, Other };
const char* const kKindNames[] = {"copy", "over", "add", "other"};

struct RecordedBlit {
  int dest;  // index into Recording::dests
  int x, y, w, h;
  int off;  // the source's first column modulo 8, kept for the replay
  float alpha;
  RAST_BlendMode mode{0};
  Kind kind = Kind::Other;
  std::vector<RAST_pixel> src, before;  // w x h each
};

struct DestSize {
  RAST_IBitmap* bitmap;
  int w, h;
};

struct Recording {
  std::string name;
  std::vector<DestSize> dests;
  std::vector<RecordedBlit> blits;
};

Kind KindOf(RAST_BlendMode mode, float alpha) {
  if (mode.isChannelCopy()) return Kind::Other;
  const RAST_BlitOp op = RAST_SelectBlitOp(mode, RAST_Weight::FromAlpha(alpha));
  switch (op) {
    case RAST_BlitOp::Store:
      return Kind::Copy;
    case RAST_BlitOp::StoreSA:
    case RAST_BlitOp::CopySA:
      return Kind::Over;
    case RAST_BlitOp::Add:
      return RAST_Weight::FromAlpha(alpha).isFull() ? Kind::Add : Kind::Other;
    default:
      return Kind::Other;
  }
}

class Recorder : public RAST_BlitWatcher {
 public:
  explicit Recorder(Recording* into) : mInto(into) { RAST_WatchBlits(this); }
  ~Recorder() override { RAST_WatchBlits(nullptr); }

  void Blit(const RAST_BlitRecord& r) override {
    RecordedBlit b;
    b.dest = DestIndex(r.dest);
    b.x = r.x;
    b.y = r.y;
    b.w = r.w;
    b.h = r.h;
    b.off = r.sx % 8;
    b.alpha = r.alpha;
    b.mode = r.mode;
    b.kind = KindOf(r.mode, r.alpha);
    const RAST_BitmapRows sr(r.src), dr(r.dest);
    b.src.resize(static_cast<size_t>(r.w) * r.h);
    b.before.resize(b.src.size());
    for (int j = 0; j < r.h; ++j) {
      std::memcpy(&b.src[static_cast<size_t>(j) * r.w], sr.at(r.sx, r.sy + j), r.w * 4u);
      std::memcpy(&b.before[static_cast<size_t>(j) * r.w], dr.at(r.x, r.y + j), r.w * 4u);
    }
    mInto->blits.push_back(std::move(b));
  }

 private:
  int DestIndex(RAST_IBitmap* d) {
    auto& v = mInto->dests;
    for (size_t i = 0; i < v.size(); ++i)
      if (v[i].bitmap == d && v[i].w == d->getWidth() && v[i].h == d->getHeight())
        return static_cast<int>(i);
    v.push_back({d, d->getWidth(), d->getHeight()});
    return static_cast<int>(v.size() - 1);
  }
  Recording* mInto;
};

// ---- Replay -----------------------------------------------------------------------------------

// A bitmap of ours with a pixman image over a second buffer of the same size.
struct Pair {
  std::unique_ptr<RAST_MemBitmap> ours, theirs;
  pixman_image_t* img = nullptr;
  Pair(int w, int h)
      : ours(std::make_unique<RAST_MemBitmap>(w, h, 4)),
        theirs(std::make_unique<RAST_MemBitmap>(w, h, 4)) {
    std::memset(ours->getBits(), 0, static_cast<size_t>(ours->getRowSpan()) * h * 4);
    std::memset(theirs->getBits(), 0, static_cast<size_t>(theirs->getRowSpan()) * h * 4);
    img = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, theirs->getBits(),
                                   theirs->getRowSpan() * 4);
  }
  ~Pair() { pixman_image_unref(img); }
  Pair(const Pair&) = delete;
  Pair& operator=(const Pair&) = delete;
  RAST_pixel& Ours(int x, int y) {
    return ours->getBits()[static_cast<ptrdiff_t>(y) * ours->getRowSpan() + x];
  }
  RAST_pixel& Theirs(int x, int y) {
    return theirs->getBits()[static_cast<ptrdiff_t>(y) * theirs->getRowSpan() + x];
  }
};

uint32_t ForPixman(const RecordedBlit& b, RAST_pixel p) {
  return b.kind == Kind::Add ? Reordered(p) : Premultiplied(p);
}

// One recording ready to replay: a buffer pair per destination, a source pair and pixman's
// mask (null, or the weight of a weighted OVER) per blit.
struct Replay {
  const Recording& rec;
  std::vector<std::unique_ptr<Pair>> dests, srcs;
  std::vector<pixman_image_t*> masks;

  explicit Replay(const Recording& r) : rec(r) {
    for (const DestSize& d : r.dests) dests.push_back(std::make_unique<Pair>(d.w, d.h));
    for (const RecordedBlit& b : r.blits) {
      auto s = std::make_unique<Pair>(b.off + b.w, b.h);
      for (int j = 0; j < b.h; ++j)
        for (int i = 0; i < b.w; ++i) {
          const RAST_pixel p = b.src[static_cast<size_t>(j) * b.w + i];
          s->Ours(b.off + i, j) = p;
          s->Theirs(b.off + i, j) = ForPixman(b, p);
        }
      srcs.push_back(std::move(s));
      pixman_image_t* mask = nullptr;
      const int weight = RAST_Weight::FromAlpha(b.alpha).value();
      if (b.kind == Kind::Over && weight < 256) {
        const pixman_color_t c{0, 0, 0, static_cast<uint16_t>(weight * 65535 / 256)};
        mask = pixman_image_create_solid_fill(&c);
      }
      masks.push_back(mask);
    }
  }
  ~Replay() {
    for (pixman_image_t* m : masks)
      if (m) pixman_image_unref(m);
  }
  Replay(const Replay&) = delete;
  Replay& operator=(const Replay&) = delete;

  void Ours(size_t i) {
    const RecordedBlit& b = rec.blits[i];
    RAST_Blit(dests[static_cast<size_t>(b.dest)]->ours.get(), srcs[i]->ours.get(), b.x, b.y, b.off,
              0, b.w, b.h, b.alpha, b.mode);
  }
  bool Theirs(size_t i) {
    const RecordedBlit& b = rec.blits[i];
    static const pixman_op_t kOps[] = {PIXMAN_OP_SRC, PIXMAN_OP_OVER, PIXMAN_OP_ADD};
    if (b.kind == Kind::Other) return false;
    pixman_image_composite32(kOps[static_cast<int>(b.kind)], srcs[i]->img, masks[i],
                             dests[static_cast<size_t>(b.dest)]->img, b.off, 0, 0, 0, b.x, b.y, b.w,
                             b.h);
    return true;
  }
};

// ---- Checking ---------------------------------------------------------------------------------

// Largest channel differences over a recording, colour and alpha apart.
struct Differences {
  int colour = 0, alpha = 0;         // ours against pixman
  double oursExact = 0, theirs = 0;  // each against the exact result (premultiplied units)
  long translucentDest = 0;          // destination pixels not opaque under partial source alpha
  long pixels = 0, differing = 0;
  int unchecked = 0;  // blits with no pixman counterpart
};

// The exact premultiplied result of each operation for one channel (c: 0-2 colour, 3 alpha).
double Exact(const RecordedBlit& b, RAST_pixel d, RAST_pixel s, int c) {
  auto channel = [c](RAST_pixel p) -> double {
    switch (c) {
      case 0:
        return RAST_PixelRed(p);
      case 1:
        return RAST_PixelGreen(p);
      case 2:
        return RAST_PixelBlue(p);
      default:
        return RAST_PixelAlpha(p);
    }
  };
  if (b.kind == Kind::Add) return std::min(255.0, channel(d) + channel(s));
  const double sa = RAST_PixelAlpha(s) / 255.0, da = RAST_PixelAlpha(d) / 255.0;
  const double sp = c == 3 ? 255.0 * sa : channel(s) * sa;
  const double dp = c == 3 ? 255.0 * da : channel(d) * da;
  if (b.kind == Kind::Copy) return sp;
  const double m = RAST_Weight::FromAlpha(b.alpha).value() / 256.0;
  return sp * m + dp * (1.0 - sa * m);
}

int Byte(uint32_t w, int c) {  // c: 0 red, 1 green, 2 blue, 3 alpha of an a8r8g8b8 word
  return static_cast<int>((w >> (c == 3 ? 24 : 16 - 8 * c)) & 0xFF);
}

void Check(Replay& rp, Differences& out) {
  const Recording& rec = rp.rec;
  for (size_t i = 0; i < rec.blits.size(); ++i) {
    const RecordedBlit& b = rec.blits[i];
    Pair& d = *rp.dests[static_cast<size_t>(b.dest)];
    for (int j = 0; j < b.h; ++j)
      for (int k = 0; k < b.w; ++k) {
        const RAST_pixel p = b.before[static_cast<size_t>(j) * b.w + k];
        d.Ours(b.x + k, b.y + j) = p;
        d.Theirs(b.x + k, b.y + j) = ForPixman(b, p);
      }
    rp.Ours(i);
    if (!rp.Theirs(i)) {
      ++out.unchecked;
      continue;
    }
    for (int j = 0; j < b.h; ++j)
      for (int k = 0; k < b.w; ++k) {
        const size_t at = static_cast<size_t>(j) * b.w + k;
        const RAST_pixel before = b.before[at], s = b.src[at];
        const uint32_t ours = ForPixman(b, d.Ours(b.x + k, b.y + j));
        const uint32_t theirs = d.Theirs(b.x + k, b.y + j);
        ++out.pixels;
        if (ours != theirs) ++out.differing;
        const unsigned sa = RAST_PixelAlpha(s);
        if (b.kind == Kind::Over && sa != 0 && sa != 255 && RAST_PixelAlpha(before) != 255)
          ++out.translucentDest;
        for (int c = 0; c < 4; ++c) {
          const int diff = std::abs(Byte(ours, c) - Byte(theirs, c));
          (c == 3 ? out.alpha : out.colour) = std::max(c == 3 ? out.alpha : out.colour, diff);
          const double exact = Exact(b, before, s, c);
          out.oursExact = std::max(out.oursExact, std::fabs(Byte(ours, c) - exact));
          out.theirs = std::max(out.theirs, std::fabs(Byte(theirs, c) - exact));
        }
      }
  }
}

// ---- Timing -----------------------------------------------------------------------------------

double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

template <class F>
double Time(F&& f, int loops) {
  const double start = CpuSeconds();
  for (int k = 0; k < loops; ++k) f();
  return (CpuSeconds() - start) / loops;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

struct Timing {
  double ours = 0, theirs = 0;  // median seconds per replay of the list
};

// Both sides replay the blits of the list that pixman can do and `only` accepts, interleaved.
template <class Only>
Timing TimeReplay(Replay& rp, int repetitions, Only only) {
  std::vector<size_t> picked;
  for (size_t i = 0; i < rp.rec.blits.size(); ++i)
    if (rp.rec.blits[i].kind != Kind::Other && only(rp.rec.blits[i])) picked.push_back(i);
  if (picked.empty()) return {};
  auto ours = [&] {
    for (size_t i : picked) rp.Ours(i);
  };
  auto theirs = [&] {
    for (size_t i : picked) rp.Theirs(i);
  };
  // Enough loops for a few milliseconds a sample.
  const double once = std::max(1e-7, Time(ours, 1));
  const int loops = std::clamp(static_cast<int>(3e-3 / once), 1, 10000);
  std::vector<double> a, b;
  for (int r = 0; r < repetitions; ++r) {
    if (r % 2) {
      b.push_back(Time(theirs, loops));
      a.push_back(Time(ours, loops));
    } else {
      a.push_back(Time(ours, loops));
      b.push_back(Time(theirs, loops));
    }
  }
  return {Median(a), Median(b)};
}

// The blits of a recording that cost us most beyond pixman's time, each timed alone (best of
// three runs of about a millisecond).
void PrintCostliest(Replay& rp, int count) {
  struct Cost {
    size_t i;
    double ours, theirs;
  };
  std::vector<Cost> costs;
  for (size_t i = 0; i < rp.rec.blits.size(); ++i) {
    if (rp.rec.blits[i].kind == Kind::Other) continue;
    const int loops = std::clamp(
        static_cast<int>(1e-3 / std::max(1e-8, Time([&] { rp.Ours(i); }, 1))), 1, 100000);
    double a = 1e9, b = 1e9;
    for (int r = 0; r < 3; ++r) {
      a = std::min(a, Time([&] { rp.Ours(i); }, loops));
      b = std::min(b, Time([&] { rp.Theirs(i); }, loops));
    }
    costs.push_back({i, a, b});
  }
  std::sort(costs.begin(), costs.end(),
            [](const Cost& x, const Cost& y) { return x.ours - x.theirs > y.ours - y.theirs; });
  for (int k = 0; k < count && k < static_cast<int>(costs.size()); ++k) {
    const Cost& c = costs[static_cast<size_t>(k)];
    const RecordedBlit& b = rp.rec.blits[c.i];
    std::printf("  %-4s %4dx%-4d at (%d, %d): ours %.2f us, pixman %.2f us\n",
                kKindNames[static_cast<int>(b.kind)], b.w, b.h, b.x, b.y, c.ours * 1e6,
                c.theirs * 1e6);
  }
}

// ---- Report -----------------------------------------------------------------------------------

void Describe(const Recording& rec) {
  long pixels = 0;
  int count[4] = {}, odd = 0, unaligned = 0, partial = 0;
  for (const RecordedBlit& b : rec.blits) {
    ++count[static_cast<int>(b.kind)];
    pixels += static_cast<long>(b.w) * b.h;
    if (b.w % 8) ++odd;
    if (b.x % 8) ++unaligned;
    if (b.kind == Kind::Over && std::any_of(b.src.begin(), b.src.end(), [](RAST_pixel p) {
          const unsigned a = RAST_PixelAlpha(p);
          return a != 0 && a != 255;
        }))
      ++partial;
  }
  std::printf("%-22s %5zu blits (", rec.name.c_str(), rec.blits.size());
  for (int k = 0; k < 4; ++k) std::printf("%s%s %d", k ? ", " : "", kKindNames[k], count[k]);
  std::printf(
      "): %d of a width and %d at an x not a multiple of 8, %d OVER with partial alpha, %.2f "
      "Mpixels\n",
      odd, unaligned, partial, pixels / 1e6);
}

struct Row {
  std::string name;
  Differences diff;
  Timing all, over;
};

}  // namespace

int main(int argc, char** argv) {
  int repetitions = 9, costliest = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--repetitions=", 14) == 0)
      repetitions = std::max(1, std::atoi(argv[i] + 14));
    if (std::strncmp(argv[i], "--costliest=", 12) == 0)
      costliest = std::max(0, std::atoi(argv[i] + 12));
  }
  std::vector<Row> rows;
  for (int skin = 0; skin < 3; ++skin)
    for (int scale = 1; scale <= 2; ++scale) {
      const std::string tag =
          std::string(bench::kSkinNames[skin]) + " x" + std::to_string(scale) + " ";
      std::vector<Recording> recs(4);
      {
        bench::EditorPage synth(skin, scale, false);
        synth.KnobStep(1);
        recs[0].name = tag + "synth";
        recs[1].name = tag + "synth redraw";
        recs[2].name = tag + "knob";
        {
          Recorder r(&recs[0]);
          synth.FullFrame();
        }
        {
          Recorder r(&recs[1]);
          synth.Redraw();
        }
        {
          Recorder r(&recs[2]);
          synth.KnobStep(2);
        }
      }
      {
        bench::EditorPage manager(skin, scale, true);
        recs[3].name = tag + "manager";
        Recorder r(&recs[3]);
        manager.FullFrame();
      }
      for (Recording& rec : recs) {
        Describe(rec);
        Replay rp(rec);
        Row row{rec.name, {}, {}, {}};
        Check(rp, row.diff);
        if (costliest > 0) PrintCostliest(rp, costliest);
        row.all = TimeReplay(rp, repetitions, [](const RecordedBlit&) { return true; });
        row.over =
            TimeReplay(rp, repetitions, [](const RecordedBlit& b) { return b.kind == Kind::Over; });
        rows.push_back(std::move(row));
      }
    }

  std::printf(
      "\nRecorded frames replayed: our median CPU time against pixman's on the same blits (%d "
      "runs each, interleaved)\n",
      repetitions);
  std::printf("%-22s %10s %10s %7s %10s %11s %7s %7s %8s %8s %9s\n", "frame", "ours us",
              "pixman us", "ratio", "OVER ratio", "OVER ours us", "colour", "alpha", "ours-ex",
              "pix-ex", "differing");
  double worst = 0;
  int worstColour = 0, worstAlpha = 0;
  long translucent = 0, unchecked = 0;
  auto ratio = [](const Timing& t) { return t.theirs > 0 ? t.ours / t.theirs : 0.0; };
  for (const Row& r : rows) {
    worst = std::max({worst, ratio(r.all), ratio(r.over)});
    worstColour = std::max(worstColour, r.diff.colour);
    worstAlpha = std::max(worstAlpha, r.diff.alpha);
    translucent += r.diff.translucentDest;
    unchecked += r.diff.unchecked;
    std::printf("%-22s %10.1f %10.1f %7.2f %10.2f %11.1f %7d %7d %8.2f %8.2f %8.2f%%\n",
                r.name.c_str(), r.all.ours * 1e6, r.all.theirs * 1e6, ratio(r.all), ratio(r.over),
                r.over.ours * 1e6, r.diff.colour, r.diff.alpha, r.diff.oursExact, r.diff.theirs,
                r.diff.pixels ? 100.0 * r.diff.differing / r.diff.pixels : 0.0);
  }
  std::printf(
      "\nLargest ratio %.2f. Largest difference from pixman: colour %d, alpha %d (channel steps; "
      "ours-ex and pix-ex: each side's largest distance from the exact result).\n"
      "%ld OVER pixels had a translucent destination; %ld blits had no pixman counterpart "
      "(neither checked nor timed).\n",
      worst, worstColour, worstAlpha, translucent, unchecked);
  return 0;
}
