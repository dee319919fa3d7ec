// GUI scaling object (resize corner and edge handles, stored GUI scale). Only the operations the
// plug and the graphics core call are here so far; each does nothing until GUI scaling exists.
#pragma once

class IControl;
class IGraphics;
struct IRECT;

class IModuleGUIResize {
 public:
  virtual ~IModuleGUIResize() = default;
  // The handle control to attach at the end of the control list; null for none.
  virtual IControl* AttachResizeHandles() { return nullptr; }
  // Applies the stored GUI scale when the GUI opens.
  virtual void ResizeAtGuiOpen() {}
  // Clamps the scale to the limits and derives the window size from it.
  virtual void SetGuiScale(double scale) {}
  // Applies the scale to window, graphics and controls and stores it as [gui] "guiscale".
  virtual void ResizeAndStoreGuiSize() {}
  // While a resize drag shows a preview, the graphics draws the preview instead of controls.
  virtual bool IsResizeDragActive() const { return false; }
  virtual void FillWhileResizing(IGraphics* graphics, const IRECT& area) {}
  // Controls at the end of the control list that belong to the resizer.
  static constexpr int kHandleCount = 3;
};
