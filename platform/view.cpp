#include "platform/view.h"

#include <algorithm>

#include "platform/modal_run.h"
#include "platform/platform.h"

namespace vq::platform {

namespace {
std::vector<Window*> gOrder;  // front to back
std::vector<Window*> gAll;    // oldest first
Window* gKey = nullptr;
Window* gModal = nullptr;
WindowObserver* gObserver = nullptr;
int gNextNumber = 1;
}  // namespace

View::View(ViewKind kind) : mKind(kind) {}

View::~View() {
  for (View* child : mSubviews) {
    child->mSuperview = nullptr;
    child->setWindowRecursive(nullptr);
  }
  removeFromSuperview();
  if (mWindow) mWindow->forgetView(this);
}

void View::addSubview(View* child) {
  addSubview(child, SubviewPosition::Above, nullptr);
}

void View::addSubview(View* child, SubviewPosition where, View* relativeTo) {
  if (!child || child == this) return;
  child->removeFromSuperview();
  auto at = std::find(mSubviews.begin(), mSubviews.end(), relativeTo);
  if (at == mSubviews.end()) {
    at = where == SubviewPosition::Above ? mSubviews.end() : mSubviews.begin();
  } else if (where == SubviewPosition::Above) {
    ++at;
  }
  mSubviews.insert(at, child);
  child->mSuperview = this;
  child->setWindowRecursive(mWindow);
  didAddSubview(child);
}

void View::setFrame(Rect r) {
  mFrame = r;
  frameDidChange();
}

void View::setHidden(bool hidden) {
  if (hidden == mHidden) return;
  mHidden = hidden;
  if (hidden) {
    viewDidHide();
  } else {
    viewDidUnhide();
  }
}

bool View::isHiddenOrHasHiddenAncestor() const {
  for (const View* v = this; v; v = v->mSuperview)
    if (v->mHidden) return true;
  return false;
}

Point View::convertToWindow(Point p) const {
  // A frame lies in its superview's coordinates: measured from the top in a flipped one.
  for (const View* v = this; v; v = v->mSuperview) {
    const Rect& f = v->mFrame;
    double up = v->mFlipped ? f.height - p.y : p.y;  // from the view's bottom edge
    bool superFlipped = v->mSuperview && v->mSuperview->mFlipped;
    p = {p.x + f.x, superFlipped ? f.y + f.height - up : f.y + up};
  }
  return p;
}

void View::removeFromSuperview() {
  if (mSuperview) {
    mSuperview->willRemoveSubview(this);
    auto& siblings = mSuperview->mSubviews;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    mSuperview = nullptr;
  }
  if (mWindow && mWindow->contentView() != this) setWindowRecursive(nullptr);
}

void View::setWindowRecursive(Window* w) {
  if (mWindow && mWindow != w) mWindow->forgetView(this);
  mWindow = w;
  for (View* child : mSubviews) child->setWindowRecursive(w);
}

Point View::convertFromWindow(Point p) const {
  std::vector<const View*> chain;
  for (const View* v = this; v; v = v->mSuperview) chain.push_back(v);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const View* v = *it;
    const Rect& f = v->mFrame;
    bool superFlipped = v->mSuperview && v->mSuperview->mFlipped;
    double up = superFlipped ? f.height - (p.y - f.y) : p.y - f.y;
    p = {p.x - f.x, v->mFlipped ? f.height - up : up};
  }
  return p;
}

Window::Window() : mNumber(gNextNumber++) {
  gAll.push_back(this);
}

Window::~Window() {
  if (gObserver) gObserver->windowWillClose(*this);
  mDelegate = nullptr;  // a subclass that is its own delegate is already gone
  gAll.erase(std::remove(gAll.begin(), gAll.end(), this), gAll.end());
  if (mContentView) {
    View* v = mContentView;
    mContentView = nullptr;
    v->setWindowRecursive(nullptr);
  }
  orderOut();
  endModalRunsOf(this);
  if (gModal == this) gModal = nullptr;
  if (mParent) mParent->removeChildWindow(this);
  for (Window* child : mChildren) child->mParent = nullptr;
  for (Window* w : gAll)
    if (w->mOwner == this) w->mOwner = nullptr;
}

