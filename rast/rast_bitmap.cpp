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
    alignMask = lowest - 1;
  }
  if (w >= 1 && h >= 1) resize(w, h);
}

RAST_MemBitmap::~RAST_MemBitmap() {
  std::free(buffer);
}

RAST_pixel* RAST_MemBitmap::getBits() {
  return buffer ? AlignTo64(buffer) : nullptr;
}

bool RAST_MemBitmap::resize(int w, int h) {
  if (w == width && h == height) return false;
  width = w;
  height = h;
  long long bytes = 0;
  if (w >= 1 && h >= 1) {
    const long long span =
        (static_cast<long long>(w) + alignMask) & ~static_cast<long long>(alignMask);
    const long long pixels = static_cast<long long>(h) * span;  // below 2^62: no overflow
    bytes = pixels > INT_MAX / 4 ? -1 : pixels * 4;
  }
  if (bytes <= 0) {
    // Empty, or too large to address: an allocation failure, never a short buffer.
    std::free(buffer);
    buffer = nullptr;
    allocated = 0;
    width = 0;
    height = 0;
    return true;
  }
  if (buffer && bytes <= allocated) return true;
  if (buffer) {
    long long grown = bytes + bytes / 4;
    if (grown > INT_MAX) grown = INT_MAX;
    void* moved = std::realloc(buffer, static_cast<std::size_t>(grown) + 63);
    if (moved) {
      buffer = moved;
      allocated = static_cast<int>(grown);
      return true;
    }
    std::free(buffer);
    buffer = nullptr;
  }
  allocated = static_cast<int>(bytes);
  buffer = std::malloc(static_cast<std::size_t>(bytes) + 63);
  if (!buffer) {
    allocated = 0;
    width = 0;
    height = 0;
  }
  return true;
}

RAST_SysBitmap::RAST_SysBitmap(int w, int h) {
  resize(w, h);
}

RAST_SysBitmap::~RAST_SysBitmap() {
  if (context) WEMU_DeleteGfxContext(context);
}

bool RAST_SysBitmap::resize(int w, int h) {
  if (w == width && h == height) return false;
  // Negative sides are taken as empty.
  width = w < 0 ? 0 : w;
  height = h < 0 ? 0 : h;
  w = width;
  h = height;
  // Rows are stored top-down with the allocated span, so a smaller size keeps the same pixels.
  if (w != 0 && h != 0 && allocWidth >= w && allocHeight >= h && bits) return true;
  const long long rounded = (static_cast<long long>(w) + 3) & ~3LL;
  if (context) WEMU_DeleteGfxContext(context);
  context = nullptr;
  bits = nullptr;
  if (h < 1 || rounded < 1) {
    allocWidth = 0;
    allocHeight = 0;
    return false;
  }
  if (rounded > INT_MAX) {
    allocWidth = 0;
    allocHeight = 0;
    width = 0;
    height = 0;
    return true;
  }
  allocWidth = static_cast<int>(rounded);
  allocHeight = h;
  context = WEMU_CreateMemContext(nullptr, allocWidth, h);
  if (!context) {
    width = 0;
    height = 0;
    allocWidth = 0;
    allocHeight = 0;
    return true;
  }
  bits = reinterpret_cast<RAST_pixel*>(WEMU_GetCtxFrameBuffer(context));
  return true;
}
