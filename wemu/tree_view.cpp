#include "wemu/tree_view.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "wemu/cursors.h"
#include "wemu/keys.h"
#include "wemu/top_level_windows.h"

using vq::platform::View;

HTREEITEM__::~HTREEITEM__() {
  std::free(text);
  while (!children.empty()) {
    HTREEITEM__* last = children.back();
    children.pop_back();
    delete last;
  }
}

namespace {

bool searchChildren(const std::vector<HTREEITEM__*>& list, const HTREEITEM__* item,
                    HTREEITEM__** parent, int* index) {
  for (HTREEITEM__* p : list) {
    for (size_t i = 0; i < p->children.size(); ++i) {
      if (p->children[i] == item) {
        if (parent) *parent = p;
        if (index) *index = static_cast<int>(i);
        return true;
      }
    }
    if (searchChildren(p->children, item, parent, index)) return true;
  }
  return false;
}

bool itemInside(const HTREEITEM__* root, const HTREEITEM__* item) {
  if (root == item) return true;
  for (const HTREEITEM__* c : root->children)
    if (itemInside(c, item)) return true;
  return false;
}

}  // namespace

WEMU_TreeView::WEMU_TreeView() = default;

WEMU_TreeView::~WEMU_TreeView() {
  retire();
  deleteAllItems();
}

bool WEMU_TreeView::findItem(const HTREEITEM__* item, HTREEITEM__** parent, int* index) const {
  if (!item || mItems.empty()) return false;
  for (size_t i = 0; i < mItems.size(); ++i) {
    if (mItems[i] == item) {
      if (parent) *parent = nullptr;
      if (index) *index = static_cast<int>(i);
      return true;
    }
  }
  return searchChildren(mItems, item, parent, index);
}

HTREEITEM__* WEMU_TreeView::insertItem(HTREEITEM__* parent, int position, const char* text,
                                       int64_t param) {
  if (parent && !containsItem(parent)) return nullptr;
  std::vector<HTREEITEM__*>& list = parent ? parent->children : mItems;
  auto* item = new HTREEITEM__;
  item->text = text ? strdup(text) : nullptr;
  item->param = param;
  size_t at =
      position < 0 || static_cast<size_t>(position) > list.size() ? list.size() : size_t(position);
  list.insert(list.begin() + static_cast<long>(at), item);
  if (parent) parent->hasChildren = true;
  markNeedsDisplay(true);
  return item;
}

bool WEMU_TreeView::deleteItem(HTREEITEM__* item) {
  HTREEITEM__* parent = nullptr;
  int index = 0;
  if (!findItem(item, &parent, &index)) return false;
  std::vector<HTREEITEM__*>& list = parent ? parent->children : mItems;
  list.erase(list.begin() + index);
  if (mSelected && itemInside(item, mSelected)) mSelected = nullptr;
  delete item;
  markNeedsDisplay(true);
  return true;
}

void WEMU_TreeView::deleteAllItems() {
  mSelected = nullptr;
  while (!mItems.empty()) {
    HTREEITEM__* last = mItems.back();
    mItems.pop_back();
    delete last;
  }
}

bool WEMU_TreeView::selectItem(HTREEITEM__* item) {
  if (item && !containsItem(item)) return false;
  mSelected = item;
  markNeedsDisplay(true);
  return true;
}

int WEMU_TreeView::numberOfChildren(const HTREEITEM__* item) const {
  if (!item) return static_cast<int>(mItems.size());
  return containsItem(item) ? static_cast<int>(item->children.size()) : 0;
}

bool WEMU_TreeView::isItemExpandable(const HTREEITEM__* item) const {
  if (!item) return true;
  return containsItem(item) && item->hasChildren;
}

HTREEITEM__* WEMU_TreeView::child(const HTREEITEM__* item, int index) const {
  if (item && !containsItem(item)) return nullptr;
  const std::vector<HTREEITEM__*>& list = item ? item->children : mItems;
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
  return list[index];
}

std::string WEMU_TreeView::objectValue(const HTREEITEM__* item) const {
  if (!item || !containsItem(item) || !item->text) return std::string();
  return item->text;
}

WEMU_TreeView::Highlight WEMU_TreeView::selectionHighlight(COLORREF* fill) const {
  HWND__* focus = GetFocus();
  size_t k = focus == this ? 0 : 1;
  if (selColors.size() <= 2 * k) return Highlight::Inherited;
  if (!mSelected) return Highlight::Nothing;
  if (fill) *fill = selColors[2 * k];
  return Highlight::Fill;
}

LRESULT WEMU_TreeView::notifyOwner(int32_t code) {
  HWND__* owner = nullptr;
  for (View* v = superview(); v && !owner; v = v->superview())
    if (auto* w = dynamic_cast<WEMU_WindowView*>(v)) owner = w;
  if (!owner) return 0;
  NMLISTVIEW rec{};
  rec.hdr = {this, static_cast<UINT_PTR>(tag()), code};
  HWND__::Hold hold(this);
  return SendMessage(owner, WM_NOTIFY, static_cast<WPARAM>(tag()), reinterpret_cast<LPARAM>(&rec));
}

