// The live layout editor's frame: keys, picking, dragging and resizing with grid snap and
// alignment guides, marquee groups and the overlay.
#include "graphics/live_edit.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/igraphics.h"
#include "graphics/imodule_gui_resize.h"
#include "graphics/live_edit_rects.h"
#include "rast/rast_fill.h"
#include "rast/rast_line.h"
#include "rast/rast_shapes.h"
#include "wemu/cursors.h"

namespace {

constexpr int kKeyB = 16, kKeyD = 18, kKeyE = 19, kKeyT = 34;
constexpr int kCursorArrow = 32512, kCursorDiagonal = 32642;

int EnvInt(const char* name, int fallback, int lo) {
  const char* v = std::getenv(name);
  if (!v || !*v) return fallback;
  char* end = nullptr;
  const long n = std::strtol(v, &end, 10);
  if (*end || n < lo || n > 10000) return fallback;
  return static_cast<int>(n);
}

// The lower-right corner square a press must hit to resize.
IRECT CornerOf(const IRECT& r, int c) {
  return IRECT(r.R - c, r.B - c, r.R, r.B);
}

void SetCursor(LiveEditContext& ctx, int id) {
  if (ctx.s->cursor == id) return;
  ctx.s->cursor = id;
  WEMU_SetCursor(WEMU_LoadCursor(id));
}

RAST_pixel Pixel(const LiveEditColor& c) {
  return IColor(c.A, c.R, c.G, c.B).ToPixel();
}
const LiveEditColor& ModeColor(const LiveEditState* s, int mode) {
  return mode == 2 ? s->targetColor : mode == 1 ? s->drawColor : s->bothColor;
}

void DashedRect(LiveEditContext& ctx, const IRECT& r, const LiveEditColor& color) {
  RAST_IBitmap* bm = ctx.g->GetDrawBitmap();
  const RAST_pixel c = Pixel(color);
  RAST_DashedLine(bm, r.L, r.T, r.R, r.T, 2, 2, c, RAST_BLIT_MODE_COPY, 1.0f);
  RAST_DashedLine(bm, r.L, r.B, r.R, r.B, 2, 2, c, RAST_BLIT_MODE_COPY, 1.0f);
  RAST_DashedLine(bm, r.L, r.T, r.L, r.B, 2, 2, c, RAST_BLIT_MODE_COPY, 1.0f);
  RAST_DashedLine(bm, r.R, r.T, r.R, r.B, 2, 2, c, RAST_BLIT_MODE_COPY, 1.0f);
}

void SolidRect(LiveEditContext& ctx, IRECT r, const LiveEditColor& color) {
  const IColor c(color.A, color.R, color.G, color.B);
  ctx.g->DrawIRect(&c, &r);
}

// A text on a box of the label background; returns the box.
IRECT LabelBox(LiveEditContext& ctx, const char* str, int x, int y, int size,
               const LiveEditColor& color, int align, bool measureOnly = false) {
  IText text(size, IColor(color.A, color.R, color.G, color.B),
             ctx.s->fontFace ? ctx.s->fontFace : "Monaco", IText::kStyleNormal, align, 0,
             IText::kQualityClearType);
  IRECT box(x, y, x + 100000, y + size);
  ctx.g->MeasureText(&text, str, &box);
  box = IRECT(x, y, x + box.W(), y + size);
  if (measureOnly) return box;
  const LiveEditColor& bg = ctx.s->labelBackground;
  RAST_FillRect(ctx.g->GetDrawBitmap(), box.L, box.T, box.W(), box.H(), Pixel(bg), 1.0f,
                RAST_BLIT_USE_ALPHA);
  ctx.g->DrawText(&text, str, &box);
  return box;
}

void Keys(LiveEditContext& ctx) {
  LiveEditState* s = ctx.s;
  const int key = *ctx.f.lastKey;
  const bool shift = ctx.f.mod->S;
  if (key == kKeyE) *ctx.f.overlayOn = !*ctx.f.overlayOn;
  const int mode = key == kKeyB ? 0 : key == kKeyD ? 1 : key == kKeyT ? 2 : -1;
  if (mode >= 0 && shift) s->snapTo = mode;
  if (mode >= 0 && !shift) {
    *ctx.f.rectMode = mode;
    ctx.ClearSelection();
    ctx.DropGroup();
  }
  *ctx.f.lastKey = -1;
  if (!shift) s->snapTo = *ctx.f.rectMode;
}

void CornerHover(LiveEditContext& ctx, bool* hover) {
  *hover = false;
  if (ctx.GroupExists()) return;
  for (int i = 1; i < ctx.e; ++i) {
    if (ctx.IsDeleted(i)) continue;
    const IRECT r = ctx.RectOfMode(i);
    if (r.Contains(ctx.mouseX, ctx.mouseY))
      *hover = CornerOf(r, ctx.corner).Contains(ctx.mouseX, ctx.mouseY);
  }
}

void Pick(LiveEditContext& ctx, int picked) {
  LiveEditState* s = ctx.s;
  IControl* c = ctx.Control(picked);
  s->selDraw = ToLive(c->GetRECT());
  s->selTarget = ToLive(c->GetTargetRECT());
  s->selectedIdx = picked;
  if (picked != s->prevPicked) {
    s->anchorX = ctx.mouseX;
    s->anchorY = ctx.mouseY;
    s->pickDraw = s->selDraw;
    s->pickTarget = s->selTarget;
    s->resizing = CornerOf(ctx.RectOfMode(picked), ctx.corner).Contains(ctx.mouseX, ctx.mouseY);
  }
}

void DrawOverlay(LiveEditContext& ctx) {
  LiveEditState* s = ctx.s;
  const int mode = *ctx.f.rectMode;
  RAST_IBitmap* bm = ctx.g->GetDrawBitmap();
  for (int i = 1; i < ctx.e; ++i) {
    if (ctx.IsDeleted(i)) continue;
    IControl* c = ctx.Control(i);
    if (c->GetRECT() == c->GetTargetRECT()) {
      DashedRect(ctx, c->GetRECT(), s->bothColor);
    } else {
      DashedRect(ctx, c->GetTargetRECT(), s->targetColor);
      DashedRect(ctx, c->GetRECT(), s->drawColor);
    }
  }
  if (s->selectedIdx >= 1 && s->selectedIdx < ctx.e) {
    const IRECT d = ToIRECT(s->selDraw), t = ToIRECT(s->selTarget);
    if (mode == 0 && d == t) {
      SolidRect(ctx, d, s->bothColor);
    } else {
      SolidRect(ctx, t, s->targetColor);
      SolidRect(ctx, d, s->drawColor);
    }
    if (d != t)
      RAST_Line(bm, d.W() / 2 + d.L, d.H() / 2 + d.T, t.W() / 2 + t.L, t.H() / 2 + t.T,
                Pixel(s->bothColor), 1.0f, RAST_BLIT_MODE_COPY, true);
  }
  for (int i = 1; i < ctx.e; ++i) {
    if (ctx.IsDeleted(i)) continue;
    const IRECT r = ctx.RectOfMode(i);
    if (r.Empty()) continue;  // not editable in this mode
    RAST_FillTriangle(bm, r.R - ctx.corner, r.B, r.R, r.B, r.R, r.B - ctx.corner,
                      Pixel(ModeColor(s, mode)), RAST_BLIT_USE_ALPHA, 1.0f);
  }
  if (s->showGrid) DrawEditGrid(ctx);

  // The selection's label.
  IRECT shown = mode == 2                                 ? ToIRECT(s->selTarget)
                : mode == 1 || s->selDraw == s->selTarget ? ToIRECT(s->selDraw)
                                                          : IRECT();
  const IRECT raw = shown;
  if (ctx.resize)
    shown = IRECT(static_cast<int>(shown.L * ctx.scale), static_cast<int>(shown.T * ctx.scale),
                  static_cast<int>(shown.R * ctx.scale), static_cast<int>(shown.B * ctx.scale));
  if (!shown.Empty() && s->selectedIdx >= 1 && s->selectedIdx < ctx.n) {
    const bool hidden = ctx.Control(s->selectedIdx)->IsHidden();
    char label[101];
    std::snprintf(label, sizeof label, "N:%i IRECT(%i,%i,%i,%i)%s", s->selectedIdx, shown.L,
                  shown.T, shown.R, shown.B, hidden ? " (HIDDEN)" : "");
    LabelBox(ctx, label, raw.L, raw.T <= 14 ? raw.B : raw.T - 15, 15, s->bothColor,
             IText::kAlignNear);
  }
  if (s->showMouseCoords) {
    char coords[33];
    std::snprintf(coords, sizeof coords, "x: %i, y: %i", ctx.mouseX, ctx.mouseY);
    IText text(20,
               IColor(ModeColor(s, mode).A, ModeColor(s, mode).R, ModeColor(s, mode).G,
                      ModeColor(s, mode).B),
               s->fontFace ? s->fontFace : "Monaco", IText::kStyleNormal, IText::kAlignCenter);
    IRECT box(ctx.width - 150, ctx.height - 20, ctx.width, ctx.height);
    ctx.g->DrawText(&text, coords, &box);
  }
}

}  // namespace

