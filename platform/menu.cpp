#include "platform/menu.h"

namespace vq::platform {

MenuItem* MenuItem::create(std::string title) {
  MenuItem* item = new MenuItem();
  item->title_ = std::move(title);
  return item;
}

MenuItem* MenuItem::separator() {
  MenuItem* item = new MenuItem();
  item->separator_ = true;
  item->enabled_ = false;
  return item;
}

MenuItem::~MenuItem() {
  if (submenu_) submenu_->release();
}

void MenuItem::setSubmenu(Menu* m) {
  if (m == submenu_) return;
  if (m) m->retain();
  if (submenu_) submenu_->release();
  submenu_ = m;
}

bool MenuItem::perform() {
  if (!target_ || action_ == 0) return false;
  target_->performMenuAction(action_, *this);
  return true;
}

MenuItem* MenuItem::copy() const {
  MenuItem* c = new MenuItem();
  c->separator_ = separator_;
  c->title_ = title_;
  c->tag_ = tag_;
  c->checked_ = checked_;
  c->enabled_ = enabled_;
  if (submenu_) {
    Menu* sub = submenu_->copy();
    c->setSubmenu(sub);
    sub->release();
  }
  c->represented_ = represented_;
  c->image_ = image_;
  c->keyEquivalent_ = keyEquivalent_;
  c->keyModifiers_ = keyModifiers_;
  c->target_ = target_;
  c->action_ = action_;
  return c;
}

Menu* Menu::create(std::string title) {
  Menu* m = new Menu();
  m->title_ = std::move(title);
  return m;
}

Menu::~Menu() {
  removeAllItems();
}

MenuItem* Menu::itemAt(int index) const {
  if (index < 0 || index >= itemCount()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

int Menu::indexOfItem(const MenuItem* item) const {
  for (int i = 0; i < itemCount(); ++i)
    if (items_[static_cast<size_t>(i)] == item) return i;
  return -1;
}

int Menu::indexOfItemWithTag(int32_t tag) const {
  for (int i = 0; i < itemCount(); ++i)
    if (items_[static_cast<size_t>(i)]->tag() == tag) return i;
  return -1;
}

void Menu::insertItem(MenuItem* item, int index) {
  if (!item) return;
  if (index < 0 || index > itemCount()) index = itemCount();
  item->retain();
  if (item->menu_) item->menu_->removeItemAt(item->menu_->indexOfItem(item));
  // Moving an item within this menu shortens it first.
  if (index > itemCount()) index = itemCount();
  item->menu_ = this;
  items_.insert(items_.begin() + index, item);
}

void Menu::removeItemAt(int index) {
  MenuItem* item = itemAt(index);
  if (!item) return;
  items_.erase(items_.begin() + index);
  item->menu_ = nullptr;
  item->release();
}

void Menu::removeAllItems() {
  while (!items_.empty()) removeItemAt(itemCount() - 1);
}

Menu* Menu::copy() const {
  Menu* m = new Menu();
  m->title_ = title_;
  m->autoenables_ = autoenables_;
  m->delegate_ = delegate_;
  for (MenuItem* item : items_) {
    MenuItem* c = item->copy();
    m->addItem(c);
    c->release();
  }
  return m;
}

}  // namespace vq::platform
