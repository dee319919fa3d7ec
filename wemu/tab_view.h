// The tab control: labelled tabs with one selected; choosing another tab tells the
// notification window WM_NOTIFY with code -551. Main thread.
#pragma once

#include <string>
#include <vector>

#include "wemu/controls.h"

constexpr int32_t TCN_SELCHANGE = -551;

class WEMU_TabView : public WEMU_Control {
 public:
  WEMU_TabView();

  // The window view that hears selection changes (not owned; a stale one is ignored).
  void setNotificationWindow(HWND__* window);
  HWND__* notificationWindow() const;
  bool allowsTruncatedLabels = false;

  int tabCount() const { return static_cast<int>(mLabels.size()); }
  std::string tabLabel(int index) const;
  bool setTabLabel(int index, const std::string& label);
  // Inserts at the index (limited to 0..count); the first tab is selected without a message.
  int insertTab(int index, const std::string& label);
  bool removeTab(int index);
  void removeAllTabs();
  int selectedTab() const { return mSelected; }
  // Selects the tab; the notification window hears of a change when `notify` is set.
  bool selectTab(int index, bool notify);
  // The user clicks a tab.
  void userSelected(int index) { selectTab(index, true); }
  vq::platform::NativeControlState nativeState() const override {
    vq::platform::NativeControlState st;
    st.kind = vq::platform::NativeControlKind::Tabs;
    st.items = mLabels;
    st.selected = mSelected;
    return st;
  }
  void nativeChose(int index) override { userSelected(index); }

 private:
  void didSelect();
  std::vector<std::string> mLabels;
  int mSelected = -1;
  WEMU_WindowRef mDest;
};
