// The program-manager page: its background (browser, scroll track, 10 x 10 slot grid, button
// block with the mode and category labels), the buttons, the slot cards and both panels.
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "editor/gui/page_layout_tables.h"
#include "tools/artgen/artgen.h"

namespace artgen {
namespace {

using vq_layout::FrameSize;

void ManagerButton(cairo_t* cr, const Theme& t, double w, double h, const char* label,
                   bool pressed) {
  FillRound(cr, 0.5, 1.2, w - 1, h - 1.2, 4, Hex(0x000000, 0.6));
  const double dy = pressed ? 0.8 : 0;
  VerticalGradient(cr, 0.5, 0.5 + dy, w - 1, h - 1.8, 4, pressed ? Hex(0x1d3a5c) : Hex(0x3b4350),
                   pressed ? Hex(0x10243a) : Hex(0x222830));
  StrokeRound(cr, 0.5, 0.5 + dy, w - 1, h - 1.8, 4, pressed ? t.accent : Hex(0x59657a), 0.8);
  Text(cr, label, w / 2, h / 2 - 0.4 + dy, 8.5, pressed ? Hex(0xffffff) : t.label);
}

// Category colours of the slot cards: plain, BASS, GTR, MIDI, FX, EWI.
const unsigned kCategoryColour[6] = {0x6f7c8f, 0xe0503a, 0xe0a030, 0x3aa0e0, 0xa060e0, 0x40c080};
const char* const kCategoryName[6] = {"", "BASS", "GTR", "MIDI", "FX", "EWI"};

void SlotCard(cairo_t* cr, double w, double h, int frame) {
  if (frame == 0) {  // empty slot
    const double dash[2] = {3, 2};
    cairo_set_dash(cr, dash, 2, 0);
    StrokeRound(cr, 1, 1, w - 2, h - 2, 5, Hex(0x59657a, 0.7), 1);
    cairo_set_dash(cr, nullptr, 0, 0);
    Text(cr, "empty", w / 2, h - 12, 7.5, Hex(0x59657a), Align::Center, false, false);
    return;
  }
  const int cat = frame - 1;
  const RGBA c = Hex(kCategoryColour[cat]);
  // The card leaves a rim and lets the selection's tint through: a selected program shows as
  // plainly as a selected empty slot.
  constexpr double kRim = 3;
  VerticalGradient(cr, kRim, kRim, w - 2 * kRim, h - 2 * kRim, 4, Hex(0x2a313c, 0.6),
                   Hex(0x171b21, 0.6));
  StrokeRound(cr, kRim, kRim, w - 2 * kRim, h - 2 * kRim, 4, RGBA{c.r, c.g, c.b, 0.8}, 1);
  FillRound(cr, kRim + 0.5, kRim + 2, 3, h - 2 * kRim - 4, 1.5, c);
  if (cat > 0) {
    const double tw = TextWidth(cr, kCategoryName[cat], 6.5) + 6;
    FillRound(cr, w - tw - kRim - 2, kRim + 2, tw, 9, 2, c);
    Text(cr, kCategoryName[cat], w - tw / 2 - kRim - 2, kRim + 6.5, 6.5, Hex(0x0b0d10));
  } else {
    Led(cr, w - kRim - 7, kRim + 7, 2, true, Hex(0x9fb0c8));
  }
}

void ScrollHandle(cairo_t* cr, double w, double h) {
  VerticalGradient(cr, 2, 0.5, w - 4, h - 1, 5, Hex(0x5a6678), Hex(0x2c333d));
  StrokeRound(cr, 2, 0.5, w - 4, h - 1, 5, Hex(0x8fa0b8), 0.8);
  for (int i = -1; i <= 1; ++i) {
    SetColor(cr, Hex(0x0b0d10, 0.8));
    cairo_rectangle(cr, 7, h / 2 + i * 4 - 0.6, w - 14, 1.2);
    cairo_fill(cr);
  }
}

void Background(cairo_t* cr, const Theme& t) {
  const double W = vq_layout::kGuiWidth, H = vq_layout::kGuiHeight;
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, H);
  cairo_pattern_add_color_stop_rgb(p, 0, 0.075, 0.085, 0.105);
  cairo_pattern_add_color_stop_rgb(p, 1, 0.035, 0.040, 0.050);
  cairo_rectangle(cr, 0, 0, W, H);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);

