// Images of IGraphics: the process-wide bitmap cache (one bitmap per image id, plus derived
// copies), the list of records handed out, and re-rendering every image for a new GUI scale.
#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "graphics/graphics_caches.h"
#include "graphics/icontrol.h"
#include "graphics/igraphics.h"
#include "platform/error_output.h"
#include "rast/rast_blit.h"
#include "rast/rast_fill.h"
#include "rast/rast_png.h"
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

// The area resample below at exactly half the size: each pixel the truncated mean of its 2 x 2
// block, channel by channel (two channels to a word, summed in 16-bit lanes).
void HalveRows(const RAST_pixel* a, const RAST_pixel* b, RAST_pixel* out, int dw) {
  constexpr uint32_t kLanes = 0x00ff00ffu;
  for (int i = 0; i < dw; ++i) {
    const uint32_t p = a[2 * i], q = a[2 * i + 1], r = b[2 * i], t = b[2 * i + 1];
    const uint32_t even = (p & kLanes) + (q & kLanes) + (r & kLanes) + (t & kLanes);
    const uint32_t odd =
        ((p >> 8) & kLanes) + ((q >> 8) & kLanes) + ((r >> 8) & kLanes) + ((t >> 8) & kLanes);
    out[i] = ((even >> 2) & kLanes) | (((odd >> 2) & kLanes) << 8);
  }
}

void HalveBlock(const RAST_BitmapRows& src, int sx, int sy, const RAST_BitmapRows& dst, int dx,
                int dy, int dw, int dh) {
  for (int j = 0; j < dh; ++j)
    HalveRows(src.at(sx, sy + 2 * j), src.at(sx, sy + 2 * j + 1), dst.at(dx, dy + j), dw);
}

