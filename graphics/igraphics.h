// The platform-neutral editor surface: the ordered list of controls, the back buffer they draw
// into, dirty tracking and the draw cycle, and the bridge between controls and the plug in both
// directions. A view layer derives from it, fills in the platform slots and drives it from a
// repeating timer: each tick asks IsDirty for the area to repaint, the paint calls Draw.
// Main thread only.
#pragma once

#include <vector>

#include "graphics/gui_types.h"
#include "graphics/icontrol.h"
#include "plugin/imodule_base.h"
#include "plugin/imodule_gui.h"
#include "plugin/utl_heapbuf.h"
#include "plugin/utl_mutex.h"

class IParam;
class IPopupMenu;
class IModuleGUIResize;

class IGraphics : public IModuleGUI {
 public:
  static constexpr int kDefaultFPS = 120;

  // fps 0 or less gives the default.
  IGraphics(IModuleBase* plug, int width, int height, int fps = 0);
  // Deletes the key catcher, every control (last first) and both bitmaps.
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // Platform slots, filled in by the view layer.
  virtual bool DrawScreen(const IRECT* r) = 0;
  virtual bool MeasureText(const IText* text, const char* str, IRECT* r) { return false; }
  virtual void EndUserInput() = 0;
  // Stores the size, recreates both bitmaps, then lets the plug fit its window.
  virtual void Resize(int w, int h);
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual const char* GetGUIAPI() { return ""; }
  // type 0 OK, 1 OK/Cancel, 4 Yes/No -> 1 OK or Yes, 2 Cancel, 7 No. Any thread.
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* area) = 0;
  virtual void CreateTextEntry(IControl* control, IParam* param, IText* text, IRECT* area, const char* str) = 0;
  virtual void HostPath(UTL_String* path) = 0;
  virtual void PluginPath(UTL_String* path) = 0;
  virtual void DesktopPath(UTL_String* path) = 0;
  virtual void UserDocumentsPath(UTL_String* path) = 0;
  virtual void AppSupportPath(UTL_String* path, bool system) = 0;
  virtual void MusicPath(UTL_String* path) = 0;
  virtual void PromptForFile(UTL_String* file, int action, UTL_String* dir, const char* extensions) = 0;
  virtual bool PromptForColor() = 0;
  virtual bool OpenURL(const char* url) = 0;
  virtual void* OpenWindow(void* parentView) = 0;
  virtual void* OpenWindowAlt() { return nullptr; }
  virtual void AttachSubWindow() {}
  virtual void RemoveSubWindow() {}
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual bool GetTextFromClipboard(UTL_String* text) = 0;
  virtual void HideMouseCursor() {}
  virtual void ShowMouseCursor() {}
  virtual void UpdateTooltips() = 0;
  virtual RAST_IBitmap* OSLoadBitmap(int id, const char* name) = 0;
  // Asks the user for a new value of the control's parameter (menu or text field); the answer
  // comes back through IControl::SetValueFromUserInput. Filled in by the input layer.
  virtual void PromptUserInput(IControl* control, IParam* param, IRECT* where) {}

  // IModuleGUI: what the plug calls.
  void SetControlsFromPlugValue(int paramIdx, bool normalized, double value) override;
  void CreateDrawBitmaps() override;
  void AttachControl(IControl* control) override;
  void AttachResizeHandles(IModuleGUIResize* resize) override;
  void ResizeAtGuiOpen(IModuleGUIResize* resize) override;
  void RecordAttachLayout(LiveEditState* state) override;
  int GetWidth() const override { return mWidth; }
  int GetHeight() const override { return mHeight; }

  // Control list. Every change renumbers the controls' list indices. Index 0 (the background)
  // and the resize handles at the end are never moved, swapped or replaced.
  void RemoveControl(int idx);  // the control is not deleted
  void ReplaceControl(int idx, IControl* control);  // the old control is not deleted
  void MoveControl(int from, int to);
  void SwapControls(int a, int b);
  int GetControlIdx(const IControl* control) const { return mControls.Find(control); }
  IControl* GetControl(int idx) const { return mControls.Get(idx); }
  int NControls() const { return mControls.GetSize(); }
  const UTL_PtrList<IControl>& Controls() const { return mControls; }
  // The graphics owns the key catcher; a replaced one is deleted.
  void SetKeyCatcher(IControl* control);
  IControl* GetKeyCatcher() const { return mKeyCatcher; }

  // Every control bound to the parameter, in list order.
  void HideControlsOfParam(int paramIdx, bool hide);
  void GrayOutControlsOfParam(int paramIdx, bool gray);
  void MoveControlsOfParam(int paramIdx, int x, int y);
  void SetControlsValue(int paramIdx, double normalizedValue);  // as if the user set it: pushed
  void SetControlClampRange(int paramIdx, bool normalized, double lo, double hi);
  bool IsControlOfParamHidden(int paramIdx) const;  // the last bound control decides

  // One control by index; out-of-range indices do nothing.
  void HideControl(int idx, bool hide);
  void GrayOutControl(int idx, bool gray);
  void MoveControlTo(int idx, int x, int y);
  void SetControlFromPlug(int idx, double normalizedValue);

  void SetAllControlsDirty();
  void SetStrictDrawing(bool strict);
  void SetTooltipsFromParamNames();
  void CallReservedHookOnAllControls();

  // Timer side: unites the draw rectangles of dirty controls into *r (pass it all zero) and
  // returns true when any control is dirty; on every second consecutive clean tick instead
  // calls the plug's OnTick.
  bool IsDirty(IRECT* r);
  // Paint side: lets the controls in the affected area draw into the back buffer, cleans them,
  // then shows the buffer. Returns DrawScreen's result (true when there is nothing to draw).
  bool Draw(IRECT* r);

  IModuleBase* GetPlug() const { return mPlug; }
  const IRECT& GetDrawRect() const { return mDrawRect; }
  RAST_IBitmap* GetDrawBitmap() const { return mDrawBitmap; }
  RAST_IBitmap* GetTmpBitmap() const { return mTmpBitmap; }
  int FPS() const { return mFPS; }
  int IdleTicks() const { return mIdleTicks; }
  bool GetStrictDrawing() const { return mStrictDrawing; }
  bool GetHandleMouseOver() const { return mHandleMouseOver; }
  void SetHandleMouseOver(bool on) { mHandleMouseOver = on; }
  bool TooltipsEnabled() const { return mEnableTooltips; }
  void EnableTooltips(bool on) { mEnableTooltips = on; }
  unsigned GetBitmapScale() const { return mBitmapScale; }
  void SetBitmapScale(unsigned scale) { mBitmapScale = scale ? scale : 1; }
  double GetGuiScale() const { return mGuiScale; }
  void SetGuiScale(double scale) { mGuiScale = scale; }
  bool LiveEditEnabled() const { return mLiveEdit; }
  int GetMouseCapture() const { return mMouseCapture; }
  int GetMouseOver() const { return mMouseOver; }
  int GetMouseX() const { return mMouseX; }
  int GetMouseY() const { return mMouseY; }
  const IMouseMod& GetMouseMod() const { return mMouseMod; }
  int GetLastClickedParam() const { return mLastClickedParam; }
  UTL_Mutex& Mutex() { return mMutex; }

 protected:
  // Controls the list operations may move: 1 .. count - 1 - (resize handles).
  int ResizeHandleCount() const;
  void RenumberControls();

  // The controls of each parameter (aux -1: bound to it; else that auxiliary parameter of the
  // control), in list order, made when first needed after controls were attached or rebound,
  // so that updating one parameter does not walk every control.
  struct ParamBinding {
    IControl* control;
    int aux;
  };
  const std::vector<ParamBinding>* ControlsOfParam(int paramIdx);
  std::vector<std::vector<ParamBinding>> mControlsByParam;
  bool mControlsIndexed = false;
  unsigned mIndexedGeneration = 0;
  int mIndexedCount = 0;

  UTL_Mutex mMutex;
  UTL_PtrList<IControl> mControls{4096};
  IModuleBase* mPlug = nullptr;
  IRECT mDrawRect;
  bool mCursorHidden = false;
  int mHiddenCursorX = -1;
  int mHiddenCursorY = 0;
  RAST_SysBitmap* mDrawBitmap = nullptr;
  RAST_MemBitmap* mTmpBitmap = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  int mFPS = kDefaultFPS;
  int mReserved1 = 0;
  int mIdleTicks = 0;
  int mMouseCapture = -1;
  int mMouseOver = -1;
  int mMouseX = 0;
  int mMouseY = 0;
  int mLastClickedParam = -1;
  bool mHandleMouseOver = false;
  bool mStrictDrawing = true;
  bool mEnableTooltips = false;
  bool mReserved2 = false;
  IControl* mKeyCatcher = nullptr;
  unsigned mBitmapScale = 1;
  double mGuiScale = 1.0;
  int mReserved3 = 0;
  int mLiveEditRectMode = 0;
  bool mLiveEdit = false;
  IMouseMod mMouseMod;
  int mLiveEditGridSize = 1;
  int mLiveEditSnap = 0;
  int mLastKey = -1;
  bool mLiveEditSwallow = false;
  int mLiveEditControl = -1;
  bool mDragging = false;
  int mRequestedWidth = 0;
  int mRequestedHeight = 0;
};

// The plug's GUI as the graphics layer sees it; null when none is attached.
inline IGraphics* GetGraphicsOf(const IModuleBase* plug) {
  return plug ? dynamic_cast<IGraphics*>(plug->GetGUI()) : nullptr;
}
