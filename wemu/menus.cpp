#include "wemu/menus.h"

#include <cstring>
#include <memory>

#include "platform/platform.h"
#include "platform/view.h"
#include "wemu/app_controller.h"
#include "wemu/gdi_objects.h"
#include "wemu/window_handle.h"

using vq::platform::Menu;
using vq::platform::MenuDelegate;
using vq::platform::MenuItem;
using vq::platform::MenuTarget;
using vq::platform::Window;

namespace {

constexpr char kOpenMarker[] = "/.BO^O:";
constexpr char kCloseMarker[] = "EN%%%^:";

// The item data of a menu item.
struct ItemData : vq::platform::RepresentedObject {
  explicit ItemData(uintptr_t v) : value(v) {}
  uintptr_t value;
};

struct Found {
  Menu* menu = nullptr;
  int index = -1;
  MenuItem* item = nullptr;
};

Found findByCommand(Menu* m, int32_t id) {
  int i = m->indexOfItemWithTag(id);
  if (i >= 0) return Found{m, i, m->itemAt(i)};
  for (int k = 0; k < m->itemCount(); ++k) {
    if (Menu* sub = m->itemAt(k)->submenu()) {
      Found f = findByCommand(sub, id);
      if (f.item) return f;
    }
  }
  return {};
}

Found findItem(HMENU menu, UINT item, bool byPosition) {
  if (!menu) return {};
  if (byPosition) {
    int pos = static_cast<int>(item);
    MenuItem* it = menu->itemAt(pos);
    return it ? Found{menu, pos, it} : Found{};
  }
  return findByCommand(menu, static_cast<int32_t>(item));
}

MenuItem* newItem(const std::string& title) {
  MenuItem* it = MenuItem::create(title);
  it->setEnabled(true);
  return it;
}

// Items added to a menu that already sends commands send them too: the first other item
// with an action or target lends its own (all items of a short menu are looked at, else the
// first six and the last five).
void adoptSiblingTarget(Menu* m, MenuItem* added) {
  int n = m->itemCount();
  auto lends = [&](int i) -> bool {
    MenuItem* s = m->itemAt(i);
    if (!s || s == added || (!s->action() && !s->target())) return false;
    added->setTarget(s->target());
    added->setAction(s->action());
    return true;
  };
  if (n < 15) {
    for (int i = 0; i < n; ++i)
      if (lends(i)) return;
  } else {
    for (int i = 0; i < 6; ++i)
      if (lends(i)) return;
    for (int i = n - 5; i < n; ++i)
      if (lends(i)) return;
  }
}

void setDestination(Menu* m, MenuTarget* target, MenuDelegate* delegate, int action) {
  m->setDelegate(delegate);
  for (int i = 0; i < m->itemCount(); ++i) {
    MenuItem* it = m->itemAt(i);
    if (it->tag() != 0) {
      it->setTarget(target);
      if (target) it->setAction(action);
    }
    if (Menu* sub = it->submenu()) setDestination(sub, target, delegate, action);
  }
}

Menu* newMenu(const std::string& title) {
  Menu* m = Menu::create(title);
  m->setAutoenablesItems(false);
  return m;
}

void applyTitle(MenuItem* it, const std::string& title) {
  it->setTitle(title);
  if (Menu* sub = it->submenu()) sub->setTitle(title);
}

// Receives the choice of a tracked pop-up menu and lets the window update each menu shown.
struct TrackReceiver : MenuTarget, MenuDelegate {
  HWND__* cbwnd = nullptr;
  int32_t act = 0;
  void performMenuAction(int, MenuItem& sender) override {
    if (sender.tag() != 0) act = sender.tag();
  }
  void menuNeedsUpdate(Menu& m) override {
    if (!cbwnd) return;
    SendMessage(cbwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(&m), 0);
    setDestination(&m, this, this, WEMU_ACTION_COMMAND);
  }
};

}  // namespace

std::string WEMU_MenuTitleFromText(const char* text) {
  std::string out;
  if (!text) return out;
  for (size_t i = 0; text[i] && text[i] != '\t' && i < 1023; ++i) {
    if (text[i] == '&') {
      ++i;
      if (!text[i] || text[i] == '\t' || i >= 1023) break;
    }
    out.push_back(text[i]);
  }
  return out;
}