LiveEditSettings LiveEditSettingsFromEnvironment() {
  LiveEditSettings s;
  const char* on = std::getenv("VQ_LIVE_EDIT");
  s.enabled = on && std::string(on) == "1";
  s.gridSize = EnvInt("VQ_LIVE_EDIT_GRID", 1, 1);
  s.snapDistance = EnvInt("VQ_LIVE_EDIT_SNAP", 0, 0);
  return s;
}

IControl* LiveEditContext::Control(int idx) const {
  return g->GetControl(idx);
}

IRECT LiveEditContext::RectOf(int idx, int mode) const {
  const IControl* c = Control(idx);
  if (!c) return IRECT();
  if (mode == 2) return c->GetTargetRECT();
  if (mode == 1 || c->GetRECT() == c->GetTargetRECT()) return c->GetRECT();
  return IRECT();
}

int LiveEditContext::AttachIndex(const IControl* c) const {
  return c ? s->attachControls.Find(c) : -1;
}

bool LiveEditContext::IsDeleted(int idx) const {
  return IsControlDeleted(*this, Control(idx));
}

bool LiveEditContext::GroupExists() const {
  return !(s->groupRect == LiveEditRect{999999999, 999999999, 0, 0});
}

void LiveEditContext::DropGroup() {
  s->groupRect = s->groupGrab = LiveEditRect{999999999, 999999999, 0, 0};
  s->groupIdx.clear();
  s->groupDraw.clear();
  s->groupTarget.clear();
}

