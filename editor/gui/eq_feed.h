// The four bands the equalizer curve shows, computed from the twelve equalizer values (bass,
// mid 1, mid 2, treble: frequency, width, gain each) in single precision.
#pragma once

#include <array>

#include "graphics/para_graphic_eq.h"

namespace vq_eq {

// values[3 * band + 0/1/2]: frequency 0..127, width (slope 0..127 or Q 10..100), gain
// (-20..20, treble -15..15). Values outside their field's range are clamped first.
std::array<IParaGraphicEq::Band, 4> BandsFromValues(const std::array<int, 12>& values);

}  // namespace vq_eq
