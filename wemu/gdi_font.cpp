#include "wemu/gdi_font.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Full font name -> PostScript name, sorted by full name (case-sensitive), for the life of the
// process; cleared when another font service is installed.
struct NameCache {
  std::recursive_mutex mutex;
  std::vector<std::pair<std::string, std::string>> entries;
  std::uint32_t generation = 0;
};

NameCache& Names() {
  static auto* cache = new NameCache;
  return *cache;
}

struct DefaultFont {
  std::mutex mutex;
  std::shared_ptr<vq::platform::FontFace> face;
  std::uint32_t generation = 0;
};

std::shared_ptr<vq::platform::FontFace> DefaultFace() {
  static auto* slot = new DefaultFont;
  std::lock_guard<std::mutex> lock(slot->mutex);
  const std::uint32_t generation = vq::platform::fontServiceGeneration();
  if (!slot->face || slot->generation != generation) {
    slot->face = vq::platform::fontService().systemLabelFont(10);
    slot->generation = generation;
  }
  return slot->face;
}

// Faces at device sizes, by PostScript name and pixel size; emptied when another service is
// installed or when it grows past a few dozen (a GUI uses a handful of text styles).
struct DeviceFonts {
  std::mutex mutex;
  std::vector<std::pair<std::pair<std::string, double>, std::shared_ptr<vq::platform::FontFace>>>
      faces;
  std::uint32_t generation = 0;
};

constexpr std::size_t kMaxDeviceFonts = 64;

}  // namespace

std::shared_ptr<vq::platform::FontFace> WEMU_DeviceFont(
    const std::shared_ptr<vq::platform::FontFace>& face, double scale) {
  if (!face || !(scale > 1.01 && scale <= 16)) return face;
  static auto* cache = new DeviceFonts;
  const std::pair<std::string, double> key{face->postScriptName(), face->size() * scale};
  std::lock_guard<std::mutex> lock(cache->mutex);
  const std::uint32_t generation = vq::platform::fontServiceGeneration();
  if (cache->generation != generation || cache->faces.size() >= kMaxDeviceFonts) {
    cache->faces.clear();
    cache->generation = generation;
  }
  for (const auto& entry : cache->faces)
    if (entry.first == key) return entry.second;
  std::shared_ptr<vq::platform::FontFace> scaled =
      vq::platform::fontService().createFont(key.first, key.second);
  if (!scaled) return face;
  cache->faces.emplace_back(key, scaled);
  return scaled;
}

std::string WEMU_ResolveFontName(const std::string& fullName) {
  NameCache& cache = Names();
  std::lock_guard<std::recursive_mutex> lock(cache.mutex);
  const std::uint32_t generation = vq::platform::fontServiceGeneration();
  if (cache.generation != generation) {
    cache.entries.clear();
    cache.generation = generation;
  }
  auto it = std::lower_bound(cache.entries.begin(), cache.entries.end(), fullName,
                             [](const auto& e, const std::string& key) { return e.first < key; });
  if (it != cache.entries.end() && it->first == fullName) return it->second;
  std::string ps = vq::platform::fontService().resolveName(fullName);
  cache.entries.insert(it, {fullName, ps});
  return ps;
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outputPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face) {
  HGDIOBJ__* font = WEMU_AllocGDIObject(WEMU_OBJ_FONT);
  if (!font) return nullptr;
  font->rotation = static_cast<float>(orientation) / 10.0f;
  long long size = height != 0 ? height : width;
  if (size < 0) size = -size;
  if (size < 2 || size > 8192) size = 10;

  std::string fullName;
  if (face) fullName.assign(face, strnlen(face, 899));
  if (weight >= 700) fullName += " Bold";
  if (italic) fullName += " Italic";
  std::string name;
  if (!fullName.empty()) name = WEMU_ResolveFontName(fullName);
  std::shared_ptr<vq::platform::FontFace> made;
  if (!name.empty()) made = vq::platform::fontService().createFont(name, static_cast<double>(size));
  if (!made) made = vq::platform::fontService().systemLabelFont(static_cast<double>(size));
  font->font = std::move(made);
  font->quality = (quality == 3 || quality == 4) ? static_cast<unsigned char>(quality) : 0;
  return font;
}

HFONT CreateFontIndirect(const LOGFONT* font) {
  if (!font) return nullptr;
  char face[sizeof(font->lfFaceName) + 1];
  std::memcpy(face, font->lfFaceName, sizeof(font->lfFaceName));
  face[sizeof(font->lfFaceName)] = 0;  // a full field without its NUL is still bounded
  return CreateFont(font->lfHeight, font->lfWidth, 0, font->lfOrientation, font->lfWeight,
                    font->lfItalic, 0, 0, 0, 0, 0, font->lfQuality, 0, face);
}

std::shared_ptr<vq::platform::FontFace> WEMU_ContextFont(HDC context, unsigned char* quality) {
  if (quality) *quality = 0;
  if (context) {
    // Checked and read under the pools' lock, so the object cannot be freed in between.
    std::shared_ptr<vq::platform::FontFace> face;
    WEMU_LockGdiPools();
    if (WEMU_IsLiveGDIObject(context->font, WEMU_OBJ_FONT)) {
      face = context->font->font;
      if (quality) *quality = context->font->quality;
    }
    WEMU_UnlockGdiPools();
    if (face) return face;
  }
  return DefaultFace();
}

BOOL GetTextMetrics(HDC context, TEXTMETRIC* metrics) {
  if (metrics) *metrics = TEXTMETRIC{16, 12, 4, 3, 10};
  if (!WEMU_IsLiveContext(context)) return FALSE;
  std::shared_ptr<vq::platform::FontFace> face = WEMU_ContextFont(context);
  if (face && metrics) {
    const vq::platform::FontMetrics m = face->metrics();
    const int ascent = static_cast<int>(m.ascent), descent = static_cast<int>(m.descent);
    const int leading = static_cast<int>(m.leading);
    metrics->tmAscent = ascent;
    metrics->tmDescent = descent;
    metrics->tmInternalLeading = leading;
    metrics->tmHeight = ascent + descent + leading;
    metrics->tmAveCharWidth = 2 * metrics->tmHeight / 3;
    if (metrics->tmHeight != 0) metrics->tmHeight += 1;
  }
  return TRUE;
}

int GetTextFace(HDC context, int size, char* name) {
  if (!name || size < 1) return 0;
  name[0] = 0;
  if (!WEMU_IsLiveContext(context)) return 0;
  std::shared_ptr<vq::platform::FontFace> face = WEMU_ContextFont(context);
  if (!face) return 0;
  const std::string display = face->displayName();
  std::size_t n = std::min(display.size(), static_cast<std::size_t>(size - 1));
  while (n > 0 && n < display.size() && (static_cast<unsigned char>(display[n]) & 0xC0) == 0x80)
    --n;
  std::memcpy(name, display.data(), n);
  name[n] = 0;
  return static_cast<int>(n);
}
