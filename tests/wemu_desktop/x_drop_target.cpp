#include "x_drop_target.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>

namespace vq::test {

namespace {

Display* dpy(void* d) {
  return static_cast<Display*>(d);
}

Atom atom(Display* d, const char* name) {
  return XInternAtom(d, name, False);
}

std::string propertyText(Display* d, Window w, Atom property) {
  Atom type;
  int format;
  unsigned long n = 0, rest = 0;
  unsigned char* data = nullptr;
  std::string out;
  if (XGetWindowProperty(d, w, property, 0, 4096, False, AnyPropertyType, &type, &format, &n, &rest,
                         &data) == Success &&
      data && format == 8)
    out.assign(reinterpret_cast<char*>(data), n);
  if (data) XFree(data);
  return out;
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

}  // namespace

XDropTarget::XDropTarget(int x, int y, int width, int height, std::string folder)
    : mFolder(std::move(folder)) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return;
  mDisplay = d;
  Window root = DefaultRootWindow(d);
  mWindow =
      XCreateSimpleWindow(d, root, x, y, width, height, 0, BlackPixel(d, 0), WhitePixel(d, 0));
  long version = 5;
  XChangeProperty(d, mWindow, atom(d, "XdndAware"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&version), 1);
  XMapWindow(d, mWindow);
  XSync(d, False);
  mThread = std::thread([this] { run(); });
}

XDropTarget::~XDropTarget() {
  mStop = true;
  if (mThread.joinable()) mThread.join();
  if (mDisplay) {
    XDestroyWindow(dpy(mDisplay), mWindow);
    XCloseDisplay(dpy(mDisplay));
  }
}

std::vector<XDropTarget::Drop> XDropTarget::drops() {
  std::lock_guard<std::mutex> lock(mMutex);
  return mDrops;
}

void XDropTarget::run() {
  Display* d = dpy(mDisplay);
  const Atom enter = atom(d, "XdndEnter"), position = atom(d, "XdndPosition"),
             status = atom(d, "XdndStatus"), drop = atom(d, "XdndDrop"),
             finished = atom(d, "XdndFinished"), typeList = atom(d, "XdndTypeList"),
             selection = atom(d, "XdndSelection"), copy = atom(d, "XdndActionCopy"),
             directSave = atom(d, "XdndDirectSave0"), textPlain = atom(d, "text/plain"),
             answerProperty = atom(d, "VQ_DIRECT_SAVE_ANSWER");
  Window source = 0;
  Drop current;
  bool awaitingAnswer = false;
  auto finish = [&](bool ok) {
    sendTo(d, source, finished, long(mWindow), ok ? 1 : 0, ok ? long(copy) : 0, 0, 0);
    std::lock_guard<std::mutex> lock(mMutex);
    mDrops.push_back(current);
    current = {};
    awaitingAnswer = false;
  };
  while (!mStop) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == SelectionNotify && awaitingAnswer) {
        if (e.xselection.property != None)
          current.answer = propertyText(d, mWindow, answerProperty);
        XDeleteProperty(d, mWindow, answerProperty);
        finish(current.answer == "S");
        continue;
      }
      if (e.type != ClientMessage) continue;
      const long* l = e.xclient.data.l;
      Atom type = e.xclient.message_type;
      if (type == enter) {
        source = Window(l[0]);
        current = {};
        std::vector<Atom> offered;
        if (l[1] & 1) {
          Atom t;
          int format;
          unsigned long n = 0, rest = 0;
          unsigned char* data = nullptr;
          if (XGetWindowProperty(d, source, typeList, 0, 256, False, XA_ATOM, &t, &format, &n,
                                 &rest, &data) == Success &&
              data) {
            auto* atoms = reinterpret_cast<Atom*>(data);
            offered.assign(atoms, atoms + n);
          }
          if (data) XFree(data);
        } else {
          for (int i = 2; i < 5; ++i)
            if (l[i]) offered.push_back(Atom(l[i]));
        }
        for (Atom a : offered) {
          char* name = XGetAtomName(d, a);
          current.types.push_back(name);
          XFree(name);
        }
      } else if (type == position) {
        sendTo(d, Window(l[0]), status, long(mWindow), 1 | 2, 0, 0, long(copy));
      } else if (type == drop) {
        source = Window(l[0]);
        bool saves = std::find(current.types.begin(), current.types.end(), "XdndDirectSave0") !=
                     current.types.end();
        if (!saves) {
          finish(false);
          continue;
        }
        current.suggestedName = propertyText(d, source, directSave);
        std::string uri = "file://" + mFolder + "/" + current.suggestedName;
        XChangeProperty(d, source, directSave, textPlain, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(uri.data()), int(uri.size()));
        XConvertSelection(d, selection, directSave, answerProperty, mWindow, Time(l[2]));
        XFlush(d);
        awaitingAnswer = true;
      }
    }
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, 20);
  }
}

}  // namespace vq::test
