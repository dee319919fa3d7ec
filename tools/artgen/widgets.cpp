// The control strips of the synth page: sliders, switches, buttons, tabs, displays.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "editor/gui/page_layout_tables.h"
#include "tools/artgen/artgen.h"

namespace artgen {
namespace {

constexpr double kPi = 3.14159265358979;

// ---- Sliders.

// A vertical fader: groove, value fill from the bottom (or from the zero mark at `zero` when
// the value runs from below zero), cap at the value. v in 0..1.
void Slider(cairo_t* cr, const Theme& t, double w, double top, double h, double v, int notches,
            double zero = -1) {
  // A vertical fader: dragging up raises the value, as the knob's drag does.
  // A short slot keeps only the cap's half height above and below the travel.
  const double margin = h < 24 ? 3 : 4;
  const double cx = w / 2, y0 = top + margin, y1 = top + h - margin;
  const double cy = y1 - (y1 - y0) * v;
  const double capW = std::min(w - 8, 16.0), capH = 6;
  // The fill runs between the value and its base: the bottom, or the zero mark.
  const double base = zero < 0 ? y1 : y1 - (y1 - y0) * zero;
  const double fillTop = std::min(cy, base), fillBottom = std::max(cy, base);
  if (zero >= 0) {
    SetColor(cr, t.lcd() ? t.label : Hex(0xffffff, 0.55));
    cairo_rectangle(cr, cx - capW / 2 - 4, base - 0.4, capW + 8, 0.8);
    cairo_fill(cr);
  }
  for (int i = 0; i < notches; ++i) {
    const double ny = y1 - (y1 - y0) * i / (notches - 1);
    SetColor(cr, t.lcd() ? t.label : Hex(0xffffff, 0.55));
    cairo_rectangle(cr, cx - capW / 2 - 4, ny - 0.4, 3, 0.8);
    cairo_rectangle(cr, cx + capW / 2 + 1, ny - 0.4, 3, 0.8);
    cairo_fill(cr);
  }
  if (t.lcd()) {
    StrokeRound(cr, cx - 2.5, y0 - 1, 5, y1 - y0 + 2, 1.5, t.label, 0.8);
    if (fillTop < fillBottom)
      FillRound(cr, cx - 1.5, fillTop, 3, fillBottom - fillTop, 0.5, t.label);
    StrokeRound(cr, cx - capW / 2, cy - capH / 2, capW, capH, 1, t.label, 0.9);
    cairo_rectangle(cr, cx - capW / 2 + 1.5, cy - 0.5, capW - 3, 1);
    cairo_fill(cr);
    return;
  }
  FillRound(cr, cx - 2, y0 - 1.5, 4, y1 - y0 + 3, 2, t.groove);
  StrokeRound(cr, cx - 2, y0 - 1.5, 4, y1 - y0 + 3, 2, Hex(0xffffff, 0.12), 0.5);
  if (fillTop < fillBottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y1, 0, y0);
    cairo_pattern_add_color_stop_rgba(p, 0, t.accentDim.r, t.accentDim.g, t.accentDim.b, 1);
    cairo_pattern_add_color_stop_rgba(p, 1, t.accent.r, t.accent.g, t.accent.b, 1);
    RoundRect(cr, cx - 1.3, fillTop, 2.6, fillBottom - fillTop + (zero < 0 ? 1 : 0), 1.3);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
  // Cap: a small metal block with a value line.
  FillRound(cr, cx - capW / 2 + 0.6, cy - capH / 2 + 0.8, capW, capH, 1.5, Hex(0x000000, 0.45));
  VerticalGradient(cr, cx - capW / 2, cy - capH / 2, capW, capH, 1.5, t.metalHi, t.metalLo);
  StrokeRound(cr, cx - capW / 2, cy - capH / 2, capW, capH, 1.5, Hex(0x000000, 0.6), 0.5);
  SetColor(cr, t.accent);
  cairo_rectangle(cr, cx - capW / 2 + 1, cy - 0.5, capW - 2, 1);
  cairo_fill(cr);
}

// A thin vertical FLEXI range fader in the slot's colour.
void FlexiSlider(cairo_t* cr, const Theme& t, double w, double h, double v, const RGBA& colour) {
  const double y0 = 2, y1 = h - 2, cx = w / 2;
  const double cy = y1 - (y1 - y0) * v;
  FillRound(cr, cx - 2, y0 - 1, 4, y1 - y0 + 2, 2, t.lcd() ? Hex(0x2a3320, 0.35) : t.groove);
  if (cy < y1) FillRound(cr, cx - 1.5, cy, 3, y1 - cy, 1.5, colour);
  VerticalGradient(cr, cx - 6, cy - 1.6, 12, 3.2, 1, t.lcd() ? t.label : t.metalHi,
                   t.lcd() ? t.label : t.metalLo);
  SetColor(cr, colour);
  cairo_rectangle(cr, cx - 6, cy - 0.4, 12, 0.8);
  cairo_fill(cr);
}

// The modulation wheel: a ribbed wheel in a slot, its marker at the value.
void ModWheel(cairo_t* cr, const Theme& t, double w, double h, double v) {
  FillRound(cr, 0.5, 0.5, w - 1, h - 1, 3, t.lcd() ? Hex(0x1c2416) : Hex(0x050608));
  const double x = 4, ww = w - 8, y = 3, hh = h - 6;
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + hh);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.08, 0.08, 0.09);
  cairo_pattern_add_color_stop_rgb(p, 0.5, 0.42, 0.43, 0.46);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.08, 0.08, 0.09);
  RoundRect(cr, x, y, ww, hh, 3);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  // Ribs rotate with the value; their spacing shrinks towards the ends (a cylinder seen).
  const double phase = v * 40.0;
  for (int i = -12; i < 30; ++i) {
    const double a = (i * 3.0 + phase) / 40.0 * kPi;  // angle over half a turn
    if (a <= 0 || a >= kPi) continue;
    const double ry = y + hh / 2 - std::cos(a) * hh / 2;
    SetColor(cr, Hex(0x000000, 0.35 * std::sin(a)));
    cairo_rectangle(cr, x, ry, ww, 0.6);
    cairo_fill(cr);
  }
  const double my = y + hh - hh * v;
  SetColor(cr, t.lcd() ? Hex(0xdfe8c8) : t.accent);
  cairo_rectangle(cr, x, my - 1, ww, 2);
  cairo_fill(cr);
}

