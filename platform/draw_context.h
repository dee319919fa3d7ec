// A software 2D drawing context over 32-bit pixels that the caller owns: the stand-in for the
// system's drawing contexts under the GDI layer. Pixels are words whose bytes in memory are an
// ignored byte, red, green, blue (the layout of memory drawing contexts); drawing never changes
// the ignored byte. User space starts top-left with y down; a transform of scale and
// translation maps it to device pixels, and a stack of states keeps transform, clip and the
// antialias switch. Shapes are sampled at pixel centres. One thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/font_service.h"
#include "platform/geometry.h"

namespace vq::platform {

// Components 0..1.
struct Color {
  double r = 0;
  double g = 0;
  double b = 0;
  double a = 1;
  // From a colour word 0x00RRGGBB.
  static Color FromWord(std::uint32_t rgb, double alpha = 1.0) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
  }
};

// Pixels of an image to draw: rows top-down, rowPixels apart, in the context's layout. With
// alphaFirstByte the first byte of each pixel is its (unpremultiplied) alpha; otherwise every
// pixel is opaque.
struct ImageView {
  const std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int rowPixels = 0;
  bool alphaFirstByte = false;
};

// One glyph of a laid-out run: its image (null: nothing to draw) and the pen position before
// it, in user units from the run's origin.
struct PlacedGlyph {
  const GlyphImage* image = nullptr;
  double pen = 0;
};

class DrawContext {
 public:
  // deviceScale: device pixels per user unit of the base transform (2 on a double-density
  // backing). The pixels must outlive the context.
  DrawContext(std::uint32_t* pixels, int width, int height, int rowPixels,
              double deviceScale = 1.0);

  std::uint32_t* pixels() const { return mPixels; }
  int width() const { return mWidth; }
  int height() const { return mHeight; }
  int rowPixels() const { return mRowPixels; }

  void saveState();
  // False when no state was saved.
  bool restoreState();
  int savedStates() const { return static_cast<int>(mStack.size()); }

  void translate(double dx, double dy);
  void scale(double sx, double sy);
  Point toDevice(Point p) const;
  // A user-space size in device pixels (absolute values).
  Size sizeToDevice(Size s) const;
  // Intersects the clip with a user-space rectangle.
  void clipToRect(const Rect& r);
  // The clip in device pixels (x0, y0) .. (x1, y1) exclusive.
  void clipBounds(int& x0, int& y0, int& x1, int& y1) const;
  void setAntialias(bool on) { mState.antialias = on; }
  bool antialias() const { return mState.antialias; }

  void fillRect(const Rect& r, const Color& c);
  // Pixels of the rectangle become 0 (the ignored byte too).
  void clearRect(const Rect& r);
  // Non-zero winding fill of a closed polygon.
  void fillPolygon(const std::vector<Point>& points, const Color& c);
  // Each segment as a band of the given width (at least one device pixel across).
  void strokePolyline(const std::vector<Point>& points, double lineWidth, const Color& c);
  // Draws the image scaled into the user-space rectangle, nearest sample, no interpolation.
  void drawImage(const Rect& dest, const ImageView& image);
  // Draws characters with their baseline starting at the user-space origin; returns the
  // advance in user units. Glyphs are placed on whole device pixels; the pen sums the advances
  // of `face` (user units). `deviceFace`, when given, is the same face at the device's size and
  // supplies the glyph images, so text on a double-density context is as sharp as its pixels.
  double drawText(const FontFace& face, const std::u32string& text, Point origin, const Color& c,
                  const FontFace* deviceFace = nullptr);
  // The glyphs of a run laid out beforehand, placed and drawn exactly as drawText places and
  // draws them; the images must be at the device's size.
  void drawGlyphs(const PlacedGlyph* glyphs, std::size_t count, Point origin, const Color& c);

 private:
  struct State {
    double sx = 1, sy = 1, tx = 0, ty = 0;
    int cx0 = 0, cy0 = 0, cx1 = 0, cy1 = 0;
    bool antialias = true;
  };
  // Device span of a user rectangle after clipping; false when empty.
  bool DeviceSpan(const Rect& r, int& x0, int& y0, int& x1, int& y1) const;
  // A colour as bytes and its alpha as a weight 0..255, worked out once per operation.
  struct Ink {
    int r, g, b, a;
  };
  static Ink InkOf(const Color& c);
  static void BlendPixel(std::uint32_t* p, const Ink& ink, unsigned coverage);
  // One glyph with its pen position at device point o, inside the clip.
  void DrawGlyph(const GlyphImage& glyph, Point o, const Ink& ink);

  std::uint32_t* mPixels;
  int mWidth;
  int mHeight;
  int mRowPixels;
  State mState;
  std::vector<State> mStack;
};

}  // namespace vq::platform