// Area resample of the block (sx, sy, sw, sh) of src into (dx, dy, dw, dh) of dst: each target
// pixel sums a kernel of bilinear taps as wide as the reduction. Summed up, the taps weigh the
// source columns from (int)px on as 1 - ax, 1, ..., 1, ax (rows alike), so each source pixel is
// read once. Taps outside the source block count as 0: a frame never takes its neighbour's colour.
void AreaResample(const RAST_BitmapRows& src, int sx, int sy, int sw, int sh,
                  const RAST_BitmapRows& dst, int dx, int dy, int dw, int dh) {
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  if (sw == 2 * dw && sh == 2 * dh) {
    HalveBlock(src, sx, sy, dst, dx, dy, dw, dh);
    return;
  }
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

// Pixels in pages of their own, all clear when made: the rows a rendering never writes (the
// clear parts of a mostly transparent page image) take no memory, and read as clear.
class PagePixels final : public RAST_IBitmap {
 public:
  PagePixels() { fresh(1, 1); }
  ~PagePixels() override { release(); }
  PagePixels(const PagePixels&) = delete;
  PagePixels& operator=(const PagePixels&) = delete;

  // New pages of w x h clear pixels; false (and 0 x 0) when they cannot be had.
  bool fresh(int w, int h) {
    release();
    const int span = (std::max(w, 0) + 3) & ~3;
    const size_t bytes = static_cast<size_t>(span) * static_cast<size_t>(std::max(h, 0)) * 4;
    if (bytes == 0) return true;
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return false;
    mBits = static_cast<RAST_pixel*>(p);
    mBytes = bytes;
    mW = w;
    mH = h;
    mSpan = span;
    return true;
  }

  RAST_pixel* getBits() override { return mBits; }
  int getWidth() override { return mW; }
  int getHeight() override { return mH; }
  int getRowSpan() override { return mSpan; }
  bool isFlipped() override { return false; }
  bool resize(int w, int h) override {
    if (w == mW && h == mH) return false;
    fresh(w, h);
    return true;
  }
  HDC__* getDC() override { return nullptr; }
  int Extended(int, void*) override { return 0; }

 private:
  void release() {
    if (mBits) munmap(mBits, mBytes);
    mBits = nullptr;
    mBytes = 0;
    mW = mH = mSpan = 0;
  }

  RAST_pixel* mBits = nullptr;
  size_t mBytes = 0;
  int mW = 0, mH = 0, mSpan = 0;
};

// Where frame i of n of a strip `size` long starts and how long it is; each target frame has
// one spare row (or column), so target strips pass n + their frames' length.
void FrameSpan(int i, int n, int size, bool target, int* start, int* length) {
  const double f = static_cast<double>(i) / n;
  *start = static_cast<int>(size * f + 0.5);
  *length = std::min((target ? size - n : size) / n, size - *start);
}

// Renders a file at exactly twice the target's size straight into the target, two rows at a
// time, as ResampleFrames would from the whole decoded image (vertical strips and single
// images), without holding that image. Refuses other layouts before any row. The target is all
// clear to begin with: clear rows are left unwritten.
class HalvingSink final : public RAST_PNGRowSink {
 public:
  HalvingSink(RAST_IBitmap* target, int n, bool horizontal)
      : mRows(target), mFrames(n), mHorizontal(horizontal) {}
  bool begin(int width, int height) override {
    const RAST_BitmapRows& t = mRows;
    mRefused = !t || width != 2 * t.width || (mFrames >= 2 && mHorizontal);
    if (mRefused) return false;
    if (mFrames < 2) {
      mBlocks.push_back({0, height, 0});
      mRefused = height != 2 * t.height;
    } else {
      for (int i = 0; i < mFrames && !mRefused; ++i) {
        Block b;
        int th = 0;
        FrameSpan(i, mFrames, height, false, &b.sy, &b.sh);
        FrameSpan(i, mFrames, t.height, true, &b.ty, &th);
        mRefused = b.sh != 2 * th || th < 0;
        mBlocks.push_back(b);
      }
    }
    mUpper.resize(static_cast<size_t>(width));
    return !mRefused;
  }

  void row(int y, const RAST_pixel* pixels) override {
    while (mNext < mBlocks.size() && y >= mBlocks[mNext].sy + mBlocks[mNext].sh) ++mNext;
    if (mNext == mBlocks.size() || y < mBlocks[mNext].sy) return;  // between frames
    const Block& b = mBlocks[mNext];
    const int j = y - b.sy;
    RAST_pixel any = 0;
    for (size_t i = 0; i < mUpper.size(); ++i) any |= pixels[i];
    if (j % 2 == 0) {
      std::copy(pixels, pixels + mUpper.size(), mUpper.begin());
      mUpperClear = any == 0;
    } else if (any != 0 || !mUpperClear) {
      HalveRows(mUpper.data(), pixels, mRows.at(0, b.ty + j / 2), mRows.width);
    }
  }

 private:
  struct Block {
    int sy = 0, sh = 0, ty = 0;  // source rows [sy, sy + sh) halve into rows from ty
  };
  RAST_BitmapRows mRows;
  int mFrames;
  bool mHorizontal;
  bool mRefused = false;
  std::vector<Block> mBlocks;
  size_t mNext = 0;
  std::vector<RAST_pixel> mUpper;
  bool mUpperClear = false;
};

// An image of the cache whose size is known from its file's header and whose pixels are
// rendered from the file the first time anything asks for them: images of pages not shown yet
// cost neither time nor memory. Until the first rescale it is a clear one-pixel stand-in.
class DeferredBitmap;

// Image files decoded whole on threads of their own from the program's start, before the
// graphics exist: a deferred image of the same file renders from these pixels instead of
// reading the file again. Not destroyed at exit: its threads may still run.
struct EarlyImage {
  std::mutex mutex;
  std::condition_variable ready;
  bool started = false;  // a decoding thread has taken it
  bool done = false;     // decoded, or asked for before any thread took it (then left alone)
  std::unique_ptr<RAST_IBitmap> pixels;  // null when the file could not be read
};
struct EarlyImages {
  std::mutex mutex;
  std::vector<std::pair<std::string, std::shared_ptr<EarlyImage>>> files;
};
EarlyImages& Early() {
  static EarlyImages* early = new EarlyImages;
  return *early;
}

// The whole decoded file, once (waiting for its thread), or null when none was started.
std::shared_ptr<EarlyImage> TakeEarlyImage(const std::string& path) {
  EarlyImages& e = Early();
  std::shared_ptr<EarlyImage> image;
  {
    std::lock_guard<std::mutex> lock(e.mutex);
    for (auto it = e.files.begin(); it != e.files.end(); ++it) {
      if (it->first == path) {
        image = std::move(it->second);
        e.files.erase(it);
        break;
      }
    }
  }
  if (!image) return nullptr;
  std::unique_lock<std::mutex> lock(image->mutex);
  if (!image->started) {
    // Still queued: the caller reads the file now rather than wait for a thread to reach it.
    image->done = true;
    return nullptr;
  }
  image->ready.wait(lock, [&image] { return image->done; });
  return image;
}

// Images not decoded yet, and while a drawing pass only notes what it would draw, the decoding
// it hands them to (main thread).
std::atomic<int> gPendingImages{0};
// The images a noting pass finds, decoded on threads of their own as they are found, while the
// pass and then the main thread go on; joined before anything else may touch the cache (main
// thread).
struct ImageDecoding {
  std::mutex mutex;
  std::condition_variable ready;
  std::vector<DeferredBitmap*> noted;  // appended by the pass
  size_t next = 0;
  bool closed = false;  // the pass is over: nothing more comes
  std::vector<std::thread> lanes;

  void add(DeferredBitmap* b) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      noted.push_back(b);
    }
    ready.notify_one();
  }
  void close() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      closed = true;
    }
    ready.notify_all();
  }
  // Renders noted images until the pass is over and none is left.
  void work();
};

