#include "graphics/imodule_gui_resize.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "graphics/igraphics.h"
#include "plugin/iparam.h"
#include "rast/rast_line.h"
#include "wemu/cursors.h"
#include "wemu/ini_file.h"

namespace {

constexpr int kCursorArrow = 32512;
constexpr int kCursorDiagonal = 32642;
constexpr int kCursorLeftRight = 32644;
constexpr int kCursorUpDown = 32645;

bool ParseDouble(const char* text, double* out) {
  const char* end = text + std::strlen(text);
  const std::from_chars_result r = std::from_chars(text, end, *out);
  return r.ec == std::errc() && r.ptr == end;
}

}  // namespace

// ---- View records.

int IModuleGUIResize::ViewRecord::Find(const IControl* c) const {
  for (size_t i = 0; i < controls.size(); ++i)
    if (controls[i] == c) return static_cast<int>(i);
  return -1;
}

void IModuleGUIResize::ViewRecord::Append(IControl* c, const Rect4& d, const Rect4& t, int h) {
  controls.push_back(c);
  order.push_back(c);
  draw.push_back(d);
  target.push_back(t);
  hidden.push_back(h);
}

void IModuleGUIResize::ViewRecord::Erase(int i) {
  controls.erase(controls.begin() + i);
  order.erase(order.begin() + i);
  draw.erase(draw.begin() + i);
  target.erase(target.begin() + i);
  hidden.erase(hidden.begin() + i);
}

// ---- Construction and configuration.

IModuleGUIResize::IModuleGUIResize(IModuleBase* plug, IGraphics* graphics, bool flag,
                                   int cornerWidth, int cornerHeight)
    : IControl(plug, IRECT()),
      mGraphics(graphics),
      mFlag(flag),
      mCornerW(cornerWidth),
      mCornerH(cornerHeight) {
  mOwnDirtyState = true;
  const int w = graphics ? graphics->GetWidth() : 0;
  const int h = graphics ? graphics->GetHeight() : 0;
  View view;
  view.baseW = w;
  view.baseH = h;
  mViews.push_back(view);
  mRecords.emplace_back();
  mBaseW = mFirstBaseW = w;
  mBaseH = h;
  mRECT = mTargetRect = IRECT(w - cornerWidth, h - cornerHeight, w, h);
  if (graphics) {
    graphics->SetHandleMouseOver(true);
    UTL_String folder(256);
    graphics->AppSupportPath(&folder, false);
    // Without a support folder the scale lives in memory only: never a file at the root.
    if (folder.GetLength() > 0) {
      std::string dir = std::string(folder.Get()) + "/" + (plug ? plug->GetEffectName() : "");
      mkdir(dir.c_str(), 0755);
      mSettingsPath = dir + "/settings.ini";
    }
  }
  mScale = ReadStoredScale();
  UpdateWindowSize();

  for (int i = 0; i < 3; ++i) mPrivateParams.push_back(std::make_unique<IParam>());
  mPrivateParams[0]->InitInt("", -1, -1, 1000000);
  mPrivateParams[1]->InitDouble("", "", "", -1.0, -1.0, 1000000.0, 1.0, 1.0);
  mPrivateParams[2]->InitDouble("", "", "", -1.0, -1.0, 1000000.0, 1.0, 1.0);
}

IModuleGUIResize::~IModuleGUIResize() = default;

void IModuleGUIResize::AddLayoutView(int id, int baseWidth, int baseHeight) {
  View view;
  view.id = id;
  view.baseW = baseWidth;
  view.baseH = baseHeight;
  mViews.push_back(view);
  mRecords.push_back(mSnapshotTaken ? mRecords[0] : ViewRecord());
}

void IModuleGUIResize::SelectLayoutView(int id) {
  mView = 0;
  for (size_t i = 0; i < mViews.size(); ++i)
    if (mViews[i].id == id) {
      mView = static_cast<int>(i);
      break;
    }
  mBaseW = mViews[mView].baseW;
  mBaseH = mViews[mView].baseH;
  ClampBase();
  UpdateWindowSize();
}

