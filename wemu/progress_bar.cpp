#include "wemu/progress_bar.h"

#include <algorithm>

WEMU_ProgressBar::WEMU_ProgressBar() = default;

void WEMU_ProgressBar::setValue(double v) {
  // Positions come unsigned; one past the range shows as its end rather than wrapping.
  mValue = std::clamp(v, std::min(minValue, maxValue), std::max(minValue, maxValue));
  markNeedsDisplay(true);
}

LRESULT WEMU_ProgressBar::onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case PBM_SETRANGE:
      minValue = static_cast<double>(lParam & 0xFFFF);
      maxValue = static_cast<double>((lParam >> 16) & 0xFFFF);
      setValue(mValue);
      break;
    case PBM_SETPOS:
      setValue(static_cast<double>(wParam));
      animating = false;
      break;
    case PBM_DELTAPOS:
      setValue(mValue + static_cast<double>(wParam));
      break;
    default:
      break;
  }
  return 0;
}
