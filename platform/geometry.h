// Plain geometry values shared by every platform service. Screen coordinates have their
// origin at the bottom-left of the main screen with y growing upwards, as the window layer
// above expects; a view's own coordinates follow its flipped flag.
#pragma once

namespace vq::platform {

struct Point {
  double x = 0;
  double y = 0;
};

struct Size {
  double width = 0;
  double height = 0;
};

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  double maxX() const { return x + width; }
  double maxY() const { return y + height; }
  bool contains(Point p) const { return p.x >= x && p.x < maxX() && p.y >= y && p.y < maxY(); }
};

}  // namespace vq::platform
