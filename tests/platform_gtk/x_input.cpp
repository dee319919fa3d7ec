#include "x_input.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

namespace vq::test {

namespace {
Display* dpy(void*& d) {
  if (!d) d = XOpenDisplay(nullptr);
  return static_cast<Display*>(d);
}
}  // namespace

XInput::XInput() = default;

bool XInput::ok() {
  return dpy(mDisplay) != nullptr;
}

XInput::~XInput() {
  if (mDisplay) XCloseDisplay(static_cast<Display*>(mDisplay));
}

void XInput::move(int x, int y) {
  XTestFakeMotionEvent(dpy(mDisplay), -1, x, y, CurrentTime);
  XFlush(dpy(mDisplay));
}

void XInput::pressCloseBox(unsigned long window) {
  Display* d = dpy(mDisplay);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, window, False, NoEventMask, &e);
  XFlush(d);
}

void XInput::moveBy(int dx, int dy) {
  XTestFakeRelativeMotionEvent(dpy(mDisplay), dx, dy, CurrentTime);
  XFlush(dpy(mDisplay));
}

void XInput::where(int* x, int* y) {
  Display* d = dpy(mDisplay);
  ::Window root, child;
  int wx, wy;
  unsigned mask;
  XQueryPointer(d, DefaultRootWindow(d), &root, &child, x, y, &wx, &wy, &mask);
}

void XInput::button(unsigned b, bool down) {
  XTestFakeButtonEvent(dpy(mDisplay), b, down ? True : False, CurrentTime);
  XFlush(dpy(mDisplay));
}

bool XInput::isDown(unsigned button) {
  Display* d = dpy(mDisplay);
  ::Window root, child;
  int rx, ry, wx, wy;
  unsigned mask = 0;
  XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask);
  return button >= 1 && button <= 5 && (mask & (Button1Mask << (button - 1)));
}

void XInput::releaseAll() {
  Display* d = dpy(mDisplay);
  char keys[32];
  XQueryKeymap(d, keys);
  for (int code = 8; code < 256; ++code)
    if (keys[code / 8] & (1 << (code % 8))) XTestFakeKeyEvent(d, code, False, CurrentTime);
  for (unsigned b = 1; b <= 5; ++b)
    if (isDown(b)) XTestFakeButtonEvent(d, b, False, CurrentTime);
  XSync(d, False);
}

bool XInput::isKeyDown(unsigned long keysym) {
  Display* d = dpy(mDisplay);
  char keys[32];
  XQueryKeymap(d, keys);
  const KeyCode code = XKeysymToKeycode(d, keysym);
  return keys[code / 8] & (1 << (code % 8));
}

void XInput::key(unsigned long keysym, bool down) {
  XTestFakeKeyEvent(dpy(mDisplay), XKeysymToKeycode(dpy(mDisplay), keysym), down ? True : False,
                    CurrentTime);
  XFlush(dpy(mDisplay));
}

std::vector<uint32_t> XInput::read(int x, int y, int w, int h) {
  std::vector<uint32_t> out;
  Display* d = dpy(mDisplay);
  XSync(d, False);
  XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w),
                          static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (!img) return out;
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c)
      out.push_back(static_cast<uint32_t>(XGetPixel(img, c, r)) & 0xFFFFFF);
  XDestroyImage(img);
  return out;
}

XTopLevelWatch::XTopLevelWatch() {
  Display* d = XOpenDisplay(nullptr);
  mDisplay = d;
  if (!d) return;
  XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
  XSync(d, False);  // selected before anything we then start
}

XTopLevelWatch::~XTopLevelWatch() {
  if (mDisplay) XCloseDisplay(static_cast<Display*>(mDisplay));
}

void XTopLevelWatch::update() {
  Display* d = static_cast<Display*>(mDisplay);
  if (!d) return;
  XSync(d, False);
  while (XPending(d)) {
    XEvent e;
    XNextEvent(d, &e);
    const auto created = [this](unsigned long w) {
      auto it = std::find_if(mCreated.begin(), mCreated.end(),
                             [w](const auto& c) { return c.first == w; });
      return it == mCreated.end() ? nullptr : &it->second;
    };
    // Of the window the event is about (not the root it was heard on).
    const auto firstIs = [this](unsigned long w) { return mFirst && mFirst->window == w; };
    if (e.type == CreateNotify && !e.xcreatewindow.override_redirect) {
      const XCreateWindowEvent& c = e.xcreatewindow;
      mCreated.push_back({c.window, {c.x, c.y, c.width, c.height}});
    } else if (e.type == ConfigureNotify) {
      const XConfigureEvent& c = e.xconfigure;
      const XGeometry g{c.x, c.y, c.width, c.height};
      if (XGeometry* before = created(c.window)) *before = g;
      if (firstIs(c.window) && !(mFirst->now == g)) {
        mFirst->changes.push_back(g);
        mFirst->now = g;
      }
    } else if (e.type == MapNotify && !e.xmap.override_redirect) {
      if (firstIs(e.xmap.window)) ++mFirst->maps;
      const XGeometry* g = created(e.xmap.window);
      if (mFirst || !g) continue;
      mFirst = Shown{e.xmap.window, "", 1, *g, {}, *g};
      // A window gone meanwhile has no name (and is no error).
      const XErrorHandler kept = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
      char* name = nullptr;
      if (XFetchName(d, e.xmap.window, &name) && name) {
        mFirst->name = name;
        XFree(name);
      }
      XSync(d, False);
      XSetErrorHandler(kept);
    }
  }
}

}  // namespace vq::test