// ---- Displays.

// One seven-segment digit in a cell of w x h; digit < 0 shows all segments dim.
void SevenSegDigit(cairo_t* cr, double x, double y, double w, double h, int digit, const RGBA& on,
                   const RGBA& off) {
  static const unsigned char kSegs[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66,
                                          0x6d, 0x7d, 0x07, 0x7f, 0x6f};
  const unsigned bits = digit >= 0 && digit <= 9 ? kSegs[digit] : 0;
  const double t = w * 0.18, sk = w * 0.12;  // thickness and slant
  struct Seg {
    double x0, y0, x1, y1;
  };
  const double m = h / 2;
  const Seg segs[7] = {
      {t, 0, w - t, 0}, {w, t * 0.6, w, m - t * 0.6},     {w, m + t * 0.6, w, h - t * 0.6},
      {t, h, w - t, h}, {0, m + t * 0.6, 0, h - t * 0.6}, {0, t * 0.6, 0, m - t * 0.6},
      {t, m, w - t, m}};
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_width(cr, t);
  for (int s = 0; s < 7; ++s) {
    const Seg& g = segs[s];
    auto px = [&](double sx, double sy) { return x + sx + sk * (1 - sy / h); };
    cairo_move_to(cr, px(g.x0, g.y0), y + g.y0);
    cairo_line_to(cr, px(g.x1, g.y1), y + g.y1);
    SetColor(cr, (bits >> s) & 1 ? on : off);
    cairo_stroke(cr);
  }
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

void SevenSeg(cairo_t* cr, const Theme& t, double w, double h, int value) {
  FillRound(cr, 0, 0, w, h, 3, t.lcd() ? Hex(0x1c2416) : Hex(0x140404));
  StrokeRound(cr, 0, 0, w, h, 3, t.lcd() ? Hex(0x6d7a55) : Hex(0x3a1210), 1);
  const RGBA on = t.lcd() ? Hex(0xd6f0a0) : Hex(0xff2a1a);
  const RGBA off = t.lcd() ? Hex(0xd6f0a0, 0.10) : Hex(0xff2a1a, 0.10);
  const int digits[3] = {value >= 100 ? value / 100 : -1, value >= 10 ? value / 10 % 10 : -1,
                         value % 10};
  // A thin frame: the display is low, the digits take most of its height.
  const double cw = 9, ch = h - 6;
  for (int i = 0; i < 3; ++i) SevenSegDigit(cr, 8 + i * 13, 3, cw, ch, digits[i], on, off);
}

// A FLEXI curve: 80 response shapes from strongly logarithmic through linear to exponential
// and S shapes; the value is printed in the corner.
void Curve(cairo_t* cr, const Theme& t, double w, double h, int frame) {
  const int value = frame - 11;  // the parameter's range is -11..68
  FillRound(cr, 0.5, 0.5, w - 1, h - 1, 3, t.lcd() ? Hex(0xc6d4a8) : Hex(0x05080f, 0.9));
  StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 3, t.lcd() ? t.panelEdge : Hex(0x3d5a8a), 0.8);
  // The value stands in a column of its own right of the graph, clear of the curve's end.
  const double column = 16, gx = 4, gy = 4, gw = w - 8 - column, gh = h - 8;
  SetColor(cr, t.lcd() ? Hex(0x2a3320, 0.18) : Hex(0x8fb8ff, 0.12));
  cairo_set_line_width(cr, 0.5);
  for (int i = 1; i < 4; ++i) {
    cairo_move_to(cr, gx + gw * i / 4, gy);
    cairo_line_to(cr, gx + gw * i / 4, gy + gh);
    cairo_move_to(cr, gx, gy + gh * i / 4);
    cairo_line_to(cr, gx + gw, gy + gh * i / 4);
  }
  cairo_stroke(cr);
  auto shape = [&](double x) {
    if (value < 0) return std::pow(x, 1.0 / (1.0 + (-value) * 0.45));  // logarithmic side
    if (value <= 40) return std::pow(x, 1.0 + value * 0.12);           // exponential side
    const double k = (value - 40) / 28.0;                              // S shapes, then steps
    if (value <= 68 - 8) {
      const double s = 2 + k * 14;
      return 1.0 / (1.0 + std::exp(-s * (x - 0.5)));
    }
    const int steps = value - 58;  // 2..10 steps
    return std::floor(x * steps) / (steps - 1 > 0 ? steps - 1 : 1);
  };
  double lo = shape(0), hi = shape(1);
  if (hi - lo < 1e-9) hi = lo + 1;
  cairo_set_line_width(cr, 1.2);
  for (int i = 0; i <= 60; ++i) {
    const double x = i / 60.0;
    const double y = std::min(1.0, std::max(0.0, (shape(x) - lo) / (hi - lo)));
    if (i == 0)
      cairo_move_to(cr, gx + gw * x, gy + gh - gh * y);
    else
      cairo_line_to(cr, gx + gw * x, gy + gh - gh * y);
  }
  SetColor(cr, t.lcd() ? t.label : Hex(0x6fe3ff));
  cairo_stroke(cr);
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  Text(cr, text, w - 3, h / 2, 7, t.lcd() ? t.label : Hex(0xffd0a0), Align::Right);
}

