// Pasteboards: the general one (the system clipboard, whose text the backend shares with
// other programs) and named ones of this process. Besides text, a pasteboard holds data of
// the program's own types, which a desktop backend offers to other programs as types of their
// own. Main thread.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vq::platform {

// The type under which text is declared.
inline constexpr const char* kPasteboardStringType = "text/plain;charset=utf-8";

class Pasteboard {
 public:
  virtual ~Pasteboard() = default;
  // The text, kept here unless the backend shares it with other programs.
  virtual void clear();
  virtual void setString(const std::string& utf8);
  virtual std::optional<std::string> string() const { return mText; }
  // Grows by one on every change, so callers can tell whether the content changed.
  long changeCount() const { return mChanges; }

  // Empties the pasteboard (text included) before new data of these types is written.
  void declareTypes(const std::vector<std::string>& types);
  // Data of the program's own types (not the string type, which goes through setString).
  void setData(const std::string& type, std::string bytes);
  virtual std::optional<std::string> data(const std::string& type) const;
  // The types held now: the string type when there is text, then the own types in the order
  // they were declared.
  virtual std::vector<std::string> types() const;
  // Replaces the whole content at once: the text (none: no text) and data of own types, in
  // order. A backend sharing the pasteboard offers every type to other programs.
  virtual void writeContents(const std::optional<std::string>& text,
                             const std::vector<std::pair<std::string, std::string>>& data);

 protected:
  void noteChange() { ++mChanges; }

 private:
  std::optional<std::string> mText;
  long mChanges = 0;
  std::vector<std::string> mDeclared;
  std::map<std::string, std::string> mData;
};

// A pasteboard of this process only.
class MemoryPasteboard final : public Pasteboard {
 public:
  // The process's pasteboard of that name, made on first use.
  static MemoryPasteboard& named(const std::string& name);
};

}  // namespace vq::platform
