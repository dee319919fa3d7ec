// The platform services of the running backend. Code above platform/ reaches the OS only
// through these interfaces and never learns which backend runs. When no backend has been
// installed, the first call installs the headless one.
#pragma once

#include <memory>

#include "platform/application.h"
#include "platform/cursor.h"
#include "platform/dialogs.h"
#include "platform/graphics_view.h"
#include "platform/input_state.h"
#include "platform/menu_tracking.h"
#include "platform/pasteboard.h"
#include "platform/run_loop.h"
#include "platform/screen.h"
#include "platform/workspace.h"

namespace vq::platform {

// One backend: every service, owned together.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual RunLoop& runLoop() = 0;
  virtual Application& application() = 0;
  virtual DialogService& dialogs() = 0;
  virtual MenuTracking& menuTracking() = 0;
  virtual Pasteboard& pasteboard() = 0;
  virtual Workspace& workspace() = 0;
  virtual CursorService& cursors() = 0;
  virtual ScreenService& screens() = 0;
  virtual InputState& inputState() = 0;
  virtual GraphicsViewService& graphicsViews() = 0;
};

// The installed backend (installing the headless one on first use).
Backend& services();
// Replaces the backend; the old one is destroyed. Main thread, while nothing uses services.
void installBackend(std::unique_ptr<Backend> backend);
bool hasBackend();

}  // namespace vq::platform
