// The cached font over the fixed-advance font (size 12: line height 13, advance 6, a visible
// character is a 5 x 9 block; its cached mask is 6 x 16 with the block in the top-left).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/font_service.h"
#include "rast/cached_font.h"
#include "rast/rast_blend.h"
#include "rast/rast_fill.h"
#include "wemu/gdi_font.h"

namespace {

constexpr RAST_pixel kWhite = RAST_MakePixel(255, 255, 255, 255);
constexpr RAST_pixel kRed = RAST_MakePixel(255, 0, 0, 255);

// A bitmap that asks for the glyph path.
class GlyphOnlyBitmap : public RAST_MemBitmap {
 public:
  using RAST_MemBitmap::RAST_MemBitmap;
  int Extended(int id, void*) override { return id == RAST_EXTENDED_GLYPHS_ONLY ? 1 : 0; }
};

class CachedFont : public ::testing::Test {
 protected:
  void SetUp() override {
    vq::platform::installFontService(std::make_unique<vq::platform::FixedFontService>());
  }
  void TearDown() override {
    fonts.clear();
    vq::platform::installFontService(nullptr);
  }
  RAST_CachedFont& font(unsigned options, int size = 12) {
    fonts.push_back(std::make_unique<RAST_CachedFont>());
    HFONT h = CreateFont(size, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "F");
    fonts.back()->SetFromHFont(h, options | RAST_FONTOPT_OWNFONT);
    fonts.back()->SetTextColor(kWhite);
    return *fonts.back();
  }
  static std::vector<int> mask(RAST_CachedFont& f, unsigned c) {
    const auto* g = f.FindGlyph(c);
    const unsigned char* m = f.GetGlyphMask(g);
    return m ? std::vector<int>(m, m + g->width * g->height) : std::vector<int>{};
  }
  static int count(RAST_IBitmap& bm, RAST_pixel v) {
    int n = 0;
    for (int y = 0; y < bm.getHeight(); ++y)
      for (int x = 0; x < bm.getWidth(); ++x) n += bm.getBits()[y * bm.getRowSpan() + x] == v;
    return n;
  }
  static RAST_pixel at(RAST_IBitmap& bm, int x, int y) {
    return bm.getBits()[y * bm.getRowSpan() + x];
  }
  RECT measure(RAST_CachedFont& f, const char* text, int length = -1, unsigned flags = 0) {
    RECT r{4, 5, 4, 5};
    result = f.DrawText(nullptr, text, length, &r, flags | DT_CALCRECT | RAST_DT_PREFER_GLYPHS);
    return r;
  }
  std::vector<std::unique_ptr<RAST_CachedFont>> fonts;
  int result = 0;
};

TEST_F(CachedFont, DefaultsAndSetters) {
  RAST_CachedFont f;
  EXPECT_EQ(f.GetTextColor(), 0u);
  EXPECT_EQ(f.GetHFont(), nullptr);
  EXPECT_EQ(f.GetLineHeight(), 0);
  EXPECT_EQ(f.SetBkColor(1), 0xffffffffu);
  EXPECT_EQ(f.SetEffectColor(2), 0xffffffffu);
  EXPECT_EQ(f.SetBkMode(1), 0);
  EXPECT_EQ(f.SetTextColor(5), 0u);
  EXPECT_EQ(f.SetTextColor(6), 5u);
  RECT r{0, 0, 10, 10};
  EXPECT_EQ(f.DrawText(nullptr, "A", -1, &r, 0), 0);  // no bitmap, not measuring
}

TEST_F(CachedFont, RecordStates) {
  RAST_CachedFont& f = font(0);
  EXPECT_EQ(f.GetLineHeight(), 13);
  EXPECT_EQ(f.FindGlyph('A')->pixelPos, 0);  // not rendered yet
  measure(f, "A \x01");
  const auto* a = f.FindGlyph('A');
  EXPECT_EQ(a->pixelPos, 1);
  EXPECT_EQ(a->width, 6);  // the used width is at least the advance
  EXPECT_EQ(a->height, 16);
  EXPECT_EQ(a->advance, 6);
  const auto* space = f.FindGlyph(' ');
  EXPECT_GT(space->pixelPos, 0);
  EXPECT_EQ(space->advance, 6);
  for (int v : mask(f, ' ')) EXPECT_EQ(v, 0);
  std::vector<int> m = mask(f, 'A');
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(m[y * 6 + x], (x < 5 && y < 9) ? 255 : 0) << x << "," << y;
  // Character 0 cannot be rendered: a failed record that is never retried.
  RAST_CachedFont& g = font(RAST_FONTOPT_PRECACHE);
  const auto* nul = g.FindGlyph(0);
  EXPECT_EQ(nul->pixelPos, -1);
  EXPECT_EQ(nul->width, 0);
  EXPECT_EQ(nul->advance, 0);
}

TEST_F(CachedFont, PrecacheRendersAsciiAndRefusesTheRest) {
  RAST_CachedFont& f = font(RAST_FONTOPT_PRECACHE);
  for (unsigned c = 1; c < 128; ++c) {
    if (c == 13) {
      EXPECT_EQ(f.FindGlyph(c)->pixelPos, -1);  // the GDI drawer drops carriage returns
    } else {
      EXPECT_GT(f.FindGlyph(c)->pixelPos, 0) << c;
    }
  }
  const int store = f.GetPixelStoreSize();
  RAST_MemBitmap bm(40, 20);
  RAST_Clear(&bm, 0);  // a new bitmap holds whatever the allocator left there
  RECT r{0, 0, 40, 20};
  EXPECT_EQ(f.DrawText(&bm, "\xC3\xA9", -1, &r, 0), 0);
  EXPECT_EQ(f.GetExtraGlyphCount(), 0);
  EXPECT_EQ(f.GetPixelStoreSize(), store);
  EXPECT_EQ(count(bm, kWhite), 0);
}

TEST_F(CachedFont, RecordsFrom128UpStaySorted) {
  RAST_CachedFont& f = font(0);
  measure(f, "\xCE\xA9\xC4\x80\xE2\x80\x94\xC3\xA9");  // U+03A9, U+0100, U+2014, U+00E9
  EXPECT_EQ(f.GetExtraGlyphCount(), 4);
  for (unsigned c : {0x3A9u, 0x100u, 0x2014u, 0xE9u}) {
    ASSERT_NE(f.FindGlyph(c), nullptr) << c;
    EXPECT_EQ(f.FindGlyph(c)->code, static_cast<int>(c));
    EXPECT_EQ(f.FindGlyph(c)->advance, 6);
  }
  EXPECT_EQ(f.FindGlyph(0x101), nullptr);
  // Setting the font again empties the cache.
  f.SetFromHFont(f.GetHFont(), RAST_FONTOPT_OWNFONT);
  EXPECT_EQ(f.GetExtraGlyphCount(), 0);
  EXPECT_EQ(f.GetPixelStoreSize(), 0);
  EXPECT_EQ(f.FindGlyph('A')->pixelPos, 0);
}

TEST_F(CachedFont, OwnedFontsAreDeletedWhenReplacedOrDestroyed) {
  HFONT a = CreateFont(12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "A");
  HFONT b = CreateFont(12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "B");
  {
    RAST_CachedFont f;
    f.SetFromHFont(a, RAST_FONTOPT_OWNFONT);
    f.SetFromHFont(a, RAST_FONTOPT_OWNFONT);  // the same handle stays
    EXPECT_TRUE(WEMU_IsLiveGDIObject(a));
    f.SetFromHFont(b, 0);
    EXPECT_FALSE(WEMU_IsLiveGDIObject(a));
  }
  EXPECT_TRUE(WEMU_IsLiveGDIObject(b));  // not owned
  {
    RAST_CachedFont f;
    f.SetFromHFont(b, RAST_FONTOPT_OWNFONT);
  }
  EXPECT_FALSE(WEMU_IsLiveGDIObject(b));
  EXPECT_EQ(RAST_CachedFont::LiveFontCount(), static_cast<int>(fonts.size()));
}

struct MarkCase {
  unsigned options;
  std::vector<std::pair<int, int>> marked;  // cells holding 128
};

void PrintTo(const MarkCase& c, std::ostream* os) {
  *os << "options " << c.options;
}

class CachedFontMarks : public CachedFont, public ::testing::WithParamInterface<MarkCase> {};

TEST_P(CachedFontMarks, ShadowAndOutlineAroundTheBlock) {
  RAST_CachedFont& f = font(GetParam().options);
  measure(f, "A");
  const std::vector<int> m = mask(f, 'A');
  ASSERT_EQ(m.size(), 96u);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 6; ++x) {
      int want = (x < 5 && y < 9) ? 255 : 0;
      for (auto [mx, my] : GetParam().marked)
        if (mx == x && my == y) want = 128;
      EXPECT_EQ(m[y * 6 + x], want) << x << "," << y;
    }
}

