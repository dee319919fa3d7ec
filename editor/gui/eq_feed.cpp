#include "editor/gui/eq_feed.h"

#include <algorithm>
#include <cmath>

namespace vq_eq {
namespace {

float ShelfSlope(int v) {
  return static_cast<float>(127 - v) / 127.0f * 6.0f + 4.0f;
}

// Bandwidth in octaves of a bell of quality Q (1..10).
float BellWidth(int qValue) {
  const float q = static_cast<float>(qValue - 10) / 90.0f * 9.0f + 1.0f;
  const float x = q * q;
  const float c = (2.0f * x + 1.0f) / (2.0f * x);
  const float a = (2.0f * x + 1.0f) / x;
  const float d = a * a * 0.25f + -1.0f;
  return std::log10(std::sqrt(d) + c) / 0.30103f;
}

}  // namespace

std::array<IParaGraphicEq::Band, 4> BandsFromValues(const std::array<int, 12>& in) {
  // A field outside its range (a damaged program) would otherwise give Q 0 and a NaN width.
  std::array<int, 12> v{};
  for (int b = 0; b < 4; ++b) {
    const bool bell = b == 1 || b == 2;
    const int gainLimit = b == 3 ? 15 : 20;
    v[3 * b] = std::clamp(in[3 * b], 0, 127);
    v[3 * b + 1] = bell ? std::clamp(in[3 * b + 1], 10, 100) : std::clamp(in[3 * b + 1], 0, 127);
    v[3 * b + 2] = std::clamp(in[3 * b + 2], -gainLimit, gainLimit);
  }
  std::array<IParaGraphicEq::Band, 4> out{};
  auto& bass = out[0];
  bass.mIndex = 0;
  bass.mType = IParaGraphicEq::kLowShelf;
  bass.mFreq = std::exp2(static_cast<float>(v[0]) / 127.0f * 2.43296f + 5.6438556f);
  bass.mWidth = ShelfSlope(v[1]);
  bass.mGain = static_cast<float>(v[2]);
  bass.mFreqMin = 50.0f, bass.mFreqMax = 270.0f, bass.mGainMin = -20.0f, bass.mGainMax = 20.0f;
  bass.mWidthMin = 4.0f, bass.mWidthMax = 10.0f;
  for (int b = 1; b <= 2; ++b) {
    auto& mid = out[b];
    mid.mIndex = b;
    mid.mType = IParaGraphicEq::kBell;
    mid.mFreq = std::exp2(static_cast<float>(v[3 * b]) / 127.0f * 5.0995355f + 7.1292825f);
    mid.mWidth = BellWidth(v[3 * b + 1]);
    mid.mGain = static_cast<float>(v[3 * b + 2]);
    mid.mFreqMin = 140.0f, mid.mFreqMax = 4800.0f, mid.mGainMin = -20.0f, mid.mGainMax = 20.0f;
    mid.mWidthMin = 0.1442f, mid.mWidthMax = 1.38848f;
  }
  auto& treble = out[3];
  treble.mIndex = 3;
  treble.mType = IParaGraphicEq::kHighShelf;
  treble.mFreq = std::exp2(static_cast<float>(v[9]) / 127.0f * 1.8073559f + 10.965783f);
  treble.mWidth = ShelfSlope(v[10]);
  treble.mGain = static_cast<float>(v[11]);
  treble.mFreqMin = 2000.0f, treble.mFreqMax = 7000.0f, treble.mGainMin = -15.0f,
  treble.mGainMax = 15.0f;
  treble.mWidthMin = 4.0f, treble.mWidthMax = 10.0f;
  return out;
}

}  // namespace vq_eq
