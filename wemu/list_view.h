// The list view and list box: one table model with rows of texts (or rows the owner supplies
// on demand), columns, a selection, a status image list and the mouse tracking that reports
// clicks and drags to the owner as WM_NOTIFY. The functions below take the list's handle first
// and answer 0, -1 or false for any other handle. A desktop backend mirrors the model and
// reports the user's clicks through the mouse methods. Main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "wemu/control_notifications.h"
#include "wemu/controls.h"
#include "wemu/gdi_objects.h"
#include "wemu/window_view.h"

enum : UINT { LVIF_TEXT = 0x1, LVIF_IMAGE = 0x2, LVIF_PARAM = 0x4, LVIF_STATE = 0x8 };
enum : UINT { LVIS_SELECTED = 0x1, LVIS_FOCUSED = 0x2, LVIS_STATEIMAGEMASK = 0xFF0000 };
enum : UINT { LVCF_FMT = 0x1, LVCF_WIDTH = 0x2, LVCF_TEXT = 0x4 };
enum : int { LVNI_SELECTED_AFTER = 1, LVNI_SELECTED_ROW = 2 };
enum : UINT {
  LVHT_NOWHERE = 1,
  LVHT_ONITEMICON = 2,
  LVHT_ONITEMLABEL = 4,
  LVHT_ONITEMSTATEICON = 8
};
enum : UINT { LVHT_ABOVE = 0x10, LVHT_BELOW = 0x20, LVHT_TORIGHT = 0x40, LVHT_TOLEFT = 0x80 };
enum : int { LVSIL_STATE = 1, LVSIL_SMALL = 2 };
enum : int32_t { LVN_ITEMCHANGED = -101, LVN_BEGINDRAG = -109, LVN_GETDISPINFO = -150 };
enum : UINT { HDF_SORTDOWN = 0x200, HDF_SORTUP = 0x400, HDI_FORMAT = 0x4 };
// Styles read by the list.
enum : int {
  LVS_REPORT = 0x1,
  LVS_SINGLESEL = 0x4,
  LVS_SORTASCENDING = 0x10,
  LVS_SORTDESCENDING = 0x20,
  LVS_OWNERDATA = 0x1000,
  LVS_NOCOLUMNHEADER = 0x4000,
  LVS_NOSORTHEADER = 0x8000,
  LBS_SORT = 0x2,
  LBS_OWNERDRAW = 0x10,
  LBS_EXTENDEDSEL = 0x800,
};
enum : UINT { LB_ADDSTRING = 0x180, LB_GETITEMDATA = 0x199, LB_SETITEMDATA = 0x19A };
constexpr int WEMU_LIST_MAX_SUBITEM = 31;

struct LVCOLUMN {
  UINT mask;
  int fmt;  // 0 left, 1 right, 2 centre
  int cx;
  char* pszText;
  int cchTextMax;
  int iSubItem;
};
struct LVITEM {
  UINT mask;
  int iItem;
  int iSubItem;
  UINT state;
  UINT stateMask;
  char* pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
};
struct NMLVDISPINFO {
  NMHDR hdr;
  LVITEM item;
};
struct LVHITTESTINFO {
  POINT pt;
  UINT flags;
  int iItem;
  int iSubItem;
};
struct HDITEM {
  UINT mask;
  int cxy;
  char* pszText;
  void* hbm;
  int cchTextMax;
  int fmt;
  LPARAM lParam;
};
typedef int (*PFNLVCOMPARE)(LPARAM a, LPARAM b, LPARAM sortParam);

class WEMU_ListView : public WEMU_Control, public WEMU_PaintSource {
 public:
  // A list view (or, in list-box mode, a list box) inside the parent view, owned by the layer.
  static WEMU_ListView* create(vq::platform::View* parent, int id, int style, bool listBox,
                               vq::platform::Rect frame);
  ~WEMU_ListView() override;

  struct Row {
    std::vector<std::string> texts;  // entry 0 is the item text
    LPARAM param = 0;
    int image = 0;      // state or small image index (1-based, 0 none)
    bool mark = false;  // selected, while sorting
  };
  struct Column {
    double width = 100;
    bool hidden = false;
    int align = 0;  // 0 left, 1 right, 2 centre
    std::string header;
    bool statusCell = false;
    UINT sortIndicator = 0;  // HDF_SORTUP, HDF_SORTDOWN or 0
  };
  // What a cell shows.
  struct CellValue {
    std::string text;
    HICON image = nullptr;
    bool ownerDrawn = false;  // a list-box cell the dialog draws (WM_DRAWITEM)
  };

