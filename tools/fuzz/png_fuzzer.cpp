// libFuzzer target: the PNG loader must turn any byte sequence into a bitmap or null, without a
// crash, a leak or an access outside what it allocated.
#include "rast/rast_bitmap.h"
#include "rast/rast_png.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (RAST_IBitmap* bm = RAST_LoadPNGFromMemory(data, size, nullptr)) {
    // Read every pixel, so that a row the loader left short shows up under the sanitizers.
    std::uint32_t sum = 0;
    const int w = bm->getWidth(), h = bm->getHeight(), span = bm->getRowSpan();
    const RAST_pixel* bits = bm->getBits();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) sum += bits[static_cast<std::ptrdiff_t>(y) * span + x];
    delete bm;
    if (sum == 0x12345678u) return 0;  // keeps the loop from being optimised away
  }
  // Into a given bitmap, which the loader resizes; on failure it must still be a valid bitmap.
  if (size > 0 && (data[size - 1] & 1)) {
    RAST_MemBitmap target(7, 5, 4);
    RAST_LoadPNGFromMemory(data, size, &target);
    if (target.getBits() && (target.getWidth() < 1 || target.getHeight() < 1)) __builtin_trap();
  }
  return 0;
}
