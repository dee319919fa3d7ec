// The native path of RAST_CachedFont: whole strings through the GDI text drawer. The drawer
// works on a context, so text for a bitmap without one is drawn into the shared native bitmap
// over a copy of the text's box and copied back. A single line of ASCII text (every label of
// the GUI) skips that round and the drawer's per-call work: the face's advances and glyph
// images are looked up once per font and character, and the glyphs are drawn in place by the
// same drawing code at the same positions, so the pixels are those of the round trip.
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "rast/cached_font.h"
#include "rast/cached_font_shared.h"
#include "rast/rast_blit.h"
#include "wemu/gdi_font.h"

namespace {

constexpr unsigned kAlignFlags = DT_VCENTER | DT_CENTER | DT_BOTTOM | DT_RIGHT;
// Longer text goes to the drawer, which cuts it.
constexpr std::size_t kMaxPlainChars = 4000;

// RAST_pixel (alpha low byte, then red, green, blue) to a GDI colour word 0x00RRGGBB.
COLORREF ToColorWord(RAST_pixel p) {
  return RAST_PixelRed(p) << 16 | RAST_PixelGreen(p) << 8 | RAST_PixelBlue(p);
}

int ClampToInt(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// The part of the bitmap the text's block covers, and where the block starts relative to it
// (offsets 0 or negative).
struct TextBox {
  int x = 0, y = 0, w = 0, h = 0;
  int offsetX = 0, offsetY = 0;
  bool empty = true;
};

// In 64 bits: rectangles may span the whole int range.
TextBox PlaceBlock(RAST_IBitmap* bitmap, const RECT& rect, unsigned flags, int width, int height) {
  const long long left = rect.left, top = rect.top;
  long long x = left, y = top;
  if (flags & DT_RIGHT)
    x = rect.right - static_cast<long long>(width);
  else if (flags & DT_CENTER)
    x = (left + rect.right - width) / 2;
  if (flags & DT_BOTTOM)
    y = rect.bottom - static_cast<long long>(height);
  else if (flags & DT_VCENTER)
    y = (top + rect.bottom - height) / 2;
  const bool noclip = (flags & DT_NOCLIP) != 0;
  long long right = std::min<long long>(x + width, bitmap->getWidth());
  long long bottom = std::min<long long>(y + height, bitmap->getHeight());
  if (!noclip) {
    right = std::min<long long>(right, rect.right);
    bottom = std::min<long long>(bottom, rect.bottom);
  }
  const int lowX = noclip ? 0 : std::max(rect.left, 0), lowY = noclip ? 0 : std::max(rect.top, 0);
  long long offsetX = 0, offsetY = 0, boxX = x, boxY = y;
  if (x < lowX) {
    offsetX = x - lowX;
    boxX = lowX;
  }
  if (y < lowY) {
    offsetY = y - lowY;
    boxY = lowY;
  }
  TextBox box;
  if (right <= boxX || bottom <= boxY) return box;
  // A box that is not empty lies inside the bitmap, and its offsets above -width / -height.
  box.x = static_cast<int>(boxX);
  box.y = static_cast<int>(boxY);
  box.w = static_cast<int>(right - boxX);
  box.h = static_cast<int>(bottom - boxY);
  box.offsetX = static_cast<int>(offsetX);
  box.offsetY = static_cast<int>(offsetY);
  box.empty = false;
  return box;
}

}  // namespace

RAST_NativeChars* RAST_CachedFont::NativeChars() {
  if (mNative) return mNative.get();
  RAST_SysBitmap* scratch = RAST_FontNativeBitmap(4, 4);
  HDC__* dc = scratch->getDC();
  if (!dc || !mFont) return nullptr;
  HGDIOBJ__* previous = SelectObject(dc, mFont);
  unsigned char quality = 0;
  std::shared_ptr<vq::platform::FontFace> face = WEMU_ContextFont(dc, &quality);
  if (previous) SelectObject(dc, previous);
  if (!face) return nullptr;
  auto chars = std::make_unique<RAST_NativeChars>();
  const vq::platform::FontMetrics m = face->metrics();
  chars->face = std::move(face);
  chars->antialias = quality != 3;  // the drawing contexts start antialiased
  chars->ascent = m.ascent;
  chars->textHeight = static_cast<int>(std::floor(m.ascent + m.descent + m.leading + 1.5)) + 1;
  mNative = std::move(chars);
  return mNative.get();
}

bool RAST_CachedFont::LayOutPlain(const char* text, int length, unsigned flags, int* width) {
  RAST_NativeChars* native = NativeChars();
  if (!native || !text) return false;
  std::vector<vq::platform::PlacedGlyph>& line = native->line;
  line.clear();
  double pen = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  for (int i = 0; (length < 0 || i < length) && p[i] != 0; ++i) {
    unsigned c = p[i];
    if (c >= 128) return false;
    if (c == '\r') continue;
    if (c == '\n') {
      if (!(flags & DT_SINGLELINE)) return false;
      c = ' ';
    }
    if (line.size() == kMaxPlainChars) return false;
    RAST_NativeChars::Char& ch = native->chars[c];
    if (!ch.known) {
      ch.advance = native->face->advance(c);
      ch.image = native->face->glyph(c, native->antialias);
      ch.known = true;
    }
    line.push_back({ch.image, pen});
    pen += ch.advance;
  }
  *width = line.empty() ? 0 : static_cast<int>(std::floor(pen + 0.5));
  return true;
}

int RAST_CachedFont::DrawNative(RAST_IBitmap* bitmap, const char* text, int length, RECT* rect,
                                unsigned flags) {
  auto setColors = [&](HDC__* dc) {
    ::SetTextColor(dc, ToColorWord(mTextColor));
    ::SetBkMode(dc, mBkMode);
    if (mBkMode == OPAQUE) ::SetBkColor(dc, ToColorWord(mBkColor));
  };
  if (HDC__* dc = bitmap ? bitmap->getDC() : nullptr) {
    HGDIOBJ__* previous = SelectObject(dc, mFont);
    setColors(dc);
    RECT r = rect ? *rect : RECT{0, 0, 0, 0};
    const int result =
        WEMU_DrawText(dc, text, length, &r, (flags & ~RAST_DT_PREFER_GLYPHS) | DT_NOPREFIX);
    if ((flags & DT_CALCRECT) && rect) *rect = r;
    if (previous) SelectObject(dc, previous);
    return result;
  }

  int plainWidth = 0;
  if (LayOutPlain(text, length, flags, &plainWidth)) {
    const std::vector<vq::platform::PlacedGlyph>& line = mNative->line;
    const int width = plainWidth, height = line.empty() ? 0 : mNative->textHeight;
    if (flags & DT_CALCRECT) {
      if (rect) {
        rect->right = ClampToInt(static_cast<long long>(rect->left) + width);
        rect->bottom = ClampToInt(static_cast<long long>(rect->top) + height);
      }
      return height;
    }
    if (!bitmap || !rect) return height;
    const TextBox box = PlaceBlock(bitmap, *rect, flags, width, height);
    if (box.empty) return height;
    const RAST_BitmapRows rows(bitmap);
    // Alpha 1 makes the copy back a plain copy; a filled background and bottom-up rows take
    // the round trip.
    if (mAlpha == 1.0f && mBkMode != OPAQUE && rows && !rows.flipped) {
      vq::platform::DrawContext draw(rows.at(box.x, box.y), box.w, box.h,
                                     static_cast<int>(rows.stride));
      draw.drawGlyphs(line.data(), line.size(),
                      {static_cast<double>(box.offsetX), box.offsetY + mNative->ascent},
                      vq::platform::Color::FromWord(ToColorWord(mTextColor)));
      return height;
    }
  }

  RAST_SysBitmap* scratch = RAST_FontNativeBitmap(4, 4);
  HDC__* dc = scratch->getDC();
  if (!dc) return 0;
  HGDIOBJ__* previous = SelectObject(dc, mFont);
  RECT measured{0, 0, 0, 0};
  const unsigned measureFlags =
      (flags & (0x8u | DT_SINGLELINE | 0x7FFFFF00u)) | DT_CALCRECT | DT_NOPREFIX;
  int result = WEMU_DrawText(dc, text, length, &measured, measureFlags);
  const int width = measured.right, height = measured.bottom;
  auto restore = [&] {
    if (previous && WEMU_IsLiveContext(dc)) SelectObject(dc, previous);
  };
  if (flags & DT_CALCRECT) {
    if (rect) {
      rect->right = ClampToInt(static_cast<long long>(rect->left) + width);
      rect->bottom = ClampToInt(static_cast<long long>(rect->top) + height);
    }
    restore();
    return result;
  }
  if (!bitmap || !rect) {
    restore();
    return result;
  }
  const TextBox box = PlaceBlock(bitmap, *rect, flags, width, height);
  if (box.empty) {
    restore();
    return result;
  }
  if (scratch->getWidth() < box.w || scratch->getHeight() < box.h) {
    scratch = RAST_FontNativeBitmap(box.w, box.h);
    dc = scratch->getDC();
    if (!dc) return 0;
    previous = SelectObject(dc, mFont);
  }
  RAST_Blit(scratch, bitmap, 0, 0, box.x, box.y, box.w, box.h, 1.0f, RAST_BLIT_MODE_COPY);
  setColors(dc);
  RECT at{box.offsetX, box.offsetY, box.w, box.h};
  result =
      WEMU_DrawText(dc, text, length, &at,
                    (flags & ~(kAlignFlags | DT_NOCLIP | RAST_DT_PREFER_GLYPHS)) | DT_NOPREFIX);
  RAST_Blit(bitmap, scratch, box.x, box.y, 0, 0, box.w, box.h, mAlpha, RAST_BLIT_MODE_COPY);
  restore();
  return result;
}
