// Text drawing and measuring through a process-wide cache of fonts, one per style.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "graphics/graphics_caches.h"
#include "graphics/igraphics.h"
#include "rast/cached_font.h"
#include "rast/rast_bitmap.h"
#include "wemu/gdi_font.h"

namespace graphics_detail {

namespace {

struct FontEntry {
  int size, orientation, style, quality;
  char face[36];
  std::unique_ptr<RAST_IFont> font;
};

struct FontCache {
  std::recursive_mutex mutex;
  std::vector<std::unique_ptr<FontEntry>> entries;
};

FontCache& Fonts() {
  static FontCache* cache = new FontCache;  // lives until exit, past static destructors of users
  return *cache;
}

HGDIOBJ__* MakeSystemFont(const IText& t, int height) {
  static constexpr DWORD kQuality[] = {0, 3, 4, 4};
  const DWORD quality = t.mQuality >= 0 && t.mQuality <= 3 ? kQuality[t.mQuality] : 3;
  return CreateFont(height, 0, t.mOrientation * 10, t.mOrientation * 10,
                    t.mStyle == IText::kStyleBold ? 700 : 400,
                    t.mStyle == IText::kStyleItalic ? 1 : 0, 0, 0, 0, 0, 0, quality, 0, t.mFont);
}

}  // namespace

RAST_IFont* CachedFontFor(const IText& t) {
  FontCache& cache = Fonts();
  std::lock_guard<std::recursive_mutex> lock(cache.mutex);
  // Quality is part of the key: styles that differ only in anti-aliasing must not share.
  for (const auto& e : cache.entries) {
    if (e->size == t.mSize && e->orientation == t.mOrientation && e->style == t.mStyle &&
        e->quality == t.mQuality && std::strncmp(e->face, t.mFont, sizeof e->face) == 0)
      return e->font.get();
  }
  const int h = std::max(t.mSize, 2);
  HGDIOBJ__* handle = MakeSystemFont(t, h);
  if (!handle) return nullptr;
  auto font = std::make_unique<RAST_CachedFont>();
  font->SetFromHFont(handle, 0x600);
  const int lineHeight = font->GetLineHeight();
  // A second try at the height that makes the line height come out as asked; a font that
  // reports no line height, or one so far off that no font could correct it, keeps the first.
  if (lineHeight > 0 && lineHeight != h) {
    const double corrected = std::round(static_cast<double>(h) * h / lineHeight);
    if (corrected <= 8192.0) {
      if (HGDIOBJ__* second = MakeSystemFont(t, std::max(static_cast<int>(corrected), 2)))
        font->SetFromHFont(second, 0x600);
    }
  }
  auto entry = std::make_unique<FontEntry>();
  entry->size = t.mSize;
  entry->orientation = t.mOrientation;
  entry->style = t.mStyle;
  entry->quality = t.mQuality;
  std::strncpy(entry->face, t.mFont, sizeof entry->face - 1);
  entry->face[sizeof entry->face - 1] = '\0';
  entry->font = std::move(font);
  RAST_IFont* out = entry->font.get();
  cache.entries.push_back(std::move(entry));
  return out;
}

void ResetFontCache() {
  FontCache& cache = Fonts();
  std::lock_guard<std::recursive_mutex> lock(cache.mutex);
  cache.entries.clear();
}

}  // namespace graphics_detail

bool IGraphics::DrawText(IText* text, const char* str, IRECT* r, bool measure) {
  if (!str || !*str) return true;
  if (!text || !r) return false;
  if (!text->mCached) text->mCached = graphics_detail::CachedFontFor(*text);
  RAST_IFont* font = text->mCached;
  if (!font) return false;
  if (!measure && graphics_detail::FindingImages()) return true;  // no image in a text
  const RAST_pixel color = text->mColor.ToPixel();
  font->SetTextColor(color);
  unsigned flags = DT_NOCLIP;
  if (text->mColor.A < 255) flags |= RAST_DT_TEXTALPHA;
  if (text->mAlign == IText::kAlignCenter)
    flags |= DT_CENTER;
  else if (text->mAlign != IText::kAlignNear)
    flags |= DT_RIGHT;

  if (!measure) {
    // The glyphs stop at the draw rectangle: text wider than its control must not leave pixels
    // outside the area being repainted.
    graphics_detail::ClipView view(mDrawBitmap.get(), mDrawRect);
    if (!view.Valid()) return true;
    RECT at{r->L - view.OX(), r->T - view.OY(), r->R - view.OX(), r->B - view.OY()};
    font->DrawText(&view, str, -1, &at, flags);
    return true;
  }
  RECT m{0, 0, 0, 0};
  font->DrawText(mDrawBitmap.get(), str, -1, &m, flags | DT_CALCRECT);
  const int w = m.right, h = m.bottom;
  if (text->mAlign == IText::kAlignNear) {
    r->R = r->L + w;
  } else if (text->mAlign == IText::kAlignCenter) {
    r->L = static_cast<int>((r->L + r->R) * 0.5f) - w / 2;
    r->R = r->L + w;
  } else {
    r->L = r->R - w;
  }
  r->B = r->T + h;
  return true;
}

bool IGraphics::MeasureText(IText* text, const char* str, IRECT* r) {
  return DrawText(text, str, r, true);
}

int IGraphics::GlyphRuns(IText* text, const char* str, int* inkLeft, int* inkRight) {
  IRECT m(0, 0, 0, 0);
  if (!str || !*str || !text || !DrawText(text, str, &m, true) || !text->mCached) return 0;
  // Drawn light on dark on a bitmap of its own, with room for glyphs past their advance.
  const int pad = std::max(2, text->mSize / 2), w = m.W() + 2 * pad, h = m.H() + 2 * pad;
  RAST_MemBitmap scratch(w, h);
  RAST_BitmapRows rows(&scratch);
  if (!rows || rows.width < w || rows.height < h) return 0;
  const RAST_pixel dark = RAST_MakePixel(0, 0, 0, 255);
  for (int y = 0; y < h; ++y) std::fill(rows.row(y), rows.row(y) + w, dark);
  RAST_IFont* font = text->mCached;
  const RAST_pixel was = font->SetTextColor(RAST_MakePixel(255, 255, 255, 255));
  RECT at{pad, pad, w, h};
  font->DrawText(&scratch, str, -1, &at, DT_NOCLIP);
  font->SetTextColor(was);
  int runs = 0, first = -1, last = -1;
  for (int x = 0, before = 0; x < w; ++x) {
    int most = 0;
    for (int y = 0; y < h; ++y) most = std::max<int>(most, RAST_PixelGreen(*rows.at(x, y)));
    const int marked = most > 127;
    runs += marked && !before;
    before = marked;
    if (most > 32) last = x, first = first < 0 ? x : first;  // the ink as it shows
  }
  if (inkLeft) *inkLeft = first - pad;
  if (inkRight) *inkRight = last + 1 - pad;
  return runs;
}
