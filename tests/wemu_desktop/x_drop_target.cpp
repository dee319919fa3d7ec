#include "x_drop_target.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <glib.h>
#include <poll.h>

#include <algorithm>
#include <fstream>

namespace vq::test {

namespace {

Display* dpy(void* d) {
  return static_cast<Display*>(d);
}

Atom atom(Display* d, const char* name) {
  return XInternAtom(d, name, False);
}

// A window's property: bytes (char) or atoms (Atom).
template <typename T>
std::vector<T> property(Display* d, Window w, Atom name, Atom type) {
  Atom actual;
  int format;
  unsigned long n = 0, rest = 0;
  unsigned char* data = nullptr;
  std::vector<T> out;
  if (XGetWindowProperty(d, w, name, 0, 4096, False, type, &actual, &format, &n, &rest, &data) ==
          Success &&
      data && format == (sizeof(T) == 1 ? 8 : 32))
    out.assign(reinterpret_cast<T*>(data), reinterpret_cast<T*>(data) + n);
  if (data) XFree(data);
  return out;
}

std::string propertyText(Display* d, Window w, Atom name) {
  const std::vector<char> bytes = property<char>(d, w, name, AnyPropertyType);
  return {bytes.begin(), bytes.end()};
}

void setText(Display* d, Window w, Atom property, Atom type, const std::string& text) {
  XChangeProperty(d, w, property, type, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
}

void sendTo(Display* d, Window to, Atom type, long l0, long l1, long l2, long l3, long l4) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = to;
  e.xclient.message_type = type;
  e.xclient.format = 32;
  long l[5] = {l0, l1, l2, l3, l4};
  std::copy(l, l + 5, e.xclient.data.l);
  XSendEvent(d, to, False, NoEventMask, &e);
  XFlush(d);
}

// The drop-aware window under a root position, or none.
Window dropWindowAt(Display* d, int x, int y) {
  Window root = DefaultRootWindow(d), w = root, child = 0;
  int cx, cy;
  while (XTranslateCoordinates(d, root, w, x, y, &cx, &cy, &child) && child) {
    w = child;
    if (!property<Atom>(d, w, atom(d, "XdndAware"), XA_ATOM).empty()) return w;
  }
  return 0;
}

}  // namespace

XPeer::XPeer(int x, int y, int width, int height, bool dropTarget) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return;
  mDisplay = d;
  mWindow = XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, width, height, 0, BlackPixel(d, 0),
                                WhitePixel(d, 0));
  if (dropTarget) {
    long version = 5;
    XChangeProperty(d, mWindow, atom(d, "XdndAware"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&version), 1);
  }
  XSelectInput(d, mWindow, ButtonPressMask | ButtonReleaseMask | PointerMotionMask);
  XMapWindow(d, mWindow);
  XSync(d, False);
}

void XPeer::start() {
  if (!mDisplay) return;
  mThread = std::thread([this] {
    Display* d = dpy(mDisplay);
    while (!mStop) {
      while (XPending(d)) {
        XEvent e;
        XNextEvent(d, &e);
        handle(&e);
      }
      pollfd p{ConnectionNumber(d), POLLIN, 0};
      poll(&p, 1, 20);
    }
  });
}

void XPeer::finish() {
  mStop = true;
  if (mThread.joinable()) mThread.join();
  if (mDisplay) {
    XDestroyWindow(dpy(mDisplay), mWindow);
    XCloseDisplay(dpy(mDisplay));
    mDisplay = nullptr;
  }
}

XDropTarget::XDropTarget(int x, int y, int width, int height, std::string folder)
    : XPeer(x, y, width, height, true), mFolder(std::move(folder)) {
  start();
}

std::vector<XDropTarget::Drop> XDropTarget::drops() {
  std::lock_guard<std::mutex> lock(mMutex);
  return mDrops;
}

void XDropTarget::nameThePlaceIn(std::string type) {
  std::lock_guard<std::mutex> lock(mMutex);
  mPlaceType = std::move(type);
}

void XDropTarget::end(bool ok) {
  Display* d = dpy(mDisplay);
  sendTo(d, mSource, atom(d, "XdndFinished"), long(mWindow), ok ? 1 : 0,
         ok ? long(atom(d, "XdndActionCopy")) : 0, 0, 0);
  std::lock_guard<std::mutex> lock(mMutex);
  mDrops.push_back(mCurrent);
  mCurrent = {};
  mAwaitingAnswer = false;
}

