// Text layout and drawing of RAST_CachedFont: the path choice, the glyph path's measuring and
// drawing, and the blending of one mask (the native path is in cached_font_native.cpp).
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "rast/cached_font.h"
#include "rast/cached_font_shared.h"
#include "rast/rast_blend_simd.h"
#include "rast/rast_blit.h"
#include "rast/rast_fill.h"
#include "rast/rast_mask.h"

namespace {

constexpr unsigned kAlignFlags = DT_VCENTER | DT_CENTER | DT_BOTTOM | DT_RIGHT;
constexpr unsigned kGlyphOnlyOptions = 0x1f7;  // every option but OWNFONT and NATIVE

// The glyph pixel is treated as opaque.
RAST_pixel Opaque(RAST_pixel p) {
  return (p & 0xFFFFFF00u) | 0xFFu;
}

#if RAST_HAVE_SSE2
// The coverage-weighted copy (the path of nearly every label) four pixels at a time, giving
// exactly the scalar result: per channel s + trunc((d - s) * (256 - k) / 256), taken as the
// sign of d - s times (|d - s| * (256 - k)) >> 8, which fits 16-bit lanes. Weight 1..256.
void CoverageCopySSE2(const RAST_BitmapRows& rows, int x, int y, int w, int h,
                      const unsigned char* mask, int span, RAST_pixel text, int weight) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i s16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(text)), zero);
  const __m128i full = _mm_set1_epi16(256);
  const __m128i w16 = _mm_set1_epi16(static_cast<short>(weight));
  auto blend = [&](__m128i d8, __m128i inv) {  // d8: two pixels in the low 8 bytes' lanes
    const __m128i d16 = _mm_unpacklo_epi8(d8, zero);
    const __m128i diff = _mm_sub_epi16(d16, s16);
    const __m128i neg = _mm_cmplt_epi16(diff, zero);
    const __m128i mag = _mm_max_epi16(diff, _mm_sub_epi16(zero, diff));
    __m128i q = _mm_srli_epi16(_mm_mullo_epi16(mag, inv), 8);
    q = _mm_sub_epi16(_mm_xor_si128(q, neg), neg);
    return _mm_add_epi16(s16, q);
  };
  for (int j = 0; j < h; ++j) {
    RAST_pixel* p = rows.at(x, y + j);
    const unsigned char* m = mask + static_cast<std::ptrdiff_t>(j) * span;
    int i = 0;
    for (; i + 4 <= w; i += 4) {
      std::uint32_t four;
      std::memcpy(&four, m + i, 4);
      if (four == 0) continue;
      if (four == 0xFFFFFFFFu && weight == 256) {
        p[i] = p[i + 1] = p[i + 2] = p[i + 3] = text;
        continue;
      }
      const __m128i m16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), zero);
      __m128i k;
      if (weight == 256)  // k = m + 1 where m > 0
        k = _mm_sub_epi16(_mm_add_epi16(m16, _mm_set1_epi16(1)),
                          _mm_and_si128(_mm_cmpeq_epi16(m16, zero), _mm_set1_epi16(1)));
      else
        k = _mm_srli_epi16(_mm_mullo_epi16(m16, w16), 8);
      const __m128i inv = _mm_sub_epi16(full, k);  // per pixel, lanes 0..3
      const __m128i pairs = _mm_unpacklo_epi16(inv, inv);
      const __m128i inv01 = _mm_unpacklo_epi32(pairs, pairs),
                    inv23 = _mm_unpackhi_epi32(pairs, pairs);
      __m128i d;
      std::memcpy(&d, p + i, 16);
      const __m128i lo = blend(d, inv01), hi = blend(_mm_srli_si128(d, 8), inv23);
      const __m128i out = _mm_packus_epi16(lo, hi);
      std::memcpy(p + i, &out, 16);
    }
    for (; i < w; ++i) {
      const int cover = m[i];
      if (cover == 0) continue;
      const int k = weight == 256 ? cover + 1 : cover * weight / 256;
      if (k == 0) continue;
      p[i] = k == 256 ? text : RAST_BlendCopy(p[i], text, RAST_Weight(k));
    }
  }
}
#endif

