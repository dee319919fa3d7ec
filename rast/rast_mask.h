// Drawing one colour through an 8-bit coverage mask (glyphs, the ring masks of small circles).
#pragma once

#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The mask has glyph_h rows of glyph_w bytes, glyph_span bytes apart, drawn with its top-left at
// (x, y) and clipped to the bitmap. Per mask byte m (0 = untouched) the pixel gets the solid write
// of mode & 0xFF in color at weight m * trunc(alpha * 256) / 256 (full coverage at alpha 1.0 is
// weight 255). Nothing when the weight from alpha is 0 or the low byte of mode is 6 or above;
// RAST_BLIT_USE_ALPHA has no meaning here.
void RAST_DrawGlyph(RAST_IBitmap* bm, int x, int y, RAST_pixel color, const unsigned char* alphas,
                    int glyph_w, int glyph_span, int glyph_h, float alpha, RAST_BlendMode mode);

// RAST_DrawGlyph for a mask whose rows follow each other with no gap.
void RAST_DrawPackedGlyph(RAST_IBitmap* bm, int x, int y, RAST_pixel color,
                          const unsigned char* alphas, int glyph_w, int glyph_h, float alpha,
                          RAST_BlendMode mode);

// How a mask byte m (1..255) and the drawing weight a (1..256) give a pixel's colour and weight.
enum class RAST_MaskRule {
  Solid,     // the text colour at weight a
  ByClass,   // m = 255 the text colour, other m the effect colour, at weight a
  Coverage,  // the text colour at m + 1 when a is 256, else at m * a / 256 (the cached font's text)
  Scaled,    // the text colour at m * a / 256 (RAST_DrawGlyph)
};

// The mask blend: the solid write of Op into every pixel whose mask byte is not 0, colour and
// weight chosen by Rule. Rows of w mask bytes lie span bytes apart; (x, y) is already clipped.
template <RAST_SolidOp Op, RAST_MaskRule Rule>
void RAST_BlendMask(const RAST_BitmapRows& rows, int x, int y, int w, int h,
                    const unsigned char* mask, std::ptrdiff_t span, RAST_pixel text,
                    RAST_pixel effect, int weight) {
  for (int j = 0; j < h; ++j) {
    RAST_pixel* p = rows.at(x, y + j);
    const unsigned char* m = mask + j * span;
    for (int i = 0; i < w; ++i) {
      // Most of a glyph cell is empty: step over eight empty mask bytes at a time.
      if (i + 8 <= w) {
        std::uint64_t eight;
        std::memcpy(&eight, m + i, 8);
        if (eight == 0) {
          i += 7;
          continue;
        }
      }
      const int cover = m[i];
      if (cover == 0) continue;
      RAST_pixel color = text;
      int k = weight;
      if constexpr (Rule == RAST_MaskRule::ByClass) {
        if (cover != 255) color = effect;
      } else if constexpr (Rule == RAST_MaskRule::Coverage || Rule == RAST_MaskRule::Scaled) {
        if constexpr (Rule == RAST_MaskRule::Coverage)
          k = weight == 256 ? cover + 1 : std::min(cover * weight / 256, 256);
        else
          k = cover * weight / 256;
        // A covered pixel gets the solid write even when its weight rounds to 0: that leaves
        // modes 0-4 unchanged (so it is skipped), while HSV adjust still stores the colour's
        // alpha byte and the conversion's round trip, as every solid-colour primitive does.
        if (k == 0 && Op != RAST_SolidOp::HSV) continue;
      }
      if constexpr (Op == RAST_SolidOp::Copy) {
        if (k == 256) {  // full weight: the blend is the colour itself
          p[i] = color;
          continue;
        }
      }
      p[i] = RAST_SolidBlend<Op>(p[i], color, RAST_Weight(k));
    }
  }
}
