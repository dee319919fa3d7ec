// Text on bitmaps. RAST_CachedFont renders each character once through the GDI text drawer
// into a shared scratch bitmap, keeps its 8-bit coverage in a per-font glyph cache and then
// draws glyphs by blending the masks with the font's colours, alpha and blend mode (the glyph
// path). Plain text may instead go to the GDI text drawer whole (the native path). GUI thread
// only: the shared scratch bitmaps and the caches have no lock.
#pragma once

#include <cstdint>
#include <memory>

#include "plugin/utl_heapbuf.h"
#include "rast/rast_bitmap.h"
#include "rast/rast_blend.h"
#include "wemu/gdi_objects.h"
#include "wemu/gdi_text.h"

// Flags of DrawText beyond the GDI text flags (DT_CALCRECT ... DT_NOCLIP of gdi_text.h).
constexpr unsigned RAST_DT_TEXTALPHA = 0x40000000u;      // font alpha x text colour alpha / 255
constexpr unsigned RAST_DT_PREFER_GLYPHS = 0x80000000u;  // stay on the glyph path

// Options of SetFromHFont.
enum : unsigned {
  RAST_FONTOPT_VERTICAL = 0x1,   // masks turned 90 degrees clockwise; the pen moves along y
  RAST_FONTOPT_UPWARD = 0x2,     // with VERTICAL: counter-clockwise, the pen moves up
  RAST_FONTOPT_PRECACHE = 0x4,   // characters 0..127 rendered at once; 128 and up never cached
  RAST_FONTOPT_BLUR = 0x10,      // rendered glyphs blurred once before the coverage is taken
  RAST_FONTOPT_INVERT = 0x20,    // coverage stored as 255 - value
  RAST_FONTOPT_MONO = 0x40,      // coverage thresholded (above 130 is 255), one solid colour
  RAST_FONTOPT_SHADOW = 0x80,    // MONO plus a one-pixel lower-right shadow in the effect colour
  RAST_FONTOPT_OUTLINE = 0x100,  // MONO plus a one-pixel outline in the effect colour
  RAST_FONTOPT_OWNFONT = 0x200,  // the font object deletes its GDI font when done with it
  RAST_FONTOPT_NATIVE = 0x400,   // plain text may go to the GDI text drawer whole
};

struct RAST_NativeChars;

// The bitmap id whose non-zero Extended() answer keeps text on the glyph path.
constexpr int RAST_EXTENDED_GLYPHS_ONLY = 0x59555678;

// The font interface through which the GUI draws text.
class RAST_IFont {
 public:
  virtual ~RAST_IFont() = default;
  virtual void SetFromHFont(HGDIOBJ__* font, unsigned flags) = 0;
  virtual RAST_pixel SetTextColor(RAST_pixel color) = 0;
  virtual RAST_pixel SetBkColor(RAST_pixel color) = 0;
  virtual RAST_pixel SetEffectColor(RAST_pixel color) = 0;
  virtual int SetBkMode(int mode) = 0;
  virtual void SetCombineMode(int mode, float alpha) = 0;
  // Draws or measures UTF-8 text in the rectangle (left, top, right, bottom; right and bottom
  // exclusive). length in bytes, negative: up to the NUL (a NUL also ends a counted text).
  virtual int DrawText(RAST_IBitmap* bitmap, const char* text, int length, RECT* rect,
                       unsigned flags) = 0;
  virtual RAST_pixel GetTextColor() = 0;
  virtual HGDIOBJ__* GetHFont() = 0;
  virtual int GetLineHeight() = 0;
  // Draws one cached glyph with its top-left at (x, y) inside the clip rectangle; whether any
  // of it remained after clipping.
  virtual bool DrawGlyph(RAST_IBitmap* bitmap, unsigned short c, int x, int y,
                         const RECT* clip) = 0;
};

class RAST_CachedFont : public RAST_IFont {
 public:
  // One cached character. pixelPos: 1 + byte index of the mask in the pixel store, 0 not yet
  // rendered, -1 failed (never retried). advance runs along y for vertical fonts.
  struct GlyphRecord {
    int pixelPos;
    int width;
    int height;
    int advance;
    int code;
  };

