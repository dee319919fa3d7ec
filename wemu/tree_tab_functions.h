// The tab-control and tree-view functions over the tab and tree classes. Item handles are
// checked against the tree before use, so a deleted or foreign item is refused. Other handles
// answer 0, -1 or false. Main thread.
#pragma once

#include "wemu/tab_view.h"
#include "wemu/tree_view.h"

struct TCITEM {
  UINT mask;
  DWORD dwState;
  DWORD dwStateMask;
  char* pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
};
enum : UINT { TCIF_TEXT = 0x1 };

int TabCtrl_GetItemCount(HWND__* tab);
int TabCtrl_InsertItem(HWND__* tab, int index, const TCITEM* item);
BOOL TabCtrl_DeleteItem(HWND__* tab, int index);
int TabCtrl_SetCurSel(HWND__* tab, int index);
int TabCtrl_GetCurSel(HWND__* tab);
// Window to display area (larger false) or the other way round.
void TabCtrl_AdjustRect(HWND__* tab, BOOL larger, RECT* rect);

struct TVITEM {
  UINT mask;
  HTREEITEM hItem;
  UINT state;
  UINT stateMask;
  char* pszText;
  int cchTextMax;
  int iImage;
  int iSelectedImage;
  int cChildren;
  LPARAM lParam;
};
struct TVINSERTSTRUCT {
  HTREEITEM hParent;
  HTREEITEM hInsertAfter;
  TVITEM item;
};
struct TVHITTESTINFO {
  POINT pt;
  UINT flags;
  HTREEITEM hItem;
};
enum : UINT {
  TVIF_TEXT = 0x1,
  TVIF_PARAM = 0x4,
  TVIF_STATE = 0x8,
  TVIF_HANDLE = 0x10,
  TVIF_CHILDREN = 0x40
};
enum : UINT { TVIS_SELECTED = 0x2 };
enum : int { TVE_COLLAPSE = 1, TVE_EXPAND = 2, TVE_TOGGLE = 3 };
#define TVI_ROOT (reinterpret_cast<HTREEITEM>(uintptr_t{0xFFFF0000}))
#define TVI_FIRST (reinterpret_cast<HTREEITEM>(uintptr_t{0xFFFF0001}))
#define TVI_LAST (reinterpret_cast<HTREEITEM>(uintptr_t{0xFFFF0002}))
#define TVI_SORT (reinterpret_cast<HTREEITEM>(uintptr_t{0xFFFF0003}))
constexpr int32_t TVN_SELCHANGED = -402;

void TreeView_SetIndent(HWND__* tree, int indent);
HTREEITEM TreeView_InsertItem(HWND__* tree, const TVINSERTSTRUCT* insert);
BOOL TreeView_DeleteItem(HWND__* tree, HTREEITEM item);
BOOL TreeView_DeleteAllItems(HWND__* tree);
int TreeView_Expand(HWND__* tree, HTREEITEM item, int code);
HTREEITEM TreeView_GetSelection(HWND__* tree);
BOOL TreeView_SelectItem(HWND__* tree, HTREEITEM item);
BOOL TreeView_GetItem(HWND__* tree, TVITEM* item);
BOOL TreeView_SetItem(HWND__* tree, const TVITEM* item);
HTREEITEM TreeView_HitTest(HWND__* tree, TVHITTESTINFO* info);
HTREEITEM TreeView_GetRoot(HWND__* tree);
HTREEITEM TreeView_GetChild(HWND__* tree, HTREEITEM item);
HTREEITEM TreeView_GetNextSibling(HWND__* tree, HTREEITEM item);
void TreeView_SetBkColor(HWND__* tree, COLORREF color);
void TreeView_SetTextColor(HWND__* tree, COLORREF color);
