// The tree view control and its item records. Items are owned by the tree (a child by its
// parent item); the handles callers hold are checked against the tree before use, so a
// deleted item is refused, never read. Clicks tell the owner WM_NOTIFY (-2 click, -5 right
// click, then WM_CONTEXTMENU when the right click is not taken). Main thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "wemu/controls.h"

constexpr int32_t NM_CLICK = -2;
constexpr int32_t NM_RCLICK = -5;

struct HTREEITEM__ {
  bool hasChildren = false;
  char* text = nullptr;  // malloc'ed, or none
  std::vector<HTREEITEM__*> children;
  int64_t param = 0;
  bool expanded = false;
  ~HTREEITEM__();  // frees the text and the children, last first
};
typedef HTREEITEM__* HTREEITEM;

// A view whose rows may carry their own selection colours (then cells paint no highlight).
class WEMU_SelectionColored {
 public:
  virtual ~WEMU_SelectionColored() = default;
  virtual bool hasSelectionColors() const = 0;
};

class WEMU_TreeView : public WEMU_Control, public WEMU_SelectionColored {
 public:
  WEMU_TreeView();
  ~WEMU_TreeView() override;

  int style = 0;
  double columnWidth = 0;  // the one outline column
  std::optional<COLORREF> fgColor;
  std::optional<COLORREF> bgColor;
  int indentation = 16;   // per level
  double rowHeight = 17;  // rows are this plus 2 apart
  // Pairs (selection background, selection text): the first while focused, the second else.
  std::vector<COLORREF> selColors;
  bool fakeRightMouse() const { return mFakeRightMouse; }

  const std::vector<HTREEITEM__*>& items() const { return mItems; }
  // Where the item sits: its parent (none at the top) and index. False for an item that is
  // not in the tree (deleted, or another tree's); the item is only compared, never read.
  bool findItem(const HTREEITEM__* item, HTREEITEM__** parent, int* index) const;
  bool containsItem(const HTREEITEM__* item) const { return findItem(item, nullptr, nullptr); }

  // A new item under the parent (none: the top) at the position (limited to the children;
  // -1 appends). None when the parent is not in the tree.
  HTREEITEM__* insertItem(HTREEITEM__* parent, int position, const char* text, int64_t param);
  // Deletes the item with its subtree; false when it is not in the tree.
  bool deleteItem(HTREEITEM__* item);
  void deleteAllItems();
  HTREEITEM__* selectedItem() const { return mSelected; }
  bool selectItem(HTREEITEM__* item);  // none clears
  // The user selects a row (none clears): the dialog hears -402 when the selection changed.
  void userSelected(HTREEITEM__* item);
  // Shown rows top-down: the top items and the children of expanded ones.
  std::vector<HTREEITEM__*> visibleItems() const;
  // The item of the row at a point of the view (y down from the top), or none.
  HTREEITEM__* itemAtPoint(vq::platform::Point p) const;

  // The outline's data source (none stands for the root).
  int numberOfChildren(const HTREEITEM__* item) const;
  bool isItemExpandable(const HTREEITEM__* item) const;
  HTREEITEM__* child(const HTREEITEM__* item, int index) const;
  std::string objectValue(const HTREEITEM__* item) const;

  // Highlight of the selected row: the colour to fill it with, none to draw nothing, or the
  // inherited highlight.
  enum class Highlight { Inherited, Nothing, Fill };
  Highlight selectionHighlight(COLORREF* fill) const;
  bool hasSelectionColors() const override { return !selColors.empty(); }
  // The desktop shows the items in a tree widget, which reports selection, opening and
  // closing.
  vq::platform::NativeControlState nativeState() const override;
  void nativeTreeSelected(int index) override;
  void nativeTreeExpanded(int index, bool expanded) override;
  // A press on the widget: the owner hears the click before the selection changes.
  void nativeRowClicked(int, int, int) override { notifyOwner(NM_CLICK); }
  // Every item in order, each after its parent (what nativeState lists).
  std::vector<HTREEITEM__*> allItems() const;

  // Mouse presses and releases (Control+click may count as a right click).
  void handleEvent(const vq::platform::Event& e) override;

 private:
  void mouseDown(const vq::platform::Event& e);
  void mouseUp(const vq::platform::Event& e);
  void rightMouseUp();
  LRESULT notifyOwner(int32_t code);
  bool mFakeRightMouse = false;
  std::vector<HTREEITEM__*> mItems;
  HTREEITEM__* mSelected = nullptr;
};

// Cells of list and tree views: no highlight colour inside a view that paints its own
// selection colours.
bool WEMU_ListViewCellHighlights(vq::platform::View* controlView);

// The status cell: an optional image at the frame's origin, square by the smaller side and as
// high as the frame, and the text beside it, moved right by the height plus 2.
struct WEMU_StatusCellLayout {
  vq::platform::Rect image;  // empty without an image
  vq::platform::Rect text;
};
WEMU_StatusCellLayout WEMU_LayoutStatusCell(vq::platform::Rect frame, bool hasImage);