void IModuleGUIResize::SetGuiScaleLimits(double minPercent, double maxPercent) {
  if (!std::isfinite(minPercent) || !std::isfinite(maxPercent) || minPercent <= 0.0) return;
  mMinScale = minPercent / 100.0;
  mMaxScale = std::max(mMinScale, maxPercent / 100.0);
  mScale = ClampScale(mScale);
  UpdateWindowSize();
}

void IModuleGUIResize::SetViewSizeLimits(int view, double minW, double minH, double maxW,
                                         double maxH) {
  if (view < 0 || view >= GetLayoutViewCount()) return;
  View& v = mViews[view];
  v.minW = minW;
  v.minH = minH;
  v.maxW = std::max(minW, maxW);
  v.maxH = std::max(minH, maxH);
  if (view == mView) {
    ClampBase();
    UpdateWindowSize();
  }
}

void IModuleGUIResize::EnableEdgeHandles(int size, int value, int hiddenHandle) {
  mEdgeHandles = true;
  mEdgeSize = size;
  mEdgeValue = value;
  mHiddenHandle = hiddenHandle;
}

double IModuleGUIResize::ClampScale(double s) const {
  if (!std::isfinite(s) || s <= 0.0) s = 1.0;
  return std::clamp(s, mMinScale, mMaxScale);
}

void IModuleGUIResize::ClampBase() {
  const View& v = mViews[mView];
  mBaseW = std::clamp(mBaseW, v.minW, v.maxW);
  mBaseH = std::clamp(mBaseH, v.minH, v.maxH);
}

void IModuleGUIResize::UpdateWindowSize() {
  mWindowW = ScaleCoord(mBaseW, mScale);
  mWindowH = ScaleCoord(mBaseH, mScale);
}

void IModuleGUIResize::SetGuiScale(double scale) {
  if (!std::isfinite(scale)) return;
  mScale = ClampScale(scale);
  mAppliedScale = mScale;
  UpdateWindowSize();
}

void IModuleGUIResize::SetShownPart(double w, double h) {
  const bool whole = !(std::isfinite(w) && std::isfinite(h) && w > 0 && h > 0);
  mShownW = whole ? 0.0 : w;
  mShownH = whole ? 0.0 : h;
}

void IModuleGUIResize::SetBaseSize(double w, double h) {
  if (!std::isfinite(w) || !std::isfinite(h)) return;
  mBaseW = w;
  mBaseH = h;
  ClampBase();
  UpdateWindowSize();
}

void IModuleGUIResize::SetHandleHidden(int which, bool hide) {
  if (!mEdgeHandles) return;
  ViewRecord* rec = CurrentRecord();
  auto apply = [&](IControl* c) {
    if (!c) return;
    c->Hide(hide);
    const int i = rec ? rec->Find(c) : -1;
    if (i >= 0) rec->hidden[i] = hide ? 1 : 0;
  };
  if (which == 0 || which == 2) apply(mWidthHandle);
  if (which == 1 || which == 2) apply(mHeightHandle);
}

void IModuleGUIResize::HideGraphicsControl(int index, bool hide) {
  if (mGraphics) mGraphics->HideControl(index, hide);  // out-of-range indices do nothing
}

IParam* IModuleGUIResize::GetPrivateParam(int i) const {
  return i >= 0 && i < GetPrivateParamCount() ? mPrivateParams[i].get() : nullptr;
}

// ---- Settings.

double IModuleGUIResize::ReadSettingDouble(const char* key, double def) const {
  if (mSettingsPath.empty()) return def;
  char text[128];
  GetPrivateProfileString("gui", key, "", text, sizeof text, mSettingsPath.c_str());
  double v = def;
  return text[0] && ParseDouble(text, &v) ? v : def;
}

bool IModuleGUIResize::WriteSettingDouble(const char* key, double value) {
  if (mSettingsPath.empty()) return false;
  char text[128];
  const std::to_chars_result r =
      std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, 15);
  if (r.ec != std::errc()) return false;
  *r.ptr = '\0';
  return WEMU_WriteIniInBackground("gui", key, text, mSettingsPath.c_str()) != 0;
}

