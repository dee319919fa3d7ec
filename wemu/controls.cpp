#include "wemu/controls.h"

#include <algorithm>
#include <cmath>

#include "wemu/window_tree.h"

using vq::platform::Size;
using vq::platform::View;

void WEMU_MarkAncestorsDirty(View* from) {
  for (View* v = from ? from->superview() : nullptr; v; v = v->superview()) {
    auto* w = dynamic_cast<WEMU_WindowView*>(v);
    if (!w) continue;
    if (w->isDirty & 2) break;
    w->isDirty |= 2;
  }
}

namespace {

int utf8Length(const std::string& s) {
  int n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// A control taking the focus tells its dialog (code 0x100).
void reportFocus(HWND__* control) {
  if (HWND__* parent = GetParent(control))
    SendMessage(parent, WM_COMMAND, static_cast<WPARAM>(control->tag()) | (WPARAM{0x100} << 16),
                reinterpret_cast<LPARAM>(control));
}

bool inside(const View* v, const View* root) {
  for (; v; v = v->superview())
    if (v == root) return true;
  return false;
}

}  // namespace

double WEMU_MeasureText(const std::string& text, double fontSize) {
  return std::ceil(utf8Length(text) * (fontSize > 0 ? fontSize : 13) * 0.6);
}

using vq::platform::NativeControlKind;
using vq::platform::NativeControlState;

WEMU_Control::WEMU_Control(vq::platform::ViewKind kind) : HWND__(kind) {}

WEMU_Control::~WEMU_Control() {
  retire();
  mNative.reset();
}

void WEMU_Control::attachNative() {
  if (mNative || !presentsNatively() || !window()) return;
  if (vq::platform::NativeControlService* service = vq::platform::nativeControls())
    mNative = service->createNativeControl(*this, *this);
}

void WEMU_Control::nativeFocused() {
  vq::platform::Window* w = window();
  if (w && w->firstResponder() != this && acceptsFirstResponder()) w->makeFirstResponder(this);
}

double WEMU_Control::nativeAlignment() const {
  switch (alignment) {
    case WEMU_TextAlignment::Center:
      return 0.5;
    case WEMU_TextAlignment::Right:
      return 1;
    default:
      return 0;
  }
}

Size WEMU_Control::fittingSize() const {
  return {frame().width, frame().height};
}

void WEMU_Control::sizeToFit() {
  Size s = fittingSize();
  vq::platform::Rect f = frame();
  setFrame({f.x, f.y, s.width, s.height});
}

void WEMU_Control::markNeedsDisplay(bool flag) {
  setNeedsDisplay(flag);
  if (flag) WEMU_MarkAncestorsDirty(this);
  if (mNative) mNative->refresh();
}

// ---- buttons -----------------------------------------------------------------------------

WEMU_Button::WEMU_Button() : WEMU_Control(vq::platform::ViewKind::Button) {}

void WEMU_Button::setState(int s) {
  if (s != -1 && s != 0) s = 1;
  if (s == mState) return;
  mState = s;
  markNeedsDisplay(true);
}

void WEMU_Button::setGdiImage(HGDIOBJ image) {
  mImage = WEMU_IsLiveGDIObject(image, WEMU_OBJ_BITMAP) ? image : nullptr;
  markNeedsDisplay(true);
}

void WEMU_Button::performClick() {
  if (!isEnabled() || destroyState() != 0) return;
  if (type == Type::Switch) {
    // off -> on -> (mixed) -> off
    setState(mState == 0 ? 1 : (mState == 1 && allowsMixedState) ? -1 : 0);
  } else if (type == Type::Radio) {
    setState(1);
  }
  WEMU_ControlNotify(this, WEMU_ControlEvent::ButtonAction);
}

bool WEMU_Button::drawOwnerDrawn(HDC__* paintContext) {
  if (type != Type::OwnerDrawn || !paintContext) return false;
  vq::platform::Rect f = frame();
  int left = static_cast<int>(std::trunc(f.x + 0.5)), top = static_cast<int>(std::trunc(f.y + 0.5));
  DRAWITEMSTRUCT item{4,
                      static_cast<UINT>(tag()),
                      0,
                      0,
                      0,
                      this,
                      nullptr,
                      {left, top, left + static_cast<int>(std::trunc(f.width + 0.5)),
                       top + static_cast<int>(std::trunc(f.height + 0.5))},
                      0};
  return WEMU_SendDrawItem(this, static_cast<WPARAM>(tag()), item, mPaintContext, paintContext);
}

bool WEMU_SendDrawItem(HWND__* control, WPARAM id, DRAWITEMSTRUCT item, HDC__*& paintSlot,
                       HDC__* paintContext) {
  paintSlot = paintContext;
  bool asked = false;
  if (HDC ctx = GetDC(control)) {
    item.hDC = ctx;
    HWND__::Hold hold(control);
    SendMessage(GetParent(control), WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
    ReleaseDC(control, ctx);
    asked = true;
  }
  paintSlot = nullptr;
  return asked;
}

NativeControlState WEMU_Button::nativeState() const {
  NativeControlState st;
  st.kind = type == Type::Switch  ? NativeControlKind::CheckBox
            : type == Type::Radio ? NativeControlKind::RadioButton
                                  : NativeControlKind::PushButton;
  st.text = title;
  st.checkState = mState;
  st.isDefault = window() && window()->defaultButton() == this;
  return st;
}

Size WEMU_Button::fittingSize() const {
  double w = WEMU_MeasureText(title, fontSize);
  if (type == Type::Switch || type == Type::Radio) return {w + 22, 18};
  return {w + 24, std::max(18.0, std::ceil((fontSize > 0 ? fontSize : 13) * 1.25) + 6)};
}

// ---- text fields ---------------------------------------------------------------------------

WEMU_TextField::WEMU_TextField(bool isSecure)
    : WEMU_Control(vq::platform::ViewKind::TextField), secure(isSecure) {
  setEditable(true);
}

bool WEMU_TextField::isBeingEdited() const {
  vq::platform::Window* w = window();
  return w && w->firstResponder() && inside(w->firstResponder(), this);
}

std::pair<int, int> WEMU_TextField::selection() const {
  if (!isBeingEdited()) return {0, 0};
  return {mSelStart, mSelLength};
}

void WEMU_TextField::setSelection(int start, int end) {
  if (!isBeingEdited()) return;
  int n = utf8Length(value);
  start = std::clamp(start, 0, n);
  end = std::clamp(end, 0, n);
  mSelStart = start;
  mSelLength = std::max(0, end - start);
}

void WEMU_TextField::userTyped(const std::string& text) {
  if (!isEditable() || !isEnabled()) return;
  value = text;
  mSelStart = utf8Length(value);
  mSelLength = 0;
  mEditEnded = false;
  markNeedsDisplay(true);
  WEMU_ControlNotify(this, WEMU_ControlEvent::TextChanged);
}

void WEMU_TextField::userEndedEditing() {
  mEditEnded = true;
  WEMU_ControlNotify(this, WEMU_ControlEvent::EditingEnded);
}

void WEMU_TextField::resignFirstResponder() {
  if (!isEditable() || mEditEnded || destroyState() != 0) return;
  mEditEnded = true;
  WEMU_ControlNotify(this, WEMU_ControlEvent::EditingEnded);
}

bool WEMU_TextField::becomeFirstResponder() {
  mEditEnded = false;
  mSelStart = 0;
  mSelLength = utf8Length(value);  // a field taking the focus selects its text
  reportFocus(this);
  return true;
}

bool WEMU_TextField::setControlText(const std::string& text) {
  value = text;
  mSelStart = std::min(mSelStart, utf8Length(value));
  mSelLength = 0;
  markNeedsDisplay(true);
  return true;
}

NativeControlState WEMU_TextField::nativeState() const {
  NativeControlState st;
  st.kind = secure                         ? NativeControlKind::SecureField
            : (isEditable() || selectable) ? NativeControlKind::TextField
                                           : NativeControlKind::Label;
  st.text = value;
  st.editable = isEditable();
  st.alignment = nativeAlignment();
  if (textColor) st.textColor = *textColor & 0xFFFFFF;
  st.textAlpha = textAlpha;
  return st;
}

void WEMU_TextField::nativeFocused() {
  if (window() && !isBeingEdited()) window()->makeFirstResponder(this);
}

Size WEMU_TextField::fittingSize() const {
  double size = fontSize > 0 ? fontSize : 13;
  return {WEMU_MeasureText(value, size) + 4, std::ceil(size * 1.25) + 4};
}

// ---- text view -----------------------------------------------------------------------------

WEMU_TextView::WEMU_TextView() : WEMU_Control(vq::platform::ViewKind::TextView) {
  setEditable(true);
}

void WEMU_TextView::setSelection(int64_t start, int64_t end) {
  int64_t n = utf8Length(text);
  if (start == -1) {
    start = 0;
    end = 0;
  }
  if (end == -1) end = n;
  start = std::clamp<int64_t>(start, 0, n);
  end = std::clamp<int64_t>(end, 0, n);
  mSelStart = static_cast<int>(start);
  mSelLength = static_cast<int>(std::max<int64_t>(0, end - start));
}

LRESULT WEMU_TextView::onWemuMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFONT: {
      auto* font = reinterpret_cast<HGDIOBJ>(wParam);
      if (WEMU_IsLiveGDIObject(font, WEMU_OBJ_FONT) && font->font) {
        fontName = font->font->postScriptName();
        fontSize = font->font->size();
      }
      break;
    }
    case 0xF0B0:
      if (wParam) *reinterpret_cast<int*>(wParam) = mSelStart;
      if (lParam) *reinterpret_cast<int*>(lParam) = mSelStart + mSelLength;
      break;
    case 0xF0B1:
      setSelection(static_cast<int64_t>(wParam) == -1 ? -1 : static_cast<int>(wParam),
                   lParam == -1 ? -1 : static_cast<int>(lParam));
      break;
    case 0xF0B5:
      if (wParam == 6) lastScroll = Scroll::Start;
      if (wParam == 7) lastScroll = Scroll::End;
      break;
    default:
      break;
  }
  return 0;
}