ImageDecoding* gNoting = nullptr;

class DeferredBitmap final : public RAST_IBitmap {
 public:
  DeferredBitmap(std::string path, int fileW, int fileH)
      : mPath(std::move(path)), mFileW(fileW), mFileH(fileH) {}
  ~DeferredBitmap() override {
    if (mPending) --gPendingImages;
  }
  int fileWidth() const { return mFileW; }
  int fileHeight() const { return mFileH; }
  // From now on the bitmap is the file resampled to w x h in n frames.
  void defer(int w, int h, int n, bool horizontal) {
    std::lock_guard<std::mutex> lock(mRendering);
    if (!mPending) ++gPendingImages;
    mW = w;
    mH = h;
    mFrames = n;
    mHorizontal = horizontal;
    mPending = true;
  }
  RAST_pixel* getBits() override {
    if (noted()) return mNoting->getBits();
    render();
    return mPixels.getBits();
  }
  int getWidth() override { return mPending ? mW : mPixels.getWidth(); }
  int getHeight() override { return mPending ? mH : mPixels.getHeight(); }
  int getRowSpan() override {
    if (noted()) return mNoting->getRowSpan();
    render();
    return mPixels.getRowSpan();
  }
  bool isFlipped() override { return false; }
  bool resize(int w, int h) override {
    render();
    return mPixels.resize(w, h);
  }
  HDC__* getDC() override { return nullptr; }
  int Extended(int, void*) override { return 0; }

  // Decodes the file into the pixels, once; runs on a decoding thread or on the main thread,
  // which then waits for a decoding thread that has begun.
  void render() {
    if (!mPending) return;
    std::lock_guard<std::mutex> lock(mRendering);
    if (!mPending) return;
    mPixels.fresh(mW, mH);
    // At half size (100 % of a "-2x" image) the file goes straight into the pixels.
    HalvingSink halving(&mPixels, mFrames, mHorizontal);
    if (std::shared_ptr<EarlyImage> early = TakeEarlyImage(mPath); early && early->pixels) {
      // The same rows the file gives, from memory.
      RAST_IBitmap* src = early->pixels.get();
      const RAST_BitmapRows rows(src);
      if (halving.begin(rows.width, rows.height)) {
        for (int y = 0; y < rows.height; ++y) halving.row(y, rows.at(0, y));
      } else {
        ResampleFrames(src, &mPixels, mFrames, mHorizontal);
      }
    } else if (!RAST_ReadPNGRows(mPath.c_str(), halving)) {
      // Another size or layout, an interlaced file, or a file gone bad since its header was read.
      std::unique_ptr<RAST_IBitmap> src(RAST_LoadPNG(mPath.c_str(), nullptr));
      if (src)
        ResampleFrames(src.get(), &mPixels, mFrames, mHorizontal);
      else
        RAST_Clear(&mPixels, 0);
    }
    --gPendingImages;
    mPending = false;  // last: the size answers with the pixels from here on
  }

  // The pass that noted the image is over.
  void endNoting() {
    mNoting.reset();
    mNoted = false;
  }