std::vector<std::pair<int, int>> Shadow() {
  std::vector<std::pair<int, int>> cells;
  for (int y = 0; y <= 9; ++y) cells.emplace_back(5, y);
  for (int x = 0; x < 5; ++x) cells.emplace_back(x, 9);
  return cells;
}
std::vector<std::pair<int, int>> Outline() {
  std::vector<std::pair<int, int>> cells;
  for (int y = 0; y < 9; ++y) cells.emplace_back(5, y);
  for (int x = 0; x < 5; ++x) cells.emplace_back(x, 9);
  return cells;
}

INSTANTIATE_TEST_SUITE_P(
    Options, CachedFontMarks,
    ::testing::Values(MarkCase{RAST_FONTOPT_MONO, {}}, MarkCase{RAST_FONTOPT_SHADOW, Shadow()},
                      MarkCase{RAST_FONTOPT_OUTLINE, Outline()},
                      MarkCase{RAST_FONTOPT_SHADOW | RAST_FONTOPT_OUTLINE, Shadow()}));

TEST_F(CachedFont, BlurGivesGreysThatMonoThresholds) {
  RAST_CachedFont& soft = font(RAST_FONTOPT_BLUR);
  measure(soft, "A");
  bool grey = false;
  for (int v : mask(soft, 'A')) grey |= v > 0 && v < 255;
  EXPECT_TRUE(grey);
  RAST_CachedFont& hard = font(RAST_FONTOPT_BLUR | RAST_FONTOPT_MONO);
  measure(hard, "A");
  for (int v : mask(hard, 'A')) EXPECT_TRUE(v == 0 || v == 255);
  RAST_CachedFont& inverted = font(RAST_FONTOPT_INVERT);
  measure(inverted, "A");
  const std::vector<int> m = mask(inverted, 'A');
  EXPECT_EQ(m.size(), 96u);  // the used width is taken before inverting
  EXPECT_EQ(m[0], 0);
  EXPECT_EQ(m[5], 255);
}

