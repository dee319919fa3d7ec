#include "platform/graphics_view.h"

#include <algorithm>

#include "platform/utf8.h"
#include "platform/view.h"

namespace vq::platform {

namespace {
std::vector<GraphicsView*>& openViews() {
  static std::vector<GraphicsView*> views;
  return views;
}

void forget(GraphicsView* v) {
  auto& views = openViews();
  views.erase(std::remove(views.begin(), views.end(), v), views.end());
}
}  // namespace

PixelRect PixelRect::intersect(const PixelRect& o) const {
  PixelRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
              std::min(bottom, o.bottom)};
  if (r.empty()) return {};
  return r;
}

PixelRect PixelRect::unite(const PixelRect& o) const {
  if (o.empty()) return *this;
  if (empty()) return o;
  return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
          std::max(bottom, o.bottom)};
}

bool textFieldAccepts(const TextFieldRequest& r, const std::string& utf8) {
  std::u32string chars;
  if (!DecodeUtf8Strict(utf8.data(), utf8.size(), chars)) return false;
  if (r.maxLength > 0 && chars.size() > static_cast<size_t>(r.maxLength)) return false;
  if (r.allowed.empty()) return true;
  return std::all_of(chars.begin(), chars.end(),
                     [&](char32_t c) { return r.allowed.find(c) != std::u32string::npos; });
}

std::string filterTypedText(const TextFieldRequest& r, const std::string& current,
                            const std::string& typed) {
  std::u32string chars;
  if (!DecodeUtf8Strict(typed.data(), typed.size(), chars)) return {};
  std::string text = current;
  std::string accepted;
  for (char32_t c : chars) {
    std::string one;
    AppendUtf8(one, c);
    if (!textFieldAccepts(r, text + one)) continue;
    text += one;
    accepted += one;
  }
  return accepted;
}

GraphicsView::GraphicsView(GraphicsViewClient& client, View* parent, int width, int height)
    : mClient(&client), mParent(parent), mWidth(std::max(width, 0)), mHeight(std::max(height, 0)) {
  openViews().push_back(this);
}

GraphicsView::~GraphicsView() {
  forget(this);
}

Point GraphicsView::locationInWindow(double x, double y) const {
  if (!mParent) return {x, mHeight - y};
  // The parent's frames count bottom-up from each superview's origin.
  double left = 0, bottom = 0;
  for (const View* v = mParent; v && v->superview(); v = v->superview()) {
    left += v->frame().x;
    bottom += v->frame().y;
  }
  return {left + x, bottom + mParent->frame().height - y};
}

void GraphicsView::setSize(int width, int height) {
  mWidth = std::max(width, 0);
  mHeight = std::max(height, 0);
}

void GraphicsView::openTextField(TextFieldRequest request) {
  if (!mOpen) return;
  commitTextField();
  mField = std::make_unique<TextFieldRequest>(std::move(request));
  showTextField(*mField);
}

void GraphicsView::commitTextField() {
  endField(true);
}

void GraphicsView::cancelTextField() {
  endField(false);
}

void GraphicsView::endField(bool apply) {
  if (!mField) return;
  std::string text = textFieldText();
  // The field is gone before the callback runs, so the callback may open the next one.
  std::unique_ptr<TextFieldRequest> ended = std::move(mField);
  hideTextField();
  if (apply) {
    if (ended->onCommit) ended->onCommit(text);
  } else if (ended->onCancel) {
    ended->onCancel();
  }
}

void GraphicsView::close() {
  if (!mOpen) return;
  cancelTextField();
  mOpen = false;
  forget(this);
  detachFromWindow();
}

void GraphicsView::windowWentAway() {
  if (!mOpen) return;
  close();
  mClient->viewDetached();
}

void GraphicsView::notifyModalLoop() {
  // A client may close views while being told; walk a copy and skip views gone meanwhile.
  std::vector<GraphicsView*> views = openViews();
  for (GraphicsView* v : views) {
    auto& now = openViews();
    if (std::find(now.begin(), now.end(), v) != now.end()) v->client().modalLoopWillRun();
  }
}

}  // namespace vq::platform
