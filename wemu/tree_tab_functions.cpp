#include "wemu/tree_tab_functions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "wemu/bounded_text.h"
#include "wemu/window_tree.h"

using vq::platform::Rect;

namespace {

// Set while a selection notification is on its way (its handler may select again).
bool gSendingSelChanged = false;

template <class T>
T* controlOf(HWND__* h) {
  if (!h || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(h)) return nullptr;
  return dynamic_cast<T*>(h);
}

bool isRootHandle(HTREEITEM h) {
  auto v = reinterpret_cast<uintptr_t>(h);
  return v == 0 || (v >= 0xFFFF0000u && v <= 0xFFFF0003u);
}

void notifySelection(WEMU_TreeView* tree) {
  if (gSendingSelChanged) return;
  HWND__* parent = GetParent(tree);
  if (!parent) return;
  NMTREEVIEW rec{};
  rec.hdr = NMHDR{tree, static_cast<UINT_PTR>(tree->tag()), TVN_SELCHANGED};
  HWND__::Hold hold(tree);
  gSendingSelChanged = true;
  SendMessage(parent, WM_NOTIFY, static_cast<WPARAM>(tree->tag()), reinterpret_cast<LPARAM>(&rec));
  gSendingSelChanged = false;
}

char* copyText(const char* text) {
  return text ? strdup(text) : nullptr;
}

// The rows shown: the top items and, under expanded ones, their children, in order.
void visibleRows(const std::vector<HTREEITEM__*>& list, std::vector<HTREEITEM__*>& out) {
  for (HTREEITEM__* item : list) {
    out.push_back(item);
    if (item->expanded) visibleRows(item->children, out);
  }
}

}  // namespace

// Tabs.

int TabCtrl_GetItemCount(HWND__* tab) {
  auto* t = controlOf<WEMU_TabView>(tab);
  return t ? t->tabCount() : 0;
}

int TabCtrl_InsertItem(HWND__* tab, int index, const TCITEM* item) {
  auto* t = controlOf<WEMU_TabView>(tab);
  if (!t || !item || !(item->mask & TCIF_TEXT) || !item->pszText) return -1;
  return t->insertTab(index, item->pszText);  // inserting never notifies
}

BOOL TabCtrl_DeleteItem(HWND__* tab, int index) {
  auto* t = controlOf<WEMU_TabView>(tab);
  return t && t->removeTab(index) ? TRUE : FALSE;
}

int TabCtrl_SetCurSel(HWND__* tab, int index) {
  auto* t = controlOf<WEMU_TabView>(tab);
  if (!t) return -1;
  int previous = t->selectedTab() < 0 ? 0 : t->selectedTab();
  if (index >= 0 && index < t->tabCount()) t->selectTab(index, true);
  return previous;
}

int TabCtrl_GetCurSel(HWND__* tab) {
  auto* t = controlOf<WEMU_TabView>(tab);
  if (!t) return -1;
  return t->selectedTab() < 0 ? 0 : t->selectedTab();
}

void TabCtrl_AdjustRect(HWND__* tab, BOOL larger, RECT* rect) {
  if (!controlOf<WEMU_TabView>(tab) || !rect) return;
  int s = larger ? -1 : 1;
  rect->left += 7 * s;
  rect->top += 26 * s;
  rect->right -= 7 * s;
  rect->bottom -= 3 * s;
}

// Trees.

void TreeView_SetIndent(HWND__* tree, int indent) {
  if (auto* t = controlOf<WEMU_TreeView>(tree)) {
    t->indentation = indent;
    t->markNeedsDisplay(true);
  }
}

HTREEITEM TreeView_InsertItem(HWND__* tree, const TVINSERTSTRUCT* insert) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  if (!t || !insert) return nullptr;
  HTREEITEM parent = isRootHandle(insert->hParent) ? nullptr : insert->hParent;
  if (parent && !t->containsItem(parent)) return nullptr;
  const std::vector<HTREEITEM__*>& siblings = parent ? parent->children : t->items();
  int position = -1;
  HTREEITEM after = insert->hInsertAfter;
  if (after == TVI_FIRST) {
    position = 0;
  } else if (after && after != TVI_LAST && after != TVI_SORT && after != TVI_ROOT) {
    position = 0;  // not a sibling: first
    for (size_t i = 0; i < siblings.size(); ++i)
      if (siblings[i] == after) position = static_cast<int>(i) + 1;
  }
  const TVITEM& it = insert->item;
  HTREEITEM__* item = t->insertItem(parent, position, (it.mask & TVIF_TEXT) ? it.pszText : nullptr,
                                    (it.mask & TVIF_PARAM) ? it.lParam : 0);
  if (item && (it.mask & TVIF_CHILDREN)) item->hasChildren = it.cChildren != 0;
  return item;
}

