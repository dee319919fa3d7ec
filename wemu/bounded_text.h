// Copying texts into callers' buffers of a given capacity.
#pragma once

#include <cstddef>
#include <string_view>

// Copies at most size - 1 bytes of the text, zero-terminated, never splitting a UTF-8
// sequence; a null buffer or a size below 1 copies nothing. Answers the bytes copied.
inline int WEMU_CopyBounded(char* buffer, int size, std::string_view text) {
  if (!buffer || size < 1) return 0;
  size_t n = text.size();
  if (n > static_cast<size_t>(size - 1)) {
    n = static_cast<size_t>(size - 1);
    // Back off continuation bytes so the cut falls before a sequence's lead byte.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  }
  for (size_t i = 0; i < n; ++i) buffer[i] = text[i];
  buffer[n] = 0;
  return static_cast<int>(n);
}
