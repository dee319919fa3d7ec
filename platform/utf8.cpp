#include "platform/utf8.h"

namespace vq::platform {

std::size_t DecodeUtf8Sequence(std::string_view text, char32_t* c) {
  if (text.empty()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned b0 = p[0];
  if (b0 < 0x80) {
    *c = b0;
    return 1;
  }
  std::size_t extra;
  char32_t v;
  char32_t minimum;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    extra = 1, v = b0 & 0x1F, minimum = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    extra = 2, v = b0 & 0x0F, minimum = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    extra = 3, v = b0 & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() <= extra) return 0;
  for (std::size_t k = 1; k <= extra; ++k) {
    const unsigned b = p[k];
    if ((b & 0xC0) != 0x80) return 0;
    v = (v << 6) | (b & 0x3F);
  }
  if (v < minimum || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *c = v;
  return extra + 1;
}

bool DecodeUtf8Strict(const char* text, std::size_t length, std::u32string& out) {
  std::string_view rest(text, length);
  while (!rest.empty()) {
    char32_t c = 0;
    const std::size_t n = DecodeUtf8Sequence(rest, &c);
    if (n == 0) return false;
    out.push_back(c);
    rest.remove_prefix(n);
  }
  return true;
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    char32_t c = 0;
    const std::size_t n = DecodeUtf8Sequence(text, &c);
    if (n == 0) {
      AppendUtf8(out, 0xFFFD);
      text.remove_prefix(1);
      continue;
    }
    out.append(text.substr(0, n));
    text.remove_prefix(n);
  }
  return out;
}

std::string Utf8Prefix(std::string_view text, std::size_t bytes) {
  std::size_t end = 0;
  while (end < text.size()) {
    char32_t c = 0;
    std::size_t n = DecodeUtf8Sequence(text.substr(end), &c);
    if (n == 0) n = 1;
    if (end + n > bytes) break;
    end += n;
  }
  return std::string(text.substr(0, end));
}

std::vector<std::size_t> Utf8CharacterStarts(std::string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < text.size();) {
    starts.push_back(at);
    char32_t c = 0;
    const std::size_t n = DecodeUtf8Sequence(text.substr(at), &c);
    at += n ? n : 1;
  }
  starts.push_back(text.size());
  return starts;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace vq::platform
