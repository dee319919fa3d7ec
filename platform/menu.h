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
  void retain() { mRefs.fetch_add(1, std::memory_order_relaxed); }
  void release() {
    if (mRefs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  int retainCount() const { return mRefs.load(); }

 protected:
  virtual ~RefCounted() = default;

 private:
  std::atomic<int> mRefs{1};
};

// One reference to a menu or item, or none: retains what it is given, releases it when it
// lets go.
template <class T>
class Retained {
 public:
  Retained() = default;
  explicit Retained(T* object) { reset(object); }
  ~Retained() { reset(nullptr); }
  Retained(const Retained&) = delete;
  Retained& operator=(const Retained&) = delete;

  T* get() const { return mObject; }
  void reset(T* object) {
    if (object) object->retain();
    if (mObject) mObject->release();
    mObject = object;
  }

 private:
  T* mObject = nullptr;
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

  bool isSeparator() const { return mProps.separator; }
  const std::string& title() const { return mProps.title; }
  void setTitle(std::string t) { mProps.title = std::move(t); }
  int32_t tag() const { return mProps.tag; }
  void setTag(int32_t t) { mProps.tag = t; }
  bool isChecked() const { return mProps.checked; }
  void setChecked(bool on) { mProps.checked = on; }
  bool isEnabled() const { return mProps.enabled; }
  void setEnabled(bool on) { mProps.enabled = on; }

  Menu* submenu() const { return mSubmenu.get(); }
  // Retains the new submenu and releases the old one.
  void setSubmenu(Menu* m) { mSubmenu.reset(m); }

  RepresentedObject* representedObject() const { return mProps.represented.get(); }
  void setRepresentedObject(std::shared_ptr<RepresentedObject> o) {
    mProps.represented = std::move(o);
  }

  const std::shared_ptr<Image>& image() const { return mProps.image; }
  void setImage(std::shared_ptr<Image> img) { mProps.image = std::move(img); }

  // Key equivalent: a single character (0 for none) and the modifier flags it needs.
  char32_t keyEquivalent() const { return mProps.keyEquivalent; }
  uint32_t keyEquivalentModifiers() const { return mProps.keyModifiers; }
  void setKeyEquivalent(char32_t c, uint32_t modifiers) {
    mProps.keyEquivalent = c;
    mProps.keyModifiers = modifiers;
  }

  MenuTarget* target() const { return mProps.target; }
  void setTarget(MenuTarget* t) { mProps.target = t; }
  int action() const { return mProps.action; }
  void setAction(int a) { mProps.action = a; }

  Menu* menu() const { return mMenu; }

  // What choosing the item does: the target's action, when both are set. Answers whether
  // anything was performed.
  bool perform();

  MenuItem* copy() const;

 protected:
  ~MenuItem() override = default;

 private:
  friend class Menu;
  MenuItem() = default;

  // All that a copy takes over as it is.
  struct Properties {
    bool separator = false;
    std::string title;
    int32_t tag = 0;
    bool checked = false;
    bool enabled = true;
    std::shared_ptr<RepresentedObject> represented;
    std::shared_ptr<Image> image;
    char32_t keyEquivalent = 0;
    uint32_t keyModifiers = 0;
    MenuTarget* target = nullptr;
    int action = 0;
  };

  Properties mProps;
  Retained<Menu> mSubmenu;  // copied deeply
  Menu* mMenu = nullptr;    // the menu holding the item (not retained)
};

class Menu : public RefCounted {
 public:
  static Menu* create(std::string title = {});

  const std::string& title() const { return mTitle; }
  void setTitle(std::string t) { mTitle = std::move(t); }
  bool autoenablesItems() const { return mAutoenables; }
  void setAutoenablesItems(bool on) { mAutoenables = on; }
  MenuDelegate* delegate() const { return mDelegate; }
  void setDelegate(MenuDelegate* d) { mDelegate = d; }

  int itemCount() const { return static_cast<int>(mItems.size()); }
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

  std::string mTitle;
  bool mAutoenables = true;
  MenuDelegate* mDelegate = nullptr;
  std::vector<MenuItem*> mItems;
};

// Runs the delegates of a menu and of its submenus, depth first, as before the menu opens.
void updateMenuTree(Menu& menu);

}  // namespace vq::platform
