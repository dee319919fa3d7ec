// Base class of every GUI element: a rectangle of the window, bound (or not) to one plug-in
// parameter whose value it holds normalised (0..1). It draws itself when dirty and turns input
// into values that it pushes to the plug. Every operation runs on the main thread.
#pragma once

#include <atomic>

#include "graphics/gui_types.h"
#include "graphics/imodule_animation.h"
#include "graphics/redraw_generation.h"
#include "plugin/utl_heapbuf.h"

class IGraphics;
struct IFrameBitmap;
class IModuleBase;
class IParam;

class IControl {
 public:
  // A further parameter the control follows besides its own.
  struct AuxParam {
    double mValue = 0.0;  // normalised
    int mParamIdx = -1;
  };

  IControl(IModuleBase* plug, const IRECT& rect, int paramIdx = -1,
           const IChannelBlend& blend = IChannelBlend());
  virtual ~IControl() = default;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Right button: prompt for a value (only where prompting is enabled).
  virtual void OnMouseDown(int x, int y, IMouseMod* mod);
  virtual void OnMouseUp(int x, int y, IMouseMod* mod) {}
  virtual void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) {}
  // Restores the default value once one is known.
  virtual void OnMouseDblClick(int x, int y, IMouseMod* mod);
  virtual void OnMouseWheel(int x, int y, IMouseMod* mod, int d) {}
  virtual bool OnKeyDown(int x, int y, int key) { return false; }
  virtual void OnMouseOver(int x, int y, IMouseMod* mod) {}
  virtual void OnMouseOut() {}
  // Draws into the graphics' back buffer; true when drawn.
  virtual bool Draw(IGraphics* graphics) = 0;
  // True when Draw only reaches the graphics' draw rectangle and shows nothing but the
  // control's own state, which changes only when it is marked dirty: such controls may be
  // kept in the static layer.
  virtual bool DrawsInsideDrawRect() const { return false; }
  // The image Draw puts over exactly the control's rectangle at full weight, drawing nothing
  // else, and the frame shown (1-based); null otherwise. Where that frame has no see-through
  // pixel, the controls beneath need not be drawn.
  virtual IFrameBitmap* SolidFrame(int* frame) const { return nullptr; }
  virtual void OnRescale(double scale) {}
  // A value from the plug: never pushed back. The first one becomes the double-click default.
  virtual void SetValueFromPlug(double value);
  // A value the user typed or chose: pushed to the plug.
  virtual void SetValueFromUserInput(double value);
  virtual void SetTextFromPlug(const char* text) {}
  virtual void Hide(bool hide);
  virtual void GrayOut(bool gray);
  // Moves the draw rectangle's top left to (x, y); the target rectangle follows it.
  virtual void MoveTo(int x, int y);
  virtual bool IsHit(int x, int y) { return mTargetRect.Contains(x, y); }
  // Marks for redraw, keeping the value inside the clamp range; with push the value also goes
  // to the plug (SetParameterFromGUI) when the control is bound to a parameter.
  virtual void SetDirty(bool push = true);
  // After a redraw: stays dirty for one more cycle when a redraw was requested meanwhile.
  virtual void SetClean() {
    mDirty = mRedraw;
    if (mDirty) NoteChange();
    mRedraw = false;
  }
  // Overrides that turn dirty on a state of their own set mOwnDirtyState, so the GUI asks them
  // on every idle call.
  virtual bool IsDirty() { return mDirty; }
  bool HasOwnDirtyState() const { return mOwnDirtyState; }
  // Counts the calls of SetDirty: what the control shows can only have changed when it moved.
  unsigned DirtyCount() const { return mDirtyCount; }
  // Counts the calls that show, hide or move the control (each also marks it dirty once).
  unsigned ShapeCount() const { return mShapeCount; }
  virtual void ReservedHook() {}
  // auxIdx must be valid (see AuxParamIdx).
  virtual void SetAuxParamValueFromPlug(int auxIdx, double value);

  // Asks the user for a value: a menu of the parameter's display texts, else a small text
  // field centred on the control. Nothing unless bound and prompting is enabled.
  void PromptUserInput();
  void PromptUserInput(IRECT* where);

  AuxParam* GetAuxParam(int i) {
    return i >= 0 && i < NAuxParams() ? mAuxParams.Get() + i : nullptr;
  }
  int AuxParamIdx(int paramIdx) const;
  int NAuxParams() const { return mAuxParams.GetSize(); }
  void AddAuxParam(int paramIdx);
  void SetAllAuxParamsFromGUI();
  // A new colour is drawn with the next redraw.
  void SetTextColor(const IColor& color) {
    if (mText.mColor == color) return;
    mText.mColor = color;
    SetDirty(false);
  }

  // Fields the GUI code, the layout editor and the graphics core read and set by role.
  IModuleBase* GetPlug() const { return mPlug; }
  const IRECT& GetRECT() const { return mRECT; }
  void SetRECT(const IRECT& r) {
    mRECT = r;
    ++mShapeCount;
    NoteShapeChange();
  }
  const IRECT& GetTargetRECT() const { return mTargetRect; }
  void SetTargetRECT(const IRECT& r) { mTargetRect = r; }
  int ParamIdx() const { return mParamIdx; }
  void SetParamIdx(int idx) {
    mParamIdx = idx;
    sBindingGeneration.fetch_add(1, std::memory_order_relaxed);
  }
  // Moves on whenever any control's parameter or auxiliary parameters change: an index of
  // controls by parameter made at another generation is out of date.
  static unsigned BindingGeneration() { return sBindingGeneration.load(std::memory_order_relaxed); }
  // Moves on whenever any control is shown, hidden or given another rectangle.
  static unsigned ShapeGeneration() { return sShapeGeneration.load(std::memory_order_relaxed); }
  int GetListIdx() const { return mListIdx; }
  void SetListIdx(int idx) { mListIdx = idx; }
  double GetValue() const { return mValue; }
  void SetValue(double v) { mValue = v; }
  double GetDefaultValue() const { return mDefaultValue; }
  void SetDefaultValue(double v) { mDefaultValue = v; }
  void SetClampRange(double lo, double hi) {
    mClampLo = lo;
    mClampHi = hi;
  }
  double GetClampLo() const { return mClampLo; }
  double GetClampHi() const { return mClampHi; }
  bool IsHidden() const { return mHide; }
  bool IsGrayed() const { return mGrayed; }
  bool IsRedrawPending() const { return mRedraw; }
  void SetRedrawPending(bool redraw) {
    mRedraw = redraw;
    if (redraw) NoteChange();  // the next redraw's cleaning looks at it
  }
  bool IsPromptDisabled() const { return mDisablePrompt; }
  void SetPromptDisabled(bool disabled) { mDisablePrompt = disabled; }
  bool GetDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetDblAsSingleClick(bool v) { mDblAsSingleClick = v; }
  bool GetMOWhenGrayed() const { return mMOWhenGrayed; }
  void SetMOWhenGrayed(bool v) { mMOWhenGrayed = v; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int n) { mTextEntryLength = n; }
  IText* GetTextStyle() { return &mText; }
  void SetTextStyle(const IText& text) { mText = text; }
  const IChannelBlend& GetBlend() const { return mBlend; }
  void SetBlend(const IChannelBlend& blend) { mBlend = blend; }
  IControl* GetValDisplayControl() const { return mValDisplayControl; }
  void SetValDisplayControl(IControl* c) { mValDisplayControl = c; }
  IControl* GetNameDisplayControl() const { return mNameDisplayControl; }
  void SetNameDisplayControl(IControl* c) { mNameDisplayControl = c; }
  const char* GetTooltip() const { return mTooltip.Get(); }
  void SetTooltip(const char* text) { mTooltip.Set(text ? text : ""); }
  IModuleAnimation& Animation() { return mAnimation; }
  const IModuleAnimation& Animation() const { return mAnimation; }

 protected:
  // The bound parameter, or null when unbound or beyond the plug's list.
  IParam* GetBoundParam() const;
  IGraphics* GetGraphics() const;
  // Counts a change that can make this control need drawing, and tells its graphics which.
  void NoteChange();

  int mTextEntryLength = 7;
  IText mText;
  IModuleBase* mPlug = nullptr;
  IRECT mRECT;
  IRECT mTargetRect;
  int mParamIdx = -1;
  static inline std::atomic<unsigned> sBindingGeneration{0};
  static inline std::atomic<unsigned> sShapeGeneration{0};
  static void NoteShapeChange() { sShapeGeneration.fetch_add(1, std::memory_order_relaxed); }
  int mListIdx = 0;
  UTL_TypedBuf<AuxParam> mAuxParams{4096};
  double mValue = 0.0;
  double mDefaultValue = -1.0;  // negative: not known yet
  double mClampLo = 0.0;
  double mClampHi = 1.0;
  bool mDirty = true;  // a new control is drawn on the first redraw
  unsigned mDirtyCount = 0;
  unsigned mShapeCount = 0;
  bool mOwnDirtyState = false;
  bool mHide = false;
  bool mGrayed = false;
  bool mRedraw = false;
  bool mDisablePrompt = true;
  bool mUnused = false;
  bool mDblAsSingleClick = false;
  bool mMOWhenGrayed = false;
  IChannelBlend mBlend;
  IControl* mValDisplayControl = nullptr;
  IControl* mNameDisplayControl = nullptr;
  UTL_String mTooltip{128};
  IModuleAnimation mAnimation;

 private:
  // Hands text to a linked text control unless it already shows it.
  static void SendLinkText(IControl* target, const char* text);

  // The last text a linked control handed to this one. Kept on the receiving side, so that
  // several controls sharing one read-out compare against what it really shows.
  UTL_String mLinkText{128};
};
