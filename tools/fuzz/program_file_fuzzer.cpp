// libFuzzer target: program files (".pr4", ".pr3", ".prg", picked by the first byte). A file that
// reads is saved as the program's current text, and that file reads back as the same program.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "library/program_text_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kExtensions[] = {".pr4", ".pr3", ".prg"};
  const std::string folder = vqfuzz::ScratchFolder();
  const std::string source = folder + "read" + kExtensions[data[0] % 3];
  vqfuzz::WriteBytes(source, std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  ProgramFileContent first;
  if (ReadProgramFile(source.c_str(), first) != ProgramFileError::kNone) return 0;
  const std::string text = FormatProgramText(first.record);
  const std::string saved = folder + "saved.pr4";
  FUZZ_CHECK(WriteFileSafely(saved, text) == ProgramFileError::kNone);
  ProgramFileContent second;
  FUZZ_CHECK(ReadProgramFile(saved.c_str(), second) == ProgramFileError::kNone);
  FUZZ_CHECK(second.version == kProgramFileVersion);
  FUZZ_CHECK(FormatProgramText(second.record) == text);
  return 0;
}