 private:
  // In a noting pass a pending image is noted and answers with pixels of its size whose
  // contents do not matter, never written: their pages stay unbacked, and the decoding writes
  // into fresh pages of its own rather than into ones that were read (which costs a copy and a
  // flush on every processor for each page).
  bool noted() {
    if (!mPending || !gNoting) return false;
    if (!mNoted) {
      mNoted = true;
      mNoting = std::make_unique<RAST_MemBitmap>(mW, mH, 4);
      gNoting->add(this);
    }
    return true;
  }

  std::string mPath;
  int mFileW, mFileH;
  PagePixels mPixels;
  std::unique_ptr<RAST_MemBitmap> mNoting;
  std::mutex mRendering;
  std::atomic<bool> mPending{false};
  bool mNoted = false;
  int mW = 0, mH = 0, mFrames = 1;
  bool mHorizontal = false;
};

// Images a noting pass found, decoded on threads of their own while the main thread goes on;
// joined before anything else may touch the cache (main thread).
void ImageDecoding::work() {
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    ready.wait(lock, [this] { return next < noted.size() || closed; });
    if (next == noted.size()) return;
    DeferredBitmap* b = noted[next++];
    lock.unlock();
    b->render();
    lock.lock();
  }
}

ImageDecoding* gDecoding = nullptr;  // not destroyed at exit: its threads may still run

}  // namespace

bool FindingImages() {
  return gNoting != nullptr;
}

std::atomic<unsigned> gBitmapGeneration{0};

void FinishImageDecoding() {
  if (!gDecoding) return;
  gDecoding->work();  // the caller takes a share of what is left rather than wait idle
  for (std::thread& t : gDecoding->lanes) t.join();
  delete gDecoding;
  gDecoding = nullptr;
}

