// The font service over fontconfig (names to files) and FreeType (metrics and coverage).
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/font_service.h"

// fontconfig keeps its caches until exit, and the desktop toolkit shares them, so FcFini at exit
// would pull them from under it (fontconfig asserts). The leak checker is told they are meant.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

namespace vq::platform {

namespace {

// FreeType's library object and every face share one lock: faces are not thread-safe and
// creating or freeing one touches the library.
std::recursive_mutex& FreeTypeMutex() {
  static auto* m = new std::recursive_mutex;
  return *m;
}

FT_Library Library() {
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
    return lib;
  }();
  return library;
}

// Faces other desktops ask for, mapped to installed free faces of the same kind and metrics.
struct FaceAlias {
  const char* asked;
  const char* family;
};
constexpr FaceAlias kAliases[] = {
    {"Monaco", "DejaVu Sans Mono"},
    {"Menlo", "DejaVu Sans Mono"},
    {"Courier", "Liberation Mono"},
    {"Courier New", "Liberation Mono"},
    {"Arial", "Liberation Sans"},
    {"Helvetica", "Liberation Sans"},
    {"Helvetica Neue", "Liberation Sans"},
    {"Tahoma", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
    {"Geneva", "DejaVu Sans"},
    {"Lucida Grande", "DejaVu Sans"},
    {"Times", "Liberation Serif"},
    {"Times New Roman", "Liberation Serif"},
};
constexpr const char* kSystemLabelFamily = "DejaVu Sans";

struct FaceFile {
  std::string path;
  int index = 0;
};

class FreeTypeFace : public FontFace {
 public:
  FreeTypeFace(FT_Face face, double size) : mFace(face), mSize(size) {
    FT_Set_Char_Size(mFace, 0, static_cast<FT_F26Dot6>(size * 64 + 0.5), 72, 72);
    const FT_Size_Metrics& m = mFace->size->metrics;
    mMetrics.ascent = m.ascender / 64.0;
    mMetrics.descent = -m.descender / 64.0;
    const double leading = m.height / 64.0 - mMetrics.ascent - mMetrics.descent;
    mMetrics.leading = leading > 0 ? leading : 0;
    const char* ps = FT_Get_Postscript_Name(mFace);
    mPostScript = ps ? ps : "";
    mDisplay = mFace->family_name ? mFace->family_name : "";
    if (mFace->style_name && std::strcmp(mFace->style_name, "Regular") != 0 &&
        std::strcmp(mFace->style_name, "Book") != 0) {
      mDisplay += " ";
      mDisplay += mFace->style_name;
    }
  }
  ~FreeTypeFace() override {
    std::lock_guard<std::recursive_mutex> lock(FreeTypeMutex());
    FT_Done_Face(mFace);
  }

  double size() const override { return mSize; }
  FontMetrics metrics() const override { return mMetrics; }
  std::string postScriptName() const override { return mPostScript; }
  std::string displayName() const override { return mDisplay; }

  double advance(char32_t c) const override {
    std::lock_guard<std::recursive_mutex> lock(FreeTypeMutex());
    auto it = mAdvances.find(c);
    if (it != mAdvances.end()) return it->second;
    double a = 0;
    if (FT_Load_Char(mFace, c, FT_LOAD_DEFAULT) == 0) a = mFace->glyph->advance.x / 64.0;
    mAdvances.emplace(c, a);
    return a;
  }

  const GlyphImage* glyph(char32_t c, bool antialias) const override {
    std::lock_guard<std::recursive_mutex> lock(FreeTypeMutex());
    const std::uint64_t key = static_cast<std::uint64_t>(c) << 1 | (antialias ? 1u : 0u);
    auto it = mGlyphs.find(key);
    if (it == mGlyphs.end()) it = mGlyphs.emplace(key, Render(c, antialias)).first;
    return it->second.coverage.empty() ? nullptr : &it->second;  // map nodes never move
  }

 private:
  GlyphImage Render(char32_t c, bool antialias) const {
    GlyphImage g;
    const FT_Int32 flags =
        FT_LOAD_RENDER | (antialias ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
    if (FT_Load_Char(mFace, c, flags) != 0) return g;
    const FT_GlyphSlot slot = mFace->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.width == 0 || bm.rows == 0 || !bm.buffer) return g;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return g;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.coverage.resize(static_cast<std::size_t>(g.width) * g.height);
    for (int y = 0; y < g.height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
      std::uint8_t* dst = g.coverage.data() + static_cast<std::size_t>(y) * g.width;
      for (int x = 0; x < g.width; ++x) {
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else
          dst[x] = static_cast<std::uint8_t>(
              bm.num_grays == 256 ? row[x] : row[x] * 255 / (bm.num_grays - 1));
      }
    }
    return g;
  }

  FT_Face mFace;
  double mSize;
  FontMetrics mMetrics;
  std::string mPostScript;
  std::string mDisplay;
  mutable std::unordered_map<char32_t, double> mAdvances;
  mutable std::unordered_map<std::uint64_t, GlyphImage> mGlyphs;
};

std::shared_ptr<FontFace> OpenFace(const FaceFile& file, double size) {
  std::lock_guard<std::recursive_mutex> lock(FreeTypeMutex());
  FT_Library lib = Library();
  if (!lib || file.path.empty()) return nullptr;
  FT_Face face = nullptr;
  if (FT_New_Face(lib, file.path.c_str(), file.index, &face) != 0) return nullptr;
  if (!FT_IS_SCALABLE(face) && face->num_fixed_sizes == 0) {
    FT_Done_Face(face);
    return nullptr;
  }
  return std::make_shared<FreeTypeFace>(face, size);
}

void InitFontconfig() {
  static std::once_flag once;
  std::call_once(once, [] { FcInit(); });
}

bool FileOfPattern(FcPattern* font, FaceFile& file, std::string& ps) {
  FcChar8* path = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &path) != FcResultMatch || !path) return false;
  int index = 0;
  FcPatternGetInteger(font, FC_INDEX, 0, &index);
  FcChar8* psName = nullptr;
  if (FcPatternGetString(font, FC_POSTSCRIPT_NAME, 0, &psName) == FcResultMatch && psName)
    ps = reinterpret_cast<const char*>(psName);
  file.path = reinterpret_cast<const char*>(path);
  file.index = index;
  return true;
}

