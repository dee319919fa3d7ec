#include "platform/gtk/desktop_keys.h"

#include <gdk/gdkkeysyms.h>

#include <array>

namespace vq::platform {

namespace {

constexpr uint16_t kUnknownKey = 0xFF;

// Linux input key number -> key code; X key codes are the input numbers + 8.
struct KeyPair {
  uint16_t input;
  uint16_t code;
};
constexpr KeyPair kKeys[] = {
    {1, 53},    {2, 18},    {3, 19},    {4, 20},    {5, 21},    {6, 23},    {7, 22},    {8, 26},
    {9, 28},    {10, 25},   {11, 29},   {12, 27},   {13, 24},   {14, 51},   {15, 48},   {16, 12},
    {17, 13},   {18, 14},   {19, 15},   {20, 17},   {21, 16},   {22, 32},   {23, 34},   {24, 31},
    {25, 35},   {26, 33},   {27, 30},   {28, 36},   {29, 59},   {30, 0},    {31, 1},    {32, 2},
    {33, 3},    {34, 5},    {35, 4},    {36, 38},   {37, 40},   {38, 37},   {39, 41},   {40, 39},
    {41, 50},   {42, 56},   {43, 42},   {44, 6},    {45, 7},    {46, 8},    {47, 9},    {48, 11},
    {49, 45},   {50, 46},   {51, 43},   {52, 47},   {53, 44},   {54, 60},   {55, 67},   {56, 58},
    {57, 49},   {58, 57},   {59, 122},  {60, 120},  {61, 99},   {62, 118},  {63, 96},   {64, 97},
    {65, 98},   {66, 100},  {67, 101},  {68, 109},  {69, 71},   {71, 89},   {72, 91},   {73, 92},
    {74, 78},   {75, 86},   {76, 87},   {77, 88},   {78, 69},   {79, 83},   {80, 84},   {81, 85},
    {82, 82},   {83, 65},   {86, 10},   {87, 103},  {88, 111},  {96, 76},   {97, 62},   {98, 75},
    {100, 61},  {102, 115}, {103, 126}, {104, 116}, {105, 123}, {106, 124}, {107, 119}, {108, 125},
    {109, 121}, {110, 114}, {111, 117}, {117, 81},  {125, 55},  {126, 54},  {183, 105}, {184, 107},
    {185, 113}, {186, 106}, {187, 64},
};

struct KeyvalChar {
  guint keyval;
  char32_t ch;
};
constexpr KeyvalChar kFunctionChars[] = {
    {GDK_KEY_Up, 0xF700},           {GDK_KEY_Down, 0xF701},       {GDK_KEY_Left, 0xF702},
    {GDK_KEY_Right, 0xF703},        {GDK_KEY_KP_Up, 0xF700},      {GDK_KEY_KP_Down, 0xF701},
    {GDK_KEY_KP_Left, 0xF702},      {GDK_KEY_KP_Right, 0xF703},   {GDK_KEY_Insert, 0xF727},
    {GDK_KEY_Delete, 0xF728},       {GDK_KEY_KP_Delete, 0xF728},  {GDK_KEY_Home, 0xF729},
    {GDK_KEY_KP_Home, 0xF729},      {GDK_KEY_End, 0xF72B},        {GDK_KEY_KP_End, 0xF72B},
    {GDK_KEY_Page_Up, 0xF72C},      {GDK_KEY_KP_Page_Up, 0xF72C}, {GDK_KEY_Page_Down, 0xF72D},
    {GDK_KEY_KP_Page_Down, 0xF72D}, {GDK_KEY_Help, 0xF746},       {GDK_KEY_Return, U'\r'},
    {GDK_KEY_KP_Enter, 0x03},       {GDK_KEY_Tab, U'\t'},         {GDK_KEY_ISO_Left_Tab, 0x19},
    {GDK_KEY_BackSpace, 0x7F},      {GDK_KEY_Escape, 0x1B},
};

constexpr KeyvalChar kDeadChars[] = {
    {GDK_KEY_dead_grave, U'`'},     {GDK_KEY_dead_acute, 0xB4},     {GDK_KEY_dead_circumflex, U'^'},
    {GDK_KEY_dead_tilde, U'~'},     {GDK_KEY_dead_diaeresis, 0xA8}, {GDK_KEY_dead_cedilla, 0xB8},
    {GDK_KEY_dead_abovering, 0xB0},
};

const std::array<uint16_t, 256>& hardwareTable() {
  static const std::array<uint16_t, 256> table = [] {
    std::array<uint16_t, 256> t;
    t.fill(kUnknownKey);
    for (const KeyPair& k : kKeys) t[k.input + 8] = k.code;
    return t;
  }();
  return table;
}

guint keyvalWithState(guint16 hardware, GdkModifierType state, guint group) {
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  guint keyval = 0;
  if (!keymap ||
      !gdk_keymap_translate_keyboard_state(keymap, hardware, state, static_cast<gint>(group),
                                           &keyval, nullptr, nullptr, nullptr))
    return 0;
  return keyval;
}

}  // namespace

uint32_t modifierFlagsFromGdk(guint state) {
  uint32_t f = 0;
  if (state & GDK_SHIFT_MASK) f |= kShiftFlag;
  if (state & GDK_LOCK_MASK) f |= kCapsLockFlag;
  if (state & GDK_CONTROL_MASK) f |= kCommandFlag;
  if (state & GDK_MOD1_MASK) f |= kOptionFlag;
  if (state & (GDK_SUPER_MASK | GDK_MOD4_MASK)) f |= kControlFlag;
  return f;
}

uint16_t keyCodeFromHardware(guint16 hardwareKeycode) {
  return hardwareKeycode < 256 ? hardwareTable()[hardwareKeycode] : kUnknownKey;
}

guint16 hardwareFromKeyCode(uint16_t keyCode) {
  for (const KeyPair& k : kKeys) {
    if (k.code == keyCode) return static_cast<guint16>(k.input + 8);
  }
  return 0;
}

char32_t characterFromKeyval(guint keyval) {
  for (const KeyvalChar& k : kFunctionChars) {
    if (k.keyval == keyval) return k.ch;
  }
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return kF1Char + (keyval - GDK_KEY_F1);
  return gdk_keyval_to_unicode(keyval);
}

Event eventFromGdkKey(const GdkEventKey& key, double timestamp) {
  Event e;
  e.timestamp = timestamp;
  e.keyCode = keyCodeFromHardware(key.hardware_keycode);
  uint32_t flags = modifierFlagsFromGdk(key.state);
  if (key.is_modifier) {
    // The flags after the change: GDK's state is the one before this key.
    uint32_t mine = modifierFlagsFromGdk(
        key.keyval == GDK_KEY_Shift_L || key.keyval == GDK_KEY_Shift_R       ? GDK_SHIFT_MASK
        : key.keyval == GDK_KEY_Control_L || key.keyval == GDK_KEY_Control_R ? GDK_CONTROL_MASK
        : key.keyval == GDK_KEY_Alt_L || key.keyval == GDK_KEY_Alt_R         ? GDK_MOD1_MASK
        : key.keyval == GDK_KEY_Super_L || key.keyval == GDK_KEY_Super_R     ? GDK_SUPER_MASK
        : key.keyval == GDK_KEY_Caps_Lock                                    ? GDK_LOCK_MASK
                                                                             : 0);
    e.type = EventType::FlagsChanged;
    e.modifierFlags = key.type == GDK_KEY_PRESS ? (flags | mine) : (flags & ~mine);
    return e;
  }
  e.type = key.type == GDK_KEY_PRESS ? EventType::KeyDown : EventType::KeyUp;
  char32_t c = characterFromKeyval(key.keyval);
  if (c >= 0xF700 && c <= 0xF8FF) flags |= kFunctionFlag;
  if ((c >= 0xF700 && c <= 0xF703) ||
      (key.keyval >= GDK_KEY_KP_Space && key.keyval <= GDK_KEY_KP_9))
    flags |= kNumericPadFlag;
  e.modifierFlags = flags;
  if (c) e.characters = std::u32string(1, c);
  guint plain = keyvalWithState(
      key.hardware_keycode, static_cast<GdkModifierType>(key.state & GDK_SHIFT_MASK), key.group);
  char32_t p = plain ? characterFromKeyval(plain) : c;
  if (p) e.charactersIgnoringModifiers = std::u32string(1, p);
  return e;
}

char32_t layoutCharacterFor(uint16_t keyCode) {
  guint16 hw = hardwareFromKeyCode(keyCode);
  if (!hw) return 0;
  guint keyval = keyvalWithState(hw, static_cast<GdkModifierType>(0), 0);
  for (const KeyvalChar& k : kDeadChars) {
    if (k.keyval == keyval) return k.ch;
  }
  return keyval ? gdk_keyval_to_unicode(keyval) : 0;
}

}  // namespace vq::platform