void LiveEditContext::ClearSelection() {
  s->selectedIdx = -1;
  s->pickDraw = s->pickTarget = LiveEditRect{0, 0, 0, 0};
}

int LiveEditContext::NoHandles() const {
  const int n0 = s->AttachedCount() - (resize ? 3 : 0);
  return n0 > 0 ? n0 : 0;
}

bool IsControlDeleted(const LiveEditContext& ctx, const IControl* control) {
  const int k = ctx.AttachIndex(control);
  if (k < 0) return false;
  for (int d : ctx.s->deleted)
    if (d == k) return true;
  return false;
}

bool LiveEditFrame(LiveEditState* state, IModuleBase* plug, IGraphics* graphics,
                   const LiveEditFields& fields, double scale, int mouseX, int mouseY, int width,
                   int height) {
  if (!state || !graphics) return false;
  // The modal loop of the editor's own menu or message box keeps drawing; the open frame goes on
  // after it.
  if (state->inFrame) return *fields.overlayOn;
  LiveEditContext ctx{state,
                      plug,
                      graphics,
                      plug ? plug->GetGUIResize() : nullptr,
                      fields,
                      scale,
                      mouseX,
                      mouseY,
                      width,
                      height,
                      graphics->NControls(),
                      0,
                      1,
                      8};
  LiveEditState* s = state;
  const IMouseMod& mod = *fields.mod;
  ctx.e = ctx.resize ? std::max(ctx.n - IModuleGUIResize::kHandleCount, 0) : ctx.n;
  ctx.grid = ctx.resize ? static_cast<int>(*fields.gridSize * scale) : *fields.gridSize;
  if (ctx.grid < 1) ctx.grid = 1;
  s->gridSize = ctx.grid;
  s->currentView = ctx.resize ? ctx.resize->GetCurrentLayoutView() : 0;
  s->viewCount = ctx.resize ? std::max(ctx.resize->GetLayoutViewCount(), 1) : 1;
  s->viewBlocks.resize(static_cast<size_t>(s->viewCount));
  if (!s->headerRead) {
    s->headerRead = true;
    ReadLayoutHeader(s);
  }
  Keys(ctx);
  if (!*fields.overlayOn) {
    ctx.DropGroup();
    return false;
  }
  for (int i = 0; i < ctx.n; ++i) graphics->GetControl(i)->SetDirty(false);
  DrawDeletedControlsNotice(ctx);

  int& picked = *fields.picked;
  if (picked >= ctx.e) picked = -1;
  s->cornerSize = ctx.corner = static_cast<int>(8.0 * scale);
  bool hover = false;
  CornerHover(ctx, &hover);
  if (!*fields.dragged) SetCursor(ctx, hover ? kCursorDiagonal : kCursorArrow);
  if (mod.R && picked >= 0 && !ctx.IsDeleted(picked)) Pick(ctx, picked);

  const bool leftChanged = mod.L != s->lastL;
  if (!mod.L) s->newGesture = true;
  if (mod.L != s->lastL || mod.R != s->lastR) {
    s->pressX = mouseX;
    s->pressY = mouseY;
    s->lastL = mod.L;
    s->lastR = mod.R;
  }
  if (mod.L && !mod.C && ctx.GroupExists() && !ToIRECT(s->groupGrab).Contains(s->pressX, s->pressY))
    ctx.DropGroup();
  if (mod.L && !mod.C && !ctx.GroupExists() && picked >= 0 && !ctx.IsDeleted(picked)) {
    DragSelectedControl(ctx);
    if (hover || s->resizing) SetCursor(ctx, kCursorDiagonal);
  } else if (mod.C || ctx.GroupExists()) {
    EditControlGroup(ctx, leftChanged);
  }
  *fields.dragged = false;
  s->prevPicked = picked;

  DrawOverlay(ctx);
  if (mod.R) {
    s->inFrame = true;
    LiveEditContextMenu(ctx);
    s->inFrame = false;
  }
  GenerateLayoutHeader(ctx, s->currentView, false);
  return true;
}

