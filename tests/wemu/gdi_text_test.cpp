// Fonts and text of the GDI layer with the fixed-advance font (size s: ascent round(3s/4),
// descent s - ascent, advance round(s/2), visible characters are blocks advance - 1 wide).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/font_service.h"
#include "wemu/gdi_font.h"
#include "wemu/gdi_paint.h"
#include "wemu/gdi_text.h"

namespace {

using vq::platform::FixedFontService;

constexpr std::uint32_t kWhite = 0xFFFFFF00u;

class GdiText : public ::testing::Test {
 protected:
  void SetUp() override {
    auto service = std::make_unique<FixedFontService>();
    fonts = service.get();
    vq::platform::installFontService(std::move(service));
    dc = WEMU_CreateMemContext(nullptr, 64, 48);
    ASSERT_NE(dc, nullptr);
  }
  void TearDown() override {
    SelectObject(dc, WEMU_DEFAULT_FONT);
    for (HFONT f : made) DeleteObject(f);
    WEMU_DeleteGfxContext(dc);
    vq::platform::installFontService(nullptr);  // the next user gets the real service
  }
  HFONT font(int height, const char* face = "Face", int weight = 400, DWORD italic = 0,
             DWORD quality = 0) {
    HFONT f = CreateFont(height, 0, 0, 0, weight, italic, 0, 0, 0, 0, 0, quality, 0, face);
    made.push_back(f);
    return f;
  }
  std::uint32_t px(int x, int y) const { return WEMU_GetCtxFrameBuffer(dc)[y * 64 + x]; }
  int whiteCount() const {
    int n = 0;
    for (int i = 0; i < 64 * 48; ++i) n += WEMU_GetCtxFrameBuffer(dc)[i] == kWhite;
    return n;
  }
  // The top-left white pixel (x + 100 * y), or -1.
  int firstWhite() const {
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x)
        if (px(x, y) == kWhite) return x + 100 * y;
    return -1;
  }
  RECT measure(const char* text, int length = -1, UINT flags = 0) {
    RECT r{5, 7, 5, 7};
    lastHeight = WEMU_DrawText(dc, text, length, &r, flags | DT_CALCRECT);
    return r;
  }

  FixedFontService* fonts = nullptr;
  HDC dc = nullptr;
  std::vector<HFONT> made;
  int lastHeight = 0;
};

struct SizeCase {
  int height;
  int width;
  double size;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
  *os << c.height << " x " << c.width;
}

