// Keys and modifiers of GDK as the platform's events carry them: the physical key's code
// from the X key code, the typed characters (function keys as private-use characters), and
// Control as the command modifier, Alt as option and Super as control.
#pragma once

#include <gdk/gdk.h>

#include "platform/event.h"

namespace vq::platform {

uint32_t modifierFlagsFromGdk(guint state);
// The key code for an X hardware key code; 0xFF for keys the table does not know.
uint16_t keyCodeFromHardware(guint16 hardwareKeycode);
// The X hardware key code of a key code, or 0.
guint16 hardwareFromKeyCode(uint16_t keyCode);
// The character a key value types, function keys included; 0 for none.
char32_t characterFromKeyval(guint keyval);
// A key press or release as a platform event (a modifier key gives FlagsChanged).
Event eventFromGdkKey(const GdkEventKey& key, double timestamp);
// The character a key gives with no modifier in the current layout (dead keys their own).
char32_t layoutCharacterFor(uint16_t keyCode);

}  // namespace vq::platform
