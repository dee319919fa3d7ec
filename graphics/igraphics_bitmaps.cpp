// Images of IGraphics: the process-wide bitmap cache (one bitmap per image id, plus derived
// copies), the list of records handed out, and re-rendering every image for a new GUI scale.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graphics/graphics_caches.h"
#include "graphics/igraphics.h"
#include "rast/rast_blit.h"
#include "rast/rast_fill.h"
#include "rast/rast_scaled_blit.h"

namespace graphics_detail {

std::atomic<int> gLiveGraphics{0};

namespace {

struct BitmapEntry {
  int id;  // -1 for derived copies
  std::unique_ptr<RAST_IBitmap> bitmap;
};

struct ImageEntry {
  int id;
  std::string name;
  std::unique_ptr<IFrameBitmap> record;
};

struct BitmapCaches {
  std::recursive_mutex bitmapMutex;
  std::vector<BitmapEntry> bitmaps;
  std::recursive_mutex imageMutex;
  std::vector<ImageEntry> images;
};

BitmapCaches& Caches() {
  static BitmapCaches* caches = new BitmapCaches;  // lives until exit
  return *caches;
}

RAST_IBitmap* FindBitmap(int id) {
  for (const auto& e : Caches().bitmaps)
    if (e.id == id) return e.bitmap.get();
  return nullptr;
}

void AddBitmap(int id, RAST_IBitmap* bitmap) {
  BitmapCaches& c = Caches();
  std::lock_guard<std::recursive_mutex> lock(c.bitmapMutex);
  c.bitmaps.push_back({id, std::unique_ptr<RAST_IBitmap>(bitmap)});
}

IFrameBitmap* AddRecord(int id, const char* name, const IFrameBitmap& record) {
  BitmapCaches& c = Caches();
  std::lock_guard<std::recursive_mutex> lock(c.imageMutex);
  c.images.push_back({id, name ? name : "", std::make_unique<IFrameBitmap>(record)});
  return c.images.back().record.get();
}

// Area resample of the block (sx, sy, sw, sh) of src into (dx, dy, dw, dh) of dst: each target
// pixel sums a kernel of bilinear taps as wide as the reduction. Summed up, the taps weigh the
// source columns from (int)px on as 1 - ax, 1, ..., 1, ax (rows alike), so each source pixel is
// read once. Taps outside the source block count as 0: a frame never takes its neighbour's colour.
void AreaResample(const RAST_BitmapRows& src, int sx, int sy, int sw, int sh,
                  const RAST_BitmapRows& dst, int dx, int dy, int dw, int dh) {
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  const double fx = static_cast<double>(sw) / dw, fy = static_cast<double>(sh) / dh;
  const int kw = std::max(static_cast<int>(fx + 0.99999999999), 0);
  const int kh = std::max(static_cast<int>(fy + 0.99999999999), 0);
  const double norm = kw > 0 && kh > 0 ? 1.0 / (kw * kh) : 1.0;
  // Weight of the k-th of n + 1 source columns (or rows) for the fraction f.
  auto weight = [](int k, int n, double f) { return (k < n ? 1.0 - f : 0.0) + (k >= 1 ? f : 0.0); };
  for (int j = 0; j < dh; ++j) {
    const double py = j * fy;
    const int iy = static_cast<int>(py);
    const double ay = py - iy;
    RAST_pixel* out = dst.at(dx, dy + j);
    for (int i = 0; i < dw; ++i) {
      const double px = i * fx;
      const int ix = static_cast<int>(px);
      const double ax = px - ix;
      double sum[4] = {0, 0, 0, 0};
      for (int r = 0; r <= kh && iy + r < sh; ++r) {
        const double wy = weight(r, kh, ay);
        if (wy == 0.0) continue;
        const RAST_pixel* row = src.at(sx, sy + iy + r);
        for (int c = 0; c <= kw && ix + c < sw; ++c) {
          const double w = wy * weight(c, kw, ax);
          if (w == 0.0) continue;
          const RAST_pixel p = row[ix + c];
          for (int k = 0; k < 4; ++k) sum[k] += static_cast<double>((p >> (8 * k)) & 0xffu) * w;
        }
      }
      RAST_pixel p = 0;
      for (int k = 0; k < 4; ++k)
        p |= static_cast<RAST_pixel>(std::clamp(static_cast<int>(sum[k] * norm), 0, 255))
             << (8 * k);
      out[i] = p;
    }
  }
}

// src resampled into target, frame by frame for strips; each target frame has one spare
// row (or column) that stays clear.
void ResampleFrames(RAST_IBitmap* src, RAST_IBitmap* target, int n, bool horizontal) {
  const RAST_BitmapRows s(src), t(target);
  if (!s || !t) return;
  if (n < 2) {
    AreaResample(s, 0, 0, s.width, s.height, t, 0, 0, t.width, t.height);
    return;
  }
  RAST_Clear(target, 0);
  const int sw = s.width, sh = s.height, tw = t.width, th = t.height;
  for (int i = 0; i < n; ++i) {
    const double f = static_cast<double>(i) / n;
    if (horizontal) {
      const int sx = static_cast<int>(sw * f + 0.5), tx = static_cast<int>(tw * f + 0.5);
      AreaResample(s, sx, 0, std::min(sw / n, sw - sx), sh, t, tx, 0,
                   std::min((tw - n) / n, tw - tx), th);
    } else {
      const int sy = static_cast<int>(sh * f + 0.5), ty = static_cast<int>(th * f + 0.5);
      AreaResample(s, 0, sy, sw, std::min(sh / n, sh - sy), t, 0, ty, tw,
                   std::min((th - n) / n, th - ty));
    }
  }
}

}  // namespace

void ResetBitmapCaches() {
  BitmapCaches& c = Caches();
  // Bitmaps before images, as loading takes them.
  std::lock_guard<std::recursive_mutex> lockBitmaps(c.bitmapMutex);
  std::lock_guard<std::recursive_mutex> lockImages(c.imageMutex);
  c.images.clear();
  c.bitmaps.clear();
}

}  // namespace graphics_detail

