// The keyboard and mouse state at this moment (not the state of the event being handled)
// and the keyboard layout.
#pragma once

#include <cstdint>

namespace vq::platform {

class InputState {
 public:
  virtual ~InputState() = default;
  // ModifierFlag bits held now.
  virtual uint32_t modifierFlags() const = 0;
  // MouseButtonBit bits pressed now.
  virtual uint32_t pressedMouseButtons() const = 0;
  // The character the current layout gives for a key pressed with no modifier (a dead key
  // gives its own character), or 0 when the layout is unknown or gives none.
  virtual char32_t layoutCharacter(uint16_t keyCode) const = 0;
};

}  // namespace vq::platform
