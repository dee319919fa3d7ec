// IGraphics core: control list, plug-to-GUI value propagation, dirty tracking and the draw cycle.
#include "graphics/igraphics.h"

#include <algorithm>
#include <cassert>
#include <utility>

#include "graphics/graphics_caches.h"

#include "graphics/imodule_gui_resize.h"
#include "graphics/live_edit.h"
#include "plugin/iparam.h"

IGraphics::IGraphics(IModuleBase* plug, int width, int height, int fps)
    : mPlug(plug), mWidth(width), mHeight(height), mFPS(fps > 0 ? fps : kDefaultFPS) {
  ++graphics_detail::gLiveGraphics;
  const LiveEditSettings live = LiveEditSettingsFromEnvironment();
  if (live.enabled) EnableLiveEdit(true, live.gridSize, live.snapDistance);
}

void IGraphics::EnableLiveEdit(bool on, int gridSize, int snapDistance) {
  mLiveEdit = on;
  mLiveEditGridSize = gridSize > 0 ? gridSize : 1;
  mLiveEditSnap = snapDistance > 0 ? snapDistance : 0;
}

IGraphics::~IGraphics() {
  mKeyCatcher.reset();
  while (!mControls.empty()) mControls.pop_back();  // the last attached goes first
  mDrawBitmap.reset();
  mTmpBitmap.reset();
  --graphics_detail::gLiveGraphics;
}

void IGraphics::CreateDrawBitmaps() {
  mDrawBitmap.reset();
  mTmpBitmap.reset();
  mDrawBitmap = std::make_unique<RAST_SysBitmap>(mWidth, mHeight);
  mTmpBitmap = std::make_unique<RAST_MemBitmap>(0, 0, 4);
}

void IGraphics::Resize(int w, int h) {
  mWidth = w;
  mHeight = h;
  CreateDrawBitmaps();
  if (mPlug) mPlug->ResizeGraphics();
}

int IGraphics::ResizeHandleCount() const {
  return mPlug && mPlug->GetGUIResize() ? IModuleGUIResize::kHandleCount : 0;
}

void IGraphics::RenumberControls() {
  mOwnDirtyControls.clear();
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    c->SetListIdx(i);
    if (c->HasOwnDirtyState()) mOwnDirtyControls.push_back(c);
  }
  mControlsIndexed = false;
  ++mListGeneration;
  NoteRedrawChange();
}

const std::vector<IGraphics::ParamBinding>* IGraphics::ControlsOfParam(int paramIdx) {
  if (!mControlsIndexed || mIndexedGeneration != IControl::BindingGeneration() ||
      mIndexedCount != NControls()) {
    mControlsByParam.clear();
    auto add = [this](int p, IControl* c, int aux) {
      if (p < 0) return;
      if (static_cast<std::size_t>(p) >= mControlsByParam.size())
        mControlsByParam.resize(static_cast<std::size_t>(p) + 1);
      mControlsByParam[static_cast<std::size_t>(p)].push_back(ParamBinding{c, aux});
    };
    for (int i = 0; i < NControls(); ++i) {
      IControl* c = GetControl(i);
      add(c->ParamIdx(), c, -1);
      for (int a = 0; a < c->NAuxParams(); ++a) {
        const int p = c->GetAuxParam(a)->mParamIdx;
        if (c->AuxParamIdx(p) == a)
          add(p, c, a);  // the first entry of a parameter is the one that follows it
      }
    }
    mControlsIndexed = true;
    mIndexedGeneration = IControl::BindingGeneration();
    mIndexedCount = NControls();
  }
  if (paramIdx < 0 || static_cast<std::size_t>(paramIdx) >= mControlsByParam.size()) return nullptr;
  return &mControlsByParam[static_cast<std::size_t>(paramIdx)];
}

int IGraphics::GetControlIdx(const IControl* control) const {
  for (std::size_t i = 0; i < mControls.size(); ++i) {
    if (mControls[i].get() == control) return static_cast<int>(i);
  }
  return -1;
}

void IGraphics::InsertControl(int idx, IControl* control) {
  mControls.emplace(mControls.begin() + idx, control);
  RenumberControls();
}

void IGraphics::AttachControl(IControl* control) {
  if (control) InsertControl(NControls(), control);
}

void IGraphics::RemoveControl(int idx) {
  if (idx < 0 || idx >= NControls()) return;
  (void)mControls[static_cast<std::size_t>(idx)].release();  // the caller keeps it
  mControls.erase(mControls.begin() + idx);
  RenumberControls();
}

