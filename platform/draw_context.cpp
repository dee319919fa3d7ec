#include "platform/draw_context.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vq::platform {

namespace {

int Channel(double v) {
  if (!(v > 0)) return 0;
  if (v >= 1) return 255;
  return static_cast<int>(v * 255 + 0.5);
}

std::uint32_t Word(int r, int g, int b, std::uint32_t keepFirstByte) {
  return (keepFirstByte & 0xFFu) | static_cast<std::uint32_t>(r) << 8 |
         static_cast<std::uint32_t>(g) << 16 | static_cast<std::uint32_t>(b) << 24;
}

// First pixel whose centre is at or right of v.
int PixelFrom(double v) {
  const double f = std::ceil(v - 0.5);
  if (f < -1e9) return -1000000000;
  if (f > 1e9) return 1000000000;
  return static_cast<int>(f);
}

// v / 255 for v up to 65535, exactly, without dividing.
inline int Div255(unsigned v) {
  return static_cast<int>((v * 0x8081u) >> 23);
}

}  // namespace

DrawContext::DrawContext(std::uint32_t* pixels, int width, int height, int rowPixels,
                         double deviceScale)
    : mPixels(pixels),
      mWidth(width > 0 ? width : 0),
      mHeight(height > 0 ? height : 0),
      mRowPixels(rowPixels) {
  if (!mPixels || mRowPixels < mWidth) mWidth = mHeight = 0;
  mState.sx = mState.sy = deviceScale > 0 ? deviceScale : 1.0;
  mState.cx1 = mWidth;
  mState.cy1 = mHeight;
}

void DrawContext::saveState() {
  mStack.push_back(mState);
}

bool DrawContext::restoreState() {
  if (mStack.empty()) return false;
  mState = mStack.back();
  mStack.pop_back();
  return true;
}

void DrawContext::translate(double dx, double dy) {
  mState.tx += dx * mState.sx;
  mState.ty += dy * mState.sy;
}

void DrawContext::scale(double sx, double sy) {
  mState.sx *= sx;
  mState.sy *= sy;
}

Point DrawContext::toDevice(Point p) const {
  return {p.x * mState.sx + mState.tx, p.y * mState.sy + mState.ty};
}

Size DrawContext::sizeToDevice(Size s) const {
  return {std::fabs(s.width * mState.sx), std::fabs(s.height * mState.sy)};
}

bool DrawContext::DeviceSpan(const Rect& r, int& x0, int& y0, int& x1, int& y1) const {
  const Point a = toDevice({r.x, r.y});
  const Point b = toDevice({r.x + r.width, r.y + r.height});
  x0 = std::max(PixelFrom(std::min(a.x, b.x)), mState.cx0);
  x1 = std::min(PixelFrom(std::max(a.x, b.x)), mState.cx1);
  y0 = std::max(PixelFrom(std::min(a.y, b.y)), mState.cy0);
  y1 = std::min(PixelFrom(std::max(a.y, b.y)), mState.cy1);
  return x0 < x1 && y0 < y1;
}

void DrawContext::clipToRect(const Rect& r) {
  int x0, y0, x1, y1;
  if (DeviceSpan(r, x0, y0, x1, y1)) {
    mState.cx0 = x0, mState.cy0 = y0, mState.cx1 = x1, mState.cy1 = y1;
  } else {
    mState.cx1 = mState.cx0;
    mState.cy1 = mState.cy0;
  }
}

void DrawContext::clipBounds(int& x0, int& y0, int& x1, int& y1) const {
  x0 = mState.cx0, y0 = mState.cy0, x1 = mState.cx1, y1 = mState.cy1;
}

DrawContext::Ink DrawContext::InkOf(const Color& c) {
  return {Channel(c.r), Channel(c.g), Channel(c.b), Channel(c.a)};
}

void DrawContext::BlendPixel(std::uint32_t* p, const Ink& ink, unsigned coverage) {
  const int w = Div255(static_cast<unsigned>(ink.a) * coverage + 127);
  if (w <= 0) return;
  const std::uint32_t d = *p;
  if (w >= 255) {
    *p = Word(ink.r, ink.g, ink.b, d);
    return;
  }
  // d + (s - d) * w / 255 rounded to nearest (255 is odd: no halves).
  auto mix = [w](int dc, int sc) {
    return Div255(static_cast<unsigned>(dc * (255 - w) + sc * w + 127));
  };
  *p = Word(mix((d >> 8) & 0xFF, ink.r), mix((d >> 16) & 0xFF, ink.g), mix(d >> 24, ink.b), d);
}

void DrawContext::fillRect(const Rect& r, const Color& c) {
  int x0, y0, x1, y1;
  if (!DeviceSpan(r, x0, y0, x1, y1)) return;
  const Ink ink = InkOf(c);
  for (int y = y0; y < y1; ++y) {
    std::uint32_t* row = mPixels + static_cast<std::ptrdiff_t>(y) * mRowPixels;
    for (int x = x0; x < x1; ++x) BlendPixel(row + x, ink, 255);
  }
}

