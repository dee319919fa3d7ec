#include "x_touchpad.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <gdk/gdkx.h>

namespace vq::test {

namespace {
// The fields pinches and swipes share.
template <class Gesture>
void fill(Gesture& g, Display* d, GdkWindow* window, const TouchpadStep& step) {
  g.type = GenericEvent;
  g.display = d;
  int event = 0, error = 0;
  XQueryExtension(d, "XInputExtension", &g.extension, &event, &error);
  g.evtype = step.type;
  g.deviceid = 2;  // the pointer
  g.sourceid = 12;
  g.detail = step.type >= TouchpadStep::SwipeBegin ? 3 : 2;  // fingers
  g.flags = 0;
  g.event = gdk_x11_window_get_xid(window);
  g.root = DefaultRootWindow(d);
  g.root_x = step.x;
  g.root_y = step.y;
  g.delta_x = g.delta_unaccel_x = step.dx;
  g.delta_y = g.delta_unaccel_y = step.dy;
}
}  // namespace

void feedTouchpadGesture(GdkWindow* window, const TouchpadStep& step) {
  Display* d = gdk_x11_display_get_xdisplay(gdk_window_get_display(window));
  XIGesturePinchEvent pinch{};
  XIGestureSwipeEvent swipe{};
  fill(pinch, d, window, step);
  fill(swipe, d, window, step);
  pinch.scale = step.scale;
  pinch.delta_angle = step.degrees;
  XEvent e{};
  e.xcookie.type = GenericEvent;
  e.xcookie.display = d;
  e.xcookie.extension = pinch.extension;
  e.xcookie.evtype = step.type;
  e.xcookie.data = step.type >= TouchpadStep::SwipeBegin ? static_cast<void*>(&swipe) : &pinch;
  XPutBackEvent(d, &e);  // the data goes with a copy
}

}  // namespace vq::test
