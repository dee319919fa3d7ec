#include "wemu/gdi_text.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "platform/utf8.h"
#include "wemu/gdi_font.h"

namespace {

constexpr int kTextBufferBytes = 4096;

// Number of bytes of the UTF-8 sequence led by b (1 for anything that is no lead byte).
int SequenceLength(unsigned char b) {
  if (b >= 0xF0 && b <= 0xF4) return 4;
  if (b >= 0xE0) return b <= 0xEF ? 3 : 1;
  if (b >= 0xC2) return 2;
  return 1;
}

// The text as the drawer takes it: carriage returns dropped, "&" prefixes removed, line feeds
// turned to spaces on a single line; at most kTextBufferBytes - 1 bytes, cut only between
// sequences.
std::string PrepareText(const char* text, int length, UINT flags) {
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  const std::size_t limit =
      length < 0 ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(length);
  std::size_t i = 0;
  auto more = [&](std::size_t k) { return k < limit && p[k] != 0; };
  while (more(i)) {
    unsigned char c = p[i++];
    if (c == '\r') continue;
    if (c == '&' && !(flags & DT_NOPREFIX)) {
      if (!more(i)) break;  // a trailing "&" ends the text
      c = p[i++];
      if (c == '\r') continue;
    }
    if (c == '\n' && (flags & DT_SINGLELINE)) c = ' ';
    if (out.size() >= kTextBufferBytes - 1) {
      // Full: drop a sequence the cut would split.
      std::size_t start = out.size();
      while (start > 0 && (static_cast<unsigned char>(out[start - 1]) & 0xC0) == 0x80) --start;
      if (start > 0) {
        const std::size_t lead = start - 1;
        if (static_cast<std::size_t>(SequenceLength(static_cast<unsigned char>(out[lead]))) >
            out.size() - lead)
          out.resize(lead);
      }
      break;
    }
    out.push_back(static_cast<char>(c));
  }
  return out;
}

int ClampToInt(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

struct Line {
  std::u32string text;
  double width = 0;
};

}  // namespace

COLORREF SetTextColor(HDC context, COLORREF color) {
  if (!WEMU_IsLiveContext(context)) return 0xFFFFFFFFu;
  const COLORREF previous = context->textColor;
  context->textColor = color & 0xFFFFFFu;
  context->textColorObjectMade = true;
  return previous;
}

COLORREF GetTextColor(HDC context) {
  if (!WEMU_IsLiveContext(context)) return 0xFFFFFFFFu;
  return context->textColor;
}

COLORREF SetBkColor(HDC context, COLORREF color) {
  if (!WEMU_IsLiveContext(context)) return 0xFFFFFFFFu;
  const COLORREF previous = context->backgroundColor;
  context->backgroundColor = color & 0xFFFFFFu;
  return previous;
}

int SetBkMode(HDC context, int mode) {
  if (!WEMU_IsLiveContext(context)) return 0;
  const int previous = context->backgroundMode;
  context->backgroundMode = mode;
  return previous;
}

int WEMU_DrawText(HDC context, const char* text, int length, RECT* rect, UINT flags) {
  if (!WEMU_IsLiveContext(context) || !text) return 0;
  const std::string prepared = PrepareText(text, length, flags);
  if (prepared.empty()) return 0;
  std::u32string chars;
  if (!vq::platform::DecodeUtf8Strict(prepared.data(), prepared.size(), chars)) return 0;
  unsigned char quality = 0;
  std::shared_ptr<vq::platform::FontFace> face = WEMU_ContextFont(context, &quality);
  if (!face) return 0;

  std::vector<Line> lines(1);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (chars[i] == U'\n') {
      if (i + 1 < chars.size()) lines.emplace_back();  // a final line feed starts no line
      continue;
    }
    lines.back().text.push_back(chars[i]);
  }
  for (Line& line : lines)
    for (char32_t c : line.text) line.width += face->advance(c);

  const vq::platform::FontMetrics m = face->metrics();
  const double lineBox = m.ascent + m.descent + m.leading;
  const int lineHeight = static_cast<int>(std::floor(lineBox + 1.5));
  int width = 0, height = 0;
  for (const Line& line : lines) {
    width = std::max(width, static_cast<int>(std::floor(line.width + 0.5)));
    height += lineHeight;
  }
  const int textHeight = height != 0 ? height + 1 : 0;

  if (flags & DT_CALCRECT) {
    if (rect) {
      rect->right = ClampToInt(static_cast<long long>(rect->left) + width);
      rect->bottom = ClampToInt(static_cast<long long>(rect->top) + textHeight);
    }
    return textHeight;
  }
  vq::platform::DrawContext* draw = context->draw;
  if (!rect || !draw) return 0;

  // In 64 bits: rectangles may span the whole int range.
  const long long left = rect->left, top = rect->top, right = rect->right, bottom = rect->bottom;
  long long x = left, y = top;
  if (flags & DT_RIGHT)
    x = right - width;
  else if (flags & DT_CENTER)
    x = left + ((right - left) / 2 - width / 2);
  if (flags & DT_BOTTOM)
    y = bottom - textHeight;
  else if (flags & DT_VCENTER)
    y = top + ((bottom - top) / 2 - textHeight / 2);

  draw->saveState();
  if (!(flags & DT_NOCLIP))
    draw->clipToRect({double(left), double(top), double(right - left), double(bottom - top)});
  if (quality == 4) draw->setAntialias(true);
  if (quality == 3) draw->setAntialias(false);
  const vq::platform::Color textColor = vq::platform::Color::FromWord(context->textColor);
  const vq::platform::Color fill = vq::platform::Color::FromWord(context->backgroundColor);
  const bool opaque = context->backgroundMode == OPAQUE;
  // Glyph images at the device's resolution; positions keep the measured advances.
  const std::shared_ptr<vq::platform::FontFace> deviceFace =
      WEMU_DeviceFont(face, draw->sizeToDevice({1, 1}).width);
  const vq::platform::FontFace* images =
      deviceFace.get() != face.get() ? deviceFace.get() : nullptr;
  if (lines.size() == 1) {
    if (opaque) draw->fillRect({double(x), double(y), double(width), double(textHeight)}, fill);
    draw->drawText(*face, lines[0].text, {double(x), y + m.ascent}, textColor, images);
  } else {
    double lineY = y;
    for (const Line& line : lines) {
      if (opaque) draw->fillRect({double(x), lineY, line.width, lineBox}, fill);
      draw->drawText(*face, line.text, {double(x), lineY + m.ascent}, textColor, images);
      lineY += std::floor(lineBox + 0.5);
    }
  }
  draw->restoreState();
  return textHeight;
}