bool IModuleGUIResize::WriteSettingUnsigned(const char* key, unsigned value) {
  if (mSettingsPath.empty()) return false;
  const std::string text = std::to_string(value);
  return WEMU_WriteIniInBackground("gui", key, text.c_str(), mSettingsPath.c_str()) != 0;
}

int IModuleGUIResize::ReadSettingInt(const char* key, int def) const {
  return mSettingsPath.empty() ? def : GetPrivateProfileInt("gui", key, def, mSettingsPath.c_str());
}

double IModuleGUIResize::ReadStoredScale() {
  double s = ReadSettingDouble("guiscale", -1.0);
  if (!std::isfinite(s) || s <= 0.0) {
    s = 1.0;
    WriteSettingDouble("guiscale", s);
  }
  return ClampScale(s);
}

// ---- Layout records.

IModuleGUIResize::ViewRecord* IModuleGUIResize::CurrentRecord() {
  return mView >= 0 && mView < static_cast<int>(mRecords.size()) ? &mRecords[mView] : nullptr;
}

int IModuleGUIResize::GetLayoutSize(int view) const {
  return view >= 0 && view < static_cast<int>(mRecords.size())
             ? static_cast<int>(mRecords[view].controls.size())
             : 0;
}

bool IModuleGUIResize::GetLayoutRects(int view, const IControl* control, Rect4* draw, Rect4* target,
                                      int* hidden) const {
  if (view < 0 || view >= static_cast<int>(mRecords.size())) return false;
  const ViewRecord& rec = mRecords[view];
  const int i = rec.Find(control);
  if (i < 0) return false;
  if (draw) *draw = rec.draw[i];
  if (target) *target = rec.target[i];
  if (hidden) *hidden = rec.hidden[i];
  return true;
}

void IModuleGUIResize::StoreControlLayout(int view, int position, int controlIdx, const IRECT& draw,
                                          const IRECT& target, bool hidden) {
  if (view < 0 || view >= static_cast<int>(mRecords.size())) return;
  ViewRecord& rec = mRecords[view];
  const int n = static_cast<int>(rec.controls.size());
  if (position < 0 || position >= n || controlIdx < 0 || controlIdx >= n) return;
  rec.order[position] = rec.controls[controlIdx];
  rec.draw[position] = ToRect4(draw);
  rec.target[position] = ToRect4(target);
  rec.hidden[position] = hidden ? 1 : 0;
}

IRECT IModuleGUIResize::Scaled(const Rect4& r) const {
  return IRECT(ScaleCoord(r[0], mScale), ScaleCoord(r[1], mScale), ScaleCoord(r[2], mScale),
               ScaleCoord(r[3], mScale));
}

template <class Edit>
void IModuleGUIResize::EditControlInLayout(int index, int which, Edit edit) {
  ViewRecord* rec = CurrentRecord();
  if (!rec || index < 0 || index >= static_cast<int>(rec->controls.size())) return;
  IControl* c = rec->controls[index];
  if (which == 0 || which == 1) {
    edit(rec->draw[index]);
    c->SetRECT(Scaled(rec->draw[index]));
  }
  if (which == 0 || which == 2) {
    edit(rec->target[index]);
    c->SetTargetRECT(Scaled(rec->target[index]));
  }
}

void IModuleGUIResize::MoveControlInLayout(int index, int which, double x, double y) {
  EditControlInLayout(index, which, [&](Rect4& r) {
    r = {x, y, x + (r[2] - r[0]), y + (r[3] - r[1])};
  });
}

void IModuleGUIResize::SetControlRight(int index, int which, double value) {
  EditControlInLayout(index, which, [&](Rect4& r) { r[2] = value; });
}

void IModuleGUIResize::SetControlBottom(int index, int which, double value) {
  EditControlInLayout(index, which, [&](Rect4& r) { r[3] = value; });
}

