// The full-page images of the synth page: the backgrounds of the three looks with their section
// frames and control labels, the effect panels, the external-MIDI panel, the save overlays,
// the two list pages and the save-from-device panel.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "editor/gui/page_layout_tables.h"
#include "protocol/name_tables.h"
#include "tools/artgen/artgen.h"

namespace artgen {
namespace {

using vq_layout::ControlSpec;
using vq_layout::Ctl;
using vq_layout::Skin;

constexpr int W = vq_layout::kGuiWidth, H = vq_layout::kGuiHeight;

bool IsEffect(int p) {
  return (p >= 132 && p <= 149) || (p >= 160 && p <= 172) || (p >= 182 && p <= 185);
}
bool IsExtMidi(int p) {
  return p == 309 || p == 128 || p == 310 || p == 311;
}

// ---- Textures.

void Texture(cairo_t* cr, const Theme& t, double y0, double h) {
  Random rnd(t.kind * 7919 + 17);
  if (t.kind == Theme::Space) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, W * 0.3, H);
    cairo_pattern_add_color_stop_rgb(p, 0, 0.030, 0.045, 0.100);
    cairo_pattern_add_color_stop_rgb(p, 1, 0.008, 0.010, 0.030);
    cairo_rectangle(cr, 0, y0, W, h);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    const double nebulae[3][6] = {{860, 180, 380, 0.35, 0.20, 0.55},
                                  {220, 640, 420, 0.10, 0.25, 0.50},
                                  {620, 420, 300, 0.45, 0.12, 0.35}};
    for (const auto& n : nebulae) {
      cairo_pattern_t* g = cairo_pattern_create_radial(n[0], n[1], 0, n[0], n[1], n[2]);
      cairo_pattern_add_color_stop_rgba(g, 0, n[3], n[4], n[5], 0.22);
      cairo_pattern_add_color_stop_rgba(g, 1, n[3], n[4], n[5], 0);
      cairo_rectangle(cr, 0, y0, W, h);
      cairo_set_source(cr, g);
      cairo_fill(cr);
      cairo_pattern_destroy(g);
    }
    for (int i = 0; i < 1100; ++i) {
      const double x = rnd.Next() * W, y = rnd.Next() * H, r = 0.2 + rnd.Next() * rnd.Next() * 1.1;
      const double a = 0.25 + rnd.Next() * 0.75;
      cairo_arc(cr, x, y, r, 0, 6.2832);
      SetColor(cr, RGBA{0.85 + 0.15 * rnd.Next(), 0.9, 1.0, a});
      cairo_fill(cr);
    }
  } else if (t.kind == Theme::Solid) {
    SetColor(cr, Hex(0x2b2c30));
    cairo_rectangle(cr, 0, y0, W, h);
    cairo_fill(cr);
    cairo_set_line_width(cr, 0.5);
    for (double y = y0; y < y0 + h; y += 0.5) {
      SetColor(cr, rnd.Next() < 0.5 ? Hex(0xffffff, 0.018 * rnd.Next())
                                    : Hex(0x000000, 0.05 * rnd.Next()));
      cairo_move_to(cr, 0, y);
      cairo_line_to(cr, W, y);
      cairo_stroke(cr);
    }
    VerticalGradient(cr, 0, y0, W, 60, 0, Hex(0xffffff, 0.05), Hex(0xffffff, 0));
  } else {
    SetColor(cr, Hex(0x1f2220));
    cairo_rectangle(cr, 0, y0, W, h);
    cairo_fill(cr);
    for (int i = 0; i < 4000; ++i) {
      SetColor(cr, Hex(0xffffff, 0.03 * rnd.Next()));
      cairo_rectangle(cr, rnd.Next() * W, y0 + rnd.Next() * h, 1, 1);
      cairo_fill(cr);
    }
  }
}

// ---- Labels.

