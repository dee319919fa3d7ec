#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "editor/gui/page_layout_tables.h"
#include "tools/artgen/artgen.h"

namespace artgen {

const Theme& ThemeOf(Theme::Kind kind) {
  static const Theme space{Theme::Space,  Hex(0x0b1224, 0.72), Hex(0x5f86c8, 0.85), Hex(0x8fd3ff),
                           Hex(0xd7e3f4), Hex(0x02050c, 0.85), Hex(0xff3b30),       Hex(0x5a1410),
                           Hex(0xe9eef5), Hex(0x7d8796),       Hex(0x05070b)};
  static const Theme solid{Theme::Solid,  Hex(0x1d1e21, 0.96), Hex(0x5a5d63), Hex(0xff8a2a),
                           Hex(0xe8e6e1), Hex(0x0c0c0d),       Hex(0xff5a1f), Hex(0x5b2410),
                           Hex(0xf4f1ea), Hex(0x8a8780),       Hex(0x0a0a0a)};
  static const Theme lcd{Theme::Lcd,    Hex(0xb8c79a), Hex(0x2d3524), Hex(0x111a08),
                         Hex(0x17200d), Hex(0x1c2416), Hex(0x0f1508), Hex(0x6d7a55),
                         Hex(0xdfe8c8), Hex(0x4b5638), Hex(0x2a3320)};
  return kind == Theme::Space ? space : kind == Theme::Solid ? solid : lcd;
}

const Theme& SharedOrigTheme() {
  static const Theme t{Theme::Solid,  Hex(0x1b1d21, 0.97), Hex(0x5c636e), Hex(0xe4e8ee),
                       Hex(0xd5d9e0), Hex(0x0a0b0d),       Hex(0xff3b30), Hex(0x5a1410),
                       Hex(0xeef1f5), Hex(0x858b95),       Hex(0x08090a)};
  return t;
}

const Theme& ManagerTheme() {
  static const Theme t{Theme::Solid,  Hex(0x15181d, 0.97), Hex(0x3d4654), Hex(0x6fc3ff),
                       Hex(0xdde4ee), Hex(0x07090c),       Hex(0x38a0ff), Hex(0x14304c),
                       Hex(0xeef2f7), Hex(0x7c8594),       Hex(0x05070a)};
  return t;
}

namespace {
// With --bare the page-sized images are drawn without their captions (panel titles stay): the
// look test finds the captions' ink by comparing the pages drawn from both sets.
bool gBare = false, gCaptionsOff = false;
}  // namespace

void DrawStrip(const std::string& path, int w, int h, int frames,
               const std::function<void(cairo_t*, int)>& draw) {
  gCaptionsOff = gBare && w == vq_layout::kGuiWidth && h == vq_layout::kGuiHeight;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2 * w, 2 * h * frames);
  cairo_t* cr = cairo_create(s);
  for (int f = 0; f < frames; ++f) {
    cairo_save(cr);
    cairo_scale(cr, 2.0, 2.0);
    cairo_translate(cr, 0, h * f);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_clip(cr);
    draw(cr, f);
    cairo_restore(cr);
  }
  cairo_surface_flush(s);
  const cairo_status_t st = cairo_surface_write_to_png(s, path.c_str());
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  if (st != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "artgen: cannot write %s: %s\n", path.c_str(), cairo_status_to_string(st));
    std::exit(1);
  }
}

void SetColor(cairo_t* cr, const RGBA& c) {
  cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  if (r <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  const double pi = 3.14159265358979;
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
  cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
  cairo_arc(cr, x + r, y + r, r, pi, 1.5 * pi);
  cairo_close_path(cr);
}

void FillRound(cairo_t* cr, double x, double y, double w, double h, double r, const RGBA& c) {
  RoundRect(cr, x, y, w, h, r);
  SetColor(cr, c);
  cairo_fill(cr);
}

void StrokeRound(cairo_t* cr, double x, double y, double w, double h, double r, const RGBA& c,
                 double width) {
  RoundRect(cr, x + width / 2, y + width / 2, w - width, h - width, r);
  SetColor(cr, c);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

void VerticalGradient(cairo_t* cr, double x, double y, double w, double h, double r,
                      const RGBA& top, const RGBA& bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
  cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
  cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
  RoundRect(cr, x, y, w, h, r);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

namespace {

void SelectFont(cairo_t* cr, double size, bool bold, bool condensed, bool mono) {
  const char* face = mono        ? "DejaVu Sans Mono"
                     : condensed ? "DejaVu Sans Condensed"
                                 : "DejaVu Sans";
  cairo_select_font_face(cr, face, CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream ss(text);
  std::string line;
  while (std::getline(ss, line, '\n')) out.push_back(line);
  if (out.empty()) out.push_back("");
  return out;
}

}  // namespace

double TextWidth(cairo_t* cr, const std::string& text, double size, bool bold, bool condensed) {
  SelectFont(cr, size, bold, condensed, false);
  double w = 0;
  for (const std::string& line : Lines(text)) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, line.c_str(), &e);
    if (e.x_advance > w) w = e.x_advance;
  }
  return w;
}

void Text(cairo_t* cr, const std::string& text, double x, double y, double size, const RGBA& c,
          Align align, bool bold, bool condensed, bool mono) {
  if (gCaptionsOff) return;
  SelectFont(cr, size, bold, condensed, mono);
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  const std::vector<std::string> lines = Lines(text);
  const double lineH = size * 1.12;
  double baseline = y - lineH * (lines.size() - 1) / 2.0 + (fe.ascent - fe.descent) / 2.0;
  SetColor(cr, c);
  for (const std::string& line : lines) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, line.c_str(), &e);
    double lx = x;
    if (align == Align::Center) lx = x - e.x_advance / 2.0;
    if (align == Align::Right) lx = x - e.x_advance;
    cairo_move_to(cr, lx, baseline);
    cairo_show_text(cr, line.c_str());
    baseline += lineH;
  }
}

