// The screens of the desktop. Main thread.
#pragma once

#include <vector>

#include "platform/geometry.h"

namespace vq::platform {

struct Screen {
  Rect frame;         // screen coordinates, the main screen's origin at 0, 0
  Rect visibleFrame;  // without menu bar and panels
  double scale = 1;   // device pixels per point
};

class ScreenService {
 public:
  virtual ~ScreenService() = default;
  // The main screen first; never empty.
  virtual std::vector<Screen> screens() const = 0;
  double mainDisplayHeight() const { return screens().front().frame.height; }
};

}  // namespace vq::platform
