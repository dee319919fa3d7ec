// The glyph cache of RAST_CachedFont: the shared scratch bitmaps, SetFromHFont, rendering one
// character through the GDI text drawer into a coverage mask, and the UTF-8 decoder.
#include "rast/cached_font.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "rast/cached_font_shared.h"
#include "rast/rast_blit.h"
#include "rast/rast_fill.h"
#include "wemu/gdi_font.h"

namespace {

int gLiveFonts = 0;
RAST_SysBitmap* gRenderBitmap = nullptr;
RAST_SysBitmap* gNativeBitmap = nullptr;

// White text on black: the coverage comes out in the red byte.
void PrepareRenderContext(RAST_SysBitmap* bitmap) {
  HDC__* dc = bitmap->getDC();
  if (!dc) return;
  ::SetTextColor(dc, 0xffffff);
  ::SetBkMode(dc, OPAQUE);
  ::SetBkColor(dc, 0);
}

// Grows the render bitmap (never shrinks it) to at least size x size.
RAST_SysBitmap* RenderBitmapOfSize(int size) {
  if (!gRenderBitmap) gRenderBitmap = new RAST_SysBitmap(0, 0);
  if (gRenderBitmap->getWidth() < size || gRenderBitmap->getHeight() < size) {
    gRenderBitmap->resize(std::max(size, gRenderBitmap->getWidth()),
                          std::max(size, gRenderBitmap->getHeight()));
    PrepareRenderContext(gRenderBitmap);
  }
  return gRenderBitmap;
}

int EncodeUtf8(unsigned c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    out[1] = 0;
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 + (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 63));
    out[2] = 0;
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | ((c >> 12) & 0x0F));
  out[1] = static_cast<char>(0x80 | ((c >> 6) & 63));
  out[2] = static_cast<char>(0x80 | (c & 63));
  out[3] = 0;
  return 3;
}

int CompareGlyphCodes(const void* a, const void* b) {
  return static_cast<const RAST_CachedFont::GlyphRecord*>(a)->code -
         static_cast<const RAST_CachedFont::GlyphRecord*>(b)->code;
}

bool IsContinuation(unsigned char b) {
  return b >= 0x80 && b <= 0xC0;
}

}  // namespace

RAST_SysBitmap* RAST_FontNativeBitmap(int minW, int minH) {
  if (!gNativeBitmap) gNativeBitmap = new RAST_SysBitmap(0, 0);
  if (gNativeBitmap->getWidth() < minW || gNativeBitmap->getHeight() < minH)
    gNativeBitmap->resize(std::max(minW, gNativeBitmap->getWidth()),
                          std::max(minH, gNativeBitmap->getHeight()));
  return gNativeBitmap;
}

RAST_CachedFont::RAST_CachedFont() {
  ++gLiveFonts;
}

RAST_CachedFont::~RAST_CachedFont() {
  if ((mOptions & RAST_FONTOPT_OWNFONT) && mFont) DeleteObject(mFont);
  if (--gLiveFonts == 0) {
    delete gRenderBitmap;
    delete gNativeBitmap;
    gRenderBitmap = nullptr;
    gNativeBitmap = nullptr;
  }
}

int RAST_CachedFont::LiveFontCount() {
  return gLiveFonts;
}

void RAST_CachedFont::SetFromHFont(HGDIOBJ__* font, unsigned flags) {
  if ((mOptions & RAST_FONTOPT_OWNFONT) && mFont && mFont != font) DeleteObject(mFont);
  mOptions = flags;
  mFont = font;
  mNative.reset();
  if (font) {
    RAST_SysBitmap* bitmap = RenderBitmapOfSize(256);
    if (HDC__* dc = bitmap->getDC()) {
      HGDIOBJ__* previous = SelectObject(dc, font);
      TEXTMETRIC tm{};
      GetTextMetrics(dc, &tm);
      if (previous) SelectObject(dc, previous);
      mLineHeight = tm.tmHeight;
    }
  }
  std::memset(mAscii, 0, sizeof(mAscii));
  mExtra.Resize(0, false);
  mPixels.Resize(0, true);
  if (mOptions & RAST_FONTOPT_PRECACHE)
    for (unsigned c = 0; c < 128; ++c) RenderGlyph(c);
}