HMENU CreatePopupMenu() {
  return newMenu(std::string());
}

HMENU CreatePopupMenuEx(const char* title) {
  return title ? newMenu(WEMU_MenuTitleFromText(title)) : CreatePopupMenu();
}

void DestroyMenu(HMENU menu) {
  if (!menu) return;
  WEMU_SetMenuDestination(menu, nullptr);
  menu->release();
}

HMENU WEMU_LoadMenu(WEMU_MenuResourceIndex* list, int id) {
  for (WEMU_MenuResourceIndex* r = list; r; r = r->next) {
    if (r->resid != id) continue;
    HMENU m = CreatePopupMenu();
    if (r->createFunc) r->createFunc(m);
    return m;
  }
  return nullptr;
}

int WEMU_GenerateMenuFromList(HMENU menu, const MenuListEntry* rows, int count) {
  if (count < 1 || !rows) return 1;
  int i = 0;
  while (i < count) {
    const MenuListEntry& row = rows[i];
    if (row.text && std::strcmp(row.text, kCloseMarker) == 0) return i + 1;
    if (row.text && std::strncmp(row.text, kOpenMarker, sizeof(kOpenMarker) - 1) == 0) {
      std::string title = WEMU_MenuTitleFromText(row.text + sizeof(kOpenMarker) - 1);
      Menu* sub = newMenu(title);
      // The nested list may use at most the rows that are left.
      int used = WEMU_GenerateMenuFromList(sub, rows + i + 1, count - i - 1);
      MENUITEMINFO info{};
      info.cbSize = 72;
      info.fMask = MIIM_STATE | MIIM_TYPE | MIIM_SUBMENU;
      info.fType = MFT_STRING;
      info.hSubMenu = sub;  // passes to the menu
      std::string text = title;
      // The title is already cleaned; escape "&" so the title rule keeps it.
      std::string escaped;
      for (char c : text) {
        if (c == '&') escaped.push_back('&');
        escaped.push_back(c);
      }
      info.dwTypeData = escaped.data();
      if (menu) {
        InsertMenuItem(menu, 0xFFFFFFFFu, TRUE, &info);
      } else {
        sub->release();
      }
      i += 1 + (count - i - 1 > 0 ? used : 0);
      continue;
    }
    if (menu) WEMU_Menu_AddMenuItem(menu, row.text, row.id, row.flags);
    ++i;
  }
  return i;
}

HMENU WEMU_DuplicateMenu(HMENU menu) {
  return menu ? menu->copy() : nullptr;
}

HMENU WEMU_GetCurrentMenu() {
  return vq::platform::services().application().mainMenu();
}

void WEMU_SetCurrentMenu(HMENU menu) {
  if (!menu || WEMU_IsQuitting()) return;
  vq::platform::services().application().setMainMenu(menu);
}