void ResetBitmapCaches() {
  FinishImageDecoding();
  ++gBitmapGeneration;
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
  ++gBitmapGeneration;
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
  const unsigned s = mBitmapScale ? mBitmapScale : 1;
  const std::string file = s >= 2 ? OSBitmapFile(id, name) : std::string();
  int fileW = 0, fileH = 0;
  if (!file.empty() && RAST_ReadPNGSize(file.c_str(), &fileW, &fileH)) {
    // The pixels arrive with the next rescale, decoded when first drawn.
    auto* deferred = new DeferredBitmap(file, fileW, fileH);
    AddBitmap(id, deferred);
    return AddRecord(
        id, name,
        IFrameBitmap(deferred, static_cast<int>(static_cast<unsigned>(fileW) / s),
                     static_cast<int>(static_cast<unsigned>(fileH) / s), n, horizontal));
  }
  RAST_IBitmap* loaded = OSLoadBitmap(id, name);
  if (!loaded) {
    vq::platform::errorLine("VQEditor4: image \"%s\" (id %d) is missing; drawn as transparent\n",
                            name ? name : "", id);
    // One clear pixel per frame keeps every frame calculation meaningful.
    auto* placeholder = new RAST_MemBitmap(horizontal ? n : 1, horizontal ? 1 : n, 4);
    RAST_Clear(placeholder, 0);
    AddBitmap(id, placeholder);
    return AddRecord(id, name,
                     IFrameBitmap(placeholder, placeholder->getWidth(), placeholder->getHeight(), n,
                                  horizontal));
  }
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

void IGraphics::DecodeImageFilesEarly(const std::vector<std::string>& paths) {
  using Job = std::pair<std::string, std::shared_ptr<EarlyImage>>;
  struct Queue {
    std::vector<Job> jobs;
    std::atomic<size_t> next{0};
  };
  auto queue = std::make_shared<Queue>();
  {
    EarlyImages& e = Early();
    std::lock_guard<std::mutex> lock(e.mutex);
    for (const std::string& path : paths) {
      queue->jobs.emplace_back(path, std::make_shared<EarlyImage>());
      e.files.push_back(queue->jobs.back());
    }
  }
  // The largest files first: the threads end at about the same time.
  std::vector<std::pair<std::uintmax_t, size_t>> order;
  for (size_t i = 0; i < queue->jobs.size(); ++i) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(queue->jobs[i].first, ec);
    order.emplace_back(ec ? 0 : size, i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<Job> sorted;
  for (const auto& o : order) sorted.push_back(queue->jobs[o.second]);
  queue->jobs.swap(sorted);
  const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
  const size_t lanes = std::min<size_t>(queue->jobs.size(), std::min(6u, cores - 1));
  for (size_t k = 0; k < lanes; ++k) {
    std::thread([queue] {
      for (size_t i; (i = queue->next++) < queue->jobs.size();) {
        const auto& [path, image] = queue->jobs[i];
        {
          std::lock_guard<std::mutex> lock(image->mutex);
          if (image->done) continue;  // asked for before its turn came
          image->started = true;
        }
        std::unique_ptr<RAST_IBitmap> pixels(RAST_LoadPNG(path.c_str(), nullptr));
        std::lock_guard<std::mutex> done(image->mutex);
        image->pixels = std::move(pixels);
        image->done = true;
        image->ready.notify_all();
      }
    }).detach();
  }
}

void IGraphics::DropEarlyImages() {
  EarlyImages& e = Early();
  std::lock_guard<std::mutex> lock(e.mutex);
  for (auto& [path, image] : e.files) {
    std::lock_guard<std::mutex> imageLock(image->mutex);
    if (!image->started) image->done = true;  // not decoded for nothing
  }
  e.files.clear();
}

bool IGraphics::ImagesPending() {
  return gPendingImages > 0;
}

void IGraphics::DecodeImagesDrawnBy(const std::function<void()>& pass) {
  StartDecodingImagesDrawnBy(pass);
  FinishImageDecoding();
}

bool IGraphics::StartDecodingImagesDrawnBy(const std::function<void()>& pass) {
  FinishImageDecoding();
  // Each image decodes into its own pixels: side by side, a few at a time, from the moment the
  // pass meets it.
  auto decoding = std::make_unique<ImageDecoding>();
  ImageDecoding* d = decoding.get();
  const unsigned lanes = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
  for (unsigned k = 0; k < lanes; ++k) d->lanes.emplace_back([d] { d->work(); });
  {
    // The pass draws into a scratch buffer over the whole window: what it draws is thrown away.
    std::unique_ptr<RAST_SysBitmap> scratch = std::make_unique<RAST_SysBitmap>(mWidth, mHeight);
    std::swap(mDrawBitmap, scratch);
    const IRECT drawRect = mDrawRect;
    mDrawRect = IRECT(0, 0, mWidth, mHeight);
    gNoting = d;
    pass();
    gNoting = nullptr;
    mDrawRect = drawRect;
    std::swap(mDrawBitmap, scratch);
  }
  d->close();
  for (DeferredBitmap* b : d->noted) b->endNoting();
  gDecoding = decoding.release();
  if (!d->noted.empty()) return true;
  FinishImageDecoding();
  return false;
}

void IGraphics::FinishDecodingImages() {
  FinishImageDecoding();
}

void IGraphics::DecodeShownImagesAhead() {
  if (gDecoding || !ImagesPending()) return;
  mShownImagesAhead = StartDecodingImagesDrawnBy([this] {
    for (int i = 0; i < NControls(); ++i) {
      IControl* c = GetControl(i);
      if (i == 0 || !c->IsHidden()) c->Draw(this);
    }
  });
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
  FinishImageDecoding();
  ++gBitmapGeneration;
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
    auto* deferred = dynamic_cast<DeferredBitmap*>(rec.mBitmap);
    std::unique_ptr<RAST_IBitmap> src(deferred ? nullptr : OSLoadBitmap(e.id, e.name.c_str()));
    if (!deferred && (!src || !rec.mBitmap)) continue;  // a missing image keeps what it had
    const int srcW = deferred ? deferred->fileWidth() : src->getWidth();
    const int srcH = deferred ? deferred->fileHeight() : src->getHeight();
    const double w = std::floor((static_cast<unsigned>(srcW) / s) * scale);
    const double h = std::floor((static_cast<unsigned>(srcH) / s) * scale);
    if (!(w >= 0 && h >= 0 && w < 32768 && h < 32768)) continue;
    int tw = static_cast<int>(w), th = static_cast<int>(h);
    if (n >= 2) (rec.mFramesAreHorizontal ? tw : th) += n;
    if (deferred) {
      deferred->defer(tw, th, n, rec.mFramesAreHorizontal);
      rec.W = tw;
      rec.H = th;
      done.push_back({rec.mBitmap, n, rec.mFramesAreHorizontal});
      continue;
    }
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