using namespace graphics_detail;

IFrameBitmap* IGraphics::LoadBitmapResource(int id, const char* name, int frames, bool horizontal) {
  const int n = std::max(frames, 1);
  BitmapCaches& c = Caches();
  std::lock_guard<std::recursive_mutex> lock(c.bitmapMutex);
  if (RAST_IBitmap* cached = FindBitmap(id)) {
    // A later load takes the size of the earlier record: while the bitmap is still the
    // placeholder of a not yet rescaled image its own size says nothing.
    IFrameBitmap record(cached, cached->getWidth(), cached->getHeight(), n, horizontal);
    {
      std::lock_guard<std::recursive_mutex> lockImages(c.imageMutex);
      for (const auto& e : c.images) {
        if (e.id == id) {
          record.W = e.record->W;
          record.H = e.record->H;
          record.mBaseW = e.record->mBaseW;
          record.mBaseH = e.record->mBaseH;
          break;
        }
      }
    }
    return AddRecord(id, name, record);
  }
  RAST_IBitmap* loaded = OSLoadBitmap(id, name);
  if (!loaded) {
    std::fprintf(stderr, "VQEditor4: image \"%s\" (id %d) is missing; drawn as transparent\n",
                 name ? name : "", id);
    // One clear pixel per frame keeps every frame calculation meaningful.
    auto* placeholder = new RAST_MemBitmap(horizontal ? n : 1, horizontal ? 1 : n, 4);
    RAST_Clear(placeholder, 0);
    AddBitmap(id, placeholder);
    return AddRecord(id, name,
                     IFrameBitmap(placeholder, placeholder->getWidth(), placeholder->getHeight(), n,
                                  horizontal));
  }
  const unsigned s = mBitmapScale ? mBitmapScale : 1;
  if (s >= 2) {
    // The pixels arrive with the next rescale; until then a one-pixel stand-in.
    auto* placeholder = new RAST_MemBitmap(1, 1, 4);
    RAST_Clear(placeholder, 0);
    AddBitmap(id, placeholder);
    const int w = static_cast<int>(static_cast<unsigned>(loaded->getWidth()) / s);
    const int h = static_cast<int>(static_cast<unsigned>(loaded->getHeight()) / s);
    delete loaded;
    return AddRecord(id, name, IFrameBitmap(placeholder, w, h, n, horizontal));
  }
  AddBitmap(id, loaded);
  return AddRecord(id, name,
                   IFrameBitmap(loaded, loaded->getWidth(), loaded->getHeight(), n, horizontal));
}