BOOL SetMenu(HWND__* window, HMENU menu) {
  if (!window || WEMU_IsQuitting()) return FALSE;
  HWND__* holder = window;
  if (!window->answersWemuSetMenu()) {
    // A top-level window keeps its menu in its content view.
    holder = window->windowObject() ? WEMU_ViewOfHandle(window) : nullptr;
    if (!holder || !holder->answersWemuSetMenu()) return FALSE;
  }
  holder->wemuSetMenu(menu);
  Window* w = window->windowObject();
  if (!w && window->window() && window->window()->contentView() == window) w = window->window();
  auto& app = vq::platform::services().application();
  if (w && w->isKeyWindow() && app.mainMenu() != menu) {
    app.setMainMenu(menu);
    if (menu) SendMessage(holder, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  }
  return TRUE;
}

HMENU GetMenu(HWND__* window) {
  if (!window) return nullptr;
  HWND__* holder = window->windowObject() ? WEMU_ViewOfHandle(window) : window;
  if (!holder || !holder->answersWemuSetMenu()) return nullptr;
  return holder->wemuGetMenu();
}

void DrawMenuBar(HWND__*) {}

HMENU GetSubMenu(HMENU menu, int position) {
  if (!menu) return nullptr;
  MenuItem* it = menu->itemAt(position);
  return it ? it->submenu() : nullptr;
}

int GetMenuItemCount(HMENU menu) {
  return menu ? menu->itemCount() : 0;
}

UINT GetMenuItemID(HMENU menu, int position) {
  if (!menu) return 0;
  MenuItem* it = menu->itemAt(position);
  if (!it) return 0;
  if (it->submenu()) return 0xFFFFFFFFu;
  return static_cast<UINT>(it->tag());
}

BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO* info) {
  if (!menu || !info) return FALSE;
  int position;
  if (byPosition) {
    position = static_cast<int>(item);
  } else {
    position = menu->indexOfItemWithTag(static_cast<int32_t>(item));  // this menu only
  }
  if (position < 0 || position > menu->itemCount()) position = menu->itemCount();
  bool wasEmpty = menu->itemCount() == 0;

  MenuItem* it;
  bool textItem = false;
  if (info->fType == MFT_BITMAP) {
    // The text field carries an icon; with an image behind it the item shows only that.
    it = newItem("(no image)");
    auto* icon = reinterpret_cast<HGDIOBJ__*>(info->dwTypeData);
    if (vq::platform::Image* image = GetNSImageFromHICON(icon)) {
      it->setImage(std::make_shared<vq::platform::Image>(*image));
      it->setTitle(std::string());
    }
  } else if (info->fType != MFT_STRING) {
    it = MenuItem::separator();
  } else {
    it = newItem(info->dwTypeData ? WEMU_MenuTitleFromText(info->dwTypeData) : "(null)");
    textItem = true;
  }
  it->setAction(0);
  it->setTarget(nullptr);
  it->setKeyEquivalent(0, 0);
  if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu) {
    if (textItem) info->hSubMenu->setTitle(it->title());
    it->setSubmenu(info->hSubMenu);
    info->hSubMenu->release();  // the caller's reference passes to the menu
  }
  if (wasEmpty) menu->setAutoenablesItems(false);
  if (!it->isSeparator()) it->setEnabled(true);
  if (info->fMask & MIIM_STATE) {
    if (info->fState & (MFS_GRAYED | MFS_DISABLED)) it->setEnabled(false);
    it->setChecked((info->fState & MFS_CHECKED) != 0);
  }
  if (info->fMask & MIIM_DATA)
    it->setRepresentedObject(std::make_shared<ItemData>(info->dwItemData));
  if (info->fMask & MIIM_ID) it->setTag(static_cast<int32_t>(info->wID));
  menu->insertItem(it, position);
  it->release();
  adoptSiblingTarget(menu, it);
  return TRUE;
}

BOOL WEMU_InsertMenu(HMENU menu, int positionOrCommand, UINT flags, UINT_PTR idOrSubmenu,
                     const char* text) {
  MENUITEMINFO info{};
  info.cbSize = 72;
  info.fMask = MIIM_ID | MIIM_STATE | MIIM_TYPE;
  info.fType = MFT_STRING;
  info.fState = flags & ~MF_BYPOSITION;
  info.wID = static_cast<UINT>(idOrSubmenu);
  info.dwTypeData = const_cast<char*>(text);
  if (flags & MF_POPUP) {
    info.hSubMenu = reinterpret_cast<HMENU>(idOrSubmenu);
    info.wID = 0;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_TYPE | MIIM_SUBMENU;
    info.fState = flags & ~(MF_BYPOSITION | MF_POPUP);
  }
  if (flags & MF_SEPARATOR) {
    info.fMask = MIIM_TYPE;
    info.fType = MFT_SEPARATOR;
    info.fState = flags & ~(MF_BYPOSITION | MF_SEPARATOR);
  }
  if (flags & MF_BITMAP) {
    info.fType = MFT_BITMAP;
    info.fState &= ~MF_BITMAP;
  }
  return InsertMenuItem(menu, static_cast<UINT>(positionOrCommand), (flags & MF_BYPOSITION) != 0,
                        &info);
}

void WEMU_Menu_AddMenuItem(HMENU menu, const char* text, int id, int flags) {
  if (!menu) return;
  MENUITEMINFO info{};
  info.cbSize = 72;
  if (!text) {
    info.fMask = MIIM_TYPE;
    info.fType = MFT_SEPARATOR;
  } else {
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_TYPE;
    info.fType = MFT_STRING;
    info.fState = flags ? UINT{MFS_GRAYED} : 0u;
    info.wID = static_cast<UINT>(id);
    info.dwTypeData = const_cast<char*>(text);
  }
  InsertMenuItem(menu, 0xFFFFFFFFu, TRUE, &info);
}

