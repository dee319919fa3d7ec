// The artwork generator's shared drawing kit: an image strip of equal frames drawn in GUI units
// (the surface is twice that), the looks of the skins, and small painting helpers.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>

namespace artgen {

struct RGBA {
  double r, g, b, a = 1.0;
};
inline RGBA Hex(unsigned rgb, double a = 1.0) {
  return {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0, a};
}

// The look of one skin: the page colours and the widget colours.
struct Theme {
  enum Kind { Space, Solid, Lcd } kind;
  RGBA panelFill, panelEdge, title, label, readoutWell, accent, accentDim, metalHi, metalLo, groove;
  bool lcd() const { return kind == Lcd; }
};
const Theme& ThemeOf(Theme::Kind kind);
const Theme& ManagerTheme();
// The images img/orig/ shares between the "space" and "solid" looks: a neutral rack metal.
const Theme& SharedOrigTheme();

// One PNG of `frames` frames of w x h GUI units, a vertical strip; the drawing callback gets a
// context whose origin is the frame's top left, in GUI units.
void DrawStrip(const std::string& path, int w, int h, int frames,
               const std::function<void(cairo_t*, int)>& draw);

// Painting helpers, all in GUI units.
void SetColor(cairo_t* cr, const RGBA& c);
void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r);
void FillRound(cairo_t* cr, double x, double y, double w, double h, double r, const RGBA& c);
void StrokeRound(cairo_t* cr, double x, double y, double w, double h, double r, const RGBA& c,
                 double width = 1.0);
void VerticalGradient(cairo_t* cr, double x, double y, double w, double h, double r,
                      const RGBA& top, const RGBA& bottom);
enum class Align { Left, Center, Right };
// Text centred vertically on y; `size` in GUI units. Lines split at '\n'.
void Text(cairo_t* cr, const std::string& text, double x, double y, double size, const RGBA& c,
          Align align = Align::Center, bool bold = true, bool condensed = true, bool mono = false);
double TextWidth(cairo_t* cr, const std::string& text, double size, bool bold = true,
                 bool condensed = true);
// A round lamp, glowing when on.
void Led(cairo_t* cr, double cx, double cy, double r, bool on, const RGBA& colour);
// A rounded panel with a title plate, in the theme's look.
void Panel(cairo_t* cr, const Theme& t, double x, double y, double w, double h, const char* title,
           double titleX = -1);
// A deterministic pseudo-random sequence for textures.
struct Random {
  unsigned state;
  explicit Random(unsigned seed) : state(seed ? seed : 1) {}
  double Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return (state & 0xFFFFFF) / double(0x1000000);
  }
};

// The image groups (each writes its files under the folder's path, ending in '/').
void DrawWidgets(const std::string& folder, const Theme& theme);
void DrawCommonImages(const std::string& origFolder);
// `shared` draws what both looks of a folder load (effect panels, lists, overlays); `solid`, when
// given, the second look's own background and external-MIDI panel.
void DrawSynthPages(const std::string& folder, const Theme& theme, const Theme& shared,
                    const Theme* solid);
void DrawManagerImages(const std::string& folder);

// Short panel labels of the synth page's parameters; null for none.
const char* KnobLabel(int param);

}  // namespace artgen
