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

// Bass shelf, two bells, treble shelf: frequency curve 2^(v / 127 * scale + base) and limits.
struct BandShape {
  int type;
  float freqScale, freqBase, freqMin, freqMax, gainLimit, widthMin, widthMax;
};
const BandShape kBandShapes[4] = {
    {IParaGraphicEq::kLowShelf, 2.43296f, 5.6438556f, 50.0f, 270.0f, 20.0f, 4.0f, 10.0f},
    {IParaGraphicEq::kBell, 5.0995355f, 7.1292825f, 140.0f, 4800.0f, 20.0f, 0.1442f, 1.38848f},
    {IParaGraphicEq::kBell, 5.0995355f, 7.1292825f, 140.0f, 4800.0f, 20.0f, 0.1442f, 1.38848f},
    {IParaGraphicEq::kHighShelf, 1.8073559f, 10.965783f, 2000.0f, 7000.0f, 15.0f, 4.0f, 10.0f},
};

}  // namespace

std::array<IParaGraphicEq::Band, 4> BandsFromValues(const std::array<int, 12>& in) {
  std::array<IParaGraphicEq::Band, 4> out{};
  for (int b = 0; b < 4; ++b) {
    const BandShape& shape = kBandShapes[b];
    const bool bell = shape.type == IParaGraphicEq::kBell;
    const int gainLimit = static_cast<int>(shape.gainLimit);
    // A field outside its range (a damaged program) would otherwise give Q 0 and a NaN width.
    const int freq = std::clamp(in[3 * b], 0, 127);
    const int width = bell ? std::clamp(in[3 * b + 1], 10, 100) : std::clamp(in[3 * b + 1], 0, 127);
    const int gain = std::clamp(in[3 * b + 2], -gainLimit, gainLimit);
    auto& band = out[b];
    band.mIndex = b;
    band.mType = shape.type;
    band.mFreq = std::exp2(static_cast<float>(freq) / 127.0f * shape.freqScale + shape.freqBase);
    band.mWidth = bell ? BellWidth(width) : ShelfSlope(width);
    band.mGain = static_cast<float>(gain);
    band.mFreqMin = shape.freqMin, band.mFreqMax = shape.freqMax;
    band.mGainMin = -shape.gainLimit, band.mGainMax = shape.gainLimit;
    band.mWidthMin = shape.widthMin, band.mWidthMax = shape.widthMax;
  }
  return out;
}

}  // namespace vq_eq