TEST_F(CachedFont, VerticalMasksAreTurned) {
  RAST_CachedFont& cw = font(RAST_FONTOPT_VERTICAL);
  measure(cw, "A");
  const auto* g = cw.FindGlyph('A');
  ASSERT_EQ(g->width, 16);
  ASSERT_EQ(g->height, 6);
  std::vector<int> m = mask(cw, 'A');
  // Clockwise: (x, y) goes to (15 - y, x).
  EXPECT_EQ(m[0 * 16 + 15], 255);  // from (0, 0)
  EXPECT_EQ(m[4 * 16 + 7], 255);   // from (4, 8)
  EXPECT_EQ(m[4 * 16 + 6], 0);     // from (4, 9)
  EXPECT_EQ(m[5 * 16 + 15], 0);    // from (5, 0)
  RAST_CachedFont& ccw = font(RAST_FONTOPT_VERTICAL | RAST_FONTOPT_UPWARD);
  measure(ccw, "A");
  m = mask(ccw, 'A');
  // Counter-clockwise: (x, y) goes to (y, 5 - x).
  EXPECT_EQ(m[5 * 16 + 0], 255);  // from (0, 0)
  EXPECT_EQ(m[1 * 16 + 8], 255);  // from (4, 8)
  EXPECT_EQ(m[0 * 16 + 0], 0);    // from (5, 0)
}

TEST_F(CachedFont, MeasuringWithLineFeeds) {
  RAST_CachedFont& f = font(0);
  RECT r = measure(f, "AB");
  EXPECT_EQ(r.right - r.left, 12);
  EXPECT_EQ(r.bottom - r.top, 16);
  EXPECT_EQ(result, 16);
  r = measure(f, "A\r\nB");
  EXPECT_EQ(r.right - r.left, 6);
  EXPECT_EQ(r.bottom - r.top, 13 + 16);  // the carriage return adds nothing
  r = measure(f, "A\nB", -1, DT_SINGLELINE);
  EXPECT_EQ(r.right - r.left, 18);
  EXPECT_EQ(r.bottom - r.top, 16);
  for (const char* empty : {"", "\r"}) {
    r = measure(f, empty);
    EXPECT_EQ(r.right, 4);
    EXPECT_EQ(r.bottom, 5);
    EXPECT_EQ(result, 0);
  }
  r = measure(f, "AB", 0);
  EXPECT_EQ(r.right, 4);
  r = measure(f, "ABCD", 3);
  EXPECT_EQ(r.right - r.left, 18);
  RAST_CachedFont& v = font(RAST_FONTOPT_VERTICAL);
  r = measure(v, "AB\nC");
  EXPECT_EQ(result, 13 + 16);  // vertical fonts answer the width
  EXPECT_EQ(r.right - r.left, 29);
  EXPECT_EQ(r.bottom - r.top, 12);
}

TEST_F(CachedFont, CountedTextIsNeverReadPastItsEnd) {
  RAST_CachedFont& f = font(0);
  // Heap blocks of exactly the counted bytes: the address checker sees any read beyond.
  std::unique_ptr<char[]> cut(new char[2]{'A', '\xC3'});
  RECT r = measure(f, cut.get(), 2);
  EXPECT_EQ(r.right - r.left, 12);
  EXPECT_NE(f.FindGlyph(0xC3), nullptr);  // the lone lead byte is a character of its own
  std::unique_ptr<char[]> euro(new char[3]{'\xE2', '\x82', '\xAC'});
  measure(f, euro.get(), 2);
  EXPECT_NE(f.FindGlyph(0xE2), nullptr);
  EXPECT_NE(f.FindGlyph(0x82), nullptr);
  measure(f, euro.get(), 3);
  EXPECT_NE(f.FindGlyph(0x20AC), nullptr);
}

struct DecodeCase {
  std::string bytes;
  int remaining;
  unsigned code;
  int used;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
  *os << "remaining " << c.remaining << " bytes";
  for (unsigned char b : c.bytes) *os << ' ' << int(b);
}

class DecodeUtf8 : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeUtf8, CodeAndLength) {
  unsigned c = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(GetParam().bytes.c_str());
  EXPECT_EQ(RAST_CachedFont::DecodeUTF8Char(p, GetParam().remaining, &c), GetParam().used);
  EXPECT_EQ(c, GetParam().code);
  EXPECT_EQ(RAST_CachedFont::DecodeUTF8Char(p, GetParam().remaining, nullptr), GetParam().used);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DecodeUtf8,
    ::testing::Values(DecodeCase{"A", 1, 'A', 1}, DecodeCase{"\xC3\xA9", 2, 0xE9, 2},
                      DecodeCase{"\xC3\xA9", 1, 0xC3, 1},  // the sequence does not fit what is left
                      DecodeCase{"\xE2\x82\xAC", 3, 0x20AC, 3},
                      DecodeCase{"\xE2\x82\xAC", 2, 0xE2, 1},
                      DecodeCase{"\xF0\x9F\x8E\xB9", 4, 0x20, 4},
                      DecodeCase{"\xF0\x9F\x8E\xB9", 3, 0xF0, 1}, DecodeCase{"\xE9", 1, 0xE9, 1},
                      DecodeCase{"\xE9 ", 2, 0xE9, 1}, DecodeCase{"\xC0\x80", 2, 0xC0, 1},
                      DecodeCase{"\xC2\xC0", 2, 0x80, 2}, DecodeCase{"\xA9", 1, 0xA9, 1},
                      DecodeCase{"\xF5\x80\x80\x80", 4, 0xF5, 1}));

