// libFuzzer target: settings (INI) files. Whatever the file holds, rewriting one key (the first
// key of the first section, or a new one) leaves every other key of every section as it read.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "wemu/ini_file.h"

namespace {

constexpr uint32_t kBuffer = 1u << 16;

std::vector<std::string> Names(const char* section, const char* file) {
  std::vector<char> buf(kBuffer);
  const uint32_t n = GetPrivateProfileString(section, nullptr, "", buf.data(), kBuffer, file);
  std::vector<std::string> names;
  for (uint32_t at = 0; at < n; at += static_cast<uint32_t>(names.back().size()) + 1)
    names.emplace_back(buf.data() + at);
  return names;
}

using Contents = std::map<std::pair<std::string, std::string>, std::string>;

Contents Read(const char* file) {
  Contents all;
  std::vector<char> value(kBuffer);
  for (const std::string& section : Names(nullptr, file))
    for (const std::string& key : Names(section.c_str(), file)) {
      GetPrivateProfileString(section.c_str(), key.c_str(), "", value.data(), kBuffer, file);
      all[{section, key}] = value.data();
    }
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = vqfuzz::ScratchFolder() + "settings.ini";
  vqfuzz::WriteBytes(path, std::string_view(reinterpret_cast<const char*>(data), size));
  const Contents before = Read(path.c_str());
  std::string section = "fuzz", key = "fuzzkey";
  if (!before.empty()) {
    section = before.begin()->first.first;
    // Keys a writer refuses stay as they are; a new key is written beside them.
    const std::string& first = before.begin()->first.second;
    if (first.find_first_of("=[\r\n") == std::string::npos) key = first;
  }
  if (WritePrivateProfileString(section.c_str(), key.c_str(), "rewritten", path.c_str()) == 0)
    return 0;  // a section name a writer refuses
  Contents after = Read(path.c_str());
  Contents expected = before;
  for (auto it = expected.begin(); it != expected.end();)
    it = it->first.first == section && it->first.second == key ? expected.erase(it) : ++it;
  for (auto it = after.begin(); it != after.end();)
    it = it->first.first == section && it->first.second == key ? after.erase(it) : ++it;
  FUZZ_CHECK(after == expected);
  return 0;
}
