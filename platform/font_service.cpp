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

bool DecodeUtf8Strict(const char* text, std::size_t length, std::u32string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  std::size_t i = 0;
  while (i < length) {
    const unsigned b0 = p[i];
    if (b0 < 0x80) {
      out.push_back(b0);
      ++i;
      continue;
    }
    int extra;
    char32_t c;
    char32_t minimum;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      extra = 1, c = b0 & 0x1F, minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      extra = 2, c = b0 & 0x0F, minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      extra = 3, c = b0 & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (length - i <= static_cast<std::size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned b = p[i + k];
      if ((b & 0xC0) != 0x80) return false;
      c = (c << 6) | (b & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    out.push_back(c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

}  // namespace vq::platform
