// Platform menus shown as GTK menus: building them (items keep their menu item alive),
// asking delegates before they open, and finding key equivalents.
#pragma once

#include <gtk/gtk.h>

#include "platform/event.h"
#include "platform/menu.h"

namespace vq::platform {

// Where a chosen item goes.
class MenuSink {
 public:
  virtual ~MenuSink() = default;
  virtual void choose(MenuItem& item) = 0;
};

// Replaces the items of `gtkMenu` with those of `menu`, submenus included; the sink must
// outlive the GTK menu.
void fillGtkMenu(GtkWidget* gtkMenu, Menu& menu, MenuSink& sink);
// The enabled item whose key equivalent the key event types, searching submenus; or none.
MenuItem* findKeyEquivalent(Menu& menu, const Event& e);
// Closes every menu that is open (menu bar, context and list menus), as Escape would, before
// the windows that hold them go.
void closeOpenMenus();

}  // namespace vq::platform