// ---- Buttons, switches, tabs.

void Button(cairo_t* cr, const Theme& t, double w, double h, const char* label, bool pressed,
            double size = 8.5) {
  // A label never runs past the button's edges, where the image would cut it.
  const double room = w - 6, wide = TextWidth(cr, label, size);
  if (wide > room) size *= room / wide;
  if (t.lcd()) {
    FillRound(cr, 0.5, 0.5, w - 1, h - 1, 2, pressed ? t.label : Hex(0xb8c79a));
    StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 2, t.label, 1);
    Text(cr, label, w / 2, h / 2, size, pressed ? Hex(0xc6d4a8) : t.label);
    return;
  }
  FillRound(cr, 0.5, 1.2, w - 1, h - 1.2, 3, Hex(0x000000, 0.55));
  const double dy = pressed ? 0.8 : 0;
  VerticalGradient(cr, 0.5, 0.5 + dy, w - 1, h - 1.8, 3, pressed ? Hex(0x2a2c31) : Hex(0x4a4e57),
                   pressed ? Hex(0x1a1b1f) : Hex(0x26282e));
  StrokeRound(cr, 0.5, 0.5 + dy, w - 1, h - 1.8, 3, pressed ? t.accent : Hex(0x000000, 0.8), 0.8);
  Text(cr, label, w / 2, h / 2 - 0.4 + dy, size, pressed ? t.accent : t.label);
}

