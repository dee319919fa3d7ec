#include "platform/font_service.h"

#include <atomic>
#include <cmath>
#include <mutex>

namespace vq::platform {

namespace {

struct ServiceSlot {
  std::mutex mutex;
  std::unique_ptr<FontService> service;
  std::atomic<std::uint32_t> generation{1};
};

ServiceSlot& Slot() {
  static ServiceSlot* slot = new ServiceSlot;  // outlives static destructors of callers
  return *slot;
}

// The deterministic face of FixedFontService.
class FixedFace : public FontFace {
 public:
  FixedFace(std::string name, double size) : mName(std::move(name)), mSize(size) {
    mAscent = static_cast<int>(std::lround(size * 3 / 4));
    mDescent = static_cast<int>(std::lround(size)) - mAscent;
    if (mDescent < 0) mDescent = 0;
    mAdvance = static_cast<int>(std::lround(size / 2));
    if (mAdvance >= 2 && mAscent >= 1) {
      mBlock.width = mAdvance - 1;
      mBlock.height = mAscent;
      mBlock.top = mAscent;
      mBlock.coverage.assign(static_cast<std::size_t>(mBlock.width) * mBlock.height, 255);
    }
  }
  double size() const override { return mSize; }
  FontMetrics metrics() const override { return {double(mAscent), double(mDescent), 0.0}; }
  std::string postScriptName() const override { return mName; }
  std::string displayName() const override { return mName; }
  double advance(char32_t) const override { return mAdvance; }
  const GlyphImage* glyph(char32_t c, bool) const override {
    if (c <= 0x20 || mAdvance < 2 || mAscent < 1) return nullptr;
    return &mBlock;
  }

 private:
  std::string mName;
  double mSize;
  int mAscent = 0;
  int mDescent = 0;
  int mAdvance = 0;
  GlyphImage mBlock;
};

}  // namespace

FontService& fontService() {
  ServiceSlot& slot = Slot();
  std::lock_guard<std::mutex> lock(slot.mutex);
  if (!slot.service) slot.service = MakeFreeTypeFontService();
  return *slot.service;
}

void installFontService(std::unique_ptr<FontService> service) {
  ServiceSlot& slot = Slot();
  std::unique_ptr<FontService> old;
  {
    std::lock_guard<std::mutex> lock(slot.mutex);
    old = std::move(slot.service);
    slot.service = std::move(service);
    slot.generation.fetch_add(1);
  }
}

std::uint32_t fontServiceGeneration() {
  return Slot().generation.load();
}

std::string FixedFontService::resolveName(const std::string& fullName) {
  resolvedNames.push_back(fullName);
  return "Fixed-" + fullName;
}

std::shared_ptr<FontFace> FixedFontService::createFont(const std::string& name, double size) {
  for (const std::string& missing : missingNames)
    if (missing == name) return nullptr;
  return std::make_shared<FixedFace>(name, size);
}

std::shared_ptr<FontFace> FixedFontService::systemLabelFont(double size) {
  return std::make_shared<FixedFace>("Fixed-System", size);
}

}  // namespace vq::platform
