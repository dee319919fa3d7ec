// The layout editor's context menu and its per-view undo history.
#include <string>

#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"
#include "graphics/live_edit.h"
#include "graphics/live_edit_rects.h"
#include "plugin/ipopup_menu.h"

namespace {

enum MenuItem {
  kUndo = 0,
  kRedo = 1,
  kResetPosition = 3,
  kResetSize = 4,
  kMerge = 5,
  kHide = 7,
  kToFront = 9,
  kToBack = 10,
  kForward = 12,
  kBackward = 13,
  kDeselect = 15,
  kGrid = 16,
  kCoords = 17,
  kResetView = 19,
  kDelete = 21
};

LiveEditSnapshot Take(const LiveEditContext& ctx) {
  LiveEditSnapshot snap;
  const LiveEditState* s = ctx.s;
  for (int i = 0; i < s->AttachedCount(); ++i) {
    const IControl* c = s->attachControls.Get(i);
    snap.draw.push_back(ToLive(c->GetRECT()));
    snap.target.push_back(ToLive(c->GetTargetRECT()));
    snap.hidden.push_back(c->IsHidden());
  }
  for (int i = 0; i < ctx.g->NControls(); ++i) snap.order.push_back(ctx.g->GetControl(i));
  snap.deleted = s->deleted;
  return snap;
}

void Apply(LiveEditContext& ctx, const LiveEditSnapshot& snap, bool hideDeleted) {
  LiveEditState* s = ctx.s;
  for (int u = 1; u < ctx.e && u < static_cast<int>(snap.order.size()); ++u)
    ctx.g->ReplaceControl(u, snap.order[static_cast<size_t>(u)]);
  for (int i = 0; i < s->AttachedCount() && i < static_cast<int>(snap.draw.size()); ++i) {
    IControl* c = s->attachControls.Get(i);
    c->SetRECT(ToIRECT(snap.draw[static_cast<size_t>(i)]));
    c->SetTargetRECT(ToIRECT(snap.target[static_cast<size_t>(i)]));
    c->Hide(snap.hidden[static_cast<size_t>(i)]);
  }
  s->deleted = snap.deleted;
  if (hideDeleted)
    for (int k : s->deleted)
      if (IControl* c = s->attachControls.Get(k)) c->Hide(true);
  ctx.g->SetAllControlsDirty();
}

// The undo list, its position and the current layout of the view being edited.
struct ViewHistory {
  std::vector<LiveEditSnapshot>& undo;
  int& pos;
  LiveEditSnapshot& current;
};

// Sizes every view's history to the view count first.
ViewHistory History(LiveEditState* s) {
  const size_t views = static_cast<size_t>(s->viewCount > 0 ? s->viewCount : 1);
  s->undo.resize(views);
  s->undoPos.resize(views, -1);
  s->current.resize(views);
  const size_t v = static_cast<size_t>(s->currentView);
  return {s->undo[v], s->undoPos[v], s->current[v]};
}

// After an undo or a deletion: the current layout is stored first, then every other layout
// view's block is rebuilt from its own layout, and the current view is shown again.
void RegenerateAllViews(LiveEditContext& ctx, bool hideInOthers, int hideIdx) {
  const int cur = ctx.s->currentView;
  GenerateLayoutHeader(ctx, cur, false);
  if (!ctx.resize) return;
  for (int v = 0; v < ctx.s->viewCount; ++v) {
    if (v == cur) continue;
    ctx.s->currentView = v;
    ctx.resize->SelectLayoutView(v);
    ctx.resize->RearrangeLayout();
    if (hideInOthers)
      if (IControl* c = ctx.Control(hideIdx)) c->Hide(true);
    GenerateLayoutHeader(ctx, v, false);
  }
  ctx.s->currentView = cur;
  ctx.resize->SelectLayoutView(cur);
  ctx.resize->RearrangeLayout();
}

int Scaled(int v, double scale) {
  return static_cast<int>(v * scale);
}

}  // namespace

void PushUndoSnapshot(LiveEditContext& ctx) {
  ViewHistory h = History(ctx.s);
  const int pos = ++h.pos;
  h.undo.resize(static_cast<size_t>(pos) + 1);
  h.undo[static_cast<size_t>(pos)] = Take(ctx);
}

void StoreCurrentSnapshot(LiveEditContext& ctx) {
  LiveEditState* s = ctx.s;
  ViewHistory h = History(s);
  s->lastActionUndo = s->lastActionRedo = false;
  h.current = Take(ctx);
}

