#include "library/program_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "library/program_text_format.h"
#include "platform/utf8.h"

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace

int LeadingNumber(std::string_view name, size_t count) {
  char buf[4] = {};
  std::memcpy(buf, name.data(), std::min({name.size(), count, sizeof buf - 1}));
  return std::atoi(buf);
}

std::vector<std::string> BuildProgramList(const std::vector<std::string>& listing) {
  std::vector<std::string> names;
  for (const std::string& name : listing) {
    if (static_cast<int>(names.size()) >= kProgramListCapacity) break;
    if (HasProgramExtension(name)) names.push_back(name);
  }
  std::vector<std::string> keys;
  keys.reserve(names.size());
  std::vector<size_t> order(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    keys.push_back(Lower(names[i]));
    order[i] = i;
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (size_t i : order) sorted.push_back(std::move(names[i]));
  return sorted;
}

std::string SafeFileNamePart(std::string_view name) {
  std::string out;
  out.reserve(std::min(name.size(), kSafeFileNameBytes));
  for (size_t i = 0; i < name.size() && out.size() < kSafeFileNameBytes;) {
    char32_t c = 0;
    const size_t n = vq::platform::DecodeUtf8Sequence(name.substr(i), &c);
    if (n == 0 || vq::platform::IsControlCodePoint(c) || c == '/' || c == '\\') {
      out += '_';
      i += n == 0 ? 1 : n;
      continue;
    }
    if (out.size() + n > kSafeFileNameBytes) break;
    out.append(name.substr(i, n));
    i += n;
  }
  for (size_t i = 0; i < out.size();) {
    if (out[i] != '.') {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < out.size() && out[end] == '.') ++end;
    if (end - i >= 2 || i == 0)
      std::fill(out.begin() + static_cast<std::ptrdiff_t>(i),
                out.begin() + static_cast<std::ptrdiff_t>(end), '_');
    i = end;
  }
  return out;
}

std::string ReceivedProgramFileName(const uint8_t* nameBytes, int slot) {
  std::string name;
  if (nameBytes) {
    for (int i = 0; i < kDumpNameBytes && nameBytes[i] != 0; ++i)
      name += static_cast<char>(nameBytes[i]);
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  name = SafeFileNamePart(name);
  char buf[64];
  int shownSlot = std::clamp(slot, 0, 99);
  if (name.empty()) {
    snprintf(buf, sizeof buf, "%02d.pr4", shownSlot);
    return buf;
  }
  // The name is kept as it is only when it already begins with this slot: the file must belong
  // to the slot the program came from.
  if (slot >= 1 && slot <= 99 && LeadingNumber(name) == slot) return name + ".pr4";
  snprintf(buf, sizeof buf, "%02d", shownSlot);
  return buf + name + ".pr4";
}