// Where the label of a control goes; false for controls without a panel label.
bool LabelPlace(const ControlSpec& c, bool lcd, double* cx, double* cy, double* size,
                std::string* text) {
  if (c.cls != Ctl::Knob && c.cls != Ctl::Knob2 && c.cls != Ctl::Switch) return false;
  const char* label = KnobLabel(c.param);
  if (!label || (c.param >= 104 && c.param <= 125)) return false;
  *text = label;
  *size = text->find('\n') == std::string::npos ? 8.0 : 7.5;
  const vq_layout::Point p = vq_layout::KnobPosition(c.param);
  *cx = (c.rect.L + c.rect.R) / 2.0;
  switch (c.param) {
    case 88:
    case 90:
    case 309:
    case 128:
    case 310:
    case 311:
      *cy = c.rect.T - 11;  // the row below holds the INT/EXT switch
      return true;
    case 78:
    case 87:
    case 89:
    case 92:
    case 173:
    case 188:
      *cy = c.rect.B + (text->find('\n') == std::string::npos ? 5.5 : 10);
      return true;
    case 127:
    case 93:
      *cx = c.rect.R + 18;
      *cy = c.rect.B - 7;
      *size = 7.0;
      *text = c.param == 127 ? "MIDI\nSYNC" : "KEY\nPRIO";
      return true;
    default:
      break;
  }
  if (IsEffect(c.param)) {
    *cy = vq_layout::SliderRowY(c.param) + (lcd ? 52 : 59);
    return true;
  }
  // Under the read-out: the slider fills the slot above it. Two lines reach higher: they start
  // lower, clear of the box above.
  const bool twoLines = text->find('\n') != std::string::npos;
  *cy = p.y + (lcd ? (twoLines ? 53 : 50) : (twoLines ? 58 : 57));
  return true;
}

// Labels and value wells of the controls that pass the filter.
template <class Filter>
void ControlLabels(cairo_t* cr, const Theme& t, const std::vector<ControlSpec>& controls,
                   Filter keep) {
  const bool lcd = t.lcd();
  std::vector<vq_layout::PanelBox> panels = vq_layout::SynthSections();
  panels.push_back(vq_layout::kExtMidiPanel);
  for (const ControlSpec& c : controls) {
    if (!c.attached) continue;
    const int param = c.cls == Ctl::Text && c.readoutField >= 0
                          ? (c.readoutField == 185 ? 188 : c.readoutField + 3)
                          : c.param;
    if (param < 0 || !keep(param)) continue;
    if (c.cls == Ctl::Text && c.readoutField >= 0) {
      // Light values get a dark well; the lcd skin prints some values black on the glass.
      if (param == 186 || c.style != vq_layout::Style::Readout) continue;
      const IRECT& r = c.rect;
      const double x = r.L + vq_layout::kReadoutWellInsetX, y = r.T + vq_layout::kReadoutWellInsetY,
                   w = r.W() - 2 * vq_layout::kReadoutWellInsetX,
                   h = r.H() - 2 * vq_layout::kReadoutWellInsetY;
      FillRound(cr, x, y, w, h, 3, lcd ? t.readoutWell : Hex(0x000000, 0.42));
      if (!lcd) StrokeRound(cr, x, y, w, h, 3, Hex(0xffffff, 0.07), 0.6);
      continue;
    }
    if (c.param == 186) continue;
    double cx, cy, size;
    std::string text;
    if (!LabelPlace(c, lcd, &cx, &cy, &size, &text)) continue;
    // A label near a panel's side keeps off its border.
    const double half = TextWidth(cr, text, size) / 2, room = 4;
    for (const vq_layout::PanelBox& b : panels)
      if (cx > b.x && cx < b.x + b.w && cy > b.y && cy < b.y + b.h)
        cx = std::clamp(cx, b.x + room + half, b.x + b.w - room - half);
    Text(cr, text, cx, cy, size, t.label);
  }
}

void SpinnerWell(cairo_t* cr, const Theme& t, const IRECT& r) {
  if (t.lcd()) {
    StrokeRound(cr, r.L, r.T, r.W(), r.H(), 2, t.label, 0.8);
    return;
  }
  FillRound(cr, r.L, r.T, r.W(), r.H(), 3, Hex(0x000000, 0.55));
  StrokeRound(cr, r.L, r.T, r.W(), r.H(), 3, Hex(0xffffff, 0.10), 0.6);
}