void DropDuplicateUndoSnapshot(LiveEditContext& ctx) {
  ViewHistory h = History(ctx.s);
  if (h.undo.size() >= 2 && h.undo[h.undo.size() - 1] == h.undo[h.undo.size() - 2]) {
    h.undo.pop_back();
    --h.pos;
  }
}

void UndoLayoutChange(LiveEditContext& ctx) {
  LiveEditState* s = ctx.s;
  ViewHistory h = History(s);
  s->lastActionUndo = true;
  if (s->lastActionRedo && h.pos + 1 < static_cast<int>(h.undo.size())) {
    --h.pos;
    s->lastActionRedo = false;
  }
  if (h.pos >= 0) {
    Apply(ctx, h.undo[static_cast<size_t>(h.pos)], true);
    RegenerateAllViews(ctx, false, -1);
    --h.pos;
  }
  ctx.ClearSelection();
}

void RedoLayoutChange(LiveEditContext& ctx) {
  LiveEditState* s = ctx.s;
  ViewHistory h = History(s);
  s->lastActionRedo = true;
  if (s->lastActionUndo) {
    ++h.pos;
    s->lastActionUndo = false;
  }
  if (h.pos + 1 < static_cast<int>(h.undo.size())) {
    ++h.pos;
    Apply(ctx, h.undo[static_cast<size_t>(h.pos)], false);
  } else if (h.pos >= 0) {
    Apply(ctx, h.current, false);
  }
  GenerateLayoutHeader(ctx, s->currentView, false);
  ctx.ClearSelection();
}

