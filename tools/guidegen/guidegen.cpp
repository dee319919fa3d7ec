// Typesets the user guide: a plain text source (lines "# " and "## " are headings, "- " starts
// a list item, a blank line ends a paragraph) laid out with Pango into an A4 PDF.
// Usage: vq_guidegen SOURCE OUTPUT.pdf
#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr double kPageW = 595.0, kPageH = 842.0, kMargin = 56.0;

struct Block {
  int kind;  // 0 paragraph, 1 heading, 2 subheading, 3 list item
  std::string text;
};

std::vector<Block> ReadBlocks(std::istream& in) {
  std::vector<Block> blocks;
  Block current{0, ""};
  auto flush = [&] {
    if (!current.text.empty()) blocks.push_back(current);
    current = {0, ""};
  };
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) {
      flush();
    } else if (line.rfind("## ", 0) == 0) {
      flush();
      blocks.push_back({2, line.substr(3)});
    } else if (line.rfind("# ", 0) == 0) {
      flush();
      blocks.push_back({1, line.substr(2)});
    } else if (line.rfind("- ", 0) == 0) {
      flush();
      current = {3, line.substr(2)};
    } else {
      current.text += (current.text.empty() ? "" : " ") + line;
    }
  }
  flush();
  return blocks;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE OUTPUT.pdf\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  const std::vector<Block> blocks = ReadBlocks(in);
  const std::string temp = std::string(argv[2]) + ".part";
  cairo_surface_t* surface = cairo_pdf_surface_create(temp.c_str(), kPageW, kPageH);
  cairo_t* cr = cairo_create(surface);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  const char* fonts[] = {"Sans 10", "Sans Bold 18", "Sans Bold 12.5", "Sans 10"};
  double y = kMargin;
  for (const Block& b : blocks) {
    const double indent = b.kind == 3 ? 14 : 0;
    PangoFontDescription* font = pango_font_description_from_string(fonts[b.kind]);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_width(layout, static_cast<int>((kPageW - 2 * kMargin - indent) * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    pango_layout_set_text(layout, b.text.c_str(), -1);
    int w = 0, h = 0;
    pango_layout_get_size(layout, &w, &h);
    const double height = static_cast<double>(h) / PANGO_SCALE;
    const double before = b.kind == 1 ? 14 : b.kind == 2 ? 8 : 0;
    // A heading keeps some of what follows on its page.
    const double keep = b.kind == 1 || b.kind == 2 ? 60 : 0;
    if (y + before + height + keep > kPageH - kMargin && y > kMargin) {
      cairo_show_page(cr);
      y = kMargin;
    } else {
      y += before;
    }
    cairo_set_source_rgb(cr, b.kind == 1 || b.kind == 2 ? 0.1 : 0.0, 0.1,
                         b.kind == 1 || b.kind == 2 ? 0.35 : 0.0);
    if (b.kind == 3) {
      // The text's move leaves a current point: without a new path the arc would be joined to
      // it by a line, filled as a stray stroke between the bullets.
      cairo_new_path(cr);
      cairo_arc(cr, kMargin + 4, y + 7, 1.8, 0, 6.2832);
      cairo_fill(cr);
    }
    cairo_move_to(cr, kMargin + indent, y);
    pango_cairo_show_layout(cr, layout);
    y += height + (b.kind == 3 ? 3 : 8);
  }
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  // Replaced whole: a viewer never finds half a guide.
  if (!ok || std::rename(temp.c_str(), argv[2]) != 0) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