void IModuleGUIResize::RemoveControlFromLayout(IControl* control) {
  auto strip = [control](ViewRecord& rec) {
    const int i = rec.Find(control);
    if (i < 0) return;
    rec.Erase(i);
    // An order entry naming the removed control takes the control recorded at its place.
    for (size_t k = 0; k < rec.order.size(); ++k)
      if (rec.order[k] == control) rec.order[k] = rec.controls[k];
  };
  for (ViewRecord& rec : mRecords) strip(rec);
  strip(mSnapshot);
}

void IModuleGUIResize::ApplyViewControlPositions() {
  ViewRecord* rec = CurrentRecord();
  if (!rec || !mGraphics || mReferenceView >= static_cast<int>(mRecords.size())) return;
  const ViewRecord& ref = mRecords[mReferenceView];
  for (size_t i = 1; i < rec->controls.size(); ++i) {
    const int pos = ref.Find(rec->order[i]);
    IControl* c = rec->controls[i];
    if (pos <= 0 || pos >= mGraphics->NControls() || mGraphics->GetControl(pos) == c) continue;
    if (mGraphics->GetControlIdx(c) < 0) continue;  // no longer in the list
    mGraphics->ReplaceControl(pos, c);
  }
}

// ---- Placement.

void IModuleGUIResize::PlaceHandles() {
  ViewRecord* rec = CurrentRecord();
  if (!rec || mScale <= 0.0) return;
  const double ww = mWindowW / mScale, wh = mWindowH / mScale;
  auto set = [&](IControl* c, const Rect4& r) {
    const int i = rec->Find(c);
    if (i < 0) return;
    rec->draw[i] = r;
    rec->target[i] = r;
  };
  if (mEdgeHandles) {
    set(mWidthHandle, {ww - mEdgeSize, 0.0, ww, wh});
    set(mHeightHandle, {0.0, wh - mEdgeSize, ww, wh});
  }
  const int i = rec->Find(this);
  if (i >= 0) {
    for (Rect4* r : {&rec->draw[i], &rec->target[i]}) {
      const double w = (*r)[2] - (*r)[0], h = (*r)[3] - (*r)[1];
      const double x = ww - mCornerW, y = wh - mCornerW;
      *r = {x, y, x + w, y + h};
    }
  }
}

void IModuleGUIResize::PlaceBackground() {
  IControl* bg = mGraphics ? mGraphics->GetControl(0) : nullptr;
  if (!bg || bg == this) return;
  const IRECT r(0, 0, ScaleCoord(mBaseW, mScale), ScaleCoord(mBaseH, mScale));
  bg->SetRECT(r);
  bg->SetTargetRECT(r);
}

void IModuleGUIResize::RearrangeLayout() {
  ViewRecord* rec = CurrentRecord();
  if (!rec || !mGraphics) return;
  for (size_t i = 1; i < rec->controls.size(); ++i) {
    IControl* c = rec->controls[i];
    if (c != this && mGraphics->GetControlIdx(c) < 0) continue;  // removed since the snapshot
    c->SetRECT(Scaled(rec->draw[i]));
    c->SetTargetRECT(Scaled(rec->target[i]));
    c->Hide(rec->hidden[i] != 0);
  }
  if (mEdgeHandles) {
    if (mWidthHandle && mWidthHandle->GetRECT().W() < mEdgeValue) {
      IRECT r = mWidthHandle->GetRECT();
      r.L = r.R - mEdgeValue;
      mWidthHandle->SetRECT(r);
      mWidthHandle->SetTargetRECT(r);
    }
    if (mHeightHandle && mHeightHandle->GetRECT().H() < mEdgeValue) {
      IRECT r = mHeightHandle->GetRECT();
      r.T = r.B - mEdgeValue;
      mHeightHandle->SetRECT(r);
      mHeightHandle->SetTargetRECT(r);
    }
  }
  // The corner stays square, at least the corner height, anchored bottom-right.
  IRECT r = mRECT;
  int side = std::min(r.W(), r.H());
  if (side < mCornerH) side = mCornerH;
  r = IRECT(r.R - side, r.B - side, r.R, r.B);
  mRECT = mTargetRect = r;
}