// A small two-position toggle: a lit bar when on.
void Toggle(cairo_t* cr, const Theme& t, double w, double h, bool on) {
  if (t.lcd()) {
    StrokeRound(cr, 1, 1, w - 2, h - 2, 2, t.label, 1);
    FillRound(cr, on ? w / 2 : 2.5, 2.5, w / 2 - 2.5, h - 5, 1, t.label);
    return;
  }
  FillRound(cr, 0.5, 0.5, w - 1, h - 1, h / 2 - 0.5, t.groove);
  StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, h / 2 - 0.5, Hex(0xffffff, 0.15), 0.6);
  const double kx = on ? w - h + 1 : 1;
  if (on)
    FillRound(cr, 2, 2, w - 4, h - 4, h / 2 - 2, RGBA{t.accent.r, t.accent.g, t.accent.b, 0.55});
  VerticalGradient(cr, kx, 1, h - 2, h - 2, h / 2 - 1, t.metalHi, t.metalLo);
}

void Tab(cairo_t* cr, const Theme& t, double w, double h, const char* label, bool on) {
  if (t.lcd()) {
    FillRound(cr, 0.5, 0.5, w - 1, h - 1, 3, on ? t.label : Hex(0xb8c79a));
    StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 3, t.label, 1);
    Text(cr, label, w / 2, h / 2, 9, on ? Hex(0xc6d4a8) : t.label);
    return;
  }
  VerticalGradient(cr, 0.5, 0.5, w - 1, h - 1, 4, on ? Hex(0x3a3d45) : Hex(0x1d1f24),
                   on ? Hex(0x24262b) : Hex(0x121316));
  StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 4, on ? t.accent : Hex(0x4a4e57), on ? 1.2 : 0.8);
  Led(cr, 9, h / 2, 2.2, on, t.accent);
  Text(cr, label, w / 2 + 5, h / 2, 9, on ? Hex(0xffffff) : Hex(0x9aa0aa));
}

void CheckBox(cairo_t* cr, const Theme& t, double w, double h, bool on) {
  if (t.lcd()) {
    StrokeRound(cr, 1, 1, w - 2, h - 2, 1, t.label, 1.2);
  } else {
    FillRound(cr, 0.5, 0.5, w - 1, h - 1, 2, t.groove);
    StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 2, Hex(0x9aa4b4), 0.9);
  }
  if (!on) return;
  cairo_set_line_width(cr, 1.8);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, 2.8, h * 0.52);
  cairo_line_to(cr, w * 0.42, h - 3);
  cairo_line_to(cr, w - 2.5, 2.8);
  SetColor(cr, t.lcd() ? t.label : t.accent);
  cairo_stroke(cr);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
}