// The layout editor restores an order through a run of these, so a control may stand in two
// slots for a moment; nothing is deleted on the way.
void IGraphics::ReplaceControl(int idx, IControl* control) {
  const int limit = NControls() - ResizeHandleCount();
  if (!control || idx <= 0 || idx >= limit) return;
  std::unique_ptr<IControl>& slot = mControls[static_cast<std::size_t>(idx)];
  (void)slot.release();
  slot.reset(control);
  RenumberControls();
}

void IGraphics::MoveControl(int from, int to) {
  const int limit = NControls() - ResizeHandleCount();
  if (from <= 0 || from >= limit || to < 1 || to >= limit) return;
  std::unique_ptr<IControl> control = std::move(mControls[static_cast<std::size_t>(from)]);
  mControls.erase(mControls.begin() + from);
  mControls.insert(mControls.begin() + to, std::move(control));
  RenumberControls();
}

void IGraphics::SwapControls(int a, int b) {
  const int limit = NControls() - ResizeHandleCount();
  if (a <= 0 || b <= 0 || a >= limit || b >= limit) return;
  std::swap(mControls[static_cast<std::size_t>(a)], mControls[static_cast<std::size_t>(b)]);
  RenumberControls();
}

void IGraphics::SetKeyCatcher(IControl* control) {
  if (control == mKeyCatcher.get()) return;
  mKeyCatcher.reset(control);
}

void IGraphics::AttachResizeHandles(IModuleGUIResize* resize) {
  if (resize) AttachControl(resize->AttachResizeHandles());
}

void IGraphics::ResizeAtGuiOpen(IModuleGUIResize* resize) {
  if (resize) resize->ResizeAtGuiOpen();
}

void IGraphics::RecordAttachLayout(LiveEditState* state) {
  if (!state) return;
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    const IRECT& d = c->GetRECT();
    const IRECT& t = c->GetTargetRECT();
    state->AddAttachedControl(LiveEditRect{d.L, d.T, d.R, d.B}, LiveEditRect{t.L, t.T, t.R, t.B},
                              !c->IsHidden(), c);
  }
}

void IGraphics::HideControlsOfParam(int paramIdx, bool hide) {
  assert(OnGuiThread() && "GUI call off the main thread");
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    if (c->ParamIdx() == paramIdx) c->Hide(hide);
  }
}

void IGraphics::GrayOutControlsOfParam(int paramIdx, bool gray) {
  assert(OnGuiThread() && "GUI call off the main thread");
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    if (c->ParamIdx() == paramIdx) c->GrayOut(gray);
  }
}

void IGraphics::MoveControlsOfParam(int paramIdx, int x, int y) {
  assert(OnGuiThread() && "GUI call off the main thread");
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    if (c->ParamIdx() == paramIdx) c->MoveTo(x, y);
  }
}

void IGraphics::SetControlsValue(int paramIdx, double normalizedValue) {
  assert(OnGuiThread() && "GUI call off the main thread");
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    if (c->ParamIdx() == paramIdx) c->SetValueFromUserInput(normalizedValue);
  }
}

void IGraphics::SetControlClampRange(int paramIdx, bool normalized, double lo, double hi) {
  if (!normalized) {
    IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;  // a plain range means nothing without its parameter
    lo = param->ToNormalized(lo);
    hi = param->ToNormalized(hi);
  }
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    if (c->ParamIdx() == paramIdx) c->SetClampRange(lo, hi);
  }
}

bool IGraphics::IsControlOfParamHidden(int paramIdx) const {
  bool hidden = false;
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    if (c->ParamIdx() == paramIdx) hidden = c->IsHidden();
  }
  return hidden;
}

void IGraphics::HideControl(int idx, bool hide) {
  if (IControl* c = GetControl(idx)) c->Hide(hide);
}

void IGraphics::GrayOutControl(int idx, bool gray) {
  if (IControl* c = GetControl(idx)) c->GrayOut(gray);
}

void IGraphics::MoveControlTo(int idx, int x, int y) {
  if (IControl* c = GetControl(idx)) c->MoveTo(x, y);
}

void IGraphics::SetControlFromPlug(int idx, double normalizedValue) {
  if (IControl* c = GetControl(idx)) c->SetValueFromPlug(normalizedValue);
}

void IGraphics::SetControlsFromPlugValue(int paramIdx, bool normalized, double value) {
  assert(OnGuiThread() && "GUI call off the main thread");
  if (!normalized) {
    IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (!param) return;  // cannot be normalised without its parameter
    value = param->ToNormalized(value);
  }
  // Fetched again per control: a control's update may rebind controls, which remakes the index.
  for (std::size_t k = 0;; ++k) {
    const std::vector<ParamBinding>* bound = ControlsOfParam(paramIdx);
    if (!bound || k >= bound->size()) break;
    const ParamBinding b = (*bound)[k];
    if (b.aux < 0)
      b.control->SetValueFromPlug(value);
    else
      b.control->SetAuxParamValueFromPlug(b.aux, value);
  }
}