void DrawContext::clearRect(const Rect& r) {
  int x0, y0, x1, y1;
  if (!DeviceSpan(r, x0, y0, x1, y1)) return;
  for (int y = y0; y < y1; ++y)
    std::fill_n(mPixels + static_cast<std::ptrdiff_t>(y) * mRowPixels + x0, x1 - x0, 0u);
}

void DrawContext::fillPolygon(const std::vector<Point>& points, const Color& c) {
  if (points.size() < 3) return;
  std::vector<Point> dev;
  dev.reserve(points.size());
  double minY = 1e300, maxY = -1e300;
  for (const Point& p : points) {
    dev.push_back(toDevice(p));
    minY = std::min(minY, dev.back().y);
    maxY = std::max(maxY, dev.back().y);
  }
  const int y0 = std::max(PixelFrom(minY), mState.cy0), y1 = std::min(PixelFrom(maxY), mState.cy1);
  std::vector<std::pair<double, int>> crossings;
  const Ink ink = InkOf(c);
  for (int y = y0; y < y1; ++y) {
    const double cy = y + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < dev.size(); ++i) {
      const Point& a = dev[i];
      const Point& b = dev[(i + 1) % dev.size()];
      if ((a.y <= cy) == (b.y <= cy)) continue;
      const double x = a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y);
      crossings.emplace_back(x, b.y > a.y ? 1 : -1);
    }
    std::sort(crossings.begin(), crossings.end());
    int winding = 0;
    std::uint32_t* row = mPixels + static_cast<std::ptrdiff_t>(y) * mRowPixels;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += crossings[i].second;
      if (winding == 0) continue;
      const int x0 = std::max(PixelFrom(crossings[i].first), mState.cx0);
      const int x1 = std::min(PixelFrom(crossings[i + 1].first), mState.cx1);
      for (int x = x0; x < x1; ++x) BlendPixel(row + x, ink, 255);
    }
  }
}

void DrawContext::strokePolyline(const std::vector<Point>& points, double lineWidth,
                                 const Color& c) {
  if (points.size() < 2) return;
  const double minWidth = 1.0 / std::max(std::fabs(mState.sx), 1e-9);
  const double half = std::max(lineWidth, minWidth) / 2;
  for (std::size_t i = 0; i + 1 < points.size(); ++i) {
    const Point a = points[i], b = points[i + 1];
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::hypot(dx, dy);
    if (len == 0) {
      fillRect({a.x - half, a.y - half, 2 * half, 2 * half}, c);
      continue;
    }
    // Extended by half the width at both ends, so joined segments meet without gaps.
    const double ux = dx / len * half, uy = dy / len * half;
    fillPolygon({{a.x - ux - uy, a.y - uy + ux},
                 {b.x + ux - uy, b.y + uy + ux},
                 {b.x + ux + uy, b.y + uy - ux},
                 {a.x - ux + uy, a.y - uy - ux}},
                c);
  }
}

void DrawContext::drawImage(const Rect& dest, const ImageView& image) {
  if (!image.pixels || image.width < 1 || image.height < 1 || image.rowPixels < image.width) return;
  const Point a = toDevice({dest.x, dest.y});
  const Point b = toDevice({dest.x + dest.width, dest.y + dest.height});
  const double dw = b.x - a.x, dh = b.y - a.y;
  if (dw == 0 || dh == 0) return;
  int x0, y0, x1, y1;
  if (!DeviceSpan(dest, x0, y0, x1, y1)) return;
  for (int y = y0; y < y1; ++y) {
    int sy = static_cast<int>(std::floor((y + 0.5 - a.y) / dh * image.height));
    sy = std::clamp(sy, 0, image.height - 1);
    const std::uint32_t* src = image.pixels + static_cast<std::ptrdiff_t>(sy) * image.rowPixels;
    std::uint32_t* row = mPixels + static_cast<std::ptrdiff_t>(y) * mRowPixels;
    for (int x = x0; x < x1; ++x) {
      int sx = static_cast<int>(std::floor((x + 0.5 - a.x) / dw * image.width));
      sx = std::clamp(sx, 0, image.width - 1);
      const std::uint32_t s = src[sx];
      if (!image.alphaFirstByte) {
        row[x] = (row[x] & 0xFFu) | (s & 0xFFFFFF00u);
        continue;
      }
      const Ink ink{static_cast<int>((s >> 8) & 0xFF), static_cast<int>((s >> 16) & 0xFF),
                    static_cast<int>(s >> 24), static_cast<int>(s & 0xFF)};
      BlendPixel(row + x, ink, 255);
    }
  }
}