void DragSelectedControl(LiveEditContext& ctx) {
  LiveEditState* s = ctx.s;
  const int picked = *ctx.f.picked;
  const int mode = *ctx.f.rectMode;
  const IMouseMod& mod = *ctx.f.mod;
  IControl* c = ctx.Control(picked);
  Pick(ctx, picked);
  if (!*ctx.f.dragged && !mod.S) return;

  const int dx = ctx.mouseX - s->anchorX, dy = ctx.mouseY - s->anchorY;
  IRECT nd = ToIRECT(s->pickDraw), nt = ToIRECT(s->pickTarget);
  if (s->resizing) {
    nd.R += dx, nd.B += dy, nt.R += dx, nt.B += dy;
  } else {
    nd = IRECT(nd.L + dx, nd.T + dy, nd.R + dx, nd.B + dy);
    nt = IRECT(nt.L + dx, nt.T + dy, nt.R + dx, nt.B + dy);
  }
  if (!mod.A) {
    // The remainder keeps the dividend's sign, so negative positions snap toward zero.
    const int g = ctx.grid;
    if (s->resizing) {
      const int rx = nd.R % g, ry = nd.B % g;
      nd.R -= rx, nt.R -= rx, nd.B -= ry, nt.B -= ry;
    } else {
      const int rx = nd.L % g, ry = nd.T % g;
      nd.L -= rx, nd.R -= rx, nt.L -= rx, nt.R -= rx;
      nd.T -= ry, nd.B -= ry, nt.T -= ry, nt.B -= ry;
    }
  }
  ApplyAlignmentGuides(ctx, nd, nt, false);
  if (s->selectedIdx >= 1) {
    if (s->newGesture) {
      PushUndoSnapshot(ctx);
      s->newGesture = false;
    }
    if (mode != 2) c->SetRECT(nd);
    if (mode != 1) c->SetTargetRECT(nt);
    StoreCurrentSnapshot(ctx);
    DropDuplicateUndoSnapshot(ctx);
  }
  if (mode != 2) s->selDraw = ToLive(nd);
  if (mode != 1) s->selTarget = ToLive(nt);
}

