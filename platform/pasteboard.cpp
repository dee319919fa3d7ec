#include "platform/pasteboard.h"

#include <algorithm>
#include <memory>

namespace vq::platform {

void Pasteboard::declareTypes(const std::vector<std::string>& types) {
  clear();
  mData.clear();
  mDeclared.clear();
  for (const std::string& t : types)
    if (t != kPasteboardStringType &&
        std::find(mDeclared.begin(), mDeclared.end(), t) == mDeclared.end())
      mDeclared.push_back(t);
}

void Pasteboard::setData(const std::string& type, std::string bytes) {
  if (type == kPasteboardStringType) return;
  if (std::find(mDeclared.begin(), mDeclared.end(), type) == mDeclared.end())
    mDeclared.push_back(type);
  mData[type] = std::move(bytes);
}

std::optional<std::string> Pasteboard::data(const std::string& type) const {
  if (type == kPasteboardStringType) return string();
  auto it = mData.find(type);
  if (it == mData.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> Pasteboard::types() const {
  std::vector<std::string> out;
  if (string()) out.push_back(kPasteboardStringType);
  for (const std::string& t : mDeclared)
    if (mData.count(t)) out.push_back(t);
  return out;
}

void Pasteboard::writeContents(const std::optional<std::string>& text,
                               const std::vector<std::pair<std::string, std::string>>& data) {
  std::vector<std::string> types;
  for (const auto& [type, bytes] : data) types.push_back(type);
  declareTypes(types);
  if (text) setString(*text);
  for (const auto& [type, bytes] : data) setData(type, bytes);
}

void Pasteboard::clear() {
  mText.reset();
  noteChange();
}

void Pasteboard::setString(const std::string& utf8) {
  mText = utf8;
  noteChange();
}

MemoryPasteboard& MemoryPasteboard::named(const std::string& name) {
  static std::map<std::string, std::unique_ptr<MemoryPasteboard>> boards;
  auto& b = boards[name];
  if (!b) b = std::make_unique<MemoryPasteboard>();
  return *b;
}

}  // namespace vq::platform
