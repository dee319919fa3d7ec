// Per-control animation state. The graphics core only asks whether any animation of a control
// is running (it then keeps the control dirty); the easing engine fills in the rest.
#pragma once

#include <vector>

// True when any bit is set.
inline bool AnyBitSet(const std::vector<bool>& bits) {
  for (bool b : bits) {
    if (b) return true;
  }
  return false;
}

class IModuleAnimation {
 public:
  // One bit per named animation: it advanced in its last call and has not arrived yet.
  const std::vector<bool>& Running() const { return mRunning; }
  bool AnyRunning() const { return AnyBitSet(mRunning); }
  void SetRunning(int entry, bool running) {
    if (entry < 0) return;
    if (static_cast<size_t>(entry) >= mRunning.size()) mRunning.resize(static_cast<size_t>(entry) + 1, false);
    mRunning[static_cast<size_t>(entry)] = running;
  }

 protected:
  std::vector<bool> mRunning;
};