  // Button block with group captions.
  const auto& panels = vq_layout::kManagerHeadingPanels;
  auto panel = [&](int k) {
    Panel(cr, t, panels[k][0], panels[k][1], panels[k][2] - panels[k][0],
          panels[k][3] - panels[k][1], nullptr);
  };
  panel(0);
  const struct {
    double x, w;
    const char* name;
  } groups[] = {
      {22, 58, "SOURCE"}, {84, 204, "SELECTION"}, {324, 229, "BANK FILES"}, {557, 100, "VELQUOR"}};
  for (const auto& g : groups) {
    Text(cr, g.name, g.x + g.w / 2, 20, 7.5, t.title);
    SetColor(cr, Hex(0x6fc3ff, 0.35));
    cairo_rectangle(cr, g.x, 27, g.w, 0.8);
    cairo_fill(cr);
  }
  panel(1);
  Text(cr, "EDIT MODE", 720, 20, 7.5, t.title);
  // Over its column of check boxes, clear of the panel's right edge.
  Text(cr, "CATEGORY", 845, 20, 7.5, t.title);
  const struct {
    int x, y;
    const char* label;
  } checks[] = {{668, 31, "MOVE"}, {668, 44, "SWAP"}, {668, 57, "COPY"}, {668, 70, "REMOVE"},
                {668, 83, "EDIT"}, {736, 83, "ASK"},  {826, 31, "BASS"}, {826, 44, "GTR"},
                {826, 57, "MIDI"}, {826, 70, "FX"},   {826, 83, "EWI"}};
  for (const auto& c : checks) Text(cr, c.label, c.x + 15, c.y + 6, 7.5, t.label, Align::Left);
  panel(2);
  Text(cr, "PROGRAM NAME", 990, 20, 7.5, t.title);
  FillRound(cr, 878, 35, 224, 20, 3, Hex(0xe9eef5));
  StrokeRound(cr, 878, 35, 224, 20, 3, t.accent, 1);

  // Browser with its scroll track.
  const auto& lists = vq_layout::kManagerListPanels;
  Panel(cr, t, lists[0].x, lists[0].y, lists[0].w, lists[0].h, nullptr);
  Text(cr, "FILES", 30, 111, 7.5, t.title, Align::Left);
  for (int k = 0; k < vq_layout::kBrowserRows; ++k) {
    if (k % 2 == 0) continue;
    SetColor(cr, Hex(0xffffff, 0.035));
    cairo_rectangle(cr, 24, 118 + 14 * k, 250, 14);
    cairo_fill(cr);
  }
  FillRound(cr, 278, 116, 20, 660, 6, Hex(0x05070a));
  StrokeRound(cr, 278, 116, 20, 660, 6, Hex(0x3d4654), 0.8);

  // Slot grid.
  Panel(cr, t, lists[1].x, lists[1].y, lists[1].w, lists[1].h, nullptr);
  for (int i = 1; i < vq_layout::kSlotColumns * vq_layout::kSlotRows; ++i) {
    const int c = i % vq_layout::kSlotColumns, r = i / vq_layout::kSlotColumns;
    const double x = vq_layout::kSlotGridX + vq_layout::kSlotPitchX * c;
    const double y = static_cast<int>(vq_layout::kSlotGridY + vq_layout::kSlotPitchY * r);
    FillRound(cr, x + 1, y + 1, 78, 64, 5, Hex(0x000000, 0.35));
  }
  // Beside the play-note button, in the corner no slot takes, in line with FILES.
  Text(cr, "BANK", 342, 111, 7.5, t.title, Align::Left);
}

void LoginPanel(cairo_t* cr, const Theme& t, double w, double h) {
  FillRound(cr, 0, 0, w, h, 0, Hex(0x0b0e13));  // square: it covers the button block whole
  FillRound(cr, 0.5, 0.5, w - 1, h - 1, 6, Hex(0x121822));
  StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 6, t.accent, 1);
  Text(cr, "USER", 62, 29, 9, t.label, Align::Right);
  Text(cr, "PASSWORD", 62, 53, 9, t.label, Align::Right);
  for (int y : {21, 45}) {
    FillRound(cr, 66, y - 2, 194, 20, 3, Hex(0xe9eef5));
    StrokeRound(cr, 66, y - 2, 194, 20, 3, t.panelEdge, 1);
  }
  Text(cr, "REMEMBER", 242, 80, 8, t.label, Align::Left);
  Text(cr, "ONLINE PROGRAM DATABASE", 460, 30, 12, t.title, Align::Center, true, false);
  Text(cr, "Log in to browse and download programs\nshared by other players.", 460, 62, 9,
       Hex(0x9aa4b4), Align::Center, false, false);
}

