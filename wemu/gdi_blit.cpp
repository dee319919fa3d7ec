#include "wemu/gdi_blit.h"

#include <climits>
#include <cstdint>
#include <new>
#include <vector>

#include "plugin/utl_heapbuf.h"

namespace {

// Work buffers of the double-size copy, kept for reuse (no limit), under the pools' mutex.
std::vector<UTL_HeapBuf*>& FreeBuffers() {
  static auto* buffers = new std::vector<UTL_HeapBuf*>;
  return *buffers;
}

struct BufferPoolCleaner {
  ~BufferPoolCleaner() {
    WEMU_LockGdiPools();
    for (UTL_HeapBuf* b : FreeBuffers()) delete b;
    FreeBuffers().clear();
    WEMU_UnlockGdiPools();
  }
} gBufferPoolCleaner;

UTL_HeapBuf* TakeBuffer() {
  WEMU_LockGdiPools();
  UTL_HeapBuf* buffer = nullptr;
  if (!FreeBuffers().empty()) {
    buffer = FreeBuffers().back();
    FreeBuffers().pop_back();
  }
  WEMU_UnlockGdiPools();
  return buffer ? buffer : new (std::nothrow) UTL_HeapBuf(4096);
}

void GiveBack(UTL_HeapBuf* buffer) {
  if (!buffer) return;
  buffer->Resize(8, false);  // keeps the allocation for the next copy
  if (buffer->GetSize() != 8) {
    delete buffer;
    return;
  }
  WEMU_LockGdiPools();
  try {
    FreeBuffers().push_back(buffer);
    buffer = nullptr;
  } catch (...) {
  }
  WEMU_UnlockGdiPools();
  delete buffer;
}

}  // namespace

void StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD mode) {
  if (sourceWidth < 1 || sourceHeight < 1) return;
  if (!WEMU_IsLiveContext(dest) || !WEMU_IsLiveContext(source)) return;
  if (!source->pixels || !dest->draw || !source->draw) return;
  const int W = source->width, H = source->height;

  // The destination origin in 64 bits: the part cut off may push it past the int range.
  long long destX = x, destY = y;
  int sx = sourceX, sw = sourceWidth, sy = sourceY, sh = sourceHeight;
  if (sourceX < 0) {
    destX -= static_cast<long long>(sourceX) * width / sourceWidth;
    sw = sourceWidth + sourceX;
    sx = 0;
  }
  if (sourceY < 0) {
    destY -= static_cast<long long>(sourceY) * height / sourceHeight;
    sh = sourceHeight + sourceY;
    sy = 0;
  }
  if (sx >= W || sy >= H) return;
  if (static_cast<long long>(sx) + sw > W) sw = W - sx;
  if (static_cast<long long>(sy) + sh > H) sh = H - sy;
  if (sw < 1 || sh < 1) return;

  // The destination extent of the part of the source drawn, exact when either is whole.
  auto drawnExtent = [](int dest, int source, int part) {
    if (dest == source) return part;
    if (part == source) return dest;
    return static_cast<int>(static_cast<long long>(dest) * part / source);
  };
  const int dw = drawnExtent(width, sourceWidth, sw), dh = drawnExtent(height, sourceHeight, sh);

  vq::platform::ImageView image;
  image.pixels = source->pixels + static_cast<std::ptrdiff_t>(sy) * W + sx;
  image.width = sw;
  image.height = sh;
  image.rowPixels = W;
  image.alphaFirstByte = mode == WEMU_BLIT_ALPHA;

  UTL_HeapBuf* work = nullptr;
  if (dw == sw && dh == sh && dest->draw->sizeToDevice({1, 1}).width > 1.9) {
    work = TakeBuffer();
    const long long row = ((2LL * sw) + 3) & ~3LL;
    const long long bytes = row * 2 * sh * 4 + 32;
    if (work && bytes <= INT_MAX && work->GetAllocated() >= 0) {
      work->Resize(static_cast<int>(bytes), false);
      if (work->GetSize() == static_cast<int>(bytes)) {
        const auto address = reinterpret_cast<std::uintptr_t>(work->Get());
        auto* out =
            reinterpret_cast<std::uint32_t*>((address + 31) & ~static_cast<std::uintptr_t>(31));
        for (int j = 0; j < sh; ++j) {
          const std::uint32_t* in = image.pixels + static_cast<std::ptrdiff_t>(j) * W;
          std::uint32_t* r0 = out + static_cast<std::ptrdiff_t>(2 * j) * row;
          std::uint32_t* r1 = r0 + row;
          for (int i = 0; i < sw; ++i)
            r0[2 * i] = r0[2 * i + 1] = r1[2 * i] = r1[2 * i + 1] = in[i];
        }
        image.pixels = out;
        image.width = 2 * sw;
        image.height = 2 * sh;
        image.rowPixels = static_cast<int>(row);
      }
    }
  }
  dest->draw->drawImage({double(destX), double(destY), double(dw), double(dh)}, image);
  GiveBack(work);
}

void BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD mode) {
  StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, width, height, mode);
}
