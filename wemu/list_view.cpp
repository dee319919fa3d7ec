#include "wemu/list_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "wemu/bounded_text.h"
#include "wemu/cursors.h"
#include "wemu/gdi_paint.h"
#include "wemu/keys.h"
#include "wemu/top_level_windows.h"
#include "wemu/tree_view.h"
#include "wemu/window_geometry.h"
#include "wemu/window_lifetime.h"
#include "wemu/window_tree.h"

using vq::platform::Point;
using vq::platform::Rect;

namespace {

constexpr int32_t NM_CLICK_CODE = -2;
constexpr int32_t NM_RCLICK_CODE = -5;

// Raised while one call changes many rows, so no row reports its own change.
int gSuppressNotify = 0;
// Set while an item-changed notification is on its way (its handler may change rows again).
bool gSendingItemChanged = false;

WEMU_ListView* listOf(HWND__* h) {
  if (!h || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(h)) return nullptr;
  return dynamic_cast<WEMU_ListView*>(h);
}

bool wantsSorting(const WEMU_ListView& l) {
  return !l.listBoxMode && (l.style & (LVS_SORTASCENDING | LVS_SORTDESCENDING));
}

// Binary search by strcmp on the rows' item texts; an equal text stops at its position.
int sortedPosition(const WEMU_ListView& l, const char* text, bool descending) {
  int lo = 0, hi = static_cast<int>(l.rows.size());
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    const std::string& other = l.rows[mid].texts.empty() ? std::string() : l.rows[mid].texts[0];
    int c = std::strcmp(text, other.c_str());
    if (c == 0) return mid;
    if (descending ? c > 0 : c < 0)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

const std::string& rowText(const WEMU_ListView::Row& r, int subItem) {
  static const std::string empty;
  return subItem >= 0 && subItem < static_cast<int>(r.texts.size()) ? r.texts[subItem] : empty;
}

// Stable top-down merge: the left row wins whenever compare answers 0 or less.
void mergeSort(WEMU_ListView::Row** rows, WEMU_ListView::Row** scratch, size_t n,
               PFNLVCOMPARE compare, LPARAM param) {
  if (n < 2) return;
  size_t left = n / 2, right = n - left;
  if (n > 2) {
    mergeSort(rows, scratch, left, compare, param);
    mergeSort(rows + left, scratch, right, compare, param);
  }
  size_t i = 0, j = left, k = 0;
  while (i < left && j < n)
    scratch[k++] = compare(rows[i]->param, rows[j]->param, param) <= 0 ? rows[i++] : rows[j++];
  while (i < left) scratch[k++] = rows[i++];
  while (j < n) scratch[k++] = rows[j++];
  std::copy(scratch, scratch + n, rows);
}

RECT toRECT(Rect r) {
  return RECT{static_cast<int>(std::lround(r.x)), static_cast<int>(std::lround(r.y)),
              static_cast<int>(std::lround(r.maxX())), static_cast<int>(std::lround(r.maxY()))};
}

}  // namespace

WEMU_ListView::WEMU_ListView() {
  setFlipped(true);
}

WEMU_ListView::~WEMU_ListView() {
  retire();
}

WEMU_ListView* WEMU_ListView::create(vq::platform::View* parent, int id, int style, bool listBox,
                                     Rect frame) {
  if (!WEMU_OnWindowThread()) return nullptr;
  auto* l = new WEMU_ListView();
  l->style = style;
  l->listBoxMode = listBox;
  l->setTag(id);
  l->setFrame(frame);
  if (parent) parent->addSubview(l);
  l->publish();
  WEMU_Internal_Adopt(l);
  // Lists without report style, and list boxes, show their texts in one wide column.
  if (listBox || !(style & LVS_REPORT)) {
    LVCOLUMN column{LVCF_WIDTH, 0, static_cast<int>(std::ceil(std::max(300.0, frame.width)))};
    ListView_InsertColumn(l, 0, &column);
  }
  return l;
}

WEMU_ListView* WEMU_ListViewOf(HWND__* window) {
  return listOf(window);
}

int WEMU_ListView::selectedRow() const {
  if (mLastSelected >= 0 && isSelected(mLastSelected)) return mLastSelected;
  return mSelected.empty() ? -1 : *mSelected.rbegin();
}

bool WEMU_ListView::allowsMultipleSelection() const {
  return listBoxMode ? (style & LBS_EXTENDEDSEL) != 0 : (style & LVS_SINGLESEL) == 0;
}

void WEMU_ListView::selectRow(int row, bool extend) {
  if (row < 0 || row >= count()) return;
  if (!extend || !allowsMultipleSelection()) mSelected.clear();
  mSelected.insert(row);
  mLastSelected = row;
  markNeedsDisplay(true);
}

void WEMU_ListView::deselectRow(int row) {
  mSelected.erase(row);
  markNeedsDisplay(true);
}

void WEMU_ListView::deselectAll() {
  mSelected.clear();
  mLastSelected = -1;
  markNeedsDisplay(true);
}

double WEMU_ListView::headerHeight() const {
  return !listBoxMode && (style & LVS_REPORT) && !(style & LVS_NOCOLUMNHEADER) ? 17 : 0;
}

Rect WEMU_ListView::visibleRect() const {
  return Rect{mScroll.x, mScroll.y, frame().width, std::max(0.0, frame().height - headerHeight())};
}

void WEMU_ListView::scrollTo(Point origin) {
  double contentW = 0;
  for (const Column& c : columns)
    if (!c.hidden) contentW += c.width + intercellSpacing.width;
  double contentH = count() * rowPitch();
  Rect v = visibleRect();
  mScroll.x = std::clamp(origin.x, 0.0, std::max(0.0, contentW - v.width));
  mScroll.y = std::clamp(origin.y, 0.0, std::max(0.0, contentH - v.height));
  markNeedsDisplay(true);
}

int WEMU_ListView::rowAtPoint(Point p) const {
  if (p.y < 0 || rowPitch() <= 0) return -1;
  double r = std::floor(p.y / rowPitch());
  return r < count() ? static_cast<int>(r) : -1;
}

Rect WEMU_ListView::rectOfColumnAt(int position) const {
  double x = 0;
  for (int pos = 0; pos < static_cast<int>(displayOrder.size()); ++pos) {
    const Column& c = columns[displayOrder[pos]];
    double w = c.hidden ? 0 : c.width + intercellSpacing.width;
    if (pos == position) return Rect{x, 0, w, count() * rowPitch()};
    x += w;
  }
  return Rect{};
}

int WEMU_ListView::columnAtPoint(Point p) const {
  for (int pos = 0; pos < static_cast<int>(displayOrder.size()); ++pos) {
    Rect r = rectOfColumnAt(pos);
    if (r.width > 0 && p.x >= r.x && p.x < r.maxX()) return displayOrder[pos];
  }
  return -1;
}

Rect WEMU_ListView::rectOfRow(int row) const {
  if (row < 0 || row >= count()) return Rect{};
  double w = 0;
  for (const Column& c : columns)
    if (!c.hidden) w += c.width + intercellSpacing.width;
  return Rect{0, row * rowPitch(), std::max(w, frame().width), rowPitch()};
}

int WEMU_ListView::columnPos(int column) const {
  auto it = std::find(displayOrder.begin(), displayOrder.end(), column);
  return it == displayOrder.end() ? column : static_cast<int>(it - displayOrder.begin());
}

int WEMU_ListView::columnIdx(int position) const {
  return position >= 0 && position < static_cast<int>(displayOrder.size()) ? displayOrder[position]
                                                                           : -1;
}

namespace {

// Along one axis: the scroll position that brings [start, start + length) into the visible
// [visible, visible + visibleLength), scrolling as little as it can; none when it shows already.
std::optional<double> revealAt(double start, double length, double visible, double visibleLength) {
  if (start < visible) return start;
  if (start + length > visible + visibleLength) return start + length - visibleLength;
  return std::nullopt;
}

}  // namespace

void WEMU_ListView::scrollRowToVisible(int row) {
  Rect r = rectOfRow(row), v = visibleRect();
  if (r.height <= 0) return;
  if (auto y = revealAt(r.y, r.height, v.y, v.height)) scrollTo({mScroll.x, *y});
}

void WEMU_ListView::scrollColumnToVisible(int position) {
  Rect r = rectOfColumnAt(position), v = visibleRect();
  if (r.width <= 0) return;
  if (auto x = revealAt(r.x, r.width, v.x, v.width)) scrollTo({*x, mScroll.y});
}

HWND__* WEMU_ListView::target() {
  return GetParent(this);
}

LRESULT WEMU_ListView::notify(int32_t code, int item, int subItem, Point p, LPARAM param) {
  HWND__* t = target();
  if (!t) return 0;
  NMLISTVIEW rec{};
  rec.hdr = NMHDR{this, static_cast<UINT_PTR>(tag()), code};
  rec.iItem = item;
  rec.iSubItem = subItem;
  rec.ptAction = POINT{static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
  rec.lParam = param;
  Hold hold(this);
  return SendMessage(t, WM_NOTIFY, static_cast<WPARAM>(tag()), reinterpret_cast<LPARAM>(&rec));
}

WEMU_ListView::CellValue WEMU_ListView::cellValue(int row, int column) {
  CellValue v;
  if (row < 0 || row >= count()) return v;
  int image = 0;
  if (ownerData()) {
    char buffer[1024] = {};
    NMLVDISPINFO info{};
    info.hdr = NMHDR{this, static_cast<UINT_PTR>(tag()), LVN_GETDISPINFO};
    info.item.mask = imageListType == LVSIL_SMALL ? 0x3 : imageListType == LVSIL_STATE ? 0x9 : 0x1;
    info.item.iItem = row;
    info.item.iSubItem = column >= 0 && column < static_cast<int>(columns.size()) ? column : -1;
    info.item.iImage = -1;
    info.item.pszText = buffer;
    info.item.cchTextMax = 1023;
    if (HWND__* t = target()) {
      Hold hold(this);
      SendMessage(t, WM_NOTIFY, static_cast<WPARAM>(tag()), reinterpret_cast<LPARAM>(&info));
    }
    buffer[1023] = 0;
    // The owner may answer with a text of its own; none reads as empty.
    v.text = info.item.pszText ? info.item.pszText : "";
    if (imageListType == LVSIL_SMALL) image = info.item.iImage + 1;
    if (imageListType == LVSIL_STATE) image = static_cast<int>(info.item.state >> 16);
  } else {
    v.text = rowText(rows[row], column);
    image = rows[row].image;
  }
  if (imageListType == LVSIL_STATE || imageListType == LVSIL_SMALL)
    v.image = WEMU_ImageList_GetImage(imageList, image - 1);
  v.ownerDrawn = listBoxMode && (style & LBS_OWNERDRAW);
  return v;
}

std::optional<COLORREF> WEMU_ListView::highlightColor() const {
  size_t index = GetFocus() == this ? 0 : 2;
  if (index < selColors.size()) return selColors[index];
  return std::nullopt;
}

bool WEMU_ListView::drawOwnerDrawnRow(int row, Rect cell, HDC__* paintContext) {
  if (!listBoxMode || !(style & LBS_OWNERDRAW) || row < 0 || row >= count() || !paintContext)
    return false;
  auto round = [](double v) { return static_cast<int>(std::trunc(v + 0.5)); };
  DRAWITEMSTRUCT item{2,
                      static_cast<UINT>(tag()),
                      static_cast<UINT>(row),
                      0,
                      0,
                      this,
                      nullptr,
                      {round(cell.x), round(cell.y), round(cell.maxX()), round(cell.maxY())},
                      static_cast<UINT_PTR>(rowParam(row))};
  return WEMU_SendDrawItem(this, static_cast<WPARAM>(tag()), item, mPaintContext, paintContext);
}

// Mouse tracking.

void WEMU_ListView::mouseDown(Point p, bool control) {
  if (control && WEMU_IsRightClickEmulateEnabled()) {
    mFakeRight = true;
    mStartItem = mStartSubItem = -1;
    return;
  }
  mFakeRight = false;
  mMoves = 0;
  mStartItem = rowAtPoint(p);
  mStartSubItem = columnAtPoint(p);
  mClickMode = 0;
  if (mStartSubItem >= 0 && mStartSubItem < 32 && (fastClickMask >> mStartSubItem) & 1) {
    notify(NM_CLICK_CODE, mStartItem, mStartSubItem, p, mStartItem >= 0 ? rowParam(mStartItem) : 0);
    mClickMode = 4;
  } else if (imageList && imageListType >= 1 && p.x < rowHeight) {
    mClickMode = 1;
  }
}

void WEMU_ListView::mouseDragged(Point cursorInTarget) {
  ++mMoves;
  if (mMoves == 4 && mStartItem >= 0 && !(mClickMode & 0x3) && !listBoxMode) {
    if (!(mClickMode & 4) && !isSelected(mStartItem))
      selectRow(mStartItem, (GetAsyncKeyState(0x11) & 0x8000) != 0);
    notify(LVN_BEGINDRAG, mStartItem, mStartSubItem, Point{}, rowParam(mStartItem));
    mClickMode |= 2;
  } else if (mMoves >= 5 && !(mClickMode & 1)) {
    if (HWND__* t = target())
      SendMessage(t, WM_MOUSEMOVE, 0,
                  (static_cast<LPARAM>(static_cast<int>(cursorInTarget.y)) << 16) |
                      (static_cast<int>(cursorInTarget.x) & 0xffff));
  }
}

void WEMU_ListView::mouseUp(Point p, bool control, Point cursorInTarget, bool extendKey) {
  if (mFakeRight || (control && WEMU_IsRightClickEmulateEnabled())) {
    mFakeRight = false;
    POINT screen{0, 0};
    GetCursorPos(&screen);
    rightMouseUp(p, screen);
    return;
  }
  if (mClickMode & 1) return;
  if ((mClickMode & 4) || mMoves >= 4) {
    if (mMoves >= 4 || (mClickMode & 4))
      if (HWND__* t = target())
        SendMessage(t, 0x202, 0,
                    (static_cast<LPARAM>(static_cast<int>(cursorInTarget.y)) << 16) |
                        (static_cast<int>(cursorInTarget.x) & 0xffff));
  } else {
    // A plain click: the table's own selection handling, on mouse up only.
    if (listBoxMode && !allowsMultipleSelection()) mSelected.clear();
    std::set<int> before = mSelected;
    int row = rowAtPoint(p);
    if (row < 0)
      deselectAll();
    else if (extendKey && allowsMultipleSelection() && isSelected(row))
      deselectRow(row);
    else
      selectRow(row, extendKey);
    userSelected(before);
  }
  if (!listBoxMode && !(mClickMode & 6)) {
    int row = rowAtPoint(p);
    notify(NM_CLICK_CODE, row, columnAtPoint(p), p, row >= 0 ? rowParam(row) : 0);
  }
  if (mClickCount >= 2 && !(mClickMode & 6) && destroyState() == 0)
    doubleClicked(rowAtPoint(p), columnAtPoint(p));
}

void WEMU_ListView::headerClicked(int column) {
  if (listBoxMode || (style & LVS_NOSORTHEADER)) return;
  WEMU_ControlEventInfo info;
  info.column = column;
  Hold hold(this);
  WEMU_ControlNotify(this, WEMU_ControlEvent::ListHeaderClicked, info);
}

void WEMU_ListView::doubleClicked(int row, int column) {
  WEMU_ControlEventInfo info;
  info.row = row;
  info.column = column;
  info.rowParam = rowParam(row);
  Hold hold(this);
  WEMU_ControlNotify(
      this,
      listBoxMode ? WEMU_ControlEvent::ListBoxDoubleClick : WEMU_ControlEvent::ListDoubleClick,
      info);
}

int WEMU_ListView::shownColumn(int index) const {
  for (int c : displayOrder) {
    if (columns[c].hidden) continue;
    if (index-- == 0) return c;
  }
  return -1;
}

void WEMU_ListView::nativeRowPressed(int row, int column) {
  mStartItem = row < count() ? row : -1;
  mStartSubItem = shownColumn(column);
  mMoves = 0;
  mClickMode = 0;
}

// The pointer in the owner's coordinates.
static Point cursorIn(HWND__* target) {
  POINT p{0, 0};
  GetCursorPos(&p);
  if (target) ScreenToClient(target, &p);
  return Point{double(p.x), double(p.y)};
}

void WEMU_ListView::nativeRowDragged() {
  Hold hold(this);
  mouseDragged(cursorIn(target()));
}

void WEMU_ListView::nativeRowClicked(int row, int column, int clickCount) {
  if (row >= count()) row = -1;
  Hold hold(this);
  if (mMoves >= 4) {
    // The end of a drag, not a click.
    mMoves = 0;
    Point c = cursorIn(target());
    if (HWND__* t = target())
      SendMessage(
          t, 0x202, 0,
          (static_cast<LPARAM>(static_cast<int>(c.y)) << 16) | (static_cast<int>(c.x) & 0xffff));
    return;
  }
  if (!listBoxMode) notify(NM_CLICK_CODE, row, shownColumn(column), Point{}, rowParam(row));
  if (clickCount >= 2 && destroyState() == 0) doubleClicked(row, shownColumn(column));
}

void WEMU_ListView::nativeHeaderClicked(int column) {
  headerClicked(shownColumn(column));
}

void WEMU_ListView::userSelected(const std::set<int>& before) {
  if (mSelected == before) return;
  WEMU_ControlEventInfo info;
  info.row = selectedRow();
  Hold hold(this);
  WEMU_ControlNotify(this,
                     listBoxMode ? WEMU_ControlEvent::ListBoxSelectionChanged
                                 : WEMU_ControlEvent::ListSelectionChanged,
                     info);
}

vq::platform::NativeControlState WEMU_ListView::nativeState() const {
  vq::platform::NativeControlState s;
  s.kind = vq::platform::NativeControlKind::List;
  std::vector<int> shown;
  for (int c : displayOrder)
    if (!columns[c].hidden) shown.push_back(c);
  for (int c : shown) s.columns.push_back(headerHeight() > 0 ? columns[c].header : "");
  if (reloads != mShownReloads || count() != mShownCount) {
    auto* self = const_cast<WEMU_ListView*>(this);
    mShownRows.clear();
    mShownImages.clear();
    bool hasStatusCell = false;
    for (int c : shown) hasStatusCell = hasStatusCell || columns[c].statusCell;
    for (int r = 0; r < count(); ++r) {
      std::vector<std::string> row;
      std::vector<vq::platform::Image> images;
      for (int c : shown) {
        CellValue v = self->cellValue(r, c);
        row.push_back(v.text);
        // The row's image shows in its status cells, or else in its first column.
        bool imageHere = hasStatusCell ? columns[c].statusCell : c == shown.front();
        const vq::platform::Image* image = imageHere ? GetNSImageFromHICON(v.image) : nullptr;
        images.push_back(image ? *image : vq::platform::Image{});
      }
      mShownRows.push_back(std::move(row));
      mShownImages.push_back(std::move(images));
    }
    mShownReloads = reloads;
    mShownCount = count();
  }
  s.rows = mShownRows;
  s.cellImages = mShownImages;
  for (int c : shown)
    s.sortArrows.push_back(columns[c].sortIndicator == HDF_SORTUP     ? 1
                           : columns[c].sortIndicator == HDF_SORTDOWN ? -1
                                                                      : 0);
  // Pairs (background, text): the text of the first pair while focused, of the second else.
  for (size_t k = 0; k < 2; ++k)
    if (2 * k + 1 < selColors.size()) s.selectedTextColor[k] = selColors[2 * k + 1] & 0xFFFFFF;
  s.selectedRows.assign(mSelected.begin(), mSelected.end());
  s.multipleSelection = allowsMultipleSelection();
  return s;
}

void WEMU_ListView::nativeSelectedRows(const std::vector<int>& rows) {
  std::set<int> before = mSelected;
  mSelected.clear();
  for (int r : rows)
    if (r >= 0 && r < count()) mSelected.insert(r);
  if (!allowsMultipleSelection() && mSelected.size() > 1) mSelected = {*mSelected.begin()};
  if (!mSelected.empty()) mLastSelected = rows.empty() ? *mSelected.rbegin() : rows.back();
  userSelected(before);
}

void WEMU_ListView::rightMouseUp(Point p, POINT screen) {
  HWND__* t = target();
  if (!t) return;
  if (listBoxMode) {
    SendMessage(t, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(static_cast<HWND__*>(this)),
                (static_cast<LPARAM>(screen.y) << 16) | (screen.x & 0xffff));
    return;
  }
  int row = rowAtPoint(p);
  if (row >= 0 && !isSelected(row)) selectRow(row, false);
  notify(NM_RCLICK_CODE, row, columnAtPoint(p), p, 0);
}

Point WEMU_ListView::listPoint(const vq::platform::Event& e) const {
  Point v = convertFromWindow(e.locationInWindow);
  return Point{v.x + mScroll.x, v.y - headerHeight() + mScroll.y};
}

void WEMU_ListView::handleEvent(const vq::platform::Event& e) {
  using vq::platform::EventType;
  bool control = (e.modifierFlags & vq::platform::kControlFlag) != 0;
  auto cursor = [&] {
    POINT c = WEMU_EventPositionInView(WM_MOUSEMOVE, target(), &e);
    return Point{static_cast<double>(c.x), static_cast<double>(c.y)};
  };
  Hold hold(this);
  switch (e.type) {
    case EventType::LeftMouseDown: {
      mClickCount = e.clickCount;
      Point v = convertFromWindow(e.locationInWindow);
      mHeaderPress = v.y < headerHeight() && !(control && WEMU_IsRightClickEmulateEnabled());
      if (mHeaderPress) {
        headerClicked(columnAtPoint({v.x + mScroll.x, 0}));
      } else {
        mouseDown(listPoint(e), control);
      }
      break;
    }
    case EventType::LeftMouseDragged:
      if (!mHeaderPress) mouseDragged(cursor());
      break;
    case EventType::LeftMouseUp:
      if (mHeaderPress) break;
      mClickCount = e.clickCount;
      mouseUp(listPoint(e), control, cursor(),
              (e.modifierFlags & (vq::platform::kShiftFlag | vq::platform::kCommandFlag)) != 0);
      break;
    case EventType::RightMouseUp: {
      POINT screen{0, 0};
      GetCursorPos(&screen);
      rightMouseUp(listPoint(e), screen);
      break;
    }
    default:
      break;
  }
}

// Rows.

LPARAM WEMU_ListView::rowParam(int row) const {
  return !ownerData() && row >= 0 && row < static_cast<int>(rows.size()) ? rows[row].param : 0;
}

int WEMU_ListView::insertRow(int position, Row row) {
  position = std::clamp(position, 0, static_cast<int>(rows.size()));
  rows.insert(rows.begin() + position, std::move(row));
  std::set<int> moved;
  for (int s : mSelected) moved.insert(s >= position ? s + 1 : s);
  mSelected = std::move(moved);
  if (mLastSelected >= position) ++mLastSelected;
  reload();
  return position;
}

bool WEMU_ListView::deleteRow(int index) {
  if (index < 0 || index >= static_cast<int>(rows.size())) return false;
  std::set<int> moved;
  for (int s : mSelected)
    if (s != index) moved.insert(s > index ? s - 1 : s);
  mSelected = std::move(moved);
  if (mLastSelected == index)
    mLastSelected = -1;
  else if (mLastSelected > index)
    --mLastSelected;
  rows.erase(rows.begin() + index);
  reload();
  return true;
}

void WEMU_ListView::deleteAllRows() {
  ownerDataCount = 0;
  rows.clear();
  mSelected.clear();
  mLastSelected = -1;
  mScroll = Point{};
  reload();
}

void WEMU_ListView::sortRows(PFNLVCOMPARE compare, LPARAM param) {
  std::vector<Row*> order, scratch(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].mark = isSelected(static_cast<int>(i));
    order.push_back(&rows[i]);
  }
  mergeSort(order.data(), scratch.data(), order.size(), compare, param);
  std::vector<Row> sorted;
  sorted.reserve(rows.size());
  for (Row* r : order) sorted.push_back(std::move(*r));
  rows = std::move(sorted);
  mSelected.clear();
  mLastSelected = -1;
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].mark) selectRow(static_cast<int>(i), true);
  reload();
}