void LiveEditContextMenu(LiveEditContext& ctx) {
  LiveEditState* s = ctx.s;
  const int mode = *ctx.f.rectMode;
  // The menu takes the button's release, so the press ends here.
  ctx.f.mod->R = false;
  *ctx.f.picked = -1;

  const int sel = s->selectedIdx;
  IControl* c = sel >= 1 && sel < ctx.e ? ctx.Control(sel) : nullptr;
  const bool controlItem = c && !ctx.GroupExists();
  const bool differ = c && c->GetRECT() != c->GetTargetRECT();
  const int off = IPopupMenuItem::kDisabled, on = IPopupMenuItem::kNoFlags;
  IPopupMenu menu;
  menu.AddItem("Undo");
  menu.AddItem("Redo");
  menu.AddSeparator();
  menu.AddItem("Reset Control Position", -1, controlItem ? on : off);
  menu.AddItem("Reset Control Size", -1, controlItem ? on : off);
  if (controlItem && differ)
    menu.AddItem("Merge Draw and Target Rect");
  else
    menu.AddItem("Merge Draw and Target IRECT", -1, off);
  menu.AddSeparator();
  if (controlItem)
    menu.AddItem(c->IsHidden() ? "Show Control" : "Hide Control");
  else
    menu.AddItem("Show Control", -1, off);
  menu.AddSeparator();
  menu.AddItem("Bring to Front", -1, controlItem ? on : off);
  menu.AddItem("Send to Back", -1, controlItem ? on : off);
  menu.AddSeparator();
  menu.AddItem("Bring Forward", -1, controlItem ? on : off);
  menu.AddItem("Send Backward", -1, controlItem ? on : off);
  menu.AddSeparator();
  menu.AddItem("Deselect", -1, ctx.GroupExists() ? on : off);
  menu.AddItem(s->showGrid ? "Hide Grid" : "Show Grid");
  menu.AddItem(s->showMouseCoords ? "Hide Mouse Coordinates" : "Show Mouse Coordinates");
  menu.AddSeparator();
  menu.AddItem("Reset View to Default");
  menu.AddSeparator();
  menu.AddItem("Delete Control !!!", -1, controlItem ? on : off);

  IRECT at(ctx.mouseX, ctx.mouseY, ctx.mouseX, ctx.mouseY);
  IPopupMenu* chosen = ctx.g->CreateIPopupMenu(&menu, &at);
  if (chosen != &menu) return;
  const int item = menu.GetChosenItemIdx();
  IPopupMenuItem* entry = menu.GetItem(item);
  if (!entry || !entry->GetEnabled()) return;

  switch (item) {
    case kUndo:
      UndoLayoutChange(ctx);
      return;
    case kRedo:
      RedoLayoutChange(ctx);
      return;
    case kDeselect:
      ctx.DropGroup();
      return;
    case kGrid:
      s->showGrid = !s->showGrid;
      return;
    case kCoords:
      s->showMouseCoords = !s->showMouseCoords;
      return;
    default:
      break;
  }
  PushUndoSnapshot(ctx);
  const int k = ctx.AttachIndex(c);
  const bool onDraw = mode != 2, onTarget = mode != 1;
  auto attachDraw = [&] { return ToIRECT(s->attachDrawRects.Get()[k]); };
  auto attachTarget = [&] { return ToIRECT(s->attachTargetRects.Get()[k]); };
  switch (item) {
    case kResetPosition:
    case kResetSize:
      if (k < 0) break;
      for (int which = 0; which < 2; ++which) {
        if (which == 0 ? !onDraw : !onTarget) continue;
        IRECT r = which == 0 ? c->GetRECT() : c->GetTargetRECT();
        const IRECT a = which == 0 ? attachDraw() : attachTarget();
        if (item == kResetPosition)
          r = IRECT(Scaled(a.L, ctx.scale), Scaled(a.T, ctx.scale), Scaled(a.L, ctx.scale) + r.W(),
                    Scaled(a.T, ctx.scale) + r.H());
        else
          r = IRECT(r.L, r.T, r.L + Scaled(a.W(), ctx.scale), r.T + Scaled(a.H(), ctx.scale));
        if (which == 0)
          c->SetRECT(r), s->selDraw = ToLive(r);
        else
          c->SetTargetRECT(r), s->selTarget = ToLive(r);
      }
      break;
    case kMerge:
      if (mode == 1) c->SetTargetRECT(c->GetRECT()), s->selTarget = s->selDraw;
      if (mode == 2) c->SetRECT(c->GetTargetRECT()), s->selDraw = s->selTarget;
      break;
    case kHide:
      c->Hide(!c->IsHidden());
      break;
    case kToFront:
      ctx.g->MoveControl(sel, ctx.e - 1), s->selectedIdx = ctx.e - 1;
      break;
    case kToBack:
      ctx.g->MoveControl(sel, 1), s->selectedIdx = 1;
      break;
    case kForward:
      if (sel + 1 < ctx.e) ctx.g->SwapControls(sel, sel + 1), s->selectedIdx = sel + 1;
      break;
    case kBackward:
      if (sel > 1) ctx.g->SwapControls(sel, sel - 1), s->selectedIdx = sel - 1;
      break;
    case kResetView: {
      for (int u = 1; u < ctx.e && u < s->AttachedCount(); ++u)
        ctx.g->ReplaceControl(u, s->attachControls.Get(u));
      const double f = ctx.resize ? ctx.scale : 1.0;
      auto scaled = [&](const LiveEditRect& r) {
        if (!ctx.resize) return ToIRECT(r);
        auto sv = [f](int v) { return static_cast<int>((v + 0.4999) * f); };
        return IRECT(sv(r.L), sv(r.T), sv(r.R), sv(r.B));
      };
      for (int u = 0; u < ctx.n && u < s->AttachedCount(); ++u) {
        IControl* a = s->attachControls.Get(u);
        a->SetRECT(scaled(s->attachDrawRects.Get()[u]));
        a->SetTargetRECT(scaled(s->attachTargetRects.Get()[u]));
        if (!IsControlDeleted(ctx, a)) a->Hide(!s->attachVisible.Get()[u]);
      }
      ctx.ClearSelection();
      GenerateLayoutHeader(ctx, s->currentView, true);
      StoreCurrentSnapshot(ctx);
      return;
    }
    case kDelete: {
      const std::string text =
          "If you confirm this dialog, you need to delete control number " + std::to_string(k) +
          "!\n\nDelete control from plugin constructor immediately, otherwise your GUI layout "
          "will be messed up after next recompile...\n\nIf you want to add new control, just "
          "place it after last attached control in plugin constructor.";
      if (k >= 0 && ctx.g->ShowMessageBox(text.c_str(), "Warning!!!", 1) == 1) {
        s->deleted.push_back(k);
        if (ctx.resize) RegenerateAllViews(ctx, true, sel);
        c->Hide(true);
        ctx.ClearSelection();
      }
      break;
    }
    default:
      break;
  }
  ctx.g->SetAllControlsDirty();
  GenerateLayoutHeader(ctx, s->currentView, false);
  StoreCurrentSnapshot(ctx);
}
