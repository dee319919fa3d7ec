#include "platform/draw_context.h"

#include <algorithm>
#include <cmath>

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
  const int w = (ink.a * static_cast<int>(coverage) + 127) / 255;
  if (w <= 0) return;
  const std::uint32_t d = *p;
  if (w >= 255) {
    *p = Word(ink.r, ink.g, ink.b, d);
    return;
  }
  auto mix = [w](int dc, int sc) { return dc + ((sc - dc) * w + (sc >= dc ? 127 : -127)) / 255; };
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

double DrawContext::drawText(const FontFace& face, const std::u32string& text, Point origin,
                             const Color& c, const FontFace* deviceFace) {
  const FontFace& images = deviceFace ? *deviceFace : face;
  double pen = 0;
  const Ink ink = InkOf(c);
  for (char32_t ch : text) {
    const Point o = toDevice({origin.x + pen, origin.y});
    // Far outside any surface (and outside int range): nothing of the glyph can show.
    const bool reachable = std::fabs(o.x) < 1e9 && std::fabs(o.y) < 1e9;
    if (const GlyphImage* image = reachable ? images.glyph(ch, mState.antialias) : nullptr) {
      const GlyphImage& glyph = *image;
      const int gx = static_cast<int>(std::floor(o.x + 0.5)) + glyph.left;
      const int gy = static_cast<int>(std::floor(o.y + 0.5)) - glyph.top;
      const int x0 = std::max(gx, mState.cx0), x1 = std::min(gx + glyph.width, mState.cx1);
      const int y0 = std::max(gy, mState.cy0), y1 = std::min(gy + glyph.height, mState.cy1);
      for (int y = y0; y < y1; ++y) {
        const std::uint8_t* m =
            glyph.coverage.data() + static_cast<std::size_t>(y - gy) * glyph.width - gx;
        std::uint32_t* row = mPixels + static_cast<std::ptrdiff_t>(y) * mRowPixels;
        for (int x = x0; x < x1; ++x)
          if (m[x]) BlendPixel(row + x, ink, m[x]);
      }
    }
    pen += face.advance(ch);
  }
  return pen;
}

}  // namespace vq::platform
