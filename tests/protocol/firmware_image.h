// Firmware file images for tests: the "VQ4FW" header with five section sizes, then the sections.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vqtest {

inline std::vector<uint8_t> FirmwareImage(const std::array<std::vector<uint8_t>, 5>& sections) {
  std::vector<uint8_t> f = {'V', 'Q', '4', 'F', 'W'};
  for (const auto& s : sections) {
    uint32_t n = static_cast<uint32_t>(s.size());
    for (int b = 0; b < 4; ++b) f.push_back(static_cast<uint8_t>(n >> (8 * b)));
  }
  for (const auto& s : sections) f.insert(f.end(), s.begin(), s.end());
  return f;
}

// Bytes that differ from their neighbours and from other seeds.
inline std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 37 + (i >> 3));
  return v;
}

}  // namespace vqtest
