#include "wemu/tab_view.h"

WEMU_TabView::WEMU_TabView() = default;

void WEMU_TabView::setNotificationWindow(HWND__* window) {
  dest_ = WEMU_IsLiveWindow(window) ? window : nullptr;
  destSerial_ = dest_ ? dest_->serial() : 0;
}

HWND__* WEMU_TabView::notificationWindow() const {
  return dest_ && WEMU_IsLiveWindowSerial(dest_, destSerial_) ? dest_ : nullptr;
}

std::string WEMU_TabView::tabLabel(int index) const {
  return index >= 0 && index < tabCount() ? labels_[index] : std::string();
}

bool WEMU_TabView::setTabLabel(int index, const std::string& label) {
  if (index < 0 || index >= tabCount()) return false;
  labels_[index] = label;
  markNeedsDisplay(true);
  return true;
}

int WEMU_TabView::insertTab(int index, const std::string& label) {
  if (index < 0) index = 0;
  if (index > tabCount()) index = tabCount();
  labels_.insert(labels_.begin() + index, label);
  if (selected_ < 0) {
    selected_ = 0;
  } else if (selected_ >= index) {
    ++selected_;
  }
  markNeedsDisplay(true);
  return index;
}

bool WEMU_TabView::removeTab(int index) {
  if (index < 0 || index >= tabCount()) return false;
  labels_.erase(labels_.begin() + index);
  if (labels_.empty()) {
    selected_ = -1;
  } else if (selected_ > index || selected_ == tabCount()) {
    --selected_;
  }
  markNeedsDisplay(true);
  return true;
}

void WEMU_TabView::removeAllTabs() {
  labels_.clear();
  selected_ = -1;
  markNeedsDisplay(true);
}

bool WEMU_TabView::selectTab(int index, bool notify) {
  if (index < 0 || index >= tabCount()) return false;
  bool changed = index != selected_;
  selected_ = index;
  markNeedsDisplay(true);
  if (changed && notify) didSelect();
  return true;
}

void WEMU_TabView::didSelect() {
  HWND__* dest = notificationWindow();
  if (!dest) return;
  NMHDR hdr{this, static_cast<UINT_PTR>(tag()), TCN_SELCHANGE};
  HWND__::Hold hold(this);
  SendMessage(dest, WM_NOTIFY, static_cast<WPARAM>(tag()), reinterpret_cast<LPARAM>(&hdr));
}