TEST_F(CachedFont, GlyphPathDrawsMasksInTheTextColour) {
  RAST_CachedFont& f = font(0);
  RAST_MemBitmap bm(64, 48);
  RAST_Clear(&bm, 0);
  RECT r{2, 3, 60, 40};
  EXPECT_EQ(f.DrawText(&bm, "AB", -1, &r, 0), 16);
  EXPECT_EQ(count(bm, kWhite), 2 * 5 * 9);
  EXPECT_EQ(at(bm, 2, 3), kWhite);
  EXPECT_EQ(at(bm, 6, 11), kWhite);
  EXPECT_EQ(at(bm, 7, 3), 0u);
  EXPECT_EQ(at(bm, 8, 3), kWhite);
}

struct PathAlignCase {
  unsigned options;
  unsigned flags;
  int x;
  int y;
};

void PrintTo(const PathAlignCase& c, std::ostream* os) {
  *os << "options " << c.options << " flags " << c.flags;
}

class CachedFontAlign : public CachedFont, public ::testing::WithParamInterface<PathAlignCase> {};

TEST_P(CachedFontAlign, BothPathsPlaceTheBlock) {
  RAST_CachedFont& f = font(GetParam().options);
  RAST_SysBitmap bm(64, 48);
  RECT r{2, 3, 60, 40};
  f.DrawText(&bm, "AB", -1, &r, GetParam().flags);
  int first = -1;
  for (int y = 0; y < 48 && first < 0; ++y)
    for (int x = 0; x < 64 && first < 0; ++x)
      if ((at(bm, x, y) & 0xFFFFFF00u) == 0xFFFFFF00u) first = x + 100 * y;
  EXPECT_EQ(first, GetParam().x + 100 * GetParam().y);
}

constexpr unsigned kNative = RAST_FONTOPT_NATIVE;
INSTANTIATE_TEST_SUITE_P(
    Paths, CachedFontAlign,
    ::testing::Values(PathAlignCase{0, 0, 2, 3}, PathAlignCase{kNative, 0, 2, 3},
                      PathAlignCase{0, DT_CENTER, 25, 3}, PathAlignCase{kNative, DT_CENTER, 25, 3},
                      PathAlignCase{0, DT_CENTER | DT_RIGHT, 25, 3},  // the glyph path centres
                      PathAlignCase{kNative, DT_CENTER | DT_RIGHT, 48,
                                    3},  // the native path right-aligns
                      PathAlignCase{0, DT_VCENTER, 2, 3 + (37 - 16) / 2},
                      PathAlignCase{0, DT_BOTTOM, 2, 40 - 16},
                      PathAlignCase{kNative, DT_BOTTOM, 2, 40 - 14}));

TEST_F(CachedFont, NativePathOnABitmapWithoutContextKeepsTheRest) {
  RAST_CachedFont& f = font(kNative);
  RAST_MemBitmap bm(64, 48);
  RAST_Clear(&bm, kRed);
  RECT r{2, 3, 60, 40};
  EXPECT_EQ(f.DrawText(&bm, "AB", -1, &r, DT_CENTER), 14);  // the GDI drawer's text height
  EXPECT_EQ(count(bm, kRed) + count(bm, kWhite), 64 * 48);
  EXPECT_EQ(count(bm, kWhite), 2 * 5 * 9);
  EXPECT_EQ(at(bm, 25, 3), kWhite);
  RECT m{0, 0, 0, 0};
  EXPECT_EQ(f.DrawText(&bm, "AB", -1, &m, DT_CALCRECT), 14);
  EXPECT_EQ(m.right, 12);
  EXPECT_EQ(m.bottom, 14);
  // A text that starts left of the rectangle is cut at its edge.
  RAST_Clear(&bm, kRed);
  RECT narrow{10, 0, 14, 20};
  f.DrawText(&bm, "AB", -1, &narrow, DT_CENTER);  // A at 6..10, B at 12..16
  EXPECT_EQ(count(bm, kWhite), 3 * 9);
  EXPECT_EQ(at(bm, 10, 0), kWhite);
  EXPECT_EQ(at(bm, 11, 0), kRed);
  EXPECT_EQ(at(bm, 13, 0), kWhite);
}

