// libFuzzer target: the manager's kept bank ("managerbank.txt"). Whatever the file holds, reading
// it ends, each slot 1..99 comes back at most once with a program file or an online address
// that fits its entry, and what was read, written again, reads the same.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "library/program_text_format.h"
#include "library/slot_table.h"
#include "platform/file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<KeptSlot> kept =
      ReadKeptBank(std::string_view(reinterpret_cast<const char*>(data), size));
  bool seen[kLastProgramSlot + 1] = {};
  for (const KeptSlot& s : kept) {
    FUZZ_CHECK(s.slot >= kFirstProgramSlot && s.slot <= kLastProgramSlot && !seen[s.slot]);
    seen[s.slot] = true;
    FUZZ_CHECK(s.category >= kSlotCategoryPlain && s.category <= kSlotCategoryEwi);
    FUZZ_CHECK(!s.path.empty() && s.path.size() < sizeof(ProgramSlot::path));
    FUZZ_CHECK(s.name.size() < sizeof(ProgramSlot::name));
    FUZZ_CHECK(s.path.find('\0') == std::string::npos && s.name.find('\0') == std::string::npos);
    FUZZ_CHECK(s.path.starts_with("https://") ||
               (s.path[0] == '/' && HasProgramExtension(vq::platform::NameOfPath(s.path))));
  }
  FUZZ_CHECK(ReadKeptBank(KeptBankText(kept)) == kept);
  return 0;
}
