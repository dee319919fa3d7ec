// libFuzzer target: list replies of the program database. The first byte picks the kind
// (categories, program pages, program files); the rest is the reply body. Every row's name is
// valid UTF-8 without control characters, ids are decimal, a page keeps at most the rows it
// asked for, and every file row names a download that stays in the cache folder, as does the
// file name its title would give a bank slot.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "library/db_client.h"
#include "library/program_list.h"
#include "library/slot_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
  size_t items = 0;
  bool ok = false;
  const int kind = data[0] % 3;
  const std::vector<OnlineListRow> rows = kind == 0   ? DbCategoryRows(body, &items, &ok)
                                          : kind == 1 ? DbPageRows(body, &items, &ok)
                                                      : DbMediaRows(body, &items, &ok);
  FUZZ_CHECK(rows.size() <= (kind == 0 ? static_cast<size_t>(kDbPageSize) * kDbPageLimit
                                       : static_cast<size_t>(kDbPageSize)));
  FUZZ_CHECK(ok || rows.empty());
  for (const OnlineListRow& row : rows) {
    FUZZ_CHECK(row.name[0] != '\0');
    FUZZ_CHECK(vqfuzz::IsCleanText(row.name));
    FUZZ_CHECK(vqfuzz::IsSafeFileName(SlotFileName(kSlotCategoryPlain, 1, row.name)));
    if (kind == 2) {
      FUZZ_CHECK(vqfuzz::IsSafeFileName(DownloadFileName(row.idOrUrl)));
    } else {
      FUZZ_CHECK(IsDecimalId(row.idOrUrl));
    }
  }
  return 0;
}