  int style = 0;
  bool listBoxMode = false;
  double rowHeight = 17;
  vq::platform::Size intercellSpacing{3, 2};
  int gridStyle = 0;
  bool allowsColumnReordering = false;
  uint32_t fastClickMask = 0;
  std::optional<COLORREF> backgroundColor, textColor, gridColor;
  std::vector<COLORREF> selColors;

  bool ownerData() const { return !listBoxMode && (style & LVS_OWNERDATA); }
  int count() const { return ownerData() ? ownerDataCount : static_cast<int>(rows.size()); }
  int ownerDataCount = 0;
  std::vector<Row> rows;
  std::vector<Column> columns;     // creation order: index = sub-item
  std::vector<int> displayOrder;   // column index at each display position
  HIMAGELIST imageList = nullptr;  // borrowed
  int imageListType = -1;
  int reloads = 0;  // times the table reloaded (the backend redraws)

  // Selection.
  const std::set<int>& selectedRows() const { return mSelected; }
  bool isSelected(int row) const { return mSelected.count(row) != 0; }
  int selectedRow() const;  // the row selected last, -1 when none
  bool allowsMultipleSelection() const;
  void selectRow(int row, bool extend);
  void deselectRow(int row);
  void deselectAll();
  void reload() {
    ++reloads;
    markNeedsDisplay(true);
  }

  // Geometry in list coordinates (the table's, below the header; y grows down).
  double headerHeight() const;
  double rowPitch() const { return rowHeight + intercellSpacing.height; }
  vq::platform::Rect visibleRect() const;
  vq::platform::Point scrollOrigin() const { return mScroll; }
  void scrollTo(vq::platform::Point origin);
  int rowAtPoint(vq::platform::Point p) const;     // -1 outside the rows
  int columnAtPoint(vq::platform::Point p) const;  // creation index, -1 outside
  vq::platform::Rect rectOfRow(int row) const;
  vq::platform::Rect rectOfColumnAt(int position) const;  // by display position
  int columnPos(int column) const;
  int columnIdx(int position) const;
  void scrollRowToVisible(int row);
  void scrollColumnToVisible(int position);

  // The value of a cell (owner data asks the owner).
  CellValue cellValue(int row, int column);

  // Mouse, in list coordinates; `control` is whether Control is held.
  void mouseDown(vq::platform::Point p, bool control);
  void mouseDragged(vq::platform::Point cursorInTarget);
  void mouseUp(vq::platform::Point p, bool control, vq::platform::Point cursorInTarget,
               bool extendKey);
  void rightMouseUp(vq::platform::Point p, POINT screen);
  void handleEvent(const vq::platform::Event& e) override;
  // A click on a column's header (creation index, -1 for none): the owner hears -108 unless
  // the list is a list box or its headers do not sort.
  void headerClicked(int column);
  // The second click of a double click on a row (-1 for none).
  void doubleClicked(int row, int column);

  // The selection colour for the rows, or none for the ordinary highlight.
  std::optional<COLORREF> highlightColor() const;

  // List-box messages.
  LRESULT onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool answersWemuMessage() const override { return true; }
  // The desktop shows the rows in a list widget, which reports the user's selection.
  vq::platform::NativeControlState nativeState() const override;
  void nativeSelectedRows(const std::vector<int>& rows) override;
  // Clicks on the widget's rows and headers; columns count the shown ones.
  void nativeRowClicked(int row, int shownColumn, int clickCount) override;
  void nativeHeaderClicked(int shownColumn) override;
  // A press and the moves after it: the fourth move begins a drag (-109), later ones go to the
  // owner as WM_MOUSEMOVE, and the release after a drag as WM_LBUTTONUP.
  void nativeRowPressed(int row, int shownColumn) override;
  void nativeRowDragged() override;
  // Owner-drawn list boxes: the dialog draws the row's cell (list coordinates) into the
  // backend's paint context (WM_DRAWITEM); false when the list draws the row itself.
  bool drawOwnerDrawnRow(int row, vq::platform::Rect cell, HDC__* paintContext);
  HDC__* wemuPaintContext() override { return mPaintContext; }

  int insertRow(int position, Row row);
  bool deleteRow(int index);
  void deleteAllRows();
  void sortRows(PFNLVCOMPARE compare, LPARAM param);

  LPARAM rowParam(int row) const;
  HWND__* target();  // who hears of clicks: the enclosing window view
  LRESULT notify(int32_t code, int item, int subItem, vq::platform::Point p, LPARAM param);

