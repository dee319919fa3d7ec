// libFuzzer target: HTML titles as text. The text is valid UTF-8 without control characters,
// with no blank at either end nor two in a row, and the file-name cleaner makes it a name that
// stays in its folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "library/db_client.h"
#include "library/program_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view html(reinterpret_cast<const char*>(data), size);
  const std::string text = HtmlTitleText(html);
  FUZZ_CHECK(vqfuzz::IsCleanText(text));
  FUZZ_CHECK(text.empty() || (text.front() != ' ' && text.back() != ' '));
  FUZZ_CHECK(text.find("  ") == std::string::npos);
  const std::string name = SafeFileNamePart(text);
  FUZZ_CHECK(name.empty() || vqfuzz::IsSafeFileName(name));
  FUZZ_CHECK(name.size() <= kSafeFileNameBytes);
  // Raw names (device dumps, typed names) get the same guarantees.
  const std::string raw = SafeFileNamePart(html);
  FUZZ_CHECK(raw.empty() || vqfuzz::IsSafeFileName(raw));
  return 0;
}