template <RAST_MaskRule Kind>
void BlendMaskByMode(int op, const RAST_BitmapRows& rows, int x, int y, int w, int h,
                     const unsigned char* mask, int span, RAST_pixel text, RAST_pixel effect,
                     int weight) {
  RAST_DispatchSolidOp(op, [&](auto o) {
    RAST_BlendMask<decltype(o)::value, Kind>(rows, x, y, w, h, mask, span, text, effect, weight);
  });
}

// Store-only fast path (alpha 1.0, copy mode).
void StoreMask(const RAST_BitmapRows& rows, int x, int y, int w, int h, const unsigned char* mask,
               int span, RAST_pixel text, RAST_pixel effect, bool byClass) {
  for (int j = 0; j < h; ++j) {
    RAST_pixel* p = rows.at(x, y + j);
    const unsigned char* m = mask + static_cast<std::ptrdiff_t>(j) * span;
    for (int i = 0; i < w; ++i)
      if (m[i]) p[i] = (!byClass || m[i] == 255) ? text : effect;
  }
}

// Walks the characters of a text: one decoded character per call, carriage returns skipped.
class CharCursor {
 public:
  CharCursor(const char* text, int length)
      : mNext(reinterpret_cast<const unsigned char*>(text)),
        mCounted(length >= 0),
        mRemaining(length) {}
  bool next(unsigned& c) {
    for (;;) {
      if (!mNext || mDone || (mCounted && mRemaining <= 0) || *mNext == 0) return false;
      c = ' ';
      const int n = RAST_CachedFont::DecodeUTF8Char(mNext, mCounted ? mRemaining : INT_MAX, &c);
      mNext += n;
      if (mCounted) {
        mRemaining = std::max(mRemaining - n, 0);
        if (mRemaining == 0) mDone = true;  // this character is the last
      }
      if (c != 13) return true;
    }
  }

 private:
  const unsigned char* mNext;
  bool mCounted;
  int mRemaining;
  bool mDone = false;
};

// Line feeds in laid-out text: each starts a new line (a new column when vertical) from the
// start position; on a single line a line feed reads as a space.
struct LineFeeds {
  long long startX, startY, lineHeight;
  bool vertical, singleLine;
  // The next character to place, after the line feeds before it.
  bool next(CharCursor& cursor, unsigned& c, long long& penX, long long& penY) const {
    while (cursor.next(c)) {
      if (c != 10) return true;
      if (singleLine) {
        c = ' ';
        return true;
      }
      if (vertical)
        penX += lineHeight, penY = startY;
      else
        penX = startX, penY += lineHeight;
    }
    return false;
  }
};

}  // namespace

const RAST_CachedFont::GlyphRecord* RAST_CachedFont::UsableGlyph(unsigned c) {
  const GlyphRecord* record = FindRecord(c);
  if (!record) {
    const int before = mExtra.GetSize();
    RenderGlyph(c);
    if (mExtra.GetSize() == before) return nullptr;
    record = FindRecord(c);  // sorting moved the records
    if (!record) return nullptr;
  }
  if (record->pixelPos < 0) return nullptr;
  if (record->pixelPos == 0) {
    RenderGlyph(c);
    record = FindRecord(c);
    if (!record || record->pixelPos <= 0) return nullptr;
  }
  return record;
}

int RAST_CachedFont::DrawText(RAST_IBitmap* bitmap, const char* text, int length, RECT* rect,
                              unsigned flags) {
  if (!bitmap && !(flags & DT_CALCRECT)) return 0;
  bool glyphPath = true;
  if (!bitmap || bitmap->Extended(RAST_EXTENDED_GLYPHS_ONLY, nullptr) == 0) {
    const bool plain = (mOptions & RAST_FONTOPT_NATIVE) && !(mOptions & kGlyphOnlyOptions) &&
                       !(flags & (RAST_DT_TEXTALPHA | RAST_DT_PREFER_GLYPHS)) && mFont;
    glyphPath = !(plain || mLineHeight >= 256);
  }
  if (!glyphPath) return DrawNative(bitmap, text, length, rect, flags);
  if (flags & DT_CALCRECT) return MeasureGlyphs(text, length, rect, flags);
  return DrawGlyphs(bitmap, text, length, rect, flags);
}

