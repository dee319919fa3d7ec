// libFuzzer target: the remembered password file. Whatever the file holds, a password read from
// it and written back reads back the same; and a password the file can hold comes back whole.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "library/credential_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string path = vqfuzz::ScratchFolder() + "user.dat";
  vqfuzz::WriteBytes(path, bytes);
  const std::optional<std::string> read = ReadCredentialFile(path);
  FUZZ_CHECK(!read || size == kCredentialFileBytes);
  if (read && CanRememberPassword(*read)) {
    FUZZ_CHECK(WriteCredentialFile(path, *read));
    FUZZ_CHECK(ReadCredentialFile(path) == read);
  }
  if (CanRememberPassword(bytes)) {
    FUZZ_CHECK(WriteCredentialFile(path, bytes));
    FUZZ_CHECK(ReadCredentialFile(path) == std::string(bytes));
  }
  return 0;
}
