// UTF-8 both ways: strict decoding of text from outside, and encoding of code points.
#pragma once

#include <cstddef>
#include <string>

namespace vq::platform {

// Decodes well-formed UTF-8 into code points; false (and out untouched beyond what was
// appended) for an invalid or overlong sequence, a surrogate or a truncated end.
bool DecodeUtf8Strict(const char* text, std::size_t length, std::u32string& out);

// Appends the one to four bytes of a code point up to 0x10FFFF (not checked further).
void AppendUtf8(std::string& out, char32_t c);

}  // namespace vq::platform