void IModuleGUIResize::TakePrivateParams() {
  if (mRestored) return;
  mRestored = true;
  const double view = mPrivateParams[0]->Value();
  if (view > -0.5) {
    const int v = static_cast<int>(view);
    mView = v < GetLayoutViewCount() ? v : 0;
  }
  double w = mBaseW, h = mBaseH;
  if (mPrivateParams[1]->Value() > -0.5) w = mPrivateParams[1]->Value();
  if (mPrivateParams[2]->Value() > -0.5) h = mPrivateParams[2]->Value();
  SetBaseSize(w, h);
}

void IModuleGUIResize::StorePrivateParams() {
  const double values[3] = {double(mView), mBaseW, mBaseH};
  for (int i = 0; i < 3; ++i) {
    IParam* p = mPrivateParams[i].get();
    p->Set(std::clamp(values[i], p->GetMin(), p->GetMax()));
  }
}

void IModuleGUIResize::ApplyToAllControls(double scale) {
  if (!mGraphics) return;
  for (int i = 0; i < mGraphics->NControls(); ++i) mGraphics->GetControl(i)->OnRescale(scale);
}

void IModuleGUIResize::RescaleImagesOnce() {
  if (!mImagesRescaledOnce) {
    RescaleCachedBitmaps(mScale);
    mImagesRescaledOnce = true;
  }
  mRescaled = true;
}

void IModuleGUIResize::RescaleControls() {
  ApplyToAllControls(mScale);
  if (mGraphics) mGraphics->SetAllControlsDirty();
}

IControl* IModuleGUIResize::AttachResizeHandles() {
  if (!mGraphics) return this;
  auto* height = mGraphics->AttachControl(
      std::make_unique<VerticalResizing>(mPlug, mGraphics, this, mEdgeSize));
  auto* width = mGraphics->AttachControl(
      std::make_unique<HorisontalResizing>(mPlug, mGraphics, this, mEdgeSize));
  mHeightHandle = height;
  mWidthHandle = width;
  if (!mEdgeHandles) {
    height->Hide(true);
    width->Hide(true);
  } else if (mHiddenHandle == 0) {
    height->Hide(true);
  } else if (mHiddenHandle == 1) {
    width->Hide(true);
  }
  if (!mSnapshotTaken) {
    for (int i = 0; i < mGraphics->NControls(); ++i) {
      IControl* c = mGraphics->GetControl(i);
      mSnapshot.Append(c, ToRect4(c->GetRECT()), ToRect4(c->GetTargetRECT()),
                       c->IsHidden() ? 1 : 0);
    }
    mSnapshot.Append(this, ToRect4(mRECT), ToRect4(mTargetRect), 0);
    mSnapshotTaken = true;
  }
  mRecords[0] = mSnapshot;
  for (size_t v = 1; v < mRecords.size(); ++v) mRecords[v] = mRecords[0];
  RescaleImagesOnce();
  ApplyToAllControls(mScale);
  OnRescale(mScale);
  mGraphics->SetAllControlsDirty();
  mGraphics->SetAllControlsDirty();
  return this;
}

void IModuleGUIResize::ResizeAtGuiOpen() {
  if (!mGraphics) return;
  TakePrivateParams();
  mScale = ReadStoredScale();
  mGraphics->SetGuiScale(mScale);
  UpdateWindowSize();
  ApplyViewControlPositions();
  PlaceHandles();
  PlaceBackground();
  RearrangeLayout();
  if (mPlug) mPlug->OnWindowResize(mView, mBaseW, mBaseH);
  if (GetShownWidth() == mGraphics->GetWidth() && GetShownHeight() == mGraphics->GetHeight()) {
    mAppliedScale = mScale;
    return;
  }
  if (mLivePreview && !mRescaled && std::fabs(mAppliedScale - mScale) >= kScaleTolerance)
    RescaleCachedBitmaps(mScale);
  mRescaled = false;
  ApplyToAllControls(mScale);
  mGraphics->SetAllControlsDirty();
  mGraphics->Resize(GetShownWidth(), GetShownHeight());
  mResizedSinceOpen = false;
  mNotice = false;
  mAppliedScale = mScale;
}

