// Cursor and image files decoded in memory: nothing is written to disk, and every offset and
// size read from a file is checked against the bytes actually there.
#include <png.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

#include "wemu/cursors.h"

using vq::platform::Image;

namespace {

constexpr size_t kMaxFileBytes = 16u << 20;
constexpr int kMaxSide = 256;

uint16_t u16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool isPng(const uint8_t* d, size_t n) {
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return n >= 8 && std::memcmp(d, sig, 8) == 0;
}

// A device-independent bitmap of an icon or cursor: the colour rows, then the 1-bit mask,
// both bottom-up, the header's height counting both.
std::optional<Image> decodeDib(const uint8_t* d, size_t n) {
  if (n < 40) return std::nullopt;
  uint32_t headerSize = u32(d);
  if (headerSize < 40 || headerSize > n) return std::nullopt;
  int32_t width = static_cast<int32_t>(u32(d + 4));
  int32_t fullHeight = static_cast<int32_t>(u32(d + 8));
  uint16_t bpp = u16(d + 14);
  uint32_t compression = u32(d + 16);
  uint32_t colorsUsed = u32(d + 32);
  if (fullHeight == INT32_MIN) return std::nullopt;  // has no positive counterpart
  bool topDown = fullHeight < 0;
  if (fullHeight < 0) fullHeight = -fullHeight;
  int32_t height = fullHeight / 2;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return std::nullopt;
  if (compression != 0) return std::nullopt;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return std::nullopt;

  size_t pos = headerSize;
  uint32_t paletteCount = 0;
  if (bpp <= 8) {
    paletteCount = colorsUsed ? colorsUsed : (1u << bpp);
    if (paletteCount > 256) return std::nullopt;
  }
  if (pos + paletteCount * 4u > n) return std::nullopt;
  const uint8_t* palette = d + pos;
  pos += paletteCount * 4u;

  size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
  size_t colorStride = ((w * bpp + 31) / 32) * 4;
  size_t maskStride = ((w + 31) / 32) * 4;
  if (pos + colorStride * h > n) return std::nullopt;
  const uint8_t* colors = d + pos;
  pos += colorStride * h;
  // Some 32-bit files leave the mask out; alpha carries the shape then.
  const uint8_t* mask = pos + maskStride * h <= n ? d + pos : nullptr;
  if (!mask && bpp != 32) return std::nullopt;

  Image img;
  img.width = width;
  img.height = height;
  img.samplesPerPixel = 4;
  img.pixels.assign(w * h * 4, 0);
  bool anyAlpha = false;
  for (size_t y = 0; y < h; ++y) {
    size_t srcRow = topDown ? y : h - 1 - y;
    const uint8_t* row = colors + srcRow * colorStride;
    const uint8_t* mrow = mask ? mask + srcRow * maskStride : nullptr;
    for (size_t x = 0; x < w; ++x) {
      uint8_t r, g, b, a = 255;
      if (bpp == 32) {
        b = row[x * 4];
        g = row[x * 4 + 1];
        r = row[x * 4 + 2];
        a = row[x * 4 + 3];
        if (a) anyAlpha = true;
      } else if (bpp == 24) {
        b = row[x * 3];
        g = row[x * 3 + 1];
        r = row[x * 3 + 2];
      } else {
        size_t bit = x * bpp;
        unsigned idx = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        if (idx >= paletteCount) idx = 0;
        b = palette[idx * 4];
        g = palette[idx * 4 + 1];
        r = palette[idx * 4 + 2];
      }
      if (bpp != 32 && mrow && ((mrow[x / 8] >> (7 - x % 8)) & 1)) a = 0;
      uint8_t* out = &img.pixels[(y * w + x) * 4];
      out[0] = r;
      out[1] = g;
      out[2] = b;
      out[3] = a;
    }
  }
  if (bpp == 32 && !anyAlpha) {
    // No alpha at all: the mask says what shows.
    for (size_t y = 0; y < h; ++y) {
      size_t srcRow = topDown ? y : h - 1 - y;
      for (size_t x = 0; x < w; ++x) {
        bool transparent = mask && ((mask[srcRow * maskStride + x / 8] >> (7 - x % 8)) & 1);
        img.pixels[(y * w + x) * 4 + 3] = transparent ? 0 : 255;
      }
    }
  }
  return img;
}

}  // namespace

std::optional<Image> WEMU_DecodePNG(const uint8_t* data, size_t size) {
  if (!data || !isPng(data, size)) return std::nullopt;
  png_image png;
  std::memset(&png, 0, sizeof(png));
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, data, size)) return std::nullopt;
  if (png.width == 0 || png.height == 0 || png.width > 8192 || png.height > 8192) {
    png_image_free(&png);
    return std::nullopt;
  }
  png.format = PNG_FORMAT_RGBA;
  Image img;
  img.width = static_cast<int>(png.width);
  img.height = static_cast<int>(png.height);
  img.samplesPerPixel = 4;
  img.pixels.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, img.pixels.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  return img;
}

std::optional<WEMU_DecodedCursor> WEMU_DecodeCursorFile(const uint8_t* d, size_t n) {
  if (!d || n < 6 + 16) return std::nullopt;
  if (u16(d) != 0 || u16(d + 2) != 2 || u16(d + 4) != 1) return std::nullopt;
  const uint8_t* entry = d + 6;
  if (entry[3] != 0) return std::nullopt;
  WEMU_DecodedCursor out;
  out.hotX = u16(entry + 4);
  out.hotY = u16(entry + 6);
  uint32_t bytes = u32(entry + 8);
  uint32_t offset = u32(entry + 12);
  if (offset < 6 + 16 || offset >= n) return std::nullopt;
  size_t avail = n - offset;
  if (bytes == 0 || bytes > avail) bytes = static_cast<uint32_t>(avail);
  const uint8_t* image = d + offset;
  std::optional<Image> img =
      isPng(image, bytes) ? WEMU_DecodePNG(image, bytes) : decodeDib(image, bytes);
  if (!img) return std::nullopt;
  out.image = std::move(*img);
  return out;
}

std::optional<std::vector<uint8_t>> WEMU_ReadImageFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes;
  char buf[4096];
  while (in.read(buf, sizeof(buf)) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buf, buf + in.gcount());
    if (bytes.size() > kMaxFileBytes) return std::nullopt;
  }
  return bytes;
}

std::optional<Image> WEMU_LoadImageFile(const std::string& path) {
  std::optional<std::vector<uint8_t>> bytes = WEMU_ReadImageFileBytes(path);
  if (!bytes) return std::nullopt;
  return WEMU_DecodePNG(bytes->data(), bytes->size());
}