void IGraphics::SetAllControlsDirty() {
  std::vector<StaticLayer::Held>& held = mStaticLayer.held;
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    const unsigned before = c->DirtyCount();
    c->SetDirty(false);
    // Asking for a repaint changes nothing the layer holds.
    const auto k = static_cast<std::size_t>(i);
    if (k < held.size() && held[k].control == c && held[k].dirtyCount == before)
      held[k].dirtyCount = c->DirtyCount();
  }
}

void IGraphics::SetStrictDrawing(bool strict) {
  mStrictDrawing = strict;
  SetAllControlsDirty();
}

void IGraphics::SetTooltipsFromParamNames() {
  if (!mPlug) return;
  for (int i = 0; i < NControls(); ++i) {
    IControl* c = GetControl(i);
    if (c->ParamIdx() < 0) continue;
    if (IParam* param = mPlug->GetParam(c->ParamIdx())) c->SetTooltip(param->GetName());
  }
}

void IGraphics::CallReservedHookOnAllControls() {
  for (int i = 0; i < NControls(); ++i) GetControl(i)->ReservedHook();
}

bool IGraphics::IsDirty(IRECT* r) {
  const bool found = DirtyArea(r);
  if (found || mQuietTickFound) {
    // What a quiet check found (asking may have reset a control's reason) is kept for this tick.
    if (r && mQuietTickFound) *r = r->Union(mQuietTickArea);
    mQuietTickFound = false;
    mQuietTickArea = IRECT();
    mIdleTicks = 0;
    return true;
  }
  const int old = mIdleTicks++;
  if (old >= 1) {
    if (mPlug) mPlug->OnTick();
    mIdleTicks = 0;
  }
  return false;
}

bool IGraphics::LookAt(IControl* c, IRECT& area) {
  if (c->Animation().AnyRunning()) c->SetDirty(true);
  if (!c->IsDirty()) return false;
  area = area.Union(c->GetRECT());
  return true;
}

bool IGraphics::ChangeLog::take(std::vector<Noted>& out, unsigned listNow) {
  const unsigned changes = gRedrawGeneration.load(std::memory_order_relaxed);
  const bool complete = changes - base == count && list == listNow;
  out.swap(noted);
  noted.clear();
  base = changes;
  count = 0;
  list = listNow;
  return complete;
}

bool IGraphics::NotedAreCurrent() const {
  for (const Noted& n : mNoted)
    if (n.index < 0 || n.index >= NControls() || GetControl(n.index) != n.control) return false;
  return true;
}

bool IGraphics::IsQuietTick() {
  // A change since all were clean is left to IsDirty: a look at every control may push the
  // values of animations to the plug, which a quiet check must not do.
  if (gRedrawGeneration.load(std::memory_order_relaxed) != mCleanAtGeneration) return false;
  IRECT area;
  if (DirtyArea(&area)) {
    mQuietTickArea = mQuietTickArea.Union(area);
    mQuietTickFound = true;
    return false;
  }
  if (mIdleTicks == 0) {
    ++mIdleTicks;
    return true;
  }
  if (mPlug && mPlug->HasIdleWork()) return false;
  mIdleTicks = 0;  // OnTick, which would have done nothing
  return true;
}

bool IGraphics::DirtyArea(IRECT* r) {
  assert(OnGuiThread() && "GUI call off the main thread");
  bool dirty = false;
  IRECT area = r ? *r : IRECT();
  const unsigned changes = gRedrawGeneration.load(std::memory_order_relaxed);
  if (changes != mCleanAtGeneration) {
    // Looked at again are the noted controls only when every change since was noted, else all.
    std::vector<Noted> looked;
    const bool notedOnly = changes - mNotedBase == mNotedChanges && NotedAreCurrent();
    if (notedOnly) looked.swap(mNoted);
    mNoted.clear();
    mNotedBase = changes;
    mNotedChanges = 0;
    auto look = [&](IControl* c) {
      const std::size_t before = mNoted.size();
      // Still dirty: a candidate next time too (SetDirty in LookAt notes it itself).
      if (!LookAt(c, area)) return;
      dirty = true;
      if (mNoted.size() == before) mNoted.push_back({c, c->GetListIdx()});
    };
    if (notedOnly) {
      std::sort(looked.begin(), looked.end(),
                [](const Noted& a, const Noted& b) { return a.index < b.index; });
      for (std::size_t k = 0; k < looked.size(); ++k) {
        const Noted& n = looked[k];
        // Pushing an animation's value may have changed the list: such a change is looked at
        // in full next time.
        if (n.index >= NControls() || GetControl(n.index) != n.control) continue;
        if (k == 0 || n.control != looked[k - 1].control) look(n.control);
      }
      auto lookedAt = [&](const IControl* c) {
        auto it = std::lower_bound(looked.begin(), looked.end(), c->GetListIdx(),
                                   [](const Noted& n, int index) { return n.index < index; });
        return it != looked.end() && it->control == c;
      };
      // Asked once a pass, as some of them change state when asked.
      for (IControl* c : mOwnDirtyControls)
        if (!lookedAt(c)) look(c);
    } else {
      for (int i = 0; i < NControls(); ++i) look(GetControl(i));
    }
    if (!dirty) mCleanAtGeneration = changes;
  } else {
    // Nothing changed since every control was found clean: only the controls that turn dirty
    // on their own can be dirty now.
    for (IControl* c : mOwnDirtyControls) {
      if (c->IsDirty()) {
        area = area.Union(c->GetRECT());
        dirty = true;
      }
    }
  }
  if (r) *r = area;
  return dirty;
}