void IModuleGUIResize::ResizeAndStoreGuiSize() {
  if (!mGraphics) return;
  bool changed = false;
  const double stored = ReadSettingDouble("guiscale", -1.0);
  if (!(std::fabs(stored - mScale) < kScaleTolerance)) {
    WriteSettingDouble("guiscale", mScale);
    changed = true;
  }
  mGraphics->SetGuiScale(mScale);
  UpdateWindowSize();
  StorePrivateParams();
  ApplyViewControlPositions();
  PlaceHandles();
  PlaceBackground();
  RearrangeLayout();
  if (mPlug) mPlug->OnWindowResize(mView, mBaseW, mBaseH);

  auto rescaleAndResize = [this] {
    ApplyToAllControls(mScale);
    mGraphics->SetAllControlsDirty();
    mGraphics->Resize(GetShownWidth(), GetShownHeight());
    mGraphics->SetAllControlsDirty();
  };
  if (!mLivePreview) {
    rescaleAndResize();
    return;
  }
  if (!mFillPreview) {
    if (changed) RescaleCachedBitmaps(mScale);
    rescaleAndResize();
  } else if (mDragActive) {
    // The window is filled dark while the drag runs; images follow on release.
    mGraphics->Resize(GetShownWidth(), GetShownHeight());
    mGraphics->SetAllControlsDirty();
  } else {
    RescaleCachedBitmaps(mScale);
    rescaleAndResize();
  }
  mResizedSinceOpen = true;
}

// ---- Mouse.

void IModuleGUIResize::SetCursor(int id) {
  WEMU_SetCursor(WEMU_LoadCursor(id));
}

void IModuleGUIResize::SetWholeWindowRects() {
  mRECT = mTargetRect = IRECT(0, 0, mWindowW, mWindowH);
}

void IModuleGUIResize::OnMouseOver(int x, int y, IMouseMod* mod) {
  if (!mNotice) SetCursor(kCursorDiagonal);
}

void IModuleGUIResize::OnMouseOut() {
  SetCursor(kCursorArrow);
}

void IModuleGUIResize::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && mod->R) {
    OnRightClick();
    return;
  }
  if (mod && mod->L && mLivePreview && mFillPreview && mCornerScales && !mNotice) {
    SetWholeWindowRects();
    mDragActive = true;
  }
  if (!mNotice) SetCursor(kCursorDiagonal);
}

void IModuleGUIResize::OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) {
  if (mNotice) return;
  if (mCornerScales) {
    const double base = mBaseW + mBaseH;
    if (base <= 0.0) return;
    mScale = ClampScale((x + y) / base);
    mAppliedScale = mScale;
    UpdateWindowSize();
  } else {
    if (mScale <= 0.0) return;
    SetBaseSize(x / mScale, y / mScale);
  }
  if (mLivePreview && mFillPreview && mCornerScales) {
    SetWholeWindowRects();
  } else {
    const int c = std::max(static_cast<int>(mCornerW * mScale), mCornerH);
    mRECT = mTargetRect = IRECT(x - c, y - c, x, y);
  }
  ResizeAndStoreGuiSize();
  mDragged = true;
}

void IModuleGUIResize::OnMouseUp(int x, int y, IMouseMod* mod) {
  SetCursor(kCursorArrow);
  if (mLivePreview && mFillPreview && !mNotice) {
    RescaleCachedBitmaps(mScale);
    RearrangeLayout();
    ApplyToAllControls(mScale);
    if (mGraphics) mGraphics->SetAllControlsDirty();
    mDragActive = mDragged = false;
    mAppliedScale = mScale;
    if (mGraphics) mGraphics->SetAllControlsDirty();
  }
  if (mPlug) mPlug->OnWindowResize(mView, mBaseW, mBaseH);
}

bool IModuleGUIResize::IsDirty() {
  if (mLivePreview && mResizedSinceOpen && !mNotice && !mDragActive) {
    mNotice = std::fabs(mAppliedScale - mScale) >= kScaleTolerance;
    if (mNotice) SetWholeWindowRects();
  }
  return mNotice;
}

// ---- Drawing.

