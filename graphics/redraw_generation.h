// A count of every change that can make a control need drawing (marked dirty, left dirty by a
// redraw, an animation started, the control list changed). While it stands still, controls
// found clean stay clean, so the GUI's idle call need not look at each of them again.
#pragma once

#include <atomic>

inline std::atomic<unsigned> gRedrawGeneration{0};

inline void NoteRedrawChange() {
  gRedrawGeneration.fetch_add(1, std::memory_order_relaxed);
}
