// The static layer under the controls that change: the background, the panels shown and their
// labels, drawn once and copied from on each redraw.
#include <algorithm>
#include <cstring>

#include "graphics/graphics_caches.h"
#include "graphics/igraphics.h"
#include "rast/rast_bitmap.h"

using graphics_detail::gBitmapGeneration;

int IGraphics::StaticLayerCount() {
  // Controls of a parameter change while the user works; those asked on every idle call may
  // change without being marked.
  const int n = std::min(NControls(), mStaticLayer.limit);
  int count = 0;
  while (count < n) {
    IControl* c = GetControl(count);
    if (c->ParamIdx() >= 0 || c->HasOwnDirtyState() || !c->DrawsInsideDrawRect()) break;
    ++count;
  }
  return count;
}

int IGraphics::UseStaticLayer(const IRECT& area) {
  StaticLayer& layer = mStaticLayer;
  if (layer.valid) {
    for (std::size_t i = 0; i < layer.held.size() && static_cast<int>(i) < NControls(); ++i) {
      const StaticLayer::Held& h = layer.held[i];
      IControl* c = GetControl(static_cast<int>(i));
      if (h.control == c && h.hidden == c->IsHidden() && h.dirtyCount != c->DirtyCount()) {
        layer.limit = static_cast<int>(i);
        break;
      }
    }
  }
  const int count = StaticLayerCount();
  // A hidden background is skipped by the redraw; the layer always holds it.
  if (count < 2 || !mDrawBitmap || !mDrawBitmap->getBits() || GetControl(0)->IsHidden()) {
    layer.valid = false;
    return 0;
  }
  bool fresh = layer.valid && layer.bitmaps == gBitmapGeneration.load() &&
               layer.held.size() == static_cast<std::size_t>(count) && layer.pixels &&
               layer.pixels->getWidth() == mWidth && layer.pixels->getHeight() == mHeight;
  for (int i = 0; fresh && i < count; ++i) {
    const StaticLayer::Held& h = layer.held[static_cast<std::size_t>(i)];
    IControl* c = GetControl(i);
    fresh = h.control == c && h.dirtyCount == c->DirtyCount() && h.hidden == c->IsHidden();
  }
  if (!fresh) {
    if (!layer.pixels || layer.pixels->getWidth() != mWidth || layer.pixels->getHeight() != mHeight)
      layer.pixels = std::make_unique<RAST_SysBitmap>(mWidth, mHeight);
    if (!layer.pixels->getBits()) {
      layer.valid = false;
      return 0;
    }
    layer.bitmaps = gBitmapGeneration.load();
    layer.held.clear();
    // Drawn as a redraw of the whole window draws them, into the layer's buffer.
    std::swap(mDrawBitmap, layer.pixels);
    const IRECT drawRect = mDrawRect;
    const IRECT all(0, 0, mWidth, mHeight);
    mDrawRect = all;
    for (int i = 0; i < count; ++i) {
      IControl* c = GetControl(i);
      if (!c->IsHidden() && !c->GetRECT().Empty() && c->GetRECT().Overlaps(all)) c->Draw(this);
      layer.held.push_back({c, c->DirtyCount(), c->IsHidden()});
    }
    mDrawRect = drawRect;
    std::swap(mDrawBitmap, layer.pixels);
    layer.valid = true;
  }
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
  return count;
}