TEST_F(CachedFont, TextAlphaScalesOnlyThisCall) {
  RAST_CachedFont& f = font(0);
  RAST_MemBitmap bm(20, 20);
  RAST_Clear(&bm, 0);
  RECT r{0, 0, 20, 20};
  f.SetTextColor(RAST_MakePixel(255, 255, 255, 128));
  f.DrawText(&bm, "A", -1, &r, RAST_DT_TEXTALPHA);
  const unsigned half = RAST_PixelRed(at(bm, 0, 0));
  EXPECT_GE(half, 120u);
  EXPECT_LE(half, 135u);
  f.SetTextColor(RAST_MakePixel(255, 255, 255, 0));
  RAST_Clear(&bm, 0);
  EXPECT_EQ(f.DrawText(&bm, "A", -1, &r, RAST_DT_TEXTALPHA), 0);
  EXPECT_EQ(count(bm, 0), 400);
  EXPECT_EQ(f.DrawText(&bm, "A", -1, &r, 0), 16);  // the stored alpha is still 1
  EXPECT_EQ(RAST_PixelRed(at(bm, 0, 0)), 255u);
}

TEST_F(CachedFont, ClippingAndGlyphsOutside) {
  RAST_CachedFont& f = font(0);
  RAST_MemBitmap bm(64, 48);
  RAST_Clear(&bm, 0);
  RECT r{2, 3, 5, 40};
  EXPECT_EQ(f.DrawText(&bm, "AB", -1, &r, 0), 16);  // B lies wholly outside and does not count
  EXPECT_EQ(count(bm, kWhite), 3 * 9);
  RAST_Clear(&bm, 0);
  EXPECT_EQ(f.DrawText(&bm, "AB", -1, &r, DT_NOCLIP), 16);
  EXPECT_EQ(count(bm, kWhite), 2 * 5 * 9);
  RECT clip{10, 10, 20, 20};
  EXPECT_FALSE(f.DrawGlyph(&bm, 'A', 20, 0, &clip));
  EXPECT_FALSE(f.DrawGlyph(&bm, 'A', 4, 10, &clip));  // x + width == clip left
  EXPECT_TRUE(f.DrawGlyph(&bm, 'A', 5, 12, &clip));
  EXPECT_FALSE(f.DrawGlyph(&bm, 0x4E2D, 12, 12, &clip));  // never rendered
  RECT beyond{-100, -100, 1000, 1000};
  RAST_Clear(&bm, 0);
  EXPECT_TRUE(f.DrawGlyph(&bm, 'A', 61, 45, &beyond));  // held to the bitmap
  EXPECT_EQ(count(bm, kWhite), 3 * 3);
  RECT empty{5, 5, 5, 40};
  EXPECT_EQ(f.DrawText(&bm, "A", -1, &empty, 0), 0);
}

TEST_F(CachedFont, OpaqueBackgroundPaintsEachGlyphCell) {
  RAST_CachedFont& f = font(0);
  f.SetBkMode(1);
  f.SetBkColor(kRed);
  RAST_MemBitmap bm(64, 48);
  RAST_Clear(&bm, 0);
  RECT r{2, 3, 10, 40};
  f.DrawText(&bm, "AB", -1, &r, 0);
  EXPECT_EQ(count(bm, kWhite), 5 * 9 + 2 * 9);
  EXPECT_EQ(count(bm, kRed), 6 * 16 + 2 * 16 - (5 * 9 + 2 * 9));  // cells, cut at the rectangle
  EXPECT_EQ(at(bm, 10, 3), 0u);
}

TEST_F(CachedFont, EffectColoursOnTheFastAndBlendedPaths) {
  RAST_CachedFont& f = font(RAST_FONTOPT_SHADOW);
  f.SetEffectColor(kRed);
  RAST_MemBitmap bm(20, 20);
  RAST_Clear(&bm, 0);
  RECT r{0, 0, 20, 20};
  f.DrawText(&bm, "A", -1, &r, 0);
  EXPECT_EQ(at(bm, 0, 0), kWhite);
  EXPECT_EQ(at(bm, 5, 9), kRed);
  EXPECT_EQ(at(bm, 0, 9), kRed);
  EXPECT_EQ(count(bm, kRed), 15);
  f.SetCombineMode(0, 0.5f);
  RAST_Clear(&bm, 0);
  f.DrawText(&bm, "A", -1, &r, 0);
  EXPECT_EQ(RAST_PixelRed(at(bm, 0, 0)), 128u);
  EXPECT_EQ(RAST_PixelGreen(at(bm, 0, 0)), 128u);
  EXPECT_EQ(RAST_PixelRed(at(bm, 5, 9)), 128u);
  EXPECT_EQ(RAST_PixelGreen(at(bm, 5, 9)), 0u);
  f.SetCombineMode(1, 1.0f);  // add
  RAST_Clear(&bm, RAST_MakePixel(10, 10, 10, 255));
  f.DrawText(&bm, "A", -1, &r, 0);
  EXPECT_EQ(at(bm, 5, 9), RAST_MakePixel(255, 10, 10, 255));
  f.SetCombineMode(6, 1.0f);  // no such mode: nothing
  RAST_Clear(&bm, 0);
  f.DrawText(&bm, "A", -1, &r, 0);
  EXPECT_EQ(count(bm, 0), 400);
}