bool WEMU_TextView::becomeFirstResponder() {
  reportFocus(this);
  return true;
}

NativeControlState WEMU_TextView::nativeState() const {
  NativeControlState st;
  st.kind = NativeControlKind::TextView;
  st.text = text;
  st.editable = isEditable();
  return st;
}

void WEMU_TextView::nativeTextChanged(const std::string& t) {
  if (!isEditable() || !isEnabled()) return;
  text = t;
  setSelection(utf8Length(text), utf8Length(text));
  WEMU_ControlNotify(this, WEMU_ControlEvent::TextChanged);
}

void WEMU_TextView::resignFirstResponder() {
  if (isEditable() && destroyState() == 0)
    WEMU_ControlNotify(this, WEMU_ControlEvent::TextViewEditingEnded);
}

void WEMU_TextView::nativeFocused() {
  if (window() && window()->firstResponder() != this) window()->makeFirstResponder(this);
}

bool WEMU_TextView::setControlText(const std::string& t) {
  text = t;
  setSelection(mSelStart, mSelStart);
  markNeedsDisplay(true);
  return true;
}

// ---- group box -----------------------------------------------------------------------------

WEMU_GroupBox::WEMU_GroupBox() = default;

NativeControlState WEMU_GroupBox::nativeState() const {
  NativeControlState st;
  st.kind = NativeControlKind::GroupBox;
  st.text = title;
  st.alignment = titleCentered ? 0.5 : 0;
  return st;
}

