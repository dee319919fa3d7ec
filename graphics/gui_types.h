// The small value types the whole GUI passes around: rectangles, colours, text styles, mouse
// modifiers and how a control's pixels combine with the back buffer.
#pragma once

#include <algorithm>
#include <cstring>

#include "rast/rast_bitmap.h"

class RAST_IFont;

// Rectangle in GUI pixels, origin top-left; right and bottom are exclusive. All zero is empty.
struct IRECT {
  int L = 0, T = 0, R = 0, B = 0;

  IRECT() = default;
  IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  int W() const { return R - L; }
  int H() const { return B - T; }
  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  // Half-open containment; an empty rectangle holds no point.
  bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  // Whether the two touch or overlap for redraw purposes: right and bottom edges count as
  // touching, so rectangles that only share an edge overlap.
  bool Overlaps(const IRECT& d) const { return R >= d.L && L < d.R && B >= d.T && T < d.B; }
  // Smallest rectangle holding both; an empty side contributes nothing.
  IRECT Union(const IRECT& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return IRECT(std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B));
  }
  bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRECT& o) const { return !(*this == o); }
};

// Colour: alpha, red, green, blue, each 0..255.
struct IColor {
  int A = 255, R = 0, G = 0, B = 0;

  constexpr IColor() = default;
  constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}

  // Packed as a pixel: alpha | red << 8 | green << 16 | blue << 24.
  RAST_pixel ToPixel() const {
    return RAST_MakePixel(static_cast<unsigned>(R), static_cast<unsigned>(G),
                          static_cast<unsigned>(B), static_cast<unsigned>(A));
  }
  bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  bool operator!=(const IColor& o) const { return !(*this == o); }
};

inline constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
inline constexpr IColor COLOR_BLACK(255, 0, 0, 0);
inline constexpr IColor COLOR_GRAY(255, 127, 127, 127);
inline constexpr IColor COLOR_WHITE(255, 255, 255, 255);
inline constexpr IColor COLOR_RED(255, 255, 0, 0);
inline constexpr IColor COLOR_GREEN(255, 0, 255, 0);
inline constexpr IColor COLOR_BLUE(255, 0, 0, 255);
inline constexpr IColor COLOR_YELLOW(255, 255, 255, 0);
inline constexpr IColor COLOR_ORANGE(255, 255, 127, 0);

// Text style of a control.
struct IText {
  enum EStyle { kStyleNormal = 0, kStyleBold = 1, kStyleItalic = 2 };
  enum EAlign { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
  enum EQuality {
    kQualityDefault = 0,
    kQualityNonAntiAliased = 1,
    kQualityAntiAliased = 2,
    kQualityClearType = 3
  };

  char mFont[32] = "Monaco";
  int mSize = 10;  // GUI pixels
  IColor mColor = COLOR_BLACK;
  IColor mTextEntryBGColor = COLOR_WHITE;
  IColor mTextEntryFGColor = COLOR_BLACK;
  int mStyle = kStyleNormal;
  int mAlign = kAlignCenter;
  int mSecure = 0;       // 1: text entry masks what is typed
  int mOrientation = 0;  // degrees
  int mQuality = kQualityDefault;
  RAST_IFont* mCached = nullptr;  // filled by the font cache, which owns it

  IText() = default;
  IText(int size, const IColor& color, const char* font = nullptr, int style = kStyleNormal,
        int align = kAlignCenter, int orientation = 0, int quality = kQualityDefault)
      : mSize(size),
        mColor(color),
        mStyle(style),
        mAlign(align),
        mOrientation(orientation),
        mQuality(quality) {
    if (font) SetFont(font);
  }
  void SetFont(const char* face) {
    std::strncpy(mFont, face ? face : "", sizeof mFont - 1);
    mFont[sizeof mFont - 1] = '\0';
  }
};

// Modifiers with a mouse event: left button, right button (or Command with the left), Shift,
// Control, Option.
struct IMouseMod {
  bool L = false, R = false, S = false, C = false, A = false;

  IMouseMod() = default;
  IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false)
      : L(l), R(r), S(s), C(c), A(a) {}
};

// How a control's pixels combine with the back buffer; weight is the opacity 0..1.
struct IChannelBlend {
  enum EBlendMethod { kBlendNone = 0, kBlendClobber = 1, kBlendAdd = 2, kBlendColorDodge = 3 };

  int mMethod = kBlendNone;
  float mWeight = 1.0f;

  IChannelBlend() = default;
  IChannelBlend(int method, float weight = 1.0f) : mMethod(method), mWeight(weight) {}
};
