#include "plugin/ipopup_menu.h"

namespace {
// Flag numbers 1..4 name the bits 1, 2, 4, 8; 0 for any other number.
int FlagBit(int flagNumber) {
  return (flagNumber >= 1 && flagNumber <= 4) ? 1 << (flagNumber - 1) : 0;
}
}  // namespace

IPopupMenuItem::IPopupMenuItem(const char* text, int flags)
    : mText(text ? text : ""), mFlags(flags) {}

IPopupMenuItem::IPopupMenuItem(const char* text, IPopupMenu* submenu)
    : mText(text ? text : ""), mSubmenu(submenu) {}

void IPopupMenuItem::SetFlag(bool state, int flagNumber) {
  const int bit = FlagBit(flagNumber);
  if (!bit) return;
  if (state) {
    mFlags |= bit;
  } else {
    mFlags &= ~bit;
  }
}

IPopupMenu::~IPopupMenu() {
  mMenuItems.Empty(true);
}

void IPopupMenu::SetPrefix(int style) {
  if (style >= kPrefixNone && style <= kPrefix3) mPrefix = style;
}

const char* IPopupMenu::GetPrefixFormat() const {
  switch (mPrefix) {
    case kPrefix1:
      return "%1d: ";
    case kPrefix2:
      return "%02d: ";
    case kPrefix3:
      return "%03d: ";
    default:
      return "";
  }
}

IPopupMenuItem* IPopupMenu::InsertItem(IPopupMenuItem* item, int index) {
  if (!item) return nullptr;
  if (!mMenuItems.Insert(index, item)) {
    delete item;
    return nullptr;
  }
  return item;
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, int flags) {
  return InsertItem(new IPopupMenuItem(text, flags), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int index, IPopupMenu* submenu) {
  return InsertItem(new IPopupMenuItem(text, submenu), index);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu) {
  return InsertItem(new IPopupMenuItem(text, submenu), -1);
}

IPopupMenuItem* IPopupMenu::AddSeparator(int index) {
  return InsertItem(new IPopupMenuItem("", IPopupMenuItem::kSeparator), index);
}

const char* IPopupMenu::GetItemText(int index) const {
  const IPopupMenuItem* item = GetItem(index);
  return item ? item->GetText() : "";
}

bool IPopupMenu::CheckItem(int index, bool state) {
  IPopupMenuItem* item = GetItem(index);
  if (!item) return false;
  item->SetChecked(state);
  return true;
}

void IPopupMenu::CheckItemAlone(int index) {
  const int n = GetNItems();
  for (int i = 0; i < n; ++i) GetItem(i)->SetChecked(i == index);
}

bool IPopupMenu::IsItemChecked(int index) const {
  const IPopupMenuItem* item = GetItem(index);
  return item && item->GetChecked();
}

void IPopupMenu::SetItemFlag(int index, int flagNumber, bool state) {
  IPopupMenuItem* item = GetItem(index);
  if (item) item->SetFlag(state, flagNumber);
}