// List-box messages.

LRESULT WEMU_ListView::onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message < 0x180 || message > 0x19A) return 0;
  int index = static_cast<int>(wParam);
  bool valid = index >= 0 && index < count() && !ownerData();
  auto text = [&] { return reinterpret_cast<const char*>(lParam); };
  switch (message) {
    case 0x180:
    case 0x181: {
      int pos = static_cast<int>(std::min<uint64_t>(wParam, rows.size()));
      if (message == 0x180)
        pos = listBoxMode && (style & LBS_SORT) ? sortedPosition(*this, text() ? text() : "", false)
                                                : static_cast<int>(rows.size());
      Row r;
      r.texts.push_back(text() ? text() : "");
      return insertRow(pos, std::move(r));
    }
    case 0x182:
      ListView_DeleteItem(this, index);
      return 0;
    case 0x183: {
      char* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer) return -1;
      buffer[0] = 0;
      if (!valid) return -1;
      const std::string& t = rowText(rows[index], 0);
      std::memcpy(buffer, t.c_str(), t.size() + 1);
      return static_cast<LRESULT>(t.size());
    }
    case 0x184:
      deleteAllRows();
      return 0;
    case 0x185:
      ListView_SetItemState(this, static_cast<int>(lParam), wParam ? 1 : 0, 1);
      return 0;
    case 0x186:
      if (index >= 0 && index < count()) {
        selectRow(index, false);
        scrollRowToVisible(index);
      } else {
        deselectAll();
      }
      return 0;
    case 0x187:
      return index >= 0 && isSelected(index) ? 1 : 0;
    case 0x188:
      return selectedRow();
    case 0x18A:
      return valid
                 ? static_cast<LRESULT>(rows[index].texts.empty() ? 0 : rows[index].texts[0].size())
                 : -1;
    case 0x18B:
      return count();
    case 0x190:
      return static_cast<LRESULT>(mSelected.size());
    case LB_GETITEMDATA:
      return valid ? rows[index].param : 0;
    case LB_SETITEMDATA:
      if (valid) rows[index].param = lParam;
      return 0;
    default:
      return 0;
  }
}