TEST_F(CachedFont, VerticalTextRunsDownOrUp) {
  RAST_MemBitmap bm(40, 40);
  RECT r{2, 3, 40, 40};
  RAST_CachedFont& down = font(RAST_FONTOPT_VERTICAL);
  RAST_Clear(&bm, 0);
  EXPECT_EQ(down.DrawText(&bm, "AB", -1, &r, 0), 16);
  EXPECT_EQ(at(bm, 2 + 15, 3), kWhite);  // A's block, turned: columns 9..17, rows 3..7
  EXPECT_EQ(at(bm, 2 + 7, 3 + 4), kWhite);
  EXPECT_EQ(at(bm, 2 + 15, 3 + 6), kWhite);  // B one advance lower
  EXPECT_EQ(count(bm, kWhite), 2 * 5 * 9);
  RAST_CachedFont& up = font(RAST_FONTOPT_VERTICAL | RAST_FONTOPT_UPWARD);
  RAST_Clear(&bm, 0);
  up.DrawText(&bm, "AB", -1, &r, 0);
  // The block is measured first (12 high): A sits at the bottom, B above it.
  EXPECT_EQ(at(bm, 2, 3 + 6 + 5), kWhite);  // A, from its (0, 0)
  EXPECT_EQ(at(bm, 2, 3 + 5), kWhite);      // B, from its (0, 0)
  EXPECT_EQ(count(bm, kWhite), 2 * 5 * 9);
}

TEST_F(CachedFont, LargeLineHeightsUseTheNativePathOrNothing) {
  RAST_CachedFont& big = font(0, 300);  // line height 301, no native option
  EXPECT_EQ(big.GetLineHeight(), 301);
  RAST_MemBitmap bm(8, 8);
  RECT r{0, 0, 0, 0};
  EXPECT_EQ(big.DrawText(&bm, "A", -1, &r, DT_CALCRECT | RAST_DT_PREFER_GLYPHS),
            302);  // the GDI drawer measured
  EXPECT_EQ(big.GetExtraGlyphCount() + big.GetPixelStoreSize(), 0);
  GlyphOnlyBitmap glyphs(8, 8);
  r = RECT{0, 0, 0, 0};
  big.DrawText(&glyphs, "A", -1, &r, DT_CALCRECT);
  EXPECT_GT(big.GetPixelStoreSize(), 0);  // this bitmap asks for glyphs
  RAST_CachedFont& huge = font(0, 1023);  // line height 1024: no glyph is ever rendered
  r = RECT{0, 0, 0, 0};
  EXPECT_EQ(huge.DrawText(&glyphs, "A", -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(huge.GetPixelStoreSize(), 0);
}

TEST_F(CachedFont, SharedBitmapsGoWithTheLastFont) {
  fonts.clear();
  EXPECT_EQ(RAST_CachedFont::LiveFontCount(), 0);
  {
    RAST_CachedFont& f = font(RAST_FONTOPT_PRECACHE);
    EXPECT_EQ(RAST_CachedFont::LiveFontCount(), 1);
    EXPECT_GT(f.GetPixelStoreSize(), 0);
  }
  fonts.clear();
  RAST_CachedFont& again = font(0);  // the scratch bitmaps are made afresh
  RAST_MemBitmap bm(20, 20);
  RECT r{0, 0, 20, 20};
  EXPECT_EQ(again.DrawText(&bm, "A", -1, &r, 0), 16);
}

// The vectorised coverage copy gives exactly the per-pixel blend, at full and partial alpha.
// Every mode against the solid write of one pixel: covered pixels only, at weight m + 1 at full
// alpha, else m * w / 256 -- including 0, where HSV adjust still writes the opaque alpha byte.
TEST_F(CachedFont, CoverageBlendMatchesThePixelFormula) {
  RAST_CachedFont& f = font(RAST_FONTOPT_BLUR);  // blurred blocks: every coverage level
  const RAST_pixel colour = RAST_MakePixel(200, 90, 30, 77);
  f.SetTextColor(colour);
  int weightZeroWrites = 0;
  for (int mode = 0; mode <= 5; ++mode)
    for (float alpha : {1.0f, 0.7f, 0.25f, 0.02f, 0.0039f}) {
      f.SetCombineMode(mode, alpha);
      RAST_MemBitmap bm(40, 24), want(40, 24);
      std::uint32_t seed = 12345;
      for (int i = 0; i < 40 * 24; ++i) {
        seed = seed * 1103515245u + 12345u;
        bm.getBits()[(i / 40) * bm.getRowSpan() + i % 40] = seed;
        want.getBits()[(i / 40) * want.getRowSpan() + i % 40] = seed;
      }
      RECT r{1, 2, 40, 24};
      f.DrawText(&bm, "AbW", -1, &r, 0);
      const int w = static_cast<int>(std::trunc(alpha * 256.0));
      int penX = 1;
      for (unsigned c : {unsigned('A'), unsigned('b'), unsigned('W')}) {
        const auto* g = f.FindGlyph(c);
        const std::vector<int> m = mask(f, c);
        for (int y = 0; y < g->height && 2 + y < 24; ++y)
          for (int x = 0; x < g->width && penX + x < 40; ++x) {
            const int cover = m[y * g->width + x];
            if (!cover || w == 0) continue;
            const int k = w == 256 ? cover + 1 : std::min(cover * w / 256, 256);
            RAST_pixel& d = want.getBits()[(2 + y) * want.getRowSpan() + penX + x];
            const RAST_pixel before = d;
            RAST_SolidWrite(&d, (colour & 0xFFFFFF00u) | 0xFF, RAST_Weight(k),
                            RAST_BlendMode(mode));
            weightZeroWrites += k == 0 && d != before;
          }
        penX += g->advance;
      }
      for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x)
          ASSERT_EQ(at(bm, x, y), at(want, x, y))
              << "mode " << mode << " alpha " << alpha << " at " << x << "," << y;
    }
  EXPECT_GT(weightZeroWrites, 0);  // the faint edges at alpha 0.02 did reach HSV adjust at weight 0
}

// Random bytes, lengths and flags on both paths: every read stays inside the counted bytes
// (exact heap blocks) and every write inside the bitmap.
TEST_F(CachedFont, RandomTextsOnBothPaths) {
  RAST_CachedFont& glyphs = font(0);
  RAST_CachedFont& native = font(kNative);
  RAST_SysBitmap sys(50, 30);
  RAST_MemBitmap mem(50, 30);
  std::uint32_t seed = 99;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 400; ++round) {
    const int n = static_cast<int>(next() % 24) + 1;
    std::unique_ptr<char[]> bytes(new char[static_cast<size_t>(n)]);
    for (int i = 0; i < n; ++i) {
      const std::uint32_t v = next() >> 24;
      bytes[static_cast<size_t>(i)] =
          static_cast<char>(v % 5 == 0 ? "&\r\n\xC3\xE2"[(v / 5) % 5] : v);
    }
    const unsigned flags = (next() & 0x1F7u) | ((next() & 1) ? RAST_DT_PREFER_GLYPHS : 0);
    RECT r{static_cast<int>(next() % 80) - 20, static_cast<int>(next() % 50) - 10, 0, 0};
    r.right = r.left + static_cast<int>(next() % 70);
    r.bottom = r.top + static_cast<int>(next() % 40);
    for (RAST_CachedFont* f : {&glyphs, &native})
      for (RAST_IBitmap* bm :
           {static_cast<RAST_IBitmap*>(&sys), static_cast<RAST_IBitmap*>(&mem)}) {
        RECT copy = r;
        EXPECT_GE(f->DrawText(bm, bytes.get(), n, &copy, flags), 0);
      }
  }
}

