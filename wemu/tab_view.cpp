#include "wemu/tab_view.h"

WEMU_TabView::WEMU_TabView() = default;

void WEMU_TabView::setNotificationWindow(HWND__* window) {
  mDest = WEMU_WindowRef(WEMU_IsLiveWindow(window) ? window : nullptr);
}

HWND__* WEMU_TabView::notificationWindow() const {
  return mDest.get();
}

std::string WEMU_TabView::tabLabel(int index) const {
  return index >= 0 && index < tabCount() ? mLabels[index] : std::string();
}

bool WEMU_TabView::setTabLabel(int index, const std::string& label) {
  if (index < 0 || index >= tabCount()) return false;
  mLabels[index] = label;
  markNeedsDisplay(true);
  return true;
}

int WEMU_TabView::insertTab(int index, const std::string& label) {
  if (index < 0) index = 0;
  if (index > tabCount()) index = tabCount();
  mLabels.insert(mLabels.begin() + index, label);
  if (mSelected < 0) {
    mSelected = 0;
  } else if (mSelected >= index) {
    ++mSelected;
  }
  markNeedsDisplay(true);
  return index;
}

bool WEMU_TabView::removeTab(int index) {
  if (index < 0 || index >= tabCount()) return false;
  mLabels.erase(mLabels.begin() + index);
  if (mLabels.empty()) {
    mSelected = -1;
  } else if (mSelected > index || mSelected == tabCount()) {
    --mSelected;
  }
  markNeedsDisplay(true);
  return true;
}

void WEMU_TabView::removeAllTabs() {
  mLabels.clear();
  mSelected = -1;
  markNeedsDisplay(true);
}

bool WEMU_TabView::selectTab(int index, bool notify) {
  if (index < 0 || index >= tabCount()) return false;
  bool changed = index != mSelected;
  mSelected = index;
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