// Functions.

int ListView_InsertColumn(HWND__* list, int index, const LVCOLUMN* column) {
  WEMU_ListView* l = listOf(list);
  if (!l || !column) return -1;
  WEMU_ListView::Column c;
  c.align = column->fmt == 1 || column->fmt == 2 ? column->fmt : 0;
  if (l->headerHeight() > 0 && column->pszText) c.header = column->pszText;
  int newIndex = static_cast<int>(l->columns.size());
  c.statusCell = newIndex == 0 && l->imageList && l->imageListType >= 1;
  l->columns.push_back(c);
  l->displayOrder.push_back(newIndex);
  if (column->mask & LVCF_WIDTH) ListView_SetColumnWidth(list, newIndex, column->cx);
  l->reload();
  (void)index;  // columns are appended: the index is their sub-item number
  return newIndex;
}

BOOL ListView_SetColumn(HWND__* list, int index, const LVCOLUMN* column) {
  WEMU_ListView* l = listOf(list);
  if (!l || !column || index < 0 || index >= static_cast<int>(l->columns.size())) return FALSE;
  WEMU_ListView::Column& c = l->columns[index];
  if (column->mask & LVCF_FMT) c.align = column->fmt == 1 || column->fmt == 2 ? column->fmt : 0;
  if (column->mask & LVCF_WIDTH) ListView_SetColumnWidth(list, index, column->cx);
  if ((column->mask & LVCF_TEXT) && l->headerHeight() > 0)
    c.header = column->pszText ? column->pszText : "";
  l->reload();
  return TRUE;
}