  RAST_CachedFont();
  ~RAST_CachedFont() override;
  RAST_CachedFont(const RAST_CachedFont&) = delete;
  RAST_CachedFont& operator=(const RAST_CachedFont&) = delete;

  // Takes the GDI font (deleting the old one when OWNFONT is set and it differs), reads the
  // line height from its metrics and empties the glyph cache.
  void SetFromHFont(HGDIOBJ__* font, unsigned flags) override;
  RAST_pixel SetTextColor(RAST_pixel color) override;
  RAST_pixel SetBkColor(RAST_pixel color) override;
  RAST_pixel SetEffectColor(RAST_pixel color) override;
  int SetBkMode(int mode) override;
  void SetCombineMode(int mode, float alpha) override;
  // Measuring (DT_CALCRECT) sets right and bottom and returns the block's height (width for
  // vertical fonts); drawing returns the extent of the drawn text across the writing direction
  // (glyph path) or the GDI drawer's result (native path). No bitmap without DT_CALCRECT: 0.
  int DrawText(RAST_IBitmap* bitmap, const char* text, int length, RECT* rect,
               unsigned flags) override;
  RAST_pixel GetTextColor() override { return mTextColor; }
  HGDIOBJ__* GetHFont() override { return mFont; }
  int GetLineHeight() override { return mLineHeight; }
  bool DrawGlyph(RAST_IBitmap* bitmap, unsigned short c, int x, int y, const RECT* clip) override;

  // The record of a character, or null (characters from 128 up only once rendered).
  const GlyphRecord* FindGlyph(unsigned c) const;
  unsigned GetOptions() const { return mOptions; }
  // Bytes held by the pixel store, and the number of records for characters from 128 up.
  int GetPixelStoreSize() const { return mPixels.GetSize(); }
  int GetExtraGlyphCount() const { return mExtra.GetSize(); }
  // The coverage mask of a rendered record (null otherwise).
  const unsigned char* GetGlyphMask(const GlyphRecord* record) const;

  // Decodes one character of at most `remaining` bytes; returns the bytes consumed (at least
  // 1). Well-formed two- and three-byte sequences give their (16-bit) code, four-byte ones a
  // space; anything else gives the first byte's value. `out` may be null.
  static int DecodeUTF8Char(const unsigned char* p, int remaining, unsigned* out);
  // Live font objects of the process (the shared scratch bitmaps exist while any does).
  static int LiveFontCount();

 private:
  bool RenderGlyph(unsigned c);
  GlyphRecord* FindRecord(unsigned c);
  int MeasureGlyphs(const char* text, int length, RECT* rect, unsigned flags);
  int DrawGlyphs(RAST_IBitmap* bitmap, const char* text, int length, RECT* rect, unsigned flags);
  int DrawNative(RAST_IBitmap* bitmap, const char* text, int length, RECT* rect, unsigned flags);
  // The native path's one-line ASCII text: the face's characters as the drawer would look
  // them up (made on first use, null without a face), and a text laid out with them into
  // the table's line, its width as the drawer measures it (false for text that is not one
  // line of ASCII).
  RAST_NativeChars* NativeChars();
  bool LayOutPlain(const char* text, int length, unsigned flags, int* width);
  // The record to draw c with, rendering it when needed; null when c draws nothing.
  const GlyphRecord* UsableGlyph(unsigned c);

  RAST_pixel mTextColor = 0;
  RAST_pixel mBkColor = 0xffffffffu;
  RAST_pixel mEffectColor = 0xffffffffu;
  int mBkMode = 0;
  int mCombineMode = 0;
  float mAlpha = 1.0f;
  unsigned mOptions = 0;
  int mLineHeight = 0;
  GlyphRecord mAscii[128] = {};
  UTL_TypedBuf<GlyphRecord> mExtra{4096};  // characters from 128 up, sorted by code
  UTL_HeapBuf mPixels{65536};              // every mask back to back, rows of the glyph width
  HGDIOBJ__* mFont = nullptr;
  std::unique_ptr<RAST_NativeChars> mNative;  // of mFont
};