void WEMU_TreeView::mouseDown(const vq::platform::Event& e) {
  if ((e.modifierFlags & vq::platform::kControlFlag) && WEMU_IsRightClickEmulateEnabled()) {
    mFakeRightMouse = true;
    return;
  }
  HWND__::Hold hold(this);
  notifyOwner(NM_CLICK);
  mFakeRightMouse = false;
  // Then the outline's own handling: the row under the press becomes selected.
  if (destroyState() != 0) return;
  vq::platform::Point p = convertFromWindow(e.locationInWindow);
  if (!isFlipped()) p.y = frame().height - p.y;
  userSelected(itemAtPoint(p));
}

void WEMU_TreeView::userSelected(HTREEITEM__* item) {
  if (item == mSelected || (item && !containsItem(item))) return;
  selectItem(item);
  HWND__::Hold hold(this);
  WEMU_ControlNotify(this, WEMU_ControlEvent::TreeSelectionChanged);
}

std::vector<HTREEITEM__*> WEMU_TreeView::visibleItems() const {
  std::vector<HTREEITEM__*> out;
  auto walk = [&out](const std::vector<HTREEITEM__*>& level, auto& self) -> void {
    for (HTREEITEM__* it : level) {
      out.push_back(it);
      if (it->expanded) self(it->children, self);
    }
  };
  walk(mItems, walk);
  return out;
}

HTREEITEM__* WEMU_TreeView::itemAtPoint(vq::platform::Point p) const {
  double pitch = rowHeight + 2;
  if (p.y < 0 || pitch <= 0) return nullptr;
  std::vector<HTREEITEM__*> rows = visibleItems();
  size_t row = static_cast<size_t>(p.y / pitch);
  return row < rows.size() ? rows[row] : nullptr;
}

void WEMU_TreeView::mouseUp(const vq::platform::Event& e) {
  if (mFakeRightMouse || (e.modifierFlags & vq::platform::kControlFlag)) rightMouseUp();
}

void WEMU_TreeView::rightMouseUp() {
  HWND__::Hold hold(this);
  if (notifyOwner(NM_RCLICK) == 0 && destroyState() == 0) {
    POINT pt{0, 0};
    GetCursorPos(&pt);
    HWND__* owner = nullptr;
    for (View* v = superview(); v && !owner; v = v->superview())
      if (auto* w = dynamic_cast<WEMU_WindowView*>(v)) owner = w;
    if (owner)
      SendMessage(owner, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(static_cast<HWND__*>(this)),
                  static_cast<LPARAM>((static_cast<uint32_t>(pt.y) << 16) |
                                      (static_cast<uint32_t>(pt.x) & 0xFFFF)));
  }
  mFakeRightMouse = false;
}

void WEMU_TreeView::handleEvent(const vq::platform::Event& e) {
  using vq::platform::EventType;
  switch (e.type) {
    case EventType::LeftMouseDown:
      mouseDown(e);
      break;
    case EventType::LeftMouseUp:
      mouseUp(e);
      break;
    case EventType::RightMouseUp:
      rightMouseUp();
      break;
    default:
      break;
  }
}

std::vector<HTREEITEM__*> WEMU_TreeView::allItems() const {
  std::vector<HTREEITEM__*> out;
  auto walk = [&out](const std::vector<HTREEITEM__*>& level, auto& self) -> void {
    for (HTREEITEM__* it : level) {
      out.push_back(it);
      self(it->children, self);
    }
  };
  walk(mItems, walk);
  return out;
}

vq::platform::NativeControlState WEMU_TreeView::nativeState() const {
  vq::platform::NativeControlState s;
  s.kind = vq::platform::NativeControlKind::Tree;
  auto walk = [&](const std::vector<HTREEITEM__*>& level, int depth, auto& self) -> void {
    for (HTREEITEM__* it : level) {
      if (it == mSelected) s.selected = static_cast<int>(s.treeItems.size());
      s.treeItems.push_back({depth, it->text ? it->text : "", it->expanded});
      self(it->children, depth + 1, self);
    }
  };
  walk(mItems, 0, walk);
  for (size_t k = 0; k < 2; ++k)
    if (2 * k + 1 < selColors.size()) s.selectedTextColor[k] = selColors[2 * k + 1] & 0xFFFFFF;
  return s;
}

void WEMU_TreeView::nativeTreeSelected(int index) {
  std::vector<HTREEITEM__*> all = allItems();
  userSelected(index >= 0 && index < static_cast<int>(all.size()) ? all[index] : nullptr);
}

void WEMU_TreeView::nativeTreeExpanded(int index, bool expanded) {
  std::vector<HTREEITEM__*> all = allItems();
  if (index >= 0 && index < static_cast<int>(all.size())) all[index]->expanded = expanded;
}

bool WEMU_ListViewCellHighlights(View* controlView) {
  auto* colored = dynamic_cast<WEMU_SelectionColored*>(controlView);
  return !(colored && colored->hasSelectionColors());
}

WEMU_StatusCellLayout WEMU_LayoutStatusCell(vq::platform::Rect frame, bool hasImage) {
  WEMU_StatusCellLayout out;
  if (hasImage)
    out.image = {frame.x, frame.y, std::trunc(std::min(frame.width, frame.height)), frame.height};
  out.text = {frame.x + frame.height + 2, frame.y, frame.width - (frame.height + 2), frame.height};
  return out;
}
