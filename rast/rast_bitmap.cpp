#include "rast/rast_bitmap.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "wemu/mem_context.h"

namespace {

RAST_pixel* AlignTo64(void* p) {
  const auto address = reinterpret_cast<std::uintptr_t>(p);
  return reinterpret_cast<RAST_pixel*>((address + 63) & ~static_cast<std::uintptr_t>(63));
}

}  // namespace

RAST_MemBitmap::RAST_MemBitmap(int w, int h, unsigned linealign) {
  if (linealign >= 2) {
    unsigned lowest = linealign & (~linealign + 1u);
    if (lowest > 16) lowest = 16;  // wider row alignments are not asked for
    mAlignMask = lowest - 1;
  }
  if (w >= 1 && h >= 1) resize(w, h);
}

RAST_MemBitmap::~RAST_MemBitmap() {
  std::free(mBuffer);
}

RAST_pixel* RAST_MemBitmap::getBits() {
  return mBuffer ? AlignTo64(mBuffer) : nullptr;
}

bool RAST_MemBitmap::resize(int w, int h) {
  if (w == mWidth && h == mHeight) return false;
  mWidth = w;
  mHeight = h;
  long long bytes = 0;
  if (w >= 1 && h >= 1) {
    const long long span =
        (static_cast<long long>(w) + mAlignMask) & ~static_cast<long long>(mAlignMask);
    const long long pixels = static_cast<long long>(h) * span;  // below 2^62: no overflow
    bytes = pixels > INT_MAX / 4 ? -1 : pixels * 4;
  }
  if (bytes <= 0) {
    // Empty, or too large to address: an allocation failure, never a short buffer.
    std::free(mBuffer);
    mBuffer = nullptr;
    mAllocated = 0;
    mWidth = 0;
    mHeight = 0;
    return true;
  }
  if (mBuffer && bytes <= mAllocated) return true;
  if (mBuffer) {
    long long grown = bytes + bytes / 4;
    if (grown > INT_MAX) grown = INT_MAX;
    void* moved = std::realloc(mBuffer, static_cast<std::size_t>(grown) + 63);
    if (moved) {
      mBuffer = moved;
      mAllocated = static_cast<int>(grown);
      return true;
    }
    std::free(mBuffer);
    mBuffer = nullptr;
  }
  mAllocated = static_cast<int>(bytes);
  mBuffer = std::malloc(static_cast<std::size_t>(bytes) + 63);
  if (!mBuffer) {
    mAllocated = 0;
    mWidth = 0;
    mHeight = 0;
  }
  return true;
}

RAST_SysBitmap::RAST_SysBitmap(int w, int h) {
  resize(w, h);
}

RAST_SysBitmap::~RAST_SysBitmap() {
  if (mContext) WEMU_DeleteGfxContext(mContext);
}

bool RAST_SysBitmap::resize(int w, int h) {
  if (w == mWidth && h == mHeight) return false;
  // Negative sides are taken as empty.
  mWidth = w < 0 ? 0 : w;
  mHeight = h < 0 ? 0 : h;
  w = mWidth;
  h = mHeight;
  // Rows are stored top-down with the allocated span, so a smaller size keeps the same pixels.
  if (w != 0 && h != 0 && mAllocWidth >= w && mAllocHeight >= h && mBits) return true;
  const long long rounded = (static_cast<long long>(w) + 3) & ~3LL;
  if (mContext) WEMU_DeleteGfxContext(mContext);
  mContext = nullptr;
  mBits = nullptr;
  if (h < 1 || rounded < 1) {
    mAllocWidth = 0;
    mAllocHeight = 0;
    return false;
  }
  if (rounded > INT_MAX) {
    mAllocWidth = 0;
    mAllocHeight = 0;
    mWidth = 0;
    mHeight = 0;
    return true;
  }
  mAllocWidth = static_cast<int>(rounded);
  mAllocHeight = h;
  mContext = WEMU_CreateMemContext(nullptr, mAllocWidth, h);
  if (!mContext) {
    mWidth = 0;
    mHeight = 0;
    mAllocWidth = 0;
    mAllocHeight = 0;
    return true;
  }
  mBits = reinterpret_cast<RAST_pixel*>(WEMU_GetCtxFrameBuffer(mContext));
  return true;
}
