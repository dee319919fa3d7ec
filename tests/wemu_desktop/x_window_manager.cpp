#include "x_window_manager.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace vq::test {

namespace {
Display* display() {
  static Display* d = XOpenDisplay(nullptr);
  return d;
}
}  // namespace

unsigned long xidOf(GtkWidget* toplevel) { return GDK_WINDOW_XID(gtk_widget_get_window(toplevel)); }

bool pressCloseBox(unsigned long xid) {
  Display* d = display();
  if (!d) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = xid;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  bool sent = XSendEvent(d, xid, False, NoEventMask, &e) != 0;
  XFlush(d);
  return sent;
}

bool focusWindow(unsigned long xid) {
  Display* d = display();
  if (!d) return false;
  XRaiseWindow(d, xid);
  XSetInputFocus(d, xid, RevertToParent, CurrentTime);
  XFlush(d);
  return true;
}

bool moveWindowTo(unsigned long xid, int x, int y) {
  Display* d = display();
  if (!d) return false;
  XMoveWindow(d, xid, x, y);
  XFlush(d);
  return true;
}

bool resizeWindowTo(unsigned long xid, int width, int height) {
  Display* d = display();
  if (!d) return false;
  XResizeWindow(d, xid, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XFlush(d);
  return true;
}

bool minimiseWindow(unsigned long xid) {
  Display* d = display();
  if (!d) return false;
  XUnmapWindow(d, xid);
  XFlush(d);
  return true;
}

bool restoreWindow(unsigned long xid) {
  Display* d = display();
  if (!d) return false;
  XMapWindow(d, xid);
  XFlush(d);
  return true;
}

}  // namespace vq::test