RAST_pixel RAST_CachedFont::SetTextColor(RAST_pixel color) {
  return std::exchange(mTextColor, color);
}
RAST_pixel RAST_CachedFont::SetBkColor(RAST_pixel color) {
  return std::exchange(mBkColor, color);
}
RAST_pixel RAST_CachedFont::SetEffectColor(RAST_pixel color) {
  return std::exchange(mEffectColor, color);
}
int RAST_CachedFont::SetBkMode(int mode) {
  return std::exchange(mBkMode, mode);
}
void RAST_CachedFont::SetCombineMode(int mode, float alpha) {
  mCombineMode = mode;
  mAlpha = alpha;
}

RAST_CachedFont::GlyphRecord* RAST_CachedFont::FindRecord(unsigned c) {
  if (c < 128) return &mAscii[c];
  const int n = mExtra.GetSize();
  if (n == 0) return nullptr;
  GlyphRecord key{};
  key.code = static_cast<int>(c);
  return static_cast<GlyphRecord*>(std::bsearch(&key, mExtra.Get(), static_cast<std::size_t>(n),
                                                sizeof(GlyphRecord), CompareGlyphCodes));
}

const RAST_CachedFont::GlyphRecord* RAST_CachedFont::FindGlyph(unsigned c) const {
  return const_cast<RAST_CachedFont*>(this)->FindRecord(c);
}

const unsigned char* RAST_CachedFont::GetGlyphMask(const GlyphRecord* record) const {
  if (!record || record->pixelPos <= 0) return nullptr;
  const long long end = static_cast<long long>(record->pixelPos) - 1 +
                        static_cast<long long>(record->width) * record->height;
  if (end > mPixels.GetSize()) return nullptr;
  return static_cast<const unsigned char*>(mPixels.Get()) + (record->pixelPos - 1);
}

