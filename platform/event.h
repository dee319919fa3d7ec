// Input events as the platform delivers them: keys with Mac-style virtual key codes, the
// typed characters with and without modifiers, modifier flags, and mouse positions, buttons,
// click counts and deltas.
#pragma once

#include <cstdint>
#include <string>

#include "platform/geometry.h"

namespace vq::platform {

class Window;

enum class EventType : int {
  None = 0,
  LeftMouseDown = 1,
  LeftMouseUp = 2,
  RightMouseDown = 3,
  RightMouseUp = 4,
  MouseMoved = 5,
  LeftMouseDragged = 6,
  RightMouseDragged = 7,
  MouseEntered = 8,
  MouseExited = 9,
  KeyDown = 10,
  KeyUp = 11,
  FlagsChanged = 12,
  ApplicationDefined = 15,
  Rotate = 18,
  ScrollWheel = 22,
  OtherMouseDown = 25,
  OtherMouseUp = 26,
  OtherMouseDragged = 27,
  Magnify = 30,
  Swipe = 31,
};

// One bit per event type, for look-ahead masks (key down is 0x400).
constexpr uint64_t eventMask(EventType t) {
  return uint64_t{1} << static_cast<int>(t);
}

// Modifier flag bits of Event::modifierFlags.
enum ModifierFlag : uint32_t {
  kCapsLockFlag = 1u << 16,
  kShiftFlag = 1u << 17,
  kControlFlag = 1u << 18,
  kOptionFlag = 1u << 19,
  kCommandFlag = 1u << 20,
  kNumericPadFlag = 1u << 21,
  kFunctionFlag = 1u << 23,
};

// Pressed mouse buttons as InputState::pressedMouseButtons reports them.
enum MouseButtonBit : uint32_t { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

// Characters of the function keys in Event::characters (private-use code points).
enum FunctionKeyChar : char32_t {
  kUpArrowChar = 0xF700,
  kDownArrowChar = 0xF701,
  kLeftArrowChar = 0xF702,
  kRightArrowChar = 0xF703,
  kF1Char = 0xF704,
  kF24Char = 0xF71B,
};

// Hardware key codes used by the layers above (the physical key, layout independent).
enum KeyCode : uint16_t {
  kKeyA = 0,
  kKeyS = 1,
  kKeyC = 8,
  kKeyV = 9,
  kKeyW = 13,
  kKeyX = 7,
  kKey1 = 18,
  kKey2 = 19,
  kKeyReturn = 36,
  kKeyTab = 48,
  kKeySpace = 49,
  kKeyDelete = 51,
  kKeyEscape = 53,
  kKeyKeypad5 = 87,
  kKeyKeypadEnter = 76,
  kKeyF5 = 96,
  kKeyLeftArrow = 123,
  kKeyRightArrow = 124,
  kKeyDownArrow = 125,
  kKeyUpArrow = 126,
};

struct Event {
  EventType type = EventType::None;
  double timestamp = 0;      // seconds on the run loop's clock
  Window* window = nullptr;  // the window the event belongs to, or none
  int windowNumber = 0;
  // Keys
  uint16_t keyCode = 0;
  std::u32string characters;                   // with modifiers applied
  std::u32string charactersIgnoringModifiers;  // as if no modifier were held (Shift kept)
  bool isRepeat = false;
  uint32_t modifierFlags = 0;
  // Mouse
  Point locationInWindow;  // window coordinates, origin bottom-left
  int buttonNumber = 0;
  int clickCount = 0;
  double deltaX = 0;
  double deltaY = 0;
  double deltaZ = 0;    // also the magnification of a pinch
  double rotation = 0;  // degrees of a rotation gesture, counter-clockwise
  // Application-defined events
  int subtype = 0;
  intptr_t data1 = 0;
  intptr_t data2 = 0;

  bool isKey() const { return type == EventType::KeyDown || type == EventType::KeyUp; }
};

}  // namespace vq::platform
