// A small picture for menu items and cursors: rows top-down, 8-bit samples.
#pragma once

#include <cstdint>
#include <vector>

namespace vq::platform {

struct Image {
  int width = 0;
  int height = 0;
  int samplesPerPixel = 4;  // 2: grey, alpha; 4: red, green, blue, alpha
  std::vector<uint8_t> pixels;
  bool operator==(const Image&) const = default;
};

}  // namespace vq::platform
