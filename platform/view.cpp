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

View::View(ViewKind kind) : kind_(kind) {}

View::~View() {
  for (View* child : subviews_) {
    child->superview_ = nullptr;
    child->setWindowRecursive(nullptr);
  }
  removeFromSuperview();
  if (window_) window_->forgetView(this);
}

void View::addSubview(View* child) {
  addSubview(child, SubviewPosition::Above, nullptr);
}

void View::addSubview(View* child, SubviewPosition where, View* relativeTo) {
  if (!child || child == this) return;
  child->removeFromSuperview();
  auto at = std::find(subviews_.begin(), subviews_.end(), relativeTo);
  if (at == subviews_.end()) {
    at = where == SubviewPosition::Above ? subviews_.end() : subviews_.begin();
  } else if (where == SubviewPosition::Above) {
    ++at;
  }
  subviews_.insert(at, child);
  child->superview_ = this;
  child->setWindowRecursive(window_);
  didAddSubview(child);
}

void View::setFrame(Rect r) {
  frame_ = r;
  frameDidChange();
}

void View::setHidden(bool hidden) {
  if (hidden == hidden_) return;
  hidden_ = hidden;
  if (hidden) {
    viewDidHide();
  } else {
    viewDidUnhide();
  }
}

bool View::isHiddenOrHasHiddenAncestor() const {
  for (const View* v = this; v; v = v->superview_)
    if (v->hidden_) return true;
  return false;
}

Point View::convertToWindow(Point p) const {
  // A frame lies in its superview's coordinates: measured from the top in a flipped one.
  for (const View* v = this; v; v = v->superview_) {
    const Rect& f = v->frame_;
    double up = v->flipped_ ? f.height - p.y : p.y;  // from the view's bottom edge
    bool superFlipped = v->superview_ && v->superview_->flipped_;
    p = {p.x + f.x, superFlipped ? f.y + f.height - up : f.y + up};
  }
  return p;
}

void View::removeFromSuperview() {
  if (superview_) {
    superview_->willRemoveSubview(this);
    auto& siblings = superview_->subviews_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    superview_ = nullptr;
  }
  if (window_ && window_->contentView() != this) setWindowRecursive(nullptr);
}

void View::setWindowRecursive(Window* w) {
  if (window_ && window_ != w) window_->forgetView(this);
  window_ = w;
  for (View* child : subviews_) child->setWindowRecursive(w);
}

Point View::convertFromWindow(Point p) const {
  std::vector<const View*> chain;
  for (const View* v = this; v; v = v->superview_) chain.push_back(v);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const View* v = *it;
    const Rect& f = v->frame_;
    bool superFlipped = v->superview_ && v->superview_->flipped_;
    double up = superFlipped ? f.height - (p.y - f.y) : p.y - f.y;
    p = {p.x - f.x, v->flipped_ ? f.height - up : up};
  }
  return p;
}

Window::Window() : number_(gNextNumber++) {
  gAll.push_back(this);
}

Window::~Window() {
  if (gObserver) gObserver->windowWillClose(*this);
  delegate_ = nullptr;  // a subclass that is its own delegate is already gone
  gAll.erase(std::remove(gAll.begin(), gAll.end(), this), gAll.end());
  if (contentView_) {
    View* v = contentView_;
    contentView_ = nullptr;
    v->setWindowRecursive(nullptr);
  }
  orderOut();
  endModalRunsOf(this);
  if (gModal == this) gModal = nullptr;
  if (parent_) parent_->removeChildWindow(this);
  for (Window* child : children_) child->parent_ = nullptr;
  for (Window* w : gAll)
    if (w->owner_ == this) w->owner_ = nullptr;
}

void Window::setFrame(Rect r) {
  bool moved = r.x != frame_.x || r.y != frame_.y;
  bool resized = r.width != frame_.width || r.height != frame_.height;
  frame_ = r;
  // The content view fills the window (it hears of it through the window's delegate).
  if (contentView_) contentView_->frame_ = {0, 0, r.width, r.height};
  if (resized && delegate_) delegate_->windowDidResize(*this);
  if (moved && delegate_) delegate_->windowDidMove(*this);
}

void Window::addChildWindow(Window* child) {
  if (!child || child == this) return;
  if (child->parent_) child->parent_->removeChildWindow(child);
  children_.push_back(child);
  child->parent_ = this;
}

void Window::removeChildWindow(Window* child) {
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return;
  children_.erase(it);
  child->parent_ = nullptr;
}

void Window::center() {
  Rect area = services().screens().screens().front().visibleFrame;
  Rect f = frame_;
  f.x = area.x + (area.width - f.width) / 2;
  f.y = area.y + (area.height - f.height) / 2;
  setFrame(f);
}

void Window::performClose() {
  if (closed_) return;
  if (delegate_ && !delegate_->windowShouldClose(*this)) return;
  close();
}

void Window::close() {
  if (closed_) return;
  closed_ = true;
  orderOut();
  endModalRunsOf(this);
}

void Window::setContentView(View* v) {
  if (contentView_ == v) return;
  if (contentView_) {
    View* old = contentView_;
    contentView_ = nullptr;
    old->setWindowRecursive(nullptr);
  }
  contentView_ = v;
  if (v) {
    v->removeFromSuperview();
    v->setWindowRecursive(this);
    if (frame_.width > 0 || frame_.height > 0) v->frame_ = {0, 0, frame_.width, frame_.height};
  }
}

bool Window::makeFirstResponder(View* v) {
  if (v && v->window() != this) return false;
  if (v && v != firstResponder_ && !v->becomeFirstResponder()) return false;
  firstResponder_ = v;
  return true;
}

void Window::forgetView(View* v) {
  if (contentView_ == v) contentView_ = nullptr;
  if (firstResponder_ == v) firstResponder_ = nullptr;
  if (defaultButton_ == v) defaultButton_ = nullptr;
  if (hostedFocusView_ == v) hostedFocusView_ = nullptr;
}

void Window::orderFront() {
  closed_ = false;
  gOrder.erase(std::remove(gOrder.begin(), gOrder.end(), this), gOrder.end());
  gOrder.insert(gOrder.begin(), this);
  visible_ = true;
  if (gObserver) gObserver->windowOrdered(*this);
}

void Window::orderOut() {
  gOrder.erase(std::remove(gOrder.begin(), gOrder.end(), this), gOrder.end());
  visible_ = false;
  if (gKey == this) {
    gKey = nullptr;
    if (delegate_) delegate_->windowDidResignKey(*this);
  }
  if (gObserver) gObserver->windowOrdered(*this);
}

void Window::makeKeyAndOrderFront() {
  orderFront();
  miniaturized_ = false;
  if (gKey == this || !canBecomeKeyWindow()) return;
  Window* previous = gKey;
  gKey = this;
  if (previous && previous->delegate_) previous->delegate_->windowDidResignKey(*previous);
  // The resigning window may have moved the key elsewhere.
  if (gKey == this && delegate_) delegate_->windowDidBecomeKey(*this);
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