// ---- The synth page background.

void Background(cairo_t* cr, const Theme& t, Skin skin) {
  const std::vector<ControlSpec> controls = vq_layout::SynthPageControls(skin);
  const bool lcd = t.lcd();
  Texture(cr, t, 0, H);

  // Header: about badge, program display, logo, tracking.
  FillRound(cr, 2, 2, 16, 16, 4, lcd ? Hex(0xb8c79a) : t.accentDim);
  Text(cr, "VQ", 10, 10, 7, lcd ? t.label : Hex(0xffffff));
  if (lcd) {
    const vq_layout::PanelBox& p = vq_layout::kLcdHeaderPanel;
    Panel(cr, t, p.x, p.y, p.w, p.h, nullptr);
  } else {
    const vq_layout::PanelBox& f = vq_layout::kNameFrame;
    FillRound(cr, f.x, f.y, f.w, f.h, 4, Hex(0x000000, 0.6));
    StrokeRound(cr, f.x, f.y, f.w, f.h, 4, t.panelEdge, 0.7);
  }
  Text(cr, "VELQUOR", 364, 9, 10, lcd ? Hex(0xb8c79a) : t.title, Align::Right, true, false);
  Text(cr, "VQEditor4", 364, 20, 7.5, lcd ? Hex(0x8a9670) : t.label, Align::Right, false, false);
  // The tracking box holds its value, its switch and its name one under the other.
  const vq_layout::PanelBox& tracking = vq_layout::kLcdTrackingPanel;
  if (lcd) Panel(cr, t, tracking.x, tracking.y, tracking.w, tracking.h, nullptr);

  // FLEXI slots.
  for (int k = 0; k < 4; ++k) {
    // The last panel ends at the page's right edge.
    const vq_layout::PanelBox& p = vq_layout::kFlexiPanel;
    Panel(cr, t, p.x + vq_layout::kFlexiSlotPitch * k, p.y, p.w, p.h, nullptr);
    const RGBA ink = lcd ? t.label : t.label;
    // Small enough to keep a pixel off the panel's edge and the wells at the smallest size.
    Text(cr, "SOURCE", 513 + 168 * k, 8.2, 5.5, ink);
    Text(cr, "RANGE CONTROL", 513 + 168 * k, 30.7, 5.5, ink);
    SpinnerWell(cr, t, IRECT(478 + 168 * k, 11, 548 + 168 * k, 27));
    SpinnerWell(cr, t, IRECT(478 + 168 * k, 35, 548 + 168 * k, 51));
    char name[32];
    std::snprintf(name, sizeof name, "FLEXI %d", k + 1);
    Text(cr, name, 617 + 168 * k, 58, 8.5, lcd ? t.label : t.title);
  }

  // Sections.
  for (const vq_layout::PanelBox& s : vq_layout::SynthSections())
    Panel(cr, t, s.x, s.y, s.w, s.h, s.title, s.titleX);
  const RGBA sub = lcd ? t.label : t.title;
  Text(cr, "AMPLIFIER", 636, 317, 8, sub);
  Text(cr, "FILTER ENVELOPE", 796, 317, 8, sub);
  Text(cr, "NOISE", 916, 317, 8, sub);

  ControlLabels(cr, t, controls, [](int p) { return !IsEffect(p) && !IsExtMidi(p); });

  // Footer: copy, keyboard, randomise.
  for (const vq_layout::PanelBox& p : vq_layout::kFooterPanels)
    Panel(cr, t, p.x, p.y, p.w, p.h, nullptr);
  // The keyboard channel and wheel controller are printed black: light windows.
  for (const IRECT& r : vq_layout::kKeyboardBoxes) {
    FillRound(cr, r.L, r.T, r.W(), r.H(), 3, lcd ? Hex(0xc6d4a8) : Hex(0xdfe5ee));
    StrokeRound(cr, r.L, r.T, r.W(), r.H(), 3, lcd ? t.label : t.panelEdge, 0.8);
  }
  // The boxes name their own values ("CH:1", "CC:1"): no caption squeezed between them.
  // Between the panel's edge and the boxes, a pixel off each at the smallest size.
  Text(cr, "KEYS", 275, 723.5, 5.5, t.label);
  Text(cr, "WHEEL", 304, 723.5, 5.5, t.label);
  static const char* const kRight[3][4] = {{"VCO 1", "VCO 2", "VCO 3", "VCO 4"},
                                           {"FILTER", "ENV/LFO", "HARM DIST", "EFFECT"},
                                           {"FLEXI 1", "FLEXI 2", "FLEXI 3", "FLEXI 4"}};
  const int cols[3] = {874, 922, 1002};
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 4; ++r)
      Text(cr, kRight[c][r], cols[c] + 15, 737 + 13 * r, 7.5, t.label, Align::Left);
  const vq_layout::PanelBox& randomize = vq_layout::kFooterPanels[2];
  Text(cr, "RANDOMIZE  /  RESET  SECTIONS", randomize.x + randomize.w / 2.0, 724, 6.5, sub);

  if (!lcd) {
    Text(cr, "VELQUOR", 260, 660, 40, Hex(0xffffff, t.kind == Theme::Space ? 0.10 : 0.07),
         Align::Center, true, false);
    Text(cr, "analog mono synthesizer \xc2\xb7 editor & librarian", 260, 692, 9,
         Hex(0xffffff, 0.22), Align::Center, false, false);
  } else {
    const vq_layout::PanelBox& p = vq_layout::kLcdLogoPanel;
    Panel(cr, t, p.x, p.y, p.w, p.h, nullptr);
    Text(cr, "VELQUOR  EDITOR", 260, 670, 22, t.label, Align::Center, true, false, true);
    Text(cr, "LCD EDITION", 260, 694, 9, t.label, Align::Center, true, false, true);
  }
}

