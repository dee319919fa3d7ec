// A view that shows a 32-bit pixel buffer and hands its input to a client: the surface the
// GUI framework draws into. Coordinates are the view's own: origin top-left, y down, in the
// GUI's pixels; the device may have more of them (deviceScale). Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/event.h"
#include "platform/geometry.h"

namespace vq::platform {

class View;
class Window;

// A rectangle of whole pixels, half-open: left <= x < right, top <= y < bottom.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  PixelRect intersect(const PixelRect& o) const;
  PixelRect unite(const PixelRect& o) const;  // an empty side is ignored
  bool operator==(const PixelRect&) const = default;
};

// Pixels the client owns: rows of `rowPixels` words, each word memory order A, R, G, B with
// the alpha byte ignored (the layout of the GUI's back buffer).
struct PixelBufferRef {
  const uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int rowPixels = 0;
};

enum class PointerAction { Down, Up, Drag, Move, Exit, Wheel };
enum class PointerButton { None, Left, Right, Middle };

// The button's MouseButtonBit (0 for none).
inline uint32_t pointerButtonBit(PointerButton b) {
  constexpr uint32_t kBits[] = {0, kLeftButton, kRightButton, kMiddleButton};  // in enum order
  return kBits[static_cast<int>(b)];
}

struct PointerEvent {
  PointerAction action = PointerAction::Move;
  int x = 0;  // the pixel under the pointer
  int y = 0;
  PointerButton button = PointerButton::None;  // Down, Up: the button; Drag: the first one held
  int clickCount = 0;      // Down and Up: 1, 2 for the second press of a double click, ...
  uint32_t modifiers = 0;  // ModifierFlag bits
  uint32_t buttons = 0;    // MouseButtonBit bits held when the event happened
  double wheelDelta = 0;   // Wheel: steps, positive when scrolling up
};

// What the view tells the layer above. Every call runs on the main thread.
class GraphicsViewClient {
 public:
  virtual ~GraphicsViewClient() = default;
  virtual void pointerEvent(const PointerEvent& e) = 0;
  // KeyDown and KeyUp events (no location) while the view has the keyboard and no text field
  // is open; answers whether it was handled (otherwise the window and its menus get it).
  virtual bool keyEvent(const Event& e) = 0;
  // The tooltip at a point inside one of the tooltip areas; "" shows none.
  virtual std::string tooltipText(int x, int y) { return {}; }
  // A modal loop (alert, panel, menu) is about to run: a press being handled will never see
  // its release, so any mouse capture should end now.
  virtual void modalLoopWillRun() {}
  // The window holding the view went away; the view shows nothing and sends nothing more.
  virtual void viewDetached() {}
  // The frame asked for with requestFrame is about to be shown: draw and present now.
  virtual void frameDue() {}
};

enum class TextAlign { Left, Center, Right };

struct TextFieldRequest {
  PixelRect frame;
  std::string text;        // initial text, UTF-8
  bool secure = false;     // shows bullets instead of the characters
  std::u32string allowed;  // characters that may be typed; empty allows all
  int maxLength = 0;       // in characters; 0 is unlimited
  std::string fontFamily;
  int fontSize = 0;  // pixels; 0 takes the toolkit's default
  TextAlign align = TextAlign::Left;
  uint32_t textColor = 0xFF000000;        // 0xAARRGGBB
  uint32_t backgroundColor = 0xFFFFFFFF;  // 0xAARRGGBB
  std::function<void(const std::string& text)> onCommit;
  std::function<void()> onCancel;  // ended without applying (Escape, close, cancelTextField)
};

// Whether a field may hold `utf8` (checked on every edit): every character allowed and not
// longer than the maximum. Text that is not valid UTF-8 is refused.
bool textFieldAccepts(const TextFieldRequest& r, const std::string& utf8);
// The part of `utf8` a field accepts when typed character by character at its end.
std::string filterTypedText(const TextFieldRequest& r, const std::string& current,
                            const std::string& typed);

// Backends derive from it; their destructors call close() first (an open field then ends
// without applying).
class GraphicsView {
 public:
  GraphicsView(GraphicsViewClient& client, View* parent, int width, int height);
  virtual ~GraphicsView();
  GraphicsView(const GraphicsView&) = delete;
  GraphicsView& operator=(const GraphicsView&) = delete;

  GraphicsViewClient& client() const { return *mClient; }
  // The view it sits in (at its top-left), or none; must outlive this view.
  View* parentView() const { return mParent; }
  // A point of this view in its window's coordinates (origin bottom-left), as menus and
  // other window-level services take them: popUpContextMenu(menu, locationInWindow(x, y),
  // parentView()). Without a parent the view's own coordinates flipped.
  Point locationInWindow(double x, double y) const;
  int width() const { return mWidth; }
  int height() const { return mHeight; }
  // False once the window holding it went away, or after close().
  bool isOpen() const { return mOpen; }

  // Device pixels per GUI pixel (2 on a high-density screen; the view doubles pixels).
  virtual double deviceScale() const = 0;
  virtual void setSize(int width, int height);
  // Shows `buffer` and asks for `damage` (clipped to view and buffer) to be repainted. The view
  // may read the buffer again whenever it repaints (an area uncovered, a new density), so it
  // must stay valid and hold what is to be shown until the next present, setSize or close. An
  // empty damage only points the view at a new buffer; after setSize the view shows what it
  // showed before until a frame is presented.
  virtual void present(const PixelBufferRef& buffer, PixelRect damage) = 0;
  // Asks for frameDue: at once when the display can take a frame, else nothing (the client asks
  // again on its next tick).
  virtual void requestFrame() { client().frameDue(); }
  // Whether requestFrame would do nothing now (the last frame is still being shown).
  virtual bool frameWaits() const { return false; }
  // Takes the keyboard focus (and makes its window key).
  virtual void focus() = 0;
  // Areas where tooltips are asked for; replaces the previous list.
  virtual void setTooltipAreas(std::vector<PixelRect> areas) = 0;

  // One text field at a time: opening one commits the field already open.
  void openTextField(TextFieldRequest request);
  bool hasTextField() const { return mField != nullptr; }
  const TextFieldRequest* textField() const { return mField.get(); }
  // Ends the field applying its text, or without applying it; nothing when none is open.
  void commitTextField();
  void cancelTextField();

  // Detaches from the window; an open text field ends without applying.
  void close();

  // Tells the client of every open view that a modal loop is about to run. Backends call this
  // before alerts, panels and menus.
  static void notifyModalLoop();

 protected:
  virtual void showTextField(const TextFieldRequest& r) = 0;
  virtual void hideTextField() = 0;
  virtual std::string textFieldText() const = 0;
  // The backend's side of closing (removing widgets); runs once.
  virtual void detachFromWindow() {}
  // The backend calls this when the window went away under the view.
  void windowWentAway();

 private:
  void endField(bool apply);
  GraphicsViewClient* mClient;
  View* mParent;
  int mWidth;
  int mHeight;
  bool mOpen = true;
  std::unique_ptr<TextFieldRequest> mField;
};

class GraphicsViewService {
 public:
  virtual ~GraphicsViewService() = default;
  // A view of the given size at the top-left of `parent` (in its window); with no parent the
  // view exists but shows nowhere.
  virtual std::unique_ptr<GraphicsView> createGraphicsView(View* parent, int width, int height,
                                                           GraphicsViewClient& client) = 0;
};

}  // namespace vq::platform
