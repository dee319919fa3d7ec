// Test helper: encodes PNG files of any colour type and bit depth through libpng, so the
// loader can be fed images whose every sample is known.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace vqtest {

struct PngImage {
  int width = 0;
  int height = 0;
  int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  int bitDepth = 8;
  bool interlaced = false;
  // Row by row, channels per pixel as the colour type says (palette: the index), each sample
  // in 0..2^bitDepth - 1.
  std::vector<uint16_t> samples;
  std::vector<png_color> palette;
  std::vector<uint8_t> paletteAlpha;  // tRNS of a palette image (may be shorter than it)
  bool hasTransparentColor = false;   // tRNS of a grey or RGB image
  png_color_16 transparentColor{};
};

inline int PngChannels(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;  // palette
  }
}

namespace detail {
inline void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
inline void NoFlush(png_structp) {}
}  // namespace detail

inline std::vector<uint8_t> EncodePng(const PngImage& img) {
  const int channels = PngChannels(img.colorType);
  const size_t rowSamples = size_t(img.width) * channels;
  if (img.samples.size() != rowSamples * size_t(img.height)) {
    throw std::runtime_error("EncodePng: sample count does not match the image size");
  }
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  // Rows packed as the PNG stores them: sub-byte samples from the high bits, 16-bit big-endian.
  const size_t rowBytes = (rowSamples * size_t(img.bitDepth) + 7) / 8;
  std::vector<std::vector<uint8_t>> rows(size_t(img.height), std::vector<uint8_t>(rowBytes, 0));
  for (int y = 0; y < img.height; ++y) {
    auto& row = rows[size_t(y)];
    for (size_t i = 0; i < rowSamples; ++i) {
      const uint16_t s = img.samples[size_t(y) * rowSamples + i];
      if (img.bitDepth == 16) {
        row[2 * i] = uint8_t(s >> 8);
        row[2 * i + 1] = uint8_t(s);
      } else if (img.bitDepth == 8) {
        row[i] = uint8_t(s);
      } else {
        const size_t bit = i * size_t(img.bitDepth);
        row[bit / 8] |= uint8_t(s << (8 - img.bitDepth - bit % 8));
      }
    }
  }
  std::vector<png_bytep> rowPointers;
  for (auto& r : rows) rowPointers.push_back(r.data());
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("EncodePng: libpng error");
  }
  png_set_write_fn(png, &out, detail::AppendToVector, detail::NoFlush);
  png_set_IHDR(png, info, png_uint_32(img.width), png_uint_32(img.height), img.bitDepth,
               img.colorType, img.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!img.palette.empty()) {
    png_set_PLTE(png, info, img.palette.data(), int(img.palette.size()));
  }
  if (!img.paletteAlpha.empty()) {
    png_set_tRNS(png, info, img.paletteAlpha.data(), int(img.paletteAlpha.size()), nullptr);
  } else if (img.hasTransparentColor) {
    png_set_tRNS(png, info, nullptr, 0, &img.transparentColor);
  }
  png_write_info(png, info);
  png_write_image(png, rowPointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("WriteFile: cannot create " + path);
  const size_t n = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  if (n != bytes.size()) throw std::runtime_error("WriteFile: short write " + path);
}

}  // namespace vqtest
