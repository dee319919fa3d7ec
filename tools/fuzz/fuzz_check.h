// What the file-format fuzz targets share: a failed property aborts (the fuzzer keeps the
// input), and a scratch folder of the run.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/utf8.h"

#define FUZZ_CHECK(cond)                                                               \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

namespace vqfuzz {

// A folder of its own for the fuzzer's process, removed at exit; ends in "/".
inline const std::string& ScratchFolder() {
  static const struct Folder {
    std::string path;
    Folder() {
      char tmpl[] = "/tmp/vq_fuzz_XXXXXX";
      if (!mkdtemp(tmpl)) std::abort();
      path = std::string(tmpl) + "/";
    }
    ~Folder() { std::filesystem::remove_all(path); }
  } folder;
  return folder.path;
}

// Writes the bytes to a new file at `path` (a new inode every time, so caches see a new file).
inline void WriteBytes(const std::string& path, std::string_view bytes) {
  const std::string temp = path + ".fuzz";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  std::filesystem::rename(temp, path);
}

// Valid UTF-8 holding no C0, DEL or C1 control character.
inline bool IsCleanText(std::string_view text) {
  while (!text.empty()) {
    char32_t c = 0;
    const size_t n = vq::platform::DecodeUtf8Sequence(text, &c);
    if (n == 0 || vq::platform::IsControlCodePoint(c)) return false;
    text.remove_prefix(n);
  }
  return true;
}

// A name that stays inside the folder it is joined to: one path component, neither hidden nor
// "." or "..". Dots inside it ("Zed..pr4" for a program named "Zed.") lead nowhere.
inline bool IsSafeFileName(std::string_view name) {
  return !name.empty() && name.find('/') == std::string_view::npos && name[0] != '.' &&
         IsCleanText(name) && name.size() <= 255;
}

}  // namespace vqfuzz