// ---- Overlays (transparent except their panel).

// A panel that hides the page under it: the page's own texture, then the panel.
void CoveringPanel(cairo_t* cr, const Theme& t, double x, double y, double w, double h,
                   const char* title, double titleX) {
  cairo_save(cr);
  RoundRect(cr, x, y, w, h, 6);
  cairo_clip(cr);
  Texture(cr, t, 0, H);
  cairo_restore(cr);
  Panel(cr, t, x, y, w, h, title, titleX);
}

void EffectPanel(cairo_t* cr, const Theme& t, Skin skin, int which) {
  static const char* const kTitles[4] = {"MODULATION  \xc2\xb7  CHORUS / DELAY", "OVERDRIVE",
                                         "EQUALIZER", "EQUALIZER  \xc2\xb7  CURVE"};
  const vq_layout::PanelBox& p = vq_layout::kEffectPanel;
  CoveringPanel(cr, t, p.x, p.y, p.w, p.h, kTitles[which], 520);
  auto member = [which](int p) {
    switch (which) {
      case 0:
        return p >= 132 && p <= 146;
      case 1:
        return (p >= 147 && p <= 149) || p == 182 || p == 183;
      case 2:
        return (p >= 160 && p <= 172) || p == 184 || p == 185;
      default:
        return p == 160 || p == 184 || p == 185;
    }
  };
  ControlLabels(cr, t, vq_layout::SynthPageControls(skin), member);
  struct Group {
    double x0, x1;
    const char* name;
  };
  std::vector<Group> groups;
  if (which == 0)
    groups = {{516, 636, "MIX"},
              {636, 716, "LFO"},
              {716, 876, "TAP 1"},
              {876, 1036, "TAP 2"},
              {1036, 1112, "FEEDBACK"}};
  else if (which == 1)
    groups = {{516, 636, "MIX"}, {636, 716, "DRIVE"}};
  else if (which == 2)
    groups = {{516, 636, "MIX"},
              {636, 756, "BASS"},
              {756, 876, "MID 1"},
              {876, 996, "MID 2"},
              {996, 1112, "TREBLE"}};
  else
    groups = {{516, 636, "MIX"}};
  const RGBA ink = t.lcd() ? t.label : t.title;
  for (const Group& g : groups) {
    SetColor(cr, RGBA{ink.r, ink.g, ink.b, 0.55});
    cairo_set_line_width(cr, 0.8);
    const double y = 630 + vq_layout::kEffectRowDrop;  // under the labels
    cairo_move_to(cr, g.x0 + 4, y);
    cairo_line_to(cr, g.x0 + 4, y + 4);
    cairo_line_to(cr, g.x1 - 4, y + 4);
    cairo_line_to(cr, g.x1 - 4, y);
    cairo_stroke(cr);
    Text(cr, g.name, (g.x0 + g.x1) / 2, y + 12, 8, ink);
  }
  if (which >= 2) {
    // The two view choices of the equalizer: knobs or curve.
    const IRECT views[2] = {IRECT(1010, 565, 1037, 584), IRECT(1041, 565, 1068, 584)};
    for (int v = 0; v < 2; ++v) {
      const bool on = (which == 2) == (v == 0);
      const IRECT& r = views[v];
      FillRound(cr, r.L, r.T, r.W(), r.H(), 3,
                on ? (t.lcd() ? t.label : t.accentDim) : Hex(0x000000, 0.5));
      StrokeRound(cr, r.L, r.T, r.W(), r.H(), 3,
                  on ? (t.lcd() ? t.label : t.accent) : Hex(0x777777), 0.8);
      const RGBA icon = on ? (t.lcd() ? Hex(0xc6d4a8) : Hex(0xffffff)) : Hex(0x9aa0aa);
      SetColor(cr, icon);
      cairo_set_line_width(cr, 1);
      if (v == 0) {
        for (int i = 0; i < 3; ++i) {
          const double x = r.L + 7 + i * 6.5;
          cairo_move_to(cr, x, r.T + 4);
          cairo_line_to(cr, x, r.B - 4);
          cairo_stroke(cr);
          cairo_rectangle(cr, x - 2, r.T + 5 + (i * 4) % 9, 4, 2.5);
          cairo_fill(cr);
        }
      } else {
        cairo_move_to(cr, r.L + 4, r.T + 12);
        cairo_curve_to(cr, r.L + 10, r.T + 12, r.L + 11, r.T + 4, r.L + 14, r.T + 4);
        cairo_curve_to(cr, r.L + 17, r.T + 4, r.L + 18, r.T + 14, r.R - 4, r.T + 10);
        cairo_stroke(cr);
      }
    }
  }
  if (which == 3) {
    const IRECT eq = skin == Skin::Lcd ? IRECT(650, 590, 1110, 705) : IRECT(640, 593, 1100, 708);
    FillRound(cr, eq.L - 3, eq.T - 3, eq.W() + 6, eq.H() + 6, 4,
              t.lcd() ? Hex(0x1c2416) : Hex(0x02040a));
    StrokeRound(cr, eq.L - 3, eq.T - 3, eq.W() + 6, eq.H() + 6, 4, t.lcd() ? t.label : t.panelEdge,
                1);
  }
}

