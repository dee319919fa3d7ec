#include "platform/menu.h"

namespace vq::platform {

MenuItem* MenuItem::create(std::string title) {
  MenuItem* item = new MenuItem();
  item->mProps.title = std::move(title);
  return item;
}

MenuItem* MenuItem::separator() {
  MenuItem* item = new MenuItem();
  item->mProps.separator = true;
  item->mProps.enabled = false;
  return item;
}

bool MenuItem::perform() {
  if (!mProps.target || mProps.action == 0) return false;
  mProps.target->performMenuAction(mProps.action, *this);
  return true;
}

MenuItem* MenuItem::copy() const {
  MenuItem* c = new MenuItem();
  c->mProps = mProps;
  if (mSubmenu.get()) {
    Menu* sub = mSubmenu.get()->copy();
    c->setSubmenu(sub);
    sub->release();
  }
  return c;
}

Menu* Menu::create(std::string title) {
  Menu* m = new Menu();
  m->mTitle = std::move(title);
  return m;
}

Menu::~Menu() {
  removeAllItems();
}

MenuItem* Menu::itemAt(int index) const {
  if (index < 0 || index >= itemCount()) return nullptr;
  return mItems[static_cast<size_t>(index)];
}

int Menu::indexOfItem(const MenuItem* item) const {
  for (int i = 0; i < itemCount(); ++i)
    if (mItems[static_cast<size_t>(i)] == item) return i;
  return -1;
}

int Menu::indexOfItemWithTag(int32_t tag) const {
  for (int i = 0; i < itemCount(); ++i)
    if (mItems[static_cast<size_t>(i)]->tag() == tag) return i;
  return -1;
}

void Menu::insertItem(MenuItem* item, int index) {
  if (!item) return;
  if (index < 0 || index > itemCount()) index = itemCount();
  item->retain();
  if (item->mMenu) item->mMenu->removeItemAt(item->mMenu->indexOfItem(item));
  // Moving an item within this menu shortens it first.
  if (index > itemCount()) index = itemCount();
  item->mMenu = this;
  mItems.insert(mItems.begin() + index, item);
}

void Menu::removeItemAt(int index) {
  MenuItem* item = itemAt(index);
  if (!item) return;
  mItems.erase(mItems.begin() + index);
  item->mMenu = nullptr;
  item->release();
}

void Menu::removeAllItems() {
  while (!mItems.empty()) removeItemAt(itemCount() - 1);
}

Menu* Menu::copy() const {
  Menu* m = new Menu();
  m->mTitle = mTitle;
  m->mAutoenables = mAutoenables;
  m->mDelegate = mDelegate;
  for (MenuItem* item : mItems) {
    MenuItem* c = item->copy();
    m->addItem(c);
    c->release();
  }
  return m;
}

void updateMenuTree(Menu& menu) {
  if (menu.delegate()) menu.delegate()->menuNeedsUpdate(menu);
  for (int i = 0; i < menu.itemCount(); ++i) {
    // The parent's update may drop a submenu from it meanwhile.
    Retained<Menu> sub(menu.itemAt(i)->submenu());
    if (sub.get()) updateMenuTree(*sub.get());
  }
}

}  // namespace vq::platform
