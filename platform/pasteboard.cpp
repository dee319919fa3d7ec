#include "platform/pasteboard.h"

#include <algorithm>
#include <memory>

namespace vq::platform {

void Pasteboard::declareTypes(const std::vector<std::string>& types) {
  clear();
  data_.clear();
  declared_.clear();
  for (const std::string& t : types)
    if (t != kPasteboardStringType &&
        std::find(declared_.begin(), declared_.end(), t) == declared_.end())
      declared_.push_back(t);
}

void Pasteboard::setData(const std::string& type, std::string bytes) {
  if (type == kPasteboardStringType) return;
  if (std::find(declared_.begin(), declared_.end(), type) == declared_.end())
    declared_.push_back(type);
  data_[type] = std::move(bytes);
}

std::optional<std::string> Pasteboard::data(const std::string& type) const {
  if (type == kPasteboardStringType) return string();
  auto it = data_.find(type);
  if (it == data_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> Pasteboard::types() const {
  std::vector<std::string> out;
  if (string()) out.push_back(kPasteboardStringType);
  for (const std::string& t : declared_)
    if (data_.count(t)) out.push_back(t);
  return out;
}

void MemoryPasteboard::clear() {
  text_.reset();
  ++changes_;
}

void MemoryPasteboard::setString(const std::string& utf8) {
  text_ = utf8;
  ++changes_;
}

MemoryPasteboard& MemoryPasteboard::named(const std::string& name) {
  static std::map<std::string, std::unique_ptr<MemoryPasteboard>> boards;
  auto& b = boards[name];
  if (!b) b = std::make_unique<MemoryPasteboard>();
  return *b;
}

}  // namespace vq::platform