void Arrow(cairo_t* cr, const Theme& t, double w, double h, bool right, bool pressed) {
  Button(cr, t, w, h, "", pressed);
  const double cx = w / 2 + (pressed && !t.lcd() ? 0 : 0),
               cy = h / 2 + (pressed && !t.lcd() ? 0.8 : 0);
  const double s = right ? 1 : -1;
  cairo_move_to(cr, cx - 3 * s, cy - 4.5);
  cairo_line_to(cr, cx + 4 * s, cy);
  cairo_line_to(cr, cx - 3 * s, cy + 4.5);
  cairo_close_path(cr);
  SetColor(cr, t.lcd() ? (pressed ? Hex(0xc6d4a8) : t.label) : (pressed ? t.accent : t.label));
  cairo_fill(cr);
}

std::string Path(const std::string& folder, const char* file) {
  return folder + file;
}

}  // namespace

void Led(cairo_t* cr, double cx, double cy, double r, bool on, const RGBA& colour) {
  if (on) {
    cairo_pattern_t* g = cairo_pattern_create_radial(cx, cy, 0, cx, cy, r * 2.2);
    cairo_pattern_add_color_stop_rgba(g, 0, colour.r, colour.g, colour.b, 0.9);
    cairo_pattern_add_color_stop_rgba(g, 1, colour.r, colour.g, colour.b, 0);
    cairo_arc(cr, cx, cy, r * 2.2, 0, 2 * kPi);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
  }
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  SetColor(cr, on ? Hex(0xfff4e8) : RGBA{colour.r * 0.3, colour.g * 0.3, colour.b * 0.3, 1});
  cairo_fill(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  SetColor(cr, on ? colour : Hex(0x000000, 0.6));
  cairo_set_line_width(cr, 0.8);
  cairo_stroke(cr);
}

void DrawWidgets(const std::string& folder, const Theme& t) {
  using vq_layout::FrameSize;
  const bool lcd = t.lcd();
  const int base = lcd ? 100 : 0;
  auto size = [&](int origId) { return FrameSize(origId + base); };
  std::map<std::string, bool> done;  // files loaded under two ids are drawn once
  const RGBA flexiColours[4] = {Hex(0xff3b30), Hex(0x2f8cff), Hex(0xb04dff), Hex(0x2fd36b)};

  for (const vq_layout::ImageSpec& img : vq_layout::SynthPageImages()) {
    if (!(img.skins & (lcd ? vq_layout::kInLcd : vq_layout::kInOrig))) continue;
    if (done[img.file]) continue;
    done[img.file] = true;
    const vq_layout::Point s = size(img.id);
    if (s.x == 1140) continue;  // pages: drawn by the page painter
    const std::string file = Path(folder, img.file);
    const std::string name = img.file;
    const int n = img.frames;
    const double w = s.x, h = s.y;
    auto strip = [&](const std::function<void(cairo_t*, int)>& f) {
      DrawStrip(file, s.x, s.y, n, f);
    };

    if (name == "vslider-2x.png" || name == "vslidertight-2x.png") {
      strip([&](cairo_t* cr, int f) { Slider(cr, t, w, 0, h, f / 127.0, 0); });
    } else if (name.rfind("vsliderbipolar", 0) == 0) {
      strip([&](cairo_t* cr, int f) { Slider(cr, t, w, 0, h, f / 127.0, 0, 0.5); });
    } else if (name.rfind("vslider", 0) == 0 && name.find("flexi") != std::string::npos) {
      const int slot = name.find("red") != std::string::npos      ? 0
                       : name.find("blue") != std::string::npos   ? 1
                       : name.find("purple") != std::string::npos ? 2
                                                                  : 3;
      strip([&](cairo_t* cr, int f) { FlexiSlider(cr, t, w, h, f / 127.0, flexiColours[slot]); });
    } else if (name == "vslidershort4-2x.png") {
      // The top is left clear: the value read-out is drawn there.
      strip([&](cairo_t* cr, int f) { Slider(cr, t, w, 13, h - 13, f / 3.0, 4); });
    } else if (name.rfind("vslider", 0) == 0) {
      strip(
          [&](cairo_t* cr, int f) { Slider(cr, t, w, 0, h, n > 1 ? double(f) / (n - 1) : 0, n); });
    } else if (name == "curves-2x.png") {
      strip([&](cairo_t* cr, int f) { Curve(cr, t, w, h, f); });
    } else if (name == "modwheel-2x.png") {
      strip([&](cairo_t* cr, int f) { ModWheel(cr, t, w, h, f / 127.0); });
    } else if (name == "sevenseg-2x.png") {
      strip([&](cairo_t* cr, int f) { SevenSeg(cr, t, w, h, f); });
    } else if (name == "syncbutton-2x.png" || (lcd && name == "bigbutton-2x.png")) {
      strip([&](cairo_t* cr, int f) { Toggle(cr, t, w, h, f == 1); });
    } else if (name == "bigbutton-2x.png" || name == "flexi-sw-2x.png") {
      strip([&](cairo_t* cr, int f) { Button(cr, t, w, h, "", f == 1); });
    } else if (name == "led-2x.png") {
      strip([&](cairo_t* cr, int f) {
        if (lcd) {
          StrokeRound(cr, 1, 1, w - 2, h - 2, 2, t.label, 1);
          if (f) FillRound(cr, 3, 3, w - 6, h - 6, 1, t.label);
        } else {
          Led(cr, w / 2, h / 2, 3.2, f == 1, Hex(0xff3b30));
        }
      });
    } else if (name == "fxsw-h-2x.png") {
      strip([&](cairo_t* cr, int) {
        StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 4, lcd ? t.label : t.accent, 1.6);
        FillRound(cr, 4, 1.5, w - 8, 2, 1,
                  lcd ? t.label : RGBA{t.accent.r, t.accent.g, t.accent.b, 0.9});
      });
    } else if (name == "od-sw-2x.png" || name == "eq-sw-2x.png" || name == "ch-sw-2x.png" ||
               name == "dl-sw-2x.png") {
      const char* label = name[0] == 'o'   ? "OVERDRIVE"
                          : name[0] == 'e' ? "EQUALIZER"
                          : name[0] == 'c' ? "CHORUS"
                                           : "DELAY";
      strip([&](cairo_t* cr, int f) { Tab(cr, t, w, h, label, f == 1); });
    } else if (name == "fxsw-2x.png") {
      strip([&](cairo_t* cr, int f) {
        FillRound(cr, 0.5, 0.5, w - 1, h - 1, 3, t.groove);
        Led(cr, w / 2, h / 2, 3, f == 1, t.accent);
      });
    } else if (name == "fxordersw-2x.png") {
      strip([&](cairo_t* cr, int f) {
        Tab(cr, t, w, h, f ? "EQ \xe2\x96\xb8 DRIVE" : "DRIVE \xe2\x96\xb8 EQ", true);
      });
    } else if (name == "fleximode-2x.png") {
      strip([&](cairo_t* cr, int f) {
        Toggle(cr, t, 12, h - 2, f == 1);
        Text(cr, f ? "MODE 2" : "MODE 1", 27, h / 2 - 0.5, 6.5, t.label);
      });
    } else if (name == "midi-sw-2x.png") {
      strip([&](cairo_t* cr, int f) {
        if (!lcd) FillRound(cr, 0.5, 0.5, w - 1, h - 1, 4, t.groove);
        for (int half = 0; half < 2; ++half) {
          const bool on = half == f;
          const double x = half * w / 2;
          if (lcd) {
            FillRound(cr, x + 1, 1, w / 2 - 2, h - 2, 2, on ? t.label : Hex(0xb8c79a));
            StrokeRound(cr, x + 1, 1, w / 2 - 2, h - 2, 2, t.label, 1);
          } else {
            VerticalGradient(cr, x + 1.5, 1.5, w / 2 - 3, h - 3, 3,
                             on ? Hex(0x3a3d45) : Hex(0x1a1b1f),
                             on ? Hex(0x24262b) : Hex(0x101114));
            if (on) StrokeRound(cr, x + 1.5, 1.5, w / 2 - 3, h - 3, 3, t.accent, 1);
          }
          const RGBA tc =
              lcd ? (on ? Hex(0xc6d4a8) : t.label) : (on ? Hex(0xffffff) : Hex(0x80868f));
          Text(cr, half ? "EXT MIDI" : "INT MIDI", x + w / 4, h / 2, 9, tc);
        }
      });
    } else if (name == "polarsw2-2x.png") {
      strip([&](cairo_t* cr, int f) {
        Button(cr, t, w, h, f ? "\xe2\x88\x92 NEG" : "+ POS", f == 1, 8);
      });
    } else if (name == "checkbox-2x.png") {
      strip([&](cairo_t* cr, int f) { CheckBox(cr, t, w, h, f == 1); });
    } else if (name == "prevbtn-2x.png" || name == "nextbtn-2x.png") {
      strip([&](cairo_t* cr, int f) { Arrow(cr, t, w, h, name[0] == 'n', f == 1); });
    } else if (name == "fopen-2x.png") {
      strip([&](cairo_t* cr, int) {
        FillRound(cr, 0.5, 0.5, w - 1, h - 1, 3, lcd ? t.label : Hex(0x000000, 0.8));
        Text(cr, "\xe2\x80\xa6", w / 2, h / 2, 10, lcd ? Hex(0xc6d4a8) : t.accent);
      });
    } else {
      static const std::map<std::string, const char*> kLabels = {
          {"vcosave-sw-2x.png", "VCO"}, {"flexisave-sw-2x.png", "FLEXI"},
          {"copy-2x.png", "COPY"},      {"default-2x.png", "INIT"},
          {"random-2x.png", "RANDOM"},  {"reset-2x.png", "RESET"},
          {"selectall-2x.png", "ALL"},  {"clearall-2x.png", "NONE"},
          {"fload-2x.png", "LOAD"},     {"fsave-2x.png", "SAVE"},
          {"fwriteone-2x.png", "SEND"}, {"fwriteall-2x.png", "SEND ALL"}};
      const auto it = kLabels.find(name);
      const char* label = it != kLabels.end() ? it->second : "?";
      strip([&](cairo_t* cr, int f) { Button(cr, t, w, h, label, f == 1); });
    }
  }
}

