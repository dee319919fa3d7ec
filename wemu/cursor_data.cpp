// The built cursors' pixel data as drawn: "." transparent, "+" white at half opacity,
// "O" opaque white, "X" opaque black.
#include <array>

#include "wemu/cursors.h"

namespace {

constexpr const char* kFourWay[16] = {
    "......+OO+......", ".....+OXXO+.....", ".....OXXXXO.....", "....+XXXXXX+....",
    "...+..OXXO..+...", ".+OX..OXXO..XO+.", "+OXXOOOXXOOOXXO+", "OXXXXXXXXXXXXXXO",
    "OXXXXXXXXXXXXXXO", "+OXXOOOXXOOOXXO+", ".+OX..OXXO..XO+.", "...+..OXXO..+...",
    "....+XXXXXX+....", ".....OXXXXO.....", ".....+OXXO+.....", "......+OO+......",
};

constexpr const char* kDiagonal[16] = {
    "OOOOOO..........", "O+++O+..........", "O+XO+...........", "O+OXO+..........",
    "OO+OXO+.........", "O+.+OXO+........", "....+OXO+.......", ".....+OXO+......",
    "......+OXO+.....", ".......+OXO+....", "........+OXO+.+O", ".........+OXO+OO",
    "..........+OXO+O", "...........+OX+O", "..........+O+++O", "..........OOOOOO",
};

constexpr uint8_t pixel(char c) {
  return c == '+' ? 0xF8 : c == 'O' ? 0xFF : c == 'X' ? 0x0F : 0x00;
}

std::array<uint8_t, 256> build(const char* const* rows) {
  std::array<uint8_t, 256> out{};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) out[static_cast<size_t>(y * 16 + x)] = pixel(rows[y][x]);
  return out;
}

}  // namespace

const uint8_t* WEMU_CursorData(WEMU_CursorShape shape) {
  static const std::array<uint8_t, 256> fourWay = build(kFourWay);
  static const std::array<uint8_t, 256> diagonal = build(kDiagonal);
  return shape == WEMU_CursorShape::FourWay ? fourWay.data() : diagonal.data();
}