int ListView_GetColumnWidth(HWND__* list, int index) {
  WEMU_ListView* l = listOf(list);
  if (!l || index < 0 || index >= static_cast<int>(l->columns.size()) || l->columns[index].hidden)
    return 0;
  return static_cast<int>(std::floor(l->columns[index].width + 0.5));
}

BOOL ListView_SetColumnWidth(HWND__* list, int index, int width) {
  WEMU_ListView* l = listOf(list);
  if (!l || index < 0 || index >= static_cast<int>(l->columns.size())) return FALSE;
  WEMU_ListView::Column& c = l->columns[index];
  c.hidden = width == 0;
  if (width > 0) c.width = width;
  l->markNeedsDisplay(true);
  return TRUE;
}

BOOL ListView_DeleteColumn(HWND__* list, int index) {
  WEMU_ListView* l = listOf(list);
  if (!l || index < 0 || index >= static_cast<int>(l->columns.size())) return FALSE;
  l->columns.erase(l->columns.begin() + index);
  auto& order = l->displayOrder;
  order.erase(std::remove(order.begin(), order.end(), index), order.end());
  for (int& i : order)
    if (i > index) --i;
  l->reload();
  return TRUE;
}

int ListView_InsertItem(HWND__* list, const LVITEM* item) {
  WEMU_ListView* l = listOf(list);
  if (!l || !item || l->ownerData() || item->iSubItem != 0) return -1;
  int pos = std::clamp(item->iItem, 0, static_cast<int>(l->rows.size()));
  bool hasText = (item->mask & LVIF_TEXT) && item->pszText;
  if (hasText && wantsSorting(*l))
    pos = sortedPosition(*l, item->pszText, !(l->style & LVS_SORTASCENDING));
  WEMU_ListView::Row row;
  row.texts.push_back(hasText ? item->pszText : "");
  if (item->mask & LVIF_PARAM) row.param = item->lParam;
  if ((item->mask & LVIF_STATE) && (item->stateMask & 0xFFFF0000u))
    row.image = static_cast<int>(item->state >> 16);
  pos = l->insertRow(pos, std::move(row));
  if ((item->mask & LVIF_STATE) && (item->stateMask & LVIS_SELECTED) &&
      (item->state & LVIS_SELECTED))
    l->selectRow(pos, true);
  return pos;
}