int AddMenuItem(HMENU menu, int position, const char* text, int id) {
  if (!menu) return -1;
  MenuItem* it = newItem(text ? text : "");
  it->setTag(id);
  int pos = position < 0 || position > menu->itemCount() ? menu->itemCount() : position;
  menu->insertItem(it, pos);
  it->release();
  return 0;
}

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFO* info) {
  Found f = findItem(menu, item, byPosition != 0);
  if (!f.item || !info) return FALSE;
  MenuItem* it = f.item;
  if (info->fMask & MIIM_TYPE) {
    if (it->isSeparator()) {
      info->fType = MFT_SEPARATOR;
    } else {
      info->fType = MFT_STRING;
      if (info->dwTypeData && info->cch > 0) {
        size_t n = std::min<size_t>(it->title().size(), info->cch - 1);
        // Never end in half a UTF-8 character.
        while (n > 0 && n < it->title().size() &&
               (static_cast<unsigned char>(it->title()[n]) & 0xC0) == 0x80)
          --n;
        std::memcpy(info->dwTypeData, it->title().data(), n);
        info->dwTypeData[n] = 0;
      }
    }
  }
  if (info->fMask & MIIM_DATA) {
    auto* d = dynamic_cast<ItemData*>(it->representedObject());
    info->dwItemData = d ? d->value : 0;
  }
  if (info->fMask & MIIM_STATE) {
    info->fState = (it->isChecked() ? UINT{MFS_CHECKED} : 0u) |
                   (!it->isEnabled() ? UINT{MFS_GRAYED | MFS_DISABLED} : 0u);
  }
  if (info->fMask & MIIM_ID) info->wID = static_cast<UINT>(it->tag());
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = it->submenu();
  return TRUE;
}

BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO* info) {
  Found f = findItem(menu, item, byPosition != 0);
  if (!f.item || !info) return FALSE;
  MenuItem* it = f.item;
  if ((info->fMask & MIIM_TYPE) && info->fType == MFT_STRING && info->dwTypeData)
    applyTitle(it, WEMU_MenuTitleFromText(info->dwTypeData));
  if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu != it->submenu()) {
    if (Menu* old = it->submenu()) {
      old->retain();  // it leaves the menu and stays the caller's
      it->setSubmenu(nullptr);
    }
    if (info->hSubMenu) {
      info->hSubMenu->setTitle(it->title());
      it->setSubmenu(info->hSubMenu);
      info->hSubMenu->release();  // the caller's reference passes to the menu
    }
  }
  if (info->fMask & MIIM_STATE) {
    it->setChecked((info->fState & MFS_CHECKED) != 0);
    it->setEnabled((info->fState & (MFS_GRAYED | MFS_DISABLED)) == 0);
  }
  if (info->fMask & MIIM_ID) it->setTag(static_cast<int32_t>(info->wID));
  if (info->fMask & MIIM_DATA)
    it->setRepresentedObject(std::make_shared<ItemData>(info->dwItemData));
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT item, UINT flags) {
  Found f = findItem(menu, item, (flags & MF_BYPOSITION) != 0);
  if (!f.item) return FALSE;
  if (Menu* sub = f.item->submenu()) {
    WEMU_SetMenuDestination(sub, nullptr);
    f.item->setSubmenu(nullptr);
  }
  f.menu->removeItemAt(f.index);
  return TRUE;
}

BOOL SetMenuItemText(HMENU menu, UINT item, UINT flags, const char* text) {
  Found f = findItem(menu, item, (flags & MF_BYPOSITION) != 0);
  if (!f.item) return FALSE;
  applyTitle(f.item, WEMU_MenuTitleFromText(text));
  return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  Found f = findItem(menu, item, (flags & MF_BYPOSITION) != 0);
  if (!f.item) return FALSE;
  f.item->setEnabled((flags & MF_GRAYED) == 0);
  return TRUE;
}

BOOL CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  Found f = findItem(menu, item, (flags & MF_BYPOSITION) != 0);
  if (!f.item) return FALSE;
  f.item->setChecked((flags & MF_CHECKED) != 0);
  return TRUE;
}