void Panel(cairo_t* cr, const Theme& t, double x, double y, double w, double h, const char* title,
           double titleX) {
  if (t.lcd()) {
    // LCD glass: pale window with a faint pixel grid inside a dark bezel.
    FillRound(cr, x - 2, y - 2, w + 4, h + 4, 5, Hex(0x1a1d17));
    VerticalGradient(cr, x, y, w, h, 3, Hex(0xc6d4a8), Hex(0xaebe8c));
    cairo_save(cr);
    RoundRect(cr, x, y, w, h, 3);
    cairo_clip(cr);
    SetColor(cr, Hex(0x55663a, 0.08));
    cairo_set_line_width(cr, 0.5);
    for (double gx = x + 2; gx < x + w; gx += 2) {
      cairo_move_to(cr, gx, y);
      cairo_line_to(cr, gx, y + h);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
  } else {
    FillRound(cr, x, y, w, h, 6, t.panelFill);
    StrokeRound(cr, x, y, w, h, 6, t.panelEdge, 1.0);
    if (t.kind == Theme::Solid)
      StrokeRound(cr, x + 1, y + 1, w - 2, h - 2, 5, Hex(0xffffff, 0.05), 1.0);
  }
  if (!title || !*title) return;
  const double size = 9.5;
  const double tw = TextWidth(cr, title, size) + 14;
  const double tx = titleX >= 0 ? titleX : x + 8;
  const double ty = y + h - 14;
  const bool captionsOff = gCaptionsOff;
  gCaptionsOff = false;
  if (t.lcd()) {
    FillRound(cr, tx, ty, tw, 12, 2, Hex(0x1c2416));
    Text(cr, title, tx + tw / 2, ty + 6, size, Hex(0xc6d4a8));
  } else {
    FillRound(cr, tx, ty, tw, 12, 3, t.kind == Theme::Space ? Hex(0x14264a, 0.95) : Hex(0x2c2d31));
    StrokeRound(cr, tx, ty, tw, 12, 3, t.panelEdge, 0.7);
    Text(cr, title, tx + tw / 2, ty + 6, size, t.title);
  }
  gCaptionsOff = captionsOff;
}

}  // namespace artgen

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 3 && std::string(argv[2]) == "--bare")) {
    std::fprintf(stderr, "usage: vq_artgen <resources folder> [--bare]\n");
    return 2;
  }
  artgen::gBare = argc == 3;
  const std::string root = std::string(argv[1]) + "/img/";
  for (const char* sub : {"orig/", "lcd/", "manager/"}) {
    std::error_code ec;
    std::filesystem::create_directories(root + sub, ec);
    if (ec) {
      std::fprintf(stderr, "artgen: cannot create %s%s: %s\n", root.c_str(), sub,
                   ec.message().c_str());
      return 1;
    }
  }
  using artgen::Theme;
  artgen::DrawWidgets(root + "orig/", artgen::ThemeOf(Theme::Space));
  artgen::DrawWidgets(root + "lcd/", artgen::ThemeOf(Theme::Lcd));
  artgen::DrawCommonImages(root + "orig/");
  artgen::DrawSynthPages(root + "orig/", artgen::ThemeOf(Theme::Space), artgen::SharedOrigTheme(),
                         &artgen::ThemeOf(Theme::Solid));
  artgen::DrawSynthPages(root + "lcd/", artgen::ThemeOf(Theme::Lcd), artgen::ThemeOf(Theme::Lcd),
                         nullptr);
  artgen::DrawManagerImages(root + "manager/");
  return 0;
}
