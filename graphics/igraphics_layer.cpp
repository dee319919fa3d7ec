// The static layer: every control that draws the same until it is marked dirty, drawn once and
// copied from on each redraw, with the controls that change drawn over it.
#include <algorithm>
#include <cstring>

#include "graphics/graphics_caches.h"
#include "graphics/igraphics.h"
#include "rast/rast_bitmap.h"

using graphics_detail::gBitmapGeneration;

namespace {

// Whether the part of inner inside the w x h window lies inside outer.
bool Inside(const IRECT& inner, const IRECT& outer, int w, int h) {
  return std::max(inner.L, 0) >= outer.L && std::max(inner.T, 0) >= outer.T &&
         std::min(inner.R, w) <= outer.R && std::min(inner.B, h) <= outer.B;
}

// Whether frame (1-based) of the image, put over r, has no see-through pixel in it.
bool FrameIsSolid(IFrameBitmap& image, int frame, const IRECT& r) {
  int x, y;
  graphics_detail::FrameOrigin(image, frame, &x, &y);
  RAST_BitmapRows rows(image.mBitmap);
  if (!rows || x + r.W() > rows.width || y + r.H() > rows.height) return false;
  for (int row = y; row < y + r.H(); ++row) {
    const RAST_pixel* p = rows.at(x, row);
    RAST_pixel all = 0xffu;
    for (int i = 0; i < r.W(); ++i) all &= p[i];
    if (RAST_PixelAlpha(all) != 0xffu) return false;
  }
  return true;
}

}  // namespace

// Whether the control's drawing replaces every pixel of its rectangle, whatever lies beneath:
// one frame of an image without see-through pixels, copied over all of it. The answer is kept
// while the control shows the same frame of the same pixels.
bool IGraphics::DrawsSolid(StaticLayer::Held& h) {
  int frame = 1;
  IFrameBitmap* image = h.control->SolidFrame(&frame);
  const IRECT& r = h.control->GetRECT();
  if (!image || !image->mBitmap || r.W() <= 0 || r.H() <= 0) return false;
  const StaticLayer::SolidCheck check{image->mBitmap->getBits(), frame, r.W(), r.H(),
                                      gBitmapGeneration.load()};
  if (!(check == h.solidChecked)) {
    h.solidChecked = check;
    h.solidAnswer = FrameIsSolid(*image, frame, r);
  }
  return h.solidAnswer;
}

void IGraphics::PlanStaticLayer() {
  using Held = StaticLayer::Held;
  StaticLayer& layer = mStaticLayer;
  std::vector<Held>& held = layer.held;
  const int n = static_cast<int>(held.size());
  std::vector<StaticLayer::Role> before(held.size());
  for (int i = 0; i < n; ++i) before[static_cast<std::size_t>(i)] = held[i].role;
  // From the top down: what a solid control above hides is never seen. A control that is itself
  // hidden that way is not asked, so its image is not decoded for nothing.
  std::vector<IRECT> solids;
  for (int i = n - 1; i >= 0; --i) {
    Held& h = held[static_cast<std::size_t>(i)];
    const bool covered =
        !h.rect.Empty() && std::any_of(solids.begin(), solids.end(), [&](const IRECT& s) {
          return Inside(h.rect, s, mWidth, mHeight);
        });
    h.role = covered ? StaticLayer::kCovered : StaticLayer::kInLayer;
    h.solid = !covered && !h.hidden && !h.rect.Empty() && DrawsSolid(h);
    if (h.solid) solids.push_back(h.rect);
  }
  // From the bottom up: a control that changes is drawn on each redraw, and so is every one
  // above it that overlaps it, to stay above it.
  std::vector<IRECT> onTop;
  for (int i = 0; i < n; ++i) {
    Held& h = held[static_cast<std::size_t>(i)];
    if (h.role == StaticLayer::kCovered) continue;
    const IControl& c = *h.control;
    const bool top =
        h.changed || c.HasOwnDirtyState() || !c.DrawsInsideDrawRect() ||
        std::any_of(onTop.begin(), onTop.end(), [&](const IRECT& r) { return r.Overlaps(h.rect); });
    if (!top) continue;
    h.role = StaticLayer::kOnTop;
    // A hidden one draws nothing; showing it plans again.
    if (!h.hidden && !h.rect.Empty()) onTop.push_back(h.rect);
  }
  layer.onTop.clear();
  for (int i = 0; i < n; ++i) {
    const Held& h = held[static_cast<std::size_t>(i)];
    if (h.role == StaticLayer::kOnTop) layer.onTop.push_back(i);
    const StaticLayer::Role was = before[static_cast<std::size_t>(i)];
    if (was != h.role && (was == StaticLayer::kInLayer || h.role == StaticLayer::kInLayer) &&
        !h.hidden && !h.rect.Empty())
      layer.stale.push_back(h.rect);
  }
}

void IGraphics::DrawStaticLayer(const IRECT& area) {
  const IRECT r(std::max(area.L, 0), std::max(area.T, 0), std::min(area.R, mWidth),
                std::min(area.B, mHeight));
  if (r.R <= r.L || r.B <= r.T) return;
  // Drawn as a redraw of the area draws them, into the layer's buffer.
  std::swap(mDrawBitmap, mStaticLayer.pixels);
  const IRECT drawRect = mDrawRect;
  mDrawRect = r;
  for (const StaticLayer::Held& h : mStaticLayer.held)
    if (h.role == StaticLayer::kInLayer && !h.hidden && !h.rect.Empty() && h.rect.Overlaps(r))
      h.control->Draw(this);
  mDrawRect = drawRect;
  std::swap(mDrawBitmap, mStaticLayer.pixels);
}