BOOL SetMenuItemModifier(HMENU menu, UINT item, UINT flags, UINT code, UINT accel) {
  Found f = findItem(menu, item, (flags & MF_BYPOSITION) != 0);
  if (!f.item) return FALSE;
  char32_t key = 0;
  bool letter = false;
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
    letter = code >= 'A' && code <= 'Z';
    key = (letter && !(accel & WEMU_ACCEL_SHIFT)) ? code + 32 : code;
  } else if (!(accel & WEMU_ACCEL_VIRTKEY) && code < 128 &&
             std::strchr("!\"',./?[]\\|", static_cast<int>(code)) && code) {
    key = code;
  } else if (code >= 112 && code <= 135) {
    key = code + 63124;
  } else {
    switch (code) {
      case 8:
        key = 8;
        break;
      case 33:
        key = 63276;
        break;
      case 34:
        key = 63277;
        break;
      case 35:
        key = 63275;
        break;
      case 36:
        key = 63273;
        break;
      case 37:
        key = 63234;
        break;
      case 38:
        key = 63232;
        break;
      case 39:
        key = 63235;
        break;
      case 40:
        key = 63233;
        break;
      case 45:
        key = 63271;
        break;
      case 46:
        key = 127;
        break;
      case 109:
        key = '-';
        break;
      default:
        key = 0;
        break;
    }
  }
  uint32_t mods = 0;
  if (key) {
    if (accel & WEMU_ACCEL_COMMAND) mods |= vq::platform::kCommandFlag;
    if (accel & WEMU_ACCEL_OPTION) mods |= vq::platform::kOptionFlag;
    if (accel & WEMU_ACCEL_CONTROL) mods |= vq::platform::kControlFlag;
    if ((accel & WEMU_ACCEL_SHIFT) && !letter) mods |= vq::platform::kShiftFlag;
  }
  f.item->setKeyEquivalent(key, mods);
  return TRUE;
}

void WEMU_SetMenuDestination(HMENU menu, HWND__* window) {
  if (!menu) return;
  if (window && !window->answersWemuCommand()) return;
  setDestination(menu, window, window, WEMU_ACTION_COMMAND);
}

namespace {
void forgetTarget(Menu* m, HWND__* window, int depth) {
  if (!m || depth > 64) return;
  if (m->delegate() == static_cast<MenuDelegate*>(window)) m->setDelegate(nullptr);
  for (int i = 0; i < m->itemCount(); ++i) {
    MenuItem* it = m->itemAt(i);
    if (it->target() == static_cast<MenuTarget*>(window)) it->setTarget(nullptr);
    forgetTarget(it->submenu(), window, depth + 1);
  }
}
}  // namespace

void WEMU_Internal_ForgetMenuTarget(HWND__* window) {
  if (!window) return;
  forgetTarget(window->wemuGetMenu(), window, 0);
  if (vq::platform::hasBackend())
    forgetTarget(vq::platform::services().application().mainMenu(), window, 0);
  forgetTarget(WEMU_GetDefaultModalWindowMenu(), window, 0);
}

int TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND__* window, const RECT*) {
  if (!menu) return 0;
  vq::platform::View* view = nullptr;
  if (window) {
    view = window->windowObject() ? window->windowObject()->contentView() : window;
  } else if (Window* main = Window::mainWindow()) {
    view = main->contentView();
  }
  if (!view) return 0;
  vq::platform::Point where{static_cast<double>(x), static_cast<double>(y)};
  if (Window* w = view->window()) where = {where.x - w->frame().x, where.y - w->frame().y};
  where.y -= 4;

  TrackReceiver receiver;
  receiver.cbwnd = (flags & TPM_NONOTIFY) ? nullptr : window;
  menu->retain();
  setDestination(menu, &receiver, &receiver, WEMU_ACTION_COMMAND);
  if (!(flags & TPM_NONOTIFY) && window) {
    SendMessage(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    setDestination(menu, &receiver, &receiver, WEMU_ACTION_COMMAND);  // it may have changed
  }
  vq::platform::services().menuTracking().popUpContextMenu(*menu, where, view);
  setDestination(menu, nullptr, nullptr, 0);
  menu->release();
  int32_t command = receiver.act;
  if (command == 0) return 0;
  if (flags & TPM_RETURNCMD) return command;
  if (window) SendMessage(window, WM_COMMAND, static_cast<WPARAM>(command), 0);
  return 1;
}