BOOL ListView_DeleteItem(HWND__* list, int index) {
  WEMU_ListView* l = listOf(list);
  return l && !l->ownerData() && l->deleteRow(index) ? TRUE : FALSE;
}

BOOL ListView_DeleteAllItems(HWND__* list) {
  WEMU_ListView* l = listOf(list);
  if (!l) return FALSE;
  l->deleteAllRows();
  return TRUE;
}

void ListView_SetItemCount(HWND__* list, int count) {
  WEMU_ListView* l = listOf(list);
  if (l && l->ownerData()) {
    l->ownerDataCount = std::max(0, count);
    l->reload();
  }
}

int ListView_GetItemCount(HWND__* list) {
  WEMU_ListView* l = listOf(list);
  return l ? l->count() : 0;
}

BOOL ListView_GetItem(HWND__* list, LVITEM* item) {
  WEMU_ListView* l = listOf(list);
  if (!l || !item) return FALSE;
  WEMU_CopyBounded(item->pszText, item->cchTextMax, "");
  item->state = 0;
  int row = item->iItem;
  if (row < 0 || row >= l->count()) return FALSE;
  if (item->mask & LVIF_STATE) item->state = ListView_GetItemState(list, row, item->stateMask);
  if (l->ownerData()) return TRUE;
  const WEMU_ListView::Row& r = l->rows[row];
  if (item->mask & LVIF_PARAM) item->lParam = r.param;
  if ((item->mask & LVIF_TEXT) && item->iSubItem >= 0)
    WEMU_CopyBounded(item->pszText, item->cchTextMax, rowText(r, item->iSubItem));
  return TRUE;
}

