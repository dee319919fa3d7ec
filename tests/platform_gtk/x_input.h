// Real input as a user's: XTest through an X connection of our own. Xlib stays inside
// x_input.cpp; its macros (None, Bool, ...) clash with our names.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace vq::test {

// Whether screen pixels hold more than a window's plain background: it has been drawn.
inline bool isDrawn(std::vector<uint32_t> pixels) {
  std::sort(pixels.begin(), pixels.end());
  return std::unique(pixels.begin(), pixels.end()) - pixels.begin() > 16;
}

class XInput {
 public:
  XInput();
  ~XInput();
  // Connects on first use, so DISPLAY may be set after construction.
  bool ok();
  void move(int x, int y);
  // A relative move, as a mouse makes one.
  void moveBy(int dx, int dy);
  // Where the pointer is on the screen.
  void where(int* x, int* y);
  std::pair<int, int> where() {
    int x = 0, y = 0;
    where(&x, &y);
    return {x, y};
  }
  void button(unsigned b, bool down);
  // Whether the server holds the button or key down now: it has taken the input before.
  bool isDown(unsigned button);
  bool isKeyDown(unsigned long keysym);
  // Lets go of every key and button the server holds down (another test may have left one
  // down, whose auto-repeat would reach our windows).
  void releaseAll();
  void key(unsigned long keysym, bool down);
  void tap(unsigned long keysym) {
    key(keysym, true);
    key(keysym, false);
  }
  // What a window's close box sends it (WM_DELETE_WINDOW), as a window manager does.
  void pressCloseBox(unsigned long window);
  // The screen's pixels as 0xRRGGBB, row by row.
  std::vector<uint32_t> read(int x, int y, int w, int h);

 private:
  void* mDisplay = nullptr;
};

}  // namespace vq::test