int RAST_CachedFont::MeasureGlyphs(const char* text, int length, RECT* rect, unsigned flags) {
  const bool vertical = (mOptions & RAST_FONTOPT_VERTICAL) != 0;
  long long penX = 0, penY = 0, width = 0, height = 0;
  CharCursor cursor(text, length);
  const LineFeeds feeds{0, 0, mLineHeight, vertical, (flags & DT_SINGLELINE) != 0};
  unsigned c;
  while (feeds.next(cursor, c, penX, penY)) {
    const GlyphRecord* g = UsableGlyph(c);
    if (!g) continue;
    if (vertical) {
      width = std::max(width, penX + g->width);
      height = std::max({height, penY + g->advance, penY + g->height});
      penY += g->advance;
    } else {
      width = std::max({width, penX + g->advance, penX + g->width});
      height = std::max(height, penY + g->height);
      penX += g->advance;
    }
  }
  width = std::min<long long>(width, INT_MAX / 2);
  height = std::min<long long>(height, INT_MAX / 2);
  if (rect) {
    rect->right =
        static_cast<int>(std::min<long long>(static_cast<long long>(rect->left) + width, INT_MAX));
    rect->bottom =
        static_cast<int>(std::min<long long>(static_cast<long long>(rect->top) + height, INT_MAX));
  }
  return static_cast<int>(vertical ? width : height);
}

int RAST_CachedFont::DrawGlyphs(RAST_IBitmap* bitmap, const char* text, int length, RECT* rect,
                                unsigned flags) {
  if (!rect) return 0;
  const float savedAlpha = mAlpha;
  struct AlphaRestore {
    float& alpha;
    float saved;
    ~AlphaRestore() { alpha = saved; }
  } restoreAlpha{mAlpha, savedAlpha};
  if (flags & RAST_DT_TEXTALPHA)
    mAlpha = static_cast<float>(mAlpha * (RAST_PixelAlpha(mTextColor) / 255.0));
  if (mAlpha == 0.0f) return 0;

  const bool vertical = (mOptions & RAST_FONTOPT_VERTICAL) != 0;
  const bool upward = vertical && (mOptions & RAST_FONTOPT_UPWARD);
  // In 64 bits: rectangles may span the whole int range.
  const long long left = rect->left, top = rect->top, right = rect->right, bottom = rect->bottom;
  long long x = left, y = top;
  if ((flags & kAlignFlags) || upward) {
    RECT m{0, 0, 0, 0};
    DrawText(bitmap, text, length, &m,
             (flags & (DT_SINGLELINE | RAST_DT_PREFER_GLYPHS)) | DT_CALCRECT);
    const long long mw = static_cast<long long>(m.right) - m.left,
                    mh = static_cast<long long>(m.bottom) - m.top;
    if (flags & DT_CENTER)
      x += (right - left - mw) / 2;
    else if (flags & DT_RIGHT)
      x = right - mw;
    if (flags & DT_VCENTER)
      y += (bottom - top - mh) / 2;
    else if (flags & DT_BOTTOM)
      y = bottom - mh;
    if (upward) y += mh;
  }

  RECT clip{0, 0, bitmap->getWidth(), bitmap->getHeight()};
  if (!(flags & DT_NOCLIP)) {
    clip.left = std::max(rect->left, 0);
    clip.top = std::max(rect->top, 0);
    clip.right = std::min(rect->right, clip.right);
    clip.bottom = std::min(rect->bottom, clip.bottom);
  }
  if (clip.right <= clip.left || clip.bottom <= clip.top) return 0;

  const long long startX = x, startY = y;
  long long penX = x, penY = y, extent = 0;
  CharCursor cursor(text, length);
  const LineFeeds feeds{startX, startY, mLineHeight, vertical, (flags & DT_SINGLELINE) != 0};
  unsigned c;
  while (feeds.next(cursor, c, penX, penY)) {
    const GlyphRecord* g = UsableGlyph(c);
    if (!g || !GetGlyphMask(g)) continue;
    const GlyphRecord glyph = *g;  // DrawGlyph may be overridden; keep our copy
    const long long drawY = upward ? penY - glyph.height : penY;
    if (penX > INT_MAX || penX < INT_MIN || drawY > INT_MAX || drawY < INT_MIN) break;
    if (DrawGlyph(bitmap, static_cast<unsigned short>(c), static_cast<int>(penX),
                  static_cast<int>(drawY), &clip))
      extent =
          std::max(extent, vertical ? penX + glyph.width - startX : drawY + glyph.height - startY);
    if (!vertical)
      penX += glyph.advance;
    else
      penY = upward ? drawY + glyph.height - glyph.advance : drawY + glyph.advance;
  }
  return static_cast<int>(std::min<long long>(extent, INT_MAX));
}