void ListView_GetItemText(HWND__* list, int item, int subItem, char* buffer, int size) {
  LVITEM it{};
  it.mask = LVIF_TEXT;
  it.iItem = item;
  it.iSubItem = subItem;
  it.pszText = buffer;
  it.cchTextMax = size;
  ListView_GetItem(list, &it);
}

BOOL ListView_SetItem(HWND__* list, const LVITEM* item) {
  WEMU_ListView* l = listOf(list);
  if (!l || !item) return FALSE;
  bool stateChange = (item->mask & LVIF_STATE) && item->stateMask;
  if (l->ownerData())
    return stateChange ? ListView_SetItemState(list, item->iItem, item->state, item->stateMask)
                       : FALSE;
  if (item->iItem < 0 || item->iItem >= l->count()) return FALSE;
  if (item->mask & LVIF_PARAM) l->rows[item->iItem].param = item->lParam;
  if (item->mask & LVIF_TEXT)
    ListView_SetItemText(list, item->iItem, item->iSubItem, item->pszText);
  if ((item->mask & LVIF_IMAGE) && item->iImage >= 0) {
    l->rows[item->iItem].image = item->iImage + 1;
    l->reload();
  }
  if (stateChange) ListView_SetItemState(list, item->iItem, item->state, item->stateMask);
  return TRUE;
}

void ListView_SetItemText(HWND__* list, int item, int subItem, const char* text) {
  WEMU_ListView* l = listOf(list);
  if (!l || l->ownerData() || subItem < 0 || subItem > WEMU_LIST_MAX_SUBITEM || item < 0 ||
      item >= l->count())
    return;
  auto& texts = l->rows[item].texts;
  if (static_cast<int>(texts.size()) <= subItem) texts.resize(subItem + 1);
  texts[subItem] = text ? text : "";
  l->reload();
}