void IGraphics::CleanDrawn() {
  // Only a control noted since the last redraw can be dirty or have a redraw pending; each is
  // cleaned once (a second time would drop the pending redraw).
  std::vector<Noted>& list = mCleaning;
  if (!mCleanLog.take(list, mListGeneration)) {
    for (int i = 0; i < NControls(); ++i) GetControl(i)->SetClean();
    return;
  }
  std::sort(list.begin(), list.end(),
            [](const Noted& a, const Noted& b) { return a.index < b.index; });
  for (std::size_t k = 0; k < list.size(); ++k) {
    const Noted& n = list[k];
    if ((k > 0 && n.control == list[k - 1].control) || n.index < 0 || n.index >= NControls() ||
        GetControl(n.index) != n.control)
      continue;
    n.control->SetClean();
  }
  list.clear();
}

bool IGraphics::Draw(IRECT* r) {
  assert(OnGuiThread() && "GUI call off the main thread");
  IModuleGUIResize* resize = mPlug ? mPlug->GetGUIResize() : nullptr;
  if (resize && resize->IsResizeDragActive()) {
    IRECT full(0, 0, mWidth, mHeight);
    mDrawRect = full;
    resize->FillWhileResizing(this, full);
    return DrawScreen(&full);
  }
  const int n = NControls();
  if (n == 0) return true;
  const IRECT area = r ? *r : IRECT();

  if (mStrictDrawing) {
    // The first frame reaches the screen sooner without making the layer: the next redraw
    // makes it.
    const bool layered = std::exchange(mStaticLayer.firstFrameDrawn, true) && UseStaticLayer(area);
    const std::vector<int>& onTop = mStaticLayer.onTop;
    mDrawRect = area;
    const int count = layered ? static_cast<int>(onTop.size()) : n;
    for (int k = 0; k < count; ++k) {
      IControl* c = GetControl(layered ? onTop[static_cast<std::size_t>(k)] : k);
      if (!c->IsHidden() && !area.Empty() && !c->GetRECT().Empty() && c->GetRECT().Overlaps(area))
        c->Draw(this);
    }
    CleanDrawn();
  } else if (GetControl(0)->IsDirty()) {
    // The background changed: everything is redrawn over it.
    mDrawRect = GetControl(0)->GetRECT();
    for (int i = 0; i < n; ++i) {
      IControl* c = GetControl(i);
      if (i != 0 && c->IsHidden()) continue;
      c->Draw(this);
      c->SetClean();
    }
  } else {
    // Each dirty control is redrawn with whatever overlaps it, bottom to top.
    for (int i = 1; i < n; ++i) {
      IControl* dirty = GetControl(i);
      if (!dirty->IsDirty()) continue;
      mDrawRect = dirty->GetRECT();
      for (int j = 0; j < n; ++j) {
        IControl* c = GetControl(j);
        if (c->IsHidden()) continue;
        if (j == i ||
            (!c->GetRECT().Empty() && !mDrawRect.Empty() && c->GetRECT().Overlaps(mDrawRect)))
          c->Draw(this);
      }
      dirty->SetClean();
    }
  }
  if (mLiveEdit && mPlug) {
    // The overlay goes over everything and may lie outside the redrawn area.
    IRECT all(0, 0, mWidth, mHeight);
    mDrawRect = all;
    const LiveEditFields fields{&mMouseMod, &mLiveEditRectMode, &mLiveEditGridSize, &mLiveEditSnap,
                                &mLastKey,  &mLiveEditSwallow,  &mLiveEditControl,  &mDragging};
    if (LiveEditFrame(mPlug->GetLiveEditState(), mPlug, this, fields, mGuiScale, mMouseX, mMouseY,
                      mWidth, mHeight))
      return DrawScreen(&all);
  }
  return DrawScreen(r);
}