IFrameBitmap IGraphics::ScaleBitmap(IFrameBitmap* src, int w, int h) {
  if (!src || !src->mBitmap || w < 0 || h < 0) return IFrameBitmap();
  auto* copy = new RAST_MemBitmap(w, h, 4);
  RAST_ScaledBlit(copy, src->mBitmap, 0, 0, w, h, 0.0f, 0.0f,
                  static_cast<float>(src->mBitmap->getWidth()),
                  static_cast<float>(src->mBitmap->getHeight()), 1.0f, RAST_BLIT_FILTER_BILINEAR);
  AddBitmap(-1, copy);
  return IFrameBitmap(copy, w, h, src->N, false);
}

IFrameBitmap IGraphics::CropBitmap(IFrameBitmap* src, IRECT* r) {
  if (!src || !src->mBitmap || !r || r->W() < 0 || r->H() < 0) return IFrameBitmap();
  auto* copy = new RAST_MemBitmap(r->W(), r->H(), 4);
  RAST_Blit(copy, src->mBitmap, 0, 0, r->L, r->T, r->W(), r->H(), 1.0f, RAST_BLIT_MODE_COPY);
  AddBitmap(-1, copy);
  return IFrameBitmap(copy, r->W(), r->H(), src->N, false);
}

void IGraphics::RetainBitmap(IFrameBitmap* bitmap) {
  if (!bitmap || !bitmap->mBitmap) return;
  BitmapCaches& c = Caches();
  std::lock_guard<std::recursive_mutex> lock(c.bitmapMutex);
  // Held once: a second entry would delete the bitmap twice.
  for (const auto& e : c.bitmaps)
    if (e.bitmap.get() == bitmap->mBitmap) return;
  AddBitmap(-1, bitmap->mBitmap);
}

void IGraphics::ReleaseBitmap(IFrameBitmap* bitmap) {
  if (!bitmap || !bitmap->mBitmap) return;
  BitmapCaches& c = Caches();
  std::lock_guard<std::recursive_mutex> lock(c.bitmapMutex);
  for (auto it = c.bitmaps.begin(); it != c.bitmaps.end(); ++it) {
    if (it->bitmap.get() == bitmap->mBitmap) {
      c.bitmaps.erase(it);
      return;
    }
  }
}

void IGraphics::RescaleCachedBitmaps(double scale) {
  BitmapCaches& c = Caches();
  std::lock_guard<std::recursive_mutex> lock(c.imageMutex);
  const unsigned s = mBitmapScale ? mBitmapScale : 1;
  struct Done {
    RAST_IBitmap* bitmap;
    int n;
    bool horizontal;
  };
  std::vector<Done> done;  // records of one id share a bitmap: render it once
  for (auto& e : c.images) {
    IFrameBitmap& rec = *e.record;
    const int n = std::max(rec.N, 1);
    const bool again = std::any_of(done.begin(), done.end(), [&](const Done& d) {
      return d.bitmap == rec.mBitmap && d.n == n && d.horizontal == rec.mFramesAreHorizontal;
    });
    if (again) {
      rec.W = rec.mBitmap->getWidth();
      rec.H = rec.mBitmap->getHeight();
      continue;
    }
    std::unique_ptr<RAST_IBitmap> src(OSLoadBitmap(e.id, e.name.c_str()));
    if (!src || !rec.mBitmap) continue;  // a missing image keeps what it had
    const double w = std::floor((static_cast<unsigned>(src->getWidth()) / s) * scale);
    const double h = std::floor((static_cast<unsigned>(src->getHeight()) / s) * scale);
    if (!(w >= 0 && h >= 0 && w < 32768 && h < 32768)) continue;
    int tw = static_cast<int>(w), th = static_cast<int>(h);
    if (n >= 2) (rec.mFramesAreHorizontal ? tw : th) += n;
    RAST_MemBitmap target(tw, th, 4);
    ResampleFrames(src.get(), &target, n, rec.mFramesAreHorizontal);
    RAST_Copy(rec.mBitmap, &target);
    rec.W = target.getWidth();
    rec.H = target.getHeight();
    done.push_back({rec.mBitmap, n, rec.mFramesAreHorizontal});
  }
}

bool IGraphics::ResetCaches() {
  if (gLiveGraphics.load() > 0) return false;
  ResetBitmapCaches();
  ResetFontCache();
  return true;
}