BOOL ListView_SetItemState(HWND__* list, int item, UINT state, UINT mask) {
  WEMU_ListView* l = listOf(list);
  if (!l) return FALSE;
  if (item == -1) {
    ++gSuppressNotify;
    for (int i = 0; i < l->count() && WEMU_IsLiveWindow(l); ++i)
      ListView_SetItemState(list, i, state, mask);
    --gSuppressNotify;
    if (WEMU_IsLiveWindow(l)) l->reload();
    return TRUE;
  }
  if (item < 0 || item >= l->count()) return FALSE;
  if ((mask & LVIS_STATEIMAGEMASK) && !l->ownerData()) {
    int image = static_cast<int>((state >> 16) & 255);
    if (l->rows[item].image != image) {
      l->rows[item].image = image;
      l->reload();
    }
  }
  bool changed = false;
  if (mask & LVIS_SELECTED) {
    bool want = (state & LVIS_SELECTED) != 0;
    if (want && !l->isSelected(item)) {
      l->selectRow(item, true);
      changed = true;
    } else if (!want && l->isSelected(item)) {
      l->deselectRow(item);
      changed = true;
    }
  }
  if (changed && gSuppressNotify == 0 && !gSendingItemChanged) {
    if (HWND__* parent = GetParent(l)) {
      NMLISTVIEW rec{};
      rec.hdr = NMHDR{l, static_cast<UINT_PTR>(l->tag()), LVN_ITEMCHANGED};
      rec.iItem = item;
      rec.uNewState = state;
      gSendingItemChanged = true;
      SendMessage(parent, WM_NOTIFY, static_cast<WPARAM>(l->tag()), reinterpret_cast<LPARAM>(&rec));
      gSendingItemChanged = false;
    }
  }
  return TRUE;
}

UINT ListView_GetItemState(HWND__* list, int item, UINT mask) {
  WEMU_ListView* l = listOf(list);
  if (!l || item < 0 || item >= l->count()) return 0;
  UINT s = 0;
  if ((mask & LVIS_STATEIMAGEMASK) && !l->ownerData())
    s |= static_cast<UINT>(l->rows[item].image) << 16;
  if ((mask & LVIS_SELECTED) && l->isSelected(item)) s |= LVIS_SELECTED;
  if ((mask & LVIS_FOCUSED) && l->selectedRow() == item) s |= LVIS_FOCUSED;
  return s;
}

int ListView_GetNextItem(HWND__* list, int start, int flags) {
  WEMU_ListView* l = listOf(list);
  if (!l) return -1;
  if (flags == LVNI_SELECTED_ROW) return l->selectedRow();
  if (flags != LVNI_SELECTED_AFTER) return -1;
  auto it = l->selectedRows().lower_bound(start < 0 ? 0 : start + 1);
  return it == l->selectedRows().end() ? -1 : *it;
}

int ListView_GetSelectedCount(HWND__* list) {
  WEMU_ListView* l = listOf(list);
  return l ? static_cast<int>(l->selectedRows().size()) : 0;
}

int ListView_GetSelectionMark(HWND__* list) {
  WEMU_ListView* l = listOf(list);
  return l ? l->selectedRow() : -1;
}

void ListView_RedrawItems(HWND__* list, int, int) {
  WEMU_ListView* l = listOf(list);
  if (l && l->count() > 0) l->reload();
}

void ListView_SetExtendedListViewStyleEx(HWND__* list, int mask, int style) {
  WEMU_ListView* l = listOf(list);
  if (!l) return;
  if (mask & 0x1) l->gridStyle = (style & 0x1) ? 3 : 0;
  if (mask & 0x10) l->allowsColumnReordering = (style & 0x10) != 0;
  l->markNeedsDisplay(true);
}

void WEMU_SetListViewFastClickMask(HWND__* list, uint32_t mask) {
  if (WEMU_ListView* l = listOf(list)) l->fastClickMask = mask;
}

void ListView_SetImageList(HWND__* list, HIMAGELIST images, int type) {
  WEMU_ListView* l = listOf(list);
  if (!l) return;
  l->imageList = images;
  l->imageListType = images ? type : -1;
  if (images && type >= 1 && !l->columns.empty()) l->columns[0].statusCell = true;
  l->reload();
}

int WEMU_GetListViewHeaderHeight(HWND__* list) {
  WEMU_ListView* l = listOf(list);
  return l ? static_cast<int>(l->headerHeight() + 0.5) : 0;
}

BOOL ListView_GetColumnOrderArray(HWND__* list, int count, int* order) {
  WEMU_ListView* l = listOf(list);
  if (!l || !order || count != static_cast<int>(l->columns.size())) return FALSE;
  for (int i = 0; i < count; ++i) order[i] = l->columnPos(i);
  return TRUE;
}

BOOL ListView_SetColumnOrderArray(HWND__* list, int count, const int* order) {
  WEMU_ListView* l = listOf(list);
  if (!l || !order || count != static_cast<int>(l->columns.size())) return FALSE;
  auto& d = l->displayOrder;
  for (int i = 0; i < count; ++i) {
    if (order[i] < 0 || order[i] >= count) continue;
    d.erase(std::find(d.begin(), d.end(), i));
    d.insert(d.begin() + order[i], i);
  }
  l->reload();
  return TRUE;
}

HWND__* ListView_GetHeader(HWND__* list) {
  return listOf(list);
}

int Header_GetItemCount(HWND__* header) {
  WEMU_ListView* l = listOf(header);
  return l ? static_cast<int>(l->columns.size()) : 0;
}

BOOL Header_GetItem(HWND__* header, int index, HDITEM* item) {
  WEMU_ListView* l = listOf(header);
  if (!l || !item || index < 0 || index >= static_cast<int>(l->columns.size())) return FALSE;
  if (item->mask & HDI_FORMAT) item->fmt |= static_cast<int>(l->columns[index].sortIndicator);
  return TRUE;
}

BOOL Header_SetItem(HWND__* header, int index, const HDITEM* item) {
  WEMU_ListView* l = listOf(header);
  if (!l || !item || index < 0 || index >= static_cast<int>(l->columns.size())) return FALSE;
  if (item->mask & HDI_FORMAT)
    l->columns[index].sortIndicator = (item->fmt & HDF_SORTUP)     ? UINT{HDF_SORTUP}
                                      : (item->fmt & HDF_SORTDOWN) ? UINT{HDF_SORTDOWN}
                                                                   : 0u;
  l->markNeedsDisplay(true);
  return TRUE;
}

