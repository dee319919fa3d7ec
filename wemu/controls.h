// The simple controls of the window layer as model objects: buttons (push, check, radio,
// owner-drawn), text fields and labels, the multi-line text view, group boxes, pop-up
// buttons, combo boxes, sliders and the scroll view that wraps a document view. Each holds its
// state here; a desktop backend only mirrors it and reports user actions through the
// user-action methods, which notify the dialog as the notification table says. Main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/native_controls.h"
#include "wemu/control_notifications.h"
#include "wemu/gdi_objects.h"
#include "wemu/gdi_paint.h"
#include "wemu/window_lifetime.h"
#include "wemu/window_view.h"

enum class WEMU_TextAlignment { Natural, Left, Center, Right };

enum : UINT { WM_SETFONT = 0x30, WM_DRAWITEM = 0x2B };

// What an owner-drawn control gives its dialog with WM_DRAWITEM.
struct DRAWITEMSTRUCT {
  UINT CtlType;  // 4: a button
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND__* hwndItem;
  HDC__* hDC;
  RECT rcItem;
  UINT_PTR itemData;
};

// Owner drawing: while the control paints into `paintContext` (held in `paintSlot`, which the
// control answers as its paint context), sends its parent WM_DRAWITEM with `item` and a device
// context of the control. False when no device context could be had.
bool WEMU_SendDrawItem(HWND__* control, WPARAM id, DRAWITEMSTRUCT item, HDC__*& paintSlot,
                       HDC__* paintContext);

// Marks every enclosing window view up the superview chain with bit 1 (a child changed),
// stopping at the first that has it already.
void WEMU_MarkAncestorsDirty(vq::platform::View* from);

// Base of the controls: no window procedure of their own (SendMessage handles their messages),
// a font size, and the text the window functions read and write.
class WEMU_Control : public HWND__, public vq::platform::NativeControlClient {
 public:
  bool answersWemuMessage() const override { return false; }
  bool answersWemuCommand() const override { return false; }
  bool answersWemuTimer() const override { return false; }
  bool answersWemuSetMenu() const override { return false; }
  bool wemuCanPostMessage() const override { return false; }

  // Text as GetDlgItemText / SetDlgItemText see it; false when the control has none.
  virtual bool controlText(std::string* out) const { return false; }
  virtual bool setControlText(const std::string& text) { return false; }
  // The size the control would take to fit its content.
  virtual vq::platform::Size fittingSize() const;
  void sizeToFit();

  // Redraw requests also mark the enclosing window views (setNeedsDisplayInRect always).
  void markNeedsDisplay(bool flag);

  // Shows the control as a native widget when the backend has them (once it is in a window).
  void attachNative();
  virtual bool presentsNatively() const { return true; }
  vq::platform::NativeControlState nativeState() const override { return {}; }
  // The widget took the keyboard focus: the control becomes first responder when it takes it.
  void nativeFocused() override;

  double fontSize = 0;  // 0: the control's default font
  WEMU_TextAlignment alignment = WEMU_TextAlignment::Natural;
  bool hasTarget = false;  // sends its action to the owner view

 protected:
  explicit WEMU_Control(vq::platform::ViewKind kind = vq::platform::ViewKind::Generic);
  ~WEMU_Control() override;
  // controlText and setControlText of a control whose text is one string.
  static bool readText(const std::string& from, std::string* out) {
    *out = from;
    return true;
  }
  bool storeText(std::string& to, const std::string& text) {
    to = text;
    markNeedsDisplay(true);
    return true;
  }
  double nativeAlignment() const;

 private:
  std::unique_ptr<vq::platform::NativeControl> mNative;
};

// Width of a text in the deterministic measure of the layer (points).
double WEMU_MeasureText(const std::string& text, double fontSize);