bool RAST_CachedFont::RenderGlyph(unsigned c) {
  if (mLineHeight > 1023) return false;
  GlyphRecord* record = FindRecord(c);
  bool added = false;
  if (!record) {
    if (mOptions & RAST_FONTOPT_PRECACHE) return false;
    GlyphRecord fresh{};
    fresh.code = static_cast<int>(c & 0xFFFF);
    record = mExtra.Add(fresh);
    if (!record) return false;
    added = true;
  }

  const int size = 2 * std::max(mLineHeight, 1) + 8;
  RAST_SysBitmap* bitmap = RenderBitmapOfSize(size);
  HDC__* dc = bitmap->getDC();
  auto fail = [&] { *record = GlyphRecord{-1, 0, 0, 0, record->code}; };
  if (!dc) {
    fail();
  } else {
    HGDIOBJ__* previous = mFont ? SelectObject(dc, mFont) : nullptr;
    char text[4];
    EncodeUtf8(c, text);
    RECT cell{0, 0, 0, 0};
    WEMU_DrawText(dc, text, -1, &cell, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    int advance = cell.right - cell.left;
    const int slack = mLineHeight > 15 ? mLineHeight / 16 + 2 : 2;
    cell.right += slack;
    cell.bottom += slack;
    RAST_FillRect(bitmap, 0, 0, cell.right, cell.bottom, 0, 1.0f, RAST_BLIT_MODE_COPY);
    WEMU_DrawText(dc, text, -1, &cell, DT_SINGLELINE | DT_NOPREFIX);
    const int bw = bitmap->getWidth(), bh = bitmap->getHeight();
    advance = std::min(advance, bw);
    int cellW = std::min(cell.right, bw);
    const int cellH = std::min(cell.bottom, bh);
    if (previous) SelectObject(dc, previous);

    const long long bytes = static_cast<long long>(std::max(cellW, 0)) * std::max(cellH, 0);
    const int start = mPixels.GetSize();
    bool stored = advance >= 1 && cellH >= 1 && cellW >= 1;
    if (stored) {
      record->advance = advance;
      if (mOptions & RAST_FONTOPT_BLUR) RAST_Blur(bitmap, bitmap, 0, 0, 0, 0, cellW, cellH);
      stored = static_cast<long long>(start) + bytes <= INT_MAX;
      if (stored) {
        mPixels.Resize(start + static_cast<int>(bytes), false);
        stored = mPixels.GetSize() == start + bytes;
      }
      if (!stored) mPixels.Resize(start, false);
    }
    if (!stored) {
      fail();
    } else {
      record->pixelPos = start + 1;
      unsigned char* mask = static_cast<unsigned char*>(mPixels.Get()) + start;
      const RAST_BitmapRows rows(bitmap);
      const bool invert = (mOptions & RAST_FONTOPT_INVERT) != 0;
      int used = 0;
      for (int y = 0; y < cellH; ++y) {
        const RAST_pixel* row = rows.row(y);
        unsigned char* out = mask + static_cast<std::ptrdiff_t>(y) * cellW;
        for (int x = 0; x < cellW; ++x) {
          const unsigned red = RAST_PixelRed(row[x]);
          if (red) used = std::max(used, x + 1);
          out[x] = static_cast<unsigned char>(invert ? 255 - red : red);
        }
      }
      used = std::max(used, advance);
      if (used < cellW) {
        for (int y = 1; y < cellH; ++y)
          std::memmove(mask + static_cast<std::ptrdiff_t>(y) * used,
                       mask + static_cast<std::ptrdiff_t>(y) * cellW,
                       static_cast<std::size_t>(used));
        cellW = used;
        mPixels.Resize(start + cellW * cellH, false);
        mask = static_cast<unsigned char*>(mPixels.Get()) + start;
      }
      int w = cellW, h = cellH;
      if (mOptions & RAST_FONTOPT_VERTICAL) {
        // The render bitmap's pixels are free now: they hold the copy being turned.
        unsigned char* scratch = reinterpret_cast<unsigned char*>(bitmap->getBits());
        std::memcpy(scratch, mask, static_cast<std::size_t>(w) * h);
        const bool upward = (mOptions & RAST_FONTOPT_UPWARD) != 0;
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            const unsigned char v = scratch[y * w + x];
            if (upward)
              mask[(w - 1 - x) * h + y] = v;
            else
              mask[x * h + (h - 1 - y)] = v;
          }
        std::swap(w, h);
      }
      const unsigned marks = mOptions & (RAST_FONTOPT_SHADOW | RAST_FONTOPT_OUTLINE);
      if ((mOptions & RAST_FONTOPT_MONO) || marks) {
        for (int i = 0; i < w * h; ++i) mask[i] = mask[i] > 130 ? 255 : 0;
      }
      if (marks) {
        const bool shadow = (mOptions & RAST_FONTOPT_SHADOW) != 0;
        auto solid = [&](int x, int y) {
          return x >= 0 && y >= 0 && x < w && y < h && mask[y * w + x] == 255;
        };
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            if (mask[y * w + x] != 0) continue;
            const bool mark =
                shadow ? (solid(x - 1, y) || solid(x - 1, y - 1) || solid(x, y - 1))
                       : (solid(x, y - 1) || solid(x, y + 1) || solid(x - 1, y) || solid(x + 1, y));
            if (mark) mask[y * w + x] = 128;
          }
      }
      record->width = w;
      record->height = h;
    }
  }
  if (added && mExtra.GetSize() >= 2)
    std::qsort(mExtra.Get(), static_cast<std::size_t>(mExtra.GetSize()), sizeof(GlyphRecord),
               CompareGlyphCodes);
  return true;
}

int RAST_CachedFont::DecodeUTF8Char(const unsigned char* p, int remaining, unsigned* out) {
  unsigned c = p[0];
  int n = 1;
  if (c >= 0xC2 && c <= 0xDF && remaining >= 2 && IsContinuation(p[1])) {
    c = ((p[0] & 31u) << 6) | (p[1] & 63u);
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF && remaining >= 3 && IsContinuation(p[1]) &&
             IsContinuation(p[2])) {
    c = ((static_cast<unsigned>(p[0]) << 12) | ((p[1] & 63u) << 6) | (p[2] & 63u)) & 0xFFFFu;
    n = 3;
  } else if (c >= 0xF0 && c <= 0xF4 && remaining >= 4 && IsContinuation(p[1]) &&
             IsContinuation(p[2]) && IsContinuation(p[3])) {
    c = 0x20;
    n = 4;
  }
  if (out) *out = c;
  return n;
}
