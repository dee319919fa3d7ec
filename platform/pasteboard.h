// The general pasteboard (clipboard), text only for now. Main thread.
#pragma once

#include <optional>
#include <string>

namespace vq::platform {

class Pasteboard {
 public:
  virtual ~Pasteboard() = default;
  virtual void clear() = 0;
  virtual void setString(const std::string& utf8) = 0;
  virtual std::optional<std::string> string() const = 0;
  // Grows by one on every change, so callers can tell whether the content changed.
  virtual long changeCount() const = 0;
};

}  // namespace vq::platform
