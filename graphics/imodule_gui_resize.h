// GUI scaling: the resize corner in the bottom-right of the GUI and its two edge handles. The
// corner either scales the whole GUI or changes the window's base size; the scale is kept in
// the user's settings file and applied when the GUI opens. For every layout view it keeps each
// control's rectangles in unscaled units, so a layout can be re-applied at any scale.
//
// Everything a layout depends on (the attach-time snapshot, the applied scale, whether images
// were rescaled) belongs to one resize object: a second GUI in the same process starts from
// its own controls. Main thread only.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "graphics/icontrol.h"

class IGraphics;
class IParam;

class IModuleGUIResize : public IControl {
 public:
  // Controls at the end of the control list that belong to the resizer: height handle, width
  // handle, corner.
  static constexpr int kHandleCount = 3;
  static constexpr double kScaleTolerance = 1e-10;

  // One GUI coordinate at a scale. The single rounding every window, background and control
  // rectangle goes through, so that they always agree.
  static int ScaleCoord(double v, double scale) { return static_cast<int>((v + 0.4999) * scale); }

  IModuleGUIResize(IModuleBase* plug, IGraphics* graphics, bool flag, int cornerWidth,
                   int cornerHeight);
  ~IModuleGUIResize() override;

  // Configuration (the plug's constructor).
  void AddLayoutView(int id, int baseWidth, int baseHeight);
  virtual void SelectLayoutView(int id);  // an unknown id selects view 0
  void SetGuiScaleLimits(double minPercent, double maxPercent);
  void SetViewSizeLimits(int view, double minW, double minH, double maxW, double maxH);
  void SetCornerDragScales(bool scales) { mCornerScales = scales; }
  void EnableLiveResizePreview() { mLivePreview = true; }
  void DisableFillPreview() { mFillPreview = false; }
  void EnableEdgeHandles(int size, int value, int hiddenHandle);

  // Queries and direct changes.
  virtual double GetGuiScale() const { return mScale; }
  double GetAppliedScale() const { return mAppliedScale; }
  virtual int GetCurrentLayoutView() const { return mView; }
  virtual int GetLayoutViewCount() const { return static_cast<int>(mViews.size()); }
  double GetBaseWidth() const { return mBaseW; }
  double GetBaseHeight() const { return mBaseH; }
  int GetWindowWidth() const { return mWindowW; }
  int GetWindowHeight() const { return mWindowH; }
  double GetMinScale() const { return mMinScale; }
  double GetMaxScale() const { return mMaxScale; }
  virtual bool IsResizeDragActive() const { return mDragActive; }
  bool IsNoticeShowing() const { return mNotice; }
  bool ImagesRescaled() const { return mRescaled; }
  void SetGuiScale(double scale);
  void SetBaseSize(double w, double h);
  void SetBaseWidth(double w) { SetBaseSize(w, mBaseH); }
  void SetBaseHeight(double h) { SetBaseSize(mBaseW, h); }
  // The window may show only the upper-left part of the GUI, w x h unscaled (a compact view);
  // 0 x 0 shows all of it. Size changes then keep the window to that part at the new scale.
  void SetShownPart(double w, double h);
  int GetShownWidth() const { return mShownW > 0 ? ScaleCoord(mShownW, mScale) : mWindowW; }
  int GetShownHeight() const { return mShownH > 0 ? ScaleCoord(mShownH, mScale) : mWindowH; }
  void ShowHandle(int which) { SetHandleHidden(which, false); }  // 0 width, 1 height, 2 both
  void HideHandle(int which) { SetHandleHidden(which, true); }
  void ShowControl(int index) { HideGraphicsControl(index, false); }
  void HideControl(int index) { HideGraphicsControl(index, true); }
  IParam* GetPrivateParam(int i) const;
  int GetPrivateParamCount() const { return static_cast<int>(mPrivateParams.size()); }
  const std::string& GetSettingsPath() const { return mSettingsPath; }

  // Settings keys of section [gui]; without a settings file nothing is stored and reads give
  // the default.
  double ReadSettingDouble(const char* key, double def = -1.0) const;
  bool WriteSettingDouble(const char* key, double value);
  bool WriteSettingUnsigned(const char* key, unsigned value);
  int ReadSettingInt(const char* key, int def = -1) const;
  // The stored GUI scale: missing, unreadable, non-finite or non-positive means none (1.0,
  // which is written back); any value is clamped into the scale limits.
  double ReadStoredScale();

  // Layout records (the live layout editor). Out-of-range views, positions and indices are
  // ignored. The position's entry becomes the control at list index controlIdx of the record.
  virtual void StoreControlLayout(int view, int position, int controlIdx, const IRECT& draw,
                                  const IRECT& target, bool hidden);
  void MoveControlInLayout(int index, int which, double x, double y);
  void SetControlRight(int index, int which, double value);
  void SetControlBottom(int index, int which, double value);
  void RemoveControlFromLayout(IControl* control);
  void ApplyViewControlPositions();
  // The unscaled rectangles of a control in a view; false when not recorded there.
  bool GetLayoutRects(int view, const IControl* control, std::array<double, 4>* draw,
                      std::array<double, 4>* target, int* hidden = nullptr) const;
  int GetLayoutSize(int view) const;