class CreateFontSize : public GdiText, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(CreateFontSize, HeightOrWidthAsPositiveSize) {
  HFONT f =
      CreateFont(GetParam().height, GetParam().width, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Monaco");
  made.push_back(f);
  ASSERT_TRUE(WEMU_IsLiveGDIObject(f, WEMU_OBJ_FONT));
  EXPECT_EQ(f->font->size(), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CreateFontSize,
                         ::testing::Values(SizeCase{-12, 0, 12}, SizeCase{12, 99, 12},
                                           SizeCase{0, 14, 14}, SizeCase{0, -20, 20},
                                           SizeCase{0, 0, 10}, SizeCase{10000, 0, 10},
                                           SizeCase{1, 0, 10}, SizeCase{2, 0, 2},
                                           SizeCase{8192, 0, 8192}, SizeCase{8193, 0, 10},
                                           SizeCase{INT32_MIN, 0, 10}));

TEST_F(GdiText, FullNamesAreResolvedOncePerProcess) {
  HFONT bold = font(12, "Monaco", 700);
  font(12, "Monaco", 699, 1);
  font(12, "Monaco", 900, 1);
  font(14, "Monaco", 700);  // cached: not asked again
  EXPECT_EQ(fonts->resolvedNames,
            (std::vector<std::string>{"Monaco Bold", "Monaco Italic", "Monaco Bold Italic"}));
  EXPECT_EQ(bold->font->postScriptName(), "Fixed-Monaco Bold");
}

TEST_F(GdiText, UnknownOrEmptyNamesGiveTheSystemLabelFont) {
  fonts->missingNames = {"Fixed-Gone"};
  EXPECT_EQ(font(12, "Gone")->font->postScriptName(), "Fixed-System");
  HFONT unnamed = font(12, nullptr);
  EXPECT_EQ(unnamed->font->postScriptName(), "Fixed-System");
  EXPECT_TRUE(fonts->resolvedNames == std::vector<std::string>{"Gone"});
  const std::string huge(2000, 'x');
  font(12, huge.c_str());
  EXPECT_EQ(fonts->resolvedNames.back().size(), 899u);
}

TEST_F(GdiText, QualityAndRotation) {
  EXPECT_EQ(font(12, "F", 400, 0, 3)->quality, 3);
  EXPECT_EQ(font(12, "F", 400, 0, 4)->quality, 4);
  EXPECT_EQ(font(12, "F", 400, 0, 5)->quality, 0);
  HFONT turned = CreateFont(12, 0, 900, 900, 400, 0, 0, 0, 0, 0, 0, 0, 0, "F");
  made.push_back(turned);
  EXPECT_FLOAT_EQ(turned->rotation, 90.0f);
}

TEST_F(GdiText, IndirectFontWithAFullFaceField) {
  LOGFONT lf{};
  lf.lfHeight = -16;
  lf.lfWeight = 700;
  std::memset(lf.lfFaceName, 'a', sizeof(lf.lfFaceName));  // no NUL inside the field
  HFONT f = CreateFontIndirect(&lf);
  made.push_back(f);
  EXPECT_EQ(f->font->size(), 16);
  EXPECT_EQ(fonts->resolvedNames.back(), std::string(32, 'a') + " Bold");
  EXPECT_EQ(CreateFontIndirect(nullptr), nullptr);
}

TEST_F(GdiText, MetricsArithmetic) {
  TEXTMETRIC tm{};
  EXPECT_EQ(GetTextMetrics(nullptr, &tm), 0);
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmAscent, 12);
  EXPECT_EQ(tm.tmDescent, 4);
  EXPECT_EQ(tm.tmInternalLeading, 3);
  EXPECT_EQ(tm.tmAveCharWidth, 10);

  ASSERT_EQ(GetTextMetrics(dc, &tm), 1);  // default font: size 10, ascent 8, descent 2
  EXPECT_EQ(tm.tmAscent, 8);
  EXPECT_EQ(tm.tmDescent, 2);
  EXPECT_EQ(tm.tmHeight, 11);
  EXPECT_EQ(tm.tmAveCharWidth, 6);

  SelectObject(dc, font(12));
  ASSERT_EQ(GetTextMetrics(dc, &tm), 1);
  EXPECT_EQ(tm.tmAscent, 9);
  EXPECT_EQ(tm.tmDescent, 3);
  EXPECT_EQ(tm.tmInternalLeading, 0);
  EXPECT_EQ(tm.tmHeight, 13);
  EXPECT_EQ(tm.tmAveCharWidth, 8);
}

TEST_F(GdiText, TextFaceOfSelectedOrDefaultFont) {
  char name[64];
  EXPECT_GT(GetTextFace(dc, sizeof(name), name), 0);
  EXPECT_STREQ(name, "Fixed-System");
  SelectObject(dc, font(12, "Tahoma"));
  EXPECT_EQ(GetTextFace(dc, 6, name), 5);
  EXPECT_STREQ(name, "Fixed");
  EXPECT_EQ(GetTextFace(nullptr, sizeof(name), name), 0);
}

TEST_F(GdiText, MeasuredHeightEqualsDrawnHeight) {
  SelectObject(dc, font(12));
  const RECT r = measure("AB", -1, DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(lastHeight, 14);  // floor(12 + 1.5) + 1
  EXPECT_EQ(r.right - r.left, 12);
  EXPECT_EQ(r.bottom - r.top, 14);
  RECT draw{0, 0, 64, 48};
  EXPECT_EQ(WEMU_DrawText(dc, "AB", -1, &draw, DT_SINGLELINE | DT_NOPREFIX), 14);
  // One character: its measured width is its advance.
  EXPECT_EQ(measure("W", -1, 0xC0).right - 5, 6);
}

struct AlignCase {
  UINT flags;
  int x;
  int y;
};

void PrintTo(const AlignCase& c, std::ostream* os) {
  *os << "flags " << c.flags;
}

class DrawTextAlign : public GdiText, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(DrawTextAlign, BlockPlacedInRectangle) {
  SetTextColor(dc, 0xFFFFFF);
  SelectObject(dc, font(12));
  RECT r{0, 0, 60, 40};  // "AB": 12 wide, 14 high
  EXPECT_EQ(WEMU_DrawText(dc, "AB", -1, &r, GetParam().flags), 14);
  EXPECT_EQ(firstWhite(), GetParam().x + 100 * GetParam().y);
  EXPECT_EQ(whiteCount(), 2 * 5 * 9);
}

INSTANTIATE_TEST_SUITE_P(Flags, DrawTextAlign,
                         ::testing::Values(AlignCase{0, 0, 0}, AlignCase{DT_CENTER, 24, 0},
                                           AlignCase{DT_RIGHT, 48, 0}, AlignCase{DT_VCENTER, 0, 13},
                                           AlignCase{DT_BOTTOM, 0, 26},
                                           AlignCase{DT_RIGHT | DT_CENTER, 48, 0},
                                           AlignCase{DT_BOTTOM | DT_VCENTER, 0, 26},
                                           AlignCase{DT_CENTER | DT_VCENTER, 24, 13}));

TEST_F(GdiText, LinesStackAndSingleLineTurnsFeedsToSpaces) {
  SelectObject(dc, font(12));
  RECT r = measure("A\nBC");
  EXPECT_EQ(r.right - r.left, 12);
  EXPECT_EQ(lastHeight, 27);  // two lines of 13, plus 1
  measure("AB\n");
  EXPECT_EQ(lastHeight, 14);  // a final line feed starts no line
  r = measure("A\nB", -1, DT_SINGLELINE);
  EXPECT_EQ(r.right - r.left, 18);
  EXPECT_EQ(lastHeight, 14);

  SetTextColor(dc, 0xFFFFFF);
  RECT draw{0, 0, 64, 48};
  EXPECT_EQ(WEMU_DrawText(dc, "A\nB", -1, &draw, 0), 27);
  EXPECT_EQ(px(0, 0), kWhite);
  EXPECT_EQ(px(0, 11), 0u);
  EXPECT_EQ(px(0, 12), kWhite);  // second line one rounded line box lower
  EXPECT_EQ(px(0, 20), kWhite);
  EXPECT_EQ(px(0, 21), 0u);
}

struct PrefixCase {
  const char* text;
  int length;
  UINT flags;
  int width;  // -1: nothing (result 0)
};

void PrintTo(const PrefixCase& c, std::ostream* os) {
  *os << "length " << c.length << " flags " << c.flags << " bytes";
  for (unsigned char b : std::string(c.text)) *os << ' ' << int(b);
}

class DrawTextPrefix : public GdiText, public ::testing::WithParamInterface<PrefixCase> {};

TEST_P(DrawTextPrefix, AmpersandsCarriageReturnsAndLengths) {
  SelectObject(dc, font(12));
  const RECT r = measure(GetParam().text, GetParam().length, GetParam().flags);
  if (GetParam().width < 0) {
    EXPECT_EQ(lastHeight, 0);
  } else {
    EXPECT_EQ(lastHeight, 14);
    EXPECT_EQ(r.right - r.left, GetParam().width);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DrawTextPrefix,
    ::testing::Values(PrefixCase{"A&B", -1, 0, 12}, PrefixCase{"A&B", -1, DT_NOPREFIX, 18},
                      PrefixCase{"A&&B", -1, 0, 18}, PrefixCase{"AB&", -1, 0, 12},
                      PrefixCase{"AB&X", 3, 0,
                                 12},  // the "&" is the last byte: nothing after it is read
                      PrefixCase{"&", -1, 0, -1}, PrefixCase{"&", -1, DT_NOPREFIX, 6},
                      PrefixCase{"\r\r", -1, 0, -1}, PrefixCase{"A\r\rB", -1, 0, 12},
                      PrefixCase{"ABCD", 2, 0, 12}, PrefixCase{"AB\0CD", 5, 0, 12},
                      PrefixCase{"ABCD", 0, 0, -1}, PrefixCase{"", -1, 0, -1},
                      PrefixCase{"\xE9", -1, 0, -1},  // not UTF-8
                      PrefixCase{"\xC3\xA9\xE2\x82\xAC", -1, 0, 12}));

TEST_F(GdiText, CountedTextEndingInAnAmpersandIsNotReadBeyond) {
  SelectObject(dc, font(12));
  // Exactly the counted bytes on the heap: the address checker sees any read past them.
  std::unique_ptr<char[]> text(new char[3]{'A', 'B', '&'});
  RECT r = measure(text.get(), 3);
  EXPECT_EQ(r.right - r.left, 12);
  std::unique_ptr<char[]> lone(new char[1]{'&'});
  measure(lone.get(), 1);
  EXPECT_EQ(lastHeight, 0);
}

TEST_F(GdiText, LongTextIsCutBetweenCharacters) {
  SelectObject(dc, font(12));
  std::string ascii(5000, 'x');
  RECT r = measure(ascii.c_str());
  EXPECT_EQ(r.right - r.left, 4095 * 6);
  std::string accents;
  for (int i = 0; i < 2500; ++i) accents += "\xC3\xA9";  // 5000 bytes of two-byte characters
  r = measure(accents.c_str());
  EXPECT_EQ(lastHeight, 14);
  EXPECT_EQ(r.right - r.left, 2047 * 6);  // 4094 bytes: the split character is left out
  std::string euros = "x";
  for (int i = 0; i < 1400; ++i) euros += "\xE2\x82\xAC";
  r = measure(euros.c_str());
  EXPECT_EQ(r.right - r.left, (1 + 1364) * 6);
}

TEST_F(GdiText, OpaqueBackgroundGivesWhiteOnBlack) {
  HBRUSH grey = CreateSolidBrush(0x808080);
  RECT all{0, 0, 64, 48};
  WEMU_FillRect(dc, &all, grey);
  DeleteObject(grey);
  SelectObject(dc, font(12));
  SetTextColor(dc, 0xFFFFFF);
  SetBkColor(dc, 0);
  SetBkMode(dc, OPAQUE);
  RECT r{2, 3, 60, 40};
  ASSERT_EQ(WEMU_DrawText(dc, "A", -1, &r, 0), 14);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool inCell = x >= 2 && x < 8 && y >= 3 && y < 17;
      const bool inGlyph = x >= 2 && x < 7 && y >= 3 && y < 12;
      const std::uint32_t want = inGlyph ? kWhite : (inCell ? 0u : 0x80808000u);
      ASSERT_EQ(px(x, y), want) << x << "," << y;
    }
}

TEST_F(GdiText, ClippedToRectangleUnlessNoClip) {
  SelectObject(dc, font(12));
  SetTextColor(dc, 0xFFFFFF);
  RECT r{0, 0, 3, 40};
  WEMU_DrawText(dc, "AB", -1, &r, 0);
  EXPECT_EQ(whiteCount(), 3 * 9);
  WEMU_DrawText(dc, "AB", -1, &r, DT_NOCLIP);
  EXPECT_EQ(whiteCount(), 2 * 5 * 9);
}

TEST_F(GdiText, BadContextsAndColours) {
  RECT r{0, 0, 10, 10};
  EXPECT_EQ(WEMU_DrawText(nullptr, "A", -1, &r, 0), 0);
  EXPECT_EQ(WEMU_DrawText(dc, nullptr, -1, &r, 0), 0);
  HDC gone = WEMU_CreateMemContext(nullptr, 4, 4);
  WEMU_DeleteGfxContext(gone);
  HDC other = WEMU_CreateMemContext(nullptr, 4, 4);  // may reuse the record
  if (other != gone) {
    EXPECT_EQ(WEMU_DrawText(gone, "A", -1, &r, 0), 0);
    EXPECT_EQ(SetTextColor(gone, 1), 0xFFFFFFFFu);
  }
  WEMU_DeleteGfxContext(other);
  EXPECT_EQ(GetTextColor(nullptr), 0xFFFFFFFFu);
  EXPECT_EQ(SetTextColor(dc, 0x123456), 0u);
  EXPECT_TRUE(dc->textColorObjectMade);
  EXPECT_EQ(GetTextColor(dc), 0x123456u);
  EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
  EXPECT_EQ(SetBkColor(dc, 0xFF), 0u);
  // A record without a drawing surface measures but cannot draw.
  HDC bare = WEMU_AllocContextRecord();
  RECT m{0, 0, 0, 0};
  EXPECT_GT(WEMU_DrawText(bare, "A", -1, &m, DT_CALCRECT), 0);
  EXPECT_EQ(WEMU_DrawText(bare, "A", -1, &r, 0), 0);
  WEMU_DeleteGfxContext(bare);
}

TEST_F(GdiText, DeletedSelectedFontFallsBackToDefault) {
  HFONT f = CreateFont(20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Big");
  SelectObject(dc, f);
  DeleteObject(f);
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  EXPECT_EQ(tm.tmHeight, 11);  // the default font of size 10
}

}  // namespace

// Rectangles at the ends of the integer range: alignment arithmetic stays defined (the
// sanitizer would stop the test) and what lands inside the context is drawn.
TEST_F(GdiText, RectanglesAtTheEndsOfTheIntegerRange) {
  SetTextColor(dc, 0xFFFFFF);
  SelectObject(dc, font(12));
  const RECT rects[] = {{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                        {INT_MAX - 2, INT_MAX - 2, INT_MAX, INT_MAX},
                        {INT_MIN, INT_MIN, INT_MIN + 3, INT_MIN + 3},
                        {0, 0, INT_MAX, INT_MAX}};
  for (const RECT& at : rects)
    for (UINT flags :
         {0u, UINT(DT_CENTER | DT_VCENTER), UINT(DT_RIGHT | DT_BOTTOM), UINT(DT_CALCRECT)}) {
      RECT r = at;
      EXPECT_GT(WEMU_DrawText(dc, "AB", -1, &r, flags), 0);
    }
  RECT r{INT_MAX - 10, 0, INT_MAX, 20};
  EXPECT_GT(WEMU_DrawText(dc, "AB", -1, &r, DT_CALCRECT), 0);
  EXPECT_EQ(r.right, INT_MAX);  // measured right limited to the range
  RECT top{0, 0, INT_MAX, 20};
  WEMU_DrawText(dc, "AB", -1, &top, 0);
  EXPECT_GT(whiteCount(), 0);
}

namespace {

// On a context of two device pixels per unit the glyphs come from the face at twice the size,
// placed at the measured advances (in units): two 12-point blocks are 11 x 18 device pixels,
// 12 device pixels apart.
TEST_F(GdiText, DoubleDensityContextDrawsGlyphsAtDeviceResolution) {
  std::vector<std::uint32_t> pixels(64 * 48, 0);
  vq::platform::DrawContext draw(pixels.data(), 64, 48, 64, 2.0);
  HDC twice = WEMU_CreateGfxContext(&draw);
  ASSERT_NE(twice, nullptr);
  SetTextColor(twice, 0xFFFFFF);
  SelectObject(twice, font(12));
  RECT r{0, 0, 32, 24};
  RECT m = r;
  EXPECT_EQ(WEMU_DrawText(twice, "AB", -1, &m, DT_CALCRECT), 14);
  EXPECT_EQ(m.right, 12);  // measured in units
  EXPECT_EQ(WEMU_DrawText(twice, "AB", -1, &r, 0), 14);
  auto white = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * 64 + x] == kWhite; };
  int n = 0;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) n += white(x, y);
  EXPECT_EQ(n, 2 * 11 * 18);
  EXPECT_TRUE(white(0, 0));
  EXPECT_TRUE(white(10, 17));
  EXPECT_FALSE(white(11, 0));
  EXPECT_TRUE(white(12, 0));
  EXPECT_FALSE(white(0, 18));
  SelectObject(twice, WEMU_DEFAULT_FONT);
  WEMU_DeleteGfxContext(twice);
}

}  // namespace
