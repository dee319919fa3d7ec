// Showing menus to the user: context menus at a point of a view. Main thread.
#pragma once

#include "platform/geometry.h"

namespace vq::platform {

class Menu;
class MenuItem;
class View;

class MenuTracking {
 public:
  virtual ~MenuTracking() = default;
  // Shows `menu` at `location` (window coordinates of the view's window) and runs menu
  // tracking (a nested loop in the event-tracking mode). Before any menu or submenu opens,
  // its delegate's menuNeedsUpdate runs. A chosen, enabled item is performed; it is returned
  // (or none when the user dismissed the menu).
  virtual MenuItem* popUpContextMenu(Menu& menu, Point location, View* view) = 0;
};

}  // namespace vq::platform
