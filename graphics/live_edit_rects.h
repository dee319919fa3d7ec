// Conversions between the GUI's rectangles and the plug-side copies the layout editor keeps.
#pragma once

#include "graphics/gui_types.h"
#include "plugin/imodule_gui.h"

inline LiveEditRect ToLive(const IRECT& r) {
  return LiveEditRect{r.L, r.T, r.R, r.B};
}
inline IRECT ToIRECT(const LiveEditRect& r) {
  return IRECT(r.L, r.T, r.R, r.B);
}
inline IRECT Shifted(const LiveEditRect& r, int dx, int dy) {
  return IRECT(r.L + dx, r.T + dy, r.R + dx, r.B + dy);
}