// Through FreeType: a real face, both paths, measured width equal to the drawn advance.
TEST(CachedFontFreeType, EndToEndRenderAndCentring) {
  vq::platform::installFontService(nullptr);
  RAST_CachedFont f;
  f.SetFromHFont(CreateFont(-14, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 4, 0, "DejaVu Sans"),
                 RAST_FONTOPT_OWNFONT | RAST_FONTOPT_NATIVE);
  f.SetTextColor(kWhite);
  EXPECT_GE(f.GetLineHeight(), 15);
  EXPECT_LE(f.GetLineHeight(), 18);
  const char* text = "IHHI";
  RAST_SysBitmap native(200, 40), glyphs(200, 40);
  RECT m{0, 0, 0, 0}, mg{0, 0, 0, 0};
  f.DrawText(&native, text, -1, &m, DT_CALCRECT);
  f.DrawText(&glyphs, text, -1, &mg, DT_CALCRECT | RAST_DT_PREFER_GLYPHS);
  EXPECT_EQ(m.right, mg.right);  // same advances on both paths
  EXPECT_GT(m.right, 20);
  for (RAST_SysBitmap* bm : {&native, &glyphs}) {
    RECT r{0, 0, 200, 40};
    f.DrawText(bm, text, -1, &r,
               DT_CENTER | DT_VCENTER | (bm == &glyphs ? RAST_DT_PREFER_GLYPHS : 0));
    int left = 200, right = -1, inked = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 200; ++x)
        if (RAST_PixelRed(bm->getBits()[y * bm->getRowSpan() + x]) > 128) {
          left = std::min(left, x);
          right = std::max(right, x);
          ++inked;
        }
    EXPECT_GT(inked, 40);
    EXPECT_LE(std::abs(left - (199 - right)), 2)
        << left << " " << right;  // centred text sits centred
  }
}

}  // namespace

// The faces the GUI asks for, through FreeType: the width the GDI drawer measures for a long
// label equals the sum of the cached advances (so both paths lay it out alike), and a label
// centred on either path has as much room on its left as on its right.
class CachedFontFaces : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { vq::platform::installFontService(nullptr); }
};

