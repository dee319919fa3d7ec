#include "platform/headless_graphics_view.h"

#include <cstdlib>
#include <cstring>

#include "platform/headless.h"

namespace vq::platform {

namespace {
constexpr int kDoubleClickDistance = 4;  // pixels the second press may be away from the first

double clockNow() {
  return services().runLoop().now();
}
}  // namespace

HeadlessGraphicsView::HeadlessGraphicsView(View* parent, int width, int height,
                                           GraphicsViewClient& client)
    : GraphicsView(client, parent, width, height),
      mShown(static_cast<size_t>(this->width()) * static_cast<size_t>(this->height()), 0) {}

HeadlessGraphicsView::~HeadlessGraphicsView() {
  close();
  if (HeadlessBackend* b = headless()) b->forgetGraphicsView(this);
}

void HeadlessGraphicsView::setSize(int width, int height) {
  GraphicsView::setSize(width, height);
  mShown.assign(static_cast<size_t>(this->width()) * static_cast<size_t>(this->height()), 0);
}

void HeadlessGraphicsView::present(const PixelBufferRef& buffer, PixelRect damage) {
  if (!isOpen() || !buffer.pixels) return;
  PixelRect r =
      damage.intersect({0, 0, width(), height()}).intersect({0, 0, buffer.width, buffer.height});
  if (r.empty()) return;
  presented.push_back(r);
  for (int y = r.top; y < r.bottom; ++y) {
    const uint32_t* src = buffer.pixels + static_cast<ptrdiff_t>(y) * buffer.rowPixels;
    uint32_t* dst = mShown.data() + static_cast<ptrdiff_t>(y) * width();
    std::memcpy(dst + r.left, src + r.left, static_cast<size_t>(r.right - r.left) * sizeof *dst);
  }
}

uint32_t HeadlessGraphicsView::shownPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
  return mShown[static_cast<size_t>(y) * static_cast<size_t>(width()) + static_cast<size_t>(x)];
}

void HeadlessGraphicsView::send(const PointerEvent& e) {
  if (isOpen()) client().pointerEvent(e);
}

void HeadlessGraphicsView::press(int x, int y, PointerButton b, uint32_t modifiers) {
  double now = clockNow();
  bool again = b == mLastButton && now - mLastPressTime <= doubleClickTime &&
               std::abs(x - mLastX) <= kDoubleClickDistance &&
               std::abs(y - mLastY) <= kDoubleClickDistance;
  mClicks = again ? mClicks + 1 : 1;
  mLastPressTime = now;
  mLastButton = b;
  mLastX = x;
  mLastY = y;
  mHeld |= pointerButtonBit(b);
  send({PointerAction::Down, x, y, b, mClicks, modifiers, mHeld, 0});
}

void HeadlessGraphicsView::release(int x, int y, uint32_t modifiers) {
  uint32_t before = mHeld;
  PointerButton b = mLastButton;
  mHeld &= ~pointerButtonBit(b);
  send({PointerAction::Up, x, y, b, mClicks, modifiers, before, 0});
}

void HeadlessGraphicsView::drag(int x, int y, uint32_t modifiers) {
  PointerButton b = (mHeld & kLeftButton)     ? PointerButton::Left
                    : (mHeld & kRightButton)  ? PointerButton::Right
                    : (mHeld & kMiddleButton) ? PointerButton::Middle
                                              : PointerButton::None;
  if (b == PointerButton::None) return move(x, y, modifiers);
  send({PointerAction::Drag, x, y, b, 0, modifiers, mHeld, 0});
}

void HeadlessGraphicsView::move(int x, int y, uint32_t modifiers) {
  send({PointerAction::Move, x, y, PointerButton::None, 0, modifiers, 0, 0});
}

void HeadlessGraphicsView::click(int x, int y, PointerButton b, uint32_t modifiers) {
  press(x, y, b, modifiers);
  release(x, y, modifiers);
}

void HeadlessGraphicsView::doubleClick(int x, int y, uint32_t modifiers) {
  click(x, y, PointerButton::Left, modifiers);
  click(x, y, PointerButton::Left, modifiers);
}

void HeadlessGraphicsView::wheel(int x, int y, double delta, uint32_t modifiers) {
  send({PointerAction::Wheel, x, y, PointerButton::None, 0, modifiers, mHeld, delta});
}

bool HeadlessGraphicsView::key(uint16_t keyCode, std::u32string characters, uint32_t modifiers) {
  if (!isOpen()) return false;
  Event e;
  e.type = EventType::KeyDown;
  e.timestamp = clockNow();
  e.keyCode = keyCode;
  e.characters = characters;
  e.charactersIgnoringModifiers = characters;
  e.modifierFlags = modifiers;
  if (hasTextField()) {
    // The field has the keyboard: Return commits, Escape cancels, printable keys type.
    if (keyCode == kKeyReturn || keyCode == kKeyKeypadEnter) {
      commitTextField();
    } else if (keyCode == kKeyEscape) {
      cancelTextField();
    } else {
      std::string utf8;
      for (char32_t c : characters) {
        if (c >= 0x20 && c < 0x7F) utf8 += static_cast<char>(c);
      }
      typeText(utf8);
    }
    return true;
  }
  bool handled = client().keyEvent(e);
  e.type = EventType::KeyUp;
  client().keyEvent(e);
  return handled;
}

void HeadlessGraphicsView::typeText(const std::string& utf8) {
  if (const TextFieldRequest* f = textField()) mFieldText += filterTypedText(*f, mFieldText, utf8);
}

std::optional<std::string> HeadlessGraphicsView::queryTooltip(int x, int y) const {
  if (!isOpen()) return std::nullopt;
  for (const PixelRect& r : tooltipAreas) {
    if (!r.contains(x, y)) continue;
    std::string text = client().tooltipText(x, y);
    if (text.empty()) return std::nullopt;
    return text;
  }
  return std::nullopt;
}

void HeadlessGraphicsView::showTextField(const TextFieldRequest& r) {
  fieldsShown.push_back(r);
  // A field starts with its text; characters it would refuse are dropped, as a desktop
  // field set up with a formatter would show them.
  mFieldText = textFieldAccepts(r, r.text) ? r.text : filterTypedText(r, "", r.text);
}

}  // namespace vq::platform