bool EndsWith(const std::string& s, const char* tail) {
  const std::size_t n = std::strlen(tail);
  return s.size() > n && s.compare(s.size() - n, n, tail) == 0;
}

class FreeTypeFontService : public FontService {
 public:
  FreeTypeFontService() { InitFontconfig(); }

  std::string resolveName(const std::string& fullName) override {
    std::lock_guard<std::mutex> lock(mMutex);
    return ResolveLocked(fullName);
  }

  std::shared_ptr<FontFace> createFont(const std::string& name, double size) override {
    FaceFile file;
    {
      std::lock_guard<std::mutex> lock(mMutex);
      auto it = mFiles.find(name);
      if (it != mFiles.end()) {
        file = it->second;
      } else if (!FindPostScript(name, file)) {
        const std::string ps = ResolveLocked(name);
        auto again = mFiles.find(ps);
        if (ps.empty() || again == mFiles.end()) return nullptr;
        file = again->second;
      }
    }
    return OpenFace(file, size);
  }

  std::shared_ptr<FontFace> systemLabelFont(double size) override {
    std::string ps = resolveName(kSystemLabelFamily);
    return ps.empty() ? nullptr : createFont(ps, size);
  }

 private:
  std::string ResolveLocked(const std::string& fullName) {
    std::string family = fullName;
    bool bold = false, italic = false;
    if (EndsWith(family, " Italic")) {
      italic = true;
      family.resize(family.size() - 7);
    }
    if (EndsWith(family, " Bold")) {
      bold = true;
      family.resize(family.size() - 5);
    }
    for (const FaceAlias& alias : kAliases)
      if (family == alias.asked) family = alias.family;
    if (family.empty()) family = kSystemLabelFamily;

    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* font = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!font) return {};
    FaceFile file;
    std::string ps;
    const bool ok = FileOfPattern(font, file, ps);
    FcPatternDestroy(font);
    if (!ok) return {};
    if (ps.empty()) ps = fullName;
    mFiles[ps] = file;
    return ps;
  }

  // An installed face whose PostScript name is exactly `name`.
  bool FindPostScript(const std::string& name, FaceFile& file) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_POSTSCRIPT_NAME, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_POSTSCRIPT_NAME, nullptr);
    FcFontSet* set = objects ? FcFontList(nullptr, pattern, objects) : nullptr;
    bool found = false;
    if (set) {
      for (int i = 0; i < set->nfont && !found; ++i) {
        std::string ps;
        found = FileOfPattern(set->fonts[i], file, ps) && ps == name;
      }
      FcFontSetDestroy(set);
    }
    if (objects) FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (found) mFiles[name] = file;
    return found;
  }

  std::mutex mMutex;
  std::map<std::string, FaceFile> mFiles;  // PostScript name -> file
};

}  // namespace

std::unique_ptr<FontService> MakeFreeTypeFontService() {
  return std::make_unique<FreeTypeFontService>();
}

std::shared_ptr<FontFace> LoadFontFile(const std::string& path, double size) {
  return OpenFace(FaceFile{path, 0}, size);
}

}  // namespace vq::platform