TEST_P(CachedFontFaces, MeasuredWidthsAgreeAndCentredTextSitsCentred) {
  for (int size : {-10, -12, -14}) {
    RAST_CachedFont f;
    f.SetFromHFont(CreateFont(size, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 4, 0, GetParam()),
                   RAST_FONTOPT_OWNFONT | RAST_FONTOPT_NATIVE);
    f.SetTextColor(kWhite);
    const char* label = "Cutoff 1234 Hz, Resonance 42% (VCO1+2)";
    RECT native{0, 0, 0, 0}, glyphs{0, 0, 0, 0};
    f.DrawText(nullptr, label, -1, &native, DT_CALCRECT | DT_SINGLELINE);
    f.DrawText(nullptr, label, -1, &glyphs, DT_CALCRECT | DT_SINGLELINE | RAST_DT_PREFER_GLYPHS);
    int advances = 0;
    for (const char* p = label; *p; ++p)
      advances += f.FindGlyph(static_cast<unsigned char>(*p))->advance;
    EXPECT_EQ(native.right, advances) << GetParam() << " " << size;
    EXPECT_NEAR(glyphs.right, advances, 2)
        << GetParam() << " " << size;  // ink may overhang the last advance

    const char* word = "HOH";
    for (bool glyphPath : {false, true}) {
      RAST_SysBitmap bm(120, 40);
      RECT r{0, 0, 120, 40};
      f.DrawText(&bm, word, -1, &r,
                 DT_CENTER | DT_VCENTER | (glyphPath ? RAST_DT_PREFER_GLYPHS : 0));
      int left = 120, right = -1;
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
          if (RAST_PixelRed(bm.getBits()[y * bm.getRowSpan() + x]) > 100) {
            left = std::min(left, x);
            right = std::max(right, x);
          }
      ASSERT_GE(right, left) << GetParam();
      EXPECT_LE(std::abs(left - (119 - right)), 2)
          << GetParam() << " size " << size << (glyphPath ? " glyphs " : " native ") << left << ".."
          << right;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(GuiFaces, CachedFontFaces,
                         ::testing::Values("Arial", "Tahoma", "Monaco", ""), [](const auto& info) {
                           return std::string(*info.param ? info.param : "Label");
                         });

// The GUI's label faces through FreeType on a bitmap without a context: one line of ASCII is
// drawn in place, while the same text with a final line feed (still one line to the drawer)
// takes the copy, draw and copy back round; the pixels must be the same.
TEST(CachedFontFreeType, TextDrawnInPlaceEqualsTheRoundTrip) {
  vq::platform::installFontService(nullptr);
  struct Case {
    const char* face;
    int size, weight, quality;
    const char* text;
    unsigned flags;
    RECT rect;
  };
  const Case cases[] = {
      {"Monaco", 11, 700, 0, "0.25Hz", DT_CENTER | DT_NOCLIP, {10, 4, 70, 20}},
      {"Monaco", 22, 700, 4, "resume", DT_RIGHT, {-9, -5, 60, 30}},  // cut at the bitmap's edge
      {"Verdana", 44, 700, 0, "42", DT_CENTER | DT_VCENTER, {5, 0, 75, 50}},
      {"Arial", 15, 400, 3, "LEARN all", DT_BOTTOM, {3, 2, 40, 36}},  // cut at the rectangle
  };
  for (const Case& c : cases) {
    RAST_CachedFont f;
    f.SetFromHFont(CreateFont(c.size, 0, 0, 0, c.weight, 0, 0, 0, 0, 0, 0, c.quality, 0, c.face),
                   RAST_FONTOPT_OWNFONT | RAST_FONTOPT_NATIVE);
    f.SetTextColor(RAST_MakePixel(200, 30, 100, 255));
    RAST_MemBitmap inPlace(80, 40), roundTrip(80, 40);
    std::uint32_t seed = 3;
    for (int i = 0; i < 80 * 40; ++i)
      inPlace.getBits()[i] = roundTrip.getBits()[i] = seed = seed * 1664525u + 1013904223u;
    const std::string text = c.text, lineFed = text + "\n";
    RECT a = c.rect, b = c.rect;
    EXPECT_EQ(f.DrawText(&inPlace, text.c_str(), -1, &a, c.flags),
              f.DrawText(&roundTrip, lineFed.c_str(), -1, &b, c.flags));
    EXPECT_EQ(0, std::memcmp(inPlace.getBits(), roundTrip.getBits(), 80 * 40 * 4)) << c.text;
    RECT ma{0, 0, 0, 0}, mb{0, 0, 0, 0};
    f.DrawText(nullptr, text.c_str(), -1, &ma, DT_CALCRECT);
    f.DrawText(nullptr, lineFed.c_str(), -1, &mb, DT_CALCRECT);
    EXPECT_EQ(ma.right, mb.right) << c.text;
    EXPECT_EQ(ma.bottom, mb.bottom) << c.text;
  }
}

namespace {

// Rectangles at the ends of the integer range on both paths: the placement arithmetic stays
// defined (the sanitizer would stop the test).
TEST_F(CachedFont, RectanglesAtTheEndsOfTheIntegerRange) {
  RAST_CachedFont& glyphs = font(0);
  RAST_CachedFont& native = font(RAST_FONTOPT_NATIVE);
  RAST_SysBitmap sys(40, 30);
  RAST_MemBitmap mem(40, 30);
  const RECT rects[] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                        {INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX},
                        {INT_MIN, INT_MIN, INT_MIN + 3, INT_MIN + 3},
                        {0, 0, INT_MAX, INT_MAX}};
  const unsigned flagSets[] = {0, DT_CENTER | DT_VCENTER, DT_RIGHT | DT_BOTTOM, DT_CALCRECT,
                               DT_NOCLIP | DT_CENTER};
  for (RAST_CachedFont* f : {&glyphs, &native})
    for (RAST_IBitmap* bm : {static_cast<RAST_IBitmap*>(&sys), static_cast<RAST_IBitmap*>(&mem)})
      for (const RECT& at : rects)
        for (unsigned flags : flagSets) {
          RECT r = at;
          EXPECT_GE(f->DrawText(bm, "AB\nC", -1, &r, flags), 0);
        }
  RECT r{INT_MAX - 3, 0, INT_MAX, 30};
  native.DrawText(nullptr, "AB", -1, &r, DT_CALCRECT);
  EXPECT_EQ(r.right, INT_MAX);
}

}  // namespace