class WEMU_Button : public WEMU_Control,
                    public WEMU_RadioButton,
                    public WEMU_ColoredControl,
                    public WEMU_PaintSource {
 public:
  enum class Type { Push, Switch, Radio, OwnerDrawn };
  WEMU_Button();

  Type type = Type::Push;
  bool allowsMixedState = false;
  int bezelStyle = 0;
  bool imageRightOfTitle = false;
  int actionGroup = 1;  // radio groups use 0, 2..7 as well
  std::string title;
  std::optional<COLORREF> textColor;

  // -1 mixed, 0 off, 1 on.
  int state() const { return mState; }
  void setState(int s);
  intptr_t userData() const { return mUserData; }
  void setUserData(intptr_t v) { mUserData = v; }
  HGDIOBJ gdiImage() const { return mImage; }
  // The image shown: a bitmap object (type 4) is shown and remembered, anything else removes it.
  void setGdiImage(HGDIOBJ image);
  bool hasImage() const { return mImage != nullptr; }

  // The user clicks it: a check box steps its state, a radio button turns on; then the
  // dialog hears of it (radio siblings switch off first).
  void performClick();
  // Owner-drawn buttons ask their dialog to draw them (WM_DRAWITEM) into the backend's paint
  // context; false when nothing was asked.
  bool drawOwnerDrawn(HDC__* paintContext);
  HDC__* wemuPaintContext() override { return mPaintContext; }

  // WEMU_RadioButton
  int radioFlags() const override { return mRadioFlags; }
  void setRadioFlags(int f) { mRadioFlags = f; }
  bool isOn() const override { return mState != 0; }
  void setOn(bool on) override { setState(on ? 1 : 0); }
  // WEMU_ColoredControl
  Kind wemuColorKind() const override { return mImage ? Kind::ImageButton : Kind::None; }
  void wemuSetTextColor(std::optional<COLORREF> c) override { textColor = c; }

  bool controlText(std::string* out) const override { return readText(title, out); }
  bool setControlText(const std::string& text) override { return storeText(title, text); }
  vq::platform::Size fittingSize() const override;
  vq::platform::NativeControlState nativeState() const override;
  void nativeClicked() override { performClick(); }

 private:
  int mState = 0;
  intptr_t mUserData = 0;
  HGDIOBJ mImage = nullptr;
  int mRadioFlags = 0;
  HDC__* mPaintContext = nullptr;
};

// Single-line text fields, secure fields and labels.
class WEMU_TextField : public WEMU_Control, public WEMU_ColoredControl {
 public:
  explicit WEMU_TextField(bool secure = false);

  bool secure;
  bool selectable = true;
  bool bordered = true;
  bool bezeled = true;
  bool drawsBackground = true;
  bool wraps = true;
  bool scrollable = false;
  std::string value;
  std::optional<COLORREF> textColor;
  double textAlpha = 1;  // a disabled label's text is half transparent

  // A label: not editable, no border, no background.
  bool isLabel() const { return !isEditable() && !bordered && !drawsBackground; }

  // Being edited: the window's first responder is the field or a view inside it.
  bool isBeingEdited() const;
  // The selection while edited (start, length); (0, 0) otherwise.
  std::pair<int, int> selection() const;
  // Selects start..end of the text; only while edited. An end before the start selects an
  // empty range at the start.
  void setSelection(int start, int end);

  // The user types: the text changes and the dialog hears 0x300; ending the edit gives 0x200.
  void userTyped(const std::string& text);
  void userEndedEditing();

  bool becomeFirstResponder() override;
  // Leaving the field ends its editing (once: Return may have ended it already).
  void resignFirstResponder() override;
  bool acceptsFirstResponder() const override {
    return isEnabled() && (isEditable() || selectable);
  }
  Kind wemuColorKind() const override { return isEditable() ? Kind::None : Kind::StaticText; }
  void wemuSetTextColor(std::optional<COLORREF> c) override { textColor = c; }
  bool controlText(std::string* out) const override { return readText(value, out); }
  bool setControlText(const std::string& text) override;
  vq::platform::Size fittingSize() const override;
  vq::platform::NativeControlState nativeState() const override;
  void nativeTextChanged(const std::string& text) override { userTyped(text); }
  void nativeEditingEnded() override { userEndedEditing(); }
  void nativeFocused() override;

 private:
  int mSelStart = 0;
  int mSelLength = 0;
  bool mEditEnded = false;
};

// The multi-line text view; it has its own message method.
class WEMU_TextView : public WEMU_Control {
 public:
  WEMU_TextView();
  bool answersWemuMessage() const override { return true; }
  LRESULT onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  std::string text;
  bool verticallyResizable = false;
  bool horizontallyResizable = false;
  std::string fontName;
  enum class Scroll { None, Start, End } lastScroll = Scroll::None;
  std::pair<int, int> selection() const { return {mSelStart, mSelLength}; }
  // Start..end limited to the text; -1 as start selects nothing at 0, -1 as end means the end.
  // An end before the start selects an empty range at the start.
  void setSelection(int64_t start, int64_t end);

  bool becomeFirstResponder() override;
  // Leaving the view ends its editing: the dialog hears 0x300 and 0x200.
  void resignFirstResponder() override;
  bool controlText(std::string* out) const override { return readText(text, out); }
  bool setControlText(const std::string& t) override;
  vq::platform::NativeControlState nativeState() const override;
  // The user's typing: the dialog hears 0x300.
  void nativeTextChanged(const std::string& t) override;
  void nativeFocused() override;

 private:
  int mSelStart = 0;
  int mSelLength = 0;
};

class WEMU_GroupBox : public WEMU_Control, public WEMU_ColoredControl {
 public:
  WEMU_GroupBox();
  std::string title;
  bool titleCentered = false;
  std::optional<COLORREF> titleColor;
  Kind wemuColorKind() const override { return Kind::StaticText; }
  void wemuSetTextColor(std::optional<COLORREF> c) override { titleColor = c; }
  bool controlText(std::string* out) const override { return readText(title, out); }
  bool setControlText(const std::string& text) override { return storeText(title, text); }
  vq::platform::NativeControlState nativeState() const override;
};

