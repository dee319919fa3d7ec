// Key mapping: the key table row by row, the character rules, and key and button state.
#include "wemu_fixture.h"
#include "wemu/keys.h"

namespace {

using vq::platform::Event;
using vq::platform::EventType;

Event key(uint16_t code, std::u32string chars, uint32_t mods = 0, std::u32string bare = {}) {
  Event e;
  e.type = EventType::KeyDown;
  e.keyCode = code;
  e.characters = std::move(chars);
  e.charactersIgnoringModifiers = bare.empty() ? e.characters : std::move(bare);
  e.modifierFlags = mods;
  return e;
}

class KeysTest : public WemuTest {};

struct TableRow {
  int keyCode;
  int virtualKey;
};

// Transcribed from the key table: every non-zero entry.
const TableRow kRows[] = {
    {51, 0x08},  {65, 0x6E},  {67, 0x6A},  {69, 0x6B},  {71, 0x90},  {75, 0x6F},  {76, 0x800D},
    {78, 0x6D},  {81, 0x6C},  {82, 0x60},  {83, 0x61},  {84, 0x62},  {85, 0x63},  {86, 0x64},
    {87, 0x65},  {88, 0x66},  {89, 0x67},  {91, 0x68},  {92, 0x69},  {96, 0x74},  {97, 0x75},
    {98, 0x76},  {99, 0x72},  {100, 0x77}, {101, 0x78}, {103, 0x7A}, {105, 0x7C}, {106, 0x7F},
    {107, 0x7D}, {109, 0x79}, {111, 0x7B}, {113, 0x7E}, {114, 0x2D}, {115, 0x24}, {116, 0x21},
    {117, 0x2E}, {118, 0x73}, {119, 0x23}, {120, 0x71}, {121, 0x22}, {122, 0x70}, {123, 0x25},
    {124, 0x27}, {125, 0x28}, {126, 0x26},
};

TEST_F(KeysTest, KeyTableMatchesEveryRowAndNothingElse) {
  int listed = 0;
  for (int code = 0; code < 200; ++code) {
    int expected = 0;
    for (const TableRow& r : kRows)
      if (r.keyCode == code) expected = r.virtualKey;
    if (expected) ++listed;
    EXPECT_EQ(WEMU_KeyTableEntry(code), expected) << "key code " << code;
  }
  EXPECT_EQ(listed, 45);
}

TEST_F(KeysTest, TableKeysAreVirtualKeysWhateverTheirCharacters) {
  for (const TableRow& r : kRows) {
    Event e = key(static_cast<uint16_t>(r.keyCode), U"x");
    int flags = -1;
    EXPECT_EQ(WEMU_MacKeyToWindowsKey(&e, &flags), r.virtualKey) << r.keyCode;
    EXPECT_EQ(flags, WEMU_KF_VIRTKEY);
  }
}

struct MapCase {
  const char* what;
  Event event;
  int mode;
  int code;
  int flags;
};

TEST_F(KeysTest, CharacterRules) {
  using namespace vq::platform;
  const MapCase cases[] = {
      {"Command+S", key(kKeyS, U"s", kCommandFlag), 0, 0x53, 9},
      {"Shift+1 gives the character", key(kKey1, U"!", kShiftFlag), 0, '!', 0},
      {"F5", key(kKeyF5, U"\uF708"), 0, 0x74, 1},
      {"keypad 5", key(kKeyKeypad5, U"5"), 0, 0x65, 1},
      {"Shift+Tab", key(kKeyTab, U"\x19", kShiftFlag), 0, 9, 5},
      {"Tab", key(kKeyTab, U"\t"), 0, 9, 1},
      {"Return", key(kKeyReturn, U"\r"), 0, 13, 1},
      {"Escape", key(kKeyEscape, U"\x1b"), 0, 27, 1},
      {"space", key(kKeySpace, U" "), 0, 32, 1},
      {"upper-case letter stays", key(kKeyA, U"A", kShiftFlag), 0, 'A', 5},
      {"Option+Command", key(kKeyA, U"a", kOptionFlag | kCommandFlag), 0, 'A', 25},
      {"Control gives no flag while emulation is on", key(kKeyA, U"a", kControlFlag), 0, 'A', 1},
      {"F13 by character", key(105, U"\uF710"), 0, 0x7C, 1},
      {"F24 by character", key(10, U"\uF71B"), 0, 0x87, 1},
      {"non-ASCII letter", key(10, U"\u00e9"), 0, 0xE9, 1},
      {"non-ASCII symbol", key(10, U"\u00a7", kShiftFlag), 0, 0xA7, 0},
      {"no characters", key(10, U""), 0, 10 + 1024, 1},
      {"mode 1 reads the bare characters", key(kKey2, U"@", kShiftFlag, U"2"), 1, '2', 5},
      {"mode 1 falls back to the layout", key(kKeyS, U"", kShiftFlag, U""), 1, 's', 0},
      {"mode 1 with a key the layout lacks", key(110, U"", 0, U""), 1, 110 + 1024, 1},
  };
  for (const MapCase& c : cases) {
    int flags = -1;
    EXPECT_EQ(WEMU_MacKeyToWindowsKeyEx(&c.event, &flags, c.mode), c.code) << c.what;
    EXPECT_EQ(flags, c.flags) << c.what;
  }
}

TEST_F(KeysTest, ControlGivesAFlagOnlyWithEmulationOff) {
  Event e = key(vq::platform::kKeyA, U"a", vq::platform::kControlFlag);
  int flags = 0;
  WEMU_EnableRightClickEmulate(0);
  EXPECT_EQ(WEMU_IsRightClickEmulateEnabled(), 0);
  WEMU_MacKeyToWindowsKey(&e, &flags);
  EXPECT_EQ(flags, 1 | 32);
  WEMU_EnableRightClickEmulate(5);
  EXPECT_EQ(WEMU_IsRightClickEmulateEnabled(), 1) << "stored as 0 or 1";
}

TEST_F(KeysTest, NoEventGivesZero) {
  int flags = 7;
  EXPECT_EQ(WEMU_MacKeyToWindowsKey(nullptr, &flags), 0);
  EXPECT_EQ(flags, 0);
  EXPECT_EQ(WEMU_MacKeyToWindowsKey(nullptr, nullptr), 0);
}

TEST_F(KeysTest, ShiftedDigits) {
  const char* shifted = ")!@#$%^&*(";
  for (int d = 0; d < 10; ++d) {
    int out = -1;
    EXPECT_EQ(WEMU_KeyToASCII('0' + d, 5, &out), shifted[d]);
    EXPECT_EQ(out, 0);
  }
  int out = -1;
  EXPECT_EQ(WEMU_KeyToASCII('2', 1, &out), 0);
  EXPECT_EQ(WEMU_KeyToASCII('2', 13, &out), 0) << "flags must be exactly 5";
  EXPECT_EQ(WEMU_KeyToASCII('A', 5, &out), 0);
}

TEST_F(KeysTest, AsyncKeyState) {
  using namespace vq::platform;
  EXPECT_EQ(GetAsyncKeyState(1), 0);
  backend->mouseButtons = kLeftButton | kMiddleButton;
  EXPECT_EQ(GetAsyncKeyState(1), 0x8000);
  EXPECT_EQ(GetAsyncKeyState(2), 0);
  EXPECT_EQ(GetAsyncKeyState(4), 0x8000);
  backend->modifiers = kShiftFlag | kCommandFlag | kControlFlag;
  EXPECT_EQ(GetAsyncKeyState(16), 0x8000);
  EXPECT_EQ(GetAsyncKeyState(17), 0x8000);
  EXPECT_EQ(GetAsyncKeyState(18), 0);
  EXPECT_EQ(GetAsyncKeyState(91), 0) << "Control is taken by right-click emulation";
  WEMU_EnableRightClickEmulate(0);
  EXPECT_EQ(GetAsyncKeyState(91), 0x8000);
  EXPECT_EQ(GetAsyncKeyState(65), 0);
}

}  // namespace
