// The progress bar control: a range and a position set by its three messages; every message
// answers 0. Main thread.
#pragma once

#include "wemu/controls.h"

enum : UINT { PBM_SETRANGE = 0x401, PBM_SETPOS = 0x402, PBM_DELTAPOS = 0x403 };

class WEMU_ProgressBar : public WEMU_Control {
 public:
  WEMU_ProgressBar();
  bool answersWemuMessage() const override { return true; }
  LRESULT onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  double minValue = 0;
  double maxValue = 100;
  bool barStyle = true;
  bool indeterminate = false;
  bool animating = false;
  // The position, always shown within the range.
  double value() const { return mValue; }
  vq::platform::NativeControlState nativeState() const override {
    vq::platform::NativeControlState st;
    st.kind = vq::platform::NativeControlKind::ProgressBar;
    st.value = mValue;
    st.minValue = minValue;
    st.maxValue = maxValue;
    return st;
  }

 private:
  void setValue(double v);
  double mValue = 0;
};