bool IGraphics::UseStaticLayer(const IRECT& area) {
  using Held = StaticLayer::Held;
  StaticLayer& layer = mStaticLayer;
  const int n = NControls();
  // Only over a background the layer can hold: a hidden one is skipped by the redraw, and
  // without one a redraw draws over what the buffer had.
  auto holdable = [](const IControl* c) {
    return !c->HasOwnDirtyState() && c->DrawsInsideDrawRect();
  };
  if (n < 2 || !mDrawBitmap || !mDrawBitmap->getBits() || GetControl(0)->IsHidden() ||
      !holdable(GetControl(0)) || !holdable(GetControl(1))) {
    layer.valid = false;
    return false;
  }
  bool whole = !layer.valid || layer.bitmaps != gBitmapGeneration.load() ||
               layer.list != mListGeneration || layer.held.size() != static_cast<std::size_t>(n) ||
               !layer.pixels || layer.pixels->getWidth() != mWidth ||
               layer.pixels->getHeight() != mHeight;
  // Taken first: what drawing below notes is for the next call.
  std::vector<Noted>& looking = layer.looking;
  const bool notedOnly = layer.changed.take(looking, mListGeneration);
  layer.stale.clear();
  bool replan = whole;
  if (whole) {
    if (!layer.pixels || layer.pixels->getWidth() != mWidth || layer.pixels->getHeight() != mHeight)
      layer.pixels = std::make_unique<RAST_SysBitmap>(mWidth, mHeight);
    if (!layer.pixels->getBits()) {
      layer.valid = false;
      return false;
    }
    // What changed before stays known for the controls that are still there.
    std::vector<Held> held;
    held.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      IControl* c = GetControl(i);
      const auto k = static_cast<std::size_t>(i);
      const bool changed =
          k < layer.held.size() && layer.held[k].control == c && layer.held[k].changed;
      held.push_back({c, c->DirtyCount(), c->ShapeCount(), c->GetRECT(), c->IsHidden(), changed,
                      false, StaticLayer::kInLayer});
    }
    layer.held = std::move(held);
    layer.bitmaps = gBitmapGeneration.load();
    layer.list = mListGeneration;
  } else {
    const bool reshaped = layer.shapes != IControl::ShapeGeneration();
    // Without a change of shape, a control whose dirty count moved was noted.
    auto update = [&](Held& h) {
      IControl* c = h.control;
      if (reshaped && (h.hidden != c->IsHidden() || h.rect != c->GetRECT())) {
        // Shown, hidden or moved: its area is drawn again, with whatever it shows now.
        if (h.role == StaticLayer::kInLayer && !h.hidden && !h.rect.Empty())
          layer.stale.push_back(h.rect);
        h.hidden = c->IsHidden();
        h.rect = c->GetRECT();
        if (h.role == StaticLayer::kInLayer && !h.hidden && !h.rect.Empty())
          layer.stale.push_back(h.rect);
        replan = true;
      } else if (c->DirtyCount() - h.dirtyCount > c->ShapeCount() - h.shapeCount) {
        // Marked dirty more often than shown, hidden or moved (hiding a hidden control again
        // marks it dirty too): changed on its own, so drawn on each redraw from now on. A solid
        // one may have turned to a frame that is not.
        if (!h.changed && h.role == StaticLayer::kInLayer) replan = true;
        if (h.role != StaticLayer::kCovered && !h.hidden && (h.solid || DrawsSolid(h)))
          replan = true;
        h.changed = true;
      }
      h.dirtyCount = c->DirtyCount();
      h.shapeCount = c->ShapeCount();
    };
    if (!reshaped && notedOnly) {
      for (const Noted& c : looking)
        if (c.index >= 0 && c.index < n &&
            layer.held[static_cast<std::size_t>(c.index)].control == c.control)
          update(layer.held[static_cast<std::size_t>(c.index)]);
    } else {
      for (Held& h : layer.held) update(h);
    }
  }
  looking.clear();
  layer.shapes = IControl::ShapeGeneration();
  if (replan) PlanStaticLayer();
  if (whole) {
    layer.stale.assign(1, IRECT(0, 0, mWidth, mHeight));
  } else if (layer.stale.size() > 16) {
    IRECT all;
    for (const IRECT& r : layer.stale) all = all.Union(r);
    layer.stale.assign(1, all);
  }
  for (const IRECT& r : layer.stale) DrawStaticLayer(r);
  layer.stale.clear();
  layer.valid = true;
  // The area, inside the window, copied into the back buffer.
  const int l = std::max(area.L, 0), t = std::max(area.T, 0);
  const int r = std::min(area.R, mWidth), b = std::min(area.B, mHeight);
  if (r > l && b > t) {
    const int from = layer.pixels->getRowSpan(), to = mDrawBitmap->getRowSpan();
    const RAST_pixel* src = layer.pixels->getBits() + static_cast<std::size_t>(t) * from + l;
    RAST_pixel* dst = mDrawBitmap->getBits() + static_cast<std::size_t>(t) * to + l;
    for (int y = t; y < b; ++y, src += from, dst += to)
      std::memcpy(dst, src, static_cast<std::size_t>(r - l) * sizeof(RAST_pixel));
  }
  return true;
}
