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

  // Layout views, as the live layout editor uses them.
  virtual int GetCurrentLayoutView() const { return 0; }
  virtual int GetLayoutViewCount() const { return 1; }
  virtual double GetGuiScale() const { return 1.0; }
  virtual void SelectLayoutView(int view) {}
  // Applies the current view's stored layout at the current scale.
  virtual void RearrangeLayout() {}
  // The view's layout entry at `position` becomes the control at list index `controlIdx`, with
  // these rects (GUI pixels at scale 1) and hidden flag.
  virtual void StoreControlLayout(int view, int position, int controlIdx, const IRECT& draw, const IRECT& target,
                                  bool hidden) {}
  // Controls at the end of the control list that belong to the resizer.
  static constexpr int kHandleCount = 3;
};