void ExtMidiPanel(cairo_t* cr, const Theme& t, Skin skin) {
  const vq_layout::PanelBox& p = vq_layout::kExtMidiPanel;
  CoveringPanel(cr, t, p.x, p.y, p.w, p.h, "EXTERNAL MIDI", -1);  // too wide for PLAY's place
  ControlLabels(cr, t, vq_layout::SynthPageControls(skin), [](int p) { return IsExtMidi(p); });
  const int y0 = t.lcd() ? 429 : 435;
  for (const auto& [l, r] : vq_layout::kExtMidiReadoutX)
    FillRound(cr, l + vq_layout::kReadoutWellInsetX, y0 + vq_layout::kReadoutWellInsetY,
              r - l - 2 * vq_layout::kReadoutWellInsetX, 16 - 2 * vq_layout::kReadoutWellInsetY, 3,
              t.lcd() ? t.readoutWell : Hex(0x000000, 0.42));
  Text(cr,
       "Keyboard input is passed on\nto the external MIDI output:\nprogram change, octave, bend.",
       919, 482, 7, t.lcd() ? t.label : Hex(0x9aa4b4));
}

void SaveOverlay(cairo_t* cr, const Theme& t, bool flexi) {
  const char* what = flexi ? "FLEXI" : "VCO";
  for (int col = 0; col < 2; ++col) {
    const int x = col == 0 ? 66 : 140;
    Text(cr, col == 0 ? "FROM" : "TO", x + 26, 724, 6.5, t.lcd() ? t.label : t.title);
    for (int r = 0; r < 4; ++r) {
      char name[32];
      std::snprintf(name, sizeof name, "%s %d", what, r + 1);
      Text(cr, name, x + 15, 737 + 13 * r, 7.5, t.label, Align::Left);
    }
  }
  Text(cr, flexi ? "COPY\nFLEXI SLOT" : "COPY\nVCO", 220, 772, 7.5, t.lcd() ? t.label : t.title);
}