// The keyboard (one octave, white keys 14 wide, black keys at the code's offsets) and the
// about box: always from img/orig/.
void DrawCommonImages(const std::string& folder) {
  using namespace vq_layout;
  const Point k = FrameSize(104);
  const double w = k.x, h = k.y;
  const double whiteW = w / 7.0;
  auto whiteKey = [&](cairo_t* cr, int i, const RGBA& top, const RGBA& bottom) {
    VerticalGradient(cr, i * whiteW + 0.5, 0, whiteW - 1, h - 0.5, 1.5, top, bottom);
  };
  auto blackKey = [&](cairo_t* cr, int b, const RGBA& top, const RGBA& bottom) {
    const double x = kBlackKeyOffsets[b];
    VerticalGradient(cr, x, -2, kBlackKeyWidth, kBlackKeyHeight + 2, 1.5, top, bottom);
  };
  auto octave = [&](cairo_t* cr) {
    SetColor(cr, Hex(0x101114));
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);
    for (int i = 0; i < 7; ++i) whiteKey(cr, i, Hex(0xd8d8d4), Hex(0xfbfbf8));
    for (int b = 0; b < 5; ++b) {
      blackKey(cr, b, Hex(0x2c2d30), Hex(0x0b0b0c));
      FillRound(cr, kBlackKeyOffsets[b] + 1.5, kBlackKeyHeight - 7, kBlackKeyWidth - 3, 5, 1,
                Hex(0xffffff, 0.10));
    }
    SetColor(cr, Hex(0x000000, 0.35));
    cairo_rectangle(cr, 0, 0, w, 3);
    cairo_fill(cr);
  };
  DrawStrip(folder + "bgkb-2x.png", k.x, k.y, 1, [&](cairo_t* cr, int) { octave(cr); });
  // Frame s lights semitone s only; everything else stays transparent so overlays can stack.
  DrawStrip(folder + "keys-2x.png", k.x, k.y, 12, [&](cairo_t* cr, int s) {
    const RGBA lit = Hex(0xff8a2a), litDeep = Hex(0xd4461a);
    for (int b = 0; b < 5; ++b) {
      if (kBlackKeySemitones[b] != s) continue;
      blackKey(cr, b, litDeep, lit);
      return;
    }
    static const int kWhiteOfSemitone[12] = {0, -1, 1, -1, 2, 3, -1, 4, -1, 5, -1, 6};
    const int i = kWhiteOfSemitone[s];
    cairo_save(cr);
    // The pressed white key, less the black keys standing over it.
    cairo_rectangle(cr, i * whiteW + 0.5, 0, whiteW - 1, h - 0.5);
    for (int b = 0; b < 5; ++b)
      cairo_rectangle(cr, kBlackKeyOffsets[b] + kBlackKeyWidth, -2, -kBlackKeyWidth,
                      kBlackKeyHeight + 2);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr);
    whiteKey(cr, i, Hex(0xffc89a), lit);
    cairo_restore(cr);
  });

  const Point a = FrameSize(103);
  DrawStrip(folder + "about-2x.png", a.x, a.y, 1, [&](cairo_t* cr, int) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, a.y);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.07, 0.09, 0.15);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.01, 0.02, 0.04);
    RoundRect(cr, 0.5, 0.5, a.x - 1, a.y - 1, 14);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    StrokeRound(cr, 0.5, 0.5, a.x - 1, a.y - 1, 14, Hex(0x5f86c8), 1.5);
    // A stylised oscillator trace.
    cairo_set_line_width(cr, 2.5);
    for (int i = 0; i <= 400; ++i) {
      const double x = 60 + i * 1.45;
      const double y =
          150 + 38 * std::sin(i / 400.0 * 6 * kPi) * std::exp(-i / 500.0) + 10 * std::sin(i / 7.0);
      if (i == 0)
        cairo_move_to(cr, x, y);
      else
        cairo_line_to(cr, x, y);
    }
    SetColor(cr, Hex(0xff3b30, 0.85));
    cairo_stroke(cr);
    Text(cr, "VQEditor4", a.x / 2, 70, 46, Hex(0xe9eef5), Align::Center, true, false);
    Text(cr, "Editor and librarian for the Velquor synthesizer", a.x / 2, 230, 15, Hex(0x8fd3ff),
         Align::Center, false, false);
    Text(cr, "Version 4.0", a.x / 2, 262, 13, Hex(0xd7e3f4), Align::Center, false, false);
    Text(cr,
         "Sound editing \xc2\xb7 program library \xc2\xb7 bank transfers \xc2\xb7 firmware update",
         a.x / 2, 300, 12, Hex(0x9aa4b4), Align::Center, false, false);
    Text(cr, "Click anywhere to close", a.x / 2, a.y - 30, 11, Hex(0x6d7788), Align::Center, false,
         false);
  });
}

}  // namespace artgen
