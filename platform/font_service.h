// Fonts of the desktop: face names resolve to installed fonts, a face at one pixel size gives
// metrics, advances and 8-bit glyph coverage. The process uses one service (FreeType over
// fontconfig unless another is installed); tests install a deterministic one with fixed
// advances. Measured widths and drawn advances come from the same advance() so they agree.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vq::platform {

// Vertical metrics of a face at its size, in pixels (descent positive, below the baseline).
struct FontMetrics {
  double ascent = 0;
  double descent = 0;
  double leading = 0;
};

// One glyph's coverage: rows top-down, `width` bytes each; the block's top-left pixel sits at
// (pen x + left, baseline - top).
struct GlyphImage {
  int width = 0;
  int height = 0;
  int left = 0;
  int top = 0;
  std::vector<std::uint8_t> coverage;
};

// A face at one size. Thread-safe (calls are serialised inside).
class FontFace {
 public:
  virtual ~FontFace() = default;
  virtual double size() const = 0;
  virtual FontMetrics metrics() const = 0;
  // The PostScript name of the face and the name a user would read ("DejaVu Sans Bold").
  virtual std::string postScriptName() const = 0;
  virtual std::string displayName() const = 0;
  // How far the pen moves after the character, in pixels.
  virtual double advance(char32_t c) const = 0;
  // The character's coverage; antialias false gives only 0 and 255. Null when the face has
  // nothing to draw for it (the advance still counts). Rendered once; the image stays valid
  // as long as the face.
  virtual const GlyphImage* glyph(char32_t c, bool antialias) const = 0;
  // A copy of glyph(); false (and an empty image) when there is nothing to draw.
  bool renderGlyph(char32_t c, bool antialias, GlyphImage& out) const {
    const GlyphImage* g = glyph(c, antialias);
    out = g ? *g : GlyphImage{};
    return g != nullptr;
  }
};

class FontService {
 public:
  virtual ~FontService() = default;
  // The PostScript name of the installed face that serves a full name ("Monaco",
  // "Arial Bold", "Tahoma Bold Italic"); empty when nothing can serve it.
  virtual std::string resolveName(const std::string& fullName) = 0;
  // A face by PostScript name (or family name) at a pixel size; null when none is found.
  virtual std::shared_ptr<FontFace> createFont(const std::string& name, double size) = 0;
  // The system's label font at that size; never null while any font is installed.
  virtual std::shared_ptr<FontFace> systemLabelFont(double size) = 0;
};

// The process's font service (the FreeType one on first use).
FontService& fontService();
// Replaces the service; faces already made stay valid. Bumps fontServiceGeneration(). Call
// it while no other thread uses the service (start-up, tests).
void installFontService(std::unique_ptr<FontService> service);
// Changes whenever a service is installed, so caches of resolved names can tell they are stale.
std::uint32_t fontServiceGeneration();

// FreeType faces found through fontconfig. Common faces of other desktops map to installed
// free faces of the same kind (Monaco -> DejaVu Sans Mono, Arial -> Liberation Sans, ...).
std::unique_ptr<FontService> MakeFreeTypeFontService();

// A deterministic service for tests: every name resolves to "Fixed-<name>"; at size s a face has
// ascent round(3s/4), descent s - ascent, leading 0 and advance round(s/2) for every character;
// a visible character (above space) is a solid block advance - 1 wide and ascent high on the
// baseline. Names asked of resolveName() are recorded in order.
class FixedFontService : public FontService {
 public:
  std::string resolveName(const std::string& fullName) override;
  std::shared_ptr<FontFace> createFont(const std::string& name, double size) override;
  std::shared_ptr<FontFace> systemLabelFont(double size) override;
  std::vector<std::string> resolvedNames;
  // Names createFont() refuses (to test fallbacks).
  std::vector<std::string> missingNames;
};

// A face read from a font file at a pixel size (for tests that pin a file); null on failure.
std::shared_ptr<FontFace> LoadFontFile(const std::string& path, double size);

}  // namespace vq::platform