// ---- The list pages (cover the whole page).

void ListPage(cairo_t* cr, const Theme& t, bool sources, double yOffset) {
  cairo_translate(cr, 0, -yOffset);
  Texture(cr, t, 0, H);
  SetColor(cr, Hex(0x000000, t.lcd() ? 0.2 : 0.35));
  cairo_rectangle(cr, 0, 0, W, H);
  cairo_fill(cr);
  Panel(cr, t, 10, 8, W - 20, 104, nullptr);
  Text(cr, sources ? "SELECT FLEXI SOURCE" : "SELECT RANGE CONTROL", W / 2.0, 40, 20,
       t.lcd() ? t.label : t.title, Align::Center, true, false);
  Text(cr, "click a name to choose it  \xc2\xb7  click this bar to close the list", W / 2.0, 70, 10,
       t.lcd() ? t.label : Hex(0x9aa4b4), Align::Center, false, false);
  Text(cr, "\xe2\x9c\x95  CLOSE", W - 30, 30, 11, t.lcd() ? t.label : t.accent, Align::Right);
  if (!sources) Text(cr, "RANGE POLARITY", 568, 108, 8, t.label, Align::Right);

  const NamedCode* names = sources ? kFlexiSourceNames : kRangeControlNames;
  const int* last = sources ? vq_layout::kSourceListLast : vq_layout::kRangeListLast;
  for (int c = 0; c < 4; ++c) {
    const double x0 = vq_layout::kListColumnX[c], x1 = vq_layout::kListColumnX[c + 1];
    Panel(cr, t, x0 + 2, vq_layout::kListTop - 6, x1 - x0 - 4,
          vq_layout::kListBottom - vq_layout::kListTop + 12, nullptr);
    for (int i = 0; i < vq_layout::kListRows; ++i) {
      const int row = 20 * c + i;
      const double y = vq_layout::kListTop + vq_layout::kListRowHeight * i;
      if (row > last[c]) break;
      if (i % 2 == 0)
        FillRound(cr, x0 + 6, y + 1, x1 - x0 - 12, vq_layout::kListRowHeight - 2, 3,
                  t.lcd() ? Hex(0x2a3320, 0.10) : Hex(0xffffff, 0.045));
      char num[16];
      std::snprintf(num, sizeof num, "%d", row + 1);
      Text(cr, num, x0 + 30, y + vq_layout::kListRowHeight / 2.0, 9,
           t.lcd() ? Hex(0x4b5638) : Hex(0x6f7a8c), Align::Right, false);
      Text(cr, names[row].name, x0 + 40, y + vq_layout::kListRowHeight / 2.0, 12, t.label,
           Align::Left, true, false);
    }
  }
}