#if defined(__SSE2__)
namespace {

// The first n / 4 * 4 pixels of a glyph's row, four at a time, giving exactly BlendPixel's
// results: per pixel w = (a * coverage + 127) / 255, per colour byte
// (d * (255 - w) + s * w + 127) / 255, every value within 16 bits; byte 0 is kept.
// Returns the pixels done.
int BlendGlyphRow(std::uint32_t* row, const std::uint8_t* m, int n, std::uint32_t inkWord,
                  int alpha) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i ink = _mm_set1_epi32(static_cast<int>(inkWord));
  const __m128i s16 = _mm_unpacklo_epi8(ink, zero);
  const __m128i a16 = _mm_set1_epi16(static_cast<short>(alpha));
  const __m128i full = _mm_set1_epi16(255);
  const __m128i half = _mm_set1_epi16(127);
  const __m128i magic = _mm_set1_epi16(static_cast<short>(0x8081));
  const __m128i colours = _mm_set_epi16(-1, -1, -1, 0, -1, -1, -1, 0);  // not byte 0
  auto div255 = [&](__m128i v) { return _mm_srli_epi16(_mm_mulhi_epu16(v, magic), 7); };
  auto blend = [&](__m128i d16, __m128i w16) {
    const __m128i sum =
        _mm_add_epi16(_mm_mullo_epi16(d16, _mm_sub_epi16(full, w16)), _mm_mullo_epi16(s16, w16));
    return div255(_mm_add_epi16(sum, half));
  };
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    std::uint32_t four;
    std::memcpy(&four, m + x, 4);
    if (four == 0) continue;
    __m128i d;
    std::memcpy(&d, row + x, 16);
    if (four == 0xFFFFFFFFu && alpha == 255) {  // inside a stroke: the ink itself
      const __m128i out = _mm_or_si128(_mm_and_si128(d, _mm_set1_epi32(0xFF)), ink);
      std::memcpy(row + x, &out, 16);
      continue;
    }
    const __m128i cover = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), zero);
    // An opaque ink weighs by the coverage itself: (255 * c + 127) / 255 = c.
    const __m128i w =
        alpha == 255 ? cover : div255(_mm_add_epi16(_mm_mullo_epi16(cover, a16), half));
    const __m128i pairs = _mm_unpacklo_epi16(w, w);
    const __m128i w01 = _mm_and_si128(_mm_unpacklo_epi32(pairs, pairs), colours);
    const __m128i w23 = _mm_and_si128(_mm_unpackhi_epi32(pairs, pairs), colours);
    const __m128i out = _mm_packus_epi16(blend(_mm_unpacklo_epi8(d, zero), w01),
                                         blend(_mm_unpackhi_epi8(d, zero), w23));
    std::memcpy(row + x, &out, 16);
  }
  return x;
}

}  // namespace
#endif

void DrawContext::DrawGlyph(const GlyphImage& glyph, Point o, const Ink& ink) {
  const int gx = static_cast<int>(std::floor(o.x + 0.5)) + glyph.left;
  const int gy = static_cast<int>(std::floor(o.y + 0.5)) - glyph.top;
  const int x0 = std::max(gx, mState.cx0), x1 = std::min(gx + glyph.width, mState.cx1);
  const int y0 = std::max(gy, mState.cy0), y1 = std::min(gy + glyph.height, mState.cy1);
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* m =
        glyph.coverage.data() + static_cast<std::size_t>(y - gy) * glyph.width - gx;
    std::uint32_t* row = mPixels + static_cast<std::ptrdiff_t>(y) * mRowPixels;
    int x = x0;
#if defined(__SSE2__)
    x += BlendGlyphRow(row + x0, m + x0, x1 - x0, Word(ink.r, ink.g, ink.b, 0), ink.a);
#endif
    for (; x < x1; ++x)
      if (m[x]) BlendPixel(row + x, ink, m[x]);
  }
}

double DrawContext::drawText(const FontFace& face, const std::u32string& text, Point origin,
                             const Color& c, const FontFace* deviceFace) {
  const FontFace& images = deviceFace ? *deviceFace : face;
  double pen = 0;
  const Ink ink = InkOf(c);
  for (char32_t ch : text) {
    const Point o = toDevice({origin.x + pen, origin.y});
    // Far outside any surface (and outside int range): nothing of the glyph can show.
    const bool reachable = std::fabs(o.x) < 1e9 && std::fabs(o.y) < 1e9;
    if (const GlyphImage* image = reachable ? images.glyph(ch, mState.antialias) : nullptr)
      DrawGlyph(*image, o, ink);
    pen += face.advance(ch);
  }
  return pen;
}

void DrawContext::drawGlyphs(const PlacedGlyph* glyphs, std::size_t count, Point origin,
                             const Color& c) {
  const Ink ink = InkOf(c);
  for (std::size_t i = 0; i < count; ++i) {
    if (!glyphs[i].image) continue;
    const Point o = toDevice({origin.x + glyphs[i].pen, origin.y});
    if (std::fabs(o.x) < 1e9 && std::fabs(o.y) < 1e9) DrawGlyph(*glyphs[i].image, o, ink);
  }
}

}  // namespace vq::platform
