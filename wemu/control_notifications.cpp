#include "wemu/control_notifications.h"

#include "platform/platform.h"

using vq::platform::View;

namespace {

enum class Kind { Command, CommandTwice, Notify, HScroll, MenuPopup };

struct Row {
  WEMU_ControlEvent event;
  Kind kind;
  int code;  // WM_COMMAND code, or WM_NOTIFY code
};

constexpr Row kTable[] = {
    {WEMU_ControlEvent::ComboWillPopUp, Kind::Command, 7},
    {WEMU_ControlEvent::ComboSelectionChanged, Kind::Command, 1},
    {WEMU_ControlEvent::ComboTextChanged, Kind::Command, 5},
    {WEMU_ControlEvent::TextChanged, Kind::Command, 0x300},
    {WEMU_ControlEvent::EditingEnded, Kind::Command, 0x200},
    {WEMU_ControlEvent::TextViewEditingEnded, Kind::CommandTwice, 0x300},
    {WEMU_ControlEvent::MenuNeedsUpdate, Kind::MenuPopup, 0},
    {WEMU_ControlEvent::SliderAction, Kind::HScroll, 0},
    {WEMU_ControlEvent::PopUpAction, Kind::Command, 1},
    {WEMU_ControlEvent::ButtonAction, Kind::Command, 0},
    {WEMU_ControlEvent::ControlAction, Kind::Command, 0},
    {WEMU_ControlEvent::MenuAction, Kind::Command, 0},
    {WEMU_ControlEvent::ListBoxDoubleClick, Kind::Command, 2},
    {WEMU_ControlEvent::ListBoxSelectionChanged, Kind::Command, 1},
    {WEMU_ControlEvent::ListDoubleClick, Kind::Notify, -3},
    {WEMU_ControlEvent::OtherDoubleClick, Kind::Notify, -3},
    {WEMU_ControlEvent::ListSelectionChanged, Kind::Notify, -101},
    {WEMU_ControlEvent::ListHeaderClicked, Kind::Notify, -108},
    {WEMU_ControlEvent::TreeSelectionChanged, Kind::Notify, -402},
};

bool isDoubleClick() {
  const vq::platform::Event* e = vq::platform::services().application().currentEvent();
  return e &&
         (e->type == vq::platform::EventType::LeftMouseDown ||
          e->type == vq::platform::EventType::LeftMouseUp) &&
         e->clickCount >= 2;
}

// Switches the other radio buttons of the clicked one's group off.
void switchRadioGroup(View* clicked, WEMU_RadioButton* radio) {
  if (!(radio->radioFlags() & 1) || !clicked->superview()) return;
  const std::vector<View*> sibs = clicked->superview()->subviews();
  size_t at = 0;
  while (at < sibs.size() && sibs[at] != clicked) ++at;
  if (!(radio->radioFlags() & 2)) {
    for (size_t i = at; i-- > 0;) {
      auto* b = dynamic_cast<WEMU_RadioButton*>(sibs[i]);
      if (!b) break;
      if ((b->radioFlags() & 1) && b->isOn()) b->setOn(false);
      if (b->radioFlags() & 2) break;
    }
  }
  for (size_t i = at + 1; i < sibs.size(); ++i) {
    auto* b = dynamic_cast<WEMU_RadioButton*>(sibs[i]);
    if (!b || (b->radioFlags() & 2)) break;
    if ((b->radioFlags() & 1) && b->isOn()) b->setOn(false);
  }
}

}  // namespace

LRESULT WEMU_ControlNotify(HWND__* control, WEMU_ControlEvent event,
                           const WEMU_ControlEventInfo& info) {
  if (!control || !WEMU_OnWindowThread() || !WEMU_IsLiveWindow(control)) return 0;
  WEMU_WindowView* dialog = nullptr;
  for (View* v = control->superview(); v && !dialog; v = v->superview())
    dialog = dynamic_cast<WEMU_WindowView*>(v);
  if (!dialog || !dialog->procedure || dialog->destroyState() != 0) return 0;
  const Row* row = nullptr;
  for (const Row& r : kTable)
    if (r.event == event) row = &r;
  if (!row) return 0;
  HWND__::Hold hold(dialog);
  WPARAM id = static_cast<WPARAM>(control->tag()) & 0xFFFF;
  auto command = [&](int code) {
    return dialog->onWemuMessage(WM_COMMAND, id | (static_cast<WPARAM>(code & 0xFFFF) << 16),
                                 reinterpret_cast<LPARAM>(control));
  };
  switch (row->kind) {
    case Kind::Command:
      if (event == WEMU_ControlEvent::ButtonAction)
        if (auto* radio = dynamic_cast<WEMU_RadioButton*>(control))
          switchRadioGroup(control, radio);
      return command(event == WEMU_ControlEvent::ControlAction && isDoubleClick() ? 1 : row->code);
    case Kind::CommandTwice:
      command(0x300);
      return dialog->destroyState() == 0 ? command(0x200) : 0;
    case Kind::HScroll:
      return dialog->onWemuMessage(WM_HSCROLL, 0, reinterpret_cast<LPARAM>(control));
    case Kind::MenuPopup:
      return dialog->onWemuMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(info.menu), 0);
    case Kind::Notify:
      break;
  }
  if (event == WEMU_ControlEvent::TreeSelectionChanged) {
    NMTREEVIEW rec{};
    rec.hdr = {control, static_cast<UINT_PTR>(control->tag()), row->code};
    return dialog->onWemuMessage(WM_NOTIFY, static_cast<WPARAM>(control->tag()),
                                 reinterpret_cast<LPARAM>(&rec));
  }
  NMLISTVIEW rec{};
  rec.hdr = {control, static_cast<UINT_PTR>(control->tag()), row->code};
  if (event == WEMU_ControlEvent::ListDoubleClick) {
    rec.iItem = info.row;
    rec.iSubItem = info.column;
    rec.lParam = info.rowParam;
  } else if (event == WEMU_ControlEvent::ListSelectionChanged) {
    rec.iItem = info.row;
  } else if (event == WEMU_ControlEvent::ListHeaderClicked) {
    rec.iItem = -1;
    rec.iSubItem = info.column;
  }
  return dialog->onWemuMessage(WM_NOTIFY, static_cast<WPARAM>(control->tag()),
                               reinterpret_cast<LPARAM>(&rec));
}
