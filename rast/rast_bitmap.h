// Bitmaps of 32-bit pixels: the pixel format, the abstract bitmap every RAST_ routine draws into,
// a plain heap bitmap and a bitmap whose pixels live in an offscreen drawing context.
#pragma once

#include <cstddef>
#include <cstdint>

struct HDC__;

// One pixel: alpha in bits 0-7, red 8-15, green 16-23, blue 24-31 (memory order A, R, G, B).
using RAST_pixel = std::uint32_t;

constexpr RAST_pixel RAST_MakePixel(unsigned r, unsigned g, unsigned b, unsigned a) {
  return (a & 0xffu) | (r & 0xffu) << 8 | (g & 0xffu) << 16 | (b & 0xffu) << 24;
}
constexpr unsigned RAST_PixelAlpha(RAST_pixel p) {
  return p & 0xffu;
}
constexpr unsigned RAST_PixelRed(RAST_pixel p) {
  return (p >> 8) & 0xffu;
}
constexpr unsigned RAST_PixelGreen(RAST_pixel p) {
  return (p >> 16) & 0xffu;
}
constexpr unsigned RAST_PixelBlue(RAST_pixel p) {
  return p >> 24;
}

// A drawing surface: getHeight() rows of getWidth() pixels, row y starting y * getRowSpan()
// pixels after getBits() (row span in pixels, at least the width). When isFlipped() the rows are
// stored bottom-up: row y (0 = top) is stored at index height - 1 - y. Not thread-safe; GUI thread.
class RAST_IBitmap {
 public:
  virtual ~RAST_IBitmap() = default;
  // First pixel of stored row 0, or null when the bitmap has no pixels.
  virtual RAST_pixel* getBits() = 0;
  virtual int getWidth() = 0;
  virtual int getHeight() = 0;
  virtual int getRowSpan() = 0;
  virtual bool isFlipped() = 0;
  // Whether anything changed. Pixel contents afterwards are only kept while the storage is;
  // fetch getBits() again after every resize.
  virtual bool resize(int w, int h) = 0;
  // The drawing context behind the pixels, or null.
  virtual HDC__* getDC() = 0;
  // Extended operation; 0 means "not supported" (no id is supported by the classes here).
  virtual int Extended(int id, void* data) = 0;
};

// The rows of a bitmap as a start pointer and a signed stride, so that row(0) is the top row
// whether or not the bitmap is stored bottom-up. Empty (row0 null) when the bitmap has no pixels.
// Stored() gives the rows in storage order instead, for drawers that mirror y themselves.
struct RAST_BitmapRows {
  RAST_pixel* row0 = nullptr;
  std::ptrdiff_t stride = 0;  // in pixels
  int width = 0;
  int height = 0;
  bool flipped = false;  // the bitmap is stored bottom-up

  explicit RAST_BitmapRows(RAST_IBitmap* bm) : RAST_BitmapRows(bm, false) {}
  static RAST_BitmapRows Stored(RAST_IBitmap* bm) { return RAST_BitmapRows(bm, true); }
  explicit operator bool() const { return row0 != nullptr; }
  RAST_pixel* row(int y) const { return row0 + y * stride; }
  RAST_pixel* at(int x, int y) const { return row0 + y * stride + x; }

 private:
  RAST_BitmapRows(RAST_IBitmap* bm, bool stored) {
    if (!bm) return;
    RAST_pixel* bits = bm->getBits();
    const int w = bm->getWidth(), h = bm->getHeight(), span = bm->getRowSpan();
    if (!bits || w <= 0 || h <= 0 || span < w) return;
    width = w;
    height = h;
    flipped = bm->isFlipped();
    if (flipped && !stored) {
      row0 = bits + static_cast<std::ptrdiff_t>(h - 1) * span;
      stride = -static_cast<std::ptrdiff_t>(span);
    } else {
      row0 = bits;
      stride = span;
    }
  }
};

// A bitmap in a heap buffer whose pixels start on a 64-byte boundary. Rows are rounded up to the
// row alignment given at construction. Grows with a quarter of slack and never shrinks.
class RAST_MemBitmap : public RAST_IBitmap {
 public:
  // linealign: row length rounding in pixels; only its lowest power of two counts (limited to
  // 16); below 2 means none. Every caller in the program passes 4.
  RAST_MemBitmap(int w, int h, unsigned linealign = 4);
  ~RAST_MemBitmap() override;
  RAST_MemBitmap(const RAST_MemBitmap&) = delete;
  RAST_MemBitmap& operator=(const RAST_MemBitmap&) = delete;

  RAST_pixel* getBits() override;
  int getWidth() override { return mWidth; }
  int getHeight() override { return mHeight; }
  int getRowSpan() override {
    return static_cast<int>((static_cast<unsigned>(mWidth) + mAlignMask) & ~mAlignMask);
  }
  bool isFlipped() override { return false; }
  // A size that cannot be allocated (or whose byte count does not fit an int) leaves the bitmap
  // 0 x 0 with no pixels and still returns true.
  bool resize(int w, int h) override;
  HDC__* getDC() override { return nullptr; }
  int Extended(int id, void* data) override { return 0; }

  // Bytes of pixel storage held (without the alignment slack).
  int getAllocatedBytes() const { return mAllocated; }

 private:
  void* mBuffer = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  int mAllocated = 0;
  unsigned mAlignMask = 0;
};

// A bitmap whose pixels are the frame buffer of a memory drawing context, so system text drawing
// and the screen copy reach the same pixels. Rows are the width rounded up to 4 pixels; the
// context is never shrunk. A new context starts all zero.
class RAST_SysBitmap : public RAST_IBitmap {
 public:
  RAST_SysBitmap(int w, int h);
  ~RAST_SysBitmap() override;
  RAST_SysBitmap(const RAST_SysBitmap&) = delete;
  RAST_SysBitmap& operator=(const RAST_SysBitmap&) = delete;

  RAST_pixel* getBits() override { return mBits; }
  int getWidth() override { return mWidth; }
  int getHeight() override { return mHeight; }
  int getRowSpan() override { return mAllocWidth; }
  bool isFlipped() override { return false; }
  // Returns false (and leaves the bitmap empty) for an empty size; a context that cannot be
  // created leaves it 0 x 0 with no pixels and returns true.
  bool resize(int w, int h) override;
  HDC__* getDC() override { return mContext; }
  int Extended(int id, void* data) override { return 0; }

 private:
  int mWidth = 0;
  int mHeight = 0;
  HDC__* mContext = nullptr;
  RAST_pixel* mBits = nullptr;
  int mAllocWidth = 0;
  int mAllocHeight = 0;
};
