// The equalizer curve turned back into parameter values: a dragged band of the curve display
// (gain, frequency, width and the band's limits) becomes the frequency, slope or Q and boost
// parameters of that band. Pure; every result is finite and inside its parameter's range.
#pragma once

#include <array>
#include <cstdint>

// One band of the curve display as it reports it.
struct EqBand {
  int32_t index = 0;  // 0 bass, 1 mid 1, 2 mid 2, 3 treble
  double gain = 0.0;
  double frequency = 0.0;
  double width = 0.0;  // slope (bass, treble) or bandwidth in octaves (mids)
  double freqMin = 0.0;
  double freqMax = 0.0;
  double widthMin = 0.0;
  double widthMax = 0.0;
};

struct EqParamValue {
  int param;
  double value;
};

// The three parameters of the band (frequency, slope or Q, boost) in that order; an index
// outside 0..3 gives params of -1.
std::array<EqParamValue, 3> EqBandToParams(const EqBand& band);

// 0..127 over freqMin..freqMax on a logarithmic scale; 0 for an empty range or a frequency
// at or below zero.
double EqFrequencyPosition(double frequency, double freqMin, double freqMax);