bool IModuleGUIResize::Draw(IGraphics* graphics) {
  if (mNotice) {
    SetWholeWindowRects();
    DrawReopenNotice(graphics);
  } else {
    DrawCornerHandle(graphics);
  }
  return true;
}

void IModuleGUIResize::RescaleCachedBitmaps(double scale) {
  if (mGraphics) mGraphics->RescaleCachedBitmaps(scale);
}

void IModuleGUIResize::FillWhileResizing(IGraphics* graphics, const IRECT& area) {
  if (!graphics) return;
  const IColor dark(255, 25, 25, 25);
  IRECT r = area;
  graphics->FillIRect(&dark, &r);
}

void IModuleGUIResize::DrawReopenNotice(IGraphics* graphics) {
  if (!graphics) return;
  FillWhileResizing(graphics, mRECT);
  const int size =
      mFirstBaseW > 0.0 ? static_cast<int>(graphics->GetWidth() * 77.0 / mFirstBaseW) : 0;
  if (size <= 0) return;
  IText text(size, COLOR_WHITE, "Arial", IText::kStyleItalic, IText::kAlignNear);
  const int half = graphics->GetHeight() / 2;
  IRECT first(0, std::max(half - size, 0), mRECT.R, mRECT.B);
  IRECT second(0, half, mRECT.R, mRECT.B);
  graphics->DrawText(&text, "  Reopen plugin interface", &first);
  graphics->DrawText(&text, "  to get new size...", &second);
}

void IModuleGUIResize::DrawCornerHandle(IGraphics* graphics) {
  RAST_IBitmap* bm = graphics ? graphics->GetDrawBitmap() : nullptr;
  const int w = mRECT.W();
  if (!bm || w <= 0) return;
  for (int i = 0; i < w; ++i) {
    const double f = static_cast<double>(w - i) / w;
    const float alpha = static_cast<float>(1.0 - f * f * f);
    RAST_FLine(bm, float(mRECT.L + i), float(mRECT.B), float(mRECT.R), float(mRECT.B - w + i),
               RAST_MakePixel(255, 255, 255, 255), alpha, RAST_BLIT_MODE_COPY, true);
  }
}

// ---- Edge handles.

void IModuleGUIResize::EdgeDrag(bool width, int pos) {
  if (mScale <= 0.0) return;
  if (width)
    SetBaseWidth(pos / mScale);
  else
    SetBaseHeight(pos / mScale);
  ResizeAndStoreGuiSize();
}

EdgeResizing::EdgeResizing(IModuleBase* plug, IGraphics* graphics, IModuleGUIResize* owner,
                           const IRECT& rect, bool width)
    : IControl(plug, rect), mGraphics(graphics), mOwner(owner), mWidth(width) {
  if (graphics) graphics->SetHandleMouseOver(true);
}

void EdgeResizing::OnMouseDown(int x, int y, IMouseMod* mod) {
  EdgeResizing::OnMouseOver(x, y, mod);
}
void EdgeResizing::OnMouseOver(int x, int y, IMouseMod* mod) {
  mOwner->SetCursor(mWidth ? kCursorLeftRight : kCursorUpDown);
}
void EdgeResizing::OnMouseOut() {
  mOwner->SetCursor(kCursorArrow);
}
void EdgeResizing::OnMouseDrag(int x, int y, int dx, int dy, IMouseMod* mod) {
  mOwner->EdgeDrag(mWidth, mWidth ? x : y);
}

HorisontalResizing::HorisontalResizing(IModuleBase* plug, IGraphics* graphics,
                                       IModuleGUIResize* owner, int size)
    : EdgeResizing(plug, graphics, owner,
                   graphics ? IRECT(graphics->GetWidth() - size, 0, graphics->GetWidth(),
                                    graphics->GetHeight())
                            : IRECT(),
                   true) {}

VerticalResizing::VerticalResizing(IModuleBase* plug, IGraphics* graphics, IModuleGUIResize* owner,
                                   int size)
    : EdgeResizing(plug, graphics, owner,
                   graphics ? IRECT(0, graphics->GetHeight() - size, graphics->GetWidth(),
                                    graphics->GetHeight())
                            : IRECT(),
                   false) {}