BOOL TreeView_DeleteItem(HWND__* tree, HTREEITEM item) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  return t && t->deleteItem(item) ? TRUE : FALSE;
}

BOOL TreeView_DeleteAllItems(HWND__* tree) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  if (!t) return FALSE;
  t->deleteAllItems();
  t->markNeedsDisplay(true);
  return TRUE;
}

int TreeView_Expand(HWND__* tree, HTREEITEM item, int code) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  if (!t || !t->containsItem(item)) return 0;
  bool want;
  if (code == TVE_EXPAND)
    want = true;
  else if (code == TVE_COLLAPSE)
    want = false;
  else if (code == TVE_TOGGLE)
    want = !item->expanded;
  else
    return 0;
  if (want == item->expanded || (want && !item->hasChildren)) return 0;
  item->expanded = want;
  t->markNeedsDisplay(true);
  return 1;
}

HTREEITEM TreeView_GetSelection(HWND__* tree) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  return t ? t->selectedItem() : nullptr;
}

BOOL TreeView_SelectItem(HWND__* tree, HTREEITEM item) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  if (!t || (item && !t->containsItem(item))) return FALSE;
  t->selectItem(item);
  notifySelection(t);
  return TRUE;
}

BOOL TreeView_GetItem(HWND__* tree, TVITEM* item) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  if (!t || !item || !(item->mask & TVIF_HANDLE) || !t->containsItem(item->hItem)) return FALSE;
  item->cChildren = item->hItem->hasChildren ? 1 : 0;
  item->lParam = item->hItem->param;
  if (item->mask & TVIF_TEXT)
    WEMU_CopyBounded(item->pszText, item->cchTextMax, item->hItem->text ? item->hItem->text : "");
  return TRUE;
}

BOOL TreeView_SetItem(HWND__* tree, const TVITEM* item) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  if (!t || !item || !(item->mask & TVIF_HANDLE) || !t->containsItem(item->hItem)) return FALSE;
  HTREEITEM__* it = item->hItem;
  if (item->mask & TVIF_CHILDREN) it->hasChildren = item->cChildren != 0;
  if (item->mask & TVIF_PARAM) it->param = item->lParam;
  if (item->mask & TVIF_TEXT) {
    std::free(it->text);
    it->text = copyText(item->pszText);
    t->markNeedsDisplay(true);
  }
  if ((item->stateMask & TVIS_SELECTED) && (item->state & TVIS_SELECTED)) {
    t->selectItem(it);
    notifySelection(t);
  }
  return TRUE;
}

HTREEITEM TreeView_HitTest(HWND__* tree, TVHITTESTINFO* info) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  if (!t || !info) return nullptr;
  info->hItem = nullptr;
  std::vector<HTREEITEM__*> rows;
  visibleRows(t->items(), rows);
  double pitch = t->rowHeight + 2;
  if (rows.empty() || pitch <= 0 || info->pt.x < 0 || info->pt.x >= t->frame().width ||
      info->pt.y < 0)
    return nullptr;
  size_t row = static_cast<size_t>(std::floor(info->pt.y / pitch));
  if (row < rows.size()) info->hItem = rows[row];
  return info->hItem;
}

HTREEITEM TreeView_GetRoot(HWND__* tree) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  return t && !t->items().empty() ? t->items().front() : nullptr;
}

HTREEITEM TreeView_GetChild(HWND__* tree, HTREEITEM item) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  return t ? t->child(item, 0) : nullptr;
}

HTREEITEM TreeView_GetNextSibling(HWND__* tree, HTREEITEM item) {
  auto* t = controlOf<WEMU_TreeView>(tree);
  HTREEITEM__* parent = nullptr;
  int index = 0;
  if (!t || !t->findItem(item, &parent, &index)) return nullptr;
  const std::vector<HTREEITEM__*>& list = parent ? parent->children : t->items();
  return index + 1 < static_cast<int>(list.size()) ? list[index + 1] : nullptr;
}

void TreeView_SetBkColor(HWND__* tree, COLORREF color) {
  if (auto* t = controlOf<WEMU_TreeView>(tree)) {
    t->bgColor = color & 0xFFFFFF;
    t->markNeedsDisplay(true);
  }
}

void TreeView_SetTextColor(HWND__* tree, COLORREF color) {
  if (auto* t = controlOf<WEMU_TreeView>(tree)) {
    t->fgColor = color & 0xFFFFFF;
    t->markNeedsDisplay(true);
  }
}
