#include "x_window_manager.h"

#include "platform_gtk/x_input.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <X11/Xatom.h>

#include <chrono>
#include <functional>

namespace vq::test {

namespace {
bool withDisplay(const std::function<void(Display*)>& act) {
  static Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  act(d);
  XFlush(d);
  return true;
}
}  // namespace

unsigned long xidOf(GtkWidget* toplevel) {
  return GDK_WINDOW_XID(gtk_widget_get_window(toplevel));
}

bool pressCloseBox(unsigned long xid) {
  static XInput x;
  if (!x.ok()) return false;
  x.pressCloseBox(xid);
  return true;
}

bool focusWindow(unsigned long xid) {
  return withDisplay([xid](Display* d) { XSetInputFocus(d, xid, RevertToParent, CurrentTime); });
}

bool moveWindowTo(unsigned long xid, int x, int y) {
  return withDisplay([=](Display* d) { XMoveWindow(d, xid, x, y); });
}

bool resizeWindowTo(unsigned long xid, int width, int height) {
  return withDisplay([=](Display* d) { XResizeWindow(d, xid, unsigned(width), unsigned(height)); });
}

bool minimiseWindow(unsigned long xid) {
  return withDisplay([xid](Display* d) { XUnmapWindow(d, xid); });
}

bool restoreWindow(unsigned long xid) {
  return withDisplay([xid](Display* d) { XMapWindow(d, xid); });
}

std::optional<std::string> readClipboardAs(const char* target, const std::function<void()>& pump) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return std::nullopt;
  Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
  Atom property = XInternAtom(d, "VQ_TEST_SELECTION", False);
  XConvertSelection(d, XInternAtom(d, "CLIPBOARD", False), XInternAtom(d, target, False), property,
                    w, CurrentTime);
  XFlush(d);
  std::optional<std::string> out;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  XEvent e{};
  bool answered = false;
  while (!answered && std::chrono::steady_clock::now() < end) {
    pump();
    answered = XCheckTypedWindowEvent(d, w, SelectionNotify, &e);
  }
  if (answered && e.xselection.property != None) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                           &items, &after, &data) == Success &&
        data) {
      out = std::string(reinterpret_cast<char*>(data), items * (format / 8));
      XFree(data);
    }
  }
  XDestroyWindow(d, w);
  XCloseDisplay(d);
  return out;
}

}  // namespace vq::test