bool RAST_CachedFont::DrawGlyph(RAST_IBitmap* bitmap, unsigned short c, int x, int y,
                                const RECT* clip) {
  const GlyphRecord* g = FindGlyph(c);
  const unsigned char* mask = GetGlyphMask(g);
  if (!mask || !clip || !bitmap) return false;
  const RAST_BitmapRows rows(bitmap);
  if (!rows) return false;
  // The clip never reaches outside the bitmap, whatever the caller passed.
  const long long cl = std::max(clip->left, 0), ct = std::max(clip->top, 0);
  const long long cr = std::min(clip->right, rows.width), cb = std::min(clip->bottom, rows.height);
  const long long gx = x, gy = y;
  if (gx >= cr || gy >= cb || gx + g->width <= cl || gy + g->height <= ct) return false;
  const long long skipX = std::max<long long>(cl - gx, 0), skipY = std::max<long long>(ct - gy, 0);
  const long long w = std::min<long long>(g->width, cr - gx) - skipX;
  const long long h = std::min<long long>(g->height, cb - gy) - skipY;
  if (w <= 0 || h <= 0) return false;
  const int px = static_cast<int>(gx + skipX), py = static_cast<int>(gy + skipY);
  const int cw = static_cast<int>(w), ch = static_cast<int>(h);
  const unsigned char* m = mask + skipY * g->width + skipX;

  if (mBkMode == OPAQUE)
    RAST_FillRect(bitmap, px, py, cw, ch, mBkColor, mAlpha,
                  RAST_BlendMode(mCombineMode & ~0x10000));

  const bool mono = (mOptions & RAST_FONTOPT_MONO) != 0;
  const bool marks = (mOptions & (RAST_FONTOPT_SHADOW | RAST_FONTOPT_OUTLINE)) != 0;
  const double scaled = std::trunc(static_cast<double>(mAlpha) * 256.0);
  int weight = scaled > 1e6 ? 1000000 : (scaled < -1e6 ? -1000000 : static_cast<int>(scaled));
  if (mono || marks) weight = std::min(weight, 256);
  const int op = mCombineMode & 0xFF;
  if (weight <= 0 || op > 5) return true;
  const RAST_pixel text = Opaque(mTextColor), effect = Opaque(mEffectColor);
  const bool store = mAlpha == 1.0f && op == 0;
  if (mono) {
    if (store)
      StoreMask(rows, px, py, cw, ch, m, g->width, text, effect, false);
    else
      BlendMaskByMode<RAST_MaskRule::Solid>(op, rows, px, py, cw, ch, m, g->width, text, effect,
                                            weight);
  } else if (marks) {
    if (store)
      StoreMask(rows, px, py, cw, ch, m, g->width, text, effect, true);
    else
      BlendMaskByMode<RAST_MaskRule::ByClass>(op, rows, px, py, cw, ch, m, g->width, text, effect,
                                              weight);
  } else {
#if RAST_HAVE_SSE2
    if (op == 0 && weight <= 256) {
      CoverageCopySSE2(rows, px, py, cw, ch, m, g->width, text, weight);
      return true;
    }
#endif
    BlendMaskByMode<RAST_MaskRule::Coverage>(op, rows, px, py, cw, ch, m, g->width, text, effect,
                                             weight);
  }
  return true;
}
