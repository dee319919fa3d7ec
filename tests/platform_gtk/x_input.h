// Real input as a user's: XTest through an X connection of our own. Xlib stays inside
// x_input.cpp; its macros (None, Bool, ...) clash with our names.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
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

struct XGeometry {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const XGeometry& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};

// The screen's top-level windows as another client sees them, from construction on (what a
// window manager hears: their structure events on the root window).
class XTopLevelWatch {
 public:
  struct Shown {
    unsigned long window = 0;
    std::string name;  // at its first map
    int maps = 0;
    XGeometry mapped;                // at its first map
    std::vector<XGeometry> changes;  // of its size or place after that
    XGeometry now;
  };
  XTopLevelWatch();
  ~XTopLevelWatch();
  bool ok() const { return mDisplay != nullptr; }
  // Takes what the server has sent up to now, the events of every request it had taken.
  void update();
  // The first top-level window mapped (menus and other windows the manager leaves alone
  // aside); none before it maps.
  const Shown* firstShown() const { return mFirst ? &*mFirst : nullptr; }

 private:
  void* mDisplay = nullptr;
  std::vector<std::pair<unsigned long, XGeometry>> mCreated;
  std::optional<Shown> mFirst;
};

}  // namespace vq::test