  void RescaleImagesOnce();
  void RescaleControls();

  // GUI side. AttachResizeHandles attaches the two edge handles and returns the corner, which
  // the graphics attaches after them.
  virtual IControl* AttachResizeHandles();
  virtual void ResizeAtGuiOpen();
  void ResizeAndStoreGuiSize();
  virtual void RearrangeLayout();

  // IControl.
  bool Draw(IGraphics* graphics) override;
  bool IsDirty() override;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) override;
  void OnMouseOver(int x, int y, IMouseMod* mod) override;
  void OnMouseOut() override;

  virtual void FillWhileResizing(IGraphics* graphics, const IRECT& area);
  virtual void DrawReopenNotice(IGraphics* graphics);
  virtual void DrawCornerHandle(IGraphics* graphics);
  virtual void OnRightClick() {}

 protected:
  // Re-renders the process's cached images for the scale, always from their files, so every
  // call gives the same pixels whatever scale came before.
  virtual void RescaleCachedBitmaps(double scale);
  // Cursor ids 32512 arrow, 32642 diagonal, 32644 left-right, 32645 up-down.
  virtual void SetCursor(int id);

 private:
  friend class EdgeResizing;

  using Rect4 = std::array<double, 4>;
  struct ViewRecord {
    std::vector<IControl*> controls;  // list order
    std::vector<IControl*> order;     // the order to apply
    std::vector<Rect4> draw, target;  // unscaled L, T, R, B
    std::vector<int> hidden;
    int Find(const IControl* c) const;
    void Append(IControl* c, const Rect4& d, const Rect4& t, int h);
    void Erase(int i);
  };
  struct View {
    int id = 0;
    int baseW = 0, baseH = 0;
    double minW = 0.0, minH = 0.0, maxW = 999999999999.0, maxH = 999999999999.0;
  };

  static Rect4 ToRect4(const IRECT& r) {
    return {double(r.L), double(r.T), double(r.R), double(r.B)};
  }
  IRECT Scaled(const Rect4& r) const;
  double ClampScale(double s) const;
  void ClampBase();
  void UpdateWindowSize();
  ViewRecord* CurrentRecord();
  // Applies edit to the control's unscaled draw (which 0 or 1) and target (0 or 2) rectangles
  // in the current view and places the control at the result.
  template <class Edit>
  void EditControlInLayout(int index, int which, Edit edit);
  void PlaceHandles();
  void PlaceBackground();
  void TakePrivateParams();
  void StorePrivateParams();
  void SetHandleHidden(int which, bool hide);
  void HideGraphicsControl(int index, bool hide);
  void ApplyToAllControls(double scale);
  void EdgeDrag(bool width, int pos);
  void SetWholeWindowRects();

  IGraphics* mGraphics = nullptr;
  int mView = 0;
  std::vector<View> mViews;
  std::vector<ViewRecord> mRecords;
  ViewRecord mSnapshot;
  bool mSnapshotTaken = false;
  bool mFlag = false;
  bool mCornerScales = false;
  int mReferenceView = 0;
  double mScale = 1.0;
  double mAppliedScale = 1.0;
  double mMinScale = 0.0, mMaxScale = 1000000000.0;
  double mBaseW = 0.0, mBaseH = 0.0;
  double mFirstBaseW = 0.0;
  int mWindowW = 0, mWindowH = 0;
  double mShownW = 0.0, mShownH = 0.0;  // 0: the whole GUI
  int mEdgeSize = 0, mEdgeValue = 0;
  bool mEdgeHandles = false;
  int mHiddenHandle = 2;
  int mCornerW = 0, mCornerH = 0;
  bool mDragActive = false;
  bool mDragged = false;
  bool mNotice = false;
  bool mLivePreview = false;
  bool mFillPreview = true;
  bool mRescaled = false;
  bool mImagesRescaledOnce = false;
  bool mResizedSinceOpen = false;
  bool mRestored = false;
  std::string mSettingsPath;
  std::vector<std::unique_ptr<IParam>> mPrivateParams;
  IControl* mWidthHandle = nullptr;  // owned by the graphics once attached
  IControl* mHeightHandle = nullptr;
};

// The edge handles: the right edge changes the base width, the bottom edge the height.
class EdgeResizing : public IControl {
 public:
  bool Draw(IGraphics* graphics) override { return true; }
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) override;
  void OnMouseOver(int x, int y, IMouseMod* mod) override;
  void OnMouseOut() override;

 protected:
  EdgeResizing(IModuleBase* plug, IGraphics* graphics, IModuleGUIResize* owner, const IRECT& rect,
               bool width);

 private:
  IGraphics* mGraphics;
  IModuleGUIResize* mOwner;
  bool mWidth;  // true: the right edge
};

class HorisontalResizing : public EdgeResizing {
 public:
  HorisontalResizing(IModuleBase* plug, IGraphics* graphics, IModuleGUIResize* owner, int size);
};

class VerticalResizing : public EdgeResizing {
 public:
  VerticalResizing(IModuleBase* plug, IGraphics* graphics, IModuleGUIResize* owner, int size);
};