void EditControlGroup(LiveEditContext& ctx, bool leftChanged) {
  LiveEditState* s = ctx.s;
  const IMouseMod& mod = *ctx.f.mod;
  const int mode = *ctx.f.rectMode;
  ctx.ClearSelection();
  if (leftChanged) {
    s->marqueeX = ctx.mouseX;
    s->marqueeY = ctx.mouseY;
  }
  if (mod.C) {
    IRECT marquee;
    if (mod.L) {
      marquee = IRECT(std::min(s->marqueeX, ctx.mouseX), std::min(s->marqueeY, ctx.mouseY),
                      std::max(s->marqueeX, ctx.mouseX), std::max(s->marqueeY, ctx.mouseY));
      DashedRect(ctx, marquee, ModeColor(s, s->snapTo));
    }
    ctx.DropGroup();
    for (int i = 1; i < ctx.e; ++i) {
      if (ctx.IsDeleted(i)) continue;
      const IRECT r = ctx.RectOfMode(i);
      if (r.Empty() || marquee.Empty() || r.L < marquee.L || r.T < marquee.T || r.R > marquee.R ||
          r.B > marquee.B)
        continue;
      s->groupIdx.push_back(i);
      s->groupDraw.push_back(ToLive(ctx.Control(i)->GetRECT()));
      s->groupTarget.push_back(ToLive(ctx.Control(i)->GetTargetRECT()));
      LiveEditRect& gr = s->groupRect;
      gr = LiveEditRect{std::min(gr.L, r.L), std::min(gr.T, r.T), std::max(gr.R, r.R),
                        std::max(gr.B, r.B)};
    }
    s->groupGrab = s->groupRect;
  }
  if (mod.L && leftChanged) {
    s->groupAnchorX = ctx.mouseX;
    s->groupAnchorY = ctx.mouseY;
    for (size_t k = 0; k < s->groupIdx.size(); ++k) {
      s->groupDraw[k] = ToLive(ctx.Control(s->groupIdx[k])->GetRECT());
      s->groupTarget[k] = ToLive(ctx.Control(s->groupIdx[k])->GetTargetRECT());
    }
    s->groupGrab = s->groupRect;
    PushUndoSnapshot(ctx);
  }
  if (mod.L && !mod.C && ctx.GroupExists()) {
    const int dx = ctx.mouseX - s->groupAnchorX, dy = ctx.mouseY - s->groupAnchorY;
    const LiveEditRect& gg = s->groupGrab;
    IRECT gr(gg.L + dx, gg.T + dy, gg.R + dx, gg.B + dy);
    if (!mod.A) {
      const int rx = gr.L % ctx.grid, ry = gr.T % ctx.grid;
      gr = IRECT(gr.L - rx, gr.T - ry, gr.R - rx, gr.B - ry);
    }
    IRECT d = gr, t = gr;
    ApplyAlignmentGuides(ctx, d, t, true);
    gr = mode == 2 ? t : d;
    s->groupRect = ToLive(gr);
    if (*ctx.f.dragged) {
      const int mx = gr.L - gg.L, my = gr.T - gg.T;
      for (size_t k = 0; k < s->groupIdx.size(); ++k) {
        IControl* c = ctx.Control(s->groupIdx[k]);
        if (!c) continue;
        if (mode != 2) c->SetRECT(Shifted(s->groupDraw[k], mx, my));
        if (mode != 1) c->SetTargetRECT(Shifted(s->groupTarget[k], mx, my));
      }
    }
    StoreCurrentSnapshot(ctx);
    DropDuplicateUndoSnapshot(ctx);
  }
  if (ctx.GroupExists()) {
    DashedRect(ctx, ToIRECT(s->groupRect), s->groupColor);
    for (int i : s->groupIdx) SolidRect(ctx, ctx.RectOfMode(i), ModeColor(s, mode));
  }
}

