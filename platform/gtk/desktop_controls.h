// Native GTK widgets for the window layer's controls, placed in their window's content area at
// the view's frame and kept in step with the control's state; the user's actions go back to the
// control's client.
#pragma once

#include <gtk/gtk.h>

#include <vector>

#include "platform/native_controls.h"
#include "platform/run_loop.h"

namespace vq::platform {

class DesktopBackend;
class DesktopNativeControl;

class DesktopControls final : public NativeControlService {
 public:
  explicit DesktopControls(DesktopBackend& backend);
  ~DesktopControls() override;  // the widgets go; their controls stay, showing nothing
  std::unique_ptr<NativeControl> createNativeControl(View& view,
                                                     NativeControlClient& client) override;

  // The widget presenting a view, or none (tests).
  GtkWidget* widgetFor(const View& view) const;

 private:
  friend class DesktopNativeControl;
  void onTick();
  DesktopBackend& mBackend;
  std::vector<DesktopNativeControl*> mLive;
  TimerId mTimer = 0;
  GtkCssProvider* mCss = nullptr;
};

// Called by the desktop backend as it starts and ends.
void installDesktopControls(DesktopBackend& backend);
void uninstallDesktopControls();
DesktopControls* desktopControls();

}  // namespace vq::platform
