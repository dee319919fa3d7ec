// Menus and menu items: reference-counted objects in the manner of the desktop's menus.
// A menu retains its items and an item retains its submenu; copy() copies deeply. Main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/image.h"

namespace vq::platform {

class Menu;
class MenuItem;

// Reference counting shared by menus and items: objects start with one reference.
class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;
  void retain() { refs_.fetch_add(1, std::memory_order_relaxed); }
  void release() {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  int retainCount() const { return refs_.load(); }

 protected:
  virtual ~RefCounted() = default;

 private:
  std::atomic<int> refs_{1};
};

// The receiver of a chosen item: `action` is what the item was set up to do (0 for none).
class MenuTarget {
 public:
  virtual ~MenuTarget() = default;
  virtual void performMenuAction(int action, MenuItem& sender) = 0;
};

// Asked before a menu is shown (menu tracking calls it for every menu it opens).
class MenuDelegate {
 public:
  virtual ~MenuDelegate() = default;
  virtual void menuNeedsUpdate(Menu& menu) = 0;
};

// Opaque data a menu item can carry (the item owns it).
class RepresentedObject {
 public:
  virtual ~RepresentedObject() = default;
};

class MenuItem : public RefCounted {
 public:
  static MenuItem* create(std::string title = {});
  static MenuItem* separator();

  bool isSeparator() const { return separator_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }
  int32_t tag() const { return tag_; }
  void setTag(int32_t t) { tag_ = t; }
  bool isChecked() const { return checked_; }
  void setChecked(bool on) { checked_ = on; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool on) { enabled_ = on; }

  Menu* submenu() const { return submenu_; }
  // Retains the new submenu and releases the old one.
  void setSubmenu(Menu* m);

  RepresentedObject* representedObject() const { return represented_.get(); }
  void setRepresentedObject(std::shared_ptr<RepresentedObject> o) { represented_ = std::move(o); }

  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(std::shared_ptr<Image> img) { image_ = std::move(img); }

  // Key equivalent: a single character (0 for none) and the modifier flags it needs.
  char32_t keyEquivalent() const { return keyEquivalent_; }
  uint32_t keyEquivalentModifiers() const { return keyModifiers_; }
  void setKeyEquivalent(char32_t c, uint32_t modifiers) {
    keyEquivalent_ = c;
    keyModifiers_ = modifiers;
  }

  MenuTarget* target() const { return target_; }
  void setTarget(MenuTarget* t) { target_ = t; }
  int action() const { return action_; }
  void setAction(int a) { action_ = a; }

  Menu* menu() const { return menu_; }

  // What choosing the item does: the target's action, when both are set. Answers whether
  // anything was performed.
  bool perform();

  MenuItem* copy() const;

 protected:
  ~MenuItem() override;

 private:
  friend class Menu;
  MenuItem() = default;

  bool separator_ = false;
  std::string title_;
  int32_t tag_ = 0;
  bool checked_ = false;
  bool enabled_ = true;
  Menu* submenu_ = nullptr;
  std::shared_ptr<RepresentedObject> represented_;
  std::shared_ptr<Image> image_;
  char32_t keyEquivalent_ = 0;
  uint32_t keyModifiers_ = 0;
  MenuTarget* target_ = nullptr;
  int action_ = 0;
  Menu* menu_ = nullptr;  // the menu holding the item (not retained)
};

class Menu : public RefCounted {
 public:
  static Menu* create(std::string title = {});

  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); }
  bool autoenablesItems() const { return autoenables_; }
  void setAutoenablesItems(bool on) { autoenables_ = on; }
  MenuDelegate* delegate() const { return delegate_; }
  void setDelegate(MenuDelegate* d) { delegate_ = d; }

  int itemCount() const { return static_cast<int>(items_.size()); }
  // Null when out of range.
  MenuItem* itemAt(int index) const;
  int indexOfItem(const MenuItem* item) const;
  int indexOfItemWithTag(int32_t tag) const;
  // The menu retains the item; an index outside 0..count appends.
  void insertItem(MenuItem* item, int index);
  void addItem(MenuItem* item) { insertItem(item, itemCount()); }
  void removeItemAt(int index);
  void removeAllItems();

  // A deep copy: items and submenus are copied, targets and delegates shared.
  Menu* copy() const;

 protected:
  ~Menu() override;

 private:
  Menu() = default;

  std::string title_;
  bool autoenables_ = true;
  MenuDelegate* delegate_ = nullptr;
  std::vector<MenuItem*> items_;
};

}  // namespace vq::platform
