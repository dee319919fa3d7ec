// Touchpad gestures as the X server delivers them: XInput 2.4 events on GDK's own connection.
// The test server has no touchpad, so they are put first in the connection's queue, where the
// server's would arrive. Xlib stays in the .cpp.
#pragma once

#include <gdk/gdk.h>

namespace vq::test {

// A step (XInput's event numbers) at a position on the screen, moved by dx, dy since the step
// before (a pinch: at the scale, and turned clockwise by degrees).
struct TouchpadStep {
  enum Type { PinchBegin = 27, PinchUpdate, PinchEnd, SwipeBegin, SwipeUpdate, SwipeEnd } type;
  double x, y;
  double dx = 0, dy = 0, scale = 1, degrees = 0;
};

// The step for the window, as from the pointer the touchpad moves.
void feedTouchpadGesture(GdkWindow* window, const TouchpadStep& step);

}  // namespace vq::test