int ListView_HitTest(HWND__* list, LVHITTESTINFO* info) {
  WEMU_ListView* l = listOf(list);
  if (!l || !info) return -1;
  Rect v = l->visibleRect();
  Point p{static_cast<double>(info->pt.x), static_cast<double>(info->pt.y)};
  info->flags = 0;
  if (p.x < v.x) info->flags |= LVHT_TOLEFT;
  if (p.x > v.maxX()) info->flags |= LVHT_TORIGHT;
  if (p.y < v.y) info->flags |= LVHT_ABOVE;
  if (p.y > v.maxY()) info->flags |= LVHT_BELOW;
  if (info->flags) {
    info->iItem = -1;  // outside the visible area: no item
    return -1;
  }
  info->iItem = l->rowAtPoint(p);
  if (info->iItem < 0)
    info->flags = LVHT_NOWHERE;
  else if (l->imageList && l->imageListType >= 1 && p.x - v.x < l->rowHeight)
    info->flags = LVHT_ONITEMSTATEICON;
  else
    info->flags = LVHT_ONITEMLABEL;
  return info->iItem;
}

int ListView_SubItemHitTest(HWND__* list, LVHITTESTINFO* info) {
  WEMU_ListView* l = listOf(list);
  if (!l || !info) return -1;
  int item = ListView_HitTest(list, info);
  Point p{static_cast<double>(info->pt.x),
          (info->flags & 0xF0) ? 0.0 : static_cast<double>(info->pt.y)};
  info->iSubItem = l->columnAtPoint(p);
  return item;
}

void ListView_EnsureVisible(HWND__* list, int item, BOOL) {
  WEMU_ListView* l = listOf(list);
  if (!l || l->count() == 0) return;
  l->scrollRowToVisible(std::clamp(item, 0, l->count() - 1));
}

BOOL ListView_GetSubItemRect(HWND__* list, int item, int subItem, int, RECT* rect) {
  WEMU_ListView* l = listOf(list);
  if (!l || !rect || item < 0 || item >= l->count()) return FALSE;
  Rect row = l->rectOfRow(item);
  if (subItem == -1) {
    *rect = toRECT(row);
    return TRUE;
  }
  Rect col = l->rectOfColumnAt(subItem);
  if (col.width <= 0) return FALSE;
  auto sp = l->intercellSpacing;
  *rect = toRECT(Rect{col.x + sp.width / 2, row.y + sp.height / 2, col.width - sp.width,
                      row.height - sp.height});
  return TRUE;
}

BOOL ListView_GetItemRect(HWND__* list, int item, RECT* rect, int code) {
  return ListView_GetSubItemRect(list, item, -1, code, rect);
}

int ListView_GetTopIndex(HWND__* list) {
  WEMU_ListView* l = listOf(list);
  return l ? l->rowAtPoint(Point{0, l->visibleRect().y}) : -1;
}

int ListView_GetCountPerPage(HWND__* list) {
  WEMU_ListView* l = listOf(list);
  if (!l) return 0;
  int h = static_cast<int>(l->rowHeight);
  return h > 0 ? static_cast<int>(l->visibleRect().height / h) : 0;
}

BOOL ListView_Scroll(HWND__* list, int dx, int dy) {
  WEMU_ListView* l = listOf(list);
  if (!l) return FALSE;
  Rect v = l->visibleRect();
  int h = static_cast<int>(l->rowHeight);
  if (h > 0 && l->count() > 0) {
    int top = std::max(0, l->rowAtPoint(Point{0, v.y}));
    int target = std::clamp(top + dy / h, 0, l->count() - 1);
    l->scrollRowToVisible(target);
  }
  int columns = static_cast<int>(l->displayOrder.size());
  if (columns > 0) {
    int pos = std::max(0, l->columnPos(l->columnAtPoint(Point{v.x, 0})));
    int w = static_cast<int>(l->rectOfColumnAt(pos).width);
    if (w > 0) l->scrollColumnToVisible(std::clamp(pos + dx / w, 0, columns - 1));
  }
  return TRUE;
}

BOOL ListView_SortItems(HWND__* list, PFNLVCOMPARE compare, LPARAM param) {
  WEMU_ListView* l = listOf(list);
  if (!l || !compare || l->listBoxMode || l->ownerData()) return FALSE;
  l->sortRows(compare, param);
  return TRUE;
}

void ListView_SetBkColor(HWND__* list, COLORREF color) {
  if (WEMU_ListView* l = listOf(list)) l->backgroundColor = color & 0xFFFFFF;
}

void ListView_SetTextColor(HWND__* list, COLORREF color) {
  if (WEMU_ListView* l = listOf(list)) l->textColor = color & 0xFFFFFF;
}

void ListView_SetGridColor(HWND__* list, COLORREF color) {
  if (WEMU_ListView* l = listOf(list)) l->gridColor = color & 0xFFFFFF;
}

void ListView_SetSelColors(HWND__* list, const COLORREF* colors, int count) {
  std::vector<COLORREF> c(static_cast<size_t>(std::max(0, count)), 0);  // black without colours
  if (colors)
    for (size_t i = 0; i < c.size(); ++i) c[i] = colors[i] & 0xFFFFFF;
  if (WEMU_ListView* l = listOf(list)) {
    l->selColors = std::move(c);
    l->markNeedsDisplay(true);
  } else if (list && WEMU_OnWindowThread() && WEMU_IsLiveWindow(list)) {
    if (auto* t = dynamic_cast<WEMU_TreeView*>(list)) {
      t->selColors = std::move(c);
      t->markNeedsDisplay(true);
    }
  }
}

void ListView_SetTextBkColor(HWND__*, COLORREF) {}

BOOL WEMU_ListView_GetScrollPos(HWND__* list, POINT* out) {
  WEMU_ListView* l = listOf(list);
  if (!l || !out) return FALSE;
  *out = POINT{static_cast<int>(l->scrollOrigin().x), static_cast<int>(l->scrollOrigin().y)};
  return TRUE;
}
