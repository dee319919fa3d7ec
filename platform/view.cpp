#include "platform/view.h"

#include <algorithm>

namespace vq::platform {

namespace {
std::vector<Window*> gOrder;  // front to back
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
  if (!child || child == this) return;
  child->removeFromSuperview();
  subviews_.push_back(child);
  child->superview_ = this;
  child->setWindowRecursive(window_);
}

void View::removeFromSuperview() {
  if (superview_) {
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
  // Frames are measured bottom-up from each superview's origin; a flipped view counts its
  // own y from its top edge.
  double x = p.x, y = p.y;
  for (const View* v = this; v; v = v->superview_) {
    x -= v->frame_.x;
    y -= v->frame_.y;
  }
  if (flipped_) y = frame_.height - y;
  return {x, y};
}

Window::Window() : number_(gNextNumber++) {}

Window::~Window() {
  if (gObserver) gObserver->windowWillClose(*this);
  if (contentView_) {
    View* v = contentView_;
    contentView_ = nullptr;
    v->setWindowRecursive(nullptr);
  }
  orderOut();
  if (gModal == this) gModal = nullptr;
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
  }
}

bool Window::makeFirstResponder(View* v) {
  if (v && v->window() != this) return false;
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
  gOrder.erase(std::remove(gOrder.begin(), gOrder.end(), this), gOrder.end());
  gOrder.insert(gOrder.begin(), this);
  visible_ = true;
  if (gObserver) gObserver->windowOrdered(*this);
}

void Window::orderOut() {
  gOrder.erase(std::remove(gOrder.begin(), gOrder.end(), this), gOrder.end());
  visible_ = false;
  if (gKey == this) gKey = nullptr;
  if (gObserver) gObserver->windowOrdered(*this);
}

void Window::makeKeyAndOrderFront() {
  gKey = this;
  orderFront();
}

Window* Window::keyWindow() { return gKey; }
Window* Window::mainWindow() { return gKey ? gKey : (gOrder.empty() ? nullptr : gOrder.front()); }
const std::vector<Window*>& Window::orderedWindows() { return gOrder; }
Window* Window::modalWindow() { return gModal; }
void Window::setModalWindow(Window* w) { gModal = w; }
void Window::setObserver(WindowObserver* o) { gObserver = o; }

}  // namespace vq::platform
