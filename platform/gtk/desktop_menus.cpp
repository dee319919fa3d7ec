#include "platform/gtk/desktop_menus.h"

#include <cwctype>

#include "platform/gtk/desktop_keys.h"

namespace vq::platform {

namespace {

constexpr uint32_t kEquivalentMask = kShiftFlag | kControlFlag | kOptionFlag | kCommandFlag;

void releaseItem(gpointer item) {
  static_cast<MenuItem*>(item)->release();
}

void onActivate(GtkMenuItem* widget, gpointer sink) {
  // A check item's toggle is not the item's own state: the target decides.
  auto* item = static_cast<MenuItem*>(g_object_get_data(G_OBJECT(widget), "vq-item"));
  if (item) static_cast<MenuSink*>(sink)->choose(*item);
}

GtkWidget* makeItem(MenuItem& item, MenuSink& sink) {
  if (item.isSeparator()) return gtk_separator_menu_item_new();
  GtkWidget* w;
  if (item.isChecked()) {
    w = gtk_check_menu_item_new_with_label(item.title().c_str());
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(w), TRUE);
  } else {
    w = gtk_menu_item_new_with_label(item.title().c_str());
  }
  gtk_widget_set_sensitive(w, item.isEnabled() ? TRUE : FALSE);
  if (char32_t key = item.keyEquivalent()) {
    GdkModifierType mods = static_cast<GdkModifierType>(0);
    uint32_t m = item.keyEquivalentModifiers();
    if (m & kCommandFlag) mods = static_cast<GdkModifierType>(mods | GDK_CONTROL_MASK);
    if (m & kShiftFlag) mods = static_cast<GdkModifierType>(mods | GDK_SHIFT_MASK);
    if (m & kOptionFlag) mods = static_cast<GdkModifierType>(mods | GDK_MOD1_MASK);
    if (m & kControlFlag) mods = static_cast<GdkModifierType>(mods | GDK_SUPER_MASK);
    // An upper-case letter asks for Shift (as matching does); the label shows it so.
    if (key < 0x80 && std::iswupper(static_cast<wint_t>(key))) {
      mods = static_cast<GdkModifierType>(mods | GDK_SHIFT_MASK);
      key = static_cast<char32_t>(std::towlower(static_cast<wint_t>(key)));
    }
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(w));
    if (GTK_IS_ACCEL_LABEL(label))
      gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label), gdk_unicode_to_keyval(key), mods);
  }
  item.retain();
  g_object_set_data_full(G_OBJECT(w), "vq-item", &item, &releaseItem);
  if (Menu* sub = item.submenu()) {
    GtkWidget* gtkSub = gtk_menu_new();
    fillGtkMenu(gtkSub, *sub, sink);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(w), gtkSub);
  } else {
    g_signal_connect(w, "activate", G_CALLBACK(&onActivate), &sink);
  }
  return w;
}

bool matches(const MenuItem& item, const Event& e) {
  char32_t key = item.keyEquivalent();
  if (!key || !item.isEnabled() || item.isSeparator() || item.submenu()) return false;
  const std::u32string& typed =
      e.charactersIgnoringModifiers.empty() ? e.characters : e.charactersIgnoringModifiers;
  if (typed.size() != 1) return false;
  uint32_t need = item.keyEquivalentModifiers() & kEquivalentMask;
  // An upper-case letter as the equivalent asks for Shift.
  if (key < 0x80 && std::iswupper(static_cast<wint_t>(key))) need |= kShiftFlag;
  if ((e.modifierFlags & kEquivalentMask) != need) return false;
  return std::towlower(static_cast<wint_t>(typed[0])) == std::towlower(static_cast<wint_t>(key));
}

}  // namespace

void fillGtkMenu(GtkWidget* gtkMenu, Menu& menu, MenuSink& sink) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(gtkMenu));
  for (GList* c = children; c; c = c->next) gtk_widget_destroy(GTK_WIDGET(c->data));
  g_list_free(children);
  for (int i = 0; i < menu.itemCount(); ++i) {
    gtk_menu_shell_append(GTK_MENU_SHELL(gtkMenu), makeItem(*menu.itemAt(i), sink));
  }
  gtk_widget_show_all(gtkMenu);
}

MenuItem* findKeyEquivalent(Menu& menu, const Event& e) {
  for (int i = 0; i < menu.itemCount(); ++i) {
    MenuItem* item = menu.itemAt(i);
    if (matches(*item, e)) return item;
    if (Menu* sub = item->submenu()) {
      if (MenuItem* found = findKeyEquivalent(*sub, e)) return found;
    }
  }
  return nullptr;
}

void closeOpenMenus() {
  GList* windows = gtk_window_list_toplevels();
  for (GList* l = windows; l; l = l->next) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(l->data));
    if (!child || !GTK_IS_MENU(child) || !gtk_widget_get_mapped(child)) continue;
    // The menu bar a submenu hangs from is cancelled with it, so none stays active.
    GtkWidget* shell = child;
    while (GtkWidget* up = gtk_menu_shell_get_parent_shell(GTK_MENU_SHELL(shell))) shell = up;
    gtk_menu_shell_cancel(GTK_MENU_SHELL(shell));
  }
  g_list_free(windows);
}

}  // namespace vq::platform
