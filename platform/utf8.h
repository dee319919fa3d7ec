// UTF-8 both ways: strict decoding of text from outside, and encoding of code points.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vq::platform {

// Decodes well-formed UTF-8 into code points; false (and out untouched beyond what was
// appended) for an invalid or overlong sequence, a surrogate or a truncated end.
bool DecodeUtf8Strict(const char* text, std::size_t length, std::u32string& out);

// The byte length of the well-formed sequence that begins `text` (its code point in *c), or 0
// when `text` is empty or begins with a byte that starts no well-formed sequence.
std::size_t DecodeUtf8Sequence(std::string_view text, char32_t* c);

// The text with every byte that is not part of a well-formed sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// The longest start of `text` of at most `bytes` bytes that ends on a character boundary (a
// byte that is no part of a well-formed sequence counts as a character of its own).
std::string Utf8Prefix(std::string_view text, std::size_t bytes);

// Where each character of `text` begins, then its end (text.size()); a byte that is no part of a
// well-formed sequence counts as a character of its own.
std::vector<std::size_t> Utf8CharacterStarts(std::string_view text);

// C0 controls, DEL and the C1 controls U+0080..U+009F.
inline bool IsControlCodePoint(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Appends the one to four bytes of a code point up to 0x10FFFF (not checked further).
void AppendUtf8(std::string& out, char32_t c);

}  // namespace vq::platform