// ---- item lists ----------------------------------------------------------------------------

void WEMU_ItemList::selectItem(int index) {
  mSelected = index >= 0 && index < numberOfItems() ? index : -1;
  markNeedsDisplay(true);
}

bool WEMU_ItemList::userPicked(int index) {
  if (!isEnabled() || index < 0 || index >= numberOfItems()) return false;
  selectItem(index);
  return true;
}

NativeControlState WEMU_ItemList::itemsState(NativeControlKind kind) const {
  NativeControlState st;
  st.kind = kind;
  st.items = mItems;
  st.selected = mSelected;
  return st;
}

std::optional<int64_t> WEMU_ItemList::itemValue(int index) const {
  if (!mKeepsValues || index < 0 || index >= numberOfItems()) return std::nullopt;
  return mValues[index];
}

void WEMU_ItemList::setItemValue(int index, int64_t value) {
  if (mKeepsValues && index >= 0 && index < numberOfItems()) mValues[index] = value;
}

void WEMU_ItemList::insertItem(int position, const std::string& text) {
  position = std::clamp(position, 0, numberOfItems());
  if (mKeepsValues) mValues.insert(mValues.begin() + position, std::nullopt);
  mItems.insert(mItems.begin() + position, text);
  if (mSelected >= position) ++mSelected;
  markNeedsDisplay(true);
}