 private:
  WEMU_ListView();
  vq::platform::Point listPoint(const vq::platform::Event& e) const;
  std::set<int> mSelected;
  int mLastSelected = -1;
  vq::platform::Point mScroll;
  // Click tracking.
  int mStartItem = -1, mStartSubItem = -1;
  int mClickMode = 0;
  int mClickCount = 1;
  bool mHeaderPress = false;
  int mMoves = 0;
  bool mFakeRight = false;
  HDC__* mPaintContext = nullptr;
  // The rows as last shown natively, taken again only after a reload or a change of count
  // (owner data asks the owner for every cell).
  mutable std::vector<std::vector<std::string>> mShownRows;
  mutable std::vector<std::vector<vq::platform::Image>> mShownImages;
  mutable int mShownReloads = -1, mShownCount = -1;
  void userSelected(const std::set<int>& before);
  int shownColumn(int index) const;  // creation index of a shown column, -1 for none
};

// The list view of a handle, or none.
WEMU_ListView* WEMU_ListViewOf(HWND__* window);

int ListView_InsertColumn(HWND__* list, int index, const LVCOLUMN* column);
BOOL ListView_SetColumn(HWND__* list, int index, const LVCOLUMN* column);
int ListView_GetColumnWidth(HWND__* list, int index);
BOOL ListView_SetColumnWidth(HWND__* list, int index, int width);
BOOL ListView_DeleteColumn(HWND__* list, int index);
int ListView_InsertItem(HWND__* list, const LVITEM* item);
BOOL ListView_DeleteItem(HWND__* list, int index);
BOOL ListView_DeleteAllItems(HWND__* list);
void ListView_SetItemCount(HWND__* list, int count);
int ListView_GetItemCount(HWND__* list);
BOOL ListView_GetItem(HWND__* list, LVITEM* item);
void ListView_GetItemText(HWND__* list, int item, int subItem, char* buffer, int size);
BOOL ListView_SetItem(HWND__* list, const LVITEM* item);
void ListView_SetItemText(HWND__* list, int item, int subItem, const char* text);
BOOL ListView_SetItemState(HWND__* list, int item, UINT state, UINT mask);
UINT ListView_GetItemState(HWND__* list, int item, UINT mask);
int ListView_GetNextItem(HWND__* list, int start, int flags);
int ListView_GetSelectedCount(HWND__* list);
int ListView_GetSelectionMark(HWND__* list);
void ListView_RedrawItems(HWND__* list, int first, int last);
void ListView_SetExtendedListViewStyleEx(HWND__* list, int mask, int style);
void WEMU_SetListViewFastClickMask(HWND__* list, uint32_t mask);
void ListView_SetImageList(HWND__* list, HIMAGELIST images, int type);
int WEMU_GetListViewHeaderHeight(HWND__* list);
BOOL ListView_GetColumnOrderArray(HWND__* list, int count, int* order);
BOOL ListView_SetColumnOrderArray(HWND__* list, int count, const int* order);
HWND__* ListView_GetHeader(HWND__* list);
int Header_GetItemCount(HWND__* header);
BOOL Header_GetItem(HWND__* header, int index, HDITEM* item);
BOOL Header_SetItem(HWND__* header, int index, const HDITEM* item);
int ListView_HitTest(HWND__* list, LVHITTESTINFO* info);
int ListView_SubItemHitTest(HWND__* list, LVHITTESTINFO* info);
void ListView_EnsureVisible(HWND__* list, int item, BOOL partialOk);
BOOL ListView_GetItemRect(HWND__* list, int item, RECT* rect, int code);
BOOL ListView_GetSubItemRect(HWND__* list, int item, int subItem, int code, RECT* rect);
int ListView_GetTopIndex(HWND__* list);
int ListView_GetCountPerPage(HWND__* list);
BOOL ListView_Scroll(HWND__* list, int dx, int dy);
BOOL ListView_SortItems(HWND__* list, PFNLVCOMPARE compare, LPARAM param);
void ListView_SetBkColor(HWND__* list, COLORREF color);
void ListView_SetTextColor(HWND__* list, COLORREF color);
void ListView_SetGridColor(HWND__* list, COLORREF color);
void ListView_SetSelColors(HWND__* list, const COLORREF* colors, int count);
void ListView_SetTextBkColor(HWND__* list, COLORREF color);
// The list's scroll position (visible origin, truncated); false for another handle.
BOOL WEMU_ListView_GetScrollPos(HWND__* list, POINT* out);
