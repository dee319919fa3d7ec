// Pop-up menu record that the graphics layer shows: items with texts,
// optional submenus and flags, an optional numbering prefix, and the index of
// the item the user chose (written by the menu view, read by whoever showed it).
#pragma once

#include "plugin/utl_heapbuf.h"

class IPopupMenu;

class IPopupMenuItem {
 public:
  enum EFlags { kNoFlags = 0, kDisabled = 1, kIndented = 2, kChecked = 4, kSeparator = 8 };

  // The submenu is not owned by the item.
  explicit IPopupMenuItem(const char* text, int flags = kNoFlags);
  IPopupMenuItem(const char* text, IPopupMenu* submenu);

  const char* GetText() const { return mText.Get(); }
  void SetText(const char* text) { mText.Set(text ? text : ""); }
  IPopupMenu* GetSubmenu() const { return mSubmenu; }
  int GetFlags() const { return mFlags; }

  bool GetEnabled() const { return !(mFlags & kDisabled); }
  bool GetChecked() const { return (mFlags & kChecked) != 0; }
  bool GetIndented() const { return (mFlags & kIndented) != 0; }
  bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }

  void SetChecked(bool state) { SetFlag(state, 3); }
  // Flag numbers 1..4 select bits 1, 2, 4, 8; other numbers do nothing.
  void SetFlag(bool state, int flagNumber);

 private:
  UTL_String mText;
  IPopupMenu* mSubmenu = nullptr;
  int mFlags = kNoFlags;
};

class IPopupMenu {
 public:
  enum EPrefix {
    kPrefixNone = 0,
    kPrefix1 = 1,
    kPrefix2 = 2,
    kPrefix3 = 3
  };  // "%1d: ", "%02d: ", "%03d: "

  IPopupMenu() = default;
  ~IPopupMenu();  // deletes the items, not their submenus
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // Stored only for 0..3.
  void SetPrefix(int style);
  int GetPrefix() const { return mPrefix; }
  // "%1d: " etc. for the prefix style, "" for none.
  const char* GetPrefixFormat() const;

  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }

  int GetNItems() const { return mMenuItems.GetSize(); }

  // Takes ownership of item and inserts it: -1 appends, other negative
  // indices insert at 0, an index above the count appends. Returns the item,
  // or null when the list could not grow (the item is then deleted).
  IPopupMenuItem* InsertItem(IPopupMenuItem* item, int index = -1);
  IPopupMenuItem* AddItem(const char* text, int index = -1, int flags = IPopupMenuItem::kNoFlags);
  IPopupMenuItem* AddItem(const char* text, int index, IPopupMenu* submenu);
  IPopupMenuItem* AddItem(const char* text, IPopupMenu* submenu);
  IPopupMenuItem* AddSeparator(int index = -1);

  // Null outside the list.
  IPopupMenuItem* GetItem(int index) const { return mMenuItems.Get(index); }
  // The item's text, or "".
  const char* GetItemText(int index) const;

  // False when there is no such item.
  bool CheckItem(int index, bool state);
  // Checks that item and unchecks every other.
  void CheckItemAlone(int index);
  bool IsItemChecked(int index) const;
  // Flag numbers 1..4 select bits 1, 2, 4, 8; a bad index or number does nothing.
  void SetItemFlag(int index, int flagNumber, bool state);

 private:
  int mPrefix = kPrefixNone;
  int mChosenItemIdx = -1;
  UTL_PtrList<IPopupMenuItem> mMenuItems{4096};
};