void WEMU_ItemList::removeItem(int index) {
  if (index < 0 || index >= numberOfItems()) return;
  if (mKeepsValues) mValues.erase(mValues.begin() + index);
  mItems.erase(mItems.begin() + index);
  if (mSelected == index) {
    mSelected = -1;
  } else if (mSelected > index) {
    --mSelected;
  }
  markNeedsDisplay(true);
}

void WEMU_ItemList::removeAllItems() {
  mValues.clear();
  mItems.clear();
  mSelected = -1;
  markNeedsDisplay(true);
}

WEMU_PopUpButton::WEMU_PopUpButton() : WEMU_ItemList(vq::platform::ViewKind::Button, true) {}

void WEMU_PopUpButton::insertItem(int position, const std::string& text) {
  WEMU_ItemList::insertItem(position, text);
  // A pop-up shows an item whenever it has one.
  if (mSelected < 0) mSelected = 0;
}

void WEMU_PopUpButton::userChose(int index) {
  if (userPicked(index)) WEMU_ControlNotify(this, WEMU_ControlEvent::PopUpAction);
}

NativeControlState WEMU_PopUpButton::nativeState() const {
  return itemsState(NativeControlKind::PopUp);
}

bool WEMU_PopUpButton::controlText(std::string* out) const {
  *out = mSelected >= 0 ? mItems[mSelected] : std::string();
  return true;
}

WEMU_ComboBox::WEMU_ComboBox(bool keepsItemValues)
    : WEMU_ItemList(vq::platform::ViewKind::TextField, keepsItemValues) {
  setEditable(true);
}

void WEMU_ComboBox::userChose(int index) {
  if (!userPicked(index)) return;
  value = mItems[index];
  WEMU_ControlNotify(this, WEMU_ControlEvent::ComboSelectionChanged);
}

void WEMU_ComboBox::userTyped(const std::string& text) {
  if (!isEnabled() || !isEditable()) return;
  value = text;
  markNeedsDisplay(true);
  WEMU_ControlNotify(this, WEMU_ControlEvent::ComboTextChanged);
}

NativeControlState WEMU_ComboBox::nativeState() const {
  NativeControlState st = itemsState(NativeControlKind::ComboBox);
  st.text = value;
  st.editable = isEditable();
  return st;
}

void WEMU_ComboBox::handleEvent(const vq::platform::Event& e) {
  if (e.type == vq::platform::EventType::LeftMouseDown) nativeWillPopUp();
}

void WEMU_ComboBox::nativeWillPopUp() {
  if (isEnabled()) WEMU_ControlNotify(this, WEMU_ControlEvent::ComboWillPopUp);
}

bool WEMU_ComboBox::becomeFirstResponder() {
  reportFocus(this);
  return true;
}

// ---- slider --------------------------------------------------------------------------------

WEMU_Slider::WEMU_Slider() : WEMU_Control(vq::platform::ViewKind::Button) {}

void WEMU_Slider::setValue(double v) {
  mValue = std::clamp(v, std::min(minValue, maxValue), std::max(minValue, maxValue));
  markNeedsDisplay(true);
}

void WEMU_Slider::setRange(double lo, double hi) {
  minValue = lo;
  maxValue = hi;
  setValue(mValue);
}

NativeControlState WEMU_Slider::nativeState() const {
  NativeControlState st;
  st.kind = NativeControlKind::Slider;
  st.value = mValue;
  st.minValue = minValue;
  st.maxValue = maxValue;
  return st;
}

void WEMU_Slider::userMoved(double v) {
  if (!isEnabled()) return;
  setValue(v);
  WEMU_ControlNotify(this, WEMU_ControlEvent::SliderAction);
}

// ---- scroll view ---------------------------------------------------------------------------

WEMU_ScrollView::WEMU_ScrollView() = default;

void WEMU_ScrollView::setDocumentView(View* v) {
  if (mDocument == v) return;
  if (mDocument) mDocument->removeFromSuperview();
  mDocument = v;
  if (v) addSubview(v);
}

void WEMU_ScrollView::willRemoveSubview(View* child) {
  if (child == mDocument) mDocument = nullptr;
}

View* WEMU_DocumentViewOf(View* v) {
  auto* s = dynamic_cast<WEMU_ScrollView*>(v);
  return s && s->documentView() ? s->documentView() : v;
}

View* WEMU_ScrollViewOf(View* v) {
  if (v && dynamic_cast<WEMU_ScrollView*>(v->superview()) &&
      static_cast<WEMU_ScrollView*>(v->superview())->documentView() == v)
    return v->superview();
  return v;
}