void ApplyAlignmentGuides(LiveEditContext& ctx, IRECT& draw, IRECT& target, bool multi) {
  if (!ctx.f.mod->S || ctx.e <= 0) return;
  LiveEditState* s = ctx.s;
  const int mode = *ctx.f.rectMode;
  const int d = *ctx.f.snapDistance;
  const bool resizing = !multi && s->resizing;
  auto moved = [&] { return mode == 2 ? target : mode == 1 || draw == target ? draw : IRECT(); };
  auto inGroup = [&](int i) {
    for (int k : s->groupIdx)
      if (k == i) return true;
    return false;
  };
  for (int axis = 0; axis < 2; ++axis) {
    const IRECT m = moved();
    auto lines = [axis](const IRECT& r, int out[3]) {
      const int lo = axis ? r.T : r.L, hi = axis ? r.B : r.R;
      out[0] = lo, out[1] = (hi - lo) / 2 + lo, out[2] = hi;
    };
    int ml[3];
    lines(m, ml);
    int bestPos = 999999999, bestNeg = -999999999;
    int posOther = 0, posMoved = 0, negOther = 0, negMoved = 0;
    IRECT posRect, negRect;
    for (int i = 0; i < ctx.e; ++i) {
      if (multi ? inGroup(i) : i == *ctx.f.picked) continue;
      const IRECT o = ctx.RectOf(i, s->snapTo);
      int ol[3];
      lines(o, ol);
      for (int a = 0; a < 3; ++a) {
        for (int b = resizing ? 1 : 0; b < 3; ++b) {
          const int delta = ol[a] - ml[b];
          if (delta >= 0 && delta <= d && delta < bestPos)
            bestPos = delta, posOther = ol[a], posMoved = ml[b], posRect = o;
          if (delta <= 0 && delta >= -d && delta > bestNeg)
            bestNeg = delta, negOther = ol[a], negMoved = ml[b], negRect = o;
        }
      }
    }
    if (bestPos == 999999999 && bestNeg == -999999999) continue;
    const bool neg = -bestNeg < bestPos;
    const int delta = neg ? bestNeg : bestPos;
    const int other = neg ? negOther : posOther, line = neg ? negMoved : posMoved;
    const IRECT& o = neg ? negRect : posRect;
    if (delta != 0) {
      auto shift = [&](IRECT& r) {
        if (axis) {
          if (!resizing) r.T += delta;
          r.B += delta;
        } else {
          if (!resizing) r.L += delta;
          r.R += delta;
        }
      };
      if (mode != 2) shift(draw);
      if (mode != 1) shift(target);
    }
    const int oc = axis ? o.W() / 2 + o.L : o.H() / 2 + o.T;
    const int mc = axis ? m.W() / 2 + m.L : m.H() / 2 + m.T;
    const RAST_pixel c = Pixel(ModeColor(s, s->snapTo));
    if (axis)
      RAST_DashedLine(ctx.g->GetDrawBitmap(), oc, other, mc, line + delta, 2, 2, c,
                      RAST_BLIT_MODE_COPY, 1.0f);
    else
      RAST_DashedLine(ctx.g->GetDrawBitmap(), other, oc, line + delta, mc, 2, 2, c,
                      RAST_BLIT_MODE_COPY, 1.0f);
  }
}

void DrawEditGrid(LiveEditContext& ctx) {
  RAST_IBitmap* bm = ctx.g->GetDrawBitmap();
  const RAST_pixel c = Pixel(ctx.s->bothColor);
  if (ctx.grid < 2) {
    RAST_FillRect(bm, 0, 0, ctx.width, ctx.height, c, 0.11f, RAST_BLIT_MODE_COPY);
    return;
  }
  for (int x = 0; x < ctx.width; x += ctx.grid)
    RAST_Line(bm, x, 0, x, ctx.height, c, 0.17f, RAST_BLIT_MODE_COPY, true);
  for (int y = 0; y < ctx.height; y += ctx.grid)
    RAST_Line(bm, 0, y, ctx.width, y, c, 0.17f, RAST_BLIT_MODE_COPY, true);
}

void DrawDeletedControlsNotice(LiveEditContext& ctx) {
  const std::vector<int>& del = ctx.s->deleted;
  if (del.empty()) return;
  std::vector<std::string> pieces{" Delete this controls: "};
  for (int k : del)
    pieces.push_back(std::to_string(k) + " (" + LiveEditTypeName(ctx.s->attachControls.Get(k)) +
                     "), ");
  int x = 0, y = 0;
  for (const std::string& p : pieces) {
    const IRECT box = LabelBox(ctx, p.c_str(), x, y, 15, ctx.s->bothColor, IText::kAlignNear, true);
    if (x > 0 && box.R > ctx.width) x = 0, y += 15;
    x = LabelBox(ctx, p.c_str(), x, y, 15, ctx.s->bothColor, IText::kAlignNear).R;
  }
}
