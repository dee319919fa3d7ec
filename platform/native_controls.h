// Native widgets for the window layer's controls. The layer keeps each control's state in
// its own object (the client); a desktop backend may show it as the toolkit's widget of that
// kind and report what the user does back through the client. Without such a backend nothing
// is shown. Main thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/image.h"

namespace vq::platform {

class View;

enum class NativeControlKind {
  PushButton,
  CheckBox,
  RadioButton,
  Label,
  GroupBox,
  PopUp,
  ComboBox,
  TextField,
  SecureField,
  TextView,
  Slider,
  ProgressBar,
  Tabs,
  List,  // rows of texts in columns
  Tree,  // items in levels that open and close
};

// An item of a tree as shown: items in order, each after its parent, with its depth.
struct NativeTreeItem {
  int depth = 0;
  std::string text;
  bool expanded = false;
  bool operator==(const NativeTreeItem&) const = default;
};

// What the widget shows.
struct NativeControlState {
  NativeControlKind kind = NativeControlKind::Label;
  std::string text;                // title, label or field text
  std::vector<std::string> items;  // list items or tab labels
  int selected = -1;               // selected item or tab
  int checkState = 0;              // -1 mixed, 0 off, 1 on
  double value = 0, minValue = 0, maxValue = 1;
  bool editable = false;
  bool isDefault = false;  // the window's default button
  double alignment = 0;    // 0 left, 0.5 centre, 1 right
  // Lists: column titles (none shown when all are empty), rows of cell texts, selected rows.
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
  std::vector<int> selectedRows;
  bool multipleSelection = false;
  // Lists: each row's image per shown column (an empty image for none), each shown column's
  // sort arrow (1 up, -1 down, 0 none).
  std::vector<std::vector<Image>> cellImages;
  std::vector<int> sortArrows;
  // Lists and trees: the text colour (0xRRGGBB) of selected rows while the control has the
  // focus, and while it has not; none keeps the desktop's.
  std::array<std::optional<uint32_t>, 2> selectedTextColor;
  // Trees: the items, and the selected one's index (-1 none) in `selected`.
  std::vector<NativeTreeItem> treeItems;
  // Labels: the text colour (0xRRGGBB; none keeps the desktop's) and its opacity.
  std::optional<uint32_t> textColor;
  double textAlpha = 1;
  bool operator==(const NativeControlState&) const = default;
};

class NativeControlClient {
 public:
  virtual ~NativeControlClient() = default;
  virtual NativeControlState nativeState() const = 0;
  // The user's actions.
  virtual void nativeClicked() {}
  virtual void nativeChose(int index) {}
  virtual void nativeTextChanged(const std::string& text) {}
  virtual void nativeEditingEnded() {}
  virtual void nativeValueChanged(double value) {}
  virtual void nativeFocused() {}
  // Lists: the rows the user selected, in order.
  virtual void nativeSelectedRows(const std::vector<int>& rows) {}
  // Lists: a click released on a row (-1 below the rows) in a shown column, with the number
  // of clicks; a click on a column's header.
  virtual void nativeRowClicked(int row, int column, int clickCount) {}
  // Lists: a press on a row, and each move of the pointer while it is held.
  virtual void nativeRowPressed(int row, int column) {}
  virtual void nativeRowDragged() {}
  virtual void nativeHeaderClicked(int column) {}
  // A pop-up list is about to open.
  virtual void nativeWillPopUp() {}
  // Trees: the user selected an item (-1 none), opened or closed one (indexes in treeItems).
  virtual void nativeTreeSelected(int item) {}
  virtual void nativeTreeExpanded(int item, bool expanded) {}
};

class NativeControl {
 public:
  virtual ~NativeControl() = default;
  // Shows the client's state, frame, visibility and enabling again.
  virtual void refresh() = 0;
};

class NativeControlService {
 public:
  virtual ~NativeControlService() = default;
  // A widget for the view (in a window) presenting the client, or none.
  virtual std::unique_ptr<NativeControl> createNativeControl(View& view,
                                                             NativeControlClient& client) = 0;
};

// The installed backend's native controls, or none (headless).
NativeControlService* nativeControls();
// Set by a backend that shows native controls (none clears).
void setNativeControlService(NativeControlService* service);

}  // namespace vq::platform
