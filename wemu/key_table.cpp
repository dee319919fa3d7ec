// Key codes 51 to 126 and their virtual-key codes; keys not listed fall through to the
// character rules.
#include "wemu/keys.h"

namespace {

struct KeyRow {
  int keyCode;
  int virtualKey;
};

constexpr KeyRow kKeyRows[] = {
    {51, 0x08},   {65, 0x6E},  {67, 0x6A},  {69, 0x6B},  {71, 0x90},  {75, 0x6F},
    {76, 0x800D},  // keypad Enter: Return with bit 0x8000
    {78, 0x6D},   {81, 0x6C},  {82, 0x60},  {83, 0x61},  {84, 0x62},  {85, 0x63},
    {86, 0x64},   {87, 0x65},  {88, 0x66},  {89, 0x67},  {91, 0x68},  {92, 0x69},
    {96, 0x74},   {97, 0x75},  {98, 0x76},  {99, 0x72},  {100, 0x77}, {101, 0x78},
    {103, 0x7A},  {105, 0x7C}, {106, 0x7F}, {107, 0x7D}, {109, 0x79}, {111, 0x7B},
    {113, 0x7E},  {114, 0x2D}, {115, 0x24}, {116, 0x21}, {117, 0x2E}, {118, 0x73},
    {119, 0x23},  {120, 0x71}, {121, 0x22}, {122, 0x70}, {123, 0x25}, {124, 0x27},
    {125, 0x28},  {126, 0x26},
};

constexpr int kFirst = 51;
constexpr int kCount = 76;

struct KeyTable {
  int entries[kCount] = {};
  constexpr KeyTable() {
    for (const KeyRow& r : kKeyRows) entries[r.keyCode - kFirst] = r.virtualKey;
  }
};

constexpr KeyTable kTable;

}  // namespace

int WEMU_KeyTableEntry(int keyCode) {
  if (keyCode < kFirst || keyCode >= kFirst + kCount) return 0;
  return kTable.entries[keyCode - kFirst];
}
