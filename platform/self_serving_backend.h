// A backend that is itself every service it hands out, keeping the cursor state both the
// headless and the desktop backend keep alike. The run loop and the application are its own.
#pragma once

#include "platform/platform.h"

namespace vq::platform {

class SelfServingBackend : public Backend,
                           public DialogService,
                           public MenuTracking,
                           public Pasteboard,
                           public Workspace,
                           public CursorService,
                           public ScreenService,
                           public InputState,
                           public GraphicsViewService {
 public:
  DialogService& dialogs() override { return *this; }
  MenuTracking& menuTracking() override { return *this; }
  Pasteboard& pasteboard() override { return *this; }
  Workspace& workspace() override { return *this; }
  CursorService& cursors() override { return *this; }
  ScreenService& screens() override { return *this; }
  using ScreenService::screens;  // the screen list, beside the service of the same name
  InputState& inputState() override { return *this; }
  GraphicsViewService& graphicsViews() override { return *this; }

  // CursorService: one shared cursor per system cursor, made on first use.
  CursorRef systemCursor(SystemCursor which) override;
  CursorRef current() const override { return mCurrent; }
  bool isHidden() const override { return mHidden; }
  void setMouseCoupled(bool coupled) override { mCoupled = coupled; }
  bool isMouseCoupled() const override { return mCoupled; }

 protected:
  CursorRef mCurrent;
  CursorRef mSystem[6];
  bool mHidden = false;
  bool mCoupled = true;
};

}  // namespace vq::platform
