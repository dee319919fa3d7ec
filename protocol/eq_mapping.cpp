#include "protocol/eq_mapping.h"

#include <algorithm>
#include <cmath>

namespace {

// Parameter ranges of the band parameters (the editor's table).
constexpr double kFreqMax = 127.0;
constexpr double kSlopeMax = 127.0;
constexpr double kQMin = 10.0, kQMax = 100.0;

double Finite(double v, double fallback) {
  return std::isfinite(v) ? v : fallback;
}

}  // namespace

double EqFrequencyPosition(double frequency, double freqMin, double freqMax) {
  // Base-10 logarithms over log10(2): the display's own octave scale.
  if (!(frequency > 0.0) || !(freqMin > 0.0) || !(freqMax > freqMin)) return 0.0;
  const double lo = std::log10(freqMin) / 0.30103;
  const double hi = std::log10(freqMax) / 0.30103;
  const double f = std::log10(frequency) / 0.30103;
  if (!(hi > lo)) return 0.0;
  return std::clamp(Finite(127.0 * (f - lo) / (hi - lo), 0.0), 0.0, kFreqMax);
}

std::array<EqParamValue, 3> EqBandToParams(const EqBand& band) {
  const double freq = EqFrequencyPosition(band.frequency, band.freqMin, band.freqMax);
  const double gain = Finite(band.gain, 0.0);
  switch (band.index) {
    case 0:
    case 3: {
      // A steeper slope sits at the low end of the width range.
      double slope = 0.0;
      if (band.widthMax != band.widthMin)
        slope = 127.0 - 127.0 * (band.width - band.widthMin) / (band.widthMax - band.widthMin);
      slope = std::clamp(Finite(slope, 0.0), 0.0, kSlopeMax);
      const int first = band.index == 0 ? 161 : 170;
      return {{{first, freq}, {first + 1, slope}, {first + 2, gain}}};
    }
    case 1:
    case 2: {
      // Bandwidth in octaves to Q; a width of 0 is the narrowest band the knob can show.
      const double p = std::pow(2.0, band.width);
      double q = kQMax;
      if (std::isfinite(p) && p > 1.0) {
        const double quality = std::sqrt(p) / (p - 1.0);
        q = std::max(0.0, (quality / 9.0 - 0.1111111) * 90.0 + 10.0);
      }
      q = std::clamp(Finite(q, kQMax), kQMin, kQMax);
      const int first = band.index == 1 ? 164 : 167;
      return {{{first, freq}, {first + 1, q}, {first + 2, gain}}};
    }
    default:
      return {{{-1, 0.0}, {-1, 0.0}, {-1, 0.0}}};
  }
}
