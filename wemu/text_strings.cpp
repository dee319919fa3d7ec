// UTF-8 string conversion and bounded copies.
#include "wemu/utilities.h"

#include <cstdint>
#include <cstring>

namespace {

// Length of the UTF-8 sequence starting at s[i] (within n bytes), or 0 when malformed.
size_t utf8SequenceLength(const unsigned char* s, size_t i, size_t n) {
  unsigned char c = s[i];
  size_t len;
  uint32_t cp;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) {
    len = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + len > n) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (s[i + k] & 0x3F);
  }
  static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

WEMU_String WEMU_CStringToCFString(const char* text) {
  if (!text) return {};
  size_t n = std::strlen(text);
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  for (size_t i = 0; i < n;) {
    size_t len = utf8SequenceLength(s, i, n);
    if (len == 0) {
      std::string ascii(text, n);
      for (char& c : ascii)
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
      return ascii;
    }
    i += len;
  }
  return std::string(text, n);
}

bool WEMU_CFStringToCString(const WEMU_String* s, char* buf, int size) {
  if (!buf || size <= 0) return false;
  buf[0] = 0;
  if (!s) return false;
  size_t limit = static_cast<size_t>(size) - 1;
  if (s->size() <= limit) {
    std::memcpy(buf, s->data(), s->size());
    buf[s->size()] = 0;
    return true;
  }
  // Cut at a character boundary, so the buffer never ends in half a character.
  const auto* p = reinterpret_cast<const unsigned char*>(s->data());
  size_t cut = limit;
  while (cut > 0 && (p[cut] & 0xC0) == 0x80) --cut;
  std::memcpy(buf, s->data(), cut);
  buf[cut] = 0;
  return false;
}

char* lstrcpyn(char* dst, const char* src, int n) {
  if (!dst || n < 1) return dst;
  int i = 0;
  if (src)
    for (; i < n - 1 && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}