void SaveFromDevicePanel(cairo_t* cr, const Theme& t) {
  Texture(cr, t, 0, H);
  SetColor(cr, Hex(0x000000, 0.55));
  cairo_rectangle(cr, 0, 0, W, H);
  cairo_fill(cr);
  // The keyboard stays in front: its boxes keep their light windows under their dark values.
  for (const IRECT& r : vq_layout::kKeyboardBoxes) {
    FillRound(cr, r.L, r.T, r.W(), r.H(), 3, t.lcd() ? Hex(0xc6d4a8) : Hex(0xdfe5ee));
    StrokeRound(cr, r.L, r.T, r.W(), r.H(), 3, t.lcd() ? t.label : t.panelEdge, 0.8);
  }
  Panel(cr, t, 390, 286, 360, 186, nullptr);
  const RGBA ink = t.lcd() ? t.label : t.title;
  Text(cr, "RECEIVE PROGRAM FROM VELQUOR", 570, 306, 12, ink, Align::Center, true, false);
  // The number is drawn with a space after it (its empty unit) and high in its area: the box is
  // centred on the digits (about x 561, y 362), not on the area.
  Text(cr, "fetch VQ slot", 531, 362, 10, t.label, Align::Right, false, false);
  FillRound(cr, 537, 338, 48, 48, 5, t.lcd() ? Hex(0xdfe8c8) : Hex(0xe9eef5));
  StrokeRound(cr, 537, 338, 48, 48, 5, t.lcd() ? t.label : t.panelEdge, 1.2);
  Text(cr, "\xe2\x96\xb2\n\xe2\x96\xbc", 597, 362, 8, t.label);
  VerticalGradient(cr, 524, 404, 76, 40, 5, t.lcd() ? t.label : Hex(0x4a4e57),
                   t.lcd() ? t.label : Hex(0x26282e));
  StrokeRound(cr, 524, 404, 76, 40, 5, t.lcd() ? t.label : t.accent, 1.2);
  Text(cr, "FETCH", 562, 424, 13, t.lcd() ? Hex(0xc6d4a8) : Hex(0xffffff));
  Text(cr, "drag the number to choose a slot, then save the program to a file", 570, 458, 8,
       t.label, Align::Center, false, false);
}

}  // namespace

void DrawSynthPages(const std::string& folder, const Theme& t, const Theme& shared,
                    const Theme* solid) {
  const bool lcd = t.lcd();
  const Skin skin = lcd ? Skin::Lcd : Skin::Space;
  DrawStrip(folder + "background-2x.png", W, H, 1,
            [&](cairo_t* cr, int) { Background(cr, t, skin); });
  if (solid) {
    DrawStrip(folder + "background2-2x.png", W, H, 1,
              [&](cairo_t* cr, int) { Background(cr, *solid, Skin::Solid); });
    DrawStrip(folder + "extmidi2_bg-2x.png", W, H, 1,
              [&](cairo_t* cr, int) { ExtMidiPanel(cr, *solid, Skin::Solid); });
  }
  DrawStrip(folder + "extmidi_bg-2x.png", W, H, 1,
            [&](cairo_t* cr, int) { ExtMidiPanel(cr, t, skin); });
  DrawStrip(folder + "vcosavebg-2x.png", W, H, 1,
            [&](cairo_t* cr, int) { SaveOverlay(cr, shared, false); });
  DrawStrip(folder + "flexisavebg-2x.png", W, H, 1,
            [&](cairo_t* cr, int) { SaveOverlay(cr, shared, true); });
  const char* const fx[4] = {"fxbgmod-2x.png", "fxbgdrive-2x.png", "fxbgeq-2x.png",
                             "fxbgeq2-2x.png"};
  for (int i = 0; i < 4; ++i)
    DrawStrip(folder + fx[i], W, H, 1, [&](cairo_t* cr, int) { EffectPanel(cr, shared, skin, i); });
  const vq_layout::Point list = vq_layout::FrameSize(lcd ? 248 : 148);
  const double offset = lcd ? 0 : 1;  // the orig list pages sit one pixel down
  DrawStrip(folder + "sourcelist-2x.png", list.x, list.y, 1,
            [&](cairo_t* cr, int) { ListPage(cr, shared, true, offset); });
  DrawStrip(folder + "rangelist-2x.png", list.x, list.y, 1,
            [&](cairo_t* cr, int) { ListPage(cr, shared, false, offset); });
  DrawStrip(folder + "savefromvq-bg-2x.png", W, H, 1,
            [&](cairo_t* cr, int) { SaveFromDevicePanel(cr, shared); });
}

}  // namespace artgen
