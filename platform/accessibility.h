// What views show to assistive technology beyond their widgets: an element a view supplies
// (a window procedure's object), with its own name, role, place, children, hit test and focus.
// Main thread.
#pragma once

#include <string>
#include <vector>

#include "platform/geometry.h"

namespace vq::platform {

class AccessibilityElement {
 public:
  virtual ~AccessibilityElement() = default;
  // The element at the point (the supplying view's coordinates), and the focused element.
  virtual AccessibilityElement* hitTest(Point p) { return this; }
  virtual AccessibilityElement* focusedElement() { return this; }
  // An ignored element is left out: its children stand in its place.
  virtual bool isIgnored() const { return false; }
  virtual std::string accessibleName() const { return {}; }
  // A role as assistive technology names it ("push button", "slider", ...); empty: unknown.
  virtual std::string accessibleRole() const { return {}; }
  // The place in the supplying view's coordinates.
  virtual Rect accessibleFrame() const { return {}; }
  virtual std::vector<AccessibilityElement*> accessibleChildren() { return {}; }
};

}  // namespace vq::platform
