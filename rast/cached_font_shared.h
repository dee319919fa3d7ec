// Shared scratch surfaces of the cached fonts and the native path's character table (internal
// to rast/cached_font*.cpp).
#pragma once

#include <memory>
#include <vector>

#include "platform/draw_context.h"
#include "platform/font_service.h"
#include "rast/rast_bitmap.h"

// The native text bitmap, created on first use and grown (never shrunk) to at least minW x
// minH. Lives while any cached font does.
RAST_SysBitmap* RAST_FontNativeBitmap(int minW, int minH);

// What the drawer would look up for each ASCII character of one font, kept from the first use.
struct RAST_NativeChars {
  struct Char {
    bool known = false;
    double advance = 0;
    const vq::platform::GlyphImage* image = nullptr;  // null: nothing to draw
  };
  std::shared_ptr<vq::platform::FontFace> face;
  bool antialias = true;
  double ascent = 0;
  int textHeight = 0;  // the drawer's height of one line of text
  Char chars[128];
  std::vector<vq::platform::PlacedGlyph> line;  // the text last laid out
};
