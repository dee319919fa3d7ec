// The headless graphics view: keeps a copy of what it would show, records every presented
// area, takes injected pointer and key events (click counts from the virtual clock, as the
// desktop counts them) and scripted typing into its text field.
#pragma once

#include <optional>
#include <vector>

#include "platform/graphics_view.h"

namespace vq::platform {

class HeadlessGraphicsView final : public GraphicsView {
 public:
  HeadlessGraphicsView(View* parent, int width, int height, GraphicsViewClient& client);
  ~HeadlessGraphicsView() override;

  double deviceScale() const override { return scale; }
  void setSize(int width, int height) override;
  void present(const PixelBufferRef& buffer, PixelRect damage) override;
  void focus() override { ++focusRequests; }
  void setTooltipAreas(std::vector<PixelRect> areas) override { tooltipAreas = std::move(areas); }

  // The shown copy, one word per pixel in the buffer's layout; 0 where nothing was presented.
  uint32_t shownPixel(int x, int y) const;

  // Pointer input. press/release count clicks like the desktop: a press within the
  // double-click time of the previous one, near it and with the same button, counts one more.
  void press(int x, int y, PointerButton b = PointerButton::Left, uint32_t modifiers = 0);
  void release(int x, int y, uint32_t modifiers = 0);
  void drag(int x, int y, uint32_t modifiers = 0);  // moves with the buttons held
  void move(int x, int y, uint32_t modifiers = 0);  // moves with no button held
  void click(int x, int y, PointerButton b = PointerButton::Left, uint32_t modifiers = 0);
  void doubleClick(int x, int y, uint32_t modifiers = 0);
  void wheel(int x, int y, double delta, uint32_t modifiers = 0);
  // Sends an event as it is; no click counting.
  void send(const PointerEvent& e);
  // A key press (and release) with the characters the key gives; answers whether the client
  // handled the press.
  bool key(uint16_t keyCode, std::u32string characters, uint32_t modifiers = 0);

  // Text field: typing goes through the field's filter and maximum, as a user's would.
  void typeText(const std::string& utf8);
  void setFieldText(const std::string& utf8) { mFieldText = utf8; }
  std::string fieldText() const { return mFieldText; }
  void pressReturn() { commitTextField(); }
  void pressEscape() { cancelTextField(); }

  // The tooltip the desktop would show at a point, or none.
  std::optional<std::string> queryTooltip(int x, int y) const;

  // The window holding the view goes away.
  void closeWindow() { windowWentAway(); }

  double scale = 1;
  double doubleClickTime = 0.4;
  int focusRequests = 0;
  std::vector<PixelRect> presented;  // clipped areas, in order
  std::vector<PixelRect> tooltipAreas;
  std::vector<TextFieldRequest> fieldsShown;

 protected:
  void showTextField(const TextFieldRequest& r) override;
  void hideTextField() override {}
  std::string textFieldText() const override { return mFieldText; }

 private:
  std::vector<uint32_t> mShown;
  std::string mFieldText;
  uint32_t mHeld = 0;
  int mLastX = 0;
  int mLastY = 0;
  PointerButton mLastButton = PointerButton::None;
  double mLastPressTime = -1e9;
  int mClicks = 0;
};

}  // namespace vq::platform
