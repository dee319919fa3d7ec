// Mouse cursors, the pointer position and hiding the pointer for endless drags. Main thread.
#pragma once

#include <memory>

#include "platform/geometry.h"
#include "platform/image.h"

namespace vq::platform {

enum class SystemCursor { Arrow, IBeam, ResizeUp, ResizeLeftRight, ResizeUpDown, OpenHand };

// A cursor: one of the system's, or an image with a hot spot. Shared and immutable.
struct Cursor {
  bool isSystem = true;
  SystemCursor system = SystemCursor::Arrow;
  Image image;    // custom cursors
  Point hotSpot;  // pixels from the top-left of the image
};
using CursorRef = std::shared_ptr<const Cursor>;

class CursorService {
 public:
  virtual ~CursorService() = default;
  virtual CursorRef systemCursor(SystemCursor which) = 0;
  virtual void setCurrent(CursorRef c) = 0;
  virtual CursorRef current() const = 0;

  // Hides or shows the pointer on the main display.
  virtual void setHidden(bool hidden) = 0;
  virtual bool isHidden() const = 0;
  // While decoupled the pointer stays still and mouse events only carry deltas.
  virtual void setMouseCoupled(bool coupled) = 0;
  virtual bool isMouseCoupled() const = 0;

  // The pointer in screen coordinates (origin bottom-left of the main screen, y up).
  virtual Point mouseLocation() const = 0;
  // Moves the pointer; `p` is in display coordinates (origin top-left, y down). Answers success.
  virtual bool warpMouse(Point p) = 0;
};

}  // namespace vq::platform