void XDropTarget::handle(void* event) {
  Display* d = dpy(mDisplay);
  XEvent& e = *static_cast<XEvent*>(event);
  const Atom answerProperty = atom(d, "VQ_DIRECT_SAVE_ANSWER");
  if (e.type == SelectionNotify && mAwaitingAnswer) {
    if (e.xselection.property != None) mCurrent.answer = propertyText(d, mWindow, answerProperty);
    XDeleteProperty(d, mWindow, answerProperty);
    end(mCurrent.answer == "S");
    return;
  }
  if (e.type != ClientMessage) return;
  const long* l = e.xclient.data.l;
  Atom type = e.xclient.message_type;
  if (type == atom(d, "XdndEnter")) {
    mSource = Window(l[0]);
    mCurrent = {};
    std::vector<Atom> offered;
    if (l[1] & 1) {
      offered = property<Atom>(d, mSource, atom(d, "XdndTypeList"), XA_ATOM);
    } else {
      for (int i = 2; i < 5; ++i)
        if (l[i]) offered.push_back(Atom(l[i]));
    }
    for (Atom a : offered) {
      char* name = XGetAtomName(d, a);
      mCurrent.types.push_back(name);
      XFree(name);
    }
  } else if (type == atom(d, "XdndPosition")) {
    sendTo(d, Window(l[0]), atom(d, "XdndStatus"), long(mWindow), 1 | 2, 0, 0,
           long(atom(d, "XdndActionCopy")));
  } else if (type == atom(d, "XdndDrop")) {
    mSource = Window(l[0]);
    const std::vector<std::string>& types = mCurrent.types;
    if (std::find(types.begin(), types.end(), "XdndDirectSave0") == types.end()) {
      end(false);
      return;
    }
    const Atom directSave = atom(d, "XdndDirectSave0");
    mCurrent.suggestedName = propertyText(d, mSource, directSave);
    std::string placeType;
    {
      std::lock_guard<std::mutex> lock(mMutex);
      placeType = mPlaceType;
    }
    setText(d, mSource, directSave, atom(d, placeType.c_str()),
            "file://" + mFolder + "/" + mCurrent.suggestedName);
    XConvertSelection(d, atom(d, "XdndSelection"), directSave, answerProperty, mWindow, Time(l[2]));
    XFlush(d);
    mAwaitingAnswer = true;
  }
}

XDragSource::XDragSource(int x, int y, int width, int height, std::string name, std::string content)
    : XPeer(x, y, width, height, false), mName(std::move(name)), mContent(std::move(content)) {
  start();
}

XDragSource::Outcome XDragSource::outcome() {
  std::lock_guard<std::mutex> lock(mMutex);
  return mOutcome;
}

void XDragSource::handle(void* event) {
  Display* d = dpy(mDisplay);
  XEvent& e = *static_cast<XEvent*>(event);
  const Atom directSave = atom(d, "XdndDirectSave0"), copy = atom(d, "XdndActionCopy");
  std::lock_guard<std::mutex> lock(mMutex);
  if (e.type == ButtonPress) {
    // The press grabs the pointer for the drag until the release.
    XSetSelectionOwner(d, atom(d, "XdndSelection"), mWindow, e.xbutton.time);
    setText(d, mWindow, directSave, atom(d, "text/plain"), mName);
    mDragging = true;
    mTarget = 0;
    mOutcome = {};
  } else if (e.type == MotionNotify && mDragging) {
    Window over = dropWindowAt(d, e.xmotion.x_root, e.xmotion.y_root);
    if (over != mTarget) {
      if (mTarget) sendTo(d, mTarget, atom(d, "XdndLeave"), long(mWindow), 0, 0, 0, 0);
      mTarget = over;
      mOutcome.welcomed = false;
      if (mTarget)
        sendTo(d, mTarget, atom(d, "XdndEnter"), long(mWindow), 5L << 24, long(directSave), 0, 0);
    }
    if (mTarget)
      sendTo(d, mTarget, atom(d, "XdndPosition"), long(mWindow), 0,
             long(e.xmotion.x_root) << 16 | e.xmotion.y_root, long(e.xmotion.time), long(copy));
  } else if (e.type == ButtonRelease && mDragging) {
    mDragging = false;
    if (mTarget && mOutcome.welcomed) {
      sendTo(d, mTarget, atom(d, "XdndDrop"), long(mWindow), 0, long(e.xbutton.time), 0, 0);
    } else if (mTarget) {
      sendTo(d, mTarget, atom(d, "XdndLeave"), long(mWindow), 0, 0, 0, 0);
    }
  } else if (e.type == ClientMessage && e.xclient.message_type == atom(d, "XdndStatus")) {
    mOutcome.welcomed = e.xclient.data.l[1] & 1;
  } else if (e.type == ClientMessage && e.xclient.message_type == atom(d, "XdndFinished")) {
    mOutcome.finished = true;
    mOutcome.accepted = e.xclient.data.l[1] & 1;
  } else if (e.type == SelectionRequest) {
    // The file is written where the target named the place, then the answer goes on the
    // requestor's property; other data is refused.
    const XSelectionRequestEvent& r = e.xselectionrequest;
    Atom property = None;
    if (r.target == directSave) {
      ++mOutcome.saveRequests;
      char answer = 'E';
      if (gchar* path =
              g_filename_from_uri(propertyText(d, mWindow, directSave).c_str(), nullptr, nullptr)) {
        answer = (std::ofstream(path) << mContent) ? 'S' : 'E';
        g_free(path);
      }
      setText(d, r.requestor, r.property, directSave, std::string(1, answer));
      property = r.property;
    }
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = r.requestor;
    reply.xselection.selection = r.selection;
    reply.xselection.target = r.target;
    reply.xselection.property = property;
    reply.xselection.time = r.time;
    XSendEvent(d, r.requestor, False, NoEventMask, &reply);
    XFlush(d);
  }
}

}  // namespace vq::test