void SelectFolderPanel(cairo_t* cr, const Theme& t, double w, double h) {
  FillRound(cr, 0, 0, w, h, 0, Hex(0x0b0e13));
  FillRound(cr, 0.5, 0.5, w - 1, h - 1, 6, Hex(0x121822));
  StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 6, t.accent, 1);
  Text(cr, "BROWSE PROGRAMS FROM", 157, 18, 9, t.title);
  Text(cr, "a folder on this computer, or the online database", 157, 74, 8, Hex(0x9aa4b4),
       Align::Center, false, false);
  Text(cr, "The list on the left shows the programs found;\ndrag them onto the slots of the bank.",
       470, 50, 9, Hex(0x9aa4b4), Align::Center, false, false);
}

}  // namespace

void DrawManagerImages(const std::string& folder) {
  const Theme& t = ManagerTheme();
  static const std::map<std::string, const char*> kLabels = {
      {"pm-selectdisk-2x.png", "FOLDER"},
      {"pm-selectall-2x.png", "SELECT ALL"},
      {"pm-unselectall-2x.png", "SELECT NONE"},
      {"pm-uploadtovq-2x.png", "SEND BANK"},
      {"pm-downloadfromvq-2x.png", "RECEIVE"},
      {"pm-uploadtovqdatabase-2x.png", "SHARE ONLINE"},
      {"pm-sendtobank-2x.png", "TO BANK"},
      {"pm-savetodisk-2x.png", "SAVE"},
      {"pm-new-2x.png", "NEW"},
      {"pm-loadfromdisk-2x.png", "LOAD BANK"},
      {"pm-invertselection-2x.png", "INVERT"},
      {"pm-overwrite-2x.png", "APPLY"},
      {"pm-local-2x.png", "LOCAL FOLDER"},
      {"pm-global-2x.png", "ONLINE DATABASE"},
      {"pm-login-2x.png", "LOGIN"}};
  for (const vq_layout::ImageSpec& img : vq_layout::ManagerImages()) {
    const std::string name = img.file;
    const double w = img.w, h = img.h;
    auto strip = [&](const std::function<void(cairo_t*, int)>& f) {
      DrawStrip(folder + name, img.w, img.h, img.frames, f);
    };
    if (name == "pm-background-2x.png") {
      strip([&](cairo_t* cr, int) { Background(cr, t); });
    } else if (name == "pm-program-2x.png") {
      strip([&](cairo_t* cr, int f) { SlotCard(cr, w, h, f); });
    } else if (name == "pm-programselect-2x.png") {
      strip([&](cairo_t* cr, int f) {
        if (f == 0) return;
        FillRound(cr, 0, 0, w, h, 6, Hex(0x38a0ff, 0.28));
        StrokeRound(cr, 0, 0, w, h, 6, Hex(0x7cc4ff), 2);
      });
    } else if (name == "pm-playnote-2x.png") {
      strip([&](cairo_t* cr, int f) {
        FillRound(cr, 0.5, 0.5, w - 1, h - 1, 4, f ? t.accent : Hex(0x2a313c));
        StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 4, Hex(0x8fa0b8), 0.8);
        Text(cr, "\xe2\x99\xaa", w / 2, h / 2, 13, Hex(0xffffff), Align::Center, false, false);
      });
    } else if (name == "pm-scrollbar-2x.png") {
      strip([&](cairo_t* cr, int) { ScrollHandle(cr, w, h); });
    } else if (name == "pm-loginbg-2x.png") {
      strip([&](cairo_t* cr, int) { LoginPanel(cr, t, w, h); });
    } else if (name == "pm-selectdirbg-2x.png") {
      strip([&](cairo_t* cr, int) { SelectFolderPanel(cr, t, w, h); });
    } else if (name == "checkbox-2x.png") {
      strip([&](cairo_t* cr, int f) {
        FillRound(cr, 0.5, 0.5, w - 1, h - 1, 2, Hex(0x05070a));
        StrokeRound(cr, 0.5, 0.5, w - 1, h - 1, 2, Hex(0x8fa0b8), 0.9);
        if (f) FillRound(cr, 3, 3, w - 6, h - 6, 1.5, t.accent);
      });
    } else {
      const auto it = kLabels.find(name);
      strip([&](cairo_t* cr, int f) {
        ManagerButton(cr, t, w, h, it != kLabels.end() ? it->second : "?", f == 1);
      });
    }
  }
}

}  // namespace artgen