// A list of texts with a selection: the pop-up button (drop-down list) and the combo box. A list
// that keeps item values holds one beside each text.
class WEMU_ItemList : public WEMU_Control {
 public:
  int style = 0;
  int numberOfItems() const { return static_cast<int>(mItems.size()); }
  const std::string& itemText(int i) const { return mItems[i]; }
  int selectedIndex() const { return mSelected; }
  void selectItem(int index);  // out of range selects nothing
  bool keepsItemValues() const { return mKeepsValues; }
  // Each item's value holder: none when the item has no represented value.
  std::optional<int64_t> itemValue(int index) const;
  void setItemValue(int index, int64_t value);  // ignored by a list without values
  virtual void insertItem(int position, const std::string& text);
  void removeItem(int index);
  void removeAllItems();

 protected:
  WEMU_ItemList(vq::platform::ViewKind kind, bool keepsValues)
      : WEMU_Control(kind), mKeepsValues(keepsValues) {}
  // The user picks an item: when enabled and in range it becomes selected (true).
  bool userPicked(int index);
  // The native widget's state with the items and the selection.
  vq::platform::NativeControlState itemsState(vq::platform::NativeControlKind kind) const;
  std::vector<std::string> mItems;
  int mSelected = -1;

 private:
  bool mKeepsValues;
  std::vector<std::optional<int64_t>> mValues;  // one an item when mKeepsValues
};

class WEMU_PopUpButton : public WEMU_ItemList {
 public:
  WEMU_PopUpButton();
  bool hasMenu = true;
  bool autoenablesItems = true;
  bool arrowAtBottom = false;
  int bezelStyle = 0;
  void insertItem(int position, const std::string& text) override;
  // The user picks an item: it becomes selected and the dialog hears it.
  void userChose(int index);
  bool controlText(std::string* out) const override;
  bool acceptsFirstResponder() const override { return false; }
  vq::platform::NativeControlState nativeState() const override;
  void nativeChose(int index) override { userChose(index); }
};

// An editable combo box. With item values (the layer's own class) it keeps one 64-bit value
// per item; a plain one keeps texts only.
class WEMU_ComboBox : public WEMU_ItemList {
 public:
  explicit WEMU_ComboBox(bool keepsItemValues = true);
  std::string value;  // the text in the field
  int numberOfVisibleItems = 5;
  bool focusRing = true;
  void userChose(int index);
  void userTyped(const std::string& text);
  bool becomeFirstResponder() override;
  bool controlText(std::string* out) const override { return readText(value, out); }
  bool setControlText(const std::string& text) override { return storeText(value, text); }
  vq::platform::NativeControlState nativeState() const override;
  void nativeChose(int index) override { userChose(index); }
  void nativeTextChanged(const std::string& text) override { userTyped(text); }
  // A press opens the list: the dialog hears it is about to (code 7).
  void handleEvent(const vq::platform::Event& e) override;
  void nativeWillPopUp() override;
};

class WEMU_Slider : public WEMU_Control {
 public:
  WEMU_Slider();
  double minValue = 0;
  double maxValue = 1;
  bool mini = false;
  double value() const { return mValue; }
  // Kept inside the range.
  void setValue(double v);
  void setRange(double lo, double hi);
  // The user drags the knob: the dialog hears WM_HSCROLL.
  void userMoved(double v);
  vq::platform::NativeControlState nativeState() const override;
  void nativeValueChanged(double v) override { userMoved(v); }

 private:
  double mValue = 0;
};

// A scroll view around a document view (text views, list and tree views). GetDlgItem finds the
// document view through it.
class WEMU_ScrollView : public WEMU_Control {
 public:
  WEMU_ScrollView();
  vq::platform::View* documentView() const { return mDocument; }
  // The document view is not owned by the scroll view but by the layer, like every view.
  void setDocumentView(vq::platform::View* v);
  vq::platform::Size contentSize() const { return {frame().width, frame().height}; }
  bool hasVerticalScroller = false;
  bool hasHorizontalScroller = false;
  bool autohidesScrollers = false;
  bool drawsBackground = true;
  void willRemoveSubview(vq::platform::View* child) override;
  bool presentsNatively() const override { return false; }

 private:
  vq::platform::View* mDocument = nullptr;
};

// The document view of a scroll view, or the view itself.
vq::platform::View* WEMU_DocumentViewOf(vq::platform::View* v);
// The scroll view around a document view, or the view itself.
vq::platform::View* WEMU_ScrollViewOf(vq::platform::View* v);

// A new control owned by the layer and registered as a handle.
template <class T, class... Args>
T* WEMU_NewControl(Args&&... args) {
  T* c = new T(std::forward<Args>(args)...);
  c->publish();
  WEMU_Internal_Adopt(c);
  return c;
}