void Window::setFrame(Rect r) {
  bool moved = r.x != mFrame.x || r.y != mFrame.y;
  bool resized = r.width != mFrame.width || r.height != mFrame.height;
  mFrame = r;
  // The content view fills the window (it hears of it through the window's delegate).
  if (mContentView) mContentView->mFrame = {0, 0, r.width, r.height};
  if (resized && mDelegate) mDelegate->windowDidResize(*this);
  if (moved && mDelegate) mDelegate->windowDidMove(*this);
}

void Window::addChildWindow(Window* child) {
  if (!child || child == this) return;
  if (child->mParent) child->mParent->removeChildWindow(child);
  mChildren.push_back(child);
  child->mParent = this;
}

void Window::removeChildWindow(Window* child) {
  auto it = std::find(mChildren.begin(), mChildren.end(), child);
  if (it == mChildren.end()) return;
  mChildren.erase(it);
  child->mParent = nullptr;
}

void Window::center() {
  Rect area = services().screens().screens().front().visibleFrame;
  Rect f = mFrame;
  f.x = area.x + (area.width - f.width) / 2;
  f.y = area.y + (area.height - f.height) / 2;
  setFrame(f);
}

Size Window::decorationSize() {
  return gObserver ? gObserver->decorationSize(*this) : Size{0, 0};
}

void Window::performClose() {
  if (mClosed) return;
  if (mDelegate && !mDelegate->windowShouldClose(*this)) return;
  close();
}

void Window::close() {
  if (mClosed) return;
  mClosed = true;
  orderOut();
  endModalRunsOf(this);
}

void Window::setContentView(View* v) {
  if (mContentView == v) return;
  if (mContentView) {
    View* old = mContentView;
    mContentView = nullptr;
    old->setWindowRecursive(nullptr);
  }
  mContentView = v;
  if (v) {
    v->removeFromSuperview();
    v->setWindowRecursive(this);
    if (mFrame.width > 0 || mFrame.height > 0) v->mFrame = {0, 0, mFrame.width, mFrame.height};
  }
}

bool Window::makeFirstResponder(View* v) {
  if (v && v->window() != this) return false;
  if (v && v != mFirstResponder && !v->becomeFirstResponder()) return false;
  View* old = mFirstResponder;
  mFirstResponder = v;
  if (old && old != v) old->resignFirstResponder();
  return true;
}

void Window::forgetView(View* v) {
  if (mContentView == v) mContentView = nullptr;
  if (mFirstResponder == v) mFirstResponder = nullptr;
  if (mDefaultButton == v) mDefaultButton = nullptr;
  if (mHostedFocusView == v) mHostedFocusView = nullptr;
}

void Window::orderFront() {
  mClosed = false;
  gOrder.erase(std::remove(gOrder.begin(), gOrder.end(), this), gOrder.end());
  gOrder.insert(gOrder.begin(), this);
  mVisible = true;
  if (gObserver) gObserver->windowOrdered(*this);
}

void Window::orderOut() {
  gOrder.erase(std::remove(gOrder.begin(), gOrder.end(), this), gOrder.end());
  mVisible = false;
  if (gKey == this) {
    gKey = nullptr;
    if (mDelegate) mDelegate->windowDidResignKey(*this);
  }
  if (gObserver) gObserver->windowOrdered(*this);
}

void Window::makeKeyAndOrderFront() {
  orderFront();
  mMiniaturized = false;
  if (gKey == this || !canBecomeKeyWindow()) return;
  Window* previous = gKey;
  gKey = this;
  if (previous && previous->mDelegate) previous->mDelegate->windowDidResignKey(*previous);
  // The resigning window may have moved the key elsewhere.
  if (gKey == this && mDelegate) mDelegate->windowDidBecomeKey(*this);
}

Window* Window::keyWindow() {
  return gKey;
}
Window* Window::mainWindow() {
  return gKey ? gKey : (gOrder.empty() ? nullptr : gOrder.front());
}
const std::vector<Window*>& Window::orderedWindows() {
  return gOrder;
}
const std::vector<Window*>& Window::allWindows() {
  return gAll;
}
Window* Window::modalWindow() {
  return gModal;
}
void Window::setModalWindow(Window* w) {
  gModal = w;
}
void Window::setObserver(WindowObserver* o) {
  gObserver = o;
}

}  // namespace vq::platform
